#pragma once

// What one row of the results list says: place, runner, card and course, and on the right either
// the race time with the completion badge or, on a score course, the points, the overtime
// penalty and the time-limit verdict. Texts are looked up in the selected language when the row
// is built.

#include "race.h"

#include <QString>

#include <optional>

enum class RowTone { Plain, Green, Red, Orange };

struct ResultRowTexts
{
    // "1." or empty for a runner without a place.
    QString place;
    QString name;
    // "SI <card> · <course name>".
    QString detail;
    bool scoreCourse = false;

    // Timed rows: the race time, or "—" (orange) without one.
    QString time;
    RowTone timeTone = RowTone::Plain;
    // "+M:SS" behind the group's winner; empty for the winners and for runners without a place.
    QString behind;
    // Only where the verdict has a word (resultVerdict).
    bool showsBadge = false;
    QString badge;
    RowTone badgeTone = RowTone::Plain;
    bool overridden = false;
    // The reason given with the override, else "Manually overridden".
    QString overrideTooltip;
    // A note the card evaluation left for the organiser (no override), in the selected language.
    QString reviewNote;

    // Score rows: "120 pts" or "—" (orange), "-5 OT" when penalised, "IN TIME" / "OVERTIME".
    QString points;
    RowTone pointsTone = RowTone::Plain;
    QString overtime;
    QString verdict;
    RowTone verdictTone = RowTone::Plain;
};

// Durations as the results screen shows them: "M:SS" below an hour, else "H:MM:SS", rounded to
// the second (halves away from zero); "—" for a value that is not a duration.
[[nodiscard]] QString formatRaceTime(double seconds);
// "No course" when the result names no course or the course is gone (not translated, like names).
[[nodiscard]] QString courseNameForResult(const Race &race, const PersonResult &result);

// `leaderTime` is the group's winning time (timed groups with a winner only).
[[nodiscard]] ResultRowTexts resultRowTexts(const Race &race, const PersonResult &result,
    const std::optional<qint64> &place, const std::optional<double> &leaderTime);
