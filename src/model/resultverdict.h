#pragma once

// What a result came to, decided once for every screen, paper and upload that shows it: the
// reader pane, the results list, the receipt, the result and split-time PDFs, the IOF result lists,
// LiveResultat and Metsä. Each says the verdict in its own vocabulary (a word of the text tables,
// an IOF ResultStatus, a LiveResultat status code) and none works out a status of its own, so
// that no runner is "MISPUNCH" on screen and something else on paper.

#include "race.h"

#include <QString>

enum class ResultVerdict {
    // No course to judge the run by (and no hold for review or override).
    None,
    Completed,
    // Every control in order and a finish, but nothing to time the run from: no start punch and
    // no start time for the runner on that stage. No time and no place; not a DNF either, since
    // the runner finished. The time follows once the runner is given a start time. On a score
    // course: points and a finish without a start, not yet judged against the time limit.
    NoStartTime,
    // Controls missing, or the organiser forced the result not completed.
    Mispunch,
    // No finish, so no time.
    DidNotFinish,
    // The evaluation could not settle the card (a note for the organiser, or a finish before the
    // start); the organiser decides.
    UnderReview,
    // A score course run judged by its time limit.
    InTime,
    OverTime,
    // A score course run without a time-limit verdict (the course sets no limit): it ranks by its
    // points and needs no word.
    Scored,
};

// On any course an organiser's override to not completed decides first. A score course is then
// held for review as any other (a note, or a finish before the start), else judged by its time
// limit alone (without a verdict of it, a finish without a start and no override is no start
// time). Any other run, with a course or without one: a forced completion; a note left by the
// evaluation or a finish before the start (held for review); without a course nothing more;
// missed controls; a missing finish (did not finish); a finish without a start (no start time);
// else the evaluation's completion.
[[nodiscard]] ResultVerdict resultVerdict(const PersonResult &result, bool scoreCourse);
// Held for someone to look at the card: no override, and a note the evaluation left or a finish
// before the start. A run so held is not completed, whatever an older version stored.
[[nodiscard]] bool heldForReview(const PersonResult &result);
// Completed as a place is given: the stored completion, unless the run is held for review.
[[nodiscard]] bool countsCompleted(const PersonResult &result);
// The same, the result's course looked up in `race` (isScoreResult's rule).
[[nodiscard]] ResultVerdict resultVerdict(const Race &race, const PersonResult &result);
// Whether a stage result adds to a runner's overall standing: on a score course a finished run
// judged in time or over time (or, where the course sets no limit, one with a finish or forced
// completed), neither held for review nor forced not completed; on any other course a completed
// one (countsCompleted).
[[nodiscard]] bool countsForStandings(const PersonResult &result, bool scoreCourse);

// Why a stage keeps a runner from an overall place, the stage's counting result (null: none) and the
// runner's mark on it known: the mark first (the organiser's decision stands, whatever was read,
// a run over time too); else a result forced not completed, missed controls, a hold for review, no
// start time, no finish (a score run without one too) or over time say so; else, without a result,
// did not finish.
[[nodiscard]] OverallStatus stageOverallStatus(
    const PersonResult *result, bool scoreCourse, const std::optional<ParticipantStatus> &mark);
// The overall status's word as a key of the text tables: "ALL STAGES" for a placed runner, else
// that of the stage's verdict or mark ("MISPUNCH" also for a result forced not completed, "DID NOT
// START", "DID NOT FINISH", ...), "INCOMPLETE" for `Unplaced`.
[[nodiscard]] QString overallStatusKey(OverallStatus status);

// A did-not-start or did-not-finish mark's word as a key of the text tables: "DID NOT START",
// "DID NOT FINISH".
[[nodiscard]] QString markKey(ParticipantStatus status);

// The verdict's word as a key of the text tables: "COMPLETED", "NO START TIME", "MISPUNCH",
// "DID NOT FINISH", "FOR REVIEW", "IN TIME", "OVERTIME"; empty for `None` and `Scored`. Shown
// through `localized` on screen and in the PDFs, as it is on the receipt (fixed English).
[[nodiscard]] QString verdictKey(ResultVerdict verdict);
// Every word verdictKey gives, for the table checks.
[[nodiscard]] QStringList verdictKeys();
// Shown in green: a completed run or a score run within its limit.
[[nodiscard]] bool verdictIsGood(ResultVerdict verdict);
