#include "starttimeeditsheet.h"

#include "localization.h"
#include "racestore.h"
#include "starttimetext.h"

#include <algorithm>

namespace {

const Participant *findParticipant(const Race &race, const QUuid &id)
{
    for (const Participant &p : race.participants) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

} // namespace

StartTimeEditSheet::StartTimeEditSheet(QObject *parent)
    : StoreViewModel(parent)
{
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this, [this] {
        emit showingChanged();
        emit timeChanged();
    });
}

QString StartTimeEditSheet::participantId() const
{
    return m_participant ? m_participant->toString(QUuid::WithoutBraces) : QString();
}

QString StartTimeEditSheet::cardText() const
{
    return localized(QStringLiteral("Card %@"), QStringList {m_card});
}

void StartTimeEditSheet::setHour(int value)
{
    setTime(std::clamp(value, 0, 23), m_minute, m_second);
}

void StartTimeEditSheet::setMinute(int value)
{
    setTime(m_hour, std::clamp(value, 0, 59), m_second);
}

void StartTimeEditSheet::setSecond(int value)
{
    setTime(m_hour, m_minute, std::clamp(value, 0, 59));
}

void StartTimeEditSheet::setTime(int hour, int minute, int second)
{
    const bool same = hour == m_hour && minute == m_minute && second == m_second && !m_badText;
    m_hour = hour;
    m_minute = minute;
    m_second = second;
    m_badText.reset();
    m_skippedTime = false;
    if (!same)
        emit timeChanged();
}

QString StartTimeEditSheet::timeText() const
{
    return m_badText ? *m_badText : QString::asprintf("%02d:%02d:%02d", m_hour, m_minute, m_second);
}

void StartTimeEditSheet::setTimeText(const QString &text)
{
    const std::optional<QString> normal = parseStartTimeText(text);
    if (!normal) {
        m_badText = text;
        emit timeChanged();
        return;
    }
    const QStringList parts = normal->split(u':');
    setTime(parts.at(0).toInt(), parts.at(1).toInt(), parts.at(2).toInt());
}

QString StartTimeEditSheet::problem() const
{
    if (m_skippedTime)
        return localized(
            QStringLiteral("The clock skips %@ on that day (summer time begins). Choose another time."),
            QStringList {timeText()});
    if (!m_badText)
        return {};
    return localized(QStringLiteral("\"%@\" is not a time of day. Type it as 9:30, 9.30 or 09:30."),
        QStringList {m_badText->trimmed()});
}

bool StartTimeEditSheet::edit(const QString &participantId, const QString &firstStartText)
{
    if (!store())
        return false;
    const Participant *p = findParticipant(store()->race(), QUuid::fromString(participantId));
    if (!p)
        return false;
    m_participant = p->id;
    m_name = (p->givenName + u' ' + p->familyName).trimmed();
    m_card = p->cardNumber;
    std::optional<QDateTime> seed = store()->scheduledStartTime(*p);
    if (!seed)
        seed = store()->startTimeOnStartListDay(firstStartText);
    const QTime time = seed ? seed->toLocalTime().time() : QTime(9, 0);
    m_badText.reset();
    m_skippedTime = false;
    m_hour = time.hour();
    m_minute = time.minute();
    m_second = time.second();
    emit showingChanged();
    emit timeChanged();
    return true;
}

bool StartTimeEditSheet::save()
{
    if (!m_participant || m_badText)
        return false;
    if (store()) {
        // The store takes the runner as it is now: its day is that of its current start.
        const Participant *p = findParticipant(store()->race(), *m_participant);
        if (p && !store()->saveEditedStartTime(*p, m_hour, m_minute, m_second)) {
            m_skippedTime = true;
            emit timeChanged();
            return false;
        }
    }
    close();
    return true;
}

void StartTimeEditSheet::clear()
{
    if (m_participant && store())
        store()->setParticipantStartTime(*m_participant, std::nullopt);
    close();
}

void StartTimeEditSheet::cancel()
{
    close();
}

void StartTimeEditSheet::close()
{
    m_participant.reset();
    m_badText.reset();
    m_skippedTime = false;
    emit showingChanged();
    emit timeChanged();
}
