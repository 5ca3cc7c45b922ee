#include "savestatus.h"

#include "chosenfile.h"
#include "filechooser.h"
#include "localization.h"
#include "messagetext.h"

#include <QDir>
#include <QFileInfo>

void SaveStatus::setAutosaveError(const QString &error)
{
    if (error == m_error)
        return;
    m_recovered = error.isEmpty();
    m_error = error;
    // A new failure after a save elsewhere: that copy no longer holds every change.
    if (!error.isEmpty())
        m_savedElsewhere = false;
    emit changed();
}

QString SaveStatus::problemText() const
{
    if (m_error.isEmpty())
        return {};
    // The reason stands inside a sentence of its own; most store texts end in a full stop.
    QString reason = localizedMessage(m_error);
    if (reason.endsWith(u'.'))
        reason.chop(1);
    return localized(QStringLiteral("The event is not being saved: %@. Check that the event file's folder "
                                    "still exists, can be written to and has free space. Keep the window "
                                    "open: everything is saved as soon as that works again."),
        reason);
}

QString SaveStatus::recoveredText() const
{
    return m_recovered ? localized(QStringLiteral("Saving works again: every change is saved.")) : QString();
}

void SaveStatus::dismissRecovered()
{
    if (!m_recovered)
        return;
    m_recovered = false;
    emit changed();
}

void SaveStatus::setUnreadableEventFile(const QString &path, const QString &reason, const QString &eventName)
{
    if (path == m_unreadablePath && reason == m_unreadableReason && eventName == m_eventName)
        return;
    if (path != m_unreadablePath)
        m_saveAsError.clear();
    m_unreadablePath = path;
    m_unreadableReason = reason;
    m_eventName = eventName;
    emit changed();
}

QString SaveStatus::unreadableFileText() const
{
    if (m_unreadablePath.isEmpty())
        return {};
    return localized(QStringLiteral("The event file %@ is damaged and could not be opened (%@). Vexlo opened "
                                    "the last autosave instead: \u201C%@\u201D. Choose Save As to keep it in "
                                    "a file; until then it is saved only in the autosave."),
        QDir::toNativeSeparators(m_unreadablePath), localizedMessage(m_unreadableReason), m_eventName);
}

QUrl SaveStatus::suggestedSaveFolder() const
{
    return m_unreadablePath.isEmpty() ? QUrl()
                                      : QUrl::fromLocalFile(QFileInfo(m_unreadablePath).absolutePath());
}

QUrl SaveStatus::suggestedSaveUrl() const
{
    if (m_unreadablePath.isEmpty())
        return {};
    // Never the damaged file's own name: what is left of it stays for whoever looks into it.
    QString base = QFileInfo(m_unreadablePath).fileName();
    for (const QString &suffix : {QStringLiteral(".vexloevent.json"), QStringLiteral(".json")}) {
        if (base.endsWith(suffix)) {
            base.chop(suffix.size());
            break;
        }
    }
    return QUrl::fromLocalFile(QFileInfo(m_unreadablePath)
                                   .absoluteDir()
                                   .filePath(base + QStringLiteral("-recovered.vexloevent.json")));
}

void SaveStatus::saveAs(const QUrl &chosen)
{
    if (!m_save || m_unreadablePath.isEmpty())
        return;
    QString path = chosenLocalPath(chosen, suggestedSaveFolder());
    if (path.isEmpty()) {
        m_saveAsError = localized(QStringLiteral("Save failed: %@"),
            localizedMessage(QStringLiteral("Not a local file: ") + chosen.toDisplayString()));
        emit changed();
        return;
    }
    if (!path.endsWith(QStringLiteral(".json")))
        path += QStringLiteral(".vexloevent.json");
    const std::optional<QString> error = m_save(path);
    m_saveAsError
        = error ? localized(QStringLiteral("Save failed: %@"), localizedMessage(*error)) : QString();
    emit changed();
}

void SaveStatus::chooseRecoveryFile()
{
    FileDialogRequest request = eventSaveRequest(QStringLiteral("unreadableFileSaveDialog"),
        dialogStartFolder(FileKind::Event, suggestedSaveFolder().toLocalFile()));
    request.proposedName = suggestedSaveUrl().fileName();
    chooseFile(request, this, [this](const QUrl &file) { saveAs(file); });
}

void SaveStatus::setUnrestoredChangesFile(const QString &path)
{
    if (path == m_unrestoredFile)
        return;
    m_unrestoredFile = path;
    emit changed();
}

QString SaveStatus::unrestoredText() const
{
    if (m_unrestoredFile.isEmpty())
        return {};
    return localized(
        QStringLiteral("Some changes found after the last session could not be restored whole and "
                       "were left out. They are kept in %@."),
        QDir::toNativeSeparators(m_unrestoredFile));
}

void SaveStatus::dismissUnrestored()
{
    setUnrestoredChangesFile(QString());
}

bool SaveStatus::mayQuit()
{
    if (m_savedElsewhere || !retryWrites || retryWrites()) {
        if (m_quitRefused) {
            m_quitRefused = false;
            emit changed();
        }
        return true;
    }
    m_quitRefused = true;
    emit changed();
    return false;
}

QString SaveStatus::quitProblemText() const
{
    if (!m_quitRefused)
        return {};
    return localized(QStringLiteral("Vexlo cannot quit safely: the event cannot be saved (%@), and changes "
                                    "would be lost. Save it somewhere else, for example on another disk, or "
                                    "make the folder writable or free space and quit again."),
        localizedMessage(m_error));
}

QString SaveStatus::saveElsewhere(const QUrl &url)
{
    if (!saveEventTo)
        return {};
    QString path = chosenLocalPath(url, {});
    if (path.isEmpty())
        return localized(QStringLiteral("Save failed: %@"),
            localizedMessage(QStringLiteral("Not a local file: ") + url.toDisplayString()));
    if (!path.endsWith(QStringLiteral(".json")))
        path += QStringLiteral(".vexloevent.json");
    if (const std::optional<QString> error = saveEventTo(QUrl::fromLocalFile(path)))
        return localized(QStringLiteral("Save failed: %@"), localizedMessage(*error));
    m_savedElsewhere = true;
    m_quitRefused = false;
    emit changed();
    return {};
}

void SaveStatus::chooseElsewhere()
{
    const QUrl file = eventFileUrl ? eventFileUrl() : QUrl();
    FileDialogRequest request = eventSaveRequest(QStringLiteral("quitSaveDialog"),
        dialogStartFolder(
            FileKind::Event, file.isLocalFile() ? QFileInfo(file.toLocalFile()).absolutePath() : QString()));
    request.proposedName = file.fileName();
    chooseFile(request, this, [this](const QUrl &chosen) { emit savedElsewhere(saveElsewhere(chosen)); });
}

void SaveStatus::dismissQuitProblem()
{
    if (!m_quitRefused)
        return;
    m_quitRefused = false;
    emit changed();
}

void SaveStatus::setOpenFileError(const QString &message)
{
    if (message == m_openFileError)
        return;
    m_openFileError = message;
    emit changed();
}
