// One store autosave of the generated 5,000-entry, 3-stage event: the local autosave alone, and
// the local autosave plus the open event file. "MainThread" is the time until autosave() returns
// (what a card read waits for; the files are written by the background writer); "UntilDurable"
// adds flushAutosave(), until both files are on disk. "AddParticipant": a runner registered from
// the unmatched-card sheet, measured the same two ways. "JournalPutResult": what makes one
// recorded result durable, its record appended to the change journal and synced.
#include "benchstore.h"
#include "racechanges.h"
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

void runAddParticipant(benchmark::State &state, bool withEventFile, bool untilDurable)
{
    BenchStore bench;
    if (!bench.open(generatedEvent(), withEventFile, state))
        return;
    RaceStore &store = bench.store();
    // The event's first journalled change waits for its files to carry the event's id; the
    // measured registrations come after it, as on a race day.
    Participant first;
    store.addParticipant(first);
    store.flushAutosave();
    int n = 0;
    for (auto _ : state) {
        Participant entry;
        entry.givenName = QStringLiteral("Walk-in %1").arg(++n);
        entry.cardNumber = QString::number(9000000 + n);
        QElapsedTimer timer;
        timer.start();
        store.addParticipant(entry);
        if (untilDurable)
            store.flushAutosave();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        store.flushAutosave();
    }
}

void BM_JournalPutResult(benchmark::State &state)
{
    QTemporaryDir dir;
    RaceJournal journal(dir.path());
    Race after = generatedEvent();
    after.results.append(generatedEvent().results.first());
    after.results.last().id = newUuid();
    const QUuid event = QUuid::createUuid();
    for (auto _ : state) {
        const auto change = encodeRaceChanges(generatedEvent(), after);
        if (!change || !journal.append(change->body, event, false, nullptr))
            state.SkipWithError("journal not written");
    }
}
BENCHMARK(BM_JournalPutResult)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    registerAutosaveBenchmarks("BM_Autosave", runAutosave);
    registerAutosaveBenchmarks("BM_AddParticipant", runAddParticipant);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
