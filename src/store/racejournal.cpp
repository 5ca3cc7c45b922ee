#include "racejournal.h"

#include "atomicfile.h"
#include "log.h"
#include "racechanges.h"
#include "racejson.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

const QString RaceJournal::fileName = QStringLiteral("current-race.journal");

namespace {
const QString opKey = QStringLiteral("op");
const QString seqKey = QStringLiteral("seq");
const QString idKey = QStringLiteral("id");
const QString eventKey = QStringLiteral("event");
const QString resultOp = QStringLiteral("result");
const QString deleteResultOp = QStringLiteral("deleteResult");
const QString participantOp = QStringLiteral("participant");
const QString deleteParticipantOp = QStringLiteral("deleteParticipant");

void logJournal(const QString &text)
{
    logLine(QStringLiteral("RaceStore: journal: ") + text);
}

// An entry has no JSON form of its own: it travels as the one entry of an otherwise empty race.
std::optional<Participant> participantFromJson(const QJsonObject &object)
{
    auto race = raceToJsonObject(Race());
    if (!race)
        return std::nullopt;
    race->insert(QStringLiteral("participants"), QJsonArray {object});
    const auto carrier = raceFromJsonObject(*race);
    if (!carrier || carrier->participants.size() != 1)
        return std::nullopt;
    return carrier->participants.first();
}

bool hasParticipant(const Race &race, const QUuid &id)
{
    return std::any_of(race.participants.cbegin(), race.participants.cend(),
        [&](const Participant &p) { return p.id == id; });
}

// Space is written ahead only on a disk with room to spare: on one nearly full, the zeros could
// take the room the full files need, and the journal appends instead.
bool roomToWriteAhead(const QString &folder)
{
    struct statvfs info
    { };
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0)
        return false;
    return qint64(info.f_bavail) * qint64(info.f_frsize) >= 64 * RaceJournal::aheadStep;
}

QString systemError(int code = errno)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// An older version's record (one result or entry); false when it does not belong to `race` (the
// reason in `why`).
// `named`: the record names this event, so a new entry or a result of any entry is this event's.
// A record naming none belongs only when it changes what the event already has.
bool applyRecord(Race &race, const QJsonObject &record, bool named, QString *why)
{
    const QString op = record.value(opKey).toString();
    if (op == resultOp) {
        const auto result = personResultFromJsonObject(record.value(resultOp).toObject(), why);
        if (!result)
            return false;
        if (!named && !hasParticipant(race, result->participantId)) {
            *why = QStringLiteral("result for an entry this event does not have");
            return false;
        }
        auto it = std::find_if(race.results.begin(), race.results.end(),
            [&](const PersonResult &r) { return r.id == result->id; });
        if (it != race.results.end())
            *it = *result;
        else
            race.results.append(*result);
        return true;
    }
    if (op == participantOp) {
        const auto participant = participantFromJson(record.value(participantOp).toObject());
        if (!participant) {
            *why = QStringLiteral("unreadable entry");
            return false;
        }
        auto it = std::find_if(race.participants.begin(), race.participants.end(),
            [&](const Participant &p) { return p.id == participant->id; });
        if (it != race.participants.end()) {
            *it = *participant;
            return true;
        }
        if (!named) {
            *why = QStringLiteral("entry this event does not have");
            return false;
        }
        race.participants.append(*participant);
        return true;
    }
    const QUuid id = QUuid::fromString(record.value(idKey).toString());
    if ((op == deleteResultOp || op == deleteParticipantOp) && id.isNull()) {
        *why = QStringLiteral("malformed id");
        return false;
    }
    if (op == deleteResultOp) {
        race.results.removeIf([&](const PersonResult &r) { return r.id == id; });
        return true;
    }
    if (op == deleteParticipantOp) {
        race.participants.removeIf([&](const Participant &p) { return p.id == id; });
        return true;
    }
    *why = QStringLiteral("unknown record kind");
    return false;
}
} // namespace

RaceJournal::RaceJournal(const QString &folder, qint64 keepHeldUpTo)
    : m_path(QDir(folder).filePath(fileName))
    , m_keepHeldUpTo(keepHeldUpTo)
{
    m_aheadWriter = std::thread([this] { extendAhead(); });
}

RaceJournal::~RaceJournal()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_aheadWriter.join();
    if (m_fd >= 0)
        ::close(m_fd);
}

qsizetype RaceJournal::usedLength(const QByteArray &bytes)
{
    qsizetype end = bytes.size();
    while (end > 0 && bytes.at(end - 1) == '\0')
        --end;
    return end;
}

bool RaceJournal::needsAheadLocked() const
{
    return m_fd >= 0 && !m_extending && !m_extendFailed && m_ahead - m_size < aheadLow;
}

void RaceJournal::extendAhead()
{
    std::unique_lock lock(m_mutex);
    const QByteArray zeros(64 << 10, '\0');
    for (;;) {
        m_changed.wait(lock, [&] { return m_stopping || needsAheadLocked(); });
        if (m_stopping)
            return;
        // A descriptor of its own: a rewrite may close the journal's meanwhile, and the step is
        // then made on the replaced file, harmlessly and uncounted.
        const int fd = ::dup(m_fd);
        struct stat info
        { };
        if (fd < 0 || ::fstat(fd, &info) != 0 || !roomToWriteAhead(QFileInfo(m_path).absolutePath())) {
            if (fd >= 0)
                ::close(fd);
            m_extendFailed = true;
            continue;
        }
        const quint64 opened = m_opened;
        const qint64 from = m_ahead;
        const qint64 to = from + aheadStep;
        m_extending = true;
        m_extendingFile = {quint64(info.st_dev), quint64(info.st_ino)};
        lock.unlock();
        // Appends write nothing past `from` until this is over, so the step needs no lock. Its
        // sync commits the file's new size and blocks: appends into the space then need none.
        bool written = true;
        for (qint64 at = from; written && at < to;) {
            const ssize_t n
                = ::pwrite(fd, zeros.constData(), size_t(std::min<qint64>(zeros.size(), to - at)), at);
            if (n < 0 && errno == EINTR)
                continue;
            written = n > 0;
            at += std::max<ssize_t>(n, 0);
        }
        written = written && ::fdatasync(fd) == 0;
        lock.lock();
        m_extending = false;
        if (opened == m_opened && m_ahead == from) {
            if (written) {
                m_ahead = to;
            } else {
                // Whatever part was written goes again: it is not known to be on disk.
                m_extendFailed = true;
                (void)::ftruncate(fd, from);
            }
        }
        ::close(fd);
        m_changed.notify_all();
    }
}

RaceJournal::Replay RaceJournal::replayAtStartUp(Race &race)
{
    const std::lock_guard lock(m_mutex);
    m_writtenEvent = race.journalEventId;
    if (race.journalThrough && *race.journalThrough > 0 && *race.journalThrough <= maxSequence)
        m_sequence = std::max(m_sequence, *race.journalThrough);
    QFile file(m_path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        logJournal(QStringLiteral("unreadable, not replayed: ") + file.errorString());
        setErrorLocked(file.errorString());
        return {};
    }
    const QByteArray bytes = file.readAll();
    file.close();
    Replay replay = replayBytes(race, bytes, m_records, m_sequence);
    if (replay.setAside > 0) {
        // What could not be replayed is kept as it was, for whoever looks into it.
        const QString aside = m_path + QStringLiteral(".unreplayed-")
            + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
        // A copy needs the journal's size in free space; moving it needs none, and the rewrite
        // below puts back what was replayed. Either way nothing found is rewritten away unkept.
        if (QFile::copy(m_path, aside) || QFile::rename(m_path, aside)) {
            replay.keptAs = aside;
            logJournal(QStringLiteral("journal as found kept as ") + aside);
        } else {
            logJournal(QStringLiteral("journal as found could not be kept aside"));
        }
    }
    // The file keeps only what was replayed: nothing broken for later appends to follow, and a
    // record of another event is not replayed again onto whatever this event becomes.
    rewriteLocked();
    return replay;
}

RaceJournal::Replay RaceJournal::replay(Race &race, const QByteArray &bytes)
{
    std::deque<Record> kept;
    qint64 sequence = 0;
    return replayBytes(race, bytes, kept, sequence);
}

RaceJournal::Replay RaceJournal::replayBytes(
    Race &race, const QByteArray &bytes, std::deque<Record> &kept, qint64 &sequenceOut)
{
    Replay replay;
    // Records up to `through` are in the snapshot already: a crash came between its write and
    // the trim, or the journal is older than the snapshot. A number past the limit is damage.
    qint64 through = race.journalThrough.value_or(0);
    if (through < 0 || through > maxSequence)
        through = 0;
    sequenceOut = std::max(sequenceOut, through);
    int held = 0;
    // Set once a record naming an event could not be replayed: every later one may depend on it.
    bool stopped = false;
    qsizetype start = 0;
    int lineNumber = 0;
    auto setAside = [&](const QString &why) {
        logJournal(QStringLiteral("record %1 %2").arg(lineNumber).arg(why));
        ++replay.setAside;
    };
    // The zeros of the space written ahead end the lines; a line cut off before them is cut off.
    const qsizetype used = usedLength(bytes);
    while (start < used) {
        ++lineNumber;
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            setAside(QStringLiteral("cut off, skipped"));
            break;
        }
        const QByteArray line = bytes.mid(start, end - start);
        start = end + 1;
        std::optional<QJsonObject> head = recordHead(line);
        const bool legacy = !head;
        if (legacy) {
            QJsonParseError parseError;
            const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
            if (parseError.error == QJsonParseError::NoError && document.isObject())
                head = document.object();
        }
        const qint64 sequence = head ? head->value(seqKey).toInteger() : 0;
        if (!head || sequence <= 0) {
            setAside(QStringLiteral("damaged, skipped"));
            stopped = true;
            continue;
        }
        // Never written by a journal (none counts that far): nothing later depends on it, and
        // numbering on after it would run out.
        if (sequence > maxSequence) {
            setAside(QStringLiteral("numbered past the limit, skipped"));
            continue;
        }
        // Numbers go on after everything found, replayed or not: no new record may reuse one.
        sequenceOut = std::max(sequenceOut, sequence);
        const QJsonValue eventValue = head->value(eventKey);
        if (eventValue.isUndefined()) {
            // An older version's record naming no event: it belongs only where it changes what
            // the snapshot has.
            QString why;
            if (sequence <= through) {
                ++held;
            } else if (!applyRecord(race, *head, false, &why)) {
                setAside(QStringLiteral("not replayed: ") + why);
            } else {
                ++replay.applied;
                kept.push_back({sequence, line + '\n', std::nullopt});
            }
            continue;
        }
        const QUuid event = QUuid::fromString(eventValue.toString());
        const QString op = head->value(opKey).toString();
        const bool whole = !legacy && op == QStringLiteral("event");
        const bool ours = race.journalEventId == event || (whole && !race.journalEventId);
        if (event.isNull() || !ours) {
            setAside(QStringLiteral("not replayed: another event's change"));
            continue;
        }
        if (race.journalEventId == event && sequence <= through) {
            ++held;
            continue;
        }
        if (stopped) {
            setAside(QStringLiteral("not replayed: an earlier change could not be replayed"));
            continue;
        }
        QString why;
        const bool applied
            = legacy ? applyRecord(race, *head, true, &why) : applyRaceChanges(race, line, &why);
        if (!applied) {
            setAside(QStringLiteral("not replayed: ") + why);
            stopped = true;
            continue;
        }
        if (whole) {
            // The state is that of this record now, whatever the snapshot said it held.
            race.journalEventId = event;
            through = sequence;
        }
        ++replay.applied;
        kept.push_back({sequence, line + '\n', whole ? std::optional(event) : std::nullopt, event});
    }
    if (replay.applied > 0)
        logJournal(QStringLiteral("%1 change(s) replayed").arg(replay.applied));
    if (held > 0)
        logJournal(QStringLiteral("%1 change(s) already in the event's files, dropped").arg(held));
    return replay;
}

bool RaceJournal::append(const QByteArray &body, const QUuid &event, bool wholeEvent, QString *error)
{
    std::unique_lock lock(m_mutex);
    // Held lines of another event would be set aside by a replay onto this one's files. (None
    // known: a rewrite failed, and the file is as a failed trim always left it.)
    if (m_heldBytes > 0 && m_heldEvent && m_heldEvent != event)
        dropHeldLocked();
    QString reason;
    if (m_sequence >= maxSequence) {
        reason = QStringLiteral("no sequence number left");
    } else if (m_fd < 0 && !openLocked(&reason)) {
        // reason set
    } else {
        const qint64 sequence = m_sequence + 1;
        // The sequence number and the event go first so a reader sees them without the rest.
        const QByteArray keys = "{\"seq\":" + QByteArray::number(sequence) + ",\"event\":\""
            + event.toByteArray(QUuid::WithoutBraces) + "\",";
        // One allocation of the exact size: the line is kept until a full write holds it, and an
        // import's line runs to tens of megabytes.
        QByteArray line;
        line.reserve(keys.size() + body.size() + 2);
        line.append(keys).append(body).append("}\n");
        // Past the space written ahead only when it cannot be had in time: a step under way ends
        // within milliseconds, and no record may be written where its zeros still go.
        m_changed.wait(lock, [&] { return !m_extending || m_size + line.size() <= m_ahead; });
        // A line of many megabytes (an import's on a large event) goes past the page cache as the
        // full files do: through it, each 4 KiB would cost a fresh page of the cache, on the
        // line's way to the disk, where a card read's line reuses the pages written ahead.
        const BlocksWritten direct = writeBlocksPastCache(m_fd, line, m_size);
        if (direct.code != 0)
            reason = QStringLiteral("Cannot write %1: %2").arg(m_path, systemError(direct.code));
        for (auto [done, end] : {std::pair(qsizetype(0), direct.from), std::pair(direct.to, line.size())}) {
            while (reason.isEmpty() && done < end) {
                const ssize_t n = ::pwrite(m_fd, line.constData() + done, size_t(end - done), m_size + done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    reason = QStringLiteral("Cannot write %1: %2")
                                 .arg(m_path, n < 0 ? systemError() : QStringLiteral("no progress"));
                else
                    done += n;
            }
        }
        if (reason.isEmpty() && ::fdatasync(m_fd) != 0)
            reason = QStringLiteral("Cannot sync %1: %2").arg(m_path, systemError());
        if (reason.isEmpty()) {
            m_sequence = sequence;
            m_size += line.size();
            m_ahead = std::max(m_ahead, m_size);
            if (needsAheadLocked())
                m_changed.notify_all();
            m_records.push_back(
                {sequence, std::move(line), wholeEvent ? std::optional(event) : std::nullopt, event});
            setErrorLocked(QString());
            return true;
        }
        // A partial line would swallow the next record, and a record whose sync failed may or may
        // not be there: cut the file back to its whole lines (that never needs space), the space
        // ahead with them. Should even that fail, the next open cuts it.
        ++m_opened;
        m_ahead = m_size;
        m_extendFailed = false;
        if (::ftruncate(m_fd, m_size) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        m_changed.notify_all();
    }
    logJournal(QStringLiteral("append failed: ") + reason);
    setErrorLocked(reason);
    if (error)
        *error = reason;
    return false;
}

qint64 RaceJournal::lastSequence()
{
    const std::lock_guard lock(m_mutex);
    return m_sequence;
}

bool RaceJournal::isEmpty()
{
    const std::lock_guard lock(m_mutex);
    return m_records.empty();
}

QString RaceJournal::error()
{
    const std::lock_guard lock(m_mutex);
    return m_error;
}

void RaceJournal::setErrorLocked(const QString &error)
{
    m_error = error;
}

void RaceJournal::setWrittenEvent(const std::optional<QUuid> &event)
{
    const std::lock_guard lock(m_mutex);
    m_writtenEvent = event;
    dropHeldLocked();
}

void RaceJournal::startDocument()
{
    const std::lock_guard lock(m_mutex);
    m_documentFrom = m_sequence;
    dropHeldLocked();
}

bool RaceJournal::holdsWholeEvent(const QUuid &event)
{
    const std::lock_guard lock(m_mutex);
    return std::any_of(
        m_records.cbegin(), m_records.cend(), [&](const Record &r) { return r.wholeEvent == event; });
}

void RaceJournal::continueAfter(qint64 sequence)
{
    const std::lock_guard lock(m_mutex);
    if (sequence <= maxSequence)
        m_sequence = std::max(m_sequence, sequence);
    // A snapshot numbered otherwise: it may hold fewer of the held lines than their files did.
    dropHeldLocked();
}

std::optional<QUuid> RaceJournal::writtenEvent()
{
    const std::lock_guard lock(m_mutex);
    return m_writtenEvent;
}

void RaceJournal::trimThrough(qint64 sequence, const std::optional<QUuid> &event)
{
    const std::lock_guard lock(m_mutex);
    // The lines may stay only while replay would skip each of them: every file start-up reads
    // carries this event (as the files before did, whose lines are held already) and a number
    // at least theirs, and nothing in the file names another event or is an earlier document's.
    bool keep = event && m_writtenEvent == event && (m_heldBytes == 0 || m_heldEvent == event);
    m_writtenEvent = event;
    qint64 held = m_heldBytes;
    while (!m_records.empty() && m_records.front().sequence <= sequence) {
        const Record &record = m_records.front();
        keep = keep && record.event == event && record.sequence > m_documentFrom;
        held += record.line.size();
        m_records.pop_front();
    }
    if (held == 0 || (held == m_heldBytes && keep))
        return;
    keep = keep && held <= m_keepHeldUpTo
        && std::all_of(
            m_records.cbegin(), m_records.cend(), [&](const Record &r) { return r.event == event; });
    m_heldBytes = held;
    m_heldEvent = keep ? event : std::nullopt;
    if (!keep)
        rewriteLocked();
}

void RaceJournal::dropHeldLocked()
{
    if (m_heldBytes > 0)
        rewriteLocked();
}

bool RaceJournal::openLocked(QString *error)
{
    const QByteArray path = QFile::encodeName(m_path);
    const bool existed = QFileInfo::exists(m_path);
    ++m_opened;
    m_extendFailed = false;
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        *error = QStringLiteral("Cannot open %1: %2").arg(m_path, systemError());
        return false;
    }
    struct stat info
    { };
    if (::fstat(m_fd, &info) != 0) {
        *error = QStringLiteral("Cannot open %1: %2").arg(m_path, systemError());
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    // The file as this journal last left it (its lines and the zeros written ahead), or (found
    // so) longer by a failed append's partial line, which must go before anything follows it:
    // the space ahead goes with it.
    qint64 whole = info.st_size;
    qint64 ahead = info.st_size;
    if (existed && whole > 0) {
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = file.readAll();
            const qsizetype used = usedLength(bytes);
            whole = used > 0 ? bytes.lastIndexOf('\n', used - 1) + 1 : 0;
            // Zeros the ahead-writer is still writing are not known to be on disk.
            const bool extending
                = m_extending && m_extendingFile == std::pair(quint64(info.st_dev), quint64(info.st_ino));
            ahead = whole == used && !extending ? qint64(bytes.size()) : whole;
        }
    }
    if (ahead != info.st_size && ::ftruncate(m_fd, ahead) != 0) {
        *error = QStringLiteral("Cannot write %1: %2").arg(m_path, systemError());
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_size = whole;
    m_ahead = ahead;
    m_changed.notify_all();
    if (!existed && !syncFolder(QFileInfo(m_path).absolutePath(), error)) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

bool RaceJournal::rewriteLocked()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    QByteArray bytes;
    for (const Record &record : m_records)
        bytes += record.line;
    // The new file comes with some space ahead, written and synced with it; the thread adds the
    // rest at once.
    if (roomToWriteAhead(QFileInfo(m_path).absolutePath()))
        bytes.append(aheadWithRewrite, '\0');
    QString error;
    // Atomic: a failed or interrupted rewrite leaves the old journal, whose extra records replay
    // harmlessly (they are in the files, or still wanted). The write syncs the folder, so later
    // appends go to the file a restart will find.
    if (!writeFileAtomically(m_path, bytes, &error)) {
        logJournal(QStringLiteral("rewrite failed: ") + error);
        setErrorLocked(error);
        return false;
    }
    m_heldBytes = 0;
    m_heldEvent.reset();
    if (!openLocked(&error)) {
        logJournal(QStringLiteral("append failed: ") + error);
        setErrorLocked(error);
        return false;
    }
    setErrorLocked(QString());
    return true;
}
