// Decoding and encoding the generated 5,000-entry, 3-stage event.
#include "racegenerator.h"
#include "racejson.h"

#include <benchmark/benchmark.h>

namespace {

const Race &largeRace()
{
    static const Race race = generateRace();
    return race;
}

void BM_EncodeCompact(benchmark::State &state)
{
    const Race &race = largeRace();
    qint64 bytes = 0;
    for (auto _ : state) {
        auto json = encodeRace(race, JsonLayout::Compact);
        bytes = json->size();
        benchmark::DoNotOptimize(json);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodeCompact)->Unit(benchmark::kMillisecond);

void BM_EncodePretty(benchmark::State &state)
{
    const Race &race = largeRace();
    qint64 bytes = 0;
    for (auto _ : state) {
        auto json = encodeRace(race, JsonLayout::PrettySorted);
        bytes = json->size();
        benchmark::DoNotOptimize(json);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodePretty)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State &state)
{
    const QByteArray json = *encodeRace(largeRace(), JsonLayout::Compact);
    for (auto _ : state) {
        auto race = decodeRace(json);
        benchmark::DoNotOptimize(race);
    }
    state.counters["bytes"] = double(json.size());
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
