#include "pdftablerenderer.h"

#include "log.h"
#include "pdfwriter.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QSaveFile>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <mutex>

namespace {

// Debian's fonts-liberation2 first, then the older package's location.
const char *const fontFolders[]
    = {"/usr/share/fonts/truetype/liberation2/", "/usr/share/fonts/truetype/liberation/"};
const char *const fontFiles[] = {"LiberationSans-Regular.ttf", "LiberationSans-Bold.ttf"};

const QColor darkGray(85, 85, 85);

// Only metrics: 72 dots per inch, so a font's pixel size is its size in points.
class PointDevice : public QPaintDevice
{
public:
    QPaintEngine *paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 72;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        case PdmDepth:
            return 32;
        default:
            return QPaintDevice::metric(metric);
        }
    }
};

QFont makeFont(qreal points, bool bold)
{
    QFont font(PDFTableRenderer::documentFontFamily());
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setKerning(true);
    // Hinting would move glyphs to a device grid that a PDF does not have.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace

QString PDFTableRenderer::documentFontFamily()
{
    static QString family;
    static std::once_flag once;
    std::call_once(once, [] {
        for (const char *folder : fontFolders) {
            for (const char *file : fontFiles) {
                const QString path = QString::fromLatin1(folder) + QString::fromLatin1(file);
                if (!QFileInfo::exists(path))
                    continue;
                const int id = QFontDatabase::addApplicationFont(path);
                const QStringList families = QFontDatabase::applicationFontFamilies(id);
                if (id >= 0 && !families.isEmpty())
                    family = families.first();
            }
            if (!family.isEmpty())
                break;
        }
        if (family.isEmpty()) {
            logLine(QStringLiteral("PDFTableRenderer: Liberation Sans not found, using the default font"));
            family = QFont().defaultFamily();
        }
    });
    return family;
}

PDFTableRenderer::PDFTableRenderer(qreal pageWidth, qreal pageHeight, qreal margin)
    : m_pageWidth(pageWidth)
    , m_pageHeight(pageHeight)
    , m_margin(margin)
    , m_cursorY(margin)
{ }

// A renderer dropped without finish() leaves no half-written file behind: the save file is
// discarded when it is not committed.
PDFTableRenderer::~PDFTableRenderer() = default;

std::unique_ptr<PDFTableRenderer> PDFTableRenderer::create(
    const QString &path, qreal pageWidth, qreal pageHeight, qreal margin, QString *error)
{
    auto fail = [error](const QString &why) -> std::unique_ptr<PDFTableRenderer> {
        if (error)
            *error = why;
        return nullptr;
    };
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return fail(QStringLiteral("PDF output needs a running GUI application"));
    if (!(pageWidth > 0 && pageHeight > 0 && margin >= 0))
        return fail(QStringLiteral("invalid page geometry"));

    std::unique_ptr<PDFTableRenderer> r(new PDFTableRenderer(pageWidth, pageHeight, margin));
    r->m_titleFont = makeFont(16, true);
    r->m_subtitleFont = makeFont(11, false);
    r->m_sectionFont = makeFont(12, true);
    r->m_sectionTrailingFont = makeFont(8, false);
    r->m_headerFont = makeFont(9, true);
    r->m_bodyFont = makeFont(9, false);

    // Written beside the target and moved into place by finish(), so a failed export never
    // leaves a truncated file where a good one was.
    r->m_file = std::make_unique<QSaveFile>(path);
    if (!r->m_file->open(QIODevice::WriteOnly))
        return fail(r->m_file->errorString());

    r->m_device = std::make_unique<PointDevice>();
    const QFont *const own[] = {&r->m_titleFont, &r->m_subtitleFont, &r->m_sectionFont,
        &r->m_sectionTrailingFont, &r->m_headerFont, &r->m_bodyFont};
    for (int i = 0; i < 6; ++i)
        r->m_ascent[i] = QFontMetricsF(*own[i], r->m_device.get()).ascent();
    r->m_pdf = std::make_unique<PDFWriter>(r->m_file.get(), pageWidth, pageHeight);
    r->m_pageCount = 1;
    r->beginPage();
    return r;
}

void PDFTableRenderer::beginPage()
{
    m_cursorY = m_margin;
}

void PDFTableRenderer::startNewPage()
{
    if (m_finished)
        return;
    m_pdf->newPage();
    ++m_pageCount;
    beginPage();
}

void PDFTableRenderer::ensureSpace(qreal height)
{
    if (m_cursorY + height > m_pageHeight - m_margin)
        startNewPage();
}

void PDFTableRenderer::drawText(
    const QString &text, qreal x, qreal top, const QFont &font, const QColor &color)
{
    if (text.isEmpty() || m_finished)
        return;
    // The line's top is given; glyphs sit on the baseline one ascent below it.
    const QPointF baseline(x, top + ascent(font));
    if (const QGlyphRun *run = shaped(text, font)) {
        const QList<quint32> glyphs = run->glyphIndexes();
        const QList<QPointF> positions = run->positions();
        m_pdf->drawGlyphs(
            run->rawFont(), glyphs.constData(), positions.constData(), glyphs.size(), baseline, color);
        return;
    }
    // Characters the document font lacks come from other fonts, one run each.
    QTextLayout layout(text, font, m_device.get());
    layout.setCacheEnabled(false);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        m_pdf->noteText(run.rawFont(), glyphs, text);
        m_pdf->drawGlyphs(run.rawFont(), glyphs.constData(), positions.constData(), glyphs.size(),
            baseline - QPointF(0, line.ascent()), color);
    }
}

qreal PDFTableRenderer::ascent(const QFont &font) const
{
    const QFont *const own[]
        = {&m_titleFont, &m_subtitleFont, &m_sectionFont, &m_sectionTrailingFont, &m_headerFont, &m_bodyFont};
    const auto which = std::find(std::begin(own), std::end(own), &font);
    if (which != std::end(own))
        return m_ascent[which - std::begin(own)];
    return QFontMetricsF(font, m_device.get()).ascent();
}

const QGlyphRun *PDFTableRenderer::shaped(const QString &text, const QFont &font)
{
    const QFont *const own[]
        = {&m_titleFont, &m_subtitleFont, &m_sectionFont, &m_sectionTrailingFont, &m_headerFont, &m_bodyFont};
    const auto which = std::find(std::begin(own), std::end(own), &font);
    if (which == std::end(own))
        return nullptr;
    const auto index = which - std::begin(own);
    auto &cache = m_shaped[index];
    auto found = cache.find(text);
    if (found == cache.end()) {
        std::optional<QGlyphRun> run = direct(text, index);
        if (!run)
            run = laidOut(text, font);
        if (run)
            m_pdf->noteText(run->rawFont(), run->glyphIndexes(), text);
        found = cache.insert(text, run);
    }
    return found->has_value() ? &**found : nullptr;
}

std::optional<QGlyphRun> PDFTableRenderer::laidOut(const QString &text, const QFont &font) const
{
    // Laid out as QPainter::drawText lays out one line, on the PDF device.
    QTextLayout layout(text, font, m_device.get());
    layout.setCacheEnabled(false);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (!line.isValid() || runs.size() != 1)
        return std::nullopt;
    QGlyphRun run = runs.first();
    QList<QPointF> positions = run.positions();
    for (QPointF &p : positions)
        p.ry() -= line.ascent();
    run.setPositions(positions);
    return run;
}

PDFTableRenderer::Direct &PDFTableRenderer::directFor(qsizetype index)
{
    const QFont *const own[]
        = {&m_titleFont, &m_subtitleFont, &m_sectionFont, &m_sectionTrailingFont, &m_headerFont, &m_bodyFont};
    Direct &d = m_direct[index];
    if (!d.checked) {
        d.checked = true;
        // Times, places and ranks; a character joins only if it and every pair with the others
        // come out of the layout exactly as glyphs and kerned advances put them.
        const QString candidates = QStringLiteral("0123456789:.,-() \u2014");
        if (const auto sample = laidOut(QStringLiteral("0"), *own[index]))
            d.font = sample->rawFont();
        for (const QChar c : candidates) {
            const QString single(c);
            if (d.font.isValid() && sameRun(laidOut(single, *own[index]), single, d.font))
                d.characters += c;
        }
        QString kept;
        for (const QChar a : std::as_const(d.characters)) {
            bool pairs = true;
            for (const QChar b : std::as_const(d.characters)) {
                const QString ab = QString(a) + b;
                const QString ba = QString(b) + a;
                pairs = pairs && sameRun(laidOut(ab, *own[index]), ab, d.font)
                    && sameRun(laidOut(ba, *own[index]), ba, d.font);
            }
            if (pairs)
                kept += a;
        }
        d.characters = kept;
        // The advances as glyphsOf finds them: the font kerns pair by pair, so a glyph's advance
        // in any text of these characters is its advance before the next one, or alone.
        const qsizetype n = d.characters.size();
        const QList<quint32> glyphs = d.font.glyphIndexesForString(d.characters);
        if (glyphs.size() != n)
            d.characters.clear();
        d.placeOfLatin1.fill(-1);
        for (qsizetype k = 0; k < d.characters.size(); ++k) {
            if (d.characters.at(k).unicode() < d.placeOfLatin1.size())
                d.placeOfLatin1[d.characters.at(k).unicode()] = qint8(k);
        }
        for (qsizetype k = 0; k < d.characters.size(); ++k) {
            d.glyphs.append(glyphs.at(k));
            d.noted.append(false);
            for (qsizetype next = 0; next < n; ++next) {
                const QList<quint32> pair {glyphs.at(k), glyphs.at(next)};
                d.advances.append(d.font.advancesForGlyphIndexes(pair, QRawFont::KernedAdvances).at(0));
            }
            d.advances.append(
                d.font.advancesForGlyphIndexes(QList<quint32> {glyphs.at(k)}, QRawFont::KernedAdvances)
                    .at(0));
        }
    }
    return d;
}

std::optional<QGlyphRun> PDFTableRenderer::direct(const QString &text, qsizetype index)
{
    const Direct &d = directFor(index);
    if (d.characters.isEmpty())
        return std::nullopt;
    for (const QChar c : text) {
        if (!d.characters.contains(c))
            return std::nullopt;
    }
    return glyphsOf(text, d.font);
}

bool PDFTableRenderer::directPlaces(const Direct &direct, const QString &text, qsizetype *places)
{
    const qsizetype size = text.size();
    if (direct.characters.isEmpty() || size == 0 || size > directLength)
        return false;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text.at(i).unicode();
        places[i]
            = c < direct.placeOfLatin1.size() ? direct.placeOfLatin1[c] : direct.characters.indexOf(QChar(c));
        if (places[i] < 0)
            return false;
    }
    return true;
}

void PDFTableRenderer::appendDirect(Direct &d, const QString &text, const qsizetype *places, qreal x,
    QList<quint32> &glyphs, QList<QPointF> &positions)
{
    const qsizetype n = d.characters.size();
    const qsizetype size = text.size();
    bool fresh = false;
    for (qsizetype i = 0; i < size; ++i)
        fresh = fresh || !d.noted.at(places[i]);
    if (fresh) {
        // The text of each glyph, noted as shaped() notes it when the text is first drawn.
        QList<quint32> own;
        own.reserve(size);
        for (qsizetype i = 0; i < size; ++i) {
            own.append(d.glyphs.at(places[i]));
            d.noted[places[i]] = true;
        }
        m_pdf->noteText(d.font, own, text);
    }
    // Summed as glyphsOf sums them, so the positions are the same to the last bit.
    QPointF at(0, 0);
    for (qsizetype i = 0; i < size; ++i) {
        const qsizetype k = places[i];
        glyphs.append(d.glyphs.at(k));
        positions.append(QPointF(at.x() + x, at.y()));
        at += d.advances.at(k * (n + 1) + (i + 1 < size ? places[i + 1] : n));
    }
}

qsizetype PDFTableRenderer::fontIndex(const QFont &font) const
{
    const QFont *const own[]
        = {&m_titleFont, &m_subtitleFont, &m_sectionFont, &m_sectionTrailingFont, &m_headerFont, &m_bodyFont};
    const auto which = std::find(std::begin(own), std::end(own), &font);
    return which == std::end(own) ? -1 : which - std::begin(own);
}

std::optional<QGlyphRun> PDFTableRenderer::glyphsOf(const QString &text, const QRawFont &font)
{
    const QList<quint32> glyphs = font.glyphIndexesForString(text);
    if (glyphs.size() != text.size())
        return std::nullopt;
    const QList<QPointF> advances = font.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    QPointF at(0, 0);
    for (const QPointF &advance : advances) {
        positions.append(at);
        at += advance;
    }
    QGlyphRun run;
    run.setRawFont(font);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    return run;
}

bool PDFTableRenderer::sameRun(
    const std::optional<QGlyphRun> &laid, const QString &text, const QRawFont &font)
{
    const auto direct = glyphsOf(text, font);
    return laid && direct && laid->rawFont() == font && laid->glyphIndexes() == direct->glyphIndexes()
        && laid->positions() == direct->positions();
}

void PDFTableRenderer::drawRule(qreal y, const QColor &color, qreal width)
{
    if (m_finished)
        return;
    m_pdf->drawLine(QPointF(m_margin, y), QPointF(m_pageWidth - m_margin, y), width, color);
}

qreal PDFTableRenderer::textWidth(const QString &text, const QFont &font) const
{
    return QFontMetricsF(font, m_device.get()).horizontalAdvance(text);
}

QStringList PDFTableRenderer::wrappedLines(const QString &text, const QFont &font, qreal width) const
{
    if (textWidth(text, font) <= width)
        return {text};
    const auto withoutTrailingSpace = [](QString line) {
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
        return line;
    };
    const auto fits
        = [&](const QString &line) { return textWidth(withoutTrailingSpace(line), font) <= width; };
    QStringList lines;
    QString line;
    // A piece that fits no line alone (a long word) is broken between its characters, never
    // inside one (a letter and its accents, an emoji sequence).
    const auto appendBroken = [&](const QString &piece) {
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, piece);
        qsizetype from = 0;
        for (qsizetype to = graphemes.toNextBoundary(); to != -1; to = graphemes.toNextBoundary()) {
            const QString character = piece.mid(from, to - from);
            from = to;
            if (!line.isEmpty() && !fits(line + character)) {
                lines.append(withoutTrailingSpace(line));
                line.clear();
            }
            line += character;
        }
    };
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype from = 0;
    for (qsizetype to = breaks.toNextBoundary(); to != -1; to = breaks.toNextBoundary()) {
        if (to == from)
            continue;
        const QString piece = text.mid(from, to - from);
        from = to;
        if (fits(line + piece)) {
            line += piece;
            continue;
        }
        if (!withoutTrailingSpace(line).isEmpty())
            lines.append(withoutTrailingSpace(line));
        line.clear();
        if (fits(piece))
            line = piece;
        else
            appendBroken(piece);
    }
    if (!withoutTrailingSpace(line).isEmpty())
        lines.append(withoutTrailingSpace(line));
    return lines.isEmpty() ? QStringList {text} : lines;
}

void PDFTableRenderer::drawTitle(const QString &text)
{
    // A title wider than the page goes on over further lines, each as a title line of its own.
    for (const QString &line : wrappedLines(text, m_titleFont, m_pageWidth - 2 * m_margin)) {
        ensureSpace(24);
        drawText(line, m_margin, m_cursorY, m_titleFont, Qt::black);
        m_cursorY += 22;
    }
}

void PDFTableRenderer::drawSubtitle(const QString &text)
{
    for (const QString &line : wrappedLines(text, m_subtitleFont, m_pageWidth - 2 * m_margin)) {
        ensureSpace(18);
        drawText(line, m_margin, m_cursorY, m_subtitleFont, darkGray);
        m_cursorY += 16;
    }
}

void PDFTableRenderer::drawSection(const QString &title, const std::optional<QString> &trailing)
{
    ensureSpace(24);
    m_cursorY += 6;
    drawText(title, m_margin, m_cursorY, m_sectionFont, Qt::black);
    if (trailing && !trailing->isEmpty()) {
        const qreal x = m_pageWidth - m_margin - textWidth(*trailing, m_sectionTrailingFont);
        drawText(*trailing, x, m_cursorY + 3, m_sectionTrailingFont, darkGray);
    }
    m_cursorY += 16;
    drawRule(m_cursorY, Qt::black, 0.75);
    m_cursorY += 6;
}

void PDFTableRenderer::drawHeaderRow(const QList<PDFColumn> &columns)
{
    ensureSpace(18);
    qreal x = m_margin;
    for (const PDFColumn &column : columns) {
        drawText(column.title, x, m_cursorY, m_headerFont, Qt::black);
        x += column.width;
    }
    m_cursorY += 12;
    drawRule(m_cursorY, Qt::black, 1.0);
    m_cursorY += 4;
}

void PDFTableRenderer::drawCellRow(
    const QStringList &cells, const QList<PDFColumn> &columns, bool separatorAbove)
{
    drawCellRow(cells, columns, separatorAbove, m_bodyFont, {});
}

void PDFTableRenderer::drawCellRow(const QStringList &cells, const QList<PDFColumn> &columns,
    bool separatorAbove, const QFont &font, const QList<QColor> &colors)
{
    ensureSpace(18);
    if (separatorAbove)
        drawRule(m_cursorY - 2, QColor::fromRgbF(0.6f, 0.6f, 0.6f), 0.5);
    // The cells of one colour go out as one run of glyphs, each glyph where drawing the cell's text
    // on its own would put it: a PDF text object per cell costs more than its glyphs. A text the
    // cache cannot hold is drawn on its own.
    qsizetype runCount = 0;
    const auto runFor = [&](const QColor &color, const QRawFont &raw) -> Run & {
        qsizetype r = 0;
        while (r < runCount && !(m_runs.at(r).color == color && m_runs.at(r).font == raw))
            ++r;
        if (r == runCount) {
            if (runCount == m_runs.size())
                m_runs.append(Run {});
            Run &fresh = m_runs[runCount++];
            fresh.color = color;
            fresh.font = raw;
            fresh.glyphs.clear();
            fresh.positions.clear();
        }
        return m_runs[r];
    };
    const qsizetype ownFont = fontIndex(font);
    qreal x = m_margin;
    for (qsizetype i = 0; i < columns.size() && i < cells.size(); x += columns.at(i).width, ++i) {
        const QString &text = cells.at(i);
        const QColor color = i < colors.size() ? colors.at(i) : QColor(Qt::black);
        if (text.isEmpty() || m_finished)
            continue;
        if (ownFont >= 0) {
            Direct &d = directFor(ownFont);
            qsizetype places[directLength];
            if (directPlaces(d, text, places)) {
                Run &run = runFor(color, d.font);
                appendDirect(d, text, places, x, run.glyphs, run.positions);
                continue;
            }
        }
        const QGlyphRun *glyphs = shaped(text, font);
        if (!glyphs) {
            drawText(text, x, m_cursorY, font, color);
            continue;
        }
        Run &run = runFor(color, glyphs->rawFont());
        run.glyphs += glyphs->glyphIndexes();
        for (const QPointF &p : glyphs->positions())
            run.positions.append(QPointF(p.x() + x, p.y()));
    }
    const QPointF origin(0, m_cursorY + ascent(font));
    for (qsizetype r = 0; r < runCount; ++r) {
        const Run &run = m_runs.at(r);
        m_pdf->drawGlyphs(run.font, run.glyphs.constData(), run.positions.constData(), run.glyphs.size(),
            origin, run.color);
    }
    m_cursorY += 14;
}

void PDFTableRenderer::drawRow(const QString &text, bool bold)
{
    ensureSpace(14);
    drawText(text, m_margin, m_cursorY, bold ? m_headerFont : m_bodyFont, Qt::black);
    m_cursorY += 13;
}

bool PDFTableRenderer::finish(QString *error)
{
    if (m_finished) {
        if (error)
            *error = QStringLiteral("document already finished");
        return false;
    }
    m_finished = true;
    if (!m_pdf->finish(error)) {
        m_file->cancelWriting();
        return false;
    }
    if (!m_file->commit()) {
        if (error)
            *error = m_file->errorString();
        return false;
    }
    return true;
}
