#include "race.h"

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

bool sameId(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    // Only texts outside Latin-1 can have another canonical form worth comparing.
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
