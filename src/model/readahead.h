#pragma once

// Passes over every result of a large event read a few fields of each record, and those lie on
// several cache lines of the record. Asked for a few records ahead, they are there by the time
// the pass reaches them, instead of each record waiting on memory in turn.

#include "race.h"

inline void readAheadResult(const QList<PersonResult> &results, qsizetype at)
{
    if (at >= results.size())
        return;
    const PersonResult &later = results[at];
    __builtin_prefetch(&later.participantId);
    __builtin_prefetch(&later.startTime);
    __builtin_prefetch(&later.completed);
    __builtin_prefetch(&later.stageId);
    __builtin_prefetch(&later.completedOverride);
}
