#include "pdfwriter.h"

#include <QIODevice>
#include <QPainterPath>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

// Written first in the object numbering, filled in by finish().
constexpr int catalogObject = 1;
constexpr int pagesObject = 2;
constexpr int resourcesObject = 3;

// Laid-out positions come in 64ths of a point: a glyph that far from where the font's own widths
// put it is left there, so the common case needs no number between glyphs.
constexpr double positionTolerance = 1.0 / 64;

// The most characters one glyph is taken to stand for.
constexpr qsizetype maxLigature = 4;

// The most one glyph adds to the page: the end of an array, a font change, a new text position,
// a number and the glyph itself.
constexpr qsizetype glyphBound = 192;

// Three decimals at most: a thousandth of a point is far below what any reader shows. Writes at
// most 24 characters at `p`; returns the end.
char *putNumber(char *p, double value)
{
    // Page coordinates never come near this; whatever comes in, the output stays a number.
    if (!(std::abs(value) < 1e12))
        value = 0;
    qint64 n = std::llround(value * 1000);
    if (n < 0) {
        *p++ = '-';
        n = -n;
    }
    qint64 whole = n / 1000;
    int fraction = int(n % 1000);
    char digits[20];
    int d = 0;
    do {
        digits[d++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole != 0 && d < 20);
    while (d > 0)
        *p++ = digits[--d];
    if (fraction != 0) {
        *p++ = '.';
        for (int div = 100; fraction != 0; div /= 10) {
            *p++ = char('0' + fraction / div);
            fraction %= div;
        }
    }
    return p;
}

char *putText(char *p, const char *text)
{
    while (*text)
        *p++ = *text++;
    return p;
}

char *putHex(char *p, quint32 value, int digits)
{
    static const char hex[] = "0123456789ABCDEF";
    for (int i = 0; i < digits; ++i)
        *p++ = hex[(value >> ((digits - 1 - i) * 4)) & 0xF];
    return p;
}

void appendNumber(QByteArray &out, double value)
{
    char buf[32];
    out.append(buf, putNumber(buf, value) - buf);
}

QByteArray number(double value)
{
    QByteArray out;
    appendNumber(out, value);
    return out;
}

void appendHex(QByteArray &out, quint32 value, int digits)
{
    char buf[8];
    out.append(buf, putHex(buf, value, digits) - buf);
}

void appendColor(QByteArray &out, QRgb rgb, const char *op)
{
    appendNumber(out, qRed(rgb) / 255.0);
    out += ' ';
    appendNumber(out, qGreen(rgb) / 255.0);
    out += ' ';
    appendNumber(out, qBlue(rgb) / 255.0);
    out += ' ';
    out += op;
    out += '\n';
}

quint16 u16(const QByteArray &b, qsizetype at)
{
    return at >= 0 && at + 2 <= b.size() ? qFromBigEndian<quint16>(b.constData() + at) : 0;
}

qint16 s16(const QByteArray &b, qsizetype at)
{
    return qint16(u16(b, at));
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    return at >= 0 && at + 4 <= b.size() ? qFromBigEndian<quint32>(b.constData() + at) : 0;
}

void put16(QByteArray &b, quint16 v)
{
    char buf[2];
    qToBigEndian(v, buf);
    b.append(buf, 2);
}

void put32(QByteArray &b, quint32 v)
{
    char buf[4];
    qToBigEndian(v, buf);
    b.append(buf, 4);
}

quint32 checksum(const QByteArray &data)
{
    quint32 sum = 0;
    for (qsizetype at = 0; at < data.size(); at += 4) {
        quint32 word = 0;
        for (int i = 0; i < 4; ++i)
            word = (word << 8) | (at + i < data.size() ? quint8(data.at(at + i)) : 0u);
        sum += word;
    }
    return sum;
}

// A font file of the given tables (tag, data), sorted by tag, with the whole-file checksum in
// 'head' as the format asks.
QByteArray sfnt(const QList<QPair<QByteArray, QByteArray>> &tables)
{
    const int count = int(tables.size());
    int power = 1;
    int log = 0;
    while (power * 2 <= count) {
        power *= 2;
        ++log;
    }
    QByteArray out;
    put32(out, 0x00010000);
    put16(out, quint16(count));
    put16(out, quint16(power * 16));
    put16(out, quint16(log));
    put16(out, quint16(count * 16 - power * 16));
    QByteArray body;
    qsizetype headAt = -1;
    const qsizetype start = 12 + 16 * count;
    for (const auto &[tag, data] : tables) {
        if (tag == "head")
            headAt = start + body.size();
        out += tag;
        put32(out, checksum(data));
        put32(out, quint32(start + body.size()));
        put32(out, quint32(data.size()));
        body += data;
        while (body.size() % 4 != 0)
            body += '\0';
    }
    out += body;
    if (headAt >= 0)
        qToBigEndian(quint32(0xB1B0AFBA - checksum(out)), out.data() + headAt + 8);
    return out;
}

// A name PDF accepts without escapes.
QByteArray pdfName(const QString &text)
{
    QByteArray out;
    for (const QChar c : text) {
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-')
            out += char(c.unicode());
    }
    return out.isEmpty() ? QByteArray("Font") : out;
}

QByteArray compressed(const QByteArray &data)
{
    // qCompress puts the length in four bytes before the zlib stream that FlateDecode reads. The
    // fastest level: the text arrays compress about six to one with it, and the higher levels
    // took three times as long for a file a third smaller.
    return qCompress(data, 1).mid(4);
}

} // namespace

struct PDFWriter::Font
{
    QString key;
    QRawFont raw; // one size of the face: tables, character map, outlines
    QByteArray name; // resource name
    QHash<quint32, QString> text; // glyph → the text it shows
    QList<QPair<QByteArray, int>> objects; // resource name → font object, filled on writing

    // A TrueType font, embedded as a subset with the glyph numbers kept.
    bool trueType = false;
    QByteArray head, hhea, maxp, hmtx, loca, glyf;
    int unitsPerEm = 0;
    int glyphCount = 0;
    int hMetrics = 0;
    bool longLoca = false;
    std::vector<bool> used;

    // Any other font: each glyph's outline, in simple fonts of 256 codes each, codes in order of
    // first use.
    QRawFont outlines; // the face at 1000 pixels: outlines in thousandths of the size
    QHash<quint32, int> codeOf;
    QList<quint32> glyphOfCode;
    QList<double> outlineWidths;

    bool loadTrueType();
    [[nodiscard]] quint32 glyphStart(quint32 glyph) const
    {
        return longLoca ? u32(loca, qsizetype(glyph) * 4) : quint32(u16(loca, qsizetype(glyph) * 2)) * 2;
    }
    // Advance in thousandths of the size.
    [[nodiscard]] double width(quint32 glyph) const
    {
        const qsizetype metric = std::min<qsizetype>(glyph, hMetrics - 1);
        return u16(hmtx, metric * 4) * 1000.0 / unitsPerEm;
    }
    int codeFor(quint32 glyph);
    [[nodiscard]] QByteArray subset() const;
    [[nodiscard]] QList<quint32> usedGlyphs() const;
    void textFromCharacterMap(const QList<quint32> &glyphs);
};

bool PDFWriter::Font::loadTrueType()
{
    head = raw.fontTable("head");
    hhea = raw.fontTable("hhea");
    maxp = raw.fontTable("maxp");
    hmtx = raw.fontTable("hmtx");
    loca = raw.fontTable("loca");
    glyf = raw.fontTable("glyf");
    if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6 || hmtx.isEmpty() || loca.isEmpty()
        || glyf.isEmpty())
        return false;
    // A font whose licence allows no embedding (or bitmaps only) is drawn as outlines, as Qt's own
    // PDF output does.
    const QByteArray os2 = raw.fontTable("OS/2");
    const quint16 fsType = u16(os2, 8);
    if ((fsType & 0x000F) == 0x0002 || (fsType & 0x0200) != 0)
        return false;
    unitsPerEm = u16(head, 18);
    longLoca = s16(head, 50) == 1;
    glyphCount = u16(maxp, 4);
    hMetrics = u16(hhea, 34);
    if (unitsPerEm == 0 || glyphCount == 0 || hMetrics == 0 || hmtx.size() < qsizetype(hMetrics) * 4
        || loca.size() < qsizetype(glyphCount + 1) * (longLoca ? 4 : 2))
        return false;
    used.assign(size_t(glyphCount), false);
    used[0] = true; // .notdef, which every font file starts with
    return true;
}

int PDFWriter::Font::codeFor(quint32 glyph)
{
    const auto found = codeOf.constFind(glyph);
    if (found != codeOf.constEnd())
        return *found;
    const int code = int(glyphOfCode.size());
    codeOf.insert(glyph, code);
    glyphOfCode.append(glyph);
    outlineWidths.append(outlines.advancesForGlyphIndexes(QList<quint32> {glyph}).value(0).x());
    return code;
}

QList<quint32> PDFWriter::Font::usedGlyphs() const
{
    if (!trueType)
        return glyphOfCode;
    QList<quint32> out;
    for (size_t g = 0; g < used.size(); ++g) {
        if (used[g])
            out.append(quint32(g));
    }
    return out;
}

QByteArray PDFWriter::Font::subset() const
{
    // The used glyphs and the parts of composite glyphs they are built from; every other glyph is
    // left empty, so the glyph numbers stay those of the font.
    std::vector<bool> keep = used;
    QList<quint32> pending = usedGlyphs();
    while (!pending.isEmpty()) {
        const quint32 g = pending.takeLast();
        const quint32 start = glyphStart(g);
        const quint32 end = glyphStart(g + 1);
        if (end <= start + 10 || end > quint32(glyf.size()) || s16(glyf, start) >= 0)
            continue;
        for (quint32 at = start + 10; at + 4 <= end;) {
            const quint16 flags = u16(glyf, at);
            const quint16 part = u16(glyf, at + 2);
            if (part < glyphCount && !keep[part]) {
                keep[part] = true;
                pending.append(part);
            }
            at += 4 + ((flags & 0x0001) ? 4 : 2);
            at += (flags & 0x0008) ? 2 : (flags & 0x0040) ? 4 : (flags & 0x0080) ? 8 : 0;
            if (!(flags & 0x0020))
                break;
        }
    }
    QByteArray newGlyf;
    QByteArray newLoca;
    for (int g = 0; g < glyphCount; ++g) {
        put32(newLoca, quint32(newGlyf.size()));
        const quint32 start = glyphStart(quint32(g));
        const quint32 end = glyphStart(quint32(g) + 1);
        if (keep[size_t(g)] && end > start && end <= quint32(glyf.size())) {
            newGlyf.append(glyf.constData() + start, end - start);
            while (newGlyf.size() % 4 != 0)
                newGlyf += '\0';
        }
    }
    put32(newLoca, quint32(newGlyf.size()));
    QByteArray newHead = head;
    qToBigEndian(quint32(0), newHead.data() + 8); // checksum adjustment, set by sfnt()
    qToBigEndian(quint16(1), newHead.data() + 50); // long offsets in 'loca'
    QList<QPair<QByteArray, QByteArray>> tables;
    const auto add = [&](const QByteArray &tag, const QByteArray &data) {
        if (!data.isEmpty())
            tables.append({tag, data});
    };
    // The hinting tables stay: a hinted font's instructions refer to them.
    add("cvt ", raw.fontTable("cvt "));
    add("fpgm", raw.fontTable("fpgm"));
    add("glyf", newGlyf);
    add("head", newHead);
    add("hhea", hhea);
    add("hmtx", hmtx);
    add("loca", newLoca);
    add("maxp", maxp);
    add("prep", raw.fontTable("prep"));
    return sfnt(tables);
}

void PDFWriter::Font::textFromCharacterMap(const QList<quint32> &glyphs)
{
    // Glyphs no noted text accounts for: the first character the font maps to each, as a reader
    // guessing from the font would.
    QList<quint32> missing;
    for (const quint32 g : glyphs) {
        if (g != 0 && !text.contains(g))
            missing.append(g);
    }
    if (missing.isEmpty())
        return;
    QString all;
    all.reserve(0x10000);
    for (char16_t c = 0x20; c < 0xFFFF; ++c) {
        if (!QChar::isSurrogate(c))
            all += QChar(c);
    }
    const QList<quint32> mapped = raw.glyphIndexesForString(all);
    for (qsizetype i = 0; i < mapped.size() && i < all.size(); ++i) {
        if (missing.contains(mapped.at(i)) && !text.contains(mapped.at(i)))
            text.insert(mapped.at(i), QString(all.at(i)));
    }
}

PDFWriter::PDFWriter(QIODevice *out, qreal pageWidth, qreal pageHeight)
    : m_out(out)
    , m_pageHeight(pageHeight)
    , m_offsets(4, 0)
{
    m_pageSize = "[0 0 " + number(pageWidth) + ' ' + number(pageHeight) + ']';
    // The second line's high bytes tell transfer programs the file is binary.
    write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
}

PDFWriter::~PDFWriter() = default;

int PDFWriter::newObject()
{
    m_offsets.push_back(0);
    return int(m_offsets.size() - 1);
}

void PDFWriter::beginObject(int number)
{
    m_offsets[size_t(number)] = m_written;
    write(QByteArray::number(number) + " 0 obj\n");
}

void PDFWriter::write(const QByteArray &bytes)
{
    if (m_failed)
        return;
    if (m_out->write(bytes) != bytes.size()) {
        m_failed = true;
        m_error = m_out->errorString();
        return;
    }
    m_written += bytes.size();
}

void PDFWriter::writeStream(int number, const QByteArray &dictionary, const QByteArray &data)
{
    const QByteArray packed = compressed(data);
    beginObject(number);
    write("<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode" + dictionary
        + " >>\nstream\n");
    write(packed);
    write("\nendstream\nendobj\n");
}

void PDFWriter::newPage()
{
    endPage();
}

void PDFWriter::endPage()
{
    const int content = newObject();
    writeStream(content, QByteArray(), m_content);
    const int page = newObject();
    beginObject(page);
    write("<< /Type /Page /Parent " + QByteArray::number(pagesObject) + " 0 R /MediaBox " + m_pageSize
        + " /Resources " + QByteArray::number(resourcesObject) + " 0 R /Contents "
        + QByteArray::number(content) + " 0 R >>\nendobj\n");
    m_pages.append(page);
    m_content.resize(0); // keeps the capacity for the next page
    m_fillSet = false;
    m_lineWidth = -1;
}

PDFWriter::Font &PDFWriter::fontFor(const QRawFont &raw)
{
    for (const auto &[engine, font] : std::as_const(m_engines)) {
        if (engine == raw)
            return *font;
    }
    // The same face at another size is the same font in the file.
    const QString key = raw.familyName() + u'\n' + raw.styleName() + u'\n' + QString::number(raw.weight())
        + u'\n' + QString::number(int(raw.style())) + u'\n'
        + QString::fromLatin1(raw.fontTable("head").toHex());
    for (const auto &font : m_fonts) {
        if (font->key == key) {
            m_engines.append({raw, font.get()});
            return *font;
        }
    }
    auto font = std::make_unique<Font>();
    font->key = key;
    font->raw = raw;
    font->name = 'F' + QByteArray::number(m_fonts.size() + 1);
    font->trueType = font->loadTrueType();
    if (!font->trueType) {
        font->outlines = raw;
        font->outlines.setPixelSize(1000);
    }
    m_fonts.push_back(std::move(font));
    m_engines.append({raw, m_fonts.back().get()});
    return *m_fonts.back();
}

void PDFWriter::setFill(const QColor &color)
{
    const QRgb rgb = color.rgb();
    if (m_fillSet && m_fill == rgb)
        return;
    appendColor(m_content, rgb, "rg");
    m_fill = rgb;
    m_fillSet = true;
}

void PDFWriter::drawGlyphs(const QRawFont &raw, const quint32 *glyphs, const QPointF *positions,
    qsizetype count, const QPointF &origin, const QColor &color)
{
    if (count <= 0 || !raw.isValid())
        return;
    Font &font = fontFor(raw);
    const double size = raw.pixelSize();
    if (!(size > 0))
        return;
    setFill(color);
    // One text array per line of glyphs: each glyph's advance moves the text position by the width
    // the font declares, and a number in the array moves it on to where the layout put the next
    // glyph (kerning, the gap to the next cell).
    QByteArray &out = m_content;
    const qsizetype used = out.size();
    const qsizetype needed = used + (count + 1) * glyphBound;
    if (out.capacity() < needed)
        out.reserve(std::max(needed, out.capacity() * 2));
    out.resize(needed);
    char *p = out.data() + used;
    p = putText(p, "BT\n");
    int chunk = -1;
    bool open = false;
    bool inHex = false;
    double lineY = 0;
    double cursor = 0;
    const auto close = [&] {
        if (inHex)
            *p++ = '>';
        if (open)
            p = putText(p, "]TJ\n");
        inHex = open = false;
    };
    for (qsizetype i = 0; i < count; ++i) {
        const quint32 glyph = glyphs[i];
        const double x = origin.x() + positions[i].x();
        const double y = origin.y() + positions[i].y();
        quint32 code = glyph;
        int glyphChunk = 0;
        double width = 0;
        if (font.trueType) {
            if (glyph >= quint32(font.glyphCount))
                continue;
            font.used[glyph] = true;
            width = font.width(glyph);
        } else {
            const int c = font.codeFor(glyph);
            code = quint32(c % 256);
            glyphChunk = c / 256;
            width = font.outlineWidths.at(c);
        }
        const bool moved = !open || y != lineY;
        if (glyphChunk != chunk || moved) {
            close();
            if (glyphChunk != chunk) {
                *p++ = '/';
                p = putText(p, font.name.constData());
                if (glyphChunk > 0) {
                    *p++ = '_';
                    p = putNumber(p, glyphChunk);
                }
                *p++ = ' ';
                p = putNumber(p, size);
                p = putText(p, " Tf\n");
                chunk = glyphChunk;
            }
            if (moved) {
                p = putText(p, "1 0 0 1 ");
                p = putNumber(p, x);
                *p++ = ' ';
                p = putNumber(p, m_pageHeight - y);
                p = putText(p, " Tm\n");
                lineY = y;
                cursor = std::round(x * 1000) / 1000;
            }
            *p++ = '[';
            open = true;
        }
        const double shift = cursor - x;
        const qint64 adjust = std::abs(shift) > positionTolerance ? std::llround(shift * 1000 / size) : 0;
        if (adjust != 0) {
            if (inHex)
                *p++ = '>';
            inHex = false;
            p = putNumber(p, double(adjust));
            cursor -= double(adjust) * size / 1000;
        }
        if (!inHex)
            *p++ = '<';
        inHex = true;
        p = putHex(p, code, font.trueType ? 4 : 2);
        cursor += width * size / 1000;
    }
    close();
    p = putText(p, "ET\n");
    out.resize(p - out.constData());
}

void PDFWriter::noteText(const QRawFont &raw, const QList<quint32> &glyphs, const QString &text)
{
    if (!raw.isValid() || glyphs.isEmpty())
        return;
    Font &font = fontFor(raw);
    // Each character's own glyph (one per code point) first.
    const QList<uint> characters = text.toUcs4();
    const QList<quint32> own = raw.glyphIndexesForString(text);
    const auto characterText = [&](qsizetype from, qsizetype to) {
        QString out;
        for (qsizetype k = from; k < to && k < characters.size(); ++k)
            out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&characters.at(k)), 1);
        return out;
    };
    for (qsizetype k = 0; k < own.size() && k < characters.size(); ++k) {
        const quint32 g = own.at(k);
        if (g != 0 && !font.text.contains(g) && glyphs.contains(g))
            font.text.insert(g, characterText(k, k + 1));
    }
    if (text.isRightToLeft())
        return; // glyphs in visual order: left to the character map at the end
    // A glyph that is no character's own (a ligature, say) stands for the characters from where
    // the layout left the text up to the next character whose own glyph follows.
    qsizetype next = 0;
    for (qsizetype i = 0; i < glyphs.size() && next < own.size(); ++i) {
        if (glyphs.at(i) == own.at(next)) {
            ++next;
            continue;
        }
        qsizetype to = next + 1;
        while (to < own.size() && std::find(glyphs.begin() + i + 1, glyphs.end(), own.at(to)) == glyphs.end())
            ++to;
        // A ligature joins a few characters; a longer span means the glyphs and the text did not
        // line up (a run of another font), and the character map is the better guess.
        if (!font.text.contains(glyphs.at(i)) && to - next <= maxLigature)
            font.text.insert(glyphs.at(i), characterText(next, to));
        next = to;
    }
}

void PDFWriter::drawLine(const QPointF &from, const QPointF &to, qreal width, const QColor &color)
{
    const QRgb rgb = color.rgb();
    if (m_lineWidth < 0 || m_stroke != rgb) {
        appendColor(m_content, rgb, "RG");
        m_stroke = rgb;
    }
    if (m_lineWidth != width) {
        appendNumber(m_content, width);
        m_content += " w\n";
        m_lineWidth = width;
    }
    appendNumber(m_content, from.x());
    m_content += ' ';
    appendNumber(m_content, m_pageHeight - from.y());
    m_content += " m ";
    appendNumber(m_content, to.x());
    m_content += ' ';
    appendNumber(m_content, m_pageHeight - to.y());
    m_content += " l S\n";
}

namespace {

QByteArray utf16Hex(const QString &text)
{
    QByteArray out;
    for (const QChar c : text)
        appendHex(out, c.unicode(), 4);
    return out;
}

QByteArray toUnicode(const QList<QPair<quint32, QString>> &codes, int digits)
{
    QByteArray out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                     "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespace\n";
    out += digits == 4 ? "<0000> <FFFF>\n" : "<00> <FF>\n";
    out += "endcodespace\n";
    for (qsizetype from = 0; from < codes.size(); from += 100) {
        const qsizetype to = std::min(codes.size(), from + 100);
        out += QByteArray::number(to - from) + " beginbfchar\n";
        for (qsizetype i = from; i < to; ++i) {
            out += '<';
            appendHex(out, codes.at(i).first, digits);
            out += "> <" + utf16Hex(codes.at(i).second) + ">\n";
        }
        out += "endbfchar\n";
    }
    out += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return out;
}

// Six capitals naming the subset, the same for the same glyphs.
QByteArray subsetTag(const QList<quint32> &glyphs, const QString &key)
{
    size_t h = qHash(key, 0);
    for (const quint32 g : glyphs)
        h = h * 31 + g;
    QByteArray tag;
    for (int i = 0; i < 6; ++i) {
        tag += char('A' + h % 26);
        h /= 26;
    }
    return tag;
}

QByteArray glyphProcedure(const QPainterPath &path, double width, QRectF *bounds)
{
    const QRectF box = path.boundingRect();
    *bounds = bounds->united(box);
    QByteArray out;
    appendNumber(out, width);
    out += " 0 ";
    appendNumber(out, box.left());
    out += ' ';
    appendNumber(out, -box.bottom());
    out += ' ';
    appendNumber(out, box.right());
    out += ' ';
    appendNumber(out, -box.top());
    out += " d1\n";
    const auto point = [&](const QPointF &p) {
        appendNumber(out, p.x());
        out += ' ';
        appendNumber(out, -p.y());
        out += ' ';
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            point(e);
            out += "m\n";
        } else if (e.isLineTo()) {
            point(e);
            out += "l\n";
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            point(e);
            point(path.elementAt(i + 1));
            point(path.elementAt(i + 2));
            out += "c\n";
            i += 2;
        }
    }
    out += path.elementCount() > 0 ? "f\n" : "";
    return out;
}

} // namespace

void PDFWriter::writeFont(Font &font)
{
    const QList<quint32> glyphs = font.usedGlyphs();
    font.textFromCharacterMap(glyphs);
    const QByteArray baseName
        = subsetTag(glyphs, font.key) + '+' + pdfName(font.raw.familyName() + u'-' + font.raw.styleName());
    if (font.trueType) {
        const double scale = 1000.0 / font.unitsPerEm;
        const QByteArray file = font.subset();
        const int fileObject = newObject();
        writeStream(fileObject, " /Length1 " + QByteArray::number(file.size()), file);

        const int descriptor = newObject();
        beginObject(descriptor);
        write("<< /Type /FontDescriptor /FontName /" + baseName + " /Flags 4 /FontBBox ["
            + number(s16(font.head, 36) * scale) + ' ' + number(s16(font.head, 38) * scale) + ' '
            + number(s16(font.head, 40) * scale) + ' ' + number(s16(font.head, 42) * scale)
            + "] /ItalicAngle 0 /Ascent " + number(s16(font.hhea, 4) * scale) + " /Descent "
            + number(s16(font.hhea, 6) * scale) + " /CapHeight " + number(s16(font.hhea, 4) * scale)
            + " /StemV 80 /FontFile2 " + QByteArray::number(fileObject) + " 0 R >>\nendobj\n");

        QByteArray widths;
        for (const quint32 g : glyphs) {
            widths += QByteArray::number(g) + " [";
            appendNumber(widths, font.width(g));
            widths += "] ";
        }
        const int cid = newObject();
        beginObject(cid);
        write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + baseName
            + " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor "
            + QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /W [" + widths
            + "] >>\nendobj\n");

        QList<QPair<quint32, QString>> codes;
        for (const quint32 g : glyphs) {
            if (font.text.contains(g))
                codes.append({g, font.text.value(g)});
        }
        const int unicode = newObject();
        writeStream(unicode, QByteArray(), toUnicode(codes, 4));

        const int type0 = newObject();
        beginObject(type0);
        write("<< /Type /Font /Subtype /Type0 /BaseFont /" + baseName
            + " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(cid) + " 0 R] /ToUnicode "
            + QByteArray::number(unicode) + " 0 R >>\nendobj\n");
        font.objects.append({font.name, type0});
        return;
    }

    for (qsizetype from = 0; from < glyphs.size(); from += 256) {
        const qsizetype to = std::min(glyphs.size(), from + 256);
        QByteArray procedures;
        QByteArray differences = "0";
        QByteArray widths;
        QList<QPair<quint32, QString>> codes;
        QRectF bounds;
        for (qsizetype c = from; c < to; ++c) {
            const quint32 g = glyphs.at(c);
            const int procedure = newObject();
            writeStream(procedure, QByteArray(),
                glyphProcedure(font.outlines.pathForGlyph(g), font.outlineWidths.at(c), &bounds));
            const QByteArray glyphName = "g" + QByteArray::number(c - from);
            procedures += '/' + glyphName + ' ' + QByteArray::number(procedure) + " 0 R ";
            differences += " /" + glyphName;
            appendNumber(widths, font.outlineWidths.at(c));
            widths += ' ';
            if (font.text.contains(g))
                codes.append({quint32(c - from), font.text.value(g)});
        }
        const int unicode = newObject();
        writeStream(unicode, QByteArray(), toUnicode(codes, 2));
        const int type3 = newObject();
        beginObject(type3);
        write("<< /Type /Font /Subtype /Type3 /FontBBox [" + number(bounds.left()) + ' '
            + number(-bounds.bottom()) + ' ' + number(bounds.right()) + ' ' + number(-bounds.top())
            + "] /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << " + procedures
            + ">> /Encoding << /Type /Encoding /Differences [" + differences + "] >> /FirstChar 0 /LastChar "
            + QByteArray::number(to - from - 1) + " /Widths [" + widths + "] /Resources << >> /ToUnicode "
            + QByteArray::number(unicode) + " 0 R >>\nendobj\n");
        const int chunk = int(from / 256);
        font.objects.append({chunk > 0 ? font.name + '_' + QByteArray::number(chunk) : font.name, type3});
    }
}

bool PDFWriter::finish(QString *error)
{
    endPage();
    QByteArray fonts;
    for (const auto &font : m_fonts) {
        writeFont(*font);
        for (const auto &[name, object] : std::as_const(font->objects))
            fonts += '/' + name + ' ' + QByteArray::number(object) + " 0 R ";
    }
    beginObject(resourcesObject);
    write("<< /Font << " + fonts + ">> >>\nendobj\n");
    QByteArray kids;
    for (const int page : std::as_const(m_pages))
        kids += QByteArray::number(page) + " 0 R ";
    beginObject(pagesObject);
    write("<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(m_pages.size())
        + " >>\nendobj\n");
    beginObject(catalogObject);
    write("<< /Type /Catalog /Pages " + QByteArray::number(pagesObject) + " 0 R >>\nendobj\n");

    const qint64 xref = m_written;
    QByteArray table
        = "xref\n0 " + QByteArray::number(qsizetype(m_offsets.size())) + "\n0000000000 65535 f \n";
    for (size_t n = 1; n < m_offsets.size(); ++n)
        table += QByteArray::number(m_offsets[n]).rightJustified(10, '0') + " 00000 n \n";
    table += "trailer\n<< /Size " + QByteArray::number(qsizetype(m_offsets.size())) + " /Root "
        + QByteArray::number(catalogObject) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    write(table);
    if (m_failed && error)
        *error = m_error;
    return !m_failed;
}
