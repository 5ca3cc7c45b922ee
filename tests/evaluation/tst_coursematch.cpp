// Course choice from the set-up, candidate courses and the heuristic match from punches.
#include "coursematch.h"
#include "evaluationfixtures.h"

#include <QTest>

namespace {

QList<qint64> range(qint64 from, qint64 count)
{
    QList<qint64> codes;
    for (qint64 i = 0; i < count; ++i)
        codes.append(from + i);
    return codes;
}

Race setupRace()
{
    Race race;
    race.courses = {sequentialCourse(QStringLiteral("A"), {31, 32}),
        sequentialCourse(QStringLiteral("B"), {41, 42}), sequentialCourse(QStringLiteral("C"), {51, 52})};
    race.courses[0].courseFamily = QStringLiteral("Long");
    race.courses[2].courseFamily = QStringLiteral("Long");
    RaceClass single;
    single.id = QStringLiteral("single");
    single.mode = RaceClassMode::SingleCourse;
    single.courseId = QStringLiteral("A");
    single.stageCourseIds = StageMap<QString> {{QStringLiteral("day2"), QStringLiteral("B")}};
    RaceClass multi;
    multi.id = QStringLiteral("multi");
    multi.mode = RaceClassMode::MultiCourse;
    multi.courseId = QStringLiteral("A");
    multi.courseIds = QList<QString> {QStringLiteral("C"), QStringLiteral("B"), QStringLiteral("C")};
    RaceClass family;
    family.id = QStringLiteral("family");
    family.courseFamily = QStringLiteral("Long"); // no mode: behaves as course family
    RaceClass orphanFamily;
    orphanFamily.id = QStringLiteral("orphan");
    orphanFamily.mode = RaceClassMode::CourseFamily;
    orphanFamily.courseFamily = QStringLiteral("Nobody");
    race.classes = {single, multi, family, orphanFamily};
    return race;
}

QStringList ids(const QList<Course> &courses)
{
    QStringList out;
    for (const Course &c : courses)
        out.append(c.id);
    return out;
}

} // namespace

class TestCourseMatch : public QObject
{
    Q_OBJECT

private slots:
    void chooseCourse_data()
    {
        QTest::addColumn<QString>("classId");
        QTest::addColumn<QString>("courseId");
        QTest::addColumn<QString>("stage");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *classId, const char *courseId, const char *stage,
                             const char *expected) {
            QTest::newRow(name) << QString::fromLatin1(classId) << QString::fromLatin1(courseId)
                                << QString::fromLatin1(stage) << QString::fromLatin1(expected);
        };
        row("class course", "single", "", "", "A");
        row("stage entry wins", "single", "", "day2", "B");
        row("other stage uses base", "single", "", "day3", "A");
        row("own course wins", "single", "C", "", "C");
        row("own deleted course, no fallback", "single", "gone", "", "");
        row("multi-course ignores own course", "multi", "B", "", "");
        row("family class without course", "family", "", "", "");
        row("no class", "", "", "", "");
        row("no class, own course", "", "B", "", "B");
        row("class that no longer exists", "deleted", "", "", "");
    }
    void chooseCourse()
    {
        QFETCH(QString, classId);
        QFETCH(QString, courseId);
        QFETCH(QString, stage);
        QFETCH(QString, expected);
        Race race = setupRace();
        if (!stage.isEmpty())
            race.activeStageId = stage;
        Participant p;
        if (!classId.isEmpty())
            p.classId = classId;
        if (!courseId.isEmpty())
            p.courseId = courseId;
        const auto course = ::chooseCourse(race, p);
        QCOMPARE(course ? course->id : QString(), expected);
    }

    void candidates_data()
    {
        QTest::addColumn<QString>("classId");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("no class") << "" << QStringList {"A", "B", "C"};
        QTest::newRow("single course") << "single" << QStringList {"A", "B", "C"};
        QTest::newRow("multi course, in race order, no repeats") << "multi" << QStringList {"B", "C"};
        QTest::newRow("family without mode") << "family" << QStringList {"A", "C"};
        QTest::newRow("family nobody carries") << "orphan" << QStringList {};
    }
    void candidates()
    {
        QFETCH(QString, classId);
        QFETCH(QStringList, expected);
        const Race race = setupRace();
        const RaceClass *rc = classId.isEmpty() ? nullptr : findClass(race, classId);
        QCOMPARE(ids(candidateCourses(race, rc)), expected);
    }

    void candidatesOfEmptyLists()
    {
        Race race = setupRace();
        race.classes[1].courseIds = QList<QString> {};
        QCOMPARE(ids(candidateCourses(race, &race.classes[1])), (QStringList {"A", "B", "C"}));
        race.classes[2].courseFamily.reset();
        QCOMPARE(ids(candidateCourses(race, &race.classes[2])), (QStringList {"A", "B", "C"}));
    }

    void matchScore_data()
    {
        QTest::addColumn<QString>("punches");
        QTest::addColumn<bool>("score");
        QTest::addColumn<double>("expected");
        QTest::newRow("all punched with extras") << "31 99 32 98 33 34" << false << 1.0;
        QTest::newRow("half in order") << "31 32" << false << 0.5;
        QTest::newRow("out of order") << "34 33 32 31" << false << 0.25;
        QTest::newRow("score: half, repeated") << "31 31 32 32 32 99" << true << 0.5;
        QTest::newRow("score: order does not matter") << "34 33 32 31" << true << 1.0;
    }
    void matchScore()
    {
        QFETCH(QString, punches);
        QFETCH(bool, score);
        QFETCH(double, expected);
        const Course course = score ? scoreCourse(QStringLiteral("S"), {{31, 1}, {32, 1}, {33, 1}, {34, 1}})
                                    : sequentialCourse(QStringLiteral("A"), {31, 32, 33, 34});
        QCOMPARE(courseMatchScore(punchesEveryMinute(codeList(punches), at(10, 0)), course), expected);
    }

    void matchScoreOfCourseWithoutControlsIsZero()
    {
        QCOMPARE(
            courseMatchScore(punchesEveryMinute({31}, at(10, 0)), sequentialCourse(QStringLiteral("E"), {})),
            0.0);
    }

    // Each candidate is a 20-, 10- or 100-control course; the punches hit `hits` of its controls.
    void thresholds_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QList<int>>("hits");
        QTest::addColumn<int>("expected"); // index of the matched candidate, -1 for none
        QTest::newRow("single 0.9 accepted") << QList<int> {10} << QList<int> {9} << 0;
        QTest::newRow("single 0.89 rejected") << QList<int> {100} << QList<int> {89} << -1;
        QTest::newRow("1.0 vs 0.85 accepted") << QList<int> {20, 20} << QList<int> {17, 20} << 1;
        QTest::newRow("0.95 vs 0.8 rejected") << QList<int> {20, 20} << QList<int> {19, 16} << -1;
        QTest::newRow("equal scores never match") << QList<int> {10, 10} << QList<int> {10, 10} << -1;
        QTest::newRow("best below 0.9 with clear gap") << QList<int> {10, 10} << QList<int> {8, 1} << -1;
        QTest::newRow("third far behind") << QList<int> {10, 10, 10} << QList<int> {2, 10, 7} << 1;
    }
    void thresholds()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<int>, hits);
        QFETCH(int, expected);
        // Every course has its own codes; the card carries the first `hits` codes of each course.
        QList<Course> candidates;
        QList<qint64> punched;
        for (qsizetype i = 0; i < sizes.size(); ++i) {
            const QList<qint64> codes = range(1000 * (i + 1), sizes[i]);
            candidates.append(sequentialCourse(QString::number(i), codes));
            punched.append(codes.mid(0, hits[i]));
        }
        const auto match = bestCourseMatch(punchesEveryMinute(punched, at(10, 0)), candidates);
        QCOMPARE(match ? match->id.toInt() : -1, expected);
    }

    void noPunchesOrNoCandidatesGiveNoCourse()
    {
        const Course a = sequentialCourse(QStringLiteral("A"), {31});
        QVERIFY(!bestCourseMatch({}, {a}));
        QVERIFY(!bestCourseMatch(punchesEveryMinute({31}, at(10, 0)), {}));
    }
};

QTEST_GUILESS_MAIN(TestCourseMatch)
#include "tst_coursematch.moc"
