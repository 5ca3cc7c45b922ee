// Stale-punch guards: time filter, coverage fallback, backward match; and their helpers.
#include "evaluationfixtures.h"
#include "log.h"
#include "stalepunches.h"

#include <QTest>

class TestStalePunches : public QObject
{
    Q_OBJECT

private slots:
    void lcs_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<qsizetype>("expected");
        const auto row = [](const char *name, const char *a, const char *b, qsizetype expected) {
            QTest::newRow(name) << QString::fromLatin1(a) << QString::fromLatin1(b) << expected;
        };
        row("both empty", "", "", 0);
        row("a empty", "", "1 2 3", 0);
        row("b empty", "1 2", "", 0);
        row("equal", "31 32 33", "31 32 33", 3);
        row("extra in between", "31 32 33", "31 99 32 98 33", 3);
        row("swapped", "31 32 33", "32 31 33", 2);
        row("reversed", "1 2 3 4", "4 3 2 1", 1);
        row("repeats", "1 1 1", "1 1", 2);
        row("disjoint", "1 2", "3 4", 0);
        row("classic", "1 2 3 2 4 1 2", "2 4 3 1 2 1", 4);
    }
    void lcs()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(qsizetype, expected);
        QCOMPARE(lcsLength(codeList(a), codeList(b)), expected);
        QCOMPARE(lcsLength(codeList(b), codeList(a)), expected);
    }

    void courseSequenceSortsStablyByOrder()
    {
        Course course;
        const std::pair<qint64, qint64> controls[] = {{40, 3}, {31, 1}, {35, 2}, {33, 1}, {36, 2}};
        for (const auto &[code, order] : controls) {
            CourseControl c;
            c.code = code;
            c.order = order;
            course.controls.append(c);
        }
        QCOMPARE(courseSequence(course), (QList<qint64> {31, 33, 35, 36, 40}));
        QVERIFY(courseSequence(Course()).isEmpty());
    }

    // Punches one minute apart from 10:00.
    void filterKeepsOrLogs_data()
    {
        QTest::addColumn<QString>("codes");
        QTest::addColumn<std::optional<QDateTime>>("start");
        QTest::addColumn<QString>("logged");
        QTest::newRow("no start time") << "31 32" << std::optional<QDateTime>() << "";
        QTest::newRow("no punches") << "" << std::optional(at(9, 0)) << "";
        QTest::newRow("punch exactly at start") << "31 32 33" << std::optional(at(10, 0)) << "";
        QTest::newRow("would drop everything")
            << "31 32 33" << std::optional(at(12, 0))
            << "SI: filterStalePunches would discard all 3 punch(es) against cardStartTime "
               "2025-06-14 10:00:00 +0000 — ignoring filter, keeping original punches";
    }
    void filterKeepsOrLogs()
    {
        QFETCH(QString, codes);
        QFETCH(std::optional<QDateTime>, start);
        QFETCH(QString, logged);
        LogCapture log;
        QCOMPARE(codesOf(filterStalePunches(punchesEveryMinute(codeList(codes), at(10, 0)), start)),
            codeList(codes));
        QCOMPARE(log.lines(), logged.isEmpty() ? QStringList() : QStringList {logged});
    }

    void filterDropsStalePunchesAndNamesTheCardsFirstPunch()
    {
        LogCapture log;
        // Out of order: the first punch of the card (control 50 at 10:30) is named although the
        // punches actually dropped are 31 and 32.
        QList<SIPunch> punches {
            punch(50, at(10, 30)), punch(31, at(9, 0)), punch(32, at(9, 5)), punch(33, at(10, 40))};
        const auto kept = filterStalePunches(punches, at(10, 0));
        QCOMPARE(codesOf(kept), (QList<qint64> {50, 33}));
        QCOMPARE(log.lines(),
            QStringList {QStringLiteral(
                "SI: dropped 2 stale punch(es) before card start time 2025-06-14 08:00:00 +0000 "
                "(first dropped: control 50 at 2025-06-14 08:30:00 +0000) — likely an uncleared "
                "card")});
    }

    void coverageFallback_data()
    {
        QTest::addColumn<QString>("unfiltered");
        QTest::addColumn<QString>("filtered");
        QTest::addColumn<bool>("withCourse");
        QTest::addColumn<bool>("rogaining");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("logged");
        const QString line = QStringLiteral("SI: time-based stale-punch filter reduced course-control "
                                            "coverage (1/3 vs 3/3 unfiltered) — cardStartTime "
                                            "looks stale; falling back to unfiltered punches");
        const auto row = [](const char *name, const char *unfiltered, const char *filtered, bool withCourse,
                             bool rogaining, const char *expected, const QString &logged = QString()) {
            QTest::newRow(name) << QString::fromLatin1(unfiltered) << QString::fromLatin1(filtered)
                                << withCourse << rogaining << QString::fromLatin1(expected) << logged;
        };
        row("coverage reduced", "31 32 33", "33", true, false, "31 32 33", line);
        row("coverage kept", "31 32 33 31 32 33", "31 32 33", true, false, "31 32 33");
        row("same length", "31 32 33", "31 32 33", true, false, "31 32 33");
        row("no course", "31 32 33", "33", false, false, "33");
        row("score course", "31 32 33", "33", true, true, "33");
    }
    void coverageFallback()
    {
        QFETCH(QString, unfiltered);
        QFETCH(QString, filtered);
        QFETCH(bool, withCourse);
        QFETCH(bool, rogaining);
        QFETCH(QString, expected);
        QFETCH(QString, logged);
        Course course = sequentialCourse(QStringLiteral("A"), {31, 32, 33});
        if (rogaining)
            course.type = CourseType::Rogaining;
        LogCapture log;
        const auto result = applyCoverageFallback(punchesEveryMinute(codeList(unfiltered), at(10, 0)),
            punchesEveryMinute(codeList(filtered), at(10, 0)),
            withCourse ? std::optional(course) : std::nullopt);
        QCOMPARE(codesOf(result), codeList(expected));
        QCOMPARE(log.lines(), logged.isEmpty() ? QStringList() : QStringList {logged});
    }

    void coverageFallbackWithEmptyCourseReturnsFiltered()
    {
        const Course empty = sequentialCourse(QStringLiteral("E"), {});
        const auto result = applyCoverageFallback(
            punchesEveryMinute({31, 32}, at(10, 0)), punchesEveryMinute({32}, at(10, 1)), empty);
        QCOMPARE(codesOf(result), (QList<qint64> {32}));
    }

    void backwardMatch_data()
    {
        QTest::addColumn<QString>("course");
        QTest::addColumn<QString>("punches");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("logged");
        const auto row = [](const char *name, const char *course, const char *punches, const char *expected,
                             const char *logged = "") {
            QTest::newRow(name) << QString::fromLatin1(course) << QString::fromLatin1(punches)
                                << QString::fromLatin1(expected) << QString::fromUtf8(logged);
        };
        // 5 controls, the last 3 found backwards after yesterday's run: 3 * 2 >= 5 drops the lead.
        row("5 controls, 3 matched", "31 32 33 34 35", "90 91 92 40 33 34 35", "33 34 35",
            "SI: detected 4 leading stale punch(es) ahead of the most recent run of this course "
            "(backward-matched 3/5 controls), likely an uncleared card; dropping them");
        // Only 2 matched: 2 * 2 < 5 keeps everything.
        row("5 controls, 2 matched", "31 32 33 34 35", "77 78 34 35", "77 78 34 35");
        // 4 controls matched exactly twice: 2 * 2 is not less than 4.
        row("4 controls, 2 matched", "31 32 33 34", "90 91 33 34", "33 34",
            "SI: detected 2 leading stale punch(es) ahead of the most recent run of this course "
            "(backward-matched 2/4 controls), likely an uncleared card; dropping them");
        row("earliest match is the first punch", "31 32 33", "31 32 33", "31 32 33");
        row("nothing matched", "31 32 33", "1 2 3", "1 2 3");
        row("no punches", "31 32 33", "", "");
        row("empty course", "", "31 32", "31 32");
        // The full previous run lies ahead of a complete new one: the new run is kept.
        row("two full runs", "31 32 33", "31 32 33 31 32 33", "31 32 33",
            "SI: detected 3 leading stale punch(es) ahead of the most recent run of this course "
            "(backward-matched 3/3 controls), likely an uncleared card; dropping them");
    }
    void backwardMatch()
    {
        QFETCH(QString, course);
        QFETCH(QString, punches);
        QFETCH(QString, expected);
        QFETCH(QString, logged);
        LogCapture log;
        const auto result = dropLeadingStalePunches(punchesEveryMinute(codeList(punches), at(10, 0)),
            sequentialCourse(QStringLiteral("A"), codeList(course)));
        QCOMPARE(codesOf(result), codeList(expected));
        QCOMPARE(log.lines(), logged.isEmpty() ? QStringList() : QStringList {logged});
    }

    void backwardMatchLeavesScoreCoursesAndNoCourseAlone()
    {
        LogCapture log;
        const auto punches = punchesEveryMinute({31, 32, 33, 31, 32, 33}, at(10, 0));
        const Course score = scoreCourse(QStringLiteral("S"), {{31, 10}, {32, 10}, {33, 10}});
        QCOMPARE(dropLeadingStalePunches(punches, score).size(), 6);
        QCOMPARE(dropLeadingStalePunches(punches, std::nullopt).size(), 6);
        QVERIFY(log.lines().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStalePunches)
#include "tst_stalepunches.moc"
