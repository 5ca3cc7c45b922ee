#include "readoutmatch.h"

#include <algorithm>

bool samePunches(const QList<SIPunch> &a, const QList<SIPunch> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), [](const SIPunch &x, const SIPunch &y) {
        return x.controlCode == y.controlCode && x.timeAvailable == y.timeAvailable
            && (!x.timeAvailable || x.time == y.time);
    });
}

bool sameReadOut(const PersonResult &stored, const PersonResult &read)
{
    if (stored.cardNumber != read.cardNumber || stored.cardStartTime != read.cardStartTime
        || stored.finishTime != read.finishTime)
        return false;
    static const QList<SIPunch> none;
    return samePunches(stored.punches ? *stored.punches : none, read.punches ? *read.punches : none);
}

bool repeatsLatestResult(const PersonResult &latest, const PersonResult &read)
{
    return latest.finishTime == read.finishTime && latest.splits.size() == read.splits.size();
}

bool repeatsLatestOfCard(const PersonResult &latestOfCard, const PersonResult &read)
{
    return latestOfCard.participantId == read.participantId && sameReadOut(latestOfCard, read);
}

const PersonResult *repeatedResult(const Race &race, const PersonResult &read)
{
    // A result of no runner is nobody's repeat (single stations never record one).
    if (read.participantId.isNull())
        return nullptr;
    const PersonResult *latest = nullptr;
    const PersonResult *latestOfCard = nullptr;
    for (const PersonResult &stored : race.results) {
        if (stored.id == read.id)
            continue;
        const bool sameStage = stored.stageId.has_value() == read.stageId.has_value()
            && (!read.stageId || sameId(*stored.stageId, *read.stageId));
        if (sameStage && stored.participantId == read.participantId)
            latest = &stored;
        if (stored.cardNumber == read.cardNumber && stored.stageId == read.stageId
            && (!latestOfCard || !(stored.readAt < latestOfCard->readAt)))
            latestOfCard = &stored;
    }
    if (latest && repeatsLatestResult(*latest, read))
        return latest;
    if (latestOfCard && repeatsLatestOfCard(*latestOfCard, read))
        return latestOfCard;
    return nullptr;
}
