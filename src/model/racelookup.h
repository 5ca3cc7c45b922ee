#pragma once

// First-match look-ups by id, shared by every part that reads the document. Text ids compare by
// canonical equivalence (sameId); an absent id finds nothing.

#include "race.h"

#include <QHash>

[[nodiscard]] const RaceClass *findClass(const Race &race, const std::optional<QString> &classId);
[[nodiscard]] const Course *findCourse(const Race &race, const std::optional<QString> &courseId);
[[nodiscard]] const Participant *findParticipant(const Race &race, const QUuid &participantId);

// True when the class leaves each runner's course to be chosen among a course family: its mode is
// courseFamily, or it has no mode but a family. A class in that mode whose family is not picked
// yet is one all the same (its runners choose among every course). Every part that gives a runner
// a course of their own, offers one or shows it asks this.
[[nodiscard]] bool choosesCourseByFamily(const RaceClass *raceClass);
// Whether a runner of the class may be given the course: any course, unless the class chooses by
// family and has a family, which then the course must carry (exactly).
[[nodiscard]] bool offersCourse(const RaceClass *raceClass, const Course &course);
// The course the class gives its runners on a stage (none: no stage, the class's own course): none
// for a multi-course class or one that chooses by family (its family judges, on every day);
// otherwise the stage's entry in stageCourseIds when it has one (an empty entry: no course that
// day), else the class's own course, whichever stage that course is tagged for. Judging, the
// Classes screen and the start lists all read the class's course through this.
[[nodiscard]] std::optional<QString> classCourseIdOnStage(
    const RaceClass *raceClass, const std::optional<QString> &stageId);

// Card numbers are digits. People type and lists print them grouped ("2 000 009"); the grouping
// spaces (any white space, no-break and thin spaces included) are not part of the number.
// The number without them; other characters are kept, so a caller can refuse the text.
[[nodiscard]] QString cardNumberWithoutSpaces(const QString &text);
// True for a character those spaces are made of.
[[nodiscard]] bool isCardNumberSpace(QChar c);
// True when the text, without spaces, is empty or ASCII digits only.
[[nodiscard]] bool isCardNumberText(const QString &text);
// The largest number a SportIdent card carries: its three number bytes all set.
inline constexpr quint32 largestCardNumber = 16'777'215;
// True when the card-number text (isCardNumberText), without spaces, is at most eight digits and
// at most largestCardNumber. Empty counts as within range.
[[nodiscard]] bool isCardNumberInRange(const QString &text);

// The part of a proposed export file name that tells the stage apart: "-" + the stage's name + "-"
// + its local date (yyyy-MM-dd), "/" and ":" made "-"; empty unless the event has two or more
// stages and one of them has this id.
[[nodiscard]] QString stageFileNamePart(const Race &race, const std::optional<QString> &stageId);

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
