#pragma once

// The race-day desk of the main window: every card read ends in `handleCardRead`, which records
// the reading through the store and then (when switched on) queues its receipt; the reader pane
// and the card-read toast show what this reading produced. The desk remembers the result recorded
// for the reading on show, so a card read again, or a card number that also has results from
// other stages or earlier runners, never shows an older result, and a card with no runner always
// offers "Register...".

#include "race.h"
#include "readerclock.h"
#include "receiptprinter.h"
#include "sicardreading.h"

#include <QObject>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class CardReaderViewModel;
class RaceStore;

class RaceDayDesk : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application")

    Q_PROPERTY(CardStatus cardStatus READ cardStatus NOTIFY changed)
    // The card result panel of the result on show (see cardresultpanel.h); empty without one.
    Q_PROPERTY(QVariantMap cardPanel READ cardPanelVariant NOTIFY changed)
    // "Reading card %@..." for the card in the station.
    Q_PROPERTY(QString progressText READ progressText NOTIFY changed)
    // "Card Number: %@" for the card on show.
    Q_PROPERTY(QString cardNumberText READ cardNumberText NOTIFY changed)
    // Why a card stopped half-way (the station went away while it was being read out) and, once
    // the station is back, that the card must be inserted again.
    Q_PROPERTY(QString interruptedText READ interruptedText NOTIFY changed)
    // Why the station is not reading cards: it went away while connected (shown until it is
    // connected again), or the last connect failed; empty while all is well.
    Q_PROPERTY(QString stationText READ stationText NOTIFY changed)
    Q_PROPERTY(bool stationLost READ stationLost NOTIFY changed)
    Q_PROPERTY(bool toastShown READ toastShown NOTIFY changed)
    Q_PROPERTY(bool hasUnmatchedCard READ hasUnmatchedCard NOTIFY unmatchedCardChanged)
    // "Card Number: %@" for the card whose unmatched-card sheet is open.
    Q_PROPERTY(QString unmatchedCardText READ unmatchedCardText NOTIFY unmatchedCardChanged)
    Q_PROPERTY(QObject *receiptPrinter READ receiptPrinterObject CONSTANT)

public:
    enum class CardStatus {
        NoCard, // nothing in the station or read lately
        Reading, // a card is being read out
        Interrupted, // the connection went before the card was read out
        Result, // the card's result was recorded
        Unmatched, // the card was read out and belongs to nobody
    };
    Q_ENUM(CardStatus)

    using Preferences = std::function<ReceiptPreferences()>;
    using ReceiptRenderer = std::function<QString(const PersonResult &, const Race &)>;

    static constexpr std::chrono::milliseconds toastDuration {10000};

    // `printer` may be null (no receipts). The toast's 10 s run on the system clock unless a
    // clock is set.
    RaceDayDesk(RaceStore *store, CardReaderViewModel *reader, ReceiptPrinter *printer,
        Preferences preferences, QObject *parent = nullptr);
    ~RaceDayDesk() override;

    void setClock(std::shared_ptr<ReaderClock> clock) { m_clock = std::move(clock); }
    void setReceiptRenderer(ReceiptRenderer renderer) { m_renderReceipt = std::move(renderer); }

    [[nodiscard]] RaceStore *store() const { return m_store; }
    [[nodiscard]] CardReaderViewModel *reader() const { return m_reader; }
    [[nodiscard]] ReceiptPrinter *receiptPrinter() const { return m_printer; }
    [[nodiscard]] QObject *receiptPrinterObject() const { return m_printer; }

    // Makes `handleCardRead` the reader's card-read callback (replacing any earlier one).
    void install();

    void handleCardRead(const QString &cardNumber, const QList<SIPunch> &punches,
        const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
        const std::optional<QDateTime> &finishPunchTime);

    // Queues the receipt of a stored result with the receipt settings as they are now ("Print
    // receipt" of the results list).
    void printReceipt(const PersonResult &result);

    // ---- What the reader pane's status block and the toast show ----------------------------

    [[nodiscard]] CardStatus cardStatus() const;
    // The result recorded for the reading on show, as it now stands in the race.
    [[nodiscard]] std::optional<PersonResult> shownResult() const;
    [[nodiscard]] QString shownCardNumber() const;
    [[nodiscard]] QVariantMap cardPanelVariant() const;
    [[nodiscard]] QString progressText() const;
    [[nodiscard]] QString cardNumberText() const;
    [[nodiscard]] QString interruptedText() const;
    [[nodiscard]] QString stationText() const;
    [[nodiscard]] bool stationLost() const { return m_stationLost; }
    // The organiser's own disconnect: the station is not "lost" then.
    Q_INVOKABLE void disconnectStation();

    // ---- The toast ---------------------------------------------------------------------------

    // The section the window shows (raw value, "reader" for the SI Reader pane).
    void setSelectedSection(const QString &section);
    [[nodiscard]] bool toastWanted() const { return m_toastWanted; }
    // Drawn: wanted, a reading exists, and the reader pane is not on screen.
    [[nodiscard]] bool toastShown() const;
    Q_INVOKABLE void closeToast();

    // ---- The unmatched-card sheet ------------------------------------------------------------

    // "Register...": opens the sheet for the reading on show.
    Q_INVOKABLE void registerShownCard();
    // "Register..." of a card read-out the event keeps (race().unknownCards): opens the sheet for
    // it as it was read. An id no longer kept opens nothing.
    Q_INVOKABLE void registerKeptCard(const QString &keptCardId);
    [[nodiscard]] const std::optional<SICardReading> &unmatchedCard() const { return m_unmatchedCard; }
    // The kept read-out the sheet's card came from ("Register..." on the Status list); none for
    // the reading on show.
    [[nodiscard]] std::optional<QUuid> unmatchedKeptCard() const { return m_unmatchedKeptCard; }
    [[nodiscard]] bool hasUnmatchedCard() const { return m_unmatchedCard.has_value(); }
    [[nodiscard]] QString unmatchedCardText() const;
    Q_INVOKABLE void clearUnmatchedCard();
    // The unmatched-card sheet recorded `card` as `result` (none: nobody holds the number it was
    // recorded under). When that is the reading on show, the pane and the toast show the result
    // from now on instead of offering "Register..." for a card that is registered.
    void readingRecorded(const SICardReading &card, const std::optional<PersonResult> &result);

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
        // The card's latest result in the same stage before this read: a repeat.
        std::optional<QDateTime> earlierReadAt;
        // The read removed its runner's did-not-start mark on the stage.
        bool clearedNotStarted = false;
    };

    void readingChanged();
    void connectionChanged();
    // Remembers the reading on show as cut off when the station had not finished it.
    void markInterruptedReading();
    [[nodiscard]] bool shownReadingInterrupted() const;
    [[nodiscard]] const RecordedRead *recordForShownReading() const;

    RaceStore *m_store;
    CardReaderViewModel *m_reader;
    ReceiptPrinter *m_printer;
    Preferences m_preferences;
    ReceiptRenderer m_renderReceipt;
    std::shared_ptr<ReaderClock> m_clock;

    std::optional<RecordedRead> m_lastRecorded;
    std::optional<QDateTime> m_lastReadAt;
    bool m_toastWanted = false;
    // The pending hide of the toast; replacing or resetting it cancels the earlier one.
    std::unique_ptr<ReaderTimer> m_toastHide;
    QString m_section = QStringLiteral("introduction");
    std::optional<SICardReading> m_unmatchedCard;
    std::optional<QUuid> m_unmatchedKeptCard;
    // The half-read card (number, read-out start) that was in the station when the connection
    // went: the station will not go on with it, also once it is connected again.
    std::optional<std::pair<QString, QDateTime>> m_interruptedReading;
    bool m_wasConnected = false;
    bool m_disconnecting = false;
    bool m_stationLost = false;
    // The reader's last error message (a lost port, a failed connect).
    QString m_stationError;
};
