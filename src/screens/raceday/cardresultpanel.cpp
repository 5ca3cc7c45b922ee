#include "cardresultpanel.h"

#include "documenttext.h"
#include "localization.h"
#include "racedayresults.h"
#include "resultgroups.h"

namespace {

const QString keyClass = QStringLiteral("Class: %@");
const QString keyTotalTime = QStringLiteral("Total time: %@");
const QString keyTotalTimeMissing = QStringLiteral("Total time: —");
const QString keyScore = QStringLiteral("Score: %@ pts");
const QString keyScoreMissing = QStringLiteral("Score: —");
const QString keyOvertime = QStringLiteral("(-%@ overtime)");
const QString keyMissing = QStringLiteral("Missing controls: %@");
const QString keyFooter = QStringLiteral("See Results tab for full split times");
const QString keyUnknownRunner = QStringLiteral("Unknown runner");
const QString keyPoints = QStringLiteral("%@ pts");

const QString keyRepeat = QStringLiteral("Read again: this card was already read at %@");

QString runnerName(const Participant *p)
{
    return p ? personDisplayName(p->givenName, p->familyName) : QString();
}

} // namespace

QVariantMap CardResultPanel::toVariantMap() const
{
    return {
        {QStringLiteral("runnerName"), runnerName},
        {QStringLiteral("classText"), classText},
        {QStringLiteral("rogaining"), rogaining},
        {QStringLiteral("valueText"), valueText},
        {QStringLiteral("valueMissing"), valueMissing},
        {QStringLiteral("penaltyText"), penaltyText},
        {QStringLiteral("verdictText"), verdictText},
        {QStringLiteral("verdictGood"), verdictGood},
        {QStringLiteral("missingText"), missingText},
        {QStringLiteral("repeatText"), repeatText},
        {QStringLiteral("footerText"), footerText},
    };
}

ResultVerdict resultVerdict(const Race &race, const PersonResult &result)
{
    if (isRogainingResult(race, result)) {
        if (!result.withinTimeLimit)
            return ResultVerdict::None;
        return *result.withinTimeLimit ? ResultVerdict::InTime : ResultVerdict::OverTime;
    }
    if (!result.courseId)
        return ResultVerdict::None;
    if (result.completedOverride)
        return *result.completedOverride ? ResultVerdict::Completed : ResultVerdict::Mispunch;
    // No time and no verdict until someone has looked at the card.
    if (finishesBeforeStart(result) || (result.overrideNote && !result.overrideNote->isEmpty()))
        return ResultVerdict::UnderReview;
    // Missed controls decide over a missing finish: the run could not count either way.
    if (!result.completed && !missingControls(result).isEmpty())
        return ResultVerdict::Mispunch;
    if (!result.raceTime)
        return ResultVerdict::DidNotFinish;
    return result.completed ? ResultVerdict::Completed : ResultVerdict::Mispunch;
}

QString verdictKey(ResultVerdict verdict)
{
    switch (verdict) {
    case ResultVerdict::Completed:
        return QStringLiteral("COMPLETED");
    case ResultVerdict::Mispunch:
        return QStringLiteral("MISPUNCH");
    case ResultVerdict::DidNotFinish:
        return QStringLiteral("DID NOT FINISH");
    case ResultVerdict::UnderReview:
        return QStringLiteral("FOR REVIEW");
    case ResultVerdict::InTime:
        return QStringLiteral("IN TIME");
    case ResultVerdict::OverTime:
        return QStringLiteral("OVERTIME");
    case ResultVerdict::None:
        break;
    }
    return {};
}

bool verdictIsGood(ResultVerdict verdict)
{
    return verdict == ResultVerdict::Completed || verdict == ResultVerdict::InTime;
}

const PersonResult *earlierReadOf(const Race &race, const PersonResult &result)
{
    const PersonResult *earlier = nullptr;
    for (const PersonResult &other : race.results) {
        if (&other == &result || other.id == result.id || other.cardNumber != result.cardNumber
            || other.stageId != result.stageId || other.readAt >= result.readAt)
            continue;
        if (!earlier || other.readAt > earlier->readAt)
            earlier = &other;
    }
    return earlier;
}

QString repeatReadText(const QDateTime &earlierReadAt)
{
    return localized(keyRepeat, earlierReadAt.toLocalTime().toString(QStringLiteral("HH:mm:ss")));
}

CardResultPanel cardResultPanel(const Race &race, const PersonResult &result)
{
    CardResultPanel panel;
    const Participant *p = participantOfResult(race, result);
    panel.runnerName = p ? runnerName(p) : localized(keyUnknownRunner);
    if (const RaceClass *c = classOfResult(race, result))
        panel.classText = localized(keyClass, c->name);
    panel.rogaining = isRogainingResult(race, result);
    if (panel.rogaining) {
        if (result.score) {
            panel.valueText = localized(keyScore, *result.score);
            if (result.overtimePenalty && *result.overtimePenalty > 0)
                panel.penaltyText = localized(keyOvertime, *result.overtimePenalty);
        } else {
            panel.valueText = localized(keyScoreMissing);
            panel.valueMissing = true;
        }
    } else {
        if (result.raceTime && !finishesBeforeStart(result)) {
            panel.valueText = localized(keyTotalTime, formatElapsed(*result.raceTime));
        } else {
            panel.valueText = localized(keyTotalTimeMissing);
            panel.valueMissing = true;
        }
    }
    // A course id that names no course still gets its verdict: the result was judged.
    const ResultVerdict verdict = resultVerdict(race, result);
    if (verdict != ResultVerdict::None) {
        panel.verdictGood = verdictIsGood(verdict);
        panel.verdictText = localized(verdictKey(verdict));
    }
    const QList<qint64> missing = missingControls(result);
    if (!missing.isEmpty()) {
        QStringList codes;
        for (qint64 code : missing)
            codes.append(QString::number(code));
        panel.missingText = localized(keyMissing, codes.join(QStringLiteral(", ")));
    }
    if (const PersonResult *earlier = earlierReadOf(race, result))
        panel.repeatText = repeatReadText(earlier->readAt);
    panel.footerText = localized(keyFooter);
    return panel;
}

RecentResultRow recentResultRow(const Race &race, const PersonResult &result)
{
    RecentResultRow row;
    const Participant *p = participantOfResult(race, result);
    row.runnerName = p ? runnerName(p) : QStringLiteral("Unknown");
    if (isRogainingResult(race, result)) {
        if (result.score)
            row.valueText = localized(keyPoints, *result.score);
    } else if (result.raceTime && !finishesBeforeStart(result)) {
        row.valueText = formatElapsed(*result.raceTime);
    }
    if (row.valueText.isEmpty()) {
        row.valueText = QStringLiteral("—");
        row.valueMissing = true;
    }
    // Only what went wrong is said here; a clean run shows its time alone.
    if (const ResultVerdict verdict = resultVerdict(race, result);
        verdict != ResultVerdict::None && !verdictIsGood(verdict))
        row.statusText = localized(verdictKey(verdict));
    row.repeatRead = earlierReadOf(race, result) != nullptr;
    return row;
}

QStringList raceDayTextKeys()
{
    return {keyClass, keyTotalTime, keyTotalTimeMissing, keyScore, keyScoreMissing, keyOvertime, keyMissing,
        keyFooter, keyUnknownRunner, keyPoints, QStringLiteral("IN TIME"), QStringLiteral("OVERTIME"),
        QStringLiteral("COMPLETED"), keyRepeat, QStringLiteral("MISPUNCH"), QStringLiteral("DID NOT FINISH"),
        QStringLiteral("FOR REVIEW"), QStringLiteral("Read again"),
        // The station line of the reader pane.
        QStringLiteral("Could not connect to the station: %@"), QStringLiteral("No SportIdent reader found"),
        QStringLiteral("The station was disconnected. No cards are read until it is back: plug it in again, "
                       "then choose Refresh Ports or Connect."),
        QStringLiteral(
            "The station was lost (%@). No cards are read until it is back: plug it in again, then "
            "choose Refresh Ports or Connect."),
        // The desk's status block.
        QStringLiteral("Reading card %@..."), QStringLiteral("Card Number: %@"),
        QStringLiteral("Card %@ was not read out: the station is disconnected"),
        // The reader pane's printer and port texts.
        QStringLiteral("SportIdent Reader (USB)"), QStringLiteral("System default"),
        QStringLiteral("Automatic (on read)"), QStringLiteral("Manual"), QStringLiteral("Printer: %@ · %@"),
        QStringLiteral("Printer not found"), QStringLiteral("No default printer"),
        QStringLiteral("Printing failed"), QStringLiteral("Last receipt not printed on %@: %@"),
        // Chosen in the port rows by state.
        QStringLiteral("Connected"), QStringLiteral("Disconnected"), QStringLiteral("Connect"),
        QStringLiteral("Disconnect")};
}
