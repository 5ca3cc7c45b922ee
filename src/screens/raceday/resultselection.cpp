#include "resultselection.h"

#include "documenttext.h"
#include "idmemo.h"
#include "localization.h"
#include "nameorder.h"
#include "perstage.h"
#include "racelookup.h"
#include "readahead.h"
#include "resultgroups.h"
#include "resultverdict.h"
#include "standings.h"
#include "uuidslots.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

// Look-ups by id for one pass over all results: a hash for the common exact match, the linear
// canonical-equivalence search of racelookup for the rest, first match winning either way.
class Lookup
{
public:
    // Without `participants`, participant() and what uses it find nobody: for a caller that reads
    // the entries itself.
    explicit Lookup(const Race &race, bool participants = true)
        : m_race(race)
    {
        if (participants) {
            m_participants.reserve(race.participants.size());
            for (const Participant &p : race.participants)
                if (!m_participants.contains(p.id))
                    m_participants.insert(p.id, &p);
        }
        for (const RaceClass &c : race.classes)
            if (!m_classes.contains(c.id))
                m_classes.insert(c.id, &c);
        for (const Course &c : race.courses)
            if (!m_courses.contains(c.id))
                m_courses.insert(c.id, &c);
    }

    [[nodiscard]] bool onScoreCourse(const PersonResult &result) const
    {
        if (!result.courseId)
            return false;
        const Course *course = m_courses.value(*result.courseId);
        if (!course)
            course = findCourse(m_race, result.courseId);
        return course && course->type == CourseType::Rogaining;
    }

    [[nodiscard]] const Participant *participant(const QUuid &id) const { return m_participants.value(id); }

    [[nodiscard]] const RaceClass *raceClass(const std::optional<QString> &id) const
    {
        if (!id)
            return nullptr;
        if (const RaceClass *c = m_classes.value(*id))
            return c;
        return findClass(m_race, id);
    }

    [[nodiscard]] std::optional<QString> classIdOf(const PersonResult &result) const
    {
        const Participant *p = participant(result.participantId);
        if (!p)
            return std::nullopt;
        if (result.stageId && p->classIdByStage) {
            if (const QString *perStage = stageEntry(*p->classIdByStage, *result.stageId))
                return *perStage;
        }
        return p->classId;
    }

    [[nodiscard]] QString label(const PersonResult &result) const
    {
        const RaceClass *c = raceClass(classIdOf(result));
        return c ? c->name : localized(QStringLiteral("No class"));
    }

    [[nodiscard]] QString name(const PersonResult &result) const
    {
        const Participant *p = participant(result.participantId);
        return p ? personDisplayName(p->givenName, p->familyName) : QStringLiteral("Unknown");
    }

private:
    const Race &m_race;
    QHash<QUuid, const Participant *> m_participants;
    QHash<QString, const RaceClass *> m_classes;
    QHash<QString, const Course *> m_courses;
};

// sameId against one fixed id, remembered per distinct id: a canonical comparison of two
// different ids costs two normalisations, and a filter meets the same few ids thousands of times.
class IdMatcher
{
public:
    explicit IdMatcher(const QString &target)
        : m_target(target)
    { }
    [[nodiscard]] bool operator()(const QString &id) const
    {
        auto it = m_seen.constFind(id);
        if (it == m_seen.constEnd())
            it = m_seen.insert(id, sameId(id, m_target));
        return it.value();
    }

private:
    QString m_target;
    mutable QHash<QString, bool> m_seen;
};

class Selection
{
public:
    Selection(const Lookup &lookup, const ResultFilter &filter)
        : m_lookup(lookup)
        , m_filter(filter)
        , m_class(filter.classId)
        , m_stage(filter.stageId)
    { }

    [[nodiscard]] bool matches(const PersonResult &result) const
    {
        if (!m_filter.classId.isEmpty()) {
            const std::optional<QString> classId = m_lookup.classIdOf(result);
            if (!classId || !m_class(*classId))
                return false;
        }
        if (m_filter.stageId.isEmpty() || m_filter.showsOverall())
            return true;
        return result.stageId && m_stage(*result.stageId);
    }

private:
    const Lookup &m_lookup;
    const ResultFilter &m_filter;
    IdMatcher m_class;
    IdMatcher m_stage;
};

// std::llround, without a call into the library for every row: below 2^63 in size the part cut
// off by truncation is exact, and a half rounds away from zero, as llround rounds it.
inline qint64 roundedSeconds(double seconds)
{
    if (!(std::fabs(seconds) < 9.0e18))
        return std::llround(seconds);
    const auto whole = qint64(seconds);
    const double rest = seconds - double(whole);
    return whole + (rest >= 0.5 ? 1 : 0) - (rest <= -0.5 ? 1 : 0);
}

// rankedTime, inlined into the passes over every result: true with the time in `seconds`. A plain
// number and flag, not an optional: the pass would write the optional's two parts and read them
// back as one, which the processor cannot forward from its store buffer. A time of at most about
// 292 billion years, so that llround stays defined; without one the start and finish need not be
// read.
[[gnu::always_inline]] inline bool timeToRank(const PersonResult &result, double &seconds)
{
    if (!result.raceTime)
        return false;
    const double time = *result.raceTime;
    if (!std::isfinite(time) || std::fabs(time) > 9.0e18 || finishesBeforeStart(result))
        return false;
    seconds = time;
    return true;
}

// What ordering and placing a result needs, gathered in one pass over the results so that the
// sort compares small records and never reaches back into the results or the entries. A quarter
// of a cache line: a large event's groups are sorted from a few megabytes, not from the results.
// The runner is found again only for the few rows a name decides.
struct Member
{
    enum Flag : quint8 {
        Completed = 1,
        // The override does not take the place away (a score course's condition).
        PlaceAllowed = 2,
        HasTime = 4,
        HasScore = 8,
        // Run on a score course: the group is ranked by points.
        OnScore = 16,
    };

    qint64 time;
    qint32 result;
    quint8 flags;

    [[nodiscard]] bool has(Flag flag) const { return flags & flag; }
};

// One group's members in the order of race.results, and beside them their points where the event
// has a score course (no group is ranked by points otherwise).
struct GroupMembers
{
    std::vector<Member> members;
    std::vector<qint64> scores;
    bool scoreGroup = false;

    [[nodiscard]] std::optional<qint64> score(qint32 at) const
    {
        return members[std::size_t(at)].has(Member::HasScore) ? std::optional<qint64>(scores[std::size_t(at)])
                                                              : std::nullopt;
    }
};

// The entry holding a runner id first, or -1.
class EntryFinder
{
public:
    EntryFinder(const UuidSlots &table, const std::vector<qint32> &entryOfSlot)
        : m_slots(table)
        , m_entryOfSlot(entryOfSlot)
    { }
    [[nodiscard]] qint32 operator()(const QUuid &id) const
    {
        const qint32 slot = m_slots.find(id);
        return slot < 0 ? -1 : m_entryOfSlot[std::size_t(slot)];
    }

private:
    const UuidSlots &m_slots;
    const std::vector<qint32> &m_entryOfSlot;
};

struct Row
{
    qint64 time;
    // The row's member: its place in its group before sorting.
    qint32 at;
    bool placed;
    bool timed;

    [[nodiscard]] std::optional<qint64> timeValue() const
    {
        return timed ? std::optional<qint64>(time) : std::nullopt;
    }
};

// Buffers one call's groups share, so that each group is ordered in memory the previous one left
// in the caches instead of in new allocations.
struct Scratch
{
    std::vector<Row> rows;
    std::vector<Row> sorted;
    std::vector<qint32> start;
};

// Names are built only for the rows a comparison reaches them for: equal times, or no time.
class RowNames
{
public:
    RowNames(const Race &race, const std::vector<Member> &members, const EntryFinder &entryOf)
        : m_race(race)
        , m_members(members)
        , m_entryOf(entryOf)
    { }

    [[nodiscard]] const QString &operator()(const Row &row)
    {
        if (m_names.empty()) {
            m_names.resize(m_members.size());
            m_built.assign(m_members.size(), false);
        }
        const std::size_t i = std::size_t(row.at);
        if (!m_built[i]) {
            const qint32 p = m_entryOf(m_race.results[m_members[i].result].participantId);
            m_names[i] = p < 0
                ? QStringLiteral("Unknown")
                : personDisplayName(m_race.participants[p].givenName, m_race.participants[p].familyName);
            m_built[i] = true;
        }
        return m_names[i];
    }

private:
    const Race &m_race;
    const std::vector<Member> &m_members;
    const EntryFinder &m_entryOf;
    std::vector<QString> m_names;
    std::vector<bool> m_built;
};

// Negative, zero or positive: the order of the Parts' comparators (score, then time, then name;
// or time, then name), with placed rows ahead of the others.
int compareRows(const Row &a, const Row &b, const GroupMembers &group, RowNames &names)
{
    if (a.placed != b.placed)
        return a.placed ? -1 : 1;
    if (group.scoreGroup) {
        const std::optional<qint64> sa = group.score(a.at);
        const std::optional<qint64> sb = group.score(b.at);
        if (sa.has_value() != sb.has_value())
            return sa ? -1 : 1;
        if (sa && *sa != *sb)
            return *sa > *sb ? -1 : 1;
        if (sa && a.timed && b.timed)
            return a.time < b.time ? -1 : (a.time > b.time ? 1 : 0);
    } else {
        if (a.timed != b.timed)
            return a.timed ? -1 : 1;
        if (a.timed)
            return a.time < b.time ? -1 : (a.time > b.time ? 1 : 0);
    }
    return compareNames(names(a), names(b));
}

bool sameRank(const Row &a, const Row &b, const GroupMembers &group)
{
    if (group.scoreGroup && group.score(a.at) != group.score(b.at))
        return false;
    return a.timeValue() == b.timeValue();
}

// Places of consecutive ranked entries: a tie shares the place, the next one skips.
template<typename Placed, typename Tied>
QList<std::optional<qint64>> numberPlaces(qsizetype count, Placed placed, Tied tied)
{
    QList<std::optional<qint64>> places(count);
    std::optional<qint64> *place = places.data();
    for (qsizetype i = 0; i < count; ++i) {
        if (!placed(i))
            continue;
        place[i] = (i > 0 && place[i - 1] && tied(i - 1, i)) ? place[i - 1] : std::optional<qint64>(i + 1);
    }
    return places;
}

// Rows that all have a time, in the order read, into the order of their times, equal times as read.
// Where the times lie close together (a large class: seconds spread over an hour or two) they are
// counted out in one pass over the rows and one over the seconds; else compared.
void sortByTime(std::vector<Row>::iterator first, std::vector<Row>::iterator last, Scratch &scratch)
{
    const auto count = std::distance(first, last);
    if (count < 2)
        return;
    const auto [low, high]
        = std::minmax_element(first, last, [](const Row &a, const Row &b) { return a.time < b.time; });
    const qint64 min = low->time;
    // The difference of two whole seconds, however far apart, as an unsigned number.
    const quint64 range = quint64(high->time) - quint64(min);
    if (range >= quint64(count) * 8) {
        // Every key (time, place read) is distinct, so the unstable sort gives the stable order.
        std::sort(first, last,
            [](const Row &a, const Row &b) { return a.time != b.time ? a.time < b.time : a.at < b.at; });
        return;
    }
    std::vector<qint32> &start = scratch.start;
    start.assign(std::size_t(range) + 2, 0);
    for (auto it = first; it != last; ++it)
        ++start[std::size_t(quint64(it->time) - quint64(min)) + 1];
    for (std::size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    std::vector<Row> &sorted = scratch.sorted;
    sorted.resize(static_cast<std::size_t>(count));
    for (auto it = first; it != last; ++it)
        sorted[std::size_t(start[std::size_t(quint64(it->time) - quint64(min))]++)] = *it;
    std::copy(sorted.begin(), sorted.end(), first);
}

ClassResults orderGroup(
    const Race &race, QString label, const GroupMembers &of, const EntryFinder &entryOf, Scratch &scratch)
{
    const std::vector<Member> &members = of.members;
    const qsizetype count = qsizetype(members.size());
    const bool score = of.scoreGroup;
    ClassResults group;
    group.className = std::move(label);
    group.scoreGroup = score;

    std::vector<Row> &rows = scratch.rows;
    rows.resize(std::size_t(count));
    // Whether a row may hold a place: by points (the overtime penalty is in them) where the group
    // ranks by points, else completed with a time.
    auto rowOf = [score](const Member &m, qint32 at) {
        const bool placed = score ? m.has(Member::HasScore) && m.has(Member::PlaceAllowed)
                                  : m.has(Member::Completed) && m.has(Member::HasTime);
        return Row {m.time, at, placed, m.has(Member::HasTime)};
    };
    RowNames names(race, members, entryOf);
    if (score) {
        for (qsizetype i = 0; i < count; ++i)
            rows[std::size_t(i)] = rowOf(members[std::size_t(i)], qint32(i));
        std::stable_sort(rows.begin(), rows.end(),
            [&](const Row &a, const Row &b) { return compareRows(a, b, of, names) < 0; });
    } else {
        // compareRows' order for a timed group in steps: the placed rows, then the others with a
        // time, each by time with equal times as read, then the rows without one by name. No name
        // is built where a time decides. The rows are dealt into those three stretches in the
        // order read (a placed row always has a time).
        constexpr quint8 placedFlags = Member::Completed | Member::HasTime;
        std::size_t placedCount = 0;
        std::size_t timedCount = 0;
        for (const Member &m : members) {
            placedCount += (m.flags & placedFlags) == placedFlags ? 1 : 0;
            timedCount += (m.flags & Member::HasTime) ? 1 : 0;
        }
        std::size_t next[3] = {0, placedCount, timedCount};
        for (qsizetype i = 0; i < count; ++i) {
            const Member &m = members[std::size_t(i)];
            const bool placed = (m.flags & placedFlags) == placedFlags;
            const bool timed = m.flags & Member::HasTime;
            rows[next[placed ? 0 : (timed ? 1 : 2)]++] = {m.time, qint32(i), placed, timed};
        }
        const auto placed = rows.begin() + std::ptrdiff_t(placedCount);
        const auto timed = rows.begin() + std::ptrdiff_t(timedCount);
        sortByTime(rows.begin(), placed, scratch);
        sortByTime(placed, timed, scratch);
        std::stable_sort(
            timed, rows.end(), [&](const Row &a, const Row &b) { return compareRows(a, b, of, names) < 0; });
    }

    group.places = numberPlaces(
        count, [&](qsizetype i) { return rows[std::size_t(i)].placed; },
        [&](qsizetype a, qsizetype b) { return sameRank(rows[std::size_t(a)], rows[std::size_t(b)], of); });
    group.results.resize(count);
    const PersonResult **result = group.results.data();
    for (const Row &row : rows)
        *result++ = &race.results[members[std::size_t(row.at)].result];
    if (!score && !rows.empty() && rows.front().placed)
        group.leaderTime = rankedTime(race.results[members[std::size_t(rows.front().at)].result]);
    return group;
}

// The runners marked on the stage shown (in an event without stages, marked at all), with or
// without a result of it, into the group of the class they run it in: a group of its own where
// the class has no result listed.
void addMarkedRunners(const Race &race, const ResultFilter &filter, QList<ClassResults> &groups)
{
    const bool byStage = !filter.stageId.isEmpty() && !filter.showsOverall();
    if (!byStage && !(filter.stageId.isEmpty() && race.stages.isEmpty()))
        return;
    const std::optional<QString> stageId = byStage ? std::optional<QString>(filter.stageId) : std::nullopt;
    QList<MarkedRunner> marked;
    for (const Participant &p : race.participants) {
        if (!p.status && !p.statusByStage)
            continue;
        if (const std::optional<ParticipantStatus> mark = statusOnStage(p, stageId))
            marked.append({p, *mark});
    }
    if (marked.isEmpty())
        return;
    // Their reads of the stage, if any, were left out of the groups (resultsForClass).
    const IdMatcher classFilter(filter.classId);
    bool newGroup = false;
    for (MarkedRunner &runner : marked) {
        const std::optional<QString> classId = classIdOnStage(runner.participant, stageId);
        if (!filter.classId.isEmpty() && !(classId && classFilter(*classId)))
            continue;
        const RaceClass *c = findClass(race, classId);
        const QString label = c ? c->name : localized(QStringLiteral("No class"));
        auto group = std::find_if(
            groups.begin(), groups.end(), [&label](const ClassResults &g) { return g.className == label; });
        if (group == groups.end()) {
            groups.append(ClassResults {label, {}, {}, false, std::nullopt, {}});
            group = groups.end() - 1;
            newGroup = true;
        }
        group->marked.append(std::move(runner));
    }
    for (ClassResults &group : groups) {
        std::stable_sort(
            group.marked.begin(), group.marked.end(), [](const MarkedRunner &a, const MarkedRunner &b) {
                return compareNames(personDisplayName(a.participant.givenName, a.participant.familyName),
                           personDisplayName(b.participant.givenName, b.participant.familyName))
                    < 0;
            });
    }
    if (newGroup)
        std::stable_sort(groups.begin(), groups.end(), [](const ClassResults &a, const ClassResults &b) {
            return compareNames(a.className, b.className) < 0;
        });
}

} // namespace

QString displayName(const Race &race, const PersonResult &result)
{
    return Lookup(race).name(result);
}

std::optional<QString> labelClassId(const Race &race, const PersonResult &result)
{
    return Lookup(race).classIdOf(result);
}

QString classLabel(const Race &race, const PersonResult &result)
{
    return Lookup(race).label(result);
}

bool resultMatchesFilter(const Race &race, const ResultFilter &filter, const PersonResult &result)
{
    const Lookup lookup(race);
    return Selection(lookup, filter).matches(result);
}

bool classUsesScoreCourse(const Race &race, const QList<PersonResult> &results)
{
    const Lookup lookup(race);
    return std::any_of(
        results.begin(), results.end(), [&lookup](const PersonResult &r) { return lookup.onScoreCourse(r); });
}

std::optional<double> rankedTime(const PersonResult &result)
{
    // A finish before the start has no time to rank, whatever an earlier version stored for it.
    double seconds = 0;
    if (!timeToRank(result, seconds))
        return std::nullopt;
    return seconds;
}

QList<ClassResults> resultsForClass(const Race &race, const ResultFilter &filter)
{
    const Lookup lookup(race, false);

    // Per class id as the results meet it: its label (classes sharing a name share one) and
    // whether the class filter lets it through. Groups are numbered in the order their first
    // listed result comes, as the labels' order is stable.
    struct ClassInfo
    {
        qint32 label;
        bool passes;
    };
    QList<QString> labelTexts;
    QHash<QString, qint32> labelOfText;
    auto labelOf = [&](const QString &text) {
        auto it = labelOfText.constFind(text);
        if (it == labelOfText.constEnd()) {
            it = labelOfText.insert(text, qint32(labelTexts.size()));
            labelTexts.append(text);
        }
        return it.value();
    };
    const IdMatcher classFilter(filter.classId);
    IdMemo<ClassInfo> classes;
    auto classInfo = [&](const QString &classId) {
        return classes.get(classId, [&](const QString &id) {
            const RaceClass *c = lookup.raceClass(id);
            return ClassInfo {labelOf(c ? c->name : localized(QStringLiteral("No class"))),
                filter.classId.isEmpty() || classFilter(id)};
        });
    };
    const ClassInfo noClass {labelOf(localized(QStringLiteral("No class"))), filter.classId.isEmpty()};
    QList<QString> labels;
    std::vector<qint32> groupOfLabel;

    // Each entry's own class, read in one pass over the entries: looked up result by result, the
    // entries would be read in the results' order, all over the event.
    struct EntryClass
    {
        ClassInfo base;
        bool perStage;
    };
    std::vector<EntryClass> entryClasses;
    entryClasses.reserve(std::size_t(race.participants.size()));
    // The entry of each distinct id, the first holding it (as Lookup's), by the id's slot.
    UuidSlots slotOf(race.participants.size());
    std::vector<qint32> entryOfSlot;
    entryOfSlot.reserve(std::size_t(race.participants.size()));
    constexpr qsizetype ahead = 8;
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        if (i + ahead < race.participants.size())
            slotOf.prefetch(race.participants[i + ahead].id);
        if (i + 4 * ahead < race.participants.size()) {
            const Participant &later = race.participants[i + 4 * ahead];
            __builtin_prefetch(&later.id);
            __builtin_prefetch(&later.classId);
            __builtin_prefetch(&later.classIdByStage);
        }
        const Participant &p = race.participants[i];
        bool added = false;
        slotOf.insert(p.id, added);
        if (added)
            entryOfSlot.push_back(qint32(i));
        entryClasses.push_back({p.classId ? classInfo(*p.classId) : noClass, p.classIdByStage.has_value()});
    }

    const bool byStage = !filter.stageId.isEmpty() && !filter.showsOverall();
    // Where one stage is listed (or the event has none), a runner marked on it is listed with the
    // mark, whatever was read: the organiser's mark stands until it is cleared. Their reads of it
    // take no place here.
    std::vector<bool> markedEntries;
    if (byStage || (filter.stageId.isEmpty() && race.stages.isEmpty())) {
        const std::optional<QString> shownStage
            = byStage ? std::optional<QString>(filter.stageId) : std::nullopt;
        for (qsizetype i = 0; i < race.participants.size(); ++i) {
            const Participant &p = race.participants[i];
            if ((p.status || p.statusByStage) && statusOnStage(p, shownStage)) {
                if (markedEntries.empty())
                    markedEntries.assign(std::size_t(race.participants.size()), false);
                markedEntries[std::size_t(i)] = true;
            }
        }
    }
    IdMemo<bool> stages;
    IdMemo<bool> scoreCourses;
    // Without a score course in the event no result is on one, whatever its course id.
    const bool anyScoreCourse = std::any_of(race.courses.begin(), race.courses.end(),
        [](const Course &c) { return c.type == CourseType::Rogaining; });
    // Each group's members in the order of race.results, gathered as they are met, so that each
    // group is then sorted from one stretch of memory.
    std::vector<GroupMembers> members;
    // Room for an even share of the results in each group as it opens, so that the groups of a
    // large event mostly fill without moving.
    const std::size_t share = std::size_t(race.results.size() / std::max<qsizetype>(1, race.classes.size()));
    // Every result the filters let through, ascending, with its runner (the entry's slot; a
    // result of nobody entered, a number after those) and its stage: the reads that count are
    // judged among them.
    std::vector<qint32> listed;
    std::vector<qint32> listedRunner;
    std::vector<qint32> listedStage;
    StageNumbers stageNumbers(race);
    const std::size_t most = std::size_t(race.results.size());
    listed.reserve(most);
    listedRunner.reserve(most);
    listedStage.reserve(most);
    QHash<QUuid, qint32> strangers;
    qint32 previousSlot = -1;
    bool inOrder = false;
    for (qsizetype i = 0; i < race.results.size(); ++i) {
        // The slot table is only read where the results leave the entries' order.
        if (!inOrder && i + ahead < race.results.size())
            slotOf.prefetch(race.results[i + ahead].participantId);
        // Where one stage is shown, most records are left after their stage id: asking for all
        // of theirs costs more than it saves.
        if (!byStage)
            readAheadResult(race.results, i + 4 * ahead);
        const PersonResult &r = race.results[i];
        if (byStage && !(r.stageId && stages.get(*r.stageId, [&](const QString &id) {
                return sameId(id, filter.stageId);
            })))
            continue;
        const qint32 slot = slotOf.findNear(r.participantId, previousSlot);
        inOrder = slot >= 0 && slot == previousSlot + 1;
        if (slot >= 0)
            previousSlot = slot;
        const qint32 entry = slot < 0 ? -1 : entryOfSlot[std::size_t(slot)];
        if (entry >= 0 && !markedEntries.empty() && markedEntries[std::size_t(entry)])
            continue;
        const Participant *participant = entry < 0 ? nullptr : &race.participants[entry];
        ClassInfo info = noClass;
        if (participant) {
            const EntryClass &own = entryClasses[std::size_t(entry)];
            info = own.base;
            const QString *perStage = nullptr;
            if (own.perStage && r.stageId)
                perStage = stageEntry(*participant->classIdByStage, *r.stageId);
            if (perStage)
                info = classInfo(*perStage);
        }
        if (!info.passes)
            continue;
        if (std::size_t(info.label) >= groupOfLabel.size())
            groupOfLabel.resize(std::size_t(info.label) + 1, -1);
        qint32 &group = groupOfLabel[std::size_t(info.label)];
        if (group < 0) {
            group = qint32(labels.size());
            labels.append(labelTexts[info.label]);
            members.emplace_back().members.reserve(share);
        }
        const bool onScore = anyScoreCourse && r.courseId
            && scoreCourses.get(*r.courseId, [&](const QString &) { return lookup.onScoreCourse(r); });
        double seconds = 0;
        const bool timed = timeToRank(r, seconds);
        const qint64 time = timed ? roundedSeconds(seconds) : 0;
        // A run held for review that an older version stored completed takes no place (the
        // evaluation holds one not completed). Points place by the verdict: neither points held
        // for review nor points that wait for a start time to be judged against the limit.
        const bool completed = onScore ? r.effectiveCompleted() : countsCompleted(r);
        bool placeAllowed = r.completedOverride.value_or(true);
        if (onScore) {
            const ResultVerdict verdict = resultVerdict(r, true);
            placeAllowed = verdict != ResultVerdict::Mispunch && verdict != ResultVerdict::NoStartTime
                && verdict != ResultVerdict::UnderReview;
        }
        const quint8 flags = (completed ? Member::Completed : 0) | (placeAllowed ? Member::PlaceAllowed : 0)
            | (timed ? Member::HasTime : 0) | (r.score ? Member::HasScore : 0)
            | (onScore ? Member::OnScore : 0);
        GroupMembers &into = members[std::size_t(group)];
        into.members.push_back({time, qint32(i), flags});
        if (anyScoreCourse)
            into.scores.push_back(r.score.value_or(0));
        if (onScore)
            into.scoreGroup = true;
        listed.push_back(qint32(i));
        if (slot < 0 && !strangers.contains(r.participantId))
            strangers.insert(r.participantId, qint32(slotOf.size() + strangers.size()));
        listedRunner.push_back(slot >= 0 ? slot : strangers.value(r.participantId));
        listedStage.push_back(stageNumbers(r.stageId));
    }
    // One result per runner and stage: an earlier read of a runner's stage is listed where reads
    // are, never here. A runner's reads of a stage are all listed or none (the class of the
    // stage and the stage decide), so the reads listed are judged among themselves.
    const std::vector<qint32> counting = countingReadOf(
        race, &listed, listedRunner, slotOf.size() + strangers.size(), listedStage, stageNumbers);
    const bool anyEarlier = std::any_of(
        listed.cbegin(), listed.cend(), [&counting](qint32 k) { return counting[std::size_t(k)] != k; });
    for (GroupMembers &group : members) {
        if (!anyEarlier)
            break;
        group.scoreGroup = false;
        std::size_t kept = 0;
        for (std::size_t m = 0; m < group.members.size(); ++m) {
            const Member member = group.members[m];
            if (counting[std::size_t(member.result)] != member.result)
                continue;
            if (anyScoreCourse)
                group.scores[kept] = group.scores[m];
            group.members[kept++] = member;
            group.scoreGroup |= member.has(Member::OnScore);
        }
        group.members.resize(kept);
        if (anyScoreCourse)
            group.scores.resize(kept);
    }

    QList<qint32> order(labels.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [&labels](qint32 a, qint32 b) { return compareNames(labels[a], labels[b]) < 0; });

    QList<ClassResults> groups;
    groups.reserve(labels.size());
    Scratch scratch;
    const EntryFinder entryOf(slotOf, entryOfSlot);
    for (qint32 g : order)
        groups.append(orderGroup(race, labels[g], members[std::size_t(g)], entryOf, scratch));
    addMarkedRunners(race, filter, groups);
    return groups;
}

QList<ClassStandings> overallStandings(const Race &race, const ResultFilter &filter)
{
    QList<ClassStandings> groups;
    if (race.stages.isEmpty())
        return groups;

    QList<qsizetype> shown;
    QList<QString> classIds;
    for (qsizetype c = 0; c < race.classes.size(); ++c) {
        if (!filter.classId.isEmpty() && !sameId(race.classes[c].id, filter.classId))
            continue;
        shown.append(c);
        classIds.append(race.classes[c].id);
    }
    // A non-finite stage time would poison a total and the standings' order: such a time counts
    // as none (the runner then has no total).
    QList<QList<RankedEntry>> rowsOfClass = rankedEntriesOfClasses(race, classIds, rankedTime);

    for (qsizetype k = 0; k < shown.size(); ++k) {
        QList<RankedEntry> &rows = rowsOfClass[k];
        if (rows.isEmpty())
            continue;
        ClassStandings group;
        group.className = race.classes[shown[k]].name;
        group.scoreGroup = rows.constFirst().byPoints;
        // numberPlaces, each total rounded once. By points, a runner who completed every stage is
        // placed, tied with the one before on the same points and the same total (or none).
        group.places.resize(rows.size());
        std::optional<qint64> *place = group.places.data();
        const RankedEntry *row = rows.constData();
        std::optional<qint64> previousSeconds;
        std::optional<qint64> previousPoints;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (!row[i].completedAllStages
                || !(group.scoreGroup ? row[i].totalScore.has_value() : row[i].totalTime.has_value()))
                continue;
            const std::optional<qint64> seconds
                = row[i].totalTime ? std::optional<qint64>(roundedSeconds(*row[i].totalTime)) : std::nullopt;
            place[i]
                = (i > 0 && place[i - 1] && previousSeconds == seconds && previousPoints == row[i].totalScore)
                ? place[i - 1]
                : std::optional<qint64>(i + 1);
            previousSeconds = seconds;
            previousPoints = row[i].totalScore;
        }
        group.standings = std::move(rows);
        groups.append(std::move(group));
    }
    std::stable_sort(groups.begin(), groups.end(), [](const ClassStandings &a, const ClassStandings &b) {
        return compareNames(a.className, b.className) < 0;
    });
    return groups;
}

std::optional<QString> selectedStageName(const Race &race, const ResultFilter &filter)
{
    if (filter.showsOverall())
        return std::nullopt;
    for (const Stage &stage : race.stages) {
        if (sameId(stage.id, filter.stageId))
            return stage.name;
    }
    return std::nullopt;
}

QList<ResultGroup> toResultGroups(const QList<ClassResults> &groups)
{
    QList<ResultGroup> out;
    out.reserve(groups.size());
    for (const ClassResults &g : groups) {
        QList<PersonResult> results;
        results.reserve(g.results.size());
        for (const PersonResult *r : g.results)
            results.append(*r);
        out.append({g.className, std::move(results), g.places, g.marked, g.leaderTime});
    }
    return out;
}

QList<StandingsGroup> toStandingsGroups(const QList<ClassStandings> &groups)
{
    QList<StandingsGroup> out;
    out.reserve(groups.size());
    for (const ClassStandings &g : groups) {
        QList<StandingsRow> rows;
        rows.reserve(g.standings.size());
        for (const RankedEntry &entry : g.standings)
            rows.append({*entry.participant, entry.totalTime, entry.completedAllStages, entry.totalScore,
                entry.status});
        out.append({g.className, std::move(rows), g.places, g.scoreGroup});
    }
    return out;
}
