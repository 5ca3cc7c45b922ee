// One card read on race day, through the station simulator on a pseudo-terminal: from the moment
// the station sends the card's last block to the result stored and autosaved, on the generated
// 5,000-entry, 3-stage event. For comparison: the station itself needs about 36 ms to send one
// 128-byte block at 38400 baud (10 bits per byte), so at least 72 ms for a two-block card.

#include "benchstore.h"
#include "cardreaderviewmodel.h"
#include "log.h"
#include "racedaydesk.h"
#include "stationsimulator.h"

#include <QElapsedTimer>

namespace {

constexpr quint32 firstCard = 2000001;

// The generated event with SI8 card numbers, so the simulator can serve every runner's card.
const Race &largeRace()
{
    static const Race race = [] {
        Race r = generatedEvent();
        for (qsizetype i = 0; i < r.participants.size(); ++i)
            r.participants[i].cardNumber = QString::number(firstCard + quint32(i));
        return r;
    }();
    return race;
}

SimCard cardOfRunner(int index)
{
    SimCard card = SimCard::example(SimCard::Series::SI8, 20, quint32(index) + 1);
    card.number = firstCard + quint32(index);
    return card;
}

void runCardRead(benchmark::State &state, bool withEventFile, bool untilDurable)
{
    BenchStore bench;
    const LogSink previous = setLogSink([](const QString &) {});
    if (!bench.open(largeRace(), withEventFile, state)) {
        setLogSink(previous);
        return;
    }
    RaceStore &store = bench.store();

    StationSimulator station(StationMode::Handshake);
    if (!station.start()) {
        state.SkipWithError("no pseudo-terminal");
        setLogSink(previous);
        return;
    }
    SIDeviceRoots roots;
    roots.sysRoot = bench.filePath("no-sys");
    roots.devRoot = bench.filePath("no-dev");
    CardReaderViewModel reader(std::make_shared<SystemReaderClock>(), roots);
    RaceDayDesk desk(&store, &reader, nullptr, {});
    desk.install();

    // The clock starts when the station is asked for the card's last block (it answers at once)
    // and stops when the handler has stored the result, synced it to the journal (the result is
    // durable from here) and handed the autosave to the writer (main thread free again), or,
    // with "UntilDurable", when the writer has put both full files on disk too.
    QElapsedTimer sinceLastBlock;
    bool done = false;
    const CardReaderViewModel::CardReadCallback handle = reader.onCardRead;
    reader.onCardRead
        = [&](const QString &number, const QList<SIPunch> &punches, const std::optional<QDateTime> &check,
              const std::optional<QDateTime> &start, const std::optional<QDateTime> &finish) {
              handle(number, punches, check, start, finish);
              if (untilDurable)
                  store.flushAutosave();
              done = true;
          };
    quint8 lastBlock = 0;
    QObject::connect(
        &station, &StationSimulator::commandReceived, &station, [&](quint8 command, const QByteArray &data) {
            if (command == SICard::readBlock && !data.isEmpty() && quint8(data.at(0)) == lastBlock)
                sinceLastBlock.start();
        });

    reader.connectPort(station.devicePath());
    while (!reader.stationProtocolConfig())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    int runner = 0;
    const qsizetype resultsBefore = store.race().results.size();
    for (auto _ : state) {
        const SimCard card = cardOfRunner(runner++);
        lastBlock = quint8(StationSimulator::blocksToSend(card).last());
        done = false;
        station.insertCard(card);
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        state.SetIterationTime(double(sinceLastBlock.nsecsElapsed()) / 1e9);
        // Each measured read starts with an idle writer.
        store.flushAutosave();
        station.removeCard();
        QCoreApplication::processEvents();
    }
    if (store.race().results.size() != resultsBefore + runner)
        state.SkipWithError("a card read was not recorded");
    setLogSink(previous);
}

} // namespace

int main(int argc, char **argv)
{
    registerAutosaveBenchmarks("BM_CardReadToAutosave", runCardRead);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
