#include "casetable.h"
#include "stationsettings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

class TestStationSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> settings()
    {
        return std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    }

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void firstStartCreatesAndKeepsStationId()
    {
        auto store = settings();
        StationSettings first(store.get());
        QCOMPARE(first.role(), StationRole::Standalone);
        QCOMPARE(first.serviceName(), QStringLiteral("Vexlo Race"));
        QCOMPARE(first.stationId().size(), 36);
        QCOMPARE(first.stationId(), first.stationId().toUpper());
        QVERIFY(!QUuid::fromString(first.stationId()).isNull());
        QCOMPARE(store->value(QStringLiteral("stationId")).toString(), first.stationId());
        // The default service name is not written back.
        QVERIFY(!store->contains(QStringLiteral("stationServiceName")));
        QVERIFY(!store->contains(QStringLiteral("stationRole")));

        auto again = settings();
        StationSettings second(again.get());
        QCOMPARE(second.stationId(), first.stationId());
    }

    void storedRole_data() { casetable::load("sync/station-roles.tsv"); }
    void storedRole()
    {
        QFETCH(QStringList, cells);
        auto store = settings();
        store->setValue(QStringLiteral("stationRole"), cells[0]);
        StationSettings s(store.get());
        QCOMPARE(toText(s.role()), cells[1]);
        QCOMPARE(bool(stationRoleFromText(cells[0])), cells[0] == cells[1]);
        // An unrecognised text stays stored until the role is next assigned.
        QCOMPARE(store->value(QStringLiteral("stationRole")).toString(), cells[0]);
    }

    void emptyTextsAreKept()
    {
        auto store = settings();
        store->setValue(QStringLiteral("stationServiceName"), QString());
        store->setValue(QStringLiteral("stationId"), QString());
        StationSettings s(store.get());
        QCOMPARE(s.serviceName(), QString());
        QCOMPARE(s.stationId(), QString());
    }

    void assignmentNotifiesThenWrites()
    {
        auto store = settings();
        StationSettings s(store.get());
        QString storedWhenNotified = QStringLiteral("unset");
        connect(&s, &StationSettings::roleChanged, this,
            [&] { storedWhenNotified = store->value(QStringLiteral("stationRole")).toString(); });
        s.setRole(StationRole::Slave);
        QCOMPARE(storedWhenNotified, QString());
        QCOMPARE(store->value(QStringLiteral("stationRole")).toString(), QStringLiteral("slave"));
        s.setServiceName(QStringLiteral("Start 2 "));
        auto again = settings();
        StationSettings restarted(again.get());
        QCOMPARE(restarted.role(), StationRole::Slave);
        QCOMPARE(restarted.serviceName(), QStringLiteral("Start 2 "));
    }

    // Only a name that can be announced is stored; a refused one leaves the stored name (and the
    // settings file) as they were, and says nothing.
    void serviceNames_data() { casetable::load("sync/service-names.tsv"); }
    void serviceNames()
    {
        QFETCH(QStringList, cells);
        const QString name = casetable::withLength(cells[0]);
        const bool announced = cells[1] == u"announced";
        QCOMPARE(serviceNameProblem(name), announced ? QString() : cells[1]);
        auto store = settings();
        StationSettings s(store.get());
        QVERIFY(s.setServiceName(QStringLiteral("Målstation 1")));
        QSignalSpy changed(&s, &StationSettings::serviceNameChanged);
        QCOMPARE(s.setServiceName(name), announced);
        QCOMPARE(changed.count(), announced ? 1 : 0);
        const QString kept = announced ? name : QStringLiteral("Målstation 1");
        QCOMPARE(s.serviceName(), kept);
        auto again = settings();
        QCOMPARE(StationSettings(again.get()).serviceName(), kept);
    }
};

QTEST_GUILESS_MAIN(TestStationSettings)
#include "tst_stationsettings.moc"
