#pragma once

// What the entry list shows, derived from the race: the rows' texts, the duplicate-card warnings,
// and the shown order (class filter, search, sort). Pure functions of the race; the screen keeps
// an EntryListIndex so that a keystroke in the search box costs one pass over the entries.

#include "race.h"

#include <QCollator>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariantList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

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

// The class and course of the entry for the stage (its per-stage ids, each falling back to the
// base id as the day's card recording does), or for no stage (base ids): "No class" / "–" without
// a known class, the class name, or for a course-family class "Class - Course", else (no course
// known yet) "Class - family Family", or the class name alone when it names no family.
[[nodiscard]] QString classCourseSummary(
    const RaceIds &ids, const Participant &entry, const std::optional<QString> &stageId);
// "Card 123 · H21 · Start 09:05:07 · Club · ✓ Checked in", as plain text; the start is the one of
// the race's active stage (the base start where the entry has none for it).
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
// The same for the entries that have one, by position (most have none), from each entry's
// cardGroupKey: the numbers are then not read again.
using CardWarnings = QHash<qsizetype, QString>;
[[nodiscard]] CardWarnings duplicateCardWarningsByPosition(
    const Race &race, const std::vector<quint64> &cardKeys);

// A card number as the duplicate warnings group it: noCardKey for none (empty or "0"), its digits
// as one integer when, without grouping spaces, it is 1 to 17 ASCII digits (the length above the
// value, so that "0815" and "815" stay apart), else textCardKey (grouped by the text without its
// spaces).
[[nodiscard]] quint64 cardGroupKey(QStringView cardNumber);
inline constexpr quint64 noCardKey = 0;
inline constexpr quint64 textCardKey = ~quint64(0);

// A text as the search compares it: without case or diacritics, no locale.
[[nodiscard]] QString searchFolded(const QString &text);

// Distinct texts numbered in the order first met, held one after another in one buffer: a look-up
// hashes the text once and compares it only with texts of the same hash, and no text is copied
// into a QString of its own (a copy of a stored text touches its shared header, entry by entry).
// Texts compare as QString compares them: a null text and an empty one are the same.
class TextNumbers
{
public:
    // The text's number, and whether it was new.
    std::pair<quint32, bool> insert(QStringView text);
    [[nodiscard]] QStringView text(quint32 number) const
    {
        return QStringView(m_chars.data() + m_ends[number], m_chars.data() + m_ends[number + 1]);
    }
    [[nodiscard]] quint32 size() const { return quint32(m_hashes.size()); }

private:
    void rehash(std::size_t slotCount);

    std::vector<char16_t> m_chars;
    std::vector<quint32> m_ends {0};
    std::vector<std::size_t> m_hashes;
    // Number + 1 of the text in each slot; 0 for an empty slot.
    std::vector<quint32> m_slots;
};

// The sort keys of a list, for its stable order in a collator's order: each distinct key is
// collated once and ranked, and the positions are then placed by rank in one pass, so a list of
// many entries sharing few keys (classes, clubs, common names) costs little more than a pass
// over them, and a comparison never visits an entry.
class CollatedKeys
{
public:
    void reserve(qsizetype count);
    // The key of the next position; returns the key's number.
    quint32 append(QStringView key);
    quint32 append(const QString &key) { return append(QStringView(key)); }
    // The next position has the key an earlier append numbered so.
    void appendNumber(quint32 number) { m_keyOf.push_back(number); }
    // The positions ascending by their key; keys the collator finds equal keep their
    // positions' order.
    [[nodiscard]] std::vector<quint32> order(const QCollator &collator) const;

private:
    TextNumbers m_texts;
    std::vector<quint32> m_keyOf;
};

// The race's entries prepared for filtering and sorting. Building it folds every searchable field
// once; the order of each sort field is computed on first use and kept. It stays valid for as
// long as the race's entries, classes and courses are the ones it was built from (isFor).
class EntryListIndex
{
public:
    explicit EntryListIndex(const Race &race);

    [[nodiscard]] bool isFor(const Race &race) const;
    // The cardGroupKey of each entry, taken in the same pass as the search texts, when the race
    // holds the very list of entries it was built from (null otherwise).
    [[nodiscard]] std::shared_ptr<const std::vector<quint64>> cardKeysFor(const Race &race) const;
    // Positions in the race's entries, in the order to show: kept by the class filter (empty: all
    // classes) and the search, stably sorted ascending by the field's key in the platform's
    // natural order, then reversed as a whole when descending.
    [[nodiscard]] QList<qsizetype> shown(
        const QString &filterClassId, const QString &searchText, ParticipantSortField field, bool ascending);

private:
    [[nodiscard]] const std::vector<quint32> &ascendingOrder(ParticipantSortField field);
    [[nodiscard]] bool inClass(const Participant &entry, const QString &classId) const;
    [[nodiscard]] bool matches(qsizetype entry, QStringView needle, QStringView cardNeedle) const;
    [[nodiscard]] QStringView folded(std::size_t field) const
    {
        return QStringView(m_folded.data() + m_foldedEnds[field], m_folded.data() + m_foldedEnds[field + 1]);
    }

    // Shares the lists of the race it was built from.
    Race m_race;
    // The names' keys, taken in the same pass as the search texts: the entries' own memory is
    // read once per build, not once per use.
    CollatedKeys m_nameKeys;
    // Given name, family name and card number of each entry, folded, one after another in one
    // buffer: a search reads it in sequence instead of visiting three heap strings per entry.
    // Field f (0 to 2) of entry i spans m_foldedEnds[3i + f] to m_foldedEnds[3i + f + 1].
    std::vector<char16_t> m_folded;
    std::vector<quint32> m_foldedEnds;
    std::shared_ptr<std::vector<quint64>> m_cardKeys;
    std::array<std::optional<std::vector<quint32>>, participantSortFieldCount> m_orders;
};
