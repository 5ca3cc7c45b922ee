#include "apptesting.h"
#include "languagepickerviewmodel.h"
#include "localization.h"

#include <QSignalSpy>

class TestLanguage : public QObject
{
    Q_OBJECT
private slots:
    void init() { useTestSettings("tst_language"); }
    void cleanup() { LocalizationManager::setShared(nullptr); }

    void firstLaunch_data()
    {
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("da-DK then en-US") << QStringList({"da-DK", "en-US"}) << QString() << "da";
        QTest::newRow("nb-NO") << QStringList({"nb-NO"}) << QString() << "en";
        QTest::newRow("empty list") << QStringList() << QString() << "en";
        QTest::newRow("en first, da second") << QStringList({"en-GB", "da-DK"}) << QString() << "en";
        QTest::newRow("stored DA is unknown") << QStringList({"nb-NO"}) << QStringLiteral("DA") << "en";
        QTest::newRow("stored garbage") << QStringList({"da"}) << QStringLiteral("klingon") << "da";
        QTest::newRow("stored da wins") << QStringList({"en-US"}) << QStringLiteral("da") << "da";
    }
    void firstLaunch()
    {
        QFETCH(QStringList, preferred);
        QFETCH(QString, stored);
        if (!stored.isNull())
            QSettings().setValue(QLatin1String(LocalizationManager::settingsKey), stored);
        LocalizationManager manager(preferred);
        LanguagePickerViewModel picker(&manager);
        QTEST(picker.languageCode(), "expected");
        // The default is never written back; an unknown stored code stays as it was.
        QSettings settings;
        if (stored.isNull())
            QVERIFY(!settings.contains(QLatin1String(LocalizationManager::settingsKey)));
        else
            QCOMPARE(settings.value(QLatin1String(LocalizationManager::settingsKey)).toString(), stored);
    }

    void pickerShowsNamesAsTheyStand()
    {
        LocalizationManager manager(QStringList({"da-DK"}));
        LanguagePickerViewModel picker(&manager);
        QCOMPARE(picker.options(), QStringList({"English", "Dansk"}));
        QCOMPARE(picker.currentIndex(), 1);
    }

    void pickingStoresAndAnnounces()
    {
        LocalizationManager manager(QStringList({"en-US"}));
        LanguagePickerViewModel picker(&manager);
        QSignalSpy changed(&picker, &LanguagePickerViewModel::languageChanged);
        picker.pick(0); // the current language: nothing written, nothing announced
        QCOMPARE(changed.count(), 0);
        QVERIFY(!QSettings().contains(QLatin1String(LocalizationManager::settingsKey)));
        picker.pick(1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(picker.currentIndex(), 1);
        QCOMPARE(QSettings().value(QLatin1String(LocalizationManager::settingsKey)).toString(),
            QStringLiteral("da"));
        picker.pick(7);
        picker.pick(-1);
        QCOMPARE(changed.count(), 1);
    }

    void translatorFollowsLanguage()
    {
        LocalizationManager manager(QStringList({"en-US"}));
        LocalizationManager::setShared(&manager);
        AppTranslator translator(&manager);
        QCOMPARE(QCoreApplication::translate("Vexlo", "Results"), QStringLiteral("Results"));
        manager.setLanguage(AppLanguage::Danish);
        QCOMPARE(QCoreApplication::translate("Vexlo", "Results"), QStringLiteral("Resultater"));
        QCOMPARE(localized(QStringLiteral("Results")), QStringLiteral("Resultater"));
        // Qt's own dialogs (file, print) speak Danish too.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuller"));
        manager.setLanguage(AppLanguage::English);
        QCOMPARE(QCoreApplication::translate("Vexlo", "Results"), QStringLiteral("Results"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    }
};

QTEST_GUILESS_MAIN(TestLanguage)
#include "tst_language.moc"
