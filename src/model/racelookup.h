#pragma once

// First-match look-ups by id, shared by every part that reads the document. Text ids compare by
// canonical equivalence (sameId); an absent id finds nothing.

#include "race.h"

[[nodiscard]] const RaceClass *findClass(const Race &race, const std::optional<QString> &classId);
[[nodiscard]] const Course *findCourse(const Race &race, const std::optional<QString> &courseId);
[[nodiscard]] const Participant *findParticipant(const Race &race, const QUuid &participantId);
