// Stations over real TCP on 127.0.0.1: a master and slaves found through a directory inside the
// test process, raw sockets playing hostile peers.

#include "casetable.h"
#include "log.h"
#include "loopbackdirectory.h"
#include "racechanges.h"
#include "racegenerator.h"
#include "racejson.h"
#include "storefakes.h"
#include "syncengine.h"
#include "syncmessage.h"
#include "teststation.h"
#include "tlspeer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

// A case's message text with its placeholders filled: $RACE a small event, $RESULT one result.
static QByteArray withRaceAndResult(const QString &text)
{
    Race race;
    race.name = QStringLiteral("Spring Cup");
    const QByteArray raceJson = *encodeRace(race, JsonLayout::Compact);
    const QByteArray resultJson
        = *encodePersonResult(result(QStringLiteral("8001234"), 1800), JsonLayout::Compact);
    return text.toUtf8().replace("$RACE", raceJson).replace("$RESULT", resultJson);
}

// What a master sends a station, a snapshot in pieces as its own connections take it.
struct PieceConnection : RecordingConnection
{
    [[nodiscard]] bool takesSnapshotPieces() const override { return true; }
};

class TestSyncEngine : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QByteArray>("body");
        int line = 0;
        for (const QStringList &cells : casetable::rows(QStringLiteral("sync/messages.txt")))
            QTest::addRow("case %d", ++line) << cells[0] << withRaceAndResult(cells[1]);
    }

    void decode()
    {
        QFETCH(QString, expected);
        QFETCH(QByteArray, body);
        // Read from bytes of its own, overwritten and let go once read: the message must hold
        // nothing of them (a snapshot's event is read straight from the received bytes).
        QByteArray received(body.constData(), body.size());
        const auto message = decodeSyncMessage(received);
        received.fill('#');
        received = QByteArray();
        if (expected == QLatin1String("drop")) {
            QVERIFY(!message);
            return;
        }
        QVERIFY(message);
        const auto kept = decodeSyncMessage(body);
        QVERIFY(kept);
        QCOMPARE(*encodeSyncMessage(*message), *encodeSyncMessage(*kept));
        QString got = toText(message->kind);
        if (message->race)
            got += QStringLiteral("+race");
        if (message->result)
            got += QStringLiteral("+result");
        QCOMPARE(got, expected);
        // What decodes encodes again to the same message.
        const auto again = decodeSyncMessage(*encodeSyncMessage(*message));
        QCOMPARE(again->stationId, message->stationId);
        QCOMPARE(again->race.has_value(), message->race.has_value());
    }

    void encodedBytes_data()
    {
        QTest::addColumn<QByteArray>("body");
        int line = 0;
        for (const QStringList &cells : casetable::rows(QStringLiteral("sync/encoded.txt")))
            QTest::addRow("case %d", ++line) << withRaceAndResult(cells[0]);
    }

    void encodedBytes()
    {
        QFETCH(QByteArray, body);
        const auto message = decodeSyncMessage(body);
        QVERIFY(message);
        QCOMPARE(*encodeSyncMessage(*message), body);
        QCOMPARE(*frameSyncMessage(*message), frame(body));
    }

    void largeFramesOneAfterAnother()
    {
        // Frames of several megabytes built while an earlier one is still held, after it was let
        // go, larger than the one before and then small again: each holds its own message's bytes.
        const auto snapshot = [](qsizetype nameLength, char fill) {
            Race race;
            race.name = QString(nameLength, QLatin1Char(fill));
            return SyncMessage {SyncMessageKind::Snapshot, QStringLiteral("M"), race, std::nullopt};
        };
        const SyncMessage big = snapshot(6 << 20, 'a');
        const SyncMessage smaller = snapshot(5 << 20, 'b');
        const SyncMessage tiny = snapshot(3, 'c');
        const QByteArray bigFrame = frame(*encodeSyncMessage(big));
        const QByteArray smallerFrame = frame(*encodeSyncMessage(smaller));
        const QByteArray tinyFrame = frame(*encodeSyncMessage(tiny));
        {
            const QByteArray held = *frameSyncMessage(big);
            QCOMPARE(*frameSyncMessage(smaller), smallerFrame);
            QCOMPARE(held, bigFrame);
        }
        QCOMPARE(*frameSyncMessage(smaller), smallerFrame);
        const QByteArray heldBig = *frameSyncMessage(big);
        QCOMPARE(heldBig, bigFrame);
        QCOMPARE(*frameSyncMessage(big), bigFrame);
        const QByteArray heldTiny = *frameSyncMessage(tiny);
        QCOMPARE(heldTiny, tinyFrame);
        QVERIFY(heldTiny.capacity() < 1024);
        QCOMPARE(*frameSyncMessage(smaller), smallerFrame);
        QCOMPARE(heldBig, bigFrame);
    }

    void framesInAnySplit()
    {
        // Large bodies are handed out as the reader's own buffer, and one of more than a megabyte
        // gets its room in one go: the frames behind them must come out whole all the same.
        QByteArray large(2'100'000, 'y');
        for (qsizetype i = 0; i < large.size(); i += 4099)
            large[i] = char('a' + i % 26);
        const QList<QByteArray> bodies {"{\"kind\":\"hello\",\"stationId\":\"A\"}", QByteArray(),
            QByteArray(70000, 'x'), "{}", large, QByteArray(), "{\"kind\"}", large.left(65536)};
        QByteArray stream;
        for (const QByteArray &body : bodies)
            stream += frame(body);
        for (int chunk : {1, 3, 7, 4096, 65540, 262144, int(stream.size())}) {
            SyncFrameReader reader;
            QList<QByteArray> got;
            for (qsizetype at = 0; at < stream.size(); at += chunk)
                got += reader.feed(stream.mid(at, chunk));
            QCOMPARE(got, bodies);
        }
        SyncFrameReader reader(1000);
        QVERIFY(reader.feed(frame(QByteArray(1000, 'a'))).size() == 1);
        QVERIFY(reader.feed(QByteArray::fromHex("000003e9")).isEmpty());
        QVERIFY(reader.failed());
        QCOMPARE(reader.refusedLength(), 1001u);
    }

    void aSlaveTakesInTheMastersEventsInOrderEndingWithTheNewest()
    {
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race.name = QStringLiteral("0");
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        QStringList names;
        slave.engine.onSnapshotReceived = [&](Race received) {
            names.append(received.name);
            slave.race = std::move(received);
        };
        QTRY_COMPARE(slave.race.name, QStringLiteral("0"));
        // The master's first state, sent whole to the one station there is, is sent once.
        QCOMPARE(master.engine.traffic().snapshots, 1);
        // Events that take a while to read (8 MB each), sent one right behind the other: the
        // slave may skip any but the last, and never hands on an older one after a newer.
        Race race = generatedRaceOfSize(500);
        for (int i = 1; i <= 8; ++i) {
            race.name = QString::number(i);
            master.race = race;
            master.commit();
        }
        QTRY_COMPARE(slave.race.name, QStringLiteral("8"));
        for (qsizetype i = 1; i < names.size(); ++i)
            QVERIFY2(names[i].toInt() > names[i - 1].toInt(), qPrintable(names.join(u' ')));
        QCOMPARE(slave.race.participants.size(), race.participants.size());
        QCOMPARE(slave.race.results.size(), race.results.size());
    }

    void helloGetsTheRaceAndReadsReachEveryStation()
    {
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race.name = QStringLiteral("Spring Cup");
        QCOMPARE(master.engine.statusText(), QStringLiteral("Master running, advertising \"Vexlo Race\""));
        Station a(directory, StationRole::Slave, QStringLiteral("A"));
        Station b(directory, StationRole::Slave, QStringLiteral("B"));
        // The master answers each hello with its race: no slave waits for the next change.
        QTRY_COMPARE(a.race.name, QStringLiteral("Spring Cup"));
        QTRY_COMPARE(b.race.name, QStringLiteral("Spring Cup"));
        QCOMPARE(a.engine.statusText(), QStringLiteral("Connected to master"));
        QCOMPARE(master.engine.connectedStationCount(), 2);

        const PersonResult read = result(QStringLiteral("8001234"), 1800);
        a.read(read);
        QCOMPARE(a.engine.pendingResultCount(), 1);
        QTRY_COMPARE(countOf(b.race, read.id), 1);
        QCOMPARE(countOf(master.race, read.id), 1);
        QTRY_COMPARE(a.engine.pendingResultCount(), 0);
        QCOMPARE(countOf(a.race, read.id), 1);

        master.race.name = QStringLiteral("Spring Cup, day 2");
        master.commit();
        QTRY_COMPARE(a.race.name, master.race.name);
        QTRY_COMPARE(b.race.name, master.race.name);
    }

    void masterRestartLosesAndDoublesNothing()
    {
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        Station a(directory, StationRole::Slave, QStringLiteral("A"));
        QTRY_COMPARE(a.engine.statusText(), QStringLiteral("Connected to master"));
        const PersonResult before = result(QStringLiteral("1"), 100);
        a.read(before);
        QTRY_COMPARE(countOf(master.race, before.id), 1);
        // The master's acknowledgement reaches the slave a moment after the result reached the
        // master; only then is nothing of the first read left waiting.
        QTRY_COMPARE(a.engine.pendingResultCount(), 0);

        master.engine.stop();
        QTRY_COMPARE(a.engine.statusText(), QStringLiteral("Disconnected from master — searching..."));
        QCOMPARE(a.engine.connectedStationCount(), 0);
        const PersonResult second = result(QStringLiteral("2"), 200);
        const PersonResult third = result(QStringLiteral("3"), 300);
        a.read(second);
        a.read(third);
        QCOMPARE(a.engine.pendingResultCount(), 2);

        // Back on another port: the slave finds it again and hands over what it read meanwhile.
        master.engine.start(
            StationRole::Master, QStringLiteral("M"), QStringLiteral("Vexlo Race"), testStationKey);
        QTRY_COMPARE(a.engine.pendingResultCount(), 0);
        for (const PersonResult &r : {before, second, third}) {
            QCOMPARE(countOf(master.race, r.id), 1);
            QCOMPARE(countOf(a.race, r.id), 1);
        }
    }

    void snapshotsKeepResultsTheMasterHasNotSeen()
    {
        LoopbackDirectory directory;
        Station a(directory, StationRole::Slave, QStringLiteral("A"));
        const PersonResult offline = result(QStringLiteral("5"), 500);
        a.read(offline); // no master yet
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race.name = QStringLiteral("Night O");
        // The master's first answer may come before it has stored the result; the slave keeps it.
        QTRY_COMPARE(a.race.name, QStringLiteral("Night O"));
        QCOMPARE(countOf(a.race, offline.id), 1);
        QTRY_COMPARE(countOf(master.race, offline.id), 1);
    }

    void aResultTheMasterHoldsIsNotSentAgainOverItsCorrection()
    {
        LoopbackDirectory directory;
        Station a(directory, StationRole::Slave, QStringLiteral("A"));
        // Read here and taken by the master, but this slave went down before a snapshot said so.
        const PersonResult read = result(QStringLiteral("6"), 600);
        a.read(read);
        QCOMPARE(a.engine.pendingResultCount(), 1);
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        PersonResult corrected = read;
        corrected.raceTime = 610; // the organiser's correction at the master meanwhile
        master.race.results.append(corrected);
        QTRY_COMPARE(a.engine.pendingResultCount(), 0);
        // Frames arrive in order: once a later read is in, whatever the slave sent before it is too.
        const PersonResult next = result(QStringLiteral("7"), 700);
        a.read(next);
        QTRY_COMPARE(countOf(master.race, next.id), 1);
        QCOMPARE(master.race.results.first().raceTime, std::optional<double>(610));
        QCOMPARE(master.submissions, 1);
        QTRY_COMPARE(a.race.results.first().raceTime, std::optional<double>(610));
    }

    void wrongKindForTheRoleIsDroppedAndLogged()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race.name = QStringLiteral("Mine");
        // One of the event's own stations, misbehaving: it holds the key.
        const auto intruder = pskClient(master.engine.listenPort(), pskOf(testStationKey));
        QTRY_VERIFY(intruder->isEncrypted());
        Race other;
        other.name = QStringLiteral("Theirs");
        intruder->write(
            *frameSyncMessage({SyncMessageKind::Snapshot, QStringLiteral("X"), other, std::nullopt}));
        QTRY_COMPARE(log.lines().size(), 1);
        QVERIFY2(
            log.lines().first().startsWith(QStringLiteral("SyncEngine: dropped a snapshot from 127.0.0.1:")),
            qPrintable(log.lines().first()));
        QCOMPARE(master.race.name, QStringLiteral("Mine"));

        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        RecordingConnection peer;
        slave.engine.receive(&peer,
            *encodeSyncMessage(
                {SyncMessageKind::SubmitResult, QStringLiteral("X"), std::nullopt, result("9", 9)}));
        QVERIFY(slave.race.results.isEmpty());
        QVERIFY(log.lines().last().contains(QStringLiteral("dropped a result")));
    }

    void hostilePeersNeitherStopNorCorruptTheMaster()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        QTRY_COMPARE(slave.engine.statusText(), QStringLiteral("Connected to master"));
        const quint16 port = master.engine.listenPort();
        const QByteArray key = pskOf(testStationKey);
        const auto oversized = pskClient(port, key);
        QTRY_VERIFY(oversized->isEncrypted());
        // A master takes results and hellos only: a frame larger than any result is refused.
        oversized->write(QByteArray::fromHex("00100001") + QByteArray(64, 'x'));
        QTRY_COMPARE(oversized->state(), QAbstractSocket::UnconnectedState);
        QVERIFY(log.lines().join('\n').contains(QStringLiteral("announced a frame of 1048577 bytes")));

        // Garbage, then a good frame on the same connection: the good one is taken.
        const auto mixed = pskClient(port, key);
        QTRY_VERIFY(mixed->isEncrypted());
        const PersonResult good = result(QStringLiteral("77"), 770);
        mixed->write(frame("{not json") + frame("{\"kind\":\"Snapshot\",\"stationId\":\"X\"}")
            + *frameSyncMessage({SyncMessageKind::SubmitResult, QStringLiteral("X"), std::nullopt, good}));
        QTRY_COMPARE(countOf(master.race, good.id), 1);

        const auto truncated = pskClient(port, key);
        QTRY_VERIFY(truncated->isEncrypted());
        truncated->write(QByteArray::fromHex("00000100") + "{\"kind\"");
        QTRY_COMPARE(truncated->encryptedBytesToWrite(), 0);
        truncated->close();
        mixed->close();

        for (int i = 0; i < 1000; ++i) {
            QTcpSocket dropped;
            dropped.connectToHost(QStringLiteral("127.0.0.1"), port);
            QVERIFY(dropped.waitForConnected(testwaits::ceilingMs));
            dropped.abort();
            if (i % 10 == 0) // the master accepts on this thread: keep its backlog short
                QCoreApplication::processEvents();
        }
        QTRY_COMPARE(master.engine.connectedStationCount(), 1);
        QTRY_COMPARE(master.engine.openConnectionCount(), 1);
        QVERIFY(master.engine.isRunning());
        const PersonResult after = result(QStringLiteral("88"), 880);
        slave.read(after);
        QTRY_COMPARE(countOf(master.race, after.id), 1);
        QCOMPARE(master.race.results.size(), 2);
    }

    void nothingReportsAfterAStop()
    {
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        QTRY_COMPARE(slave.engine.connectedStationCount(), 1);
        QSignalSpy status(&slave.engine, &SyncEngine::statusTextChanged);
        slave.engine.stop();
        master.engine.stop();
        QTest::qWait(50); // let the closed connections report, if anything still listened
        QCOMPARE(slave.engine.statusText(), QStringLiteral("Not started"));
        QCOMPARE(status.count(), 1);
        QCOMPARE(slave.engine.connectedStationCount(), 0);
        QVERIFY(!slave.engine.isRunning());
    }

    // Whoever asks: a name the network cannot carry is neither advertised nor looked for, and the
    // status says why; any other is handed on exactly as it stands.
    void serviceNamesAnnounced_data() { casetable::load("sync/service-names.tsv"); }
    void serviceNamesAnnounced()
    {
        QFETCH(QStringList, cells);
        const QString name = casetable::withLength(cells[0]);
        const bool announced = cells[1] == u"announced";
        RecordingDiscovery discovery;
        SyncEngine master(discovery.factory());
        master.start(StationRole::Master, QStringLiteral("M"), name, testStationKey);
        QCOMPARE(discovery.advertised, announced ? QStringList {name} : QStringList());
        QCOMPARE(master.isRunning(), announced);
        SyncEngine slave(discovery.factory());
        slave.start(StationRole::Slave, QStringLiteral("S"), name, testStationKey);
        QCOMPARE(discovery.browses, announced ? 1 : 0);
        QCOMPARE(slave.isRunning(), announced);
        if (!announced) {
            for (const SyncEngine *engine : {&master, &slave}) {
                QCOMPARE(engine->statusText(), cells[1]);
                QCOMPARE(engine->statusLevel(), SyncStatusLevel::Failed);
            }
            QCOMPARE(master.listenPort(), quint16(0));
        }
    }

    // A slave following the master's changes as the table's steps hand them over (see the table).
    void followsTheMastersChanges_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("wants");
        QTest::addColumn<int>("pending");
        for (const QStringList &cells : casetable::rows(QStringLiteral("sync/changes.tsv")))
            QTest::newRow(qPrintable(cells[0]))
                << cells[1].split(u' ', Qt::SkipEmptyParts) << cells[2].toInt() << cells[3].toInt();
    }
    void followsTheMastersChanges()
    {
        QFETCH(QStringList, steps);
        QFETCH(int, wants);
        QFETCH(int, pending);
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race.name = QStringLiteral("Spring Cup");
        master.race.journalEventId = QUuid::createUuid();
        Participant anna;
        anna.givenName = QStringLiteral("Anna");
        anna.cardNumber = QStringLiteral("5150");
        master.race.participants.append(anna);
        PieceConnection link; // the master's end: what it sends waits here
        master.engine.addConnection(&link);
        StationOptions elsewhere;
        elsewhere.serviceName = QStringLiteral("Nobody's"); // joins nothing by itself
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), elsewhere);
        RecordingConnection toMaster;
        qsizetype answered = 0;
        int asked = 0;
        int card = 0;
        const auto body = [](const QByteArray &frame) { return frame.mid(4); };
        // The newest waiting frame of that kind, edited.
        const auto reframe = [&](const std::function<void(SyncMessage &)> &edit,
                                 SyncMessageKind kind = SyncMessageKind::Change) {
            qsizetype at = link.frames.size() - 1;
            while (at >= 0 && decodeSyncMessage(body(link.frames[at]))->kind != kind)
                --at;
            QVERIFY(at >= 0);
            auto message = decodeSyncMessage(body(link.frames[at]));
            QVERIFY(message);
            edit(*message);
            link.frames[at] = *frameSyncMessage(*message);
        };
        // The waiting frames that are pieces of a snapshot.
        const auto pieces = [&] {
            QList<qsizetype> at;
            for (qsizetype i = 0; i < link.frames.size(); ++i)
                if (decodeSyncMessage(body(link.frames[i]))->kind == SyncMessageKind::SnapshotPiece)
                    at.append(i);
            return at;
        };
        for (const QString &step : std::as_const(steps)) {
            if (step == u"hello") {
                master.engine.receive(
                    &link, *encodeSyncMessage({SyncMessageKind::Hello, QStringLiteral("S"), {}, {}}));
            } else if (step == u"read") {
                ++card;
                master.race.results.append(result(QString::number(9000 + card), 1000 + card));
                master.commit();
            } else if (step == u"deliver") {
                for (const QByteArray &frame : std::exchange(link.frames, {}))
                    slave.engine.receive(&toMaster, body(frame));
            } else if (step == u"lose") {
                QVERIFY(!link.frames.isEmpty());
                link.frames.removeLast();
            } else if (step == u"dup") {
                QVERIFY(!link.frames.isEmpty());
                link.frames.append(link.frames.last());
            } else if (step == u"garble") {
                reframe([](SyncMessage &m) { m.change = R"({"op":"bogus"})"; });
            } else if (step == u"misdigest") {
                reframe([](SyncMessage &m) { m.digest = "0123456789abcdef0123456789abcdef"; });
            } else if (step == u"otherrecords") {
                // The master's last read under another id: the event's fields agree, its
                // records do not.
                reframe([&](SyncMessage &m) {
                    Race before = master.race;
                    PersonResult read = before.results.takeLast();
                    Race other = before;
                    read.id = QUuid::createUuid();
                    other.results.append(read);
                    m.change = '{' + encodeRaceChanges(before, other)->body + '}';
                });
            } else if (step == u"snappack") {
                // A piece of the snapshot damaged on the way, behind its head.
                const QList<qsizetype> at = pieces();
                QVERIFY(!at.isEmpty());
                QByteArray &damaged = link.frames[at.last()];
                const qsizetype payload = damaged.indexOf('\0', 4) + 1;
                QVERIFY(payload > 0 && damaged.size() - payload > 16);
                for (qsizetype i = payload + (damaged.size() - payload) / 2; i < damaged.size(); i += 7)
                    damaged[i] = char(damaged[i] ^ 0x5a);
            } else if (step == u"cutpiece") {
                // The snapshot's last piece lost: the stream is cut short.
                const QList<qsizetype> at = pieces();
                QVERIFY(at.size() >= 2);
                link.frames.removeAt(at.last());
            } else if (step == u"swappieces") {
                const QList<qsizetype> at = pieces();
                QVERIFY(at.size() >= 2);
                link.frames.swapItemsAt(at.at(at.size() - 2), at.last());
            } else if (step == u"pieceseries") {
                // The last piece as one of another run of the master's numbers.
                reframe(
                    [](SyncMessage &m) { m.series = QUuid::createUuid(); }, SyncMessageKind::SnapshotPiece);
            } else if (step == u"oldhead") {
                // The snapshot's head as a station of the previous version of the exchange sends it.
                reframe(
                    [](SyncMessage &m) { m.protocol = syncProtocolVersion - 1; }, SyncMessageKind::Snapshot);
            } else if (step == u"refused") {
                QCOMPARE(slave.engine.refusalText(),
                    QStringLiteral(
                        "Could not join a station: the master runs another version of Vexlo; every "
                        "station of an event needs the same one"));
            } else if (step == u"running") {
                QVERIFY2(slave.engine.statusLevel() != SyncStatusLevel::Failed,
                    qPrintable(slave.engine.statusText()));
            } else if (step == u"snapbad") {
                reframe([](SyncMessage &m) { m.digest = "0123456789abcdef0123456789abcdef"; },
                    SyncMessageKind::Snapshot);
            } else if (step.startsWith(u"asked:")) {
                int wishes = 0;
                for (const QByteArray &frame : std::as_const(toMaster.frames))
                    if (decodeSyncMessage(body(frame))->kind == SyncMessageKind::SnapshotWanted)
                        ++wishes;
                QCOMPARE(QString::number(wishes), step.mid(6));
            } else if (step == u"answer") {
                for (; answered < toMaster.frames.size(); ++answered) {
                    const auto wish = decodeSyncMessage(body(toMaster.frames[answered]));
                    QVERIFY(wish);
                    if (wish->kind != SyncMessageKind::SnapshotWanted)
                        continue;
                    ++asked;
                    master.engine.receive(&link, body(toMaster.frames[answered]));
                }
            } else if (step == u"restart") {
                const qint64 before = master.engine.sequence();
                master.engine.start(
                    StationRole::Master, QStringLiteral("M"), QStringLiteral("Vexlo Race"), testStationKey);
                QCOMPARE(master.engine.sequence(), 0);
                QVERIFY(before > 0);
                link.frames.clear();
                master.engine.addConnection(&link);
            } else if (step == u"newevent") {
                master.race.journalEventId = QUuid::createUuid();
                master.race.name = QStringLiteral("Autumn Cup");
                master.commit();
            } else if (step == u"slaveread") {
                ++card;
                slave.read(result(QString::number(7000 + card), 2000 + card));
            } else if (step == u"readout") {
                // A card read at the slave before it holds the master's event: a read-out.
                QVERIFY(!slave.engine.holdsMasterEvent());
                PersonResult readOut = result(QStringLiteral("5150"), 0);
                readOut.participantId = QUuid();
                readOut.raceTime.reset();
                slave.engine.submitResult(readOut);
            } else if (step == u"recorded") {
                // The master holds every read-out as Anna's result, under the read-out's id.
                for (const QByteArray &frame : std::as_const(toMaster.frames)) {
                    const auto sent = decodeSyncMessage(body(frame));
                    if (sent && sent->result && sent->result->participantId.isNull()) {
                        QCOMPARE(countOf(master.race, sent->result->id), 1);
                        QCOMPARE(master.race.results.last().participantId, anna.id);
                    }
                }
            } else if (step == u"submit") {
                for (const PersonResult &r : slave.engine.pendingResults())
                    master.engine.receive(&link,
                        *encodeSyncMessage({SyncMessageKind::SubmitResult, QStringLiteral("S"), {}, r}));
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
        }
        // Wishes the table did not answer are counted all the same.
        for (; answered < toMaster.frames.size(); ++answered)
            if (decodeSyncMessage(body(toMaster.frames[answered]))->kind == SyncMessageKind::SnapshotWanted)
                ++asked;
        QCOMPARE(asked, wants);
        QCOMPARE(slave.engine.pendingResultCount(), pending);
        Race followed = slave.race;
        for (const PersonResult &r : slave.engine.pendingResults()) {
            // A read-out waits for the master alone: no runner holds it here.
            QCOMPARE(countOf(followed, r.id), r.participantId.isNull() ? 0 : 1);
            followed.results.removeIf([&](const PersonResult &f) { return f.id == r.id; });
        }
        QCOMPARE(*encodeRace(followed, JsonLayout::Compact), *encodeRace(master.race, JsonLayout::Compact));
    }

    // A change larger than the stations take as one (an import on a large event) goes to them as
    // a snapshot, numbered on from the last change; a small one after it goes as a change again.
    void aChangeTooLargeGoesAsASnapshot()
    {
        LoopbackDirectory directory;
        StationOptions options;
        options.limits.maxChangeBytes = 1024;
        Station master(directory, StationRole::Master, QStringLiteral("M"), options);
        master.race.journalEventId = QUuid::createUuid();
        PieceConnection link;
        master.engine.addConnection(&link);
        for (int i = 0; i < 40; ++i) {
            Participant p;
            p.givenName = QUuid::createUuid().toString();
            master.race.participants.append(p);
        }
        master.commit();
        const auto head = decodeSyncMessage(link.frames.first().mid(4));
        QVERIFY(head);
        QCOMPARE(head->kind, SyncMessageKind::Snapshot);
        QCOMPARE(head->sequence, 1);
        qsizetype end = 0;
        const auto whole = snapshotIn(link.frames, 0, &end);
        QVERIFY(whole);
        QCOMPARE(end, link.frames.size());
        QCOMPARE(*encodeRace(*whole, JsonLayout::Compact), *encodeRace(master.race, JsonLayout::Compact));
        master.race.results.append(result(QStringLiteral("1"), 60));
        master.commit();
        QCOMPARE(link.frames.size(), end + 1);
        const auto change = decodeSyncMessage(link.frames.last().mid(4));
        QVERIFY(change);
        QCOMPARE(change->kind, SyncMessageKind::Change);
        QCOMPARE(change->follows, 1);
        QCOMPARE(change->sequence, 2);
        QCOMPARE(master.engine.traffic().snapshots, 1);
    }

    // The master's event changes while a new slave is still reading the snapshot (8 MB): the
    // changes behind it are applied in order, and the slave asks for nothing more.
    void changesArriveWhileTheSnapshotIsRead()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race = generatedRaceOfSize(500);
        master.race.journalEventId = QUuid::createUuid();
        master.commit();
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        // The snapshot answering the hello is on its way.
        QTRY_COMPARE(master.engine.traffic().snapshots, 1);
        for (int i = 0; i < 20; ++i) {
            master.race.results.append(result(QString::number(8100 + i), 600 + i));
            if (i == 10)
                master.race.name = QStringLiteral("Renamed");
            master.commit();
        }
        const QByteArray expected = *encodeRace(master.race, JsonLayout::Compact);
        QTRY_COMPARE(slave.race.results.size(), master.race.results.size());
        QCOMPARE(*encodeRace(slave.race, JsonLayout::Compact), expected);
        QVERIFY2(!log.lines().join('\n').contains(QStringLiteral("asked the master")),
            qPrintable(log.lines().join('\n')));
        QCOMPARE(master.engine.traffic().snapshots, 1);
        QCOMPARE(master.engine.traffic().changes, 20);
    }

    // Two masters under one name with the key (the organiser started a second by mistake): a
    // slave follows the one it joined exactly, and when that one goes, the other's event whole,
    // never a change of one applied to the event of the other.
    void twoMastersUnderOneName()
    {
        LoopbackDirectory directory;
        Station first(directory, StationRole::Master, QStringLiteral("M1"));
        first.race.name = QStringLiteral("First");
        first.race.journalEventId = QUuid::createUuid();
        Station second(directory, StationRole::Master, QStringLiteral("M2"));
        second.race.name = QStringLiteral("Second");
        second.race.journalEventId = QUuid::createUuid();
        Station slave(directory, StationRole::Slave, QStringLiteral("S"));
        QTRY_VERIFY(slave.race.name == first.race.name || slave.race.name == second.race.name);
        Station &joined = slave.race.name == first.race.name ? first : second;
        Station &other = &joined == &first ? second : first;
        for (Station *master : {&first, &second}) {
            master->race.results.append(result(master->race.name, 100));
            master->commit();
        }
        QTRY_COMPARE(slave.race.results.size(), 1);
        QCOMPARE(*encodeRace(slave.race, JsonLayout::Compact), *encodeRace(joined.race, JsonLayout::Compact));
        joined.engine.stop();
        QTRY_COMPARE(slave.race.name, other.race.name);
        QCOMPARE(*encodeRace(slave.race, JsonLayout::Compact), *encodeRace(other.race, JsonLayout::Compact));
        other.race.results.append(result(QStringLiteral("after"), 200));
        other.commit();
        QTRY_COMPARE(slave.race.results.size(), 2);
        QCOMPARE(*encodeRace(slave.race, JsonLayout::Compact), *encodeRace(other.race, JsonLayout::Compact));
    }

    // A station of the version that sent the whole event after every change is refused, and
    // both ends say why.
    void anOlderStationIsRefused()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        // Also the version before, which sent its reads unpacked only.
        for (const char *hello :
            {R"({"kind":"hello","stationId":"old"})", R"({"kind":"hello","stationId":"v3","protocol":3})"}) {
            master.engine.start(
                StationRole::Master, QStringLiteral("M"), QStringLiteral("Vexlo Race"), testStationKey);
            const auto older = pskClient(master.engine.listenPort(), pskOf(testStationKey));
            QTRY_VERIFY(older->isEncrypted());
            older->write(frame(hello));
            QTRY_COMPARE(older->state(), QAbstractSocket::UnconnectedState);
            QVERIFY2(master.engine.refusalText().startsWith(QStringLiteral("Refused 127.0.0.1:")),
                qPrintable(master.engine.refusalText()));
            QVERIFY(master.engine.refusalText().endsWith(QStringLiteral(
                ": it runs another version of Vexlo; every station of an event needs the same one")));
            QCOMPARE(master.engine.connectedStationCount(), 0);
        }

        PskServer olderMaster(pskOf(testStationKey));
        Race old;
        old.name = QStringLiteral("Old");
        const QByteArray oldSnapshot = frame(
            R"({"kind":"snapshot","stationId":"old","race":)" + *encodeRace(old, JsonLayout::Compact) + '}');
        olderMaster.onEncrypted = [&](QSslSocket *socket) { socket->write(oldSnapshot); };
        auto advertisement = directory.factory()();
        advertisement->advertise(QStringLiteral("Older"), olderMaster.serverPort());
        StationOptions options;
        options.serviceName = QStringLiteral("Older");
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        QTRY_COMPARE(slave.engine.refusalText(),
            QStringLiteral("Could not join \"Older\" at 127.0.0.1:%1: the master runs another version of "
                           "Vexlo; every station of an event needs the same one")
                .arg(olderMaster.serverPort()));
        QCOMPARE(slave.race.name, Race().name);
    }

    // A read with its punches goes packed behind the message's JSON, a small one as it is; both
    // decode to the read exactly. A body that puts a result both ways, or one behind the JSON
    // without saying it is packed, is not a message.
    void aSlavesReadGoesPacked()
    {
        PersonResult read = result(QStringLiteral("8001234"), 2712);
        for (int i = 0; i < 40; ++i) {
            SIPunch punch;
            punch.controlCode = 31 + i;
            punch.time = read.readAt.addSecs(-2700 + 60 * i);
            read.punches = read.punches.value_or(QList<SIPunch>()) << punch;
        }
        const QByteArray plain = *encodePersonResult(read, JsonLayout::Compact);
        const SyncMessage submit {SyncMessageKind::SubmitResult, QStringLiteral("S"), std::nullopt, read};
        const QByteArray body = *encodeSyncMessage(submit);
        QVERIFY2(body.size() * 2 < plain.size(), qPrintable(QString::number(body.size())));
        const qsizetype zero = body.indexOf('\0');
        QCOMPARE(body.left(zero),
            QByteArray(R"({"kind":"submitResult","stationId":"S","protocol":5,"packed":true})"));
        const auto decoded = decodeSyncMessage(body, 1 << 20);
        QVERIFY(decoded && decoded->result);
        QCOMPARE(*encodePersonResult(*decoded->result, JsonLayout::Compact), plain);
        // Unpacked beyond what the master takes of one frame: not read.
        QVERIFY(!decodeSyncMessage(body, plain.size() - 1));

        const QByteArray payload = body.mid(zero);
        QVERIFY(!decodeSyncMessage(R"({"kind":"submitResult","stationId":"S","protocol":4})" + payload));
        QVERIFY(!decodeSyncMessage(
            R"({"kind":"submitResult","stationId":"S","protocol":4,"packed":true,"result":)" + plain + '}'
            + payload));
        QVERIFY(
            !decodeSyncMessage(R"({"kind":"hello","stationId":"S","protocol":4,"packed":true})" + payload));

        const PersonResult small = result(QStringLiteral("8001235"), 2713);
        const auto inline_
            = encodeSyncMessage({SyncMessageKind::SubmitResult, QStringLiteral("S"), {}, small});
        QVERIFY(!inline_->contains('\0'));
        QCOMPARE(*encodePersonResult(*decodeSyncMessage(*inline_)->result, JsonLayout::Compact),
            *encodePersonResult(small, JsonLayout::Compact));
    }

    // A slave whose intake thread is held while a master's changes pour in: past its bound it lets
    // what waited go and asks for the event once, lets every change after go as it arrives (none
    // could apply before the event), keeps the rest, and then holds the master's event exactly.
    // The master's frames reach it through a relay that answers the wish only when told.
    void pastItsBoundASlaveAsksOnceAndTakesNoChangeUntilTheEvent()
    {
        LogCapture log;
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race.name = QStringLiteral("Spring Cup");
        master.race.journalEventId = QUuid::createUuid();
        RecordingConnection link;
        master.engine.addConnection(&link);
        PskServer relay(pskOf(testStationKey));
        auto advertisement = directory.factory()();
        advertisement->advertise(QStringLiteral("Relay"), relay.serverPort());
        StationOptions options;
        options.serviceName = QStringLiteral("Relay");
        constexpr qint64 bound = 8 * 1024;
        options.limits.maxIntakeChangeBytes = bound;
        Station slave(directory, StationRole::Slave, QStringLiteral("S"), options);
        slave.engine.holdIntake(true);
        SyncFrameReader fromSlave;
        QList<QByteArray> wishes, reads;
        QTRY_COMPARE(relay.sockets.size(), 1);
        QSslSocket *toSlave = relay.sockets.first();
        QObject::connect(toSlave, &QSslSocket::readyRead, toSlave, [&] {
            for (const QByteArray &body : fromSlave.feed(toSlave->readAll()))
                if (body.startsWith(R"({"kind":"snapshotWanted")"))
                    wishes.append(body);
                else if (body.startsWith(R"({"kind":"submitResult")"))
                    reads.append(body);
        });
        const auto pass = [&] {
            for (const QByteArray &frame : std::exchange(link.frames, {}))
                toSlave->write(frame);
        };
        QTRY_COMPARE(slave.engine.connectedStationCount(), 1);
        master.engine.receive(
            &link, *encodeSyncMessage({SyncMessageKind::Hello, QStringLiteral("S"), {}, {}}));
        for (int i = 0; i < 60; ++i) {
            master.race.results.append(result(QString::number(9001 + i), 1000 + i));
            master.commit();
        }
        pass();
        SyncMessage notice {SyncMessageKind::NoSnapshot, QStringLiteral("M"), std::nullopt, std::nullopt};
        notice.reason = QStringLiteral("Busy");
        toSlave->write(*frameSyncMessage(notice));
        // Behind the changes let go: the notice alone.
        const qint64 noticeBytes = encodeSyncMessage(notice)->size();
        QTRY_COMPARE(slave.engine.queuedIntakeBytes(), noticeBytes);
        // A read of its own goes out behind every wish it made.
        const PersonResult own = result(QStringLiteral("7001"), 3000);
        slave.read(own);
        QTRY_COMPARE(reads.size(), 1);
        QCOMPARE(wishes.size(), 1);
        QVERIFY(slave.engine.peakIntakeBytes() <= bound);
        QVERIFY(slave.engine.peakIntakeBytes() > bound / 2);
        QVERIFY2(log.lines().join('\n').contains(QStringLiteral("asked the master for its event: ")),
            qPrintable(log.lines().join('\n')));

        master.engine.receive(&link, reads.first());
        master.engine.receive(&link, wishes.first());
        pass();
        slave.engine.holdIntake(false);
        QTRY_COMPARE(slave.race.results.size(), master.race.results.size());
        QCOMPARE(*encodeRace(slave.race, JsonLayout::Compact), *encodeRace(master.race, JsonLayout::Compact));
        QCOMPARE(countOf(slave.race, own.id), 1);
        QCOMPARE(slave.engine.pendingResultCount(), 0);
        QCOMPARE(wishes.size(), 1);
        QCOMPARE(slave.engine.queuedIntakeBytes(), 0);

        // To the byte: two notices of half the bound each with a change between them pass it;
        // the change goes, and the second notice fits beside the first exactly.
        slave.engine.holdIntake(true);
        notice.reason = QStringLiteral("x");
        notice.reason = QString(bound / 2 - encodeSyncMessage(notice)->size() + 1, QLatin1Char('x'));
        QCOMPARE(encodeSyncMessage(notice)->size(), bound / 2);
        toSlave->write(*frameSyncMessage(notice));
        master.race.results.append(result(QStringLiteral("9999"), 999));
        master.commit();
        pass();
        QTRY_VERIFY(slave.engine.queuedIntakeBytes() > bound / 2);
        toSlave->write(*frameSyncMessage(notice));
        QTRY_COMPARE(wishes.size(), 2);
        QCOMPARE(slave.engine.queuedIntakeBytes(), bound);
        master.engine.receive(&link, wishes.last());
        pass();
        slave.engine.holdIntake(false);
        QTRY_COMPARE(slave.race.results.size(), master.race.results.size());
        QCOMPARE(*encodeRace(slave.race, JsonLayout::Compact), *encodeRace(master.race, JsonLayout::Compact));

        // Filled to the byte, the bound is not passed: no wish goes out before the next read.
        QTRY_COMPARE(slave.engine.queuedIntakeBytes(), 0);
        slave.engine.holdIntake(true);
        toSlave->write(*frameSyncMessage(notice) + *frameSyncMessage(notice));
        QTRY_COMPARE(slave.engine.queuedIntakeBytes(), bound);
        slave.read(result(QStringLiteral("7002"), 3001));
        QTRY_COMPARE(reads.size(), 2);
        QCOMPARE(wishes.size(), 2);
    }

    void unencodableRaceSendsNothing()
    {
        LoopbackDirectory directory;
        SyncEngine engine(directory.factory());
        engine.start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Vexlo Race"), testStationKey);
        QVERIFY(engine.isRunning());
        RecordingConnection slave;
        engine.addConnection(&slave);
        Race race;
        Course course;
        course.lengthMeters = qQNaN();
        race.courses.append(course);
        engine.currentRace = [&] { return std::optional<Race>(race); };
        engine.broadcastRace(race, std::nullopt);
        QVERIFY(slave.frames.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSyncEngine)
#include "tst_syncengine.moc"
