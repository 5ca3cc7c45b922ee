#pragma once

// The look-ups every card read makes, through hashed tables instead of walks over the event: the
// entry holding a card number, each runner's latest result per stage, and the latest read of a
// card per stage. Built from the race on first use. Whoever changes the race keeps the index in
// step: resultAppended() after appending a result, invalidate() after any other change of entries
// or results. As a guard, a change in the number of entries or results and a hit that no longer
// matches its entry also rebuild it.

#include "race.h"

#include <QHash>

#include <utility>
#include <vector>

class RecordingIndex
{
public:
    void invalidate() { m_built = false; }
    // Builds the look-ups now if they are not in step, so that the next read finds them ready.
    void prepare(const Race &race) { ensure(race); }

    // The first entry whose card number has the same digits as `cardNumber` (spaces do not count);
    // none for a number that is empty or only blanks.
    [[nodiscard]] const Participant *participantWithCard(const Race &race, const QString &cardNumber);
    // The runner's last result (in list order) of the stage, stages compared by sameId; none
    // without one.
    [[nodiscard]] const PersonResult *latestResult(
        const Race &race, const QUuid &participantId, const std::optional<QString> &stageId);
    // The result last read (latest readAt, the later in list order on a tie) from this card in
    // exactly this stage; none without one.
    [[nodiscard]] const PersonResult *latestResultOfCard(
        const Race &race, const QString &cardNumber, const std::optional<QString> &stageId);
    // The latest readAt of the results read from this card in exactly this stage.
    [[nodiscard]] std::optional<QDateTime> latestRead(
        const Race &race, const QString &cardNumber, const std::optional<QString> &stageId);

    // The last result of race.results was just appended.
    void resultAppended(const Race &race);

private:
    // Card texts and stage ids become small integers, so that the tables sort and search on
    // plain numbers. A card text that is the decimal form of a number (no sign, no leading zero,
    // at most 18 digits) is that number; every other text is its rank among such texts seen, with
    // the top bit set, so two keys are equal exactly when their texts are. Stage code 0 is "no
    // stage"; a stage id is 1 + its rank among the ids seen (exactly, or in canonical form).
    struct StageCodes
    {
        quint32 exact = 0;
        quint32 canonical = 0;
    };
    // A runner (its id as two halves) and a stage in canonical form.
    struct RunnerStage
    {
        quint64 high = 0;
        quint64 low = 0;
        quint32 stage = 0;
        friend bool operator==(const RunnerStage &, const RunnerStage &) = default;
        friend size_t qHash(const RunnerStage &k, size_t seed = 0)
        {
            return qHashMulti(seed, k.high, k.low, k.stage);
        }
    };
    // A card text and an exact stage.
    struct CardStage
    {
        quint64 card = 0;
        quint32 stage = 0;
        friend bool operator==(const CardStage &, const CardStage &) = default;
        friend size_t qHash(const CardStage &k, size_t seed = 0) { return qHashMulti(seed, k.card, k.stage); }
    };
    // The rows the tables are built from and keep, flat so that they pack: a runner and stage
    // with one of its results, and a card and stage with one of its reads.
    struct RunnerRow
    {
        quint64 high = 0;
        quint64 low = 0;
        quint32 stage = 0;
        quint32 result = 0;
    };
    struct CardRow
    {
        quint64 card = 0;
        quint32 stage = 0;
        quint32 result = 0;
    };
    struct CardEntry
    {
        quint64 card = 0;
        quint32 participant = 0;
    };
    // What the reads of one card in one stage come to, as indices into the results.
    struct CardState
    {
        qsizetype latestRead = -1;
        qsizetype latestResult = -1;
    };
    // A card and stage with what its reads come to.
    struct CardStateRow
    {
        quint64 card = 0;
        quint32 stage = 0;
        quint32 latestRead = 0;
        quint32 latestResult = 0;
    };
    // A table of groups found by hash: bucket b holds positions starts[b] to starts[b + 1].
    struct Buckets
    {
        std::vector<quint32> starts;
        int shift = 63;
        [[nodiscard]] std::pair<quint32, quint32> range(quint64 hash) const
        {
            if (starts.empty())
                return {0, 0};
            const size_t b = size_t(hash >> shift);
            return {starts[b], starts[b + 1]};
        }
    };

    static constexpr quint64 noKey = ~quint64(0);

    void ensure(const Race &race);
    void add(const Race &race, qsizetype index);
    StageCodes stageCodes(const std::optional<QString> &stageId);
    quint64 cardKey(const QString &text);
    quint64 entryCardKey(const QString &text, bool &isBlank);
    [[nodiscard]] quint64 foundCardKey(const QString &text) const;
    [[nodiscard]] static RunnerStage runner(const QUuid &id, quint32 stage);
    [[nodiscard]] std::optional<CardState> cardState(const CardStage &key) const;
    [[nodiscard]] static quint64 hash(quint64 card);
    [[nodiscard]] static quint64 hash(quint64 card, quint32 stage);
    [[nodiscard]] static quint64 hash(quint64 high, quint64 low, quint32 stage);

    bool m_built = false;
    qsizetype m_participants = 0;
    qsizetype m_results = 0;
    QHash<QString, quint32> m_cardTexts;
    QHash<QString, StageCodes> m_stages;
    QHash<QString, quint32> m_canonicalStages;
    // Entries by card key, the first entry of each key only.
    Buckets m_cardBuckets;
    std::vector<CardEntry> m_byCard;
    // One row per key: the runner's last result of the stage.
    Buckets m_resultBuckets;
    std::vector<RunnerRow> m_latestResult;
    // One row per key.
    Buckets m_readBuckets;
    std::vector<CardStateRow> m_cardStates;
    // Room the rows are gathered and sorted in, kept from one build to the next: a build then
    // writes to memory it has written before instead of having fresh pages handed out.
    std::vector<CardEntry> m_entryRows;
    std::vector<CardEntry> m_entryScratch;
    std::vector<RunnerRow> m_runnerScratch;
    std::vector<CardRow> m_cardRows;
    std::vector<CardRow> m_cardScratch;
    // Results appended since the tables were built; these win over the tables.
    QHash<RunnerStage, qsizetype> m_appendedResult;
    QHash<CardStage, CardState> m_appendedCard;
};
