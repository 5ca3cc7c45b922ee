#pragma once

// The window's view of the application's RaceStore.

#include "racestore.h"
#include "shellstore.h"

#include <QObject>

#include <memory>

class RaceStoreShell : public QObject, public ShellStore
{
    Q_OBJECT
public:
    // Owns `store`; observes its race, role and needs-initial-setup flag.
    explicit RaceStoreShell(std::unique_ptr<RaceStore> store, QObject *parent = nullptr);

    [[nodiscard]] RaceStore &raceStore() { return *m_store; }

    [[nodiscard]] const Race &race() const override { return m_store->race(); }
    [[nodiscard]] bool isSlaveStation() const override;
    [[nodiscard]] QObject *storeObject() override { return m_store.get(); }
    [[nodiscard]] RaceStore *cardRecordingStore() override { return m_store.get(); }
    [[nodiscard]] QString autosaveError() const override { return m_store->autosaveError(); }
    [[nodiscard]] QString unreadableEventFile() const override
    {
        return m_store->unreadableEventFileUrl().toLocalFile();
    }
    [[nodiscard]] QString unreadableEventFileReason() const override
    {
        return m_store->unreadableEventFileReason();
    }
    [[nodiscard]] bool retryFailedWrites() override { return m_store->retryFailedWrites(); }
    [[nodiscard]] QString unrestoredChangesFile() const override { return m_store->unrestoredChangesFile(); }
    [[nodiscard]] QString eventName() const override { return m_store->race().name; }
    // Edits the name in place and publishes it; no autosave of its own.
    void setEventName(const QString &name) override;
    [[nodiscard]] bool needsInitialSetup() const override { return m_store->needsInitialSetup(); }
    [[nodiscard]] std::optional<QString> saveTo(const QString &path) override;
    void cancelNewEvent() override { m_store->abandonNewRace(); }

private:
    std::unique_ptr<RaceStore> m_store;
};

// The store of the running application, with its whole start-up.
[[nodiscard]] std::unique_ptr<ShellStore> makeApplicationStore();
