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

QList<RecentResultGroup> recentResultGroups(const Race &race, const ParticipantLookup &participants)
{
    // Every pass over the results goes in their own order, and the sort and the grouping walk
    // compact lists: in newest-first order the results lie scattered through memory, and at
    // 150,000 of them each visit missed the caches.
    const qsizetype count = race.results.size();
    QList<std::pair<QDateTime, qsizetype>> order(count);
    for (qsizetype i = 0; i < count; ++i)
        order[i] = {race.results.at(i).readAt, i};
    std::stable_sort(
        order.begin(), order.end(), [](const auto &a, const auto &b) { return a.first > b.first; });

    // Participants and classes are looked up once per result; a hash keeps a 15,000-result event
    // from turning the redraw quadratic.
    QHash<QString, const RaceClass *> classes;
    classes.reserve(race.classes.size());
    for (const RaceClass &c : race.classes)
        if (!classes.contains(c.id))
            classes.insert(c.id, &c);

    // The title of each result, as an index into `titles`; classes of one name share a title.
    QList<QString> titles;
    QHash<QString, qsizetype> titleIndex;
    QHash<const RaceClass *, qsizetype> titleOfClass;
    const auto titleFor = [&](const QString &title) {
        auto it = titleIndex.constFind(title);
        if (it == titleIndex.constEnd()) {
            it = titleIndex.insert(title, titles.size());
            titles.append(title);
        }
        return *it;
    };
    QList<qsizetype> titleOf(count);
    for (qsizetype i = 0; i < count; ++i) {
        const PersonResult &result = race.results.at(i);
        const RaceClass *c = nullptr;
        if (const Participant *p = participants.find(result.participantId)) {
            if (const std::optional<QString> classId = classIdForStage(*p, result.stageId)) {
                c = classes.value(*classId);
                if (!c)
                    c = findClass(race, *classId); // ids that differ only in Unicode form
            }
        }
        auto it = titleOfClass.constFind(c);
        if (it == titleOfClass.constEnd())
            it = titleOfClass.insert(c, titleFor(c ? c->name : QStringLiteral("No class")));
        titleOf[i] = *it;
    }

    // Groups are made in newest-first order, as they are met: titles that compare as equal keep it.
    QList<RecentResultGroup> groups;
    QList<qsizetype> groupOfTitle(titles.size(), -1);
    for (const auto &[readAt, index] : std::as_const(order)) {
        qsizetype &group = groupOfTitle[titleOf.at(index)];
        if (group < 0) {
            group = groups.size();
            groups.append(RecentResultGroup {titles.at(titleOf.at(index)), {}});
        }
        groups[group].resultIndexes.append(index);
    }
    std::stable_sort(
        groups.begin(), groups.end(), [](const RecentResultGroup &a, const RecentResultGroup &b) {
            return compareNames(a.title, b.title) < 0;
        });
    return groups;
}
