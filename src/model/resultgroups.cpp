#include "resultgroups.h"

bool isScoreResult(const Race &race, const PersonResult &result)
{
    if (const Course *course = findCourse(race, result.courseId))
        return course->type == CourseType::Rogaining;
    return result.score.has_value();
}
