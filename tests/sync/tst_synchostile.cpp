// Stations on a network they do not own, over real TLS on 127.0.0.1: strangers without the key,
// a rogue master, two masters, a peer that never reads, floods of idle connections and a master
// that vanishes without closing anything.

#include "log.h"
#include "racechanges.h"
#include "racejson.h"
#include "syncmessage.h"
#include "teststation.h"
#include "tlspeer.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

namespace {

const QString secretName = QStringLiteral("Ingeborg Secretsdottir");
const QString secretCard = QStringLiteral("8675309");

Race secretRace()
{
    Race race;
    race.name = QStringLiteral("Members only");
    Participant p;
    p.givenName = secretName;
    p.cardNumber = secretCard;
    race.participants.append(p);
    return race;
}

// An event whose snapshot is about `bytes` long.
Race largeRace(qsizetype bytes)
{
    Race race;
    race.name = QStringLiteral("Large");
    const QString padding(200, QLatin1Char('x'));
    while (encodeRace(race, JsonLayout::Compact)->size() < bytes)
        for (int i = 0; i < 500; ++i) {
            Participant p;
            p.givenName = padding;
            p.cardNumber = QString::number(100000 + race.participants.size());
            race.participants.append(p);
        }
    return race;
}

// A proven slave on a thread of its own that says hello and then never reads again: everything
// the master sends piles up in the system's buffers and then in the master's.
class StalledPeer : public QThread
{
public:
    explicit StalledPeer(quint16 port)
        : m_port(port)
    { }
    ~StalledPeer() override
    {
        release();
        wait();
    }
    void release() { m_release.release(); }
    QSemaphore proven;
    // Once released: every body read to the end of the stream (the master closing its end).
    QList<QByteArray> bodies;

protected:
    void run() override
    {
        auto socket = pskClient(m_port, pskOf(testStationKey));
        if (!socket->waitForEncrypted(testwaits::ceilingMs))
            return;
        socket->write(frameOf(R"({"kind":"hello","stationId":"stalled","protocol":)"
            + QByteArray::number(syncProtocolVersion) + '}'));
        socket->waitForBytesWritten(testwaits::ceilingMs);
        proven.release();
        m_release.acquire();
        SyncFrameReader reader;
        const auto take = [&] {
            for (const QByteArray &body : reader.feed(socket->readAll()))
                if (!body.isEmpty())
                    bodies.append(body);
        };
        // Until the master closes the connection: a pause in what arrives is no end. The time-out
        // only keeps a broken run from hanging.
        while (socket->waitForReadyRead(120000))
            take();
        take();
    }

private:
    quint16 m_port;
    QSemaphore m_release;
};

} // namespace

class TestSyncHostile : public QObject
{
    Q_OBJECT

private slots:
    void strangersWithoutTheKeyLearnAndChangeNothing()
    {
        LogCapture log;
        LoopbackDirectory directory;
        StationOptions options;
        // Far longer than any handshake takes, however slow the run: the strangers below are
        // refused for what they send, and only the trickle for its time.
        options.limits.handshakeTimeout = 2s;
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        master.race = secretRace();
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        const quint16 port = master.engine.listenPort();

        // In plain TCP, as the old protocol spoke: a hello and a forged result.
        QTcpSocket plain;
        plain.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(plain.waitForConnected(testwaits::ceilingMs));
        const quint16 plainPort = plain.localPort();
        const PersonResult forged = result(secretCard, 1);
        plain.write(
            *frameSyncMessage({SyncMessageKind::Hello, QStringLiteral("X"), std::nullopt, std::nullopt})
            + *frameSyncMessage({SyncMessageKind::SubmitResult, QStringLiteral("X"), std::nullopt, forged}));
        QByteArray heard;
        QTRY_VERIFY((heard += plain.readAll(), plain.state() == QAbstractSocket::UnconnectedState));
        heard += plain.readAll();
        QVERIFY(!heard.contains(secretName.toUtf8()));
        QVERIFY(!heard.contains(secretCard.toUtf8()));
        QVERIFY(!heard.contains("Members only"));
        QCOMPARE(master.engine.refusalText(),
            QStringLiteral("Refused 127.0.0.1:%1: it did not prove the station key").arg(plainPort));

        // TLS with another event's key: the handshake fails, nothing is decrypted on either side.
        const auto wrongKey = pskClient(port, pskOf(otherStationKey));
        QSignalSpy failed(wrongKey.get(), &QSslSocket::errorOccurred);
        quint16 wrongKeyPort = 0;
        connect(wrongKey.get(), &QSslSocket::connected, this, [&] { wrongKeyPort = wrongKey->localPort(); });
        QTRY_VERIFY(!failed.isEmpty());
        QVERIFY(!wrongKey->isEncrypted());
        const auto error = failed.first().first().value<QAbstractSocket::SocketError>();
        QVERIFY(error == QAbstractSocket::SslHandshakeFailedError
            || error == QAbstractSocket::RemoteHostClosedError);
        QTRY_COMPARE(master.engine.refusalText(),
            QStringLiteral("Refused 127.0.0.1:%1: it did not prove the station key").arg(wrongKeyPort));

        // The start of a handshake record, then one byte every 50 ms: out when its time is up (the
        // time-out is a coarse timer, which may fire up to 5 % early).
        QTcpSocket trickle;
        trickle.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(trickle.waitForConnected(testwaits::ceilingMs));
        const quint16 tricklePort = trickle.localPort();
        QElapsedTimer since;
        since.start();
        trickle.write(QByteArray::fromHex("1603014000"));
        QVERIFY(spinUntil([&] {
            trickle.write("\x01", 1);
            QTest::qWait(50);
            return trickle.state() == QAbstractSocket::UnconnectedState;
        }));
        QVERIFY(since.elapsed() >= 1900);
        QCOMPARE(master.engine.refusalText(),
            QStringLiteral("Refused 127.0.0.1:%1: it did not prove the station key in time")
                .arg(tricklePort));

        QCOMPARE(master.submissions, 0);
        QCOMPARE(master.race.results.size(), 0);
        QCOMPARE(master.engine.connectedStationCount(), 1);
        QVERIFY(!log.lines().join('\n').contains(QStringLiteral("dropped")));
    }

    void rogueMasterWithoutTheKeyGetsNothing()
    {
        LoopbackDirectory directory;
        StationOptions rogueOptions;
        rogueOptions.key = otherStationKey;
        Station rogue(directory, StationRole::Master, QStringLiteral("R"), rogueOptions);
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        const PersonResult first = result(QStringLiteral("1"), 100);
        slave.read(first);
        QTRY_COMPARE(slave.engine.refusalText(),
            QStringLiteral("Could not join \"Vexlo Race\" at 127.0.0.1:%1: the station keys do not match")
                .arg(rogue.engine.listenPort()));
        QVERIFY(slave.engine.statusText() != QStringLiteral("Connected to master"));
        QCOMPARE(slave.engine.statusLevel(), SyncStatusLevel::Working);

        // The event's master appears under the same name: the slave finds it among the two.
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QTRY_COMPARE(countOf(master.race, first.id), 1);
        const PersonResult second = result(QStringLiteral("2"), 200);
        slave.read(second);
        QTRY_COMPARE(countOf(master.race, second.id), 1);
        QCOMPARE(rogue.submissions, 0);
        QCOMPARE(rogue.engine.connectedStationCount(), 0);
        QVERIFY(!rogue.engine.refusalText().isEmpty());
    }

    // The organiser types the master's key on a running slave that was refused: it joins at once,
    // not at its next try (an hour away here), and needs no restart. Given another key while
    // joined, it leaves the master it no longer shares a key with.
    void slaveTakesANewKeyWhileRunning()
    {
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), {.key = otherStationKey});
        slave.engine.stop();
        slave.engine.setReconnectDelays(std::chrono::hours(1), std::chrono::hours(1));
        slave.engine.start(
            StationRole::Slave, QStringLiteral("S"), QStringLiteral("Vexlo Race"), otherStationKey);
        QTRY_COMPARE(slave.engine.refusalText(),
            QStringLiteral("Could not join \"Vexlo Race\" at 127.0.0.1:%1: the station keys do not match")
                .arg(master.engine.listenPort()));
        slave.engine.setStationKey(QStringLiteral("7kqm 2d9x hc4p"));
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QCOMPARE(slave.engine.refusalText(), QString());
        QTRY_COMPARE(master.engine.connectedStationCount(), 1);

        slave.engine.setStationKey(otherStationKey);
        QTRY_COMPARE(master.engine.connectedStationCount(), 0);
        QTRY_VERIFY(slave.engine.refusalText().endsWith(QStringLiteral("the station keys do not match")));
        QVERIFY(slave.engine.isRunning());
    }

    void slaveJoinsOnlyTheMasterItIsSetTo()
    {
        LoopbackDirectory directory;
        StationOptions north;
        north.serviceName = QStringLiteral("North");
        StationOptions south;
        south.serviceName = QStringLiteral("South");
        // Same key, as two events run by one club might have: only the name tells them apart.
        Station northMaster(directory, StationRole::Master, QStringLiteral("N"), north);
        QTRY_COMPARE(directory.services().size(), 1);
        Station southMaster(directory, StationRole::Master, QStringLiteral("SM"), south);
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), south);
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QList<PersonResult> reads;
        for (int i = 0; i < 5; ++i) {
            reads.append(result(QString::number(500 + i), 100 + i));
            slave.read(reads.last());
        }
        QTRY_COMPARE(southMaster.race.results.size(), 5);
        QCOMPARE(northMaster.submissions, 0);
        QCOMPARE(northMaster.engine.connectedStationCount(), 0);
        QCOMPARE(southMaster.engine.connectedStationCount(), 1);

        // A slave set to a name nobody advertises joins nobody.
        StationOptions east;
        east.serviceName = QStringLiteral("East");
        Station lost(directory, StationRole::Slave, QStringLiteral("L"), east);
        QTRY_COMPARE(lost.engine.statusText(), QStringLiteral("Searching for master \"East\"..."));
        // It has been told of both masters, and connects to neither.
        QTRY_VERIFY(directory.settled());
        QCOMPARE(lost.engine.openConnectionCount(), 0);
    }

    void aPeerThatNeverReadsHoldsOnlyTheNewestSnapshot()
    {
        LoopbackDirectory directory;
        // The peer sends nothing after its hello: the master must not take it for vanished while
        // the test runs, however slowly.
        StationOptions options;
        options.limits.silenceTimeout = std::chrono::hours(1);
        options.limits.maxQueuedChangeBytes = 2 * 1024 * 1024;
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        master.race = largeRace(4 * 1024 * 1024);
        // Names no packing shrinks much: every change renames every runner.
        const auto renameAll = [&](int change) {
            for (Participant &p : master.race.participants)
                p.givenName = QUuid::createUuid().toString() + QString::number(change);
        };
        renameAll(0);
        const qsizetype frameBytes
            = frameSyncMessage({SyncMessageKind::Snapshot, QStringLiteral("M"), master.race, {}})->size();
        StalledPeer stalled(master.engine.listenPort());
        stalled.start();
        QVERIFY(spinUntil([&] { return stalled.proven.available() > 0; }));
        QTRY_COMPARE(master.engine.connectedStationCount(), 1);
        qint64 peak = 0;
        for (int change = 1; change <= 10; ++change) {
            master.race.name = QStringLiteral("Change %1").arg(change);
            renameAll(change);
            master.commit();
            spinUntil([] { return false; }, 50);
            peak = std::max(peak, master.engine.queuedOutputBytes());
        }
        // The frame being written, the changes waiting up to their bound (past it, the newest
        // snapshot instead of them) and the socket's own buffers: up to two slices of 256 KiB,
        // which may still hold the end of an earlier frame once the next is begun.
        QVERIFY2(peak <= options.limits.maxQueuedChangeBytes + 2 * frameBytes + 2 * 256 * 1024,
            qPrintable(QStringLiteral("%1 bytes queued for frames of %2").arg(peak).arg(frameBytes)));
        QVERIFY(peak > frameBytes / 2);
        // Released: what it reads adds up to the newest event. Once the master has handed
        // everything to the system it closes its end, which ends the stream.
        stalled.release();
        QTRY_COMPARE(master.engine.queuedOutputBytes(), 0);
        QCOMPARE(master.engine.connectedStationCount(), 1);
        master.engine.stop();
        QVERIFY(spinUntil([&] { return stalled.isFinished(); }));
        // Read as a slave reads them: snapshots in pieces, changes in order, each checked by its
        // digest; nothing asked for again.
        std::optional<Race> followed;
        SlaveMirror mirror(maxSyncFrameBodyBytes);
        for (const QByteArray &body : std::as_const(stalled.bodies)) {
            SlaveEvent event = mirror.take(body);
            QVERIFY2(event.kind != SlaveEvent::Kind::WantSnapshot, qPrintable(event.reason));
            if (event.kind == SlaveEvent::Kind::State)
                followed = event.race;
        }
        QVERIFY(followed);
        QCOMPARE(followed->name, QStringLiteral("Change 10"));
        QCOMPARE(*encodeRace(*followed, JsonLayout::Compact), *encodeRace(master.race, JsonLayout::Compact));
    }

    void aFullMasterSaysSoAndSoDoesTheSlaveItTurnsAway()
    {
        LoopbackDirectory directory;
        StationOptions options;
        options.limits.maxStations = 1;
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        Station first(directory, StationRole::Slave, QStringLiteral("A"));
        QTRY_COMPARE(first.engine.statusText(), QStringLiteral("Connected to master"));
        Station second(directory, StationRole::Slave, QStringLiteral("B"));
        const QString prefix = QStringLiteral("Could not join \"Vexlo Race\" at 127.0.0.1:%1: ")
                                   .arg(master.engine.listenPort());
        QTRY_COMPARE(
            second.engine.refusalText(), prefix + QStringLiteral("the master closed the connection"));
        QVERIFY(master.engine.refusalText().startsWith(QStringLiteral("Refused 127.0.0.1:")));
        QVERIFY(master.engine.refusalText().endsWith(QStringLiteral(": too many stations connected")));
        QCOMPARE(master.engine.connectedStationCount(), 1);
        // A place comes free: the turned-away slave joins at its next attempt.
        first.engine.stop();
        QTRY_COMPARE(second.engine.statusText(), QStringLiteral("Connected to master"));
        QCOMPARE(second.engine.refusalText(), QString());
    }

    void aSlaveTakesSnapshotsLargerThanTheMastersInputBudget()
    {
        LoopbackDirectory directory;
        StationOptions options;
        options.limits.totalInputBudget = 256 * 1024;
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        master.race = largeRace(1024 * 1024);
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        QTRY_COMPARE(slave.race.participants.size(), master.race.participants.size());
        QCOMPARE(slave.engine.connectedStationCount(), 1);
    }

    void aFloodOfIdleConnectionsKeepsNoStationOut()
    {
        LogCapture log;
        LoopbackDirectory directory;
        StationOptions options;
        options.limits.handshakeTimeout = 2s;
        options.limits.maxHandshakes = 16;
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        const quint16 port = master.engine.listenPort();
        std::vector<std::unique_ptr<QTcpSocket>> flood;
        const auto openMore = [&](int count) {
            for (int i = 0; i < count; ++i) {
                auto socket = std::make_unique<QTcpSocket>();
                socket->connectToHost(QStringLiteral("127.0.0.1"), port);
                QVERIFY(socket->waitForConnected(testwaits::ceilingMs));
                flood.push_back(std::move(socket));
                if (i % 10 == 0)
                    QCoreApplication::processEvents();
            }
        };
        openMore(150);
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        openMore(150);
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QTRY_VERIFY(master.engine.openConnectionCount() <= options.limits.maxHandshakes + 1);
        QCOMPARE(master.engine.connectedStationCount(), 1);
        QVERIFY(log.lines().join('\n').contains(
            QStringLiteral("too many connections waiting to prove the station key")));
        const PersonResult read = result(QStringLiteral("9"), 9);
        slave.read(read);
        QTRY_COMPARE(countOf(master.race, read.id), 1);
    }

    void aVanishedMasterIsNoticedAndAReturningOneJoined()
    {
        LoopbackDirectory directory;
        // A master that completes the handshake and then never sends a byte again, nor closes.
        PskServer silent(pskOf(testStationKey));
        auto advertisement = directory.factory()();
        advertisement->advertise(QStringLiteral("Vexlo Race"), silent.serverPort());
        // Short enough for a quick test, long enough that a process held up by a busy machine
        // (the heartbeat's timer then comes due before the bytes heard meanwhile are read) is not
        // taken for a silent one.
        constexpr auto silence = 1500ms;
        StationOptions options;
        options.limits.heartbeatInterval = 100ms;
        options.limits.silenceTimeout = silence;
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        QElapsedTimer clock;
        clock.start();
        // The station as it showed when it first joined and when it first noticed the silence:
        // the slave joins the silent end again moments later, so neither lasts to be looked at.
        struct Seen
        {
            qint64 at = -1;
            QString text;
            SyncStatusLevel level = SyncStatusLevel::Idle;
            int stations = -1;
        };
        Seen joined;
        Seen noticed;
        connect(&slave.engine, &SyncEngine::statusTextChanged, this, [&] {
            const QString text = slave.engine.statusText();
            // A master that never sends its event: the slave has no copy of it yet.
            Seen *seen = text.startsWith(QStringLiteral("Connected to master")) ? &joined
                : text.startsWith(QStringLiteral("Disconnected"))               ? &noticed
                                                                                : nullptr;
            if (seen && seen->at < 0)
                *seen = {
                    clock.elapsed(), text, slave.engine.statusLevel(), slave.engine.connectedStationCount()};
        });
        QTRY_VERIFY(joined.at >= 0);
        QCOMPARE(joined.text,
            QStringLiteral("Connected to master, but this station has no copy of the event yet (it is on its "
                           "way). Cards read here go to the master, which records them."));
        QCOMPARE(joined.level, SyncStatusLevel::Working);
        QTRY_VERIFY(noticed.at >= 0);
        QCOMPARE(noticed.text, QStringLiteral("Disconnected from master — searching..."));
        // Not at once: after the silence time-out, at the next heartbeat.
        QVERIFY2(
            noticed.at - joined.at >= silence.count(), qPrintable(QString::number(noticed.at - joined.at)));
        QCOMPARE(noticed.stations, 0);
        QCOMPARE(noticed.level, SyncStatusLevel::Working);
        // The slave's heartbeats reached the silent end while it listened.
        QVERIFY(!silent.sockets.isEmpty());

        advertisement.reset();
        silent.close();
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        master.race.name = QStringLiteral("Back again");
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QTRY_COMPARE(slave.race.name, QStringLiteral("Back again"));
        // Heartbeats keep a quiet but living link up well past the silence time-out.
        QTest::qWait(int(silence.count() * 2));
        QCOMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        QCOMPARE(master.engine.connectedStationCount(), 1);
    }

    void defaultsNoticeAVanishedPeerWithinThirtySeconds()
    {
        const SyncLimits limits;
        QVERIFY(limits.silenceTimeout + limits.heartbeatInterval <= 30s);
        QVERIFY(limits.heartbeatInterval * 2 < limits.silenceTimeout);
    }

    void failuresAreNeverShownAsGood()
    {
        LoopbackDirectory directory;
        SyncEngine engine(directory.factory());
        engine.start(StationRole::Slave, QStringLiteral("S"), QStringLiteral("Vexlo Race"),
            QStringLiteral("too short"));
        QCOMPARE(engine.statusText(), QStringLiteral("No station key"));
        QCOMPARE(engine.statusLevel(), SyncStatusLevel::Failed);
        QVERIFY(!engine.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestSyncHostile)
#include "tst_synchostile.moc"
