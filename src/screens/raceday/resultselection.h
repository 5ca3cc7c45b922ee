#pragma once

// Which results the results screen and its exports show, grouped by class, in which order and
// with which places. Pure functions of the race and the screen's two filter values; they are
// computed anew whenever the race or a filter changes. A runner read more than once in a stage is
// listed with the latest read alone (as the overall standings count it).
//
// Places: only a runner whose effective status is completed (the override first) and who has
// something to rank by (a race time; on a score course, points) gets a place. Mispunched,
// unfinished and disqualified runners follow the placed ones without a place. Equal ranking
// values share a place and the next place skips (1, 2, 2, 4). Race times are compared in whole
// seconds, as they are shown; a non-finite time counts as no time at all.

#include "race.h"
#include "resultgroups.h"
#include "standings.h"

#include <QList>
#include <QString>

#include <optional>

// The stage filter value that selects the overall standings.
inline const QString overallStageFilter = QStringLiteral("__overall__");

struct ResultFilter
{
    // Empty: every class.
    QString classId;
    // Empty: every stage; overallStageFilter: the overall standings; else a stage id.
    QString stageId;

    [[nodiscard]] bool showsOverall() const { return stageId == overallStageFilter; }
};

struct ClassResults
{
    // The group label, shown verbatim: a class name or "No class".
    QString className;
    // Into the race the groups were selected from: read them while it is unchanged. A result with
    // its splits and punches is large, and a screen or document takes what it keeps of it itself.
    QList<const PersonResult *> results;
    // One per result; absent for a runner without a place.
    QList<std::optional<qint64>> places;
    // True when the group is ranked by points (a result on a rogaining course is in it).
    bool scoreGroup = false;
    // The winner's time, for the behind-the-leader texts of a timed group.
    std::optional<double> leaderTime;
    // The class's runners marked as not started or not finished on the stage shown, by name,
    // listed after every result (their reads of the stage are not among the results).
    QList<MarkedRunner> marked;
};

struct ClassStandings
{
    QString className;
    // Into the race the standings were computed from, as ClassResults.
    QList<RankedEntry> standings;
    QList<std::optional<qint64>> places;
    // Ranked by the summed points (a run of the class on a score course), then the total time.
    bool scoreGroup = false;
};

// "Unknown" when the runner is gone.
[[nodiscard]] QString displayName(const Race &race, const PersonResult &result);
// The class of the runner for the result's own stage (per-stage class first, else the base one).
[[nodiscard]] std::optional<QString> labelClassId(const Race &race, const PersonResult &result);
// That class's name; "No class" when the runner, the class id or the class is missing.
[[nodiscard]] QString classLabel(const Race &race, const PersonResult &result);
// The class filter compares the class the label shows, so a runner who ran another class in one
// stage is listed (and exported) under that class only.
[[nodiscard]] bool resultMatchesFilter(
    const Race &race, const ResultFilter &filter, const PersonResult &result);
[[nodiscard]] bool classUsesScoreCourse(const Race &race, const QList<PersonResult> &results);
// The race time when it is a finite number.
[[nodiscard]] std::optional<double> rankedTime(const PersonResult &result);

// One result per runner and stage (countingReadOf): an earlier read of the same runner and stage
// is not listed. Where one stage is shown (or the event has no stages), a runner marked on it is
// listed in `marked` of the class they run that stage in, and their reads of it are not: the mark
// stands until the organiser clears it. Stable: results that
// compare equal keep their order in `race.results`. The groups point into `race`.
[[nodiscard]] QList<ClassResults> resultsForClass(const Race &race, const ResultFilter &filter);
// Every class (or the filtered one) with participants, across every stage; empty without stages.
[[nodiscard]] QList<ClassStandings> overallStandings(const Race &race, const ResultFilter &filter);
// The name of the selected stage; absent for every stage, the overall standings or an unknown id.
[[nodiscard]] std::optional<QString> selectedStageName(const Race &race, const ResultFilter &filter);

// The same groups as the documents take them.
[[nodiscard]] QList<ResultGroup> toResultGroups(const QList<ClassResults> &groups);
[[nodiscard]] QList<StandingsGroup> toStandingsGroups(const QList<ClassStandings> &groups);
