// The Status section after one card read on the generated 3-stage event (500, 5,000 or 50,000
// entries: the last argument): the time the outstanding-runners view-model takes to derive its
// list again (and the texts of the rows a window shows), which has to fit in one 16 ms frame with
// room to spare at 5,000. The card reads themselves (store, evaluation, autosave) are not timed:
// bench_raceday measures those.

#include "benchcold.h"
#include "benchstore.h"
#include "log.h"
#include "outstandingrunners.h"

namespace {

// The generated event with no result yet in the active stage: every runner is still to come.
const Race &raceDayMorning(int entries)
{
    return generatedRaceOfSize(entries, false);
}

void outstandingAfterCardRead(benchmark::State &state, StatusFilterGroup group)
{
    BenchStore bench;
    const LogSink previous = setLogSink([](const QString &) {});
    if (!bench.open(raceDayMorning(int(state.range(0))), false, state)) {
        setLogSink(previous);
        return;
    }
    RaceStore &store = bench.store();
    OutstandingScreen screen;
    // Noon of the first day: the early starters are out, the late ones not started yet.
    const QDateTime noon = store.race().stages.first().date.addSecs(12 * 3600);
    screen.setClock([noon] { return noon; });
    screen.setStore(&store);
    if (!screen.selectedGroups().contains(group))
        screen.toggleGroup(rawValue(group));

    qsizetype next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const Participant &runner = store.race().participants.at(next++ % store.race().participants.size());
        store.recordCardReading(runner.cardNumber, {}, std::nullopt, std::nullopt, std::nullopt);
        evictIfCold();
        state.ResumeTiming();

        screen.refresh();
        OutstandingRowsModel *rows = screen.rowsModel();
        for (int i = 0; i < std::min(30, rows->rowCount()); ++i) {
            benchmark::DoNotOptimize(rows->data(rows->index(i), OutstandingRowsModel::NameRole));
            benchmark::DoNotOptimize(rows->data(rows->index(i), OutstandingRowsModel::DetailRole));
        }
        benchmark::DoNotOptimize(screen.countText());
    }
    store.flushAutosave();
    setLogSink(previous);
}

} // namespace

BENCHMARK_CAPTURE(outstandingAfterCardRead, StillGoing, StatusFilterGroup::StillGoing)
    ->Arg(500)
    ->Arg(5000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);
BENCHMARK_CAPTURE(outstandingAfterCardRead, All, StatusFilterGroup::All)
    ->Arg(500)
    ->Arg(5000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(200);

BENCHMARK_MAIN();
