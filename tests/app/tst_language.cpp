// The language picker and the translator over the language rules (tested in tst_localization).
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

    void pickerShowsNamesAsTheyStand()
    {
        LocalizationManager manager(QStringList({"da-DK"}));
        LanguagePickerViewModel picker(&manager);
        QCOMPARE(picker.options(), QStringList({"English", "Dansk"}));
        QCOMPARE(picker.currentIndex(), 1);
        QCOMPARE(picker.languageCode(), QStringLiteral("da"));
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
