#include "timeofday.h"

#include "localization.h"

#include <QLocale>

#include <QStringList>

namespace {

// ASCII digits with an optional leading sign, nothing else, within 64 bits.
std::optional<qint64> decimalInteger(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    if (text.at(0) == QLatin1Char('+') || text.at(0) == QLatin1Char('-'))
        i = 1;
    if (i == text.size())
        return std::nullopt;
    for (qsizetype k = i; k < text.size(); ++k) {
        if (text.at(k) < QLatin1Char('0') || text.at(k) > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    // toLongLong accepts surrounding spaces; they were excluded above.
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<qint64> parseTimeOfDay(const QString &text)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    t.replace(QLatin1Char('.'), QLatin1Char(':'));
    const QStringList parts = t.split(QLatin1Char(':'), Qt::KeepEmptyParts);
    const auto hour = decimalInteger(parts.at(0));
    if (!hour || *hour < 0 || *hour > 23)
        return std::nullopt;
    qint64 minutes = 0;
    if (parts.size() > 1) {
        if (const auto m = decimalInteger(parts.at(1)); m && *m >= 0)
            minutes = *m < 60 ? *m : 0;
    }
    return *hour * 3600 + minutes * 60;
}

QString timeOfDayText(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds - hours * 3600) / 60;
    return QString::asprintf("%02lld:%02lld", static_cast<long long>(hours), static_cast<long long>(minutes));
}

QString mediumDateText(const QDate &date)
{
    // The medium date style of each language: the month abbreviated, the year in full.
    if (LocalizationManager::shared().language() == AppLanguage::Danish)
        return QLocale(QLocale::Danish, QLocale::Denmark).toString(date, QStringLiteral("d. MMM yyyy"));
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(date, QStringLiteral("MMM d, yyyy"));
}
