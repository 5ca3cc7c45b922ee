#include "eventfileviewmodel.h"

#include "chosenfile.h"
#include "filechooser.h"
#include "localization.h"
#include "log.h"
#include "messagetext.h"
#include "racejson.h"
#include "racestore.h"
#include "typedtext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString eventSuffix = QStringLiteral(".vexloevent.json");
// The calendar's range: anything outside is a typing slip, not an event date.
const QDate firstDate(1900, 1, 1);
const QDate lastDate(2199, 12, 31);
} // namespace

bool isBlankEvent(const Race &race)
{
    // The journal's bookkeeping is no content of the event.
    Race content = race;
    content.journalEventId.reset();
    content.journalThrough.reset();
    return encodeRace(content, JsonLayout::Compact) == encodeRace(Race(), JsonLayout::Compact);
}

QString eventFileName(const QString &eventName)
{
    QString base = eventName;
    base.replace(QLatin1Char('/'), QLatin1Char('-'));
    base.replace(QLatin1Char('\\'), QLatin1Char('-'));
    while (base.startsWith(QLatin1Char('.')))
        base.remove(0, 1);
    if (base.trimmed().isEmpty())
        base = QStringLiteral("Untitled Race");
    return base + eventSuffix;
}

QUrl withEventSuffix(const QUrl &chosen)
{
    QString path = chosen.toLocalFile();
    if (path.isEmpty() || path.endsWith(eventSuffix))
        return chosen;
    if (path.endsWith(QStringLiteral(".json")))
        path.chop(5);
    return QUrl::fromLocalFile(path + eventSuffix);
}

QString recentFileTitle(const QUrl &url)
{
    const QString name = QFileInfo(url.toLocalFile()).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

EventFileViewModel::EventFileViewModel(QObject *parent)
    : StoreViewModel(parent)
{ }

void EventFileViewModel::storeReplaced()
{
    m_dateError.clear();
    m_refusedDateText.reset();
    if (store()) {
        follow(connect(store(), &RaceStore::raceFileUrlChanged, this, &EventFileViewModel::changed));
        follow(connect(store(), &RaceStore::recentRaceUrlsChanged, this, &EventFileViewModel::changed));
    }
    emit changed();
}

void EventFileViewModel::editRace(const std::function<void(Race &)> &edit)
{
    if (!store())
        return;
    Race race = store()->race();
    edit(race);
    store()->setRace(race);
}

QString EventFileViewModel::eventName() const
{
    return store() ? store()->race().name : QString();
}

void EventFileViewModel::setEventName(const QString &name)
{
    // A refused name is not stored; the field goes back to the stored one, and says why.
    m_nameRefusal = typedNameProblem(name);
    if (!m_nameRefusal.isEmpty())
        emit changed();
    else if (name != eventName())
        editRace([&](Race &race) { race.name = name; });
    else
        emit changed();
}

QString EventFileViewModel::nameWarning() const
{
    if (!store())
        return {};
    if (!m_nameRefusal.isEmpty())
        return m_nameRefusal;
    const QString name = eventName();
    if (name.trimmed().isEmpty())
        return localized(
            QStringLiteral("The event has no name; its file will be called \"%@\"."), {eventFileName(name)});
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return localized(
            QStringLiteral("\"/\" cannot be part of a file name; the file will be called \"%@\"."),
            {eventFileName(name)});
    return {};
}

QDate EventFileViewModel::eventDate() const
{
    if (store() && store()->race().date)
        return store()->race().date->toLocalTime().date();
    return m_today();
}

void EventFileViewModel::setEventDate(const QDate &date)
{
    if (!date.isValid() || date < firstDate || date > lastDate) {
        m_dateError = localized(QStringLiteral("Not a date between %@ and %@."),
            {firstDate.toString(Qt::ISODate), lastDate.toString(Qt::ISODate)});
        emit changed();
        return;
    }
    m_dateError.clear();
    m_refusedDateText.reset();
    editRace([&](Race &race) { race.date = QDateTime(date, QTime(0, 0)); });
}

QString EventFileViewModel::eventDateText() const
{
    if (m_refusedDateText)
        return *m_refusedDateText;
    return eventDate().toString(shortDateFormat());
}

bool EventFileViewModel::setEventDateText(const QString &text)
{
    const QDate date = dateFromTypedText(text);
    if (date.isValid() && date >= firstDate && date <= lastDate) {
        setEventDate(date);
        return true;
    }
    // The forms it takes, shown on the date the field holds.
    const QDate example = eventDate();
    m_dateError = localized(QStringLiteral("\"%@\" is not a date between %@ and %@. Type it as %@ or %@."),
        {typedTextEcho(text, 40), firstDate.toString(shortDateFormat()), lastDate.toString(shortDateFormat()),
            example.toString(shortDateFormat()), example.toString(Qt::ISODate)});
    m_refusedDateText = text;
    emit changed();
    return false;
}

bool EventFileViewModel::multiStage() const
{
    return store() && store()->race().isMultiStage();
}

void EventFileViewModel::setMultiStage(bool on)
{
    editRace([&](Race &race) { race.multiStageEnabled = on; });
}

bool EventFileViewModel::canSave() const
{
    return store() != nullptr;
}

QVariantList EventFileViewModel::recentFiles() const
{
    QVariantList rows;
    if (!store())
        return rows;
    for (const QUrl &url : store()->recentRaceUrls())
        rows.append(
            QVariantMap {{QStringLiteral("title"), recentFileTitle(url)}, {QStringLiteral("url"), url}});
    return rows;
}

QString EventFileViewModel::suggestedFileName() const
{
    return eventFileName(eventName());
}

QUrl EventFileViewModel::dialogFolder() const
{
    return dialogStartFolder(FileKind::Event, store());
}

bool EventFileViewModel::newNeedsConfirmation() const
{
    if (!store())
        return false;
    if (store()->raceFileUrl().isEmpty())
        return !isBlankEvent(store()->race());
    store()->flushAutosave();
    QFile file(store()->raceFileUrl().toLocalFile());
    const auto current = encodeRace(store()->race(), JsonLayout::PrettySorted);
    return !file.open(QIODevice::ReadOnly) || !current || file.readAll() != *current;
}

void EventFileViewModel::newEvent()
{
    if (!store())
        return;
    store()->newRace();
    m_dateError.clear();
    m_refusedDateText.reset();
    m_nameRefusal.clear();
    m_savedMessage.clear();
    setFileError({});
}

void EventFileViewModel::loadEvent(const QUrl &chosen)
{
    if (!store())
        return;
    const QString path = chosenLocalPath(chosen, dialogFolder());
    if (path.isEmpty())
        return setFileError(localized(QStringLiteral("Load failed: %@"),
            {localized(QStringLiteral("Not a local file: %@"), {chosen.toDisplayString()})}));
    const QUrl url = QUrl::fromLocalFile(path);
    QString error;
    std::optional<Race> race;
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        error = localized(QStringLiteral("%@ is a folder, not an event file."), {path});
    } else if (!file.open(QIODevice::ReadOnly)) {
        error = localized(QStringLiteral("Could not open \"%@\": %@"), QFileInfo(path).fileName(),
            localizedMessage(file.errorString()));
    } else {
        file.close();
        QString detail;
        race = RaceStore::readEventFile(url, &detail);
        if (!race) {
            // The decoder's words ("not JSON: ... at offset 0") are for the log; the organiser is
            // told which file it was and that it is not an event.
            logLine(QStringLiteral("EventFile: %1 not opened: %2").arg(path, detail));
            error = localized(
                QStringLiteral("\"%@\" is not a Vexlo event file (or it is damaged), so it was not opened."),
                QFileInfo(path).fileName());
        }
    }
    if (!race) {
        setFileError(localized(QStringLiteral("Load failed: %@"), {error}));
        return;
    }
    QString refused;
    if (!store()->openEvent(*race, url, &refused)) {
        setFileError(localized(QStringLiteral("Load failed: %@"), {localizedMessage(refused)}));
        return;
    }
    m_dateError.clear();
    m_refusedDateText.reset();
    m_nameRefusal.clear();
    setFileError({});
    m_savedMessage.clear();
}

void EventFileViewModel::saveEvent()
{
    if (!canSave())
        return;
    // An event that has no file yet asks where it goes, as on every desktop.
    if (store()->raceFileUrl().isEmpty())
        return chooseSaveAsFile();
    QString error;
    if (store()->save(store()->raceFileUrl(), &error)) {
        m_savedMessage = savedFileMessage(store()->raceFileUrl().toLocalFile());
        setFileError({});
    } else
        setFileError(localized(QStringLiteral("Save failed: %@"), {localizedMessage(error)}));
}

void EventFileViewModel::saveEventAs(const QUrl &chosen)
{
    if (!store())
        return;
    const QString path = chosenLocalPath(chosen, dialogFolder());
    const QUrl url = withEventSuffix(QUrl::fromLocalFile(path));
    QString error;
    if (path.isEmpty())
        error = localized(QStringLiteral("Not a local file: %@"), {chosen.toDisplayString()});
    else if (QFileInfo(url.toLocalFile()).isDir())
        error = localized(QStringLiteral("%@ is a folder, not an event file."), {url.toLocalFile()});
    else if (store()->save(url, &error)) {
        m_savedMessage = savedFileMessage(url.toLocalFile());
        setFileError({});
        return;
    }
    setFileError(localized(QStringLiteral("Save failed: %@"), {localizedMessage(error)}));
}

void EventFileViewModel::chooseEventToOpen()
{
    FileDialogRequest request;
    request.name = QStringLiteral("openDialog");
    request.nameFilters = {localized(QStringLiteral("Event files (*.json)"))};
    request.folder = dialogFolder();
    chooseFile(request, this, [this](const QUrl &file) { loadEvent(file); });
}

void EventFileViewModel::chooseSaveAsFile()
{
    FileDialogRequest request = eventSaveRequest(QStringLiteral("saveAsDialog"), dialogFolder());
    request.proposedName = suggestedFileName();
    chooseFile(request, this, [this](const QUrl &file) { saveEventAs(file); });
}

void EventFileViewModel::clearRecentEvents()
{
    if (!store())
        return;
    const QList<QUrl> urls = store()->recentRaceUrls();
    for (const QUrl &url : urls)
        store()->removeRecentRaceUrl(url);
}

void EventFileViewModel::setFileError(const QString &error)
{
    m_fileError = error;
    if (!error.isEmpty())
        m_savedMessage.clear();
    emit changed();
}
