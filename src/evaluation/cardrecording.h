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
    // The store must autosave: after an append, after a repeated read and after a card nobody
    // holds was kept.
    bool save = false;
    // A card nobody holds: the kept read (appended now, or kept by an earlier read of the same
    // read-out); none for a blank card number.
    std::optional<QUuid> unknownCard;
    bool unknownCardAppended = false;
    // The kept reads of this same read-out that the recorded result has settled (removed).
    QList<QUuid> settledUnknownCards;
    // The runner was marked as not started on the stage: the read removed that mark (the entry
    // changed). A did-not-finish mark stays: it is the organiser's to clear.
    bool clearedNotStarted = false;
};

// Records one read-out. A read-out nobody holds is kept in `race.unknownCards` (once: the same
// read-out again keeps nothing more) until a later recording of it under a runner settles it, or it
// is dismissed. `readAt` is the time the result is built ("now"); the check punch time
// plays no part. Results are only ever appended: a read repeating the runner's last result for the
// stage (same finish time, same number of splits) appends nothing. A runner marked as not started
// on the stage loses that mark with any read of it, a repeated one too. `index`, when given, is in step
// with `race` and is kept so; without one the look-ups build their own.
[[nodiscard]] CardRecording recordCardReading(Race &race, const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime,
    const QDateTime &readAt, RecordingIndex *index = nullptr);

// Evaluates a stored result again from its own punches against the course its `courseId` names
// (set by the caller), keeping its start time, override and identity, and puts it back in place.
// A result without a start takes the one its runner's start rule gives now (a planned start, or in
// a start-punch class the card's start record). Returns whether a result was replaced (the store
// then autosaves).
[[nodiscard]] bool reevaluateResult(Race &race, const PersonResult &edited);

// A stored result evaluated again: its place in race.results and the result as it is now.
struct MovedResult
{
    qsizetype index = -1;
    PersonResult result;
};
// After runners' start times, classes or own courses changed from `before` to `race`: each result on a stage
// whose start the change moved (set, changed or cleared) evaluated again as reevaluateResult does,
// with the runner's new start (none: in a start-punch class the card's start record, as recording takes
// it), unless its start came from the card's start record; in list order. A result read before
// its runner's class or own course on its stage changed is evaluated as a card read now: the
// course chosen now (failing that, the class's candidate its punches clearly fit) and the
// start its start rule gives. Reads only the start and class fields of unmoved runners and the
// runner ids of the results.
[[nodiscard]] QList<MovedResult> resultsMovedByRunners(const Race &before, const Race &race);
// After classes' course set-up changed from `before` to `race`: each result whose runner's class on
// its stage now gives another course there, or other courses to match among (its mode, family or
// list of courses changed, or the class is gone), evaluated as a card read now in that class, as
// resultsMovedByRunners evaluates a runner moved to another class; only those whose verdict
// changes, in list order.
[[nodiscard]] QList<MovedResult> resultsMovedByClasses(const Race &before, const Race &race);
// A result another station evaluated, now at `index` of race.results: unless its start is a
// start-punch class's start from the card's start record, it takes its runner's planned start on
// its stage as this race holds it (none: in a start-punch class the card's start record), and is
// evaluated again as reevaluateResult does when that
// differs. Whether it changed.
bool followPlannedStart(Race &race, qsizetype index);

// Whether the note is one the evaluation writes for the organiser (not an organiser's reason).
[[nodiscard]] bool isReviewNote(const std::optional<QString> &note);
// The note the evaluation gives the stored result as it stands (none when its verdict stands on
// its own): what holds it for review while no override is set.
[[nodiscard]] std::optional<QString> evaluationReviewNote(const Race &race, const PersonResult &result);

// The kept read-out with the id; null when there is none.
[[nodiscard]] const UnknownCard *findUnknownCard(const Race &race, const QUuid &id);
// Removes the kept read-out (the list goes back to absent once empty); whether one was removed.
[[nodiscard]] bool removeUnknownCard(Race &race, QUuid id);
// Whether the kept read holds this read-out: the same card number, stage, card start and finish
// times and punches.
[[nodiscard]] bool holdsReadOut(const UnknownCard &card, const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &startPunchTime,
    const std::optional<QDateTime> &finishPunchTime, const std::optional<QString> &stageId);
