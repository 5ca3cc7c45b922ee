// Entry and result edits with their save rules; unmatched-card helpers.
#include "casetable.h"
#include "evaluationfixtures.h"
#include "resultoperations.h"
#include "testevent.h"

#include <QTest>

namespace {

Participant person(const QString &card, std::optional<QString> classId = std::nullopt,
    std::optional<QString> courseId = std::nullopt)
{
    Participant p;
    p.givenName = card;
    p.cardNumber = card;
    p.classId = classId;
    p.courseId = courseId;
    return p;
}

QStringList classIds(const QList<RaceClass> &classes)
{
    QStringList ids;
    for (const RaceClass &c : classes)
        ids.append(c.id);
    return ids;
}

// Courses A (family "Long") and B; classes "single" (A), "family" (Long), "multi" (B and A) and
// "other" (B, and A on the stage day1).
Race unmatchedRace()
{
    return testEvent(QStringLiteral("evaluation/unmatched-cards.json"));
}

} // namespace

class TestResultOperations : public QObject
{
    Q_OBJECT

private slots:
    void participantEdits()
    {
        Race race;
        race.participants = {person("1"), person("2")};
        const QUuid id = race.participants[1].id;
        QVERIFY(setParticipantStatus(race, id, ParticipantStatus::Dnf));
        QCOMPARE(race.participants[1].status, ParticipantStatus::Dnf);
        QVERIFY(setParticipantStatus(race, id, std::nullopt));
        QVERIFY(!race.participants[1].status);
        QVERIFY(!setParticipantStatus(race, QUuid::createUuid(), ParticipantStatus::Dns));

        Participant changed = race.participants[1];
        changed.familyName = QStringLiteral("Changed");
        QVERIFY(updateParticipant(race, changed));
        QCOMPARE(race.participants[1].familyName, QStringLiteral("Changed"));
        QVERIFY(!updateParticipant(race, person("3"))); // never added
        QCOMPARE(race.participants.size(), 2);
    }

    void deletionsAlwaysSaveAndLeaveTheRestAlone()
    {
        Race race;
        race.participants = {person("1"), person("2")};
        PersonResult r;
        r.participantId = race.participants[0].id;
        race.results = {r, r};
        QVERIFY(deleteParticipant(race, QUuid::createUuid()));
        QCOMPARE(race.participants.size(), 2);
        QVERIFY(deleteParticipant(race, race.participants[0].id));
        QCOMPARE(race.participants.size(), 1);
        QCOMPARE(race.results.size(), 2); // results of a deleted entry stay
        QVERIFY(deleteResult(race, r.id)); // removes every result with that id
        QVERIFY(race.results.isEmpty());
        QVERIFY(deleteResult(race, r.id));
    }

    void participantCourseForActiveStage()
    {
        Race race;
        race.participants = {person("1")};
        const QUuid id = race.participants[0].id;
        QVERIFY(setParticipantCourse(race, id, QStringLiteral("A")));
        QCOMPARE(race.participants[0].courseId, QStringLiteral("A"));
        race.activeStageId = QStringLiteral("day2");
        QVERIFY(setParticipantCourse(race, id, QStringLiteral("B")));
        QCOMPARE(race.participants[0].courseId, QStringLiteral("A"));
        QCOMPARE(race.participants[0].courseIdByStage->value("day2"), QStringLiteral("B"));
        QVERIFY(setParticipantCourse(race, id, std::nullopt));
        QVERIFY(!race.participants[0].courseIdByStage->contains("day2"));
        QVERIFY(!setParticipantCourse(race, QUuid::createUuid(), QStringLiteral("A")));
    }

    void overrideStatus()
    {
        Race race;
        race.results = {PersonResult()};
        const QUuid id = race.results[0].id;
        QVERIFY(overrideResultStatus(race, id, true, QStringLiteral("broken unit")));
        QCOMPARE(race.results[0].completedOverride, true);
        QCOMPARE(race.results[0].overrideNote, QStringLiteral("broken unit"));
        QVERIFY(!race.results[0].completed); // never recomputed
        QVERIFY(overrideResultStatus(race, id, std::nullopt, QStringLiteral("dropped")));
        QVERIFY(!race.results[0].completedOverride && !race.results[0].overrideNote);
        QVERIFY(!overrideResultStatus(race, QUuid::createUuid(), false, std::nullopt));
    }

    // When each key operation saves is the store's save-rules table; here, what stays stored.
    void vexloWebKeys()
    {
        Race race;
        QVERIFY(setVexloWebChecklistKey(race, QStringLiteral("k1")));
        QVERIFY(!setVexloWebChecklistKey(race, QStringLiteral("k2")));
        QCOMPARE(race.vexloWebChecklistKey, QStringLiteral("k1"));
        race.vexloWebChecklistKey = QString(); // present though empty: never replaced
        QVERIFY(!setVexloWebChecklistKey(race, QStringLiteral("k2")));
        QVERIFY(setVexloWebChecklistKeyIfNotEmpty(race, QStringLiteral("k3")));
        QCOMPARE(race.vexloWebChecklistKey, QStringLiteral("k3"));
    }

    void classesUsingCourse()
    {
        const Race race = unmatchedRace();
        QCOMPARE(classIds(::classesUsingCourse(race, race.courses[0])),
            (QStringList {"single", "family", "multi"}));
        // "other" names B as base course; its stage entry for A does not count.
        QCOMPARE(classIds(::classesUsingCourse(race, race.courses[1])), (QStringList {"multi", "other"}));
        QVERIFY(::classesUsingCourse(race, sequentialCourse("Z", {1})).isEmpty());
    }

    void candidateParticipants()
    {
        Race race = unmatchedRace();
        race.participants = {person("", "single"), person("123", "single"), person(" ", "single"),
            person("", std::nullopt, QStringLiteral("B")), person("", "other"), person("", "nothing")};
        race.participants[4].classIdByStage = StageMap<QString> {{"day1", "single"}};
        const QList<Participant> forA = ::candidateParticipants(race, race.courses[0]);
        QCOMPARE(forA.size(), 1);
        QCOMPARE(forA[0].id, race.participants[0].id);
        const QList<Participant> forB = ::candidateParticipants(race, race.courses[1]);
        QCOMPARE(forB.size(), 2);
        QCOMPARE(forB[0].id, race.participants[3].id);
        QCOMPARE(forB[1].id, race.participants[4].id);
        QVERIFY(::candidateParticipants(race, sequentialCourse("Z", {1})).isEmpty());
    }

    void assignUnmatchedCard_data() { casetable::load("evaluation/unmatched-card-assignment.tsv"); }
    void assignUnmatchedCard()
    {
        QFETCH(QStringList, cells);
        const QString &course = cells[1];
        Race race = unmatchedRace();
        race.participants = {person("", cells[0].isEmpty() ? std::nullopt : std::optional(cells[0]))};
        std::optional<Course> matched;
        if (course == QLatin1String("A"))
            matched = race.courses[0];
        else if (!course.isEmpty())
            matched = sequentialCourse(course, {1});
        QVERIFY(::assignUnmatchedCard(race, QStringLiteral(" 0815"), race.participants[0].id, matched));
        const Participant &p = race.participants[0];
        QCOMPARE(p.cardNumber, QStringLiteral(" 0815"));
        QCOMPARE(p.classId.value_or(QString()), cells[2]);
        QCOMPARE(p.courseId.value_or(QString()), cells[3]);
        QVERIFY(!p.pendingCardNumber && !p.isRentalCard);
    }

    void assignUnmatchedCardFamilyFirstWithActiveStage()
    {
        Race race = unmatchedRace();
        race.classes.move(1, 0); // family class first
        race.activeStageId = QStringLiteral("day1");
        race.participants = {person("")};
        QVERIFY(::assignUnmatchedCard(race, QStringLiteral("77"), race.participants[0].id, race.courses[0]));
        const Participant &p = race.participants[0];
        QVERIFY(!p.classId && !p.courseId);
        QCOMPARE(p.classIdByStage->value("day1"), QStringLiteral("family"));
        QCOMPARE(p.courseIdByStage->value("day1"), QStringLiteral("A"));
    }

    void assignUnmatchedCardToUnknownParticipant()
    {
        Race race = unmatchedRace();
        race.participants = {person("")};
        QVERIFY(!::assignUnmatchedCard(race, QStringLiteral("77"), QUuid::createUuid(), race.courses[0]));
        QVERIFY(race.participants[0].cardNumber.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestResultOperations)
#include "tst_resultoperations.moc"
