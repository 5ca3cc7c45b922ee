#pragma once

// What the window says about saving: while autosaves fail, a plain warning with the reason and
// what to do; once an autosave succeeds after a failure, that saving works again (until the
// organiser closes the note). Fed with the store's autosave error, so tests need no disk faults.
// Also, while the event file start-up could not read stays unreplaced: which file, why, that the
// autosave was opened instead, and "Save As..." to put the event in a file the organiser chooses.

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
    // Empty unless the event was opened from the autosave because its file could not be read.
    Q_PROPERTY(QString unreadableFileText READ unreadableFileText NOTIFY changed)
    // Why the last "Save As..." failed; empty otherwise.
    Q_PROPERTY(QString saveAsError READ saveAsError NOTIFY changed)
    // Empty unless start-up left out changes it could not restore whole (until dismissed).
    Q_PROPERTY(QString unrestoredText READ unrestoredText NOTIFY changed)
    // Empty unless a quit was refused because the event cannot be saved (until dismissed).
    Q_PROPERTY(QString quitProblemText READ quitProblemText NOTIFY changed)
    // Why the event file named on the command line was not opened (until dismissed); empty
    // otherwise.
    Q_PROPERTY(QString openFileError READ openFileError NOTIFY changed)

public:
    using QObject::QObject;

    // The store's last autosave error; empty when the last autosave reached the disk.
    void setAutosaveError(const QString &error);
    [[nodiscard]] QString problemText() const;
    [[nodiscard]] QString recoveredText() const;
    Q_INVOKABLE void dismissRecovered();

    using Saver = std::function<std::optional<QString>(const QString &path)>;
    // The unreadable event file (empty path: none), why, and the name of the event opened
    // instead; `save` writes the open event to a path and gives the error on failure.
    void setUnreadableEventFile(const QString &path, const QString &reason, const QString &eventName);
    void setSaver(Saver save) { m_save = std::move(save); }
    [[nodiscard]] QString unreadableFileText() const;
    // What "Save As..." proposes: the unreadable file's folder, under a name of its own.
    [[nodiscard]] QUrl suggestedSaveUrl() const;
    [[nodiscard]] QUrl suggestedSaveFolder() const;
    [[nodiscard]] QString saveAsError() const { return m_saveAsError; }
    // The file dialog's choice; a name without ".json" gets ".vexloevent.json".
    Q_INVOKABLE void saveAs(const QUrl &chosen);
    // "Save As...": the save dialog, whose file goes to saveAs().
    Q_INVOKABLE void chooseRecoveryFile();
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
    // The quit problem's save dialog: the file chosen goes to saveElsewhere(), and savedElsewhere()
    // tells the outcome.
    Q_INVOKABLE void chooseElsewhere();
    Q_INVOKABLE void dismissQuitProblem();
    // Given by the application: try the failed writes again (true: all on disk), and save as.
    std::function<bool()> retryWrites;
    std::function<std::optional<QString>(const QUrl &)> saveEventTo;
    // The open event's file (empty: none), which the quit problem's dialog proposes.
    std::function<QUrl()> eventFileUrl;
    // The message Open gave for a file named on the command line; empty: it opened.
    void setOpenFileError(const QString &message);
    [[nodiscard]] QString openFileError() const { return m_openFileError; }
    Q_INVOKABLE void dismissOpenFileError() { setOpenFileError(QString()); }

    // Texts follow the selected language.
    void retranslate() { emit changed(); }

signals:
    void changed();
    // After the quit problem's dialog saved the event (an empty error) or failed to.
    void savedElsewhere(const QString &error);

private:
    QString m_error;
    bool m_recovered = false;
    QString m_unreadablePath;
    QString m_unreadableReason;
    QString m_eventName;
    QString m_saveAsError;
    Saver m_save;
    QString m_unrestoredFile;
    bool m_quitRefused = false;
    bool m_savedElsewhere = false;
    QString m_openFileError;
};
