// RaceStore: card recording, result re-evaluation, standings and the participant, result and
// unmatched-card operations. Each wrapper runs its free function and then publishes, saves and
// (for card recording on a slave) submits exactly as that function reports.

#include "cardrecording.h"
#include "coursematch.h"
#include "log.h"
#include "racestore.h"
#include "resultoperations.h"
#include "standings.h"

// ---- Participant, result and unmatched-card operations -----------------------------------------

void RaceStore::setParticipantStatus(const QUuid &participantId,
    const std::optional<ParticipantStatus> &status, const std::optional<QString> &stageId)
{
    if (::setParticipantStatus(m_race, participantId, status, stageId)) {
        commitChange();
    }
}

void RaceStore::updateParticipant(const Participant &participant)
{
    if (::updateParticipant(m_race, participant)) {
        commitChange();
    }
}

void RaceStore::addParticipant(const Participant &participant)
{
    m_race.participants.append(participant);
    commitChange();
}

void RaceStore::deleteParticipant(const QUuid &participantId)
{
    if (::deleteParticipant(m_race, participantId)) {
        commitChange();
    }
}

void RaceStore::setParticipantCourse(const QUuid &participantId, const std::optional<QString> &courseId)
{
    if (::setParticipantCourse(m_race, participantId, courseId)) {
        commitChange();
    }
}

void RaceStore::deleteResult(const QUuid &resultId)
{
    if (::deleteResult(m_race, resultId)) {
        commitChange();
    }
}

void RaceStore::overrideResultStatus(
    const QUuid &resultId, const std::optional<bool> &completed, const std::optional<QString> &note)
{
    if (::overrideResultStatus(m_race, resultId, completed, note)) {
        commitChange();
    }
}

void RaceStore::setVexloWebEventId(const QString &eventId)
{
    if (::setVexloWebEventId(m_race, eventId))
        commitChange();
}

void RaceStore::setVexloWebChecklistKey(const QString &key)
{
    if (::setVexloWebChecklistKey(m_race, key))
        commitChange();
}

void RaceStore::setVexloWebChecklistKeyIfNotEmpty(const QString &key)
{
    if (::setVexloWebChecklistKeyIfNotEmpty(m_race, key))
        commitChange();
}

QList<RaceClass> RaceStore::classesUsingCourse(const Course &course) const
{
    return ::classesUsingCourse(m_race, course);
}

QList<Participant> RaceStore::candidateParticipants(const Course &course) const
{
    return ::candidateParticipants(m_race, course);
}

// ---- Evaluation and results operations ---------------------------------------------------------

std::optional<PersonResult> RaceStore::recordCardReading(const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime)
{
    if (m_stationSettings->role() == StationRole::Slave && m_syncEngine->isRunning()
        && m_syncEngine->role() == StationRole::Slave && !m_syncEngine->holdsMasterEvent()) {
        // Without the master's event this station cannot tell whose card it is: the read-out goes
        // to the master, which records it (kept on disk until the master's event holds it).
        PersonResult readOut;
        readOut.participantId = QUuid();
        readOut.cardNumber = cardNumber;
        readOut.punches = punches;
        readOut.cardStartTime = startPunchTime;
        readOut.finishTime = finishPunchTime;
        readOut.readAt = m_clock();
        logLine(QStringLiteral("SI: card ") + cardNumber
            + QStringLiteral(" sent to the master: this station has no copy of the event yet"));
        m_syncEngine->submitResult(readOut);
        return std::nullopt;
    }
    return recordReading(false, cardNumber, cardNumber, punches, checkPunchTime, startPunchTime,
        finishPunchTime, std::nullopt);
}

std::optional<PersonResult> RaceStore::registerAndRecord(const Participant &participant,
    const QString &cardNumber, const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime,
    const std::optional<QUuid> &keptCard)
{
    m_race.participants.append(participant);
    return recordReading(true, participant.cardNumber, cardNumber, punches, checkPunchTime, startPunchTime,
        finishPunchTime, keptCard);
}

std::optional<PersonResult> RaceStore::assignAndRecord(const QUuid &participantId,
    const std::optional<Course> &course, const QString &cardNumber, const QList<SIPunch> &punches,
    const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
    const std::optional<QDateTime> &finishPunchTime, const std::optional<QUuid> &keptCard)
{
    const bool assigned = ::assignUnmatchedCard(m_race, cardNumber, participantId, course);
    return recordReading(
        assigned, cardNumber, cardNumber, punches, checkPunchTime, startPunchTime, finishPunchTime, keptCard);
}

std::optional<PersonResult> RaceStore::recordReading(bool changed, const QString &recordedNumber,
    const QString &cardNumber, const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime,
    const std::optional<QUuid> &keptCard)
{
    // The results as the journal holds them, untouched since: this read's record need only hold
    // what it appends after them. Let go of first: the append would otherwise copy every result.
    std::optional<qsizetype> resultsKept;
    if (resultsAsJournalled())
        resultsKept = m_race.results.size();
    m_resultsAsJournalled.reset();
    m_cardsRead = true;
    if (changed)
        m_recordingIndex.invalidate(); // the look-ups must be in step with the race they record into
    CardRecording recording
        = ::recordCardReading(m_race, recordedNumber, punches, checkPunchTime, startPunchTime,
            finishPunchTime, m_readOutIdentity ? m_readOutIdentity->second : m_clock(), &m_recordingIndex);
    if (m_readOutIdentity) {
        // A slave's read-out: what it leaves in the event carries the id the slave knows it by.
        if (recording.appended) {
            m_race.results.last().id = m_readOutIdentity->first;
            recording.result->id = m_readOutIdentity->first;
        } else if (recording.unknownCardAppended) {
            m_race.unknownCards->last().id = m_readOutIdentity->first;
            recording.unknownCard = m_readOutIdentity->first;
        }
    }
    // The runner's entry lost a did-not-start mark: published and journalled with the result.
    m_lastReadClearedNotStarted = recording.clearedNotStarted;
    changed = changed || recording.clearedNotStarted;
    if (recording.result) {
        // Kept cards are not in the look-ups: settling them leaves the index in step.
        QList<QUuid> settled;
        if (recordedNumber != cardNumber && m_race.unknownCards) {
            for (const UnknownCard &kept : std::as_const(*m_race.unknownCards))
                if (holdsReadOut(
                        kept, cardNumber, punches, startPunchTime, finishPunchTime, m_race.activeStageId))
                    settled.append(kept.id);
        }
        if (keptCard)
            settled.append(*keptCard);
        for (const QUuid &id : std::as_const(settled))
            changed = removeUnknownCard(m_race, id) || changed;
    }
    // On disk, as one record, before anything else happens: the runner's result survives a crash
    // from here on, and whatever the operation changed first never stands without it.
    bool journalled = false;
    if (changed || recording.appended || recording.unknownCardAppended
        || !recording.settledUnknownCards.isEmpty()) {
        journalled = journalChanges(resultsKept);
        // The journal's state has the race's results now: the next read compares only its own.
        if (journalled)
            m_resultsAsJournalled = m_race.results;
        if (changed)
            publishRace();
        else
            emit raceChanged(); // the look-ups already hold the appended result; kept cards are not in them
    }
    // Right after the journal: the engine's outbox file has it before anything else happens, so
    // no moment exists in which a restart or a snapshot could lose it for the master.
    const bool submit
        = recording.appended && recording.result && m_stationSettings->role() == StationRole::Slave;
    if (submit)
        m_syncEngine->keepResult(*recording.result);
    // Nothing changed the race since its record (the look-ups and the outbox are not the race).
    if ((recording.save || changed) && journalled)
        saveJournalled();
    else if (recording.save || changed)
        autosave();
    // After the autosave, so a master never hears of a result this station has not kept; a
    // repeated read was submitted when it was first appended.
    if (submit)
        m_syncEngine->submitResult(*recording.result);
    return recording.result;
}

void RaceStore::dismissUnknownCard(QUuid cardId)
{
    if (!removeUnknownCard(m_race, cardId))
        return;
    commitChange();
}

void RaceStore::reevaluateResult(const PersonResult &edited)
{
    if (::reevaluateResult(m_race, edited)) {
        commitChange();
    }
}

std::optional<QDateTime> RaceStore::latestReadOfCard(const QString &cardNumber) const
{
    return m_recordingIndex.latestRead(m_race, cardNumber, m_race.activeStageId);
}

QList<StandingsRow> RaceStore::rankedResults(const QString &classId) const
{
    return ::rankedResults(m_race, classId);
}

QList<Course> RaceStore::candidateCourses(const RaceClass *raceClass) const
{
    return ::candidateCourses(m_race, raceClass, m_race.activeStageId);
}
