#pragma once

// Which course a card is evaluated against: the one the set-up assigns for the active stage, or
// failing that the candidate course the punches fit clearly best.

#include "race.h"
#include "racelookup.h"

// The course the set-up assigns to the participant for the active stage. A multi-course class never
// assigns one; a participant's own course id wins over the class's, even when it names nothing.
[[nodiscard]] std::optional<Course> chooseCourse(const Race &race, const Participant &participant);
// The same for the stage named (none: the base class and course), as a stored result of that
// stage is evaluated.
[[nodiscard]] std::optional<Course> chooseCourseOnStage(
    const Race &race, const Participant &participant, const std::optional<QString> &stageId);

// The courses a runner of the class may have run on the stage, in the order of the race's courses.
// A class that chooses by family offers the family's variants of that stage (tagged for it or for
// no stage); only a family with none there offers its variants of the other days.
[[nodiscard]] QList<Course> candidateCourses(
    const Race &race, const RaceClass *raceClass, const std::optional<QString> &stageId);

// How well the punches fit the course, from 0 to 1.
[[nodiscard]] double courseMatchScore(const QList<SIPunch> &punches, const Course &course);

struct CourseMatch
{
    std::optional<Course> course;
    // Several candidates are run completely from the same place on the card: none is chosen and
    // the organiser has to decide.
    bool ambiguous = false;
};

// The candidate whose every control the punches hold in order (see the definition for several);
// failing that, the best-fitting candidate when it scores at least 0.9 and beats every other
// candidate by at least 0.15, or fits a close one strictly better with punches of controls only it
// has and none of controls only the other has (a forked course's variant, one control missed).
[[nodiscard]] CourseMatch matchCourse(const QList<SIPunch> &punches, const QList<Course> &candidates);
[[nodiscard]] std::optional<Course> bestCourseMatch(
    const QList<SIPunch> &punches, const QList<Course> &candidates);
