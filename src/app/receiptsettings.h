#pragma once

// The six receipt settings of the main window, read and written through the application's
// settings so that every screen bound to a key sees a change made anywhere.

#include <QLocale>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <optional>

// A number as typed in `locale`'s own form ("12,5" in Danish, "12.5" or "1,000" in English). The
// other language's decimal mark is understood too when it cannot be a digit group ("12.5" in
// Danish), so that nobody's "12.5" silently becomes 125. Nothing for anything else.
[[nodiscard]] std::optional<double> readLocalNumber(const QString &text, const QLocale &locale);

namespace ReceiptSettingsKeys {
inline constexpr const char *printerName = "receiptPrinterName";
inline constexpr const char *autoPrint = "receiptAutoPrint";
inline constexpr const char *autoPrintOnRead = "receiptAutoPrintOnRead";
inline constexpr const char *bottomFeedPoints = "receiptBottomFeedPoints";
inline constexpr const char *autoCutOptionKey = "receiptAutoCutOptionKey";
inline constexpr const char *autoCutOptionValue = "receiptAutoCutOptionValue";
} // namespace ReceiptSettingsKeys

class ReceiptSettings : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application")
    // "" stands for the system's default printer.
    Q_PROPERTY(QString printerName READ printerName WRITE setPrinterName NOTIFY changed)
    Q_PROPERTY(bool autoPrint READ autoPrint WRITE setAutoPrint NOTIFY changed)
    Q_PROPERTY(bool autoPrintOnRead READ autoPrintOnRead WRITE setAutoPrintOnRead NOTIFY changed)
    Q_PROPERTY(double bottomFeedPoints READ bottomFeedPoints WRITE setBottomFeedPoints NOTIFY changed)
    Q_PROPERTY(QString autoCutOptionKey READ autoCutOptionKey WRITE setAutoCutOptionKey NOTIFY changed)
    Q_PROPERTY(QString autoCutOptionValue READ autoCutOptionValue WRITE setAutoCutOptionValue NOTIFY changed)
    // The bottom feed as the selected language writes it.
    Q_PROPERTY(QString bottomFeedText READ bottomFeedText NOTIFY changed)

public:
    explicit ReceiptSettings(QObject *parent = nullptr);

    // Reads every key again (a value that cannot be read as its type gives the default:
    // "" for texts, false for flags, 0 for the feed).
    void reload();

    [[nodiscard]] QString printerName() const { return m_printerName; }
    void setPrinterName(const QString &value);
    [[nodiscard]] bool autoPrint() const { return m_autoPrint; }
    void setAutoPrint(bool value);
    [[nodiscard]] bool autoPrintOnRead() const { return m_autoPrintOnRead; }
    void setAutoPrintOnRead(bool value);
    [[nodiscard]] double bottomFeedPoints() const { return m_bottomFeedPoints; }
    void setBottomFeedPoints(double value);
    [[nodiscard]] QString autoCutOptionKey() const { return m_autoCutOptionKey; }
    void setAutoCutOptionKey(const QString &value);
    [[nodiscard]] QString autoCutOptionValue() const { return m_autoCutOptionValue; }
    void setAutoCutOptionValue(const QString &value);

    [[nodiscard]] QString bottomFeedText() const;
    // The bottom feed as typed in the selected language: stored and "" returned, or, when it is
    // not a number of zero or more points, the setting kept and the reason returned to show.
    Q_INVOKABLE QString enterBottomFeed(const QString &text);

signals:
    void changed();

private:
    void write(const char *key, const QVariant &value);

    QString m_printerName;
    bool m_autoPrint = false;
    bool m_autoPrintOnRead = false;
    double m_bottomFeedPoints = 0;
    QString m_autoCutOptionKey;
    QString m_autoCutOptionValue;
};
