#pragma once

// The change journal beside the local autosave ("current-race.journal"): every result and entry
// change the store makes is appended here and flushed to disk before the operation returns, so a
// recorded card survives a crash long before the full files (tens of megabytes for a large event)
// have been written again by the background writer. Once a full write holding a change is on
// disk, the change is trimmed from the journal.
//
// One compact JSON record per line, each with a rising sequence number. A record puts a whole
// result or entry by id, or deletes by id, so replaying the records in order leaves each as its
// last change made it. Two marks tell replay which records belong where:
// - a record names its event (the race's `journalEventId`) once the full files carry that id;
//   replay takes such a record only into that event, a new entry included. A record naming no
//   event (an older journal, or one made before the id reached the files) only changes what the
//   snapshot already has, as that is all that shows it belongs.
// - the full files carry the sequence number of the newest record they hold (`journalThrough`):
//   a crash between a full write and its trim leaves records the snapshot already holds, which
//   replay skips, so that a later unjournalled change of the same entry (a start time, a class)
//   is not undone by its older record.
//
// Appends come from the main thread, trims from the writer thread; both hold the one mutex.

#include "race.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <mutex>
#include <optional>

class RaceJournal
{
public:
    static const QString fileName;

    // `folder`: the local autosave's folder. Nothing is read or written yet.
    explicit RaceJournal(const QString &folder);
    ~RaceJournal();
    RaceJournal(const RaceJournal &) = delete;
    RaceJournal &operator=(const RaceJournal &) = delete;

    // The start-up read onto the snapshot `race`: applies every whole record that belongs to it
    // and that it does not hold yet, in order, and logs the rest (a record cut off by a crash, a
    // damaged line, another event's change); when something could not be replayed the journal as
    // found is kept aside. The replayed records stay until a full write trims them; the file is
    // rewritten with them alone, so later appends never follow a broken line. Returns how many
    // records were replayed.
    int replayAtStartUp(Race &race);

    // Each appends one record naming `event` (none: see above) and syncs it to disk; a failure is
    // logged (the full write follows).
    void putResult(const PersonResult &result, const std::optional<QUuid> &event);
    void deleteResult(const QUuid &resultId, const std::optional<QUuid> &event);
    void putParticipant(const Participant &participant, const std::optional<QUuid> &event);
    void deleteParticipant(const QUuid &participantId, const std::optional<QUuid> &event);
    // A card read that no entry holds, kept; and its removal (settled by a result, or dismissed).
    void putUnknownCard(const UnknownCard &card, const std::optional<QUuid> &event);
    void deleteUnknownCard(const QUuid &cardId, const std::optional<QUuid> &event);

    // The sequence number of the newest record (0: none yet).
    [[nodiscard]] qint64 lastSequence();
    // A snapshot holding the records through `sequence` is the document now: new records must
    // come after it, whatever journal numbered it.
    void continueAfter(qint64 sequence);
    // Full files holding every change up to `sequence` are on disk: drop those records. `event`:
    // the id those files carry (none: they carry none, or not every file start-up reads).
    void trimThrough(qint64 sequence, const std::optional<QUuid> &event);
    // The event id the last full write put on disk, as told to trimThrough (or found at start-up).
    [[nodiscard]] std::optional<QUuid> writtenEvent();
    [[nodiscard]] bool isEmpty();

private:
    void append(QByteArray record, const std::optional<QUuid> &event);
    // Under the mutex: writes the kept records to the file atomically and reopens it for appends.
    bool rewriteLocked();
    bool openLocked();

    QString m_path;
    std::mutex m_mutex;
    int m_fd = -1;
    qint64 m_sequence = 0;
    std::optional<QUuid> m_writtenEvent;
    // The records not yet trimmed, with their sequence numbers, each a whole line.
    std::deque<std::pair<qint64, QByteArray>> m_records;
};
