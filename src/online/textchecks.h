#pragma once

// Keys, ids and passwords travel into request headers, URLs and JSON as they are. A control
// character in one (a line break above all) would let a header line of someone else's choosing
// into the request, so none is ever sent: the user is told instead.

#include <QString>

#include <algorithm>

[[nodiscard]] inline bool hasControlCharacter(const QString &text)
{
    return std::any_of(
        text.cbegin(), text.cend(), [](QChar c) { return c.category() == QChar::Other_Control; });
}
