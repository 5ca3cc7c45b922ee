#pragma once

// The change journal beside the local autosave ("current-race.journal"): every result and entry
// change the store makes is appended here and flushed to disk before the operation returns, so a
// recorded card survives a crash long before the full files (tens of megabytes for a large event)
// have been written again by the background writer. Once a full write holding a change is on
// disk, the change is trimmed from the journal.
//
// One compact JSON record per line, each with a rising sequence number. Replaying is idempotent:
// a record puts a whole result or entry by id, or deletes by id, so a record the snapshot already
// holds (the process died between the full write and the trim) changes nothing, and replaying the
// records in order leaves each result as its last change made it.
//
// Appends come from the main thread, trims from the writer thread; both hold the one mutex.

#include "race.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <mutex>

class RaceJournal
{
public:
    static const QString fileName;

    // `folder`: the local autosave's folder. Nothing is read or written yet.
    explicit RaceJournal(const QString &folder);
    ~RaceJournal();
    RaceJournal(const RaceJournal &) = delete;
    RaceJournal &operator=(const RaceJournal &) = delete;

    // The start-up read: applies every whole record that belongs to `race`, in order, and logs the
    // rest (a record cut off by a crash, a damaged line, a change for an entry this event does not
    // have); the journal as found is then kept aside. The replayed records stay until a full write
    // trims them; the file is rewritten with them alone, so later appends never follow a broken
    // line. Returns how many records were replayed.
    int replayAtStartUp(Race &race);

    // Each appends one record and syncs it to disk; a failure is logged (the full write follows).
    void putResult(const PersonResult &result);
    void deleteResult(const QUuid &resultId);
    void putParticipant(const Participant &participant);
    void deleteParticipant(const QUuid &participantId);

    // The sequence number of the newest record (0: none yet).
    [[nodiscard]] qint64 lastSequence();
    // Full files holding every change up to `sequence` are on disk: drop those records.
    void trimThrough(qint64 sequence);
    [[nodiscard]] bool isEmpty();

private:
    void append(QByteArray record);
    // Under the mutex: writes the kept records to the file atomically and reopens it for appends.
    bool rewriteLocked();
    bool openLocked();

    QString m_path;
    std::mutex m_mutex;
    int m_fd = -1;
    qint64 m_sequence = 0;
    // The records not yet trimmed, with their sequence numbers, each a whole line.
    std::deque<std::pair<qint64, QByteArray>> m_records;
};
