#pragma once

// Results, overall standings and split times as PDF tables. Every caption and status word goes
// through `localized`. The documents draw groups and rows in the order given, numbered 1, 2, 3.

#include "pdftablerenderer.h"
#include "resultgroups.h"

#include <optional>

[[nodiscard]] PdfExportResult renderResultsPDF(const Race &race, const QList<ResultGroup> &groups,
    const std::optional<QString> &stageLabel, const QString &path);
[[nodiscard]] PdfExportResult renderOverallStandingsPDF(
    const Race &race, const QList<StandingsGroup> &groups, const QString &path);
// A4 landscape: per runner and block of up to 12 controls, three rows (codes, elapsed, legs).
[[nodiscard]] PdfExportResult renderSplitTimesPDF(const Race &race, const QList<ResultGroup> &groups,
    const std::optional<QString> &stageLabel, const QString &path);

// Given and family name of the result's runner, trimmed; "Unknown" when the runner is gone.
[[nodiscard]] QString resultParticipantName(const Race &race, const PersonResult &result);
// The result's verdict (resultVerdict) in its localised word, as the screens say it; empty where
// the verdict has none.
[[nodiscard]] QString resultStatusText(const Race &race, const PersonResult &result);
// Same rule as the receipt's duration text; "—" for a value that is not a finite duration.
[[nodiscard]] QString formatDurationForPDF(double seconds);
