#include "race.h"

#include <QRandomGenerator>

#include <algorithm>
#include <array>

namespace {
template<typename E, size_t N>
std::optional<E> fromText(const QString &text, const std::pair<E, const char *> (&table)[N])
{
    for (const auto &[value, name] : table) {
        if (text == QLatin1String(name))
            return value;
    }
    return std::nullopt;
}

template<typename E, size_t N> QString toTextIn(E value, const std::pair<E, const char *> (&table)[N])
{
    for (const auto &[v, name] : table) {
        if (v == value)
            return QString::fromLatin1(name);
    }
    Q_UNREACHABLE();
    return {};
}

const std::pair<CourseType, const char *> courseTypes[]
    = {{CourseType::Sequential, "sequential"}, {CourseType::Rogaining, "rogaining"}};
const std::pair<RaceClassMode, const char *> classModes[] = {{RaceClassMode::SingleCourse, "singleCourse"},
    {RaceClassMode::CourseFamily, "courseFamily"}, {RaceClassMode::MultiCourse, "multiCourse"}};
const std::pair<StartMethod, const char *> startMethods[]
    = {{StartMethod::ScheduledTime, "scheduledTime"}, {StartMethod::StartPunch, "startPunch"}};
const std::pair<ParticipantStatus, const char *> participantStatuses[]
    = {{ParticipantStatus::Dns, "dns"}, {ParticipantStatus::Dnf, "dnf"}};
const std::pair<StartTimePreference, const char *> preferences[]
    = {{StartTimePreference::Early, "early"}, {StartTimePreference::Late, "late"}};
const std::pair<SplitStatus, const char *> splitStatuses[]
    = {{SplitStatus::Ok, "ok"}, {SplitStatus::Missing, "missing"}, {SplitStatus::Additional, "additional"},
        {SplitStatus::VisitedNoTime, "visitedNoTime"}};
} // namespace

namespace {
bool isLatin1(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
}
} // namespace

bool sameId(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    // Only texts outside Latin-1 can have another canonical form worth comparing: Latin-1 holds no
    // combining marks, and each of its characters is its own composed form. A stage's time looked
    // up for a runner who has none of its own compares every other stage's id this way.
    if (isLatin1(a) && isLatin1(b))
        return false;
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

bool sameId(const std::optional<QString> &a, const QString &b)
{
    return a && sameId(*a, b);
}

QString toText(CourseType v)
{
    return toTextIn(v, courseTypes);
}
QString toText(RaceClassMode v)
{
    return toTextIn(v, classModes);
}
QString toText(StartMethod v)
{
    return toTextIn(v, startMethods);
}
QString toText(ParticipantStatus v)
{
    return toTextIn(v, participantStatuses);
}
QString toText(StartTimePreference v)
{
    return toTextIn(v, preferences);
}
QString toText(SplitStatus v)
{
    return toTextIn(v, splitStatuses);
}

std::optional<CourseType> courseTypeFromText(const QString &t)
{
    return fromText(t, courseTypes);
}
std::optional<RaceClassMode> raceClassModeFromText(const QString &t)
{
    return fromText(t, classModes);
}
std::optional<StartMethod> startMethodFromText(const QString &t)
{
    return fromText(t, startMethods);
}
std::optional<ParticipantStatus> participantStatusFromText(const QString &t)
{
    return fromText(t, participantStatuses);
}
std::optional<StartTimePreference> startTimePreferenceFromText(const QString &t)
{
    return fromText(t, preferences);
}
std::optional<SplitStatus> splitStatusFromText(const QString &t)
{
    return fromText(t, splitStatuses);
}

QUuid newUuid()
{
    thread_local QRandomGenerator64 generator = [] {
        // 256 bits of seed, far more than the ids of any event could ever exhaust.
        std::array<quint32, 8> seed {};
        QRandomGenerator::system()->fillRange(seed.data(), seed.size());
        return QRandomGenerator64(seed.data(), qsizetype(seed.size()));
    }();
    const quint64 high = generator.generate64();
    const quint64 low = generator.generate64();
    // Version 4 in the top nibble of the third field, variant 10xx in the top bits of the fourth.
    return QUuid(uint(high >> 32), ushort(high >> 16), ushort((high & 0x0fff) | 0x4000),
        uchar(((low >> 56) & 0x3f) | 0x80), uchar(low >> 48), uchar(low >> 40), uchar(low >> 32),
        uchar(low >> 24), uchar(low >> 16), uchar(low >> 8), uchar(low));
}
