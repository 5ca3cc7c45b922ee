#include "racedayresults.h"

#include <QTest>

#include <cmath>
#include <limits>

class TestRaceDayResults : public QObject
{
    Q_OBJECT

private:
    static PersonResult resultAt(const QUuid &participant, const QString &hhmm, const QString &stage = {})
    {
        PersonResult r;
        r.participantId = participant;
        r.cardNumber = QStringLiteral("100");
        r.readAt = QDateTime(QDate(2024, 5, 1), QTime::fromString(hhmm, QStringLiteral("hh:mm")), Qt::UTC);
        if (!stage.isEmpty())
            r.stageId = stage;
        return r;
    }

private slots:
    void formatElapsed_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0:00";
        QTest::newRow("59.5 rounds up") << 59.5 << "1:00";
        QTest::newRow("754") << 754.0 << "12:34";
        QTest::newRow("3599.4") << 3599.4 << "59:59";
        QTest::newRow("3599.49") << 3599.49 << "59:59";
        QTest::newRow("3599.5 becomes an hour") << 3599.5 << "1:00:00";
        QTest::newRow("37230") << 37230.0 << "10:20:30";
        QTest::newRow("1.5 half away from zero") << 1.5 << "0:02";
        QTest::newRow("2.5 half away from zero") << 2.5 << "0:03";
        QTest::newRow("0.4999") << 0.4999 << "0:00";
        QTest::newRow("100 hours") << 360000.0 << "100:00:00";
        QTest::newRow("negative keeps its sign") << -75.0 << "-1:15";
        QTest::newRow("not a number") << std::nan("") << "—";
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "—";
        QTest::newRow("beyond 64 bits") << 1e300 << "—";
    }
    void formatElapsed()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(::formatElapsed(seconds), text);
    }

    void classOfResultFollowsTheResultsStage()
    {
        Race race;
        race.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), {}, 1},
            Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), {}, 2}};
        race.activeStageId = QStringLiteral("s2");
        race.classes = {RaceClass {QStringLiteral("h21"), QStringLiteral("H21")},
            RaceClass {QStringLiteral("h35"), QStringLiteral("H35")}};
        Participant p;
        p.classId = QStringLiteral("h21");
        p.classIdByStage = StageMap<QString> {{QStringLiteral("s2"), QStringLiteral("h35")}};
        race.participants = {p};

        const PersonResult day1 = resultAt(p.id, QStringLiteral("10:00"), QStringLiteral("s1"));
        const PersonResult day2 = resultAt(p.id, QStringLiteral("11:00"), QStringLiteral("s2"));
        const PersonResult untagged = resultAt(p.id, QStringLiteral("12:00"));
        QCOMPARE(classOfResult(race, day1)->name, QStringLiteral("H21"));
        QCOMPARE(classOfResult(race, day2)->name, QStringLiteral("H35"));
        QCOMPARE(classOfResult(race, untagged)->name, QStringLiteral("H21"));

        race.results = {day1, day2};
        const QList<RecentResultGroup> groups = recentResultGroups(race);
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0].title, QStringLiteral("H21"));
        QCOMPARE(groups[0].resultIndexes, QList<qsizetype> {0});
        QCOMPARE(groups[1].title, QStringLiteral("H35"));
        QCOMPARE(groups[1].resultIndexes, QList<qsizetype> {1});
    }

    void classOfResultWithoutRunnerOrClass()
    {
        Race race;
        Participant noClass;
        Participant unknownClass;
        unknownClass.classId = QStringLiteral("gone");
        race.participants = {noClass, unknownClass};
        QVERIFY(!classOfResult(race, resultAt(noClass.id, QStringLiteral("10:00"))));
        QVERIFY(!classOfResult(race, resultAt(unknownClass.id, QStringLiteral("10:00"))));
        QVERIFY(!classOfResult(race, resultAt(QUuid::createUuid(), QStringLiteral("10:00"))));
    }

    void groupsNewestFirstInNaturalTitleOrder()
    {
        Race race;
        race.classes = {RaceClass {QStringLiteral("a"), QStringLiteral("H10")},
            RaceClass {QStringLiteral("b"), QStringLiteral("H9")},
            RaceClass {QStringLiteral("c"), QStringLiteral("D21")},
            RaceClass {QStringLiteral("d"), QStringLiteral("D21")},
            RaceClass {QStringLiteral("e"), QStringLiteral("nybegynder")}};
        QList<Participant> ps(6);
        ps[0].classId = QStringLiteral("a");
        ps[1].classId = QStringLiteral("b");
        ps[2].classId = QStringLiteral("c");
        ps[3].classId = QStringLiteral("d"); // same name, other id: one group
        ps[4].classId = QStringLiteral("e");
        race.participants = ps;
        race.results = {resultAt(ps[2].id, QStringLiteral("10:00")),
            resultAt(ps[0].id, QStringLiteral("10:01")), resultAt(ps[3].id, QStringLiteral("10:05")),
            resultAt(ps[1].id, QStringLiteral("10:02")), resultAt(ps[5].id, QStringLiteral("10:03")),
            resultAt(QUuid::createUuid(), QStringLiteral("10:03")),
            resultAt(ps[4].id, QStringLiteral("09:00"))};

        const QList<RecentResultGroup> groups = recentResultGroups(race);
        QStringList titles;
        for (const RecentResultGroup &g : groups)
            titles << g.title;
        QCOMPARE(titles,
            (QStringList {QStringLiteral("D21"), QStringLiteral("H9"), QStringLiteral("H10"),
                QStringLiteral("No class"), QStringLiteral("nybegynder")}));
        QCOMPARE(groups[0].resultIndexes, (QList<qsizetype> {2, 0}));
        // Equal read-out times keep their stored order.
        QCOMPARE(groups[3].resultIndexes, (QList<qsizetype> {4, 5}));
    }

    void noResultsNoGroups() { QVERIFY(recentResultGroups(Race()).isEmpty()); }

    void missingControlsInSplitOrderWithDuplicates()
    {
        PersonResult r;
        for (auto [code, status] : {std::pair {31, SplitStatus::Missing}, std::pair {32, SplitStatus::Ok},
                 std::pair {45, SplitStatus::Missing}, std::pair {50, SplitStatus::Additional},
                 std::pair {31, SplitStatus::Missing}}) {
            SplitTime s;
            s.controlCode = code;
            s.status = status;
            r.splits.append(s);
        }
        QCOMPARE(missingControls(r), (QList<qint64> {31, 45, 31}));
    }

    void rogainingNeedsAKnownRogainingCourse()
    {
        Race race;
        Course score;
        score.id = QStringLiteral("r");
        score.type = CourseType::Rogaining;
        Course plain;
        plain.id = QStringLiteral("p");
        race.courses = {score, plain};
        PersonResult r;
        QVERIFY(!isRogainingResult(race, r));
        r.courseId = QStringLiteral("p");
        QVERIFY(!isRogainingResult(race, r));
        r.courseId = QStringLiteral("missing");
        QVERIFY(!isRogainingResult(race, r));
        r.courseId = QStringLiteral("r");
        QVERIFY(isRogainingResult(race, r));
    }
};

QTEST_GUILESS_MAIN(TestRaceDayResults)
#include "tst_racedayresults.moc"
