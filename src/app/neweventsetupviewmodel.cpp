#include "neweventsetupviewmodel.h"

#include "localization.h"
#include "messagetext.h"

#include "chosenfile.h"
#include "filechooser.h"
#include "typedtext.h"

#include <QDir>
#include <QFileInfo>

QString eventFilePathFor(const QString &chosenPath, const QString &fileName)
{
    return withEventFileSuffix(
        QFileInfo(chosenPath).isDir() ? QDir(chosenPath).filePath(fileName) : chosenPath);
}

QString suggestedEventFileName(const QString &eventName)
{
    QString base = eventName;
    base.replace(QLatin1Char('/'), QLatin1Char('-'));
    base.replace(QLatin1Char('\\'), QLatin1Char('-'));
    if (base.isEmpty())
        base = QStringLiteral("Untitled Race");
    return base + QStringLiteral(".vexloevent.json");
}

NewEventSetupViewModel::NewEventSetupViewModel(NewEventTarget *target, QObject *parent)
    : QObject(parent)
    , m_target(target)
    , m_lastVisible(target->needsInitialSetup())
{ }

QString NewEventSetupViewModel::eventName() const
{
    return m_target->eventName();
}

void NewEventSetupViewModel::setEventName(const QString &name)
{
    // A refused name is not stored; the field goes back to the stored one, and says why.
    m_nameWarning = typedNameProblem(name);
    if (m_nameWarning.isEmpty() && name != m_target->eventName())
        m_target->setEventName(name);
    emit eventNameChanged();
}

bool NewEventSetupViewModel::canSave() const
{
    return !m_target->eventName().trimmed().isEmpty();
}

QString NewEventSetupViewModel::suggestedFileName() const
{
    return suggestedEventFileName(m_target->eventName());
}

QUrl NewEventSetupViewModel::startFolder() const
{
    return dialogStartFolder(FileKind::Event);
}

bool NewEventSetupViewModel::isVisible() const
{
    return m_target->needsInitialSetup();
}

bool NewEventSetupViewModel::requestSave() const
{
    return canSave();
}

void NewEventSetupViewModel::chooseFileToSave()
{
    if (!requestSave())
        return;
    FileDialogRequest request = eventSaveRequest(QStringLiteral("saveEventDialog"), startFolder());
    request.proposedName = suggestedFileName();
    chooseFile(request, this, [this](const QUrl &file) { saveTo(file); });
}

void NewEventSetupViewModel::saveTo(const QUrl &fileUrl)
{
    if (!fileUrl.isValid() || fileUrl.isEmpty())
        return;
    const QString chosen = chosenLocalPath(fileUrl, startFolder());
    if (chosen.isEmpty()) {
        setFileError(localized(QStringLiteral("Save failed: %@"),
            localizedMessage(QStringLiteral("Not a local file: ") + fileUrl.toDisplayString())));
        refresh();
        return;
    }
    const QString path = eventFilePathFor(chosen, suggestedFileName());
    if (const auto error = m_target->saveTo(path)) {
        setFileError(localized(QStringLiteral("Save failed: %@"), {localizedMessage(*error)}));
    } else {
        setFileError({});
    }
    refresh();
}

void NewEventSetupViewModel::cancel()
{
    if (!m_target->needsInitialSetup())
        return;
    m_target->cancelNewEvent();
    refresh();
}

void NewEventSetupViewModel::refresh()
{
    emit eventNameChanged();
    const bool visible = m_target->needsInitialSetup();
    if (visible != m_lastVisible) {
        m_lastVisible = visible;
        // Each time the sheet comes back it starts without a message.
        if (visible) {
            m_nameWarning.clear();
            setFileError({});
        }
        emit visibleChanged();
    }
}

void NewEventSetupViewModel::setFileError(const QString &error)
{
    if (error == m_fileError)
        return;
    m_fileError = error;
    emit fileErrorChanged();
}
