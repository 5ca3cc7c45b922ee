// Stations in processes of their own, killed (SIGKILL) or stopped cleanly and started again: a
// slave's results reach the master exactly once, and the master's snapshots never take them from
// the slave's own event in between; a master keeps its station key, so its slaves come back with
// no typing; one card read out at two slaves is one result on every station. Slaves reading cards
// from their stations (simulated on pseudo-terminals) while the master's large event arrives after
// every change: every card a runner puts in is read. The test runs itself inside a private D-Bus
// session with a throwaway keyring, the masters' key store.

#include "keyringtesthelpers.h"
#include "simcard.h"
#include "stationchild.h"
#include "stationsimulator.h"
#include "teststation.h"

#include "stationkey.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

using Child = StationChild;

// A runner at a slave's station: puts a card in every `interval`, takes it out as soon as the
// station has sent the card's last block (the station beeps), and gives up on it after
// `patience` otherwise. A card is never put in while the one before is still in.
class Runners : public QObject
{
public:
    static constexpr quint8 readSi8Block = 0xEF; // the host's block request for SI8 and later

    Runners(StationSimulator &station, quint32 firstCard, int cards)
        : m_station(station)
        , m_firstCard(firstCard)
        , m_cards(cards)
    {
        connect(&station, &StationSimulator::commandReceived, this,
            [this](quint8 command, const QByteArray &data) {
                if (m_in && command == readSi8Block && !data.isEmpty() && quint8(data.at(0)) == m_lastBlock)
                    QTimer::singleShot(0, this, [this, card = m_in] { takeOut(card); });
            });
    }
    void start(std::chrono::milliseconds delay)
    {
        m_clock.start();
        m_next = delay.count();
        QTimer::singleShot(delay, this, &Runners::putIn);
    }
    [[nodiscard]] bool done() const { return m_presented == m_cards && m_in == 0; }
    [[nodiscard]] int presented() const { return m_presented; }

    static constexpr std::chrono::milliseconds interval {667}; // 1.5 cards a second
    // A runner holds the card until the station beeps, which it does when the host has taken
    // the last block; one who hears nothing gives up after a while. Generous, so that a machine
    // busy with other work does not turn a slow read into a lost card: the slave's longest
    // stalls are logged below.
    static constexpr std::chrono::milliseconds patience {8000};

private:
    void putIn()
    {
        SimCard card = SimCard::example(SimCard::Series::SI8, 20, quint32(m_presented) + 1);
        card.number = m_firstCard + quint32(m_presented);
        m_lastBlock = quint8(StationSimulator::blocksToSend(card).last());
        m_in = card.number;
        ++m_presented;
        m_station.insertCard(card);
        QTimer::singleShot(patience, this, [this, number = card.number] { takeOut(number); });
    }
    void takeOut(quint32 card)
    {
        if (m_in != card)
            return;
        m_in = 0;
        m_station.removeCard();
        if (m_presented == m_cards)
            return;
        m_next += interval.count();
        QTimer::singleShot(int(std::max<qint64>(0, m_next - m_clock.elapsed())), this, &Runners::putIn);
    }

    StationSimulator &m_station;
    quint32 m_firstCard;
    int m_cards;
    int m_presented = 0;
    quint32 m_in = 0;
    quint8 m_lastBlock = 0;
    QElapsedTimer m_clock;
    qint64 m_next = 0;
};

Race relayEvent()
{
    Race race;
    race.name = QStringLiteral("Relay");
    for (int i = 0; i < 10; ++i) {
        Participant p;
        p.givenName = QStringLiteral("Runner %1").arg(i);
        p.cardNumber = QString::number(1001 + i);
        race.participants.append(p);
    }
    return race;
}

} // namespace

class TestSyncRestart : public QObject
{
    Q_OBJECT

private slots:
    void killedSlaveSendsEveryUnsentResultOnceAfterRestart()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race = relayEvent();

        QList<QByteArray> ids;
        {
            Child slave(folder.path());
            QVERIFY(!slave.expect("ready").isEmpty());
            slave.tell("master " + QByteArray::number(master.engine.listenPort()));
            slave.tell("start");
            QTRY_COMPARE(master.engine.connectedStationCount(), 1);
            QVERIFY(spinUntil([&] { return slave.ask("name", "name") == "name Relay"; }));

            // Cut off from the master, the slave reads ten cards; then it dies.
            master.engine.stop();
            for (int i = 0; i < 10; ++i) {
                const QByteArray read = slave.ask("read " + QByteArray::number(1001 + i) + " 30", "read");
                QVERIFY2(read.size() > 10, read.constData());
                ids.append(read.mid(5));
            }
            slave.killHard();
        }
        QCOMPARE(master.race.results.size(), 0);
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("data/sync-outbox.json"))));

        // The master is back (on another port) with its own race, which holds none of them.
        master.engine.start(
            StationRole::Master, QStringLiteral("M"), QStringLiteral("Vexlo Race"), testStationKey);
        Child slave(folder.path());
        QVERIFY(!slave.expect("ready").isEmpty());
        slave.tell("master " + QByteArray::number(master.engine.listenPort()));
        slave.tell("start");
        QTRY_COMPARE(master.race.results.size(), 10);
        for (const QByteArray &id : std::as_const(ids))
            QCOMPARE(countOf(master.race, QUuid::fromString(QLatin1String(id))), 1);

        // The slave holds each once too, and nothing is left waiting.
        QByteArray expected = "results";
        for (const PersonResult &r : std::as_const(master.race.results))
            expected += ' ' + r.id.toString(QUuid::WithoutBraces).toLatin1();
        QVERIFY(spinUntil([&] { return slave.ask("results", "results") == expected; }));
        QTRY_VERIFY(!QFile::exists(folder.filePath(QStringLiteral("data/sync-outbox.json"))));
        QCOMPARE(master.race.results.size(), 10);
    }

    // A master started again at once, killed or closed, starts before the key store has answered:
    // it waits for the stored key and keeps it, and its slaves join it again without typing.
    // The slaves themselves take the master's key as it is typed, while they run.
    //
    // A key store locked meanwhile (its unlock asked for with nobody to answer) holds the key all
    // the same: the master says it could not read it rather than make a new one, and starts once
    // the organiser has typed the event's key.
    void restartedMasterKeepsItsKey_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::addColumn<bool>("locked");
        QTest::newRow("killed") << true << false;
        QTest::newRow("closed") << false << false;
        QTest::newRow("closed, key store locked") << false << true;
    }
    void restartedMasterKeepsItsKey()
    {
        QFETCH(bool, killed);
        QFETCH(bool, locked);
        QTemporaryDir masterFolder, folderA, folderB;
        const QStringList keyring {QStringLiteral("--secret-service")};
        auto master = std::make_unique<Child>(masterFolder.path(), keyring);
        QVERIFY(!master->expect("ready").isEmpty());
        master->tell("role master");
        master->tell("entries 3");
        master->tell("start");
        QByteArray port;
        QVERIFY(spinUntil([&] { return (port = master->value("port")) != "0"; }));
        const QByteArray key = master->value("key");
        QVERIFY2(canonicalStationKey(QString::fromLatin1(key)) == QString::fromLatin1(key), key.constData());

        // Started with another event's key, the slaves are refused until the master's is typed.
        Child a(folderA.path()), b(folderB.path());
        for (Child *slave : {&a, &b}) {
            QVERIFY(!slave->expect("ready").isEmpty());
            slave->tell("master " + port);
            slave->tell("start");
        }
        QVERIFY(spinUntil([&] { return master->value("stations") == "0" && a.value("stations") == "0"; }));
        for (Child *slave : {&a, &b})
            slave->tell("key " + key.toLower());
        QVERIFY(spinUntil([&] { return master->value("stations") == "2"; }));
        QVERIFY(spinUntil([&] { return b.value("name") == "Relay"; }));

        if (killed)
            master->killHard();
        else
            QVERIFY(master->quit());
        if (locked) {
            QProcess lock;
            lock.start(QStringLiteral("dbus-send"),
                {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=org.freedesktop.secrets"),
                    QStringLiteral("/org/freedesktop/secrets"),
                    QStringLiteral("org.freedesktop.Secret.Service.Lock"),
                    QStringLiteral("array:objpath:/org/freedesktop/secrets/collection/login")});
            QVERIFY(lock.waitForFinished(testwaits::ceilingMs));
            QCOMPARE(lock.exitCode(), 0);
        }
        master
            = std::make_unique<Child>(masterFolder.path(), keyring + QStringList {QStringLiteral("--start")});
        const QByteArray started = master->expect("started");
        QVERIFY(!master->expect("ready").isEmpty());
        if (locked) {
            QVERIFY(spinUntil([&] { return master->value("status") != started.mid(8); }));
            QCOMPARE(master->value("status"),
                QByteArray("The station key could not be read from the key store (the key store is locked). "
                           "Type the event's station key, or press Start again to make a new one."));
            QCOMPARE(master->value("port"), QByteArray("0"));
            QCOMPARE(master->value("key"), QByteArray());
            master->tell("key " + key);
            master->tell("start");
        }
        QVERIFY(spinUntil([&] { return (port = master->value("port")) != "0"; }));
        QCOMPARE(master->value("key"), key);
        // Started before its event loop ran, so before any answer of the key store: it said so.
        QCOMPARE(started, QByteArray("started Waiting for the station key from the key store..."));
        for (Child *slave : {&a, &b})
            slave->tell("master " + port);
        QVERIFY(spinUntil([&] { return master->value("stations") == "2"; }));
        for (Child *slave : {&a, &b})
            QCOMPARE(slave->value("key").toUpper(), key);
    }

    // Two slaves read the same five cards while neither has heard of the other's read (as when
    // both read one card at the same moment, or while the master is away): the master keeps one
    // result per read-out, and so does every station once the master's event reaches it.
    void oneReadOutAtTwoSlavesIsOneResult()
    {
        QTemporaryDir masterFolder, folderA, folderB;
        Child master(masterFolder.path());
        QVERIFY(!master.expect("ready").isEmpty());
        master.tell("role master");
        master.tell("entries 5");
        master.tell("start");
        QByteArray port;
        QVERIFY(spinUntil([&] { return (port = master.value("port")) != "0"; }));
        Child a(folderA.path()), b(folderB.path());
        const QList<Child *> slaves {&a, &b};
        for (Child *slave : slaves) {
            QVERIFY(!slave->expect("ready").isEmpty());
            slave->tell("master " + port);
            slave->tell("start");
        }
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("name") == "Relay"; }));

        master.tell("stop");
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("stations") == "0"; }));
        for (int card = 1001; card <= 1005; ++card)
            for (Child *slave : slaves)
                slave->tell("read " + QByteArray::number(card) + " 30");
        for (Child *slave : slaves)
            for (int i = 0; i < 5; ++i) {
                const QByteArray read = slave->expect("read");
                QVERIFY2(read.size() > 10, read.constData());
            }

        master.tell("start");
        QVERIFY(spinUntil([&] { return (port = master.value("port")) != "0"; }));
        for (Child *slave : slaves)
            slave->tell("master " + port);
        // Nothing is left waiting once the master's event holds every read-out.
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("pending") == "0"; }));
        const QByteArray results = master.value("results");
        QCOMPARE(results.split(' ').size(), 5);
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("results") == results; }));
        QCOMPARE(master.value("results"), results);
    }

    // A master and two slaves read cards while the master's changes flow; at random points one of
    // them is killed (SIGKILL) and started again on its folder. In the end every station holds the
    // master's event exactly, with every read acknowledged anywhere once.
    void killedStationsEndHoldingTheMastersEvent()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        constexpr int runners = 60;
        QTemporaryDir masterFolder, folderA, folderB;
        const QList<QString> folders {masterFolder.path(), folderA.path(), folderB.path()};
        std::vector<std::unique_ptr<Child>> stations(3);
        QByteArray port;
        const auto startStation = [&](int i, bool again) {
            stations[size_t(i)] = std::make_unique<Child>(
                folders[i], i == 0 && again ? QStringList {QStringLiteral("--start")} : QStringList());
            Child &station = *stations[size_t(i)];
            QVERIFY(!station.expect("ready").isEmpty());
            if (i == 0) {
                if (!again) {
                    station.tell("role master");
                    station.tell("entries " + QByteArray::number(runners));
                    station.tell("start");
                }
                QVERIFY(spinUntil([&] { return (port = station.value("port")) != "0"; }));
                for (int k = 1; k < 3; ++k)
                    if (stations[size_t(k)])
                        stations[size_t(k)]->tell("master " + port);
            } else {
                station.tell("master " + port);
                station.tell("start");
            }
        };
        for (int i = 0; i < 3; ++i)
            startStation(i, false);
        for (int k = 1; k < 3; ++k)
            QVERIFY(spinUntil([&] { return stations[size_t(k)]->value("name") == "Relay"; }));

        QSet<QByteArray> reads;
        int card = 0;
        for (int round = 0; round < 8; ++round) {
            // A few reads at each station, told at once: the changes flow while the kill comes.
            for (int i = 0; i < 3; ++i)
                for (int r = 0; r < 2; ++r, ++card)
                    stations[size_t(i)]->tell("read " + QByteArray::number(1001 + card % runners) + ' '
                        + QByteArray::number(30 + card));
            const int victim = int(random.bounded(4)); // 3: nobody this round
            spinUntil([] { return false; }, int(random.bounded(120)));
            for (int i = 0; i < 3; ++i) {
                if (i == victim)
                    continue;
                for (int r = 0; r < 2; ++r) {
                    const QByteArray read = stations[size_t(i)]->expect("read");
                    QVERIFY2(read.size() > 10, read.constData());
                    reads.insert(read.mid(5));
                }
            }
            if (victim < 3) {
                // What it answered before it died counts; what it had not answered may be lost.
                for (const QByteArray &read : stations[size_t(victim)]->heard("read"))
                    reads.insert(read.mid(5));
                stations[size_t(victim)]->killHard();
                startStation(victim, true);
            }
        }
        // Everything settles: no station waits to send anything, and all hold one event.
        for (int k = 1; k < 3; ++k)
            QVERIFY(spinUntil([&] { return stations[size_t(k)]->value("pending") == "0"; }));
        const QByteArray results = stations[0]->value("results");
        const QList<QByteArray> held = results.split(' ');
        QCOMPARE(QSet<QByteArray>(held.cbegin(), held.cend()).size(), held.size()); // none doubled
        for (const QByteArray &read : std::as_const(reads))
            QVERIFY2(held.contains(read), read.constData()); // none lost
        const QByteArray event = stations[0]->value("event");
        for (int k = 1; k < 3; ++k) {
            QVERIFY(spinUntil([&] { return stations[size_t(k)]->value("results") == results; }));
            QCOMPARE(stations[size_t(k)]->value("event"), event);
        }
    }

    // A slave whose intake thread is held (as when it reads a large event) while its master, a
    // process of its own, records card after card: what waits for the intake stays within its
    // bound, the slave asks for the event instead, and once its intake runs again it holds the
    // master's event exactly, with every card it read itself meanwhile.
    void aFloodedSlaveKeepsItsBoundAndEndsWithTheMastersEvent()
    {
        constexpr int runners = 400;
        constexpr int ownReads = 3;
        constexpr qint64 bound = 32 * 1024;
        QTemporaryDir masterFolder, slaveFolder;
        Child master(masterFolder.path());
        QVERIFY(!master.expect("ready").isEmpty());
        master.tell("role master");
        master.tell("entries " + QByteArray::number(runners));
        master.tell("start");
        QByteArray port;
        QVERIFY(spinUntil([&] { return (port = master.value("port")) != "0"; }));
        Child slave(slaveFolder.path(), {QStringLiteral("--intake-bound"), QString::number(bound)});
        QVERIFY(!slave.expect("ready").isEmpty());
        slave.tell("master " + port);
        slave.tell("start");
        QVERIFY(spinUntil([&] { return slave.value("name") == "Relay"; }));
        QCOMPARE(master.value("snapshots"), QByteArray("1"));
        const qint64 peakBefore = slave.value("peak").toLongLong();

        slave.tell("hold");
        QList<QByteArray> own;
        for (int i = 0; i < ownReads; ++i) {
            const QByteArray read = slave.ask("read " + QByteArray::number(1001 + i) + " 30", "read");
            QVERIFY2(read.size() > 10, read.constData());
            own.append(read.mid(5));
        }
        for (int i = ownReads; i < runners; ++i)
            master.tell("read " + QByteArray::number(1001 + i) + ' ' + QByteArray::number(40 + i % 60));
        for (int i = ownReads; i < runners; ++i)
            QVERIFY(master.expect("read").size() > 10);
        QVERIFY(spinUntil([&] { return master.value("results").split(' ').size() == runners; }));
        // Asked for again (the hello's answer was the first).
        QVERIFY(spinUntil([&] { return master.value("snapshots").toInt() >= 2; }));
        const QList<QByteArray> intake = slave.value("intake").split(' ');
        QCOMPARE(intake.size(), 2);
        QVERIFY2(
            intake[1].toLongLong() <= bound && intake[1].toLongLong() > bound / 2, intake[1].constData());
        QVERIFY(intake[0].toLongLong() <= bound);
        QCOMPARE(slave.value("count"), QByteArray::number(ownReads));

        slave.tell("release");
        QVERIFY(spinUntil([&] { return slave.value("pending") == "0"; }));
        const QByteArray event = master.value("event");
        QVERIFY(spinUntil([&] { return slave.value("event") == event; }));
        const QByteArray results = master.value("results");
        for (const QByteArray &id : std::as_const(own))
            QVERIFY2(results.contains(id), id.constData());
        QCOMPARE(slave.value("results"), results);
        qInfo("slave's peak resident memory %lld kB before the flood, %lld kB after", peakBefore,
            slave.value("peak").toLongLong());
    }

    void slavesReadEveryCardWhileTheLargeEventArrives()
    {
        // The generated event (5,000 runners, three stages, 15,000 results: a snapshot of about
        // 85 MB), its master and three slaves each in a process of its own, writing their full
        // files at most every 10 s as the application does. Each slave's station gets 30 cards
        // at 1.5 a second, the three staggered, so that snapshots arrive all the while.
        constexpr int slaveCount = 3;
        constexpr int cardsEach = 30;
        constexpr qsizetype generatedResults = 15000;
        const QStringList appGap {QStringLiteral("--full-write-gap-ms"), QStringLiteral("10000")};
        QTemporaryDir masterFolder;
        QVERIFY(masterFolder.isValid());
        Child master(masterFolder.path(), appGap);
        QVERIFY(!master.expect("ready").isEmpty());
        master.tell("generate");
        const QByteArray port = master.ask("serve", "port").mid(5);
        QVERIFY(port.toUInt() > 0);

        std::vector<std::unique_ptr<QTemporaryDir>> folders;
        std::vector<std::unique_ptr<StationSimulator>> stations;
        std::vector<std::unique_ptr<Child>> slaves;
        std::vector<std::unique_ptr<Runners>> runners;
        for (int i = 0; i < slaveCount; ++i) {
            folders.push_back(std::make_unique<QTemporaryDir>());
            stations.push_back(std::make_unique<StationSimulator>(StationMode::Handshake));
            QVERIFY(stations.back()->start());
            slaves.push_back(std::make_unique<Child>(folders.back()->path(), appGap));
            Child &slave = *slaves.back();
            QVERIFY(!slave.expect("ready").isEmpty());
            slave.tell("master " + port);
            slave.tell("station " + stations.back()->devicePath().toLocal8Bit());
            slave.tell("start");
            runners.push_back(
                std::make_unique<Runners>(*stations.back(), 2000001 + quint32(i * cardsEach), cardsEach));
        }
        const QByteArray whole = "count " + QByteArray::number(generatedResults);
        for (auto &slave : slaves)
            QVERIFY(spinUntil([&] { return slave->ask("count", "count") == whole; }, 300000));
        for (auto &station : stations)
            QVERIFY(spinUntil([&] { return station->configQueries() > 0; }));

        // The stations have joined and settled before the first runner comes in.
        for (auto &slave : slaves)
            QVERIFY(!slave->ask("settle", "settled").isEmpty());
        for (auto &slave : slaves)
            QVERIFY(!slave->ask("stalls", "stalls").isEmpty());
        for (int i = 0; i < slaveCount; ++i)
            runners[size_t(i)]->start(i * Runners::interval / slaveCount);
        QVERIFY(spinUntil(
            [&] {
                return std::all_of(runners.cbegin(), runners.cend(), [](const auto &r) { return r->done(); });
            },
            300000));
        // For whoever reads the log: how long each slave's main thread went without turning.
        for (auto &slave : slaves)
            qInfo("%s", slave->ask("stalls", "stalls").constData());

        // Every card put in was read and recorded at its station (the wait only bounds a broken
        // run: each station has sent every card's last block by now)...
        for (int i = 0; i < slaveCount; ++i) {
            Child &slave = *slaves[size_t(i)];
            QCOMPARE(runners[size_t(i)]->presented(), cardsEach);
            spinUntil([&] { return slave.heard("card").size() >= cardsEach; }, 60000);
            const QList<QByteArray> cards = slave.heard("card");
            QCOMPARE(cards.size(), cardsEach);
            for (int k = 0; k < cardsEach; ++k)
                QVERIFY2(cards[k].startsWith("card " + QByteArray::number(2000001 + i * cardsEach + k) + ' ')
                        && !cards[k].endsWith(" none"),
                    cards[k].constData());
        }
        // ... and reaches the master once, and every station holds the master's event with all.
        const QByteArray all = "count " + QByteArray::number(generatedResults + slaveCount * cardsEach);
        QVERIFY(spinUntil([&] { return master.ask("count", "count") == all; }, 300000));
        for (auto &slave : slaves)
            QVERIFY(spinUntil([&] { return slave->ask("count", "count") == all; }, 300000));
    }
};

int main(int argc, char **argv)
{
    enterPrivateKeyring(argc, argv, KEYRING_WRAPPER);
    QCoreApplication app(argc, argv);
    TestSyncRestart test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_syncrestart.moc"
