#include "casetable.h"
#include "log.h"
#include "storefakes.h"
#include "vexlowebsettings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString verifiedKey = QStringLiteral("vexloWebApiKeyVerified");
const QString hashKey = QStringLiteral("vexloWebVerifiedKeyHash");

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
        m_settings.reset(); // written as it goes: before its folder does
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings
            = std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        m_keys = MemoryKeyStore();
    }

    void keyHash_data() { casetable::load("online/api-key-hashes.tsv"); }
    void keyHash()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(VexloWebSettings::keyHash(cells[0]), cells[1]);
    }

    void startUp_data() { casetable::load("online/api-key-start-up.tsv"); }
    void startUp()
    {
        QFETCH(QStringList, cells);
        if (!cells[0].isEmpty())
            storeKey(cells[0]);
        if (!cells[1].isEmpty())
            m_settings->setValue(verifiedKey, cells[1] == u"true");
        if (!cells[2].isEmpty())
            m_settings->setValue(hashKey, VexloWebSettings::keyHash(cells[2]));
        const QStringList before = m_settings->allKeys();
        VexloWebSettings s(m_settings.get(), &m_keys);
        QVERIFY(s.isKeyLoaded());
        QCOMPARE(s.apiKey(), cells[3]);
        QCOMPARE(s.isVerified(), cells[4] == u"1");
        // Nothing is written back at start-up.
        QCOMPARE(m_settings->allKeys(), before);
        QCOMPARE(m_settings->value(verifiedKey).toString(), cells[1]);
        QCOMPARE(m_keys.calls, QStringList({"load"}));
    }

    void changeRule()
    {
        VexloWebSettings s(m_settings.get(), &m_keys);
        s.setApiKey(QStringLiteral("abc"));
        QCOMPARE(storedKey(), std::optional<QString>("abc"));
        s.markVerified(s.apiKey());
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
        s.markVerified(s.apiKey());
        m_keys.calls.clear();
        s.setApiKey(QString());
        QCOMPARE(m_keys.calls, QStringList({"remove"}));
        QVERIFY(!storedKey());
        QVERIFY(!s.isVerified());
        QCOMPARE(m_settings->value(hashKey).toString(), VexloWebSettings::keyHash("abc"));
    }

    void keyTypedBeforeLoadWins()
    {
        MemoryKeyStore deferred;
        deferred.answerLater = true;
        deferred.entries.insert({VexloWebSettings::keyService, VexloWebSettings::keyAccount}, "stored");
        VexloWebSettings s(m_settings.get(), &deferred);
        QVERIFY(!s.isKeyLoaded());
        QCOMPARE(s.apiKey(), QString());
        QSignalSpy loaded(&s, &VexloWebSettings::keyLoaded);
        s.setApiKey(QStringLiteral("typed"));
        deferred.answerReads();
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(s.apiKey(), QStringLiteral("typed"));
    }

    void lateLoadPublishesTheKey()
    {
        MemoryKeyStore deferred;
        deferred.answerLater = true;
        deferred.entries.insert({VexloWebSettings::keyService, VexloWebSettings::keyAccount}, "abc");
        m_settings->setValue(verifiedKey, true);
        m_settings->setValue(hashKey, VexloWebSettings::keyHash("abc"));
        VexloWebSettings s(m_settings.get(), &deferred);
        QSignalSpy keySpy(&s, &VexloWebSettings::apiKeyChanged);
        QSignalSpy verifiedSpy(&s, &VexloWebSettings::isVerifiedChanged);
        deferred.answerReads();
        QCOMPARE(s.apiKey(), QStringLiteral("abc"));
        QVERIFY(s.isVerified());
        QCOMPARE(keySpy.count(), 1);
        QCOMPARE(verifiedSpy.count(), 1);
    }

    void loadAfterDestructionIsIgnored()
    {
        MemoryKeyStore deferred;
        deferred.answerLater = true;
        {
            VexloWebSettings s(m_settings.get(), &deferred);
        }
        deferred.answerReads(); // must not touch the destroyed object (ASan checks this)
    }
};

QTEST_GUILESS_MAIN(TestVexloWebSettings)
#include "tst_vexlowebsettings.moc"
