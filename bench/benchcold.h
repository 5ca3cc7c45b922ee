#pragma once

// Cold caches for the sized benchmarks, on request (VEXLO_BENCH_COLD=1 in the environment).
//
// A sized benchmark runs one job over and over on one event. At 5,000 entries the event's data
// stays in the caches from one iteration to the next; at 50,000 only part of it does. The
// application never meets an event that warm: between two redraws or exports a card is read, the
// journal written and synced, the whole event encoded for the autosave. In cold mode each timed
// iteration therefore starts with the caches emptied of the event, the timer paused meanwhile, so
// both sizes are timed as the application runs them and their ratio is the code's own growth, not
// the caches'.
//
// Without the variable nothing is emptied and each timed iteration does exactly the work it did
// before (one test of a flag read at start-up).

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace benchcold {

inline bool readColdSetting()
{
    const char *value = std::getenv("VEXLO_BENCH_COLD");
    return value && *value && std::string(value) != "0";
}

inline const bool enabled = readColdSetting();

// The last-level cache as the system reports it (sysconf, else sysfs "491520K"), 0 when unknown.
inline std::size_t lastLevelCacheBytes()
{
    const long reported = sysconf(_SC_LEVEL3_CACHE_SIZE);
    if (reported > 0)
        return std::size_t(reported);
    std::ifstream in("/sys/devices/system/cpu/cpu0/cache/index3/size");
    std::size_t size = 0;
    char unit = 0;
    if (!(in >> size))
        return 0;
    if (in >> unit)
        size *= unit == 'K' ? 1024 : unit == 'M' ? 1024 * 1024 : 1;
    return size;
}

// Twice the last-level cache (960 MB on the development machine, a virtual one that reports a 480 MB
// L3). Chosen by measurement there: with twice the reported size, reading every result record of
// the 5,000-entry event (bench_model ResultRecordsFloor) costs 63-83 ns a record in stored order and
// 86-107 ns scattered, as at 50,000 entries emptied the same way (65 and 105 ns) and 3 times the
// warm 5,000 figure (25 and 33 ns); 1.5 GB and 2 GB buffers cost no more, 256 MB leaves part of the
// event cached (55 and 66 ns). An eviction then takes about 0.2 s, outside the timing.
inline std::size_t evictionBytes()
{
    const std::size_t cache = lastLevelCacheBytes();
    return 2 * (cache > 0 ? cache : std::size_t(64) << 20);
}

// Writes and then reads one byte in each 64-byte line of a buffer kept for the whole run: its
// pages are faulted in once, at the first eviction, so an eviction costs the caches only. Plain
// stores (not memset, whose large fills may bypass the caches) so every line passes through them.
inline void evict()
{
    static const std::size_t size = evictionBytes();
    static const std::unique_ptr<unsigned char[]> buffer(new unsigned char[size]());
    static unsigned char round = 0;
    ++round;
    unsigned char *bytes = buffer.get();
    benchmark::DoNotOptimize(bytes);
    for (std::size_t at = 0; at < size; at += 64)
        bytes[at] = round;
    benchmark::ClobberMemory();
    unsigned sum = 0;
    for (std::size_t at = 0; at < size; at += 64)
        sum += bytes[at];
    benchmark::DoNotOptimize(sum);
}

} // namespace benchcold

// First line of a timed iteration: in cold mode, empties the caches with the timer paused.
inline void startCold(benchmark::State &state)
{
    if (!benchcold::enabled)
        return;
    state.PauseTiming();
    benchcold::evict();
    state.ResumeTiming();
}

// The same inside an iteration whose timer is already paused (for its set-up): placed just before
// the ResumeTiming(), so the set-up's own traces are emptied too.
inline void evictIfCold()
{
    if (benchcold::enabled)
        benchcold::evict();
}
