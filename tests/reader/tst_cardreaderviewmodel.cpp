// The reader end to end: CardReaderViewModel talks to the station simulator over a real
// pseudo-terminal; the protocol waits run on a manual clock.

#include "cardreaderviewmodel.h"
#include "casetable.h"
#include "log.h"
#include "stationsimulator.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(StationMode)

namespace {

struct CardRead
{
    QString cardNumber;
    QList<SIPunch> punches;
    std::optional<QDateTime> check, start, finish;
};

const QDateTime readMoment(QDate(2025, 6, 14), QTime(13, 30));

QDateTime at(int secondOfDay)
{
    return QDateTime(readMoment.date(), QTime(0, 0).addSecs(secondOfDay));
}

constexpr bool connected = true;

class Rig
{
public:
    // With `connect`, the reader is connected to the station and knows its protocol settings.
    Rig(StationMode mode, bool connect = false)
        : clock(std::make_shared<ManualReaderClock>(readMoment))
        , station(mode)
    {
        QVERIFY(station.start());
        SIDeviceRoots roots;
        roots.sysRoot = QStringLiteral("/nonexistent/sys");
        roots.devRoot = QStringLiteral("/nonexistent/dev");
        reader = std::make_unique<CardReaderViewModel>(clock, roots);
        QObject::connect(reader.get(), &CardReaderViewModel::lastCardReadChanged, reader.get(), [this] {
            if (reader->lastCardRead())
                shownNumbers.append(reader->lastCardRead()->cardNumber);
        });
        reader->onCardRead = [this](const QString &number, const QList<SIPunch> &punches,
                                 const std::optional<QDateTime> &check, const std::optional<QDateTime> &start,
                                 const std::optional<QDateTime> &finish) {
            // The reading is published before the callback runs.
            QVERIFY(reader->lastCardRead());
            QCOMPARE(reader->lastCardRead()->cardNumber, number);
            QVERIFY(reader->isCardDataComplete());
            reads.append({number, punches, check, start, finish});
        };
        if (connect)
            connectAndConfigure();
    }

    void connectAndConfigure()
    {
        reader->connectPort(station.devicePath());
        QCOMPARE(reader->connectionState(), SIConnectionState::connected(station.devicePath()));
        QTRY_VERIFY(reader->stationProtocolConfig().has_value());
    }

    // Inserts the card and drives the protocol until the card is read.
    void readCard(const SimCard &card)
    {
        const int before = int(reads.size());
        station.insertCard(card);
        QTRY_VERIFY(
            reader->lastCardRead() && reader->lastCardRead()->cardNumber == QString::number(card.number));
        if (station.mode() == StationMode::Polling && !reader->stationRequiresPolling()
            && card.series != SimCard::Series::SI5)
            clock->advance(400ms);
        QTRY_COMPARE(reads.size(), before + 1);
    }

    // Returns once the reader has handled every frame the station sent so far: frames are handled
    // in order, so the reader's answer to a marker frame sent last proves the earlier ones done.
    void sync()
    {
        LogCapture log;
        station.sendRaw(StationSimulator::stationFrame(0xEF, {}));
        QTRY_VERIFY(log.lines().contains(QStringLiteral("SI: 0xEF block frame too short (0 bytes)")));
    }

    std::shared_ptr<ManualReaderClock> clock;
    StationSimulator station;
    std::unique_ptr<CardReaderViewModel> reader;
    QList<CardRead> reads;
    // Every card number shown, the preliminary one from the card-inserted frame first.
    QStringList shownNumbers;
};

void verifyReading(const CardRead &read, const SimCard &card)
{
    QCOMPARE(read.cardNumber, QString::number(card.number));
    QCOMPARE(read.punches.size(), card.punches.size());
    for (int i = 0; i < card.punches.size(); ++i) {
        QCOMPARE(read.punches[i].controlCode, card.punches[i].controlCode);
        QCOMPARE(read.punches[i].timeAvailable, card.punches[i].secondOfDay.has_value());
        if (card.punches[i].secondOfDay)
            QCOMPARE(read.punches[i].time, at(*card.punches[i].secondOfDay));
    }
    QCOMPARE(read.check, std::optional<QDateTime>(at(*card.check)));
    QCOMPARE(read.start, std::optional<QDateTime>(at(*card.start)));
    QCOMPARE(read.finish, std::optional<QDateTime>(at(*card.finish)));
}

} // namespace

class TestCardReaderViewModel : public QObject
{
    Q_OBJECT

private slots:
    void everySeriesInEveryMode_data()
    {
        // end-to-end.txt: series, punches, blocks a polling reader asks for, card number or "-".
        QTest::addColumn<StationMode>("mode");
        QTest::addColumn<QString>("series");
        QTest::addColumn<int>("punches");
        QTest::addColumn<QList<int>>("polled");
        QTest::addColumn<quint32>("number");
        QTest::addColumn<int>("firstCode");
        const QList<QPair<const char *, StationMode>> modes {{"handshake", StationMode::Handshake},
            {"autosend", StationMode::Autosend}, {"polling", StationMode::Polling}};
        for (const QStringList &cells : casetable::rows(QStringLiteral("reader/end-to-end.txt"))) {
            const QString &line = cells[0];
            const QStringList f = line.split(QLatin1Char(' '));
            QList<int> polled;
            for (const QString &b : f[2].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                if (b != QLatin1String("-"))
                    polled.append(b.toInt());
            }
            for (const auto &[modeName, mode] : modes)
                QTest::addRow("%s %s", modeName, qPrintable(line))
                    << mode << f[0] << f[1].toInt() << polled << f[3].toUInt()
                    << (f.size() > 4 ? f[4].toInt() : 0);
        }
    }
    void everySeriesInEveryMode()
    {
        QFETCH(StationMode, mode);
        QFETCH(QString, series);
        QFETCH(int, punches);
        QFETCH(QList<int>, polled);
        QFETCH(quint32, number);
        QFETCH(int, firstCode);
        const QList<SimCard::Series> all {SimCard::Series::SI5, SimCard::Series::SI6, SimCard::Series::SI8,
            SimCard::Series::SI9, SimCard::Series::SI10, SimCard::Series::SI11, SimCard::Series::SIAC,
            SimCard::Series::PCard};
        const auto found = std::find_if(
            all.begin(), all.end(), [&](SimCard::Series s) { return SimCard::seriesName(s) == series; });
        QVERIFY(found != all.end());
        SimCard card = SimCard::example(*found, punches);
        QCOMPARE(card.punches.size(), punches);
        if (number != 0)
            card.number = number;
        for (int i = 0; firstCode != 0 && i < card.punches.size(); ++i)
            card.punches[i].controlCode = firstCode + i;

        Rig rig(mode, connected);
        rig.readCard(card);
        verifyReading(rig.reads.first(), card);
        // The card-inserted frame already shows the right number.
        QCOMPARE(rig.shownNumbers.first(), QString::number(card.number));
        QCOMPARE(rig.reader->lastCardRead()->readAt, rig.clock->now());
        QVERIFY(rig.reader->isCardDataComplete());
        const bool polls = mode != StationMode::Autosend && *found != SimCard::Series::SI5;
        QCOMPARE(rig.station.requestedBlocks(), polls ? polled : QList<int>());
        QTRY_COMPARE(rig.station.si5Requests(), *found == SimCard::Series::SI5 ? 1 : 0);
        QTRY_COMPARE(rig.station.ackCount(), polls ? 1 : 0);
        QCOMPARE(rig.clock->pendingCount(), 0);
    }

    void cardPulledMidRead()
    {
        Rig rig(StationMode::Handshake, connected);
        const SimCard card = SimCard::example(SimCard::Series::SIAC, 40);
        rig.station.pullCardAfterBlocks(2); // blocks 0 and 4 served, then the card is gone
        QSignalSpy complete(rig.reader.get(), &CardReaderViewModel::isCardDataCompleteChanged);
        rig.station.insertCard(card);
        QTRY_COMPARE(rig.station.requestedBlocks(), (QList<int> {0, 4, 5}));
        rig.sync();
        QVERIFY(rig.reads.isEmpty());
        QVERIFY(!rig.reader->isCardDataComplete());
        QCOMPARE(rig.reader->lastCardRead()->cardNumber, QString::number(card.number));
        QVERIFY(rig.reader->lastCardRead()->punches.isEmpty());
        QCOMPARE(rig.station.ackCount(), 0);
        rig.clock->advance(10s);
        QVERIFY(!rig.reader->lastCardRead());
        QCOMPARE(complete.size(), 0);

        // The next card reads normally.
        rig.station.pullCardAfterBlocks(-1);
        const SimCard next = SimCard::example(SimCard::Series::SI8, 4, 2);
        rig.readCard(next);
        verifyReading(rig.reads.first(), next);
    }

    void removalBeforeAutosendCheckCancelsIt()
    {
        Rig rig(StationMode::Polling);
        rig.station.setAnswersConfigQuery(false);
        LogCapture log;
        rig.reader->connectPort(rig.station.devicePath());
        rig.clock->advance(500ms);
        QVERIFY(log.lines().contains(QStringLiteral("SI: protocol-config query (0x83/0x74) timed out — "
                                                    "falling back to empirical polling detection per card")));
        rig.station.insertCard(SimCard::example(SimCard::Series::SI10, 3));
        QTRY_VERIFY(rig.reader->lastCardRead());
        rig.station.removeCard();
        rig.sync();
        QCOMPARE(rig.clock->pendingCount(), 1); // only the 10 s clearing is left
        rig.clock->advance(400ms);
        QVERIFY(!log.lines().join('\n').contains(QStringLiteral("no autosend block")));
        QVERIFY(!rig.reader->stationRequiresPolling());
        QVERIFY(rig.station.requestedBlocks().isEmpty());
    }

    void cardSwappedWithinTheAutosendWait()
    {
        Rig rig(StationMode::Polling, connected);
        const SimCard first = SimCard::example(SimCard::Series::SI10, 3, 1);
        const SimCard second = SimCard::example(SimCard::Series::SI11, 4, 2);
        rig.station.insertCard(first);
        QTRY_VERIFY(rig.reader->lastCardRead());
        rig.clock->advance(200ms);
        rig.station.removeCard();
        rig.station.insertCard(second);
        QTRY_COMPARE(rig.reader->lastCardRead()->cardNumber, QString::number(second.number));
        rig.clock->advance(200ms); // the first card's wait would end here
        QVERIFY(rig.station.requestedBlocks().isEmpty());
        rig.clock->advance(200ms);
        QTRY_COMPARE(rig.reads.size(), 1);
        verifyReading(rig.reads.first(), second);
    }

    void unpluggedStationDisconnectsOnce()
    {
        Rig rig(StationMode::Handshake, connected);
        QList<SIConnectionState> states;
        QObject::connect(rig.reader.get(), &CardReaderViewModel::connectionStateChanged, rig.reader.get(),
            [&] { states.append(rig.reader->connectionState()); });
        rig.station.unplug();
        QTRY_COMPARE(rig.reader->connectionState(), SIConnectionState::disconnected());
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(states, QList<SIConnectionState> {SIConnectionState::disconnected()});
    }

    void badCrcFrameIsDroppedAndTheNextFrameRead()
    {
        Rig rig(StationMode::Handshake, connected);
        LogCapture log;
        const SimCard lost = SimCard::example(SimCard::Series::SI10, 3, 1);
        rig.station.corruptCrcOfNextFrames(1);
        rig.station.insertCard(lost);
        // The exact line is the frame parser's (frames.txt); here, that the reader goes on.
        QTRY_VERIFY(log.lines().join('\n').contains(QStringLiteral("SI: CRC mismatch cmd=E8 len=6")));
        QVERIFY(!rig.reader->lastCardRead());
        rig.station.removeCard();
        const SimCard next = SimCard::example(SimCard::Series::SI11, 3, 2);
        rig.readCard(next);
        QCOMPARE(rig.reads.size(), 1);
        verifyReading(rig.reads.first(), next);
    }

    void lostMiddleBlockIsReadAsFarAsSound()
    {
        Rig rig(StationMode::Autosend, connected);
        // Autosend: detect, block 0, blocks 4 to 7. Block 4 (punches 1-32) is corrupt; blocks 5 to
        // 7 arrive and keep their place: punches 33-100 are read, none is made up.
        rig.station.corruptCrcOfNextFrames(1, 2);
        const SimCard card = SimCard::example(SimCard::Series::SIAC, 100);
        LogCapture log;
        rig.station.insertCard(card);
        QTRY_COMPARE(rig.reads.size(), 1);
        const CardRead &read = rig.reads.first();
        QCOMPARE(read.punches.size(), 68);
        QCOMPARE(read.punches.first().controlCode, card.punches.at(32).controlCode);
        QCOMPARE(read.punches.first().time, at(*card.punches.at(32).secondOfDay));
        QCOMPARE(read.finish, std::optional<QDateTime>(at(*card.finish)));
        QVERIFY(log.lines().contains(QStringLiteral(
            "SI: WARNING block(s) 4 of card 8000001 never arrived — their punches are not read")));
    }

    void failedOpenIsAnErrorNeverConnected()
    {
        CardReaderViewModel reader(std::make_shared<ManualReaderClock>(), SIDeviceRoots {});
        QList<SIConnectionState> states;
        QObject::connect(&reader, &CardReaderViewModel::connectionStateChanged, &reader,
            [&] { states.append(reader.connectionState()); });
        LogCapture log;
        reader.connectPort(QStringLiteral("/nonexistent/ttyUSB9"));
        QCOMPARE(states,
            (QList<SIConnectionState> {SIConnectionState::connecting(),
                SIConnectionState::error(
                    QStringLiteral("Unable to open /nonexistent/ttyUSB9: No such file or directory"))}));
        QVERIFY(!log.lines().join('\n').contains(QStringLiteral("sending raw command")));
        // Without a path and without any port there is nothing to open.
        CardReaderViewModel noPorts(std::make_shared<ManualReaderClock>(),
            SIDeviceRoots {{}, QStringLiteral("/nonexistent/dev"), {}});
        noPorts.connectPort();
        QCOMPARE(noPorts.connectionState(),
            SIConnectionState::error(QStringLiteral("No SportIdent reader found")));
    }

    void connectTakesTheFirstListedPort()
    {
        StationSimulator station;
        QVERIFY(station.start());
        SIDeviceRoots roots;
        roots.devRoot = QStringLiteral("/nonexistent/dev");
        roots.extraPorts = {station.devicePath()};
        CardReaderViewModel reader(std::make_shared<ManualReaderClock>(), roots);
        QSignalSpy ports(&reader, &CardReaderViewModel::availablePortsChanged);
        LogCapture log;
        reader.connectPort();
        QCOMPARE(ports.size(), 1);
        QVERIFY(
            log.lines().contains(QStringLiteral("SI: sending raw command FF 02 02 83 02 74 01 04 14 03")));
        QTRY_VERIFY(log.lines().contains(QStringLiteral("SI: station protocol config — extendedProtocol=true "
                                                        "autoSendOut=false handshake=true passwordOnly=false "
                                                        "readCardAfterPunch=false")));
        QCOMPARE(reader.availablePorts(), QStringList {station.devicePath()});
        QCOMPARE(reader.connectionState(), SIConnectionState::connected(station.devicePath()));
        QTRY_COMPARE(station.configQueries(), 1);
    }

    void autoConnect()
    {
        StationSimulator one;
        StationSimulator two;
        QVERIFY(one.start());
        QVERIFY(two.start());
        SIDeviceRoots roots;
        roots.sysRoot = QStringLiteral("/nonexistent/sys");
        roots.devRoot = QStringLiteral("/nonexistent/dev");

        roots.extraPorts = {one.devicePath(), two.devicePath()};
        CardReaderViewModel twoReaders(std::make_shared<ManualReaderClock>(), roots);
        twoReaders.autoConnect();
        QCOMPARE(twoReaders.connectionState(), SIConnectionState::disconnected());

        roots.extraPorts = {one.devicePath()};
        CardReaderViewModel reader(std::make_shared<ManualReaderClock>(), roots);
        LogCapture log;
        reader.autoConnect();
        QCOMPARE(reader.connectionState(), SIConnectionState::connected(one.devicePath()));
        QVERIFY(log.lines().contains(
            QStringLiteral("SI: auto-connecting to positively identified reader at ") + one.devicePath()));
        log.clear();
        reader.autoConnect(); // only while disconnected
        QVERIFY(log.lines().isEmpty());
    }

    // The rows: state before, identified stations, an unidentified port listed, connects.
    void autoConnectInEachState_data() { casetable::load("reader/auto-connect.tsv"); }
    void autoConnectInEachState()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(cells.size(), 4);
        const QString before = cells.at(0);
        const int identified = cells.at(1).toInt();
        StationSimulator stations[3];
        for (StationSimulator &station : stations)
            QVERIFY(station.start());
        QTemporaryDir dir;
        SIDeviceRoots roots;
        roots.sysRoot = QStringLiteral("/nonexistent/sys");
        roots.devRoot = dir.filePath(QStringLiteral("dev"));
        QVERIFY(QDir().mkpath(roots.devRoot));
        for (int i = 0; i < identified; ++i)
            roots.extraPorts.append(stations[i].devicePath());
        // A USB serial device without the station's ids: listed, so a plain connect would take it.
        if (cells.at(2) == QLatin1String("yes"))
            QVERIFY(QFile::link(stations[2].devicePath(), roots.devRoot + QStringLiteral("/ttyUSB0")));
        CardReaderViewModel reader(std::make_shared<ManualReaderClock>(), roots);
        if (before == QLatin1String("failed connect")) {
            reader.connectPort(QStringLiteral("/nonexistent/ttyUSB9"));
            QCOMPARE(reader.connectionState().kind(), SIConnectionState::Kind::Error);
        } else if (before == QLatin1String("connected")) {
            reader.connectPort(stations[0].devicePath());
            QVERIFY(reader.connectionState().isConnected());
        } else {
            QCOMPARE(before, QStringLiteral("disconnected"));
        }
        const SIConnectionState state = reader.connectionState();
        LogCapture log;
        reader.autoConnect();
        if (cells.at(3) == QLatin1String("yes")) {
            QCOMPARE(reader.connectionState(), SIConnectionState::connected(stations[0].devicePath()));
            QVERIFY(
                log.lines().contains(QStringLiteral("SI: auto-connecting to positively identified reader at ")
                    + stations[0].devicePath()));
        } else {
            QCOMPARE(reader.connectionState(), state);
            QVERIFY2(log.lines().isEmpty(), qPrintable(log.lines().join(u'\n')));
        }
    }

    void disconnectKeepsTheStationMode()
    {
        Rig rig(StationMode::Handshake, connected);
        rig.readCard(SimCard::example(SimCard::Series::SI8, 2, 1));
        rig.station.removeCard();
        rig.reader->disconnectPort();
        QCOMPARE(rig.reader->connectionState(), SIConnectionState::disconnected());
        QVERIFY(rig.reader->lastCardRead()); // the shown card stays
        rig.station.setAnswersConfigQuery(false);
        rig.reader->connectPort(rig.station.devicePath());
        rig.station.insertCard(SimCard::example(SimCard::Series::SI8, 2, 2));
        QTRY_COMPARE(rig.reads.size(), 2); // polled at once, no wait
    }

    void rereadBlock0ReportsAgain()
    {
        Rig rig(StationMode::Handshake, connected);
        const SimCard card = SimCard::example(SimCard::Series::SI9, 2);
        rig.readCard(card);
        // The station sends block 0 again by itself: the card is built and reported once more.
        const QByteArray block0 = card.memory().value(0);
        rig.station.sendRaw(QByteArray(1, char(0xFF))
            + StationSimulator::stationFrame(0xEF, QByteArray::fromHex("002200") + block0));
        QTRY_COMPARE(rig.reads.size(), 2);
        verifyReading(rig.reads[1], card);
    }

    void malformedRepliesAreSkipped()
    {
        Rig rig(StationMode::Handshake, connected);
        LogCapture log;
        const auto send = [&](quint8 command, const char *payloadHex) {
            rig.station.sendRaw(StationSimulator::stationFrame(command, QByteArray::fromHex(payloadHex)));
        };
        send(0xEF, "0022");
        send(0xEF,
            "002200"
            "0102");
        send(0xE1, "00");
        send(0xB1, "0022");
        send(0x83, "002275");
        send(0x42, "");
        QTRY_VERIFY(log.lines().contains(QStringLiteral("SI: 0xEF block frame too short (2 bytes)")));
        QTRY_VERIFY(log.lines().contains(
            QStringLiteral("SI: WARNING block0 payload too short (2 bytes) for offset-25 card number")));
        QTRY_VERIFY(log.lines().contains(QStringLiteral("SI: SI6 reply 1 received as block 0, 1 byte(s)")));
        QTRY_VERIFY(log.lines().contains(QStringLiteral("SI: SI5 reply received, 2 byte(s)")));
        QVERIFY(rig.reads.isEmpty());
        QCOMPARE(rig.reader->connectionState(), SIConnectionState::connected(rig.station.devicePath()));
    }
};

QTEST_GUILESS_MAIN(TestCardReaderViewModel)
#include "tst_cardreaderviewmodel.moc"
