// Writing the documents of the generated event: results PDF, split-times PDF and the IOF result
// list of the first stage, and the start lists of every entry (IOF, OE CSV, PDF) (one result with 20 splits
// per entry, 60 classes), at 500, 5,000 and 50,000 entries: the argument is the number of entries.
// Beside them the machine's floors under the result list with splits (reading its split times,
// writing a document of its size).
#include "benchcold.h"
#include "iofresultlistwriter.h"
#include "iofstartlistwriter.h"
#include "oecsv.h"
#include "racegenerator.h"
#include "resultpdfs.h"
#include "startlistpdfs.h"
#include "utf8document.h"

#include <QGuiApplication>
#include <QHash>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstring>
#include <map>
#include <memory>

#include <benchmark/benchmark.h>

namespace {

struct Fixture
{
    Race race;
    QList<ResultGroup> groups;
};

Fixture makeFixture(int entries)
{
    Fixture out;
    out.race = generatedRaceOfSize(entries);
    const QString stage = out.race.stages.isEmpty() ? QString() : out.race.stages.first().id;
    QHash<QString, qsizetype> groupOf;
    for (const RaceClass &c : out.race.classes) {
        groupOf.insert(c.id, out.groups.size());
        out.groups.append({c.name, {}});
    }
    QHash<QUuid, QString> classOf;
    for (const Participant &p : out.race.participants) {
        std::optional<QString> id = p.classId;
        if (p.classIdByStage && p.classIdByStage->contains(stage))
            id = p.classIdByStage->value(stage);
        if (id)
            classOf.insert(p.id, *id);
    }
    for (const PersonResult &r : out.race.results) {
        if (r.stageId.value_or(stage) != stage)
            continue;
        const auto it = groupOf.constFind(classOf.value(r.participantId));
        if (it != groupOf.constEnd())
            out.groups[*it].results.append(r);
    }
    return out;
}

const Fixture &fixture(const benchmark::State &state)
{
    static std::map<int, std::unique_ptr<const Fixture>> fixtures;
    auto &slot = fixtures[int(state.range(0))];
    if (!slot)
        slot = std::make_unique<const Fixture>(makeFixture(int(state.range(0))));
    return *slot;
}

qsizetype resultCount(const Fixture &f)
{
    qsizetype n = 0;
    for (const ResultGroup &g : f.groups)
        n += g.results.size();
    return n;
}

void BM_ResultsPDF(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.pdf"));
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        const PdfExportResult r = renderResultsPDF(f.race, f.groups, QStringLiteral("Stage 1"), path);
        if (!r.ok)
            state.SkipWithError(qPrintable(r.error));
    }
    state.counters["results"] = double(resultCount(f));
}
BENCHMARK(BM_ResultsPDF)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_SplitTimesPDF(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("splits.pdf"));
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        const PdfExportResult r = renderSplitTimesPDF(f.race, f.groups, QStringLiteral("Stage 1"), path);
        if (!r.ok)
            state.SkipWithError(qPrintable(r.error));
    }
    state.counters["results"] = double(resultCount(f));
}
BENCHMARK(BM_SplitTimesPDF)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_IOFResultListWithSplits(benchmark::State &state)
{
    qint64 bytes = 0;
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        const QByteArray xml = writeIOFResultListWithSplitsXML(f.race, f.groups);
        bytes = xml.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_IOFResultListWithSplits)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_IOFResultList(benchmark::State &state)
{
    qint64 bytes = 0;
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        const QByteArray xml = writeIOFResultListXML(f.race, f.groups);
        bytes = xml.size();
        benchmark::DoNotOptimize(xml);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_IOFResultList)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The machine's own floors under the result list with splits: every split time its rows write
// read once, in the rows' order (control code, status and time, nothing written), and a document
// of its size written the way it is (a kept buffer, streamed past the caches from 20 MB), 2,535
// bytes (a row) at a time. The list cannot grow less between sizes than these do.
void BM_IOFSplitTimesReadFloor(benchmark::State &state)
{
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        qint64 sum = 0;
        for (const ResultGroup &g : f.groups) {
            for (const PersonResult &r : g.results) {
                for (const SplitTime &s : r.splits)
                    sum += s.controlCode + qint64(s.status) + qint64(s.elapsedFromStart.value_or(0));
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_IOFSplitTimesReadFloor)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_IOFDocumentWriteFloor(benchmark::State &state)
{
    static BufferStash kept;
    const qsizetype size = qsizetype(state.range(0)) * 2535;
    char row[2535];
    std::memset(row, 'x', sizeof row);
    for (auto _ : state) {
        startCold(state);
        Utf8Document out(kept, size, {});
        for (qsizetype written = 0; written + qsizetype(sizeof row) <= size; written += qsizetype(sizeof row))
            out.bytes(row, qsizetype(sizeof row));
        const QByteArray bytes = out.finish();
        benchmark::DoNotOptimize(bytes.constData());
    }
}
BENCHMARK(BM_IOFDocumentWriteFloor)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The start lists of every entry: IOF StartList, OE CSV and the start-list PDF.
void BM_IOFStartList(benchmark::State &state)
{
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        const QByteArray xml = writeIOFStartListXML(f.race, f.race.participants);
        benchmark::DoNotOptimize(xml);
    }
}
BENCHMARK(BM_IOFStartList)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_OECSV(benchmark::State &state)
{
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        QRandomGenerator random(7);
        const QString csv = makeOECSV(f.race, random);
        benchmark::DoNotOptimize(csv);
    }
}
BENCHMARK(BM_OECSV)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_StartListPDF(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("starts.pdf"));
    const Fixture &f = fixture(state); // built once, outside the timing
    for (auto _ : state) {
        startCold(state);
        const PdfExportResult r = renderStartListPDF(f.race, f.race.participants, f.race.classes, path);
        if (!r.ok)
            state.SkipWithError(qPrintable(r.error));
    }
}
BENCHMARK(BM_StartListPDF)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // PDF output needs a GUI application; no display is used.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
