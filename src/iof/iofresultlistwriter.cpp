#include "iofresultlistwriter.h"

#include "documenttext.h"
#include "racelookup.h"

namespace iofwrite {

// Written straight into the document: a temporary per line would be allocated and freed once for
// every element of every runner.
void line(QString &out, int indent, const QString &text)
{
    out.resize(out.size() + indent, QLatin1Char(' '));
    out += text;
    out += QLatin1Char('\n');
}

void element(QString &out, int indent, const char *name, const QString &value)
{
    const QLatin1StringView tag(name);
    out.resize(out.size() + indent, QLatin1Char(' '));
    out += QLatin1Char('<');
    out += tag;
    out += QLatin1Char('>');
    out += value;
    out += QLatin1StringView("</");
    out += tag;
    out += QLatin1StringView(">\n");
}

void organisation(QString &out, int indent, const std::optional<QString> &club)
{
    // Result services read the club from the person's Organisation; a runner without one has none.
    if (!club || club->trimmed().isEmpty())
        return;
    line(out, indent, QStringLiteral("<Organisation>"));
    element(out, indent + 2, "Name", escapeXmlText(club->trimmed()));
    line(out, indent, QStringLiteral("</Organisation>"));
}

void personOpen(QString &out, const QString &family, const QString &given, const std::optional<QString> &club)
{
    line(out, 4, QStringLiteral("<PersonResult>"));
    line(out, 6, QStringLiteral("<Person>"));
    line(out, 8, QStringLiteral("<Name>"));
    element(out, 10, "Family", escapeXmlText(family));
    element(out, 10, "Given", escapeXmlText(given));
    line(out, 8, QStringLiteral("</Name>"));
    line(out, 6, QStringLiteral("</Person>"));
    organisation(out, 6, club);
    line(out, 6, QStringLiteral("<Result>"));
}

void personClose(QString &out)
{
    line(out, 6, QStringLiteral("</Result>"));
    line(out, 4, QStringLiteral("</PersonResult>"));
}

} // namespace iofwrite

namespace {

using namespace iofwrite;

enum class Kind { Summary, Splits, Overall };

void head(QString &out, const Race &race, bool overall)
{
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    out += QStringLiteral("<ResultList iofVersion=\"3.0\" xmlns=\"%1\">\n").arg(QLatin1String(iofNamespace));
    line(out, 2, QStringLiteral("<Event>"));
    element(out, 4, "Name", escapeXmlText(race.name) + (overall ? QStringLiteral(" - Overall") : QString()));
    line(out, 2, QStringLiteral("</Event>"));
}

void classOpen(QString &out, const QString &label)
{
    line(out, 2, QStringLiteral("<ClassResult>"));
    line(out, 4, QStringLiteral("<Class>"));
    element(out, 6, "Name", escapeXmlText(label));
    line(out, 4, QStringLiteral("</Class>"));
}

void splitTimes(QString &out, const PersonResult &result)
{
    for (const SplitTime &split : result.splits) {
        // Only the exceptions carry a status; "OK" is the schema's default.
        switch (split.status) {
        case SplitStatus::Missing:
            line(out, 8, QStringLiteral("<SplitTime status=\"Missing\">"));
            break;
        case SplitStatus::Additional:
            line(out, 8, QStringLiteral("<SplitTime status=\"Additional\">"));
            break;
        case SplitStatus::Ok:
        case SplitStatus::VisitedNoTime:
            line(out, 8, QStringLiteral("<SplitTime>"));
            break;
        }
        element(out, 10, "ControlCode", QString::number(split.controlCode));
        // A punch without a usable time has no Time element.
        if (split.status == SplitStatus::Ok || split.status == SplitStatus::Additional) {
            if (split.elapsedFromStart) {
                if (const auto s = truncatedSeconds(*split.elapsedFromStart))
                    element(out, 10, "Time", QString::number(*s));
            }
        }
        line(out, 8, QStringLiteral("</SplitTime>"));
    }
}

QString stageDocument(const Race &race, const QList<ResultGroup> &groups, Kind kind)
{
    QString out;
    qsizetype rows = 0;
    for (const ResultGroup &g : groups)
        rows += g.results.size();
    out.reserve(512 + rows * (kind == Kind::Splits ? 2600 : 600));
    head(out, race, false);
    const ParticipantLookup participants(race);
    for (const ResultGroup &group : groups) {
        classOpen(out, group.classLabel);
        for (qsizetype row = 0; row < group.results.size(); ++row) {
            const PersonResult &result = group.results.at(row);
            const Participant *runner = participants.find(result.participantId);
            personOpen(out, runner ? runner->familyName : QString(), runner ? runner->givenName : QString(),
                runner ? runner->club : std::nullopt);
            if (kind == Kind::Summary) {
                if (result.startTime) {
                    if (const auto t = iofDateTime(*result.startTime))
                        element(out, 8, "StartTime", *t);
                }
                if (result.finishTime) {
                    if (const auto t = iofDateTime(*result.finishTime))
                        element(out, 8, "FinishTime", *t);
                }
                if (result.raceTime) {
                    if (const auto s = truncatedSeconds(*result.raceTime))
                        element(out, 8, "Time", QString::number(*s));
                }
                if (const auto place = placeOfRow(group.places, row))
                    element(out, 8, "Position", QString::number(*place));
                element(out, 8, "Status", iofResultStatus(race, result));
                if (result.score)
                    element(out, 8, "Score", QString::number(*result.score));
            } else {
                element(out, 8, "Status", iofResultStatus(race, result));
                splitTimes(out, result);
            }
            element(out, 8, "ControlCard", escapeXmlText(result.cardNumber));
            personClose(out);
        }
        line(out, 2, QStringLiteral("</ClassResult>"));
    }
    out += QStringLiteral("</ResultList>\n");
    return out;
}

} // namespace

QString iofResultStatus(const Race &race, const PersonResult &result)
{
    if (result.completedOverride)
        return *result.completedOverride ? QStringLiteral("OK") : QStringLiteral("MissingPunch");
    if (isScoreResult(race, result))
        return result.withinTimeLimit.value_or(true) ? QStringLiteral("OK") : QStringLiteral("OverTime");
    return result.completed ? QStringLiteral("OK") : QStringLiteral("MissingPunch");
}

QString writeIOFResultListXML(const Race &race, const QList<ResultGroup> &groups)
{
    return stageDocument(race, groups, Kind::Summary);
}

QString writeIOFResultListWithSplitsXML(const Race &race, const QList<ResultGroup> &groups)
{
    return stageDocument(race, groups, Kind::Splits);
}

QString writeIOFOverallResultListXML(const Race &race, const QList<StandingsGroup> &groups)
{
    QString out;
    head(out, race, true);
    for (const StandingsGroup &group : groups) {
        classOpen(out, group.classLabel);
        for (qsizetype index = 0; index < group.rows.size(); ++index) {
            const StandingsRow &row = group.rows.at(index);
            personOpen(out, row.participant.familyName, row.participant.givenName, row.participant.club);
            if (row.totalTime) {
                if (const auto s = truncatedSeconds(*row.totalTime))
                    element(out, 8, "Time", QString::number(*s));
            }
            if (const auto place = placeOfRow(group.places, index))
                element(out, 8, "Position", QString::number(*place));
            // Not having completed every stage is, in the schema's words, not having finished.
            element(out, 8, "Status",
                row.completedAllStages ? QStringLiteral("OK") : QStringLiteral("DidNotFinish"));
            personClose(out);
        }
        line(out, 2, QStringLiteral("</ClassResult>"));
    }
    out += QStringLiteral("</ResultList>\n");
    return out;
}
