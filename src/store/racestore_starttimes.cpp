// RaceStore: start-time operations for the active stage, each saved once after all its changes.
// Each runs on a copy of the race, which is taken only when every time it wrote can be stored:
// a time the event file cannot hold would make every later save fail.

#include "iofstartlistwriter.h"
#include "log.h"
#include "racechanges.h"
#include "racejson.h"
#include "racestore.h"
#include "starttimeoperations.h"
#include "starttimetext.h"

namespace {
// The day a typed time lands on may lie outside what the event file holds (an event dated on
// the first or last day it can hold, and a time across midnight in local time).
std::optional<QDateTime> storable(const std::optional<QDateTime> &time)
{
    if (time && !isDocumentDate(*time))
        return std::nullopt;
    return time;
}
} // namespace

bool RaceStore::commitIfStorable(Race edited)
{
    // The results the new times move belong in the record made here.
    settleStartTimes(edited);
    QString error;
    RaceChanges changes = diffRace(m_race, edited);
    std::optional<RaceChangeText> text = encodeRaceChanges(changes, &error);
    if (!text) {
        logLine(QStringLiteral("RaceStore: start times not stored: ") + error);
        return false;
    }
    // The journal's state the race's own (as after every recorded change): the record just
    // written is the journal's next one, and is not written again (an import's runs to tens of
    // megabytes).
    const bool inStep = sharesRecords(m_journalled, m_race, true)
        && (m_race.results.isSharedWith(m_journalled.results) || resultsAsJournalled());
    if (inStep)
        m_prepared = PreparedChange {m_journalled, edited, std::move(changes), std::move(*text)};
    m_race = std::move(edited);
    commitChange();
    return true;
}

bool RaceStore::drawStartTimes(const QString &classId, const QDateTime &firstStart, double intervalSeconds)
{
    Race race = m_race;
    if (intervalSeconds == 0) {
        ::assignMassStart(
            race, classId.isEmpty() ? std::nullopt : std::optional<QString>(classId), firstStart);
    } else if (!::assignIntervalStartTimes(
                   race, classId, firstStart, intervalSeconds, *QRandomGenerator::global())) {
        return false;
    }
    if (!classId.isEmpty()) {
        for (RaceClass &c : race.classes) {
            if (c.id != classId)
                continue;
            c.lastUsedStartTimeSeconds = secondsOfDay(firstStart);
            c.lastUsedIntervalSeconds = intervalSeconds;
            break;
        }
    }
    return commitIfStorable(std::move(race));
}

void RaceStore::assignIntervalStartTimes(
    const QString &classId, const QDateTime &firstStart, double intervalSeconds)
{
    Race race = m_race;
    if (::assignIntervalStartTimes(race, classId, firstStart, intervalSeconds, *QRandomGenerator::global()))
        commitIfStorable(std::move(race));
}

void RaceStore::assignMassStart(const std::optional<QString> &classId, const QDateTime &start)
{
    Race race = m_race;
    ::assignMassStart(race, classId, start);
    commitIfStorable(std::move(race));
}

void RaceStore::setParticipantStartTime(const QUuid &participantId, const std::optional<QDateTime> &start)
{
    Race race = m_race;
    if (::setParticipantStartTime(race, participantId, start))
        commitIfStorable(std::move(race));
}

bool RaceStore::applyStartTimes(const QHash<QUuid, QDateTime> &times)
{
    Race race = m_race;
    ::applyStartTimes(race, times);
    return commitIfStorable(std::move(race));
}

void RaceStore::applyStartPlan(const StartGeneratorResult &plan)
{
    Race race = m_race;
    if (::applyStartPlan(race, plan))
        commitIfStorable(std::move(race));
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
    return storable(startTimeOnDay(text, startListDay(m_race, m_clock().toLocalTime().date())));
}

bool RaceStore::saveTypedStartTime(const Participant &participant, const QString &text)
{
    const std::optional<QDateTime> time = storable(
        startTimeOnDay(text, startTimeEditDay(m_race, participant, m_clock().toLocalTime().date())));
    if (!time)
        return false;
    Race race = m_race;
    if (!::setParticipantStartTime(race, participant.id, time))
        return true;
    return commitIfStorable(std::move(race));
}

bool RaceStore::saveEditedStartTime(const Participant &participant, int hour, int minute, int second)
{
    return saveTypedStartTime(participant, QString::asprintf("%02d:%02d:%02d", hour, minute, second));
}
