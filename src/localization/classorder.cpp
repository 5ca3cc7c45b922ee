#include "classorder.h"

#include "nameorder.h"

#include <QTextBoundaryFinder>

#include <limits>

namespace {

constexpr qint64 noNumber = std::numeric_limits<qint64>::max();

bool isNumericCluster(QStringView cluster)
{
    if (cluster.isEmpty())
        return false;
    char32_t first = cluster.at(0).unicode();
    if (cluster.at(0).isHighSurrogate() && cluster.size() > 1 && cluster.at(1).isLowSurrogate())
        first = QChar::surrogateToUcs4(cluster.at(0), cluster.at(1));
    return QChar::isNumber(first);
}

qint64 asciiNumber(const QString &digits)
{
    if (digits.isEmpty())
        return noNumber;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return noNumber;
    }
    bool ok = false;
    const qint64 value = digits.toLongLong(&ok, 10);
    return ok ? value : noNumber;
}

} // namespace

ClassSortKey classSortKey(const QString &name)
{
    QString digits;
    qsizetype prefixEnd = -1;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
    qsizetype start = 0;
    while (start < name.size()) {
        qsizetype end = finder.toNextBoundary();
        if (end <= start)
            end = name.size();
        const QStringView cluster = QStringView(name).mid(start, end - start);
        if (isNumericCluster(cluster)) {
            if (prefixEnd < 0)
                prefixEnd = start;
            digits.append(cluster);
        }
        start = end;
    }
    ClassSortKey key;
    key.prefix = (prefixEnd < 0 ? name : name.left(prefixEnd)).toUpper();
    key.number = asciiNumber(digits);
    key.name = name;
    return key;
}

int compareUnicodeText(const QString &a, const QString &b)
{
    const QList<uint> ua = a.normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> ub = b.normalized(QString::NormalizationForm_C).toUcs4();
    const qsizetype n = std::min(ua.size(), ub.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (ua[i] != ub[i])
            return ua[i] < ub[i] ? -1 : 1;
    }
    if (ua.size() == ub.size())
        return 0;
    return ua.size() < ub.size() ? -1 : 1;
}

bool classSortKeyLess(const ClassSortKey &a, const ClassSortKey &b)
{
    // Letters in the order of the selected language (Danish Å after Z); names it cannot tell apart
    // fall back to code points, so the order stays strict.
    if (const int c = compareNames(a.prefix, b.prefix); c != 0)
        return c < 0;
    if (a.number != b.number)
        return a.number < b.number;
    if (const int c = compareNames(a.name, b.name); c != 0)
        return c < 0;
    return compareUnicodeText(a.name, b.name) < 0;
}

bool classNameLess(const QString &a, const QString &b)
{
    return classSortKeyLess(classSortKey(a), classSortKey(b));
}

bool compareClassNames(const RaceClass &a, const RaceClass &b)
{
    return classNameLess(a.name, b.name);
}
