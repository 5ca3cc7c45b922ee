// The documents the live-results publishers build from the generated event (60 classes, one
// result with 20 splits per entry and stage), at 500, 5,000 and 50,000 entries: the argument is
// the number of entries. Only the encoding is measured, nothing is sent.
// - LiveResultatComplete: the runner and result snapshots, the class names and the complete
//   upload's JSON body, as the first upload to a competition.
// - LiveResultatAfterCardRead: the next upload after one more card was read (one result's time
//   changed): the changes from the last accepted state to the new race, as the publisher finds
//   them, and the diff upload's body. The accepted state's look-up of participants is built
//   once, before the timing, as the first diff against a state builds it.
// - MetsaResultList: the whole race as the IOF XML ResultList Metsä receives, in UTF-8.

#include "benchcold.h"
#include "liveresultatformat.h"
#include "metsapublisher.h"
#include "racegenerator.h"

#include <map>
#include <memory>

#include <benchmark/benchmark.h>

namespace {

using namespace liveresultat;

const Race &event(const benchmark::State &state)
{
    return generatedRaceOfSize(int(state.range(0)));
}

struct AfterCardRead
{
    Race race;
    AcceptedState accepted;
};

// The race once a card more was read, beside the snapshots accepted before it.
const AfterCardRead &afterCardRead(const benchmark::State &state)
{
    static std::map<int, std::unique_ptr<const AfterCardRead>> cache;
    auto &slot = cache[int(state.range(0))];
    if (!slot) {
        auto made = std::make_unique<AfterCardRead>();
        const Race &before = event(state);
        made->accepted = AcceptedState(before);
        made->race = before;
        // The last stored result is the one its runner is published with.
        PersonResult &read = made->race.results.last();
        read.raceTime = read.raceTime.value_or(0) + 61.0;
        (void)made->accepted.changesTo(made->race);
        slot = std::move(made);
    }
    return *slot;
}

void LiveResultatComplete(benchmark::State &state)
{
    const Race &race = event(state); // built once, outside the timing
    qsizetype bytes = 0;
    for (auto _ : state) {
        startCold(state);
        const RunnerMap runners = makeRunnerSnapshots(race);
        const ResultMap results = makeResultSnapshots(race);
        const QByteArray body
            = completeUploadBody(42, QStringLiteral("secret"), makeUploadClasses(race), runners, results);
        bytes = body.size();
        benchmark::DoNotOptimize(body.constData());
    }
    state.counters["MB"] = double(bytes) / 1e6;
}

void LiveResultatAfterCardRead(benchmark::State &state)
{
    const AfterCardRead &f = afterCardRead(state);
    qsizetype changes = 0;
    for (auto _ : state) {
        startCold(state);
        const Changes found = f.accepted.changesTo(f.race);
        const QByteArray body = diffUploadBody(42, QStringLiteral("secret"), found.runners, found.results);
        changes = found.runners.size() + found.results.size();
        benchmark::DoNotOptimize(body.constData());
    }
    if (changes != 1)
        state.SkipWithError("the card read is not exactly one change");
}

void MetsaResultList(benchmark::State &state)
{
    const Race &race = event(state);
    qsizetype bytes = 0;
    for (auto _ : state) {
        startCold(state);
        const QByteArray body = MetsaPublisher::buildResultListUtf8(race);
        bytes = body.size();
        benchmark::DoNotOptimize(body.constData());
    }
    state.counters["MB"] = double(bytes) / 1e6;
}

// The machine's floor under LiveResultat's whole upload: what it reads of the event, read once in
// stored order with nothing written (each entry's id, names, club, class and start time, each
// result's runner and time). The upload cannot grow less between sizes than this does.
void LiveResultatReadFloor(benchmark::State &state)
{
    const Race &race = event(state);
    for (auto _ : state) {
        startCold(state);
        quint64 sum = 0;
        const auto first
            = [](const QString &text) { return text.isEmpty() ? 0u : unsigned(text.front().unicode()); };
        for (const Participant &p : race.participants) {
            sum += p.id.data1 + first(p.givenName) + first(p.familyName);
            if (p.club)
                sum += first(*p.club);
            if (p.classId)
                sum += quint64(p.classId->size());
            if (p.startTime)
                sum += quint64(p.startTime->isValid());
        }
        for (const PersonResult &r : race.results)
            sum += r.participantId.data1 + quint64(r.raceTime.value_or(0));
        benchmark::DoNotOptimize(sum);
    }
}

} // namespace

BENCHMARK(LiveResultatComplete)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(LiveResultatAfterCardRead)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(MetsaResultList)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(LiveResultatReadFloor)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
