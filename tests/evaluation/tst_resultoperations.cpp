// Operations on entries and results: edits, unmatched-card helpers, pulled check-ins and the overall
// standings.
#include "cardrecording.h"
#include "casetable.h"
#include "checkins.h"
#include "evaluationfixtures.h"
#include "perstage.h"
#include "resultoperations.h"
#include "standings.h"
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

ChecklistEntry entry(const QString &id, const QString &card, const QString &status, bool hasNew = false,
    std::optional<QString> newCard = std::nullopt)
{
    return ChecklistEntry {id, card, status, hasNew, newCard};
}

Participant linked(const QString &card, std::optional<QString> externalId = std::nullopt)
{
    Participant p;
    p.cardNumber = card;
    p.externalId = externalId;
    return p;
}

const QDateTime firstPull = at(8, 0);
const QDateTime secondPull = at(8, 1);

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
        // Entered with a rent-a-card number until the card the runner ran with is known.
        race.participants[0].cardNumber = QStringLiteral("100");
        race.participants[0].isRentalCard = true;
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

    // Pulled check-in entries applied to the event's entries.
    void emptyOrUnmatchedListChangesNothing()
    {
        Race race;
        race.participants = {linked("1"), linked("2", QStringLiteral("x"))};
        QVERIFY(!applyChecklistCheckins(race, {}, firstPull));
        QVERIFY(!applyChecklistCheckins(race, {entry("e9", "9", "OK")}, firstPull));
        QVERIFY(!race.participants[0].externalId);
    }

    void linksByCardThenById()
    {
        Race race;
        race.participants = {linked("1"), linked("2")};
        QVERIFY(applyChecklistCheckins(race, {entry("e1", "1", "")}, firstPull));
        QCOMPARE(race.participants[0].externalId, QStringLiteral("e1"));
        // Later pulls find it by id even after the card changed on the service.
        QVERIFY(applyChecklistCheckins(race, {entry("e1", "555", "OK")}, firstPull));
        QCOMPARE(race.participants[0].checkedInAt, firstPull);
        QCOMPARE(race.participants[0].cardNumber, QStringLiteral("1"));
    }

    void sameListTwiceKeepsFirstCheckInTime()
    {
        Race race;
        race.participants = {linked("1"), linked("2")};
        const QList<ChecklistEntry> list {entry("e1", "1", "OK"), entry("e2", "2", "DNS")};
        QVERIFY(applyChecklistCheckins(race, list, firstPull));
        QVERIFY(!applyChecklistCheckins(race, list, secondPull));
        QCOMPARE(race.participants[0].checkedInAt, firstPull);
        QCOMPARE(race.participants[1].status, ParticipantStatus::Dns);
    }

    void status_data() { casetable::load("evaluation/checkin-status.tsv"); }
    void status()
    {
        QFETCH(QStringList, cells);
        const auto status = [](const QString &text) {
            return text == u"-" ? std::nullopt : participantStatusFromText(text);
        };
        Race race;
        race.participants = {linked("1", QStringLiteral("e1"))};
        race.participants[0].status = status(cells[1]);
        race.participants[0].checkedInAt = at(7, 0);
        (void)applyChecklistCheckins(race, {entry("e1", "1", cells[0])}, firstPull);
        QCOMPARE(race.participants[0].status, status(cells[2]));
        // A runner already checked in keeps the first time.
        QCOMPARE(race.participants[0].checkedInAt, cells[3] == u"1" ? std::optional(at(7, 0)) : std::nullopt);
    }

    void stageMarks_data() { casetable::load("evaluation/stage-marks.tsv"); }
    void stageMarks()
    {
        QFETCH(QStringList, cells);
        const auto mark = [](const QString &text) {
            return text == u"-" ? std::nullopt : participantStatusFromText(text);
        };
        Race race;
        race.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), at(0, 0), 1},
            Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), at(0, 0), 2}};
        if (cells[1] != u"-")
            race.activeStageId = cells[1];
        race.participants = {linked("1", QStringLiteral("e1"))};
        Participant &p = race.participants[0];
        for (const QString &item : cells[2].split(u' ', Qt::SkipEmptyParts)) {
            if (item == u"-")
                continue;
            const QString stage = item.section(u'=', 0, 0);
            if (stage == u"all") {
                p.status = mark(item.section(u'=', 1));
            } else {
                if (!p.statusByStage)
                    p.statusByStage = StageMap<ParticipantStatus>();
                p.statusByStage->insert(stage, *mark(item.section(u'=', 1)));
            }
        }
        const QStringList action = cells[0].split(u' ');
        if (action[0] == u"mark") {
            QVERIFY(setParticipantStatus(race, p.id, mark(action[2]),
                action[1] == u"-" ? std::nullopt : std::optional<QString>(action[1])));
        } else if (action[0] == u"read") {
            const CardRecording read = recordCardReading(
                race, QStringLiteral("1"), {}, std::nullopt, at(10, 0), at(10, 30), at(11, 0));
            QVERIFY(read.appended);
            QCOMPARE(read.result->stageId, race.activeStageId);
            QCOMPARE(read.clearedNotStarted, cells[2] != cells[3]);
        } else if (action[0] == u"received") {
            // "received <stage> other": a read of a runner this event does not hold.
            PersonResult result;
            result.participantId = action.value(2) == u"other" ? QUuid::createUuid() : p.id;
            result.stageId = action[1];
            QCOMPARE(clearNotStartedMark(race, result), cells[2] != cells[3]);
        } else {
            (void)applyChecklistCheckins(race, {entry("e1", "1", action[1])}, firstPull);
        }
        const Participant &after = race.participants[0];
        QStringList marks;
        if (after.status)
            marks.append(QStringLiteral("all=") + toText(*after.status));
        if (after.statusByStage) {
            QVERIFY2(!after.statusByStage->isEmpty(), "an emptied map is dropped");
            for (auto it = after.statusByStage->cbegin(); it != after.statusByStage->cend(); ++it)
                marks.append(it.key() + QLatin1Char('=') + toText(it.value()));
        }
        QCOMPARE(marks.isEmpty() ? QStringLiteral("-") : marks.join(u' '), cells[3]);
        QStringList seen;
        for (const Stage &stage : std::as_const(race.stages)) {
            const std::optional<ParticipantStatus> onStage = statusOnStage(after, stage.id);
            seen.append(onStage ? toText(*onStage) : QStringLiteral("-"));
        }
        QCOMPARE(seen.join(u','), cells[4]);
    }

    void secondEntryWithSameCardFindsNoUnlinkedRunner()
    {
        Race race;
        race.participants = {linked("1"), linked("2", QStringLiteral("other"))};
        QVERIFY(applyChecklistCheckins(race, {entry("e1", "1", "OK"), entry("e2", "1", "OK")}, firstPull));
        QCOMPARE(race.participants[0].externalId, QStringLiteral("e1"));
        QCOMPARE(race.participants[1].externalId, QStringLiteral("other"));
    }

    void linkedRunnerIsNotMatchedByCard()
    {
        Race race;
        race.participants = {linked("1", QStringLiteral("e1"))};
        QVERIFY(!applyChecklistCheckins(race, {entry("e2", "1", "OK")}, firstPull));
        QVERIFY(!race.participants[0].checkedInAt);
    }

    void blankCardNeverLinksARunner_data()
    {
        QTest::addColumn<QString>("card");
        QTest::newRow("empty") << "";
        QTest::newRow("spaces") << "   ";
    }
    void blankCardNeverLinksARunner()
    {
        QFETCH(QString, card);
        Race race;
        race.participants = {linked(card), linked("")};
        QVERIFY(!applyChecklistCheckins(race, {entry("e1", card, "OK")}, firstPull));
        QVERIFY(!race.participants[0].externalId && !race.participants[1].externalId);
        QVERIFY(!race.participants[0].checkedInAt);
    }

    void pendingCardNumber()
    {
        Race race;
        race.participants = {linked("1", QStringLiteral("e1"))};
        QVERIFY(
            applyChecklistCheckins(race, {entry("e1", "1", "", true, QStringLiteral("8001"))}, firstPull));
        QCOMPARE(race.participants[0].pendingCardNumber, QStringLiteral("8001"));
        QCOMPARE(race.participants[0].cardNumber, QStringLiteral("1"));
        QVERIFY(
            !applyChecklistCheckins(race, {entry("e1", "1", "", true, QStringLiteral("8001"))}, firstPull));
        QVERIFY(
            applyChecklistCheckins(race, {entry("e1", "1", "", false, QStringLiteral("8001"))}, firstPull));
        QVERIFY(!race.participants[0].pendingCardNumber);
        // Reported as new but without a number: nothing pending.
        QVERIFY(!applyChecklistCheckins(race, {entry("e1", "1", "", true)}, firstPull));
    }

    // Overall standings of a class across stages.
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

QTEST_GUILESS_MAIN(TestResultOperations)
#include "tst_resultoperations.moc"
