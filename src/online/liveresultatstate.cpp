#include "liveresultatformat.h"

#include "perstage.h"
#include "resultgroups.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace liveresultat {

namespace {

// A participant id as two integers: ordered and compared without QUuid's variant rules.
using IdKey = std::pair<quint64, quint64>;

IdKey idKey(const QUuid &id)
{
    static_assert(sizeof(QUuid) == 2 * sizeof(quint64));
    quint64 halves[2];
    std::memcpy(halves, &id, sizeof halves);
    return {halves[0], halves[1]};
}

AcceptedState::ResultSource resultSource(const PersonResult &r, ScoreResults &scoreResults)
{
    AcceptedState::ResultSource source;
    source.participant = idKey(r.participantId);
    if (r.raceTime) {
        source.hasTime = true;
        std::memcpy(&source.timeBits, &*r.raceTime, sizeof source.timeBits);
    }
    if (r.readAt.isValid()) {
        source.readAtValid = true;
        source.readAt = r.readAt.toMSecsSinceEpoch();
    }
    source.verdict = resultVerdict(r, scoreResults(r));
    return source;
}

// A finish before the start (a negative time, as earlier versions stored it) has no time to
// publish, like a result without one.
bool hasPublishedTime(const PersonResult &r)
{
    return r.raceTime && !(*r.raceTime < 0);
}

ResultSnapshot finishSnapshot(const PersonResult &r, ScoreResults &scoreResults)
{
    // Halves away from zero: 0.125 s is 13 cs.
    return {std::llround(*r.raceTime * 100.0), finishStatus(resultVerdict(r, scoreResults(r)))};
}

// How far ahead of a walk through the stored results their records are asked for.
constexpr qsizetype recordsAhead = 8;

// Results comparing differently in more places than this are taken from complete snapshots: a
// batch of card reads stays well below it, an edit that shifts the stored results does not.
constexpr size_t mostChangedResults = 256;

// `entries` (sorted, each key once) with `ops` applied, rebuilt in one pass; the ops of one
// diff name each key once.
template<typename Entries, typename Op, typename KeyOf, typename ValueOf>
void applyOps(Entries &entries, const QList<Op> &ops, KeyOf keyOf, ValueOf valueOf)
{
    if (ops.isEmpty())
        return;
    std::vector<const Op *> sorted;
    sorted.reserve(size_t(ops.size()));
    for (const Op &op : ops)
        sorted.push_back(&op);
    std::sort(sorted.begin(), sorted.end(), [&](const Op *a, const Op *b) { return keyOf(*a) < keyOf(*b); });
    Entries out;
    out.reserve(entries.size() + sorted.size());
    auto next = sorted.begin();
    for (auto &entry : entries) {
        for (; next != sorted.end() && keyOf(**next) < entry.first; ++next) {
            if ((*next)->op != liveresultat::Op::Delete)
                out.emplace_back(keyOf(**next), valueOf(**next));
        }
        if (next != sorted.end() && !(entry.first < keyOf(**next))) {
            if ((*next)->op != liveresultat::Op::Delete)
                out.emplace_back(entry.first, valueOf(**next));
            ++next;
        } else {
            out.push_back(std::move(entry));
        }
    }
    for (; next != sorted.end(); ++next) {
        if ((*next)->op != liveresultat::Op::Delete)
            out.emplace_back(keyOf(**next), valueOf(**next));
    }
    entries = std::move(out);
}

} // namespace

struct AcceptedState::Lookup
{
    // The participants' ids in id order, with their positions.
    std::vector<std::pair<IdKey, qsizetype>> byId;
    // Every participant has a runner id of its own and every stored result belongs to one of
    // them: a runner's entries then follow from its own participant and results alone.
    bool separate = false;

    [[nodiscard]] std::optional<qsizetype> position(const IdKey &id) const
    {
        const auto it = std::lower_bound(byId.begin(), byId.end(), id,
            [](const std::pair<IdKey, qsizetype> &entry, const IdKey &key) { return entry.first < key; });
        if (it == byId.end() || it->first != id)
            return std::nullopt;
        return it->second;
    }
};

AcceptedState::AcceptedState(const Race &race)
    : m_participants(race.participants)
    , m_classes(race.classes)
    , m_activeStageId(race.activeStageId)
    , m_timeZone(QTimeZone::systemTimeZoneId())
{
    m_runners = makeRunnerSnapshots(race);
    m_results = makeResultSnapshots(race);
    readResultSources(race);
}

void AcceptedState::readResultSources(const Race &race)
{
    m_resultSources.clear();
    m_resultSources.reserve(size_t(race.results.size()));
    ScoreResults scoreResults(race);
    for (const PersonResult &r : race.results)
        m_resultSources.push_back(resultSource(r, scoreResults));
}

const AcceptedState::Lookup &AcceptedState::lookup() const
{
    if (m_lookup)
        return *m_lookup;
    auto made = std::make_shared<Lookup>();
    // As many runners as participants: no two share an id or a runner id.
    if (m_runners.size() == size_t(m_participants.size())) {
        made->byId.reserve(size_t(m_participants.size()));
        for (qsizetype i = 0; i < m_participants.size(); ++i)
            made->byId.emplace_back(idKey(m_participants.at(i).id), i);
        std::sort(made->byId.begin(), made->byId.end());
        made->separate = std::all_of(m_resultSources.cbegin(), m_resultSources.cend(),
            [&](const ResultSource &r) { return made->position(r.participant).has_value(); });
    }
    m_lookup = std::move(made);
    return *m_lookup;
}

Changes AcceptedState::changesTo(const Race &race) const
{
    Changes changes;
    changes.timeZone = QTimeZone::systemTimeZoneId();
    if (race.participants.isSharedWith(m_participants) && race.classes.isSharedWith(m_classes)
        && race.activeStageId == m_activeStageId && changes.timeZone == m_timeZone) {
        if (const Lookup &found = lookup(); found.separate) {
            Changes fromResults = changesFromResults(race, found);
            if (fromResults.fromResults) {
                fromResults.timeZone = std::move(changes.timeZone);
                return fromResults;
            }
        }
    }
    changes.runners = diffRunners(m_runners, makeRunnerSnapshots(race));
    changes.results = diffResults(m_results, makeResultSnapshots(race));
    return changes;
}

Changes AcceptedState::changesFromResults(const Race &race, const Lookup &found) const
{
    const std::vector<ResultSource> &was = m_resultSources;
    const QList<PersonResult> &now = race.results;
    const qsizetype stored = qsizetype(was.size());
    const qsizetype common = std::min(stored, now.size());
    if (size_t(stored - common + now.size() - common) > mostChangedResults)
        return {};
    ScoreResults scoreResults(race);
    std::vector<qsizetype> differing;
    // The ids of the participants whose results differ, before or after.
    std::vector<IdKey> touched;
    for (qsizetype i = 0; i < common; ++i) {
        // The members compared lie in three cache lines of each large record: those of a record a
        // few places on are asked for now, so that the walk does not wait for each in turn.
        if (i + recordsAhead < common) {
            const PersonResult &ahead = now.at(i + recordsAhead);
            __builtin_prefetch(&ahead.participantId);
            __builtin_prefetch(&ahead.raceTime);
            __builtin_prefetch(&ahead.completedOverride);
        }
        const ResultSource after = resultSource(now.at(i), scoreResults);
        if (after == was[size_t(i)])
            continue;
        if (differing.size() == mostChangedResults)
            return {};
        differing.push_back(i);
        touched.push_back(was[size_t(i)].participant);
        touched.push_back(after.participant);
    }
    for (qsizetype i = common; i < stored; ++i)
        touched.push_back(was[size_t(i)].participant);
    for (qsizetype i = common; i < now.size(); ++i) {
        differing.push_back(i);
        touched.push_back(idKey(now.at(i).participantId));
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());

    struct Runner
    {
        qsizetype participant = 0;
        qsizetype timedResult = -1;
        bool settled = false;
    };
    std::vector<Runner> runners;
    runners.reserve(touched.size());
    for (const IdKey &id : touched) {
        const std::optional<qsizetype> at = found.position(id);
        // A result of nobody entered: its runner id could be any other's.
        if (!at)
            return {};
        const Participant &p = m_participants.at(*at);
        // Marked on the active stage: the mark is published whatever was read.
        const bool marked = (p.status || p.statusByStage) && statusOnStage(p, race.activeStageId);
        runners.push_back({*at, -1, marked});
    }
    // From the last stored back: a runner's last counted read with a time is the one published,
    // and the walk ends once every touched runner not marked has one.
    // Only the touched runners' reads are judged: the others' are not read here.
    std::vector<qint32> judged;
    for (qsizetype j = 0; j < now.size(); ++j)
        if (std::binary_search(touched.begin(), touched.end(), idKey(now.at(j).participantId)))
            judged.push_back(qint32(j));
    const std::vector<qint32> counting = countingReadOf(race, &judged);
    size_t untimed
        = size_t(std::count_if(runners.begin(), runners.end(), [](const Runner &r) { return !r.settled; }));
    for (qsizetype j = now.size() - 1; j >= 0 && untimed > 0; --j) {
        const PersonResult &r = now.at(j);
        const auto it = std::lower_bound(touched.begin(), touched.end(), idKey(r.participantId));
        if (it == touched.end() || *it != idKey(r.participantId))
            continue;
        Runner &runner = runners[size_t(it - touched.begin())];
        if (runner.settled)
            continue;
        if (runner.timedResult < 0 && hasPublishedTime(r) && counting[size_t(j)] == j)
            runner.timedResult = j;
        if (runner.timedResult >= 0) {
            runner.settled = true;
            --untimed;
        }
    }

    Changes changes;
    changes.fromResults = true;
    changes.differingResults = std::move(differing);
    QList<ResultOp> deletes;
    for (const Runner &runner : runners) {
        const Participant &p = m_participants.at(runner.participant);
        const ResultKey key {runnerId(p.id), finishControl};
        std::optional<ResultSnapshot> result;
        // Marked on the day: the mark, whatever was read (the organiser's, until it is cleared).
        const std::optional<ParticipantStatus> mark
            = p.status || p.statusByStage ? statusOnStage(p, race.activeStageId) : std::nullopt;
        if (mark)
            result = ResultSnapshot {noTime, *mark == ParticipantStatus::Dns ? DidNotStart : DidNotFinish};
        else if (runner.timedResult >= 0)
            result = finishSnapshot(now.at(runner.timedResult), scoreResults);
        const auto old = std::lower_bound(m_results.begin(), m_results.end(), key,
            [](const std::pair<ResultKey, ResultSnapshot> &entry, const ResultKey &k) {
                return entry.first < k;
            });
        if (old == m_results.end() || old->first != key) {
            if (result)
                changes.results.append({Op::Add, key, *result});
        } else if (!result) {
            deletes.append({Op::Delete, key, {}});
        } else if (!(old->second == *result)) {
            changes.results.append({Op::Update, key, *result});
        }
    }
    const auto byKey = [](const ResultOp &a, const ResultOp &b) { return a.key < b.key; };
    std::sort(changes.results.begin(), changes.results.end(), byKey);
    std::sort(deletes.begin(), deletes.end(), byKey);
    changes.results.append(deletes);
    return changes;
}

void AcceptedState::accept(const Race &race, const Changes &changes)
{
    applyOps(
        m_runners, changes.runners, [](const RunnerOp &op) { return op.id; },
        [](const RunnerOp &op) { return op.runner; });
    applyOps(
        m_results, changes.results, [](const ResultOp &op) { return op.key; },
        [](const ResultOp &op) { return op.result; });
    if (changes.fromResults) {
        // The participants are the state's own, and every result read here belongs to one of
        // them: the look-up stays true.
        m_resultSources.resize(size_t(race.results.size()));
        ScoreResults scoreResults(race);
        for (const qsizetype i : changes.differingResults)
            m_resultSources[size_t(i)] = resultSource(race.results.at(i), scoreResults);
    } else {
        m_lookup.reset();
        readResultSources(race);
    }
    m_participants = race.participants;
    m_classes = race.classes;
    m_activeStageId = race.activeStageId;
    m_timeZone = changes.timeZone;
}

} // namespace liveresultat
