#include "resultgroups.h"

const Course *findCourse(const Race &race, const std::optional<QString> &courseId)
{
    if (!courseId)
        return nullptr;
    for (const Course &c : race.courses) {
        if (c.id == *courseId)
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

bool isScoreResult(const Race &race, const PersonResult &result)
{
    if (const Course *course = findCourse(race, result.courseId))
        return course->type == CourseType::Rogaining;
    return result.score.has_value();
}
