// RaceStore: card recording, result re-evaluation and the participant, result and unmatched-card
// operations. Each wrapper runs its free function and then publishes, saves and (for card
// recording on a slave) submits exactly as that function reports.

#include "cardrecording.h"
#include "racestore.h"

// ---- Evaluation and results operations ---------------------------------------------------------

std::optional<PersonResult> RaceStore::recordCardReading(const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime)
{
    CardRecording recording = ::recordCardReading(
        m_race, cardNumber, punches, checkPunchTime, startPunchTime, finishPunchTime, m_clock());
    if (recording.appended)
        publishRace();
    if (recording.save)
        autosave();
    // After the autosave, so a master never hears of a result this station has not kept; a
    // repeated read was submitted when it was first appended.
    if (recording.appended && recording.result && m_stationSettings->role() == StationRole::Slave)
        m_syncEngine->submitResult(*recording.result);
    return recording.result;
}
