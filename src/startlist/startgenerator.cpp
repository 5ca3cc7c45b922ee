#include "startgenerator.h"

#include "perstage.h"
#include "racelookup.h"
#include "starttimetext.h"

#include <QRandomGenerator64>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace {

constexpr int maxWindowMinutes = 1440;

// The value stored under the key, storing `value` first when the key is new.
template<typename K> int valueOrInsert(QHash<K, int> &hash, const K &key, int value)
{
    auto it = hash.constFind(key);
    if (it != hash.constEnd())
        return it.value();
    hash.insert(key, value);
    return value;
}

// Ids compare by canonical equivalence (see sameId); hashed in their composed form.
QString idKey(const QString &id)
{
    return id.normalized(QString::NormalizationForm_C);
}

template<typename T>
const T *entryForStage(const std::optional<StageMap<T>> &map, const std::optional<QString> &stage)
{
    if (!stage || !map)
        return nullptr;
    return stageEntry(*map, *stage);
}

std::optional<QString> classCourseForStage(const RaceClass &cls, const std::optional<QString> &stageId)
{
    if (const QString *perStage = entryForStage(cls.stageCourseIds, stageId))
        return *perStage;
    return cls.courseId;
}

bool courseOnStage(const Course &course, const std::optional<QString> &stageId)
{
    return !stageId || !course.stageId || sameId(*course.stageId, *stageId);
}

QString runnerName(const Participant &p)
{
    static const QRegularExpression edges(QStringLiteral("^[ \\t]+|[ \\t]+$"));
    QString name = p.givenName + u' ' + p.familyName;
    name.remove(edges);
    return name.isEmpty() ? QStringLiteral("(no name)") : name;
}

// The first index of each id in a list, by canonical id.
template<typename T> QHash<QString, int> indexById(const QList<T> &items)
{
    QHash<QString, int> index;
    for (int i = 0; i < items.size(); ++i)
        if (!index.contains(idKey(items[i].id)))
            index.insert(idKey(items[i].id), i);
    return index;
}

// Natural order of names: case-insensitive, runs of digits by their value ("h9" < "H21").
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            auto digits = [](const QString &s, qsizetype from, qsizetype to) {
                while (from < to - 1 && s[from] == u'0')
                    ++from;
                return QStringView(s).mid(from, to - from);
            };
            const QStringView da = digits(a, i, ei), db = digits(b, j, ej);
            if (da.size() != db.size())
                return da.size() < db.size();
            if (const int c = da.compare(db); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (const int c = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), Qt::CaseInsensitive);
            c != 0)
            return c < 0;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// Search order of one pass: the target, then outward one step at a time, the earlier slot first.
template<typename Acceptable>
std::optional<int> searchOutward(int target, int slotCount, Acceptable acceptable)
{
    if (target >= 0 && target < slotCount && acceptable(target))
        return target;
    for (int d = 1;; ++d) {
        const bool below = target - d >= 0;
        const bool above = target + d < slotCount;
        if (!below && !above)
            return std::nullopt;
        if (below && acceptable(target - d))
            return target - d;
        if (above && acceptable(target + d))
            return target + d;
    }
}

// Marks the slots closer than the gap to `slot` in a per-slot count of near neighbours.
void markNear(std::vector<int> &near, int slot, int gap)
{
    const int from = std::max(0, slot - gap + 1);
    const int to = std::min(int(near.size()) - 1, slot + gap - 1);
    for (int s = from; s <= to; ++s)
        ++near[s];
}

struct Group
{
    QString classId;
    QList<int> runners; // indexes into the participant list
};

// Interned clubs of the participants: -1 for none.
struct ClubIndex
{
    std::vector<int> clubOf;
    int count = 0;
};

// Places one list of runners on one list of slots (see placeByClub). `lastSlot`/`lastStamp` hold
// the class's last slot per club; `mark` is scratch for the neighbour clubs of one slot.
class ClubPlacer
{
public:
    ClubPlacer(const ClubIndex &clubs, std::vector<std::vector<int>> &slotRunners)
        : m_clubs(clubs)
        , m_slotRunners(slotRunners)
        , m_lastSlot(clubs.count, 0)
        , m_lastStamp(clubs.count, 0)
        , m_mark(clubs.count, 0)
    { }

    void startClass() { ++m_classStamp; }

    void place(const QList<int> &slotList, QList<int> &pool)
    {
        const int slotCount = int(m_slotRunners.size());
        for (int slot : slotList) {
            if (pool.isEmpty())
                return;
            ++m_markStamp;
            for (int offset : {-2, -1, 1, 2}) {
                const int s = slot + offset;
                if (s < 0 || s >= slotCount)
                    continue;
                for (int runner : m_slotRunners[s]) {
                    const int club = m_clubs.clubOf[runner];
                    if (club >= 0)
                        m_mark[club] = m_markStamp;
                }
            }
            qsizetype best = 0;
            int bestScore = std::numeric_limits<int>::min();
            for (qsizetype i = 0; i < pool.size(); ++i) {
                const int club = m_clubs.clubOf[pool[i]];
                int score = 1000;
                if (club >= 0) {
                    score = (m_mark[club] == m_markStamp ? -100 : 0)
                        + (m_lastStamp[club] == m_classStamp ? slot - m_lastSlot[club] : 1000);
                }
                if (score > bestScore) {
                    bestScore = score;
                    best = i;
                }
            }
            const int runner = pool.takeAt(best);
            m_slotRunners[slot].push_back(runner);
            if (const int club = m_clubs.clubOf[runner]; club >= 0) {
                m_lastSlot[club] = slot;
                m_lastStamp[club] = m_classStamp;
            }
        }
    }

private:
    const ClubIndex &m_clubs;
    std::vector<std::vector<int>> &m_slotRunners;
    std::vector<int> m_lastSlot;
    std::vector<int> m_lastStamp;
    std::vector<int> m_mark;
    int m_classStamp = 0;
    int m_markStamp = 0;
};

ClubIndex internClubs(const QStringList &clubs)
{
    ClubIndex index;
    QHash<QString, int> ids;
    index.clubOf.reserve(clubs.size());
    for (const QString &club : clubs) {
        if (club.isEmpty()) {
            index.clubOf.push_back(-1);
            continue;
        }
        const int id = valueOrInsert(ids, club, index.count);
        if (id == index.count)
            ++index.count;
        index.clubOf.push_back(id);
    }
    return index;
}

void shuffle(QList<int> &items, QRandomGenerator64 &rng)
{
    for (qsizetype i = items.size() - 1; i > 0; --i)
        std::swap(items[i], items[qsizetype(rng.bounded(quint32(i + 1)))]);
}

// Union-find over the course tokens of the start groups.
struct TokenSets
{
    QHash<QString, int> ids;
    std::vector<int> parent;
    QStringList names;

    int token(const QString &name)
    {
        const int id = valueOrInsert(ids, name, int(parent.size()));
        if (id == int(parent.size())) {
            parent.push_back(id);
            names.append(name);
        }
        return id;
    }
    int find(int t)
    {
        while (parent[t] != t)
            t = parent[t] = parent[parent[t]];
        return t;
    }
    void join(int a, int b)
    {
        a = find(a);
        b = find(b);
        if (a != b)
            parent[std::max(a, b)] = std::min(a, b);
    }
};

} // namespace

StartGrid startGrid(const StartGeneratorSettings &settings, qsizetype runnerCount)
{
    const int window = std::max(1, std::clamp(settings.windowMinutes, 0, maxWindowMinutes));
    StartGrid grid;
    grid.slotCount = window + 1;
    grid.capacity = int(std::clamp<qint64>(settings.slotCapacity, 1, std::max<qint64>(runnerCount, 1)));
    grid.gap = std::clamp(settings.minSpacingMinutes, 1, window);
    return grid;
}

QString classIdForStage(const Participant &p, const std::optional<QString> &stageId)
{
    if (const QString *perStage = entryForStage(p.classIdByStage, stageId))
        return *perStage;
    return p.classId.value_or(QString());
}

bool usesStartPunch(const RaceClass &cls, const std::optional<QString> &stageId)
{
    if (const StartMethod *perStage = entryForStage(cls.stageStartMethods, stageId))
        return *perStage == StartMethod::StartPunch;
    return cls.startMethod == StartMethod::StartPunch;
}

QHash<QString, QStringList> classCourseTokens(const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const std::optional<QString> &stageId)
{
    QHash<QString, QStringList> tokens; // class id key -> its tokens, in the order found
    auto addToken = [&](const QString &classKey, const QString &token) {
        QStringList &list = tokens[classKey];
        if (!list.contains(token))
            list.append(token);
    };
    auto course = [](const QString &id) { return QStringLiteral("course:") + idKey(id); };

    for (const RaceClass &cls : classes) {
        const QString key = idKey(cls.id);
        if (tokens.contains(key))
            continue; // the first class with an id is the one that counts
        const std::optional<QString> classCourse = classCourseForStage(cls, stageId);
        const bool ownCourse = classCourse && !classCourse->isEmpty();
        if (ownCourse)
            addToken(key, course(*classCourse));
        // Only a class in family mode sends its runners onto the family's courses, and only when it
        // names no course of its own: a single- or multi-course class that still carries a family
        // (as imported files leave it) runs its own course(s).
        if (!ownCourse && choosesCourseByFamily(&cls) && cls.courseFamily && !cls.courseFamily->isEmpty()) {
            addToken(key, QStringLiteral("family:") + *cls.courseFamily);
            for (const Course &c : courses) {
                if (c.courseFamily == cls.courseFamily && courseOnStage(c, stageId))
                    addToken(key, course(c.id));
            }
        }
        if (cls.courseIds) {
            for (const QString &c : *cls.courseIds) {
                if (!c.isEmpty())
                    addToken(key, course(c));
            }
        }
        if (!tokens.contains(key))
            addToken(key, QStringLiteral("class:") + cls.id);
    }
    for (const Participant &p : participants) {
        const QString classId = classIdForStage(p, stageId);
        const QString key = idKey(classId);
        const QString *own = entryForStage(p.courseIdByStage, stageId);
        const std::optional<QString> runnerCourse = own ? std::optional<QString>(*own) : p.courseId;
        if (runnerCourse && !runnerCourse->isEmpty())
            addToken(key, course(*runnerCourse));
        else if (!tokens.contains(key))
            addToken(key, QStringLiteral("class:") + classId);
    }
    return tokens;
}

QHash<QString, QString> startGroupKeys(const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const std::optional<QString> &stageId)
{
    const QHash<QString, QStringList> tokens = classCourseTokens(participants, classes, courses, stageId);
    TokenSets sets;
    for (auto it = tokens.constBegin(); it != tokens.constEnd(); ++it) {
        const int first = sets.token(it->first());
        for (const QString &token : *it)
            sets.join(first, sets.token(token));
    }
    QHash<QString, QString> keys;
    for (auto it = tokens.constBegin(); it != tokens.constEnd(); ++it)
        keys.insert(it.key(), sets.names[sets.find(sets.token(it->first()))]);
    return keys;
}

std::optional<qint64> firstControlCode(const QString &classId, const QList<RaceClass> &classes,
    const QList<Course> &courses, const std::optional<QString> &stageId)
{
    auto cls = std::find_if(
        classes.begin(), classes.end(), [&](const RaceClass &c) { return sameId(c.id, classId); });
    if (courses.isEmpty() || cls == classes.end())
        return std::nullopt;
    auto byId = [&](const QString &id) -> const Course * {
        auto it
            = std::find_if(courses.begin(), courses.end(), [&](const Course &c) { return sameId(c.id, id); });
        return it == courses.end() ? nullptr : &*it;
    };
    const Course *course = nullptr;
    if (choosesCourseByFamily(&*cls)) {
        if (cls->courseFamily) {
            auto it = std::find_if(courses.begin(), courses.end(),
                [&](const Course &c) { return c.courseFamily == cls->courseFamily; });
            course = it == courses.end() ? nullptr : &*it;
        }
    } else if (cls->mode == RaceClassMode::MultiCourse) {
        if (cls->courseIds && !cls->courseIds->isEmpty())
            course = byId(cls->courseIds->first());
    } else if (const std::optional<QString> id = classCourseForStage(*cls, stageId)) {
        course = byId(*id);
    }
    if (!course || course->type == CourseType::Rogaining || course->controls.isEmpty())
        return std::nullopt;
    QList<CourseControl> controls = course->controls;
    std::stable_sort(controls.begin(), controls.end(),
        [](const CourseControl &a, const CourseControl &b) { return a.order < b.order; });
    return controls.first().code;
}

QList<int> slotTargets(int runners, int slotCount)
{
    QList<int> targets;
    if (runners == 1)
        targets.append(slotCount / 2);
    for (int i = 0; runners >= 2 && i < runners; ++i)
        targets.append(int(std::round(double(i) * (slotCount - 1) / (runners - 1))));
    return targets;
}

std::optional<int> nearestFreeSlot(int target, int slotCount, const QString &groupKey,
    const QList<int> &slotRunnerCounts, const QList<QSet<QString>> &slotGroupKeys, int capacity,
    const QList<int> &spacedSlots, int gap, const QList<int> &firstControlSlots)
{
    auto keeps = [gap](int s, const QList<int> &others) {
        return std::all_of(others.begin(), others.end(), [&](int x) { return std::abs(s - x) >= gap; });
    };
    auto acceptable = [&](int s, bool strict) {
        return slotRunnerCounts.value(s) < capacity && !slotGroupKeys.value(s).contains(groupKey)
            && keeps(s, spacedSlots) && (!strict || keeps(s, firstControlSlots));
    };
    if (auto slot = searchOutward(target, slotCount, [&](int s) { return acceptable(s, true); }))
        return slot;
    if (firstControlSlots.isEmpty())
        return std::nullopt;
    return searchOutward(target, slotCount, [&](int s) { return acceptable(s, false); });
}

QList<int> placeByClub(
    const QList<int> &slotList, const QStringList &runnerClubs, const QList<QStringList> &gridClubs)
{
    // Runners of the grid first, then the class's own, all as one interned list.
    QStringList clubs;
    std::vector<std::vector<int>> slotRunners(gridClubs.size());
    for (qsizetype s = 0; s < gridClubs.size(); ++s) {
        for (const QString &club : gridClubs[s]) {
            slotRunners[s].push_back(int(clubs.size()));
            clubs.append(club);
        }
    }
    const int first = int(clubs.size());
    clubs += runnerClubs;
    const ClubIndex index = internClubs(clubs);
    ClubPlacer placer(index, slotRunners);
    placer.startClass();
    QList<int> pool(runnerClubs.size());
    std::iota(pool.begin(), pool.end(), first);
    placer.place(slotList, pool);
    QList<int> chosen;
    for (int slot : slotList) {
        for (int runner : slotRunners[slot]) {
            if (runner >= first)
                chosen.append(runner - first);
        }
    }
    return chosen;
}

int slotCapacityForWindow(qsizetype runners, int windowMinutes)
{
    if (runners < 1)
        return 1;
    const double slotCount = double(std::max(windowMinutes, 1)) + 1;
    return std::max(1, int(std::ceil(double(runners) / slotCount)));
}

int windowForSlotCapacity(qsizetype runners, int capacity)
{
    if (runners < 1)
        return 0;
    return std::max(1, int(std::ceil(double(runners) / std::max(capacity, 1)))) - 1;
}

namespace {

// The scheduled runners grouped by class, largest class first, and the start-punch classes.
struct Scheduled
{
    QList<Group> groups;
    qsizetype eligible = 0;
    QStringList startPunchNames; // in natural order
};

Scheduled scheduledGroups(const QList<Participant> &participants, const QList<RaceClass> &classes,
    const std::optional<QString> &stage)
{
    Scheduled result;
    const QHash<QString, int> classIndex = indexById(classes);
    // Start-punch classes: the first class with an id decides.
    QSet<QString> startPunch;
    for (int i = 0; i < classes.size(); ++i) {
        const RaceClass &cls = classes[i];
        const QString key = idKey(cls.id);
        if (classIndex.value(key) == i && usesStartPunch(cls, stage)) {
            startPunch.insert(key);
            result.startPunchNames.append(cls.name);
        }
    }
    std::stable_sort(result.startPunchNames.begin(), result.startPunchNames.end(), naturalLess);

    // Eligible runners grouped by class in order of first appearance; a repeated id is one runner
    // (the first participant with it), as everywhere in the store.
    QList<Group> &groups = result.groups;
    QHash<QString, int> groupOf;
    QSet<QUuid> seen;
    for (int i = 0; i < participants.size(); ++i) {
        const Participant &p = participants[i];
        const QString classId = classIdForStage(p, stage);
        const QString key = idKey(classId);
        if (startPunch.contains(key) || seen.contains(p.id))
            continue;
        seen.insert(p.id);
        const int g = valueOrInsert(groupOf, key, int(groups.size()));
        if (g == groups.size())
            groups.append(Group {classId, {}});
        groups[g].runners.append(i);
        ++result.eligible;
    }
    std::stable_sort(groups.begin(), groups.end(),
        [](const Group &a, const Group &b) { return a.runners.size() > b.runners.size(); });
    return result;
}

// Phase one: the slots of each class, in the order of the groups. It does not depend on the seed.
QList<QList<int>> chooseClassSlots(const QList<Group> &groups, const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const std::optional<QString> &stage,
    const StartGrid &grid)
{
    const int S = grid.slotCount;
    // The near counts stand for the spacing lists: a slot is near a
    // course (or first control) when one of its slots lies closer than the gap. A class is kept
    // apart from every class that may send runners onto one of its courses, and from no other: two
    // classes that each share a course with a third but none with each other may start together.
    const QHash<QString, QStringList> courseTokens = classCourseTokens(participants, classes, courses, stage);
    QHash<QString, int> tokenIndex;
    QHash<qint64, int> controlIndex;
    std::vector<std::vector<int>> nearToken;
    std::vector<std::vector<int>> nearControl;
    std::vector<int> slotCounts(S, 0);
    QList<QList<int>> classSlots(groups.size());
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const Group &group = groups[g];
        std::vector<int> ks;
        for (const QString &token : courseTokens.value(
                 idKey(group.classId), QStringList {QStringLiteral("class:") + group.classId})) {
            const int k = valueOrInsert(tokenIndex, token, int(nearToken.size()));
            if (k == int(nearToken.size()))
                nearToken.emplace_back(S, 0);
            ks.push_back(k);
        }
        const std::optional<qint64> control = firstControlCode(group.classId, classes, courses, stage);
        int f = -1;
        if (control) {
            f = valueOrInsert(controlIndex, *control, int(nearControl.size()));
            if (f == int(nearControl.size()))
                nearControl.emplace_back(S, 0);
        }
        QList<int> &chosen = classSlots[g];
        for (int target : slotTargets(int(group.runners.size()), S)) {
            auto acceptable = [&](int s, bool strict) {
                return slotCounts[s] < grid.capacity
                    && std::all_of(ks.begin(), ks.end(), [&](int k) { return nearToken[k][s] == 0; })
                    && (!strict || f < 0 || nearControl[f][s] == 0);
            };
            std::optional<int> slot = searchOutward(target, S, [&](int s) { return acceptable(s, true); });
            if (!slot && f >= 0)
                slot = searchOutward(target, S, [&](int s) { return acceptable(s, false); });
            if (!slot)
                continue;
            chosen.append(*slot);
            ++slotCounts[*slot];
            for (int k : ks)
                markNear(nearToken[k], *slot, grid.gap);
        }
        std::sort(chosen.begin(), chosen.end());
        for (int slot : chosen) {
            if (f >= 0)
                markNear(nearControl[f], slot, grid.gap);
        }
    }

    return classSlots;
}

} // namespace

StartGeneratorResult generateStartTimes(const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const QDateTime &firstStart,
    const StartGeneratorSettings &settings)
{
    StartGeneratorResult result;
    const std::optional<QString> &stage = settings.stageId;
    const QHash<QString, int> classIndex = indexById(classes);

    const Scheduled scheduled = scheduledGroups(participants, classes, stage);
    const QList<Group> &groups = scheduled.groups;
    const qsizetype eligible = scheduled.eligible;
    if (!scheduled.startPunchNames.isEmpty()) {
        result.warnings.append(
            QStringLiteral("Skipped %1 class(es) using \"Start punch\" (start time comes from "
                           "the card itself, not a schedule): %2.")
                .arg(scheduled.startPunchNames.size())
                .arg(scheduled.startPunchNames.join(QStringLiteral(", "))));
    }

    const StartGrid grid = startGrid(settings, eligible);
    const int S = grid.slotCount;
    if (qint64(grid.capacity) * S < eligible) {
        result.warnings.append(
            QStringLiteral("Window too small: %1 runner(s) but only %2 slot(s) available (%3 x "
                           "1-minute slots, %4 runner(s) each). Increase the window to fit "
                           "everyone.")
                .arg(eligible)
                .arg(qint64(grid.capacity) * S)
                .arg(S)
                .arg(grid.capacity));
    }

    const QList<QList<int>> classSlots
        = chooseClassSlots(groups, participants, classes, courses, stage, grid);

    // Phase two: the runners of each class onto its slots.
    QStringList clubs;
    clubs.reserve(participants.size());
    for (const Participant &p : participants)
        clubs.append(p.club.value_or(QString()));
    const ClubIndex clubIndex = internClubs(clubs);
    std::vector<std::vector<int>> slotRunners(S);
    ClubPlacer placer(clubIndex, slotRunners);
    QRandomGenerator64 rng(settings.seed);
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const QList<int> &slotList = classSlots[g];
        QList<int> runners = groups[g].runners;
        shuffle(runners, rng);
        QList<int> early, late, middle;
        for (int r : runners) {
            const std::optional<StartTimePreference> pref = participants[r].startTimePreference;
            (pref == StartTimePreference::Early         ? early
                    : pref == StartTimePreference::Late ? late
                                                        : middle)
                .append(r);
        }
        const qsizetype e = std::min(slotList.size(), early.size());
        const qsizetype l = std::min(slotList.size() - e, late.size());
        middle += early.mid(e);
        middle += late.mid(l);
        early.resize(e);
        late.resize(l);
        placer.startClass();
        placer.place(slotList.mid(0, e), early);
        placer.place(slotList.mid(e, slotList.size() - e - l), middle);
        placer.place(slotList.mid(slotList.size() - l), late);

        // Whoever is left found no slot: one warning each, naming the runner.
        const Group &group = groups[g];
        QString className;
        if (group.classId.isEmpty())
            className = QStringLiteral("No class");
        else if (auto it = classIndex.constFind(idKey(group.classId)); it != classIndex.constEnd())
            className = classes[it.value()].name;
        else
            className = group.classId;
        for (const QList<int> *left : {&middle, &early, &late}) {
            for (int r : *left) {
                const Participant &p = participants[r];
                result.unplaced.append(p.id);
                result.warnings.append(
                    QStringLiteral("Class \"%1\": ran out of available slots — window/capacity "
                                   "too small to fit every runner. Not placed: %2, card %3.")
                        .arg(className, runnerName(p), p.cardNumber));
            }
        }
    }

    for (int s = 0; s < S; ++s) {
        const QDateTime time = firstStart.addSecs(qint64(s) * 60);
        for (int r : slotRunners[s])
            result.assignments.insert(participants[r].id, time);
    }
    return result;
}

qsizetype unplacedRunnerCount(const QList<Participant> &participants, const QList<RaceClass> &classes,
    const QList<Course> &courses, const StartGeneratorSettings &settings)
{
    const Scheduled scheduled = scheduledGroups(participants, classes, settings.stageId);
    const StartGrid grid = startGrid(settings, scheduled.eligible);
    const QList<QList<int>> classSlots
        = chooseClassSlots(scheduled.groups, participants, classes, courses, settings.stageId, grid);
    qsizetype unplaced = 0;
    for (qsizetype g = 0; g < scheduled.groups.size(); ++g)
        unplaced += std::max<qsizetype>(0, scheduled.groups[g].runners.size() - classSlots[g].size());
    return unplaced;
}

namespace {

qsizetype unplacedOnStage(const Race &race, int windowMinutes, int capacity, int gap)
{
    StartGeneratorSettings settings;
    settings.windowMinutes = windowMinutes;
    settings.slotCapacity = capacity;
    settings.minSpacingMinutes = gap;
    settings.stageId = shownStage(race);
    return unplacedRunnerCount(race.participants, race.classes, race.courses, settings);
}

} // namespace

std::optional<int> capacityPlacingEveryone(const Race &race, int windowMinutes, int gap, int fromCapacity)
{
    // From as many runners per minute as there are classes on, capacity never decides: a class
    // starts at most one runner a minute.
    const int enough = std::max<int>(1, int(race.classes.size()) + 1);
    for (int capacity = std::max(fromCapacity, 1); capacity <= std::max(enough, fromCapacity); ++capacity) {
        if (unplacedOnStage(race, windowMinutes, capacity, gap) == 0)
            return capacity;
    }
    return std::nullopt;
}

std::optional<int> windowPlacingEveryone(
    const Race &race, int capacity, int gap, int fromWindow, int longestWindow)
{
    int low = std::max(fromWindow, 0);
    int high = std::min(longestWindow, maxWindowMinutes);
    if (low > high || unplacedOnStage(race, high, capacity, gap) != 0)
        return std::nullopt;
    if (unplacedOnStage(race, low, capacity, gap) == 0)
        return low;
    // A longer window leaves each class at least the room it had; the answer is checked, not assumed.
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (unplacedOnStage(race, middle, capacity, gap) == 0 ? high : low) = middle;
    }
    return high;
}

std::optional<QDate> raceDay(const Race &race)
{
    if (shownStage(race)) {
        for (const Stage &stage : race.stages) {
            if (sameId(stage.id, *shownStage(race))) {
                if (stage.date.isValid())
                    return stage.date.toLocalTime().date();
                break;
            }
        }
    }
    if (race.date && race.date->isValid())
        return race.date->toLocalTime().date();
    return std::nullopt;
}

QDate startListDay(const Race &race, const QDate &today)
{
    return raceDay(race).value_or(today);
}

std::optional<StartGeneratorResult> planStartList(
    const Race &race, const QString &firstStartText, StartGeneratorSettings settings, const QDate &today)
{
    const std::optional<QDateTime> firstStart = startTimeOnDay(firstStartText, startListDay(race, today));
    if (!firstStart)
        return std::nullopt;
    settings.stageId = shownStage(race);
    QList<Participant> participants = race.participants;
    for (Participant &p : participants)
        p.startTimePreference = effectiveStartTimePreference(race, p);
    return generateStartTimes(participants, race.classes, race.courses, *firstStart, settings);
}
