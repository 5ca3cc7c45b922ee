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
    // A runner's id as its two halves.
    struct RunnerId
    {
        quint64 high = 0;
        quint64 low = 0;
        friend bool operator==(const RunnerId &, const RunnerId &) = default;
    };
    [[nodiscard]] static quint64 hash(quint64 card);
    [[nodiscard]] static quint64 hash(const RunnerId &runner);
    // A runner and a stage in canonical form.
    struct RunnerStage
    {
        RunnerId runner;
        quint32 stage = 0;
        friend bool operator==(const RunnerStage &, const RunnerStage &) = default;
        friend size_t qHash(const RunnerStage &k, size_t seed = 0)
        {
            return qHashMulti(seed, k.runner.high, k.runner.low, k.stage);
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
    // What the reads of one card in one stage come to, as indices into the results.
    struct CardState
    {
        qsizetype latestRead = -1;
        qsizetype latestResult = -1;
    };
    // Distinct keys numbered 0, 1, ... in the order first seen, found through an open table
    // (linear probing, at most half full) that holds each key beside its number, so that a
    // look-up reads one place that can be asked for ahead. A slot of an earlier build (another
    // generation) is empty: the table is not cleared between builds of one size.
    template<typename Key> struct Numbering
    {
        struct Slot
        {
            Key key {};
            quint32 number = 0;
            quint32 generation = 0;
        };
        std::vector<Slot> table;
        quint32 generation = 0;
        quint32 count = 0;
        int shift = 60;
        void reset(size_t expected);
        [[nodiscard]] quint32 insert(const Key &key);
        [[nodiscard]] quint32 find(const Key &key) const;
        void prefetch(const Key &key) const { __builtin_prefetch(&table[size_t(hash(key) >> shift)]); }
        void grow();
    };
    // One result's keys by number, and its stage codes.
    struct ResultKeys
    {
        quint32 runner = 0;
        quint32 card = 0;
        quint32 exactStage = 0;
        quint32 canonicalStage = 0;
    };
    struct StageResult
    {
        quint32 stage = 0;
        quint32 result = 0;
    };
    struct CardStateRow
    {
        quint32 stage = 0;
        quint32 latestRead = 0;
        quint32 latestResult = 0;
    };
    // Where the row of a stage lies among those of the runner or card `owner` being grouped.
    struct StageSlot
    {
        quint32 owner = 0;
        quint32 at = 0;
    };

    static constexpr quint64 noKey = ~quint64(0);
    static constexpr quint32 none = ~quint32(0);

    void ensure(const Race &race);
    void add(const Race &race, qsizetype index);
    StageCodes stageCodes(const std::optional<QString> &stageId);
    quint64 cardKey(const QString &text);
    quint64 entryCardKey(const QString &text, bool &isBlank);
    [[nodiscard]] quint64 foundCardKey(const QString &text) const;
    [[nodiscard]] static RunnerId runnerId(const QUuid &id);
    [[nodiscard]] std::optional<CardState> cardState(const CardStage &key) const;

    bool m_built = false;
    qsizetype m_participants = 0;
    qsizetype m_results = 0;
    QHash<QString, quint32> m_cardTexts;
    QHash<QString, StageCodes> m_stages;
    QHash<QString, quint32> m_canonicalStages;
    // Card keys of entries and results, and by card number the first entry holding it (none
    // for cards only results hold).
    Numbering<quint64> m_cards;
    std::vector<quint32> m_cardEntry;
    // Runners' ids of the results.
    Numbering<RunnerId> m_runners;
    // By runner number, its rows from m_runnerStarts[n] to m_runnerStarts[n + 1]: one per stage,
    // holding the runner's last result of that stage.
    std::vector<quint32> m_runnerStarts;
    std::vector<StageResult> m_runnerLatest;
    // By card number likewise: one row per stage with what the card's reads in it come to.
    std::vector<quint32> m_cardStarts;
    std::vector<CardStateRow> m_cardStates;
    // Room the build works in, kept from one build to the next: a build then writes to memory it
    // has written before instead of having fresh pages handed out.
    std::vector<ResultKeys> m_resultKeys;
    std::vector<StageResult> m_cardReads;
    std::vector<StageSlot> m_stageSlots;
    // Results appended since the tables were built; these win over the tables.
    QHash<RunnerStage, qsizetype> m_appendedResult;
    QHash<CardStage, CardState> m_appendedCard;
};
