#pragma once

// The store's small editing operations on entries and results, and the unmatched-card helpers.
// Each acts on the first record with the given id and returns whether the store must autosave,
// following that operation's own rule (deletions always save; edits of unknown ids never do).

#include "race.h"

// The mark on `stageId` (setStatusOnStage); without a stage the runner's mark for every stage.
[[nodiscard]] bool setParticipantStatus(Race &race, const QUuid &participantId,
    const std::optional<ParticipantStatus> &status, const std::optional<QString> &stageId = std::nullopt);
// A read of the runner on a stage: their did-not-start mark on the result's stage goes (a
// did-not-finish mark stays). True when a mark was removed.
bool clearNotStartedMark(Race &race, const PersonResult &result);
// Replaces the participant with the same id in place; never adds one.
[[nodiscard]] bool updateParticipant(Race &race, const Participant &participant);
// Removes every participant with the id; their results stay. Always saves.
[[nodiscard]] bool deleteParticipant(Race &race, const QUuid &participantId);
// Writes the participant's course for the active stage (absent clears it).
[[nodiscard]] bool setParticipantCourse(
    Race &race, const QUuid &participantId, const std::optional<QString> &courseId);
// Removes every result with the id. Always saves.
[[nodiscard]] bool deleteResult(Race &race, const QUuid &resultId);
// Sets the completed override; the note is kept only together with an override. Clearing it
// gives the result back the evaluation's review note, when the evaluation has one.
[[nodiscard]] bool overrideResultStatus(Race &race, const QUuid &resultId,
    const std::optional<bool> &completed, const std::optional<QString> &note);
// Saves only when the stored id changed.
[[nodiscard]] bool setVexloWebEventId(Race &race, const QString &eventId);
// Sets the key only when the race has none yet (an empty stored key counts as one) and the given
// key is not empty.
[[nodiscard]] bool setVexloWebChecklistKey(Race &race, const QString &key);
// Sets the key whenever it is not empty, replacing any stored key, even an equal one.
[[nodiscard]] bool setVexloWebChecklistKeyIfNotEmpty(Race &race, const QString &key);

// Classes whose base course id, course family or course id list names the course.
[[nodiscard]] QList<RaceClass> classesUsingCourse(const Race &race, const Course &course);
// Entries without a card number whose base course is the course or whose base class uses it.
[[nodiscard]] QList<Participant> candidateParticipants(const Race &race, const Course &course);
// Gives the card number to the participant and, with a matched course, completes a missing class
// (the first class using the course) and, for a course-family class, a missing course.
[[nodiscard]] bool assignUnmatchedCard(
    Race &race, const QString &cardNumber, const QUuid &participantId, const std::optional<Course> &course);
