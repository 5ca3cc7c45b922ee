#pragma once

// A participant's class, course and scheduled start for the stage the set-up and list screens show
// (shownStage: the one picked there, else the active stage). The store's six per-stage operations
// are thin wrappers around these; they read nothing of the race but that stage, and they never
// save. Card reads name their stage (the active one) through the ...OnStage functions.

#include "race.h"

#include <QHash>

[[nodiscard]] std::optional<QDateTime> scheduledStartTime(const Race &race, const Participant &p);
[[nodiscard]] std::optional<QString> effectiveClassId(const Race &race, const Participant &p);
[[nodiscard]] std::optional<QString> effectiveCourseId(const Race &race, const Participant &p);
[[nodiscard]] std::optional<StartTimePreference> effectiveStartTimePreference(
    const Race &race, const Participant &p);
// The same for a stage the caller names (none: the base value), as screens that show every day
// read them: the stage's entry, else the base value.
[[nodiscard]] std::optional<QDateTime> startTimeOnStage(
    const Participant &p, const std::optional<QString> &stageId);
[[nodiscard]] std::optional<QString> classIdOnStage(
    const Participant &p, const std::optional<QString> &stageId);
[[nodiscard]] std::optional<QString> courseIdOnStage(
    const Participant &p, const std::optional<QString> &stageId);
// A runner's did-not-start or did-not-finish mark on a stage: the mark for every stage (as earlier
// versions mark a runner), else the stage's own. No stage: the mark for every stage.
[[nodiscard]] std::optional<ParticipantStatus> statusOnStage(
    const Participant &p, const std::optional<QString> &stageId);
// Whether the runner is marked on any stage of `stages` (or for every stage).
[[nodiscard]] bool markedOnAnyStage(const Participant &p, const QList<Stage> &stages);
// Marks the runner on one stage (an absent value clears the mark), the others kept: a mark for
// every stage becomes one mark per stage of `stages` first. No stage (or an empty id): the mark
// for every stage, replacing the single stages' marks. False when nothing changed.
bool setStatusOnStage(Participant &p, const std::optional<ParticipantStatus> &status,
    const std::optional<QString> &stageId, const QList<Stage> &stages);

// Writes the stage's entry (none: the base field); an absent value clears it.
void setClassIdOnStage(
    Participant &p, const std::optional<QString> &value, const std::optional<QString> &stageId);
void setCourseIdOnStage(
    Participant &p, const std::optional<QString> &value, const std::optional<QString> &stageId);

// `index` must lie within race.participants. An absent value clears: the base field when no stage
// is shown, else only the shown stage's entry (an emptied map stays present).
void setStartTime(Race &race, const std::optional<QDateTime> &value, qsizetype index);
void setClassId(Race &race, const std::optional<QString> &value, qsizetype index);
void setCourseId(Race &race, const std::optional<QString> &value, qsizetype index);
void setStartTimePreference(Race &race, const std::optional<StartTimePreference> &value, qsizetype index);

// Many runners' start times written as setStartTime writes them, for an import or a plan. A runner
// without a start map (or with an empty one) gets the shown stage's one-entry map, and runners
// given the same time, held the same way, share that map as copies of one map would: a large list
// is then written without making a map per runner (and freed without freeing one).
class StartTimeWriter
{
public:
    explicit StartTimeWriter(Race &race)
        : m_race(race)
    { }
    void set(qsizetype index, const QDateTime &value);

private:
    struct Instant
    {
        qint64 msecs = 0;
        int spec = 0;
        int offset = 0;
        bool operator==(const Instant &) const = default;
        friend size_t qHash(const Instant &i, size_t seed = 0)
        {
            return qHashMulti(seed, i.msecs, i.spec, i.offset);
        }
    };
    Race &m_race;
    QHash<Instant, StageMap<QDateTime>> m_maps;
};
