#pragma once

// What the store benchmarks share: the generated event, a RaceStore on it in throwaway folders
// (optionally with an open event file, so every autosave also rewrites it), and the registration
// of each measurement twice: "MainThread" (until the call returns, the files being written by the
// background writer) and "UntilDurable" (until flushAutosave() has both files on disk).

#include "racegenerator.h"
#include "racestore.h"
#include "storefakes.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

inline const Race &generatedEvent()
{
    static const Race race = generateRace();
    return race;
}

inline void ensureBenchApplication()
{
    static int argc = 0;
    static QCoreApplication app(argc, nullptr);
}

class BenchStore
{
public:
    // `fullWriteGap`: as RaceStoreOptions (the application's choice, or 0: every autosave written
    // as soon as the writer is free).
    explicit BenchStore(std::chrono::milliseconds fullWriteGap = std::chrono::milliseconds(0))
    {
        ensureBenchApplication();
        RaceStoreOptions options;
        options.fullWriteGap = fullWriteGap;
        options.settings = std::make_unique<QSettings>(m_dir.filePath("settings.ini"), QSettings::IniFormat);
        options.autosaveFolder = m_dir.filePath("data");
        options.keyStore = std::make_unique<MemoryKeyStore>();
        m_store = std::make_unique<RaceStore>(std::move(options));
    }

    // Loads the race and, when asked, saves it to an event file; false (reported to `state`)
    // when that file cannot be written.
    [[nodiscard]] bool open(const Race &race, bool withEventFile, benchmark::State &state)
    {
        m_store->setRace(race);
        if (withEventFile && !m_store->save(QUrl::fromLocalFile(m_dir.filePath("event.vexloevent.json")))) {
            state.SkipWithError("cannot write the event file");
            return false;
        }
        return true;
    }

    RaceStore &store() { return *m_store; }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<RaceStore> m_store;
};

// Registers `fn(state, withEventFile, untilDurable)` as <name>/LocalOnlyMainThread,
// <name>/LocalOnlyUntilDurable, <name>/WithEventFileMainThread and <name>/WithEventFileUntilDurable.
template<typename F> void registerAutosaveBenchmarks(const char *name, F fn, int iterations = 5)
{
    for (const bool withEventFile : {false, true}) {
        for (const bool untilDurable : {false, true}) {
            const std::string full = std::string(name) + (withEventFile ? "/WithEventFile" : "/LocalOnly")
                + (untilDurable ? "UntilDurable" : "MainThread");
            benchmark::RegisterBenchmark(full.c_str(),
                [fn, withEventFile, untilDurable](
                    benchmark::State &state) { fn(state, withEventFile, untilDurable); })
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(iterations);
        }
    }
}
