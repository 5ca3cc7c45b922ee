#pragma once

// One message between stations and its frame on the byte stream: a 4-byte big-endian body length
// followed by the body. A body is the message's JSON and, for a snapshot or a change, a zero byte
// and the event or the change behind it (compressed with zstd where it says so): JSON text never
// holds a zero byte, so the first one ends it. A submitted result of a few kilobytes (a card's
// punches) travels the same way, packed, in place of its "result" key.

#include "race.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// The exchange's version: every station of an event speaks the same one. A message that names no
// version comes from an older station (which sent the whole event after every change). Version 3
// sent a slave's results unpacked only.
inline constexpr int syncProtocolVersion = 4;

// The largest body a station accepts, and the largest event it unpacks. The length field could
// announce 4 GiB; a peer announcing more than this is not one of our stations, and its connection
// is closed. The bound leaves room for large events: a 5,000-runner, three-stage event with
// results is about 90 MB of JSON. Memory is reserved from the announced length only once a
// sixteenth of it (or a megabyte) has arrived.
inline constexpr quint32 maxSyncFrameBodyBytes = 256u * 1024u * 1024u;

enum class SyncMessageKind { Hello, Snapshot, SubmitResult, Change, SnapshotWanted, NoSnapshot };

[[nodiscard]] QString toText(SyncMessageKind kind);

struct SyncMessage
{
    SyncMessageKind kind = SyncMessageKind::Hello;
    QString stationId;
    // The whole event (a snapshot).
    std::optional<Race> race;
    // A result a slave recorded (submitResult).
    std::optional<PersonResult> result;
    // The sender's version; 0 for a message of an older station.
    int protocol = syncProtocolVersion;
    // Snapshot and change: the master's event (its `journalEventId`), the run its numbers belong
    // to (a new one at every start of the master), the number of the master's state the message
    // brings the slave to, and the digest of that state (raceDigest).
    std::optional<QUuid> event;
    QUuid series;
    qint64 sequence = 0;
    QByteArray digest;
    // Change: the number of the state it was made from, and what the master's commits since
    // changed as its journal records them (racechanges.h: one JSON object a commit, one a line). A change
    // with nothing in it, at the slave's own number, only says that the master's state is still that one.
    qint64 follows = 0;
    QByteArray change;
    // SnapshotWanted: why the slave asks (for the master's log). NoSnapshot: why the master
    // cannot send its event (its own status, which the slave shows).
    // A submitted result without a runner (`participantId` null) is a read-out a slave made
    // before it held the master's event: the master records it as it records its own reads.
    QString reason;
};

// The body of a message: its JSON ("race" and "result" only when present, a snapshot's event and
// a change behind it as above). Absent when the race or result cannot be encoded (a non-finite
// number). `eventBytes`, when given, gets a snapshot's event's length before compression.
[[nodiscard]] std::optional<QByteArray> encodeSyncMessage(
    const SyncMessage &message, qint64 *eventBytes = nullptr);

// A message from its body: "kind" one of the raw values exactly, "stationId" a string; "race" and
// "result" may be missing or null. Absent for anything else. An event or change behind the JSON
// that would unpack to more than `maxUnpackedBytes` is not unpacked: the message is absent and
// `oversized`, when given, gets the length it announced.
[[nodiscard]] std::optional<SyncMessage> decodeSyncMessage(
    const QByteArray &body, qint64 maxUnpackedBytes = maxSyncFrameBodyBytes, qint64 *oversized = nullptr);

// Length prefix and body, ready to hand to a connection as one send. Absent when the message
// cannot be encoded or its body would not fit the 32-bit length.
[[nodiscard]] std::optional<QByteArray> frameSyncMessage(
    const SyncMessage &message, qint64 *eventBytes = nullptr);

// Bytes as zstd packs them, and back: nothing when they are not one whole zstd frame whose
// length is stated and at most `maxBytes` (`stated`, when given, then gets the stated length, or
// -1 when there is none).
[[nodiscard]] QByteArray packBytes(QByteArrayView bytes);
[[nodiscard]] std::optional<QByteArray> unpackBytes(
    QByteArrayView packed, qint64 maxBytes, qint64 *stated = nullptr);

// Cuts a TCP byte stream into frame bodies. Bytes may arrive in any split: several frames in one
// chunk, or one frame over many.
class SyncFrameReader
{
public:
    explicit SyncFrameReader(quint32 maxBodyBytes = maxSyncFrameBodyBytes)
        : m_maxBodyBytes(maxBodyBytes)
    { }

    // Appends the bytes and returns every body now complete, in order. After an oversized length
    // the reader stays failed and returns nothing more.
    [[nodiscard]] QList<QByteArray> feed(const QByteArray &bytes);
    [[nodiscard]] bool failed() const { return m_failed; }
    // The length that made the reader fail.
    [[nodiscard]] quint32 refusedLength() const { return m_refusedLength; }
    // Bytes of the frame not yet complete.
    [[nodiscard]] qsizetype bufferedBytes() const { return m_buffer.size(); }

private:
    // A body at least this long that starts the buffer is handed out as the buffer itself.
    static constexpr quint32 largeBody = 64 * 1024;
    QByteArray m_buffer;
    quint32 m_maxBodyBytes;
    bool m_failed = false;
    quint32 m_refusedLength = 0;
};
