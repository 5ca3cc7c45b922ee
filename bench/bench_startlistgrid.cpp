// Frame time of the start-list grid while it scrolls, in the real main window (offscreen, software
// scene graph) over a generated event of 60 classes and 2,000 runners with a rule-based plan. One
// iteration moves the grid by one wheel step (48 px down, or 140 px, one column, sideways) and
// renders a frame: polish, sync and render with the read-back of the frame (grabWindow), which is
// what one frame costs the main thread here. Rows coming into view are built during that frame.
// A still frame (nothing moved, the scene graph still re-rendered and read back) is the baseline.

#include "localization.h"
#include "racestoreshell.h"
#include "startgenerator.h"
#include "startplanchecker.h"
#include "storefakes.h"
#include "vexloapp.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQuickItem>
#include <QQuickWindow>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct GridWindow
{
    GridWindow()
    {
        StartListShape shape;
        shape.classes = 60;
        shape.runners = 2000;
        shape.courses = 40;
        Race race = startListEvent(shape);
        StartGeneratorSettings settings;
        settings.slotCapacity = 22;
        const std::optional<StartGeneratorResult> plan
            = planStartList(race, QStringLiteral("09:00"), settings, QDate(2025, 5, 17));
        applyPlan(race, *plan);

        RaceStoreOptions options;
        options.settings = std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
        options.autosaveFolder = dir.filePath("data");
        options.keyStore = std::make_unique<MemoryKeyStore>();
        auto store = std::make_unique<RaceStore>(std::move(options));
        store->setRace(race);
        app = std::make_unique<VexloApp>(
            std::make_unique<RaceStoreShell>(std::move(store)), std::make_unique<CardReaderViewModel>());
        if (!app->start())
            return;
        app->window()->resize(1280, 800);
        app->content().setSelectedItem(SidebarItem::StartList);
        settle();
        QQuickItem *view = find(QStringLiteral("startListView"));
        for (QObject *o : view ? view->children() : QObjectList()) {
            if (QString::fromLatin1(o->metaObject()->className())
                    .startsWith(QLatin1String("StartListViewModel")))
                o->setProperty("displayMode", 1);
        }
        for (int i = 0; i < 50 && !(grid = find(QStringLiteral("gridView"))); ++i)
            settle();
    }

    static void applyPlan(Race &race, const StartGeneratorResult &plan)
    {
        // Only the plan's times: runners it leaves out start without one.
        for (Participant &p : race.participants) {
            p.startTime = plan.assignments.contains(p.id) ? std::optional(plan.assignments.value(p.id))
                                                          : std::nullopt;
            p.startTimeByStage.reset();
        }
    }

    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        (void)app->window()->grabWindow();
    }

    QQuickItem *find(const QString &name) const
    {
        QList<QQuickItem *> pending {app->window()->contentItem()};
        while (!pending.isEmpty()) {
            QQuickItem *item = pending.takeLast();
            if (item->isVisible() && item->objectName() == name)
                return item;
            pending.append(item->childItems());
        }
        return nullptr;
    }

    QTemporaryDir dir;
    std::unique_ptr<VexloApp> app;
    QQuickItem *grid = nullptr;
};

// Made on first use, gone before the application object.
std::unique_ptr<GridWindow> window;

GridWindow &gridWindow()
{
    if (!window)
        window = std::make_unique<GridWindow>();
    return *window;
}

void scroll(benchmark::State &state, const char *axis, double step)
{
    GridWindow &w = gridWindow();
    if (!w.grid) {
        state.SkipWithError("the grid did not show");
        return;
    }
    const bool vertical = QByteArray(axis) == "contentY";
    const char *size = vertical ? "contentHeight" : "contentWidth";
    const char *extent = vertical ? "height" : "width";
    w.grid->setProperty(axis, 0.0);
    w.settle();
    double worst = 0;
    for (auto _ : state) {
        double next = w.grid->property(axis).toDouble() + step;
        if (next > w.grid->property(size).toDouble() - w.grid->property(extent).toDouble())
            next = 0;
        QElapsedTimer timer;
        timer.start();
        w.grid->setProperty(axis, next);
        QCoreApplication::processEvents();
        (void)w.app->window()->grabWindow();
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        worst = std::max(worst, seconds);
        state.SetIterationTime(seconds);
    }
    state.counters["worst_ms"] = worst * 1000;
    state.counters["rows"] = w.grid->property("count").toDouble();
}

// The same frame without moving anything: what rendering and reading back the window costs alone.
void BM_GridStillFrame(benchmark::State &state)
{
    scroll(state, "contentY", 0);
}

void BM_GridScrollDown(benchmark::State &state)
{
    scroll(state, "contentY", 48);
}

void BM_GridScrollSideways(benchmark::State &state)
{
    scroll(state, "contentX", 140);
}

} // namespace

BENCHMARK(BM_GridStillFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_GridScrollDown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(300);
BENCHMARK(BM_GridScrollSideways)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication app(argc, argv);
    LocalizationManager::shared().setLanguage(AppLanguage::English);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    window.reset();
    return 0;
}
