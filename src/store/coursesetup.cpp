#include "coursesetup.h"

#include "entryimport.h"
#include "iofcoursedataparser.h"
#include "log.h"

#include <QFile>
#include <QFileInfo>

#include <QUuid>
#include <algorithm>

bool updateCourse(Race &race, const Course &course)
{
    for (Course &stored : race.courses) {
        if (sameId(stored.id, course.id)) {
            stored = course;
            return true;
        }
    }
    return false;
}

void deleteCourse(Race &race, const QString &courseId)
{
    race.courses.removeIf([&](const Course &c) { return sameId(c.id, courseId); });
}

std::optional<int> raceNumberOf(const Race &race, const std::optional<QString> &stageId)
{
    if (!stageId)
        return std::nullopt;
    QList<Stage> stages = race.stages;
    std::stable_sort(
        stages.begin(), stages.end(), [](const Stage &a, const Stage &b) { return a.order < b.order; });
    for (qsizetype i = 0; i < stages.size(); ++i) {
        if (sameId(stages[i].id, *stageId))
            return int(i + 1);
    }
    return std::nullopt;
}

QList<IOFCourseDataParser::RoundedScore> importCourses(
    Race &race, const QString &filePath, const std::function<void()> &save)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        throw ImportError(QStringLiteral("Could not read the course file %1: %2")
                              .arg(QFileInfo(filePath).fileName(), file.errorString()));
    }
    if (file.size() > IofXmlDocument::maxDocumentBytes) {
        throw ImportError(
            QStringLiteral("The course file %1 is too large to be an IOF XML document (%2 bytes).")
                .arg(QFileInfo(filePath).fileName())
                .arg(file.size()));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw ImportError(QStringLiteral("Could not read the course file %1: %2")
                              .arg(QFileInfo(filePath).fileName(), file.errorString()));
    }
    return importCourseData(race, bytes, QFileInfo(filePath).fileName(), save);
}

QList<IOFCourseDataParser::RoundedScore> importCourseData(
    Race &race, const QByteArray &bytes, const QString &fileName, const std::function<void()> &save)
{
    logLine(QStringLiteral("RaceStore: importCourses reading %1, %2 bytes").arg(fileName).arg(bytes.size()));
    std::optional<QString> stageId;
    if (!race.stages.isEmpty())
        stageId = shownStage(race);
    // Everything that can fail happens before the race is touched.
    const IOFCourseDataParser::Result parsed = IOFCourseDataParser::parse(bytes, raceNumberOf(race, stageId));
    logLine(QStringLiteral("RaceStore: importCourses parsed %1 course(s), %2 class assignment(s)")
                .arg(parsed.courses.size())
                .arg(parsed.classes.size()));

    if (!race.stages.isEmpty()) {
        logLine(QStringLiteral("RaceStore: importCourses tagging imported courses with stageId %1")
                    .arg(stageId.value_or(QStringLiteral("nil"))));
    }
    const IdMap courseIds = mergeImportedCourses(race, parsed.courses, stageId);
    const QList<RaceClass> classes = remapClassCourseIds(parsed.classes, courseIds);
    (void)mergeImportedClasses(race, classes, stageId);
    if (save)
        save();
    logLine(QStringLiteral("RaceStore: importCourses applied \u2014 race.courses now has %1 course(s)")
                .arg(race.courses.size()));
    return parsed.roundedScores;
}

IdMap mergeImportedCourses(Race &race, const QList<Course> &courses, const std::optional<QString> &stageId)
{
    // A stored course belongs to the import's stage when either side has no stage or both agree.
    // The rule holds for the id match too: another stage's course that happens to share the id is
    // never overwritten.
    const auto stageAgrees = [&](const Course &stored) {
        return !stageId || !stored.stageId || sameId(*stored.stageId, *stageId);
    };
    IdMap idMap;
    for (const Course &imported : courses) {
        qsizetype found = -1;
        for (qsizetype i = 0; i < race.courses.size() && found < 0; ++i) {
            if (sameId(race.courses[i].id, imported.id) && stageAgrees(race.courses[i]))
                found = i;
        }
        if (found < 0) {
            const QString key = matchKey(imported.name);
            for (qsizetype i = 0; i < race.courses.size() && found < 0; ++i) {
                if (matchKey(race.courses[i].name) == key && stageAgrees(race.courses[i]))
                    found = i;
            }
        }
        if (found >= 0) {
            Course &stored = race.courses[found];
            if (!sameId(stored.id, imported.id))
                idMap.insert(imported.id, stored.id);
            Course merged = imported;
            merged.id = stored.id;
            merged.stageId = stored.stageId;
            stored = merged;
            continue;
        }
        Course added = imported;
        if (stageId)
            added.stageId = stageId;
        const bool idTaken = std::any_of(race.courses.cbegin(), race.courses.cend(),
            [&](const Course &c) { return sameId(c.id, imported.id); });
        if (idTaken) {
            added.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
            idMap.insert(imported.id, added.id);
        }
        race.courses.append(added);
    }
    return idMap;
}

QList<RaceClass> remapClassCourseIds(QList<RaceClass> classes, const IdMap &idMap)
{
    if (idMap.isEmpty())
        return classes;
    for (RaceClass &cls : classes) {
        if (!cls.courseId)
            continue;
        auto it = idMap.constFind(*cls.courseId);
        if (it != idMap.constEnd())
            cls.courseId = it.value();
    }
    return classes;
}

void addStage(Race &race, const Stage &stage)
{
    race.stages.append(stage);
    if (!race.activeStageId)
        race.activeStageId = stage.id;
}

bool updateStage(Race &race, const Stage &stage)
{
    for (Stage &stored : race.stages) {
        if (sameId(stored.id, stage.id)) {
            stored = stage;
            return true;
        }
    }
    return false;
}

void deleteStage(Race &race, const Stage &stage)
{
    race.stages.removeIf([&](const Stage &s) { return sameId(s.id, stage.id); });
    // A kept read-out is never lost with its stage: it stays listed, on no stage, until the
    // organiser gives the card to a runner or dismisses it (never a reference to a missing stage).
    if (race.unknownCards) {
        for (UnknownCard &card : *race.unknownCards) {
            if (card.stageId && sameId(*card.stageId, stage.id))
                card.stageId.reset();
        }
    }
    if (race.shownStageId && sameId(*race.shownStageId, stage.id))
        race.shownStageId.reset();
    if (race.activeStageId && sameId(*race.activeStageId, stage.id)) {
        race.activeStageId
            = race.stages.isEmpty() ? std::nullopt : std::optional<QString>(race.stages.first().id);
    }
}
