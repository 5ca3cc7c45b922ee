#pragma once

// One card read-out becomes the runner's result for the active stage.
//
// These are the store's operations with everything but the side effects: the caller publishes the
// race, autosaves when told to, and on a slave station submits an appended result to the master.

#include "race.h"
#include "recordingindex.h"

struct CardRecording
{
    // The appended result, or the stored one when the read repeats it; absent when no runner
    // holds the card.
    std::optional<PersonResult> result;
    // A new result was appended (only then may it be submitted to a master).
    bool appended = false;
    // The store must autosave: after an append and after a repeated read.
    bool save = false;
};

// Records one read-out. `readAt` is the time the result is built ("now"); the check punch time
// plays no part. Results are only ever appended: a read repeating the runner's last result for the
// stage (same finish time, same number of splits) appends nothing. `index`, when given, is in step
// with `race` and is kept so; without one the look-ups build their own.
[[nodiscard]] CardRecording recordCardReading(Race &race, const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime,
    const QDateTime &readAt, RecordingIndex *index = nullptr);

// Evaluates a stored result again from its own punches against the course its `courseId` names
// (set by the caller), keeping its start time, override and identity, and puts it back in place.
// Returns whether a result was replaced (the store then autosaves).
[[nodiscard]] bool reevaluateResult(Race &race, const PersonResult &edited);
