#pragma once

// Case tables kept as data files under tests/data: one case a line, cells separated by tabs, the
// first cell naming the case. Blank lines and lines starting with '#' are skipped. Cells take the
// escapes \t \n \\ and \uXXXX, so invisible and unusual characters stay visible in the file.

#include <QFile>
#include <QStringList>
#include <QTest>

namespace casetable {

inline QString unescape(const QString &cell)
{
    QString out;
    for (qsizetype i = 0; i < cell.size(); ++i) {
        const QChar c = cell.at(i);
        if (c != QLatin1Char('\\') || i + 1 == cell.size()) {
            out.append(c);
            continue;
        }
        const QChar e = cell.at(++i);
        if (e == QLatin1Char('t'))
            out.append(QLatin1Char('\t'));
        else if (e == QLatin1Char('n'))
            out.append(QLatin1Char('\n'));
        else if (e == QLatin1Char('u') && i + 4 < cell.size()) {
            out.append(QChar(char16_t(cell.mid(i + 1, 4).toUShort(nullptr, 16))));
            i += 4;
        } else
            out.append(e);
    }
    return out;
}

// A cell "@N" (N digits, then any text) stands for N letters "x" and that text: lengths a table
// cannot show. Any other cell is itself.
inline QString withLength(const QString &cell)
{
    qsizetype end = 1;
    while (cell.startsWith(QLatin1Char('@')) && end < cell.size() && cell.at(end).isDigit())
        ++end;
    if (end == 1)
        return cell;
    return QString(cell.mid(1, end - 1).toInt(), QLatin1Char('x')) + cell.mid(end);
}

// The bytes of the file at `path`; a missing file stops the test program.
inline QByteArray readFile(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("missing test data %s", qPrintable(path));
    return in.readAll();
}

// The bytes of tests/data/<file>.
inline QByteArray readData(const QString &file)
{
    return readFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/") + file);
}

// The cases of tests/data/<file>, each its cells unescaped, the name first. A missing or empty
// table stops the test program rather than passing with no cases.
inline QList<QStringList> rows(const QString &file)
{
    QList<QStringList> out;
    for (const QByteArray &raw : readData(file).split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList cells;
        for (const QString &cell : line.split(QLatin1Char('\t')))
            cells.append(unescape(cell));
        out.append(cells);
    }
    if (out.isEmpty())
        qFatal("empty case table %s", qPrintable(file));
    return out;
}

// From a `_data()` slot: one row per case of tests/data/<file>, with the cells after the name in
// the column "cells".
inline void load(const char *file)
{
    QTest::addColumn<QStringList>("cells");
    for (QStringList cells : rows(QLatin1String(file)))
        QTest::newRow(qPrintable(cells.takeFirst())) << cells;
}

} // namespace casetable
