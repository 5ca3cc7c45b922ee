// The start-list screen over the generated event (60 classes, 3 stages; 500, 5,000 or 50,000
// entries: the benchmark's argument) with the active stage planned by the generator: the derived
// lists (filter, start order, bands, grid) and the import of the IOF StartList the screen exports.
#include "benchcold.h"
#include "benchstore.h"
#include "iofstartlistwriter.h"
#include "startlistdata.h"
#include "startlistviewmodel.h"
#include "starttimeoperations.h"

#include <QFile>
#include <QGuiApplication>

#include <sys/resource.h>

#include <map>
#include <memory>

namespace {

// The process's minor page faults so far: memory the kernel hands out fresh on first touch.
long minorFaults()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// Runs what is queued and what that queues in turn (a pass runs only what was posted before it).
void drainPostedEvents()
{
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents();
}

Race planned(int entries)
{
    Race r = generatedRaceOfSize(entries);
    StartGeneratorSettings settings;
    settings.windowMinutes = 240;
    settings.slotCapacity = slotCapacityForWindow(r.participants.size(), settings.windowMinutes);
    settings.seed = 1;
    if (const auto plan = planStartList(r, QStringLiteral("09:00"), settings, QDate(2025, 5, 17)))
        applyStartPlan(r, *plan);
    return r;
}

// Planned once per size and kept: the sizes share the process.
const Race &plannedEvent(const benchmark::State &state)
{
    static std::map<int, std::unique_ptr<const Race>> races;
    auto &slot = races[int(state.range(0))];
    if (!slot)
        slot = std::make_unique<const Race>(planned(int(state.range(0))));
    return *slot;
}

QByteArray startListXml(const Race &race)
{
    const StartListLists lists = startListLists(race, {});
    return writeIOFStartListXML(race, exportScheduledParticipants(race, lists));
}

void BM_DerivedLists(benchmark::State &state)
{
    const Race &race = plannedEvent(state);
    qsizetype scheduled = 0;
    for (auto _ : state) {
        startCold(state);
        const StartListLists lists = startListLists(race, {});
        const QList<bool> bands = startTimeBands(lists);
        const GridIndex grid = buildGridIndex(lists, race.classes);
        scheduled = lists.scheduled.size();
        benchmark::DoNotOptimize(bands);
        benchmark::DoNotOptimize(grid);
    }
    state.counters["scheduled"] = double(scheduled);
}
BENCHMARK(BM_DerivedLists)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_DerivedListsSearch(benchmark::State &state)
{
    const Race &race = plannedEvent(state);
    for (auto _ : state) {
        startCold(state);
        benchmark::DoNotOptimize(startListLists(race, {QString(), QStringLiteral("an")}));
    }
}
BENCHMARK(BM_DerivedListsSearch)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The first search after the runners changed (each time a new copy of them): what the search
// works out once per change of the event is worked out again.
void BM_DerivedListsFirstSearch(benchmark::State &state)
{
    const Race &race = plannedEvent(state);
    Race changed;
    for (auto _ : state) {
        state.PauseTiming();
        changed = race;
        changed.participants.detach();
        // The runners of the last change go while the timing waits, as they would when the screen
        // replaced its lists: their going is no part of the search. (A list made without a search
        // lets go of what the last search kept.)
        benchmark::DoNotOptimize(startListLists(changed, {}));
        evictIfCold();
        state.ResumeTiming();
        benchmark::DoNotOptimize(startListLists(changed, {QString(), QStringLiteral("an")}));
    }
}
BENCHMARK(BM_DerivedListsFirstSearch)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The view-model's whole rebuild: the lists, the rows and grid rows the views read.
void BM_ScreenRefresh(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(plannedEvent(state), false, state))
        return;
    StartListViewModel vm;
    vm.setStore(&bench.store());
    vm.setDisplayMode(1);
    for (auto _ : state) {
        startCold(state);
        vm.refreshNow();
    }
    state.counters["rows"] = double(vm.scheduled().size() + vm.unscheduled().size());
    vm.setStore(nullptr);
}
BENCHMARK(BM_ScreenRefresh)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// Parse, match every entry and write the times into the event.
void BM_ImportStartList(benchmark::State &state)
{
    const QByteArray xml = startListXml(plannedEvent(state));
    Race cleared = plannedEvent(state);
    for (Participant &p : cleared.participants)
        p.startTimeByStage.reset();
    qsizetype applied = 0;
    for (auto _ : state) {
        startCold(state);
        Race race = cleared;
        const StartListImportPlan plan = planStartListImport(race, IOFStartListParser::parse(xml));
        applyStartListImportPlan(race, plan);
        applied = plan.summary.applied;
        benchmark::DoNotOptimize(race);
    }
    state.counters["applied"] = double(applied);
    state.counters["MB"] = double(xml.size()) / 1e6;
}
BENCHMARK(BM_ImportStartList)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The whole screen action: read the file, parse, apply in steps through the event loop, one
// store change and autosave (written by the background writer). The event is opened from its
// event file, as an organiser's is: the import's journal line then holds the start times it
// changed. (Opened without a file, an event's first change puts the whole event into the journal
// once, which is most of this time.)
void BM_ImportThroughScreen(benchmark::State &state)
{
    // The application's gap between full writes: the import's full files are written later, from
    // copies of their own, and the race's lists stay its own meanwhile. With no gap the writer
    // would share them, and the store copies the results for the next card read at once.
    BenchStore bench(std::chrono::seconds(10));
    Race cleared = plannedEvent(state);
    for (Participant &p : cleared.participants)
        p.startTimeByStage.reset();
    const QString path = bench.filePath(QStringLiteral("startlist.xml"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(startListXml(plannedEvent(state))) < 0) {
        state.SkipWithError("cannot write the start list");
        return;
    }
    out.close();
    StartListViewModel vm;
    long faults = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!bench.open(cleared, true, state))
            return;
        vm.setStore(&bench.store());
        // What opening the event queued (the screen's first rows, the store's preparation for
        // card reads) runs in the idle time before an organiser could start the import.
        drainPostedEvents();
        evictIfCold();
        const long before = minorFaults();
        state.ResumeTiming();
        vm.importStartList(QUrl::fromLocalFile(path));
        while (vm.importIsRunning())
            QCoreApplication::processEvents();
        // The change's own follow-ups: the screen's rows again and the store's preparation.
        drainPostedEvents();
        state.PauseTiming();
        faults += minorFaults() - before;
        vm.setStore(nullptr);
        bench.store().flushAutosave();
        state.ResumeTiming();
    }
    state.counters["faults"] = benchmark::Counter(double(faults), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ImportThroughScreen)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
