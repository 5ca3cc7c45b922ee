// The set-up operations on an event: course imports and merges, stages, and classes.
#include "casetable.h"
#include "classsetup.h"
#include "coursesetup.h"
#include "documentfixtures.h"
#include "entryimport.h"
#include "log.h"
#include "storeharness.h"

#include <QFile>
#include <QTest>

namespace {

Course course(const QString &id, const QString &name, std::optional<QString> stage = std::nullopt)
{
    Course c;
    c.id = id;
    c.name = name;
    c.stageId = std::move(stage);
    return c;
}

Stage stage(const QString &id)
{
    Stage s;
    s.id = id;
    s.name = id;
    s.date = QDateTime(QDate(2025, 7, 1), QTime(0, 0), Qt::UTC);
    return s;
}

// Control ids are drawn fresh by every parse; the document without them.
QByteArray jsonWithoutControlIds(Race race)
{
    for (Course &c : race.courses) {
        for (CourseControl &cc : c.controls)
            cc.id = QUuid();
    }
    return compactJson(race);
}

Course familyCourse(const QString &id, const QString &name, std::optional<QString> family = std::nullopt)
{
    Course c;
    c.id = id;
    c.name = name;
    c.courseFamily = std::move(family);
    return c;
}

} // namespace

class TestSetupOperations : public QObject
{
    Q_OBJECT

private slots:
    void mergeByNameKeepsStoredId()
    {
        Race race;
        Course stored = course("A", "Long");
        stored.lengthMeters = 5000;
        race.courses = {stored};
        Course imported = course("B", "long");
        imported.controls = {CourseControl {QUuid::createUuid(), 31, 0, {}}};
        const IdMap map = mergeImportedCourses(race, {imported}, std::nullopt);
        QCOMPARE(map, (IdMap {{"B", "A"}}));
        QCOMPARE(race.courses.size(), 1);
        QCOMPARE(race.courses[0].id, QStringLiteral("A"));
        QCOMPARE(race.courses[0].name, QStringLiteral("long"));
        QCOMPARE(race.courses[0].controls.size(), 1);
        QVERIFY(!race.courses[0].lengthMeters); // absent values come from the import too

        RaceClass cls;
        cls.id = QStringLiteral("H21");
        cls.courseId = QStringLiteral("B");
        const auto remapped = remapClassCourseIds({cls}, map);
        QCOMPARE(remapped[0].courseId, std::optional<QString>("A"));
        QCOMPARE(remapClassCourseIds({cls}, {})[0].courseId, std::optional<QString>("B"));
    }

    void stagesKeepTheirOwnCourses()
    {
        Race race;
        race.stages = {stage("S1"), stage("S2")};
        race.courses = {course("c1", "Long", QStringLiteral("S1")), course("u", "Short")};
        const IdMap map
            = mergeImportedCourses(race, {course("x", "Long"), course("y", "short")}, QStringLiteral("S2"));
        QCOMPARE(race.courses.size(), 3);
        QCOMPARE(race.courses[0].stageId, std::optional<QString>("S1"));
        QCOMPARE(race.courses[0].name, QStringLiteral("Long"));
        QCOMPARE(race.courses[1].id, QStringLiteral("u"));
        QVERIFY(!race.courses[1].stageId); // merged into, stays untagged
        QCOMPARE(race.courses[2].id, QStringLiteral("x"));
        QCOMPARE(race.courses[2].stageId, std::optional<QString>("S2"));
        QCOMPARE(map, (IdMap {{"y", "u"}}));
    }

    // Another stage's course that shares the imported id is never overwritten.
    void idClashAcrossStagesAddsUnderNewId()
    {
        Race race;
        race.stages = {stage("S1"), stage("S2")};
        Course s1 = course("1", "Long", QStringLiteral("S1"));
        s1.controls = {CourseControl {QUuid::createUuid(), 31, 0, {}}};
        race.courses = {s1};
        Course imported = course("1", "Middle");
        imported.controls = {CourseControl {QUuid::createUuid(), 45, 0, {}}};
        const IdMap map = mergeImportedCourses(race, {imported}, QStringLiteral("S2"));
        QCOMPARE(race.courses.size(), 2);
        QCOMPARE(race.courses[0], s1);
        QCOMPARE(race.courses[1].stageId, std::optional<QString>("S2"));
        QVERIFY(race.courses[1].id != QStringLiteral("1"));
        QCOMPARE(map.value(QStringLiteral("1")), race.courses[1].id);

        // Importing the same file again for S2 updates S2's course, still leaving S1's alone.
        const IdMap again = mergeImportedCourses(race, {imported}, QStringLiteral("S2"));
        QCOMPARE(race.courses.size(), 2);
        QCOMPARE(race.courses[0], s1);
        QCOMPARE(again.value(QStringLiteral("1")), race.courses[1].id);
    }

    void duplicateNamesInOneImport()
    {
        Race race;
        const IdMap map
            = mergeImportedCourses(race, {course("a", "Open"), course("b", "OPEN")}, std::nullopt);
        QCOMPARE(race.courses.size(), 1);
        QCOMPARE(map, (IdMap {{"b", "a"}}));
    }

    void importTwiceIsStable()
    {
        const QString path = QStringLiteral(VEXLO_TEST_DATA_DIR "/imports/coursedata-long.xml");
        Race race;
        int saves = 0;
        LogCapture log;
        importCourses(race, path, [&] { ++saves; });
        const QStringList firstLines = log.lines();
        QCOMPARE(firstLines.first(),
            QStringLiteral("RaceStore: importCourses reading coursedata-long.xml, %1 bytes")
                .arg(QFile(path).size()));
        QVERIFY(firstLines.contains(
            QStringLiteral("RaceStore: importCourses parsed 1 course(s), 1 class assignment(s)")));
        QCOMPARE(firstLines.last(),
            QStringLiteral("RaceStore: importCourses applied \u2014 race.courses now has 1 course(s)"));
        const QByteArray once = jsonWithoutControlIds(race);
        log.clear();
        importCourses(race, path, [&] { ++saves; });
        QCOMPARE(saves, 2);
        QCOMPARE(log.lines().size(), firstLines.size());
        QCOMPARE(race.courses.size(), 1);
        QCOMPARE(race.classes.size(), 1);
        QCOMPARE(race.classes[0].courseId, std::optional<QString>("L"));
        QCOMPARE(jsonWithoutControlIds(race), once);
    }

    void stageTaggingLogLines()
    {
        const QByteArray bytes = casetable::readData(QStringLiteral("imports/coursedata-by-id.xml"));
        Race race;
        LogCapture log;
        importCourseData(race, bytes, QStringLiteral("f.xml"));
        QVERIFY(!log.lines().join('\n').contains(QStringLiteral("tagging")));

        Race staged;
        staged.stages = {stage("S1"), stage("S2")};
        log.clear();
        importCourseData(staged, bytes, QStringLiteral("f.xml"));
        QVERIFY(log.lines().contains(
            QStringLiteral("RaceStore: importCourses tagging imported courses with stageId nil")));
        QVERIFY(!staged.courses[0].stageId);

        staged.activeStageId = QStringLiteral("S2");
        staged.courses.clear();
        staged.classes.clear();
        log.clear();
        importCourseData(staged, bytes, QStringLiteral("f.xml"));
        QVERIFY(log.lines().contains(
            QStringLiteral("RaceStore: importCourses tagging imported courses with stageId S2")));
        QCOMPARE(staged.courses[0].stageId, std::optional<QString>("S2"));
        // The class's course for this stage goes into its stage entry.
        QCOMPARE(staged.classes[0].stageCourseIds->value(QStringLiteral("S2")), QStringLiteral("L"));
    }

    // A file of two races: each stage takes its own race's courses, by the stage's place.
    void multiRaceFileTakesTheActiveStagesRace()
    {
        Race race;
        race.stages = {stage("S2"), stage("S1")};
        race.stages[0].order = 2;
        race.stages[1].order = 1;
        race.activeStageId = QStringLiteral("S2");
        const QString path = QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/read/coursedata/multi-race-1.xml");
        importCourses(race, path);
        QCOMPARE(race.courses.size(), 1);
        QCOMPARE(race.courses[0].controls.size(), 2);
        QCOMPARE(race.courses[0].controls[0].code, 41);
        race.activeStageId = QStringLiteral("S1");
        importCourses(race, path);
        QCOMPARE(race.courses.size(), 3);
        QCOMPARE(race.courses[1].name, QStringLiteral("Long"));
        QCOMPARE(race.courses[1].stageId, std::optional<QString>("S1"));
        QCOMPARE(race.courses[1].controls[0].code, 31);
        QCOMPARE(race.courses[0].controls[0].code, 41);
    }

    // A second stage's file with the same course ids as the first stage's: both stages keep their
    // own courses, and the classes point at each stage's course through their stage entries.
    void sameFileIdsForTwoStages()
    {
        const QString path = QStringLiteral(VEXLO_TEST_DATA_DIR "/imports/coursedata-two-stages.xml");
        Race race;
        race.stages = {stage("S1"), stage("S2")};
        race.activeStageId = QStringLiteral("S1");
        importCourses(race, path);
        QCOMPARE(race.courses.size(), 2);
        QCOMPARE(race.courses[0].lengthMeters, std::optional<double>(2100.0));
        QCOMPARE(race.courses[1].lengthMeters, std::optional<double>(2100.0));
        QCOMPARE(race.courses[0].controls.size(), 2);
        const QList<Course> stageOne = race.courses;

        race.activeStageId = QStringLiteral("S2");
        importCourses(race, path);
        QCOMPARE(race.courses.size(), 4);
        QCOMPARE(race.courses.mid(0, 2), stageOne);
        QCOMPARE(race.courses[2].stageId, std::optional<QString>("S2"));
        QVERIFY(race.courses[2].id != QStringLiteral("1"));
        QCOMPARE(race.classes.size(), 2);
        QCOMPARE(race.classes[0].name, QStringLiteral("H21"));
        QCOMPARE(race.classes[0].stageCourseIds,
            std::optional<StageMap<QString>>({{"S1", "1"}, {"S2", race.courses[2].id}}));

        // Importing the stage 2 file again changes nothing but the fresh control ids.
        const QByteArray before = jsonWithoutControlIds(race);
        importCourses(race, path);
        QCOMPARE(jsonWithoutControlIds(race), before);
    }

    void editsAndStages()
    {
        Race race;
        race.courses = {course("A", "Long")};
        RaceClass cls;
        cls.id = QStringLiteral("H");
        cls.courseId = QStringLiteral("A");
        race.classes = {cls};
        QVERIFY(!updateCourse(race, course("Z", "none")));
        QVERIFY(updateCourse(race, course("A", "Longer")));
        QCOMPARE(race.courses[0].name, QStringLiteral("Longer"));
        deleteCourse(race, QStringLiteral("A"));
        QVERIFY(race.courses.isEmpty());
        QCOMPARE(race.classes[0].courseId, std::optional<QString>("A"));

        addStage(race, stage("S1"));
        QCOMPARE(race.activeStageId, std::optional<QString>("S1"));
        addStage(race, stage("S2"));
        addStage(race, stage("S3"));
        QCOMPARE(race.activeStageId, std::optional<QString>("S1"));
        Stage renamed = stage("S2");
        renamed.name = QStringLiteral("Day 2");
        QVERIFY(updateStage(race, renamed));
        QVERIFY(!updateStage(race, stage("S9")));
        QCOMPARE(race.stages[1].name, QStringLiteral("Day 2"));
        deleteStage(race, stage("S2"));
        QCOMPARE(race.activeStageId, std::optional<QString>("S1"));
        deleteStage(race, stage("S1"));
        QCOMPARE(race.activeStageId, std::optional<QString>("S3"));
        deleteStage(race, stage("S3"));
        QVERIFY(!race.activeStageId);
        QVERIFY(race.stages.isEmpty());
    }

    // A deleted stage's results stay; the read-outs kept on it, which could only ever be recorded
    // on another stage, go with it.
    void deletingAStageKeepsTheReadOutsKeptOnItOnNoStage()
    {
        Race race;
        for (const char *id : {"S1", "S2"})
            addStage(race, stage(id));
        auto kept = [](const QString &cardNumber, const std::optional<QString> &stageId) {
            UnknownCard card;
            card.cardNumber = cardNumber;
            card.stageId = stageId;
            return card;
        };
        race.unknownCards = QList<UnknownCard> {kept(QStringLiteral("1"), QStringLiteral("S1")),
            kept(QStringLiteral("2"), QStringLiteral("S2")), kept(QStringLiteral("3"), std::nullopt),
            kept(QStringLiteral("4"), QStringLiteral("S2"))};
        PersonResult result;
        result.stageId = QStringLiteral("S2");
        race.results = {result};
        deleteStage(race, stage("S2"));
        QVERIFY(race.unknownCards);
        QStringList left;
        for (const UnknownCard &card : *race.unknownCards)
            left.append(card.cardNumber + u':' + card.stageId.value_or(QStringLiteral("-")));
        QCOMPARE(left,
            (QStringList {QStringLiteral("1:S1"), QStringLiteral("2:-"), QStringLiteral("3:-"),
                QStringLiteral("4:-")}));
        QCOMPARE(race.results.size(), 1);
    }

    // Classes: matching names to courses, generating, editing and the default start windows.
    void matchKeys_data() { casetable::load("store/class-match-keys.tsv"); }
    void matchKeys()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(matchKey(cells[0]) == matchKey(cells[1]), cells[2] == u"1");
    }

    void generateFollowsCourseOrder()
    {
        Race race;
        race.courses = {familyCourse("a1", "A1", "A"), familyCourse("a2", "A2", "A"), familyCourse("b", "B")};
        generateClassesFromCourses(race);
        QCOMPARE(race.classes.size(), 2);
        QCOMPARE(race.classes[0].name, QStringLiteral("A"));
        QCOMPARE(race.classes[0].courseFamily, std::optional<QString>("A"));
        QCOMPARE(race.classes[0].mode, std::optional<RaceClassMode>(RaceClassMode::CourseFamily));
        QVERIFY(!race.classes[0].courseId);
        QCOMPARE(race.classes[1].name, QStringLiteral("B"));
        QCOMPARE(race.classes[1].courseId, std::optional<QString>("b"));
        QCOMPARE(race.classes[1].mode, std::optional<RaceClassMode>(RaceClassMode::SingleCourse));
        QCOMPARE(race.classes[1].id.size(), 36);
        QVERIFY(race.classes[0].id != race.classes[1].id);

        const QList<RaceClass> before = race.classes;
        generateClassesFromCourses(race);
        QCOMPARE(race.classes, before);
    }

    void generateIgnoresNames()
    {
        Race race;
        race.courses = {familyCourse("b", "B")};
        race.classes = {raceClass("x", "B")};
        generateClassesFromCourses(race);
        QCOMPARE(race.classes.size(), 2);
        QCOMPARE(race.classes[1].courseId, std::optional<QString>("b"));
    }

    void autoMatch_data() { casetable::load("store/class-auto-match.tsv"); }
    void autoMatch()
    {
        QFETCH(QStringList, cells);
        const auto optional = [](const QString &cell) {
            return cell.isEmpty() ? std::nullopt : std::optional<QString>(cell);
        };
        Race race;
        for (const QString &field : cells[0].split(QLatin1Char('|'))) {
            const QStringList parts = field.split(QLatin1Char(':'));
            race.courses.append(familyCourse(parts[0], parts[1], optional(parts.value(2))));
        }
        RaceClass cls {QStringLiteral("k"), cells[1]};
        cls.mode = RaceClassMode::MultiCourse;
        race.classes = {cls};
        autoMatchClassesToCourses(race);
        QCOMPARE(race.classes[0].courseId, optional(cells[2]));
        QCOMPARE(race.classes[0].courseFamily, optional(cells[3]));
        QCOMPARE(race.classes[0].mode, std::optional<RaceClassMode>(RaceClassMode::MultiCourse));
    }

    void autoMatchSkipsClassesWithFamily()
    {
        Race race;
        race.courses = {familyCourse("b", "B")};
        RaceClass cls = raceClass("k", "B");
        cls.courseFamily = QStringLiteral("Other");
        race.classes = {cls, raceClass("m", "B")};
        autoMatchClassesToCourses(race);
        QVERIFY(!race.classes[0].courseId);
        QCOMPARE(race.classes[1].courseId, std::optional<QString>("b"));
    }

    void updateAndDelete()
    {
        Race race;
        race.classes = {raceClass("1", "A"), raceClass("2", "B"), raceClass("1", "A again")};
        Participant p;
        p.classId = QStringLiteral("1");
        race.participants = {p};
        QVERIFY(!updateClass(race, raceClass("9", "none")));
        QVERIFY(updateClass(race, raceClass("1", "Renamed")));
        QCOMPARE(race.classes[0].name, QStringLiteral("Renamed"));
        QCOMPARE(race.classes[2].name, QStringLiteral("A again"));
        deleteClass(race, QStringLiteral("1"));
        QCOMPARE(race.classes.size(), 1);
        QCOMPARE(race.participants[0].classId, std::optional<QString>("1"));
    }

    void defaultStartWindows()
    {
        const StartWindow w {36000, 39600};
        Race race;
        setDefaultStartWindow(race, w, QStringLiteral("s1"));
        QCOMPARE(race.defaultStartWindow, std::optional<StartWindow>(w));
        QVERIFY(!race.stageDefaultStartWindows);

        Stage s1;
        s1.id = QStringLiteral("s1");
        race.stages = {s1};
        setDefaultStartWindow(race, std::nullopt, QStringLiteral("s1"));
        QVERIFY(!race.stageDefaultStartWindows);
        setDefaultStartWindow(race, w, QStringLiteral("s1"));
        QCOMPARE(race.stageDefaultStartWindows->value(QStringLiteral("s1")), w);
        setDefaultStartWindow(race, std::nullopt, QStringLiteral("s1"));
        QVERIFY(race.stageDefaultStartWindows && race.stageDefaultStartWindows->isEmpty());
        QCOMPARE(race.defaultStartWindow, std::optional<StartWindow>(w));
        setDefaultStartWindow(race, std::nullopt, std::nullopt);
        QVERIFY(!race.defaultStartWindow);
    }
};

QTEST_GUILESS_MAIN(TestSetupOperations)
#include "tst_setupoperations.moc"
