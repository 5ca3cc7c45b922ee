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
    QList<qsizetype> order(race.results.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
        [&race](qsizetype a, qsizetype b) { return race.results.at(a).readAt > race.results.at(b).readAt; });

    // Participants and classes are looked up once per result; a hash keeps a 15,000-result event
    // from turning the redraw quadratic.
    QHash<QUuid, const Participant *> participants;
    participants.reserve(race.participants.size());
    for (const Participant &p : race.participants)
        if (!participants.contains(p.id))
            participants.insert(p.id, &p);
    QHash<QString, const RaceClass *> classes;
    classes.reserve(race.classes.size());
    for (const RaceClass &c : race.classes)
        if (!classes.contains(c.id))
            classes.insert(c.id, &c);

    QList<RecentResultGroup> groups;
    QHash<QString, qsizetype> groupOfTitle;
    for (qsizetype index : order) {
        const PersonResult &result = race.results.at(index);
        QString title = QStringLiteral("No class");
        if (const Participant *p = participants.value(result.participantId)) {
            if (const std::optional<QString> classId = classIdForStage(*p, result.stageId)) {
                const RaceClass *c = classes.value(*classId);
                if (!c)
                    c = findClass(race, *classId); // ids that differ only in Unicode form
                if (c)
                    title = c->name;
            }
        }
        auto it = groupOfTitle.constFind(title);
        if (it == groupOfTitle.constEnd()) {
            it = groupOfTitle.insert(title, groups.size());
            groups.append(RecentResultGroup {title, {}});
        }
        groups[*it].resultIndexes.append(index);
    }
    std::stable_sort(
        groups.begin(), groups.end(), [](const RecentResultGroup &a, const RecentResultGroup &b) {
            return compareNames(a.title, b.title) < 0;
        });
    return groups;
}
