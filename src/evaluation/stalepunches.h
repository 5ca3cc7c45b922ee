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

// Returns the unfiltered punches when the time filter made them cover less of a sequential
// course (the card start time is then stale); otherwise the filtered ones.
[[nodiscard]] QList<SIPunch> applyCoverageFallback(
    const QList<SIPunch> &unfiltered, const QList<SIPunch> &filtered, const std::optional<Course> &course);

// Matches a sequential course backwards from the last punch and drops the punches ahead of the
// most recent run when at least half of the course was matched that way.
[[nodiscard]] QList<SIPunch> dropLeadingStalePunches(
    const QList<SIPunch> &punches, const std::optional<Course> &course);

// How dates appear in the stale-punch log lines: UTC, "yyyy-MM-dd HH:mm:ss +0000".
[[nodiscard]] QString logDate(const QDateTime &date);
