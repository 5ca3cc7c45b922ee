#pragma once

// Titled, paginated tables written to one PDF file, one unit = one point (72 dpi).
//
// The renderer owns the cursor that moves down the page (`cursorY`: from the page's top edge to
// the top of the next line) and decides the page breaks; a document only says what to draw, line
// by line. Text is set in Liberation Sans loaded from its installed file, so the output does not
// depend on the machine's font configuration. Main thread only; needs a QGuiApplication.

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QRawFont>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

class PDFWriter;
class QPaintDevice;
class QSaveFile;

struct PDFColumn
{
    QString title;
    qreal width = 0;
};

// Outcome of writing a PDF document; `error` says why when `ok` is false.
struct PdfExportResult
{
    bool ok = false;
    QString error;
    explicit operator bool() const { return ok; }
};

// A4 in points.
inline constexpr qreal a4ShortSide = 595;
inline constexpr qreal a4LongSide = 842;
inline constexpr qreal documentMargin = 36;

class PDFTableRenderer
{
public:
    // Opens `path` for writing and starts the first page; absent (with the reason in `error`)
    // when the file cannot be created or no GUI application exists.
    [[nodiscard]] static std::unique_ptr<PDFTableRenderer> create(
        const QString &path, qreal pageWidth, qreal pageHeight, qreal margin, QString *error = nullptr);
    ~PDFTableRenderer();
    PDFTableRenderer(const PDFTableRenderer &) = delete;
    PDFTableRenderer &operator=(const PDFTableRenderer &) = delete;

    // Breaks the page when cursorY + height > pageHeight − margin.
    void ensureSpace(qreal height);
    void startNewPage();

    // A title or subtitle wider than the page between the margins wraps onto further lines (at
    // the places a line may break, a word too long for a line between its characters), each
    // drawn and advanced as one line.
    void drawTitle(const QString &text);
    void drawSubtitle(const QString &text);
    // Heading with an optional trailing text ending at the right margin, and a rule below.
    void drawSection(const QString &title, const std::optional<QString> &trailing = std::nullopt);
    void drawHeaderRow(const QList<PDFColumn> &columns);
    // One table row, one text per column (missing cells are blank), body font, black.
    void drawCellRow(const QStringList &cells, const QList<PDFColumn> &columns, bool separatorAbove);
    // The same geometry with one font for the row and one colour per cell (black when missing).
    void drawCellRow(const QStringList &cells, const QList<PDFColumn> &columns, bool separatorAbove,
        const QFont &font, const QList<QColor> &colors);
    // One full-width line in the body size.
    void drawRow(const QString &text, bool bold = false);

    [[nodiscard]] qreal textWidth(const QString &text, const QFont &font) const;
    // The lines `text` is set on in `font` within `width`: the text itself when it fits.
    [[nodiscard]] QStringList wrappedLines(const QString &text, const QFont &font, qreal width) const;

    // Ends the last page and completes the file; false (with the reason) when it cannot be
    // written. The renderer is not used afterwards.
    [[nodiscard]] bool finish(QString *error = nullptr);

    [[nodiscard]] qreal pageWidth() const { return m_pageWidth; }
    [[nodiscard]] qreal pageHeight() const { return m_pageHeight; }
    [[nodiscard]] qreal margin() const { return m_margin; }
    [[nodiscard]] qreal cursorY() const { return m_cursorY; }
    [[nodiscard]] int pageCount() const { return m_pageCount; }

    [[nodiscard]] const QFont &titleFont() const { return m_titleFont; }
    [[nodiscard]] const QFont &subtitleFont() const { return m_subtitleFont; }
    [[nodiscard]] const QFont &sectionFont() const { return m_sectionFont; }
    [[nodiscard]] const QFont &sectionTrailingFont() const { return m_sectionTrailingFont; }
    [[nodiscard]] const QFont &headerFont() const { return m_headerFont; }
    [[nodiscard]] const QFont &bodyFont() const { return m_bodyFont; }

    // The family the documents are set in ("Liberation Sans" when its files are installed).
    [[nodiscard]] static QString documentFontFamily();

private:
    PDFTableRenderer(qreal pageWidth, qreal pageHeight, qreal margin);

    void beginPage();
    void drawText(const QString &text, qreal x, qreal top, const QFont &font, const QColor &color);
    [[nodiscard]] qreal ascent(const QFont &font) const;
    // `text` laid out in `font` as drawText sets it, positions from the start of its baseline;
    // absent when it needs more than one font or the font is not one of the renderer's own.
    const QGlyphRun *shaped(const QString &text, const QFont &font);
    [[nodiscard]] std::optional<QGlyphRun> laidOut(const QString &text, const QFont &font) const;
    [[nodiscard]] std::optional<QGlyphRun> direct(const QString &text, qsizetype fontIndex);
    [[nodiscard]] static std::optional<QGlyphRun> glyphsOf(const QString &text, const QRawFont &font);
    [[nodiscard]] static bool sameRun(
        const std::optional<QGlyphRun> &laid, const QString &text, const QRawFont &font);
    void drawRule(qreal y, const QColor &color, qreal width);

    qreal m_pageWidth;
    qreal m_pageHeight;
    qreal m_margin;
    qreal m_cursorY;
    int m_pageCount = 0;
    bool m_finished = false;

    QFont m_titleFont;
    QFont m_subtitleFont;
    QFont m_sectionFont;
    QFont m_sectionTrailingFont;
    QFont m_headerFont;
    QFont m_bodyFont;

    // The ascent of each font of the renderer (by its place among the members above).
    qreal m_ascent[6] = {};
    // Per font of the renderer (by its place among the members above), every text shaped so far:
    // a split-times list repeats the same few hundred texts many thousand times.
    QHash<QString, std::optional<QGlyphRun>> m_shaped[6];
    // Per font: the characters whose layout is the font's own glyphs and kerned advances, checked
    // pair by pair against the layout; texts of those alone are set without a layout.
    struct Direct
    {
        bool checked = false;
        QRawFont font;
        QString characters;
        // By place in `characters`: the glyph, whether a document has drawn it yet, and the
        // kerned advance before each other character (by its place) or at the end (the last
        // place). Texts of these characters are set from the tables without a cache: they are
        // most of a split-times list, and their many distinct texts made the cache a table
        // larger than the processor's caches.
        QList<quint32> glyphs;
        QList<bool> noted;
        QList<QPointF> advances;
        // The place of each Latin-1 character among `characters`, -1 when not one of them; the
        // one character above (the dash) is looked up in `characters`.
        std::array<qint8, 256> placeOfLatin1 {};
    };
    Direct &directFor(qsizetype fontIndex);
    // The place of each character of `text` among the direct ones (up to 32 characters), or false
    // when a character is not one of them.
    static constexpr qsizetype directLength = 32;
    [[nodiscard]] static bool directPlaces(const Direct &direct, const QString &text, qsizetype *places);
    // Appends the glyphs of a text found direct to `glyphs` and `positions`, from `x` on the line.
    void appendDirect(Direct &direct, const QString &text, const qsizetype *places, qreal x,
        QList<quint32> &glyphs, QList<QPointF> &positions);
    [[nodiscard]] qsizetype fontIndex(const QFont &font) const;
    Direct m_direct[6];
    // The glyphs of one row by colour and font, kept from row to row to reuse their lists.
    struct Run
    {
        QColor color;
        QRawFont font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    QList<Run> m_runs;

    // Text is laid out for this 72-dpi device, one pixel = one point.
    std::unique_ptr<QPaintDevice> m_device;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<PDFWriter> m_pdf;
};
