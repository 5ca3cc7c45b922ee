#include "receiptsettings.h"

#include <QSettings>

#include <cmath>

ReceiptSettings::ReceiptSettings(QObject *parent)
    : QObject(parent)
{
    const QSettings s;
    m_printerName = s.value(QStringLiteral("receiptPrinterName")).toString();
    m_autoPrint = s.value(QStringLiteral("receiptAutoPrint"), false).toBool();
    m_autoPrintOnRead = s.value(QStringLiteral("receiptAutoPrintOnRead"), false).toBool();
    bool ok = false;
    const double feed = s.value(QStringLiteral("receiptBottomFeedPoints"), 0.0).toDouble(&ok);
    m_bottomFeedPoints = ok ? feed : 0.0;
    m_autoCutOptionKey = s.value(QStringLiteral("receiptAutoCutOptionKey")).toString();
    m_autoCutOptionValue = s.value(QStringLiteral("receiptAutoCutOptionValue")).toString();
}

void ReceiptSettings::store(const char *key, const QVariant &value)
{
    QSettings s;
    s.setValue(QLatin1String(key), value);
    emit changed();
}

void ReceiptSettings::setPrinterName(const QString &name)
{
    if (name == m_printerName)
        return;
    m_printerName = name;
    store("receiptPrinterName", name);
}

void ReceiptSettings::setAutoPrint(bool on)
{
    if (on == m_autoPrint)
        return;
    m_autoPrint = on;
    store("receiptAutoPrint", on);
}

void ReceiptSettings::setAutoPrintOnRead(bool on)
{
    if (on == m_autoPrintOnRead)
        return;
    m_autoPrintOnRead = on;
    store("receiptAutoPrintOnRead", on);
}

void ReceiptSettings::setBottomFeedPoints(double points)
{
    if (points == m_bottomFeedPoints || (std::isnan(points) && std::isnan(m_bottomFeedPoints)))
        return;
    m_bottomFeedPoints = points;
    store("receiptBottomFeedPoints", points);
}

void ReceiptSettings::setAutoCutOptionKey(const QString &key)
{
    if (key == m_autoCutOptionKey)
        return;
    m_autoCutOptionKey = key;
    store("receiptAutoCutOptionKey", key);
}

void ReceiptSettings::setAutoCutOptionValue(const QString &value)
{
    if (value == m_autoCutOptionValue)
        return;
    m_autoCutOptionValue = value;
    store("receiptAutoCutOptionValue", value);
}
