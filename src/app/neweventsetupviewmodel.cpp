#include "neweventsetupviewmodel.h"

#include "localization.h"
#include "messagetext.h"

#include "chosenfile.h"
#include "typedtext.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString eventSuffix = QStringLiteral(".vexloevent.json");
const QString lastFolderKey = QStringLiteral("lastEventFolder");

} // namespace

QString eventFilePathFor(const QString &chosenPath, const QString &fileName)
{
    QString path = chosenPath;
    if (QFileInfo(path).isDir())
        path = QDir(path).filePath(fileName);
    if (path.endsWith(eventSuffix))
        return path;
    for (const QString &partial : {QStringLiteral(".vexloevent"), QStringLiteral(".json")}) {
        if (path.endsWith(partial)) {
            path.chop(partial.size());
            break;
        }
    }
    return path + eventSuffix;
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

QUrl NewEventSetupViewModel::suggestedFileUrl() const
{
    return QUrl::fromLocalFile(QDir(startFolder().toLocalFile()).filePath(suggestedFileName()));
}

QUrl NewEventSetupViewModel::startFolder() const
{
    const QString last = QSettings().value(lastFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return QUrl::fromLocalFile(last);
    return QUrl::fromLocalFile(QDir::homePath());
}

bool NewEventSetupViewModel::isVisible() const
{
    return m_target->needsInitialSetup();
}

bool NewEventSetupViewModel::requestSave() const
{
    return canSave();
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
        QSettings().setValue(lastFolderKey, QFileInfo(path).absolutePath());
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
