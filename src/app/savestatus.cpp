#include "savestatus.h"

#include "localization.h"
#include "messagetext.h"

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
