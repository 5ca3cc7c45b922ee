#include "receiptprinter.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

namespace {

struct Recorded
{
    ReceiptPrintJob job;
    ReceiptPage page;
    QString text;
};

// Records each job and answers with a prepared outcome, at once or when told.
class FakeBackend : public ReceiptPrintBackend
{
public:
    void print(const ReceiptPrintJob &job, const ReceiptPage &page, QTextDocument &document,
        std::function<void(const ReceiptPrintOutcome &)> done) override
    {
        jobs->append(Recorded {job, page, document.toPlainText()});
        if (*holdBack) {
            pending->append(done);
            return;
        }
        ReceiptPrintOutcome outcome = *answer;
        outcome.printerName = job.printerName;
        done(outcome);
    }

    std::shared_ptr<QList<Recorded>> jobs = std::make_shared<QList<Recorded>>();
    std::shared_ptr<ReceiptPrintOutcome> answer = std::make_shared<ReceiptPrintOutcome>();
    std::shared_ptr<bool> holdBack = std::make_shared<bool>(false);
    std::shared_ptr<QList<std::function<void(const ReceiptPrintOutcome &)>>> pending
        = std::make_shared<QList<std::function<void(const ReceiptPrintOutcome &)>>>();
};

} // namespace

class TestReceiptPrinter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().clear(); }

    void pageGeometry_data()
    {
        QTest::addColumn<double>("content");
        QTest::addColumn<double>("feed");
        QTest::addColumn<double>("bottomMargin");
        QTest::addColumn<double>("paperHeight");
        QTest::newRow("no feed") << 300.0 << 0.0 << 6.0 << 324.0;
        QTest::newRow("feed -5 counts as 0") << 300.0 << -5.0 << 6.0 << 324.0;
        QTest::newRow("feed NaN counts as 0") << 300.0 << std::nan("") << 6.0 << 324.0;
        QTest::newRow("feed infinite counts as 0") << 300.0 << HUGE_VAL << 6.0 << 324.0;
        QTest::newRow("feed 20") << 300.0 << 20.0 << 26.0 << 344.0;
        QTest::newRow("feed beyond the cap") << 300.0 << 1e12 << 2006.0 << 2324.0;
        QTest::newRow("empty content") << 0.0 << 0.0 << 6.0 << 24.0;
    }
    void pageGeometry()
    {
        QFETCH(double, content);
        QFETCH(double, feed);
        QFETCH(double, bottomMargin);
        QFETCH(double, paperHeight);
        const ReceiptPage page = receiptPageFor(content, feed);
        QCOMPARE(page.paperWidth, 221.0);
        QCOMPARE(page.topMargin, 6.0);
        QCOMPARE(page.leftMargin, 6.0);
        QCOMPARE(page.rightMargin, 6.0);
        QCOMPARE(page.bottomMargin, bottomMargin);
        QCOMPARE(page.paperHeight, paperHeight);
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
        auto backend = std::make_unique<FakeBackend>();
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
        auto backend = std::make_unique<FakeBackend>();
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
        auto backend = std::make_unique<FakeBackend>();
        auto answer = backend->answer;
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
