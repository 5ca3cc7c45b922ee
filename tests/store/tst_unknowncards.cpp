// Card read-outs that no entry holds, kept by a real store in a private folder and read back by a
// restarted one: after a clean quit, and after a crash that left only the journal holding the
// change (the folder copied while the background writer is held back, as a kill at that moment
// leaves it). A kept card is then given to a runner, or dismissed, and stays so.

#include "cardrecording.h"
#include "log.h"
#include "racejournal.h"
#include "storeharness.h"

#include <QDir>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString cardNumber = QStringLiteral("8004711");

QDateTime at(int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2025, 5, 17), QTime(hour, minute, second), Qt::UTC);
}

QList<SIPunch> punches()
{
    QList<SIPunch> list;
    for (int i = 0; i < 3; ++i) {
        SIPunch p;
        p.controlCode = 31 + i;
        p.time = at(10, 5 + 4 * i);
        list.append(p);
    }
    SIPunch untimed;
    untimed.controlCode = 99;
    untimed.timeAvailable = false;
    untimed.time = at(0, 0);
    list.append(untimed);
    return list;
}

std::optional<PersonResult> readUnknownCard(RaceStore &store)
{
    return store.recordCardReading(cardNumber, punches(), at(9, 58), at(10, 1), at(10, 20, 30));
}

// A store on `harness` whose files already carry the event's id, as after any earlier change.
std::unique_ptr<RaceStore> storeWithNamedEvent(StoreHarness &harness)
{
    auto store = harness.makeStore(namedRace(QStringLiteral("Spring Cup")));
    if (!store->recordCardReading(QStringLiteral("123456"), {}, std::nullopt, at(10, 0), at(10, 30)))
        qFatal("the known card was not recorded");
    store->flushAutosave();
    return store;
}

void copyFolder(const QString &from, const QString &to)
{
    QVERIFY(QDir().mkpath(to));
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(QDir(to).filePath(name));
        QVERIFY(QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)));
    }
}

// The records in the journal (one line each) of the store on `harness`.
qsizetype journalRecords(StoreHarness &harness)
{
    QFile file(QDir(harness.path(QStringLiteral("data"))).filePath(RaceJournal::fileName));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().count('\n');
}

} // namespace

class TestUnknownCards : public QObject
{
    Q_OBJECT

    // Runs `before`, then `change` on a store, then builds a store as a restart finds the files:
    // after a clean quit, or (`crash`) as they stood when `change` returned, before any full write
    // of it.
    std::unique_ptr<RaceStore> restartAfter(StoreHarness &harness, StoreHarness &restarted, bool crash,
        const std::function<void(RaceStore &)> &before, const std::function<void(RaceStore &)> &change)
    {
        WriterHold writer;
        harness.writerHook = writer.hook();
        auto store = storeWithNamedEvent(harness);
        before(*store);
        store->flushAutosave();
        writer.hold(crash);
        change(*store);
        if (crash)
            copyFolder(harness.path(QStringLiteral("data")), restarted.path(QStringLiteral("data")));
        writer.release();
        store.reset();
        if (!crash)
            copyFolder(harness.path(QStringLiteral("data")), restarted.path(QStringLiteral("data")));
        return restarted.makeStore();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void keptCardSurvivesARestartAndIsThenAssigned_data()
    {
        QTest::addColumn<bool>("crash");
        QTest::newRow("clean quit") << false;
        QTest::newRow("killed before the full write") << true;
    }
    void keptCardSurvivesARestartAndIsThenAssigned()
    {
        QFETCH(bool, crash);
        StoreHarness harness;
        StoreHarness restarted;
        LogCapture log;
        QUuid keptId;
        auto store = restartAfter(
            harness, restarted, crash, [](RaceStore &) {},
            [&](RaceStore &s) {
                QVERIFY(!readUnknownCard(s));
                QVERIFY(s.race().unknownCards);
                keptId = s.race().unknownCards->first().id;
            });
        QVERIFY(store->race().unknownCards);
        QCOMPARE(store->race().unknownCards->size(), 1);
        const UnknownCard kept = store->race().unknownCards->first();
        QCOMPARE(kept.id, keptId);
        QCOMPARE(kept.cardNumber, cardNumber);
        QCOMPARE(kept.punches.size(), 4);
        QCOMPARE(kept.punches.at(2).time, at(10, 13));
        QVERIFY(!kept.punches.at(3).timeAvailable);
        QCOMPARE(kept.checkPunchTime, std::optional(at(9, 58)));
        QCOMPARE(kept.startPunchTime, std::optional(at(10, 1)));
        QCOMPARE(kept.finishPunchTime, std::optional(at(10, 20, 30)));
        QCOMPARE(kept.readAt, StoreHarness::fixedNow());
        QCOMPARE(store->race().results.size(), 1);

        // Given to a new runner as the unmatched-card sheet does it: the entry, then the reading
        // recorded from the kept read-out. The kept card is settled by that result.
        Participant runner;
        runner.givenName = QStringLiteral("Bo");
        runner.cardNumber = cardNumber;
        store->addParticipant(runner);
        const auto result = store->recordCardReading(
            kept.cardNumber, kept.punches, kept.checkPunchTime, kept.startPunchTime, kept.finishPunchTime);
        QVERIFY(result);
        QCOMPARE(result->participantId, runner.id);
        QCOMPARE(result->finishTime, std::optional(at(10, 20, 30)));
        QVERIFY(!store->race().unknownCards);

        // And it stays settled.
        StoreHarness again;
        store.reset();
        copyFolder(restarted.path(QStringLiteral("data")), again.path(QStringLiteral("data")));
        store = again.makeStore();
        QVERIFY(!store->race().unknownCards);
        QCOMPARE(store->race().results.size(), 2);
        QCOMPARE(store->race().results.last().participantId, runner.id);
        store.reset(); // it writes its settings as it closes: before its folder goes
    }

    // Giving the kept read-out to a runner and recording it are one change: a kill right after it
    // finds the runner, the result and the settled read-out together in the journal. The runner is
    // registered from the read-out (its number perhaps changed in the editor), or is an entry
    // without a card that the read-out is assigned to.
    void givingAKeptReadOutToARunnerIsOneChange_data()
    {
        QTest::addColumn<bool>("assign");
        QTest::addColumn<bool>("crash");
        // The runner's card number after: as registered, or (assigned) the read-out's.
        QTest::addColumn<QString>("registeredNumber");
        QTest::newRow("registered, clean quit") << false << false << cardNumber;
        QTest::newRow("registered, killed before the full write") << false << true << cardNumber;
        QTest::newRow("registered, killed, number changed in the editor")
            << false << true << QStringLiteral("8004799");
        QTest::newRow("assigned, clean quit") << true << false << cardNumber;
        QTest::newRow("assigned, killed before the full write") << true << true << cardNumber;
    }
    void givingAKeptReadOutToARunnerIsOneChange()
    {
        QFETCH(bool, assign);
        QFETCH(bool, crash);
        QFETCH(QString, registeredNumber);
        StoreHarness harness;
        StoreHarness restarted;
        LogCapture log;
        Participant runner;
        runner.givenName = assign ? QStringLiteral("Ada") : QStringLiteral("Bo");
        if (!assign)
            runner.cardNumber = registeredNumber;
        auto store = restartAfter(
            harness, restarted, crash,
            [&](RaceStore &s) {
                if (assign)
                    s.addParticipant(runner);
                QVERIFY(!readUnknownCard(s));
            },
            [&](RaceStore &s) {
                const UnknownCard kept = s.race().unknownCards->first();
                const qsizetype records = journalRecords(harness);
                harness.steps.clear();
                const auto result = assign
                    ? s.assignAndRecord(runner.id, std::nullopt, kept.cardNumber, kept.punches,
                        kept.checkPunchTime, kept.startPunchTime, kept.finishPunchTime, kept.id)
                    : s.registerAndRecord(runner, kept.cardNumber, kept.punches, kept.checkPunchTime,
                        kept.startPunchTime, kept.finishPunchTime, kept.id);
                QVERIFY(result);
                QCOMPARE(result->participantId, runner.id);
                QCOMPARE(harness.autosaves(), 1);
                if (crash)
                    QCOMPARE(journalRecords(harness), records + 1);
            });
        QVERIFY(!store->race().unknownCards);
        QCOMPARE(store->race().participants.last().id, runner.id);
        QCOMPARE(store->race().participants.last().cardNumber, registeredNumber);
        QCOMPARE(store->race().results.size(), 2);
        QCOMPARE(store->race().results.last().participantId, runner.id);
        QCOMPARE(store->race().results.last().finishTime, std::optional(at(10, 20, 30)));
    }

    void dismissedCardStaysGone_data() { keptCardSurvivesARestartAndIsThenAssigned_data(); }
    void dismissedCardStaysGone()
    {
        QFETCH(bool, crash);
        StoreHarness harness;
        StoreHarness restarted;
        LogCapture log;
        auto store = restartAfter(
            harness, restarted, crash,
            [](RaceStore &s) {
                QVERIFY(!readUnknownCard(s));
                QVERIFY(!s.recordCardReading(
                    QStringLiteral("8004712"), {}, std::nullopt, std::nullopt, at(11, 0)));
                QCOMPARE(s.race().unknownCards->size(), 2);
            },
            [](RaceStore &s) {
                // In the crash case only the journal has the dismissal.
                s.dismissUnknownCard(s.race().unknownCards->first().id);
                QCOMPARE(s.race().unknownCards->size(), 1);
                QCOMPARE(s.race().unknownCards->first().cardNumber, QStringLiteral("8004712"));
            });
        QVERIFY(store->race().unknownCards);
        QCOMPARE(store->race().unknownCards->size(), 1);
        QCOMPARE(store->race().unknownCards->first().cardNumber, QStringLiteral("8004712"));
    }

    // The same read-out twice is kept once, and saved once.
    void repeatedReadOutIsKeptOnce()
    {
        StoreHarness harness;
        LogCapture log;
        auto store = storeWithNamedEvent(harness);
        harness.steps.clear();
        QVERIFY(!readUnknownCard(*store));
        QCOMPARE(harness.autosaves(), 1);
        QVERIFY(!readUnknownCard(*store));
        QCOMPARE(harness.autosaves(), 1);
        QCOMPARE(store->race().unknownCards->size(), 1);
    }

    // A slave keeps the cards it read that no entry held through the master's races, which know
    // nothing of them; the master's own kept cards come and go with its race.
    void slaveKeepsItsOwnCardsThroughSnapshots()
    {
        StoreHarness harness;
        LogCapture log;
        auto store = harness.makeStore(namedRace(QStringLiteral("Spring Cup")));
        store->stationSettings()->setRole(StationRole::Slave);
        QVERIFY(!readUnknownCard(*store));
        const QUuid own = store->race().unknownCards->first().id;

        Race fromMaster = namedRace(QStringLiteral("From master"));
        UnknownCard mastersCard;
        mastersCard.cardNumber = QStringLiteral("9000001");
        mastersCard.readAt = at(11, 0);
        fromMaster.unknownCards = QList<UnknownCard> {mastersCard};
        store->syncEngine()->onSnapshotReceived(fromMaster);
        QCOMPARE(store->race().name, QStringLiteral("From master"));
        QCOMPARE(store->race().unknownCards->size(), 2);
        QVERIFY(findUnknownCard(store->race(), own));
        QVERIFY(findUnknownCard(store->race(), mastersCard.id));

        // Dismissed at the master: gone here too; this station's own stays, and is in the autosave.
        store->syncEngine()->onSnapshotReceived(namedRace(QStringLiteral("From master")));
        QCOMPARE(store->race().unknownCards->size(), 1);
        QCOMPARE(store->race().unknownCards->first().id, own);
        store->flushAutosave();
        const auto saved = decodeRace(StoreHarness::readAll(harness.autosavePath()));
        QVERIFY(saved && saved->unknownCards);
        QCOMPARE(saved->unknownCards->first().id, own);
    }

    // Dismissing an id no longer kept changes and saves nothing.
    void dismissingAnUnknownIdSavesNothing()
    {
        StoreHarness harness;
        LogCapture log;
        auto store = storeWithNamedEvent(harness);
        harness.steps.clear();
        store->dismissUnknownCard(QUuid::createUuid());
        QCOMPARE(harness.autosaves(), 0);
        QVERIFY(!store->race().unknownCards);
    }
};

QTEST_GUILESS_MAIN(TestUnknownCards)
#include "tst_unknowncards.moc"
