// The reader end to end: CardReaderViewModel talks to the station simulator over a real
// pseudo-terminal; the protocol waits run on a manual clock.

#include "cardreaderviewmodel.h"
#include "log.h"
#include "stationsimulator.h"

#include <QSignalSpy>
#include <QTest>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(SimCard::Series)
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

QString expectedSeries(SimCard::Series series)
{
    switch (series) {
    case SimCard::Series::SIAC:
        return QStringLiteral("SIAC1");
    default:
        return SimCard::seriesName(series);
    }
}

// Blocks a polling reader asks for when a card holds a handful of punches.
QList<int> polledBlocks(SimCard::Series series)
{
    switch (series) {
    case SimCard::Series::SI5:
        return {};
    case SimCard::Series::SI9:
        return {0};
    case SimCard::Series::SI8:
    case SimCard::Series::PCard:
        return {0, 1};
    default:
        return {0, 4};
    }
}

class Rig
{
public:
    explicit Rig(StationMode mode)
        : clock(std::make_shared<ManualReaderClock>(readMoment))
        , station(mode)
    {
        QVERIFY(station.start());
        SIDeviceRoots roots;
        roots.sysRoot = QStringLiteral("/nonexistent/sys");
        roots.devRoot = QStringLiteral("/nonexistent/dev");
        reader = std::make_unique<CardReaderViewModel>(clock, roots);
        reader->onCardRead = [this](const QString &number, const QList<SIPunch> &punches,
                                 const std::optional<QDateTime> &check, const std::optional<QDateTime> &start,
                                 const std::optional<QDateTime> &finish) {
            // The reading is published before the callback runs.
            QVERIFY(reader->lastCardRead());
            QCOMPARE(reader->lastCardRead()->cardNumber, number);
            QVERIFY(reader->isCardDataComplete());
            reads.append({number, punches, check, start, finish});
        };
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
};

void verifyReading(const CardRead &read, const SimCard &card)
{
    QCOMPARE(read.cardNumber, QString::number(card.number));
    QCOMPARE(read.punches.size(), card.punches.size());
    for (int i = 0; i < card.punches.size(); ++i) {
        QCOMPARE(read.punches[i].controlCode, card.punches[i].controlCode);
        QCOMPARE(read.punches[i].time, at(*card.punches[i].secondOfDay));
        QVERIFY(read.punches[i].timeAvailable);
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
        QTest::addColumn<StationMode>("mode");
        QTest::addColumn<SimCard::Series>("series");
        const QList<QPair<const char *, StationMode>> modes {{"handshake", StationMode::Handshake},
            {"autosend", StationMode::Autosend}, {"polling", StationMode::Polling}};
        const QList<SimCard::Series> series {SimCard::Series::SI5, SimCard::Series::SI6, SimCard::Series::SI8,
            SimCard::Series::SI9, SimCard::Series::SI10, SimCard::Series::SI11, SimCard::Series::SIAC,
            SimCard::Series::PCard};
        for (const auto &[modeName, mode] : modes) {
            for (SimCard::Series s : series)
                QTest::addRow("%s %s", modeName, qPrintable(SimCard::seriesName(s))) << mode << s;
        }
    }
    void everySeriesInEveryMode()
    {
        QFETCH(StationMode, mode);
        QFETCH(SimCard::Series, series);
        Rig rig(mode);
        rig.connectAndConfigure();
        const SimCard card = SimCard::example(series, 8);
        rig.readCard(card);
        verifyReading(rig.reads.first(), card);

        QCOMPARE(rig.reader->lastCardRead()->cardSeries, expectedSeries(series));
        QCOMPARE(rig.reader->lastCardRead()->readAt, rig.clock->now());
        QCOMPARE(rig.reader->property("lastCardRead").value<SICardReading>().cardNumber,
            QString::number(card.number));
        QVERIFY(rig.reader->isCardDataComplete());
        const bool polled = mode != StationMode::Autosend && series != SimCard::Series::SI5;
        QCOMPARE(rig.station.requestedBlocks(), polled ? polledBlocks(series) : QList<int>());
        QCOMPARE(rig.station.si5Requests(), series == SimCard::Series::SI5 ? 1 : 0);
        QTRY_COMPARE(rig.station.ackCount(), polled ? 1 : 0);
        QCOMPARE(rig.clock->pendingCount(), 0);
        if (mode == StationMode::Autosend)
            QVERIFY(!rig.reader->stationRequiresPolling());
    }

    void fullCardsReadEveryBlock_data()
    {
        QTest::addColumn<SimCard::Series>("series");
        QTest::addColumn<QList<int>>("blocks");
        QTest::newRow("SI8 30 punches") << SimCard::Series::SI8 << QList<int> {0, 1};
        QTest::newRow("SI9 50 punches") << SimCard::Series::SI9 << QList<int> {0, 1};
        QTest::newRow("pCard 20 punches") << SimCard::Series::PCard << QList<int> {0, 1};
        QTest::newRow("SI11 64 punches") << SimCard::Series::SI11 << QList<int> {0, 4, 5, 6};
        QTest::newRow("SI5 30 punches") << SimCard::Series::SI5 << QList<int> {};
    }
    void fullCardsReadEveryBlock()
    {
        QFETCH(SimCard::Series, series);
        QFETCH(QList<int>, blocks);
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
        const SimCard card = SimCard::example(series, 64);
        QCOMPARE(card.punches.size(), SimCard::capacity(series));
        rig.readCard(card);
        verifyReading(rig.reads.first(), card);
        QCOMPARE(rig.station.requestedBlocks(), blocks);
    }

    void severalCardsInARow()
    {
        Rig rig(StationMode::Polling);
        LogCapture log;
        rig.connectAndConfigure();
        QCOMPARE(*rig.reader->stationProtocolConfig(), StationProtocolConfig::fromByte(0x01));
        const QList<SimCard::Series> series {SimCard::Series::SI10, SimCard::Series::SI8,
            SimCard::Series::SIAC, SimCard::Series::SI5, SimCard::Series::SI9};
        for (int i = 0; i < series.size(); ++i) {
            const SimCard card = SimCard::example(series[i], 3 + i, quint32(100 + i));
            rig.readCard(card);
            verifyReading(rig.reads.last(), card);
            rig.station.removeCard();
            rig.sync();
            // The shown card stays until the next card replaces it.
            rig.clock->advance(5s);
            QVERIFY(rig.reader->lastCardRead());
        }
        QCOMPARE(rig.reads.size(), series.size());
        // Only the first card waited for autosent blocks; after that the station is polled at once.
        QCOMPARE(log.lines().count(QStringLiteral(
                     "SI: no autosend block after 400ms — switching to polling mode, requesting block 0")),
            1);
        QCOMPARE(log.lines().count(QStringLiteral("SI: station previously confirmed polling-only — "
                                                  "requesting block 0 immediately, no 400ms wait")),
            3);
        rig.clock->advance(5s);
        QVERIFY(!rig.reader->lastCardRead());
    }

    void handshakeStationIsPolledAtOnce()
    {
        Rig rig(StationMode::Handshake);
        LogCapture log;
        rig.connectAndConfigure();
        QVERIFY(
            log.lines().contains(QStringLiteral("SI: sending raw command FF 02 02 83 02 74 01 04 14 03")));
        QVERIFY(log.lines().contains(QStringLiteral("SI: station protocol config — extendedProtocol=true "
                                                    "autoSendOut=false handshake=true passwordOnly=false "
                                                    "readCardAfterPunch=false")));
        rig.station.insertCard(SimCard::example(SimCard::Series::SI10, 5));
        QTRY_COMPARE(rig.reads.size(), 1); // no clock advance needed
        QVERIFY(rig.reader->stationRequiresPolling());
        QVERIFY(log.lines().contains(QStringLiteral("SI: polling mode — requesting block 4")));
        QVERIFY(log.lines().contains(QStringLiteral(
            "SI: block 4 punch data terminated early — skipping remaining blocks in sequence")));
        QVERIFY(log.lines().contains(QStringLiteral(
            "SI: sending ACK (0x06) — testing whether this triggers station beep/flash in polling mode")));
    }

    void cardPulledMidRead()
    {
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
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
        Rig rig(StationMode::Polling);
        rig.connectAndConfigure();
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
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
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
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
        LogCapture log;
        const SimCard lost = SimCard::example(SimCard::Series::SI10, 3, 1);
        rig.station.corruptCrcOfNextFrames(1);
        rig.station.insertCard(lost);
        const QByteArray crcInput = QByteArray::fromHex("E806"
                                                        "0022"
                                                        "006ACFC1");
        const quint16 expected = siCrc16(crcInput);
        const auto hex4
            = [](quint16 v) { return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper(); };
        const QString line = QStringLiteral("SI: CRC mismatch cmd=E8 len=6 expected=") + hex4(expected)
            + QStringLiteral(" got=") + hex4(expected ^ 0x5A)
            + QStringLiteral(" crcInput=[E8 06 00 22 00 6A CF C1]");
        QTRY_VERIFY(log.lines().contains(line));
        QVERIFY(!rig.reader->lastCardRead());
        rig.station.removeCard();
        const SimCard next = SimCard::example(SimCard::Series::SI11, 3, 2);
        rig.readCard(next);
        QCOMPARE(rig.reads.size(), 1);
        verifyReading(rig.reads.first(), next);
    }

    void garbageBetweenFramesIsSkipped()
    {
        Rig rig(StationMode::Autosend);
        rig.connectAndConfigure();
        rig.station.setGarbageBetweenFrames(QByteArray::fromHex("0055AAFF13"));
        const SimCard card = SimCard::example(SimCard::Series::SIAC, 6);
        rig.readCard(card);
        verifyReading(rig.reads.first(), card);
    }

    void missingBlockLeavesTheCardUnreported()
    {
        Rig rig(StationMode::Autosend);
        rig.connectAndConfigure();
        // Autosend: detect, block 0, block 4, 5, 6, 7. Block 4 (the first punch block) is corrupt;
        // 5 to 7 arrive but must not be read in its place.
        rig.station.corruptCrcOfNextFrames(1, 2);
        const SimCard card = SimCard::example(SimCard::Series::SIAC, 3);
        LogCapture log;
        rig.station.insertCard(card);
        QTRY_COMPARE(log.lines().count(QStringLiteral("SI: block0 card number = 8000001, series=SIAC1, "
                                                      "requestSequence=[0, 4, 5, 6, 7]")),
            1);
        QTRY_VERIFY(log.lines().join('\n').contains(QStringLiteral("SI: CRC mismatch cmd=EF len=131")));
        rig.sync();
        rig.clock->advance(400ms);
        QVERIFY(rig.reads.isEmpty());
        QVERIFY(!rig.reader->isCardDataComplete());
        QVERIFY(rig.station.requestedBlocks().isEmpty());
        rig.station.removeCard();
        rig.sync();
        rig.clock->advance(10s);
        QVERIFY(!rig.reader->lastCardRead());
    }

    void truncatedFrameThenRecovery()
    {
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
        const SimCard card = SimCard::example(SimCard::Series::SIAC, 3, 1);
        rig.station.insertCard(card);
        QTRY_COMPARE(rig.reads.size(), 1);
        rig.station.removeCard();

        // The block reply of the next card is cut in half: the card is never reported, and the
        // frames behind it come through once enough bytes follow.
        const SimCard half = SimCard::example(SimCard::Series::SI10, 3, 2);
        QObject::connect(
            &rig.station, &StationSimulator::commandReceived, &rig.station, [&rig](quint8 command) {
                if (command == 0xEF && rig.station.requestedBlocks().size() == 3)
                    rig.station.truncateNextFrames(1);
            });
        rig.station.insertCard(half);
        QTRY_COMPARE(rig.station.requestedBlocks().size(), 4); // 0, 4 of the first card; 0, 4 of this one
        rig.station.removeCard();
        const SimCard next = SimCard::example(SimCard::Series::SI11, 3, 3);
        rig.station.insertCard(next);
        rig.station.sendRaw(QByteArray(200, '\0'));
        QTRY_COMPARE(rig.reads.size(), 2);
        QCOMPARE(rig.reads[1].cardNumber, QString::number(next.number));
    }

    void silentStationNeverReports()
    {
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
        rig.station.setSilent(true);
        rig.station.insertCard(SimCard::example(SimCard::Series::SI9, 3));
        QTRY_COMPARE(rig.station.requestedBlocks().size(), 1);
        rig.clock->advance(30s);
        QVERIFY(rig.reads.isEmpty());
        QVERIFY(!rig.reader->isCardDataComplete());
        QCOMPARE(rig.reader->connectionState(), SIConnectionState::connected(rig.station.devicePath()));
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
                SIConnectionState::error(QStringLiteral("Unable to open /nonexistent/ttyUSB9"))}));
        QCOMPARE(reader.connectionState().message(), QStringLiteral("Unable to open /nonexistent/ttyUSB9"));
        QVERIFY(!log.lines().join('\n').contains(QStringLiteral("sending raw command")));
    }

    void connectWithoutPorts()
    {
        SIDeviceRoots roots;
        roots.devRoot = QStringLiteral("/nonexistent/dev");
        CardReaderViewModel reader(std::make_shared<ManualReaderClock>(), roots);
        reader.connectPort();
        QCOMPARE(
            reader.connectionState(), SIConnectionState::error(QStringLiteral("No SportIdent reader found")));
        QCOMPARE(reader.property("connectionState").value<SIConnectionState>().message(),
            QStringLiteral("No SportIdent reader found"));
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
        reader.connectPort();
        QCOMPARE(ports.size(), 1);
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

    void disconnectKeepsTheStationMode()
    {
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
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
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
        const SimCard card = SimCard::example(SimCard::Series::SI9, 2);
        rig.readCard(card);
        // The station sends block 0 again by itself: the card is built and reported once more.
        const QByteArray block0 = StationSimulator::encodeBlocks(card).value(0);
        rig.station.sendRaw(QByteArray(1, char(0xFF))
            + StationSimulator::stationFrame(0xEF, QByteArray::fromHex("002200") + block0));
        QTRY_COMPARE(rig.reads.size(), 2);
        verifyReading(rig.reads[1], card);
    }

    void malformedRepliesAreSkipped()
    {
        Rig rig(StationMode::Handshake);
        rig.connectAndConfigure();
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
