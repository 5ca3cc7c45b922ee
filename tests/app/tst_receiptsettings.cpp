#include "apptesting.h"
#include "receiptsettings.h"

#include <QSignalSpy>

class TestReceiptSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { useTestSettings("tst_receiptsettings"); }

    void unreadableValuesFallBack_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("feed");
        QTest::addColumn<bool>("expectedFlag");
        QTest::addColumn<double>("expectedFeed");
        QTest::newRow("text garbage") << QStringLiteral("maybe") << QStringLiteral("lots") << false << 0.0;
        QTest::newRow("not a number") << QStringLiteral("true") << QStringLiteral("nan") << true << 0.0;
        QTest::newRow("infinite") << QStringLiteral("false") << QStringLiteral("inf") << false << 0.0;
        QTest::newRow("readable") << QStringLiteral("true") << QStringLiteral("12.5") << true << 12.5;
    }
    void unreadableValuesFallBack()
    {
        QFETCH(QString, flag);
        QFETCH(QString, feed);
        {
            QSettings raw;
            raw.setValue(QLatin1String(ReceiptSettingsKeys::autoPrint), flag);
            raw.setValue(QLatin1String(ReceiptSettingsKeys::bottomFeedPoints), feed);
        }
        ReceiptSettings settings;
        QTEST(settings.autoPrint(), "expectedFlag");
        QTEST(settings.bottomFeedPoints(), "expectedFeed");
    }

    void changesAreStoredUnderTheirKeys()
    {
        ReceiptSettings settings;
        QCOMPARE(settings.printerName(), QString());
        QVERIFY(!settings.autoPrint() && !settings.autoPrintOnRead());
        QCOMPARE(settings.bottomFeedPoints(), 0.0);
        QVERIFY(settings.autoCutOptionKey().isEmpty() && settings.autoCutOptionValue().isEmpty());
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
