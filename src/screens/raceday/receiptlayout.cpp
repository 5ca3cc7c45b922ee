#include "receiptlayout.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>

#include <cmath>

double effectiveBottomFeed(double setting)
{
    if (!std::isfinite(setting) || setting < 0)
        return 0;
    return std::min(setting, receiptMaximumFeed);
}

ReceiptPage receiptPageFor(double contentHeight, double feedSetting)
{
    ReceiptPage page;
    page.contentHeight = contentHeight;
    const double feed = effectiveBottomFeed(feedSetting);
    page.bottomMargin = feed + receiptMargin;
    page.paperHeight = ((2 * receiptTextInset + contentHeight) + receiptMargin) + page.bottomMargin;
    return page;
}

namespace {

// A paint device whose logical resolution is 72 dpi: laid out against it, one document unit is
// one point, the unit of the page.
const QPaintDevice *pointDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32);
        const int dotsPerMeter = qRound(72.0 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

} // namespace

LaidOutReceipt layOutReceipt(const QString &html)
{
    LaidOutReceipt out;
    out.document = std::make_unique<QTextDocument>();
    QTextDocument &doc = *out.document;
    doc.documentLayout()->setPaintDevice(const_cast<QPaintDevice *>(pointDevice()));
    doc.setDocumentMargin(receiptTextInset);
    doc.setTextWidth(receiptTextWidth);
    doc.setHtml(html);
    const double used = doc.size().height() - 2 * receiptTextInset;
    out.contentHeight = std::ceil(std::max(used, 0.0));
    return out;
}
