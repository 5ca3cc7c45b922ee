// The store's card recording, re-evaluation and result/participant operations: when each publishes,
// autosaves and submits to a master.
#include "casetable.h"
#include "log.h"
#include "racejson.h"
#include "racestore.h"
#include "storeharness.h"
#include "syncmessage.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

Q_DECLARE_METATYPE(StationRole)

namespace {

const QString card = QStringLiteral("500");
const QString stationId = QStringLiteral("station-7");

QDateTime at(int h, int m)
{
    return QDateTime(QDate(2025, 5, 17), QTime(h, m), Qt::UTC);
}

// Spring Cup, one stage: class H21 on course A (controls 31, 32, 33); Anna Berg (card 500, start
// 10:00) and Bo Dahl (no card).
Race baseRace()
{
    return storeTestEvent("spring-cup.json");
}

QList<SIPunch> punches()
{
    QList<SIPunch> list;
    int minute = 5;
    for (qint64 code : {31, 32, 33}) {
        SIPunch p;
        p.controlCode = code;
        p.time = at(10, minute);
        minute += 5;
        list.append(p);
    }
    return list;
}

QByteArray submitFrame(const PersonResult &result)
{
    SyncMessage message;
    message.kind = SyncMessageKind::SubmitResult;
    message.stationId = stationId;
    message.result = result;
    return frameSyncMessage(message).value_or(QByteArray());
}

// Records each frame together with the number of autosave steps that had run when it was sent.
class OrderedConnection : public SyncConnection
{
public:
    explicit OrderedConnection(const StoreHarness &harness)
        : m_harness(harness)
    { }
    void send(const QByteArray &frame) override
    {
        frames.append(frame);
        autosavesAtSend.append(m_harness.autosaves());
    }
    QList<QByteArray> frames;
    QList<qsizetype> autosavesAtSend;

private:
    const StoreHarness &m_harness;
};

} // namespace

class TestRaceStoreResults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StoreHarness> m_harness;

    // A store running as `role`, with one registered connection (the master, for a slave).
    std::unique_ptr<RaceStore> stationStore(StationRole role, SyncConnection *connection)
    {
        auto store = m_harness->makeStore(baseRace());
        store->stationSettings()->setRole(role);
        store->syncEngine()->start(role, stationId, QStringLiteral("Vexlo"));
        store->syncEngine()->addConnection(connection);
        return store;
    }

    static std::optional<PersonResult> read(RaceStore &store, std::optional<QDateTime> finish = at(10, 30))
    {
        return store.recordCardReading(card, punches(), std::nullopt, std::nullopt, finish);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_harness = std::make_unique<StoreHarness>();
        QVERIFY(m_harness->isValid());
    }

    void recordingAppendsPublishesAndAutosaves()
    {
        auto store = m_harness->makeStore(baseRace());
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);
        const auto result = read(*store);
        QVERIFY(result);
        QCOMPARE(result->participantId, store->race().participants[0].id);
        // The read-out time is the store's clock, not the reading's.
        QCOMPARE(result->readAt, StoreHarness::fixedNow());
        QCOMPARE(result->stageId, QStringLiteral("day1"));
        QVERIFY(result->completed);
        QCOMPARE(store->race().results.size(), 1);
        QCOMPARE(store->race().results[0].id, result->id);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_harness->autosaves(), 1);
        store->flushAutosave();
        QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), compactJson(store->race()));
    }

    void unmatchedCardRecordsNothingAndDoesNotSave_data()
    {
        QTest::addColumn<QString>("number");
        QTest::newRow("unknown") << QStringLiteral("999");
        QTest::newRow("leading zero") << QStringLiteral("0500");
        QTest::newRow("trailing space") << QStringLiteral("500 ");
    }
    void unmatchedCardRecordsNothingAndDoesNotSave()
    {
        QFETCH(QString, number);
        RecordingConnection master;
        auto store = stationStore(StationRole::Slave, &master);
        const QByteArray before = compactJson(store->race());
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);
        LogCapture log;
        QVERIFY(!store->recordCardReading(number, punches(), std::nullopt, std::nullopt, at(10, 30)));
        QCOMPARE(compactJson(store->race()), before);
        QCOMPARE(changed.count(), 0);
        QVERIFY(m_harness->steps.isEmpty());
        store->flushAutosave();
        QVERIFY(!QFile::exists(m_harness->autosavePath()));
        QVERIFY(master.frames.isEmpty());
        QCOMPARE(log.lines(),
            QStringList {QStringLiteral("SI: no participant registered for card ") + number
                + QStringLiteral(" \u2014 result not recorded")});
    }

    // The look-ups by card number and of the latest result follow every change the store makes
    // between two reads: a card moved to another entry, a result deleted, an event received whole.
    void cardLookUpsFollowEveryChange()
    {
        auto store = m_harness->makeStore(baseRace());
        const auto readCard = [&](const QString &number) {
            return store->recordCardReading(number, punches(), std::nullopt, std::nullopt, at(10, 30));
        };
        const auto anna = readCard(card);
        QVERIFY(anna);
        QCOMPARE(store->latestReadOfCard(card), StoreHarness::fixedNow());
        Participant annaEntry = store->race().participants[0];
        Participant boEntry = store->race().participants[1];
        annaEntry.cardNumber = QStringLiteral("501");
        boEntry.cardNumber = card;
        store->updateParticipant(annaEntry);
        store->updateParticipant(boEntry);

        const auto bo = readCard(card);
        QVERIFY(bo);
        QCOMPARE(bo->participantId, boEntry.id);
        QCOMPARE(readCard(QStringLiteral("501"))->id, anna->id); // her repeat read
        store->deleteResult(bo->id);
        const auto boAgain = readCard(card);
        QVERIFY(boAgain && boAgain->id != bo->id);
        annaEntry.cardNumber = card; // two entries with one card: the first in the list has it
        store->updateParticipant(annaEntry);
        QCOMPARE(readCard(card)->participantId, annaEntry.id);

        Race received = store->race();
        received.results.clear();
        store->applyReceivedSnapshot(received);
        QCOMPARE(store->latestReadOfCard(card), std::nullopt);
        const auto fresh = readCard(card);
        QVERIFY(fresh && fresh->id != anna->id);
        QCOMPARE(store->race().results.size(), 1);
        QVERIFY(!readCard(QStringLiteral(" ")));
    }

    void repeatedReadAutosavesButIsNotSubmittedAgain()
    {
        RecordingConnection master;
        auto store = stationStore(StationRole::Slave, &master);
        const auto first = read(*store);
        QVERIFY(first);
        QCOMPARE(master.frames.size(), 1);
        m_harness->steps.clear();
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);

        const auto again = read(*store);
        QVERIFY(again);
        QCOMPARE(again->id, first->id);
        QCOMPARE(store->race().results.size(), 1);
        QCOMPARE(m_harness->autosaves(), 1);
        QCOMPARE(changed.count(), 0); // nothing changed, so nothing to redraw
        QCOMPARE(master.frames.size(), 1);
    }

    void slaveSubmitsEachAppendedResultOnceAfterItsAutosave()
    {
        OrderedConnection master(*m_harness);
        auto store = stationStore(StationRole::Slave, &master);
        const auto first = read(*store, at(10, 30));
        const auto repeat = read(*store, at(10, 30));
        const auto second = read(*store, at(10, 31)); // another finish: a second result
        QVERIFY(first && repeat && second);
        QVERIFY(second->id != first->id);
        QCOMPARE(store->race().results.size(), 2);
        QCOMPARE(master.frames, (QList<QByteArray> {submitFrame(*first), submitFrame(*second)}));
        // Each result goes out after its own autosave (the first read's, then the third's).
        QCOMPARE(master.autosavesAtSend, (QList<qsizetype> {1, 3}));
    }

    void otherRolesNeverSubmit_data()
    {
        QTest::addColumn<StationRole>("role");
        QTest::newRow("standalone") << StationRole::Standalone;
        QTest::newRow("master") << StationRole::Master;
    }
    void otherRolesNeverSubmit()
    {
        QFETCH(StationRole, role);
        RecordingConnection peer;
        auto store = stationStore(role, &peer);
        const auto result = read(*store);
        QVERIFY(result);
        QVERIFY(!peer.frames.contains(submitFrame(*result)));
        // A master's autosave broadcasts the whole race instead.
        QCOMPARE(peer.frames.size(), role == StationRole::Master ? 1 : 0);
    }

    void slaveRoleSettingAloneDecides()
    {
        // The engine runs as a slave, but the station's own setting says standalone: no submission.
        RecordingConnection master;
        auto store = stationStore(StationRole::Slave, &master);
        store->stationSettings()->setRole(StationRole::Standalone);
        QVERIFY(read(*store));
        QVERIFY(master.frames.isEmpty());
    }

    void reevaluationSavesButNeverSubmits()
    {
        RecordingConnection master;
        auto store = stationStore(StationRole::Slave, &master);
        const auto recorded = read(*store);
        QVERIFY(recorded && recorded->completed);
        m_harness->steps.clear();
        master.frames.clear();

        // When it saves is in the save rules' table.
        PersonResult edited = *recorded;
        edited.courseId.reset();
        store->reevaluateResult(edited);
        QCOMPARE(store->race().results.size(), 1);
        QVERIFY(!store->race().results[0].completed);
        QVERIFY(!store->race().results[0].courseId);
        QVERIFY(master.frames.isEmpty());
    }

    void saveRules_data() { casetable::load("store/save-rules.tsv"); }
    void saveRules()
    {
        QFETCH(QStringList, cells);
        auto store = m_harness->makeStore(baseRace());
        QVERIFY(read(*store));
        store->flushAutosave();
        m_harness->steps.clear();
        const QByteArray before = compactJson(store->race());
        const QByteArray autosaved = StoreHarness::readAll(m_harness->autosavePath());
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);

        for (const QString &step : cells[0].split(QLatin1Char(';'))) {
            const QString op = step.section(QLatin1Char(' '), 0, 0);
            const QString arg = step.section(QLatin1Char(' '), 1);
            const QUuid entryId = store->race().participants[0].id;
            const QUuid resultId = store->race().results[0].id;
            const QUuid id = arg == u"entry" ? entryId : arg == u"result" ? resultId : QUuid::createUuid();
            if (op == u"status") {
                store->setParticipantStatus(id, ParticipantStatus::Dns);
            } else if (op == u"update") {
                Participant p = arg == u"entry" ? store->race().participants[0] : Participant();
                p.club = QStringLiteral("OK Pan");
                store->updateParticipant(p);
            } else if (op == u"delete-entry") {
                store->deleteParticipant(id);
            } else if (op == u"course") {
                store->setParticipantCourse(id, QStringLiteral("A"));
            } else if (op == u"delete-result") {
                store->deleteResult(id);
            } else if (op == u"override") {
                store->overrideResultStatus(id, false, QStringLiteral("skipped 32"));
            } else if (op == u"event-id") {
                store->setVexloWebEventId(arg);
            } else if (op == u"checkin-key") {
                store->setVexloWebChecklistKey(arg);
            } else if (op == u"checkin-key-if-set") {
                store->setVexloWebChecklistKeyIfNotEmpty(arg);
            } else if (op == u"assign-card") {
                store->assignUnmatchedCard(QStringLiteral("777"), id, {});
            } else if (op == u"reevaluate") {
                PersonResult edited = arg == u"result" ? store->race().results[0] : PersonResult();
                edited.courseId.reset();
                store->reevaluateResult(edited);
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
        }
        store->flushAutosave();
        const int saves = cells[1].toInt();
        const bool changes = cells[2] == u"1";

        QCOMPARE(m_harness->autosaves(), saves);
        // Every save publishes first; an operation that does not save does not publish either.
        QCOMPARE(changed.count(), saves);
        QCOMPARE(compactJson(store->race()) != before, changes);
        QCOMPARE(
            StoreHarness::readAll(m_harness->autosavePath()), saves ? compactJson(store->race()) : autosaved);
    }

    void readOnlyOperationsNeitherPublishNorSave()
    {
        auto store = m_harness->makeStore(baseRace());
        QVERIFY(read(*store));
        m_harness->steps.clear();
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);
        const Course course = store->race().courses[0];

        const QList<RaceClass> classes = store->classesUsingCourse(course);
        QCOMPARE(classes.size(), 1);
        QCOMPARE(classes[0].id, QStringLiteral("H21"));
        // Only Bo has no card.
        const QList<Participant> candidates = store->candidateParticipants(course);
        QCOMPARE(candidates.size(), 1);
        QCOMPARE(candidates[0].givenName, QStringLiteral("Bo"));
        const QList<StandingsRow> rows = store->rankedResults(QStringLiteral("H21"));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].participant.givenName, QStringLiteral("Anna"));
        QCOMPARE(rows[0].totalTime, 1800.0);
        QVERIFY(!rows[1].totalTime);
        QCOMPARE(store->candidateCourses(&store->race().classes[0]).size(), 1);

        QCOMPARE(changed.count(), 0);
        QVERIFY(m_harness->steps.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRaceStoreResults)
#include "tst_racestore_results.moc"
