#pragma once

// The one receipt printing service of the process, shared by printing on card read and by the
// results screen. Jobs are queued and printed one at a time from the event loop, never inside the
// caller: a card-read handler that asks for a receipt returns at once, and a print dialog that is
// open never holds up card reading. Every job gets a printer configured from scratch, so one
// receipt's paper, margins and cutter option never carry over into a later job.

#include "receiptlayout.h"

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

// The receipt preferences as they are at the moment a receipt is asked for (the main window keeps
// them in the user settings under the receipt keys).
struct ReceiptPreferences
{
    QString printerName;
    bool autoPrint = false;
    bool autoPrintOnRead = false;
    double bottomFeedPoints = 0;
    QString autoCutOptionKey;
    QString autoCutOptionValue;
};

struct ReceiptPrintJob
{
    QString html;
    // Empty: the system default printer.
    QString printerName;
    double bottomFeedSetting = 0;
    // Sent to CUPS as key=value; absent when no cutter key is set.
    std::optional<std::pair<QString, QString>> cutterOption;
    bool showDialog = false;
};

struct ReceiptPrintOutcome
{
    enum class Failure {
        None,
        Cancelled, // the user closed the print dialog
        NoDefaultPrinter, // no printer named and the system has no default
        PrinterNotFound, // the named printer is not installed
        PrintFailed, // the printing system refused or lost the job
    };
    Failure failure = Failure::None;
    // The printer the job went to or was meant for (the default's name when none was named).
    QString printerName;
    // The printing system's own words for a PrintFailed.
    QString detail;

    [[nodiscard]] bool printed() const { return failure == Failure::None; }
};

// Where a laid-out receipt goes. The production backend prints through Qt and CUPS; tests swap in
// one that records what it was given.
class ReceiptPrintBackend
{
public:
    virtual ~ReceiptPrintBackend() = default;
    // `done` is called exactly once, possibly later (after a dialog), on the main thread. The
    // document stays alive until then.
    virtual void print(const ReceiptPrintJob &job, const ReceiptPage &page, QTextDocument &document,
        std::function<void(const ReceiptPrintOutcome &)> done)
        = 0;
};

// Prints with QPrinter to a CUPS queue. The print dialog needs a QApplication; under a plain
// QGuiApplication the job is printed without it.
class CupsReceiptPrintBackend : public ReceiptPrintBackend
{
public:
    void print(const ReceiptPrintJob &job, const ReceiptPage &page, QTextDocument &document,
        std::function<void(const ReceiptPrintOutcome &)> done) override;
};

// The job for one receipt from the settings as they are now.
[[nodiscard]] ReceiptPrintJob receiptJobFromPreferences(const ReceiptPreferences &prefs, const QString &html);

class ReceiptPrinter : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool busy READ busy NOTIFY statusChanged)

public:
    explicit ReceiptPrinter(
        std::unique_ptr<ReceiptPrintBackend> backend = nullptr, QObject *parent = nullptr);
    ~ReceiptPrinter() override;

    // Queues the job; returns at once.
    void enqueue(ReceiptPrintJob job);

    // The outcome of the last job that did not print (cancelling the dialog is no failure);
    // cleared by the next job that prints.
    [[nodiscard]] std::optional<ReceiptPrintOutcome> lastFailure() const { return m_lastFailure; }
    [[nodiscard]] bool busy() const { return m_current != nullptr || !m_queue.empty(); }
    [[nodiscard]] std::optional<ReceiptPrintOutcome> lastOutcome() const { return m_lastOutcome; }

signals:
    void statusChanged();
    void jobFinished(const ReceiptPrintOutcome &outcome);

private:
    struct Running;
    void scheduleNext();
    void runNext();
    void finish(const ReceiptPrintOutcome &outcome);

    std::unique_ptr<ReceiptPrintBackend> m_backend;
    std::deque<ReceiptPrintJob> m_queue;
    std::unique_ptr<Running> m_current;
    bool m_scheduled = false;
    std::optional<ReceiptPrintOutcome> m_lastFailure;
    std::optional<ReceiptPrintOutcome> m_lastOutcome;
};
Q_DECLARE_METATYPE(ReceiptPrintOutcome)
