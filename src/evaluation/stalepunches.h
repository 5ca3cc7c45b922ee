#pragma once

// Guards against punches left on a card that was not cleared before this run, and the judgements
// about earlier runs that follow from them. Card recording and re-evaluation run the guards once per
// card, as one pipeline: separateRuns (time filter, coverage fallback, cut at a step back of the
// clock), then, once the course is known, runOfCourse (the backward match). Each guard returns a new
// list that keeps the order of the punches it keeps, and logs what it drops ("SI: ..."). An earlier
// run is told from today's by the times of its punches; a punch without a time stays with the run
// its place on the card puts it in.

#include "race.h"

// Length of the longest common subsequence (0 when either list is empty). Two-row dynamic
// programme: linear memory, |a| x |b| time.
[[nodiscard]] qsizetype lcsLength(const QList<qint64> &a, const QList<qint64> &b);

// Drops every punch earlier than the card's start punch time; a punch without a time goes with the
// next timed punch on the card (with the last one when none follows). Keeps the input when that
// would drop everything (the start time itself is then the odd one out).
[[nodiscard]] QList<SIPunch> filterStalePunches(
    const QList<SIPunch> &punches, const std::optional<QDateTime> &cardStartTime);

// Returns the filtered punches when the time filter cut off only a leading part of the card (the
// start punch is today's); the unfiltered ones when it dropped punches recorded after kept ones
// (the card start time is left from an earlier run). The course only shapes the log line.
[[nodiscard]] QList<SIPunch> applyCoverageFallback(
    const QList<SIPunch> &unfiltered, const QList<SIPunch> &filtered, const std::optional<Course> &course);

// Drops the punches ahead of the last place where the card's clock runs backwards (an earlier
// run recorded later on the clock than today's); a step back of over half a day counts as midnight.
[[nodiscard]] QList<SIPunch> dropRunsBeforeClockReversal(const QList<SIPunch> &punches);

// Index where the latest in-order pass through the whole sequence starts, or absent when the codes
// hold no complete pass.
[[nodiscard]] std::optional<qsizetype> latestCompleteRunStart(
    const QList<qint64> &sequence, const QList<qint64> &codes);

[[nodiscard]] QList<qint64> punchCodes(const QList<SIPunch> &punches);

// Matches a sequential course backwards from the last punch and drops the punches ahead of the
// most recent run when at least half of the course was matched that way.
[[nodiscard]] QList<SIPunch> dropLeadingStalePunches(
    const QList<SIPunch> &punches, const std::optional<Course> &course);

// Today's run on a card and what lies ahead of it, worked out once per card by the guards in their
// order. Each list is a trailing part of the one before it, so what a later guard cut lies ahead of
// the run in card order, and each guard logs once.
struct CardRuns
{
    // Every punch of the card, in card order.
    QList<SIPunch> card;
    // The time filter against the card's start record.
    QList<SIPunch> filtered;
    // The time filter, undone when the start record is older than the run (coverage fallback).
    QList<SIPunch> covered;
    // `covered` from the last step back of the card's clock on. It does not depend on the course,
    // so the course match reads the same run as the evaluation.
    QList<SIPunch> latest;
    // `latest` without the punches ahead of the course's most recent run: what is evaluated.
    QList<SIPunch> run;

    // The punches ahead of today's run.
    [[nodiscard]] QList<SIPunch> ahead() const { return card.first(card.size() - run.size()); }
};

// The time filter, the coverage fallback and the cut at a step back of the clock; `run` is `latest`
// until runOfCourse() is applied. `course` is the assigned one (it only shapes a log line).
[[nodiscard]] CardRuns separateRuns(const QList<SIPunch> &card, const std::optional<QDateTime> &cardStartTime,
    const std::optional<Course> &course);

// Cuts `latest` to the course's most recent run (dropLeadingStalePunches) once the course is known.
void runOfCourse(CardRuns &runs, const std::optional<Course> &course);

// Whether a start taken from the card's start record may be an earlier run's. Punches ahead of
// today's run are an earlier run only by their times: at least two of them lie between the start
// record and today's first timed punch, and the card's clock shows a break after two or more of
// them (before today's first punch or before a later one of those ahead) longer than any leg of
// today's run (up to `finish`, when given). Punches with no such break are today's own extra
// punches, whatever they are.
[[nodiscard]] bool startRecordDoubtful(
    const CardRuns &runs, const QDateTime &start, const std::optional<QDateTime> &finish);

// A completed sequential run that runs the course again over controls it had already passed (between
// two of its controls or after its last: from the first control on to a later one, or along one of
// the course's legs) rests on two runs of the card: an earlier run's punches ahead, today's restart
// after them. Going back to controls out of the course's order, however many, and a revisit of a
// single control, the first one included, are a runner's detour, not a restart.
[[nodiscard]] bool holdsAnotherRun(const QList<SplitTime> &splits, const QList<qint64> &sequence);

// A run that is complete only with what lay ahead of a step back of the card's clock, where that part
// holds too little of the course to be a run of its own: a station whose clock is behind may have
// split today's run.
[[nodiscard]] bool clockStepSplitsRun(const CardRuns &runs, const QList<qint64> &sequence);

// How dates appear in the stale-punch log lines: UTC, "yyyy-MM-dd HH:mm:ss +0000".
[[nodiscard]] QString logDate(const QDateTime &date);
