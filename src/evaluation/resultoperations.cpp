#include "resultoperations.h"

#include "cardrecording.h"
#include "coursematch.h"
#include "perstage.h"
#include "racelookup.h"

#include <QSet>

#include <algorithm>

namespace {

qsizetype participantIndex(const Race &race, const QUuid &id)
{
    for (qsizetype i = 0; i < race.participants.size(); ++i) {
        if (race.participants[i].id == id)
            return i;
    }
    return -1;
}

} // namespace

bool setParticipantStatus(Race &race, const QUuid &participantId,
    const std::optional<ParticipantStatus> &status, const std::optional<QString> &stageId)
{
    const qsizetype i = participantIndex(race, participantId);
    if (i < 0)
        return false;
    (void)setStatusOnStage(race.participants[i], status, stageId, race.stages);
    return true;
}

bool clearNotStartedMark(Race &race, const PersonResult &result)
{
    const qsizetype i = participantIndex(race, result.participantId);
    if (i < 0)
        return false;
    const Participant &runner = std::as_const(race.participants)[i];
    if (!runner.status && !runner.statusByStage)
        return false;
    if (statusOnStage(runner, result.stageId) != ParticipantStatus::Dns)
        return false;
    return setStatusOnStage(race.participants[i], std::nullopt, result.stageId, race.stages);
}

bool updateParticipant(Race &race, const Participant &participant)
{
    const qsizetype i = participantIndex(race, participant.id);
    if (i < 0)
        return false;
    race.participants[i] = participant;
    return true;
}

bool deleteParticipant(Race &race, const QUuid &participantId)
{
    race.participants.removeIf([&](const Participant &p) { return p.id == participantId; });
    return true;
}

bool setParticipantCourse(Race &race, const QUuid &participantId, const std::optional<QString> &courseId)
{
    const qsizetype i = participantIndex(race, participantId);
    if (i < 0)
        return false;
    setCourseId(race, courseId, i);
    return true;
}

bool deleteResult(Race &race, const QUuid &resultId)
{
    race.results.removeIf([&](const PersonResult &r) { return r.id == resultId; });
    return true;
}

bool overrideResultStatus(Race &race, const QUuid &resultId, const std::optional<bool> &completed,
    const std::optional<QString> &note)
{
    const QList<PersonResult> &results = race.results;
    for (qsizetype i = 0; i < results.size(); ++i) {
        if (results[i].id != resultId)
            continue;
        PersonResult &r = race.results[i];
        r.completedOverride = completed;
        // Back to the automatic status: the reason goes, and a card the evaluation holds for
        // review is held again (the forced reason took its note's place).
        r.overrideNote = completed ? note : evaluationReviewNote(race, r);
        return true;
    }
    return false;
}

bool setVexloWebEventId(Race &race, const QString &eventId)
{
    if (race.vexloWebEventId == eventId)
        return false;
    race.vexloWebEventId = eventId;
    return true;
}

bool setVexloWebChecklistKey(Race &race, const QString &key)
{
    if (race.vexloWebChecklistKey || key.isEmpty())
        return false;
    race.vexloWebChecklistKey = key;
    return true;
}

bool setVexloWebChecklistKeyIfNotEmpty(Race &race, const QString &key)
{
    if (key.isEmpty())
        return false;
    race.vexloWebChecklistKey = key;
    return true;
}

QList<RaceClass> classesUsingCourse(const Race &race, const Course &course)
{
    QList<RaceClass> using_;
    for (const RaceClass &c : race.classes) {
        const bool byId = sameId(c.courseId, course.id);
        const bool byFamily
            = c.courseFamily && course.courseFamily && sameId(*c.courseFamily, *course.courseFamily);
        const bool byList = c.courseIds
            && std::any_of(c.courseIds->cbegin(), c.courseIds->cend(),
                [&](const QString &id) { return sameId(id, course.id); });
        if (byId || byFamily || byList)
            using_.append(c);
    }
    return using_;
}

QList<Participant> candidateParticipants(const Race &race, const Course &course)
{
    QList<QString> classIds;
    for (const RaceClass &c : classesUsingCourse(race, course))
        classIds.append(c.id);
    QList<Participant> candidates;
    for (const Participant &p : race.participants) {
        if (!p.cardNumber.isEmpty())
            continue;
        const bool byCourse = sameId(p.courseId, course.id);
        const bool byClass = p.classId
            && std::any_of(classIds.cbegin(), classIds.cend(),
                [&](const QString &id) { return sameId(id, *p.classId); });
        if (byCourse || byClass)
            candidates.append(p);
    }
    return candidates;
}

bool assignUnmatchedCard(
    Race &race, const QString &cardNumber, const QUuid &participantId, const std::optional<Course> &course)
{
    const qsizetype i = participantIndex(race, participantId);
    if (i < 0)
        return false;
    if (race.participants[i].cardNumber != cardNumber) {
        // The card the runner ran with: a rent-a-card number that stood in for it is theirs no more.
        race.participants[i].cardNumber = cardNumber;
        race.participants[i].isRentalCard.reset();
    }
    if (!course)
        return true;
    // The card was read into the active stage: its course is the runner's there.
    const std::optional<QString> &stage = race.activeStageId;
    Participant &runner = race.participants[i];
    if (!classIdOnStage(runner, stage)) {
        const QList<RaceClass> using_ = classesUsingCourse(race, *course);
        setClassIdOnStage(
            runner, using_.isEmpty() ? std::nullopt : std::optional<QString>(using_.first().id), stage);
    }
    if (!courseIdOnStage(runner, stage)) {
        if (choosesCourseByFamily(findClass(race, classIdOnStage(runner, stage))))
            setCourseIdOnStage(runner, course->id, stage);
    }
    return true;
}
