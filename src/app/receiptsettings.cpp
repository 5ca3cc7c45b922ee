#include "receiptsettings.h"

#include "localization.h"
#include <QRegularExpression>

#include <QSettings>

#include <cmath>

namespace {

bool readFlag(const QSettings &settings, const char *key)
{
    const QVariant value = settings.value(QLatin1String(key));
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    // QSettings on Linux hands back flags as the texts "true"/"false"; anything else is unreadable.
    const QString text = value.toString();
    return text == QLatin1String("true") || text == QLatin1String("1");
}

double readNumber(const QSettings &settings, const char *key)
{
    bool ok = false;
    const double value = settings.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QString readText(const QSettings &settings, const char *key)
{
    const QVariant value = settings.value(QLatin1String(key));
    return value.canConvert<QString>() ? value.toString() : QString();
}

} // namespace

ReceiptSettings::ReceiptSettings(QObject *parent)
    : QObject(parent)
{
    reload();
}

void ReceiptSettings::reload()
{
    namespace keys = ReceiptSettingsKeys;
    const QSettings settings;
    m_printerName = readText(settings, keys::printerName);
    m_autoPrint = readFlag(settings, keys::autoPrint);
    m_autoPrintOnRead = readFlag(settings, keys::autoPrintOnRead);
    m_bottomFeedPoints = readNumber(settings, keys::bottomFeedPoints);
    m_autoCutOptionKey = readText(settings, keys::autoCutOptionKey);
    m_autoCutOptionValue = readText(settings, keys::autoCutOptionValue);
    emit changed();
}

void ReceiptSettings::write(const char *key, const QVariant &value)
{
    QSettings settings;
    settings.setValue(QLatin1String(key), value);
    emit changed();
}

void ReceiptSettings::setPrinterName(const QString &value)
{
    if (value == m_printerName)
        return;
    m_printerName = value;
    write(ReceiptSettingsKeys::printerName, value);
}

void ReceiptSettings::setAutoPrint(bool value)
{
    if (value == m_autoPrint)
        return;
    m_autoPrint = value;
    write(ReceiptSettingsKeys::autoPrint, value);
}

void ReceiptSettings::setAutoPrintOnRead(bool value)
{
    if (value == m_autoPrintOnRead)
        return;
    m_autoPrintOnRead = value;
    write(ReceiptSettingsKeys::autoPrintOnRead, value);
}

void ReceiptSettings::setBottomFeedPoints(double value)
{
    if (!std::isfinite(value) || value == m_bottomFeedPoints)
        return;
    m_bottomFeedPoints = value;
    write(ReceiptSettingsKeys::bottomFeedPoints, value);
}

void ReceiptSettings::setAutoCutOptionKey(const QString &value)
{
    if (value == m_autoCutOptionKey)
        return;
    m_autoCutOptionKey = value;
    write(ReceiptSettingsKeys::autoCutOptionKey, value);
}

void ReceiptSettings::setAutoCutOptionValue(const QString &value)
{
    if (value == m_autoCutOptionValue)
        return;
    m_autoCutOptionValue = value;
    write(ReceiptSettingsKeys::autoCutOptionValue, value);
}

namespace {

QLocale selectedLocale()
{
    return QLocale(LocalizationManager::shared().languageCode() == QLatin1String("da") ? QLocale::Danish
                                                                                       : QLocale::English);
}

} // namespace

std::optional<double> readLocalNumber(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (ok && std::isfinite(value))
        return value;
    // One mark followed by anything but three digits is a decimal mark in any language.
    static const QRegularExpression decimal(QStringLiteral(R"(^([-+]?\d*)[.,](\d{1,2}|\d{4,})$)"));
    const QRegularExpressionMatch m = decimal.match(trimmed);
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(2).isEmpty()))
        return std::nullopt;
    const double read = QLocale::c().toDouble(m.captured(1) + QLatin1Char('.') + m.captured(2), &ok);
    return ok && std::isfinite(read) ? std::optional<double>(read) : std::nullopt;
}

QString ReceiptSettings::bottomFeedText() const
{
    return selectedLocale().toString(m_bottomFeedPoints, 'g', 12);
}

QString ReceiptSettings::enterBottomFeed(const QString &text)
{
    const QLocale locale = selectedLocale();
    const std::optional<double> value
        = text.trimmed().isEmpty() ? std::optional<double>(0) : readLocalNumber(text, locale);
    if (!value || *value < 0)
        return localized(
            QStringLiteral("\"%@\" is not a number of points. Type a number of 0 or more, for example %@."),
            text.trimmed(), locale.toString(12.5));
    // Over a metre of blank paper is a typing slip, never a feed.
    constexpr double longestFeed = 3000;
    if (*value > longestFeed)
        return localized(
            QStringLiteral("\"%@\" is too long a feed. Type a number of points from 0 to %@, for "
                           "example %@."),
            text.trimmed().left(40), locale.toString(longestFeed), locale.toString(12.5));
    setBottomFeedPoints(*value);
    return {};
}
