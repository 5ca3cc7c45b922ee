// Stations in processes of their own, killed (SIGKILL) or stopped cleanly and started again: a
// slave's results reach the master exactly once, and the master's snapshots never take them from
// the slave's own event in between; a master keeps its station key, so its slaves come back with
// no typing; one card read out at two slaves is one result on every station. The test runs
// itself inside a private D-Bus session with a throwaway keyring, the masters' key store.

#include "keyringtesthelpers.h"
#include "stationchild.h"
#include "teststation.h"

#include "stationkey.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

using Child = StationChild;

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

    // A master started again at once, killed or closed, starts before the key store has answered:
    // it waits for the stored key and keeps it, and its slaves join it again without typing.
    // The slaves themselves take the master's key as it is typed, while they run.
    void restartedMasterKeepsItsKey_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("killed") << true;
        QTest::newRow("closed") << false;
    }
    void restartedMasterKeepsItsKey()
    {
        QFETCH(bool, killed);
        QTemporaryDir masterFolder, folderA, folderB;
        const QStringList keyring {QStringLiteral("--secret-service")};
        auto master = std::make_unique<Child>(masterFolder.path(), keyring);
        QVERIFY(!master->expect("ready").isEmpty());
        master->tell("role master");
        master->tell("entries 3");
        master->tell("start");
        QByteArray port;
        QVERIFY(spinUntil([&] { return (port = master->value("port")) != "0"; }, 20000));
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
        QVERIFY(spinUntil([&] { return master->value("stations") == "2"; }, 20000));
        QVERIFY(spinUntil([&] { return b.value("name") == "Relay"; }, 20000));

        if (killed)
            master->killHard();
        else
            QVERIFY(master->quit());
        master
            = std::make_unique<Child>(masterFolder.path(), keyring + QStringList {QStringLiteral("--start")});
        const QByteArray started = master->expect("started");
        QVERIFY(!master->expect("ready").isEmpty());
        QVERIFY(spinUntil([&] { return (port = master->value("port")) != "0"; }, 20000));
        QCOMPARE(master->value("key"), key);
        // Started before its event loop ran, so before any answer of the key store: it said so.
        QCOMPARE(started, QByteArray("started Waiting for the station key from the key store..."));
        for (Child *slave : {&a, &b})
            slave->tell("master " + port);
        QVERIFY(spinUntil([&] { return master->value("stations") == "2"; }, 20000));
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
        QVERIFY(spinUntil([&] { return (port = master.value("port")) != "0"; }, 20000));
        Child a(folderA.path()), b(folderB.path());
        const QList<Child *> slaves {&a, &b};
        for (Child *slave : slaves) {
            QVERIFY(!slave->expect("ready").isEmpty());
            slave->tell("master " + port);
            slave->tell("start");
        }
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("name") == "Relay"; }, 20000));

        master.tell("stop");
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("stations") == "0"; }, 20000));
        for (int card = 1001; card <= 1005; ++card)
            for (Child *slave : slaves)
                slave->tell("read " + QByteArray::number(card) + " 30");
        for (Child *slave : slaves)
            for (int i = 0; i < 5; ++i) {
                const QByteArray read = slave->expect("read");
                QVERIFY2(read.size() > 10, read.constData());
            }

        master.tell("start");
        QVERIFY(spinUntil([&] { return (port = master.value("port")) != "0"; }, 20000));
        for (Child *slave : slaves)
            slave->tell("master " + port);
        // Nothing is left waiting once the master's event holds every read-out.
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("pending") == "0"; }, 20000));
        const QByteArray results = master.value("results");
        QCOMPARE(results.split(' ').size(), 5);
        for (Child *slave : slaves)
            QVERIFY(spinUntil([&] { return slave->value("results") == results; }, 20000));
        QCOMPARE(master.value("results"), results);
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
