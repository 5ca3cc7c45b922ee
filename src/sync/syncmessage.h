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
#include <utility>
#include <vector>

// The exchange's version: every station of an event speaks the same one. A message that names no
// version comes from an older station (which sent the whole event after every change). Version 3
// sent a slave's results unpacked only; version 4 a snapshot in one frame; version 5 sends it as a
// head and pieces (see SnapshotPieces).
inline constexpr int syncProtocolVersion = 5;

// The largest body a station accepts, and the largest change it unpacks. The length field could
// announce 4 GiB; a peer announcing more than this is not one of our stations, and its connection
// is closed. A snapshot travels in pieces of a few megabytes, so the event itself has no bound
// here. Memory is reserved from the announced length only once a sixteenth of it (or a megabyte)
// has arrived.
inline constexpr quint32 maxSyncFrameBodyBytes = 256u * 1024u * 1024u;
// The largest piece of a snapshot a station unpacks: a master writes pieces of a few megabytes.
inline constexpr qint64 maxSnapshotPieceBytes = 64 * 1024 * 1024;

enum class SyncMessageKind {
    Hello,
    Snapshot,
    SubmitResult,
    Change,
    SnapshotWanted,
    NoSnapshot,
    SnapshotPiece
};

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
    // Snapshot (a head, without `race`): how many pieces follow it. SnapshotPiece: which one this
    // is (from 0), of the snapshot of the same series and number; `change` then holds its text,
    // an event document holding a part of the event (see SnapshotPieces).
    qint64 pieces = 0;
    qint64 piece = 0;
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

// A snapshot as it travels: a head (the event, series, number, digest and the count of pieces),
// then the pieces in order, each an event document of its own, packed: the first holds the event's
// fields, each further one a batch of one collection (courses, classes, entries, results, stages,
// unknown cards) to be appended to what came before. Neither end holds the whole event's text: a
// piece is written when its connection is ready for it, and read as it arrives. The race is a
// copy of the master's state at one number; its lists stay shared with the master's own until
// that one changes. Several connections at the same piece share its frame.
class SnapshotPieces
{
public:
    // `head`: kind Snapshot with its event, series, sequence and digest, no race.
    SnapshotPieces(SyncMessage head, Race race);

    [[nodiscard]] qint64 count() const { return qint64(m_batches.size()); }
    [[nodiscard]] qint64 sequence() const { return m_head.sequence; }
    [[nodiscard]] const SyncMessage &head() const { return m_head; }
    [[nodiscard]] const Race &race() const { return m_race; }
    [[nodiscard]] std::optional<QByteArray> headFrame() const;
    // The frame of piece `index`; absent when it cannot be encoded (`error` says why).
    [[nodiscard]] std::optional<QByteArray> pieceFrame(qint64 index, QString *error = nullptr);
    // The event text written so far (before packing), for the counters.
    [[nodiscard]] qint64 eventBytes() const { return m_eventBytes; }

    // The part of the event that piece `index` holds, as its document is encoded.
    [[nodiscard]] Race pieceRace(qint64 index) const;

private:
    struct Batch
    {
        int collection = -1; // -1: the event's fields
        qsizetype from = 0;
        qsizetype count = 0;
    };
    SyncMessage m_head;
    Race m_race;
    std::vector<Batch> m_batches;
    // The last pieces written, so that connections at the same place share them.
    QList<std::pair<qint64, QByteArray>> m_recent;
    qint64 m_eventBytes = 0;
};

// Appends the part of the event a piece brought (its document read) to what earlier pieces
// brought; the first piece gives `race` itself.
void appendSnapshotPiece(Race &race, Race piece);

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
