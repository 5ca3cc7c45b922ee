// Stations in processes of their own. A slave that reads cards while its master is away, is
// killed (SIGKILL) and started again: every result it read reaches the master exactly once, and
// the master's snapshots never take them from the slave's own event in between. Slaves reading
// cards from their stations (simulated on pseudo-terminals) while the master's large event
// arrives after every change: every card a runner puts in is read.

#include "simcard.h"
#include "stationsimulator.h"
#include "teststation.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

class Child
{
public:
    explicit Child(const QString &folder, const QStringList &options = {})
    {
        m_process.setProgram(QStringLiteral(SYNC_STATION_CHILD));
        m_process.setArguments(QStringList {folder} + options);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
    }
    ~Child()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // The first answer line starting with `word`, waiting while the test's own stations run.
    QByteArray expect(const QByteArray &word, int ms = 20000)
    {
        QByteArray found;
        spinUntil(
            [&] {
                while (m_process.canReadLine()) {
                    const QByteArray line = m_process.readLine().trimmed();
                    m_heard.append(line);
                    if (line == word || line.startsWith(word + ' ')) {
                        found = line;
                        return true;
                    }
                }
                return false;
            },
            ms);
        return found;
    }
    QByteArray ask(const QByteArray &command, const QByteArray &word)
    {
        tell(command);
        return expect(word);
    }
    void tell(const QByteArray &command) { m_process.write(command + '\n'); }
    // Every line heard so far that starts with `word`, including those read while waiting for
    // another.
    QList<QByteArray> heard(const QByteArray &word)
    {
        while (m_process.canReadLine())
            m_heard.append(m_process.readLine().trimmed());
        QList<QByteArray> lines;
        for (const QByteArray &line : std::as_const(m_heard))
            if (line.startsWith(word + ' '))
                lines.append(line);
        return lines;
    }
    void killHard()
    {
        m_process.kill(); // SIGKILL
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
    QList<QByteArray> m_heard;
};

// A runner at a slave's station: puts a card in every `interval`, takes it out as soon as the
// station has sent the card's last block (the station beeps), and gives up on it after
// `patience` otherwise: a second, far longer than a read takes on a pseudo-terminal (no baud
// rate), but not than a station whose reader is held up. A card is never put in while the one
// before is still in.
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
    static constexpr std::chrono::milliseconds patience {1000};

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
            QTRY_COMPARE_WITH_TIMEOUT(master.engine.connectedStationCount(), 1, 20000);
            QVERIFY(spinUntil([&] { return slave.ask("name", "name") == "name Relay"; }, 20000));

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
        QTRY_COMPARE_WITH_TIMEOUT(master.race.results.size(), 10, 20000);
        for (const QByteArray &id : std::as_const(ids))
            QCOMPARE(countOf(master.race, QUuid::fromString(QLatin1String(id))), 1);

        // The slave holds each once too, and nothing is left waiting.
        QByteArray expected = "results";
        for (const PersonResult &r : std::as_const(master.race.results))
            expected += ' ' + r.id.toString(QUuid::WithoutBraces).toLatin1();
        QVERIFY(spinUntil([&] { return slave.ask("results", "results") == expected; }, 20000));
        QTRY_VERIFY(!QFile::exists(folder.filePath(QStringLiteral("data/sync-outbox.json"))));
        QCOMPARE(master.race.results.size(), 10);
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
        const QStringList appGap {QStringLiteral("10000")};
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
            QVERIFY(spinUntil([&] { return station->configQueries() > 0; }, 20000));

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

QTEST_GUILESS_MAIN(TestSyncRestart)
#include "tst_syncrestart.moc"
