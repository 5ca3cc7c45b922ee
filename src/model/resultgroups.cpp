#include "resultgroups.h"

#include "uuidslots.h"

#include <algorithm>

bool finishesBeforeStart(const PersonResult &result)
{
    if (result.raceTime && *result.raceTime < 0)
        return true;
    return result.startTime && result.finishTime && *result.finishTime < *result.startTime;
}

bool isScoreResult(const Course *course, const PersonResult &result)
{
    return course ? course->type == CourseType::Rogaining : result.score.has_value();
}

bool isScoreResult(const Race &race, const PersonResult &result)
{
    return isScoreResult(findCourse(race, result.courseId), result);
}

ScoreResults::ScoreResults(const Race &race)
    : m_race(race)
    , m_anyScoreCourse(std::any_of(race.courses.cbegin(), race.courses.cend(),
          [](const Course &c) { return c.type == CourseType::Rogaining; }))
{ }

bool ScoreResults::operator()(const PersonResult &result)
{
    if (!m_anyScoreCourse && !result.score)
        return false;
    if (!result.courseId)
        return result.score.has_value();
    const Course *course
        = m_known.get(*result.courseId, [this](const QString &id) { return findCourse(m_race, id); });
    return isScoreResult(course, result);
}

std::vector<bool> countedReads(const Race &race)
{
    const std::vector<qint32> counting = countingReadOf(race);
    std::vector<bool> counted(counting.size(), false);
    for (std::size_t k = 0; k < counting.size(); ++k)
        counted[k] = counting[k] == qint32(k);
    return counted;
}

qint32 StageNumbers::numberOf(const QString &id)
{
    for (qsizetype s = 0; s < m_race.stages.size(); ++s)
        if (sameId(id, m_race.stages[s].id))
            return qint32(s);
    return m_count++;
}

std::vector<qint32> countingReadOf(const Race &race, const std::vector<qint32> *judged,
    const std::vector<qint32> &runnerOf, qsizetype runners, const std::vector<qint32> &stageOf,
    const StageNumbers &stages)
{
    std::vector<qint32> counting(std::size_t(race.results.size()), -1);
    const std::size_t count = runnerOf.size();
    const auto resultAt = [judged](std::size_t n) { return judged ? (*judged)[n] : qint32(n); };
    const qint32 stageCount = stages.count();
    const std::size_t columns = std::size_t(stageCount) + (stages.anyWithoutStage() ? 1 : 0);
    std::vector<qint32> chosen(std::size_t(runners) * columns, -1);
    // The read that counts for the n-th judged result's runner and stage, so far.
    const auto choice = [&](std::size_t n) -> qint32 & {
        const qint32 stage = stageOf[n];
        return chosen[std::size_t(runnerOf[n]) * columns
            + std::size_t(stage == StageNumbers::noStage ? stageCount : stage)];
    };
    for (std::size_t n = 0; n < count; ++n) {
        qint32 &at = choice(n);
        const qint32 k = resultAt(n);
        if (at < 0 || race.results[k].readAt > race.results[at].readAt)
            at = k;
    }
    for (std::size_t n = 0; n < count; ++n)
        counting[std::size_t(resultAt(n))] = choice(n);
    return counting;
}

std::vector<qint32> countingReadOf(const Race &race, const std::vector<qint32> *judged)
{
    const qsizetype count = judged ? qsizetype(judged->size()) : race.results.size();
    if (count == 0)
        return std::vector<qint32>(std::size_t(race.results.size()), -1);
    const auto resultAt = [judged](qsizetype n) { return judged ? (*judged)[std::size_t(n)] : qint32(n); };
    // Each result's runner as a dense slot and its stage as a dense number: a table of slots ×
    // stages then holds each pair's counted read.
    UuidSlots runners(count);
    StageNumbers stages(race);
    std::vector<qint32> runnerOf(static_cast<std::size_t>(count));
    std::vector<qint32> stageOfResult(static_cast<std::size_t>(count));
    qint32 previous = -1;
    constexpr qsizetype ahead = 8;
    for (qsizetype n = 0; n < count; ++n) {
        // Only the runner and the stage are read of most records: those a few places on are
        // asked for now.
        if (n + ahead < count) {
            const PersonResult &later = race.results[resultAt(n + ahead)];
            __builtin_prefetch(&later.participantId);
            __builtin_prefetch(&later.stageId);
        }
        const PersonResult &r = race.results[resultAt(n)];
        qint32 slot = runners.findNear(r.participantId, previous);
        if (slot < 0) {
            bool added = false;
            slot = runners.insert(r.participantId, added);
        }
        previous = slot;
        runnerOf[std::size_t(n)] = slot;
        stageOfResult[std::size_t(n)] = stages(r.stageId);
    }
    return countingReadOf(race, judged, runnerOf, runners.size(), stageOfResult, stages);
}
