#include "racedayresults.h"

#include "documenttext.h"
#include "nameorder.h"
#include "racelookup.h"

#include <QHash>

#include <algorithm>
#include <cmath>

QString formatElapsed(double seconds)
{
    if (!std::isfinite(seconds))
        return QStringLiteral("—");
    // std::round rounds halves away from zero, which is the rule for clock texts.
    const double rounded = std::round(seconds);
    // A duration below zero is no duration: a finish before its start, or punches out of order.
    if (rounded < 0 || rounded >= 9.0e18)
        return QStringLiteral("—");
    const auto total = static_cast<qint64>(rounded);
    if (total < 3600) {
        return QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600)
        .arg((total % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

const Participant *participantOfResult(const Race &race, const PersonResult &result)
{
    return findParticipant(race, result.participantId);
}

namespace {

std::optional<QString> classIdForStage(const Participant &p, const std::optional<QString> &stageId)
{
    if (stageId && p.classIdByStage) {
        if (const QString *perStage = stageEntry(*p.classIdByStage, *stageId))
            return *perStage;
    }
    return p.classId;
}

} // namespace

const RaceClass *classOfResult(const Race &race, const PersonResult &result)
{
    const Participant *p = participantOfResult(race, result);
    if (!p)
        return nullptr;
    return findClass(race, classIdForStage(*p, result.stageId));
}

const Course *courseOfResult(const Race &race, const PersonResult &result)
{
    return findCourse(race, result.courseId);
}

bool isRogainingResult(const Race &race, const PersonResult &result)
{
    const Course *course = courseOfResult(race, result);
    return course && course->type == CourseType::Rogaining;
}

QList<qint64> missingControls(const PersonResult &result)
{
    QList<qint64> codes;
    for (const SplitTime &s : result.splits) {
        if (s.status == SplitStatus::Missing)
            codes.append(s.controlCode);
    }
    return codes;
}

const PersonResult *resultById(const Race &race, const QUuid &id)
{
    for (const PersonResult &r : race.results) {
        if (r.id == id)
            return &r;
    }
    return nullptr;
}

QList<RecentResultGroup> recentResultGroups(const Race &race)
{
    return recentResultGroups(race, ParticipantLookup(race));
}

ReadTimeKey readTimeKey(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    return {true, time.toMSecsSinceEpoch()};
}

RecentResultKeys recentResultKeys(const Race &race, const ParticipantLookup &participants)
{
    RecentResultKeys keys;
    keys.runners.reserve(race.results.size());
    keys.readAt.reserve(race.results.size());
    for (const PersonResult &result : race.results) {
        keys.runners.append(participants.find(result.participantId));
        keys.readAt.append(readTimeKey(result.readAt));
    }
    return keys;
}

QList<RecentResultGroup> recentResultGroups(const Race &race, const ParticipantLookup &participants)
{
    return recentResultGroups(race, recentResultKeys(race, participants));
}

QList<RecentResultGroup> recentResultGroups(const Race &race, const RecentResultKeys &keys)
{
    // One pass in the results' own order notes each one's title and read time in a compact list; the results
    // are then put into their groups (in stored order) and each group is sorted on its own: a few thousand
    // entries of 16 bytes that stay in the cache, where one sort of every result by QDateTime went through
    // memory several times over at 150,000.
    const qsizetype count = race.results.size();

    // Participants and classes are looked up once per result; a hash keeps a 15,000-result event
    // from turning the redraw quadratic.
    QHash<QString, const RaceClass *> classes;
    classes.reserve(race.classes.size());
    for (const RaceClass &c : race.classes)
        if (!classes.contains(c.id))
            classes.insert(c.id, &c);

    // The title of each result, as an index into `titles`; classes of one name share a title.
    QList<QString> titles;
    QHash<QString, qint32> titleIndex;
    QHash<const RaceClass *, qint32> titleOfClass;
    const auto titleFor = [&](const QString &title) {
        auto it = titleIndex.constFind(title);
        if (it == titleIndex.constEnd()) {
            it = titleIndex.insert(title, qint32(titles.size()));
            titles.append(title);
        }
        return *it;
    };
    const auto titleOfRunner = [&](const Participant *p, const std::optional<QString> &stageId) {
        const RaceClass *c = nullptr;
        if (p) {
            if (const std::optional<QString> classId = classIdForStage(*p, stageId)) {
                c = classes.value(*classId);
                if (!c)
                    c = findClass(race, *classId); // ids that differ only in Unicode form
            }
        }
        auto it = titleOfClass.constFind(c);
        if (it == titleOfClass.constEnd())
            it = titleOfClass.insert(c, titleFor(c ? c->name : QStringLiteral("No class")));
        return *it;
    };
    // A runner without classes per stage has one title for every result: found at the first.
    const Participant *const firstRunner = race.participants.constData();
    QList<qint32> titleOfPlainRunner(race.participants.size(), -1);

    struct Entry
    {
        ReadTimeKey readAt;
        qint32 index = 0;
        qint32 title = 0;
    };
    // Newest first; equal times in stored order.
    const auto newerFirst = [](const Entry &a, const Entry &b) {
        if (a.readAt != b.readAt)
            return a.readAt > b.readAt;
        return a.index < b.index;
    };
    QList<Entry> entries(count);
    for (qsizetype i = 0; i < count; ++i) {
        const Participant *p = keys.runners.at(i);
        qint32 title = -1;
        if (p && !p->classIdByStage) {
            qint32 &plain = titleOfPlainRunner[p - firstRunner];
            if (plain < 0)
                plain = titleOfRunner(p, std::nullopt);
            title = plain;
        } else {
            title = titleOfRunner(p, race.results.at(i).stageId);
        }
        entries[i] = {keys.readAt.at(i), qint32(i), title};
    }

    // The results of each title in stored order, then newest first.
    QList<qsizetype> start(titles.size() + 1, 0);
    for (const Entry &e : std::as_const(entries))
        ++start[e.title + 1];
    for (qsizetype t = 0; t < titles.size(); ++t)
        start[t + 1] += start[t];
    QList<Entry> grouped(count);
    {
        QList<qsizetype> next = start;
        for (const Entry &e : std::as_const(entries))
            grouped[next[e.title]++] = e;
    }
    QList<qsizetype> titleOrder(titles.size());
    for (qsizetype t = 0; t < titles.size(); ++t) {
        std::sort(grouped.begin() + start[t], grouped.begin() + start[t + 1], newerFirst);
        titleOrder[t] = t;
    }

    // Groups in natural order of their titles; titles that compare as equal in the order their
    // newest results were read.
    std::sort(titleOrder.begin(), titleOrder.end(), [&](qsizetype a, qsizetype b) {
        if (const int c = compareNames(titles.at(a), titles.at(b)))
            return c < 0;
        return newerFirst(grouped.at(start[a]), grouped.at(start[b]));
    });
    QList<RecentResultGroup> groups;
    groups.reserve(titles.size());
    for (const qsizetype t : std::as_const(titleOrder)) {
        RecentResultGroup group {titles.at(t), {}};
        group.resultIndexes.reserve(start[t + 1] - start[t]);
        for (qsizetype k = start[t]; k < start[t + 1]; ++k)
            group.resultIndexes.append(grouped.at(k).index);
        groups.append(std::move(group));
    }
    return groups;
}
