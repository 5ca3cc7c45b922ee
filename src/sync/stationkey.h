#pragma once

// The key that the stations of one event share. The master makes it; the organiser types it once
// on each slave. It is short enough to type (12 symbols of Crockford's base-32 alphabet, about 60
// bits, shown as three groups of four) and is never used as it is: TLS gets a 256-bit pre-shared
// key derived from it with PBKDF2-HMAC-SHA256, whose iteration count makes every guess of an
// attacker who recorded a handshake expensive.

#include <QByteArray>
#include <QString>

#include <optional>

inline constexpr int stationKeySymbols = 12;

// A new random key from the system's cryptographic generator, as "XXXX-XXXX-XXXX".
[[nodiscard]] QString generateStationKey();

// The key as typed, in its canonical grouped form: case, blanks and dashes do not matter, and the
// letters easily misread as digits (I, L -> 1; O -> 0) are read as those digits. Absent when the
// text is not 12 symbols of the alphabet.
[[nodiscard]] std::optional<QString> canonicalStationKey(const QString &typed);

// The TLS pre-shared key of a canonical key (32 bytes). Derived once per key and process.
[[nodiscard]] QByteArray stationPreSharedKey(const QString &canonicalKey);
