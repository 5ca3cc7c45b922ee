#pragma once

// What the window says about saving: while autosaves fail, a plain warning with the reason and
// what to do; once an autosave succeeds after a failure, that saving works again (until the
// organiser closes the note). Fed with the store's autosave error, so tests need no disk faults.

#include <QObject>
#include <QString>
#include <QUrl>

#include <QtQml/qqmlregistration.h>
#include <functional>
#include <optional>

class SaveStatus : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application")
    // Empty while saving works.
    Q_PROPERTY(QString problemText READ problemText NOTIFY changed)
    // Empty unless saving works again after a failure and the note is still open.
    Q_PROPERTY(QString recoveredText READ recoveredText NOTIFY changed)
    // Empty unless start-up left out changes it could not restore whole (until dismissed).
    Q_PROPERTY(QString unrestoredText READ unrestoredText NOTIFY changed)
    // Empty unless a quit was refused because the event cannot be saved (until dismissed).
    Q_PROPERTY(QString quitProblemText READ quitProblemText NOTIFY changed)

public:
    using QObject::QObject;

    // The store's last autosave error; empty when the last autosave reached the disk.
    void setAutosaveError(const QString &error);
    [[nodiscard]] QString problemText() const;
    [[nodiscard]] QString recoveredText() const;
    Q_INVOKABLE void dismissRecovered();
    // Where start-up kept the changes it could not restore; empty for none.
    void setUnrestoredChangesFile(const QString &path);
    [[nodiscard]] QString unrestoredText() const;
    Q_INVOKABLE void dismissUnrestored();

    // At quit: every failed write is tried once more; false (and the quit problem shown) while
    // the disk still refuses and the event was not saved elsewhere since.
    Q_INVOKABLE bool mayQuit();
    [[nodiscard]] QString quitProblemText() const;
    // The quit problem's way out: saves the event at `url`; the error's text, empty on success
    // (the quit may then go ahead).
    Q_INVOKABLE QString saveElsewhere(const QUrl &url);
    Q_INVOKABLE void dismissQuitProblem();
    // Given by the application: try the failed writes again (true: all on disk), and save as.
    std::function<bool()> retryWrites;
    std::function<std::optional<QString>(const QUrl &)> saveAs;
    // Texts follow the selected language.
    void retranslate() { emit changed(); }

signals:
    void changed();

private:
    QString m_error;
    bool m_recovered = false;
    QString m_unrestoredFile;
    bool m_quitRefused = false;
    bool m_savedElsewhere = false;
};
