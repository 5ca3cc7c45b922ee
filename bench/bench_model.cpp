// Decoding and encoding the generated 3-stage event; the argument is the number of entries (500,
// 5,000 or 50,000).
#include "atomicfile.h"
#include "benchcold.h"
#include "racegenerator.h"
#include "racejson.h"
#include "racestore.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

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
        startCold(state);
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
        startCold(state);
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
        startCold(state);
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
        startCold(state);
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
        startCold(state);
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
        startCold(state);
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
        evictIfCold();
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

// The machine's own floor for a pass that reads every result record of the event once: one load
// from each 64-byte line of each record and the first line of its splits, nothing else. In stored
// order and (Scattered) in a fixed order unrelated to storage, as lists grouped by class or sorted
// by time read them. Whether the records fit the caches decides this floor's growth from 5,000 to
// 50,000 entries; a job whose own work is small beside it cannot grow less.
void resultRecordsFloor(benchmark::State &state, bool scattered)
{
    const Race &race = largeRace(state);
    std::vector<const PersonResult *> order;
    order.reserve(size_t(race.results.size()));
    for (const PersonResult &r : race.results)
        order.push_back(&r);
    if (scattered) {
        QRandomGenerator rng(20251207);
        for (size_t i = order.size(); i > 1; --i)
            std::swap(order[i - 1], order[rng.bounded(quint32(i))]);
    }
    quint64 sum = 0;
    for (auto _ : state) {
        startCold(state);
        for (const PersonResult *r : order) {
            const auto *bytes = reinterpret_cast<const unsigned char *>(r);
            for (size_t at = 0; at < sizeof(PersonResult); at += 64) {
                quint64 word;
                std::memcpy(&word, bytes + at, sizeof word);
                sum += word;
            }
            if (!r->splits.isEmpty())
                sum += quint64(r->splits.constData()->controlCode);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["records"] = double(order.size());
}
void BM_ResultRecordsFloor(benchmark::State &state)
{
    resultRecordsFloor(state, false);
}
BENCHMARK(BM_ResultRecordsFloor)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
void BM_ResultRecordsFloorScattered(benchmark::State &state)
{
    resultRecordsFloor(state, true);
}
BENCHMARK(BM_ResultRecordsFloorScattered)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The machine's own floor for writing a document of the argument's size in bytes into a buffer
// kept from the iteration before, 2,500 bytes at a time (about a row of a result list with
// splits). The sizes are those of that list of stage 1 at 500, 5,000 and 50,000 entries: whether
// the buffer fits the caches decides this floor's growth.
void BM_BufferWriteFloor(benchmark::State &state)
{
    const auto size = qsizetype(state.range(0));
    QByteArray piece(2500, 'x');
    QByteArray buffer;
    buffer.reserve(size);
    for (auto _ : state) {
        buffer.resize(0);
        while (buffer.size() + piece.size() <= size)
            buffer.append(piece);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["bytes"] = double(buffer.size());
}
BENCHMARK(BM_BufferWriteFloor)->Arg(1270000)->Arg(12700000)->Arg(127000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
