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
        QTest::newRow("both empty") << ""
                                    << "" << qsizetype(0);
        QTest::newRow("a empty") << ""
                                 << "1 2 3" << qsizetype(0);
        QTest::newRow("b empty") << "1 2"
                                 << "" << qsizetype(0);
        QTest::newRow("equal") << "31 32 33"
                               << "31 32 33" << qsizetype(3);
        QTest::newRow("extra in between") << "31 32 33"
                                          << "31 99 32 98 33" << qsizetype(3);
        QTest::newRow("swapped") << "31 32 33"
                                 << "32 31 33" << qsizetype(2);
        QTest::newRow("reversed") << "1 2 3 4"
                                  << "4 3 2 1" << qsizetype(1);
        QTest::newRow("repeats") << "1 1 1"
                                 << "1 1" << qsizetype(2);
        QTest::newRow("disjoint") << "1 2"
                                  << "3 4" << qsizetype(0);
        QTest::newRow("classic") << "1 2 3 2 4 1 2"
                                 << "2 4 3 1 2 1" << qsizetype(4);
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

    void filterWithoutStartTimeKeepsEverythingSilently()
    {
        LogCapture log;
        const auto punches = punchesEveryMinute({31, 32}, at(10, 0));
        QCOMPARE(codesOf(filterStalePunches(punches, std::nullopt)), (QList<qint64> {31, 32}));
        QVERIFY(filterStalePunches({}, at(9, 0)).isEmpty());
        QVERIFY(log.lines().isEmpty());
    }

    void filterKeepsPunchExactlyAtStart()
    {
        LogCapture log;
        const auto punches = punchesEveryMinute({31, 32, 33}, at(10, 0));
        QCOMPARE(codesOf(filterStalePunches(punches, at(10, 0))), (QList<qint64> {31, 32, 33}));
        QVERIFY(log.lines().isEmpty());
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

    void filterThatWouldDropEverythingKeepsAll()
    {
        LogCapture log;
        const auto punches = punchesEveryMinute({31, 32, 33}, at(10, 0));
        QCOMPARE(codesOf(filterStalePunches(punches, at(12, 0))), (QList<qint64> {31, 32, 33}));
        QCOMPARE(log.lines(),
            QStringList {
                QStringLiteral("SI: filterStalePunches would discard all 3 punch(es) against cardStartTime "
                               "2025-06-14 10:00:00 +0000 — ignoring filter, keeping original punches")});
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
        QTest::newRow("coverage reduced") << "31 32 33"
                                          << "33" << true << false << "31 32 33" << line;
        QTest::newRow("coverage kept") << "31 32 33 31 32 33"
                                       << "31 32 33" << true << false << "31 32 33"
                                       << "";
        QTest::newRow("same length") << "31 32 33"
                                     << "31 32 33" << true << false << "31 32 33"
                                     << "";
        QTest::newRow("no course") << "31 32 33"
                                   << "33" << false << false << "33"
                                   << "";
        QTest::newRow("score course") << "31 32 33"
                                      << "33" << true << true << "33"
                                      << "";
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
        // 5 controls, the last 3 found backwards after yesterday's run: 3 * 2 >= 5 drops the lead.
        QTest::newRow("5 controls, 3 matched")
            << "31 32 33 34 35"
            << "90 91 92 40 33 34 35"
            << "33 34 35"
            << "SI: detected 4 leading stale punch(es) ahead of the most recent run of this course "
               "(backward-matched 3/5 controls), likely an uncleared card; dropping them";
        // Only 2 matched: 2 * 2 < 5 keeps everything.
        QTest::newRow("5 controls, 2 matched") << "31 32 33 34 35"
                                               << "77 78 34 35"
                                               << "77 78 34 35"
                                               << "";
        // 4 controls matched exactly twice: 2 * 2 is not less than 4.
        QTest::newRow("4 controls, 2 matched")
            << "31 32 33 34"
            << "90 91 33 34"
            << "33 34"
            << "SI: detected 2 leading stale punch(es) ahead of the most recent run of this course "
               "(backward-matched 2/4 controls), likely an uncleared card; dropping them";
        QTest::newRow("earliest match is the first punch") << "31 32 33"
                                                           << "31 32 33"
                                                           << "31 32 33"
                                                           << "";
        QTest::newRow("nothing matched") << "31 32 33"
                                         << "1 2 3"
                                         << "1 2 3"
                                         << "";
        QTest::newRow("no punches") << "31 32 33"
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("empty course") << ""
                                      << "31 32"
                                      << "31 32"
                                      << "";
        // The full previous run lies ahead of a complete new one: the new run is kept.
        QTest::newRow("two full runs")
            << "31 32 33"
            << "31 32 33 31 32 33"
            << "31 32 33"
            << "SI: detected 3 leading stale punch(es) ahead of the most recent run of this course "
               "(backward-matched 3/3 controls), likely an uncleared card; dropping them";
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
