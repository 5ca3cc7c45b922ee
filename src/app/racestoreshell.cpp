#include "racestoreshell.h"

RaceStoreShell::RaceStoreShell(std::unique_ptr<RaceStore> store, QObject *parent)
    : QObject(parent)
    , m_store(std::move(store))
{
    const auto changed = [this] { notifyChanged(); };
    connect(m_store.get(), &RaceStore::raceChanged, this, changed);
    connect(m_store.get(), &RaceStore::needsInitialSetupChanged, this, changed);
    connect(m_store.get(), &RaceStore::autosaveErrorChanged, this, changed);
    connect(m_store.get(), &RaceStore::unreadableEventFileChanged, this, changed);
    connect(m_store->stationSettings(), &StationSettings::roleChanged, this, changed);
}

bool RaceStoreShell::isSlaveStation() const
{
    return m_store->stationSettings()->role() == StationRole::Slave;
}

void RaceStoreShell::setEventName(const QString &name)
{
    Race race = m_store->race();
    race.name = name;
    m_store->setRace(race);
}

std::optional<QString> RaceStoreShell::saveTo(const QString &path)
{
    QString error;
    if (m_store->save(QUrl::fromLocalFile(path), &error))
        return std::nullopt;
    return error;
}

std::unique_ptr<ShellStore> makeApplicationStore()
{
    RaceStoreOptions options;
    // The journal holds every change the moment it is made; the full files (85 MB and more for a
    // large event) are written at most every 10 seconds, so that their writing seldom holds up a
    // card read's journal sync on the same disk.
    options.fullWriteGap = std::chrono::seconds(10);
    return std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
}
