#pragma once

// A RaceStore in a private temporary folder: its own settings file, autosave folder and key store,
// a fixed clock, and a record of every autosave step it runs.

#include "racejson.h"
#include "racestore.h"
#include "storefakes.h"
#include "storeoptions.h"
#include "testevent.h"

#include <QFile>
#include <QSemaphore>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <memory>

// An event of one entry (Anna, card 123456) named `name`.
inline Race namedRace(const QString &name)
{
    Race race;
    race.name = name;
    Participant p;
    p.givenName = QStringLiteral("Anna");
    p.cardNumber = QStringLiteral("123456");
    race.participants.append(p);
    return race;
}

// The autosave's form of `race`.
inline QByteArray compactJson(const Race &race)
{
    return encodeRace(race, JsonLayout::Compact).value_or(QByteArray());
}

// The event in the file tests/data/store/<name>.
inline Race storeTestEvent(const char *name)
{
    return testEvent(QStringLiteral("store/") + QLatin1String(name));
}

// The event the journal records of the tests below name.
inline const QUuid eventE(QStringLiteral("00000000-0000-4000-8000-0000000000e1"));

// A card read's journal record for the entry of journal/snapshot.json, result `n`, with a note of
// `noteLength` characters.
inline QByteArray resultBody(int n, qsizetype noteLength = 0)
{
    return "\"op\":\"result\",\"result\":{\"cardNumber\":\"123456\",\"completed\":true,"
           "\"courseAutoMatched\":false,\"id\":\"00000000-0000-4000-8000-000000000"
        + QByteArray::number(0x100 + n, 16)
        + (noteLength > 0 ? "\",\"overrideNote\":\"" + QByteArray(noteLength, 'n') : QByteArray())
        + "\",\"participantId\":\"00000000-0000-4000-8000-00000000000A\","
          "\"readAt\":\"2025-05-17T11:05:00Z\",\"splits\":[]}";
}

// Holds the store's background writer at the start of each job while held, so that the files
// stand as a kill at that moment leaves them: the changes made meanwhile in the journal only.
// The hook shares the hold's state, so it may outlive the hold.
class WriterHold
{
public:
    [[nodiscard]] std::function<void()> hook() const
    {
        return [state = m_state] {
            if (state->held.load())
                state->open.acquire();
        };
    }
    void hold(bool held = true) { m_state->held.store(held); }
    // Lets the held jobs through, and every later one.
    void release()
    {
        m_state->held.store(false);
        m_state->open.release(1 << 20);
    }

private:
    struct State
    {
        std::atomic<bool> held = false;
        QSemaphore open;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

class StoreHarness
{
public:
    // The time every operation of the store takes as "now".
    static QDateTime fixedNow() { return QDateTime(QDate(2025, 5, 17), QTime(14, 0), Qt::UTC); }

    [[nodiscard]] bool isValid() const { return m_dir.isValid(); }
    [[nodiscard]] QString path(const QString &name) const { return m_dir.filePath(name); }
    [[nodiscard]] QString autosavePath() const { return path(QStringLiteral("data/current-race.json")); }

    // Builds the store; `race` (when given) replaces its document without saving.
    [[nodiscard]] std::unique_ptr<RaceStore> makeStore(const std::optional<Race> &race = std::nullopt)
    {
        RaceStoreOptions options = storeOptionsIn(m_dir.path());
        options.autosaveObserver = [this](AutosaveStep s) { steps.append(s); };
        options.clock = [] { return fixedNow(); };
        options.backgroundAutosave = backgroundAutosave;
        options.autosaveWriterHook = writerHook;
        options.fullWriteGap = fullWriteGap;
        options.firstRetryDelay = firstRetryDelay;
        auto store = std::make_unique<RaceStore>(std::move(options));
        if (race)
            store->setRace(*race);
        steps.clear();
        return store;
    }

    // How many autosaves ran since the store was built or the count was reset.
    [[nodiscard]] qsizetype autosaves() const { return steps.count(AutosaveStep::LocalFile); }

    [[nodiscard]] static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The recent-file list as stored in the settings file.
    [[nodiscard]] QStringList storedRecent() const
    {
        QSettings settings(path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        return settings.value(QStringLiteral("recentRaceFilePaths")).toStringList();
    }

    QList<AutosaveStep> steps;
    // Taken by the next makeStore.
    bool backgroundAutosave = true;
    std::function<void()> writerHook;
    std::chrono::milliseconds fullWriteGap {0};
    std::chrono::milliseconds firstRetryDelay {1000};

private:
    QTemporaryDir m_dir;
};
