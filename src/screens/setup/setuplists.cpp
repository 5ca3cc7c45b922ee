#include "setuplists.h"

#include "documenttext.h"
#include "localization.h"
#include "nameorder.h"
#include "timeofday.h"
#include "typedtext.h"

#include <QUuid>
#include <QVariantMap>

#include <algorithm>

bool hasActiveStage(const Race &race)
{
    return !race.stages.isEmpty() && shownStage(race).has_value();
}

QList<CourseFamilyGroup> groupByFamily(const QList<Course> &sortedCourses)
{
    QList<CourseFamilyGroup> groups;
    for (const Course &course : sortedCourses) {
        if (!course.courseFamily)
            continue;
        auto it = std::find_if(groups.begin(), groups.end(),
            [&](const CourseFamilyGroup &g) { return g.family == *course.courseFamily; });
        if (it == groups.end())
            groups.append({*course.courseFamily, {course}});
        else
            it->courses.append(course);
    }
    std::stable_sort(
        groups.begin(), groups.end(), [](const CourseFamilyGroup &a, const CourseFamilyGroup &b) {
            return compareNames(a.family, b.family) < 0;
        });
    return groups;
}

VisibleCourses visibleCourses(const Race &race)
{
    VisibleCourses lists;
    for (const Course &course : race.courses) {
        if (race.stages.isEmpty() || !course.stageId
            || (shownStage(race) && *shownStage(race) == *course.stageId))
            lists.sorted.append(course);
    }
    std::stable_sort(lists.sorted.begin(), lists.sorted.end(),
        [](const Course &a, const Course &b) { return compareNames(a.name, b.name) < 0; });
    for (const Course &course : lists.sorted) {
        if (!course.courseFamily)
            lists.standalone.append(course);
    }
    lists.families = groupByFamily(lists.sorted);
    return lists;
}

namespace {

QVariantMap pickerRow(const QString &id, const QString &name)
{
    return {{QStringLiteral("text"), name}, {QStringLiteral("value"), id}};
}

} // namespace

QVariantList stagePickerRows(const Race &race)
{
    QList<Stage> stages = race.stages;
    std::stable_sort(
        stages.begin(), stages.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    QVariantList rows;
    for (const Stage &stage : stages)
        rows.append(pickerRow(stage.id, stage.name));
    return rows;
}

QVariantList coursePickerRows(const QList<Course> &courses, const QString &noneText)
{
    QVariantList rows {pickerRow(QString(), noneText)};
    for (const Course &course : courses)
        rows.append(pickerRow(course.id, course.name));
    return rows;
}

QString familyOptionText(const CourseFamilyGroup &group)
{
    return localized(QStringLiteral("%@ (%@ variants)"), group.family, group.courses.size());
}

QString newRecordId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString windowFieldText(qint64 seconds)
{
    constexpr qint64 day = 24 * 3600;
    return timeOfDayText(((seconds % day) + day) % day);
}

QString windowFieldText(const std::optional<qint64> &seconds)
{
    return seconds ? windowFieldText(*seconds) : QString();
}

QString windowFieldsProblem(const QString &openText, const QString &closeText,
    const std::optional<qint64> &open, const std::optional<qint64> &close)
{
    if ((open && close) || (openText.trimmed().isEmpty() && closeText.trimmed().isEmpty()))
        return {};
    QString problem;
    if (!open && !openText.trimmed().isEmpty())
        problem = localized(QStringLiteral("\"%@\" is not a time of day. Type it as 9:30, 9.30 or 09:30."),
            typedTextEcho(openText, 40));
    else if (!close && !closeText.trimmed().isEmpty())
        problem = localized(QStringLiteral("\"%@\" is not a time of day. Type it as 9:30, 9.30 or 09:30."),
            typedTextEcho(closeText, 40));
    else
        problem = localized(
            QStringLiteral("Fill in both Open and Close, or clear both to use the event default."));
    return problem + QLatin1Char(' ') + localized(QStringLiteral("The stored start window was kept."));
}

namespace {
// "23:59:59" with room for blanks; anything longer is no clock time.
constexpr qsizetype longestTypedTime = 12;
} // namespace

std::optional<qint64> readWindowField(
    const QString &text, const QString &shownText, const std::optional<qint64> &storedSeconds)
{
    if (storedSeconds && text == shownText)
        return storedSeconds;
    // A clock time is short and one line: a control character or a long paste inside it is a
    // slip, not a time to read leniently.
    const QString time = text.trimmed();
    if (time.size() > longestTypedTime || holdsControlCharacter(time))
        return std::nullopt;
    return parseTimeOfDay(text);
}
