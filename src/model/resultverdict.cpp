#include "resultverdict.h"

#include "resultgroups.h"

#include <algorithm>

ResultVerdict resultVerdict(const PersonResult &result, bool scoreCourse)
{
    if (result.completedOverride == false)
        return ResultVerdict::Mispunch;
    if (scoreCourse) {
        // Held before the time limit is judged: a finish before the start (a start time typed
        // wrong) would otherwise be a run of below zero seconds, within any limit.
        if (heldForReview(result))
            return ResultVerdict::UnderReview;
        if (!result.withinTimeLimit) {
            // Points with a finish but nothing to time the run from: the time limit cannot be
            // judged until the runner is given a start time (unless the organiser forced it).
            if (!result.completedOverride && !result.startTime && result.finishTime && !result.raceTime)
                return ResultVerdict::NoStartTime;
            return ResultVerdict::Scored;
        }
        return *result.withinTimeLimit ? ResultVerdict::InTime : ResultVerdict::OverTime;
    }
    // No time and no verdict until someone has looked at the card, also one no course was found
    // for (its punches complete several of the class's courses).
    const bool held = heldForReview(result);
    // The organiser's completion stands with or without a course.
    if (result.completedOverride)
        return ResultVerdict::Completed;
    if (!result.courseId)
        return held ? ResultVerdict::UnderReview : ResultVerdict::None;
    if (held)
        return ResultVerdict::UnderReview;
    // Missed controls decide over a missing finish or start: the run could not count either way.
    if (!result.completed
        && std::any_of(result.splits.cbegin(), result.splits.cend(),
            [](const SplitTime &s) { return s.status == SplitStatus::Missing; }))
        return ResultVerdict::Mispunch;
    if (!result.raceTime) {
        // A finish with no time has no start to count from: the run itself is whole.
        if (!result.finishTime)
            return ResultVerdict::DidNotFinish;
        return result.completed ? ResultVerdict::NoStartTime : ResultVerdict::Mispunch;
    }
    return result.completed ? ResultVerdict::Completed : ResultVerdict::Mispunch;
}

bool countsForStandings(const PersonResult &result, bool scoreCourse)
{
    if (!scoreCourse)
        return countsCompleted(result);
    switch (resultVerdict(result, true)) {
    case ResultVerdict::InTime:
    case ResultVerdict::OverTime:
        return true;
    // No limit to judge the run by: it counts once it finished, or the organiser completed it.
    case ResultVerdict::Scored:
        return result.completedOverride == true || result.finishTime.has_value();
    default:
        return false;
    }
}

bool heldForReview(const PersonResult &result)
{
    return !result.completedOverride
        && (finishesBeforeStart(result) || (result.overrideNote && !result.overrideNote->isEmpty()));
}

bool countsCompleted(const PersonResult &result)
{
    // An override is never held: it decides alone.
    return result.effectiveCompleted() && !heldForReview(result);
}

ResultVerdict resultVerdict(const Race &race, const PersonResult &result)
{
    return resultVerdict(result, isScoreResult(race, result));
}

QString verdictKey(ResultVerdict verdict)
{
    switch (verdict) {
    case ResultVerdict::Completed:
        return QStringLiteral("COMPLETED");
    case ResultVerdict::NoStartTime:
        return QStringLiteral("NO START TIME");
    case ResultVerdict::Mispunch:
        return QStringLiteral("MISPUNCH");
    case ResultVerdict::DidNotFinish:
        return QStringLiteral("DID NOT FINISH");
    case ResultVerdict::UnderReview:
        return QStringLiteral("FOR REVIEW");
    case ResultVerdict::InTime:
        return QStringLiteral("IN TIME");
    case ResultVerdict::OverTime:
        return QStringLiteral("OVERTIME");
    case ResultVerdict::None:
    case ResultVerdict::Scored:
        break;
    }
    return {};
}

OverallStatus stageOverallStatus(
    const PersonResult *result, bool scoreCourse, const std::optional<ParticipantStatus> &mark)
{
    // The organiser's mark stands, whatever was read, until it is cleared.
    if (mark)
        return *mark == ParticipantStatus::Dns ? OverallStatus::DidNotStart : OverallStatus::DidNotFinish;
    if (result) {
        if (result->completedOverride == false)
            return OverallStatus::Disqualified;
        switch (resultVerdict(*result, scoreCourse)) {
        case ResultVerdict::Mispunch:
            return OverallStatus::Mispunch;
        case ResultVerdict::UnderReview:
            return OverallStatus::UnderReview;
        case ResultVerdict::NoStartTime:
            return OverallStatus::NoStartTime;
        case ResultVerdict::DidNotFinish:
            return OverallStatus::DidNotFinish;
        case ResultVerdict::OverTime:
            return OverallStatus::OverTime;
        case ResultVerdict::Scored:
            // Points without a finish.
            if (!countsForStandings(*result, true))
                return OverallStatus::DidNotFinish;
            break;
        case ResultVerdict::None:
        case ResultVerdict::Completed:
        case ResultVerdict::InTime:
            break;
        }
    }
    return result ? OverallStatus::Unplaced : OverallStatus::DidNotFinish;
}

QString markKey(ParticipantStatus status)
{
    return status == ParticipantStatus::Dns ? QStringLiteral("DID NOT START")
                                            : verdictKey(ResultVerdict::DidNotFinish);
}

QString overallStatusKey(OverallStatus status)
{
    switch (status) {
    case OverallStatus::Placed:
        return QStringLiteral("ALL STAGES");
    case OverallStatus::Mispunch:
    case OverallStatus::Disqualified:
        return verdictKey(ResultVerdict::Mispunch);
    case OverallStatus::OverTime:
        return verdictKey(ResultVerdict::OverTime);
    case OverallStatus::DidNotStart:
        return markKey(ParticipantStatus::Dns);
    case OverallStatus::DidNotFinish:
        return verdictKey(ResultVerdict::DidNotFinish);
    case OverallStatus::UnderReview:
        return verdictKey(ResultVerdict::UnderReview);
    case OverallStatus::NoStartTime:
        return verdictKey(ResultVerdict::NoStartTime);
    case OverallStatus::Unplaced:
        break;
    }
    return QStringLiteral("INCOMPLETE");
}

QStringList verdictKeys()
{
    QStringList keys;
    for (const ResultVerdict verdict : {ResultVerdict::Completed, ResultVerdict::NoStartTime,
             ResultVerdict::Mispunch, ResultVerdict::DidNotFinish, ResultVerdict::UnderReview,
             ResultVerdict::InTime, ResultVerdict::OverTime})
        keys.append(verdictKey(verdict));
    return keys;
}

bool verdictIsGood(ResultVerdict verdict)
{
    return verdict == ResultVerdict::Completed || verdict == ResultVerdict::InTime;
}
