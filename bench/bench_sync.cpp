// Station sync on loopback with the generated event (5,000 entries, 3 stages, 15,000 results):
// a master and two slaves, the discovery a directory inside the process.
// - SnapshotEncode / SnapshotDecode: one snapshot message of the event, framed and read back.
//   SnapshotEncodeOfSize / SnapshotDecodeOfSize: the same at 500, 5,000 and 50,000 entries (the
//   argument), the default event otherwise.
// - SyncBytes: bytes the master sends one slave per card read (one change) and per snapshot, and
//   a slave sends the master per read of its own, at 500, 5,000 and 50,000 entries.
// - CardReadRoundTrip: a result read at slave A, from its submit until slave B holds the master's
//   new race with it (submit, master stores it and sends the change to every slave, slaves apply
//   it); counter: bytes sent per read per slave.
// - RaceDay: the master and three slaves each in a process of its own (this program, started
//   again with "--station"), over TLS on loopback. Each slave reads 1.5 cards a second for a
//   minute; counters: the master's peak resident memory (and before any slave joined), the time
//   from the last read until every slave holds every result, from each read until each slave
//   held it (worst, and the largest median), from each read until every slave held it (median
//   and worst), and what the master sent. bench/stations-in-namespaces.sh runs it with each
//   station in a network namespace of its own (and the master reading cards too), where it also
//   counts the bytes on the slaves' links.
// - SlaveStall: a slave as the application runs one (its store with the change journal and the
//   background autosave, full files at most every 10 s) reading a card every 667 ms through its
//   store for 20 s, each read a change that the master (a process of its own, as in RaceDay)
//   sends back whole: counters for the slave's main thread, from the first read until it holds
//   the master's event with the last one: the longest stretch in which its event loop did not
//   turn (a station waiting for its next block request waits that long), how many stretches
//   were longer than 100 ms, and the snapshots it took in.

#include "../tests/sync/loopbackdirectory.h"
#include "benchcold.h"
#include "benchstore.h"
#include "log.h"
#include "racechanges.h"
#include "racegenerator.h"
#include "racejson.h"
#include "racestore.h"
#include "stallmeter.h"
#include "storefakes.h"
#include "syncengine.h"
#include "syncmessage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSettings>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace {

const QString benchKey = QStringLiteral("7KQM-2D9X-HC4P");

const Race &event()
{
    static const Race race = generateRace();
    return race;
}

void ensureApplication()
{
    static int argc = 0;
    static QCoreApplication app(argc, nullptr);
}

void encodeSnapshot(benchmark::State &state, const Race &race)
{
    const SyncMessage message {SyncMessageKind::Snapshot, QStringLiteral("M"), race, std::nullopt};
    qsizetype bytes = 0;
    qint64 eventBytes = 0;
    for (auto _ : state) {
        startCold(state);
        auto frame = frameSyncMessage(message, &eventBytes);
        if (!frame) {
            state.SkipWithError("snapshot did not encode");
            break;
        }
        bytes = frame->size();
        benchmark::DoNotOptimize(frame);
    }
    // The frame as it travels (the event packed) and the event's own JSON.
    state.counters["MB"] = double(bytes) / 1e6;
    state.counters["eventMB"] = double(eventBytes) / 1e6;
}

void decodeSnapshot(benchmark::State &state, const Race &race)
{
    const QByteArray body
        = *encodeSyncMessage({SyncMessageKind::Snapshot, QStringLiteral("M"), race, std::nullopt});
    for (auto _ : state) {
        startCold(state);
        // Read whatever its size: an event past what a station accepts (50,000 entries) too.
        auto message = decodeSyncMessage(body, qint64(4) << 30);
        if (!message || !message->race)
            state.SkipWithError("snapshot did not decode");
        benchmark::DoNotOptimize(message);
    }
}

void SnapshotEncode(benchmark::State &state)
{
    encodeSnapshot(state, event());
}

void SnapshotDecode(benchmark::State &state)
{
    decodeSnapshot(state, event());
}

void SnapshotEncodeOfSize(benchmark::State &state)
{
    encodeSnapshot(state, generatedRaceOfSize(int(state.range(0))));
}

void SnapshotDecodeOfSize(benchmark::State &state)
{
    decodeSnapshot(state, generatedRaceOfSize(int(state.range(0))));
}

// Appends `result` to `race` and gives the change journal's record of it, as the store's journal
// writes it for a card read (only what was appended after the results it had is compared).
QByteArrayList appendRead(Race &race, const PersonResult &result)
{
    const Race before = race;
    race.results.append(result);
    return {encodeRaceChanges(diffRace(before, race, before.results.size()))->body};
}

// Counts what it is sent.
class CountingConnection : public SyncConnection
{
public:
    void send(const QByteArray &frame) override { bytes += frame.size(); }
    qint64 bytes = 0;
};

// What the master sends one slave: for each card read (a result appended to the event of the
// argument's size, the master's commit broadcast as a change), and for one snapshot (a slave's
// hello answered). Time: the master's broadcast of one read (finding what changed, writing and
// packing it). The snapshot of 50,000 entries (854 MB of JSON) is larger than a station accepts:
// its counter is then 0 (SnapshotEncodeOfSize gives its packed size).
void SyncBytes(benchmark::State &state)
{
    ensureApplication();
    LoopbackDirectory directory;
    Race race = generatedRaceOfSize(int(state.range(0)));
    race.journalEventId = QUuid::createUuid();
    SyncEngine master(directory.factory());
    master.currentRace = [&] { return std::optional<Race>(race); };
    master.start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Bench"), benchKey);
    CountingConnection slave;
    master.addConnection(&slave);
    qint64 reads = 0;
    for (auto _ : state) {
        // The journal's record of the read, as the store's journal finds it (its own cost, not
        // the engine's).
        state.PauseTiming();
        PersonResult result = race.results.first();
        result.id = QUuid::createUuid();
        const QByteArrayList record = appendRead(race, result);
        state.ResumeTiming();
        master.broadcastRace(race, record);
        ++reads;
    }
    const SyncTraffic sent = master.traffic();
    state.counters["changeBytes"] = sent.changes ? double(sent.changeBytes) / double(sent.changes) : 0;
    state.counters["changes"] = double(sent.changes);
    if (sent.changes != reads || sent.snapshots != 0)
        state.SkipWithError("not one change per read");
    // What a slave sends the master for such a read (its frame, length included).
    state.counters["submitBytes"] = double(
        frameSyncMessage({SyncMessageKind::SubmitResult, QStringLiteral("S"), {}, race.results.first()})
            .value_or(QByteArray())
            .size());
    const qint64 before = slave.bytes;
    master.receive(&slave, *encodeSyncMessage({SyncMessageKind::Hello, QStringLiteral("S"), {}, {}}));
    state.counters["snapshotBytes"] = double(slave.bytes - before);
    master.removeConnection(&slave);
}

// The event's digest (its fields and every collection's ids in order), which every change carries.
void DigestOfSize(benchmark::State &state)
{
    const Race race = generatedRaceOfSize(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(raceDigest(race));
}

void CardReadRoundTrip(benchmark::State &state)
{
    ensureApplication();
    LoopbackDirectory directory;
    Race masterRace = event();
    SyncEngine master(directory.factory());
    master.currentRace = [&] { return std::optional<Race>(masterRace); };
    master.onResultSubmitted = [&](const PersonResult &result) {
        master.broadcastRace(masterRace, appendRead(masterRace, result));
    };
    master.start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Bench"), benchKey);
    SyncEngine a(directory.factory()), b(directory.factory());
    std::optional<Race> atB;
    a.onSnapshotReceived = [](const Race &) {};
    b.onSnapshotReceived = [&](const Race &race) { atB = race; };
    a.start(StationRole::Slave, QStringLiteral("A"), QStringLiteral("Bench"), benchKey);
    b.start(StationRole::Slave, QStringLiteral("B"), QStringLiteral("Bench"), benchKey);
    QElapsedTimer wait;
    wait.start();
    while ((!atB || a.connectedStationCount() == 0) && wait.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!atB) {
        state.SkipWithError("slave B got no race");
        return;
    }
    for (auto _ : state) {
        PersonResult result = event().results.first();
        result.id = QUuid::createUuid();
        atB.reset();
        a.submitResult(result);
        const auto holds = [&] {
            return atB && std::any_of(atB->results.cbegin(), atB->results.cend(), [&](const PersonResult &r) {
                return r.id == result.id;
            });
        };
        while (!holds() && wait.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (!holds())
            state.SkipWithError("the result did not reach slave B");
    }
    // What the master sent each slave per read (the change that holds it), snapshots aside.
    const SyncTraffic sent = master.traffic();
    state.counters["bytesPerReadPerSlave"] = double(sent.changeBytes) / double(2 * state.iterations());
    state.counters["snapshotBytes"]
        = sent.snapshots ? double(sent.snapshotBytes) / double(sent.snapshots) : 0;
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// The kilobytes of a /proc/<pid>/status line ("VmHWM", "VmRSS").
qint64 procStatusKb(qint64 pid, const char *field)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toLongLong();
    return -1;
}

// A slave's master at an address and port it is told.
class FixedMaster : public ServiceDiscovery
{
public:
    explicit FixedMaster(quint16 port, QString host = QStringLiteral("127.0.0.1"))
        : m_host(std::move(host))
        , m_port(port)
    { }
    void advertise(const QString &, quint16) override { }
    void browse() override
    {
        QMetaObject::invokeMethod(
            this,
            [this] {
                emit ready();
                emit servicesChanged({DiscoveredService {QStringLiteral("Bench"), m_host, m_port}});
            },
            Qt::QueuedConnection);
    }

private:
    QString m_host;
    quint16 m_port;
};

void say(const QByteArray &line)
{
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// Reads lines from standard input on the event loop.
void onInput(const std::function<void(const QByteArray &)> &handle)
{
    auto *notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, qApp);
    auto pending = std::make_shared<QByteArray>();
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [notifier, pending, handle] {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            notifier->setEnabled(false);
            QCoreApplication::exit(0);
            return;
        }
        pending->append(buffer, n);
        qsizetype end;
        while ((end = pending->indexOf('\n')) >= 0) {
            const QByteArray line = pending->left(end).trimmed();
            pending->remove(0, end + 1);
            handle(line);
        }
    });
}

constexpr int readsPerSlave = 90; // a minute at 1.5 a second
constexpr int readIntervalMs = 667;

// A card read at a station: a result of the event again, under a new id, with the time it was read
// in its note.
PersonResult cardRead(int n)
{
    PersonResult result = event().results.at(n * 97 % event().results.size());
    result.id = QUuid::createUuid();
    result.overrideNote = QString::number(nowMs());
    return result;
}

// The event of RACEDAY_ENTRIES entries, or the default one.
int raceDayEntries()
{
    return qEnvironmentVariableIntValue("RACEDAY_ENTRIES") > 0
        ? qEnvironmentVariableIntValue("RACEDAY_ENTRIES")
        : 0;
}
const Race &raceDayEvent()
{
    return raceDayEntries() > 0 ? generatedRaceOfSize(raceDayEntries()) : event();
}

// "--station file <path>": reads the event from its file, prints "peak <kB>" and ends: what a
// station holds with the event loaded alone.
int runFileOnly(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    std::optional<Race> race = decodeRace(file.readAll());
    file.close();
    if (!race)
        return 2;
    say("peak " + QByteArray::number(procStatusKb(QCoreApplication::applicationPid(), "VmHWM:")) + " results "
        + QByteArray::number(race->results.size()));
    return 0;
}

// What a master tells at the end: its peak memory, what it held and what it sent.
void sayMasterEnd(const SyncEngine &master, qint64 startKb, qsizetype results)
{
    const SyncTraffic sent = master.traffic();
    say("peak " + QByteArray::number(procStatusKb(QCoreApplication::applicationPid(), "VmHWM:")) + " start "
        + QByteArray::number(startKb) + " results " + QByteArray::number(results) + " changes "
        + QByteArray::number(sent.changes) + " changeBytes " + QByteArray::number(sent.changeBytes)
        + " snapshots " + QByteArray::number(sent.snapshots) + " snapshotBytes "
        + QByteArray::number(sent.snapshotBytes));
}

// "--station storemaster <path> [reads]": as "master" below, the station a store as the
// application runs one, its event opened from the file at `path`.
int runStoreMaster(const QString &path, bool reads)
{
    QTemporaryDir dir;
    RaceStoreOptions options;
    options.settings = std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
    options.autosaveFolder = dir.filePath("data");
    options.keyStore = std::make_unique<MemoryKeyStore>();
    RaceStore store(std::move(options));
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return 2;
        const std::optional<Race> race = decodeRace(file.readAll());
        if (!race || !store.openEvent(*race, QUrl::fromLocalFile(path)))
            return 2;
    }
    store.flushAutosave();
    const qint64 startKb = procStatusKb(QCoreApplication::applicationPid(), "VmHWM:");
    SyncEngine &master = *store.syncEngine();
    store.stationSettings()->setRole(StationRole::Master);
    master.setDiscoveryFactory([] { return std::make_unique<FixedMaster>(0); });
    master.start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Bench"), benchKey);
    say("port " + QByteArray::number(master.listenPort()));
    QTimer reader;
    int read = 0;
    const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
    QObject::connect(&reader, &QTimer::timeout, [&] {
        const QString card
            = store.race().participants.at((read + 1) * 89 % store.race().participants.size()).cardNumber;
        (void)store.recordCardReading(card, {}, std::nullopt, start, start.addSecs(3600));
        if (++read == readsPerSlave)
            reader.stop();
    });
    onInput([&](const QByteArray &line) {
        if (line == "joined")
            say("joined " + QByteArray::number(procStatusKb(QCoreApplication::applicationPid(), "VmHWM:")));
        if (line == "go" && reads)
            reader.start(readIntervalMs);
        if (line == "quit") {
            sayMasterEnd(master, startKb, store.race().results.size());
            QCoreApplication::exit(0);
        }
    });
    return QCoreApplication::exec();
}

// "--station master [reads]": prints "port <p>", then "peak <kB> start <kB>" when told "quit";
// with "reads" it also reads cards itself once told "go", as a slave does.
int runMaster(bool reads)
{
    Race race = raceDayEvent();
    LoopbackDirectory directory;
    SyncEngine master(directory.factory());
    master.currentRace = [&] { return std::optional<Race>(race); };
    master.onResultSubmitted
        = [&](const PersonResult &result) { master.broadcastRace(race, appendRead(race, result)); };
    master.start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Bench"), benchKey);
    const qint64 startKb = procStatusKb(QCoreApplication::applicationPid(), "VmRSS:");
    say("port " + QByteArray::number(master.listenPort()));
    QTimer reader;
    int read = 0;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        master.broadcastRace(race, appendRead(race, cardRead(read + 1))); // not the slaves' first cards
        if (++read == readsPerSlave)
            reader.stop();
    });
    onInput([&](const QByteArray &line) {
        if (line == "joined")
            say("joined " + QByteArray::number(procStatusKb(QCoreApplication::applicationPid(), "VmHWM:")));
        if (line == "go" && reads)
            reader.start(readIntervalMs);
        if (line == "quit") {
            sayMasterEnd(master, startKb, race.results.size());
            QCoreApplication::exit(0);
        }
    });
    return QCoreApplication::exec();
}

// "--station slave <port> <total results> [master's address]": "ready" once it holds the event,
// then on "go" reads its cards; "last <ms>" after its last read and "complete <ms>" once it holds
// every result, then "delays <worst> <median> <results held>" and "held <id>=<ms> ...": how long after each
// read (at any station) this one held it.
int runSlave(const QString &host, quint16 port, qsizetype expected)
{
    (void)event(); // the cards it reads come from it: made before the minute starts
    SyncEngine slave([host, port] { return std::make_unique<FixedMaster>(port, host); });
    qsizetype holds = 0;
    bool ready = false;
    bool complete = false;
    // Each read carries the time it was read (in its note): how long until this station held it.
    QSet<QUuid> seen;
    QList<qint64> delays;
    QByteArray held;
    slave.onSnapshotReceived = [&](const Race &race) {
        holds = race.results.size();
        const qint64 now = nowMs();
        static qsizetype before = -1; // the results of the event as it joined
        if (before < 0)
            before = race.results.size();
        for (qsizetype i = before; i < race.results.size(); ++i) {
            const PersonResult &r = race.results.at(i);
            if (!r.overrideNote || seen.contains(r.id))
                continue;
            seen.insert(r.id);
            delays.append(now - r.overrideNote->toLongLong());
            held += ' ' + r.id.toByteArray(QUuid::WithoutBraces) + '=' + QByteArray::number(delays.last());
        }
        if (!ready) {
            ready = true;
            say("ready");
        }
        if (!complete && holds >= expected) {
            complete = true;
            std::sort(delays.begin(), delays.end());
            say("complete " + QByteArray::number(nowMs()));
            say("delays " + QByteArray::number(delays.isEmpty() ? -1 : delays.last()) + ' '
                + QByteArray::number(delays.isEmpty() ? -1 : delays.at(delays.size() / 2)) + ' '
                + QByteArray::number(holds));
            say("held" + held);
        }
    };
    slave.start(StationRole::Slave, QUuid::createUuid().toString(), QStringLiteral("Bench"), benchKey);
    QTimer reader;
    int reads = 0;
    QObject::connect(&reader, &QTimer::timeout, [&] {
        slave.submitResult(cardRead(reads));
        if (++reads == readsPerSlave) {
            reader.stop();
            say("last " + QByteArray::number(nowMs()));
        }
    });
    onInput([&](const QByteArray &line) {
        if (line == "go")
            reader.start(readIntervalMs);
        else if (line == "quit") {
            say("peak " + QByteArray::number(procStatusKb(QCoreApplication::applicationPid(), "VmHWM:")));
            QCoreApplication::exit(0);
        }
    });
    return QCoreApplication::exec();
}

class StationProcess
{
public:
    // In the network namespace of that name (`ip netns`) if one is given.
    explicit StationProcess(const QStringList &arguments, const QString &netns = {})
    {
        const QStringList station
            = QStringList {QCoreApplication::applicationFilePath(), QStringLiteral("--station")} + arguments;
        if (netns.isEmpty()) {
            m_process.setProgram(station.first());
            m_process.setArguments(station.mid(1));
        } else {
            m_process.setProgram(QStringLiteral("ip"));
            m_process.setArguments(
                QStringList {QStringLiteral("netns"), QStringLiteral("exec"), netns} + station);
        }
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
    }
    ~StationProcess()
    {
        m_process.write("quit\n");
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }
    void tell(const QByteArray &line)
    {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(5000);
    }
    // The rest of the next line that starts with `word`, or nothing after `ms`.
    std::optional<QByteArray> expect(const QByteArray &word, int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                if (line == word)
                    return QByteArray();
                if (line.startsWith(word + ' '))
                    return line.mid(word.size() + 1);
            }
            m_process.waitForReadyRead(100);
        }
        return std::nullopt;
    }

private:
    QProcess m_process;
};

// A counter of a network interface ("tx_bytes", "rx_bytes").
qint64 linkBytes(const QString &link, const char *counter)
{
    QFile file(QStringLiteral("/sys/class/net/%1/statistics/%2").arg(link, QLatin1String(counter)));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : -1;
}

QStringList words(const char *variable)
{
    return qEnvironmentVariable(variable).split(u' ', Qt::SkipEmptyParts);
}

// Loopback unless told otherwise (bench/stations-in-namespaces.sh does): RACEDAY_NETNS names the
// network namespaces of the master and the three slaves, RACEDAY_MASTER_ADDRESS the master's
// address there, RACEDAY_LINKS the slaves' links as this process sees them (what it sends goes to
// the slave); RACEDAY_MASTER_READS=1 has the master read cards too.
void RaceDay(benchmark::State &state)
{
    ensureApplication();
    const QStringList netns = words("RACEDAY_NETNS");
    const QStringList links = words("RACEDAY_LINKS");
    const QString masterAddress = qEnvironmentVariable("RACEDAY_MASTER_ADDRESS", QStringLiteral("127.0.0.1"));
    const bool masterReads = qEnvironmentVariable("RACEDAY_MASTER_READS") == QLatin1String("1");
    const auto linkTotals = [&](const char *counter) {
        qint64 total = 0;
        for (const QString &link : links)
            total += linkBytes(link, counter);
        return total;
    };
    const bool masterStore = qEnvironmentVariable("RACEDAY_MASTER_STORE") == QLatin1String("1");
    QTemporaryDir eventDir;
    const QString eventPath = eventDir.filePath(QStringLiteral("event.vexloevent.json"));
    if (masterStore) {
        QFile file(eventPath);
        // As this version saves an event: its file names the event, so that its first change
        // is journalled as a change, not as the whole event.
        Race saved = raceDayEvent();
        saved.journalEventId = QUuid::fromString(QStringLiteral("6f1c9a52-3c1e-4f0b-9d2a-0c4b8e2f7a11"));
        if (!file.open(QIODevice::WriteOnly)
            || file.write(*encodeRace(saved, JsonLayout::PrettySorted)) < 0) {
            state.SkipWithError("cannot write the event file");
            return;
        }
        file.close();
        // What a station holds with the event loaded alone.
        StationProcess fileOnly({QStringLiteral("file"), eventPath}, netns.value(0));
        if (const auto peak = fileOnly.expect("peak", 600000))
            state.counters["file_only_peak_MB"] = double(peak->split(' ').value(0).toLongLong()) / 1024.0;
    }
    for (auto _ : state) {
        StationProcess master((masterStore ? QStringList {QStringLiteral("storemaster"), eventPath}
                                           : QStringList {QStringLiteral("master")})
                + (masterReads ? QStringList {QStringLiteral("reads")} : QStringList {}),
            netns.value(0));
        const auto port = master.expect("port", 600000);
        if (!port) {
            state.SkipWithError("the master did not start");
            return;
        }
        const int reads = (masterReads ? 4 : 3) * readsPerSlave;
        const qsizetype expected = raceDayEvent().results.size() + reads;
        const qint64 toSlavesAtStart = linkTotals("tx_bytes");
        QElapsedTimer joining;
        joining.start();
        std::vector<std::unique_ptr<StationProcess>> slaves;
        for (int i = 0; i < 3; ++i)
            slaves.push_back(std::make_unique<StationProcess>(
                QStringList {QStringLiteral("slave"), QString::fromLatin1(*port), QString::number(expected),
                    masterAddress},
                netns.value(i + 1)));
        for (auto &slave : slaves)
            if (!slave->expect("ready", 300000)) {
                state.SkipWithError("a slave never got the event");
                return;
            }
        // From starting the slaves until the last of them holds the event (its snapshot read).
        state.counters["join_s"] = double(joining.elapsed()) / 1000.0;
        const qint64 toSlavesAtJoin = linkTotals("tx_bytes");
        // The master's peak until every slave held the event.
        master.tell("joined");
        if (const auto joined = master.expect("joined", 60000))
            state.counters["master_peak_at_join_MB"] = double(joined->toLongLong()) / 1024.0;
        const qint64 fromSlavesAtJoin = linkTotals("rx_bytes");
        master.tell("go");
        for (auto &slave : slaves)
            slave->tell("go");
        qint64 lastRead = 0;
        qint64 converged = 0;
        qint64 worstDelay = 0;
        qint64 medianDelay = 0;
        // Each read: how long until the last of the slaves held it (the master holds it first).
        QHash<QByteArray, qint64> heldByAll;
        bool eachHeldOnce = true;
        for (auto &slave : slaves) {
            const auto last = slave->expect("last", 300000);
            const auto complete = slave->expect("complete", 600000);
            if (!last || !complete) {
                state.SkipWithError("a slave never held every result");
                return;
            }
            lastRead = std::max(lastRead, last->toLongLong());
            converged = std::max(converged, complete->toLongLong());
            if (const auto delays = slave->expect("delays", 10000)) {
                const QList<QByteArray> words = delays->split(' ');
                worstDelay = std::max(worstDelay, words.value(0).toLongLong());
                medianDelay = std::max(medianDelay, words.value(1).toLongLong());
                eachHeldOnce = eachHeldOnce && words.value(2).toLongLong() == expected;
            }
            const auto held = slave->expect("held", 10000);
            const QList<QByteArray> each = held ? held->split(' ') : QList<QByteArray> {};
            eachHeldOnce = eachHeldOnce && each.size() == reads;
            for (const QByteArray &read : each) {
                const QList<QByteArray> idMs = read.split('=');
                qint64 &ms = heldByAll[idMs.value(0)];
                ms = std::max(ms, idMs.value(1).toLongLong());
            }
        }
        const qint64 toSlaves = linkTotals("tx_bytes") - toSlavesAtJoin;
        const qint64 fromSlaves = linkTotals("rx_bytes") - fromSlavesAtJoin;
        if (!eachHeldOnce || heldByAll.size() != reads) {
            state.SkipWithError("a slave did not hold each read exactly once");
            return;
        }
        qint64 slavePeakKb = 0;
        for (auto &slave : slaves) {
            slave->tell("quit");
            if (const auto peak = slave->expect("peak", 60000))
                slavePeakKb = std::max(slavePeakKb, peak->toLongLong());
        }
        state.counters["slave_peak_MB"] = double(slavePeakKb) / 1024.0;
        master.tell("quit");
        const auto peak = master.expect("peak", 60000);
        if (!peak) {
            state.SkipWithError("the master did not report its memory");
            return;
        }
        const QList<QByteArray> words = peak->split(' ');
        state.counters["master_peak_MB"] = double(words.value(0).toLongLong()) / 1024.0;
        state.counters["master_before_MB"] = double(words.value(2).toLongLong()) / 1024.0;
        state.counters["master_results"] = double(words.value(4).toLongLong());
        state.counters["converged_after_last_read_s"] = double(converged - lastRead) / 1000.0;
        // From a read at a slave until a slave held it (the master's change back): the worst of
        // all reads at all slaves, and the largest of the slaves' medians.
        state.counters["read_held_worst_ms"] = double(worstDelay);
        state.counters["read_held_median_ms"] = double(medianDelay);
        // What went on the wire from the master, per read and slave (its changes), and in all.
        state.counters["change_bytes_per_read_per_slave"]
            = double(words.value(8).toLongLong()) / (double(reads) * 3.0);
        state.counters["changes"] = double(words.value(6).toLongLong());
        state.counters["snapshots"] = double(words.value(10).toLongLong());
        state.counters["sent_MB"] = double(words.value(8).toLongLong() + words.value(12).toLongLong()) / 1e6;
        QList<qint64> byAll = heldByAll.values();
        std::sort(byAll.begin(), byAll.end());
        state.counters["held_by_all_median_ms"] = double(byAll.at(byAll.size() / 2));
        state.counters["held_by_all_worst_ms"] = double(byAll.last());
        if (!links.isEmpty()) {
            // On the wire (frames on the slaves' links: TLS, TCP, IP and Ethernet, the acks too):
            // to each slave at its join, to each slave per read, and from a slave per read of its
            // own (its submit, and its acks of the changes).
            const double slaveCount = double(links.size());
            state.counters["wire_join_MB_per_slave"]
                = double(toSlavesAtJoin - toSlavesAtStart) / slaveCount / 1e6;
            state.counters["wire_bytes_per_read_per_slave"] = double(toSlaves) / slaveCount / reads;
            state.counters["wire_bytes_from_slave_per_own_read"]
                = double(fromSlaves) / (slaveCount * readsPerSlave);
        }
    }
}

void SlaveStall(benchmark::State &state)
{
    ensureApplication();
    const LogSink previous = setLogSink([](const QString &) {});
    for (auto _ : state) {
        StationProcess master({QStringLiteral("master")});
        const auto port = master.expect("port", 120000);
        if (!port) {
            state.SkipWithError("the master did not start");
            break;
        }
        BenchStore slave(std::chrono::seconds(10));
        RaceStore &store = slave.store();
        SyncEngine &engine = *store.syncEngine();
        int snapshots = 0;
        engine.onSnapshotReceived = [&, take = engine.onSnapshotReceived](auto &&race) {
            ++snapshots;
            take(std::forward<decltype(race)>(race));
        };
        store.stationSettings()->setRole(StationRole::Slave);
        engine.setDiscoveryFactory(
            [port = quint16(port->toUInt())] { return std::make_unique<FixedMaster>(port); });
        engine.start(StationRole::Slave, QStringLiteral("S"), QStringLiteral("Bench"), benchKey);
        QElapsedTimer wait;
        wait.start();
        while (store.race().results.size() < event().results.size() && wait.elapsed() < 300000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (store.race().results.size() < event().results.size()) {
            state.SkipWithError("the slave never got the event");
            break;
        }
        store.flushAutosave();

        const StallMeter meter;
        snapshots = 0;
        QElapsedTimer window;
        window.start();
        std::optional<QUuid> last;
        const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        QTimer reader;
        int reads = 0;
        constexpr int readsInWindow = 30;
        QObject::connect(&reader, &QTimer::timeout, [&] {
            const QString card = event().participants.at(reads * 97 % event().participants.size()).cardNumber;
            if (const auto result
                = store.recordCardReading(card, {}, std::nullopt, start, start.addSecs(3600)))
                last = result->id;
            if (++reads == readsInWindow)
                reader.stop();
        });
        reader.start(readIntervalMs);
        const auto holdsLast = [&] {
            return reads == readsInWindow && last && engine.pendingResultCount() == 0
                && std::any_of(store.race().results.cbegin(), store.race().results.cend(),
                    [&](const PersonResult &r) { return r.id == *last; });
        };
        while (!holdsLast() && window.elapsed() < 600000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!holdsLast()) {
            state.SkipWithError("the slave never held its last read");
            break;
        }
        state.SetIterationTime(double(window.nsecsElapsed()) / 1e9);
        state.counters["longest_stall_ms"] = meter.longestMs();
        state.counters["stalls_over_100ms"] = meter.over100ms();
        state.counters["snapshots"] = snapshots;
        engine.stop();
    }
    setLogSink(previous);
}

} // namespace

BENCHMARK(SnapshotEncode)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SnapshotDecode)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SnapshotEncodeOfSize)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(SnapshotDecodeOfSize)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(SyncBytes)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(DigestOfSize)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(CardReadRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();
BENCHMARK(RaceDay)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(SlaveStall)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--station") == 0) {
        QCoreApplication app(argc, argv);
        if (qstrcmp(argv[2], "master") == 0)
            return runMaster(argc >= 4 && qstrcmp(argv[3], "reads") == 0);
        if (qstrcmp(argv[2], "storemaster") == 0 && argc >= 4)
            return runStoreMaster(
                QString::fromLocal8Bit(argv[3]), argc >= 5 && qstrcmp(argv[4], "reads") == 0);
        if (qstrcmp(argv[2], "file") == 0 && argc >= 4)
            return runFileOnly(QString::fromLocal8Bit(argv[3]));
        if (qstrcmp(argv[2], "slave") == 0 && argc >= 5)
            return runSlave(argc >= 6 ? QString::fromLatin1(argv[5]) : QStringLiteral("127.0.0.1"),
                quint16(QByteArray(argv[3]).toUInt()), QByteArray(argv[4]).toLongLong());
        return 2;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
