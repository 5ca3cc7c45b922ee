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
    QList<qint64> codes;
    codes.reserve(punches.size());
    for (const SIPunch &p : punches)
        codes.append(p.controlCode);
    return double(lcsLength(courseSequence(course), codes)) / double(course.controls.size());
}

std::optional<Course> bestCourseMatch(const QList<SIPunch> &punches, const QList<Course> &candidates)
{
    if (punches.isEmpty() || candidates.isEmpty())
        return std::nullopt;
    QList<std::pair<double, qsizetype>> scored;
    scored.reserve(candidates.size());
    for (qsizetype i = 0; i < candidates.size(); ++i)
        scored.append({courseMatchScore(punches, candidates[i]), i});
    std::stable_sort(
        scored.begin(), scored.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    const double best = scored[0].first;
    if (best < 0.9)
        return std::nullopt;
    if (scored.size() == 1)
        return candidates[scored[0].second];
    if (best - scored[1].first < 0.15)
        return std::nullopt;
    return candidates[scored[0].second];
}
