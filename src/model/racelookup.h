#pragma once

// First-match look-ups by id, shared by every part that reads the document. Text ids compare by
// canonical equivalence (sameId); an absent id finds nothing.

#include "race.h"

#include <QHash>

[[nodiscard]] const RaceClass *findClass(const Race &race, const std::optional<QString> &classId);
[[nodiscard]] const Course *findCourse(const Race &race, const std::optional<QString> &courseId);
[[nodiscard]] const Participant *findParticipant(const Race &race, const QUuid &participantId);

// The race's participants by id, answering as findParticipant does (the first with the id), from a
// table built once: a document of 50,000 rows would otherwise scan the list once per row. The
// race's participant list must outlive it, unchanged.
class ParticipantLookup
{
public:
    explicit ParticipantLookup(const Race &race);
    [[nodiscard]] const Participant *find(const QUuid &participantId) const
    {
        return m_byId.value(participantId, nullptr);
    }

private:
    QHash<QUuid, const Participant *> m_byId;
};
