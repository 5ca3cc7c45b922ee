// The shell's stored preferences: the language picker and the translator over the language rules
// (tested in tst_localization), and the receipt printer settings.
#include "apptesting.h"
#include "casetable.h"
#include "languagepickerviewmodel.h"
#include "localization.h"
#include "receiptsettings.h"
#include "testenvironment.h"

#include <QScopeGuard>
#include <QSignalSpy>

class TestShellSettings : public QObject
{
    Q_OBJECT
public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void init() { useTestSettings("tst_shellsettings"); }
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
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale::c()); });
        LocalizationManager manager(QStringList({"en-US"}));
        LocalizationManager::setShared(&manager);
        AppTranslator translator(&manager);
        QCOMPARE(QCoreApplication::translate("Vexlo", "Results"), QStringLiteral("Results"));
        manager.setLanguage(AppLanguage::Danish);
        QCOMPARE(QCoreApplication::translate("Vexlo", "Results"), QStringLiteral("Resultater"));
        QCOMPARE(localized(QStringLiteral("Results")), QStringLiteral("Resultater"));
        // Qt's own dialogs (file, print) speak Danish too.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuller"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("&Filnavn:"));
        QCOMPARE(
            QCoreApplication::translate("QFileDialog", "Files of type:"), QStringLiteral("Filer af type:"));
        // Dates, month and weekday names and numbers follow the language, not the machine.
        QCOMPARE(QLocale().name(), QStringLiteral("da_DK"));
        QCOMPARE(QLocale().toString(QDate(2025, 5, 10), QStringLiteral("ddd d. MMMM yyyy")),
            QStringLiteral("lør. 10. maj 2025"));
        QCOMPARE(QLocale().toString(1234.5, 'f', 1), QStringLiteral("1.234,5"));
        manager.setLanguage(AppLanguage::English);
        QCOMPARE(QCoreApplication::translate("Vexlo", "Results"), QStringLiteral("Results"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), QStringLiteral("File &name:"));
        QCOMPARE(QLocale().language(), QLocale::English);
        QCOMPARE(QLocale().toString(QDate(2025, 5, 10), QStringLiteral("ddd d MMMM yyyy")),
            QStringLiteral("Sat 10 May 2025"));
    }

    void unreadableValuesFallBack_data() { casetable::load("app/receipt-settings-stored.tsv"); }
    void unreadableValuesFallBack()
    {
        QFETCH(QStringList, cells);
        {
            QSettings raw;
            raw.setValue(QLatin1String(ReceiptSettingsKeys::autoPrint), cells[0]);
            raw.setValue(QLatin1String(ReceiptSettingsKeys::bottomFeedPoints), cells[1]);
        }
        ReceiptSettings settings;
        QCOMPARE(settings.autoPrint(), cells[2] == u"1");
        QCOMPARE(settings.bottomFeedPoints(), cells[3].toDouble());
    }

    void changesAreStoredUnderTheirKeys()
    {
        ReceiptSettings settings;
        QSignalSpy changed(&settings, &ReceiptSettings::changed);
        settings.setPrinterName(QStringLiteral("TM-T88"));
        settings.setAutoPrintOnRead(true);
        settings.setBottomFeedPoints(18);
        settings.setAutoCutOptionKey(QStringLiteral("CutMedia"));
        settings.setAutoCutOptionValue(QStringLiteral("EndOfPage"));
        settings.setAutoPrintOnRead(true); // unchanged: no write, no signal
        QCOMPARE(changed.count(), 5);
        ReceiptSettings other;
        QCOMPARE(other.printerName(), QStringLiteral("TM-T88"));
        QCOMPARE(other.autoPrintOnRead(), true);
        QCOMPARE(other.bottomFeedPoints(), 18.0);
        QCOMPARE(other.autoCutOptionKey(), QStringLiteral("CutMedia"));
        QCOMPARE(other.autoCutOptionValue(), QStringLiteral("EndOfPage"));
        QCOMPARE(
            QSettings().value(QStringLiteral("receiptPrinterName")).toString(), QStringLiteral("TM-T88"));
    }
};

QTEST_GUILESS_MAIN(TestShellSettings)
#include "tst_shellsettings.moc"
