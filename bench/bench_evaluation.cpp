// Recording one card on the generated 5,000-entry, 3-stage event (15,000 stored results).
#include "cardrecording.h"
#include "racegenerator.h"
#include "standings.h"

#include <benchmark/benchmark.h>

namespace {

const Race &largeRace()
{
    static const Race race = generateRace();
    return race;
}

// A read-out of the entry's stage-1 run with a fresh finish time, so it is appended (not a repeat).
struct Reading
{
    QString card;
    QList<SIPunch> punches;
    std::optional<QDateTime> start;
    std::optional<QDateTime> finish;
};

Reading readingFor(const Race &race, qsizetype entry)
{
    const PersonResult &stored = race.results[entry];
    Reading r;
    r.card = stored.cardNumber;
    r.punches = *stored.punches;
    r.start = stored.cardStartTime;
    r.finish = stored.finishTime->addSecs(1);
    return r;
}

void BM_RecordCardReading(benchmark::State &state)
{
    Race race = largeRace();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    // Entries spread over the participant list: early, middle and late card-number look-ups.
    QList<Reading> readings;
    for (qsizetype i : {qsizetype(0), qsizetype(2499), qsizetype(4999), qsizetype(1234), qsizetype(3777)})
        readings.append(readingFor(race, i));
    qsizetype n = 0;
    for (auto _ : state) {
        const Reading &r = readings[n++ % readings.size()];
        CardRecording rec = recordCardReading(race, r.card, r.punches, std::nullopt, r.start, r.finish, now);
        benchmark::DoNotOptimize(rec);
        // Keep the event at its size: the appended result is taken off again.
        if (rec.appended)
            race.results.removeLast();
    }
}
BENCHMARK(BM_RecordCardReading)->Unit(benchmark::kMicrosecond);

// A card that names no course: the class's candidates are matched from the punches first.
void BM_RecordCardReadingWithCourseMatch(benchmark::State &state)
{
    Race race = largeRace();
    for (RaceClass &c : race.classes) {
        c.mode = RaceClassMode::MultiCourse;
        c.courseIds.reset(); // every one of the 40 courses is a candidate
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const Reading r = readingFor(race, 4999);
    for (auto _ : state) {
        CardRecording rec = recordCardReading(race, r.card, r.punches, std::nullopt, r.start, r.finish, now);
        benchmark::DoNotOptimize(rec);
        if (rec.appended)
            race.results.removeLast();
    }
}
BENCHMARK(BM_RecordCardReadingWithCourseMatch)->Unit(benchmark::kMicrosecond);

void BM_RankedResults(benchmark::State &state)
{
    const Race &race = largeRace();
    for (auto _ : state) {
        auto rows = rankedResults(race, QStringLiteral("class-1"));
        benchmark::DoNotOptimize(rows);
    }
}
BENCHMARK(BM_RankedResults)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
