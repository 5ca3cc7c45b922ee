#include "cardrecording.h"

#include "coursematch.h"
#include "log.h"
#include "perstage.h"
#include "splits.h"
#include "stalepunches.h"

#include <algorithm>

namespace {

// What the course-dependent steps produce, shared by recording and re-evaluation.
struct Evaluation
{
    QList<SplitTime> splits;
    std::optional<QDateTime> finishTime;
    std::optional<double> raceTime;
    bool completed = false;
    std::optional<qint64> score;
    std::optional<qint64> overtimePenalty;
    std::optional<bool> withinTimeLimit;
};

// Coverage fallback, leading-stale drop, splits, race-day dating, split times, completion/score.
Evaluation evaluate(const QList<SIPunch> &unfiltered, const QList<SIPunch> &filtered,
    const std::optional<Course> &course, const std::optional<QDateTime> &start,
    const std::optional<QDateTime> &undatedFinish)
{
    Evaluation e;
    const QList<SIPunch> covered = applyCoverageFallback(unfiltered, filtered, course);
    const QList<SIPunch> cleaned = dropLeadingStalePunches(covered, course);
    e.splits = buildSplits(cleaned, course);
    e.finishTime = undatedFinish;
    if (start) {
        for (SplitTime &split : e.splits) {
            if (split.status != SplitStatus::Missing)
                split.time = dateOnRaceDay(split.time, *start);
        }
        if (e.finishTime)
            e.finishTime = dateOnRaceDay(*e.finishTime, *start);
    }
    fillSplitTimes(e.splits, start);
    if (start && e.finishTime)
        e.raceTime = double(start->msecsTo(*e.finishTime)) / 1000.0;
    if (!course) {
        e.completed = false;
    } else if (course->type == CourseType::Rogaining) {
        const RogainingScore s = rogainingScore(e.splits, *course, start, e.finishTime);
        e.completed = false;
        e.score = s.score;
        e.overtimePenalty = s.overtimePenalty;
        e.withinTimeLimit = s.withinTimeLimit;
    } else {
        e.completed = std::none_of(e.splits.cbegin(), e.splits.cend(),
            [](const SplitTime &s) { return s.status == SplitStatus::Missing; });
    }
    return e;
}

std::optional<StartMethod> startMethodForStage(const Race &race, const RaceClass *raceClass)
{
    if (!raceClass)
        return std::nullopt;
    if (race.activeStageId && raceClass->stageStartMethods) {
        if (const StartMethod *m = stageEntry(*raceClass->stageStartMethods, *race.activeStageId))
            return *m;
    }
    return raceClass->startMethod;
}

// A punch without a usable time may carry no date at all; such a punch cannot be the latest.
std::optional<QDateTime> latestPunchTime(const QList<SIPunch> &punches)
{
    std::optional<QDateTime> latest;
    for (const SIPunch &p : punches) {
        if (p.time.isValid() && (!latest || p.time > *latest))
            latest = p.time;
    }
    return latest;
}

bool sameStage(const std::optional<QString> &a, const std::optional<QString> &b)
{
    if (!a || !b)
        return !a && !b;
    return sameId(*a, *b);
}

} // namespace

CardRecording recordCardReading(Race &race, const QString &cardNumber, const QList<SIPunch> &punches,
    const std::optional<QDateTime> & /*checkPunchTime*/, const std::optional<QDateTime> &startPunchTime,
    const std::optional<QDateTime> &finishPunchTime, const QDateTime &readAt)
{
    CardRecording outcome;

    // 1. The runner: first entry holding exactly this card number.
    const Participant *participant = nullptr;
    // Reads go through a const view: the race is often shared with the published copy, and a
    // non-const access would copy every list before anything changes.
    const Race &view = race;
    // An empty card number names no card: it would otherwise link the first entry without one.
    for (const Participant &p : view.participants) {
        if (!cardNumber.trimmed().isEmpty() && p.cardNumber == cardNumber) {
            participant = &p;
            break;
        }
    }
    if (!participant) {
        logLine(QStringLiteral("SI: no participant registered for card ") + cardNumber
            + QStringLiteral(" — result not recorded"));
        return outcome;
    }
    const QUuid participantId = participant->id;

    // 2.-3. Class and assigned course for the active stage.
    const RaceClass *raceClass = findClass(race, effectiveClassId(race, *participant));
    std::optional<Course> course = chooseCourse(race, *participant);

    // 4. Time filter; its result feeds both the match and the evaluation.
    const QList<SIPunch> filtered = filterStalePunches(punches, startPunchTime);

    // 5. Heuristic match when the set-up assigns no course.
    bool autoMatched = false;
    if (!course && !filtered.isEmpty()) {
        course = bestCourseMatch(filtered, candidateCourses(race, raceClass));
        if (course) {
            autoMatched = true;
            logLine(QStringLiteral("SI: no course assigned for card ") + cardNumber
                + QStringLiteral(" — heuristically matched course \"") + course->name
                + QStringLiteral("\" from punches"));
        }
    }

    // 6. Start: a start-punch class uses the card's start punch only without a scheduled start.
    const std::optional<QDateTime> scheduled = scheduledStartTime(race, *participant);
    std::optional<QDateTime> start = scheduled;
    if (startMethodForStage(race, raceClass) == StartMethod::StartPunch && !scheduled)
        start = startPunchTime;

    // 8. Finish before dating: the finish punch, else the latest punch of the whole card.
    const std::optional<QDateTime> finish = finishPunchTime ? finishPunchTime : latestPunchTime(punches);

    // 7., 9.-11.
    const Evaluation e = evaluate(punches, filtered, course, start, finish);

    // 12.
    PersonResult result;
    result.participantId = participantId;
    result.courseId = course ? std::optional<QString>(course->id) : std::nullopt;
    result.cardNumber = cardNumber;
    result.splits = e.splits;
    result.readAt = readAt;
    result.startTime = start;
    result.finishTime = e.finishTime;
    result.raceTime = e.raceTime;
    result.completed = e.completed;
    result.punches = punches;
    result.cardStartTime = startPunchTime;
    result.courseAutoMatched = autoMatched;
    result.stageId = race.activeStageId;
    result.score = e.score;
    result.overtimePenalty = e.overtimePenalty;
    result.withinTimeLimit = e.withinTimeLimit;

    // 13. A read repeating the runner's last result for this stage adds nothing.
    for (qsizetype i = view.results.size() - 1; i >= 0; --i) {
        const PersonResult &stored = view.results[i];
        if (stored.participantId != participantId || !sameStage(stored.stageId, race.activeStageId))
            continue;
        if (stored.finishTime == result.finishTime && stored.splits.size() == result.splits.size()) {
            outcome.result = stored;
            outcome.save = true;
            return outcome;
        }
        break;
    }

    // 14.
    race.results.append(result);
    outcome.result = std::move(result);
    outcome.appended = true;
    outcome.save = true;
    return outcome;
}

bool reevaluateResult(Race &race, const PersonResult &edited)
{
    qsizetype index = -1;
    const Race &view = race;
    for (qsizetype i = 0; i < view.results.size(); ++i) {
        if (view.results[i].id == edited.id) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return false;
    const Course *found = findCourse(race, edited.courseId);
    const std::optional<Course> course = found ? std::optional<Course>(*found) : std::nullopt;
    const QList<SIPunch> punches = edited.punches.value_or(QList<SIPunch>());
    const QList<SIPunch> filtered = filterStalePunches(punches, edited.cardStartTime);
    const Evaluation e = evaluate(punches, filtered, course, edited.startTime, edited.finishTime);

    PersonResult updated = edited;
    updated.splits = e.splits;
    updated.finishTime = e.finishTime;
    updated.raceTime = e.raceTime;
    updated.completed = e.completed;
    updated.score = e.score;
    updated.overtimePenalty = e.overtimePenalty;
    updated.withinTimeLimit = e.withinTimeLimit;
    race.results[index] = std::move(updated);
    return true;
}
