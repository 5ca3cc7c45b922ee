#include "cardresultpanel.h"

#include "documenttext.h"
#include "localization.h"
#include "racedayresults.h"
#include "resultgroups.h"

#include <QHash>

#include <algorithm>

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
    return resultVerdict(result, isRogainingResult(race, result));
}

ResultVerdict resultVerdict(const PersonResult &result, bool rogaining)
{
    if (rogaining) {
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

QList<bool> repeatedReads(const Race &race)
{
    QList<ReadTimeKey> readAt;
    readAt.reserve(race.results.size());
    for (const PersonResult &r : race.results)
        readAt.append(readTimeKey(r.readAt));
    return repeatedReads(race, readAt);
}

namespace {

// A card number as a number when it is one written plainly (digits, no leading zero, up to 18 of
// them): two such texts are the same card exactly when their numbers are equal.
std::optional<qint64> plainCardNumber(const QString &card)
{
    const qsizetype size = card.size();
    if (size == 0 || size > 18 || (size > 1 && card.front() == u'0'))
        return std::nullopt;
    qint64 number = 0;
    for (const QChar c : card) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        number = number * 10 + (c.unicode() - u'0');
    }
    return number;
}

} // namespace

QList<bool> repeatedReads(const Race &race, const QList<ReadTimeKey> &readAt)
{
    // A result has an earlier read exactly when the earliest read of its card and stage with
    // another id than its own came before it: that is the group's earliest read when the ids
    // differ, else the earliest of the group's reads with another id than the earliest's.
    // One pass over the results notes each one's group, id and read time in a compact list; the
    // later passes read that list and the groups, never the results again.
    struct Group
    {
        qint32 stage = 0;
        // The next group of the same card (one per stage it was read in), or -1.
        qint32 nextOfCard = -1;
        QUuid firstId;
        ReadTimeKey firstAt;
        bool anotherId = false;
        ReadTimeKey firstOfAnotherIdAt;
    };
    struct Read
    {
        QUuid id;
        ReadTimeKey at;
        qint32 group = 0;
    };
    const qsizetype count = race.results.size();
    QList<Group> groups;
    groups.reserve(count);
    // Cards by number: a table of numbers answers without reading the texts again. A card written
    // otherwise gets a key below zero, one per text.
    QHash<qint64, qint32> firstGroupOfCard;
    // Mostly one card per entry.
    firstGroupOfCard.reserve(race.participants.size());
    QHash<QString, qint64> otherCards;
    // The stages results are tagged with, by exact id: a handful.
    QList<std::optional<QString>> stages;
    QList<Read> reads(count);
    for (qsizetype i = 0; i < count; ++i) {
        const PersonResult &r = race.results.at(i);
        qint32 stage = 0;
        while (stage < stages.size() && stages.at(stage) != r.stageId)
            ++stage;
        if (stage == stages.size())
            stages.append(r.stageId);
        const ReadTimeKey at = readAt.at(i);
        qint64 card = 0;
        if (const std::optional<qint64> number = plainCardNumber(r.cardNumber)) {
            card = *number;
        } else {
            auto other = otherCards.constFind(r.cardNumber);
            if (other == otherCards.constEnd())
                other = otherCards.insert(r.cardNumber, -1 - otherCards.size());
            card = *other;
        }
        auto it = firstGroupOfCard.constFind(card);
        const bool fresh = it == firstGroupOfCard.constEnd();
        if (fresh)
            it = firstGroupOfCard.insert(card, qint32(groups.size()));
        qint32 g = *it;
        if (!fresh) {
            while (groups.at(g).stage != stage && groups.at(g).nextOfCard >= 0)
                g = groups.at(g).nextOfCard;
        }
        if (fresh || groups.at(g).stage != stage) {
            if (!fresh)
                groups[g].nextOfCard = qint32(groups.size());
            g = qint32(groups.size());
            groups.append(Group {stage, -1, r.id, at, false, {}});
        } else if (at < groups.at(g).firstAt) {
            groups[g].firstId = r.id;
            groups[g].firstAt = at;
        }
        reads[i] = {r.id, at, g};
    }
    for (const Read &read : std::as_const(reads)) {
        Group &group = groups[read.group];
        if (read.id != group.firstId && (!group.anotherId || read.at < group.firstOfAnotherIdAt)) {
            group.anotherId = true;
            group.firstOfAnotherIdAt = read.at;
        }
    }
    QList<bool> repeated;
    repeated.reserve(count);
    for (const Read &read : std::as_const(reads)) {
        const Group &group = groups.at(read.group);
        repeated.append(read.id != group.firstId ? group.firstAt < read.at
                                                 : group.anotherId && group.firstOfAnotherIdAt < read.at);
    }
    return repeated;
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
    return recentResultRow(result, participantOfResult(race, result), courseOfResult(race, result),
        earlierReadOf(race, result) != nullptr);
}

RecentResultFacts recentResultFacts(const PersonResult &result, const Course *course)
{
    RecentResultFacts facts;
    const bool rogaining = course && course->type == CourseType::Rogaining;
    if (rogaining) {
        if (result.score) {
            facts.value = RecentResultFacts::Value::Points;
            facts.points = *result.score;
        }
    } else if (result.raceTime && !finishesBeforeStart(result)) {
        facts.value = RecentResultFacts::Value::Clock;
        facts.seconds = *result.raceTime;
    }
    // Only what went wrong is said here; a clean run shows its time alone.
    if (const ResultVerdict verdict = resultVerdict(result, rogaining);
        verdict != ResultVerdict::None && !verdictIsGood(verdict))
        facts.status = verdict;
    return facts;
}

QString recentValueText(const RecentResultFacts &facts)
{
    switch (facts.value) {
    case RecentResultFacts::Value::Clock:
        return formatElapsed(facts.seconds);
    case RecentResultFacts::Value::Points:
        return localized(keyPoints, facts.points);
    case RecentResultFacts::Value::Missing:
        break;
    }
    return QStringLiteral("—");
}

QString recentStatusText(const RecentResultFacts &facts)
{
    return facts.status == ResultVerdict::None ? QString() : localized(verdictKey(facts.status));
}

RecentResultRow recentResultRow(
    const PersonResult &result, const Participant *p, const Course *course, bool repeatRead)
{
    const RecentResultFacts facts = recentResultFacts(result, course);
    RecentResultRow row;
    row.runnerName = p ? runnerName(p) : QStringLiteral("Unknown");
    row.valueText = recentValueText(facts);
    row.valueMissing = facts.value == RecentResultFacts::Value::Missing;
    row.statusText = recentStatusText(facts);
    row.repeatRead = repeatRead;
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
