// The entry list screen's view-model work on the generated event (5,000 entries, 60 classes, 3
// stages): one keystroke in the search box (filter, sort and rows rebuilt), a change of the sort
// field, and the first build after the entries changed (search texts folded, sort keys, rows).
#include "benchstore.h"
#include "entriesscreen.h"

namespace {

// What an organiser types, one keystroke after another, then deletes again.
const QStringList keystrokes {QStringLiteral("a"), QStringLiteral("an"), QStringLiteral("and"),
    QStringLiteral("ande"), QStringLiteral("and"), QStringLiteral("an"), QStringLiteral("a"), QString()};

void BM_SearchKeystroke(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(generatedEvent(), false, state))
        return;
    EntriesScreen screen;
    screen.setStore(&bench.store());
    screen.setSortFieldIndex(int(state.range(0)));
    screen.rebuildNow();
    qsizetype i = 0;
    for (auto _ : state) {
        screen.setSearchText(keystrokes.at(i++ % keystrokes.size()));
        screen.rebuildNow();
        benchmark::DoNotOptimize(screen.rows()->rowCount());
    }
}

void BM_SortFieldChange(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(generatedEvent(), false, state))
        return;
    for (auto _ : state) {
        // A fresh screen each round, so the field's order is computed, not reused.
        state.PauseTiming();
        auto screen = std::make_unique<EntriesScreen>();
        screen->setStore(&bench.store());
        screen->rebuildNow();
        state.ResumeTiming();
        screen->setSortFieldIndex(int(ParticipantSortField::ClassAndCourse));
        screen->rebuildNow();
        benchmark::DoNotOptimize(screen->rows()->rowCount());
    }
}

void BM_FirstBuild(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(generatedEvent(), false, state))
        return;
    for (auto _ : state) {
        EntriesScreen screen;
        screen.setStore(&bench.store());
        screen.rebuildNow();
        benchmark::DoNotOptimize(screen.rows()->rowCount());
    }
}

} // namespace

BENCHMARK(BM_SearchKeystroke)->Arg(0)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortFieldChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstBuild)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
