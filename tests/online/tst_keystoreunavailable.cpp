// The API key when no Secret Service can be reached: it reads as empty, one line is logged, and
// the key never lands in a plain file instead.

#include "keyringtesthelpers.h"
#include "keystore.h"
#include "log.h"
#include "publishingsettings.h"
#include "vexlowebsettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestKeyStoreUnavailable : public QObject
{
    Q_OBJECT

private slots:
    void keyReadsEmptyAndOneLineIsLogged()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        LogCapture log;
        auto keys = makeSecretServiceKeyStore();
        VexloWebSettings s(&settings, keys.get());
        if (!s.isKeyLoaded()) {
            QSignalSpy loaded(&s, &VexloWebSettings::keyLoaded);
            QVERIFY(loaded.wait(testwaits::ceilingMs));
        }
        QCOMPARE(s.apiKey(), QString());
        QCOMPARE(log.lines().size(), 1);
        qInfo().noquote() << log.lines().first();
        QVERIFY2(
            log.lines().first().startsWith(QStringLiteral("VexloWebSettings: secret service unavailable: ")),
            qPrintable(log.lines().first()));

        // Typing a key keeps it for this run; the failed saves add no further lines and write no
        // plain copy anywhere.
        const QString key = QStringLiteral("plain-text-must-not-appear-7f3a");
        s.setApiKey(key);
        QCOMPARE(s.apiKey(), key);
        auto later = makeSecretServiceKeyStore();
        VexloWebSettings again(&settings, later.get());
        if (!again.isKeyLoaded()) {
            QSignalSpy loaded(&again, &VexloWebSettings::keyLoaded);
            QVERIFY(loaded.wait(testwaits::ceilingMs));
        }
        QCOMPARE(again.apiKey(), QString());
        QCOMPARE(log.lines().size(), 2); // one per key store, i.e. one per run of the program
        QCOMPARE(filesContaining(QDir::homePath(), key.toUtf8()), QStringList());
        QCOMPARE(filesContaining(dir.path(), key.toUtf8()), QStringList());
    }

    // The live-results settings learn that their passcode will not last, so the tab can say so
    // and the publishers never send it empty.
    void passcodeKnownNotKept()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        auto keys = makeSecretServiceKeyStore();
        LiveResultatSettings s(&settings, keys.get());
        QSignalSpy kept(&s, &PublishingSettings::passcodeKeptChanged);
        QVERIFY(kept.wait(testwaits::ceilingMs));
        QVERIFY(!s.passcodeKept());
        QCOMPARE(s.passcode(), QString());
    }
};

int main(int argc, char **argv)
{
    // No session bus at all: nothing to reach, and nothing to autolaunch.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vexlo-test-bus");
    qunsetenv("DISPLAY");
    QCoreApplication app(argc, argv);
    TestKeyStoreUnavailable test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_keystoreunavailable.moc"
