#pragma once

// Class set-up operations over the event document: generating classes from courses, matching
// classes to courses by name, editing and deleting classes, and the default start windows.
// None of them saves; the store's wrappers do, per operation.

#include "race.h"

#include <QHash>
#include <QString>

#include <optional>

// An imported record's id to the id of the stored record it was merged into; only differing ids.
using IdMap = QHash<QString, QString>;

// The name as names are matched: folded case- and diacritic-insensitively (no locale), then trimmed
// of whitespace and newlines. "  Åbo" and "abo" match; "H21" and "H 21" do not.
[[nodiscard]] QString matchKey(const QString &text);

// Appends one class per course family and per family-less course that no class covers yet.
void generateClassesFromCourses(Race &race);
// Gives each class without course and family one, found unambiguously by name.
void autoMatchClassesToCourses(Race &race);
// Replaces the first class with the same id, whole. False when no class has that id.
[[nodiscard]] bool updateClass(Race &race, const RaceClass &cls);
// With a stage id on an event with stages: that stage's default; otherwise the event's.
void setDefaultStartWindow(
    Race &race, const std::optional<StartWindow> &window, const std::optional<QString> &stageId);
// Removes every class with this id; nothing that refers to it is touched.
void deleteClass(Race &race, const QString &classId);
