#pragma once

// Start-time operations over the event document, for the active stage. Each finds a runner as the
// first participant with the id and skips ids that match nobody. None of them saves: the store's
// wrappers save once per operation, never once per runner.

#include "race.h"
#include "startgenerator.h"

#include <QHash>
#include <QList>
#include <QRandomGenerator>
#include <QUuid>

#include <optional>

// The first index of every participant id.
[[nodiscard]] QHash<QUuid, qsizetype> participantIndex(const Race &race);

// The runners a draw or mass start gives a time: every participant (no class id) or those whose
// base class is the id, each the first participant with its id, in stored order. A runner whose
// class on the active stage starts by the start punch is left out (the card's start punch times
// the run; a planned time would override it), and that class is named in `startPunchClasses`,
// stored order; with no class id every start-punch class of the stage is named, runners or not.
struct DrawSelection
{
    QList<qsizetype> runners;
    QStringList startPunchClasses;
};
[[nodiscard]] DrawSelection drawSelection(const Race &race, const std::optional<QString> &classId);

// Random draw: the runners drawSelection selects (the empty class id: every class) shuffled, the
// k-th given first start + k x interval. False, and nothing changed, for an interval that is not a
// finite number of seconds within a day. `skipped`: the start-punch classes left out.
bool assignIntervalStartTimes(Race &race, const QString &classId, const QDateTime &firstStart,
    double intervalSeconds, QRandomGenerator &rng, QStringList *skipped = nullptr);
// The runners drawSelection selects get the same start.
void assignMassStart(Race &race, const std::optional<QString> &classId, const QDateTime &start,
    QStringList *skipped = nullptr);
// False when no participant has the id.
bool setParticipantStartTime(Race &race, const QUuid &id, const std::optional<QDateTime> &start);
bool setStartTimePreference(
    Race &race, const QUuid &id, const std::optional<StartTimePreference> &preference);
// Each listed runner gets its time; the others keep theirs.
void applyStartTimes(Race &race, const QHash<QUuid, QDateTime> &times);
// A generated plan: its times, and the unplaced runners' old times cleared. False when the plan
// writes nothing at all.
bool applyStartPlan(Race &race, const StartGeneratorResult &plan);
// The times of the listed runners who have one, handed out again earliest first in list order
// among those same runners; runners without a time and repeated ids are left alone.
void reorderStartTimes(Race &race, const QList<QUuid> &orderedIds);
// Clears the listed runners' times for the active stage; the number of runners whose stored
// time was removed.
qsizetype clearStartTimes(Race &race, const QList<QUuid> &ids);

// The day a typed or edited time of this runner lies on: the race's day (active stage, else
// event), else the day of the runner's current start, else `today`.
[[nodiscard]] QDate startTimeEditDay(const Race &race, const Participant &participant, const QDate &today);
