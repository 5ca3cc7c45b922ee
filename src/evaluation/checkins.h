#pragma once

// Applying the check-in entries of one pull to the event's entries.

#include "checklistentry.h"
#include "race.h"

// Links each entry to a participant (by external id, else an unlinked participant by card number),
// records the check-in time, the `dns` mark (on the active stage; without one, for every stage)
// and a reported new card number beside the entry.
// `now` becomes the check-in time of a runner first seen checked in. Returns whether anything
// changed (the store then autosaves once).
[[nodiscard]] bool applyChecklistCheckins(
    Race &race, const QList<ChecklistEntry> &entries, const QDateTime &now);
