// The set-up screens' view-model work on the generated event (60 classes, 40 courses of 20
// controls, 3 stages, the first active): rebuilding the classes screen's derived lists and rows,
// one class edit until the rows are rebuilt (the store's autosave handed to its writer included),
// and opening the courses screen.
#include "benchstore.h"
#include "classesscreen.h"
#include "coursesscreen.h"

#include <QElapsedTimer>

namespace {

Race activeStageEvent()
{
    Race race = generatedEvent();
    race.activeStageId = race.stages.first().id;
    return race;
}

void BM_ClassesRebuild(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(activeStageEvent(), false, state))
        return;
    ClassesScreen screen;
    screen.setStore(&bench.store());
    for (auto _ : state)
        screen.rebuildNow();
}

void BM_ClassEditToRows(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(activeStageEvent(), false, state))
        return;
    ClassesScreen screen;
    screen.setStore(&bench.store());
    screen.rebuildNow();
    const QString classId = bench.store().race().classes.at(7).id;
    int round = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        screen.renameClass(classId, QStringLiteral("Edited %1").arg(++round));
        screen.rebuildNow();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        bench.store().flushAutosave();
    }
}

void BM_CoursesOpen(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(activeStageEvent(), false, state))
        return;
    for (auto _ : state) {
        CoursesScreen screen;
        screen.setStore(&bench.store());
        benchmark::DoNotOptimize(screen.rows()->rowCount());
    }
}

} // namespace

BENCHMARK(BM_ClassesRebuild)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ClassEditToRows)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CoursesOpen)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
