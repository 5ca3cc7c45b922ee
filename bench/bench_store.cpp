// One store autosave of the generated 5,000-entry, 3-stage event: the local autosave alone, and
// the local autosave plus the open event file. "MainThread" is the time until autosave() returns
// (what a card read waits for; the files are written by the background writer); "UntilDurable"
// adds flushAutosave(), until both files are on disk.
#include "racegenerator.h"
#include "racestore.h"
#include "storefakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const Race &largeRace()
{
    static const Race race = generateRace();
    return race;
}

void runAutosave(benchmark::State &state, bool withEventFile, bool untilDurable)
{
    int argc = 0;
    static QCoreApplication app(argc, nullptr);
    QTemporaryDir dir;
    RaceStoreOptions options;
    options.settings = std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
    options.autosaveFolder = dir.filePath("data");
    options.keyStore = std::make_unique<MemoryKeyStore>();
    RaceStore store(std::move(options));
    store.setRace(largeRace());
    if (withEventFile && !store.save(QUrl::fromLocalFile(dir.filePath("event.vexloevent.json")))) {
        state.SkipWithError("cannot write the event file");
        return;
    }
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        store.autosave();
        if (untilDurable)
            store.flushAutosave();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        // Each measured autosave starts with an idle writer.
        store.flushAutosave();
    }
}

void BM_AutosaveLocalOnlyMainThread(benchmark::State &state)
{
    runAutosave(state, false, false);
}
BENCHMARK(BM_AutosaveLocalOnlyMainThread)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AutosaveLocalOnlyUntilDurable(benchmark::State &state)
{
    runAutosave(state, false, true);
}
BENCHMARK(BM_AutosaveLocalOnlyUntilDurable)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AutosaveWithEventFileMainThread(benchmark::State &state)
{
    runAutosave(state, true, false);
}
BENCHMARK(BM_AutosaveWithEventFileMainThread)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AutosaveWithEventFileUntilDurable(benchmark::State &state)
{
    runAutosave(state, true, true);
}
BENCHMARK(BM_AutosaveWithEventFileUntilDurable)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

BENCHMARK_MAIN();
