#pragma once

// The texts of the card result panel (the result of the card just read, in the reader pane and
// the card-read toast) and of one recent-results row, ready to show in the selected language.
// Pure functions over a `Race`.

#include "race.h"
#include "racedayresults.h"
#include "resultverdict.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

// The result recorded earlier for the same card in the same stage, when `result` is a card read
// again (the latest of them); none for a first read.
[[nodiscard]] const PersonResult *earlierReadOf(const Race &race, const PersonResult &result);
// For each of race.results (by index), whether earlierReadOf finds a result for it, worked out in
// one pass over the results instead of one per result.
[[nodiscard]] QList<bool> repeatedReads(const Race &race);
// The same with each result's read time, card and stage found beforehand by
// recentResultKeys(race) (keys without cards are found again).
[[nodiscard]] QList<bool> repeatedReads(const Race &race, const RecentResultKeys &keys);

// "Read again: this card was already read at %@" with the time of the earlier read.
[[nodiscard]] QString repeatReadText(const QDateTime &earlierReadAt);

struct CardResultPanel
{
    // Given and family name; "Unknown runner" without a runner.
    QString runnerName;
    // "Class: %@"; empty without a class.
    QString classText;
    bool rogaining = false;
    // "Total time: %@" / "Score: %@ pts", or the dashed text when the value is absent.
    QString valueText;
    // The value is absent: the dashed text is drawn as a warning.
    bool valueMissing = false;
    // "(-%@ overtime)" for a positive penalty, else empty.
    QString penaltyText;
    // The verdict's word; empty without a course to judge by.
    QString verdictText;
    bool verdictGood = false;
    // "Missing controls: %@", or empty.
    QString missingText;
    // "Read again: this card was already read at %@", or empty for a first read.
    QString repeatText;
    // The runner's did-not-start or did-not-finish mark on the result's stage, which every list
    // shows instead of the run until it is cleared; or (set by the desk) the not-started mark this
    // read removed. Empty otherwise.
    QString markText;
    // Set by the desk: the read went to a stage dated another day while a stage is dated today.
    QString dayText;
    QString footerText;

    [[nodiscard]] QVariantMap toVariantMap() const;
};

[[nodiscard]] CardResultPanel cardResultPanel(const Race &race, const PersonResult &result);

// When the stage `stageId` is dated another day than `today` (local days) and a stage is dated
// today: that stage (the first by order). Null otherwise: no such stage, or reads are on today's.
[[nodiscard]] const Stage *stageDatedTodayInstead(
    const Race &race, const std::optional<QString> &stageId, const QDate &today);
// "Read into %@ (%@), but %@ is dated today." for a read recorded on `stageId` when
// stageDatedTodayInstead finds a stage; empty otherwise.
[[nodiscard]] QString readDayWarning(
    const Race &race, const std::optional<QString> &stageId, const QDate &today);

struct RecentResultRow
{
    // Given and family name; "Unknown" (never translated) without a runner.
    QString runnerName;
    // The clock text or "%@ pts"; "—" when absent.
    QString valueText;
    bool valueMissing = false;
    // The effective status when not a clean completion ("Mispunch", ...), else empty.
    QString statusText;
    // The card had been read before in the same stage.
    bool repeatRead = false;
};

// What a recent-results row says, before any text is made of it: a list of every result keeps
// these and makes the texts of the rows it shows.
struct RecentResultFacts
{
    enum class Value : quint8 { Missing, Clock, Points };
    Value value = Value::Missing;
    // The verdict said in the status text: `None` for a clean run or nothing to judge by.
    ResultVerdict status = ResultVerdict::None;
    // The value the row shows: the clock text of `seconds`, or `points`.
    double seconds = 0;
    qint64 points = 0;
};

[[nodiscard]] RecentResultFacts recentResultFacts(const PersonResult &result, const Course *course);
// The row's value text ("—" when missing) and status text, in the selected language.
[[nodiscard]] QString recentValueText(const RecentResultFacts &facts);
[[nodiscard]] QString recentStatusText(const RecentResultFacts &facts);

[[nodiscard]] RecentResultRow recentResultRow(const Race &race, const PersonResult &result);
// The same with the result's runner, course and repeat found by the caller (a list of every
// result looks them up once for all).
[[nodiscard]] RecentResultRow recentResultRow(
    const PersonResult &result, const Participant *runner, const Course *course, bool repeatRead);

// Every key the race-day desk looks up in code, for the table check.
[[nodiscard]] QStringList raceDayTextKeys();
