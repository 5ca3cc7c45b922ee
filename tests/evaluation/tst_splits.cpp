// Splits, split times, race-day dating and score-course scoring.
#include "evaluationfixtures.h"
#include "splits.h"

#include <QTest>

class TestSplits : public QObject
{
    Q_OBJECT

private slots:
    void forwardGreedy_data()
    {
        QTest::addColumn<QString>("course");
        QTest::addColumn<QString>("punches");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *course, const char *punches, const char *expected) {
            QTest::newRow(name) << QString::fromUtf8(course) << QString::fromUtf8(punches)
                                << QString::fromUtf8(expected);
        };
        row("skipped punch stays additional", "31 32 33", "32 31 33", "32:additional 31:ok 32:missing 33:ok");
        row("clean run", "31 32 33", "31 32 33", "31:ok 32:ok 33:ok");
        row("no punches", "31 32 33", "", "31:missing 32:missing 33:missing");
        row("punched twice in a row", "31 32", "31 31 32", "31:ok 31:additional 32:ok");
        row("first control punched late", "31 32 33", "32 33 31",
            "32:additional 33:additional 31:ok 32:missing 33:missing");
        row("extra punches in between and after", "31 32", "31 99 32 98",
            "31:ok 99:additional 32:ok 98:additional");
        row("missing in the middle", "31 32 33", "31 33", "31:ok 32:missing 33:ok");
        row("no course", "", "32 31", "32:ok 31:ok");
    }
    void forwardGreedy()
    {
        QFETCH(QString, course);
        QFETCH(QString, punches);
        QFETCH(QString, expected);
        const auto list = punchesEveryMinute(codeList(punches), at(10, 0));
        const std::optional<Course> c = course.isEmpty()
            ? std::nullopt
            : std::optional(sequentialCourse(QStringLiteral("A"), codeList(course)));
        const auto splits = buildSplits(list, c);
        QCOMPARE(describe(splits), expected);
        for (const SplitTime &s : splits) {
            QVERIFY(!s.elapsedFromStart && !s.legTime && !s.score);
            QVERIFY(!s.id.isNull());
        }
    }

    void missingSplitCarriesDistantPast()
    {
        const auto splits = buildSplits(punchesEveryMinute({31}, at(10, 0)), sequentialCourse("A", {31, 32}));
        QCOMPARE(splits[1].status, SplitStatus::Missing);
        QCOMPARE(splits[1].controlCode, 32);
        QCOMPARE(splits[1].time.toString(Qt::ISODate), QStringLiteral("0001-01-01T00:00:00Z"));
        QCOMPARE(splits[0].time, at(10, 0));
    }

    void untimedPunchOfACourseControlIsVisitedNoTime()
    {
        QList<SIPunch> punches {punch(31, at(10, 1)), punch(32, QDateTime(), false), punch(33, at(10, 5))};
        QCOMPARE(describe(buildSplits(punches, sequentialCourse("A", {31, 32, 33}))),
            "31:ok 32:visitedNoTime 33:ok");
        // Without a course every punch is ok, with or without a time.
        QCOMPARE(describe(buildSplits(punches, std::nullopt)), "31:ok 32:ok 33:ok");
        QCOMPARE(describe(buildSplits(punches, sequentialCourse("E", {}))), "31:ok 32:ok 33:ok");
    }

    void courseWithoutTypeIsSequential()
    {
        const auto splits
            = buildSplits(punchesEveryMinute({32, 31}, at(10, 0)), sequentialCourse("A", {31, 32}, false));
        QCOMPARE(describe(splits), "32:additional 31:ok 32:missing");
    }

    void scoreCourseSplits()
    {
        const Course course = scoreCourse("S", {{31, 10}, {32, 20}, {33, 30}});
        QList<SIPunch> punches {
            punch(32, at(10, 1)), punch(99, at(10, 2)), punch(32, at(10, 3)), punch(31, QDateTime(), false)};
        const auto splits = buildSplits(punches, course);
        QCOMPARE(describe(splits), "32:ok 99:additional 32:additional 31:visitedNoTime");
        QCOMPARE(splits[0].score, 20);
        QCOMPARE(splits[1].score, 0);
        QCOMPARE(splits[2].score, 0);
        QCOMPARE(splits[3].score, 10);
        QVERIFY(scoreRogainingSplits({}, course).isEmpty());
    }

    void dateOnRaceDay_data()
    {
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QDateTime>("day");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("same day") << at(11, 15, 30) << at(10, 0) << at(11, 15, 30);
        QTest::newRow("other day moved") << at(11, 15, 30, QDate(2020, 1, 2)) << at(10, 0) << at(11, 15, 30);
        QTest::newRow("fraction dropped") << at(11, 15, 30).addMSecs(700) << at(10, 0) << at(11, 15, 30);
        QTest::newRow("before start: same day, no roll-over") << at(9, 0) << at(23, 0) << at(9, 0);
        // Daylight-saving change days keep the wall-clock time (start-of-day plus seconds would be
        // an hour off).
        const QDate spring(2025, 3, 30);
        const QDate autumn(2025, 10, 26);
        QTest::newRow("spring forward day")
            << at(11, 15, 30, QDate(2025, 3, 29)) << at(10, 0, 0, spring) << at(11, 15, 30, spring);
        QTest::newRow("autumn back day")
            << at(11, 15, 30, QDate(2025, 10, 25)) << at(10, 0, 0, autumn) << at(11, 15, 30, autumn);
        // 02:30 does not exist on the spring-forward day: the time is kept as it was.
        QTest::newRow("wall-clock time in the gap")
            << at(2, 30, 0, QDate(2025, 3, 29)) << at(10, 0, 0, spring) << at(2, 30, 0, QDate(2025, 3, 29));
        QTest::newRow("invalid time unchanged") << QDateTime() << at(10, 0) << QDateTime();
    }
    void dateOnRaceDay()
    {
        QFETCH(QDateTime, time);
        QFETCH(QDateTime, day);
        QFETCH(QDateTime, expected);
        const QDateTime dated = ::dateOnRaceDay(time, day);
        QCOMPARE(dated, expected);
        if (expected.isValid())
            QCOMPARE(dated.toLocalTime().time(), expected.toLocalTime().time());
    }

    void dateOnRaceDaySpringWallClock()
    {
        // 11:15:30 local on 30 March 2025 (CEST, UTC+2) is 09:15:30 UTC.
        const QDateTime dated
            = ::dateOnRaceDay(at(11, 15, 30, QDate(2025, 3, 29)), at(10, 0, 0, QDate(2025, 3, 30)));
        QCOMPARE(dated.toUTC().toString(Qt::ISODate), QStringLiteral("2025-03-30T09:15:30Z"));
    }

    void fillSplitTimes()
    {
        QList<SplitTime> splits
            = buildSplits(QList<SIPunch> {punch(31, at(10, 2)), punch(99, at(10, 5)), punch(32, at(10, 9)),
                              punch(33, QDateTime(), false), punch(34, at(10, 20))},
                sequentialCourse("A", {31, 32, 33, 34, 35}));
        QCOMPARE(describe(splits), "31:ok 99:additional 32:ok 33:visitedNoTime 34:ok 35:missing");
        ::fillSplitTimes(splits, at(10, 0));
        QCOMPARE(splits[0].elapsedFromStart, 120.0);
        QCOMPARE(splits[0].legTime, 120.0);
        QCOMPARE(splits[1].elapsedFromStart, 300.0);
        QCOMPARE(splits[1].legTime, 180.0);
        // The leg after an additional split runs from that punch.
        QCOMPARE(splits[2].elapsedFromStart, 540.0);
        QCOMPARE(splits[2].legTime, 240.0);
        QVERIFY(!splits[3].elapsedFromStart && !splits[3].legTime);
        // The leg after a visitedNoTime passage runs from the passage before it.
        QCOMPARE(splits[4].elapsedFromStart, 1200.0);
        QCOMPARE(splits[4].legTime, 660.0);
        QVERIFY(!splits[5].elapsedFromStart && !splits[5].legTime);
    }

    void fillSplitTimesWithoutStartLeavesEverythingAbsent()
    {
        QList<SplitTime> splits = buildSplits(punchesEveryMinute({31, 32}, at(10, 0)), std::nullopt);
        ::fillSplitTimes(splits, std::nullopt);
        for (const SplitTime &s : splits)
            QVERIFY(!s.elapsedFromStart && !s.legTime);
    }

    void negativeElapsedBeforeStart()
    {
        QList<SplitTime> splits = buildSplits(punchesEveryMinute({31}, at(9, 0)), std::nullopt);
        ::fillSplitTimes(splits, at(10, 0));
        QCOMPARE(splits[0].elapsedFromStart, -3600.0);
    }

    void rogaining_data()
    {
        QTest::addColumn<double>("runningSeconds");
        QTest::addColumn<std::optional<double>>("limit");
        QTest::addColumn<qint64>("perMinute");
        QTest::addColumn<qint64>("score");
        QTest::addColumn<qint64>("penalty");
        QTest::addColumn<std::optional<bool>>("within");
        // Points of the card below: 10 + 20 (ok) = 30; the visitedNoTime and additional add nothing.
        QTest::newRow("exactly at the limit") << 3600.0 << std::optional<double>(3600) << qint64(5)
                                              << qint64(30) << qint64(0) << std::optional<bool>(true);
        QTest::newRow("1 s over costs a minute") << 3601.0 << std::optional<double>(3600) << qint64(5)
                                                 << qint64(25) << qint64(5) << std::optional<bool>(false);
        QTest::newRow("60.0 s over is 1 minute") << 3660.0 << std::optional<double>(3600) << qint64(5)
                                                 << qint64(25) << qint64(5) << std::optional<bool>(false);
        QTest::newRow("60.5 s over is 2 minutes") << 3660.5 << std::optional<double>(3600) << qint64(5)
                                                  << qint64(20) << qint64(10) << std::optional<bool>(false);
        QTest::newRow("floored, penalty in full") << 4200.0 << std::optional<double>(3600) << qint64(7)
                                                  << qint64(0) << qint64(70) << std::optional<bool>(false);
        QTest::newRow("penalty equals points") << 3900.0 << std::optional<double>(3600) << qint64(6)
                                               << qint64(0) << qint64(30) << std::optional<bool>(false);
        QTest::newRow("no limit") << 99999.0 << std::optional<double>() << qint64(5) << qint64(30)
                                  << qint64(0) << std::optional<bool>();
    }
    void rogaining()
    {
        QFETCH(double, runningSeconds);
        QFETCH(std::optional<double>, limit);
        QFETCH(qint64, perMinute);
        QFETCH(qint64, score);
        QFETCH(qint64, penalty);
        QFETCH(std::optional<bool>, within);
        const Course course = scoreCourse("S", {{31, 10}, {32, 20}, {33, 40}}, limit, perMinute);
        const QList<SplitTime> splits
            = buildSplits(QList<SIPunch> {punch(31, at(10, 5)), punch(32, at(10, 9)), punch(31, at(10, 12)),
                              punch(33, QDateTime(), false), punch(77, at(10, 20))},
                course);
        const QDateTime start = at(10, 0);
        const QDateTime finish = start.addMSecs(qint64(runningSeconds * 1000));
        const RogainingScore r = rogainingScore(splits, course, start, finish);
        QCOMPARE(r.score, score);
        QCOMPARE(r.overtimePenalty, penalty);
        QCOMPARE(r.withinTimeLimit, within);
    }

    void rogainingWithoutStartOrFinishHasNoFlag()
    {
        const Course course = scoreCourse("S", {{31, 10}}, 60.0, 5);
        const auto splits = buildSplits(punchesEveryMinute({31}, at(10, 0)), course);
        const RogainingScore r = rogainingScore(splits, course, std::nullopt, at(12, 0));
        QCOMPARE(r.score, 10);
        QCOMPARE(r.overtimePenalty, 0);
        QVERIFY(!r.withinTimeLimit);
        QVERIFY(!rogainingScore(splits, course, at(10, 0), std::nullopt).withinTimeLimit);
    }

    void absentPenaltyPerMinuteCountsAsZero()
    {
        const Course course = scoreCourse("S", {{31, 10}}, 60.0, std::nullopt);
        const auto splits = buildSplits(punchesEveryMinute({31}, at(10, 0)), course);
        const RogainingScore r = rogainingScore(splits, course, at(10, 0), at(11, 0));
        QCOMPARE(r.score, 10);
        QCOMPARE(r.overtimePenalty, 0);
        QCOMPARE(r.withinTimeLimit, false);
    }
};

QTEST_GUILESS_MAIN(TestSplits)
#include "tst_splits.moc"
