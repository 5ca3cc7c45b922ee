// Writing the documents of the generated 5,000-entry event: results PDF, split-times PDF and the
// IOF result list of the first stage (5,000 results with 20 splits each, 60 classes).
#include "iofresultlistwriter.h"
#include "racegenerator.h"
#include "resultpdfs.h"

#include <QGuiApplication>
#include <QHash>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Fixture
{
    Race race;
    QList<ResultGroup> groups;
};

const Fixture &fixture()
{
    static const Fixture f = [] {
        Fixture out;
        out.race = generateRace();
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
    }();
    return f;
}

qsizetype resultCount()
{
    qsizetype n = 0;
    for (const ResultGroup &g : fixture().groups)
        n += g.results.size();
    return n;
}

void BM_ResultsPDF(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.pdf"));
    (void)fixture(); // built once, outside the timing
    for (auto _ : state) {
        const PdfExportResult r
            = renderResultsPDF(fixture().race, fixture().groups, QStringLiteral("Stage 1"), path);
        if (!r.ok)
            state.SkipWithError(qPrintable(r.error));
    }
    state.counters["results"] = double(resultCount());
}
BENCHMARK(BM_ResultsPDF)->Unit(benchmark::kMillisecond);

void BM_SplitTimesPDF(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("splits.pdf"));
    (void)fixture(); // built once, outside the timing
    for (auto _ : state) {
        const PdfExportResult r
            = renderSplitTimesPDF(fixture().race, fixture().groups, QStringLiteral("Stage 1"), path);
        if (!r.ok)
            state.SkipWithError(qPrintable(r.error));
    }
    state.counters["results"] = double(resultCount());
}
BENCHMARK(BM_SplitTimesPDF)->Unit(benchmark::kMillisecond);

void BM_IOFResultListWithSplits(benchmark::State &state)
{
    qint64 bytes = 0;
    (void)fixture(); // built once, outside the timing
    for (auto _ : state) {
        const QString xml = writeIOFResultListWithSplitsXML(fixture().race, fixture().groups);
        bytes = xml.toUtf8().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_IOFResultListWithSplits)->Unit(benchmark::kMillisecond);

void BM_IOFResultList(benchmark::State &state)
{
    (void)fixture(); // built once, outside the timing
    for (auto _ : state) {
        const QString xml = writeIOFResultListXML(fixture().race, fixture().groups);
        benchmark::DoNotOptimize(xml);
    }
}
BENCHMARK(BM_IOFResultList)->Unit(benchmark::kMillisecond);

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
