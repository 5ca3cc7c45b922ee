// RaceStore: start-time operations for the active stage, each saved once after all its changes.
// Each runs on a copy of the race, which is taken only when every time it wrote can be stored:
// a time the event file cannot hold would make every later save fail.

#include "cardrecording.h"
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

// Whether each moved result is the first in `results` with its id: one walk up to the last.
bool firstOfTheirIds(const QList<PersonResult> &results, const QList<MovedResult> &moved)
{
    if (moved.isEmpty())
        return true;
    QHash<QUuid, qsizetype> at;
    for (const MovedResult &m : moved)
        at.insert(m.result.id, m.index);
    const qsizetype last = moved.last().index;
    for (qsizetype i = 0; i < last; ++i) {
        const auto found = at.constFind(results[i].id);
        if (found != at.constEnd() && *found != i)
            return false;
    }
    return true;
}

} // namespace

bool RaceStore::commitIfStorable(Race edited)
{
    // The results the new times move belong in the record made here. While the operation left the
    // race's results as they were, the moved ones are put into the record by themselves and into
    // the race's list in place: the list is neither copied nor compared whole. (Replay puts each
    // in place of the first result with its id, so each must be that first one.)
    QList<MovedResult> moved = resultsMovedByRunners(m_journalled, edited);
    const bool movedApart = edited.results.isSharedWith(m_race.results)
        && firstOfTheirIds(std::as_const(edited).results, moved);
    if (!movedApart) {
        for (const MovedResult &m : std::as_const(moved))
            edited.results[m.index] = m.result;
        moved.clear();
    }
    QString error;
    RaceChanges changes = diffRace(m_race, edited);
    for (const MovedResult &m : std::as_const(moved))
        changes.puts.results.append(m.result);
    changes.changedRecords += moved.size();
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
    // Its share would make the writes below copy the list; the record lets go of it anyway.
    m_resultsAsJournalled.reset();
    m_race = std::move(edited);
    for (const MovedResult &m : std::as_const(moved))
        m_race.results[m.index] = m.result;
    if (inStep)
        m_prepared = PreparedChange {m_journalled, m_race, std::move(changes), std::move(*text)};
    publishRace(true);
    autosave();
    return true;
}

bool RaceStore::drawStartTimes(const QString &classId, const QDateTime &firstStart, double intervalSeconds,
    QStringList *startPunchClasses)
{
    Race race = m_race;
    if (intervalSeconds == 0) {
        ::assignMassStart(race, classId.isEmpty() ? std::nullopt : std::optional<QString>(classId),
            firstStart, startPunchClasses);
    } else if (!::assignIntervalStartTimes(race, classId, firstStart, intervalSeconds,
                   *QRandomGenerator::global(), startPunchClasses)) {
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
