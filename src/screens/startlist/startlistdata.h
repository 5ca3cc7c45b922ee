#pragma once

// What the start-list screen derives from the race for the active stage, as pure functions: the
// filtered runners split into scheduled (start order) and unscheduled (name order), the grid of
// start seconds by class, the runners and classes each export receives, clearing, and the matching
// of an imported start list. The view-model calls these once per change; tests and benchmarks
// call them directly.

#include "iofstartlistparser.h"
#include "race.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <memory>
#include <optional>
#include <vector>

// The filters the screen applies before splitting; empty texts filter nothing.
struct StartListFilter
{
    QString classId;
    QString searchText;
};

struct StartListLists
{
    // The race's runners the lists were made from, shared with the race: the lists below are
    // positions in it, so they keep naming the same runners after the race has changed.
    QList<Participant> runners;
    // Runners with a class for the active stage passing the filter, in stored order.
    QList<qsizetype> filtered;
    // Those with a start time for the active stage, by time of day, ties by name.
    QList<qsizetype> scheduled;
    // Those without one, by name.
    QList<qsizetype> unscheduled;

    [[nodiscard]] const Participant &runner(qsizetype position) const { return runners[position]; }
    // Copies of the runners at `positions`, in that order.
    [[nodiscard]] QList<Participant> participants(const QList<qsizetype> &positions) const;

    // What the bands and the grid read of each scheduled runner, in the order of `scheduled`: its
    // start second of the day, its class for the active stage (an index into `classIds`) and its
    // position in `filtered`.
    struct ScheduledRow
    {
        int seconds = 0;
        int classIndex = 0;
        qsizetype filteredIndex = 0;
    };
    QList<ScheduledRow> scheduledRows;
    // The distinct class ids of the filtered runners, in order of first appearance.
    QStringList classIds;
};

[[nodiscard]] StartListLists startListLists(const Race &race, const StartListFilter &filter);

// The text searched for: case and diacritics removed.
[[nodiscard]] QString foldedSearchText(const QString &text);
// True when the (folded) query occurs in the runner's given name, family name, card or club.
[[nodiscard]] bool matchesSearch(const Participant &p, const QString &foldedQuery);

struct GridIndex
{
    // The classes with at least one runner in a cell, by name.
    QList<RaceClass> classes;
    // Every distinct start second of day, ascending.
    QList<int> timeSlots;
    // "<seconds>|<class id>" -> the runners' positions in the lists' `scheduled`, by name.
    QHash<QString, QList<qsizetype>> cells;
    // Runners per slot over the cells of `classes`.
    QList<int> runnerCounts;
};

[[nodiscard]] QString gridCellKey(int slotSeconds, const QString &classId);
// The grid of the scheduled runners of `lists`; `classes` are the columns that may appear.
[[nodiscard]] GridIndex buildGridIndex(const StartListLists &lists, const QList<RaceClass> &classes);
// "HH:MM:SS" of a second of the day.
[[nodiscard]] QString slotTimeText(int slotSeconds);

// One flag per scheduled runner: the alternating band of equal start seconds.
[[nodiscard]] QList<bool> startTimeBands(const StartListLists &lists);
// "<class>[ - <course>][ · <club>]" of a list row.
[[nodiscard]] QString classCourseLabel(const Race &race, const Participant &p);
// The same, with the runner's class on the active stage already found (findClass of its
// effectiveClassId; null when it has none).
[[nodiscard]] QString classCourseLabel(const Race &race, const Participant &p, const RaceClass *cls);

// ---- Exports ----------------------------------------------------------------------------------

enum class StartListExportKind { Xml, TimeslotPdf, ByClassPdf, StartPunchPdf };

// "scheduledTime" unless the runner's class for the active stage starts by the start punch.
[[nodiscard]] bool startsByPunchOnActiveStage(const Race &race, const Participant &p);
// Copies of the scheduled runners with the active stage's start time, class and course in the
// base fields.
[[nodiscard]] QList<Participant> exportScheduledParticipants(const Race &race, const StartListLists &lists);
// The filtered runners whose class starts by punch, stage class and course in the base fields.
[[nodiscard]] QList<Participant> startPunchParticipants(const Race &race, const StartListLists &lists);
// The race's classes with the course that judges them on the active stage in `courseId` (none for
// a class that chooses by family or among several courses).
[[nodiscard]] QList<RaceClass> classesForActiveStage(const Race &race);
// The proposed file name: race name, the kind's part, the stage part (events of two or more
// stages with an active one) and the extension.
[[nodiscard]] QString exportStartListFileName(const Race &race, StartListExportKind kind);

struct StartListExportOutcome
{
    bool ok = false;
    // "Export failed: " and the reason; empty on success.
    QString error;
};

// Writes the export to `path` (replaced whole, or left alone on failure). Success means the file
// is in place.
[[nodiscard]] StartListExportOutcome exportStartList(
    StartListExportKind kind, const Race &race, const StartListLists &lists, bool grid, const QString &path);

// ---- Clearing ---------------------------------------------------------------------------------

struct ClearPlan
{
    // Runners whose shown time is cleared (stage entry, or base time without a stage).
    QList<QUuid> cleared;
    // With a stage active: runners who still show a time after clearing because it is their base
    // time, which every stage without its own entry falls back to.
    int keptBaseTimes = 0;
};

// Runners of `classId` (base class; empty: everybody) with a shown time for the active stage.
[[nodiscard]] ClearPlan planClearStartTimes(const Race &race, const QString &classId);

// ---- Import -----------------------------------------------------------------------------------

struct StartListImportSummary
{
    int applied = 0;
    int noMatch = 0;
    int startPunch = 0;
    int dateCorrected = 0;
    // Of the applied: runners whose shown start time for the stage was another one before.
    int replaced = 0;
    // Placed on the stage's date, as the organiser agreed, when the file was for another day.
    int movedToStageDay = 0;
    // Matched starts not written because one of them lies outside the dates the event file can
    // hold: the import is then refused whole and counts nothing as applied.
    int unstorable = 0;
    bool operator==(const StartListImportSummary &) const = default;
};

// The IOF race a start list is read for: the active stage's place among the stages (from 1);
// absent for an event without stages, which takes race 1 of a file of several.
[[nodiscard]] std::optional<int> startListRaceNumber(const Race &race);

// The start list's day (its modal start day) against the active stage's date. When they differ the
// organiser is asked before any time is written; an unknown day on either side never asks.
struct StartListDayCheck
{
    QDate fileDay;
    QDate stageDay;
    QString stageName;
    [[nodiscard]] bool differs() const
    {
        return fileDay.isValid() && stageDay.isValid() && fileDay != stageDay;
    }
};
[[nodiscard]] StartListDayCheck checkStartListDay(const Race &race, const std::optional<QDateTime> &modalDay);

// The local day (as local midnight) on which most dates lie; the earliest of tied days; absent
// for no dates.
[[nodiscard]] std::optional<QDateTime> startListModalDay(const QList<QDateTime> &dates);

// Matches entries to runners by card (exactly), else by family and given name (case-insensitive);
// only runners with a class for the active stage take part, the first in race order wins.
class StartListMatcher
{
public:
    // Without `byName`, only entries with a card can be matched: for callers that know every entry
    // they match has one.
    explicit StartListMatcher(const Race &race, bool byName = true);
    // The runner's position in the race's participants.
    [[nodiscard]] std::optional<qsizetype> match(const IOFStartListParser::Entry &entry) const;

private:
    [[nodiscard]] std::optional<qsizetype> matchCard(const QString &card) const;

    // Cards of digits only, without a leading zero and short enough for 64 bits (nearly every
    // card), as numbers sorted with the first runner's position: the look-ups need no text made.
    struct NumberedCard
    {
        quint64 number = 0;
        qsizetype runner = 0;
    };
    std::vector<NumberedCard> m_byNumber;
    // Every other card, by its text without spaces.
    QHash<QString, qsizetype> m_byCard;
    QHash<QString, qsizetype> m_byName;
};

// The outcome of matching one entry: the runner and the time to write, or why nothing is written.
struct ImportedStart
{
    enum class Kind { Write, NoMatch, StartPunch } kind = Kind::NoMatch;
    QUuid runner;
    QDateTime time;
    bool dateCorrected = false;
};

// What resolving the entries of one import asks again and again, each answered once: the local
// day of a start time, and whether a class starts by punch on the active stage. Kept for one race
// (the one the entries are resolved against) and no longer than it lives unchanged.
class ImportedStartLookups
{
public:
    ImportedStartLookups();
    ~ImportedStartLookups();
    ImportedStartLookups(ImportedStartLookups &&) noexcept;
    ImportedStartLookups &operator=(ImportedStartLookups &&) noexcept;

    struct State;
    std::unique_ptr<State> state;
};

// `modalDay` from startListModalDay over all entries. A start off the modal day is moved onto it
// (time of day kept); when the day has no such local time the start is written as read and is
// not counted as corrected. `lookups` keeps its answers from earlier entries of `race`.
[[nodiscard]] ImportedStart resolveImportedStart(const Race &race, const StartListMatcher &matcher,
    const IOFStartListParser::Entry &entry, const std::optional<QDateTime> &modalDay,
    ImportedStartLookups &lookups);

// The whole import over a race in one go (no store, no progress): the times to write and the
// counts, the runners who are gone from `current` not counted as applied.
struct StartListImportPlan
{
    struct Start
    {
        // The runner's position in the race's participants.
        qsizetype runner = 0;
        QDateTime time;
    };
    // One per runner, by position, so writing them walks the participants once in stored order;
    // of a runner's several entries the file's last sets the time.
    QList<Start> times;
    StartListImportSummary summary;
};
[[nodiscard]] StartListImportPlan planStartListImport(
    const Race &race, const QList<IOFStartListParser::Entry> &entries);
// Writes the plan's times into the race it was made for.
void applyStartListImportPlan(Race &race, const StartListImportPlan &plan);
