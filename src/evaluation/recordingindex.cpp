#include "recordingindex.h"

#include "racelookup.h"

#include <algorithm>
#include <bit>
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

// Groups `rows` by key through a table of 2^`bits` buckets chosen by `hashOf` (a counting sort, so
// rows keep storage order within a bucket, then a stable sort of each bucket's few rows by key).
// Calls `group` with each key's rows in storage order, bucket after bucket, and leaves in `buckets`
// where each bucket's groups begin in the order `group` was called.
template<typename Row, typename HashOf, typename Less, typename Group>
void groupRows(const std::vector<Row> &rows, int bits, auto &buckets, HashOf hashOf, Less less, Group group)
{
    const size_t count = size_t(1) << bits;
    buckets.shift = 64 - bits;
    buckets.starts.assign(count + 1, 0);
    for (const Row &row : rows)
        ++buckets.starts[size_t(hashOf(row) >> buckets.shift) + 1];
    for (size_t b = 0; b < count; ++b)
        buckets.starts[b + 1] += buckets.starts[b];
    // Each bucket's start moves on as its rows arrive, ending at the next bucket's start; the
    // starts are then found one place further on.
    std::unique_ptr<Row[]> sorted(new Row[rows.size()]);
    for (const Row &row : rows)
        sorted[buckets.starts[size_t(hashOf(row) >> buckets.shift)]++] = row;
    std::move_backward(buckets.starts.begin(), buckets.starts.end() - 1, buckets.starts.end());
    buckets.starts[0] = 0;
    quint32 groups = 0;
    for (size_t b = 0; b < count; ++b) {
        Row *begin = sorted.get() + buckets.starts[b];
        Row *end = sorted.get() + buckets.starts[b + 1];
        buckets.starts[b] = groups;
        // Insertion sort: stable, in place, and quick for the one or two rows a bucket holds.
        for (Row *i = begin + 1; i < end; ++i) {
            Row row = *i;
            Row *j = i;
            for (; j != begin && less(row, j[-1]); --j)
                *j = j[-1];
            *j = row;
        }
        while (begin != end) {
            Row *last = begin + 1;
            while (last != end && !less(*begin, *last))
                ++last;
            group(begin, last);
            ++groups;
            begin = last;
        }
    }
    buckets.starts[count] = groups;
}

// Enough buckets for a few keys each: the counts stay small and a bucket is scanned in a few steps.
int bucketBits(size_t rows)
{
    return std::clamp(int(std::bit_width(rows)) - 2, 4, 30);
}

} // namespace

quint64 RecordingIndex::hash(quint64 card)
{
    return (card ^ card >> 29) * 0x9E3779B97F4A7C15ULL;
}

quint64 RecordingIndex::hash(const CardStage &key)
{
    return hash(key.card ^ quint64(key.stage) * 0xC4CEB9FE1A85EC53ULL);
}

quint64 RecordingIndex::hash(const RunnerStage &key)
{
    return hash(key.high ^ key.low * 0xFF51AFD7ED558CCDULL ^ quint64(key.stage) * 0xC4CEB9FE1A85EC53ULL);
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

RecordingIndex::RunnerStage RecordingIndex::runner(const QUuid &id, quint32 stage)
{
    RunnerStage key;
    key.high = quint64(id.data1) << 32 | quint64(id.data2) << 16 | id.data3;
    for (const uchar byte : id.data4)
        key.low = key.low << 8 | byte;
    key.stage = stage;
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

    {
        std::vector<CardEntry> entries;
        entries.reserve(size_t(race.participants.size()));
        const qsizetype count = race.participants.size();
        for (qsizetype i = 0; i < count; ++i) {
            bool isBlank = false;
            const quint64 key = entryCardKey(race.participants[i].cardNumber, isBlank);
            if (!isBlank)
                entries.push_back({key, quint32(i)});
        }
        m_byCard.clear();
        m_byCard.reserve(entries.size());
        // The first entry holding a number is the one a read finds.
        groupRows(
            entries, bucketBits(entries.size()), m_cardBuckets,
            [](const CardEntry &e) { return hash(e.card); },
            [](const CardEntry &a, const CardEntry &b) { return a.card < b.card; },
            [this](const CardEntry *first, const CardEntry *) { m_byCard.push_back(*first); });
    }

    const qsizetype count = race.results.size();
    std::vector<RunnerRow> runners;
    std::vector<CardRow> cards;
    runners.reserve(size_t(count));
    cards.reserve(size_t(count));
    // Results of one stage mostly follow each other: the last stage's codes are reused.
    const QString *lastStage = nullptr;
    StageCodes lastCodes;
    for (qsizetype i = 0; i < count; ++i) {
        const PersonResult &result = race.results[i];
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
        runners.push_back({runner(result.participantId, codes.canonical), quint32(i)});
        cards.push_back({{cardKey(result.cardNumber), codes.exact}, quint32(i)});
    }

    const int bits = bucketBits(size_t(count));
    m_latestResult.clear();
    m_latestResult.reserve(runners.size());
    // The last row of each key holds the key's last result in list order.
    groupRows(
        runners, bits, m_resultBuckets, [](const RunnerRow &r) { return hash(r.key); },
        [](const RunnerRow &a, const RunnerRow &b) {
            if (a.key.high != b.key.high)
                return a.key.high < b.key.high;
            if (a.key.low != b.key.low)
                return a.key.low < b.key.low;
            return a.key.stage < b.key.stage;
        },
        [this](const RunnerRow *, const RunnerRow *end) { m_latestResult.push_back(end[-1]); });

    m_cardKeys.clear();
    m_cardStates.clear();
    m_cardKeys.reserve(cards.size());
    m_cardStates.reserve(cards.size());
    // Each key's reads in list order, as appending them one by one would see them.
    groupRows(
        cards, bits, m_readBuckets, [](const CardRow &r) { return hash(r.key); },
        [](const CardRow &a, const CardRow &b) {
            return a.key.card != b.key.card ? a.key.card < b.key.card : a.key.stage < b.key.stage;
        },
        [this, &race](const CardRow *first, const CardRow *end) {
            CardState state;
            state.latestRead = first->result;
            state.latestResult = first->result;
            for (const CardRow *row = first + 1; row != end; ++row) {
                const QDateTime &readAt = race.results[row->result].readAt;
                const QDateTime &latest = race.results[state.latestRead].readAt;
                if (!latest.isValid() || readAt > latest)
                    state.latestRead = row->result;
                if (readAt >= race.results[state.latestRead].readAt)
                    state.latestResult = row->result;
            }
            m_cardKeys.push_back(first->key);
            m_cardStates.push_back(state);
        });

    m_participants = race.participants.size();
    m_results = count;
    m_built = true;
}

const RecordingIndex::CardState *RecordingIndex::cardState(const CardStage &key) const
{
    const auto appended = m_appendedCard.constFind(key);
    if (appended != m_appendedCard.constEnd())
        return &*appended;
    const auto [begin, end] = m_readBuckets.range(hash(key));
    for (quint32 i = begin; i < end; ++i) {
        if (m_cardKeys[i] == key)
            return &m_cardStates[i];
    }
    return nullptr;
}

void RecordingIndex::add(const Race &race, qsizetype index)
{
    const PersonResult &result = race.results[index];
    const StageCodes codes = stageCodes(result.stageId);
    m_appendedResult.insert(runner(result.participantId, codes.canonical), index);
    const CardStage key {cardKey(result.cardNumber), codes.exact};
    const CardState *before = cardState(key);
    CardState state = before ? *before : CardState();
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
        const auto [begin, end] = m_cardBuckets.range(hash(key));
        qsizetype index = -1;
        for (quint32 i = begin; i < end; ++i) {
            if (m_byCard[i].card == key)
                index = m_byCard[i].participant;
        }
        if (index < 0)
            return nullptr;
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
        const RunnerStage key = runner(participantId, stage);
        qsizetype index = m_appendedResult.value(key, -1);
        if (index < 0) {
            const auto [begin, end] = m_resultBuckets.range(hash(key));
            for (quint32 i = begin; i < end; ++i) {
                if (m_latestResult[i].key == key)
                    index = m_latestResult[i].result;
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
    const CardState *state = card == noKey ? nullptr : cardState({card, stage});
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
        const CardState *state = card == noKey ? nullptr : cardState({card, stage});
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
