#pragma once

// The rule-based start-list generator: a grid of one-minute slots from the first start, every
// scheduled runner of every class given a slot. Pure: it reads only its arguments, and the same
// arguments (seed included) always give the same plan.
//
// Hard rules: a slot holds at most `capacity` runners; runners who may run the same course (one
// start group) never share a minute and start at least `gap` minutes apart; classes using the
// start punch get no time. Soft rules: classes whose courses begin at the same control keep the gap
// where the grid allows; clubmates of a class start apart; "early" and "late" runners take the
// first and last slots of their class.

#include "race.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

struct StartGeneratorSettings
{
    int windowMinutes = 90;
    int slotCapacity = 1;
    int minSpacingMinutes = 1;
    // Whose per-stage class, course and start-method settings apply.
    std::optional<QString> stageId;
    // The per-class shuffles draw from this; the caller picks a fresh one for every run.
    quint64 seed = 0;
};

struct StartGeneratorResult
{
    QHash<QUuid, QDateTime> assignments;
    QStringList warnings;
    // Scheduled runners who got no slot. Their old time for the stage must be cleared when the plan
    // is applied, or it could share a minute with a runner of the new plan.
    QList<QUuid> unplaced;
};

// The grid a run actually uses, after clamping typed values: at most a day of minutes, capacity 1
// to the number of runners, gap 1 to the window. Slot i starts at first start + i minutes.
struct StartGrid
{
    int slotCount = 2;
    int capacity = 1;
    int gap = 1;
};
[[nodiscard]] StartGrid startGrid(const StartGeneratorSettings &settings, qsizetype runnerCount);

// A participant's class for the stage ("" for none).
[[nodiscard]] QString classIdForStage(const Participant &p, const std::optional<QString> &stageId);
// True when the class starts by the start punch on the stage (no planned time).
[[nodiscard]] bool usesStartPunch(const RaceClass &cls, const std::optional<QString> &stageId);

// The start group of each class id that occurs among the classes or the participants. Classes join
// one group when they may send runners onto one course: a shared course for the stage, a course of
// the family of a family class that names no course of its own, a course of a multi-course list, or
// a runner's own course; a class with none of these is a group of its own. The family a single- or
// multi-course class carries groups nothing.
// The courses each class id may send runners onto, as tokens ("course:<id>", "family:<name>",
// or "class:<id>" for a class with none); the generator keeps classes apart that share a token.
[[nodiscard]] QHash<QString, QStringList> classCourseTokens(const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const std::optional<QString> &stageId);
[[nodiscard]] QHash<QString, QString> startGroupKeys(const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const std::optional<QString> &stageId);

// The code of the first control of the class's course for the stage; absent for a score course,
// a course without controls, or a class whose course cannot be found.
[[nodiscard]] std::optional<qint64> firstControlCode(const QString &classId, const QList<RaceClass> &classes,
    const QList<Course> &courses, const std::optional<QString> &stageId);

// The slots a class of n runners aims at over S slots: the middle one for a single runner, else
// n points spread evenly from the first slot to the last.
[[nodiscard]] QList<int> slotTargets(int runners, int slotCount);

// The acceptable slot nearest to the target (the earlier one at equal distance), first keeping the
// gap to the first-control slots too, then without them; absent when none is acceptable.
[[nodiscard]] std::optional<int> nearestFreeSlot(int target, int slotCount, const QString &groupKey,
    const QList<int> &slotRunnerCounts, const QList<QSet<QString>> &slotGroupKeys, int capacity,
    const QList<int> &spacedSlots, int gap, const QList<int> &firstControlSlots);

// Gives a class's runners (their clubs, "" for none) to its slots in order, keeping clubmates
// apart: `gridClubs` holds the clubs already starting in each slot of the grid. Returns, for each
// slot in turn, the index of the runner it got (fewer entries when the runners run out).
[[nodiscard]] QList<int> placeByClub(
    const QList<int> &slotList, const QStringList &runnerClubs, const QList<QStringList> &gridClubs);

// The smallest capacity at which the window's slots hold n runners, and the window whose slots of
// the given capacity hold them.
[[nodiscard]] int slotCapacityForWindow(qsizetype runners, int windowMinutes);
[[nodiscard]] int windowForSlotCapacity(qsizetype runners, int capacity);

// Participants carry their preference for the stage in `startTimePreference`.
[[nodiscard]] StartGeneratorResult generateStartTimes(const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const QDateTime &firstStart,
    const StartGeneratorSettings &settings);

// How many scheduled runners the generator leaves without a slot under these settings. Which slots
// a class gets does not depend on the seed, so neither does this count.
[[nodiscard]] qsizetype unplacedRunnerCount(const QList<Participant> &participants,
    const QList<RaceClass> &classes, const QList<Course> &courses, const StartGeneratorSettings &settings);

// Over the race's active stage at the given gap: the smallest capacity from `fromCapacity` at which
// the generator places every scheduled runner in the window, and the shortest window from
// `fromWindow` (up to `longestWindow`) that places them all at the capacity; absent when none does.
[[nodiscard]] std::optional<int> capacityPlacingEveryone(
    const Race &race, int windowMinutes, int gap, int fromCapacity);
[[nodiscard]] std::optional<int> windowPlacingEveryone(
    const Race &race, int capacity, int gap, int fromWindow, int longestWindow);

// The day start times of the start list are dated on: the active stage's date, else the event's
// date (local calendar days); absent when the race has neither.
[[nodiscard]] std::optional<QDate> raceDay(const Race &race);
// raceDay, else `today`.
[[nodiscard]] QDate startListDay(const Race &race, const QDate &today);

// One generation over the race's active stage with the typed first start on the start-list day;
// absent (and nothing to apply) when the first start is not a readable time.
[[nodiscard]] std::optional<StartGeneratorResult> planStartList(
    const Race &race, const QString &firstStartText, StartGeneratorSettings settings, const QDate &today);
