// Real zero-conf: a private avahi-daemon and system bus inside a network namespace of the test's
// own (see with-private-avahi.sh). The master advertises, the slave finds it by DNS-SD and gets
// the master's race.

#include "servicediscovery.h"
#include "syncengine.h"

#include <QSignalSpy>
#include <QTest>

#include <cstdio>
#include <unistd.h>

class TestAvahiDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void advertisedServiceIsBrowsedAndResolved()
    {
        auto advertiser = makeAvahiServiceDiscovery();
        QSignalSpy advertised(advertiser.get(), &ServiceDiscovery::ready);
        advertiser->advertise(QStringLiteral("Vexlo Race — Øst"), 40123);
        QVERIFY(advertised.wait(testwaits::ceilingMs));

        auto browser = makeAvahiServiceDiscovery();
        QSignalSpy changed(browser.get(), &ServiceDiscovery::servicesChanged);
        browser->browse();
        QTRY_VERIFY(!changed.isEmpty());
        const auto services = changed.last().first().value<QList<DiscoveredService>>();
        QCOMPARE(services.size(), 1);
        QCOMPARE(services.first().name, QStringLiteral("Vexlo Race — Øst"));
        QCOMPARE(services.first().port, quint16(40123));
        QCOMPARE(services.first().host, QStringLiteral("127.0.0.1"));

        // Withdrawn when the advertiser goes.
        advertiser.reset();
        QTRY_VERIFY(changed.last().first().value<QList<DiscoveredService>>().isEmpty());
    }

    void slaveFindsTheMasterByZeroConf()
    {
        const QString key = QStringLiteral("7KQM-2D9X-HC4P");
        SyncEngine master;
        Race race;
        race.name = QStringLiteral("Club Night");
        master.currentRace = [&race] { return std::optional<Race>(race); };
        master.start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Club Night"), key);
        QVERIFY(master.isRunning());

        SyncEngine slave;
        std::optional<Race> received;
        slave.onSnapshotReceived = [&received](const Race &r) { received = r; };
        slave.start(StationRole::Slave, QStringLiteral("S"), QStringLiteral("Club Night"), key);
        QTRY_COMPARE(slave.statusText(), QStringLiteral("Connected to master"));
        QTRY_VERIFY(received);
        QCOMPARE(received->name, QStringLiteral("Club Night"));
        QCOMPARE(master.statusText(), QStringLiteral("Master running, advertising \"Club Night\""));
    }

    void slaveJoinsTheMasterOfItsNameAmongTwo()
    {
        const QString key = QStringLiteral("7KQM-2D9X-HC4P");
        SyncEngine north;
        Race northRace;
        northRace.name = QStringLiteral("North Cup");
        north.currentRace = [&northRace] { return std::optional<Race>(northRace); };
        north.start(StationRole::Master, QStringLiteral("N"), QStringLiteral("North"), key);
        // The slave's own master comes second, so that the first one found is the wrong one.
        auto northSeen = makeAvahiServiceDiscovery();
        QSignalSpy seen(northSeen.get(), &ServiceDiscovery::servicesChanged);
        northSeen->browse();
        QTRY_VERIFY(!seen.isEmpty());

        SyncEngine south;
        Race southRace;
        southRace.name = QStringLiteral("South Cup");
        south.currentRace = [&southRace] { return std::optional<Race>(southRace); };
        south.start(StationRole::Master, QStringLiteral("SM"), QStringLiteral("South"), key);

        SyncEngine slave;
        std::optional<Race> received;
        slave.onSnapshotReceived = [&received](const Race &r) { received = r; };
        slave.start(StationRole::Slave, QStringLiteral("S"), QStringLiteral("South"), key);
        QTRY_COMPARE(slave.statusText(), QStringLiteral("Connected to master"));
        QTRY_VERIFY(received);
        QCOMPARE(received->name, QStringLiteral("South Cup"));
        QCOMPARE(south.connectedStationCount(), 1);
        QCOMPARE(north.connectedStationCount(), 0);
    }
};

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("VEXLO_PRIVATE_AVAHI")) {
        // Re-run inside the private namespace; daemons that cannot start fail the test.
        std::vector<char *> args {const_cast<char *>("/bin/sh"), const_cast<char *>(AVAHI_WRAPPER)};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        execv("/bin/sh", args.data());
        std::perror("tst_avahidiscovery: cannot run the Avahi wrapper");
        return 1;
    }
    QCoreApplication app(argc, argv);
    TestAvahiDiscovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_avahidiscovery.moc"
