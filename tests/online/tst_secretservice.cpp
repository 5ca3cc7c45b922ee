// The API key against a real Secret Service: a private D-Bus session with a throwaway
// gnome-keyring (see with-private-keyring.sh, which this program re-runs itself under).

#include "keyringtesthelpers.h"
#include "keystore.h"
#include "log.h"
#include "vexlowebsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSecretService : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;

    // A fresh key store and settings object, as after a restart, with its key loaded.
    std::unique_ptr<VexloWebSettings> restart(std::unique_ptr<KeyStore> &keys)
    {
        keys = makeSecretServiceKeyStore();
        auto s = std::make_unique<VexloWebSettings>(m_settings.get(), keys.get());
        if (!s->isKeyLoaded()) {
            QSignalSpy loaded(s.get(), &VexloWebSettings::keyLoaded);
            if (!loaded.wait(20000))
                return nullptr;
        }
        return s;
    }

    // Runs the event loop until the jobs queued so far have finished: a load queued behind them
    // completes last.
    void drain()
    {
        std::unique_ptr<KeyStore> keys;
        QVERIFY(restart(keys));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(
            qEnvironmentVariableIsSet("VEXLO_PRIVATE_KEYRING"), "not inside the private keyring session");
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings
            = std::make_unique<QSettings>(m_dir->filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    }

    void storeReadBackDelete()
    {
        LogCapture log;
        const QString key = QStringLiteral(" vx-\u00c6\u00d8\u00c5-key-4711 ");
        std::unique_ptr<KeyStore> keys;
        auto first = restart(keys);
        QVERIFY(first);
        QCOMPARE(first->apiKey(), QString());

        first->setApiKey(key);
        first->markVerified(key);
        first.reset();
        drain();

        auto second = restart(keys);
        QVERIFY(second);
        QCOMPARE(second->apiKey(), key);
        QVERIFY(second->isVerified());
        QCOMPARE(second->verifiedKeyHash(), std::optional<QString>(VexloWebSettings::keyHash(key)));

        // Never a plain copy: not in the settings, not in any file of the private home.
        QCOMPARE(filesContaining(QDir::homePath(), key.toUtf8()), QStringList());
        QCOMPARE(filesContaining(m_dir->path(), key.toUtf8()), QStringList());

        second->setApiKey(QString());
        second.reset();
        drain();
        auto third = restart(keys);
        QVERIFY(third);
        QCOMPARE(third->apiKey(), QString());
        QVERIFY(!third->isVerified());
        QCOMPARE(log.lines(), QStringList());
    }
};

int main(int argc, char **argv)
{
    enterPrivateKeyring(argc, argv, KEYRING_WRAPPER);
    QCoreApplication app(argc, argv);
    TestSecretService test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_secretservice.moc"
