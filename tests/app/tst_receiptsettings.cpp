#include "receiptsettings.h"

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

class TestReceiptSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("VexloTest"));
        QCoreApplication::setApplicationName(QStringLiteral("tst_receiptsettings"));
    }
    void init() { QSettings().clear(); }

    void defaults()
    {
        ReceiptSettings settings;
        QCOMPARE(settings.printerName(), QString());
        QCOMPARE(settings.autoPrint(), false);
        QCOMPARE(settings.autoPrintOnRead(), false);
        QCOMPARE(settings.bottomFeedPoints(), 0.0);
        QCOMPARE(settings.autoCutOptionKey(), QString());
        QCOMPARE(settings.autoCutOptionValue(), QString());
    }

    void unreadableValuesFallBack_data()
    {
        QTest::addColumn<QString>("flag");
        QTest::addColumn<QString>("feed");
        QTest::addColumn<bool>("expectedFlag");
        QTest::addColumn<double>("expectedFeed");
        QTest::newRow("text garbage") << "maybe"
                                      << "lots" << false << 0.0;
        QTest::newRow("not a number") << "true"
                                      << "nan" << true << 0.0;
        QTest::newRow("infinite") << "false"
                                  << "inf" << false << 0.0;
        QTest::newRow("readable") << "true"
                                  << "12.5" << true << 12.5;
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
