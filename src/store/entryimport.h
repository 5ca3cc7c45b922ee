#pragma once

// Bringing an IOF EntryList into the event: the class merge (shared with the course import), the
// entry merge, rental card numbers and the download of a list by address.
//
// Re-importing a list is safe: a matched runner keeps its id (results point at it), start times,
// status, check-in, external id and rental flag; only the fields the list carries are updated.
// Rental numbers go only to genuinely new entries without a card, never to a number in use in the
// event or in the list itself. None of these saves; callers do.

#include "classsetup.h"
#include "iofentrylistparser.h"
#include "race.h"

#include <QByteArray>
#include <QSet>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QObject;

// Rental card numbers are handed out from this range.
inline constexpr int firstRentalCardNumber = 100;
inline constexpr int lastRentalCardNumber = 200;

// Merges imported classes into the race's classes by id, else by name key; returns the id map.
// With a stage, an imported course goes into that stage's course entry, not the base course.
[[nodiscard]] IdMap mergeImportedClasses(
    Race &race, const QList<RaceClass> &classes, const std::optional<QString> &stageId);
// Rewrites each participant's `classId` through the map (per-stage class ids are left alone).
[[nodiscard]] QList<Participant> remapParticipantClassIds(
    QList<Participant> participants, const IdMap &idMap);

// True for a card number that stands for "no card": empty or exactly "0" (untrimmed).
[[nodiscard]] bool isMissingCardNumber(const QString &cardNumber);
// Gives every entry without a card the lowest free rental number. In use: the race's stored
// numbers and the entries' own numbers. The race is not changed.
[[nodiscard]] QList<Participant> assignRentalCardNumbers(const Race &race, QList<Participant> imported);
// One entry: unchanged when it has a card; else the lowest number of the rental range not in
// `inUse` (which then holds it), flagged as rental. When the range is used up, a line is logged and
// the entry is returned unchanged.
[[nodiscard]] Participant nextFreeRentalCardNumber(Participant participant, QSet<QString> &inUse);

// Merges imported entries into the race's participants, per the active stage (when the event has
// stages and one is active, a matched runner gets only that stage's class entry, and the base
// class when it had none). Matching: first by card number (a missing card never matches), then by
// full name; each stored runner is matched at most once per import. Entries that match nothing are
// appended, numbered with rental cards first when they came without a card; with a stage they get
// the class both as base class and as that stage's class.
void applyImportedEntries(Race &race, const QList<Participant> &imported);
// A place the list holds open: no name and no card. Such entries are not imported.
[[nodiscard]] bool isVacantEntry(const Participant &entry);
// Same full name by match key (given, space, family), the imported one not empty.
[[nodiscard]] bool matchesByFullName(const Participant &stored, const Participant &imported);

// What a change of the entry list did, runner by runner (by id): new, changed, gone.
struct EntryChanges
{
    qsizetype added = 0;
    qsizetype updated = 0;
    qsizetype removed = 0;
    bool operator==(const EntryChanges &) const = default;
};
[[nodiscard]] EntryChanges countEntryChanges(
    const QList<Participant> &before, const QList<Participant> &after);

// The entries with their card numbers as digits (grouping spaces removed). Throws ImportError
// naming the runner when a card number holds anything else or is above largestCardNumber.
[[nodiscard]] QList<Participant> withCardNumberDigits(QList<Participant> entries);
// The whole entry-list merge of a parsed list: classes, class ids, entries with rental numbers.
// Throws ImportError, before the race is touched, for a card number that is not digits or is
// above largestCardNumber.
void applyEntryList(Race &race, const IOFEntryListParser::Result &list);
// Checks the HTTP status (when the answer was HTTP), parses the body and applies it. Throws
// ImportError ("Server returned status 404", or the parser's error); the race is then untouched.
void applyDownloadedEntries(Race &race, const QByteArray &body, std::optional<int> httpStatus);

// The largest entry list a download accepts.
inline constexpr qint64 maxEntryListDownloadBytes = 64 * 1024 * 1024;

// Fetches an entry list with a plain GET. Exactly one callback runs, later, on `context`'s thread
// (never when `context` is gone): `onBody` with the body and the HTTP status (absent when the
// answer was not HTTP), or `onError` with a message for the organiser. Addresses other than http
// and https are refused without a request.
void downloadEntryList(QNetworkAccessManager &network, const QUrl &url, QObject *context,
    std::function<void(const QByteArray &body, std::optional<int> httpStatus)> onBody,
    std::function<void(const QString &message)> onError);

// Downloads and applies an entry list: when the answer arrives, `race()` gives the race in the
// state it then has (nullptr: nothing is applied), the list is applied, `save` runs, and `done`
// gets no error. On any failure `done` gets the message and the race is untouched.
void importEntries(QNetworkAccessManager &network, const QUrl &url, QObject *context,
    std::function<Race *()> race, std::function<void()> save,
    std::function<void(const std::optional<QString> &error)> done);
