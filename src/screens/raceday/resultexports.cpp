#include "resultexports.h"

#include "racelookup.h"

#include "atomicfile.h"
#include "iofresultlistwriter.h"
#include "localization.h"
#include "messagetext.h"
#include "resultpdfs.h"

#include <QFileInfo>

namespace {

bool splitsKind(ResultExportKind kind)
{
    return kind == ResultExportKind::SplitsXML || kind == ResultExportKind::SplitsPDF;
}

ResultExportOutcome failure(const QString &reason)
{
    return {false, localized(QStringLiteral("Export failed: ")) + localizedMessage(reason)};
}

} // namespace

bool resultExportEnabled(ResultExportKind kind, const ResultFilter &filter)
{
    return !(filter.showsOverall() && splitsKind(kind));
}

QString suggestedExportFileName(ResultExportKind kind, const Race &race, const ResultFilter &filter)
{
    const bool pdf = kind == ResultExportKind::ResultsPDF || kind == ResultExportKind::SplitsPDF;
    QString suffix = QStringLiteral("-results");
    if (splitsKind(kind))
        suffix = QStringLiteral("-splits");
    else if (filter.showsOverall())
        suffix = QStringLiteral("-overall");
    // One stage's results name the stage, so day 2's file does not replace day 1's.
    if (!filter.showsOverall() && !filter.stageId.isEmpty())
        suffix += stageFileNamePart(race, filter.stageId);
    return race.name + suffix + (pdf ? QStringLiteral(".pdf") : QStringLiteral(".xml"));
}

ResultExportOutcome exportResults(
    ResultExportKind kind, const Race &race, const ResultFilter &filter, const QString &path)
{
    if (path.isEmpty())
        return failure(localized(QStringLiteral("No file was chosen.")));
    // A split-times document of the overall standings would quietly hold every stage's splits at
    // once; the screen offers no such export, so a caller asking for it gets a refusal.
    if (!resultExportEnabled(kind, filter))
        return failure(localized(QStringLiteral("Split times are not available for the overall standings.")));

    const bool overall = filter.showsOverall();
    if (kind == ResultExportKind::ResultsXML || kind == ResultExportKind::SplitsXML) {
        QByteArray xml;
        if (kind == ResultExportKind::SplitsXML)
            xml = writeIOFResultListWithSplitsXML(race, toResultGroups(resultsForClass(race, filter)));
        else if (overall)
            xml = writeIOFOverallResultListXML(race, toStandingsGroups(overallStandings(race, filter)));
        else
            xml = writeIOFResultListXML(race, toResultGroups(resultsForClass(race, filter)));
        QString error;
        if (!writeFileAtomically(path, xml, &error))
            return failure(error);
        return {true, {}};
    }

    PdfExportResult written;
    if (kind == ResultExportKind::SplitsPDF)
        written = renderSplitTimesPDF(
            race, toResultGroups(resultsForClass(race, filter)), selectedStageName(race, filter), path);
    else if (overall)
        written = renderOverallStandingsPDF(race, toStandingsGroups(overallStandings(race, filter)), path);
    else
        written = renderResultsPDF(
            race, toResultGroups(resultsForClass(race, filter)), selectedStageName(race, filter), path);
    if (!written.ok)
        return failure(written.error);
    // The renderer commits its file as it finishes; anything but a file in place is no success.
    if (!QFileInfo(path).isFile())
        return failure(localized(QStringLiteral("The file was not written.")));
    return {true, {}};
}
