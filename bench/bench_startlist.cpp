// The rule-based start-list generator over generated events: the benchmark's 5,000-entry event
// (one stage), a 2,000-runner / 60-class event, and a five-day event's biggest day (25,000 runners,
// 300 classes). Window 240 minutes, the capacity that just fits everyone, gap 1.
#include "racegenerator.h"
#include "startgenerator.h"

#include <benchmark/benchmark.h>

namespace {

void BM_GenerateStartTimes(benchmark::State &state)
{
    RaceGeneratorOptions options;
    options.entries = int(state.range(0));
    options.classes = int(state.range(1));
    options.courses = int(state.range(2));
    options.stages = 1;
    options.withResults = false;
    const Race race = generateRace(options);
    StartGeneratorSettings settings;
    settings.windowMinutes = 240;
    settings.slotCapacity = slotCapacityForWindow(race.participants.size(), settings.windowMinutes);
    settings.stageId = race.activeStageId;
    const QDateTime firstStart(QDate(2025, 5, 17), QTime(8, 0), Qt::UTC);
    qsizetype placed = 0;
    quint64 seed = 1;
    for (auto _ : state) {
        settings.seed = seed++;
        const StartGeneratorResult result
            = generateStartTimes(race.participants, race.classes, race.courses, firstStart, settings);
        placed = result.assignments.size();
        benchmark::DoNotOptimize(result);
    }
    state.counters["placed"] = double(placed);
}
BENCHMARK(BM_GenerateStartTimes)
    ->ArgNames({"runners", "classes", "courses"})
    ->Args({2000, 60, 40})
    ->Args({5000, 60, 40})
    ->Args({25000, 300, 150})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
