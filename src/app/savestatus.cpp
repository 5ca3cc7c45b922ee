#include "savestatus.h"

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
    emit changed();
}

QString SaveStatus::problemText() const
{
    if (m_error.isEmpty())
        return {};
    return localized(QStringLiteral("The event is not being saved: %@. Check that the event file's folder "
                                    "still exists, can be written to and has free space. Keep the window "
                                    "open: everything is saved as soon as that works again."),
        localizedMessage(m_error));
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
        QDir::toNativeSeparators(m_unreadablePath), m_unreadableReason, m_eventName);
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
    QString path = chosen.toLocalFile();
    if (path.isEmpty()) {
        m_saveAsError = localized(QStringLiteral("Save failed: %@"), chosen.toString());
        emit changed();
        return;
    }
    if (!path.endsWith(QStringLiteral(".json")))
        path += QStringLiteral(".vexloevent.json");
    const std::optional<QString> error = m_save(path);
    m_saveAsError = error ? localized(QStringLiteral("Save failed: %@"), *error) : QString();
    emit changed();
}
