// Helper of the station restart test: a slave station as the application runs one (a store with
// its background autosave, journal and unsent-results file), driven by lines on standard input.
// Its master is wherever the test says: "master <port>" makes its discovery report the service
// "Vexlo Race" at 127.0.0.1:<port>.
//
// Commands: "start" (starts the slave with the test's station key), "master <port>",
// "read <card> <minutes>" (a card read finishing <minutes> after 10:00; answers "read <result id>"
// once the recording has returned), "name" (answers "name <event name>"), "results" (answers
// "results <id> <id> ..." in order), "count" (answers "count <results>"), "settle" (answers "settled" once
// every write queued so far is on disk). As a station on race day: "station <device>" reads cards from the
// SportIdent station at <device> as the race-day desk does (answers "card <number> <result id>" for each card
// read); "generate" takes the generated large event (SI8 cards from 2000001 on) as its own; "serve" starts it
// as the master instead (answers "port <port>"); "stalls" answers "stalls <longest> <over>" (the longest time
// in ms its main thread did not turn its event loop since the last "stalls", and how many such times were
// over 100 ms).
//
// Usage: sync_station_child <folder> [<ms between full writes>]

#include "cardreaderviewmodel.h"
#include "childprogram.h"
#include "racegenerator.h"
#include "racestore.h"
#include "servicediscovery.h"
#include "stallmeter.h"
#include "storeoptions.h"

#include <QCoreApplication>
#include <QDir>
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

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    RaceStoreOptions options = storeOptionsIn(folder);
    if (argc >= 3)
        options.fullWriteGap = std::chrono::milliseconds(QByteArray(argv[2]).toInt());
    RaceStore store(std::move(options));
    store.stationSettings()->setRole(StationRole::Slave);
    store.stationSettings()->setStationKey(QStringLiteral("7KQM-2D9X-HC4P"));
    SyncEngine *engine = store.syncEngine();
    engine->setDiscoveryFactory([] { return std::make_unique<TestDirectory>(); });
    engine->setReconnectDelays(std::chrono::milliseconds(20), std::chrono::milliseconds(100));

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
            if (words.first() == "start") {
                engine->start(StationRole::Slave, store.stationSettings()->stationId(),
                    QStringLiteral("Vexlo Race"), store.stationSettings()->stationKey());
            } else if (words.first() == "master" && words.size() == 2) {
                TestDirectory::services = {DiscoveredService {
                    QStringLiteral("Vexlo Race"), QStringLiteral("127.0.0.1"), quint16(words[1].toUInt())}};
                if (TestDirectory::current)
                    emit TestDirectory::current->servicesChanged(TestDirectory::services);
            } else if (words.first() == "read" && words.size() == 3) {
                const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
                const auto result = store.recordCardReading(QString::fromLatin1(words[1]), {}, std::nullopt,
                    start, start.addSecs(60 * words[2].toInt()));
                announce("read "
                    + (result ? result->id.toString(QUuid::WithoutBraces).toLatin1() : QByteArray("none"))
                    + '\n');
            } else if (words.first() == "station" && words.size() == 2) {
                // No device of the machine's own: only the station named.
                SIDeviceRoots roots;
                roots.sysRoot = QDir(folder).filePath(QStringLiteral("no-sys"));
                roots.devRoot = QDir(folder).filePath(QStringLiteral("no-dev"));
                reader = std::make_unique<CardReaderViewModel>(std::make_shared<SystemReaderClock>(), roots);
                reader->onCardRead = [&](const QString &card, const QList<SIPunch> &punches,
                                         const std::optional<QDateTime> &check,
                                         const std::optional<QDateTime> &start,
                                         const std::optional<QDateTime> &finish) {
                    const auto result = store.recordCardReading(card, punches, check, start, finish);
                    announce("card " + card.toLatin1() + ' '
                        + (result ? result->id.toString(QUuid::WithoutBraces).toLatin1() : QByteArray("none"))
                        + '\n');
                };
                reader->connectPort(QString::fromLocal8Bit(words[1]));
            } else if (words.first() == "generate") {
                Race race = generateRace();
                for (qsizetype i = 0; i < race.participants.size(); ++i)
                    race.participants[i].cardNumber = QString::number(2000001 + i);
                store.setRace(race);
            } else if (words.first() == "serve") {
                engine->start(StationRole::Master, store.stationSettings()->stationId(),
                    QStringLiteral("Vexlo Race"), store.stationSettings()->stationKey());
                announce("port " + QByteArray::number(engine->listenPort()) + '\n');
            } else if (words.first() == "stalls") {
                announce("stalls " + QByteArray::number(stalls.longestMs(), 'f', 0) + ' '
                    + QByteArray::number(stalls.over100ms()) + '\n');
                stalls.restart();
            } else if (words.first() == "settle") {
                store.flushAutosave();
                announce("settled\n");
            } else if (words.first() == "count") {
                announce("count " + QByteArray::number(store.race().results.size()) + '\n');
            } else if (words.first() == "name") {
                announce("name " + store.race().name.toUtf8() + '\n');
            } else if (words.first() == "results") {
                QByteArray line = "results";
                for (const PersonResult &result : store.race().results)
                    line += ' ' + result.id.toString(QUuid::WithoutBraces).toLatin1();
                announce(line + '\n');
            }
        }
    });
    announce("ready\n");
    return app.exec();
}
