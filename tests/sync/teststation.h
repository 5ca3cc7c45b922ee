#pragma once

// A station as the store runs one, over a real engine: a received race replaces its own, a
// submitted result replaces the stored one with its id or is appended, and every change on the
// master is broadcast.

#include "loopbackdirectory.h"
#include "syncengine.h"
#include "tlspeer.h"

#include <QDateTime>
#include <QtEndian>

using namespace std::chrono_literals;

inline PersonResult result(const QString &card, int seconds)
{
    PersonResult r;
    r.cardNumber = card;
    r.readAt = QDateTime(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
    r.raceTime = seconds;
    return r;
}

inline int countOf(const Race &race, const QUuid &id)
{
    return int(std::count_if(
        race.results.cbegin(), race.results.cend(), [&](const PersonResult &r) { return r.id == id; }));
}

inline QByteArray frame(const QByteArray &body)
{
    return frameOf(body);
}

struct StationOptions
{
    QString serviceName = QStringLiteral("Vexlo Race");
    QString key = testStationKey;
    SyncLimits limits;
};

struct Station
{
    Station(
        LoopbackDirectory &directory, StationRole role, const QString &id, const StationOptions &options = {})
        : engine(directory.factory())
    {
        engine.setReconnectDelays(10ms, 40ms);
        engine.setLimits(options.limits);
        engine.onSnapshotReceived = [this](const Race &received) { race = received; };
        engine.onResultSubmitted = [this](const PersonResult &r) {
            ++submissions;
            store(r);
            engine.broadcastRace(race);
        };
        engine.currentRace = [this] { return std::optional<Race>(race); };
        engine.start(role, id, options.serviceName, options.key);
    }
    void store(const PersonResult &r)
    {
        for (PersonResult &stored : race.results)
            if (stored.id == r.id) {
                stored = r;
                return;
            }
        race.results.append(r);
    }
    // A card read on this station.
    void read(const PersonResult &r)
    {
        store(r);
        engine.submitResult(r);
    }
    SyncEngine engine;
    Race race;
    int submissions = 0;
};
