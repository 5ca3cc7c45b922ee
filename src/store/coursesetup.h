#pragma once

// Course and stage editing and the CourseData import over the event document. An import merges
// into what is there (by id or name, within the stage being imported), so a corrected course file
// can be imported again. None of these saves; the store's wrappers do.

#include "classsetup.h"
#include "iofcoursedataparser.h"
#include "race.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Replaces the first course with the same id, whole. False when no course has that id.
[[nodiscard]] bool updateCourse(Race &race, const Course &course);
// Removes every course with this id; classes, participants and results keep their references.
void deleteCourse(Race &race, const QString &courseId);

// Reads a CourseData file and merges its courses and class assignments into the race, tagged with
// and matched within the active stage when the event has stages. `save` runs after the merge (the
// store passes its autosave). Of a file holding several races, only the active stage's race is
// read. Throws ImportError for an unreadable file and the parser's errors (a file that is not
// CourseData, a race that cannot be told); on any failure the race is untouched.
QList<IOFCourseDataParser::RoundedScore> importCourses(
    Race &race, const QString &filePath, const std::function<void()> &save = {});
// The same for bytes already read; `fileName` only names them in the log.
QList<IOFCourseDataParser::RoundedScore> importCourseData(
    Race &race, const QByteArray &bytes, const QString &fileName, const std::function<void()> &save = {});

// The IOF race number of a stage: its place, from 1, among the event's stages in their order.
// Absent without a stage or for a stage the event does not have.
[[nodiscard]] std::optional<int> raceNumberOf(const Race &race, const std::optional<QString> &stageId);

// Merges imported courses into the race (see coursesetup.cpp); returns the id map.
[[nodiscard]] IdMap mergeImportedCourses(
    Race &race, const QList<Course> &courses, const std::optional<QString> &stageId);
// Rewrites each class's `courseId` through the map; nothing else.
[[nodiscard]] QList<RaceClass> remapClassCourseIds(QList<RaceClass> classes, const IdMap &idMap);

// Appends the stage; it becomes the active one when none is active.
void addStage(Race &race, const Stage &stage);
// Replaces the first stage with the same id, whole. False when no stage has that id.
[[nodiscard]] bool updateStage(Race &race, const Stage &stage);
// Removes every stage with the stage's id, and the card read-outs kept on it; an active deleted
// stage hands over to the first left.
void deleteStage(Race &race, const Stage &stage);
