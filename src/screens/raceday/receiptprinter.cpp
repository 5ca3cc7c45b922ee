#include "receiptprinter.h"

#include "log.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintEngine>
#include <QPrinter>
#include <QTimer>

#include <cups/cups.h>

namespace {

// Qt's CUPS print engine takes extra job options as this engine property: a list of alternating
// option names and values handed to cupsPrintFile. Qt declares the key only in a private header;
// its value has not changed since Qt 5.
constexpr auto cupsOptionsProperty = QPrintEngine::PrintEnginePropertyKey(0xfe00);

struct ResolvedPrinter
{
    QString name;
    ReceiptPrintOutcome::Failure failure = ReceiptPrintOutcome::Failure::None;
};

// Asks CUPS itself, so that a printer that vanished since the menu was filled is noticed here and
// not after the job was handed to a queue that does not exist.
ResolvedPrinter resolvePrinter(const QString &wanted)
{
    const QByteArray name = wanted.toUtf8();
    cups_dest_t *dest
        = cupsGetNamedDest(CUPS_HTTP_DEFAULT, wanted.isEmpty() ? nullptr : name.constData(), nullptr);
    if (!dest) {
        return {wanted,
            wanted.isEmpty() ? ReceiptPrintOutcome::Failure::NoDefaultPrinter
                             : ReceiptPrintOutcome::Failure::PrinterNotFound};
    }
    ResolvedPrinter resolved {QString::fromUtf8(dest->name), ReceiptPrintOutcome::Failure::None};
    cupsFreeDests(1, dest);
    return resolved;
}

// Adds the cutter entry to the options the engine already carries (the print dialog writes its own
// list there, replacing what was set before it opened).
void applyCutterOption(QPrinter &printer, const std::optional<std::pair<QString, QString>> &cutterOption)
{
    if (!cutterOption)
        return;
    QStringList options = printer.printEngine()->property(cupsOptionsProperty).toStringList();
    for (qsizetype i = 0; i + 1 < options.size();) {
        if (options.at(i) == cutterOption->first)
            options.remove(i, 2);
        else
            i += 2;
    }
    options << cutterOption->first << cutterOption->second;
    printer.printEngine()->setProperty(cupsOptionsProperty, options);
}

void configure(QPrinter &printer, const QString &printerName, const ReceiptPage &page,
    const std::optional<std::pair<QString, QString>> &cutterOption)
{
    // The printer first: choosing it resets the page setup to the printer's defaults.
    printer.setPrinterName(printerName);
    printer.setFullPage(false);
    printer.setDocName(QStringLiteral("Receipt"));
    const QPageSize size(QSizeF(page.paperWidth, page.paperHeight), QPageSize::Point,
        QStringLiteral("Receipt"), QPageSize::ExactMatch);
    const QMarginsF margins(page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin);
    printer.setPageLayout(QPageLayout(size, QPageLayout::Portrait, margins, QPageLayout::Point));
    if (cutterOption)
        printer.printEngine()->setProperty(
            cupsOptionsProperty, QStringList {cutterOption->first, cutterOption->second});
}

ReceiptPrintOutcome paint(QPrinter &printer, QTextDocument &document, const ReceiptPage &page)
{
    ReceiptPrintOutcome outcome;
    outcome.printerName = printer.printerName();
    QPainter painter;
    if (!painter.begin(&printer)) {
        outcome.failure = ReceiptPrintOutcome::Failure::PrintFailed;
        outcome.detail = QStringLiteral("the printer could not be opened");
        return outcome;
    }
    // The document is laid out in points; the painter works in the printer's device pixels.
    painter.scale(printer.logicalDpiX() / 72.0, printer.logicalDpiY() / 72.0);
    document.drawContents(&painter, QRectF(0, 0, receiptTextWidth, page.paperHeight));
    painter.end();
    // Ending the painter hands the file to CUPS (cupsPrintFile on this thread); its status is the
    // calling thread's last CUPS error. resolvePrinter's request has just set it to success, so a
    // failure here belongs to this job.
    if (cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        outcome.failure = ReceiptPrintOutcome::Failure::PrintFailed;
        outcome.detail = QString::fromUtf8(cupsLastErrorString());
    }
    return outcome;
}

} // namespace

void CupsReceiptPrintBackend::print(const ReceiptPrintJob &job, const ReceiptPage &page,
    QTextDocument &document, std::function<void(const ReceiptPrintOutcome &)> done)
{
    const ResolvedPrinter target = resolvePrinter(job.printerName);
    if (target.failure != ReceiptPrintOutcome::Failure::None) {
        done(ReceiptPrintOutcome {target.failure, target.name, {}});
        return;
    }
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    configure(*printer, target.name, page, job.cutterOption);

    if (job.showDialog && qobject_cast<QApplication *>(QCoreApplication::instance())) {
        // open(), not exec(): no nested event loop, the card reader keeps being served.
        auto *dialog = new QPrintDialog(printer.get());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QPointer<QTextDocument> doc(&document);
        const auto cutterOption = job.cutterOption;
        QObject::connect(
            dialog, &QDialog::finished, dialog, [printer, doc, page, cutterOption, done](int result) {
                if (result != QDialog::Accepted || !doc) {
                    done(ReceiptPrintOutcome {
                        ReceiptPrintOutcome::Failure::Cancelled, printer->printerName(), {}});
                    return;
                }
                // Whatever printer the user picked, the receipt keeps its cutter entry.
                applyCutterOption(*printer, cutterOption);
                (void)resolvePrinter(printer->printerName());
                done(paint(*printer, *doc, page));
            });
        dialog->open();
        return;
    }
    if (job.showDialog)
        logLine(QStringLiteral(
            "ReceiptPrinter: no print dialog without a widget application; printing directly"));
    done(paint(*printer, document, page));
}

ReceiptPrintJob receiptJobFromPreferences(const ReceiptPreferences &prefs, const QString &html)
{
    ReceiptPrintJob job;
    job.html = html;
    job.printerName = prefs.printerName.trimmed();
    job.bottomFeedSetting = prefs.bottomFeedPoints;
    const QString key = prefs.autoCutOptionKey.trimmed();
    if (!key.isEmpty())
        job.cutterOption = std::make_pair(key, prefs.autoCutOptionValue);
    job.showDialog = !prefs.autoPrint;
    return job;
}

struct ReceiptPrinter::Running
{
    ReceiptPrintJob job;
    LaidOutReceipt receipt;
};

ReceiptPrinter::ReceiptPrinter(std::unique_ptr<ReceiptPrintBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(backend ? std::move(backend) : std::make_unique<CupsReceiptPrintBackend>())
{ }

ReceiptPrinter::~ReceiptPrinter() = default;

void ReceiptPrinter::enqueue(ReceiptPrintJob job)
{
    m_queue.push_back(std::move(job));
    scheduleNext();
    emit statusChanged();
}

void ReceiptPrinter::scheduleNext()
{
    if (m_scheduled || m_current || m_queue.empty())
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, &ReceiptPrinter::runNext);
}

void ReceiptPrinter::runNext()
{
    m_scheduled = false;
    if (m_current || m_queue.empty())
        return;
    m_current = std::make_unique<Running>();
    m_current->job = std::move(m_queue.front());
    m_queue.pop_front();
    m_current->receipt = layOutReceipt(m_current->job.html);
    const ReceiptPage page
        = receiptPageFor(m_current->receipt.contentHeight, m_current->job.bottomFeedSetting);
    QPointer<ReceiptPrinter> self(this);
    Running *running = m_current.get();
    m_backend->print(m_current->job, page, *m_current->receipt.document,
        [self, running](const ReceiptPrintOutcome &outcome) {
            if (self && self->m_current.get() == running)
                self->finish(outcome);
        });
}

void ReceiptPrinter::finish(const ReceiptPrintOutcome &outcome)
{
    // The document may still be in use up the backend's stack; it goes when this event is done.
    const std::unique_ptr<Running> finished = std::move(m_current);
    finished->receipt.document.release()->deleteLater();
    m_lastOutcome = outcome;
    if (outcome.printed()) {
        m_lastFailure.reset();
    } else if (outcome.failure != ReceiptPrintOutcome::Failure::Cancelled) {
        m_lastFailure = outcome;
        logLine(QStringLiteral("ReceiptPrinter: receipt not printed on \"%1\": %2")
                    .arg(outcome.printerName,
                        outcome.detail.isEmpty() ? QStringLiteral("printer unavailable") : outcome.detail));
    }
    emit jobFinished(outcome);
    emit statusChanged();
    scheduleNext();
}
