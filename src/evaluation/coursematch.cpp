#include "coursematch.h"

#include "perstage.h"
#include "stalepunches.h"

#include <QSet>

#include <algorithm>

std::optional<Course> chooseCourse(const Race &race, const Participant &participant)
{
    const RaceClass *raceClass = findClass(race, effectiveClassId(race, participant));
    if (raceClass && raceClass->mode == RaceClassMode::MultiCourse)
        return std::nullopt;
    if (const auto own = effectiveCourseId(race, participant)) {
        const Course *course = findCourse(race, own);
        return course ? std::optional<Course>(*course) : std::nullopt;
    }
    if (!raceClass)
        return std::nullopt;
    std::optional<QString> classCourse = raceClass->courseId;
    if (race.activeStageId && raceClass->stageCourseIds) {
        if (const QString *entry = stageEntry(*raceClass->stageCourseIds, *race.activeStageId))
            classCourse = *entry;
    }
    const Course *course = findCourse(race, classCourse);
    return course ? std::optional<Course>(*course) : std::nullopt;
}

QList<Course> candidateCourses(const Race &race, const RaceClass *raceClass)
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
    for (const Course &course : race.courses) {
        if (course.courseFamily && sameId(*course.courseFamily, *raceClass->courseFamily))
            candidates.append(course);
    }
    return candidates;
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
    return double(lcsLength(courseSequence(course), punchCodes(punches))) / double(course.controls.size());
}

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
        const QList<qint64> sequence = courseSequence(candidates[i]);
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
    if (scored.size() > 1 && best - scored[1].first < 0.15)
        return match;
    match.course = candidates[scored[0].second];
    return match;
}

std::optional<Course> bestCourseMatch(const QList<SIPunch> &punches, const QList<Course> &candidates)
{
    return matchCourse(punches, candidates).course;
}
