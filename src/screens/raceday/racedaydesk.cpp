#include "racedaydesk.h"

#include "cardreaderviewmodel.h"
#include "cardrecording.h"
#include "racedayresults.h"
#include "racestore.h"
#include "receipt.h"

#include <QTimer>

std::optional<PersonResult> recordThroughStore(RaceStore &store, const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime)
{
    Race race = store.race();
    const CardRecording recording = recordCardReading(race, cardNumber, punches, checkPunchTime,
        startPunchTime, finishPunchTime, QDateTime::currentDateTimeUtc());
    if (!recording.result)
        return std::nullopt;
    store.setRace(race);
    if (recording.save)
        store.autosave();
    return recording.result;
}

RaceDayDesk::RaceDayDesk(RaceStore *store, CardReaderViewModel *reader, ReceiptPrinter *printer,
    Recorder recorder, Preferences preferences, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_reader(reader)
    , m_printer(printer)
    , m_record(std::move(recorder))
    , m_preferences(std::move(preferences))
    , m_renderReceipt(
          [](const PersonResult &result, const Race &race) { return renderReceiptHTML(result, race); })
    , m_scheduler([this](std::chrono::milliseconds delay, std::function<void()> action) {
        QTimer::singleShot(delay, this, std::move(action));
    })
{
    connect(m_reader, &CardReaderViewModel::lastCardReadChanged, this, &RaceDayDesk::readingChanged);
    connect(m_reader, &CardReaderViewModel::isCardDataCompleteChanged, this, &RaceDayDesk::changed);
    connect(m_store, &RaceStore::raceChanged, this, &RaceDayDesk::changed);
    if (m_reader->lastCardRead())
        m_lastReadAt = m_reader->lastCardRead()->readAt;
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
    const std::optional<PersonResult> result
        = m_record(cardNumber, punches, checkPunchTime, startPunchTime, finishPunchTime);
    RecordedRead record {cardNumber, {}, result ? std::optional<QUuid>(result->id) : std::nullopt};
    if (m_reader->lastCardRead() && m_reader->lastCardRead()->cardNumber == cardNumber)
        record.readAt = m_reader->lastCardRead()->readAt;
    m_lastRecorded = record;
    emit changed();

    const ReceiptPreferences prefs = m_preferences ? m_preferences() : ReceiptPreferences {};
    if (!prefs.autoPrintOnRead || !result || !m_printer)
        return;
    m_printer->enqueue(receiptJobFromPreferences(prefs, m_renderReceipt(*result, m_store->race())));
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
    // Complete but not recorded here: the card-read handler has not run for this reading (it is
    // not installed); what the card belongs to is unknown, so it is offered for registration.
    return m_reader->isCardDataComplete() ? CardStatus::Unmatched : CardStatus::Reading;
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

void RaceDayDesk::readingChanged()
{
    const std::optional<SICardReading> &reading = m_reader->lastCardRead();
    const std::optional<QDateTime> readAt
        = reading ? std::optional<QDateTime>(reading->readAt) : std::nullopt;
    const bool readAtChanged = readAt != m_lastReadAt;
    m_lastReadAt = readAt;
    if (readAtChanged && readAt) {
        // A later read restarts the 10 s: the earlier hide is disarmed by the generation count.
        m_toastWanted = true;
        const quint64 generation = ++m_toastGeneration;
        m_scheduler(toastDuration, [this, generation] {
            if (generation != m_toastGeneration)
                return;
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
    ++m_toastGeneration;
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
    emit unmatchedCardChanged();
}

void RaceDayDesk::clearUnmatchedCard()
{
    if (!m_unmatchedCard)
        return;
    m_unmatchedCard.reset();
    emit unmatchedCardChanged();
}
