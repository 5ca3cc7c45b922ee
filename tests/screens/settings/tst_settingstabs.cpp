// The advanced-settings view-models over a store with private settings.

#include "casetable.h"
#include "metsatab.h"
#include "publishingsettings.h"
#include "settingstabs.h"
#include "storeharness.h"

#include <QSignalSpy>
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

    // A refused id is never stored, and "Publish now" is off while it stands.
    void competitionIds_data() { casetable::load("settings/competition-ids.tsv"); }
    void competitionIds()
    {
        QFETCH(QStringList, cells);
        LiveResultsViewModel live(m_store.get());
        MetsaTabViewModel metsa;
        metsa.setStore(m_store.get());
        PublishingTabViewModel &tab
            = cells[0] == u"metsa" ? static_cast<PublishingTabViewModel &>(metsa) : live;
        PublishingSettings *settings = cells[0] == u"metsa"
            ? static_cast<PublishingSettings *>(m_store->metsaSettings())
            : m_store->liveResultatSettings();
        settings->setCompetitionId(QStringLiteral("777"));
        tab.setCompetitionId(cells[1]);
        if (cells[2] == u"stored") {
            QCOMPARE(tab.competitionIdError(), QString());
            QCOMPARE(settings->competitionId(), cells[1]);
        } else {
            QCOMPARE(tab.competitionIdError(), cells[2]);
            QCOMPARE(settings->competitionId(), QStringLiteral("777"));
            QVERIFY(!tab.canPublishNow());
        }
    }

    // The passcode is written when its editing ends, once, and never with a line break.
    void passcodeWrittenOnceAndChecked()
    {
        LiveResultsViewModel live(m_store.get());
        LiveResultatSettings *s = m_store->liveResultatSettings();
        QSignalSpy writes(s, &PublishingSettings::passcodeChanged);
        live.finishPasscode(QStringLiteral("secret"));
        live.finishPasscode(QStringLiteral("secret"));
        QCOMPARE(writes.size(), 1);
        live.finishPasscode(QStringLiteral("se\r\ncret"));
        QCOMPARE(live.passcodeError(),
            QStringLiteral("The passcode cannot hold a line break or another control character."));
        QCOMPARE(s->passcode(), QStringLiteral("secret"));
        live.finishPasscode(QString());
        QCOMPARE(live.passcodeError(), QString());
        QCOMPARE(s->passcode(), QString());
        QCOMPARE(live.keyStoreNotice(), QString());
    }
};

QTEST_GUILESS_MAIN(TestSettingsTabs)
#include "tst_settingstabs.moc"
