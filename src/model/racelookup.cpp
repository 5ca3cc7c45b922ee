#include "racelookup.h"

#include <algorithm>

const RaceClass *findClass(const Race &race, const std::optional<QString> &classId)
{
    if (!classId)
        return nullptr;
    for (const RaceClass &c : race.classes) {
        if (sameId(c.id, *classId))
            return &c;
    }
    return nullptr;
}

const Course *findCourse(const Race &race, const std::optional<QString> &courseId)
{
    if (!courseId)
        return nullptr;
    for (const Course &c : race.courses) {
        if (sameId(c.id, *courseId))
            return &c;
    }
    return nullptr;
}

const Participant *findParticipant(const Race &race, const QUuid &participantId)
{
    for (const Participant &p : race.participants) {
        if (p.id == participantId)
            return &p;
    }
    return nullptr;
}

bool choosesCourseByFamily(const RaceClass *raceClass)
{
    if (!raceClass)
        return false;
    return raceClass->mode ? *raceClass->mode == RaceClassMode::CourseFamily
                           : raceClass->courseFamily.has_value();
}

bool offersCourse(const RaceClass *raceClass, const Course &course)
{
    if (!choosesCourseByFamily(raceClass) || !raceClass->courseFamily)
        return true;
    return course.courseFamily == raceClass->courseFamily;
}

std::optional<QString> classCourseIdOnStage(const RaceClass *raceClass, const std::optional<QString> &stageId)
{
    if (!raceClass || raceClass->mode == RaceClassMode::MultiCourse || choosesCourseByFamily(raceClass))
        return std::nullopt;
    if (stageId && raceClass->stageCourseIds) {
        if (const QString *entry = stageEntry(*raceClass->stageCourseIds, *stageId))
            return entry->isEmpty() ? std::nullopt : std::optional<QString>(*entry);
    }
    return raceClass->courseId;
}

bool isCardNumberSpace(QChar c)
{
    return c.isSpace() || c == u'\u200B' || c == u'\u2060' || c == u'\uFEFF';
}

QString cardNumberWithoutSpaces(const QString &text)
{
    QString number = text;
    number.removeIf(isCardNumberSpace);
    return number;
}

bool isCardNumberText(const QString &text)
{
    const QString number = cardNumberWithoutSpaces(text);
    return std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

bool isCardNumberInRange(const QString &text)
{
    const QString number = cardNumberWithoutSpaces(text);
    // Eight digits hold every card number; a longer text is no card's, leading zeros or not.
    if (number.size() > 8)
        return false;
    bool ok = false;
    const uint value = number.toUInt(&ok);
    return number.isEmpty() || (ok && value <= largestCardNumber);
}

QString stageFileNamePart(const Race &race, const std::optional<QString> &stageId)
{
    if (race.stages.size() < 2 || !stageId)
        return {};
    for (const Stage &s : race.stages) {
        if (!sameId(s.id, *stageId))
            continue;
        QString name = s.name;
        name.replace(QLatin1Char('/'), QLatin1Char('-')).replace(QLatin1Char(':'), QLatin1Char('-'));
        return QLatin1Char('-') + name.trimmed() + QLatin1Char('-')
            + s.date.toLocalTime().date().toString(QStringLiteral("yyyy-MM-dd"));
    }
    return {};
}

ParticipantLookup::ParticipantLookup(const Race &race)
{
    m_byId.reserve(race.participants.size());
    for (const Participant &p : race.participants) {
        if (!m_byId.contains(p.id))
            m_byId.insert(p.id, &p);
    }
}
