// The advanced-settings view-models over a store with private settings.

#include "racestore.h"
#include "settingstabs.h"
#include "storefakes.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSettingsTabs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<RaceStore> m_store;

private slots:
    void init()
    {
        RaceStoreOptions options;
        options.settings = std::make_unique<QSettings>(
            m_dir.filePath(QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".ini")),
            QSettings::IniFormat);
        options.autosaveFolder = m_dir.filePath(QStringLiteral("autosave"));
        options.keyStore = std::make_unique<MemoryKeyStore>();
        options.backgroundAutosave = false;
        m_store = std::make_unique<RaceStore>(std::move(options));
    }

    void tabsAndSelection()
    {
        SyncViewModel view;
        view.setRaceStore(m_store.get());
        QStringList ids;
        for (const QVariant &tab : view.tabs())
            ids.append(tab.toMap().value(QStringLiteral("id")).toString());
        QCOMPARE(ids, QStringList({"stationRole", "liveResults", "metsa", "vexloWeb", "language"}));
        QCOMPARE(view.selectedTab(), QStringLiteral("stationRole"));
        view.setSelectedTab(QStringLiteral("Metsa")); // ids are exact
        QCOMPARE(view.selectedTab(), QStringLiteral("stationRole"));
        view.setSelectedTab(QStringLiteral("language"));
        QCOMPARE(view.selectedTab(), QStringLiteral("language"));
    }

    void stationRoleChangeIsDeferredAndStopsTheEngine()
    {
        StationRoleViewModel role(m_store->stationSettings(), m_store->syncEngine());
        QVERIFY(!role.canStart() && !role.canStop());
        QCOMPARE(role.connectedText(), QStringLiteral("0 station(s) connected"));
        role.chooseRole(1);
        QCOMPARE(role.roleIndex(), 0); // applied on the next turn of the event loop
        QTRY_COMPARE(role.roleIndex(), 1);
        QCOMPARE(m_store->stationSettings()->role(), StationRole::Master);
        QVERIFY(role.canStart());
        role.chooseRole(7);
        QCoreApplication::processEvents();
        QCOMPARE(role.roleIndex(), 1);
    }

    // Minutes shown and stored, and the stepper's ends.
    void intervalStepper()
    {
        LiveResultsViewModel live(m_store.get());
        LiveResultatSettings *s = m_store->liveResultatSettings();
        const struct
        {
            double stored;
            int direction;
            QString shown;
            double after;
        } cases[] = {{300, 1, "Every 5 min", 360}, {300, -1, "Every 5 min", 240}, {90, 1, "Every 1 min", 150},
            {3600, 1, "Every 60 min", 3600}, {60, -1, "Every 1 min", 60}, {5, 1, "Every 0 min", 65}};
        for (const auto &c : cases) {
            s->setPublishIntervalSeconds(c.stored);
            QCOMPARE(live.intervalText(), c.shown);
            live.step(c.direction);
            QCOMPARE(s->publishIntervalSeconds(), c.after);
        }
    }

    void publishNowNeedsACompetitionId()
    {
        LiveResultsViewModel live(m_store.get());
        QVERIFY(!live.canPublishNow());
        live.setCompetitionId(QStringLiteral("1"));
        QVERIFY(live.canPublishNow());
        QCOMPARE(live.statusText(), QStringLiteral("Not published yet"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsTabs)
#include "tst_settingstabs.moc"
