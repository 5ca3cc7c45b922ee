// A snapshot larger than the stations accept, over real TLS on 127.0.0.1 with the limit lowered:
// a master keeps it and says so, a slave that is sent one anyway stops and says why, and neither
// fetches or sends the same snapshot again and again.

#include "log.h"
#include "racejson.h"
#include "syncmessage.h"
#include "testenvironment.h"
#include "teststation.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr quint32 limit = 64 * 1024;

// An event whose snapshot body is longer than `bytes`.
Race raceLargerThan(qsizetype bytes)
{
    Race race;
    race.name = QStringLiteral("Large");
    while (encodeRace(race, JsonLayout::Compact)->size() <= bytes) {
        Participant p;
        p.givenName = QString(200, QLatin1Char('x'));
        p.cardNumber = QString::number(100000 + race.participants.size());
        race.participants.append(p);
    }
    return race;
}

// The event's own length in a snapshot, before it is packed: what the limit bounds.
qint64 snapshotBodyBytes(const Race &race, const QString &stationId)
{
    qint64 eventBytes = 0;
    const auto frame
        = frameSyncMessage({SyncMessageKind::Snapshot, stationId, race, std::nullopt}, &eventBytes);
    return frame ? eventBytes : -1;
}

} // namespace

class TestSyncSnapshotLimit : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void masterKeepsASnapshotTooLargeForTheStations()
    {
        LogCapture log;
        LoopbackDirectory directory;
        StationOptions options;
        options.limits.maxSnapshotBytes = limit;
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        master.race = raceLargerThan(limit);
        const qint64 body = snapshotBodyBytes(master.race, QStringLiteral("M"));
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        const auto tooLarge = [](qint64 bytes) {
            return QStringLiteral("The event is too large to send to the stations (%1 bytes; the limit is "
                                  "65536). They keep the event they last received and still send their "
                                  "results here.")
                .arg(bytes);
        };
        QTRY_COMPARE(master.engine.statusText(), tooLarge(body));
        QCOMPARE(master.engine.statusLevel(), SyncStatusLevel::Failed);
        // The slave says it has no copy of the event, in the master's words.
        QTRY_COMPARE(slave.engine.statusText(),
            QStringLiteral("Connected to master, but this station has no copy of the event yet (%1). Cards "
                           "read here go to the master, which records them.")
                .arg(tooLarge(body)));
        QCOMPARE(slave.race.name, Race().name);
        QVERIFY(!slave.engine.holdsMasterEvent());
        // A card read there goes to the master as a read-out, recorded for the runner found there.
        PersonResult readOut = result(master.race.participants.at(2).cardNumber, 0);
        readOut.participantId = QUuid();
        slave.engine.submitResult(readOut);
        QTRY_COMPARE(countOf(master.race, readOut.id), 1);
        QCOMPARE(master.race.results.last().participantId, master.race.participants.at(2).id);
        QCOMPARE(slave.engine.pendingResultCount(), 1);
        // The link stays up: a card read on the slave still reaches the master.
        const PersonResult read = result(QStringLiteral("8001234"), 1800);
        slave.read(read);
        QTRY_COMPARE(countOf(master.race, read.id), 1);
        // Its broadcast of the grown event is refused too, with the new size.
        QCOMPARE(master.engine.statusText(), tooLarge(snapshotBodyBytes(master.race, QStringLiteral("M"))));
        QCOMPARE(master.engine.connectedStationCount(), 1);

        // A snapshot that fits goes out again, and the master says it runs.
        master.race.participants.clear();
        master.commit();
        QTRY_COMPARE(slave.race.name, QStringLiteral("Large"));
        QCOMPARE(countOf(slave.race, read.id), 1);
        // The read-out is in it: nothing waits any more, and the slave says it is connected.
        QCOMPARE(countOf(slave.race, readOut.id), 1);
        QCOMPARE(slave.engine.pendingResultCount(), 0);
        QCOMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QCOMPARE(master.engine.statusText(), QStringLiteral("Master running, advertising \"Vexlo Race\""));
        QCOMPARE(master.engine.statusLevel(), SyncStatusLevel::Ok);
    }

    // A master that sends more than this station accepts (here: one with the protocol's limit,
    // the slave's lowered): a real oversized frame on the wire.
    void slaveSentAnOversizedSnapshotStopsAndSaysWhy()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race = raceLargerThan(limit);
        const qint64 body = snapshotBodyBytes(master.race, QStringLiteral("M"));
        QSignalSpy stations(&master.engine, &SyncEngine::connectedStationCountChanged);
        StationOptions options;
        options.limits.maxSnapshotBytes = limit;
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        const QString stopped = QStringLiteral("Stopped: the master sent an event of %1 bytes, more than the "
                                               "65536 this station accepts. Make sure every station runs the "
                                               "same version of Vexlo, then start this station again.")
                                    .arg(body);
        QTRY_COMPARE(slave.engine.statusText(), stopped);
        QCOMPARE(slave.engine.statusLevel(), SyncStatusLevel::Failed);
        QTRY_COMPARE(master.engine.connectedStationCount(), 0);
        // Reconnecting would fetch the same snapshot: many tries would fit in this wait (the
        // slave's delays are 10 to 40 ms), and none is made.
        QTest::qWait(400);
        QCOMPARE(stations.count(), 2);
        QCOMPARE(slave.engine.openConnectionCount(), 0);
        QCOMPARE(slave.engine.statusText(), stopped);
        // Results read meanwhile wait for the next start.
        const PersonResult read = result(QStringLiteral("8001234"), 1800);
        slave.read(read);
        QCOMPARE(slave.engine.pendingResultCount(), 1);

        // Started again against a master whose event fits: it joins and sends what waited.
        master.race.participants.clear();
        slave.engine.start(
            StationRole::Slave, QStringLiteral("S"), QStringLiteral("Vexlo Race"), testStationKey);
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QTRY_COMPARE(countOf(master.race, read.id), 1);
        QTRY_COMPARE(slave.engine.pendingResultCount(), 0);
    }

    // At the protocol's own limit: a peer holding the key announces a longer frame after the hello.
    void slaveStopsAtAFrameBeyondTheProtocolLimit()
    {
        LogCapture log;
        LoopbackDirectory directory;
        PskServer master(pskOf(testStationKey));
        master.onEncrypted = [](QSslSocket *socket) {
            QByteArray header(4, Qt::Uninitialized);
            qToBigEndian<quint32>(maxSyncFrameBodyBytes + 1, header.data());
            socket->write(header);
        };
        auto advertisement = directory.factory()();
        advertisement->advertise(QStringLiteral("Vexlo Race"), master.serverPort());
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        QTRY_COMPARE(slave.engine.statusLevel(), SyncStatusLevel::Failed);
        QCOMPARE(slave.engine.statusText(),
            QStringLiteral(
                "Stopped: the master sent an event of 268435457 bytes, more than the 268435456 this "
                "station accepts. Make sure every station runs the same version of Vexlo, then "
                "start this station again."));
        QTest::qWait(400);
        QCOMPARE(master.handshakes, 1);
    }
};

QTEST_GUILESS_MAIN(TestSyncSnapshotLimit)
#include "tst_syncsnapshotlimit.moc"
