#include "resultselection.h"

#include "documenttext.h"
#include "nameorder.h"
#include "racelookup.h"
#include "resultgroups.h"
#include "standings.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

// Look-ups by id for one pass over all results: a hash for the common exact match, the linear
// canonical-equivalence search of racelookup for the rest, first match winning either way.
class Lookup
{
public:
    explicit Lookup(const Race &race)
        : m_race(race)
    {
        m_participants.reserve(race.participants.size());
        for (const Participant &p : race.participants)
            if (!m_participants.contains(p.id))
                m_participants.insert(p.id, &p);
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
        return c ? c->name : QStringLiteral("No class");
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

std::optional<qint64> wholeSeconds(const std::optional<double> &seconds)
{
    if (!seconds)
        return std::nullopt;
    return std::llround(*seconds);
}

// A time of at most about 292 billion years, so that llround stays defined.
std::optional<double> finiteTime(const std::optional<double> &seconds)
{
    if (!seconds || !std::isfinite(*seconds) || std::fabs(*seconds) > 9.0e18)
        return std::nullopt;
    return seconds;
}

struct Row
{
    const PersonResult *result;
    QString name;
    std::optional<qint64> time;
    bool placed;
};

// Negative, zero or positive: the order of the Parts' comparators (score, then time, then name;
// or time, then name), with placed rows ahead of the others.
int compareRows(const Row &a, const Row &b, bool scoreGroup)
{
    if (a.placed != b.placed)
        return a.placed ? -1 : 1;
    if (scoreGroup) {
        const auto &sa = a.result->score;
        const auto &sb = b.result->score;
        if (sa.has_value() != sb.has_value())
            return sa ? -1 : 1;
        if (sa && *sa != *sb)
            return *sa > *sb ? -1 : 1;
        if (sa && a.time && b.time)
            return *a.time < *b.time ? -1 : (*a.time > *b.time ? 1 : 0);
    } else {
        if (a.time.has_value() != b.time.has_value())
            return a.time ? -1 : 1;
        if (a.time)
            return *a.time < *b.time ? -1 : (*a.time > *b.time ? 1 : 0);
    }
    return compareNames(a.name, b.name);
}

bool sameRank(const Row &a, const Row &b, bool scoreGroup)
{
    if (scoreGroup)
        return a.result->score == b.result->score && a.time == b.time;
    return a.time == b.time;
}

// Places of consecutive ranked entries: a tie shares the place, the next one skips.
template<typename Placed, typename Tied>
QList<std::optional<qint64>> numberPlaces(qsizetype count, Placed placed, Tied tied)
{
    QList<std::optional<qint64>> places(count);
    for (qsizetype i = 0; i < count; ++i) {
        if (!placed(i))
            continue;
        places[i] = (i > 0 && places[i - 1] && tied(i - 1, i)) ? places[i - 1] : std::optional<qint64>(i + 1);
    }
    return places;
}

ClassResults orderGroup(const Lookup &lookup, QString label, QList<const PersonResult *> results)
{
    ClassResults group;
    group.className = std::move(label);
    group.scoreGroup = std::any_of(results.begin(), results.end(),
        [&lookup](const PersonResult *r) { return lookup.onScoreCourse(*r); });

    QList<Row> rows;
    rows.reserve(results.size());
    for (const PersonResult *r : results)
        rows.append({r, lookup.name(*r), wholeSeconds(rankedTime(*r)), earnsPlace(*r, group.scoreGroup)});
    const bool score = group.scoreGroup;
    std::stable_sort(rows.begin(), rows.end(),
        [score](const Row &a, const Row &b) { return compareRows(a, b, score) < 0; });

    group.places = numberPlaces(
        rows.size(), [&](qsizetype i) { return rows[i].placed; },
        [&](qsizetype a, qsizetype b) { return sameRank(rows[a], rows[b], score); });
    group.results.reserve(rows.size());
    for (const Row &row : rows)
        group.results.append(*row.result);
    if (!score && !rows.isEmpty() && rows.first().placed)
        group.leaderTime = rankedTime(*rows.first().result);
    return group;
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
    if (finishesBeforeStart(result))
        return std::nullopt;
    return finiteTime(result.raceTime);
}

bool earnsPlace(const PersonResult &result, bool scoreGroup)
{
    // The points of a score course already carry the overtime penalty, so a runner over the limit
    // still ranks by them; only an override to incomplete takes the place away.
    if (scoreGroup)
        return result.score.has_value() && result.completedOverride.value_or(true);
    return result.effectiveCompleted() && rankedTime(result).has_value();
}

QList<ClassResults> resultsForClass(const Race &race, const ResultFilter &filter)
{
    const Lookup lookup(race);
    const Selection selection(lookup, filter);
    QList<QString> labels;
    QHash<QString, QList<const PersonResult *>> members;
    for (const PersonResult &r : race.results) {
        if (!selection.matches(r))
            continue;
        const QString label = lookup.label(r);
        auto it = members.find(label);
        if (it == members.end()) {
            labels.append(label);
            it = members.insert(label, {});
        }
        it->append(&r);
    }
    std::stable_sort(labels.begin(), labels.end(),
        [](const QString &a, const QString &b) { return compareNames(a, b) < 0; });

    QList<ClassResults> groups;
    groups.reserve(labels.size());
    for (const QString &label : labels)
        groups.append(orderGroup(lookup, label, members.value(label)));
    return groups;
}

QList<ClassStandings> overallStandings(const Race &race, const ResultFilter &filter)
{
    QList<ClassStandings> groups;
    if (race.stages.isEmpty())
        return groups;

    // A non-finite stage time would poison a total and the standings' order: rank a copy in which
    // such times are absent (the runner then has no total).
    const bool clean = std::all_of(race.results.begin(), race.results.end(),
        [](const PersonResult &r) { return !r.raceTime || rankedTime(r); });
    std::optional<Race> cleaned;
    if (!clean) {
        cleaned = race;
        for (PersonResult &r : cleaned->results)
            r.raceTime = rankedTime(r);
    }
    const Race &ranked = cleaned ? *cleaned : race;

    for (const RaceClass &c : race.classes) {
        if (!filter.classId.isEmpty() && !sameId(c.id, filter.classId))
            continue;
        QList<StandingsRow> rows = rankedResults(ranked, c.id);
        if (rows.isEmpty())
            continue;
        ClassStandings group;
        group.className = c.name;
        group.places = numberPlaces(
            rows.size(),
            [&](qsizetype i) { return rows[i].completedAllStages && rows[i].totalTime.has_value(); },
            [&](qsizetype a, qsizetype b) {
                return wholeSeconds(rows[a].totalTime) == wholeSeconds(rows[b].totalTime);
            });
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
    for (const ClassResults &g : groups)
        out.append({g.className, g.results, g.places});
    return out;
}

QList<StandingsGroup> toStandingsGroups(const QList<ClassStandings> &groups)
{
    QList<StandingsGroup> out;
    out.reserve(groups.size());
    for (const ClassStandings &g : groups)
        out.append({g.className, g.standings, g.places});
    return out;
}
