// What the results screen computes at each redraw, on the generated 5,000-entry, 3-stage event
// with 60 classes: the groups of one stage (5,000 results), of every stage (15,000 results), and
// the overall standings, each with its order and places.
#include "benchcold.h"
#include "racegenerator.h"
#include "resultselection.h"

#include <benchmark/benchmark.h>

namespace {

// The argument is the number of entries: 500, 5,000 or 50,000.
const Race &race(const benchmark::State &state)
{
    return generatedRaceOfSize(int(state.range(0)));
}

void runClassView(benchmark::State &state, const QString &stageId)
{
    const ResultFilter filter {QString(), stageId};
    qsizetype rows = 0;
    for (auto _ : state) {
        startCold(state);
        const QList<ClassResults> groups = resultsForClass(race(state), filter);
        rows = 0;
        for (const ClassResults &g : groups)
            rows += g.results.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = double(rows);
}

void OrderOneStage(benchmark::State &state)
{
    runClassView(state, race(state).stages.first().id);
}
BENCHMARK(OrderOneStage)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void OrderEveryStage(benchmark::State &state)
{
    runClassView(state, QString());
}
BENCHMARK(OrderEveryStage)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void OverallStandings(benchmark::State &state)
{
    const ResultFilter filter {QString(), overallStageFilter};
    for (auto _ : state) {
        startCold(state);
        benchmark::DoNotOptimize(overallStandings(race(state), filter));
    }
}
BENCHMARK(OverallStandings)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
