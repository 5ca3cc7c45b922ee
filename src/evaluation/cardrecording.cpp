#include "cardrecording.h"

#include "coursematch.h"
#include "log.h"
#include "perstage.h"
#include "readoutmatch.h"
#include "splitlegs.h"
#include "splits.h"
#include "stalepunches.h"

#include <QSet>

#include <algorithm>
#include <cstring>

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

} // namespace

bool isReviewNote(const std::optional<QString> &note)
{
    return note
        && (*note == reviewNegativeTime || *note == reviewDoubtfulStart || *note == reviewTwoRuns
            || *note == reviewClockStep || *note == reviewSeveralCourses);
}

namespace {

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
    fillSplitTimes(e.splits, start, runs.run);
    // A finish before the start gives no time at all: a negative duration is no race time, and
    // the organiser has to look at the card whatever else it holds.
    const bool finishBeforeStart = start && e.finishTime && *e.finishTime < *start;
    if (start && e.finishTime && !finishBeforeStart)
        e.raceTime = double(start->msecsTo(*e.finishTime)) / 1000.0;
    if (finishBeforeStart)
        e.review = reviewNegativeTime;
    if (!course)
        return e;

    if (!finishBeforeStart && startFromCard && start && startRecordDoubtful(runs, *start, undatedFinish))
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
    const QList<qint64> sequence = courseControlCodes(*course);
    if (e.completed && e.review.isEmpty() && holdsAnotherRun(e.splits, sequence))
        e.review = reviewTwoRuns;
    // Never completed on times or punches that may belong to another run.
    if (!e.review.isEmpty() && e.completed)
        e.completed = false;
    else if (!e.completed && !finishBeforeStart)
        e.review.clear();
    // Complete only with what lay ahead of a step back of the clock, the run is neither completed
    // nor mispunched until someone looks.
    if (!e.completed && e.review.isEmpty() && clockStepSplitsRun(runs, sequence))
        e.review = reviewClockStep;
    return e;
}

// The class's start method on a stage: the stage's own, else the class's.
std::optional<StartMethod> startMethodOnStage(
    const RaceClass *raceClass, const std::optional<QString> &stageId)
{
    if (!raceClass)
        return std::nullopt;
    if (stageId && raceClass->stageStartMethods) {
        if (const StartMethod *m = stageEntry(*raceClass->stageStartMethods, *stageId))
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

// A read-out nobody holds stays in the event until someone decides about it: a card read at the
// finish before its runner was entered must not vanish with its punches at the next read.
void keepUnknownCard(Race &race, CardRecording &outcome, const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &checkPunchTime,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime,
    const QDateTime &readAt)
{
    if (cardNumber.trimmed().isEmpty())
        return;
    const Race &view = race;
    if (view.unknownCards) {
        for (const UnknownCard &kept : *view.unknownCards) {
            if (holdsReadOut(
                    kept, cardNumber, punches, startPunchTime, finishPunchTime, view.activeStageId)) {
                outcome.unknownCard = kept.id;
                return;
            }
        }
    }
    UnknownCard card;
    card.cardNumber = cardNumber;
    card.punches = punches;
    card.checkPunchTime = checkPunchTime;
    card.startPunchTime = startPunchTime;
    card.finishPunchTime = finishPunchTime;
    card.readAt = readAt;
    card.stageId = view.activeStageId;
    if (!race.unknownCards)
        race.unknownCards.emplace();
    race.unknownCards->append(card);
    outcome.unknownCard = card.id;
    outcome.unknownCardAppended = true;
    outcome.save = true;
}

// The read-out now has its result: its kept copies are settled.
void settleUnknownCards(Race &race, CardRecording &outcome, const QString &cardNumber,
    const QList<SIPunch> &punches, const std::optional<QDateTime> &startPunchTime,
    const std::optional<QDateTime> &finishPunchTime)
{
    const Race &view = race;
    if (!view.unknownCards)
        return;
    for (const UnknownCard &kept : *view.unknownCards) {
        if (holdsReadOut(kept, cardNumber, punches, startPunchTime, finishPunchTime, view.activeStageId))
            outcome.settledUnknownCards.append(kept.id);
    }
    for (const QUuid &id : std::as_const(outcome.settledUnknownCards))
        (void)removeUnknownCard(race, id);
}

} // namespace

CardRecording recordCardReading(Race &race, const QString &cardNumber, const QList<SIPunch> &punches,
    const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
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
        keepUnknownCard(
            race, outcome, cardNumber, punches, checkPunchTime, startPunchTime, finishPunchTime, readAt);
        return outcome;
    }
    const QUuid participantId = participant->id;
    const qsizetype participantAt = participant - view.participants.constData();
    const bool markedNotStarted = (participant->status || participant->statusByStage)
        && statusOnStage(*participant, view.activeStageId) == ParticipantStatus::Dns;
    // Last, as nothing reads the runner after it: the write may copy the entries.
    const auto clearNotStarted = [&] {
        if (!markedNotStarted)
            return;
        (void)setStatusOnStage(
            race.participants[participantAt], std::nullopt, race.activeStageId, race.stages);
        lookups.invalidate();
        outcome.clearedNotStarted = true;
        outcome.save = true;
    };

    // 2.-3. Class and assigned course for the active stage.
    const RaceClass *raceClass = findClass(race, classIdOnStage(*participant, race.activeStageId));
    std::optional<Course> course = chooseCourseOnStage(race, *participant, race.activeStageId);

    // 4. Today's run on the card: the time filter and the guards that need no course.
    CardRuns runs = separateRuns(punches, startPunchTime, course);

    // 5. Heuristic match when the set-up assigns no course, on the run the evaluation will read.
    bool autoMatched = false;
    bool severalCourses = false;
    if (!course && !runs.filtered.isEmpty()) {
        const CourseMatch match
            = matchCourse(runs.latest, candidateCourses(race, raceClass, race.activeStageId));
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
    const std::optional<QDateTime> scheduled = startTimeOnStage(*participant, race.activeStageId);
    std::optional<QDateTime> start = scheduled;
    const bool startFromCard
        = startMethodOnStage(raceClass, race.activeStageId) == StartMethod::StartPunch && !scheduled;
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

    // 13. A read repeating the runner's last result for this stage adds nothing; nor does the
    // very read-out this runner's card last gave in this stage, even when the runner's class or
    // course has changed since (as giving a card through the unmatched-card sheet does): one
    // read-out is one result.
    // The same rule decides for results read at other stations (repeatedResult).
    const PersonResult *stored = lookups.latestResult(view, participantId, view.activeStageId);
    if (!stored || !repeatsLatestResult(*stored, result)) {
        stored = lookups.latestResultOfCard(view, cardNumber, view.activeStageId);
        if (stored && !repeatsLatestOfCard(*stored, result))
            stored = nullptr;
    }
    if (stored) {
        outcome.result = *stored;
        outcome.save = true;
        settleUnknownCards(race, outcome, cardNumber, punches, startPunchTime, finishPunchTime);
        clearNotStarted();
        return outcome;
    }

    // 14.
    race.results.append(result);
    lookups.resultAppended(race);
    outcome.result = std::move(result);
    outcome.appended = true;
    outcome.save = true;
    settleUnknownCards(race, outcome, cardNumber, punches, startPunchTime, finishPunchTime);
    clearNotStarted();
    return outcome;
}

const UnknownCard *findUnknownCard(const Race &race, const QUuid &id)
{
    if (!race.unknownCards)
        return nullptr;
    for (const UnknownCard &card : *race.unknownCards) {
        if (card.id == id)
            return &card;
    }
    return nullptr;
}

bool removeUnknownCard(Race &race, QUuid id)
{
    if (!findUnknownCard(race, id))
        return false;
    race.unknownCards->removeIf([&](const UnknownCard &card) { return card.id == id; });
    if (race.unknownCards->isEmpty())
        race.unknownCards.reset();
    return true;
}

bool holdsReadOut(const UnknownCard &card, const QString &cardNumber, const QList<SIPunch> &punches,
    const std::optional<QDateTime> &startPunchTime, const std::optional<QDateTime> &finishPunchTime,
    const std::optional<QString> &stageId)
{
    if (card.cardNumber != cardNumber || card.startPunchTime != startPunchTime
        || card.finishPunchTime != finishPunchTime)
        return false;
    if (card.stageId.has_value() != stageId.has_value() || (stageId && !sameId(*card.stageId, *stageId)))
        return false;
    return samePunches(card.punches, punches);
}

namespace {

// A stored result's own evaluation against the course its `courseId` names, from its punches,
// start and finish as stored; `runs` gets the card's runs it read.
Evaluation evaluateStored(const Race &race, const PersonResult &result, bool startFromCard, CardRuns &runs)
{
    const Course *found = findCourse(race, result.courseId);
    const std::optional<Course> course = found ? std::optional<Course>(*found) : std::nullopt;
    const QList<SIPunch> punches = result.punches.value_or(QList<SIPunch>());
    runs = separateRuns(punches, result.cardStartTime, course);
    runOfCourse(runs, course);
    return evaluate(runs, course, result.startTime, startFromCard, result.finishTime);
}

const Participant *firstParticipant(const Race &race, const QUuid &id)
{
    for (const Participant &p : race.participants) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

PersonResult reevaluated(const Race &race, const PersonResult &edited, bool startFromCard)
{
    CardRuns runs;
    const Evaluation e = evaluateStored(race, edited, startFromCard, runs);
    PersonResult updated = edited;
    updated.splits = e.splits;
    updated.finishTime = e.finishTime;
    updated.raceTime = e.raceTime;
    updated.completed = e.completed;
    updated.score = e.score;
    updated.overtimePenalty = e.overtimePenalty;
    updated.withinTimeLimit = e.withinTimeLimit;
    // The organiser's own override and note stand; a review note of an earlier evaluation follows
    // this one. The course match's doubt stays while the course is still none or the match's: the
    // punches and the start say nothing about which course was run.
    if (!updated.completedOverride && (!updated.overrideNote || isReviewNote(updated.overrideNote))) {
        const bool matchDoubt
            = edited.overrideNote == reviewSeveralCourses && (!edited.courseId || edited.courseAutoMatched);
        if (!e.review.isEmpty())
            updated.overrideNote = e.review;
        else if (!matchDoubt)
            updated.overrideNote = std::nullopt;
    }
    return updated;
}

// The runner's planned start on a stage (none: the event's own start field), as the per-stage
// look-ups read it for the active stage.
std::optional<QDateTime> startOnStage(const Participant &p, const std::optional<QString> &stageId)
{
    if (stageId && p.startTimeByStage) {
        if (const QDateTime *entry = stageEntry(*p.startTimeByStage, *stageId))
            return *entry;
    }
    return p.startTime;
}

// Whether the runner's class on a stage takes the start from the card's start record when the runner
// has no start time there (a start-punch class).
bool startPunchOnStage(const Race &race, const Participant &p, const std::optional<QString> &stageId)
{
    std::optional<QString> classId = p.classId;
    if (stageId && p.classIdByStage) {
        if (const QString *entry = stageEntry(*p.classIdByStage, *stageId))
            classId = *entry;
    }
    return startMethodOnStage(findClass(race, classId), stageId) == StartMethod::StartPunch;
}

// The start a result takes from its runner's planned start on its stage: that time, or without one
// the card's start record in a start-punch class, as recording takes it (`fromCard` then).
std::optional<QDateTime> startFromPlan(const Race &race, const Participant &p, const PersonResult &result,
    const std::optional<QDateTime> &planned, bool &fromCard)
{
    fromCard = !planned && result.cardStartTime && startPunchOnStage(race, p, result.stageId);
    return fromCard ? result.cardStartTime : planned;
}

// Whether the result's start is the card's start record in a start-punch class: as recording took
// it, and in doubt where the card shows an earlier run.
bool startFromCardRecord(const Race &race, const Participant &runner, const PersonResult &result)
{
    return result.startTime && result.startTime == result.cardStartTime
        && startPunchOnStage(race, runner, result.stageId);
}

bool startFromCardRecord(const Race &race, const PersonResult &result)
{
    const Participant *runner = firstParticipant(race, result.participantId);
    return runner && startFromCardRecord(race, *runner, result);
}

// Copies of one runner (an edit copies them all) share their times' data: equal bytes, equal times.
bool sameStartTimes(const Participant &a, const Participant &b)
{
    static_assert(sizeof(QDateTime) == sizeof(void *));
    const auto sameTime = [](const std::optional<QDateTime> &x, const std::optional<QDateTime> &y) {
        return x.has_value() == y.has_value()
            && (!x || std::memcmp(&*x, &*y, sizeof(QDateTime)) == 0 || x == y);
    };
    const auto &x = a.startTimeByStage;
    const auto &y = b.startTimeByStage;
    return sameTime(a.startTime, b.startTime) && x.has_value() == y.has_value()
        && (!x || x->isSharedWith(*y) || *x == *y);
}

// Copies of one runner share their class texts and map: equal data, equal classes.
bool sameCourseChoices(const Participant &a, const Participant &b)
{
    const auto sameText = [](const std::optional<QString> &x, const std::optional<QString> &y) {
        return x.has_value() == y.has_value() && (!x || x->constData() == y->constData() || *x == *y);
    };
    const auto sameMap
        = [](const std::optional<StageMap<QString>> &x, const std::optional<StageMap<QString>> &y) {
              return x.has_value() == y.has_value() && (!x || x->isSharedWith(*y) || *x == *y);
          };
    // The runner's own course decides as the class does.
    return sameText(a.classId, b.classId) && sameMap(a.classIdByStage, b.classIdByStage)
        && sameText(a.courseId, b.courseId) && sameMap(a.courseIdByStage, b.courseIdByStage);
}

bool sameCourseChoiceOnStage(
    const Participant &a, const Participant &b, const std::optional<QString> &stageId)
{
    const auto same = [](const std::optional<QString> &x, const std::optional<QString> &y) {
        return x.has_value() == y.has_value() && (!x || sameId(*x, *y));
    };
    return same(classIdOnStage(a, stageId), classIdOnStage(b, stageId))
        && same(courseIdOnStage(a, stageId), courseIdOnStage(b, stageId));
}

// What an evaluation decides of a result: equal, the result stays as stored.
bool sameVerdict(const PersonResult &a, const PersonResult &b)
{
    return a.courseId == b.courseId && a.courseAutoMatched == b.courseAutoMatched
        && a.startTime == b.startTime && a.finishTime == b.finishTime && a.raceTime == b.raceTime
        && a.completed == b.completed && a.score == b.score && a.overtimePenalty == b.overtimePenalty
        && a.withinTimeLimit == b.withinTimeLimit && a.overrideNote == b.overrideNote
        && std::equal(a.splits.cbegin(), a.splits.cend(), b.splits.cbegin(), b.splits.cend(),
            [](const SplitTime &x, const SplitTime &y) {
                // Each evaluation numbers its splits afresh: the id says nothing of the verdict.
                return x.controlCode == y.controlCode && x.time == y.time && x.status == y.status
                    && x.elapsedFromStart == y.elapsedFromStart && x.legTime == y.legTime
                    && x.score == y.score;
            });
}

// A stored result of a runner whose class on its stage changed, evaluated again as recording
// would evaluate the card now: the course the new class chooses (failing that, the candidate of
// the class its punches clearly fit), and the start the runner's planned start gives, or without
// one the card's start record in a start-punch class.
PersonResult reevaluatedForClass(const Race &race, const Participant &runner, const PersonResult &result)
{
    PersonResult edited = result;
    bool fromCard = false;
    edited.startTime = startFromPlan(race, runner, result, startOnStage(runner, result.stageId), fromCard);
    std::optional<Course> course = chooseCourseOnStage(race, runner, result.stageId);
    bool severalCourses = false;
    edited.courseAutoMatched = false;
    if (!course) {
        const CardRuns runs
            = separateRuns(result.punches.value_or(QList<SIPunch>()), result.cardStartTime, std::nullopt);
        if (!runs.filtered.isEmpty()) {
            const RaceClass *raceClass = findClass(race, classIdOnStage(runner, result.stageId));
            const CourseMatch match
                = matchCourse(runs.latest, candidateCourses(race, raceClass, result.stageId));
            course = match.course;
            severalCourses = match.ambiguous;
            edited.courseAutoMatched = course.has_value();
        }
    }
    edited.courseId = course ? std::optional<QString>(course->id) : std::nullopt;
    // The doubt of the earlier match goes with it; the organiser's own note stays.
    if (!edited.completedOverride && (!edited.overrideNote || isReviewNote(edited.overrideNote)))
        edited.overrideNote = severalCourses ? std::optional<QString>(reviewSeveralCourses) : std::nullopt;
    return reevaluated(race, edited, fromCard);
}

} // namespace

bool reevaluateResult(Race &race, const PersonResult &edited)
{
    const Race &view = race;
    for (qsizetype i = 0; i < view.results.size(); ++i) {
        if (view.results[i].id == edited.id) {
            // A result left without a start (read before its runner had a class, say) takes the
            // one its runner's start rule gives now.
            const Participant *runner = firstParticipant(race, edited.participantId);
            if (!edited.startTime && runner) {
                PersonResult started = edited;
                bool fromCard = false;
                started.startTime
                    = startFromPlan(race, *runner, edited, startOnStage(*runner, edited.stageId), fromCard);
                race.results[i] = reevaluated(race, started, fromCard);
                return true;
            }
            race.results[i] = reevaluated(race, edited, startFromCardRecord(race, edited));
            return true;
        }
    }
    return false;
}

QList<MovedResult> resultsMovedByRunners(const Race &before, const Race &race)
{
    if (race.participants.isSharedWith(before.participants) || race.results.isEmpty())
        return {};
    // The runners (the first record of each id) whose start fields differ, with their record
    // before (null: not there). Most edits keep every runner in place: only the records whose
    // start fields differ are looked at, without hashing every id.
    QHash<QUuid, std::pair<const Participant *, const Participant *>> changed;
    const bool inPlace = race.participants.size() == before.participants.size()
        && std::equal(race.participants.cbegin(), race.participants.cend(), before.participants.cbegin(),
            [](const Participant &a, const Participant &b) { return a.id == b.id; });
    if (inPlace) {
        for (qsizetype i = 0; i < race.participants.size(); ++i) {
            const Participant &now = race.participants[i];
            if ((!sameStartTimes(before.participants[i], now)
                    || !sameCourseChoices(before.participants[i], now))
                && !changed.contains(now.id))
                changed.insert(now.id, {&before.participants[i], &now});
        }
        // A later record of an id moves no one: the first record is the runner. A few are
        // looked for before their own place, many in one walk.
        constexpr qsizetype fewRunners = 16;
        const auto first = race.participants.cbegin();
        if (changed.size() <= fewRunners) {
            for (auto it = changed.begin(); it != changed.end();) {
                const auto own = first + (it->second - &*first);
                if (std::any_of(first, own, [&](const Participant &p) { return p.id == it.key(); }))
                    it = changed.erase(it);
                else
                    ++it;
            }
        } else {
            QSet<QUuid> earlier;
            for (const Participant &p : race.participants) {
                const auto found = changed.constFind(p.id);
                if (found == changed.constEnd())
                    continue;
                if (found->second != &p && !earlier.contains(p.id))
                    changed.remove(p.id);
                earlier.insert(p.id);
            }
        }
    } else {
        QSet<QUuid> seen;
        seen.reserve(race.participants.size());
        QHash<QUuid, qsizetype> indexBefore;
        for (qsizetype k = before.participants.size() - 1; k >= 0; --k)
            indexBefore.insert(before.participants[k].id, k);
        for (const Participant &now : race.participants) {
            if (seen.contains(now.id))
                continue;
            seen.insert(now.id);
            const auto found = indexBefore.constFind(now.id);
            const Participant *was = found == indexBefore.constEnd() ? nullptr : &before.participants[*found];
            if (!was || !sameStartTimes(*was, now) || !sameCourseChoices(*was, now))
                changed.insert(now.id, {was, &now});
        }
    }
    QList<MovedResult> moved;
    if (changed.isEmpty())
        return moved;
    // A few runners are told apart from the rest by their ids alone, many through the hash.
    constexpr qsizetype fewRunners = 8;
    QList<QUuid> few;
    if (changed.size() <= fewRunners)
        few = changed.keys();
    // A runner's class decides the course and the start rule of the results read before the
    // change; a result read with the change (a card given to a runner with a class) was recorded
    // in the new class already.
    QSet<QUuid> classMovedResults;
    for (auto it = changed.cbegin(); it != changed.cend(); ++it) {
        if (it->first && !sameCourseChoices(*it->first, *it->second)) {
            for (const PersonResult &result : before.results) {
                if (changed.contains(result.participantId))
                    classMovedResults.insert(result.id);
            }
            break;
        }
    }
    for (qsizetype i = 0; i < race.results.size(); ++i) {
        const PersonResult &result = race.results[i];
        if (!few.isEmpty() && !few.contains(result.participantId))
            continue;
        const auto runner = changed.constFind(result.participantId);
        if (runner == changed.constEnd())
            continue;
        if (runner->first && classMovedResults.contains(result.id)
            && !sameCourseChoiceOnStage(*runner->first, *runner->second, result.stageId)) {
            PersonResult now = reevaluatedForClass(race, *runner->second, result);
            if (!sameVerdict(now, result))
                moved.append(MovedResult {i, std::move(now)});
            continue;
        }
        const std::optional<QDateTime> was
            = runner->first ? startOnStage(*runner->first, result.stageId) : std::nullopt;
        const std::optional<QDateTime> planned = startOnStage(*runner->second, result.stageId);
        if (was == planned)
            continue;
        bool fromCard = false;
        const std::optional<QDateTime> now = startFromPlan(race, *runner->second, result, planned, fromCard);
        if (result.startTime == now)
            continue;
        // A start the card's start record gave stays: the planned time played no part in it.
        if (result.cardStartTime && result.startTime == result.cardStartTime && result.startTime != was)
            continue;
        PersonResult edited = result;
        edited.startTime = now;
        moved.append(MovedResult {i, reevaluated(race, edited, fromCard)});
    }
    return moved;
}

namespace {

// Whether the class gives a runner on the stage the same course, or the same courses to match
// among: its course there, its mode, its family and its list of courses.
bool sameCourseSetUp(const RaceClass *a, const RaceClass *b, const std::optional<QString> &stageId)
{
    if (!a || !b)
        return !a && !b;
    return classCourseIdOnStage(a, stageId) == classCourseIdOnStage(b, stageId) && a->mode == b->mode
        && a->courseFamily == b->courseFamily && a->courseIds == b->courseIds;
}

} // namespace

QList<MovedResult> resultsMovedByClasses(const Race &before, const Race &race)
{
    QList<MovedResult> moved;
    if (race.classes.isSharedWith(before.classes) || race.results.isEmpty())
        return moved;
    // The classes (by id) whose course set-up differs anywhere, deleted ones too.
    QList<QString> changed;
    for (const RaceClass &now : race.classes) {
        const RaceClass *was = findClass(before, now.id);
        if (!was || was->mode != now.mode || was->courseId != now.courseId
            || was->courseFamily != now.courseFamily || was->courseIds != now.courseIds
            || was->stageCourseIds != now.stageCourseIds)
            changed.append(now.id);
    }
    for (const RaceClass &was : before.classes) {
        if (!findClass(race, was.id))
            changed.append(was.id);
    }
    if (changed.isEmpty())
        return moved;
    const ParticipantLookup runners(race);
    for (qsizetype i = 0; i < race.results.size(); ++i) {
        const PersonResult &result = race.results[i];
        const Participant *runner = runners.find(result.participantId);
        const std::optional<QString> classId
            = runner ? classIdOnStage(*runner, result.stageId) : std::nullopt;
        if (!classId
            || std::none_of(
                changed.cbegin(), changed.cend(), [&](const QString &id) { return sameId(id, *classId); })
            || sameCourseSetUp(findClass(before, classId), findClass(race, classId), result.stageId))
            continue;
        PersonResult now = reevaluatedForClass(race, *runner, result);
        if (!sameVerdict(now, result))
            moved.append(MovedResult {i, std::move(now)});
    }
    return moved;
}

bool followPlannedStart(Race &race, qsizetype index)
{
    const PersonResult &result = std::as_const(race).results[index];
    const Participant *runner = firstParticipant(race, result.participantId);
    if (!runner)
        return false;
    bool fromCard = false;
    const std::optional<QDateTime> planned
        = startFromPlan(race, *runner, result, startOnStage(*runner, result.stageId), fromCard);
    if (result.startTime == planned)
        return false;
    // A start-punch class's start from the card's start record: the planned time played no part.
    if (startFromCardRecord(race, *runner, result))
        return false;
    PersonResult edited = result;
    edited.startTime = planned;
    race.results[index] = reevaluated(race, edited, fromCard);
    return true;
}

std::optional<QString> evaluationReviewNote(const Race &race, const PersonResult &result)
{
    // As recording judged it: the start came from the card's start record in a start-punch class.
    const Participant *runner = firstParticipant(race, result.participantId);
    const RaceClass *raceClass = runner ? findClass(race, classIdOnStage(*runner, result.stageId)) : nullptr;
    CardRuns runs;
    const Evaluation e = evaluateStored(race, result, startFromCardRecord(race, result), runs);
    if (!e.review.isEmpty())
        return e.review;
    // The heuristic match's own doubt, when the course came from it or none fitted alone.
    if (result.courseId && !result.courseAutoMatched)
        return std::nullopt;
    if (matchCourse(runs.latest, candidateCourses(race, raceClass, result.stageId)).ambiguous)
        return reviewSeveralCourses;
    return std::nullopt;
}
