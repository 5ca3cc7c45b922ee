#pragma once

// One message between stations and its frame on the byte stream: a 4-byte big-endian body length
// followed by the message's JSON.

#include "race.h"

#include <QByteArray>
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

// Length prefix and body, ready to hand to a connection as one send. Absent when the message
// cannot be encoded or its body would not fit the 32-bit length.
[[nodiscard]] std::optional<QByteArray> frameSyncMessage(const SyncMessage &message);
