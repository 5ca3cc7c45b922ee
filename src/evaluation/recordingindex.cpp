#include "recordingindex.h"

#include "racelookup.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace {

constexpr quint64 textKeyBit = quint64(1) << 63;

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

// The number a text is the plain decimal form of, or `fail`. Leading zeros and more than 18 digits
// (which could overflow into the text keys) keep the text apart from the number.
quint64 decimalKey(const QString &text, quint64 fail)
{
    const qsizetype size = text.size();
    if (size == 0 || size > 18)
        return fail;
    const QChar *c = text.constData();
    if (size > 1 && c[0] == u'0')
        return fail;
    quint64 value = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = c[i].unicode();
        if (u < u'0' || u > u'9')
            return fail;
        value = value * 10 + (u - u'0');
    }
    return value;
}

// How far ahead of the row being read the walks over the entries and results ask for the record
// (`recordsAhead`) and for the card text it points at (`textsAhead`, by then in the cache).
constexpr qsizetype recordsAhead = 16;
constexpr qsizetype textsAhead = 8;
constexpr size_t tableAhead = 8;

} // namespace

quint64 RecordingIndex::hash(quint64 card)
{
    return (card ^ card >> 29) * 0x9E3779B97F4A7C15ULL;
}

quint64 RecordingIndex::hash(const RunnerId &runner)
{
    return hash(runner.high ^ runner.low * 0xFF51AFD7ED558CCDULL);
}

template<typename Key> void RecordingIndex::Numbering<Key>::reset(size_t expected)
{
    count = 0;
    const size_t size = std::bit_ceil(std::max<size_t>(16, 2 * expected));
    // A table grown in the last build is kept unless it is far larger than needed.
    if (table.size() < size || table.size() > 8 * size) {
        table.assign(size, Slot());
        generation = 0;
    }
    shift = 64 - std::countr_zero(table.size());
    if (++generation == 0) {
        std::fill(table.begin(), table.end(), Slot());
        generation = 1;
    }
}

template<typename Key> void RecordingIndex::Numbering<Key>::grow()
{
    std::vector<Slot> old(2 * table.size());
    old.swap(table);
    --shift;
    const size_t mask = table.size() - 1;
    for (const Slot &slot : old) {
        if (slot.generation != generation)
            continue;
        size_t i = size_t(hash(slot.key) >> shift);
        while (table[i].generation == generation)
            i = (i + 1) & mask;
        table[i] = slot;
    }
}

template<typename Key> quint32 RecordingIndex::Numbering<Key>::insert(const Key &key)
{
    if (2 * (size_t(count) + 1) > table.size())
        grow();
    const size_t mask = table.size() - 1;
    for (size_t i = size_t(hash(key) >> shift);; i = (i + 1) & mask) {
        Slot &slot = table[i];
        if (slot.generation != generation) {
            slot = {key, count, generation};
            return count++;
        }
        if (slot.key == key)
            return slot.number;
    }
}

template<typename Key> quint32 RecordingIndex::Numbering<Key>::find(const Key &key) const
{
    if (table.empty())
        return none;
    const size_t mask = table.size() - 1;
    for (size_t i = size_t(hash(key) >> shift);; i = (i + 1) & mask) {
        const Slot &slot = table[i];
        if (slot.generation != generation)
            return none;
        if (slot.key == key)
            return slot.number;
    }
}

// By the digits: a number stored as typed ("2 000 009") is card 2000009. Plain digits and spaces
// are read in place; anything else goes by the text without its spaces.
quint64 RecordingIndex::entryCardKey(const QString &text, bool &isBlank)
{
    quint64 value = 0;
    qsizetype digits = 0;
    bool leadingZero = false;
    bool other = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= u'0' && u <= u'9') {
            if (digits++ == 0)
                leadingZero = u == u'0';
            value = value * 10 + (u - u'0');
        } else if (!isCardNumberSpace(c)) {
            other = true;
            break;
        }
    }
    isBlank = false;
    if (!other) {
        if (digits == 0) {
            isBlank = true;
            return noKey;
        }
        if (digits <= 18 && !(leadingZero && digits > 1))
            return value;
    }
    const QString number = cardNumberWithoutSpaces(text);
    isBlank = blank(number);
    return isBlank ? noKey : cardKey(number);
}

quint64 RecordingIndex::cardKey(const QString &text)
{
    const quint64 number = decimalKey(text, noKey);
    if (number != noKey)
        return number;
    auto rank = m_cardTexts.constFind(text);
    if (rank == m_cardTexts.constEnd())
        rank = m_cardTexts.insert(text, quint32(m_cardTexts.size()));
    return textKeyBit | *rank;
}

quint64 RecordingIndex::foundCardKey(const QString &text) const
{
    const quint64 number = decimalKey(text, noKey);
    if (number != noKey)
        return number;
    const auto found = m_cardTexts.constFind(text);
    return found == m_cardTexts.constEnd() ? noKey : textKeyBit | *found;
}

RecordingIndex::StageCodes RecordingIndex::stageCodes(const std::optional<QString> &stageId)
{
    if (!stageId)
        return {};
    const auto found = m_stages.constFind(*stageId);
    if (found != m_stages.constEnd())
        return *found;
    const QString canonicalId = canonical(*stageId);
    auto canonicalCode = m_canonicalStages.constFind(canonicalId);
    if (canonicalCode == m_canonicalStages.constEnd())
        canonicalCode = m_canonicalStages.insert(canonicalId, quint32(m_canonicalStages.size() + 1));
    const StageCodes codes {quint32(m_stages.size() + 1), *canonicalCode};
    m_stages.insert(*stageId, codes);
    return codes;
}

RecordingIndex::RunnerId RecordingIndex::runnerId(const QUuid &id)
{
    // The id's sixteen bytes as they lie: two ids are equal exactly when their halves are.
    static_assert(sizeof(QUuid) == 2 * sizeof(quint64));
    RunnerId key;
    std::memcpy(&key.high, &id, sizeof key.high);
    std::memcpy(&key.low, reinterpret_cast<const char *>(&id) + sizeof key.high, sizeof key.low);
    return key;
}

void RecordingIndex::ensure(const Race &race)
{
    if (m_built && m_participants == race.participants.size() && m_results == race.results.size())
        return;
    m_cardTexts.clear();
    m_stages.clear();
    m_canonicalStages.clear();
    m_appendedResult.clear();
    m_appendedCard.clear();

    // The walks below read a few fields of each record in stored order and the card text each
    // points at, which lies in an allocation of its own: both are asked for ahead, so that many
    // of them are on their way at once. Everything else they touch is sized by the number of
    // distinct runners and cards rather than by the bytes of the records.
    const qsizetype entries = race.participants.size();
    m_cards.reset(size_t(entries));
    m_cardEntry.clear();
    {
        // A key goes into the table `tableAhead` entries after it is read, its slot asked for
        // in between.
        std::array<quint64, tableAhead> pending {};
        const auto settle = [&](qsizetype i) {
            const quint64 key = pending[size_t(i) % tableAhead];
            // Numbers are handed out in order: a new one is a number no earlier entry holds.
            if (key != noKey && m_cards.insert(key) == m_cardEntry.size())
                m_cardEntry.push_back(quint32(i));
        };
        const Participant *const participants = race.participants.constData();
        for (qsizetype i = 0; i < entries; ++i) {
            if (i + recordsAhead < entries)
                __builtin_prefetch(&participants[i + recordsAhead].cardNumber);
            if (i + textsAhead < entries)
                __builtin_prefetch(participants[i + textsAhead].cardNumber.constData());
            if (i >= qsizetype(tableAhead))
                settle(i - qsizetype(tableAhead));
            bool isBlank = false;
            const quint64 key = entryCardKey(participants[i].cardNumber, isBlank);
            pending[size_t(i) % tableAhead] = isBlank ? noKey : key;
            if (!isBlank)
                m_cards.prefetch(key);
        }
        for (qsizetype i = std::max<qsizetype>(0, entries - qsizetype(tableAhead)); i < entries; ++i)
            settle(i);
    }
    m_cardStarts.assign(m_cards.count, 0);

    const qsizetype count = race.results.size();
    const PersonResult *const results = race.results.constData();
    m_runners.reset(size_t(entries));
    m_runnerStarts.clear();
    m_resultKeys.resize(size_t(count));
    struct Pending
    {
        RunnerId runner;
        quint64 card = 0;
        StageCodes codes;
    };
    std::array<Pending, tableAhead> pending {};
    const auto settle = [&](qsizetype i) {
        const Pending &keys = pending[size_t(i) % tableAhead];
        const quint32 runner = m_runners.insert(keys.runner);
        if (runner == m_runnerStarts.size())
            m_runnerStarts.push_back(0);
        ++m_runnerStarts[runner];
        const quint32 card = m_cards.insert(keys.card);
        if (card == m_cardStarts.size())
            m_cardStarts.push_back(0);
        ++m_cardStarts[card];
        m_resultKeys[size_t(i)] = {runner, card, keys.codes.exact, keys.codes.canonical};
    };
    // Results of one stage mostly follow each other: the last stage's codes are reused.
    const QString *lastStage = nullptr;
    StageCodes lastCodes;
    for (qsizetype i = 0; i < count; ++i) {
        if (i + recordsAhead < count) {
            const PersonResult &ahead = results[i + recordsAhead];
            __builtin_prefetch(&ahead.participantId);
            __builtin_prefetch(&ahead.cardNumber);
            __builtin_prefetch(&ahead.stageId);
            __builtin_prefetch(reinterpret_cast<const char *>(&ahead.stageId) + sizeof ahead.stageId - 1);
        }
        if (i + textsAhead < count)
            __builtin_prefetch(results[i + textsAhead].cardNumber.constData());
        const PersonResult &result = results[i];
        StageCodes codes;
        if (result.stageId) {
            const QString &id = *result.stageId;
            // Ids copied from one another share their text: no need to compare it.
            const bool same = lastStage
                && (lastStage->constData() == id.constData() ? lastStage->size() == id.size()
                                                             : *lastStage == id);
            if (!same) {
                lastCodes = stageCodes(result.stageId);
                lastStage = &*result.stageId;
            }
            codes = lastCodes;
        }
        if (i >= qsizetype(tableAhead))
            settle(i - qsizetype(tableAhead));
        Pending &keys = pending[size_t(i) % tableAhead];
        keys = {runnerId(result.participantId), cardKey(result.cardNumber), codes};
        m_runners.prefetch(keys.runner);
        m_cards.prefetch(keys.card);
    }
    for (qsizetype i = std::max<qsizetype>(0, count - qsizetype(tableAhead)); i < count; ++i)
        settle(i);
    m_cardEntry.resize(m_cards.count, none);

    // Each runner's and card's rows in list order (a counting sort on their numbers), then
    // one row per stage: the runner's last result, and what the card's reads come to as
    // appending them one by one would see them.
    const auto countsToStarts = [](std::vector<quint32> &starts) {
        quint32 sum = 0;
        for (quint32 &start : starts)
            sum += std::exchange(start, sum);
        starts.push_back(sum);
    };
    // After the rows are placed, each start has moved on to where the next number's rows begin.
    const auto placedToStarts = [](std::vector<quint32> &starts) {
        if (starts.size() < 2)
            return;
        std::move_backward(starts.begin(), starts.end() - 2, starts.end() - 1);
        starts[0] = 0;
    };

    countsToStarts(m_runnerStarts);
    m_runnerLatest.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const ResultKeys &keys = m_resultKeys[size_t(i)];
        m_runnerLatest[m_runnerStarts[keys.runner]++] = {keys.canonicalStage, quint32(i)};
    }
    placedToStarts(m_runnerStarts);
    // The rows are grouped over themselves: no runner keeps more rows than it has.
    m_stageSlots.assign(size_t(m_canonicalStages.size()) + 1, {none, 0});
    quint32 kept = 0;
    for (size_t runner = 0; runner + 1 < m_runnerStarts.size(); ++runner) {
        const quint32 end = m_runnerStarts[runner + 1];
        quint32 row = std::exchange(m_runnerStarts[runner], kept);
        for (; row < end; ++row) {
            const StageResult read = m_runnerLatest[row];
            StageSlot &slot = m_stageSlots[read.stage];
            if (slot.owner == runner) {
                m_runnerLatest[slot.at].result = read.result;
            } else {
                slot = {quint32(runner), kept};
                m_runnerLatest[kept++] = read;
            }
        }
    }
    m_runnerStarts.back() = kept;

    countsToStarts(m_cardStarts);
    m_cardReads.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const ResultKeys &keys = m_resultKeys[size_t(i)];
        m_cardReads[m_cardStarts[keys.card]++] = {keys.exactStage, quint32(i)};
    }
    placedToStarts(m_cardStarts);
    m_stageSlots.assign(size_t(m_stages.size()) + 1, {none, 0});
    m_cardStates.clear();
    m_cardStates.reserve(size_t(count));
    for (size_t card = 0; card + 1 < m_cardStarts.size(); ++card) {
        const quint32 end = m_cardStarts[card + 1];
        quint32 row = std::exchange(m_cardStarts[card], quint32(m_cardStates.size()));
        for (; row < end; ++row) {
            const StageResult read = m_cardReads[row];
            StageSlot &slot = m_stageSlots[read.stage];
            if (slot.owner != card) {
                slot = {quint32(card), quint32(m_cardStates.size())};
                m_cardStates.push_back({read.stage, read.result, read.result});
                continue;
            }
            CardStateRow &state = m_cardStates[slot.at];
            const QDateTime &readAt = results[read.result].readAt;
            const QDateTime &latest = results[state.latestRead].readAt;
            if (!latest.isValid() || readAt > latest)
                state.latestRead = read.result;
            if (readAt >= results[state.latestRead].readAt)
                state.latestResult = read.result;
        }
    }
    m_cardStarts.back() = quint32(m_cardStates.size());

    m_participants = entries;
    m_results = count;
    m_built = true;
}

std::optional<RecordingIndex::CardState> RecordingIndex::cardState(const CardStage &key) const
{
    const auto appended = m_appendedCard.constFind(key);
    if (appended != m_appendedCard.constEnd())
        return *appended;
    const quint32 card = m_cards.find(key.card);
    if (card == none || card + 1 >= m_cardStarts.size())
        return std::nullopt;
    for (quint32 i = m_cardStarts[card]; i < m_cardStarts[card + 1]; ++i) {
        const CardStateRow &row = m_cardStates[i];
        if (row.stage == key.stage)
            return CardState {row.latestRead, row.latestResult};
    }
    return std::nullopt;
}

void RecordingIndex::add(const Race &race, qsizetype index)
{
    const PersonResult &result = race.results[index];
    const StageCodes codes = stageCodes(result.stageId);
    m_appendedResult.insert({runnerId(result.participantId), codes.canonical}, index);
    const CardStage key {cardKey(result.cardNumber), codes.exact};
    CardState state = cardState(key).value_or(CardState());
    if (state.latestRead < 0 || !race.results[state.latestRead].readAt.isValid()
        || result.readAt > race.results[state.latestRead].readAt)
        state.latestRead = index;
    if (result.readAt >= race.results[state.latestRead].readAt)
        state.latestResult = index;
    m_appendedCard.insert(key, state);
}

const Participant *RecordingIndex::participantWithCard(const Race &race, const QString &cardNumber)
{
    const QString number = cardNumberWithoutSpaces(cardNumber);
    if (blank(number))
        return nullptr;
    for (int attempt = 0; attempt < 2; ++attempt) {
        ensure(race);
        const quint64 key = foundCardKey(number);
        if (key == noKey)
            return nullptr;
        const quint32 card = m_cards.find(key);
        const quint32 entry = card == none ? none : m_cardEntry[card];
        if (entry == none)
            return nullptr;
        const qsizetype index = entry;
        if (index < race.participants.size()
            && cardNumberWithoutSpaces(race.participants[index].cardNumber) == number)
            return &race.participants[index];
        m_built = false;
    }
    return nullptr;
}

const PersonResult *RecordingIndex::latestResult(
    const Race &race, const QUuid &participantId, const std::optional<QString> &stageId)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        ensure(race);
        quint32 stage = 0;
        if (stageId) {
            stage = m_canonicalStages.value(canonical(*stageId), 0);
            if (stage == 0)
                return nullptr;
        }
        const RunnerStage key {runnerId(participantId), stage};
        qsizetype index = m_appendedResult.value(key, -1);
        const quint32 runner = index < 0 ? m_runners.find(key.runner) : none;
        if (runner != none) {
            for (quint32 i = m_runnerStarts[runner]; i < m_runnerStarts[runner + 1]; ++i) {
                if (m_runnerLatest[i].stage == stage)
                    index = m_runnerLatest[i].result;
            }
        }
        if (index < 0)
            return nullptr;
        if (index < race.results.size() && race.results[index].participantId == participantId)
            return &race.results[index];
        m_built = false;
    }
    return nullptr;
}

std::optional<QDateTime> RecordingIndex::latestRead(
    const Race &race, const QString &cardNumber, const std::optional<QString> &stageId)
{
    ensure(race);
    quint32 stage = 0;
    if (stageId) {
        const auto found = m_stages.constFind(*stageId);
        if (found == m_stages.constEnd())
            return std::nullopt;
        stage = found->exact;
    }
    const quint64 card = foundCardKey(cardNumber);
    const std::optional<CardState> state = card == noKey ? std::nullopt : cardState({card, stage});
    if (!state || state->latestRead < 0 || state->latestRead >= race.results.size())
        return std::nullopt;
    return race.results[state->latestRead].readAt;
}

const PersonResult *RecordingIndex::latestResultOfCard(
    const Race &race, const QString &cardNumber, const std::optional<QString> &stageId)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        ensure(race);
        quint32 stage = 0;
        if (stageId) {
            const auto found = m_stages.constFind(*stageId);
            if (found == m_stages.constEnd())
                return nullptr;
            stage = found->exact;
        }
        const quint64 card = foundCardKey(cardNumber);
        const std::optional<CardState> state = card == noKey ? std::nullopt : cardState({card, stage});
        if (!state || state->latestResult < 0)
            return nullptr;
        const qsizetype index = state->latestResult;
        if (index < race.results.size() && race.results[index].cardNumber == cardNumber)
            return &race.results[index];
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
    add(race, race.results.size() - 1);
    m_results = race.results.size();
}
