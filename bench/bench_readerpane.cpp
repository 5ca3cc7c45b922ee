// The reader pane's list of results on the generated 3-stage event (500, 5,000 or 50,000 entries,
// a result per entry and stage: the last argument), as it is rebuilt after every change of the
// race: every result grouped by class, newest first, each row's name, time, verdict and whether
// it is a repeated read, then what the list view reads of the rows it shows. BM_RecentResults
// gives the list the same event each time, as a change of neither the entries nor the results
// (a setting) leaves it: everything the list keeps holds. AfterEntryChange gives it, in turn, two
// copies of the event with entries of their own (the same entries, stored apart) and the one list
// of results, as after a change of the entries: the runners and their classes are found again.
// AfterCardRead gives it two copies with results of their own (the same results, stored apart)
// and the one list of entries, as after a card read: every result is read again.
#include "benchcold.h"
#include "racedaydesk.h"
#include "racegenerator.h"
#include "readerpaneviewmodel.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

// Shows the rows a screen reads of the list: the first 30, every role.
void readShownRows(RecentResultsModel &rows, const QList<int> &roles)
{
    for (int i = 0; i < std::min(rows.rowCount(), 30); ++i) {
        for (const int role : roles)
            benchmark::DoNotOptimize(rows.data(rows.index(i), role));
    }
}

void BM_RecentResults(benchmark::State &state)
{
    static int argc = 0;
    static QCoreApplication app(argc, nullptr);
    const Race &race = generatedRaceOfSize(int(state.range(0)));
    RecentResultsModel rows;
    const QList<int> roles = rows.roleNames().keys();
    // Shown once before: every timed change finds the list as the last change left it.
    rows.setRace(race);
    for (auto _ : state) {
        startCold(state);
        rows.setRace(race);
        readShownRows(rows, roles);
    }
}

// Gives the list, in turn, the generated event and a copy of it with one of its lists stored apart
// (`storeApart`), as after a change of that list. The pane shows the copy before: the first timed
// change is one too.
template<typename StoreApart> void alternate(benchmark::State &state, StoreApart storeApart)
{
    static int argc = 0;
    static QCoreApplication app(argc, nullptr);
    const Race &race = generatedRaceOfSize(int(state.range(0)));
    Race other = race;
    storeApart(other);
    RecentResultsModel rows;
    const QList<int> roles = rows.roleNames().keys();
    rows.setRace(other);
    bool flip = false;
    for (auto _ : state) {
        startCold(state);
        rows.setRace(flip ? other : race);
        flip = !flip;
        readShownRows(rows, roles);
    }
}

void BM_RecentResultsAfterEntryChange(benchmark::State &state)
{
    alternate(state, [](Race &race) { race.participants.detach(); });
}

void BM_RecentResultsAfterCardRead(benchmark::State &state)
{
    alternate(state, [](Race &race) { race.results.detach(); });
}

} // namespace

BENCHMARK(BM_RecentResults)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecentResultsAfterCardRead)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecentResultsAfterEntryChange)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
