#pragma once

// A station as the store runs one, over a real engine: a received race replaces its own, a
// submitted result replaces the stored one with its id or is appended, and every change on the
// master is broadcast.

#include "loopbackdirectory.h"
#include "racechanges.h"
#include "slavemirror.h"
#include "syncengine.h"
#include "tlspeer.h"

#include <QDateTime>
#include <QtEndian>

using namespace std::chrono_literals;

inline PersonResult result(const QString &card, int seconds)
{
    PersonResult r;
    r.participantId = QUuid::createUuid(); // a runner's: a result without one is a read-out
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

// The event of the snapshot whose head is `frames[from]`, its pieces read as a slave reads them;
// `end`, when given, gets the index of the frame after its last piece.
inline std::optional<Race> snapshotIn(
    const QList<QByteArray> &frames, qsizetype from = 0, qsizetype *end = nullptr)
{
    SlaveMirror mirror(maxSyncFrameBodyBytes);
    for (qsizetype i = from; i < frames.size(); ++i) {
        SlaveEvent event = mirror.take(frames[i].mid(4));
        if (event.kind == SlaveEvent::Kind::State) {
            if (end)
                *end = i + 1;
            return event.race;
        }
        if (event.kind != SlaveEvent::Kind::Message || event.message)
            return std::nullopt;
    }
    return std::nullopt;
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
            commit();
        };
        // A slave's read-out, recorded for the runner holding the card here (none: nothing).
        engine.onReadOutSubmitted = [this](const PersonResult &readOut) {
            ++submissions;
            PersonResult r = readOut;
            for (const Participant &p : std::as_const(race.participants))
                if (p.cardNumber == readOut.cardNumber)
                    r.participantId = p.id;
            if (r.participantId.isNull())
                return;
            store(r);
            commit();
        };
        // As the store does: what was recorded since goes out first, then the state it leads to.
        engine.currentRace = [this] {
            commit();
            return std::optional<Race>(committed);
        };
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
    // A commit on this station: its change recorded as the journal records it, and broadcast.
    void commit()
    {
        const auto record = encodeRaceChanges(committed, race);
        std::optional<QByteArrayList> records;
        if (record)
            records = record->body.isEmpty() ? QByteArrayList() : QByteArrayList {record->body};
        committed = race;
        engine.broadcastRace(race, records);
    }
    // A card read on this station.
    void read(const PersonResult &r)
    {
        store(r);
        engine.submitResult(r);
    }
    SyncEngine engine;
    Race race;
    // The race as last committed (the journal's state).
    Race committed;
    int submissions = 0;
};
