#include "resultgroups.h"

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
    const Kind kind = m_known.get(*result.courseId, [this](const QString &id) {
        const Course *course = findCourse(m_race, id);
        return course ? (course->type == CourseType::Rogaining ? Kind::Score : Kind::Other) : Kind::Gone;
    });
    return kind == Kind::Gone ? result.score.has_value() : kind == Kind::Score;
}

std::vector<bool> countedReads(const Race &race)
{
    const std::vector<qint32> counting = countingReadOf(race);
    std::vector<bool> counted(counting.size(), false);
    for (std::size_t k = 0; k < counting.size(); ++k)
        counted[k] = counting[k] == qint32(k);
    return counted;
}

std::vector<qint32> countingReadOf(const Race &race, const std::vector<qint32> *judged)
{
    std::vector<qint32> counting(std::size_t(race.results.size()), -1);
    const qsizetype count = judged ? qsizetype(judged->size()) : race.results.size();
    if (count == 0)
        return counting;
    const auto resultAt = [judged](qsizetype n) { return judged ? (*judged)[std::size_t(n)] : qint32(n); };
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
        if (!r.stageId) {
            stageOfResult[std::size_t(n)] = noStage;
            anyWithoutStage = true;
            continue;
        }
        stageOfResult[std::size_t(n)] = stageOf.get(*r.stageId, [&](const QString &id) {
            for (qsizetype s = 0; s < race.stages.size(); ++s)
                if (sameId(id, race.stages[s].id))
                    return qint32(s);
            return stageCount++;
        });
    }
    const qint32 columns = stageCount + (anyWithoutStage ? 1 : 0);
    std::vector<qint32> chosen(std::size_t(runners.size()) * std::size_t(columns), -1);
    // The read that counts for the n-th judged result's runner and stage, so far.
    const auto choice = [&](qsizetype n) -> qint32 & {
        const qint32 stage = stageOfResult[std::size_t(n)];
        return chosen[std::size_t(runnerOf[std::size_t(n)]) * std::size_t(columns)
            + std::size_t(stage == noStage ? stageCount : stage)];
    };
    for (qsizetype n = 0; n < count; ++n) {
        qint32 &at = choice(n);
        const qint32 k = resultAt(n);
        if (at < 0 || race.results[k].readAt > race.results[at].readAt)
            at = k;
    }
    for (qsizetype n = 0; n < count; ++n)
        counting[std::size_t(resultAt(n))] = choice(n);
    return counting;
}
