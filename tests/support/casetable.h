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

// From a `_data()` slot: one row per case of tests/data/<file>, with the cells after the name in
// the column "cells". A missing or empty table fails the test rather than passing with no rows.
inline void load(const char *file)
{
    QTest::addColumn<QStringList>("cells");
    QFile in(QStringLiteral(VEXLO_TEST_DATA_DIR "/") + QLatin1String(file));
    if (!in.open(QIODevice::ReadOnly))
        qFatal("missing case table %s", file);
    int rows = 0;
    for (const QByteArray &raw : in.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList cells;
        for (const QString &cell : line.split(QLatin1Char('\t')))
            cells.append(unescape(cell));
        QTest::newRow(qPrintable(cells.takeFirst())) << cells;
        ++rows;
    }
    if (rows == 0)
        qFatal("empty case table %s", file);
}

} // namespace casetable
