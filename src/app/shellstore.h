#pragma once

// What the window needs of the race store: the published race, the station role, the new-event
// flow, and a notification when any of them changes. The application's adapter over RaceStore
// implements it; tests use a small in-memory one.

#include "neweventsetupviewmodel.h"
#include "race.h"

#include <functional>

class QObject;
class RaceStore;

class ShellStore : public NewEventTarget
{
public:
    [[nodiscard]] virtual const Race &race() const = 0;
    [[nodiscard]] virtual bool isSlaveStation() const = 0;
    // The store object handed to the screens (their `raceStore` property).
    [[nodiscard]] virtual QObject *storeObject() = 0;
    // The store that records card reads; none where the window runs without one (shell tests).
    [[nodiscard]] virtual RaceStore *cardRecordingStore() { return nullptr; }
    // Why the last autosave failed; empty while saving works.
    [[nodiscard]] virtual QString autosaveError() const { return {}; }
    // The event file start-up could not read (the autosave was opened instead) and why; an empty
    // path while there is none.
    [[nodiscard]] virtual QString unreadableEventFile() const { return {}; }
    [[nodiscard]] virtual QString unreadableEventFileReason() const { return {}; }
    // Tries the failed writes again now; true when every change is on disk.
    [[nodiscard]] virtual bool retryFailedWrites() { return true; }
    // Where start-up kept changes it could not restore; empty for none.
    [[nodiscard]] virtual QString unrestoredChangesFile() const { return {}; }

    // Called after the race, the role, the needs-initial-setup flag, the autosave error or the
    // unreadable event file changed.
    std::function<void()> onChanged;

protected:
    void notifyChanged()
    {
        if (onChanged)
            onChanged();
    }
};
