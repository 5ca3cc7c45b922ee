#pragma once

// Checks a generated start plan against the start-list rules, read afresh from the rules and not
// from the generator: every hard rule broken is one line in `violations`; the soft rules are
// measured, not judged.

#include "startgenerator.h"

struct StartPlanInput
{
    QList<Participant> participants; // carrying their preference for the stage
    QList<RaceClass> classes;
    QList<Course> courses;
    QDateTime firstStart;
    StartGeneratorSettings settings;
};

struct StartPlanReport
{
    QStringList violations;
    int eligible = 0;
    int placed = 0;
    // Runners starting closer than the gap to a runner of another class with the same first control.
    int firstControlClose = 0;
    // Neighbours in a class's start order from the same club, out of all neighbour pairs.
    int clubNeighbours = 0;
    int neighbourPairs = 0;

    [[nodiscard]] QString figures() const;
};

// `rerun` (when given) is the same input generated again with the same seed.
[[nodiscard]] StartPlanReport checkStartPlan(const StartPlanInput &input, const StartGeneratorResult &plan,
    const StartGeneratorResult *rerun = nullptr);

// Shapes of generated events for the checker.
struct StartListShape
{
    quint32 seed = 1;
    int classes = 10;
    int runners = 100;
    int courses = 8;
    int startPunchEvery = 0; // every n-th class uses the start punch (0: none)
    int preferenceEvery = 0; // every n-th runner early, the next late (0: none)
    int clubs = 5; // club sizes fall off steeply: club k has about 1/k of the runners
    int rogainingEvery = 0; // every n-th course is a score course (0: none)
    int familyEvery = 0; // every n-th class runs a course family instead of one course
};

// A one-stage event of the shape, built on the benchmark race generator.
[[nodiscard]] Race startListEvent(const StartListShape &shape);
// The generator's input for the race's active stage.
[[nodiscard]] StartPlanInput startPlanInput(
    const Race &race, const QDateTime &firstStart, StartGeneratorSettings settings);
