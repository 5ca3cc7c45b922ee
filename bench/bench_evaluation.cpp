// Recording one card on the generated 5,000-entry, 3-stage event (15,000 stored results): the
// evaluation alone, and through the store with the autosave that follows every read.
#include "benchstore.h"
#include "cardrecording.h"
#include "standings.h"

#include <QElapsedTimer>

namespace {

const Race &largeRace()
{
    return generatedEvent();
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

// What the organiser waits for at the reader: the store records the card and autosaves the whole
// event (the local file, and the open event file when there is one). "MainThread": until
// recordCardReading returns, the files being written by the background writer; "UntilDurable":
// until flushAutosave() returns with both files on disk.
void runRecordingWithAutosave(benchmark::State &state, bool withEventFile, bool untilDurable)
{
    BenchStore bench;
    if (!bench.open(largeRace(), withEventFile, state))
        return;
    RaceStore &store = bench.store();
    QList<Reading> readings;
    for (qsizetype i : {qsizetype(0), qsizetype(2499), qsizetype(4999)})
        readings.append(readingFor(store.race(), i));
    qsizetype n = 0;
    // Each read appends one result (the store offers no way to take it off unsaved); three more
    // results on 15,000 do not change the figure.
    for (auto _ : state) {
        const Reading &r = readings[n++ % readings.size()];
        QElapsedTimer timer;
        timer.start();
        auto result = store.recordCardReading(r.card, r.punches, std::nullopt, r.start, r.finish);
        benchmark::DoNotOptimize(result);
        if (untilDurable)
            store.flushAutosave();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        // Each measured read starts with an idle writer.
        store.flushAutosave();
    }
}

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

int main(int argc, char **argv)
{
    registerAutosaveBenchmarks("BM_RecordCardReadingWithAutosave", runRecordingWithAutosave);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
