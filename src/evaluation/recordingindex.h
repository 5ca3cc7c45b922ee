#pragma once

// The look-ups every card read makes, through hashes instead of walks over the event: the entry
// holding a card number, each runner's latest result per stage, and the latest read of a card per
// stage. Built from the race on first use. Whoever changes the race keeps the index in step:
// resultAppended() after appending a result, invalidate() after any other change of entries or
// results. As a guard, a change in the number of entries or results and a hit that no longer
// matches its entry also rebuild it.

#include "race.h"

#include <QHash>

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
    // An id (an entry's, or a card number) and a stage; `stage` is meaningful only with `hasStage`.
    struct Key
    {
        QString card;
        QUuid participant;
        QString stage;
        bool hasStage = false;
        friend bool operator==(const Key &, const Key &) = default;
        friend size_t qHash(const Key &k, size_t seed = 0)
        {
            return qHashMulti(seed, k.card, k.participant, k.stage, k.hasStage);
        }
    };
    void ensure(const Race &race);
    void add(const PersonResult &result, qsizetype index);

    bool m_built = false;
    qsizetype m_participants = 0;
    qsizetype m_results = 0;
    QHash<QString, qsizetype> m_byCard;
    QHash<Key, qsizetype> m_latestResult;
    QHash<Key, QDateTime> m_latestRead;
    QHash<Key, qsizetype> m_latestOfCard;
};
