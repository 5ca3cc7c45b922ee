#pragma once

// A participant's class, course and scheduled start for the active stage. The store's six
// per-stage operations are thin wrappers around these; they read nothing of the race but
// `activeStageId`, and they never save.

#include "race.h"

[[nodiscard]] std::optional<QDateTime> scheduledStartTime(const Race &race, const Participant &p);
[[nodiscard]] std::optional<QString> effectiveClassId(const Race &race, const Participant &p);
[[nodiscard]] std::optional<QString> effectiveCourseId(const Race &race, const Participant &p);
[[nodiscard]] std::optional<StartTimePreference> effectiveStartTimePreference(
    const Race &race, const Participant &p);

// `index` must lie within race.participants. An absent value clears: the base field when no stage
// is active, else only the active stage's entry (an emptied map stays present).
void setStartTime(Race &race, const std::optional<QDateTime> &value, qsizetype index);
void setClassId(Race &race, const std::optional<QString> &value, qsizetype index);
void setCourseId(Race &race, const std::optional<QString> &value, qsizetype index);
void setStartTimePreference(Race &race, const std::optional<StartTimePreference> &value, qsizetype index);
