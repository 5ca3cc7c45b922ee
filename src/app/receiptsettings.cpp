#include "receiptsettings.h"

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
