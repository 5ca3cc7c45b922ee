// Receipts printed through Qt into a private CUPS daemon: the job's options and the document's
// page size are read back from the daemon's own records.

#include "privatecups.h"
#include "racedaydesk.h"
#include "readerpaneviewmodel.h"
#include "receiptprinter.h"
#include "testenvironment.h"

#include <QApplication>
#include <QPrintDialog>
#include <QSignalSpy>
#include <QTest>

class TestReceiptCups : public QObject
{
    Q_OBJECT

private:
    PrivateCups m_cups;

    static QString receiptHtml(int lines)
    {
        QString html = QStringLiteral("<h3>Spring Cup</h3>");
        for (int i = 0; i < lines; ++i)
            html += QStringLiteral("<p>%1. 31 &nbsp; 12:34</p>").arg(i + 1);
        return html;
    }

    // Waits for the job the daemon accepted after `known` jobs and returns its id.
    int nextJob(int known)
    {
        QList<int> ids;
        (void)QTest::qWaitFor([&] { return (ids = m_cups.jobIds()).size() > known; }, testwaits::ceilingMs);
        return ids.size() > known ? ids.at(known) : -1;
    }

    QSizeF pdfPageSize(const QString &path)
    {
        const QString info = m_cups.run(QStringLiteral("pdfinfo"), {path});
        static const QRegularExpression re(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"));
        const auto m = re.match(info);
        return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
    }

    ReceiptPrintOutcome printAndWait(ReceiptPrinter &printer, const ReceiptPrintJob &job)
    {
        QSignalSpy finished(&printer, &ReceiptPrinter::jobFinished);
        printer.enqueue(job);
        if (!finished.wait(testwaits::ceilingMs))
            return ReceiptPrintOutcome {
                ReceiptPrintOutcome::Failure::PrintFailed, {}, QStringLiteral("timeout")};
        return finished.first().first().value<ReceiptPrintOutcome>();
    }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ReceiptPrintOutcome>();
        if (!m_cups.start())
            QFAIL(qPrintable(QStringLiteral("private CUPS daemon could not run: ") + m_cups.error()));
        QVERIFY(m_cups.addFileQueue(QStringLiteral("receipt")));
        QVERIFY(m_cups.addFileQueue(QStringLiteral("office")));
    }
    void cleanupTestCase() { m_cups.stop(); }

    void receiptPageAndCutterOption()
    {
        ReceiptPrinter printer;
        const QString html = receiptHtml(12);
        const int known = int(m_cups.jobIds().size());
        const ReceiptPrintOutcome outcome = printAndWait(printer,
            ReceiptPrintJob {html, QStringLiteral("receipt"), 20,
                std::make_pair(QStringLiteral("FeedCut"), QStringLiteral("Cut2")), false});
        QVERIFY2(outcome.printed(), qPrintable(outcome.detail));
        QCOMPARE(outcome.printerName, QStringLiteral("receipt"));
        const int id = nextJob(known);
        QVERIFY(id > 0);
        QTRY_VERIFY(!m_cups.jobOptions(id).isEmpty());
        QVERIFY2(m_cups.jobOptions(id).split(QLatin1Char(' ')).contains(QStringLiteral("FeedCut=Cut2")),
            qPrintable(m_cups.jobOptions(id)));

        const double content = layOutReceipt(html).contentHeight;
        const QSizeF size = pdfPageSize(m_cups.jobDocumentPath(id));
        QCOMPARE(size.width(), 221.0);
        QCOMPARE(size.height(), content + 24 + 20);
    }

    void laterJobsStartFromAFreshPrinter()
    {
        ReceiptPrinter printer;
        int known = int(m_cups.jobIds().size());
        QVERIFY(printAndWait(printer,
            ReceiptPrintJob {receiptHtml(30), QStringLiteral("receipt"), 50,
                std::make_pair(QStringLiteral("CutMedia"), QStringLiteral("EndOfPage")), false})
                    .printed());
        const int first = nextJob(known);
        known = int(m_cups.jobIds().size());
        const QString shortHtml = receiptHtml(2);
        QVERIFY(printAndWait(
            printer, ReceiptPrintJob {shortHtml, QStringLiteral("receipt"), -5, std::nullopt, false})
                    .printed());
        const int second = nextJob(known);
        QVERIFY(first > 0 && second > first);
        QTRY_VERIFY(!m_cups.jobOptions(second).isEmpty());
        QVERIFY(m_cups.jobOptions(first).contains(QStringLiteral("CutMedia=EndOfPage")));
        QVERIFY2(!m_cups.jobOptions(second).contains(QStringLiteral("CutMedia")),
            qPrintable(m_cups.jobOptions(second)));
        const QSizeF size = pdfPageSize(m_cups.jobDocumentPath(second));
        QCOMPARE(size.height(), layOutReceipt(shortHtml).contentHeight + 24);
    }

    void emptyNameMeansTheDefaultPrinter()
    {
        m_cups.setDefault(QStringLiteral("office"));
        ReceiptPrinter printer;
        const ReceiptPrintOutcome outcome
            = printAndWait(printer, ReceiptPrintJob {receiptHtml(1), {}, 0, std::nullopt, false});
        QVERIFY2(outcome.printed(), qPrintable(outcome.detail));
        QCOMPARE(outcome.printerName, QStringLiteral("office"));
        QTRY_VERIFY(m_cups.readLog().contains(QStringLiteral("Queued on \"office\"")));
    }

    void missingPrinterIsReportedNotPrintedElsewhere()
    {
        ReceiptPrinter printer;
        const int known = int(m_cups.jobIds().size());
        const ReceiptPrintOutcome outcome = printAndWait(
            printer, ReceiptPrintJob {receiptHtml(1), QStringLiteral("unplugged"), 0, std::nullopt, false});
        QCOMPARE(outcome.failure, ReceiptPrintOutcome::Failure::PrinterNotFound);
        QCOMPARE(outcome.printerName, QStringLiteral("unplugged"));
        QVERIFY(printer.lastFailure());
        QCoreApplication::processEvents();
        QCOMPARE(m_cups.jobIds().size(), known);
    }

    void refusingPrinterIsReported()
    {
        QVERIFY(m_cups.addFileQueue(QStringLiteral("jammed")));
        m_cups.reject(QStringLiteral("jammed"));
        ReceiptPrinter printer;
        const ReceiptPrintOutcome outcome = printAndWait(
            printer, ReceiptPrintJob {receiptHtml(1), QStringLiteral("jammed"), 0, std::nullopt, false});
        QCOMPARE(outcome.failure, ReceiptPrintOutcome::Failure::PrintFailed);
        QVERIFY(!outcome.detail.isEmpty());
        QVERIFY(printer.lastFailure());
    }

    // The printer menu lists the printers afresh each time it opens, from the printing system.
    void printerAddedWhileRunningIsOffered()
    {
        ReaderPaneViewModel pane;
        const auto offered = [&pane](const QString &name) {
            const QVariantList choices = pane.printerChoices();
            return std::any_of(choices.cbegin(), choices.cend(),
                [&name](const QVariant &row) { return row.toMap().value(QStringLiteral("value")) == name; });
        };
        QVERIFY(offered(QStringLiteral("receipt")));
        QVERIFY(!offered(QStringLiteral("added-later")));
        QVERIFY(m_cups.addFileQueue(QStringLiteral("added-later")));
        pane.refreshPrinters();
        QVERIFY(offered(QStringLiteral("added-later")));
    }

    void dialogOnlyWhenAskedFor()
    {
        ReceiptPrinter printer;
        QSignalSpy finished(&printer, &ReceiptPrinter::jobFinished);
        const int known = int(m_cups.jobIds().size());
        printer.enqueue(ReceiptPrintJob {receiptHtml(3), QStringLiteral("receipt"), 0,
            std::make_pair(QStringLiteral("FeedCut"), QStringLiteral("Cut1")), true});
        QPrintDialog *dialog = nullptr;
        const auto dialogShown = [&dialog] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if ((dialog = qobject_cast<QPrintDialog *>(w)) && w->isVisible())
                    return true;
            }
            return false;
        };
        QTRY_VERIFY(dialogShown());
        QCOMPARE(finished.count(), 0);
        dialog->accept();
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(finished.first().first().value<ReceiptPrintOutcome>().printed());
        const int id = nextJob(known);
        QTRY_VERIFY(m_cups.jobOptions(id).contains(QStringLiteral("FeedCut=Cut1")));

        // Cancelled: nothing reaches the daemon and nothing is reported as a failure.
        printer.enqueue(ReceiptPrintJob {receiptHtml(3), QStringLiteral("receipt"), 0, std::nullopt, true});
        QTRY_VERIFY(dialogShown());
        dialog->reject();
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished.at(1).first().value<ReceiptPrintOutcome>().failure,
            ReceiptPrintOutcome::Failure::Cancelled);
        QCOMPARE(m_cups.jobIds().size(), known + 1);
    }
};

QTEST_MAIN(TestReceiptCups)
#include "tst_receiptcups.moc"
