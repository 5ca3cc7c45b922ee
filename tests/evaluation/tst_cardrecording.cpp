// Card recording as the store sees it: runner lookup, the stored fields, repeat reads, append-only
// results, re-evaluation and hostile cards. Verdicts on single cards are the case files'
// (tst_cardcases).
#include "cardrecording.h"
#include "casetable.h"
#include "evaluationfixtures.h"
#include "log.h"
#include "testevent.h"

#include <QTest>

namespace {

const QString stage1 = QStringLiteral("day1");
const QDateTime now = at(14, 0);

// Courses A (31-33), B (41-44), E (no controls) and the score course S; classes H21 (on A), Multi
// (several courses), Score (on S) and Empty (on E), all timed from the start punch; stage day1.
Race baseRace()
{
    return testEvent(QStringLiteral("evaluation/card-recording.json"));
}

Participant runner(const QString &card, const QString &classId, std::optional<QDateTime> start = at(10, 0))
{
    Participant p;
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
        for (const char *card : {"999", "0123456", "1234567", "", " "})
            QTest::newRow(card) << QString::fromLatin1(card);
    }
    void unknownCardIsLoggedAndNotRecorded()
    {
        QFETCH(QString, card);
        Race race = baseRace();
        // The entries without a card (empty or blank) must not catch an empty read.
        race.participants = {runner("", "H21"), runner(" ", "H21"), runner("123456", "H21")};
        LogCapture log;
        const QList<SIPunch> punches = punchesEveryMinute({31}, at(10, 1));
        const CardRecording r = record(race, card, punches);
        QVERIFY(!r.result && !r.appended);
        QVERIFY(race.results.isEmpty());
        QCOMPARE(log.lines(),
            QStringList {QStringLiteral("SI: no participant registered for card ") + card
                + QStringLiteral(" — result not recorded")});
        // A number names a card to keep; a blank one names none.
        const bool blank = card.trimmed().isEmpty();
        QCOMPARE(r.save, !blank);
        QCOMPARE(r.unknownCardAppended, !blank);
        QCOMPARE(race.unknownCards.has_value(), !blank);
        if (blank)
            return;
        QCOMPARE(race.unknownCards->size(), 1);
        const UnknownCard &kept = race.unknownCards->first();
        QCOMPARE(kept.id, *r.unknownCard);
        QCOMPARE(kept.cardNumber, card);
        QCOMPARE(kept.punches.size(), 1);
        QCOMPARE(kept.punches.first().time, punches.first().time);
        QVERIFY(!kept.finishPunchTime && !kept.startPunchTime);
        QCOMPARE(kept.readAt, now);
        QCOMPARE(kept.stageId, race.activeStageId);

        // The same read-out again keeps nothing more, and saves nothing.
        const CardRecording again = record(race, card, punches);
        QCOMPARE(again.unknownCard, r.unknownCard);
        QVERIFY(!again.unknownCardAppended && !again.save);
        QCOMPARE(race.unknownCards->size(), 1);
        // Another read-out of the card (a later finish) is kept beside it.
        const CardRecording later = record(race, card, punches, std::nullopt, at(10, 31));
        QVERIFY(later.unknownCardAppended);
        QCOMPARE(race.unknownCards->size(), 2);
    }

    // The read-out recorded under a runner settles its kept copies, and only those.
    void recordingSettlesTheKeptReadOut()
    {
        Race race = baseRace();
        const QList<SIPunch> punches = punchesEveryMinute({31, 32, 33}, at(10, 1));
        const CardRecording first = record(race, QStringLiteral("777"), punches);
        const CardRecording other = record(race, QStringLiteral("777"), punches, std::nullopt, at(10, 45));
        QVERIFY(first.unknownCardAppended && other.unknownCardAppended);
        race.participants = {runner("777", "H21")};
        const CardRecording recorded = record(race, QStringLiteral("777"), punches);
        QVERIFY(recorded.appended);
        QCOMPARE(recorded.settledUnknownCards, QList<QUuid> {*first.unknownCard});
        QCOMPARE(race.unknownCards->size(), 1);
        QCOMPARE(race.unknownCards->first().id, *other.unknownCard);
        // A repeat of a recorded read settles a copy kept meanwhile as well; the last one gone, the
        // list is absent again.
        QVERIFY(removeUnknownCard(race, *other.unknownCard));
        QVERIFY(!race.unknownCards);
        QVERIFY(!removeUnknownCard(race, *other.unknownCard));
    }

    // A card number is its digits: one stored as typed with grouping spaces is the card read.
    void groupedCardNumberFindsItsRunner()
    {
        Race race = baseRace();
        race.participants = {runner("2 000 009", "H21"), runner("2000009", "H21")};
        const CardRecording r = record(race, "2000009", punchesEveryMinute({31}, at(10, 1)));
        QVERIFY(r.appended);
        QCOMPARE(race.results.first().participantId, race.participants.first().id);
        QCOMPARE(race.results.first().cardNumber, QStringLiteral("2000009"));
    }

    void storesEveryFieldAndAppendsOnlyNewReads()
    {
        Race race = baseRace();
        race.participants = {runner("100", "H21"), runner("100", "Multi")};
        const QList<SIPunch> punches = punchesEveryMinute({31, 32, 33}, at(10, 5));
        const CardRecording first = record(race, "100", punches, at(9, 58), at(10, 20));
        QVERIFY(first.appended && first.save);
        const PersonResult &res = race.results.first();
        QCOMPARE(res.id, first.result->id);
        QCOMPARE(res.participantId, race.participants[0].id); // the first entry holding the card
        QCOMPARE(res.cardNumber, QStringLiteral("100"));
        QCOMPARE(res.readAt, now);
        QCOMPARE(res.startTime, at(10, 0));
        QCOMPARE(res.cardStartTime, at(9, 58));
        QCOMPARE(res.stageId, stage1);
        QCOMPARE(res.punches->size(), 3);
        QVERIFY(res.completed && !res.courseAutoMatched && !res.completedOverride && !res.overrideNote);

        // The same read again: nothing appended (so nothing to submit), but the store saves.
        const CardRecording again = record(race, "100", punches, at(9, 58), at(10, 20));
        QVERIFY(!again.appended && again.save);
        QCOMPARE(again.result->id, first.result->id);
        // Another finish, or the same finish with another number of splits: a new result, appended.
        QVERIFY(record(race, "100", punches, std::nullopt, at(10, 21)).appended);
        QVERIFY(record(race, "100", punchesEveryMinute({31, 32, 33, 99}, at(10, 5)), std::nullopt, at(10, 21))
                    .appended);
        // A repeat compares with the last stored result only.
        QVERIFY(record(race, "100", punches, std::nullopt, at(10, 20)).appended);
        QCOMPARE(race.results.size(), 4);
        QCOMPARE(race.results[0].id, first.result->id);
    }

    // The very read-out again after the runner's course changed (as giving a card to a runner
    // through the unmatched-card sheet may change it): still the one result.
    void sameReadOutAfterACourseChangeIsOneResult()
    {
        Race race = baseRace();
        race.participants = {runner("300", "H21")};
        const QList<SIPunch> punches = punchesEveryMinute({41, 42, 43, 44}, at(10, 5));
        const CardRecording first = record(race, "300", punches, std::nullopt, at(10, 20));
        QVERIFY(first.appended);
        QCOMPARE(first.result->splits.size(), 7); // course A: three missed, four additional
        race.participants[0].courseId = QStringLiteral("B");
        const CardRecording again = record(race, "300", punches, std::nullopt, at(10, 20));
        QVERIFY(!again.appended && again.save);
        QCOMPARE(again.result->id, first.result->id);
        QCOMPARE(race.results.size(), 1);
        // Another runner given the card since: the read-out is theirs, a result of their own.
        race.participants[0].cardNumber = QStringLiteral("301");
        race.participants.append(runner("300", "H21"));
        QVERIFY(record(race, "300", punches, std::nullopt, at(10, 20)).appended);
        // Another read-out of the card is another result.
        QVERIFY(record(race, "300", punches, std::nullopt, at(10, 21)).appended);
        QCOMPARE(race.results.size(), 3);
    }

    void noActiveStage()
    {
        Race race = baseRace();
        race.activeStageId.reset();
        race.participants = {runner("5", "H21")};
        const auto punches = punchesEveryMinute({31, 32, 33}, at(10, 5));
        // A result of the same runner on a stage does not make the read a repeat.
        QVERIFY(record(race, "5", punches, std::nullopt, at(10, 20)).appended);
        race.results[0].stageId = stage1;
        const CardRecording first = record(race, "5", punches, std::nullopt, at(10, 20));
        QVERIFY(first.appended && !first.result->stageId);
        const CardRecording again = record(race, "5", punches, std::nullopt, at(10, 20));
        QVERIFY(!again.appended);
        QCOMPARE(again.result->id, first.result->id);
        QCOMPARE(race.results.size(), 2);
    }

    void hostileCards_data() { casetable::load("evaluation/hostile-cards.tsv"); }
    void hostileCards()
    {
        QFETCH(QStringList, cells);
        const QString &classId = cells[0];
        const QString &courseId = cells[1];
        const int punchCount = cells[2].toInt();
        Race race = baseRace();
        Participant p = runner("5", classId);
        if (!courseId.isEmpty())
            p.courseId = courseId;
        race.participants = {p};
        // Shuffled, repeated and partly untimed punches of course and foreign controls.
        QList<SIPunch> punches;
        for (int i = 0; i < punchCount; ++i) {
            const int k = (i * 7) % punchCount;
            punches.append(
                punch(31 + k % 3 + (k % 5 == 4 ? 20 : 0), at(10, 1).addSecs(17 * k), k % 11 != 10));
        }
        LogCapture quiet;
        const CardRecording r = record(race, "5", punches, at(10, 0));
        QVERIFY(r.appended);
        QCOMPARE(race.results.size(), 1);
        QCOMPARE(r.result->punches->size(), punchCount);
        if (punchCount == 0) {
            QCOMPARE(describe(r.result->splits), "31:missing 32:missing 33:missing");
            QVERIFY(!r.result->finishTime && !r.result->raceTime);
        }
    }

    void reevaluateAgainstAnotherCourseKeepsIdentityAndOverride()
    {
        Race race = baseRace();
        race.participants = {runner("5", "Multi")};
        const PersonResult stored
            = *record(race, "5", punchesEveryMinute({41, 42, 43}, at(10, 5)), std::nullopt, at(10, 20))
                   .result;
        QVERIFY(!stored.courseId);
        PersonResult edited = stored;
        edited.completedOverride = true;
        edited.overrideNote = QStringLiteral("control 44 broken");
        const auto reevaluate = [&](const std::optional<QString> &course) {
            edited.courseId = course;
            QVERIFY(reevaluateResult(race, edited));
            QCOMPARE(race.results.size(), 1);
        };
        reevaluate(QStringLiteral("B"));
        const PersonResult &after = race.results[0];
        QCOMPARE(describe(after.splits), "41:ok 42:ok 43:ok 44:missing");
        QVERIFY(!after.completed);
        QCOMPARE(after.completedOverride, true);
        QCOMPARE(after.overrideNote, QStringLiteral("control 44 broken"));
        QCOMPARE(after.id, stored.id);
        QCOMPARE(after.readAt, stored.readAt);
        QCOMPARE(after.finishTime, stored.finishTime);
        reevaluate(std::nullopt);
        QCOMPARE(describe(race.results[0].splits), "41:ok 42:ok 43:ok");
        reevaluate(QStringLiteral("S")); // a score course: scored, never completed
        QCOMPARE(race.results[0].score, 0);
        QCOMPARE(race.results[0].withinTimeLimit, true);
        reevaluate(QStringLiteral("gone")); // names nothing: no course
        QVERIFY(!race.results[0].score);
    }

    // A card read while its runner had no class has no start; given a start-punch class since (as
    // an older version left it, without evaluating the result again), a course chosen for it
    // takes the card's start record as its start.
    void reevaluateGivesAResultWithoutStartItsClassesStart()
    {
        Race race = baseRace();
        Participant nobody = runner("5", "H21", std::nullopt);
        nobody.classId.reset();
        race.participants = {nobody};
        const PersonResult stored
            = *record(race, "5", punchesEveryMinute({31, 32, 33}, at(10, 5)), at(10, 1), at(10, 20)).result;
        QVERIFY(!stored.startTime);
        race.participants[0].classId = QStringLiteral("H21");
        PersonResult edited = stored;
        edited.courseId = QStringLiteral("A");
        edited.courseAutoMatched = false;
        QVERIFY(reevaluateResult(race, edited));
        QCOMPARE(race.results[0].startTime, stored.cardStartTime);
        QCOMPARE(race.results[0].raceTime, std::optional<double>(19 * 60));
        QVERIFY(race.results[0].completed);
    }

    void reevaluateFollowsTheReviewMarkButNotTheOrganisersNote()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21", std::nullopt)};
        // Start record later than the run: a finish before the start, so no time and marked for
        // review.
        const PersonResult stored
            = *record(race, "5", punchesEveryMinute({31, 32, 33}, at(10, 5)), at(15, 0), at(10, 20)).result;
        QVERIFY(stored.overrideNote && !stored.completed && !stored.completedOverride);
        QVERIFY(!stored.raceTime);
        PersonResult edited = stored;
        edited.courseId = QStringLiteral("B"); // a mispunch on B: the finish is still before the start
        QVERIFY(reevaluateResult(race, edited));
        QVERIFY(race.results[0].overrideNote);
        QVERIFY(!race.results[0].raceTime);
        edited.startTime = at(10, 0); // the start put right by hand: a time, nothing to review
        QVERIFY(reevaluateResult(race, edited));
        QVERIFY(!race.results[0].overrideNote);
        QCOMPARE(race.results[0].raceTime, std::optional<double>(20 * 60));
        edited.startTime = stored.startTime;
        edited.overrideNote = QStringLiteral("start checked by hand");
        edited.courseId = QStringLiteral("A");
        QVERIFY(reevaluateResult(race, edited));
        QCOMPARE(race.results[0].overrideNote, QStringLiteral("start checked by hand"));
        QVERIFY(!race.results[0].completed);
    }

    void reevaluateRelogsStaleFiltersAndKeepsUndatedTimes()
    {
        Race race = baseRace();
        race.participants = {runner("5", "H21", std::nullopt)};
        race.classes[0].startMethod = StartMethod::ScheduledTime;
        QList<SIPunch> punches {punch(31, at(9, 0, 0, QDate(2024, 1, 1)))};
        punches += punchesEveryMinute({31, 32, 33}, at(10, 5, 0, QDate(2024, 1, 1)));
        const PersonResult stored
            = *record(race, "5", punches, at(10, 1, 0, QDate(2024, 1, 1)), at(10, 20)).result;
        LogCapture log;
        QVERIFY(reevaluateResult(race, stored));
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines()[0].startsWith(QStringLiteral("SI: dropped 1 stale punch(es)")));
        QCOMPARE(race.results[0].splits[0].time, punches[1].time);
        QCOMPARE(race.results[0].finishTime, at(10, 20));
    }

    void reevaluateDeletedResultIsIgnored()
    {
        Race race = baseRace();
        QVERIFY(!reevaluateResult(race, PersonResult()));
        QVERIFY(race.results.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCardRecording)
#include "tst_cardrecording.moc"
