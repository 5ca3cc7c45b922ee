#pragma once

// The six receipt preferences, kept in the user settings under their fixed keys. The main window
// makes one instance and hands it to every screen that shows or edits them, so a change made in
// the reader pane's menu, the printer settings sheet or the results screen is seen by all.

#include <QObject>
#include <QString>

class ReceiptSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString printerName READ printerName WRITE setPrinterName NOTIFY changed)
    Q_PROPERTY(bool autoPrint READ autoPrint WRITE setAutoPrint NOTIFY changed)
    Q_PROPERTY(bool autoPrintOnRead READ autoPrintOnRead WRITE setAutoPrintOnRead NOTIFY changed)
    Q_PROPERTY(double bottomFeedPoints READ bottomFeedPoints WRITE setBottomFeedPoints NOTIFY changed)
    Q_PROPERTY(QString autoCutOptionKey READ autoCutOptionKey WRITE setAutoCutOptionKey NOTIFY changed)
    Q_PROPERTY(QString autoCutOptionValue READ autoCutOptionValue WRITE setAutoCutOptionValue NOTIFY changed)

public:
    explicit ReceiptSettings(QObject *parent = nullptr);

    [[nodiscard]] QString printerName() const { return m_printerName; }
    [[nodiscard]] bool autoPrint() const { return m_autoPrint; }
    [[nodiscard]] bool autoPrintOnRead() const { return m_autoPrintOnRead; }
    [[nodiscard]] double bottomFeedPoints() const { return m_bottomFeedPoints; }
    [[nodiscard]] QString autoCutOptionKey() const { return m_autoCutOptionKey; }
    [[nodiscard]] QString autoCutOptionValue() const { return m_autoCutOptionValue; }

    void setPrinterName(const QString &name);
    void setAutoPrint(bool on);
    void setAutoPrintOnRead(bool on);
    void setBottomFeedPoints(double points);
    void setAutoCutOptionKey(const QString &key);
    void setAutoCutOptionValue(const QString &value);

signals:
    void changed();

private:
    void store(const char *key, const QVariant &value);

    QString m_printerName;
    bool m_autoPrint = false;
    bool m_autoPrintOnRead = false;
    double m_bottomFeedPoints = 0;
    QString m_autoCutOptionKey;
    QString m_autoCutOptionValue;
};
