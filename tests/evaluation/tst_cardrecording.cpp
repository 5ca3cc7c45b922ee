// Card recording: runner lookup, course choice, start rule, repeat reads, append-only results;
// result re-evaluation; hostile cards.
#include "cardrecording.h"
#include "evaluationfixtures.h"
#include "log.h"
#include "splits.h"

#include <QTest>

namespace {

const QString stage1 = QStringLiteral("day1");
const QDateTime now = at(14, 0);

Race baseRace()
{
    Race race;
    race.stages = {Stage {stage1, QStringLiteral("Day 1"), at(0, 0), 1}};
    race.activeStageId = stage1;
    race.courses = {sequentialCourse(QStringLiteral("A"), {31, 32, 33}),
        sequentialCourse(QStringLiteral("B"), {41, 42, 43, 44}), sequentialCourse(QStringLiteral("E"), {}),
        scoreCourse(QStringLiteral("S"), {{51, 10}, {52, 20}, {53, 30}}, 1800.0, 2)};
    race.courses[1].name = QStringLiteral("Blue");

    RaceClass h21;
    h21.id = QStringLiteral("H21");
    h21.mode = RaceClassMode::SingleCourse;
    h21.courseId = QStringLiteral("A");
    h21.startMethod = StartMethod::ScheduledTime;
    RaceClass open;
    open.id = QStringLiteral("Open");
    open.mode = RaceClassMode::SingleCourse;
    open.courseId = QStringLiteral("A");
    open.startMethod = StartMethod::StartPunch;
    RaceClass multi;
    multi.id = QStringLiteral("Multi");
    multi.mode = RaceClassMode::MultiCourse;
    multi.courseIds = QList<QString> {QStringLiteral("A"), QStringLiteral("B")};
    RaceClass score;
    score.id = QStringLiteral("Score");
    score.courseId = QStringLiteral("S");
    RaceClass empty;
    empty.id = QStringLiteral("Empty");
    empty.courseId = QStringLiteral("E");
    race.classes = {h21, open, multi, score, empty};
    return race;
}

Participant runner(const QString &card, const QString &classId, std::optional<QDateTime> start = at(10, 0))
{
    Participant p;
    p.givenName = QStringLiteral("Runner");
    p.familyName = card;
    p.cardNumber = card;
    p.classId = classId;
    p.startTime = start;
    return p;
}

CardRecording record(Race &race, const QString &card, const QList<SIPunch> &punches,
    std::optional<QDateTime> startPunch = std::nullopt, std::optional<QDateTime> finish = std::nullopt)
{
    return recordCardReading(race, card, punches, std::nullopt, startPunch, finish, now);
}

} // namespace

class TestCardRecording : public QObject
{
    Q_OBJECT

private slots:
    void unknownCardIsLoggedAndNotRecorded_data()
    {
        QTest::addColumn<QString>("card");
        QTest::newRow("unknown") << "999";
        QTest::newRow("leading zero") << "0123456";
        QTest::newRow("trailing space") << "123456 ";
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << " ";
    }
    void unknownCardIsLoggedAndNotRecorded()
    {
        QFETCH(QString, card);
        Race race = baseRace();
        // The entries without a card (empty or blank) must not catch an empty read.
        race.participants = {runner(QStringLiteral(""), QStringLiteral("H21")),
            runner(QStringLiteral(" "), QStringLiteral("H21")),
            runner(QStringLiteral("123456"), QStringLiteral("H21"))};
        LogCapture log;
        const CardRecording r = record(race, card, punchesEveryMinute({31}, at(10, 1)));
        QVERIFY(!r.result);
        QVERIFY(!r.appended);
        QVERIFY(!r.save);
        QVERIFY(race.results.isEmpty());
        QCOMPARE(log.lines(),
            QStringList {QStringLiteral("SI: no participant registered for card ") + card
                + QStringLiteral(" — result not recorded")});
    }

    void cleanRunIsRecordedWithEveryField()
    {
        Race race = baseRace();
        race.participants = {runner("100", "H21")};
        const QList<SIPunch> punches = punchesEveryMinute({31, 32, 33}, at(10, 5));
        LogCapture log;
        const CardRecording r = record(race, "100", punches, at(9, 58), at(10, 20));
        QVERIFY(r.appended && r.save && r.result);
        QCOMPARE(race.results.size(), 1);
        const PersonResult &res = race.results.first();
        QCOMPARE(res.id, r.result->id);
        QVERIFY(!res.id.isNull());
        QCOMPARE(res.participantId, race.participants[0].id);
        QCOMPARE(res.courseId, QStringLiteral("A"));
        QCOMPARE(res.cardNumber, QStringLiteral("100"));
        QCOMPARE(describe(res.splits), "31:ok 32:ok 33:ok");
        QCOMPARE(res.splits[2].elapsedFromStart, 420.0);
        QCOMPARE(res.readAt, now);
        QCOMPARE(res.startTime, at(10, 0)); // scheduled start; the start punch is not used
        QCOMPARE(res.finishTime, at(10, 20));
        QCOMPARE(res.raceTime, 1200.0);
        QVERIFY(res.completed);
        QCOMPARE(res.punches->size(), 3);
        QCOMPARE(res.cardStartTime, at(9, 58));
        QVERIFY(!res.courseAutoMatched);
        QCOMPARE(res.stageId, stage1);
        QVERIFY(!res.score && !res.overtimePenalty && !res.withinTimeLimit);
        QVERIFY(!res.completedOverride && !res.overrideNote);
        QVERIFY(log.lines().isEmpty());
    }

    void firstOfTwoRunnersWithTheSameCard()
    {
        Race race = baseRace();
        race.participants = {runner("7", "H21"), runner("7", "Open")};
        const CardRecording r = record(race, "7", punchesEveryMinute({31}, at(10, 1)));
        QCOMPARE(r.result->participantId, race.participants[0].id);
    }

    void repeatReadAppendsNothingAndSubmitsNothing()
    {
        Race race = baseRace();
        race.participants = {runner("100", "H21")};
        const QList<SIPunch> punches = punchesEveryMinute({31, 32, 33}, at(10, 5));
        const CardRecording first = record(race, "100", punches, std::nullopt, at(10, 20));
        const CardRecording again
            = record(race, "100", punchesEveryMinute({31, 32, 33}, at(10, 5)), std::nullopt, at(10, 20));
        QVERIFY(first.appended);
        QVERIFY(!again.appended); // the store submits only appended results
        QVERIFY(again.save); // but still autosaves
        QCOMPARE(again.result->id, first.result->id);
        QCOMPARE(race.results.size(), 1);

        // Another finish time is a new read-out: appended, never replacing.
        const CardRecording later = record(race, "100", punches, std::nullopt, at(10, 21));
        QVERIFY(later.appended);
        QCOMPARE(race.results.size(), 2);
        QCOMPARE(race.results[0].id, first.result->id);

        // Same finish, another number of splits: appended as well.
        const CardRecording fewer
            = record(race, "100", punchesEveryMinute({31, 32, 33, 99}, at(10, 5)), std::nullopt, at(10, 21));
        QVERIFY(fewer.appended);
        QCOMPARE(race.results.size(), 3);

        // A repeat compares with the last stored result only.
        const CardRecording old = record(race, "100", punches, std::nullopt, at(10, 20));
        QVERIFY(old.appended);
        QCOMPARE(race.results.size(), 4);
    }

    void startRule_data()
    {
        QTest::addColumn<QString>("classId");
        QTest::addColumn<bool>("scheduled");
        QTest::addColumn<bool>("stageSaysStartPunch");
        QTest::addColumn<std::optional<QDateTime>>("expected");
        const auto scheduledStart = std::optional<QDateTime>(at(10, 0));
        const auto punchStart = std::optional<QDateTime>(at(10, 3));
        QTest::newRow("start punch class, scheduled start wins") << "Open" << true << false << scheduledStart;
        QTest::newRow("start punch class, no scheduled start") << "Open" << false << false << punchStart;
        QTest::newRow("scheduled class, no scheduled start")
            << "H21" << false << false << std::optional<QDateTime>();
        QTest::newRow("stage says start punch") << "H21" << false << true << punchStart;
        QTest::newRow("class that no longer exists")
            << "Gone" << false << false << std::optional<QDateTime>();
    }
    void startRule()
    {
        QFETCH(QString, classId);
        QFETCH(bool, scheduled);
        QFETCH(bool, stageSaysStartPunch);
        QFETCH(std::optional<QDateTime>, expected);
        Race race = baseRace();
        if (stageSaysStartPunch)
            race.classes[0].stageStartMethods = StageMap<StartMethod> {{stage1, StartMethod::StartPunch}};
        race.participants = {runner("5", classId, scheduled ? std::optional(at(10, 0)) : std::nullopt)};
        const CardRecording r
            = record(race, "5", punchesEveryMinute({31, 32, 33}, at(10, 5)), at(10, 3), at(10, 30));
        QCOMPARE(r.result->startTime, expected);
        if (!expected) {
            QVERIFY(!r.result->raceTime);
            QVERIFY(!r.result->splits[0].elapsedFromStart);
        } else {
            QCOMPARE(r.result->raceTime, double(expected->secsTo(at(10, 30))));
        }
    }

    void finishFallsBackToLatestPunchDatedOnRaceDay()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21")};
        // The card's clock is a day behind: every time is moved onto the start's day.
        const QDate yesterday = raceDay.addDays(-1);
        QList<SIPunch> punches {punch(31, at(10, 5, 0, yesterday)), punch(33, at(10, 30, 0, yesterday)),
            punch(32, at(10, 9, 0, yesterday))};
        const CardRecording r = record(race, "5", punches);
        QCOMPARE(r.result->finishTime, at(10, 30));
        QCOMPARE(r.result->raceTime, 1800.0);
        QCOMPARE(describe(r.result->splits), "31:ok 33:additional 32:ok 33:missing");
        QCOMPARE(r.result->splits[0].time, at(10, 5));
        QCOMPARE(r.result->splits[3].time, missingSplitTime());
        QVERIFY(!r.result->completed);
    }

    void withoutStartNothingIsDated()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21", std::nullopt)};
        const QDateTime elsewhere = at(10, 5, 0, QDate(2024, 1, 1));
        const CardRecording r
            = record(race, "5", {punch(31, elsewhere)}, std::nullopt, elsewhere.addSecs(60));
        QCOMPARE(r.result->splits[0].time, elsewhere);
        QCOMPARE(r.result->finishTime, elsewhere.addSecs(60));
        QVERIFY(!r.result->raceTime);
    }

    void multiCourseClassIsMatchedFromPunches()
    {
        Race race = baseRace();
        Participant p = runner("5", "Multi");
        p.courseId = QStringLiteral("A"); // ignored in a multi-course class
        race.participants = {p};
        LogCapture log;
        const CardRecording r = record(race, "5", punchesEveryMinute({41, 42, 43, 44}, at(10, 5)));
        QCOMPARE(r.result->courseId, QStringLiteral("B"));
        QVERIFY(r.result->courseAutoMatched);
        QVERIFY(r.result->completed);
        QCOMPARE(log.lines(),
            QStringList {QStringLiteral(
                "SI: no course assigned for card 5 — heuristically matched course \"Blue\" from punches")});
    }

    void noMatchRecordsWithoutCourse()
    {
        Race race = baseRace();
        race.participants = {runner("5", "Multi")};
        const CardRecording r = record(race, "5", punchesEveryMinute({31, 41}, at(10, 5)));
        QVERIFY(r.appended);
        QVERIFY(!r.result->courseId);
        QVERIFY(!r.result->courseAutoMatched);
        QVERIFY(!r.result->completed);
        QCOMPARE(describe(r.result->splits), "31:ok 41:ok");
    }

    void scoreCourseIsScored()
    {
        Race race = baseRace();
        race.participants = {runner("5", "Score")};
        QList<SIPunch> punches {punch(52, at(10, 10)), punch(51, at(10, 20)), punch(52, at(10, 25))};
        const CardRecording r = record(race, "5", punches, std::nullopt, at(10, 31)); // 1 minute over
        QCOMPARE(describe(r.result->splits), "52:ok 51:ok 52:additional");
        QCOMPARE(r.result->score, 28);
        QCOMPARE(r.result->overtimePenalty, 2);
        QCOMPARE(r.result->withinTimeLimit, false);
        QVERIFY(!r.result->completed);
    }

    void noActiveStage()
    {
        Race race = baseRace();
        race.activeStageId.reset();
        race.participants = {runner("5", "H21")};
        // A result of the same runner on a stage does not make the read a repeat.
        PersonResult staged;
        staged.participantId = race.participants[0].id;
        staged.stageId = stage1;
        staged.finishTime = at(10, 20);
        staged.splits = buildSplits(punchesEveryMinute({31, 32, 33}, at(10, 5)), race.courses[0]);
        race.results = {staged};
        const auto punches = punchesEveryMinute({31, 32, 33}, at(10, 5));
        const CardRecording first = record(race, "5", punches, std::nullopt, at(10, 20));
        QVERIFY(first.appended);
        QVERIFY(!first.result->stageId);
        const CardRecording again = record(race, "5", punches, std::nullopt, at(10, 20));
        QVERIFY(!again.appended);
        QCOMPARE(again.result->id, first.result->id);
        QCOMPARE(race.results.size(), 2);
    }

    void staleRunOfYesterdayIsDropped()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21")};
        const QDate yesterday = raceDay.addDays(-1);
        QList<SIPunch> punches = punchesEveryMinute({31, 32, 33}, at(15, 0, 0, yesterday));
        punches += punchesEveryMinute({31, 32, 33}, at(10, 5));
        LogCapture log;
        const CardRecording r = record(race, "5", punches, at(10, 1), at(10, 20));
        QCOMPARE(describe(r.result->splits), "31:ok 32:ok 33:ok");
        QCOMPARE(r.result->punches->size(), 6); // stored unfiltered
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines()[0].startsWith(QStringLiteral("SI: dropped 3 stale punch(es)")));
    }

    void hostileCards_data()
    {
        QTest::addColumn<QString>("classId");
        QTest::addColumn<QString>("courseId");
        QTest::addColumn<int>("punchCount");
        QTest::addColumn<bool>("shuffled");
        QTest::addColumn<bool>("finishBeforeStart");
        QTest::newRow("no punches") << "H21"
                                    << "" << 0 << false << false;
        QTest::newRow("192 punches") << "H21"
                                     << "" << 192 << false << false;
        QTest::newRow("192 punches, no course") << "Multi"
                                                << "" << 192 << false << false;
        QTest::newRow("out of order, duplicates") << "H21"
                                                  << "" << 12 << true << false;
        QTest::newRow("finish before start") << "H21"
                                             << "" << 3 << false << true;
        QTest::newRow("course without controls") << "Empty"
                                                 << "" << 5 << false << false;
        QTest::newRow("class deleted") << "Gone"
                                       << "" << 5 << false << false;
        QTest::newRow("course deleted") << "H21"
                                        << "Gone" << 5 << false << false;
        QTest::newRow("score course, 192 punches") << "Score"
                                                   << "" << 192 << true << false;
    }
    void hostileCards()
    {
        QFETCH(QString, classId);
        QFETCH(QString, courseId);
        QFETCH(int, punchCount);
        QFETCH(bool, shuffled);
        QFETCH(bool, finishBeforeStart);
        Race race = baseRace();
        Participant p = runner("5", classId);
        if (!courseId.isEmpty())
            p.courseId = courseId;
        race.participants = {p};
        QList<SIPunch> punches;
        for (int i = 0; i < punchCount; ++i) {
            const int k = shuffled ? (i * 7) % punchCount : i;
            punches.append(
                punch(31 + k % 3 + (k % 5 == 4 ? 20 : 0), at(10, 1).addSecs(17 * k), k % 11 != 10));
        }
        const std::optional<QDateTime> finish = finishBeforeStart ? std::optional(at(9, 30)) : std::nullopt;
        const CardRecording r = record(race, "5", punches, at(10, 0), finish);
        QVERIFY(r.appended && r.result);
        QCOMPARE(race.results.size(), 1);
        QCOMPARE(r.result->punches->size(), punchCount);
        if (finishBeforeStart)
            QCOMPARE(r.result->raceTime, -1800.0);
        if (punchCount == 0 && classId == QLatin1String("H21")) {
            QCOMPARE(describe(r.result->splits), "31:missing 32:missing 33:missing");
            QVERIFY(!r.result->finishTime);
            QVERIFY(!r.result->raceTime);
        }
    }

    void reevaluateAgainstTheSameCourseChangesNothing()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21")};
        QList<SIPunch> punches = punchesEveryMinute({31, 99, 33}, at(10, 5));
        const PersonResult stored = *record(race, "5", punches, at(10, 1), at(10, 20)).result;
        PersonResult edited = stored;
        edited.completedOverride = true;
        edited.overrideNote = QStringLiteral("control 32 broken");
        QVERIFY(reevaluateResult(race, edited));
        const PersonResult &after = race.results[0];
        QCOMPARE(describe(after.splits), describe(stored.splits));
        QCOMPARE(after.finishTime, stored.finishTime);
        QCOMPARE(after.raceTime, stored.raceTime);
        QCOMPARE(after.completed, stored.completed);
        QCOMPARE(after.completedOverride, true);
        QCOMPARE(after.overrideNote, QStringLiteral("control 32 broken"));
        QCOMPARE(after.id, stored.id);
        QCOMPARE(after.readAt, stored.readAt);
    }

    void reevaluateAgainstAnotherCourseOrNone()
    {
        Race race = baseRace();
        race.participants = {runner("5", "Multi")};
        const PersonResult stored
            = *record(race, "5", punchesEveryMinute({41, 42, 43}, at(10, 5)), std::nullopt, at(10, 20))
                   .result;
        QVERIFY(!stored.courseId);
        PersonResult edited = stored;
        edited.courseId = QStringLiteral("B");
        QVERIFY(reevaluateResult(race, edited));
        QCOMPARE(race.results.size(), 1);
        QCOMPARE(race.results[0].courseId, QStringLiteral("B"));
        QCOMPARE(describe(race.results[0].splits), "41:ok 42:ok 43:ok 44:missing");
        QVERIFY(!race.results[0].completed);

        edited.courseId.reset();
        QVERIFY(reevaluateResult(race, edited));
        QCOMPARE(describe(race.results[0].splits), "41:ok 42:ok 43:ok");
        QVERIFY(!race.results[0].completed);

        edited.courseId = QStringLiteral("S"); // score course: scored, never completed
        QVERIFY(reevaluateResult(race, edited));
        QCOMPARE(race.results[0].score, 0);
        QCOMPARE(race.results[0].withinTimeLimit, true);

        edited.courseId = QStringLiteral("gone"); // names nothing: no course
        QVERIFY(reevaluateResult(race, edited));
        QVERIFY(!race.results[0].score);
        QCOMPARE(describe(race.results[0].splits), "41:ok 42:ok 43:ok");
    }

    void reevaluateKeepsUndatedTimesWithoutStart()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21", std::nullopt)};
        const QDateTime elsewhere = at(10, 5, 0, QDate(2024, 1, 1));
        const PersonResult stored
            = *record(race, "5", {punch(31, elsewhere)}, std::nullopt, elsewhere).result;
        QVERIFY(reevaluateResult(race, stored));
        QCOMPARE(race.results[0].splits[0].time, elsewhere);
        QCOMPARE(race.results[0].finishTime, elsewhere);
    }

    void reevaluateRelogsStaleFilters()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21")};
        QList<SIPunch> punches {punch(31, at(9, 0))};
        punches += punchesEveryMinute({31, 32, 33}, at(10, 5));
        const PersonResult stored = *record(race, "5", punches, at(10, 1), at(10, 20)).result;
        LogCapture log;
        QVERIFY(reevaluateResult(race, stored));
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines()[0].startsWith(QStringLiteral("SI: dropped 1 stale punch(es)")));
    }

    void reevaluateDeletedResultIsIgnored()
    {
        Race race = baseRace();
        PersonResult ghost;
        QVERIFY(!reevaluateResult(race, ghost));
        QVERIFY(race.results.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCardRecording)
#include "tst_cardrecording.moc"
