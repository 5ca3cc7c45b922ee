#include "coursematch.h"

#include "perstage.h"
#include "splitlegs.h"
#include "stalepunches.h"

#include <QSet>

#include <algorithm>

std::optional<Course> chooseCourse(const Race &race, const Participant &participant)
{
    return chooseCourseOnStage(race, participant, race.activeStageId);
}

std::optional<Course> chooseCourseOnStage(
    const Race &race, const Participant &participant, const std::optional<QString> &stageId)
{
    const RaceClass *raceClass = findClass(race, classIdOnStage(participant, stageId));
    if (raceClass && raceClass->mode == RaceClassMode::MultiCourse)
        return std::nullopt;
    if (const auto own = courseIdOnStage(participant, stageId)) {
        const Course *course = findCourse(race, own);
        return course ? std::optional<Course>(*course) : std::nullopt;
    }
    const Course *course = findCourse(race, classCourseIdOnStage(raceClass, stageId));
    return course ? std::optional<Course>(*course) : std::nullopt;
}

QList<Course> candidateCourses(
    const Race &race, const RaceClass *raceClass, const std::optional<QString> &stageId)
{
    if (!raceClass || raceClass->mode == RaceClassMode::SingleCourse)
        return race.courses;
    QList<Course> candidates;
    if (raceClass->mode == RaceClassMode::MultiCourse) {
        if (!raceClass->courseIds || raceClass->courseIds->isEmpty())
            return race.courses;
        for (const Course &course : race.courses) {
            const bool listed = std::any_of(raceClass->courseIds->cbegin(), raceClass->courseIds->cend(),
                [&](const QString &id) { return sameId(course.id, id); });
            if (listed)
                candidates.append(course);
        }
        return candidates;
    }
    // Course family mode, or no mode at all.
    if (!raceClass->courseFamily)
        return race.courses;
    QList<Course> otherDays;
    for (const Course &course : race.courses) {
        if (!course.courseFamily || !sameId(*course.courseFamily, *raceClass->courseFamily))
            continue;
        if (!stageId || !course.stageId || sameId(*course.stageId, *stageId))
            candidates.append(course);
        else
            otherDays.append(course);
    }
    return candidates.isEmpty() ? otherDays : candidates;
}

double courseMatchScore(const QList<SIPunch> &punches, const Course &course)
{
    if (course.controls.isEmpty())
        return 0.0;
    if (course.type == CourseType::Rogaining) {
        QSet<qint64> courseCodes;
        for (const CourseControl &c : course.controls)
            courseCodes.insert(c.code);
        QSet<qint64> hit;
        for (const SIPunch &p : punches) {
            if (courseCodes.contains(p.controlCode))
                hit.insert(p.controlCode);
        }
        return double(hit.size()) / double(courseCodes.size());
    }
    return double(lcsLength(courseControlCodes(course), punchCodes(punches)))
        / double(course.controls.size());
}

namespace {

QSet<qint64> controlCodes(const Course &course)
{
    QSet<qint64> codes;
    for (const CourseControl &c : course.controls)
        codes.insert(c.code);
    return codes;
}

// Variants of a forked course share most controls, so a runner who missed one control of the
// variant run still scores close to its siblings. The punches set the leader apart from a close
// runner-up when it fits strictly better, they hold a control only the leader has, and none only
// the runner-up has: the forks the runner took are the leader's.
bool setApart(const QList<SIPunch> &punches, const Course &leader, double leaderScore, const Course &other,
    double otherScore)
{
    if (leaderScore <= otherScore)
        return false;
    const QSet<qint64> leaderCodes = controlCodes(leader);
    const QSet<qint64> otherCodes = controlCodes(other);
    bool leaderOnly = false;
    for (const SIPunch &p : punches) {
        const bool inLeader = leaderCodes.contains(p.controlCode);
        const bool inOther = otherCodes.contains(p.controlCode);
        if (inOther && !inLeader)
            return false;
        leaderOnly = leaderOnly || (inLeader && !inOther);
    }
    return leaderOnly;
}

} // namespace

CourseMatch matchCourse(const QList<SIPunch> &punches, const QList<Course> &candidates)
{
    CourseMatch match;
    if (punches.isEmpty() || candidates.isEmpty())
        return match;
    // A runner whose punches hold a candidate's every control in order ran that course, however
    // close its forked siblings score. Among several such candidates the one whose complete pass
    // starts latest on the card is today's (an earlier run on an uncleared card lies ahead of it);
    // at the same start, the one with more controls explains more of the punches. What still ties
    // cannot be told from the card.
    const QList<qint64> codes = punchCodes(punches);
    qsizetype chosen = -1;
    qsizetype chosenStart = -1;
    qsizetype chosenLength = 0;
    bool tied = false;
    for (qsizetype i = 0; i < candidates.size(); ++i) {
        if (candidates[i].type == CourseType::Rogaining)
            continue;
        const QList<qint64> sequence = courseControlCodes(candidates[i]);
        const std::optional<qsizetype> start = latestCompleteRunStart(sequence, codes);
        if (!start)
            continue;
        if (chosen < 0 || *start > chosenStart || (*start == chosenStart && sequence.size() > chosenLength)) {
            chosen = i;
            chosenStart = *start;
            chosenLength = sequence.size();
            tied = false;
        } else if (*start == chosenStart && sequence.size() == chosenLength) {
            tied = true;
        }
    }
    if (chosen >= 0) {
        if (tied)
            match.ambiguous = true;
        else
            match.course = candidates[chosen];
        return match;
    }

    QList<std::pair<double, qsizetype>> scored;
    scored.reserve(candidates.size());
    for (qsizetype i = 0; i < candidates.size(); ++i)
        scored.append({courseMatchScore(punches, candidates[i]), i});
    std::stable_sort(
        scored.begin(), scored.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    const double best = scored[0].first;
    if (best < 0.9)
        return match;
    const Course &leader = candidates[scored[0].second];
    for (qsizetype k = 1; k < scored.size() && best - scored[k].first < 0.15; ++k) {
        if (!setApart(punches, leader, best, candidates[scored[k].second], scored[k].first))
            return match;
    }
    match.course = leader;
    return match;
}

std::optional<Course> bestCourseMatch(const QList<SIPunch> &punches, const QList<Course> &candidates)
{
    return matchCourse(punches, candidates).course;
}
