#include "savestatus.h"

#include "localization.h"

#include <QDir>

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
    return localized(QStringLiteral("The event is not being saved: %@. Check that the event file's folder "
                                    "still exists, can be written to and has free space. Keep the window "
                                    "open: everything is saved as soon as that works again."),
        m_error);
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
        m_error);
}

QString SaveStatus::saveElsewhere(const QUrl &url)
{
    if (!saveAs)
        return {};
    if (const std::optional<QString> error = saveAs(url))
        return *error;
    m_savedElsewhere = true;
    m_quitRefused = false;
    emit changed();
    return {};
}

void SaveStatus::dismissQuitProblem()
{
    if (!m_quitRefused)
        return;
    m_quitRefused = false;
    emit changed();
}
