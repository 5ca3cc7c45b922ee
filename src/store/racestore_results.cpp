// RaceStore: card recording, result re-evaluation, standings and the participant, result and
// unmatched-card operations. Each wrapper runs its free function and then publishes, saves and
// (for card recording on a slave) submits exactly as that function reports.

#include "cardrecording.h"
#include "coursematch.h"
#include "racestore.h"
#include "resultoperations.h"
#include "standings.h"

// ---- Participant, result and unmatched-card operations -----------------------------------------

void RaceStore::setParticipantStatus(
    const QUuid &participantId, const std::optional<ParticipantStatus> &status)
{
    if (::setParticipantStatus(m_race, participantId, status)) {
        journalParticipant(participantId);
        commitChange();
    }
}

void RaceStore::updateParticipant(const Participant &participant)
{
    if (::updateParticipant(m_race, participant)) {
        journalParticipant(participant.id);
        commitChange();
    }
}

void RaceStore::addParticipant(const Participant &participant)
{
    m_race.participants.append(participant);
    const bool named = journalParticipant(participant.id);
    commitChange();
    // Replay takes a new entry only from a record naming the event, which records do once the
    // event's files carry its id (after its first full write): until then the files take it now.
    if (!named)
        flushAutosave();
}

void RaceStore::deleteParticipant(const QUuid &participantId)
{
    if (::deleteParticipant(m_race, participantId)) {
        journalParticipant(participantId);
        commitChange();
    }
}

void RaceStore::setParticipantCourse(const QUuid &participantId, const std::optional<QString> &courseId)
{
    if (::setParticipantCourse(m_race, participantId, courseId)) {
        journalParticipant(participantId);
        commitChange();
    }
}

void RaceStore::deleteResult(const QUuid &resultId)
{
    if (::deleteResult(m_race, resultId)) {
        journalResult(resultId);
        commitChange();
    }
}

void RaceStore::overrideResultStatus(
    const QUuid &resultId, const std::optional<bool> &completed, const std::optional<QString> &note)
{
    if (::overrideResultStatus(m_race, resultId, completed, note)) {
        journalResult(resultId);
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

void RaceStore::assignUnmatchedCard(
    const QString &cardNumber, const QUuid &participantId, const std::optional<Course> &course)
{
    if (::assignUnmatchedCard(m_race, cardNumber, participantId, course)) {
        journalParticipant(participantId);
        commitChange();
    }
}

// ---- Evaluation and results operations ---------------------------------------------------------

std::optional<PersonResult> RaceStore::recordCardReading(const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime)
{
    CardRecording recording = ::recordCardReading(m_race, cardNumber, punches, checkPunchTime, startPunchTime,
        finishPunchTime, m_clock(), &m_recordingIndex);
    if (recording.appended) {
        // On disk before anything else happens: the runner's result survives a crash from here on.
        if (m_writer)
            m_journal->putResult(*recording.result, journalEvent());
    }
    // After the result: a crash between the two keeps both, never neither.
    const bool unknownNamed = journalUnknownCards(recording);
    if (recording.appended || recording.unknownCardAppended || !recording.settledUnknownCards.isEmpty())
        emit raceChanged(); // the look-ups already hold the appended result; kept cards are not in them
    if (recording.save)
        autosave();
    // Replay takes a kept card only from a record naming the event (see addParticipant).
    if (!unknownNamed)
        flushAutosave();
    // After the autosave, so a master never hears of a result this station has not kept; a
    // repeated read was submitted when it was first appended.
    if (recording.appended && recording.result && m_stationSettings->role() == StationRole::Slave)
        m_syncEngine->submitResult(*recording.result);
    return recording.result;
}

bool RaceStore::journalUnknownCards(const CardRecording &recording)
{
    if (!m_writer || (!recording.unknownCardAppended && recording.settledUnknownCards.isEmpty()))
        return true;
    const auto event = journalEvent();
    if (recording.unknownCardAppended) {
        if (const UnknownCard *card = findUnknownCard(m_race, *recording.unknownCard))
            m_journal->putUnknownCard(*card, event);
    }
    for (const QUuid &id : recording.settledUnknownCards)
        m_journal->deleteUnknownCard(id, event);
    return event.has_value() || !recording.unknownCardAppended;
}

void RaceStore::dismissUnknownCard(QUuid cardId)
{
    if (!removeUnknownCard(m_race, cardId))
        return;
    if (m_writer)
        m_journal->deleteUnknownCard(cardId, journalEvent());
    commitChange();
}

void RaceStore::reevaluateResult(const PersonResult &edited)
{
    if (::reevaluateResult(m_race, edited)) {
        journalResult(edited.id);
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
    return ::candidateCourses(m_race, raceClass);
}
