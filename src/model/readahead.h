#pragma once

// Passes over every result of a large event read a few fields of each record, and those lie on
// several cache lines of the record. Asked for a few records ahead, they are there by the time
// the pass reaches them, instead of each record waiting on memory in turn.
//
// Always inlined: the compiler counts a function that only asks for memory as one without effects
// and drops every call of it that it did not inline, silently.

#include "race.h"

[[gnu::always_inline]] inline void readAheadResult(const QList<PersonResult> &results, qsizetype at)
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
