// The bounds on what a station takes in, over real TLS on 127.0.0.1 with the bounds lowered: an
// event many times the largest frame a slave takes reaches it in pieces; a master that cannot send
// its event says so and so does its slave, and a slave sent a frame larger than it takes stops and
// says why, and neither fetches or sends the same snapshot again and again.

#include "log.h"
#include "racejson.h"
#include "syncmessage.h"
#include "testenvironment.h"
#include "teststation.h"

#include <QSignalSpy>
#include <QTest>

namespace {

constexpr quint32 limit = 64 * 1024;

// An event of `entries` runners, each name 200 letters that no packing shrinks.
Race raceOf(int entries)
{
    Race race;
    race.name = QStringLiteral("Large");
    for (int i = 0; i < entries; ++i) {
        Participant p;
        QByteArray name;
        while (name.size() < 200)
            name += QUuid::createUuid().toRfc4122().toHex();
        p.givenName = QString::fromLatin1(name.left(200));
        p.cardNumber = QString::number(100000 + i);
        race.participants.append(p);
    }
    return race;
}

// The length of the first frame of the snapshot of `race` (at the master's number `sequence`)
// that is longer than `bytes`.
qint64 firstFrameLongerThan(const Race &race, qint64 sequence, qint64 bytes)
{
    SyncMessage head {SyncMessageKind::Snapshot, QStringLiteral("M"), std::nullopt, std::nullopt};
    head.series = QUuid::createUuid();
    head.sequence = sequence;
    SnapshotPieces pieces(head, race);
    for (qint64 i = 0; i < pieces.count(); ++i)
        if (const qint64 length = pieces.pieceFrame(i)->size() - 4; length > bytes)
            return length;
    return -1;
}

} // namespace

class TestSyncSnapshotLimit : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    // An event four times the largest frame the slave takes goes to it in pieces, and so do its
    // changes after it.
    void anEventLargerThanAFrameReachesTheSlave()
    {
        LogCapture log;
        LoopbackDirectory directory;
        StationOptions options;
        options.limits.maxSnapshotBytes = 1024 * 1024;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race = raceOf(15000);
        QVERIFY(encodeRace(master.race, JsonLayout::Compact)->size() > 4 * options.limits.maxSnapshotBytes);
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        QTRY_COMPARE(slave.race.participants.size(), master.race.participants.size());
        QCOMPARE(*encodeRace(slave.race, JsonLayout::Compact), *encodeRace(master.race, JsonLayout::Compact));
        QCOMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        const PersonResult read = result(QStringLiteral("100007"), 1800);
        slave.read(read);
        QTRY_COMPARE(countOf(master.race, read.id), 1);
        QTRY_COMPARE(slave.engine.pendingResultCount(), 0);
        QCOMPARE(countOf(slave.race, read.id), 1);
        QCOMPARE(master.engine.traffic().snapshots, 1);
        QVERIFY2(!log.lines().join('\n').contains(QStringLiteral("asked the master")),
            qPrintable(log.lines().join('\n')));
    }

    // A master whose event cannot be written (a length that is not a number) keeps it and says
    // so; its slave says it has no copy of the event, in the master's words, and sends its reads.
    void masterKeepsAnEventItCannotSend()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race = raceOf(3);
        Course broken;
        broken.name = QStringLiteral("Broken");
        broken.lengthMeters = qQNaN();
        master.race.courses.append(broken);
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        const QString cannot
            = QStringLiteral("The event cannot be sent to the stations (courses[0].lengthMeters: "
                             "number is not finite). They keep the event they last received "
                             "and still send their results here.");
        QTRY_COMPARE(master.engine.statusText(), cannot);
        QCOMPARE(master.engine.statusLevel(), SyncStatusLevel::Failed);
        QTRY_COMPARE(slave.engine.statusText(),
            QStringLiteral("Connected to master, but this station has no copy of the event yet (%1). Cards "
                           "read here go to the master, which records them.")
                .arg(cannot));
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
        QCOMPARE(master.engine.statusText(), cannot);
        QCOMPARE(master.engine.connectedStationCount(), 1);

        // An event that can be sent goes out again, and the master says it runs.
        master.race.courses.first().lengthMeters = 4200;
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

    // A master that sends a longer frame than this station accepts (here: the slave's bound
    // lowered below a piece of the snapshot): a real oversized frame on the wire.
    void slaveSentAnOversizedSnapshotStopsAndSaysWhy()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race = raceOf(1000);
        QSignalSpy stations(&master.engine, &SyncEngine::connectedStationCountChanged);
        StationOptions options;
        options.limits.maxSnapshotBytes = limit;
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        QTRY_COMPARE(slave.engine.statusLevel(), SyncStatusLevel::Failed);
        const qint64 body = firstFrameLongerThan(master.race, master.engine.sequence(), limit);
        QVERIFY(body > limit);
        const QString stopped = QStringLiteral("Stopped: the master sent an event of %1 bytes, more than the "
                                               "65536 this station accepts. Make sure every station runs the "
                                               "same version of Vexlo, then start this station again.")
                                    .arg(body);
        QCOMPARE(slave.engine.statusText(), stopped);
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
