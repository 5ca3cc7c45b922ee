#include "eventfileviewmodel.h"

#include "localization.h"
#include "racejson.h"
#include "racestore.h"

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
    : QObject(parent)
{ }

QObject *EventFileViewModel::raceStoreObject() const
{
    return m_store;
}

void EventFileViewModel::setRaceStore(QObject *store)
{
    setStore(qobject_cast<RaceStore *>(store));
}

void EventFileViewModel::setStore(RaceStore *store)
{
    if (m_store == store)
        return;
    if (m_store)
        disconnect(m_store, nullptr, this, nullptr);
    m_store = store;
    if (m_store) {
        connect(m_store, &RaceStore::raceChanged, this, &EventFileViewModel::changed);
        connect(m_store, &RaceStore::raceFileUrlChanged, this, &EventFileViewModel::changed);
        connect(m_store, &RaceStore::recentRaceUrlsChanged, this, &EventFileViewModel::changed);
    }
    emit changed();
}

void EventFileViewModel::editRace(const std::function<void(Race &)> &edit)
{
    if (!m_store)
        return;
    Race race = m_store->race();
    edit(race);
    m_store->setRace(race);
}

QString EventFileViewModel::eventName() const
{
    return m_store ? m_store->race().name : QString();
}

void EventFileViewModel::setEventName(const QString &name)
{
    if (name != eventName())
        editRace([&](Race &race) { race.name = name; });
}

QString EventFileViewModel::nameWarning() const
{
    if (!m_store)
        return {};
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
    if (m_store && m_store->race().date)
        return m_store->race().date->toLocalTime().date();
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
    editRace([&](Race &race) { race.date = QDateTime(date, QTime(0, 0)); });
}

QString EventFileViewModel::eventDateText() const
{
    return eventDate().toString(Qt::ISODate);
}

bool EventFileViewModel::setEventDateText(const QString &text)
{
    const QDate date = QDate::fromString(text.trimmed(), Qt::ISODate);
    setEventDate(date);
    return m_dateError.isEmpty();
}

bool EventFileViewModel::multiStage() const
{
    return m_store && m_store->race().isMultiStage();
}

void EventFileViewModel::setMultiStage(bool on)
{
    editRace([&](Race &race) { race.multiStageEnabled = on; });
}

bool EventFileViewModel::canSave() const
{
    return m_store && !m_store->raceFileUrl().isEmpty();
}

QVariantList EventFileViewModel::recentFiles() const
{
    QVariantList rows;
    if (!m_store)
        return rows;
    for (const QUrl &url : m_store->recentRaceUrls())
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
    // The open file's folder when it still exists, else the documents folder, else home: a
    // dialog never starts in a folder that is gone.
    QStringList candidates;
    if (m_store && !m_store->raceFileUrl().isEmpty())
        candidates.append(QFileInfo(m_store->raceFileUrl().toLocalFile()).absolutePath());
    candidates.append(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    for (const QString &folder : std::as_const(candidates))
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            return QUrl::fromLocalFile(folder);
    return QUrl::fromLocalFile(QDir::homePath());
}

bool EventFileViewModel::newNeedsConfirmation() const
{
    if (!m_store)
        return false;
    if (m_store->raceFileUrl().isEmpty())
        return true;
    m_store->flushAutosave();
    QFile file(m_store->raceFileUrl().toLocalFile());
    const auto current = encodeRace(m_store->race(), JsonLayout::PrettySorted);
    return !file.open(QIODevice::ReadOnly) || !current || file.readAll() != *current;
}

void EventFileViewModel::newEvent()
{
    if (!m_store)
        return;
    m_store->newRace();
    m_dateError.clear();
    setFileError({});
}

void EventFileViewModel::loadEvent(const QUrl &url)
{
    if (!m_store)
        return;
    QString error;
    std::optional<Race> race;
    if (QFileInfo(url.toLocalFile()).isDir())
        error = localized(QStringLiteral("%@ is a folder, not an event file."), {url.toLocalFile()});
    else
        race = RaceStore::readEventFile(url, &error);
    if (!race) {
        setFileError(localized(QStringLiteral("Load failed: %@"), {error}));
        return;
    }
    m_store->setRace(*race);
    m_store->setRaceFileUrl(url);
    m_store->addRecentRaceUrl(url);
    m_dateError.clear();
    setFileError({});
}

void EventFileViewModel::saveEvent()
{
    if (!canSave())
        return;
    QString error;
    if (m_store->save(m_store->raceFileUrl(), &error))
        setFileError({});
    else
        setFileError(localized(QStringLiteral("Save failed: %@"), {error}));
}

void EventFileViewModel::saveEventAs(const QUrl &chosen)
{
    if (!m_store)
        return;
    const QUrl url = withEventSuffix(chosen);
    QString error;
    if (QFileInfo(url.toLocalFile()).isDir())
        error = localized(QStringLiteral("%@ is a folder, not an event file."), {url.toLocalFile()});
    else if (m_store->save(url, &error)) {
        setFileError({});
        return;
    }
    setFileError(localized(QStringLiteral("Save failed: %@"), {error}));
}

void EventFileViewModel::clearRecentEvents()
{
    if (!m_store)
        return;
    const QList<QUrl> urls = m_store->recentRaceUrls();
    for (const QUrl &url : urls)
        m_store->removeRecentRaceUrl(url);
}

void EventFileViewModel::setFileError(const QString &error)
{
    m_fileError = error;
    emit changed();
}
