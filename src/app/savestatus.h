#pragma once

// What the window says about saving: while autosaves fail, a plain warning with the reason and
// what to do; once an autosave succeeds after a failure, that saving works again (until the
// organiser closes the note). Fed with the store's autosave error, so tests need no disk faults.

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class SaveStatus : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application")
    // Empty while saving works.
    Q_PROPERTY(QString problemText READ problemText NOTIFY changed)
    // Empty unless saving works again after a failure and the note is still open.
    Q_PROPERTY(QString recoveredText READ recoveredText NOTIFY changed)

public:
    using QObject::QObject;

    // The store's last autosave error; empty when the last autosave reached the disk.
    void setAutosaveError(const QString &error);
    [[nodiscard]] QString problemText() const;
    [[nodiscard]] QString recoveredText() const;
    Q_INVOKABLE void dismissRecovered();
    // Texts follow the selected language.
    void retranslate() { emit changed(); }

signals:
    void changed();

private:
    QString m_error;
    bool m_recovered = false;
};
