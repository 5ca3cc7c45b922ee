#pragma once

// What the entry list shows, derived from the race: the rows' texts, the duplicate-card warnings,
// and the shown order (class filter, search, sort). Pure functions of the race; the screen keeps
// an EntryListIndex so that a keystroke in the search box costs one pass over the entries.

#include "race.h"

#include <QCollatorSortKey>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariantList>

#include <array>
#include <optional>

// The sort fields in menu order.
enum class ParticipantSortField { Name, CardNumber, Club, ClassAndCourse };
inline constexpr int participantSortFieldCount = 4;

// The field's title key ("Name", "Card", "Club", "Class / Course").
[[nodiscard]] QString sortFieldTitle(ParticipantSortField field);

// The race with first-match look-ups of its classes and courses by id, answering as findClass and
// findCourse do, from tables built once: a list of 5,000 entries looks classes up thousands of
// times, and each miss of findClass compares canonical forms. The race must outlive it, unchanged.
class RaceIds
{
public:
    explicit RaceIds(const Race &race);
    [[nodiscard]] const Race &race() const { return m_race; }
    [[nodiscard]] const RaceClass *findClass(const std::optional<QString> &id) const;
    [[nodiscard]] const Course *findCourse(const std::optional<QString> &id) const;

private:
    const Race &m_race;
    QHash<QString, const RaceClass *> m_classes;
    QHash<QString, const Course *> m_courses;
};

// The class and course of the entry for the stage (its own per-stage ids, no fallback), or for no
// stage (base ids): "No class" / "–" without a known class, the class name, or for a course-family
// class "Class - Course" or "Class (no course)".
[[nodiscard]] QString classCourseSummary(
    const RaceIds &ids, const Participant &entry, const std::optional<QString> &stageId);
// "Card 123 · H21 · Start 09:05:07 · Club · ✓ Checked in", as plain text.
[[nodiscard]] QString participantDetailLine(const RaceIds &ids, const Participant &entry);
// The in-row course picker is offered for entries of a course-family class.
[[nodiscard]] bool showsCoursePicker(const RaceIds &ids, const Participant &entry);
// The picker's courses: by name in natural order, only the class's family when it has one.
[[nodiscard]] QList<Course> rowCourseChoices(const RaceIds &ids, const Participant &entry);
// The stages by `order`, stable.
[[nodiscard]] QList<Stage> stagesInOrder(const QList<Stage> &stages);

// The warning each entry's row shows for a card number another entry holds too, by position in
// `race.participants`; an empty text where there is none. Numbers compare exactly as stored; an
// empty one and "0" never count. With stages, a holder counts only for the stages both of them run.
[[nodiscard]] QStringList duplicateCardWarnings(const Race &race);

// A text as the search compares it: without case or diacritics, no locale.
[[nodiscard]] QString searchFolded(const QString &text);

// The race's entries prepared for filtering and sorting. Building it folds every searchable field
// once; the order of each sort field is computed on first use and kept. It stays valid for as
// long as the race's entries, classes and courses are the ones it was built from (isFor).
class EntryListIndex
{
public:
    explicit EntryListIndex(const Race &race);

    [[nodiscard]] bool isFor(const Race &race) const;
    // Positions in the race's entries, in the order to show: kept by the class filter (empty: all
    // classes) and the search, stably sorted ascending by the field's key in the platform's
    // natural order, then reversed as a whole when descending.
    [[nodiscard]] QList<qsizetype> shown(
        const QString &filterClassId, const QString &searchText, ParticipantSortField field, bool ascending);

private:
    [[nodiscard]] const QList<qsizetype> &ascendingOrder(ParticipantSortField field);
    [[nodiscard]] bool inClass(const Participant &entry, const QString &classId) const;

    // Shares the lists of the race it was built from.
    Race m_race;
    // Given name, family name and card number of each entry, folded.
    QList<std::array<QString, 3>> m_folded;
    std::array<std::optional<QList<qsizetype>>, participantSortFieldCount> m_orders;
};
