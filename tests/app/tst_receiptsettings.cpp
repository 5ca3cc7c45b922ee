#include "apptesting.h"
#include "casetable.h"
#include "receiptsettings.h"

#include <QSignalSpy>

class TestReceiptSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { useTestSettings("tst_receiptsettings"); }

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

QTEST_GUILESS_MAIN(TestReceiptSettings)
#include "tst_receiptsettings.moc"
