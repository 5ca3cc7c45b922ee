#pragma once

// What LiveResultat receives: a race turned into runner and finish-result snapshots keyed by a
// stable runner id, and the JSON bodies of a complete upload and of a diff against the last
// accepted upload. Pure functions; the publisher decides which body to send.

#include "race.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <compare>
#include <map>
#include <memory>
#include <optional>

namespace liveresultat {

// Every result is a finish result; no split times are sent.
inline constexpr qint64 finishControl = 1000;
inline constexpr qint64 noTime = -1;

enum StatusCode : qint64 { Completed = 0, DidNotStart = 1, DidNotFinish = 2, NotCompleted = 3 };

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

using RunnerMap = std::map<qint64, RunnerSnapshot>;
using ResultMap = std::map<ResultKey, ResultSnapshot>;

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
    // The local time zone the start times were read in.
    QByteArray timeZone;
};

// The snapshots the service accepted last, beside the parts of the race they were made from. Qt's
// lists share their data until one side changes, and this state holds its own copy of each part:
// a later race whose list still shares it holds that part unchanged, whatever else changed since.
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
    // only the results are compared, in storage order, and only the runners of those that differ
    // are looked at again; anything else is taken from the complete snapshots.
    [[nodiscard]] Changes changesTo(const Race &race) const;
    // This state becomes `race`'s, given `changes` = changesTo(race) on this very state.
    void accept(const Race &race, const Changes &changes);

private:
    struct Lookup;
    [[nodiscard]] const Lookup &lookup() const;
    [[nodiscard]] Changes changesFromResults(const Race &race, const Lookup &lookup) const;

    RunnerMap m_runners;
    ResultMap m_results;
    QList<Participant> m_participants;
    QList<RaceClass> m_classes;
    QList<PersonResult> m_resultSource;
    QByteArray m_timeZone;
    // Built on first use from the lists above, which never change while it is kept.
    mutable std::shared_ptr<const Lookup> m_lookup;
};

} // namespace liveresultat
