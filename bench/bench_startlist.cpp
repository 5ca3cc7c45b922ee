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

// The generation dialog's coupling on the benchmark's 5,000-entry event (3 stages, day one active):
// the capacity that places everyone in a 166-minute period, and the worst case, a 120-minute period
// no capacity can place everyone in, where the search runs up to one runner a minute per class.
void BM_CapacityPlacingEveryone(benchmark::State &state)
{
    RaceGeneratorOptions options;
    options.withResults = false;
    const Race race = generateRace(options);
    const int window = int(state.range(0));
    std::optional<int> capacity;
    for (auto _ : state) {
        capacity = capacityPlacingEveryone(
            race, window, 1, slotCapacityForWindow(race.participants.size(), window));
        benchmark::DoNotOptimize(capacity);
    }
    state.counters["capacity"] = double(capacity.value_or(0));
}
BENCHMARK(BM_CapacityPlacingEveryone)->ArgName("window")->Arg(166)->Arg(120)->Unit(benchmark::kMillisecond);

void BM_WindowPlacingEveryone(benchmark::State &state)
{
    RaceGeneratorOptions options;
    options.withResults = false;
    const Race race = generateRace(options);
    std::optional<int> window;
    for (auto _ : state) {
        window = windowPlacingEveryone(race, 30, 1, windowForSlotCapacity(race.participants.size(), 30), 900);
        benchmark::DoNotOptimize(window);
    }
    state.counters["window"] = double(window.value_or(0));
}
BENCHMARK(BM_WindowPlacingEveryone)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
