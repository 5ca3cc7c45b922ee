// One store autosave of the generated 5,000-entry, 3-stage event: the local autosave alone, and
// the local autosave plus the open event file. "MainThread" is the time until autosave() returns
// (what a card read waits for; the files are written by the background writer); "UntilDurable"
// adds flushAutosave(), until both files are on disk. "JournalPutResult": what makes one recorded
// result durable, its record appended to the change journal and synced.
#include "benchstore.h"
#include "racejournal.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

namespace {

void runAutosave(benchmark::State &state, bool withEventFile, bool untilDurable)
{
    BenchStore bench;
    if (!bench.open(generatedEvent(), withEventFile, state))
        return;
    RaceStore &store = bench.store();
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

void BM_JournalPutResult(benchmark::State &state)
{
    QTemporaryDir dir;
    RaceJournal journal(dir.path());
    const PersonResult &result = generatedEvent().results.first();
    for (auto _ : state)
        journal.putResult(result);
}
BENCHMARK(BM_JournalPutResult)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    registerAutosaveBenchmarks("BM_Autosave", runAutosave);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
