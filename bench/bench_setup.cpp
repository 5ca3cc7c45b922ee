// The set-up screens' view-model work on the generated event (60 classes, 40 courses of 20
// controls, 3 stages, the first active; 500, 5,000 or 50,000 entries: the last argument):
// rebuilding the classes screen's derived lists and rows, one class edit until the rows are rebuilt
// (the store's autosave handed to its writer included), and opening the courses screen.
#include "benchcold.h"
#include "benchstore.h"
#include "classesscreen.h"
#include "coursesscreen.h"

#include <QElapsedTimer>

namespace {

Race activeStageEvent(const benchmark::State &state)
{
    Race race = generatedRaceOfSize(int(state.range(0)));
    race.activeStageId = race.stages.first().id;
    return race;
}

void BM_ClassesRebuild(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(activeStageEvent(state), false, state))
        return;
    ClassesScreen screen;
    screen.setStore(&bench.store());
    for (auto _ : state) {
        startCold(state);
        screen.rebuildNow();
    }
}

void BM_ClassEditToRows(benchmark::State &state)
{
    // The application's gap between full writes: the edits' full files coalesce into the one
    // written at the end, instead of a whole event (855 MB at 50,000 entries) after every edit.
    BenchStore bench(std::chrono::seconds(10));
    if (!bench.open(activeStageEvent(state), false, state))
        return;
    ClassesScreen screen;
    screen.setStore(&bench.store());
    screen.rebuildNow();
    const QString classId = bench.store().race().classes.at(7).id;
    int round = 0;
    // The first change of a generated event puts the whole event into the journal once.
    screen.renameClass(classId, QStringLiteral("Edited %1").arg(++round));
    screen.rebuildNow();
    bench.store().flushAutosave();
    for (auto _ : state) {
        startCold(state);
        QElapsedTimer timer;
        timer.start();
        screen.renameClass(classId, QStringLiteral("Edited %1").arg(++round));
        screen.rebuildNow();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
    bench.store().flushAutosave();
}

void BM_CoursesOpen(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(activeStageEvent(state), false, state))
        return;
    for (auto _ : state) {
        startCold(state);
        CoursesScreen screen;
        screen.setStore(&bench.store());
        benchmark::DoNotOptimize(screen.rows()->rowCount());
    }
}

} // namespace

BENCHMARK(BM_ClassesRebuild)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassEditToRows)
    ->Arg(500)
    ->Arg(5000)
    ->Arg(50000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoursesOpen)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
