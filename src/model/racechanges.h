#pragma once

// What one store operation changed in the event, as the change journal records it: the records
// of each collection that were added or replaced (whole, as the event file writes them), the ids
// removed, and the event's own fields when one of them changed. Applied to the state it was made
// from, a record gives exactly the state after the operation, so replaying an event's records in
// order can never leave half an operation or a reference the event never had.
//
// Collections are compared by id. One that cannot be expressed as "replace or append these, drop
// those" (its order changed, or it holds one id twice) is recorded whole.
//
// Adding a collection to the event: give it an entry in `collections()` (racechanges.cpp) with
// its id and its comparison; the record's text is the event writer's, so nothing else changes.

#include "race.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct RaceChangeText
{
    // The record's body, to follow the journal's own keys: `"op":"commit",...` or
    // `"op":"event",...`. Empty when nothing changed.
    QByteArray body;
    // How many records (entries, results, classes, ...) it puts or removes; 1 for the fields.
    qsizetype changedRecords = 0;
};

// What changed from one state of the event to the next, before it is written.
struct RaceChanges
{
    // The event's fields (those of the state after) and the records added or replaced.
    Race puts;
    // The records removed (only their ids matter).
    Race removed;
    // The collections (their event file keys) that go in whole, in `puts`.
    QStringList whole;
    bool fields = false;
    qsizetype changedRecords = 0;
    // Set when the results were compared only past this many (see below): the puts' results are
    // then all appended after them.
    std::optional<qsizetype> resultsAppendedAfter;
};

// The records of each collection compared by id (see above).
[[nodiscard]] RaceChanges diffRace(const Race &before, const Race &after);
// As above, but the results compared only past the first `resultsKept`: the caller knows that
// those of `after` are the ones of `before`, untouched (`before` holds no more), and that every
// result after them was appended with a new id. The rest of the event is compared as above. When
// the sizes say otherwise, the results are compared whole.
[[nodiscard]] RaceChanges diffRace(const Race &before, const Race &after, qsizetype resultsKept);
// The record of `changes`; nullopt (the reason in `error`) when a changed value cannot be written
// (the event file could not hold it either).
[[nodiscard]] std::optional<RaceChangeText> encodeRaceChanges(
    const RaceChanges &changes, QString *error = nullptr);
// The record of the change from `before` to `after`, as above.
[[nodiscard]] std::optional<RaceChangeText> encodeRaceChanges(
    const Race &before, const Race &after, QString *error = nullptr);
// Applied to the `before` they were found from, `changes` give the collections and fields of the
// `after` (what replay does with the record).
void applyRaceChanges(Race &race, const RaceChanges &changes);
// As above, for the results alone: what `changes` do to the results they were found from.
void applyResultChanges(QList<PersonResult> &results, const RaceChanges &changes);
// Whether `a` and `b` hold the very same lists (each collection sharing its data; with
// `exceptResults`, the results left out) and the same fields: a diff against one is then, byte
// for byte, the diff against the other.
[[nodiscard]] bool sharesRecords(const Race &a, const Race &b, bool exceptResults = false);
// The whole event as one record: the first record of an event whose files do not carry its id
// yet, so that replay can find what the later records change.
[[nodiscard]] std::optional<RaceChangeText> encodeWholeRace(const Race &race, QString *error = nullptr);

// A journal record is one JSON object: `{` + the journal's own keys + `,` + a body + `}`, the
// event documents last. The keys before the first document (the journal's and the body's own),
// read as an object; nullopt when the record holds no document (an older record kind: read it
// whole) or they are not readable.
[[nodiscard]] std::optional<QJsonObject> recordHead(const QByteArray &record);
// Applies a whole record (as above, the body from encodeRaceChanges or encodeWholeRace) to
// `race`. False, with `race` untouched and the reason in `why`, when it is not whole and readable.
[[nodiscard]] bool applyRaceChanges(Race &race, const QByteArray &record, QString *why);

// A digest of the event as the stations compare it after every change: its own fields as the
// event file writes them and, for every collection, its records' ids in their order. A change
// carries the records it puts whole, so two events with one digest, made from one event by the
// same changes, hold the same records. 32 hex digits; the journal's bookkeeping is left out.
[[nodiscard]] QByteArray raceDigest(const Race &race);

struct RaceIdsMix;
// raceDigest of an event as its change records move it on: a record that only replaces records
// or appends them costs the records it appends, not every id of the event.
class RaceDigestKeeper
{
public:
    RaceDigestKeeper();
    ~RaceDigestKeeper();
    RaceDigestKeeper(const RaceDigestKeeper &) = delete;
    RaceDigestKeeper &operator=(const RaceDigestKeeper &) = delete;
    // The digest of `race` from scratch; the next call goes on from it.
    [[nodiscard]] QByteArray digest(const Race &race);
    // The digest of `race`, which `records` (whole records, with their braces) made from the race
    // of the last call.
    [[nodiscard]] QByteArray digest(const Race &race, const QByteArrayList &records);
    // Nothing kept: the next call starts from scratch.
    void reset();

private:
    std::vector<RaceIdsMix> m_mixes;
};

// Field by field, as the event file would show them (the model gives results no equality).
[[nodiscard]] bool sameResult(const PersonResult &a, const PersonResult &b);
// The same results in the same order, as above.
[[nodiscard]] bool sameResults(const QList<PersonResult> &a, const QList<PersonResult> &b);
