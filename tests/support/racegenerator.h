#pragma once

// A large, deterministic event for benchmarks and load tests.

#include "race.h"

struct RaceGeneratorOptions
{
    int entries = 5000;
    int stages = 3;
    int classes = 60;
    int courses = 40;
    int splitsPerResult = 20;
    bool withResults = true;
    quint32 seed = 20250517;
};

// Courses are spread over the stages (one stage each, round robin), every class runs one course
// per stage, and every entry has one result per stage with `splitsPerResult` ok splits.
[[nodiscard]] Race generateRace(const RaceGeneratorOptions &options = {});

// The default event with `entries` entries (results as `withResults` says), generated on first use
// and kept for the life of the process: benchmarks at several sizes share them.
[[nodiscard]] const Race &generatedRaceOfSize(int entries, bool withResults = true);
