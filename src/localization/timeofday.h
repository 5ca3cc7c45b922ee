#pragma once

// Typed clock times of the setup screens ("9:30", "9.30", "7") and their text.

#include <QDate>
#include <QString>

#include <optional>

// Seconds from midnight (whole minutes, 0:00 to 23:59), or absent for an unreadable text.
// A minutes part that is not a usable number counts as 0; seconds are ignored.
[[nodiscard]] std::optional<qint64> parseTimeOfDay(const QString &text);

// "%02d:%02d" of the hours and minutes (truncating; hours not wrapped at 24).
[[nodiscard]] QString timeOfDayText(qint64 seconds);

// A stage's date as the screens show it: the medium date style of the chosen language
// ("Jun 14, 2025", "14. jun. 2025").
[[nodiscard]] QString mediumDateText(const QDate &date);
