// Helper of the station restart tests: a station as the application runs one (a store with its
// background autosave, journal and unsent-results file), driven by lines on standard input.
// Its master is wherever the test says: "master <port>" makes its discovery report the service
// "Vexlo Race" at 127.0.0.1:<port>.
//
// A slave unless told otherwise, with the test's station key in a key store in memory; with
// --secret-service the key store is the desktop's (the test's private one) and no key is typed.
// --start starts the station as the program starts, before the key store can have answered, and
// answers "started <status>";
// --retry-delay-ms <n> is the first wait before a refused write is tried again;
// --full-write-gap-ms <n> the least time between two full writes of the event;
// --intake-bound <bytes> the most a slave holds of its master's changes not yet taken in.
//
// Commands: "role master|slave", "key <key>" (typed into the key field), "start" and "stop" (the
// station-role tab's buttons), "master <port>", "entries <n>" (the event "Relay" with runners on
// cards 1001, 1002, ...), "read <card> <minutes>" (a card read finishing <minutes> after 10:00;
// answers "read <result id>" once the recording has returned), "quit" (ends as the application
// does when closed). Questions, answered by a line starting with the same word: "name" (the
// event's name), "results" (the result ids in order), "key", "port" (a master's listening port,
// 0 while it is not listening), "stations" (connections), "pending" (results waiting for the
// master), "error" (the window's write error), "status" (the station's status line), "count"
// (the number of results), "event" (a hash of the event's document, the journal's number of this
// station's files left out: equal on every station that holds the master's event), "settle" (answers
// "settled" once every write queued so far is on disk). As a station on race day: "station <device>" reads
// cards from the SportIdent station at <device> as the race-day desk does (answers "card <number> <result
// id>" for each card read); "generate" takes the generated large event (SI8 cards from 2000001 on) as its
// own; "serve" starts it as the master at once, whatever its role (answers "port <port>"); "stalls" answers
// "stalls <longest> <over>" (the longest time in ms its main thread did not turn its event loop
// since the last "stalls", and how many such times were over 100 ms). "hold" and "release" stop and
// start the slave's intake thread; "intake" answers "intake <queued> <peak>" (bytes of the master's
// messages waiting for it, now and at most), "snapshots" the snapshots a master has sent, "peak"
// the process's peak resident memory in kB.
//
// Usage: sync_station_child <folder> [--secret-service] [--start] [--retry-delay-ms <n>]
//     [--full-write-gap-ms <n>] [--intake-bound <bytes>]

#include "cardreaderviewmodel.h"
#include "childprogram.h"
#include "racegenerator.h"
#include "racejson.h"
#include "racestore.h"
#include "servicediscovery.h"
#include "stallmeter.h"
#include "storeoptions.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>

#include <unistd.h>

namespace {

class TestDirectory : public ServiceDiscovery
{
public:
    static inline QPointer<TestDirectory> current;
    static inline QList<DiscoveredService> services;

    void advertise(const QString &, quint16) override { }
    void browse() override
    {
        current = this;
        QMetaObject::invokeMethod(
            this,
            [this] {
                emit ready();
                if (!services.isEmpty())
                    emit servicesChanged(services);
            },
            Qt::QueuedConnection);
    }
};

Race relayEvent(int runners)
{
    Race race;
    race.name = QStringLiteral("Relay");
    for (int i = 0; i < runners; ++i) {
        Participant p;
        p.givenName = QStringLiteral("Runner %1").arg(i);
        p.cardNumber = QString::number(1001 + i);
        race.participants.append(p);
    }
    return race;
}

} // namespace

// The id a read is known by: its result's, or, on a slave without the master's event yet, the id
// of the read-out it sent the master (which records it under that id); "none" otherwise.
QByteArray idOfRead(RaceStore &store, const std::optional<PersonResult> &result, const QString &card)
{
    if (result)
        return result->id.toString(QUuid::WithoutBraces).toLatin1();
    const QList<PersonResult> &pending = store.syncEngine()->pendingResults();
    if (!pending.isEmpty() && pending.last().participantId.isNull() && pending.last().cardNumber == card)
        return pending.last().id.toString(QUuid::WithoutBraces).toLatin1();
    return "none";
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2)
        return 2;
    const QString folder = arguments.at(1);
    RaceStoreOptions options = storeOptionsIn(folder);
    const bool secretService = arguments.contains(QStringLiteral("--secret-service"));
    if (secretService)
        options.keyStore.reset(); // the desktop's
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--retry-delay-ms")); at > 0)
        options.firstRetryDelay = std::chrono::milliseconds(arguments.value(at + 1).toLongLong());
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--full-write-gap-ms")); at > 0)
        options.fullWriteGap = std::chrono::milliseconds(arguments.value(at + 1).toLongLong());
    RaceStore store(std::move(options));
    StationSettings *settings = store.stationSettings();
    StationControl *station = store.stationControl();
    if (settings->role() == StationRole::Standalone)
        settings->setRole(StationRole::Slave);
    if (!secretService)
        settings->setStationKey(QStringLiteral("7KQM-2D9X-HC4P"));
    SyncEngine *engine = store.syncEngine();
    engine->setDiscoveryFactory([] { return std::make_unique<TestDirectory>(); });
    engine->setReconnectDelays(std::chrono::milliseconds(20), std::chrono::milliseconds(100));
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--intake-bound")); at > 0) {
        SyncLimits limits = engine->limits();
        limits.maxIntakeChangeBytes = arguments.value(at + 1).toLongLong();
        engine->setLimits(limits);
    }
    if (arguments.contains(QStringLiteral("--start"))) {
        station->start();
        announce("started "
            + (station->notice().isEmpty() ? engine->statusText() : station->notice()).toUtf8() + '\n');
    }

    std::unique_ptr<CardReaderViewModel> reader;
    StallMeter stalls;

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QCoreApplication::exit(0);
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = pending.left(end).trimmed().split(' ');
            pending.remove(0, end + 1);
            const QByteArray &word = words.first();
            const QByteArray argument = words.value(1);
            const auto answer = [&](const QByteArray &text) { announce(word + ' ' + text + '\n'); };
            if (word == "role") {
                settings->setRole(argument == "master" ? StationRole::Master : StationRole::Slave);
            } else if (word == "key" && words.size() == 2) {
                settings->setStationKey(QString::fromLatin1(argument));
            } else if (word == "start") {
                station->start();
            } else if (word == "stop") {
                station->stop();
            } else if (word == "quit") {
                QCoreApplication::exit(0);
            } else if (word == "master" && words.size() == 2) {
                TestDirectory::services = {DiscoveredService {
                    QStringLiteral("Vexlo Race"), QStringLiteral("127.0.0.1"), quint16(argument.toUInt())}};
                if (TestDirectory::current)
                    emit TestDirectory::current->servicesChanged(TestDirectory::services);
            } else if (word == "entries" && words.size() == 2) {
                store.setRace(relayEvent(argument.toInt()));
                store.autosave();
            } else if (word == "read" && words.size() == 3) {
                const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
                const auto result = store.recordCardReading(QString::fromLatin1(argument), {}, std::nullopt,
                    start, start.addSecs(60 * words[2].toInt()));
                answer(idOfRead(store, result, QString::fromLatin1(argument)));
            } else if (word == "station" && words.size() == 2) {
                // No device of the machine's own: only the station named.
                SIDeviceRoots roots;
                roots.sysRoot = QDir(folder).filePath(QStringLiteral("no-sys"));
                roots.devRoot = QDir(folder).filePath(QStringLiteral("no-dev"));
                reader = std::make_unique<CardReaderViewModel>(std::make_shared<SystemReaderClock>(), roots);
                reader->onCardRead
                    = [&](const QString &card, const QList<SIPunch> &punches,
                          const std::optional<QDateTime> &check, const std::optional<QDateTime> &start,
                          const std::optional<QDateTime> &finish) {
                          const auto result = store.recordCardReading(card, punches, check, start, finish);
                          announce("card " + card.toLatin1() + ' ' + idOfRead(store, result, card) + '\n');
                      };
                reader->connectPort(QString::fromLocal8Bit(argument));
            } else if (word == "generate") {
                Race race = generateRace();
                for (qsizetype i = 0; i < race.participants.size(); ++i)
                    race.participants[i].cardNumber = QString::number(2000001 + i);
                store.setRace(race);
            } else if (word == "serve") {
                engine->start(StationRole::Master, settings->stationId(), QStringLiteral("Vexlo Race"),
                    settings->stationKey());
                announce("port " + QByteArray::number(engine->listenPort()) + '\n');
            } else if (word == "stalls") {
                answer(QByteArray::number(stalls.longestMs(), 'f', 0) + ' '
                    + QByteArray::number(stalls.over100ms()));
                stalls.restart();
            } else if (word == "hold" || word == "release") {
                engine->holdIntake(word == "hold");
            } else if (word == "intake") {
                answer(QByteArray::number(engine->queuedIntakeBytes()) + ' '
                    + QByteArray::number(engine->peakIntakeBytes()));
            } else if (word == "snapshots") {
                answer(QByteArray::number(engine->traffic().snapshots));
            } else if (word == "peak") {
                QFile status(QStringLiteral("/proc/self/status"));
                QByteArray kb = "0";
                if (status.open(QIODevice::ReadOnly))
                    for (const QByteArray &line : status.readAll().split('\n'))
                        if (line.startsWith("VmHWM:"))
                            kb = line.mid(6).trimmed().split(' ').first();
                answer(kb);
            } else if (word == "settle") {
                store.flushAutosave();
                announce("settled\n");
            } else if (word == "event") {
                // The event as the master's stations must all hold it: its document without the
                // journal's number of this station's own files.
                Race race = store.race();
                race.journalThrough.reset();
                answer(QCryptographicHash::hash(
                    encodeRace(race, JsonLayout::Compact).value_or(QByteArray()), QCryptographicHash::Sha256)
                           .toHex());
            } else if (word == "count") {
                answer(QByteArray::number(store.race().results.size()));
            } else if (word == "name") {
                answer(store.race().name.toUtf8());
            } else if (word == "results") {
                QByteArrayList ids;
                for (const PersonResult &result : store.race().results)
                    ids.append(result.id.toString(QUuid::WithoutBraces).toLatin1());
                answer(ids.join(' '));
            } else if (word == "key") {
                answer(settings->stationKey().toLatin1());
            } else if (word == "port") {
                answer(QByteArray::number(engine->listenPort()));
            } else if (word == "stations") {
                answer(QByteArray::number(engine->connectedStationCount()));
            } else if (word == "pending") {
                answer(QByteArray::number(engine->pendingResultCount()));
            } else if (word == "error") {
                answer(store.autosaveError().toUtf8());
            } else if (word == "status") {
                answer((station->notice().isEmpty() ? engine->statusText() : station->notice()).toUtf8());
            }
        }
    });
    announce("ready\n");
    return app.exec();
}
