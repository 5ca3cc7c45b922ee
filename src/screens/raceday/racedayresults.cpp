#include "racedayresults.h"

#include <QHash>

#include <algorithm>
#include <cmath>

QString formatElapsed(double seconds)
{
    if (!std::isfinite(seconds))
        return QStringLiteral("—");
    // std::round rounds halves away from zero, which is the rule for clock texts.
    const double rounded = std::round(seconds);
    if (std::fabs(rounded) >= 9.0e18)
        return QStringLiteral("—");
    qint64 total = static_cast<qint64>(rounded);
    QString sign;
    if (total < 0) {
        sign = QStringLiteral("-");
        total = -total;
    }
    if (total < 3600) {
        return sign + QStringLiteral("%1:%2").arg(total / 60).arg(total % 60, 2, 10, QLatin1Char('0'));
    }
    return sign
        + QStringLiteral("%1:%2:%3")
              .arg(total / 3600)
              .arg((total % 3600) / 60, 2, 10, QLatin1Char('0'))
              .arg(total % 60, 2, 10, QLatin1Char('0'));
}

const Participant *participantOfResult(const Race &race, const PersonResult &result)
{
    for (const Participant &p : race.participants) {
        if (p.id == result.participantId)
            return &p;
    }
    return nullptr;
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

const RaceClass *findClass(const Race &race, const QString &classId)
{
    for (const RaceClass &c : race.classes) {
        if (sameId(c.id, classId))
            return &c;
    }
    return nullptr;
}

} // namespace

const RaceClass *classOfResult(const Race &race, const PersonResult &result)
{
    const Participant *p = participantOfResult(race, result);
    if (!p)
        return nullptr;
    const std::optional<QString> classId = classIdForStage(*p, result.stageId);
    return classId ? findClass(race, *classId) : nullptr;
}

const Course *courseOfResult(const Race &race, const PersonResult &result)
{
    if (!result.courseId)
        return nullptr;
    for (const Course &c : race.courses) {
        if (sameId(c.id, *result.courseId))
            return &c;
    }
    return nullptr;
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

int naturalCompare(const QString &a, const QString &b)
{
    // Own implementation rather than QCollator: the collator drops numeric mode in the C locale,
    // and the order of class names must not depend on the machine's locale settings.
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = a.at(i).isDigit();
        const bool digitB = b.at(j).isDigit();
        if (digitA && digitB) {
            qsizetype endA = i;
            while (endA < a.size() && a.at(endA).isDigit())
                ++endA;
            qsizetype endB = j;
            while (endB < b.size() && b.at(endB).isDigit())
                ++endB;
            // Compare by value without converting: skip leading zeros, then the longer run is
            // larger, then digit by digit.
            qsizetype startA = i;
            while (startA + 1 < endA && a.at(startA).digitValue() == 0)
                ++startA;
            qsizetype startB = j;
            while (startB + 1 < endB && b.at(startB).digitValue() == 0)
                ++startB;
            if (endA - startA != endB - startB)
                return endA - startA < endB - startB ? -1 : 1;
            for (qsizetype k = 0; k < endA - startA; ++k) {
                const int da = a.at(startA + k).digitValue();
                const int db = b.at(startB + k).digitValue();
                if (da != db)
                    return da < db ? -1 : 1;
            }
            i = endA;
            j = endB;
            continue;
        }
        if (digitA != digitB)
            return digitA ? -1 : 1;
        qsizetype endA = i;
        while (endA < a.size() && !a.at(endA).isDigit())
            ++endA;
        qsizetype endB = j;
        while (endB < b.size() && !b.at(endB).isDigit())
            ++endB;
        const int c = QStringView(a)
                          .sliced(i, endA - i)
                          .compare(QStringView(b).sliced(j, endB - j), Qt::CaseInsensitive);
        if (c != 0)
            return c < 0 ? -1 : 1;
        i = endA;
        j = endB;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
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
            return naturalCompare(a.title, b.title) < 0;
        });
    return groups;
}
