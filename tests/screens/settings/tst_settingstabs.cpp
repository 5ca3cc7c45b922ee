// The advanced-settings view-models over a store with private settings.

#include "casetable.h"
#include "settingstabs.h"
#include "storeharness.h"

#include <QTest>

class TestSettingsTabs : public QObject
{
    Q_OBJECT

    std::unique_ptr<StoreHarness> m_harness;
    std::unique_ptr<RaceStore> m_store;

private slots:
    void init()
    {
        m_store.reset();
        m_harness = std::make_unique<StoreHarness>();
        m_harness->backgroundAutosave = false;
        m_store = m_harness->makeStore();
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

    void intervalStepper_data() { casetable::load("settings/publish-interval-steps.tsv"); }
    void intervalStepper()
    {
        QFETCH(QStringList, cells);
        LiveResultsViewModel live(m_store.get());
        LiveResultatSettings *s = m_store->liveResultatSettings();
        s->setPublishIntervalSeconds(cells[0].toDouble());
        QCOMPARE(live.intervalText(), cells[1]);
        live.step(cells[2].toInt());
        QCOMPARE(s->publishIntervalSeconds(), cells[3].toDouble());
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
