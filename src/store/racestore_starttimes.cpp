// RaceStore: start-time operations for the active stage, each saved once after all its changes.

#include "racestore.h"
#include "starttimeoperations.h"
#include "starttimetext.h"

void RaceStore::assignIntervalStartTimes(
    const QString &classId, const QDateTime &firstStart, double intervalSeconds)
{
    if (::assignIntervalStartTimes(m_race, classId, firstStart, intervalSeconds, *QRandomGenerator::global()))
        commitChange();
}

void RaceStore::assignMassStart(const std::optional<QString> &classId, const QDateTime &start)
{
    ::assignMassStart(m_race, classId, start);
    commitChange();
}

void RaceStore::setParticipantStartTime(const QUuid &participantId, const std::optional<QDateTime> &start)
{
    if (::setParticipantStartTime(m_race, participantId, start))
        commitChange();
}

void RaceStore::applyStartTimes(const QHash<QUuid, QDateTime> &times)
{
    ::applyStartTimes(m_race, times);
    commitChange();
}

void RaceStore::applyStartPlan(const StartGeneratorResult &plan)
{
    if (::applyStartPlan(m_race, plan))
        commitChange();
}

void RaceStore::setStartTimePreference(
    const QUuid &participantId, const std::optional<StartTimePreference> &preference)
{
    if (::setStartTimePreference(m_race, participantId, preference))
        commitChange();
}

void RaceStore::reorderStartTimes(const QList<QUuid> &orderedIds)
{
    ::reorderStartTimes(m_race, orderedIds);
    commitChange();
}

qsizetype RaceStore::clearStartTimes(const QList<QUuid> &ids)
{
    const qsizetype cleared = ::clearStartTimes(m_race, ids);
    if (cleared > 0)
        commitChange();
    return cleared;
}

std::optional<QDateTime> RaceStore::startTimeOnStartListDay(const QString &text) const
{
    return startTimeOnDay(text, startListDay(m_race, m_clock().toLocalTime().date()));
}

bool RaceStore::saveTypedStartTime(const Participant &participant, const QString &text)
{
    const std::optional<QDateTime> time
        = startTimeOnDay(text, startTimeEditDay(m_race, participant, m_clock().toLocalTime().date()));
    if (!time)
        return false;
    setParticipantStartTime(participant.id, time);
    return true;
}

bool RaceStore::saveEditedStartTime(const Participant &participant, int hour, int minute, int second)
{
    return saveTypedStartTime(participant, QString::asprintf("%02d:%02d:%02d", hour, minute, second));
}
