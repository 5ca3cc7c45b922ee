#pragma once

// The race-day desk of the main window: every card read ends in `handleCardRead`, which records
// the reading and then (when switched on) queues its receipt; the reader pane and the card-read
// toast show what this reading produced. The desk remembers the result recorded for the reading
// on show, so a card read again, or a card number that also has results from other stages or
// earlier runners, never shows an older result, and a card with no runner always offers
// "Register...".

#include "race.h"
#include "receiptprinter.h"
#include "sicardreading.h"

#include <QObject>

#include <chrono>
#include <functional>
#include <optional>

class CardReaderViewModel;
class RaceStore;

class RaceDayDesk : public QObject
{
    Q_OBJECT

public:
    enum class CardStatus { NoCard, Reading, Result, Unmatched };
    Q_ENUM(CardStatus)

    // Records a reading and returns the stored result; none when no runner holds the card.
    using Recorder = std::function<std::optional<PersonResult>(const QString &cardNumber,
        const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
        const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime)>;
    // Runs `action` once after `delay` on the main thread; tests pass a hand-driven clock.
    using Scheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> action)>;
    using Preferences = std::function<ReceiptPreferences()>;
    using ReceiptRenderer = std::function<QString(const PersonResult &, const Race &)>;

    static constexpr std::chrono::milliseconds toastDuration {10000};

    RaceDayDesk(RaceStore *store, CardReaderViewModel *reader, ReceiptPrinter *printer, Recorder recorder,
        Preferences preferences, QObject *parent = nullptr);

    void setScheduler(Scheduler scheduler) { m_scheduler = std::move(scheduler); }
    void setReceiptRenderer(ReceiptRenderer renderer) { m_renderReceipt = std::move(renderer); }

    // Makes `handleCardRead` the reader's card-read callback (replacing any earlier one).
    void install();

    void handleCardRead(const QString &cardNumber, const QList<SIPunch> &punches,
        const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
        const std::optional<QDateTime> &finishPunchTime);

    // ---- What the reader pane's status block and the toast show ----------------------------

    [[nodiscard]] CardStatus cardStatus() const;
    // The result recorded for the reading on show, as it now stands in the race.
    [[nodiscard]] std::optional<PersonResult> shownResult() const;
    [[nodiscard]] QString shownCardNumber() const;

    // ---- The toast ---------------------------------------------------------------------------

    // The section the window shows (raw value, "reader" for the SI Reader pane).
    void setSelectedSection(const QString &section);
    [[nodiscard]] bool toastWanted() const { return m_toastWanted; }
    // Drawn: wanted, a reading exists, and the reader pane is not on screen.
    [[nodiscard]] bool toastShown() const;
    void closeToast();

    // ---- The unmatched-card sheet ------------------------------------------------------------

    // "Register...": opens the sheet for the reading on show.
    void registerShownCard();
    [[nodiscard]] const std::optional<SICardReading> &unmatchedCard() const { return m_unmatchedCard; }
    void clearUnmatchedCard();

signals:
    // The status block or the toast must be redrawn.
    void changed();
    void unmatchedCardChanged();

private:
    struct RecordedRead
    {
        QString cardNumber;
        QDateTime readAt;
        std::optional<QUuid> resultId;
    };

    void readingChanged();
    [[nodiscard]] const RecordedRead *recordForShownReading() const;

    RaceStore *m_store;
    CardReaderViewModel *m_reader;
    ReceiptPrinter *m_printer;
    Recorder m_record;
    Preferences m_preferences;
    ReceiptRenderer m_renderReceipt;
    Scheduler m_scheduler;

    std::optional<RecordedRead> m_lastRecorded;
    std::optional<QDateTime> m_lastReadAt;
    bool m_toastWanted = false;
    quint64 m_toastGeneration = 0;
    QString m_section = QStringLiteral("introduction");
    std::optional<SICardReading> m_unmatchedCard;
};

// Card recording through the store: runs the evaluation on the store's race, publishes the new
// race and autosaves when the recording says so.
[[nodiscard]] std::optional<PersonResult> recordThroughStore(RaceStore &store, const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime);
