#include "casetable.h"
#include "classsetup.h"
#include "documentfixtures.h"

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

} // namespace

class TestClassSetup : public QObject
{
    Q_OBJECT

private slots:
    void matchKeys_data() { casetable::load("store/class-match-keys.tsv"); }
    void matchKeys()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(matchKey(cells[0]) == matchKey(cells[1]), cells[2] == u"1");
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

    void autoMatch_data() { casetable::load("store/class-auto-match.tsv"); }
    void autoMatch()
    {
        QFETCH(QStringList, cells);
        const auto optional = [](const QString &cell) {
            return cell.isEmpty() ? std::nullopt : std::optional<QString>(cell);
        };
        Race race;
        for (const QString &spec : cells[0].split(QLatin1Char('|'))) {
            const QStringList parts = spec.split(QLatin1Char(':'));
            race.courses.append(course(parts[0], parts[1], optional(parts.value(2))));
        }
        RaceClass cls = raceClass("k", cells[1]);
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
