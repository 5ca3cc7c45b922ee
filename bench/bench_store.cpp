// One store autosave of the generated 5,000-entry, 3-stage event: the local autosave alone, and
// the local autosave plus the open event file. "MainThread" is the time until autosave() returns
// (what a card read waits for; the files are written by the background writer); "UntilDurable"
// adds flushAutosave(), until both files are on disk. "AddParticipant": a runner registered from
// the unmatched-card sheet, measured the same two ways. "BM_Journal/<kind>": the change
// journal's cost for each kind of operation (see registerJournalBenchmarks). "WriteFileAtomically":
// one file of the given size written, synced and moved into place. "BM_StartTimeChange/<kind>":
// one start-list change on an event with a result per runner and stage (see runStartTimeChange).
#include "atomicfile.h"
#include "benchstore.h"
#include "racechanges.h"
#include "racejournal.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

void runAutosave(benchmark::State &state, bool withEventFile, bool untilDurable)
{
    BenchStore bench;
    if (!bench.open(generatedEvent(), withEventFile, state))
        return;
    RaceStore &store = bench.store();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        store.autosave();
        if (untilDurable)
            store.flushAutosave();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        // Each measured autosave starts with an idle writer.
        store.flushAutosave();
    }
}

void runAddParticipant(benchmark::State &state, bool withEventFile, bool untilDurable)
{
    BenchStore bench;
    if (!bench.open(generatedEvent(), withEventFile, state))
        return;
    RaceStore &store = bench.store();
    // The event's first journalled change waits for its files to carry the event's id; the
    // measured registrations come after it, as on a race day.
    Participant first;
    store.addParticipant(first);
    store.flushAutosave();
    int n = 0;
    for (auto _ : state) {
        Participant entry;
        entry.givenName = QStringLiteral("Walk-in %1").arg(++n);
        entry.cardNumber = QString::number(9000000 + n);
        QElapsedTimer timer;
        timer.start();
        store.addParticipant(entry);
        if (untilDurable)
            store.flushAutosave();
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        store.flushAutosave();
    }
}

// The journal's part of each kind of operation on the generated event: finding what the operation
// changed (the records compared by id), writing them as one record and syncing it. `change`
// makes the event after the operation from the event before it, as the store's operation would.
void runJournal(benchmark::State &state, const std::function<void(Race &)> &change)
{
    QTemporaryDir dir;
    RaceJournal journal(dir.path());
    const Race &before = generatedEvent();
    Race after = before;
    change(after);
    const QUuid event = QUuid::createUuid();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const auto record = encodeRaceChanges(before, after);
        if (!record || record->body.isEmpty() || !journal.append(record->body, event, false, nullptr)) {
            state.SkipWithError("journal not written");
            return;
        }
        bytes = record->body.size();
    }
    state.counters["record_bytes"] = double(bytes);
}

Participant &firstOfClass(Race &race, int classIndex)
{
    for (Participant &p : race.participants)
        if (p.classId == race.classes[classIndex].id)
            return p;
    return race.participants.first();
}

void registerJournalBenchmarks()
{
    const QDateTime nine(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC);
    const std::vector<std::pair<const char *, std::function<void(Race &)>>> kinds {
        {"CardRead",
            [](Race &race) {
                PersonResult result = race.results.first();
                result.id = newUuid();
                race.results.append(result);
            }},
        {"EntryAdd",
            [](Race &race) {
                Participant walkIn;
                walkIn.givenName = QStringLiteral("Walk-in");
                walkIn.cardNumber = QStringLiteral("9000001");
                race.participants.append(walkIn);
            }},
        {"EntryEdit", [](Race &race) { race.participants[2500].familyName = QStringLiteral("Edited"); }},
        {"EntryDelete", [](Race &race) { race.participants.removeAt(2500); }},
        {"Import100",
            [](Race &race) {
                RaceClass added;
                added.id = added.name = QStringLiteral("Imported");
                race.classes.append(added);
                for (int k = 0; k < 100; ++k) {
                    Participant p;
                    p.givenName = QStringLiteral("Imported %1").arg(k);
                    p.cardNumber = QString::number(7000000 + k);
                    p.classId = added.id;
                    race.participants.append(p);
                }
            }},
        {"ClassEdit", [](Race &race) { race.classes[10].name = QStringLiteral("Edited"); }},
        {"CourseEdit", [](Race &race) { race.courses[10].name = QStringLiteral("Edited"); }},
        {"StartTimesOfClass",
            [nine](Race &race) {
                // A generation or draw of one class: every runner of it gets a time.
                qint64 k = 0;
                for (Participant &p : race.participants)
                    if (p.classId == race.classes[5].id)
                        p.startTime = nine.addSecs(60 * k++);
                race.classes[5].lastUsedIntervalSeconds = 60;
            }},
        {"StartTimeEdit", [nine](Race &race) { firstOfClass(race, 7).startTime = nine.addSecs(3600); }},
        {"CheckIn",
            [](Race &race) {
                race.participants[100].checkedInAt = QDateTime(QDate(2025, 5, 17), QTime(8, 0), Qt::UTC);
            }},
        {"StageAdd",
            [](Race &race) {
                race.stages.append(Stage {QStringLiteral("extra"), QStringLiteral("Extra"),
                    QDateTime(QDate(2025, 5, 20), QTime(9, 0), Qt::UTC), 9});
            }},
        {"StageActivate", [](Race &race) { race.activeStageId = race.stages.last().id; }},
        {"Correction",
            [](Race &race) {
                race.results[4000].overrideNote = QStringLiteral("Checked");
                race.results[4000].completedOverride = true;
            }},
    };
    for (const auto &[name, change] : kinds) {
        benchmark::RegisterBenchmark((std::string("BM_Journal/") + name).c_str(),
            [change = change](benchmark::State &state) { runJournal(state, change); })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
    // The first change of an event whose files do not carry its id yet: the whole event.
    benchmark::RegisterBenchmark("BM_Journal/WholeEvent",
        [](benchmark::State &state) {
            QTemporaryDir dir;
            RaceJournal journal(dir.path());
            const QUuid event = QUuid::createUuid();
            for (auto _ : state) {
                const auto record = encodeWholeRace(generatedEvent());
                if (!record || !journal.append(record->body, event, true, nullptr)) {
                    state.SkipWithError("journal not written");
                    return;
                }
                // One whole-event record at a time, as in the store: the next one replaces it.
                state.PauseTiming();
                journal.trimThrough(journal.lastSequence(), event);
                state.ResumeTiming();
            }
        })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(5);
}

// The 50th, 90th and 99th percentiles of `times` (milliseconds) as the benchmark's counters.
void reportPercentiles(benchmark::State &state, std::vector<double> &times)
{
    std::sort(times.begin(), times.end());
    auto percentile
        = [&](double p) { return times[std::min(times.size() - 1, size_t(p * double(times.size())))]; };
    state.counters["p50_ms"] = percentile(0.50);
    state.counters["p90_ms"] = percentile(0.90);
    state.counters["p99_ms"] = percentile(0.99);
}

// Goal: a card read durable (its journal line synced) within 5 ms at the 99th percentile with a
// read every 100 ms on the generated event with an open event file, while the full files are
// written. Each read records a new result (the active stage starts without results) and the time
// until recordCardReading returns is taken (the line is synced before it returns). The argument is
// the gap between full writes in seconds: 0 writes after every read (the writer then never rests),
// 10 is the application's choice. Reported: the percentiles of 100 reads.
void BM_CardReadDurableWhileWriting(benchmark::State &state)
{
    const auto gap = std::chrono::seconds(state.range(0));
    BenchStore bench(gap);
    Race race = generatedEvent();
    const QString stage = *race.activeStageId;
    race.results.removeIf([&](const PersonResult &r) { return r.stageId == stage; });
    if (!bench.open(race, true, state))
        return;
    RaceStore &store = bench.store();
    const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
    std::vector<double> times;
    qsizetype runner = 0;
    for (auto _ : state) {
        times.clear();
        QElapsedTimer clock;
        clock.start();
        for (int read = 0; read < 100; ++read) {
            // A read every 100 ms, the first 100 ms after the event was opened. In between the
            // thread sleeps in its event loop and the store's queued work runs, as in the app
            // (a loop of processEvents() would spin and keep the caches warm).
            if (const qint64 wait = (read + 1) * 100 - clock.elapsed(); wait > 0) {
                QEventLoop loop;
                QTimer::singleShot(
                    std::chrono::milliseconds(wait), Qt::PreciseTimer, &loop, &QEventLoop::quit);
                loop.exec();
            }
            const Participant &p = store.race().participants[runner++ % store.race().participants.size()];
            QElapsedTimer timer;
            timer.start();
            store.recordCardReading(p.cardNumber, {}, std::nullopt, start, start.addSecs(1800 + runner));
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        store.flushAutosave();
    }
    reportPercentiles(state, times);
    state.counters["max_ms"] = times.back();
}
BENCHMARK(BM_CardReadDurableWhileWriting)
    ->Arg(0)
    ->Arg(10)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// The disk's own floor for the figure above: a plain append of a card read's 6 kB line to a small
// file and fdatasync, 200 times, nothing else of the store's running. The argument is the pause
// before each append in milliseconds: 0 back to back, 100 as the card reads above (a disk that has
// rested takes longer to sync).
void BM_DiskAppendSync(benchmark::State &state)
{
    const auto pause = std::chrono::milliseconds(state.range(0));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("floor")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        state.SkipWithError("cannot open the file");
        return;
    }
    const QByteArray line = QByteArray(6 * 1024 - 1, 'x') + '\n';
    std::vector<double> times;
    for (auto _ : state) {
        times.clear();
        for (int i = 0; i < 200; ++i) {
            if (pause.count() > 0)
                std::this_thread::sleep_for(pause);
            QElapsedTimer timer;
            timer.start();
            if (file.write(line) != line.size() || !file.flush() || ::fdatasync(file.handle()) != 0) {
                state.SkipWithError("cannot write the file");
                return;
            }
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    reportPercentiles(state, times);
}
BENCHMARK(BM_DiskAppendSync)->Arg(0)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond);

// One file written and synced over the one before it, as every full file is: sizes on both sides
// of the smallest written past the page cache and of one direct write (both 8 MiB).
void BM_WriteFileAtomically(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("event.vexloevent.json"));
    QByteArray bytes(qsizetype(state.range(0)), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char('a' + (i * 7919) % 26);
    for (auto _ : state) {
        QString error;
        if (!writeFileAtomically(path, bytes, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_WriteFileAtomically)
    ->Arg(256 * 1024)
    ->Arg(1024 * 1024)
    ->Arg(4 * 1024 * 1024 + 1)
    ->Arg(8 * 1024 * 1024 - 1)
    ->Arg(8 * 1024 * 1024 + 1)
    ->Arg(16 * 1024 * 1024 + 1)
    ->Arg(64 * 1024 * 1024 + 1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One import's record appended and synced, of the sizes a start-list import writes on the
// generated event of 5,000 and 50,000 entries (1.2 and 12 MB: the entries it changed), into a
// journal of its own holding a card read's record and the space written ahead of it, as the
// import meets the journal of an event just opened. The journal is made and let go while the
// timing waits.
void BM_JournalAppendImport(benchmark::State &state)
{
    const QUuid event = QUuid::createUuid();
    QByteArray body(qsizetype(state.range(0)), Qt::Uninitialized);
    for (qsizetype i = 0; i < body.size(); ++i)
        body[i] = char('a' + (i * 7919) % 26);
    const QByteArray read(6 * 1024, 'r');
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        auto journal = std::make_unique<RaceJournal>(dir.path());
        QString error;
        if (!journal->append(read, event, false, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        const QString path = dir.filePath(RaceJournal::fileName);
        for (int wait = 0; QFileInfo(path).size() < RaceJournal::aheadStep && wait < 1000; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        state.ResumeTiming();
        if (!journal->append(body, event, false, &error))
            state.SkipWithError(qPrintable(error));
        state.PauseTiming();
        journal.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_JournalAppendImport)->Arg(1200000)->Arg(12000000)->Unit(benchmark::kMillisecond);

// What the background writer's trim after each full write holds the journal for, which a card
// read's append waits on: 50 full writes, each after the 100 records of its 10 seconds (6 kB
// each, a card read's size on the generated event), the newest of them written meanwhile and so
// not yet held by the files.
void BM_JournalTrimAfterFullWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    const QUuid event = newUuid();
    const QByteArray body = "\"op\":\"commit\",\"note\":\"" + QByteArray(6000, 'x') + '"';
    std::vector<double> times;
    for (auto _ : state) {
        RaceJournal journal(dir.path());
        journal.setWrittenEvent(event);
        times.clear();
        for (int write = 0; write < 50; ++write) {
            for (int read = 0; read < 100; ++read) {
                if (!journal.append(body, event, false, nullptr)) {
                    state.SkipWithError("append failed");
                    return;
                }
            }
            QElapsedTimer timer;
            timer.start();
            journal.trimThrough(journal.lastSequence() - 1, event);
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        double total = 0;
        for (double t : times)
            total += t;
        state.SetIterationTime(total / 1e3);
    }
    reportPercentiles(state, times);
    state.counters["max_ms"] = times.back();
}
BENCHMARK(BM_JournalTrimAfterFullWrite)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// Start-up's replay of a journal whose lines the full files all hold, as the trim may leave it:
// 4 MB of such lines (a line without the marks of a change's head, so read whole: the slower case).
void BM_JournalReplayHeld(benchmark::State &state)
{
    QTemporaryDir dir;
    const QUuid event = newUuid();
    const QByteArray body = "\"op\":\"commit\",\"note\":\"" + QByteArray(6000, 'x') + '"';
    {
        RaceJournal journal(dir.path());
        while (QFileInfo(dir.filePath(RaceJournal::fileName)).size() < RaceJournal::defaultKeepHeldUpTo)
            if (!journal.append(body, event, false, nullptr)) {
                state.SkipWithError("append failed");
                return;
            }
    }
    QFile file(dir.filePath(RaceJournal::fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("journal unreadable");
        return;
    }
    const QByteArray bytes = file.readAll();
    Race race;
    race.journalEventId = event;
    race.journalThrough = bytes.count('\n');
    for (auto _ : state) {
        const RaceJournal::Replay replay = RaceJournal::replay(race, bytes);
        benchmark::DoNotOptimize(replay.applied);
    }
}
BENCHMARK(BM_JournalReplayHeld)->Unit(benchmark::kMillisecond);

// A start-list change on race day: the generated event (the argument: its entries, over 3 stages,
// each runner with a result per stage whose start is the runner's planned one) opened from its
// event file with the application's gap between full writes, a card read, then the change, timed
// until the operation returns (its journal line synced; the queued follow-ups run untimed in
// between, as in the organiser's pauses). The kinds: "Typed", one runner's time typed; "Dragged",
// two runners of a class swapped in the start list; "MassStartOfClass", one class of 60 given a
// mass start. Each change moves the runners' results on the active stage with them.
void runStartTimeChange(benchmark::State &state, const char *kind)
{
    BenchStore bench(std::chrono::seconds(10));
    if (!bench.open(generatedRaceOfSize(int(state.range(0))), true, state))
        return;
    RaceStore &store = bench.store();
    const QDateTime nine(QDate(2025, 5, 17), QTime(9, 0), Qt::UTC);
    const QString classId = store.race().classes[7].id;
    QList<QUuid> ofClass;
    for (const Participant &p : store.race().participants)
        if (p.classId == classId)
            ofClass.append(p.id);
    const Participant &reader = store.race().participants.first();
    const QDateTime ten(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
    if (!store.recordCardReading(reader.cardNumber, {}, std::nullopt, ten, ten.addSecs(1234))) {
        state.SkipWithError("card not read");
        return;
    }
    const std::string_view which(kind);
    qint64 k = 0;
    for (auto _ : state) {
        // What the last change queued (the card-read look-ups, the lists made ready for the next
        // card read) runs in the idle time before the organiser's next change.
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
        ++k;
        const QUuid runner = ofClass[(k * 7) % ofClass.size()];
        QElapsedTimer timer;
        timer.start();
        if (which == "Typed")
            store.setParticipantStartTime(runner, nine.addSecs(60 * k));
        else if (which == "Dragged")
            store.reorderStartTimes({runner, ofClass[(k * 7 + 1) % ofClass.size()]});
        else
            store.assignMassStart(classId, nine.addSecs(60 * k));
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
    }
    store.flushAutosave();
}

void registerStartTimeChangeBenchmarks()
{
    for (const char *kind : {"Typed", "Dragged", "MassStartOfClass"}) {
        benchmark::RegisterBenchmark((std::string("BM_StartTimeChange/") + kind).c_str(),
            [kind](benchmark::State &state) { runStartTimeChange(state, kind); })
            ->Arg(500)
            ->Arg(5000)
            ->Arg(50000)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(20);
    }
}

} // namespace

int main(int argc, char **argv)
{
    registerAutosaveBenchmarks("BM_Autosave", runAutosave);
    registerAutosaveBenchmarks("BM_AddParticipant", runAddParticipant);
    registerJournalBenchmarks();
    registerStartTimeChangeBenchmarks();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
