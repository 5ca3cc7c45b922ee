// Station sync on loopback with the generated event (5,000 entries, 3 stages, 15,000 results):
// a master and two slaves, the discovery a directory inside the process.
// - SnapshotEncode / SnapshotDecode: one snapshot message of the event, framed and read back.
// - CardReadRoundTrip: a result read at slave A, from its submit until slave B holds the master's
//   new race with it (submit, master stores and broadcasts the whole event, slaves decode it).

#include "../tests/sync/loopbackdirectory.h"
#include "racegenerator.h"
#include "syncengine.h"
#include "syncmessage.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

namespace {

const Race &event()
{
    static const Race race = generateRace();
    return race;
}

void ensureApplication()
{
    static int argc = 0;
    static QCoreApplication app(argc, nullptr);
}

void SnapshotEncode(benchmark::State &state)
{
    const SyncMessage message {SyncMessageKind::Snapshot, QStringLiteral("M"), event(), std::nullopt};
    qsizetype bytes = 0;
    for (auto _ : state) {
        auto frame = frameSyncMessage(message);
        bytes = frame->size();
        benchmark::DoNotOptimize(frame);
    }
    state.counters["MB"] = double(bytes) / 1e6;
}

void SnapshotDecode(benchmark::State &state)
{
    const QByteArray body
        = *encodeSyncMessage({SyncMessageKind::Snapshot, QStringLiteral("M"), event(), std::nullopt});
    for (auto _ : state) {
        auto message = decodeSyncMessage(body);
        if (!message || !message->race)
            state.SkipWithError("snapshot did not decode");
        benchmark::DoNotOptimize(message);
    }
}

void CardReadRoundTrip(benchmark::State &state)
{
    ensureApplication();
    LoopbackDirectory directory;
    Race masterRace = event();
    SyncEngine master(directory.factory());
    master.currentRace = [&] { return std::optional<Race>(masterRace); };
    master.onResultSubmitted = [&](const PersonResult &result) {
        masterRace.results.append(result);
        master.broadcastSnapshot(masterRace);
    };
    master.start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Bench"));
    SyncEngine a(directory.factory()), b(directory.factory());
    std::optional<Race> atB;
    a.onSnapshotReceived = [](const Race &) {};
    b.onSnapshotReceived = [&](const Race &race) { atB = race; };
    a.start(StationRole::Slave, QStringLiteral("A"), QStringLiteral("Bench"));
    b.start(StationRole::Slave, QStringLiteral("B"), QStringLiteral("Bench"));
    QElapsedTimer wait;
    wait.start();
    while ((!atB || a.connectedStationCount() == 0) && wait.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!atB) {
        state.SkipWithError("slave B got no race");
        return;
    }
    for (auto _ : state) {
        PersonResult result = event().results.first();
        result.id = QUuid::createUuid();
        atB.reset();
        a.submitResult(result);
        const auto holds = [&] {
            return atB && std::any_of(atB->results.cbegin(), atB->results.cend(), [&](const PersonResult &r) {
                return r.id == result.id;
            });
        };
        while (!holds() && wait.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!holds())
            state.SkipWithError("the result did not reach slave B");
    }
}

} // namespace

BENCHMARK(SnapshotEncode)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SnapshotDecode)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(CardReadRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK_MAIN();
