#pragma once

// Read-only views of recorded results for the race-day desk: the clock text of a duration, the
// class a result counts in, the controls it missed and the recent results grouped by class.
// Pure functions over a `Race`; the reader pane, the card-read toast and the receipt share them.

#include "race.h"
#include "racelookup.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

// Clock text of a duration: "M:SS" under an hour, "H:MM:SS" from an hour on, after rounding to
// the nearest second (halves away from zero). A negative or non-finite value gives "—": no
// duration is ever shown below zero.
[[nodiscard]] QString formatElapsed(double seconds);

[[nodiscard]] const Participant *participantOfResult(const Race &race, const PersonResult &result);

// The class the runner ran in for the result's own stage: the per-stage class when the result is
// tagged with a stage that the runner has an entry for, else the runner's base class.
[[nodiscard]] const RaceClass *classOfResult(const Race &race, const PersonResult &result);

[[nodiscard]] const Course *courseOfResult(const Race &race, const PersonResult &result);

[[nodiscard]] bool isRogainingResult(const Race &race, const PersonResult &result);

// Control codes of the splits marked missing, in split order, duplicates kept.
[[nodiscard]] QList<qint64> missingControls(const PersonResult &result);

[[nodiscard]] const PersonResult *resultById(const Race &race, const QUuid &id);

// A read time as numbers that order as the times do, invalid times before every valid one: sorts
// and groups compare these instead of QDateTimes.
struct ReadTimeKey
{
    bool valid = false;
    qint64 msecs = 0;

    auto operator<=>(const ReadTimeKey &) const = default;
};

[[nodiscard]] ReadTimeKey readTimeKey(const QDateTime &time);

struct RecentResultGroup
{
    QString title;
    // Indexes into race.results, newest read first.
    QList<qsizetype> resultIndexes;
};

// Every result of every stage, newest first (stable), grouped by the name of its class ("No
// class" without one), groups in natural order of their titles (case-insensitive, digit runs by
// value).
[[nodiscard]] QList<RecentResultGroup> recentResultGroups(const Race &race);
// The same with the race's participants looked up in `participants`.
[[nodiscard]] QList<RecentResultGroup> recentResultGroups(
    const Race &race, const ParticipantLookup &participants);

// For each of race.results (by index), its runner as a ParticipantLookup finds it (null without
// one) and its read time: found in one pass for the lists that read them more than once.
struct RecentResultKeys
{
    QList<const Participant *> runners;
    // Each result's read time as readTimeKey gives it, held as its milliseconds alone (8 bytes a
    // result where the whole key takes 16) while every time is valid.
    QList<qint64> readMsecs;
    // Empty while every read time is valid; from the first one that is not, each result's.
    QList<bool> readInvalid;
    // Filled only without a ParticipantLookup: each result's card (a number written plainly as
    // itself, any other text a key below zero, one per text) and stage (the results' stage ids,
    // exactly as written, numbered as first met).
    QList<qint64> cards;
    QList<qint32> stages;
    // Noted as the keys are found: the span of the valid read times, the number of stages and
    // the results of each, and the span of the cards (as unsigned: keys below zero count as the
    // largest).
    qint64 newestRead = std::numeric_limits<qint64>::min();
    qint64 oldestRead = std::numeric_limits<qint64>::max();
    qint32 stageCount = 0;
    QList<qint32> readsOfStage;
    quint64 smallestCard = std::numeric_limits<quint64>::max();
    quint64 largestCard = 0;
    // Filled only by recentResultKeysWithTitles: each result's group title (as recentResultOrder
    // groups them) as an index into `titleTexts`, which may also hold titles of no result.
    QList<qint32> titles;
    QStringList titleTexts;

    void noteCard(qint64 card)
    {
        smallestCard = std::min(smallestCard, quint64(card));
        largestCard = std::max(largestCard, quint64(card));
    }

    [[nodiscard]] bool everyReadValid() const { return readInvalid.isEmpty(); }
    [[nodiscard]] ReadTimeKey readAt(qsizetype i) const
    {
        return {readInvalid.isEmpty() || !readInvalid.at(i), readMsecs.at(i)};
    }
    void appendRead(const QDateTime &time);
};

[[nodiscard]] RecentResultKeys recentResultKeys(const Race &race, const ParticipantLookup &participants);
// The same without a table of participants built beforehand; `eachResult` is called with each
// result's index, the result and its runner (or null) in the same walk through them.
[[nodiscard]] RecentResultKeys recentResultKeys(const Race &race,
    const std::function<void(qsizetype, const PersonResult &, const Participant *)> &eachResult = {});
// What the keys are found with from the participants and classes alone (their ids in order, each
// runner's title), for a caller that finds them again after every change to keep: while the race
// holds the very same lists of participants and classes (a change of the results alone), the
// next walk takes it as it is instead of reading every participant again.
struct RecentRunnerIndex;
// The same with each result's group title found in the same walk (what recentResultOrder would
// otherwise find in a walk of its own through the runners); `kept`, when given, is taken when it
// holds for the race and replaced when not.
[[nodiscard]] RecentResultKeys recentResultKeysWithTitles(
    const Race &race, std::shared_ptr<RecentRunnerIndex> *kept = nullptr);
// recentResultGroups with the runners and read times found beforehand.
[[nodiscard]] QList<RecentResultGroup> recentResultGroups(const Race &race, const RecentResultKeys &keys);

// The same groups held compactly: the titles in order, where each group's rows begin in `order`
// (then the row count), and the rows as indexes into race.results.
struct RecentResultOrder
{
    QStringList titles;
    QList<qint32> starts;
    QList<qint32> order;
};

[[nodiscard]] RecentResultOrder recentResultOrder(const Race &race, const RecentResultKeys &keys);
