#include "slavemirror.h"

#include "racechanges.h"
#include "racejson.h"

SlaveEvent SlaveMirror::take(const QByteArray &body)
{
    qint64 oversized = -1;
    std::optional<SyncMessage> message = decodeSyncMessage(body, m_maxEventBytes, &oversized);
    SlaveEvent event;
    if (!message) {
        const qsizetype zero = body.indexOf('\0');
        const auto head = zero > 0 ? decodeSyncMessage(body.left(zero)) : std::nullopt;
        // A piece of a snapshot that does not unpack or read (damaged on the way, or by the master,
        // or larger than a piece may be): the snapshot is asked for again.
        if (head && head->kind == SyncMessageKind::SnapshotPiece && head->protocol == syncProtocolVersion) {
            if (!m_assembly || m_assembly->head.series != head->series
                || m_assembly->head.sequence != head->sequence)
                return snapshotPiece(*head); // not the snapshot being put together
            return abandonAssembly(
                QStringLiteral("piece %1 of the snapshot could not be read").arg(head->piece));
        }
        if (oversized < 0) {
            // A snapshot whose head reads but whose event does not (damaged on the way, or by
            // the master) is refused like one that does not match its digest: asked for again.
            if (head && head->kind == SyncMessageKind::Snapshot && head->protocol == syncProtocolVersion)
                return refuseSnapshot(*head, QStringLiteral("the snapshot's event could not be read"));
            return event; // not a message of ours: dropped
        }
        // Only a snapshot is the event itself; a change that large is followed by one.
        if (!body.startsWith("{\"kind\":\"snapshot\""))
            return wantSnapshot(QStringLiteral("a change of %1 bytes").arg(oversized));
        event.kind = SlaveEvent::Kind::Oversized;
        event.length = oversized;
        return event;
    }
    if (message->protocol != syncProtocolVersion) {
        // Whatever pieces follow a snapshot refused are let go of with it.
        if (message->kind == SyncMessageKind::Snapshot)
            m_abandoned = std::pair {message->series, message->sequence};
        event.kind = SlaveEvent::Kind::OtherVersion;
        return event;
    }
    if (message->kind == SyncMessageKind::SnapshotPiece)
        return snapshotPiece(std::move(*message));
    // The master sends a snapshot's pieces together: a change between them cuts it short, and
    // the snapshot is asked for again; a newer snapshot, or the master's notice that it cannot
    // send one, takes its place.
    if (m_assembly) {
        if (message->kind == SyncMessageKind::Change)
            return abandonAssembly(QStringLiteral("the snapshot's pieces were cut short"));
        if (message->kind == SyncMessageKind::Snapshot || message->kind == SyncMessageKind::NoSnapshot) {
            m_abandoned = std::pair {m_assembly->head.series, m_assembly->head.sequence};
            m_assembly.reset();
        }
    }
    if (message->kind == SyncMessageKind::Snapshot && !message->race && message->pieces > 0)
        return snapshotHead(std::move(*message));
    if (message->kind == SyncMessageKind::Snapshot && message->race)
        return snapshot(std::move(*message));
    if (message->kind == SyncMessageKind::Change)
        return change(*message);
    event.message = std::move(message);
    return event;
}

SlaveEvent SlaveMirror::wantSnapshot(const QString &reason)
{
    SlaveEvent event;
    if (m_awaitingSnapshot)
        return event; // asked already
    m_awaitingSnapshot = true;
    event.kind = SlaveEvent::Kind::WantSnapshot;
    event.reason = reason;
    return event;
}

SlaveEvent SlaveMirror::refuseSnapshot(const SyncMessage &message, const QString &reason)
{
    const std::pair<QUuid, qint64> refused {message.series, message.sequence};
    if (std::exchange(m_refused, refused) == refused) {
        m_waitsForNewer = true; // asking again would bring the same again
        return {};
    }
    m_awaitingSnapshot = false;
    return wantSnapshot(reason);
}

SlaveEvent SlaveMirror::snapshot(SyncMessage message)
{
    if (raceDigest(*message.race) != message.digest)
        return refuseSnapshot(message, QStringLiteral("the snapshot does not match its digest"));
    m_refused.reset();
    m_waitsForNewer = false;
    m_state = State {std::move(*message.race), message.event, message.series, message.sequence};
    m_awaitingSnapshot = false;
    SlaveEvent event;
    event.kind = SlaveEvent::Kind::State;
    event.race = m_state->race;
    event.fromSnapshot = true;
    return event;
}

SlaveEvent SlaveMirror::change(const SyncMessage &message)
{
    SlaveEvent event;
    if (m_waitsForNewer && (message.series != m_refused->first || message.sequence > m_refused->second)) {
        // The master has moved on from the snapshot refused twice: its newer state may be sound.
        m_waitsForNewer = false;
        m_awaitingSnapshot = false;
        return wantSnapshot(
            QStringLiteral("the master moved on from a snapshot that did not match its digest"));
    }
    if (m_awaitingSnapshot)
        return event; // the snapshot asked for holds it
    if (!m_state)
        return wantSnapshot(QStringLiteral("a change before any snapshot"));
    if (message.series != m_state->series || message.event != m_state->event)
        return wantSnapshot(QStringLiteral("a change of another event or another start of the master"));
    if (message.change.isEmpty()) {
        if (message.sequence != m_state->sequence || message.follows != m_state->sequence)
            return wantSnapshot(QStringLiteral("the master is at %1, this station at %2")
                                    .arg(message.sequence)
                                    .arg(m_state->sequence));
        event.kind = SlaveEvent::Kind::Confirmed;
        event.race = m_state->race;
        return event;
    }
    if (message.follows != m_state->sequence || message.sequence <= message.follows)
        return wantSnapshot(QStringLiteral("change %1 follows %2, this station holds %3")
                                .arg(message.sequence)
                                .arg(message.follows)
                                .arg(m_state->sequence));
    Race next = m_state->race;
    QString why;
    // The journal's records of the master's commits, one a line, in order.
    for (const QByteArray &record : message.change.split('\n'))
        if (!applyRaceChanges(next, record, &why))
            return wantSnapshot(
                QStringLiteral("change %1 does not apply: %2").arg(message.sequence).arg(why));
    if (raceDigest(next) != message.digest)
        return wantSnapshot(
            QStringLiteral("change %1 leaves another event than the master's").arg(message.sequence));
    m_state->race = std::move(next);
    m_state->sequence = message.sequence;
    event.kind = SlaveEvent::Kind::State;
    event.race = m_state->race;
    return event;
}

SlaveEvent SlaveMirror::snapshotHead(SyncMessage message)
{
    m_assembly = Assembly {std::move(message), Race(), 0};
    return {};
}

SlaveEvent SlaveMirror::abandonAssembly(const QString &reason)
{
    if (!m_assembly)
        return {};
    const SyncMessage head = std::move(m_assembly->head);
    m_assembly.reset();
    m_abandoned = std::pair {head.series, head.sequence};
    return refuseSnapshot(head, reason);
}

SlaveEvent SlaveMirror::snapshotPiece(SyncMessage message)
{
    const std::pair<QUuid, qint64> of {message.series, message.sequence};
    if (!m_assembly || m_assembly->head.series != message.series
        || m_assembly->head.sequence != message.sequence || m_assembly->head.event != message.event) {
        if (m_abandoned == of)
            return {}; // the rest of a snapshot given up already
        // A piece of a snapshot whose head never came (or of another one): whatever is being put
        // together is given up, and this snapshot too.
        if (m_assembly)
            return abandonAssembly(QStringLiteral("a piece of another snapshot arrived"));
        m_abandoned = of;
        SyncMessage head = message;
        head.kind = SyncMessageKind::Snapshot;
        return refuseSnapshot(head, QStringLiteral("a piece of a snapshot whose head never came"));
    }
    if (message.piece != m_assembly->next)
        return abandonAssembly(QStringLiteral("piece %1 of the snapshot came where %2 was due")
                                   .arg(message.piece)
                                   .arg(m_assembly->next));
    std::optional<Race> piece = decodeRace(message.change);
    if (!piece)
        return abandonAssembly(
            QStringLiteral("piece %1 of the snapshot could not be read").arg(message.piece));
    message.change = QByteArray(); // let go of the text before the event grows
    if (m_assembly->next++ == 0)
        m_assembly->race = std::move(*piece);
    else
        appendSnapshotPiece(m_assembly->race, std::move(*piece));
    if (m_assembly->next < m_assembly->head.pieces)
        return {};
    SyncMessage head = std::move(m_assembly->head);
    head.race = std::move(m_assembly->race);
    m_assembly.reset();
    head.race->courses.squeeze();
    head.race->classes.squeeze();
    head.race->participants.squeeze();
    head.race->results.squeeze();
    return snapshot(std::move(head));
}
