#pragma once

// The four exports of the results screen: what it shows, as an IOF XML 3.0 result list (with or
// without split times) or as a PDF. With the overall standings shown, the results items write the
// standings and the split items are unavailable. An export succeeds only when its file was
// written in full; any other outcome is a failure with the reason for the organiser.

#include "race.h"
#include "resultselection.h"

#include <QString>

enum class ResultExportKind { ResultsXML, SplitsXML, ResultsPDF, SplitsPDF };

struct ResultExportOutcome
{
    bool ok = false;
    // "Export failed: " and the reason, in the selected language; empty on success.
    QString error;
};

[[nodiscard]] bool resultExportEnabled(ResultExportKind kind, const ResultFilter &filter);
// The race name as it stands plus "-results", "-overall" or "-splits", for one stage of an event of
// several the stage's part (see stageFileNamePart), and the extension.
[[nodiscard]] QString suggestedExportFileName(
    ResultExportKind kind, const Race &race, const ResultFilter &filter);
// Writes the selection of `filter` in `race` to `path` (a local file, replaced atomically).
[[nodiscard]] ResultExportOutcome exportResults(
    ResultExportKind kind, const Race &race, const ResultFilter &filter, const QString &path);
