#pragma once

// Guards against punches left on a card that was not cleared before this run. They run in the
// order filterStalePunches, applyCoverageFallback, dropLeadingStalePunches; each returns a new list
// that keeps the order of the punches it keeps, and logs what it drops ("SI: ...").

#include "race.h"

// A course's control codes in ascending `order`; equal orders keep their stored order.
[[nodiscard]] QList<qint64> courseSequence(const Course &course);

// Length of the longest common subsequence (0 when either list is empty). Two-row dynamic
// programme: linear memory, |a| x |b| time.
[[nodiscard]] qsizetype lcsLength(const QList<qint64> &a, const QList<qint64> &b);

// Drops every punch earlier than the card's start punch time. Keeps the input when that would
// drop everything (the start time itself is then the odd one out).
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

// How dates appear in the stale-punch log lines: UTC, "yyyy-MM-dd HH:mm:ss +0000".
[[nodiscard]] QString logDate(const QDateTime &date);
