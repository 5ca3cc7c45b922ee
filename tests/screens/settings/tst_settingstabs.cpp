// The advanced-settings view-models over a store with private settings.

#include "casetable.h"
#include "localization.h"
#include "metsatab.h"
#include "publishingsettings.h"
#include "settingstabs.h"
#include "storeharness.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

namespace {

// The system's zero-conf daemon as it answers when it is not running.
class DaemonNotRunning : public ServiceDiscovery
{
public:
    void advertise(const QString &, quint16) override { failLater(); }
    void browse() override { failLater(); }

private:
    void failLater()
    {
        QMetaObject::invokeMethod(
            this, [this] { emit failed(QStringLiteral("Daemon not running")); }, Qt::QueuedConnection);
    }
};

// A daemon that takes the advertisement and says nothing more.
class QuietDaemon : public ServiceDiscovery
{
public:
    void advertise(const QString &, quint16) override { }
    void browse() override { }
};

} // namespace

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

    // A language picked on the language tab rebuilds the window's content while it is applied:
    // the view built then opens on that tab; one built later on the first tab, as before.
    void languagePickedKeepsItsTab()
    {
        // The pick is stored: in settings of the tests' own, forgotten afterwards.
        QStandardPaths::setTestModeEnabled(true);
        const auto forget = [] { QSettings().remove(QLatin1String(LocalizationManager::settingsKey)); };
        forget();
        LocalizationManager chosen {QStringList {QStringLiteral("en")}};
        LocalizationManager::setShared(&chosen);
        const auto english = qScopeGuard([&] {
            LocalizationManager::setShared(nullptr);
            forget();
        });
        SyncViewModel view;
        view.setRaceStore(m_store.get());
        view.setSelectedTab(QStringLiteral("language"));
        std::unique_ptr<SyncViewModel> rebuilt;
        connect(&chosen, &LocalizationManager::languageChanged, this,
            [&] { rebuilt = std::make_unique<SyncViewModel>(); });
        view.language()->pick(1);
        QVERIFY(rebuilt);
        QCOMPARE(rebuilt->selectedTab(), QStringLiteral("language"));
        QCOMPARE(chosen.languageCode(), QStringLiteral("da"));
        QCoreApplication::processEvents();
        QCOMPARE(SyncViewModel().selectedTab(), QStringLiteral("stationRole"));
        // The language already chosen changes nothing and hands nothing on.
        rebuilt->setSelectedTab(QStringLiteral("metsa"));
        rebuilt->language()->pick(1);
        QCOMPARE(SyncViewModel().selectedTab(), QStringLiteral("stationRole"));
        rebuilt->language()->pick(0);
        QCOMPARE(rebuilt->selectedTab(), QStringLiteral("metsa"));
        QCoreApplication::processEvents();
    }

    // The field's name is checked as typed and stored when its editing ends; a refused one is
    // said, never stored and never announced, and the stored name stays.
    void serviceNameStoredWhenEditingEnds_data() { casetable::load("sync/service-names.tsv"); }
    void serviceNameStoredWhenEditingEnds()
    {
        QFETCH(QStringList, cells);
        const QString name = casetable::withLength(cells[0]);
        const bool announced = cells[1] == u"announced";
        RecordingDiscovery discovery;
        m_store->syncEngine()->setDiscoveryFactory(discovery.factory());
        StationSettings *settings = m_store->stationSettings();
        settings->setRole(StationRole::Master);
        QVERIFY(settings->setServiceName(QStringLiteral("Målstation 1")));
        StationRoleViewModel role(m_store->stationControl());
        QSignalSpy stored(settings, &StationSettings::serviceNameChanged);
        role.setServiceName(name);
        QCOMPARE(stored.count(), 0);
        QCOMPARE(role.serviceName(), name);
        QCOMPARE(role.serviceNameError(), announced ? QString() : cells[1]);
        QCOMPARE(role.canStart(), announced);
        role.finishServiceName();
        QCOMPARE(settings->serviceName(), announced ? name : QStringLiteral("Målstation 1"));
        QCOMPARE(role.serviceName(), name); // the field keeps what was typed
        QCOMPARE(role.serviceNameError(), announced ? QString() : cells[1]);
        role.start();
        QCOMPARE(discovery.advertised, announced ? QStringList {name} : QStringList());
        QCOMPARE(role.isRunning(), announced);
        role.stop();
    }

    // A name stored before names were checked is shown with its problem, and no Start announces
    // it: not the tab's, not the station's (which makes no key for it), not the engine's.
    void storedNameThatCannotBeAnnounced()
    {
        QTemporaryDir dir;
        RaceStoreOptions options = storeOptionsIn(dir.path());
        options.settings->setValue(QStringLiteral("stationServiceName"), QStringLiteral("Start\n2"));
        options.settings->setValue(QStringLiteral("stationRole"), QStringLiteral("master"));
        options.backgroundAutosave = false;
        RaceStore store(std::move(options));
        RecordingDiscovery discovery;
        store.syncEngine()->setDiscoveryFactory(discovery.factory());
        StationRoleViewModel role(store.stationControl());
        QCOMPARE(role.serviceName(), QStringLiteral("Start\n2"));
        const QString problem = QStringLiteral(
            "The service name cannot hold a line break, a tab or another control character.");
        QCOMPARE(role.serviceNameError(), problem);
        QVERIFY(!role.canStart());
        role.start();
        store.stationControl()->start();
        QCOMPARE(role.statusText(), problem);
        QCOMPARE(role.statusTint(), QStringLiteral("red"));
        QCOMPARE(store.stationSettings()->stationKey(), QString());
        store.syncEngine()->start(StationRole::Master, QStringLiteral("M"),
            store.stationSettings()->serviceName(), QStringLiteral("7KQM-2D9X-HC4P"));
        QCOMPARE(discovery.advertised, QStringList());
        QVERIFY(!role.isRunning());
        // Mended in the field, it is stored and announced.
        role.setServiceName(QStringLiteral("Start 2"));
        QCOMPARE(role.serviceNameError(), QString());
        role.start();
        QCOMPARE(discovery.advertised, QStringList {QStringLiteral("Start 2")});
        QCOMPARE(store.stationSettings()->serviceName(), QStringLiteral("Start 2"));
        role.stop();
    }

    void stationRoleChangeIsDeferredAndStopsTheEngine()
    {
        StationRoleViewModel role(m_store->stationControl());
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

    void statusDotFollowsTheStatusAndAMasterMakesTheKey()
    {
        m_store->syncEngine()->setDiscoveryFactory([] { return std::make_unique<DaemonNotRunning>(); });
        StationRoleViewModel role(m_store->stationControl());
        QCOMPARE(role.statusTint(), QStringLiteral("gray"));
        m_store->stationSettings()->setRole(StationRole::Master);
        QVERIFY(role.stationKey().isEmpty());
        QVERIFY(role.canStart());
        role.start();
        // The master made the event's key and shows it for the slaves: three groups of four.
        QVERIFY(role.stationKeyValid());
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9A-HJKMNP-TV-Z]{4}(-[0-9A-HJKMNP-TV-Z]{4}){2}$"))
                     .match(role.stationKey())
                     .hasMatch(),
            qPrintable(role.stationKey()));
        QCOMPARE(role.statusText(), QStringLiteral("Master running, advertising \"Vexlo Race\""));
        QCOMPARE(role.statusTint(), QStringLiteral("green"));
        // The listener runs, but nobody can find it: never green. The daemon's own words are
        // outside text, quoted as such.
        QTRY_COMPARE(role.statusText(), QStringLiteral("Master failed: “Daemon not running”"));
        QVERIFY(role.isRunning());
        QCOMPARE(role.statusTint(), QStringLiteral("red"));
        const QString key = role.stationKey();
        role.stop();
        QCOMPARE(role.statusTint(), QStringLiteral("gray"));
        role.start();
        QCOMPARE(role.stationKey(), key); // kept, not made anew
        role.stop();
    }

    // A peer that cannot prove the key is refused under the status in the chosen language; its
    // address stays as it is.
    void refusalInTheChosenLanguage()
    {
        LocalizationManager danish {QStringList {QStringLiteral("da")}};
        danish.setLanguageCode(QStringLiteral("da"));
        LocalizationManager::setShared(&danish);
        const auto english = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        m_store->syncEngine()->setDiscoveryFactory([] { return std::make_unique<QuietDaemon>(); });
        StationRoleViewModel role(m_store->stationControl());
        m_store->stationSettings()->setRole(StationRole::Master);
        role.start();
        QVERIFY(role.isRunning());
        QTcpSocket plain;
        plain.connectToHost(QHostAddress::LocalHost, m_store->syncEngine()->listenPort());
        QVERIFY(plain.waitForConnected(testwaits::ceilingMs));
        const quint16 port = plain.localPort();
        plain.write("GET / HTTP/1.1\r\n\r\n");
        QTRY_VERIFY(!role.refusalText().isEmpty());
        QCOMPARE(role.refusalText(),
            QStringLiteral("Afviste 127.0.0.1:%1: den viste ikke, at den har stationsnøglen").arg(port));
        role.stop();
    }

    void slaveNeedsTheMastersKey()
    {
        StationRoleViewModel role(m_store->stationControl());
        m_store->stationSettings()->setRole(StationRole::Slave);
        QVERIFY(!role.canStart());
        role.setStationKey(QStringLiteral("7kqm 2d9x"));
        QVERIFY(!role.stationKeyValid());
        QVERIFY(!role.canStart());
        role.setStationKey(QStringLiteral("7kqm 2d9x hc4p"));
        QVERIFY(role.stationKeyValid());
        QVERIFY(role.canStart());
        m_store->syncEngine()->setDiscoveryFactory([] { return std::make_unique<DaemonNotRunning>(); });
        role.start();
        QCOMPARE(role.statusTint(), QStringLiteral("orange")); // looking, not yet joined
        QTRY_COMPARE(role.statusText(), QStringLiteral("Browse failed: “Daemon not running”"));
        QCOMPARE(role.statusTint(), QStringLiteral("red"));
        role.stop();
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

    // A Start given before the key store has answered waits for it and says so, in the chosen
    // language; Stop ends the wait. Once the stored key has come, the master runs with it.
    void startWaitsForTheKeyStore_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("waiting");
        QTest::newRow("en") << "en"
                            << "Waiting for the station key from the key store...";
        QTest::newRow("da") << "da"
                            << "Venter på stationsnøglen fra nøgleringen...";
    }
    void startWaitsForTheKeyStore()
    {
        QFETCH(QString, language);
        QFETCH(QString, waiting);
        LocalizationManager chosen {QStringList {language}};
        chosen.setLanguageCode(language);
        LocalizationManager::setShared(&chosen);
        const auto english = qScopeGuard([] { LocalizationManager::setShared(nullptr); });
        QTemporaryDir dir;
        RaceStoreOptions options = storeOptionsIn(dir.path());
        auto keys = std::make_unique<MemoryKeyStore>();
        MemoryKeyStore *keyStore = keys.get();
        keys->answerLater = true;
        keys->entries.insert(
            {StationControl::keyService, StationControl::keyAccount}, QStringLiteral("7KQM-2D9X-HC4P"));
        options.keyStore = std::move(keys);
        options.backgroundAutosave = false;
        RaceStore store(std::move(options));
        store.syncEngine()->setDiscoveryFactory([] { return std::make_unique<QuietDaemon>(); });
        store.stationSettings()->setRole(StationRole::Master);
        StationRoleViewModel role(store.stationControl());
        QSignalSpy changed(&role, &StationRoleViewModel::changed);
        QVERIFY(role.canStart());
        role.start();
        QVERIFY(!changed.isEmpty());
        QCOMPARE(role.statusText(), waiting);
        QCOMPARE(role.statusTint(), QStringLiteral("orange"));
        QVERIFY(!role.canStart() && role.canStop() && !role.isRunning());
        QCOMPARE(role.stationKey(), QString());
        role.stop();
        QVERIFY(role.canStart() && !role.canStop());
        QVERIFY(role.statusText() != waiting);
        role.start();
        keyStore->answerReads();
        QVERIFY(role.isRunning());
        QCOMPARE(role.stationKey(), QStringLiteral("7KQM-2D9X-HC4P"));
        QCOMPARE(role.statusTint(), QStringLiteral("green"));
        QCOMPARE(keyStore->calls.filter(QStringLiteral("save:")), QStringList());
        role.stop();
    }

    // Without a key store the station key lives only until Vexlo closes: a master would then
    // make a new one at its next start, and every slave would be refused.
    void stationKeyNotKeptIsSaid()
    {
        StationRoleViewModel kept(m_store->stationControl());
        QCOMPARE(kept.property("keyStoreNotice").toString(), QString());

        QTemporaryDir dir;
        RaceStoreOptions options = storeOptionsIn(dir.path());
        options.keyStore = std::make_unique<UnreachableKeyStore>();
        options.backgroundAutosave = false;
        RaceStore store(std::move(options));
        StationRoleViewModel role(store.stationControl());
        QCOMPARE(role.property("keyStoreNotice").toString(),
            QStringLiteral(
                "The key store is unavailable: the station key will not be kept after Vexlo closes."));
    }
};

QTEST_GUILESS_MAIN(TestSettingsTabs)
#include "tst_settingstabs.moc"
