#include "cardresultpanel.h"

#include "documenttext.h"
#include "keysort.h"
#include "localization.h"
#include "perstage.h"
#include "racedayresults.h"
#include "resultgroups.h"
#include "timeofday.h"

#include <QHash>

#include <algorithm>
#include <memory>

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
        {QStringLiteral("markText"), markText},
        {QStringLiteral("dayText"), dayText},
        {QStringLiteral("footerText"), footerText},
    };
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
    return repeatedReads(race, recentResultKeys(race));
}

QList<bool> repeatedReads(const Race &race, const RecentResultKeys &keys)
{
    // A result has an earlier read exactly when the earliest read of its card and stage with
    // another id than its own came before it: that is the group's earliest read when the ids
    // differ, else the earliest of the group's reads with another id than the earliest's.
    // Sorted on their card and stage, the reads of one card and stage lie side by side in stored
    // order. Most cards are read once per stage, and a read alone in its group is never a repeat:
    // only the others are read again.
    const qsizetype count = race.results.size();
    // Keys found with a ParticipantLookup hold no cards.
    if (keys.cards.size() != count)
        return repeatedReads(race, recentResultKeys(race));
    const auto readAt = [&keys](qint32 i) { return keys.readAt(i); };
    QList<bool> repeated(count, false);
    // The reads of one card and stage, `at(k)` the index of the k-th in stored order.
    const auto judge = [&](qsizetype begin, qsizetype end, const auto &at) {
        // The earliest is the first of the earliest times.
        const QUuid *firstId = nullptr;
        ReadTimeKey firstAt;
        for (qsizetype k = begin; k < end; ++k) {
            const qint32 i = at(k);
            if (!firstId || readAt(i) < firstAt) {
                firstId = &race.results.at(i).id;
                firstAt = readAt(i);
            }
        }
        bool anotherId = false;
        ReadTimeKey firstOfAnotherIdAt;
        for (qsizetype k = begin; k < end; ++k) {
            const qint32 i = at(k);
            if (race.results.at(i).id != *firstId && (!anotherId || readAt(i) < firstOfAnotherIdAt)) {
                anotherId = true;
                firstOfAnotherIdAt = readAt(i);
            }
        }
        for (qsizetype k = begin; k < end; ++k) {
            const qint32 i = at(k);
            repeated[i] = race.results.at(i).id != *firstId ? firstAt < readAt(i)
                                                            : anotherId && firstOfAnotherIdAt < readAt(i);
        }
    };

    const qint32 stageCount = keys.stageCount;
    const quint64 largestCard = keys.largestCard;
    const quint64 smallestCard = std::min(keys.smallestCard, largestCard);
    const quint64 span = largestCard - smallestCard + 1;
    if (count > 0 && count < (1 << 24) && largestCard < (quint64(1) << 32)
        && span * quint64(stageCount) <= 4 * quint64(count) + 4096) {
        // An entry list's cards mostly lie close together: a byte per card and stage counts its
        // reads (up to two) in one walk, and only the reads of a card read more than once in a
        // stage (few, mostly none) are sorted and judged, in the order they are stored.
        const auto slot = [&](qsizetype i) {
            return quint64(keys.stages.at(i)) * span + (quint64(keys.cards.at(i)) - smallestCard);
        };
        const std::unique_ptr<quint8[]> reads(new quint8[span * quint64(stageCount)]());
        bool again = false;
        for (qsizetype i = 0; i < count; ++i) {
            quint8 &n = reads[slot(i)];
            again |= n != 0;
            n = quint8(std::min(n + 1, 2));
        }
        if (!again)
            return repeated;
        QList<quint64> shared;
        for (qsizetype i = 0; i < count; ++i) {
            const quint64 at = slot(i);
            if (reads[at] > 1)
                shared.append((at << 24) | quint64(i));
        }
        sortByKey(shared, [](quint64 read) { return read >> 24; });
        const auto at = [&](qsizetype k) { return qint32(shared.at(k) & 0xffffff); };
        for (qsizetype begin = 0; begin < shared.size();) {
            qsizetype end = begin + 1;
            while (end < shared.size() && shared.at(end) >> 24 == shared.at(begin) >> 24)
                ++end;
            judge(begin, end, at);
            begin = end;
        }
        return repeated;
    }
    if (count < (1 << 24) && largestCard < (quint64(1) << 32)) {
        // Card numbers mostly have up to nine digits: card (above the smallest) and index fit one
        // number, and bytes every card shares take no pass of the sort. The reads are dealt to
        // their stages in stored order and each stage's are sorted on their cards alone, in the
        // cache, which keeps the reads of each card in stored order.
        QList<qint32> start(stageCount + 1, 0);
        for (qint32 s = 0; s < stageCount; ++s)
            start[s + 1] = keys.readsOfStage.at(s);
        qsizetype largest = 0;
        for (qint32 s = 0; s < stageCount; ++s) {
            largest = std::max(largest, qsizetype(start[s + 1]));
            start[s + 1] += start[s];
        }
        // Every read is written before it is read.
        const std::unique_ptr<quint64[]> reads(new quint64[std::max<qsizetype>(count, 1)]);
        const std::unique_ptr<quint64[]> scratch(new quint64[std::max<qsizetype>(largest, 1)]);
        QList<qint32> next = start;
        for (qsizetype i = 0; i < count; ++i)
            reads[next[keys.stages.at(i)]++]
                = ((quint64(keys.cards.at(i)) - smallestCard) << 24) | quint64(i);
        const auto at = [&](qsizetype k) { return qint32(reads[k] & 0xffffff); };
        for (qint32 s = 0; s < stageCount; ++s) {
            const qsizetype size = start[s + 1] - start[s];
            quint64 *const first = reads.get() + start[s];
            if (sortByKey(first, size, scratch.get(), [](quint64 read) { return read >> 24; }))
                std::copy_n(scratch.get(), size, first);
            for (qsizetype begin = start[s]; begin < start[s + 1];) {
                qsizetype end = begin + 1;
                while (end < start[s + 1] && reads[end] >> 24 == reads[begin] >> 24)
                    ++end;
                if (end - begin > 1)
                    judge(begin, end, at);
                begin = end;
            }
        }
        return repeated;
    }

    struct Read
    {
        quint64 card = 0;
        qint32 stage = 0;
        qint32 index = 0;
    };
    QList<Read> reads(count);
    for (qsizetype i = 0; i < count; ++i)
        reads[i] = {quint64(keys.cards.at(i)), keys.stages.at(i), qint32(i)};
    if (stageCount > 1)
        sortByKey(reads, [](const Read &read) { return quint64(read.stage); });
    sortByKey(reads, [](const Read &read) { return read.card; });
    const auto at = [&](qsizetype k) { return reads.at(k).index; };
    for (qsizetype begin = 0; begin < count;) {
        qsizetype end = begin + 1;
        while (end < count && reads.at(end).card == reads.at(begin).card
            && reads.at(end).stage == reads.at(begin).stage)
            ++end;
        if (end - begin > 1)
            judge(begin, end, at);
        begin = end;
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
    if (!verdictKey(verdict).isEmpty()) {
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
    if (p && (p->status || p->statusByStage)) {
        if (const std::optional<ParticipantStatus> mark = statusOnStage(*p, result.stageId))
            panel.markText = *mark == ParticipantStatus::Dns
                ? localized(QStringLiteral(
                    "Marked as not started on this stage: listed so until the mark is cleared."))
                : localized(QStringLiteral(
                    "Marked as not finished on this stage: listed so until the mark is cleared."));
    }
    panel.footerText = localized(keyFooter);
    return panel;
}

const Stage *stageDatedTodayInstead(
    const Race &race, const std::optional<QString> &stageId, const QDate &today)
{
    if (!stageId || !today.isValid())
        return nullptr;
    const Stage *shown = nullptr;
    const Stage *todays = nullptr;
    for (const Stage &stage : race.stages) {
        if (!shown && sameId(stage.id, *stageId))
            shown = &stage;
        if (stage.date.isValid() && stage.date.toLocalTime().date() == today
            && (!todays || stage.order < todays->order))
            todays = &stage;
    }
    if (!shown || !todays || !shown->date.isValid() || shown->date.toLocalTime().date() == today)
        return nullptr;
    return todays;
}

QString readDayWarning(const Race &race, const std::optional<QString> &stageId, const QDate &today)
{
    const Stage *todays = stageDatedTodayInstead(race, stageId, today);
    if (!todays)
        return {};
    const auto read = std::find_if(race.stages.cbegin(), race.stages.cend(),
        [&stageId](const Stage &stage) { return sameId(stage.id, *stageId); });
    return localized(QStringLiteral("Read into %@ (%@), but %@ is dated today."), read->name,
        mediumDateText(read->date.toLocalTime().date()), todays->name);
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
    // Only what went wrong is said here; a clean run shows its time alone. Judged as every other
    // output judges it: without its course, a result with points was run on a score course.
    if (const ResultVerdict verdict = resultVerdict(result, course ? rogaining : result.score.has_value());
        !verdictKey(verdict).isEmpty() && !verdictIsGood(verdict))
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
    QStringList keys {keyClass, keyTotalTime, keyTotalTimeMissing, keyScore, keyScoreMissing, keyOvertime,
        keyMissing, keyFooter, keyUnknownRunner, keyPoints, keyRepeat, QStringLiteral("Read again"),
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
        QStringLiteral("Card %@ was not read out: the station was disconnected while reading it. Insert the "
                       "card again."),
        // The reader pane's printer and port texts.
        QStringLiteral("SportIdent Reader (USB)"), QStringLiteral("System default"),
        QStringLiteral("Automatic (on read)"), QStringLiteral("Manual"), QStringLiteral("Printer: %@ · %@"),
        QStringLiteral("Printer not found"), QStringLiteral("No default printer"),
        QStringLiteral("Printing failed"), QStringLiteral("Last receipt not printed on %@: %@"),
        // Chosen in the port rows by state.
        QStringLiteral("Connected"), QStringLiteral("Disconnected"), QStringLiteral("Connect"),
        QStringLiteral("Disconnect")};
    // The verdicts' words.
    keys.append(verdictKeys());
    return keys;
}
