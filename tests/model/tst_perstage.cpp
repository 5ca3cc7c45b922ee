#include "perstage.h"

#include <QTest>

class TestPerStage : public QObject
{
    Q_OBJECT

private:
    static Race raceWith(const Participant &p, std::optional<QString> stage)
    {
        Race race;
        race.participants = {p};
        race.activeStageId = std::move(stage);
        return race;
    }

private slots:
    void noActiveStageWritesTheBaseField()
    {
        Race race = raceWith(Participant {}, std::nullopt);
        const QDateTime t(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        setStartTime(race, t, 0);
        QCOMPARE(race.participants[0].startTime, std::optional<QDateTime>(t));
        QVERIFY(!race.participants[0].startTimeByStage);
        QCOMPARE(scheduledStartTime(race, race.participants[0]), std::optional<QDateTime>(t));
    }

    void activeStageWritesOnlyItsEntry()
    {
        Participant p;
        p.classId = QStringLiteral("A");
        Race race = raceWith(p, QStringLiteral("s2"));
        setClassId(race, QStringLiteral("B"), 0);
        const Participant &after = race.participants[0];
        QCOMPARE(after.classId, std::optional<QString>(QStringLiteral("A")));
        QCOMPARE(*after.classIdByStage, (StageMap<QString> {{QStringLiteral("s2"), QStringLiteral("B")}}));
        QCOMPARE(effectiveClassId(race, after), std::optional<QString>(QStringLiteral("B")));
        race.activeStageId = QStringLiteral("s1");
        QCOMPARE(effectiveClassId(race, after), std::optional<QString>(QStringLiteral("A")));
    }

    void clearingKeepsAnEmptyMapAndFallsBack()
    {
        Participant p;
        p.startTime = QDateTime(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC);
        p.startTimeByStage = StageMap<QDateTime> {
            {QStringLiteral("s1"), QDateTime(QDate(2025, 5, 18), QTime(9, 0), Qt::UTC)},
            {QStringLiteral("s2"), QDateTime(QDate(2025, 5, 19), QTime(9, 0), Qt::UTC)}};
        Race race = raceWith(p, QStringLiteral("s1"));
        setStartTime(race, std::nullopt, 0);
        QCOMPARE(race.participants[0].startTimeByStage->size(), 1);
        QVERIFY(race.participants[0].startTimeByStage->contains(QStringLiteral("s2")));
        race.activeStageId = QStringLiteral("s2");
        setStartTime(race, std::nullopt, 0);
        QVERIFY(race.participants[0].startTimeByStage && race.participants[0].startTimeByStage->isEmpty());
        QCOMPARE(scheduledStartTime(race, race.participants[0]), p.startTime);
    }

    void clearingWithoutMapLeavesEmptyMap()
    {
        Participant p;
        p.courseId = QStringLiteral("c1");
        Race race = raceWith(p, QStringLiteral("s1"));
        setCourseId(race, std::nullopt, 0);
        QVERIFY(race.participants[0].courseIdByStage && race.participants[0].courseIdByStage->isEmpty());
        QCOMPARE(race.participants[0].courseId, std::optional<QString>(QStringLiteral("c1")));
    }

    void mapEntryWinsOverAbsentBase()
    {
        Participant p;
        p.courseIdByStage = StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("c9")}};
        Race race = raceWith(p, QStringLiteral("s1"));
        QCOMPARE(effectiveCourseId(race, p), std::optional<QString>(QStringLiteral("c9")));
        race.activeStageId = std::nullopt;
        QCOMPARE(effectiveCourseId(race, p), std::nullopt);
    }

    void stageIdsCompareCanonically()
    {
        // "é" precomposed vs "e" + combining acute.
        const QString composed = QString::fromUtf8("\xC3\xA9tape");
        const QString decomposed = QString::fromUtf8("e\xCC\x81tape");
        Participant p;
        p.classIdByStage = StageMap<QString> {{composed, QStringLiteral("B")}};
        Race race = raceWith(p, decomposed);
        QCOMPARE(effectiveClassId(race, p), std::optional<QString>(QStringLiteral("B")));
        setClassId(race, QStringLiteral("C"), 0);
        QCOMPARE(race.participants[0].classIdByStage->size(), 1);
        QCOMPARE(race.participants[0].classIdByStage->value(composed), QStringLiteral("C"));
    }
};

QTEST_GUILESS_MAIN(TestPerStage)
#include "tst_perstage.moc"
