#pragma once

// Overall standings of one class across all stages, computed on demand from the stored results.

#include "race.h"

#include <optional>

// The time a counted stage result adds to a runner's total; absent makes the total absent.
using StageTimeOf = std::optional<double> (*)(const PersonResult &result);

// Rows of the participants whose base class is `classId`, timed runners first by total time, then
// the others by name. Per stage the runner's result with the latest `readAt` counts; its effective
// status (the override when present) decides completion. A class with a run on a score course
// ranks by points instead: the runners who completed every stage (a score run counts when
// countsForStandings says so) by their summed points, more first, then by total time, then the
// others by name. A runner marked as not started or not finished on any stage completed no more
// than one without a result there; an unplaced runner's status is that of the first stage, in stage
// order, that does not count for them (stageOverallStatus).
[[nodiscard]] QList<StandingsRow> rankedResults(const Race &race, const QString &classId);

// A standings row that points at its entry in the race it was computed from (read it while that
// race is unchanged) instead of holding a copy.
struct RankedEntry
{
    const Participant *participant = nullptr;
    std::optional<double> totalTime;
    bool completedAllStages = false;
    // The class ranks by points; every row of a class says the same.
    bool byPoints = false;
    // The summed points (each stage's after its overtime penalty) where the class ranks by points
    // and the runner completed every stage.
    std::optional<qint64> totalScore;
    // Placed (a total, or points where the class ranks by them), else why not.
    OverallStatus status = OverallStatus::Unplaced;
};

// The rows rankedResults gives for each of `classIds`, in that order, from one pass over the
// participants and one over the results, whatever the number of classes. `stageTime` (the race
// time when null) is what each counted result adds to the total.
[[nodiscard]] QList<QList<RankedEntry>> rankedEntriesOfClasses(
    const Race &race, const QList<QString> &classIds, StageTimeOf stageTime = nullptr);
