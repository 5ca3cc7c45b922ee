#include "perstage.h"

#include <algorithm>

namespace {

template<typename T>
std::optional<T> readForStage(const std::optional<QString> &stageId, const std::optional<T> &base,
    const std::optional<StageMap<T>> &map)
{
    if (!stageId || !map)
        return base;
    if (const T *entry = stageEntry(*map, *stageId))
        return *entry;
    return base;
}

template<typename T>
void writeForStage(const std::optional<QString> &stageId, std::optional<T> &base,
    std::optional<StageMap<T>> &map, const std::optional<T> &value)
{
    if (!stageId) {
        base = value;
        return;
    }
    const QString &stage = *stageId;
    if (!map)
        map = StageMap<T>();
    // Find the stored key that is canonically the same id, so one stage never gets two entries.
    QString key = stage;
    for (auto it = map->constBegin(); it != map->constEnd(); ++it) {
        if (sameId(it.key(), stage)) {
            key = it.key();
            break;
        }
    }
    if (value)
        map->insert(key, *value);
    else
        map->remove(key);
}

} // namespace

std::optional<QDateTime> scheduledStartTime(const Race &race, const Participant &p)
{
    return readForStage(shownStage(race), p.startTime, p.startTimeByStage);
}

std::optional<QString> effectiveClassId(const Race &race, const Participant &p)
{
    return readForStage(shownStage(race), p.classId, p.classIdByStage);
}

std::optional<QString> effectiveCourseId(const Race &race, const Participant &p)
{
    return readForStage(shownStage(race), p.courseId, p.courseIdByStage);
}

std::optional<StartTimePreference> effectiveStartTimePreference(const Race &race, const Participant &p)
{
    return readForStage(shownStage(race), p.startTimePreference, p.startTimePreferenceByStage);
}

std::optional<QDateTime> startTimeOnStage(const Participant &p, const std::optional<QString> &stageId)
{
    return readForStage(stageId, p.startTime, p.startTimeByStage);
}

void setClassIdOnStage(
    Participant &p, const std::optional<QString> &value, const std::optional<QString> &stageId)
{
    writeForStage(stageId, p.classId, p.classIdByStage, value);
}

void setCourseIdOnStage(
    Participant &p, const std::optional<QString> &value, const std::optional<QString> &stageId)
{
    writeForStage(stageId, p.courseId, p.courseIdByStage, value);
}

std::optional<QString> classIdOnStage(const Participant &p, const std::optional<QString> &stageId)
{
    return readForStage(stageId, p.classId, p.classIdByStage);
}

std::optional<QString> courseIdOnStage(const Participant &p, const std::optional<QString> &stageId)
{
    return readForStage(stageId, p.courseId, p.courseIdByStage);
}

std::optional<ParticipantStatus> statusOnStage(const Participant &p, const std::optional<QString> &stageId)
{
    if (p.status || !stageId || !p.statusByStage)
        return p.status;
    const ParticipantStatus *mark = stageEntry(*p.statusByStage, *stageId);
    return mark ? std::optional<ParticipantStatus>(*mark) : std::nullopt;
}

bool markedOnAnyStage(const Participant &p, const QList<Stage> &stages)
{
    if (p.status)
        return true;
    if (!p.statusByStage || p.statusByStage->isEmpty())
        return false;
    return std::any_of(stages.cbegin(), stages.cend(),
        [&p](const Stage &s) { return stageEntry(*p.statusByStage, s.id) != nullptr; });
}

bool setStatusOnStage(Participant &p, const std::optional<ParticipantStatus> &status,
    const std::optional<QString> &stageId, const QList<Stage> &stages)
{
    if (!stageId || stageId->isEmpty()) {
        const bool changed = p.status != status || p.statusByStage;
        p.status = status;
        p.statusByStage.reset();
        return changed;
    }
    if (statusOnStage(p, stageId) == status)
        return false;
    StageMap<ParticipantStatus> marks = p.statusByStage.value_or(StageMap<ParticipantStatus>());
    if (p.status) {
        for (const Stage &stage : stages) {
            if (!stageEntry(marks, stage.id))
                marks.insert(stage.id, *p.status);
        }
        p.status.reset();
    }
    // The entry as stored, whatever its id's spelling.
    for (auto it = marks.begin(); it != marks.end();) {
        if (sameId(it.key(), *stageId))
            it = marks.erase(it);
        else
            ++it;
    }
    if (status)
        marks.insert(*stageId, *status);
    if (marks.isEmpty())
        p.statusByStage.reset();
    else
        p.statusByStage = std::move(marks);
    return true;
}

void setStartTime(Race &race, const std::optional<QDateTime> &value, qsizetype index)
{
    Participant &p = race.participants[index];
    writeForStage(shownStage(race), p.startTime, p.startTimeByStage, value);
}

void setClassId(Race &race, const std::optional<QString> &value, qsizetype index)
{
    Participant &p = race.participants[index];
    writeForStage(shownStage(race), p.classId, p.classIdByStage, value);
}

void setCourseId(Race &race, const std::optional<QString> &value, qsizetype index)
{
    Participant &p = race.participants[index];
    writeForStage(shownStage(race), p.courseId, p.courseIdByStage, value);
}

void setStartTimePreference(Race &race, const std::optional<StartTimePreference> &value, qsizetype index)
{
    Participant &p = race.participants[index];
    writeForStage(shownStage(race), p.startTimePreference, p.startTimePreferenceByStage, value);
}

void StartTimeWriter::set(qsizetype index, const QDateTime &value)
{
    Participant &p = m_race.participants[index];
    // A time in a named zone is kept apart: its zone is more than the three numbers of the key.
    const std::optional<QString> &stage = shownStage(m_race);
    if (!stage || (p.startTimeByStage && !p.startTimeByStage->isEmpty()) || !value.isValid()
        || value.timeSpec() == Qt::TimeZone) {
        setStartTime(m_race, value, index);
        return;
    }
    const Instant key {value.toMSecsSinceEpoch(), int(value.timeSpec()), value.offsetFromUtc()};
    auto it = m_maps.find(key);
    if (it == m_maps.end()) {
        StageMap<QDateTime> map;
        map.insert(*stage, value);
        it = m_maps.insert(key, map);
    }
    p.startTimeByStage = it.value();
}
