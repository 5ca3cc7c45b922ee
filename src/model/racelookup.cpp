#include "racelookup.h"

const RaceClass *findClass(const Race &race, const std::optional<QString> &classId)
{
    if (!classId)
        return nullptr;
    for (const RaceClass &c : race.classes) {
        if (sameId(c.id, *classId))
            return &c;
    }
    return nullptr;
}

const Course *findCourse(const Race &race, const std::optional<QString> &courseId)
{
    if (!courseId)
        return nullptr;
    for (const Course &c : race.courses) {
        if (sameId(c.id, *courseId))
            return &c;
    }
    return nullptr;
}

const Participant *findParticipant(const Race &race, const QUuid &participantId)
{
    for (const Participant &p : race.participants) {
        if (p.id == participantId)
            return &p;
    }
    return nullptr;
}

ParticipantLookup::ParticipantLookup(const Race &race)
{
    m_byId.reserve(race.participants.size());
    for (const Participant &p : race.participants) {
        if (!m_byId.contains(p.id))
            m_byId.insert(p.id, &p);
    }
}
