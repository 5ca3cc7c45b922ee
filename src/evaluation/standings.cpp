#include "standings.h"

#include "idmemo.h"
#include "perstage.h"
#include "readahead.h"
#include "resultgroups.h"
#include "resultverdict.h"
#include "splits.h"
#include "uuidslots.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

QString trimSpacesAndTabs(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<double> raceTimeOf(const PersonResult &result)
{
    return result.raceTime;
}

// One class's runners in participant order, and whether each is the last of its class with its
// id: an id held twice in a class counts its results for the later entry only.
struct Runners
{
    std::vector<qint32> participants;
    std::vector<bool> countsResults;
};

// The result that counts for a runner in a stage, with what the standings take from it, gathered
// while the results are read in order: looked at again runner by runner, the results would be
// reads all over the event.
struct Counted
{
    double time = 0;
    // The result's position in the race's results; negative while the runner has none for the stage.
    qint32 result = -1;
    bool timed = false;
    bool completed = false;
    // Run on a score course: its points count (kept apart, by the same index, while the event has
    // such runs at all).
    bool score = false;
};

// What a runner's counted results add up to, worked out runner by runner in slot order, so that
// the classes, each a stretch of every 60th runner or so, read these few bytes instead of the
// stages' records.
struct Summary
{
    double total = 0;
    bool complete = true;
    bool timed = true;
    // A counting read of some stage was on a score course: the runner's class ranks by points.
    bool score = false;
};

// The standing of one runner before the rows are built: only what the order needs.
struct Standing
{
    std::optional<double> total;
    std::optional<qint64> points;
    bool complete = false;
    OverallStatus status = OverallStatus::Unplaced;
};

// A runner with a total while the totals of a class are ordered: the total beside the runner and
// the whole-second bucket it was counted into, so that the passes read one small array in order.
struct Keyed
{
    double total;
    qint32 at;
    quint32 bucket;
};

// Buffers one call's classes share.
struct SortScratch
{
    std::vector<Keyed> keyed;
    std::vector<Keyed> sorted;
    std::vector<qint32> start;
};

// Runners with a total, in participant order, into the order of their totals, equal totals in
// participant order, as a stable sort by total gives it. Where the totals lie within a few seconds
// per runner of each other (a large class) they are counted out by the seconds above the lowest
// total, each second's few runners then sorted by the exact total; else compared. False (nothing
// done) where a total is not a finite number, which a comparison does not order. The bucket only has to grow
// with the total (a rounded difference does): a lower bucket then always holds a lower total.
bool sortByTotals(std::vector<qint32>::iterator first, std::vector<qint32>::iterator last,
    const std::vector<Standing> &standings, SortScratch &scratch)
{
    const auto count = std::distance(first, last);
    if (count < 2)
        return true;
    std::vector<Keyed> &keyed = scratch.keyed;
    keyed.resize(std::size_t(count));
    double low = *standings[std::size_t(*first)].total;
    double high = low;
    for (std::ptrdiff_t k = 0; k < count; ++k) {
        const qint32 at = first[k];
        const double total = *standings[std::size_t(at)].total;
        if (!std::isfinite(total))
            return false;
        low = std::min(low, total);
        high = std::max(high, total);
        keyed[std::size_t(k)] = {total, at, 0};
    }
    auto earlier = [](const Keyed &a, const Keyed &b) { return a.total < b.total; };
    if (!(high - low < double(count) * 8)) {
        // A small class, or totals far apart: compared, but from the small array.
        std::stable_sort(keyed.begin(), keyed.end(), earlier);
        for (std::ptrdiff_t k = 0; k < count; ++k)
            first[k] = keyed[std::size_t(k)].at;
        return true;
    }
    std::vector<qint32> &start = scratch.start;
    start.assign(std::size_t(high - low) + 2, 0);
    for (Keyed &k : keyed) {
        k.bucket = quint32(k.total - low);
        ++start[k.bucket + 1];
    }
    for (std::size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    std::vector<Keyed> &sorted = scratch.sorted;
    sorted.resize(std::size_t(count));
    for (const Keyed &k : keyed)
        sorted[std::size_t(start[k.bucket]++)] = k;
    // Most seconds hold no runner or one; the runs of one second with more are sorted, by
    // insertion (stable, and without the buffer a stable sort takes) while they are few.
    for (std::size_t from = 0; from < sorted.size();) {
        std::size_t to = from + 1;
        while (to < sorted.size() && sorted[to].bucket == sorted[from].bucket)
            ++to;
        if (to - from > 16) {
            std::stable_sort(
                sorted.begin() + std::ptrdiff_t(from), sorted.begin() + std::ptrdiff_t(to), earlier);
        } else {
            for (std::size_t i = from + 1; i < to; ++i) {
                const Keyed moving = sorted[i];
                std::size_t hole = i;
                for (; hole > from && earlier(moving, sorted[hole - 1]); --hole)
                    sorted[hole] = sorted[hole - 1];
                sorted[hole] = moving;
            }
        }
        from = to;
    }
    for (std::ptrdiff_t k = 0; k < count; ++k)
        first[k] = sorted[std::size_t(k)].at;
    return true;
}

} // namespace

QList<StandingsRow> rankedResults(const Race &race, const QString &classId)
{
    const QList<QList<RankedEntry>> ranked = rankedEntriesOfClasses(race, {classId});
    QList<StandingsRow> rows;
    rows.reserve(ranked.constFirst().size());
    for (const RankedEntry &entry : ranked.constFirst())
        rows.append(
            {*entry.participant, entry.totalTime, entry.completedAllStages, entry.totalScore, entry.status});
    return rows;
}

QList<QList<RankedEntry>> rankedEntriesOfClasses(
    const Race &race, const QList<QString> &classIds, StageTimeOf stageTime)
{
    QList<QList<RankedEntry>> out(classIds.size());
    if (race.stages.isEmpty() || classIds.isEmpty())
        return out;
    if (!stageTime)
        stageTime = raceTimeOf;

    // Which of the wanted classes each participant's class id is (canonically equal ids count
    // for every wanted class they match), and one slot per distinct id of a runner for the
    // results: the entries are read once in order, not once per class.
    std::vector<Runners> runners(classIds.size());
    IdMemo<QList<qsizetype>> classesOf;
    UuidSlots slotOf(race.participants.size());
    std::vector<qint32> slotOfParticipant(race.participants.size(), -1);
    bool idHeldTwice = false;
    // The entries marked as not started or not finished on a stage (empty while none is), read in
    // this pass so that the classes' rows need not reach back into the entries.
    std::vector<bool> markedEntries;
    // Both passes ask for what the record `ahead` places on will need, and for the lines read of
    // the records further on: in a large event neither the records nor the slot table stay in the
    // caches from one call to the next, and asked for early their misses overlap.
    constexpr qsizetype ahead = 8;
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        if (i + ahead < race.participants.size())
            slotOf.prefetch(race.participants[i + ahead].id);
        if (i + 4 * ahead < race.participants.size()) {
            const Participant &later = race.participants[i + 4 * ahead];
            __builtin_prefetch(&later.id);
            __builtin_prefetch(&later.classId);
            __builtin_prefetch(&later.status);
        }
        const Participant &p = race.participants[i];
        if (!p.classId)
            continue;
        if ((p.status || p.statusByStage) && markedOnAnyStage(p, race.stages)) {
            if (markedEntries.empty())
                markedEntries.assign(std::size_t(race.participants.size()), false);
            markedEntries[std::size_t(i)] = true;
        }
        // One class is compared directly; for many, each distinct id is compared with them once.
        static const QList<qsizetype> onlyClass {0};
        static const QList<qsizetype> none;
        const QList<qsizetype> &wanted = classIds.size() == 1
            ? (sameId(*p.classId, classIds.constFirst()) ? onlyClass : none)
            : classesOf.get(*p.classId, [&](const QString &id) {
                  QList<qsizetype> matches;
                  for (qsizetype c = 0; c < classIds.size(); ++c)
                      if (sameId(id, classIds[c]))
                          matches.append(c);
                  return matches;
              });
        if (wanted.isEmpty())
            continue;
        for (qsizetype c : wanted)
            runners[c].participants.push_back(qint32(i));
        bool added = false;
        slotOfParticipant[i] = slotOf.insert(p.id, added);
        if (!added)
            idHeldTwice = true;
    }
    for (Runners &r : runners) {
        r.countsResults.assign(r.participants.size(), true);
        if (!idHeldTwice)
            continue;
        QSet<QUuid> later;
        for (std::size_t k = r.participants.size(); k-- > 0;) {
            const QUuid &id = race.participants[r.participants[k]].id;
            r.countsResults[k] = !later.contains(id);
            later.insert(id);
        }
    }
    if (slotOf.size() == 0)
        return out;

    // chosen[stage * slots + slot]: the read that counts for the runner and stage, picked in this
    // one walk by countedReads' rule (the latest read-out, the first stored on equal `readAt`).
    // One stage's results stored in the runners' order then fill one stretch from start to end.
    const qsizetype stageCount = race.stages.size();
    const std::size_t slotCount = std::size_t(slotOf.size());
    std::vector<Counted> chosen(slotCount * std::size_t(stageCount));
    // The points of each chosen read on a score course, beside `chosen`; empty until one is met.
    std::vector<qint64> chosenPoints;
    // Without a score course in the event only a result's points make it a score run (its course
    // gone): the course ids, whose texts a look-up would hash, are then never looked up.
    ScoreResults onScoreCourse(race);
    IdMemo<QList<qsizetype>> stagesOf;
    const QChar *lastStageData = nullptr;
    qsizetype lastStageSize = -1;
    const QList<qsizetype> *lastStages = nullptr;
    qint32 previous = -1;
    bool inOrder = false;
    for (qsizetype k = 0; k < race.results.size(); ++k) {
        // The table is only read where the results leave the runners' order.
        if (!inOrder && k + ahead < race.results.size())
            slotOf.prefetch(race.results[k + ahead].participantId);
        readAheadResult(race.results, k + 4 * ahead);
        // The points, which tell a score run, lie on a line of the record the others leave.
        if (k + 4 * ahead < race.results.size())
            __builtin_prefetch(&race.results[k + 4 * ahead].score);
        const PersonResult &r = race.results[k];
        if (!r.stageId)
            continue;
        const qint32 runner = slotOf.findNear(r.participantId, previous);
        inOrder = runner >= 0 && runner == previous + 1;
        if (runner < 0)
            continue;
        previous = runner;
        // Results of one stage mostly follow each other holding copies of one id.
        if (r.stageId->constData() != lastStageData || r.stageId->size() != lastStageSize) {
            lastStages = &stagesOf.get(*r.stageId, [&race](const QString &id) {
                QList<qsizetype> matches;
                for (qsizetype s = 0; s < race.stages.size(); ++s)
                    if (sameId(id, race.stages[s].id))
                        matches.append(s);
                return matches;
            });
            lastStageData = r.stageId->constData();
            lastStageSize = r.stageId->size();
        }
        for (qsizetype s : *lastStages) {
            const std::size_t at = std::size_t(s) * slotCount + std::size_t(runner);
            Counted &slot = chosen[at];
            if (slot.result < 0 || r.readAt > race.results[slot.result].readAt) {
                const bool score = onScoreCourse(r);
                const bool completed = countsForStandings(r, score);
                const std::optional<double> time = completed ? stageTime(r) : std::nullopt;
                slot = {time.value_or(0), qint32(k), time.has_value(), completed, score};
                if (score) {
                    if (chosenPoints.empty())
                        chosenPoints.assign(chosen.size(), 0);
                    chosenPoints[at] = r.score.value_or(0);
                }
            }
        }
    }
    // Stage by stage, each runner's total still adds the stages in their order.
    std::vector<Summary> summaries(slotCount);
    // Each runner's points over the stages, where the event has runs on a score course.
    std::vector<qint64> pointSums(chosenPoints.empty() ? 0 : slotCount, 0);
    for (qsizetype s = 0; s < stageCount; ++s) {
        const std::size_t first = std::size_t(s) * slotCount;
        const Counted *stage = chosen.data() + first;
        for (std::size_t slot = 0; slot < slotCount; ++slot) {
            Summary &sum = summaries[slot];
            const Counted &r = stage[slot];
            if (r.score) {
                sum.score = true;
                if (r.completed)
                    pointSums[slot] = saturatingAdd(pointSums[slot], chosenPoints[first + slot]);
            }
            if (r.result < 0 || !r.completed) {
                sum.complete = false;
                continue;
            }
            if (r.timed)
                sum.total += r.time;
            else
                sum.timed = false;
        }
    }

    // The C locale collates by code point and ignores numeric mode; a user without a locale gets
    // the neutral English collation instead, so "Runner 2" still sorts before "Runner 10".
    const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);

    // The stages by their order (equal orders as stored): an unplaced runner's status is that of
    // the first of them that keeps the runner out.
    std::vector<qsizetype> stageOrder(static_cast<std::size_t>(stageCount));
    std::iota(stageOrder.begin(), stageOrder.end(), 0);
    std::stable_sort(stageOrder.begin(), stageOrder.end(),
        [&race](qsizetype a, qsizetype b) { return race.stages[a].order < race.stages[b].order; });
    auto keptOutBy = [&](const Participant &p, qint32 slot, bool byPoints) {
        for (const qsizetype s : stageOrder) {
            const std::optional<ParticipantStatus> mark = statusOnStage(p, race.stages[s].id);
            const Counted *counted
                = slot < 0 ? nullptr : &chosen[std::size_t(s) * slotCount + std::size_t(slot)];
            const PersonResult *result
                = counted && counted->result >= 0 ? &race.results[counted->result] : nullptr;
            if (result && !mark && counted->completed && (byPoints || counted->timed))
                continue;
            return stageOverallStatus(result, result && counted->score, mark);
        }
        return OverallStatus::Unplaced;
    };

    std::vector<Standing> standings;
    std::vector<qint32> order;
    std::vector<qint32> untimed;
    SortScratch scratch;
    for (qsizetype c = 0; c < classIds.size(); ++c) {
        const Runners &group = runners[c];
        const std::size_t count = group.participants.size();
        if (count == 0)
            continue;
        standings.assign(count, {});
        order.clear();
        untimed.clear();
        // A class with a run on a score course ranks by points: every runner who completed every
        // stage, by the points, then the total time (a runner without one after those with one).
        bool byPoints = false;
        for (std::size_t i = 0; i < count && !pointSums.empty() && !byPoints; ++i)
            byPoints = group.countsResults[i]
                && summaries[std::size_t(slotOfParticipant[group.participants[i]])].score;
        for (std::size_t i = 0; i < count; ++i) {
            // A runner marked on a stage did not complete it, whatever was read out.
            const bool marked = !markedEntries.empty() && markedEntries[std::size_t(group.participants[i])];
            if (group.countsResults[i]) {
                const std::size_t slot = std::size_t(slotOfParticipant[group.participants[i]]);
                const Summary &sum = summaries[slot];
                const bool complete = sum.complete && !marked;
                standings[i].complete = complete;
                if (complete && sum.timed)
                    standings[i].total = sum.total;
                if (complete && byPoints)
                    standings[i].points = pointSums[slot];
            }
            const bool ranked = byPoints ? standings[i].complete : standings[i].total.has_value();
            standings[i].status = ranked
                ? OverallStatus::Placed
                : keptOutBy(race.participants[group.participants[i]],
                    group.countsResults[i] ? slotOfParticipant[group.participants[i]] : -1, byPoints);
            (ranked ? order : untimed).push_back(qint32(i));
        }
        const auto timedCount = std::ptrdiff_t(order.size());
        order.insert(order.end(), untimed.begin(), untimed.end());
        const auto timed = order.begin() + timedCount;
        if (byPoints) {
            std::stable_sort(order.begin(), timed, [&](qint32 a, qint32 b) {
                const Standing &x = standings[std::size_t(a)];
                const Standing &y = standings[std::size_t(b)];
                if (*x.points != *y.points)
                    return *x.points > *y.points;
                if (x.total.has_value() != y.total.has_value())
                    return x.total.has_value();
                return x.total && *x.total < *y.total;
            });
        } else if (!sortByTotals(order.begin(), timed, standings, scratch)) {
            std::stable_sort(order.begin(), timed,
                [&](qint32 a, qint32 b) { return *standings[a].total < *standings[b].total; });
        }
        // Names are compared only between runners without a total, so only theirs are built, and
        // a class where every runner has a total builds none.
        if (timed != order.end()) {
            std::vector<QString> names(count);
            for (auto it = timed; it != order.end(); ++it) {
                const Participant &p = race.participants[group.participants[std::size_t(*it)]];
                names[std::size_t(*it)] = trimSpacesAndTabs(p.givenName + QLatin1Char(' ') + p.familyName);
            }
            std::stable_sort(timed, order.end(),
                [&](qint32 a, qint32 b) { return collator.compare(names[a], names[b]) < 0; });
        }

        QList<RankedEntry> &rows = out[c];
        rows.resize(qsizetype(count));
        RankedEntry *row = rows.data();
        for (qint32 i : order)
            *row++ = {&race.participants[group.participants[i]], standings[i].total, standings[i].complete,
                byPoints, standings[i].points, standings[i].status};
    }
    return out;
}
