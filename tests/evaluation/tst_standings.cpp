// Overall standings of a class across stages.
#include "casetable.h"
#include "evaluationfixtures.h"
#include "standings.h"

#include <QTest>

namespace {

struct Builder
{
    Race race;
    Builder()
    {
        race.stages = {Stage {"s1", "Day 1", at(0, 0), 2}, Stage {"s2", "Day 2", at(0, 0).addDays(1), 1}};
    }
    QUuid runner(const QString &given, const QString &family, const QString &classId = QStringLiteral("H21"))
    {
        Participant p;
        p.givenName = given;
        p.familyName = family;
        p.classId = classId;
        race.participants.append(p);
        return p.id;
    }
    PersonResult &result(const QUuid &who, std::optional<QString> stage, std::optional<double> time,
        bool completed = true, int readMinute = 0)
    {
        PersonResult r;
        r.participantId = who;
        r.stageId = stage;
        r.raceTime = time;
        r.completed = completed;
        r.readAt = at(12, readMinute);
        race.results.append(r);
        return race.results.last();
    }
    void both(const QUuid &who, double t1, double t2)
    {
        result(who, QStringLiteral("s1"), t1);
        result(who, QStringLiteral("s2"), t2);
    }
};

QStringList names(const QList<StandingsRow> &rows)
{
    QStringList out;
    for (const StandingsRow &r : rows)
        out.append(r.participant.givenName + QLatin1Char('|') + r.participant.familyName);
    return out;
}

} // namespace

class TestStandings : public QObject
{
    Q_OBJECT

private slots:
    void noStagesNoRows()
    {
        Builder b;
        const QUuid a = b.runner("A", "A");
        b.race.stages.clear();
        b.result(a, std::nullopt, 100);
        QVERIFY(rankedResults(b.race, "H21").isEmpty());
    }

    void totalsAndEffectiveStatus()
    {
        Builder b;
        const QUuid slow = b.runner("Slow", "S");
        const QUuid fast = b.runner("Fast", "F");
        const QUuid mp = b.runner("Mp", "M");
        const QUuid rescued = b.runner("Rescued", "R");
        const QUuid overruled = b.runner("Overruled", "O");
        const QUuid partial = b.runner("Partial", "P");
        const QUuid untimed = b.runner("Untimed", "U");
        b.runner("Other", "X", QStringLiteral("D21"));
        b.both(slow, 1000, 1000);
        b.both(fast, 900, 900);
        b.result(mp, "s1", 500);
        b.result(mp, "s2", 500, false);
        b.result(rescued, "s1", 1200);
        b.result(rescued, "s2", 1200, false).completedOverride = true;
        b.result(overruled, "s1", 100);
        b.result(overruled, "s2", 100).completedOverride = false;
        b.result(partial, "s1", 100);
        b.result(untimed, "s1", 100);
        b.result(untimed, "s2", std::nullopt);
        b.result(partial, std::nullopt, 100); // no stage: never counts

        const QList<StandingsRow> rows = rankedResults(b.race, "H21");
        QCOMPARE(names(rows),
            (QStringList {"Fast|F", "Slow|S", "Rescued|R", "Mp|M", "Overruled|O", "Partial|P", "Untimed|U"}));
        QCOMPARE(rows[0].totalTime, 1800.0);
        QCOMPARE(rows[2].totalTime, 2400.0);
        QVERIFY(rows[2].completedAllStages);
        QVERIFY(!rows[3].totalTime && !rows[3].completedAllStages);
        QVERIFY(!rows[4].totalTime && !rows[4].completedAllStages);
        QVERIFY(!rows[6].totalTime);
        QVERIFY(rows[6].completedAllStages); // completed, but one stage without a race time
    }

    void latestReadOutCounts()
    {
        Builder b;
        const QUuid a = b.runner("A", "A");
        b.result(a, "s1", 5000, true, 1);
        b.result(a, "s1", 100, true, 5);
        b.result(a, "s1", 9000, true, 5); // same readAt: the earlier stored one stays
        b.result(a, "s2", 100);
        QCOMPARE(rankedResults(b.race, "H21")[0].totalTime, 200.0);
    }

    void baseClassOnly()
    {
        Builder b;
        const QUuid moved = b.runner("Moved", "M", QStringLiteral("D21"));
        b.race.participants.last().classIdByStage = StageMap<QString> {{"s2", "H21"}};
        b.both(moved, 1, 1);
        QVERIFY(rankedResults(b.race, "H21").isEmpty());
        QCOMPARE(rankedResults(b.race, "D21").size(), 1);
    }

    void equalTotalsKeepEntryOrder()
    {
        Builder b;
        const QUuid z = b.runner("Zed", "Z");
        const QUuid a = b.runner("Anna", "A");
        b.both(z, 100, 200);
        b.both(a, 200, 100);
        QCOMPARE(names(rankedResults(b.race, "H21")), (QStringList {"Zed|Z", "Anna|A"}));
    }

    void untimedByName_data() { casetable::load("evaluation/untimed-order.tsv"); }
    void untimedByName()
    {
        QFETCH(QStringList, cells);
        Builder b;
        for (const QString &g : cells[0].split(QLatin1Char('|')))
            b.runner(g, QString());
        QStringList got;
        for (const StandingsRow &r : rankedResults(b.race, "H21"))
            got.append(r.participant.givenName);
        QCOMPARE(got.join(QLatin1Char('|')), cells[1]);
    }
};

QTEST_GUILESS_MAIN(TestStandings)
#include "tst_standings.moc"
