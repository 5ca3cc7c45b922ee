#pragma once

// Checks of what the organiser types into a name field before it is stored: a name is one line
// of ordinary characters, short enough for every list and document that prints it.

#include <QDate>
#include <QString>

// The longest name a field stores, in characters (UTF-16 code units).
inline constexpr qsizetype longestTypedName = 200;

// True when the text holds a line break, a tab or another control character (line and paragraph
// separators included).
[[nodiscard]] bool holdsControlCharacter(const QString &text);

// Why the typed name cannot be stored, in the chosen language; empty when it can. A line break,
// a tab or any other control character is refused, and so is a name above longestTypedName.
[[nodiscard]] QString typedNameProblem(const QString &name);

// What the organiser typed, to quote in a refusal: trimmed, at most `length` characters, each line
// break or other control character shown as a blank (a message is one line).
[[nodiscard]] QString typedTextEcho(const QString &text, qsizetype length);

// The chosen language's short date form with a four-digit year: Danish "dd.MM.yyyy", English
// the system's English short form, else British "dd/MM/yyyy" (a two-digit year would read "26"
// as 1926).
[[nodiscard]] QString shortDateFormat();
// A typed date in that short form (day and month with or without a leading zero) or as ISO
// yyyy-MM-dd, blanks around it ignored; an invalid date when it is neither.
[[nodiscard]] QDate dateFromTypedText(const QString &text);
