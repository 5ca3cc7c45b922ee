#pragma once

// One message between stations and its frame on the byte stream: a 4-byte big-endian body length
// followed by the message's JSON.

#include "race.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

enum class SyncMessageKind { Hello, Snapshot, SubmitResult };

[[nodiscard]] QString toText(SyncMessageKind kind);

struct SyncMessage
{
    SyncMessageKind kind = SyncMessageKind::Hello;
    QString stationId;
    std::optional<Race> race;
    std::optional<PersonResult> result;
};

// The compact JSON of a message; "race" and "result" are written only when present. Absent when
// the race or result cannot be encoded (a non-finite number).
[[nodiscard]] std::optional<QByteArray> encodeSyncMessage(const SyncMessage &message);

// A message from its JSON body: "kind" one of the three raw values exactly, "stationId" a string;
// "race" and "result" may be missing or null. Absent for anything else.
[[nodiscard]] std::optional<SyncMessage> decodeSyncMessage(const QByteArray &body);

// Length prefix and body, ready to hand to a connection as one send. Absent when the message
// cannot be encoded or its body would not fit the 32-bit length.
[[nodiscard]] std::optional<QByteArray> frameSyncMessage(const SyncMessage &message);

// The largest body a station accepts. The length field could announce 4 GiB; a peer announcing more
// than this is not one of our stations, and its connection is closed. The bound leaves room for
// large events: a 5,000-runner, three-stage event with results is about 90 MB of JSON. Memory
// is reserved from the announced length only once a sixteenth of it (or a megabyte) has arrived.
inline constexpr quint32 maxSyncFrameBodyBytes = 256u * 1024u * 1024u;

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
