// The station key lives in the key store, never in the settings file: a key the key store holds
// is the station's at start-up, a typed key is kept once it is a whole key, and clearing the
// field removes it. A master's Start waits for the key store's answer.

#include "stationkey.h"
#include "storeharness.h"

#include <QTest>

namespace {
// A zero-conf daemon that takes the advertisement and says nothing.
class SilentDirectory : public ServiceDiscovery
{
public:
    void advertise(const QString &, quint16) override { }
    void browse() override { }
};
} // namespace

class TestStationKeyStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::unique_ptr<RaceStore> makeStore(
        MemoryKeyStore **keys, const std::optional<QString> &stored = {}, bool answerLater = false)
    {
        RaceStoreOptions options = storeOptionsIn(m_dir.path());
        auto keyStore = std::make_unique<MemoryKeyStore>();
        keyStore->answerLater = answerLater;
        if (stored)
            keyStore->entries.insert(
                {QStringLiteral("org.vexlo.station.key"), QStringLiteral("stationKey")}, *stored);
        *keys = keyStore.get();
        options.keyStore = std::move(keyStore);
        options.backgroundAutosave = false;
        return std::make_unique<RaceStore>(std::move(options));
    }

private slots:
    void storedKeyIsTheStationsAtStartUp()
    {
        MemoryKeyStore *keys = nullptr;
        auto store = makeStore(&keys, QStringLiteral("7KQM-2D9X-HC4P"));
        QCOMPARE(store->stationSettings()->stationKey(), QStringLiteral("7KQM-2D9X-HC4P"));
        // What the key store gave is not written back to it.
        QVERIFY(!keys->calls.join(' ').contains(QStringLiteral("save:")));
    }

    void typedKeyIsKeptWholeAndNeverInTheSettingsFile()
    {
        MemoryKeyStore *keys = nullptr;
        auto store = makeStore(&keys);
        StationSettings *settings = store->stationSettings();
        for (const char *typed : {"7", "7kqm", "7kqm 2d9x h", "7kqm 2d9x hc4", "7kqm 2d9x hc4p"})
            settings->setStationKey(QString::fromLatin1(typed));
        // Only the whole key, in its canonical form, once.
        QCOMPARE(keys->calls.filter(QStringLiteral("save:")), QStringList({"save:7KQM-2D9X-HC4P"}));
        QFile ini(m_dir.filePath(QStringLiteral("settings.ini")));
        store.reset();
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray text = ini.readAll();
        QVERIFY(!text.toUpper().contains("7KQM"));
        QVERIFY(!text.toUpper().contains("HC4P"));
    }

    void clearedKeyIsRemoved()
    {
        MemoryKeyStore *keys = nullptr;
        auto store = makeStore(&keys, QStringLiteral("7KQM-2D9X-HC4P"));
        store->stationSettings()->setStationKey(QString());
        QCOMPARE(keys->calls.last(), QStringLiteral("remove"));
        QVERIFY(keys->entries.isEmpty());
    }

    void keyTypedAgainAfterClearingIsKeptAgain()
    {
        MemoryKeyStore *keys = nullptr;
        auto store = makeStore(&keys, QStringLiteral("7KQM-2D9X-HC4P"));
        store->stationSettings()->setStationKey(QString());
        store->stationSettings()->setStationKey(QStringLiteral("7KQM-2D9X-HC4P"));
        QCOMPARE(keys->calls.last(), QStringLiteral("save:7KQM-2D9X-HC4P"));
        QCOMPARE(keys->entries.value({QStringLiteral("org.vexlo.station.key"), QStringLiteral("stationKey")}),
            QStringLiteral("7KQM-2D9X-HC4P"));
    }

    // A key typed while the key store has not answered yet is the one it holds from then on: its
    // late answer (what it held before the typed key was saved) changes neither the station's key
    // nor what a later edit must write, so typing the old key again stores it again.
    void keyTypedBeforeALateAnswerIsTheStored()
    {
        MemoryKeyStore *keys = nullptr;
        const QString old = QStringLiteral("7KQM-2D9X-HC4P");
        auto store = makeStore(&keys, old, true);
        StationSettings *settings = store->stationSettings();
        const QString typed = generateStationKey();
        QVERIFY(typed != old);
        settings->setStationKey(typed);
        keys->answerReads();
        QCOMPARE(settings->stationKey(), typed);
        const QPair<QString, QString> entry {StationControl::keyService, StationControl::keyAccount};
        QCOMPARE(keys->entries.value(entry), typed);
        settings->setStationKey(old);
        QCOMPARE(keys->calls.filter(QStringLiteral("save:")),
            QStringList({QStringLiteral("save:") + typed, QStringLiteral("save:") + old}));
        QCOMPARE(keys->entries.value(entry), old);
    }

    // A key store that does not answer (its unlock dialog left waiting): the key the organiser
    // types while Start waits starts the station with it at once, and the late answer changes
    // nothing.
    void keyTypedWhileStartWaitsStartsTheStation_data()
    {
        QTest::addColumn<bool>("master");
        QTest::newRow("master") << true;
        QTest::newRow("slave") << false;
    }
    void keyTypedWhileStartWaitsStartsTheStation()
    {
        QFETCH(bool, master);
        MemoryKeyStore *keys = nullptr;
        const QString old = QStringLiteral("7KQM-2D9X-HC4P");
        auto store = makeStore(&keys, old, true);
        SyncEngine *engine = store->syncEngine();
        engine->setDiscoveryFactory([] { return std::make_unique<SilentDirectory>(); });
        StationSettings *settings = store->stationSettings();
        settings->setRole(master ? StationRole::Master : StationRole::Slave);
        StationControl *station = store->stationControl();
        station->start();
        QVERIFY(station->isWaiting());
        const QString typed = generateStationKey();
        settings->setStationKey(typed.toLower());
        QVERIFY(!station->isWaiting());
        QCOMPARE(station->notice(), QString());
        QVERIFY(engine->isRunning());
        keys->answerReads();
        QVERIFY(engine->isRunning());
        QCOMPARE(settings->stationKey(), typed.toLower());
        QCOMPARE(keys->calls.filter(QStringLiteral("save:")), QStringList({QStringLiteral("save:") + typed}));
        engine->stop();
    }

    // A master's Start given before the key store has answered waits for the answer: the stored
    // key is the station's; a key is made only when the store holds none; a store that could not
    // be read is said, and its key is not replaced until Start is pressed again after that.
    void masterStartWaitsForTheKeyStore_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("readError");
        QTest::newRow("stored key") << "7KQM-2D9X-HC4P"
                                    << "";
        QTest::newRow("none stored") << ""
                                     << "";
        QTest::newRow("store failed") << "7KQM-2D9X-HC4P"
                                      << "No such interface on the bus";
    }
    void masterStartWaitsForTheKeyStore()
    {
        QFETCH(QString, stored);
        QFETCH(QString, readError);
        MemoryKeyStore *keys = nullptr;
        auto store = makeStore(&keys, stored.isEmpty() ? std::nullopt : std::optional<QString>(stored), true);
        keys->readError = readError;
        SyncEngine *engine = store->syncEngine();
        engine->setDiscoveryFactory([] { return std::make_unique<SilentDirectory>(); });
        StationSettings *settings = store->stationSettings();
        settings->setRole(StationRole::Master);
        StationControl *station = store->stationControl();
        station->start();
        QVERIFY(station->isWaiting());
        QCOMPARE(station->notice(), QStringLiteral("Waiting for the station key from the key store..."));
        QVERIFY(!engine->isRunning());
        QCOMPARE(settings->stationKey(), QString());

        keys->answerReads();
        QVERIFY(!station->isWaiting());
        const QString entry = keys->entries.value({StationControl::keyService, StationControl::keyAccount});
        if (!readError.isEmpty()) {
            QVERIFY(!engine->isRunning());
            QCOMPARE(station->notice(),
                QStringLiteral("The station key could not be read from the key store (%1). Type the event's "
                               "station key, or press Start again to make a new one.")
                    .arg(readError));
            QVERIFY(station->noticeIsFailure());
            QCOMPARE(entry, stored);
            QCOMPARE(keys->calls.filter(QStringLiteral("save:")), QStringList());
            // Told, the organiser asks for a new key.
            station->start();
        }
        QVERIFY(engine->isRunning());
        QCOMPARE(station->notice(), QString());
        const QString key = settings->stationKey();
        QCOMPARE(canonicalStationKey(key), std::optional<QString>(key));
        if (stored.isEmpty() || !readError.isEmpty()) {
            QVERIFY(key != stored);
            QCOMPARE(
                keys->calls.filter(QStringLiteral("save:")), QStringList({QStringLiteral("save:") + key}));
        } else {
            QCOMPARE(key, stored);
            QCOMPARE(keys->calls.filter(QStringLiteral("save:")), QStringList());
        }
        engine->stop();
    }
};

QTEST_GUILESS_MAIN(TestStationKeyStore)
#include "tst_stationkeystore.moc"
