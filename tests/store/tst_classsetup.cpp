#include "classsetup.h"

#include <QTest>

namespace {

Course course(const QString &id, const QString &name, std::optional<QString> family = std::nullopt)
{
    Course c;
    c.id = id;
    c.name = name;
    c.courseFamily = std::move(family);
    return c;
}

RaceClass raceClass(const QString &id, const QString &name)
{
    RaceClass c;
    c.id = id;
    c.name = name;
    return c;
}

} // namespace

class TestClassSetup : public QObject
{
    Q_OBJECT

private slots:
    void matchKeys_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("accents and leading spaces")
            << QStringLiteral("  Åbo") << QStringLiteral("abo") << true;
        QTest::newRow("trailing space and case") << QStringLiteral("H21 ") << QStringLiteral("h21") << true;
        QTest::newRow("inner space differs") << QStringLiteral("H21") << QStringLiteral("H 21") << false;
        QTest::newRow("decomposed accent") << QStringLiteral("Jose\u0301") << QStringLiteral("JOSÉ") << true;
        QTest::newRow("newline trimmed") << QStringLiteral("D45\n") << QStringLiteral("d45") << true;
        QTest::newRow("turkish capital I folds without locale")
            << QStringLiteral("IK") << QStringLiteral("ik") << true;
        QTest::newRow("ø is its own letter") << QStringLiteral("Ørn") << QStringLiteral("orn") << false;
    }
    void matchKeys()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(matchKey(a) == matchKey(b), same);
    }

    void generateFollowsCourseOrder()
    {
        Race race;
        race.courses = {course("a1", "A1", "A"), course("a2", "A2", "A"), course("b", "B")};
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
        race.courses = {course("b", "B")};
        race.classes = {raceClass("x", "B")};
        generateClassesFromCourses(race);
        QCOMPARE(race.classes.size(), 2);
        QCOMPARE(race.classes[1].courseId, std::optional<QString>("b"));
    }

    void autoMatch_data()
    {
        QTest::addColumn<QList<Course>>("courses");
        QTest::addColumn<QString>("className");
        QTest::addColumn<std::optional<QString>>("courseId");
        QTest::addColumn<std::optional<QString>>("family");
        const QList<Course> h21 = {course("c1", "H21"), course("c2", "H21 Kort")};
        QTest::newRow("exact h21") << h21 << "h21" << std::optional<QString>("c1")
                                   << std::optional<QString>();
        QTest::newRow("exact with trailing space")
            << h21 << "H21 kort " << std::optional<QString>("c2") << std::optional<QString>();
        QTest::newRow("H contained in both")
            << h21 << "H" << std::optional<QString>() << std::optional<QString>();
        QTest::newRow("inner space no match") << QList<Course> {course("d", "D 35")} << "D35"
                                              << std::optional<QString>() << std::optional<QString>();
        QTest::newRow("two courses named Open")
            << QList<Course> {course("o1", "Open"), course("o2", "Open")} << "open"
            << std::optional<QString>() << std::optional<QString>();
        QTest::newRow("two Open, a family decides")
            << QList<Course> {course("o1", "Open", "ÖPEN"), course("o2", "Open", "Open")} << "open"
            << std::optional<QString>() << std::optional<QString>("ÖPEN");
        QTest::newRow("contained course")
            << QList<Course> {course("l", "Lang"), course("k", "Kort")} << "Lang bane"
            << std::optional<QString>("l") << std::optional<QString>();
        QTest::newRow("contained family")
            << QList<Course> {course("a1", "A1", "Elite"), course("a2", "A2", "Elite")} << "Elite Men"
            << std::optional<QString>() << std::optional<QString>("Elite");
        QTest::newRow("spaces only") << QList<Course> {course("x", "X")} << "   " << std::optional<QString>()
                                     << std::optional<QString>();
    }
    void autoMatch()
    {
        QFETCH(QList<Course>, courses);
        QFETCH(QString, className);
        QFETCH(std::optional<QString>, courseId);
        QFETCH(std::optional<QString>, family);
        Race race;
        race.courses = courses;
        RaceClass cls = raceClass("k", className);
        cls.mode = RaceClassMode::MultiCourse;
        race.classes = {cls};
        autoMatchClassesToCourses(race);
        QCOMPARE(race.classes[0].courseId, courseId);
        QCOMPARE(race.classes[0].courseFamily, family);
        QCOMPARE(race.classes[0].mode, std::optional<RaceClassMode>(RaceClassMode::MultiCourse));
    }

    void autoMatchSkipsClassesWithFamily()
    {
        Race race;
        race.courses = {course("b", "B")};
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

QTEST_GUILESS_MAIN(TestClassSetup)
#include "tst_classsetup.moc"
