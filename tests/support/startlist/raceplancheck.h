#pragma once

// The checker over the start times a race holds for its active stage, as a screen left them:
// every runner with a time is in the plan, every eligible runner without one is unplaced, and
// the warnings are the ones the screen showed.

#include "perstage.h"
#include "startplanchecker.h"

inline StartPlanReport checkRaceStartTimes(const Race &race, const QDateTime &firstStart,
    const StartGeneratorSettings &settings, const QStringList &warnings)
{
    StartGeneratorResult plan;
    plan.warnings = warnings;
    for (const Participant &p : race.participants) {
        if (const std::optional<QDateTime> t = scheduledStartTime(race, p))
            plan.assignments.insert(p.id, *t);
        else
            plan.unplaced.append(p.id);
    }
    return checkStartPlan(startPlanInput(race, firstStart, settings), plan);
}

// The race with every start time removed, so that what a screen leaves is its own doing.
inline Race withoutStartTimes(Race race)
{
    for (Participant &p : race.participants) {
        p.startTime.reset();
        p.startTimeByStage.reset();
    }
    return race;
}
