#pragma once

// Natural order of class names: the letters before the number first, then the number, then the
// whole name, so that H8 < H10 < H21 < H and D21 < H10.

#include "race.h"

#include <QString>

struct ClassSortKey
{
    // The name before its first numeric character, upper-cased with the full Unicode mapping.
    QString prefix;
    // All numeric characters of the name read as one decimal number; the largest value when the
    // name has none or they do not form an ASCII number within 64 bits.
    qint64 number = 0;
    QString name;
};

[[nodiscard]] ClassSortKey classSortKey(const QString &name);

// Text order without locale or case folding: Unicode scalar values of the NFC forms.
// Negative, zero or positive like strcmp.
[[nodiscard]] int compareUnicodeText(const QString &a, const QString &b);

// Strict weak order of keys: prefix, then number, then full name; prefixes and names in the
// selected language's collation (`compareNames`), ties in code points.
[[nodiscard]] bool classSortKeyLess(const ClassSortKey &a, const ClassSortKey &b);
[[nodiscard]] bool classNameLess(const QString &a, const QString &b);
// Sort predicate over classes; looks only at their names.
[[nodiscard]] bool compareClassNames(const RaceClass &a, const RaceClass &b);
