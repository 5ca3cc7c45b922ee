#pragma once

// Start times typed on the start-list screen and its dialogs: "9", "930", "9.30", "9,30.15",
// "09:30:00". Read into a normalised "HH:MM:SS" text, then placed on a calendar day.

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// "HH:MM:SS" (hour 00-23, minute and second 00-59), or absent for anything unreadable. Accepts an
// hour alone, H:MM and H:MM:SS with ":", "." or "," between the parts (mixed), and three or four
// bare digits (HMM, HHMM). Each part is a whole decimal number with an optional sign and any
// number of leading zeros: "+9:30" and "00009" are read, "-5" is out of range.
[[nodiscard]] std::optional<QString> parseStartTimeText(const QString &text);

// The typed time on `day` (a calendar day in local time), as a UTC instant; absent when the text
// is unreadable or the local clock never shows that time on that day.
[[nodiscard]] std::optional<QDateTime> startTimeOnDay(const QString &text, const QDate &day);

// The typed time on the local calendar day of `day`, whatever time of day `day` carries; with no
// `day`, on the local calendar day of `now`.
[[nodiscard]] std::optional<QDateTime> startTimeOnRaceDay(
    const QString &text, const std::optional<QDateTime> &day, const QDateTime &now);
