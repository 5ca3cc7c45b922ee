#pragma once

// The card receipt: one self-contained HTML document for a thermal printer. Fixed English.

#include "race.h"

#include <QString>

// Never fails: missing runner, class or course degrade to "Unknown", no class line and "—".
// The status line is the effective one (an official's override counts).
[[nodiscard]] QString renderReceiptHTML(const PersonResult &result, const Race &race);

// Nearest whole second: "m:ss" below an hour, else "h:mm:ss" (754.6 s -> "12:35").
[[nodiscard]] QString formatDurationForReceipt(double seconds);
