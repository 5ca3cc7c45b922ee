#pragma once

// The legs of a result as every output shows them, worked out from the stored clock times (never
// from the leg times stored with the splits, which older versions measured differently).
//
// A leg runs from the last timed passage of a course control before it, or from the start: an
// extra punch (an `additional` split) is no end of a leg. An extra punch keeps its own time from
// the start, and its leg, like the finish leg, is measured from the last timed course control. A
// punch the card holds without a time has no time from the start and no leg. Without a start
// there are no times from the start, and the first leg is unknown.

#include "race.h"

struct SplitLeg
{
    // A passage of a course control (`ok`, `visitedNoTime`, `missing`); false for an extra punch.
    bool courseControl = true;
    // The card holds a clock time for it.
    bool timed = false;
    std::optional<double> elapsed;
    std::optional<double> leg;
};

struct SplitLegs
{
    QList<SplitLeg> splits; // one per split, in the splits' order
    std::optional<double> finishLeg;
    qsizetype extraPunches = 0;
};

// `punches`: the punches the splits were built from (or more), to know which of them the card holds
// without a time: such a punch carries some other punch's time, and a split made of it (an extra
// punch, or any punch of a result without a course) shows no time.
[[nodiscard]] SplitLegs splitLegs(const QList<SplitTime> &splits, const QList<SIPunch> &punches,
    const std::optional<QDateTime> &start, const std::optional<QDateTime> &finish);
[[nodiscard]] SplitLegs splitLegs(const PersonResult &result);

// The codes of a course's controls in the order they are run.
[[nodiscard]] QList<qint64> courseControlCodes(const Course &course);

// For each split, the position in `sequence` of the course control it passes, or -1 for an extra
// punch (or a passage that no longer fits the course, as after the course was changed).
[[nodiscard]] QList<qsizetype> courseColumns(const QList<SplitTime> &splits, const QList<qint64> &sequence);
