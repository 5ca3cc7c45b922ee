#pragma once

// Text helpers shared by the written documents (receipt, IOF XML, OE CSV, PDF).

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

// "&", "<", ">" and the double quote replaced by their entities, in that order; the apostrophe
// stays. An ampersand already starting an entity is escaped again.
[[nodiscard]] QString escapeMarkup(const QString &text);

// escapeMarkup, and every character that XML 1.0 does not allow (control characters other than
// tab, line feed and carriage return, U+FFFE, U+FFFF, unpaired surrogates) replaced by U+FFFD,
// so that any input gives a well-formed document.
[[nodiscard]] QString escapeXmlText(const QString &text);

// A date printed for people, as the chosen language writes it: "16 May 2027", "16. maj 2027".
// Files for other programs keep their fixed forms (iofDateTime and the like).
[[nodiscard]] QString printedDate(const QDate &date);

// A number printed for people with `decimals` places and the chosen language's decimal sign, no
// thousands separator: "2.4", "2,4".
[[nodiscard]] QString printedNumber(double value, int decimals);

// Nearest whole second (halves away from zero): "m:ss" below an hour, else "h:mm:ss".
// A negative, non-finite or absurdly large value gives "—": no duration is printed below zero.
[[nodiscard]] QString formatDuration(double seconds);

// The seconds cut to a whole number toward zero; absent when not finite, out of range or a whole
// second or more below zero (no duration is written below zero).
[[nodiscard]] std::optional<qint64> truncatedSeconds(double seconds);

// Given name, one space, family name, with leading and trailing spaces (Unicode space
// separators) and tabs removed; line breaks stay.
[[nodiscard]] QString personDisplayName(const QString &givenName, const QString &familyName);

// ISO 8601 in UTC with "Z" and no fractional seconds; absent for an invalid time or a year that
// xsd:dateTime cannot carry as four digits.
[[nodiscard]] std::optional<QString> iofDateTime(const QDateTime &time);

// A file browser's name order: case-insensitive, runs of ASCII digits compared by value.
// Negative, zero or positive like strcmp.
[[nodiscard]] int naturalCompare(const QString &a, const QString &b);

// At most `limit` user-perceived characters: a longer text keeps limit − 1 of them and gets "…".
[[nodiscard]] QString shortenToGraphemes(const QString &text, int limit);
