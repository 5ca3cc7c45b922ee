#include "standings.h"

#include "idmemo.h"
#include "readahead.h"
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
};

// What a runner's counted results add up to, worked out runner by runner in slot order, so that
// the classes, each a stretch of every 60th runner or so, read these few bytes instead of the
// stages' records.
struct Summary
{
    double total = 0;
    bool complete = true;
    bool timed = true;
};

// The standing of one runner before the rows are built: only what the order needs.
struct Standing
{
    std::optional<double> total;
    bool complete = false;
};

// Runners with a total, in participant order, into the order of their totals, equal totals in
// participant order, as a stable sort by total gives it. Where the totals lie within a few seconds
// per runner of each other (a large class) they are counted out by whole seconds, each second's
// few runners then sorted by the exact total; false (nothing done) where they lie further apart or
// a total is not a finite number.
bool sortByWholeSeconds(std::vector<qint32>::iterator first, std::vector<qint32>::iterator last,
    const std::vector<Standing> &standings)
{
    const auto count = std::distance(first, last);
    if (count < 2)
        return true;
    double low = *standings[*first].total;
    double high = low;
    for (auto it = first; it != last; ++it) {
        const double total = *standings[*it].total;
        if (!std::isfinite(total))
            return false;
        low = std::min(low, total);
        high = std::max(high, total);
    }
    if (!(high - low < double(count) * 8))
        return false;
    const double base = std::floor(low);
    auto second = [&](qint32 i) { return std::size_t(std::floor(*standings[i].total) - base); };
    std::vector<qint32> start(std::size_t(std::floor(high) - base) + 2, 0);
    for (auto it = first; it != last; ++it)
        ++start[second(*it) + 1];
    for (std::size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    std::vector<qint32> sorted(static_cast<std::size_t>(count));
    for (auto it = first; it != last; ++it)
        sorted[std::size_t(start[second(*it)]++)] = *it;
    // Most seconds hold no runner or one; only those with more are sorted, by insertion (stable,
    // and without the buffer a stable sort takes) while they are few.
    for (std::size_t k = 0; k + 1 < start.size(); ++k) {
        const auto from = sorted.begin() + (k == 0 ? 0 : start[k - 1]);
        const auto to = sorted.begin() + start[k];
        auto earlier = [&](qint32 a, qint32 b) { return *standings[a].total < *standings[b].total; };
        if (to - from < 2)
            continue;
        if (to - from > 16) {
            std::stable_sort(from, to, earlier);
            continue;
        }
        for (auto it = from + 1; it != to; ++it) {
            const qint32 moving = *it;
            auto hole = it;
            for (; hole != from && earlier(moving, *(hole - 1)); --hole)
                *hole = *(hole - 1);
            *hole = moving;
        }
    }
    std::copy(sorted.begin(), sorted.end(), first);
    return true;
}

} // namespace

QList<StandingsRow> rankedResults(const Race &race, const QString &classId)
{
    const QList<QList<RankedEntry>> ranked = rankedEntriesOfClasses(race, {classId});
    QList<StandingsRow> rows;
    rows.reserve(ranked.constFirst().size());
    for (const RankedEntry &entry : ranked.constFirst())
        rows.append({*entry.participant, entry.totalTime, entry.completedAllStages});
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
        }
        const Participant &p = race.participants[i];
        if (!p.classId)
            continue;
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

    // chosen[stage * slots + slot]: the latest read-out, the first stored on equal `readAt`. One
    // stage's results stored in the runners' order then fill one stretch from start to end.
    const qsizetype stageCount = race.stages.size();
    const std::size_t slotCount = std::size_t(slotOf.size());
    std::vector<Counted> chosen(slotCount * std::size_t(stageCount));
    IdMemo<QList<qsizetype>> stagesOf;
    qint32 previous = -1;
    bool inOrder = false;
    for (qsizetype k = 0; k < race.results.size(); ++k) {
        // The table is only read where the results leave the runners' order.
        if (!inOrder && k + ahead < race.results.size())
            slotOf.prefetch(race.results[k + ahead].participantId);
        readAheadResult(race.results, k + 4 * ahead);
        const PersonResult &r = race.results[k];
        if (!r.stageId)
            continue;
        const qint32 runner = slotOf.findNear(r.participantId, previous);
        inOrder = runner >= 0 && runner == previous + 1;
        if (runner < 0)
            continue;
        previous = runner;
        const QList<qsizetype> &stages = stagesOf.get(*r.stageId, [&race](const QString &id) {
            QList<qsizetype> matches;
            for (qsizetype s = 0; s < race.stages.size(); ++s)
                if (sameId(id, race.stages[s].id))
                    matches.append(s);
            return matches;
        });
        for (qsizetype s : stages) {
            Counted &slot = chosen[std::size_t(s) * slotCount + std::size_t(runner)];
            if (slot.result < 0 || r.readAt > race.results[slot.result].readAt) {
                const bool completed = r.effectiveCompleted();
                const std::optional<double> time = completed ? stageTime(r) : std::nullopt;
                slot = {time.value_or(0), qint32(k), time.has_value(), completed};
            }
        }
    }
    // Stage by stage, each runner's total still adds the stages in their order.
    std::vector<Summary> summaries(slotCount);
    for (qsizetype s = 0; s < stageCount; ++s) {
        const Counted *stage = chosen.data() + std::size_t(s) * slotCount;
        for (std::size_t slot = 0; slot < slotCount; ++slot) {
            Summary &sum = summaries[slot];
            const Counted &r = stage[slot];
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

    for (qsizetype c = 0; c < classIds.size(); ++c) {
        const Runners &group = runners[c];
        const std::size_t count = group.participants.size();
        if (count == 0)
            continue;
        std::vector<Standing> standings(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (!group.countsResults[i])
                continue;
            const Summary &sum = summaries[std::size_t(slotOfParticipant[group.participants[i]])];
            standings[i].complete = sum.complete;
            if (sum.complete && sum.timed)
                standings[i].total = sum.total;
        }

        std::vector<qint32> order(count);
        std::iota(order.begin(), order.end(), 0);
        auto byTotal = [&](qint32 a, qint32 b) { return *standings[a].total < *standings[b].total; };
        const auto timed = std::stable_partition(
            order.begin(), order.end(), [&](qint32 i) { return standings[i].total.has_value(); });
        if (!sortByWholeSeconds(order.begin(), timed, standings))
            std::stable_sort(order.begin(), timed, byTotal);
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
        rows.reserve(qsizetype(count));
        for (qint32 i : order)
            rows.append(
                {&race.participants[group.participants[i]], standings[i].total, standings[i].complete});
    }
    return out;
}
