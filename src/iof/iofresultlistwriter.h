#pragma once

// IOF XML 3.0 ResultList documents, written as the UTF-8 bytes of their file. Valid against the
// IOF Data Standard 3.0 schema for any input: texts are escaped and stripped of characters XML
// cannot carry, elements follow the schema's order, and every status is the effective one.

#include "resultgroups.h"
#include "resultverdict.h"
#include "utf8document.h"

#include <QByteArray>
#include <QString>

inline constexpr const char *iofNamespace = "http://www.orienteering.org/datastandard/3.0";

// One stage per class: start, finish, time, time behind the group's winner (a placed row in a
// group with a `leaderTime`), position, status, score, card; then the group's runners marked as
// not started or not finished, with their status and card alone.
[[nodiscard]] QByteArray writeIOFResultListXML(
    const Race &race, const QList<ResultGroup> &groups, IOFListBuffering buffering = {});
// The same list, each result's elements followed by one SplitTime per recorded split (seconds from
// the start) before its card.
[[nodiscard]] QByteArray writeIOFResultListWithSplitsXML(
    const Race &race, const QList<ResultGroup> &groups, IOFListBuffering buffering = {});
// Overall standings; the event name gets " - Overall". A row with summed points carries them as
// its Score.
[[nodiscard]] QByteArray writeIOFOverallResultListXML(
    const Race &race, const QList<StandingsGroup> &groups, IOFListBuffering buffering = {});

// The ResultStatus that says a verdict: "OK" for a completed run (a score run within its limit or
// without one); "Finished" (finished, not yet validated) for a run without a time or a verdict yet:
// no start time, held for review, no course to judge it by; "DidNotFinish", "OverTime",
// "MissingPunch".
[[nodiscard]] const char *iofStatusOfVerdict(ResultVerdict verdict);
// The overall ResultStatus: "OK" for a placed runner; else that of the stage that keeps the runner
// out: "MissingPunch", "Disqualified" (forced not completed), "OverTime", "DidNotStart",
// "DidNotFinish"; "Finished" for a stage held for review, without a start time or without a time.
[[nodiscard]] const char *iofOverallStatus(OverallStatus status);
// The ResultStatus written for a result: its verdict (resultVerdict) in IOF's word.
[[nodiscard]] QString iofResultStatus(const Race &race, const PersonResult &result);

// The line writing of the documents built as text (start list, live results), which the result
// lists write in the same form: two spaces per level, one element a line, each line ended by a
// line feed. Values are written as given: the caller escapes texts.
namespace iofwrite {
void line(QString &out, int indent, const QString &text);
void element(QString &out, int indent, const char *name, const QString &value);
// The runner's club as an Organisation with its Name; nothing without a club.
void organisation(QString &out, int indent, const std::optional<QString> &club);
// From the PersonResult start tag to the Result start tag, names and club escaped.
void personOpen(
    QString &out, const QString &family, const QString &given, const std::optional<QString> &club);
// The Result and PersonResult end tags.
void personClose(QString &out);
} // namespace iofwrite
