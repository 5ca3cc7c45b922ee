#pragma once

// From cleaned punches and a course to the split list, split times and score of a result.
// Plain functions: no store access, no logging.

#include "localdays.h"
#include "race.h"

// The time a `missing` split carries: midnight UTC at the start of year 1, meaning "no time".
[[nodiscard]] QDateTime missingSplitTime();

// Splits in card order. Without a course (or with one without controls) every punch is an `ok`
// split; a score course is scored by scoreRogainingSplits; any other course is matched forward
// greedily, each missing control getting a `missing` split at its place in the course.
[[nodiscard]] QList<SplitTime> buildSplits(
    const QList<SIPunch> &punches, const std::optional<Course> &course);

// One split per punch: the first punch of each course control earns its points, everything else is
// `additional` with score 0. Unvisited controls get no split.
[[nodiscard]] QList<SplitTime> scoreRogainingSplits(const QList<SIPunch> &punches, const Course &course);

// The local calendar day of `day` with the local wall-clock time (h:m:s) of `time`, in UTC. The
// wall-clock time is kept even on a daylight-saving change day; a time that does not exist on that
// day returns `time` unchanged.
[[nodiscard]] QDateTime dateOnRaceDay(const QDateTime &time, const QDateTime &day);

// dateOnRaceDay for every time of one card: the race day and the local days of the card's times are
// worked out once, not once per punch.
class RaceDayClock
{
public:
    explicit RaceDayClock(const QDateTime &day);
    [[nodiscard]] QDateTime place(const QDateTime &time);

private:
    LocalDays m_days;
    QDate m_date; // invalid when `day` was
};

// Elapsed and leg times of every timed `ok` and `additional` split, by splitLegs: legs run from the
// last timed course control. `punches`: those the splits were built from.
void fillSplitTimes(
    QList<SplitTime> &splits, const std::optional<QDateTime> &start, const QList<SIPunch> &punches);

// a + b, stopping at the ends of the 64-bit range rather than wrapping round: points come from
// files as any number.
[[nodiscard]] qint64 saturatingAdd(qint64 a, qint64 b);

struct RogainingScore
{
    qint64 score = 0;
    qint64 overtimePenalty = 0;
    std::optional<bool> withinTimeLimit;
};

// Points of the visited (`ok` and `visitedNoTime`) splits minus the overtime penalty (each started minute
// over the limit), never below 0.
[[nodiscard]] RogainingScore rogainingScore(const QList<SplitTime> &splits, const Course &course,
    const std::optional<QDateTime> &start, const std::optional<QDateTime> &finish);
