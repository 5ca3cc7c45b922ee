// Recording one card on the generated 5,000-entry, 3-stage event (15,000 stored results): the
// evaluation alone, and through the store with the autosave that follows every read.
#include "benchcold.h"
#include "benchstore.h"
#include "cardrecording.h"
#include "log.h"
#include "sicardreading.h"
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
    // The look-ups the store keeps in step with its event.
    RecordingIndex index;
    qsizetype n = 0;
    for (auto _ : state) {
        const Reading &r = readings[n % readings.size()];
        // A later finish each time, so every read is appended; the event grows by one result per
        // read, which does not change the look-ups' cost.
        const QDateTime finish = r.finish->addSecs(n++);
        CardRecording rec
            = recordCardReading(race, r.card, r.punches, std::nullopt, r.start, finish, now, &index);
        benchmark::DoNotOptimize(rec);
        if (!rec.appended)
            state.SkipWithError("not appended");
    }
}
BENCHMARK(BM_RecordCardReading)->Unit(benchmark::kMicrosecond);

// Checking 10,000 (or 100,000: the argument) cards of 20 controls against their course: an event of
// as many entries with a
// scheduled start, one class on one 20-control course, each card read once (the last one with a
// missing control). Punch times come from the card decoder's day placement, as on race day.
void BM_CourseCheck(benchmark::State &state)
{
    const int cards = int(state.range(0));
    constexpr int controls = 20;
    const QDate day(2025, 6, 14);
    Race race;
    race.stages = {Stage {QStringLiteral("day1"), QStringLiteral("Day 1"), timeOnDay(day, 0), 1}};
    race.activeStageId = QStringLiteral("day1");
    Course course;
    course.id = QStringLiteral("A");
    course.name = QStringLiteral("A");
    course.type = CourseType::Sequential;
    for (int c = 0; c < controls; ++c) {
        CourseControl control;
        control.code = 31 + c;
        control.order = c + 1;
        course.controls.append(control);
    }
    race.courses = {course};
    RaceClass raceClass;
    raceClass.id = QStringLiteral("C");
    raceClass.name = QStringLiteral("C");
    raceClass.courseId = course.id;
    raceClass.mode = RaceClassMode::SingleCourse;
    raceClass.startMethod = StartMethod::ScheduledTime;
    race.classes = {raceClass};
    QList<Reading> readings;
    for (int i = 0; i < cards; ++i) {
        Participant p;
        p.cardNumber = QString::number(500001 + i);
        p.classId = raceClass.id;
        const qint64 start = 9 * 3600 + i % 7200;
        p.startTime = timeOnDay(day, start);
        race.participants.append(p);
        Reading r;
        r.card = p.cardNumber;
        for (int c = 0; c < controls; ++c) {
            if (i == cards - 1 && c == 7)
                continue;
            SIPunch punch;
            punch.controlCode = 31 + c;
            punch.time = timeOnDay(day, start + 120 * (c + 1) + i % 37);
            r.punches.append(punch);
        }
        r.finish = timeOnDay(day, start + 120 * (controls + 1));
        readings.append(r);
    }
    const QDateTime now = timeOnDay(day, 16 * 3600);
    const LogSink previous = setLogSink([](const QString &) {});
    for (auto _ : state) {
        state.PauseTiming();
        Race event = race;
        RecordingIndex index;
        state.ResumeTiming();
        for (const Reading &r : readings) {
            CardRecording rec = recordCardReading(
                event, r.card, r.punches, std::nullopt, std::nullopt, r.finish, now, &index);
            benchmark::DoNotOptimize(rec);
        }
        if (event.results.size() != cards || event.results.last().completed
            || !event.results.first().completed)
            state.SkipWithError("unexpected verdicts");
    }
    setLogSink(previous);
}
BENCHMARK(BM_CourseCheck)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

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
    RecordingIndex index;
    qsizetype n = 0;
    for (auto _ : state) {
        const QDateTime finish = r.finish->addSecs(n++);
        CardRecording rec
            = recordCardReading(race, r.card, r.punches, std::nullopt, r.start, finish, now, &index);
        benchmark::DoNotOptimize(rec);
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

// The card-read look-ups rebuilt from scratch, as after any change of the event other than an
// appended read: the generated 3-stage event of 500, 5,000 or 50,000 entries (a result per entry
// and stage), then one look-up of each kind so the build is not left for the first read.
void BM_RecordingIndexRebuild(benchmark::State &state)
{
    const Race &race = generatedRaceOfSize(int(state.range(0)));
    const PersonResult &probe = race.results[race.results.size() / 2];
    RecordingIndex index;
    for (auto _ : state) {
        startCold(state);
        index.invalidate();
        index.prepare(race);
        benchmark::DoNotOptimize(index.participantWithCard(race, probe.cardNumber));
        benchmark::DoNotOptimize(index.latestResult(race, probe.participantId, probe.stageId));
        benchmark::DoNotOptimize(index.latestResultOfCard(race, probe.cardNumber, probe.stageId));
    }
}
BENCHMARK(BM_RecordingIndexRebuild)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

// The machine's floor under that rebuild: what it reads of the event, read once in stored order
// with nothing built from it (every entry's card text, every result's runner id, card text and
// stage id). The rebuild cannot grow less between sizes than this does.
void BM_RecordingIndexReadFloor(benchmark::State &state)
{
    const Race &race = generatedRaceOfSize(int(state.range(0)));
    for (auto _ : state) {
        startCold(state);
        quint64 sum = 0;
        for (const Participant &p : race.participants)
            sum += p.cardNumber.isEmpty() ? 0 : p.cardNumber.front().unicode();
        for (const PersonResult &r : race.results) {
            sum += r.participantId.data1 + (r.cardNumber.isEmpty() ? 0 : r.cardNumber.front().unicode());
            if (r.stageId)
                sum += quint64(r.stageId->size());
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_RecordingIndexReadFloor)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    registerAutosaveBenchmarks("BM_RecordCardReadingWithAutosave", runRecordingWithAutosave);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
