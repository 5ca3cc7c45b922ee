#include "resultgroups.h"

bool finishesBeforeStart(const PersonResult &result)
{
    if (result.raceTime && *result.raceTime < 0)
        return true;
    return result.startTime && result.finishTime && *result.finishTime < *result.startTime;
}

bool isScoreResult(const Race &race, const PersonResult &result)
{
    if (const Course *course = findCourse(race, result.courseId))
        return course->type == CourseType::Rogaining;
    return result.score.has_value();
}
