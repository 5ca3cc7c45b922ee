#include "documenttext.h"

#include "localization.h"
#include "nameorder.h"

#include <QTextBoundaryFinder>
#include <QTimeZone>

#include <charconv>
#include <cmath>

namespace {

// Durations beyond this are not race times; they print as absent rather than overflow.
constexpr double maxSeconds = 1e12;

bool isTrimmedSpace(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

} // namespace

QString escapeMarkup(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    out.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    out.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    out.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    return out;
}

QString escapeXmlText(const QString &text)
{
    QString out = escapeMarkup(text);
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t u = out.at(i).unicode();
        bool bad = (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF;
        if (QChar::isHighSurrogate(u)) {
            if (i + 1 < out.size() && out.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            bad = true;
        } else if (QChar::isLowSurrogate(u)) {
            bad = true;
        }
        if (bad)
            out[i] = QChar(0xFFFD);
    }
    return out;
}

std::optional<qint64> truncatedSeconds(double seconds)
{
    // Below zero is no duration (a finish before its start): written as none.
    if (!std::isfinite(seconds) || std::fabs(seconds) > maxSeconds || seconds <= -1.0)
        return std::nullopt;
    return static_cast<qint64>(std::trunc(seconds));
}

QString formatDuration(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > maxSeconds)
        return QStringLiteral("—");
    const long long s = std::llround(seconds);
    if (s < 0)
        return QStringLiteral("—");
    const long long h = s / 3600;
    const long long m = (s % 3600) / 60;
    const long long r = s % 60;
    // What the formats below give, without a printf per cell of a long split-times list.
    char text[32];
    char *c = std::to_chars(text, text + 20, s < 3600 ? m : h).ptr;
    const auto two = [&c](long long v) {
        *c++ = ':';
        *c++ = char('0' + v / 10);
        *c++ = char('0' + v % 10);
    };
    if (s >= 3600)
        two(m);
    two(r);
    return QString::fromLatin1(text, c - text);
}

QString personDisplayName(const QString &givenName, const QString &familyName)
{
    const QString full = givenName + QLatin1Char(' ') + familyName;
    qsizetype begin = 0;
    qsizetype end = full.size();
    while (begin < end && isTrimmedSpace(full.at(begin)))
        ++begin;
    while (end > begin && isTrimmedSpace(full.at(end - 1)))
        --end;
    return full.mid(begin, end - begin);
}

std::optional<QString> iofDateTime(const QDateTime &time)
{
    if (!time.isValid())
        return std::nullopt;
    const QDateTime utc = time.toUTC();
    const int year = utc.date().year();
    if (year < 1 || year > 9999)
        return std::nullopt;
    return utc.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('Z');
}

int naturalCompare(const QString &a, const QString &b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    while (i < a.size() && j < b.size()) {
        if (isDigit(a.at(i)) && isDigit(b.at(j))) {
            qsizetype ie = i;
            qsizetype je = j;
            while (ie < a.size() && isDigit(a.at(ie)))
                ++ie;
            while (je < b.size() && isDigit(b.at(je)))
                ++je;
            // Compare digit runs by value: strip leading zeros, then length, then digits.
            qsizetype is = i;
            qsizetype js = j;
            while (is + 1 < ie && a.at(is) == QLatin1Char('0'))
                ++is;
            while (js + 1 < je && b.at(js) == QLatin1Char('0'))
                ++js;
            if (ie - is != je - js)
                return ie - is < je - js ? -1 : 1;
            const int c = QStringView(a).mid(is, ie - is).compare(QStringView(b).mid(js, je - js));
            if (c != 0)
                return c < 0 ? -1 : 1;
            i = ie;
            j = je;
            continue;
        }
        // Letters of the ASCII range fold to their small form; any other pair goes through Qt's case
        // folding, which may equate an ASCII letter with another (the Kelvin sign with "k").
        const char16_t ca = a.at(i).unicode();
        const char16_t cb = b.at(j).unicode();
        if (ca < 0x80 && cb < 0x80) {
            const char16_t fa = ca >= u'A' && ca <= u'Z' ? char16_t(ca + 32) : ca;
            const char16_t fb = cb >= u'A' && cb <= u'Z' ? char16_t(cb + 32) : cb;
            if (fa != fb)
                return fa < fb ? -1 : 1;
        } else {
            const int c = QStringView(a).mid(i, 1).compare(QStringView(b).mid(j, 1), Qt::CaseInsensitive);
            if (c != 0)
                return c < 0 ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

QString shortenToGraphemes(const QString &text, int limit)
{
    if (limit < 1)
        return QString();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    QList<qsizetype> ends;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype next = finder.toNextBoundary();
        if (next <= pos)
            next = text.size();
        ends.append(next);
        pos = next;
        if (ends.size() > limit)
            break;
    }
    if (ends.size() <= limit)
        return text;
    // Keep limit − 1 characters; the ellipsis is the last one.
    const qsizetype keep = limit >= 2 ? ends.at(limit - 2) : 0;
    return text.left(keep) + QStringLiteral("…");
}

namespace {
QLocale printingLocale()
{
    QLocale locale = localeForLanguage(LocalizationManager::shared().language());
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}
} // namespace

QString printedDate(const QDate &date)
{
    if (LocalizationManager::shared().language() == AppLanguage::Danish)
        return printingLocale().toString(date, QStringLiteral("d. MMMM yyyy"));
    return printingLocale().toString(date, QStringLiteral("d MMM yyyy"));
}

QString printedNumber(double value, int decimals)
{
    return printingLocale().toString(value, 'f', decimals);
}
