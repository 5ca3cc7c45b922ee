#pragma once

// The one JSON form of the event document, shared by the event file (pretty, sorted keys), the
// local autosave (compact) and the station-sync messages.

#include "race.h"

#include <QByteArray>
#include <QString>

#include <optional>

enum class JsonLayout { Compact, PrettySorted };

// Encoding fails only on a non-finite double or a date that is not a document date; `error` then
// names the key path. Nothing partial is ever returned. What is written reads back the same.
[[nodiscard]] std::optional<QByteArray> encodeRace(
    const Race &race, JsonLayout layout, QString *error = nullptr);
[[nodiscard]] std::optional<QByteArray> encodePersonResult(
    const PersonResult &result, JsonLayout layout, QString *error = nullptr);
// `prefix` followed by the text encodeRace gives (it fails as encodeRace does), written in one
// buffer: for a record that carries the event's text behind a head of its own, so that a text of
// tens of megabytes is not copied once more to be put in place.
[[nodiscard]] std::optional<QByteArray> encodeRaceAfter(
    QByteArrayView prefix, const Race &race, JsonLayout layout, QString *error = nullptr);

// Decoding fails on anything that is not a well-formed document; `error` names the key path and
// the kind of failure ("participants[3].id: malformed UUID"). No partial document is returned.
[[nodiscard]] std::optional<Race> decodeRace(const QByteArray &json, QString *error = nullptr);
[[nodiscard]] std::optional<PersonResult> decodePersonResult(
    const QByteArray &json, QString *error = nullptr);
// For a message that carries the event among other values: the event whose text starts `text`
// (white space before it skipped), and in `length` the bytes up to its end, without first finding
// where it ends. Only the common case is read here; on nothing the caller finds the end of the value
// itself and calls decodeRace on exactly that text, which gives the one outcome and error text.
// What is returned is what decodeRace gives for that text.
[[nodiscard]] std::optional<Race> decodeLeadingRace(QByteArrayView text, qsizetype *length);

// The JSON-object level, for callers that embed a race or a result in a message of their own.
// The object forms carry the same rules; `toJson*` return nullopt on a non-finite double.
class QJsonObject;
[[nodiscard]] std::optional<QJsonObject> raceToJsonObject(const Race &race, QString *error = nullptr);
[[nodiscard]] std::optional<Race> raceFromJsonObject(const QJsonObject &object, QString *error = nullptr);
[[nodiscard]] std::optional<QJsonObject> personResultToJsonObject(
    const PersonResult &result, QString *error = nullptr);
[[nodiscard]] std::optional<PersonResult> personResultFromJsonObject(
    const QJsonObject &object, QString *error = nullptr);

// Whether the document can hold the date: valid, and in the years 1 to 9999 as a UTC instant. The
// writers refuse any other date and the readers never produce one.
[[nodiscard]] bool isDocumentDate(const QDateTime &date);
// Dates as the document writes them: UTC, whole seconds, "Z" (2025-05-17T08:30:00Z).
[[nodiscard]] QString formatDocumentDate(const QDateTime &date);
// Reads "Z" or a numeric offset; rejects fractions, every other form and every date that is not
// a document date.
[[nodiscard]] std::optional<QDateTime> parseDocumentDate(const QString &text);
