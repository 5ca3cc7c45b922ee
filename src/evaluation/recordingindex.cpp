#include "recordingindex.h"

#include "racelookup.h"

#include <algorithm>
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

// Sorts `rows` by bucket, 2^`bits` buckets chosen by the top bits of `hashOf` (a counting sort, so
// rows keep storage order within a bucket), using `scratch` as room. Leaves the sorted rows in
// `rows` and in `buckets` where each bucket begins. (Scattering in two steps, first into a few
// parts whose ends stay in the cache, measured slower here than writing each row to its place.)
template<typename Row, typename HashOf>
void sortIntoBuckets(
    std::vector<Row> &rows, std::vector<Row> &scratch, int bits, auto &buckets, HashOf hashOf)
{
    const size_t count = size_t(1) << bits;
    buckets.shift = 64 - bits;
    const int shift = buckets.shift;
    std::vector<quint32> &starts = buckets.starts;
    starts.assign(count + 1, 0);
    for (const Row &row : rows)
        ++starts[size_t(hashOf(row) >> shift) + 1];
    for (size_t b = 0; b < count; ++b)
        starts[b + 1] += starts[b];
    scratch.resize(rows.size());
    // Each bucket's start moves on as its rows arrive, ending at the next bucket's start; the
    // starts are then found one place further on.
    for (const Row &row : rows)
        scratch[starts[size_t(hashOf(row) >> shift)]++] = row;
    rows.swap(scratch);
    std::move_backward(starts.begin(), starts.end() - 1, starts.end());
    starts[0] = 0;
}

// Groups rows sorted by sortIntoBuckets by key: calls `group` with each key's rows in storage
// order, bucket after bucket, and leaves in `buckets` where each bucket's groups begin in the
// order `group` was called. `group` may write to rows before the group it is given.
template<typename Row, typename Less, typename Group>
void groupSorted(std::vector<Row> &rows, auto &buckets, Less less, Group group)
{
    std::vector<quint32> &starts = buckets.starts;
    const size_t count = starts.size() - 1;
    quint32 groups = 0;
    for (size_t b = 0; b < count; ++b) {
        Row *begin = rows.data() + starts[b];
        Row *end = rows.data() + starts[b + 1];
        starts[b] = groups;
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
            group(begin, last, groups);
            ++groups;
            begin = last;
        }
    }
    starts[count] = groups;
}

// Enough buckets for a few keys each: the counts stay small and a bucket is scanned in a few steps.
int bucketBits(size_t rows)
{
    return std::clamp(int(std::bit_width(rows)) - 2, 4, 30);
}

// How far ahead of the row being read the walks over the entries and results ask for the record
// (`recordsAhead`) and for the card text it points at (`textsAhead`, by then in the cache).
constexpr qsizetype recordsAhead = 16;
constexpr qsizetype textsAhead = 8;

} // namespace

quint64 RecordingIndex::hash(quint64 card)
{
    return (card ^ card >> 29) * 0x9E3779B97F4A7C15ULL;
}

quint64 RecordingIndex::hash(quint64 card, quint32 stage)
{
    return hash(card ^ quint64(stage) * 0xC4CEB9FE1A85EC53ULL);
}

quint64 RecordingIndex::hash(quint64 high, quint64 low, quint32 stage)
{
    return hash(high ^ low * 0xFF51AFD7ED558CCDULL ^ quint64(stage) * 0xC4CEB9FE1A85EC53ULL);
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
    // The id's sixteen bytes as they lie: two ids are equal exactly when their halves are.
    static_assert(sizeof(QUuid) == 2 * sizeof(quint64));
    RunnerStage key;
    std::memcpy(&key.high, &id, sizeof key.high);
    std::memcpy(&key.low, reinterpret_cast<const char *>(&id) + sizeof key.high, sizeof key.low);
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

    // The walks below read a few fields of each record in stored order and the card text each
    // points at, which lies in an allocation of its own: both are asked for ahead, so that many
    // of them are on their way at once.
    {
        const qsizetype count = race.participants.size();
        const Participant *const participants = race.participants.constData();
        m_entryRows.clear();
        m_entryRows.reserve(size_t(count));
        for (qsizetype i = 0; i < count; ++i) {
            if (i + recordsAhead < count)
                __builtin_prefetch(&participants[i + recordsAhead].cardNumber);
            if (i + textsAhead < count)
                __builtin_prefetch(participants[i + textsAhead].cardNumber.constData());
            bool isBlank = false;
            const quint64 key = entryCardKey(participants[i].cardNumber, isBlank);
            if (!isBlank)
                m_entryRows.push_back({key, quint32(i)});
        }
        m_byCard.clear();
        m_byCard.reserve(m_entryRows.size());
        // The first entry holding a number is the one a read finds.
        sortIntoBuckets(m_entryRows, m_entryScratch, bucketBits(m_entryRows.size()), m_cardBuckets,
            [](const CardEntry &e) { return hash(e.card); });
        groupSorted(
            m_entryRows, m_cardBuckets,
            [](const CardEntry &a, const CardEntry &b) { return a.card < b.card; },
            [this](const CardEntry *first, const CardEntry *, quint32) { m_byCard.push_back(*first); });
    }

    const qsizetype count = race.results.size();
    const PersonResult *const results = race.results.constData();
    std::vector<RunnerRow> &runners = m_latestResult;
    runners.clear();
    runners.reserve(size_t(count));
    m_cardRows.clear();
    m_cardRows.reserve(size_t(count));
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
        const RunnerStage key = runner(result.participantId, codes.canonical);
        runners.push_back({key.high, key.low, key.stage, quint32(i)});
        m_cardRows.push_back({cardKey(result.cardNumber), codes.exact, quint32(i)});
    }

    const int bits = bucketBits(size_t(count));
    // The last row of each key holds the key's last result in list order; the groups are written
    // over the rows they come from.
    sortIntoBuckets(runners, m_runnerScratch, bits, m_resultBuckets,
        [](const RunnerRow &r) { return hash(r.high, r.low, r.stage); });
    groupSorted(
        runners, m_resultBuckets,
        [](const RunnerRow &a, const RunnerRow &b) {
            if (a.high != b.high)
                return a.high < b.high;
            if (a.low != b.low)
                return a.low < b.low;
            return a.stage < b.stage;
        },
        [&runners](const RunnerRow *, const RunnerRow *end, quint32 group) { runners[group] = end[-1]; });
    runners.resize(m_resultBuckets.starts.back());

    m_cardStates.clear();
    m_cardStates.reserve(m_cardRows.size());
    // Each key's reads in list order, as appending them one by one would see them.
    sortIntoBuckets(m_cardRows, m_cardScratch, bits, m_readBuckets,
        [](const CardRow &r) { return hash(r.card, r.stage); });
    groupSorted(
        m_cardRows, m_readBuckets,
        [](const CardRow &a, const CardRow &b) {
            return a.card != b.card ? a.card < b.card : a.stage < b.stage;
        },
        [this, results](const CardRow *first, const CardRow *end, quint32) {
            quint32 latestRead = first->result;
            quint32 latestResult = first->result;
            for (const CardRow *row = first + 1; row != end; ++row) {
                const QDateTime &readAt = results[row->result].readAt;
                const QDateTime &latest = results[latestRead].readAt;
                if (!latest.isValid() || readAt > latest)
                    latestRead = row->result;
                if (readAt >= results[latestRead].readAt)
                    latestResult = row->result;
            }
            m_cardStates.push_back({first->card, first->stage, latestRead, latestResult});
        });

    m_participants = race.participants.size();
    m_results = count;
    m_built = true;
}

std::optional<RecordingIndex::CardState> RecordingIndex::cardState(const CardStage &key) const
{
    const auto appended = m_appendedCard.constFind(key);
    if (appended != m_appendedCard.constEnd())
        return *appended;
    const auto [begin, end] = m_readBuckets.range(hash(key.card, key.stage));
    for (quint32 i = begin; i < end; ++i) {
        const CardStateRow &row = m_cardStates[i];
        if (row.card == key.card && row.stage == key.stage)
            return CardState {row.latestRead, row.latestResult};
    }
    return std::nullopt;
}

void RecordingIndex::add(const Race &race, qsizetype index)
{
    const PersonResult &result = race.results[index];
    const StageCodes codes = stageCodes(result.stageId);
    m_appendedResult.insert(runner(result.participantId, codes.canonical), index);
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
            const auto [begin, end] = m_resultBuckets.range(hash(key.high, key.low, key.stage));
            for (quint32 i = begin; i < end; ++i) {
                const RunnerRow &row = m_latestResult[i];
                if (row.high == key.high && row.low == key.low && row.stage == key.stage)
                    index = row.result;
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
