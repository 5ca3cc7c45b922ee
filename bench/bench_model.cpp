// Decoding and encoding the generated 3-stage event; the argument is the number of entries (500,
// 5,000 or 50,000).
#include "atomicfile.h"
#include "racegenerator.h"
#include "racejson.h"
#include "racestore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <benchmark/benchmark.h>

namespace {

const Race &largeRace(const benchmark::State &state)
{
    return generatedRaceOfSize(int(state.range(0)));
}

void BM_EncodeCompact(benchmark::State &state)
{
    const Race &race = largeRace(state);
    qint64 bytes = 0;
    for (auto _ : state) {
        auto json = encodeRace(race, JsonLayout::Compact);
        bytes = json->size();
        benchmark::DoNotOptimize(json);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodeCompact)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_EncodePretty(benchmark::State &state)
{
    const Race &race = largeRace(state);
    qint64 bytes = 0;
    for (auto _ : state) {
        auto json = encodeRace(race, JsonLayout::PrettySorted);
        bytes = json->size();
        benchmark::DoNotOptimize(json);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodePretty)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_Decode(benchmark::State &state)
{
    const QByteArray json = *encodeRace(largeRace(state), JsonLayout::Compact);
    for (auto _ : state) {
        auto race = decodeRace(json);
        benchmark::DoNotOptimize(race);
    }
    state.counters["bytes"] = double(json.size());
}
BENCHMARK(BM_Decode)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The event file as saved (pretty, sorted keys): what opening an event reads.
void BM_DecodePretty(benchmark::State &state)
{
    const QByteArray json = *encodeRace(largeRace(state), JsonLayout::PrettySorted);
    for (auto _ : state) {
        auto race = decodeRace(json);
        benchmark::DoNotOptimize(race);
    }
    state.counters["bytes"] = double(json.size());
}
BENCHMARK(BM_DecodePretty)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Opening an event: the saved file (pretty, sorted keys) read from the page cache and decoded.
void BM_LoadEventFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("event.vexloevent.json"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(*encodeRace(largeRace(state), JsonLayout::PrettySorted)) < 0) {
            state.SkipWithError("cannot write the event file");
            return;
        }
    }
    for (auto _ : state) {
        auto race = RaceStore::readEventFile(QUrl::fromLocalFile(path));
        if (!race)
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(race);
    }
}
BENCHMARK(BM_LoadEventFile)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Saving an event: the pretty, sorted-key text written to its file and synced, replacing the
// file saved the iteration before (wall time: most of it is the disk).
void BM_SaveEventFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("event.vexloevent.json"));
    const Race race = largeRace(state);
    for (auto _ : state) {
        const auto json = encodeRace(race, JsonLayout::PrettySorted);
        QString error;
        if (!json || !writeFileAtomically(path, *json, &error))
            state.SkipWithError("not saved");
    }
}
BENCHMARK(BM_SaveEventFile)->Arg(500)->Arg(5000)->Arg(50000)->UseRealTime()->Unit(benchmark::kMillisecond);

// Opening an event right after saving it: the file as the save left it (large files written past
// the page cache, so read from the disk), read and decoded (wall time).
void BM_LoadEventFileJustSaved(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("event.vexloevent.json"));
    const auto json = encodeRace(largeRace(state), JsonLayout::PrettySorted);
    for (auto _ : state) {
        state.PauseTiming();
        QString error;
        if (!json || !writeFileAtomically(path, *json, &error)) {
            state.SkipWithError("not saved");
            return;
        }
        state.ResumeTiming();
        auto race = RaceStore::readEventFile(QUrl::fromLocalFile(path));
        if (!race)
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(race);
    }
}
BENCHMARK(BM_LoadEventFileJustSaved)
    ->Arg(500)
    ->Arg(5000)
    ->Arg(50000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
