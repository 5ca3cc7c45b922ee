#include "recordingindex.h"

namespace {

// Stage keys: absent and present stages never share a key, whatever the present id holds.
QString exactStage(const std::optional<QString> &stageId)
{
    return stageId ? QLatin1Char('=') + *stageId : QString();
}

// sameId compares ids by canonical equivalence: the key is the canonical form.
QString canonicalStage(const std::optional<QString> &stageId)
{
    return stageId ? QLatin1Char('=') + stageId->normalized(QString::NormalizationForm_C) : QString();
}

} // namespace

void RecordingIndex::ensure(const Race &race)
{
    if (m_built && m_participants == race.participants.size() && m_results == race.results.size())
        return;
    m_byCard.clear();
    m_latestResult.clear();
    m_latestRead.clear();
    m_byCard.reserve(race.participants.size());
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        const QString &number = race.participants[i].cardNumber;
        if (!number.trimmed().isEmpty() && !m_byCard.contains(number))
            m_byCard.insert(number, i);
    }
    m_latestResult.reserve(race.results.size());
    m_latestRead.reserve(race.results.size());
    for (qsizetype i = 0; i < race.results.size(); ++i)
        add(race.results[i], i);
    m_participants = race.participants.size();
    m_results = race.results.size();
    m_built = true;
}

void RecordingIndex::add(const PersonResult &result, qsizetype index)
{
    m_latestResult.insert({result.participantId, canonicalStage(result.stageId)}, index);
    QDateTime &latest = m_latestRead[{result.cardNumber, exactStage(result.stageId)}];
    if (!latest.isValid() || result.readAt > latest)
        latest = result.readAt;
}

const Participant *RecordingIndex::participantWithCard(const Race &race, const QString &cardNumber)
{
    if (cardNumber.trimmed().isEmpty())
        return nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        ensure(race);
        const auto found = m_byCard.constFind(cardNumber);
        if (found == m_byCard.constEnd())
            return nullptr;
        if (*found < race.participants.size() && race.participants[*found].cardNumber == cardNumber)
            return &race.participants[*found];
        m_built = false;
    }
    return nullptr;
}

const PersonResult *RecordingIndex::latestResult(
    const Race &race, const QUuid &participantId, const std::optional<QString> &stageId)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        ensure(race);
        const auto found = m_latestResult.constFind({participantId, canonicalStage(stageId)});
        if (found == m_latestResult.constEnd())
            return nullptr;
        if (*found < race.results.size() && race.results[*found].participantId == participantId)
            return &race.results[*found];
        m_built = false;
    }
    return nullptr;
}

std::optional<QDateTime> RecordingIndex::latestRead(
    const Race &race, const QString &cardNumber, const std::optional<QString> &stageId)
{
    ensure(race);
    const auto found = m_latestRead.constFind({cardNumber, exactStage(stageId)});
    if (found == m_latestRead.constEnd())
        return std::nullopt;
    return *found;
}

void RecordingIndex::resultAppended(const Race &race)
{
    if (!m_built || m_results + 1 != race.results.size()) {
        m_built = false;
        return;
    }
    add(race.results.last(), race.results.size() - 1);
    m_results = race.results.size();
}
