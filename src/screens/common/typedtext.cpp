#include "typedtext.h"

#include "localization.h"
#include "nameorder.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
// Line and paragraph separators end a line as a line feed does.
bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator
        || c == QChar::ParagraphSeparator;
}
} // namespace

bool holdsControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), isControl);
}

QString typedNameProblem(const QString &name)
{
    if (holdsControlCharacter(name))
        return localized(
            QStringLiteral("A name cannot hold a line break, a tab or another control character."));
    if (name.size() > longestTypedName) {
        return localized(QStringLiteral("A name is at most %@ characters long; this one has %@."),
            QString::number(longestTypedName), QString::number(name.size()));
    }
    return {};
}

QString typedTextEcho(const QString &text, qsizetype length)
{
    QString echo = text.trimmed().left(length);
    std::replace_if(echo.begin(), echo.end(), isControl, QLatin1Char(' '));
    return echo;
}

QString shortDateFormat()
{
    QString format
        = localeForLanguage(LocalizationManager::shared().language()).dateFormat(QLocale::ShortFormat);
    static const QRegularExpression year(QStringLiteral("y+"));
    return format.replace(year, QStringLiteral("yyyy"));
}

QDate dateFromTypedText(const QString &text)
{
    const QString typed = text.trimmed();
    // "d" and "M" read one digit or two.
    QString lenient = shortDateFormat();
    lenient.replace(QStringLiteral("dd"), QStringLiteral("d"))
        .replace(QStringLiteral("MM"), QStringLiteral("M"));
    if (const QDate date = QDate::fromString(typed, lenient); date.isValid())
        return date;
    return QDate::fromString(typed, Qt::ISODate);
}
