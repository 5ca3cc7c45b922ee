#pragma once

// What LiveResultat receives: a race turned into runner and finish-result snapshots keyed by a
// stable runner id, and the JSON bodies of a complete upload and of a diff against the last
// accepted upload. Pure functions; the publisher decides which body to send.

#include "race.h"
#include "resultverdict.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <compare>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace liveresultat {

// Every result is a finish result; no split times are sent.
inline constexpr qint64 finishControl = 1000;
inline constexpr qint64 noTime = -1;

enum StatusCode : qint64 { Completed = 0, DidNotStart = 1, DidNotFinish = 2, NotCompleted = 3 };

// The code that says the verdict of a result with a race time: completed for a completed run and
// a score run within its limit or without one, else not completed. A result without a race time
// (no finish, no start time) is not published at all.
[[nodiscard]] StatusCode finishStatus(ResultVerdict verdict);

struct RunnerSnapshot
{
    QString name;
    std::optional<QString> club;
    QString className;
    // Centiseconds since local midnight.
    std::optional<qint64> start;
};

struct ResultKey
{
    qint64 runnerId = 0;
    qint64 control = finishControl;
    auto operator<=>(const ResultKey &) const = default;
};

struct ResultSnapshot
{
    qint64 time = noTime; // centiseconds
    qint64 status = Completed;
    bool operator==(const ResultSnapshot &) const = default;
};

// Sorted by key, each key once: written out, walked beside each other and searched, all in
// key order, from one contiguous block.
using RunnerMap = std::vector<std::pair<qint64, RunnerSnapshot>>;
using ResultMap = std::vector<std::pair<ResultKey, ResultSnapshot>>;

enum class Op { Add, Update, Delete };

struct RunnerOp
{
    Op op = Op::Add;
    qint64 id = 0;
    RunnerSnapshot runner; // unused by a delete
};

struct ResultOp
{
    Op op = Op::Add;
    ResultKey key;
    ResultSnapshot result; // unused by a delete
};

// 64-bit FNV-1a of the upper-case canonical UUID text, made non-negative: stable across restarts.
[[nodiscard]] qint64 runnerId(const QUuid &participantId);
// Local wall-clock time of day; fractions of a second and the date are dropped.
[[nodiscard]] qint64 centisecondsSinceMidnight(const QDateTime &time);
// An optional sign and decimal digits fitting 64 bits; anything else (spaces included) is none.
[[nodiscard]] std::optional<qint64> parseEventId(const QString &competitionId);

[[nodiscard]] RunnerMap makeRunnerSnapshots(const Race &race);
[[nodiscard]] ResultMap makeResultSnapshots(const Race &race);
[[nodiscard]] QStringList makeUploadClasses(const Race &race);

// Adds and updates (in key order) before deletes.
[[nodiscard]] QList<RunnerOp> diffRunners(const RunnerMap &baseline, const RunnerMap &current);
[[nodiscard]] QList<ResultOp> diffResults(const ResultMap &baseline, const ResultMap &current);

// Compact JSON; runners and results in key order.
[[nodiscard]] QByteArray completeUploadBody(qint64 eventId, const QString &password,
    const QStringList &classes, const RunnerMap &runners, const ResultMap &results);
[[nodiscard]] QByteArray diffUploadBody(
    qint64 eventId, const QString &password, const QList<RunnerOp> &runners, const QList<ResultOp> &results);

// The ops taking the service from one accepted state to a race's snapshots.
struct Changes
{
    QList<RunnerOp> runners;
    QList<ResultOp> results;
    // Found from what changed in the results alone; the participants were the state's own.
    bool fromResults = false;
    // Then: the places in the race's results that differ from the state's, or lie past its end.
    std::vector<qsizetype> differingResults;
    // The local time zone the start times were read in.
    QByteArray timeZone;
};

// The snapshots the service accepted last, beside what they were made from: the race's own
// participant and class lists, and what each stored result publishes, in storage order. Qt's
// lists share their data until one side changes, and this state holds its own copy of each: a
// later race whose list still shares it holds it unchanged. The results are not held (a copy held
// here would make the next appended result copy them all); they are compared, one by one.
class AcceptedState
{
public:
    AcceptedState() = default;
    // The complete snapshots of `race`.
    explicit AcceptedState(const Race &race);

    [[nodiscard]] const RunnerMap &runners() const { return m_runners; }
    [[nodiscard]] const ResultMap &results() const { return m_results; }

    // The same ops as diffRunners and diffResults of this state's maps and `race`'s complete
    // snapshots. While the participants, the classes and the time zone are this state's own,
    // only the results are compared, and only the runners of those that differ are looked at
    // again; anything else is taken from the complete snapshots.
    [[nodiscard]] Changes changesTo(const Race &race) const;
    // This state becomes `race`'s, given `changes` = changesTo(race) on this very state.
    void accept(const Race &race, const Changes &changes);

    // What a stored result publishes: its participant, its time and verdict as stored, and its
    // read time, which decides whether it is the read that counts for its stage.
    struct ResultSource
    {
        std::pair<quint64, quint64> participant;
        quint64 timeBits = 0;
        qint64 readAt = 0;
        bool hasTime = false;
        bool readAtValid = false;
        ResultVerdict verdict = ResultVerdict::None;
        bool operator==(const ResultSource &) const = default;
    };

private:
    struct Lookup;
    [[nodiscard]] const Lookup &lookup() const;
    [[nodiscard]] Changes changesFromResults(const Race &race, const Lookup &lookup) const;
    void readResultSources(const Race &race);

    RunnerMap m_runners;
    ResultMap m_results;
    QList<Participant> m_participants;
    QList<RaceClass> m_classes;
    // The day whose marks were published.
    std::optional<QString> m_activeStageId;
    std::vector<ResultSource> m_resultSources;
    QByteArray m_timeZone;
    // Built on first use from the participants and the result sources; kept through changes
    // found from the results alone, which leave every result with a participant of the list.
    mutable std::shared_ptr<const Lookup> m_lookup;
};

} // namespace liveresultat
