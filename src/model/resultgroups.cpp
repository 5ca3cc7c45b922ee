#include "resultgroups.h"

#include "idmemo.h"
#include "readahead.h"
#include "uuidslots.h"

bool finishesBeforeStart(const PersonResult &result)
{
    if (result.raceTime && *result.raceTime < 0)
        return true;
    return result.startTime && result.finishTime && *result.finishTime < *result.startTime;
}

bool isScoreResult(const Race &race, const PersonResult &result)
{
    if (const Course *course = findCourse(race, result.courseId))
        return course->type == CourseType::Rogaining;
    return result.score.has_value();
}

bool ScoreResults::operator()(const PersonResult &result)
{
    if (!result.courseId)
        return result.score.has_value();
    auto it = m_known.constFind(*result.courseId);
    if (it == m_known.constEnd()) {
        const Course *course = findCourse(m_race, result.courseId);
        it = m_known.insert(*result.courseId,
            course ? (course->type == CourseType::Rogaining ? Kind::Score : Kind::Other) : Kind::Gone);
    }
    return *it == Kind::Gone ? result.score.has_value() : *it == Kind::Score;
}

std::vector<bool> countedReads(const Race &race)
{
    const std::vector<qint32> counting = countingReadOf(race);
    std::vector<bool> counted(counting.size(), false);
    for (std::size_t k = 0; k < counting.size(); ++k)
        counted[k] = counting[k] == qint32(k);
    return counted;
}

std::vector<qint32> countingReadOf(const Race &race)
{
    const qsizetype count = race.results.size();
    std::vector<qint32> counting(std::size_t(count), -1);
    if (count == 0)
        return counting;
    // Each result's runner as a dense slot and its stage as a dense number: the stages of the
    // event first (an id equal to one of theirs is that stage), then each other id as met, then
    // results without a stage. A table of slots × stages then holds each pair's counted read.
    UuidSlots runners(count);
    IdMemo<qint32> stageOf;
    qint32 stageCount = qint32(race.stages.size());
    std::vector<qint32> runnerOf(static_cast<std::size_t>(count));
    std::vector<qint32> stageOfResult(static_cast<std::size_t>(count));
    constexpr qint32 noStage = -1;
    bool anyWithoutStage = false;
    qint32 previous = -1;
    constexpr qsizetype ahead = 8;
    for (qsizetype k = 0; k < count; ++k) {
        readAheadResult(race.results, k + ahead);
        const PersonResult &r = race.results[k];
        qint32 slot = runners.findNear(r.participantId, previous);
        if (slot < 0) {
            bool added = false;
            slot = runners.insert(r.participantId, added);
        }
        previous = slot;
        runnerOf[std::size_t(k)] = slot;
        if (!r.stageId) {
            stageOfResult[std::size_t(k)] = noStage;
            anyWithoutStage = true;
            continue;
        }
        stageOfResult[std::size_t(k)] = stageOf.get(*r.stageId, [&](const QString &id) {
            for (qsizetype s = 0; s < race.stages.size(); ++s)
                if (sameId(id, race.stages[s].id))
                    return qint32(s);
            return stageCount++;
        });
    }
    const qint32 columns = stageCount + (anyWithoutStage ? 1 : 0);
    std::vector<qint32> chosen(std::size_t(runners.size()) * std::size_t(columns), -1);
    // The read that counts for result k's runner and stage, so far.
    const auto choice = [&](qsizetype k) -> qint32 & {
        const qint32 stage = stageOfResult[std::size_t(k)];
        return chosen[std::size_t(runnerOf[std::size_t(k)]) * std::size_t(columns)
            + std::size_t(stage == noStage ? stageCount : stage)];
    };
    for (qsizetype k = 0; k < count; ++k) {
        qint32 &at = choice(k);
        if (at < 0 || race.results[k].readAt > race.results[at].readAt)
            at = qint32(k);
    }
    for (qsizetype k = 0; k < count; ++k)
        counting[std::size_t(k)] = choice(k);
    return counting;
}
