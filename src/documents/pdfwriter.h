#pragma once

// A PDF file written page by page: runs of shaped glyphs and straight rules, nothing else.
//
// Coordinates are points with y growing down from the page's top edge, as the table renderer
// counts them. Each finished page goes to the device at once (compressed), so memory stays at one
// page whatever the document's length. Fonts are written at the end, holding only the glyphs the
// pages used: a TrueType font as a subset with its glyph numbers kept (the text shows glyph
// numbers directly), any other outline font as glyph outlines. A ToUnicode map per font gives
// readers the text back. The bytes depend only on what was drawn, never on the time or machine
// state, so the same document gives the same file.

#include <QColor>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>

#include <memory>
#include <vector>

class QIODevice;

class PDFWriter
{
public:
    // Starts the file on `out` (kept, not owned) and opens the first page.
    PDFWriter(QIODevice *out, qreal pageWidth, qreal pageHeight);
    ~PDFWriter();
    PDFWriter(const PDFWriter &) = delete;
    PDFWriter &operator=(const PDFWriter &) = delete;

    void newPage();

    // `count` glyphs of `font` at its pixel size (= points), each placed with its baseline origin
    // at `origin` + its position.
    void drawGlyphs(const QRawFont &font, const quint32 *glyphs, const QPointF *positions, qsizetype count,
        const QPointF &origin, const QColor &color);
    // Which text a run of glyphs shows, for text extraction: each glyph is mapped once, to the
    // first text it was noted with.
    void noteText(const QRawFont &font, const QList<quint32> &glyphs, const QString &text);
    void drawLine(const QPointF &from, const QPointF &to, qreal width, const QColor &color);

    // Ends the last page and writes the fonts, page tree and cross-reference table; false with the
    // reason when the device refused a write at any point.
    [[nodiscard]] bool finish(QString *error);

    struct Font;

private:
    Font &fontFor(const QRawFont &raw);
    void endPage();
    void setFill(const QColor &color);
    int newObject();
    void beginObject(int number);
    void write(const QByteArray &bytes);
    void writeStream(int number, const QByteArray &dictionary, const QByteArray &data);
    void writeFont(Font &font);

    QIODevice *m_out;
    QByteArray m_pageSize;
    qreal m_pageHeight;
    qint64 m_written = 0;
    bool m_failed = false;
    QString m_error;
    std::vector<qint64> m_offsets; // by object number; 0 and the reserved ones filled as written
    QList<int> m_pages;

    QByteArray m_content;
    QRgb m_fill = 0;
    bool m_fillSet = false;
    QRgb m_stroke = 0;
    qreal m_lineWidth = -1;

    std::vector<std::unique_ptr<Font>> m_fonts;
    // Font engines seen so far (one per face and size) and the font each belongs to.
    QList<QPair<QRawFont, Font *>> m_engines;
};
