#pragma once

// The change journal beside the local autosave ("current-race.journal"): every change the store
// commits is appended here and synced to disk before the operation returns, so it survives a crash
// long before the full files (tens of megabytes for a large event) have been written again by the
// background writer. Once a full write holding a change is on disk, the change is trimmed.
//
// One JSON record per line, each with a rising sequence number and the id of its event (the
// race's `journalEventId`), its body written by the event file's own writer (racechanges.h): the
// records one operation added, replaced or removed, applied whole or not at all. An event's first
// record, while its files do not carry its id yet, holds the whole event, so that replay always
// has the state a record was made from. Two marks tell replay what to take:
// - the event: a record is replayed only onto its own event (or, for a whole-event record, onto a
//   snapshot that names no event);
// - the full files carry the sequence number of the newest record they hold (`journalThrough`):
//   records up to it are in the snapshot already and are skipped.
// Once a record of the event cannot be replayed, none after it is: replay never applies a change
// to a state it was not made from. Everything not replayed is kept aside in a file.
//
// Records of an older version (a single result or entry, possibly naming no event) are still
// replayed by their old rules.
//
// A full write's lines are not cut from the file at once: rewriting the journal takes two syncs
// under the mutex, which every append (a card read) would wait for, and replay skips them anyway.
// They go with the first trim that finds more than `keepHeldUpTo` bytes of them, or any of
// another event or another document (whose files replay would not skip them for).
//
// The file's space is written ahead of the records: past its last line it holds zeros, written
// and synced before any record goes there. A record is then written in place into that space, so
// its sync writes the record's blocks and flushes the disk's cache, and changes neither the file's
// size nor its layout: it waits for no commit of the file system's own journal (which, while the
// full files are written and replaced, waits for their data and the freeing of their blocks). The
// space is extended by a thread of the journal's own, off the appends' path; a record that finds
// too little of it left is appended past the end and synced as before, only slower. A record of
// 8 MiB or more (an import's on a large event) goes past the page cache in whole blocks, as the
// full files do (atomicfile.h). Replay stops at the zeros: a run of zero bytes ends every journal,
// and a line cut off before it is a cut-off line. (An older version finds the zeros to be a
// cut-off last line: it replays every whole line and keeps the file aside.)
//
// Appends come from the main thread, trims from the writer thread; both hold the one mutex.

#include "race.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

class RaceJournal
{
public:
    static const QString fileName;
    // Far beyond any real count (a record a millisecond for a quarter of a million years), and
    // exact in every JSON reader: a larger number can only come from damage and is refused.
    static constexpr qint64 maxSequence = (qint64(1) << 53) - 1;

    struct Replay
    {
        int applied = 0;
        // Records found that could not be replayed (damaged, cut off, another event's, or after
        // one of those); the journal as found is then kept as `keptAs`.
        int setAside = 0;
        QString keptAs;
    };

    static constexpr qint64 defaultKeepHeldUpTo = qint64(4) << 20;
    // The written-ahead space added at a time, and how little of it left has the next added.
    // A card read's record is about 6 kB: a step lasts minutes of reads, and the rest left when
    // the next step is asked for lasts seconds, far longer than a step takes.
    static constexpr qint64 aheadStep = qint64(1) << 20;
    static constexpr qint64 aheadLow = qint64(256) << 10;
    // What a rewrite (a trim, under the lock appends wait for) writes ahead itself: enough for
    // the reads until the thread's first step is done, little enough to cost the rewrite nothing.
    static constexpr qint64 aheadWithRewrite = qint64(64) << 10;

    // The length of a journal's lines: `bytes` without the zeros that end it.
    static qsizetype usedLength(const QByteArray &bytes);

    // `folder`: the local autosave's folder. Nothing is read or written yet.
    explicit RaceJournal(const QString &folder, qint64 keepHeldUpTo = defaultKeepHeldUpTo);
    ~RaceJournal();
    RaceJournal(const RaceJournal &) = delete;
    RaceJournal &operator=(const RaceJournal &) = delete;

    // The start-up read onto the snapshot `race` (see above), logged. The replayed records stay
    // until a full write trims them; the file is rewritten with them alone, so later appends
    // never follow a broken line.
    Replay replayAtStartUp(Race &race);

    // The replay itself, on a journal's bytes (no file is read or written): what start-up would
    // apply to `race`. For checking replay on any input.
    static Replay replay(Race &race, const QByteArray &bytes);

    // Appends one record with `body` (racechanges.h) naming `event`, and syncs it. On failure
    // (the reason in `error`) the file is cut back to what it held before, nothing is kept and
    // the sequence number is not used: the caller records the same change again later.
    [[nodiscard]] bool append(const QByteArray &body, const QUuid &event, bool wholeEvent, QString *error);

    // The sequence number of the newest record (0: none yet).
    [[nodiscard]] qint64 lastSequence();
    // A snapshot holding the records through `sequence` is the document now: new records must
    // come after it, whatever journal numbered it.
    void continueAfter(qint64 sequence);
    // Full files holding every change up to `sequence` are on disk: drop those records. `event`:
    // the id those files carry (none: they carry none, or not every file start-up reads).
    void trimThrough(qint64 sequence, const std::optional<QUuid> &event);
    // Another document is the store's now: lines its files may not hold leave the file at once.
    void startDocument();
    // The event id the last full write put on disk, as told to trimThrough (or found at start-up).
    [[nodiscard]] std::optional<QUuid> writtenEvent();
    // The file start-up reads first now carries `event` (an event file just saved or opened).
    void setWrittenEvent(const std::optional<QUuid> &event);
    // Whether a whole-event record of `event` is still in the journal.
    [[nodiscard]] bool holdsWholeEvent(const QUuid &event);
    [[nodiscard]] bool isEmpty();
    // Why the journal's file could not be written last time (empty since it could again).
    [[nodiscard]] QString error();

private:
    struct Record
    {
        qint64 sequence = 0;
        QByteArray line;
        std::optional<QUuid> wholeEvent;
        // The event the line names (none: an older version's line).
        std::optional<QUuid> event;
    };
    // Replays `bytes` onto `race`, keeping the replayed records and numbering on after them.
    static Replay replayBytes(
        Race &race, const QByteArray &bytes, std::deque<Record> &kept, qint64 &sequence);
    // Under the mutex: writes the kept records to the file atomically and reopens it for appends.
    bool rewriteLocked();
    bool openLocked(QString *error);
    // Rewrites the file without the lines the full files hold, if it has any.
    void dropHeldLocked();
    void setErrorLocked(const QString &error);
    // The thread that writes the space ahead (see above).
    void extendAhead();
    [[nodiscard]] bool needsAheadLocked() const;

    QString m_path;
    std::mutex m_mutex;
    int m_fd = -1;
    // The length of the file's whole lines: an append that fails is cut back to it.
    qint64 m_size = 0;
    // The end of the space written ahead and synced (never less than `m_size`): a record that
    // ends within it is written in place.
    qint64 m_ahead = 0;
    // The ahead-writer is writing past `m_ahead` (of the file `m_extendingFile`, device and
    // inode): nothing else may write there meanwhile, nor take its zeros for written.
    bool m_extending = false;
    std::pair<quint64, quint64> m_extendingFile;
    // Its last step failed (a full disk): it waits for the file to change before trying again.
    bool m_extendFailed = false;
    // Counts the files opened: a step made on a file since replaced is not counted.
    quint64 m_opened = 0;
    bool m_stopping = false;
    std::condition_variable m_changed;
    std::thread m_aheadWriter;
    qint64 m_sequence = 0;
    std::optional<QUuid> m_writtenEvent;
    QString m_error;
    std::deque<Record> m_records;
    // The file's leading lines that the full files hold (none of them in `m_records`): their
    // length, and the event they all name (none: mixed or unknown, dropped at the next trim).
    qint64 m_heldBytes = 0;
    std::optional<QUuid> m_heldEvent;
    // Lines numbered up to this are an earlier document's.
    qint64 m_documentFrom = 0;
    qint64 m_keepHeldUpTo;
};
