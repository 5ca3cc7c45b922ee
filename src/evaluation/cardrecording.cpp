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
    // Why the organiser has to look at the card; empty when the verdict stands on its own.
    QString review;
};

const QString reviewNegativeTime = QStringLiteral(
    "Check this card: the finish lies before the start, so the start record is likely left from an "
    "earlier run");
const QString reviewDoubtfulStart = QStringLiteral(
    "Check this card: its start record may be left from an earlier run, so the race time cannot be "
    "trusted");
const QString reviewTwoRuns = QStringLiteral(
    "Check this card: it holds another run of this course, so today's run cannot be told apart");
const QString reviewClockStep = QStringLiteral(
    "Check this card: its punch times run backwards within the run; a station's clock may be wrong");
const QString reviewSeveralCourses
    = QStringLiteral("Check this card: its punches complete several courses of the class");

bool isReviewNote(const std::optional<QString> &note)
{
    return note
        && (*note == reviewNegativeTime || *note == reviewDoubtfulStart || *note == reviewTwoRuns
            || *note == reviewClockStep || *note == reviewSeveralCourses);
}

// Splits of today's run, race-day dating, split times, completion/score, and whether the verdict
// needs the organiser. `runs` is cut to the course already.
Evaluation evaluate(const CardRuns &runs, const std::optional<Course> &course,
    const std::optional<QDateTime> &start, bool startFromCard, const std::optional<QDateTime> &undatedFinish)
{
    Evaluation e;
    e.splits = buildSplits(runs.run, course);
    e.finishTime = undatedFinish;
    if (start) {
        RaceDayClock raceDay(*start);
        for (SplitTime &split : e.splits) {
            if (split.status != SplitStatus::Missing)
                split.time = raceDay.place(split.time);
        }
        if (e.finishTime)
            e.finishTime = raceDay.place(*e.finishTime);
    }
    fillSplitTimes(e.splits, start);
    if (start && e.finishTime)
        e.raceTime = double(start->msecsTo(*e.finishTime)) / 1000.0;
    if (!course)
        return e;

    if (e.raceTime && *e.raceTime < 0)
        e.review = reviewNegativeTime;
    else if (startFromCard && start && startRecordDoubtful(runs, *start, undatedFinish))
        e.review = reviewDoubtfulStart;
    if (course->type == CourseType::Rogaining) {
        const RogainingScore s = rogainingScore(e.splits, *course, start, e.finishTime);
        e.completed = false;
        e.score = s.score;
        e.overtimePenalty = s.overtimePenalty;
        e.withinTimeLimit = s.withinTimeLimit;
        return e;
    }
    e.completed = std::none_of(e.splits.cbegin(), e.splits.cend(),
        [](const SplitTime &s) { return s.status == SplitStatus::Missing; });
    const QList<qint64> sequence = courseSequence(*course);
    if (e.completed && e.review.isEmpty() && holdsAnotherRun(e.splits, sequence))
        e.review = reviewTwoRuns;
    // Never completed on times or punches that may belong to another run.
    if (!e.review.isEmpty() && e.completed)
        e.completed = false;
    else if (!e.completed)
        e.review.clear();
    // Complete only with what lay ahead of a step back of the clock, the run is neither completed
    // nor mispunched until someone looks.
    if (!e.completed && e.review.isEmpty() && clockStepSplitsRun(runs, sequence))
        e.review = reviewClockStep;
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

} // namespace

CardRecording recordCardReading(Race &race, const QString &cardNumber, const QList<SIPunch> &punches,
    const std::optional<QDateTime> & /*checkPunchTime*/, const std::optional<QDateTime> &startPunchTime,
    const std::optional<QDateTime> &finishPunchTime, const QDateTime &readAt, RecordingIndex *index)
{
    CardRecording outcome;
    RecordingIndex ownIndex;
    RecordingIndex &lookups = index ? *index : ownIndex;

    // 1. The runner: first entry holding exactly this card number. An empty card number names no
    // card: it would otherwise link the first entry without one.
    // Reads go through a const view: the race is often shared with the published copy, and a
    // non-const access would copy every list before anything changes.
    const Race &view = race;
    const Participant *participant = lookups.participantWithCard(view, cardNumber);
    if (!participant) {
        logLine(QStringLiteral("SI: no participant registered for card ") + cardNumber
            + QStringLiteral(" — result not recorded"));
        return outcome;
    }
    const QUuid participantId = participant->id;

    // 2.-3. Class and assigned course for the active stage.
    const RaceClass *raceClass = findClass(race, effectiveClassId(race, *participant));
    std::optional<Course> course = chooseCourse(race, *participant);

    // 4. Today's run on the card: the time filter and the guards that need no course.
    CardRuns runs = separateRuns(punches, startPunchTime, course);

    // 5. Heuristic match when the set-up assigns no course, on the run the evaluation will read.
    bool autoMatched = false;
    bool severalCourses = false;
    if (!course && !runs.filtered.isEmpty()) {
        const CourseMatch match = matchCourse(runs.latest, candidateCourses(race, raceClass));
        course = match.course;
        severalCourses = match.ambiguous;
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
    const bool startFromCard = startMethodForStage(race, raceClass) == StartMethod::StartPunch && !scheduled;
    if (startFromCard)
        start = startPunchTime;

    // 8. Finish before dating: the finish punch, else the latest punch of the whole card.
    const std::optional<QDateTime> finish = finishPunchTime ? finishPunchTime : latestPunchTime(punches);

    // 7., 9.-11.
    runOfCourse(runs, course);
    const Evaluation e = evaluate(runs, course, start, startFromCard, finish);

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
    // A card the evaluation cannot settle carries a note for the organiser and no override, so it
    // stays not completed until someone decides.
    if (!e.review.isEmpty())
        result.overrideNote = e.review;
    else if (severalCourses)
        result.overrideNote = reviewSeveralCourses;

    // 13. A read repeating the runner's last result for this stage adds nothing.
    if (const PersonResult *stored = lookups.latestResult(view, participantId, view.activeStageId);
        stored && stored->finishTime == result.finishTime && stored->splits.size() == result.splits.size()) {
        outcome.result = *stored;
        outcome.save = true;
        return outcome;
    }

    // 14.
    race.results.append(result);
    lookups.resultAppended(race);
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
    CardRuns runs = separateRuns(punches, edited.cardStartTime, course);
    runOfCourse(runs, course);
    const bool startFromCard = edited.startTime && edited.startTime == edited.cardStartTime;
    const Evaluation e = evaluate(runs, course, edited.startTime, startFromCard, edited.finishTime);

    PersonResult updated = edited;
    updated.splits = e.splits;
    updated.finishTime = e.finishTime;
    updated.raceTime = e.raceTime;
    updated.completed = e.completed;
    updated.score = e.score;
    updated.overtimePenalty = e.overtimePenalty;
    updated.withinTimeLimit = e.withinTimeLimit;
    // The organiser's own override and note stand; a review note of an earlier evaluation follows
    // this one.
    if (!updated.completedOverride && (!updated.overrideNote || isReviewNote(updated.overrideNote)))
        updated.overrideNote = e.review.isEmpty() ? std::nullopt : std::optional<QString>(e.review);
    race.results[index] = std::move(updated);
    return true;
}
