// A slave station in a process of its own that reads cards while its master is away, is killed
// (SIGKILL) and started again: every result it read reaches the master exactly once, and the
// master's snapshots never take them from the slave's own event in between.

#include "teststation.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

class Child
{
public:
    explicit Child(const QString &folder)
    {
        m_process.setProgram(QStringLiteral(SYNC_STATION_CHILD));
        m_process.setArguments({folder});
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
    void killHard()
    {
        m_process.kill(); // SIGKILL
        m_process.waitForFinished(5000);
    }

private:
    QProcess m_process;
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
};

QTEST_GUILESS_MAIN(TestSyncRestart)
#include "tst_syncrestart.moc"
