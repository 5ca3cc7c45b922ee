#include "racedayrig.h"
#include "testenvironment.h"

#include "casetable.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

class TestReceiptPrinter : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().clear(); }

    // Every receipt is 221 points wide with margins of 6: the feed (a bad value counts as none,
    // a huge one is capped) goes under the content.
    void pageGeometry_data() { casetable::load("raceday/receipt-pages.tsv"); }
    void pageGeometry()
    {
        QFETCH(QStringList, cells);
        const ReceiptPage page = receiptPageFor(cells[0].toDouble(), cells[1].toDouble());
        QCOMPARE(QList<double>({page.paperWidth, page.topMargin, page.leftMargin, page.rightMargin,
                     page.bottomMargin, page.paperHeight}),
            QList<double>({221, 6, 6, 6, cells[2].toDouble(), cells[3].toDouble()}));
    }

    void layoutGrowsWithTheReceipt()
    {
        const LaidOutReceipt one = layOutReceipt(QStringLiteral("<p>Line</p>"));
        QString many;
        for (int i = 0; i < 40; ++i)
            many += QStringLiteral("<p>Line %1</p>").arg(i);
        const LaidOutReceipt forty = layOutReceipt(many);
        QVERIFY(one.contentHeight > 0);
        QVERIFY(forty.contentHeight > 10 * one.contentHeight);
        QCOMPARE(forty.contentHeight, std::ceil(forty.contentHeight));
        QCOMPARE(forty.document->textWidth(), 209.0);
        QCOMPARE(forty.document->documentMargin(), 6.0);
    }

    void jobFollowsThePreferencesOfTheMoment()
    {
        ReceiptPreferences prefs;
        prefs.printerName = QStringLiteral(" Star TSP ");
        prefs.bottomFeedPoints = 12;
        prefs.autoCutOptionKey = QStringLiteral("FeedCut");
        prefs.autoCutOptionValue = QStringLiteral("Cut2");
        ReceiptPrintJob job = receiptJobFromPreferences(prefs, QStringLiteral("<p>x</p>"));
        QCOMPARE(job.printerName, QStringLiteral("Star TSP"));
        QCOMPARE(job.bottomFeedSetting, 12.0);
        QVERIFY(job.cutterOption);
        QCOMPARE(job.cutterOption->first, QStringLiteral("FeedCut"));
        QCOMPARE(job.cutterOption->second, QStringLiteral("Cut2"));
        QVERIFY(job.showDialog);

        // A cleared key sends no option, whatever value is left behind; an empty value with a key
        // is sent as it is.
        prefs.autoCutOptionKey = QStringLiteral("  ");
        prefs.autoPrint = true;
        job = receiptJobFromPreferences(prefs, QStringLiteral("<p>x</p>"));
        QVERIFY(!job.cutterOption);
        QVERIFY(!job.showDialog);
        prefs.autoCutOptionKey = QStringLiteral("cut");
        prefs.autoCutOptionValue = QString();
        job = receiptJobFromPreferences(prefs, QStringLiteral("<p>x</p>"));
        QVERIFY(job.cutterOption);
        QCOMPARE(job.cutterOption->second, QString());
    }

    void printingIsQueuedNotDoneInTheCaller()
    {
        auto backend = std::make_unique<RecordingPrintBackend>();
        auto jobs = backend->jobs;
        ReceiptPrinter printer(std::move(backend));
        QSignalSpy finished(&printer, &ReceiptPrinter::jobFinished);
        ReceiptPrintJob job;
        job.html = QStringLiteral("<p>First</p>");
        job.bottomFeedSetting = -5;
        printer.enqueue(job);
        job.html = QStringLiteral("<p>Second</p>");
        job.bottomFeedSetting = 20;
        printer.enqueue(job);
        QVERIFY(jobs->isEmpty());
        QVERIFY(printer.busy());
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(jobs->size(), 2);
        QCOMPARE(jobs->at(0).text, QStringLiteral("First"));
        QCOMPARE(jobs->at(0).page.bottomMargin, 6.0);
        QCOMPARE(jobs->at(1).page.bottomMargin, 26.0);
        QCOMPARE(jobs->at(1).page.paperHeight, jobs->at(1).page.contentHeight + 44);
        QVERIFY(!printer.busy());
    }

    void oneJobAtATimeWhileADialogIsOpen()
    {
        auto backend = std::make_unique<RecordingPrintBackend>();
        auto jobs = backend->jobs;
        auto pending = backend->pending;
        *backend->holdBack = true;
        ReceiptPrinter printer(std::move(backend));
        QSignalSpy finished(&printer, &ReceiptPrinter::jobFinished);
        printer.enqueue(ReceiptPrintJob {QStringLiteral("a"), {}, 0, {}, true});
        printer.enqueue(ReceiptPrintJob {QStringLiteral("b"), {}, 0, {}, true});
        QTRY_COMPARE(jobs->size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(jobs->size(), 1);
        pending->takeFirst()(ReceiptPrintOutcome {ReceiptPrintOutcome::Failure::Cancelled, {}, {}});
        QTRY_COMPARE(jobs->size(), 2);
        QCOMPARE(finished.count(), 1);
        // Cancelling the dialog is no failure.
        QVERIFY(!printer.lastFailure());
        pending->takeFirst()(ReceiptPrintOutcome {});
        QCOMPARE(finished.count(), 2);
    }

    void failureIsKeptUntilAJobPrints()
    {
        auto backend = std::make_unique<RecordingPrintBackend>();
        auto answer = backend->outcome;
        ReceiptPrinter printer(std::move(backend));
        QSignalSpy finished(&printer, &ReceiptPrinter::jobFinished);
        *answer = ReceiptPrintOutcome {ReceiptPrintOutcome::Failure::PrinterNotFound, {}, {}};
        printer.enqueue(ReceiptPrintJob {QStringLiteral("a"), QStringLiteral("gone"), 0, {}, false});
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(printer.lastFailure());
        QCOMPARE(printer.lastFailure()->failure, ReceiptPrintOutcome::Failure::PrinterNotFound);
        QCOMPARE(printer.lastFailure()->printerName, QStringLiteral("gone"));
        *answer = ReceiptPrintOutcome {};
        printer.enqueue(ReceiptPrintJob {QStringLiteral("a"), QStringLiteral("there"), 0, {}, false});
        QTRY_COMPARE(finished.count(), 2);
        QVERIFY(!printer.lastFailure());
    }
};

QTEST_MAIN(TestReceiptPrinter)
#include "tst_receiptprinter.moc"
