// Reading and merging a generated EntryList (the argument: 500, 5,000 or 50,000 entries) and a
// 40-course CourseData file.
#include "benchcold.h"
#include "benchentrylist.h"
#include "coursesetup.h"
#include "entryimport.h"
#include "iofcoursedataparser.h"
#include "iofentrylistparser.h"
#include "log.h"
#include "racegenerator.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

const QByteArray &entryListXml(const benchmark::State &state)
{
    static std::map<int, QByteArray> texts;
    QByteArray &xml = texts[int(state.range(0))];
    if (xml.isEmpty())
        xml = makeEntryListXml(int(state.range(0)));
    return xml;
}

// 40 courses of 20 controls on a 1:10000 map with every position known.
const QByteArray &courseDataXml()
{
    static const QByteArray xml = [] {
        QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<CourseData xmlns=\"http://www.orienteering.org/datastandard/3.0\"><RaceCourseData>"
                         "<Map><Scale>10000</Scale></Map>";
        for (int code = 31; code <= 130; ++code) {
            out += "<Control><Id>" + QByteArray::number(code) + "</Id><MapPosition unit=\"mm\" x=\""
                + QByteArray::number((code * 37) % 400) + "\" y=\"" + QByteArray::number((code * 53) % 280)
                + "\"/></Control>";
        }
        for (int c = 0; c < 40; ++c) {
            out += "<Course><Id>C" + QByteArray::number(c) + "</Id><Name>Course " + QByteArray::number(c)
                + "</Name>";
            for (int k = 0; k < 20; ++k)
                out += "<CourseControl type=\"Control\"><Control>"
                    + QByteArray::number(31 + (c * 7 + k * 13) % 100) + "</Control></CourseControl>";
            out += "</Course>";
        }
        for (int c = 0; c < 40; ++c) {
            out += "<ClassCourseAssignment><ClassName>Class " + QByteArray::number(c)
                + "</ClassName><CourseName>Course " + QByteArray::number(c)
                + "</CourseName></ClassCourseAssignment>";
        }
        return out + "</RaceCourseData></CourseData>\n";
    }();
    return xml;
}

void BM_ParseEntryList(benchmark::State &state)
{
    QuietLog quiet;
    const QByteArray &xml = entryListXml(state);
    for (auto _ : state) {
        startCold(state);
        auto result = IOFEntryListParser::parse(xml);
        benchmark::DoNotOptimize(result);
    }
    state.counters["bytes"] = double(xml.size());
}
BENCHMARK(BM_ParseEntryList)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ImportEntryListIntoEmptyEvent(benchmark::State &state)
{
    QuietLog quiet;
    const QByteArray &xml = entryListXml(state);
    for (auto _ : state) {
        startCold(state);
        Race race;
        applyDownloadedEntries(race, xml, 200);
        benchmark::DoNotOptimize(race);
    }
}
BENCHMARK(BM_ImportEntryListIntoEmptyEvent)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ReimportEntryList(benchmark::State &state)
{
    QuietLog quiet;
    const QByteArray &xml = entryListXml(state);
    Race base;
    applyDownloadedEntries(base, xml, 200);
    for (auto _ : state) {
        state.PauseTiming();
        Race race = base;
        evictIfCold();
        state.ResumeTiming();
        applyDownloadedEntries(race, xml, 200);
        benchmark::DoNotOptimize(race);
    }
}
BENCHMARK(BM_ReimportEntryList)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ParseCourseData(benchmark::State &state)
{
    QuietLog quiet;
    const QByteArray &xml = courseDataXml();
    for (auto _ : state) {
        auto result = IOFCourseDataParser::parse(xml);
        benchmark::DoNotOptimize(result);
    }
    state.counters["bytes"] = double(xml.size());
}
BENCHMARK(BM_ParseCourseData)->Unit(benchmark::kMillisecond);

void BM_ImportCourseDataTwice(benchmark::State &state)
{
    QuietLog quiet;
    const QByteArray &xml = courseDataXml();
    for (auto _ : state) {
        Race race;
        importCourseData(race, xml, QStringLiteral("courses.xml"));
        importCourseData(race, xml, QStringLiteral("courses.xml"));
        benchmark::DoNotOptimize(race);
    }
}
BENCHMARK(BM_ImportCourseDataTwice)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
