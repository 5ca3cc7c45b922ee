#pragma once

// Page geometry of a receipt on a narrow roll printer. The page is made exactly as tall as the
// laid-out text plus fixed allowances and the bottom feed, so a receipt of any length prints as
// one page. All lengths are points (1/72 inch).

#include <QString>
#include <QTextDocument>

#include <memory>

inline constexpr double receiptTextWidth = 209;
inline constexpr double receiptTextInset = 6;
inline constexpr double receiptPaperWidth = 221;
inline constexpr double receiptMargin = 6;
// A feed beyond this is taken for a typing slip; it would make a page CUPS refuses.
inline constexpr double receiptMaximumFeed = 2000;

// The feed setting as used: a negative, not-a-number or infinite setting counts as 0; very large
// ones are capped at receiptMaximumFeed.
[[nodiscard]] double effectiveBottomFeed(double setting);

struct ReceiptPage
{
    double contentHeight = 0;
    double paperWidth = receiptPaperWidth;
    double paperHeight = 0;
    double topMargin = receiptMargin;
    double leftMargin = receiptMargin;
    double rightMargin = receiptMargin;
    double bottomMargin = receiptMargin;
};

// Paper height = ((12 + content) + 6) + (feed + 6), added in this order.
[[nodiscard]] ReceiptPage receiptPageFor(double contentHeight, double feedSetting);

struct LaidOutReceipt
{
    std::unique_ptr<QTextDocument> document;
    // Height of the text itself, without the insets, rounded up to whole points so that the page
    // (whose size PDF and CUPS keep in whole points) never cuts off the last line.
    double contentHeight = 0;
};

// Lays the receipt HTML out at 209 points wide with 6 points of inset on every side, with fonts
// measured at 72 dots per inch so that document units are points.
[[nodiscard]] LaidOutReceipt layOutReceipt(const QString &html);
