#pragma once

// What the classes and courses screens derive from the race alike: the courses visible for the
// active stage in name order with their families, the stage picker's rows, new record ids and the
// text of a start-window time in its editor fields.

#include "race.h"

#include <QString>
#include <QVariantList>

#include <optional>

struct CourseFamilyGroup
{
    QString family;
    QList<Course> courses;
};

struct VisibleCourses
{
    // Without stages every course; with stages the untagged ones and those of the active stage.
    // Natural name order, stable.
    QList<Course> sorted;
    // The members of `sorted` without a family, in that order.
    QList<Course> standalone;
    // One group per exact family text, groups in natural order, members in name order.
    QList<CourseFamilyGroup> families;
};

[[nodiscard]] VisibleCourses visibleCourses(const Race &race);
[[nodiscard]] QList<CourseFamilyGroup> groupByFamily(const QList<Course> &sortedCourses);

// True while the race has stages and an active stage id (whether or not a stage has that id).
[[nodiscard]] bool hasActiveStage(const Race &race);

// The stages by `order`, stable, as picker rows ({text: name, value: id}).
[[nodiscard]] QVariantList stagePickerRows(const Race &race);
// Picker rows for courses, after a first row with `noneText` selecting the empty text.
[[nodiscard]] QVariantList coursePickerRows(const QList<Course> &courses, const QString &noneText);

// "Long (3 variants)" in the selected language.
[[nodiscard]] QString familyOptionText(const CourseFamilyGroup &group);

// A new record id: a random UUID, upper-case, 36 characters.
[[nodiscard]] QString newRecordId();

// The text a start-window field opens with. A stored time of 24:00 or later (or below 0:00) is
// shown as the time of day it falls on, so that the field reads back; readWindowField keeps the
// stored value while the text is left as it was shown.
[[nodiscard]] QString windowFieldText(qint64 seconds);
[[nodiscard]] QString windowFieldText(const std::optional<qint64> &seconds);
// Why a start window typed as `openText` / `closeText` (read as `open` / `close`) cannot be
// stored, ending "The stored start window was kept."; empty when both are read or both blank.
[[nodiscard]] QString windowFieldsProblem(const QString &openText, const QString &closeText,
    const std::optional<qint64> &open, const std::optional<qint64> &close);
[[nodiscard]] std::optional<qint64> readWindowField(
    const QString &text, const QString &shownText, const std::optional<qint64> &storedSeconds);
