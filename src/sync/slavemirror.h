#pragma once

// A slave's copy of its master's event, kept up to date from the messages the master sends.

#include "race.h"
#include "syncmessage.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <utility>

// What a slave makes of one message from its master (see SlaveMirror).
struct SlaveEvent
{
    enum class Kind {
        // The master's event as it now stands (`race`), after a snapshot or a change.
        State,
        // The master's state is still the one last reported: its results are confirmed.
        Confirmed,
        // The slave cannot follow the changes (`reason`): it asks for a snapshot.
        WantSnapshot,
        // A snapshot larger than this station accepts (`length` bytes).
        Oversized,
        // A message of another version of the exchange.
        OtherVersion,
        // Any other message, for the engine to handle (or drop) as it comes.
        Message,
    };
    Kind kind = Kind::Message;
    std::optional<Race> race;
    bool fromSnapshot = false;
    QString reason;
    qint64 length = 0;
    std::optional<SyncMessage> message;
};

// The master's event as a slave follows it: the state of the last snapshot with every change
// since applied in order. A change applies only to the state it was made from (the same series,
// the number it follows) and must leave the digest the master gave; otherwise the slave asks for
// a snapshot and takes no change until one arrives. Confined to one thread at a time.
class SlaveMirror
{
public:
    explicit SlaveMirror(qint64 maxEventBytes)
        : m_maxEventBytes(maxEventBytes)
    { }

    // A new connection: nothing is followed until its first snapshot.
    void reset()
    {
        m_state.reset();
        m_awaitingSnapshot = true;
        m_refused.reset();
        m_waitsForNewer = false;
        m_assembly.reset();
        m_abandoned.reset();
    }

    // What `body` (one frame's body from the master) does to the event followed.
    [[nodiscard]] SlaveEvent take(const QByteArray &body);

private:
    struct State
    {
        Race race;
        std::optional<QUuid> event;
        QUuid series;
        qint64 sequence = 0;
    };

    SlaveEvent wantSnapshot(const QString &reason);
    SlaveEvent snapshot(SyncMessage message);
    // A snapshot that cannot be taken: asked for once more, and, when the same comes again, only
    // once the master has moved on.
    SlaveEvent refuseSnapshot(const SyncMessage &message, const QString &reason);
    SlaveEvent change(const SyncMessage &message);
    // A snapshot in pieces: its head, then each piece in order.
    SlaveEvent snapshotHead(SyncMessage message);
    SlaveEvent snapshotPiece(SyncMessage message);
    // The snapshot being put together is given up (cut, damaged or out of order): asked for again.
    SlaveEvent abandonAssembly(const QString &reason);

    qint64 m_maxEventBytes;
    std::optional<State> m_state;
    bool m_awaitingSnapshot = true;
    // The last snapshot refused (series, number): for its digest, or its event unreadable. The master answers
    // a wish with the snapshot of its current state: once the same one came again, no wish goes out until the
    // master has moved on (`m_waitsForNewer`).
    std::optional<std::pair<QUuid, qint64>> m_refused;
    bool m_waitsForNewer = false;
    // The snapshot whose pieces are arriving: its head and the event so far.
    struct Assembly
    {
        SyncMessage head;
        Race race;
        qint64 next = 0;
    };
    std::optional<Assembly> m_assembly;
    // The snapshot last given up (series, number): its remaining pieces are let go of quietly.
    std::optional<std::pair<QUuid, qint64>> m_abandoned;
};
