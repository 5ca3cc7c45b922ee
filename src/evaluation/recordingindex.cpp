#include "recordingindex.h"

#include "racelookup.h"

#include <algorithm>

namespace {

bool blank(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSpace(); });
}

// sameId compares ids by canonical equivalence: the key holds the canonical form. Text without
// characters from U+0300 on (where combining marks begin) is already canonical.
QString canonical(const QString &id)
{
    const bool plain = std::all_of(id.cbegin(), id.cend(), [](QChar c) { return c.unicode() < 0x300; });
    return plain ? id : id.normalized(QString::NormalizationForm_C);
}

} // namespace

void RecordingIndex::ensure(const Race &race)
{
    if (m_built && m_participants == race.participants.size() && m_results == race.results.size())
        return;
    m_byCard.clear();
    m_latestResult.clear();
    m_latestRead.clear();
    m_latestOfCard.clear();
    m_byCard.reserve(race.participants.size());
    // Backwards, so the first entry holding a number is the one left in the index.
    for (qsizetype i = race.participants.size() - 1; i >= 0; --i) {
        // By the digits: a number stored as typed ("2 000 009") is card 2000009.
        const QString number = cardNumberWithoutSpaces(race.participants[i].cardNumber);
        if (!blank(number))
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
    const bool hasStage = result.stageId.has_value();
    m_latestResult.insert(
        {QString(), result.participantId, hasStage ? canonical(*result.stageId) : QString(), hasStage},
        index);
    const Key card {result.cardNumber, QUuid(), result.stageId.value_or(QString()), hasStage};
    QDateTime &latest = m_latestRead[card];
    if (!latest.isValid() || result.readAt > latest)
        latest = result.readAt;
    if (result.readAt >= latest)
        m_latestOfCard.insert(card, index);
}

const Participant *RecordingIndex::participantWithCard(const Race &race, const QString &cardNumber)
{
    const QString number = cardNumberWithoutSpaces(cardNumber);
    if (blank(number))
        return nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        ensure(race);
        const auto found = m_byCard.constFind(number);
        if (found == m_byCard.constEnd())
            return nullptr;
        if (*found < race.participants.size()
            && cardNumberWithoutSpaces(race.participants[*found].cardNumber) == number)
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
        const auto found = m_latestResult.constFind(
            {QString(), participantId, stageId ? canonical(*stageId) : QString(), stageId.has_value()});
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
    const auto found
        = m_latestRead.constFind({cardNumber, QUuid(), stageId.value_or(QString()), stageId.has_value()});
    if (found == m_latestRead.constEnd())
        return std::nullopt;
    return *found;
}

const PersonResult *RecordingIndex::latestResultOfCard(
    const Race &race, const QString &cardNumber, const std::optional<QString> &stageId)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        ensure(race);
        const auto found = m_latestOfCard.constFind(
            {cardNumber, QUuid(), stageId.value_or(QString()), stageId.has_value()});
        if (found == m_latestOfCard.constEnd())
            return nullptr;
        if (*found < race.results.size() && race.results[*found].cardNumber == cardNumber)
            return &race.results[*found];
        m_built = false;
    }
    return nullptr;
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
