// One store autosave of the generated 5,000-entry, 3-stage event: the local autosave alone, and
// the local autosave plus the open event file.
#include "racegenerator.h"
#include "racestore.h"
#include "storefakes.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const Race &largeRace()
{
    static const Race race = generateRace();
    return race;
}

void runAutosave(benchmark::State &state, bool withEventFile)
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
    for (auto _ : state)
        store.autosave();
}

void BM_AutosaveLocalOnly(benchmark::State &state)
{
    runAutosave(state, false);
}
BENCHMARK(BM_AutosaveLocalOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AutosaveWithEventFile(benchmark::State &state)
{
    runAutosave(state, true);
}
BENCHMARK(BM_AutosaveWithEventFile)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
