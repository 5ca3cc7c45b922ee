#include "racedaydesk.h"

#include "cardreaderviewmodel.h"
#include "cardrecording.h"
#include "cardresultpanel.h"
#include "localization.h"
#include "messagetext.h"
#include "racedayresults.h"
#include "racestore.h"
#include "receipt.h"

RaceDayDesk::RaceDayDesk(RaceStore *store, CardReaderViewModel *reader, ReceiptPrinter *printer,
    Preferences preferences, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_reader(reader)
    , m_printer(printer)
    , m_preferences(std::move(preferences))
    , m_renderReceipt(
          [](const PersonResult &result, const Race &race) { return renderReceiptHTML(result, race); })
    , m_clock(std::make_shared<SystemReaderClock>())
{
    connect(m_reader, &CardReaderViewModel::lastCardReadChanged, this, &RaceDayDesk::readingChanged);
    connect(m_reader, &CardReaderViewModel::isCardDataCompleteChanged, this, &RaceDayDesk::changed);
    connect(m_reader, &CardReaderViewModel::connectionStateChanged, this, &RaceDayDesk::connectionChanged);
    connect(m_store, &RaceStore::raceChanged, this, &RaceDayDesk::changed);
    // Texts built here follow the selected language.
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this, [this] {
        emit changed();
        emit unmatchedCardChanged();
    });
    if (m_reader->lastCardRead())
        m_lastReadAt = m_reader->lastCardRead()->readAt;
    m_wasConnected = m_reader->connectionState().isConnected();
}

void RaceDayDesk::connectionChanged()
{
    const SIConnectionState state = m_reader->connectionState();
    switch (state.kind()) {
    case SIConnectionState::Kind::Connected:
        m_wasConnected = true;
        m_stationLost = false;
        m_stationError.clear();
        break;
    case SIConnectionState::Kind::Connecting:
        markInterruptedReading();
        break;
    case SIConnectionState::Kind::Disconnected:
    case SIConnectionState::Kind::Error:
        // Lost stays set through failed reconnects until the station is connected again.
        if (m_wasConnected && !m_disconnecting)
            m_stationLost = true;
        markInterruptedReading();
        m_wasConnected = false;
        m_stationError = localizedMessage(state.message());
        break;
    }
    emit changed();
}

void RaceDayDesk::markInterruptedReading()
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    if (reading && !m_reader->isCardDataComplete())
        m_interruptedReading = std::pair(reading->cardNumber, reading->readAt);
}

bool RaceDayDesk::shownReadingInterrupted() const
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    return reading && m_interruptedReading
        && *m_interruptedReading == std::pair(reading->cardNumber, reading->readAt);
}

void RaceDayDesk::disconnectStation()
{
    m_disconnecting = true;
    m_reader->disconnectPort();
    m_disconnecting = false;
    m_stationLost = false;
    m_stationError.clear();
    emit changed();
}

QString RaceDayDesk::stationText() const
{
    const QString reason = m_stationError.isEmpty() ? QString() : localized(m_stationError);
    if (m_stationLost) {
        return reason.isEmpty()
            ? localized(QStringLiteral("The station was disconnected. No cards are read until it is back: "
                                       "plug it in again, then choose Refresh Ports or Connect."))
            : localized(QStringLiteral("The station was lost (%@). No cards are read until it is back: "
                                       "plug it in again, then choose Refresh Ports or Connect."),
                reason);
    }
    if (!reason.isEmpty())
        return localized(QStringLiteral("Could not connect to the station: %@"), reason);
    return {};
}

RaceDayDesk::~RaceDayDesk()
{
    // The reader may outlive the desk: its callback must not point at a dead object.
    if (m_reader)
        m_reader->onCardRead = nullptr;
}

void RaceDayDesk::install()
{
    m_reader->onCardRead = [this](const QString &cardNumber, const QList<SIPunch> &punches,
                               const std::optional<QDateTime> &check, const std::optional<QDateTime> &start,
                               const std::optional<QDateTime> &finish) {
        handleCardRead(cardNumber, punches, check, start, finish);
    };
}

void RaceDayDesk::handleCardRead(const QString &cardNumber, const QList<SIPunch> &punches,
    const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
    const std::optional<QDateTime> &finishPunchTime)
{
    // The result is stored (and autosaved) before anything is printed: a printer that is missing
    // or fails can never cost a result.
    // A card already read in this stage is a repeat, whether the store keeps the one result (the
    // same read-out again) or appends another: the panel says so.
    const std::optional<QDateTime> earlierRead = m_store->latestReadOfCard(cardNumber);
    const std::optional<PersonResult> result
        = m_store->recordCardReading(cardNumber, punches, checkPunchTime, startPunchTime, finishPunchTime);
    RecordedRead record {cardNumber, {}, result ? std::optional<QUuid>(result->id) : std::nullopt,
        earlierRead, m_store->lastReadClearedNotStarted()};
    if (m_reader->lastCardRead() && m_reader->lastCardRead()->cardNumber == cardNumber)
        record.readAt = m_reader->lastCardRead()->readAt;
    m_lastRecorded = record;
    emit changed();

    const ReceiptPreferences prefs = m_preferences ? m_preferences() : ReceiptPreferences {};
    if (!prefs.autoPrintOnRead || !result || !m_printer)
        return;
    m_printer->enqueue(receiptJobFromPreferences(prefs, m_renderReceipt(*result, m_store->race())));
}

void RaceDayDesk::printReceipt(const PersonResult &result)
{
    if (!m_printer)
        return;
    const ReceiptPreferences prefs = m_preferences ? m_preferences() : ReceiptPreferences {};
    m_printer->enqueue(receiptJobFromPreferences(prefs, m_renderReceipt(result, m_store->race())));
}

const RaceDayDesk::RecordedRead *RaceDayDesk::recordForShownReading() const
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    if (!reading || !m_lastRecorded)
        return nullptr;
    if (m_lastRecorded->cardNumber != reading->cardNumber || m_lastRecorded->readAt != reading->readAt)
        return nullptr;
    return &*m_lastRecorded;
}

RaceDayDesk::CardStatus RaceDayDesk::cardStatus() const
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    if (!reading)
        return CardStatus::NoCard;
    if (const RecordedRead *record = recordForShownReading()) {
        if (!record->resultId)
            return CardStatus::Unmatched;
        if (resultById(m_store->race(), *record->resultId))
            return CardStatus::Result;
        // The result was deleted since: nothing of it is left to show.
        return CardStatus::NoCard;
    }
    if (m_reader->isCardDataComplete()) {
        // Complete but not recorded here: the card-read handler did not run for this reading;
        // what the card belongs to is unknown, so it is offered for registration.
        return CardStatus::Unmatched;
    }
    // A half-read card whose station went away will never complete, not even once the station is
    // connected again (it does not start over on a card left in it): say so instead of showing a
    // progress row for ever.
    return m_reader->connectionState().isConnected() && !shownReadingInterrupted() ? CardStatus::Reading
                                                                                   : CardStatus::Interrupted;
}

std::optional<PersonResult> RaceDayDesk::shownResult() const
{
    const RecordedRead *record = recordForShownReading();
    if (!record || !record->resultId)
        return std::nullopt;
    if (const PersonResult *r = resultById(m_store->race(), *record->resultId))
        return *r;
    return std::nullopt;
}

QString RaceDayDesk::shownCardNumber() const
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    return reading ? reading->cardNumber : QString();
}

QVariantMap RaceDayDesk::cardPanelVariant() const
{
    const std::optional<PersonResult> result = shownResult();
    if (!result)
        return {};
    CardResultPanel panel = cardResultPanel(m_store->race(), *result);
    const RecordedRead *record = recordForShownReading();
    if (panel.repeatText.isEmpty() && record && record->earlierReadAt)
        panel.repeatText = repeatReadText(*record->earlierReadAt);
    if (panel.markText.isEmpty() && record && record->clearedNotStarted)
        panel.markText
            = localized(QStringLiteral("This runner was marked as not started; the read removed the mark."));
    // Read into a stage of another day while today's stage waits: said on the card itself, so
    // that a read counted on the wrong day is seen where it is shown.
    panel.dayText = readDayWarning(m_store->race(), result->stageId, m_store->now().toLocalTime().date());
    return panel.toVariantMap();
}

QString RaceDayDesk::progressText() const
{
    return localized(QStringLiteral("Reading card %@..."), shownCardNumber());
}

QString RaceDayDesk::cardNumberText() const
{
    return localized(QStringLiteral("Card Number: %@"), shownCardNumber());
}

QString RaceDayDesk::interruptedText() const
{
    if (m_reader->connectionState().isConnected())
        return localized(QStringLiteral("Card %@ was not read out: the station was disconnected while "
                                        "reading it. Insert the card again."),
            shownCardNumber());
    return localized(
        QStringLiteral("Card %@ was not read out: the station is disconnected"), shownCardNumber());
}

void RaceDayDesk::readingChanged()
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    const std::optional<QDateTime> readAt
        = reading ? std::optional<QDateTime>(reading->readAt) : std::nullopt;
    const bool readAtChanged = readAt != m_lastReadAt;
    m_lastReadAt = readAt;
    if (!shownReadingInterrupted())
        m_interruptedReading.reset();
    if (readAtChanged && readAt) {
        // A later read restarts the 10 s: replacing the handle cancels the earlier hide.
        m_toastWanted = true;
        m_toastHide = m_clock->schedule(toastDuration, [this] {
            m_toastWanted = false;
            emit changed();
        });
    }
    emit changed();
}

void RaceDayDesk::setSelectedSection(const QString &section)
{
    if (section == m_section)
        return;
    m_section = section;
    emit changed();
}

bool RaceDayDesk::toastShown() const
{
    return m_toastWanted && m_section != QLatin1String("reader") && m_reader->lastCardRead().has_value();
}

void RaceDayDesk::closeToast()
{
    m_toastHide.reset();
    if (!m_toastWanted)
        return;
    m_toastWanted = false;
    emit changed();
}

void RaceDayDesk::registerShownCard()
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    if (!reading)
        return;
    m_unmatchedCard = *reading;
    m_unmatchedKeptCard.reset();
    emit unmatchedCardChanged();
}

void RaceDayDesk::registerKeptCard(const QString &keptCardId)
{
    const UnknownCard *kept = findUnknownCard(m_store->race(), QUuid(keptCardId));
    if (!kept)
        return;
    SICardReading reading;
    reading.cardNumber = kept->cardNumber;
    reading.punches = kept->punches;
    reading.checkPunchTime = kept->checkPunchTime;
    reading.startPunchTime = kept->startPunchTime;
    reading.finishPunchTime = kept->finishPunchTime;
    reading.readAt = kept->readAt;
    m_unmatchedCard = reading;
    m_unmatchedKeptCard = kept->id;
    emit unmatchedCardChanged();
}

QString RaceDayDesk::unmatchedCardText() const
{
    return m_unmatchedCard ? localized(QStringLiteral("Card Number: %@"), m_unmatchedCard->cardNumber)
                           : QString();
}

void RaceDayDesk::readingRecorded(const SICardReading &card, const std::optional<PersonResult> &result)
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    if (!reading || reading->cardNumber != card.cardNumber || reading->readAt != card.readAt)
        return;
    m_lastRecorded = RecordedRead {
        card.cardNumber, card.readAt, result ? std::optional<QUuid>(result->id) : std::nullopt, std::nullopt};
    emit changed();
}

void RaceDayDesk::clearUnmatchedCard()
{
    if (!m_unmatchedCard)
        return;
    m_unmatchedCard.reset();
    m_unmatchedKeptCard.reset();
    emit unmatchedCardChanged();
}
