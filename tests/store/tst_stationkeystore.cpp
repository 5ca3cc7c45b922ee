// The station key lives in the key store, never in the settings file: a key the key store holds
// is the station's at start-up, a typed key is kept once it is a whole key, and clearing the
// field removes it.

#include "storeharness.h"

#include <QTest>

class TestStationKeyStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::unique_ptr<RaceStore> makeStore(MemoryKeyStore **keys, const std::optional<QString> &stored = {})
    {
        RaceStoreOptions options = storeOptionsIn(m_dir.path());
        auto keyStore = std::make_unique<MemoryKeyStore>();
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
};

QTEST_GUILESS_MAIN(TestStationKeyStore)
#include "tst_stationkeystore.moc"
