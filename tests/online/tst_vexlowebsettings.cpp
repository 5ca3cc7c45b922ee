#include "log.h"
#include "storefakes.h"
#include "vexlowebsettings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

const QString verifiedKey = QStringLiteral("vexloWebApiKeyVerified");
const QString hashKey = QStringLiteral("vexloWebVerifiedKeyHash");

// Answers loads only when told to, like the Secret Service answering later.
class DeferredKeyStore : public MemoryKeyStore
{
public:
    void load(const QString &service, const QString &account,
        std::function<void(std::optional<QString>)> done) override
    {
        pending = [this, service, account, done] { MemoryKeyStore::load(service, account, done); };
    }
    std::function<void()> pending;
};

} // namespace

class TestVexloWebSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    MemoryKeyStore m_keys;

    void storeKey(const QString &key)
    {
        m_keys.entries.insert({VexloWebSettings::keyService, VexloWebSettings::keyAccount}, key);
    }
    std::optional<QString> storedKey() const
    {
        auto it = m_keys.entries.constFind({VexloWebSettings::keyService, VexloWebSettings::keyAccount});
        return it == m_keys.entries.constEnd() ? std::nullopt : std::optional<QString>(*it);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings
            = std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        m_keys = MemoryKeyStore();
    }

    void keyHash_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("hash");
        QTest::newRow("abc") << "abc"
                             << "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
        QTest::newRow("UTF-8, not Latin-1") << QStringLiteral(
            "\u00e6\u00f8\u00e5") << "6c228cdba89548a1af198f33819536422fb01b66e51f761cf2ec38d1fb4178a6";
        QTest::newRow("spaces are part of the key")
            << " key "
            << "bef8b64cca88e2761ced3f780f38c3dfe6d6a92e02a7256548312de76511a323";
    }

    void keyHash()
    {
        QFETCH(QString, key);
        QFETCH(QString, hash);
        QCOMPARE(VexloWebSettings::keyHash(key), hash);
    }

    void startUp_data()
    {
        QTest::addColumn<std::optional<QString>>("keychain");
        QTest::addColumn<QVariant>("flag");
        QTest::addColumn<QVariant>("hash");
        QTest::addColumn<QString>("apiKey");
        QTest::addColumn<bool>("verified");
        const QString abcHash = VexloWebSettings::keyHash("abc");
        using K = std::optional<QString>;
        QTest::newRow("nothing stored") << K() << QVariant() << QVariant() << "" << false;
        QTest::newRow("verified key") << K("abc") << QVariant(true) << QVariant(abcHash) << "abc" << true;
        QTest::newRow("flag without key") << K() << QVariant(true) << QVariant(abcHash) << "" << false;
        QTest::newRow("other key's hash")
            << K("abd") << QVariant(true) << QVariant(abcHash) << "abd" << false;
        QTest::newRow("flag false") << K("abc") << QVariant(false) << QVariant(abcHash) << "abc" << false;
        QTest::newRow("no hash") << K("abc") << QVariant(true) << QVariant() << "abc" << false;
    }

    void startUp()
    {
        QFETCH(std::optional<QString>, keychain);
        QFETCH(QVariant, flag);
        QFETCH(QVariant, hash);
        QFETCH(QString, apiKey);
        QFETCH(bool, verified);
        if (keychain)
            storeKey(*keychain);
        if (flag.isValid())
            m_settings->setValue(verifiedKey, flag);
        if (hash.isValid())
            m_settings->setValue(hashKey, hash);
        VexloWebSettings s(m_settings.get(), &m_keys);
        QVERIFY(s.isKeyLoaded());
        QCOMPARE(s.apiKey(), apiKey);
        QCOMPARE(s.isVerified(), verified);
        // Nothing is written back at start-up.
        QCOMPARE(m_settings->value(verifiedKey),
            flag.isValid() ? QVariant(flag.toBool() ? "true" : "false") : QVariant());
        QCOMPARE(m_keys.calls, QStringList({"load"}));
    }

    void changeRule()
    {
        VexloWebSettings s(m_settings.get(), &m_keys);
        s.setApiKey(QStringLiteral("abc"));
        QCOMPARE(storedKey(), std::optional<QString>("abc"));
        s.markVerified();
        QVERIFY(s.isVerified());
        QCOMPARE(m_settings->value(hashKey).toString(), VexloWebSettings::keyHash("abc"));
        QVERIFY(m_settings->value(verifiedKey).toBool());

        // The same text again re-saves and keeps the verification.
        m_keys.calls.clear();
        s.setApiKey(QStringLiteral("abc"));
        QCOMPARE(m_keys.calls, QStringList({"save:abc"}));
        QVERIFY(s.isVerified());

        // One character changed: unverified at once, flag written false, fingerprint kept.
        QSignalSpy spy(&s, &VexloWebSettings::isVerifiedChanged);
        s.setApiKey(QStringLiteral("abd"));
        QVERIFY(!s.isVerified());
        QCOMPARE(spy.count(), 1);
        QVERIFY(!m_settings->value(verifiedKey).toBool());
        QCOMPARE(m_settings->value(hashKey).toString(), VexloWebSettings::keyHash("abc"));

        // Typing the verified key again does not bring the verification back, nor does a restart.
        s.setApiKey(QStringLiteral("abc"));
        QVERIFY(!s.isVerified());
        VexloWebSettings restarted(m_settings.get(), &m_keys);
        QCOMPARE(restarted.apiKey(), QStringLiteral("abc"));
        QVERIFY(!restarted.isVerified());
    }

    void clearingDeletesTheItem()
    {
        VexloWebSettings s(m_settings.get(), &m_keys);
        s.setApiKey(QStringLiteral("abc"));
        s.markVerified();
        m_keys.calls.clear();
        s.setApiKey(QString());
        QCOMPARE(m_keys.calls, QStringList({"remove"}));
        QVERIFY(!storedKey());
        QVERIFY(!s.isVerified());
        QCOMPARE(m_settings->value(hashKey).toString(), VexloWebSettings::keyHash("abc"));
    }

    void keyTypedBeforeLoadWins()
    {
        DeferredKeyStore deferred;
        deferred.entries.insert({VexloWebSettings::keyService, VexloWebSettings::keyAccount}, "stored");
        VexloWebSettings s(m_settings.get(), &deferred);
        QVERIFY(!s.isKeyLoaded());
        QCOMPARE(s.apiKey(), QString());
        QSignalSpy loaded(&s, &VexloWebSettings::keyLoaded);
        s.setApiKey(QStringLiteral("typed"));
        deferred.pending();
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(s.apiKey(), QStringLiteral("typed"));
    }

    void lateLoadPublishesTheKey()
    {
        DeferredKeyStore deferred;
        deferred.entries.insert({VexloWebSettings::keyService, VexloWebSettings::keyAccount}, "abc");
        m_settings->setValue(verifiedKey, true);
        m_settings->setValue(hashKey, VexloWebSettings::keyHash("abc"));
        VexloWebSettings s(m_settings.get(), &deferred);
        QSignalSpy keySpy(&s, &VexloWebSettings::apiKeyChanged);
        QSignalSpy verifiedSpy(&s, &VexloWebSettings::isVerifiedChanged);
        deferred.pending();
        QCOMPARE(s.apiKey(), QStringLiteral("abc"));
        QVERIFY(s.isVerified());
        QCOMPARE(keySpy.count(), 1);
        QCOMPARE(verifiedSpy.count(), 1);
    }

    void loadAfterDestructionIsIgnored()
    {
        DeferredKeyStore deferred;
        {
            VexloWebSettings s(m_settings.get(), &deferred);
        }
        deferred.pending(); // must not touch the destroyed object (ASan checks this)
    }
};

QTEST_GUILESS_MAIN(TestVexloWebSettings)
#include "tst_vexlowebsettings.moc"
