// The entry list screen's view-model work on the generated event (60 classes, 3 stages; 500, 5,000
// or 50,000 entries: the last argument): one keystroke in the search box (filter, sort and rows rebuilt), a
// change of the sort field, and the first build after the entries changed (search texts folded, sort keys,
// rows), each followed by what a list view reads of the rows it shows; and the screen's import of an
// EntryList of that size.
#include "benchcold.h"
#include "benchentrylist.h"
#include "benchstore.h"
#include "entriesscreen.h"
#include "entryimport.h"

#include <QFile>

namespace {

// What the list view reads once the rows are replaced: every role of the rows that fit on screen.
void readVisibleRows(EntryRowsModel *rows)
{
    const QList<int> roles = rows->roleNames().keys();
    for (int i = 0; i < std::min(rows->rowCount(), 40); ++i) {
        for (const int role : roles)
            benchmark::DoNotOptimize(rows->data(rows->index(i), role));
    }
}

// What an organiser types, one keystroke after another, then deletes again.
const QStringList keystrokes {QStringLiteral("a"), QStringLiteral("an"), QStringLiteral("and"),
    QStringLiteral("ande"), QStringLiteral("and"), QStringLiteral("an"), QStringLiteral("a"), QString()};

void BM_SearchKeystroke(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(generatedRaceOfSize(int(state.range(1))), false, state))
        return;
    EntriesScreen screen;
    screen.setStore(&bench.store());
    screen.setSortFieldIndex(int(state.range(0)));
    screen.rebuildNow();
    readVisibleRows(screen.rows());
    qsizetype i = 0;
    for (auto _ : state) {
        startCold(state);
        screen.setSearchText(keystrokes.at(i++ % keystrokes.size()));
        screen.rebuildNow();
        readVisibleRows(screen.rows());
    }
}

void BM_SortFieldChange(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(generatedRaceOfSize(int(state.range(0))), false, state))
        return;
    for (auto _ : state) {
        // A fresh screen each round, so the field's order is computed, not reused.
        state.PauseTiming();
        auto screen = std::make_unique<EntriesScreen>();
        screen->setStore(&bench.store());
        screen->rebuildNow();
        readVisibleRows(screen->rows());
        evictIfCold();
        state.ResumeTiming();
        screen->setSortFieldIndex(int(ParticipantSortField::ClassAndCourse));
        screen->rebuildNow();
        readVisibleRows(screen->rows());
    }
}

void BM_FirstBuild(benchmark::State &state)
{
    BenchStore bench;
    if (!bench.open(generatedRaceOfSize(int(state.range(0))), false, state))
        return;
    for (auto _ : state) {
        startCold(state);
        EntriesScreen screen;
        screen.setStore(&bench.store());
        screen.rebuildNow();
        readVisibleRows(screen.rows());
    }
}

// The screen's import of the EntryList file, as an organiser starts it: read, merged into the event,
// one store change (journalled before it returns) and the screen's report. The event is opened
// from its event file, as an organiser's is; argument 0: an event without entries, 1: the event
// that already holds the same entries (an import again after changes at the source).
void BM_ImportThroughScreen(benchmark::State &state)
{
    QuietLog quiet;
    const int entries = int(state.range(1));
    BenchStore bench;
    const QString path = bench.filePath(QStringLiteral("entries.xml"));
    const QByteArray xml = makeEntryListXml(entries);
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(xml) != xml.size()) {
        state.SkipWithError("cannot write the entry list");
        return;
    }
    out.close();
    Race event;
    if (state.range(0) == 1)
        applyDownloadedEntries(event, xml, 200);
    for (auto _ : state) {
        state.PauseTiming();
        if (!bench.open(event, true, state))
            return;
        EntriesScreen screen;
        screen.setStore(&bench.store());
        screen.rebuildNow();
        evictIfCold();
        state.ResumeTiming();
        screen.importFromFile(QUrl::fromLocalFile(path));
        state.PauseTiming();
        if (screen.importReport().isEmpty())
            state.SkipWithError("no import report");
        screen.setStore(nullptr);
        bench.store().flushAutosave();
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_ImportThroughScreen)->ArgsProduct({{0, 1}, {500, 5000, 50000}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchKeystroke)->ArgsProduct({{0, 1, 3}, {500, 5000, 50000}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortFieldChange)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstBuild)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
