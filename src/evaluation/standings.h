#pragma once

// Overall standings of one class across all stages, computed on demand from the stored results.

#include "race.h"

// Rows of the participants whose base class is `classId`, timed runners first by total time, then
// the others by name. Per stage the runner's result with the latest `readAt` counts; its effective
// status (the override when present) decides completion.
[[nodiscard]] QList<StandingsRow> rankedResults(const Race &race, const QString &classId);
