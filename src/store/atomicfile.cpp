#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <linux/aio_abi.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

void fail(QString *error, const QString &step, const QString &path, int code)
{
    if (error)
        *error = QStringLiteral("%1 %2: %3").arg(step, QDir::toNativeSeparators(path), systemError(code));
}

// The process's file mask, read without setting it: umask() tells it only by replacing it, and
// every file another thread (the background writer, the window) creates meanwhile would get the
// replacement, or keep it for good when two such reads interleave.
mode_t fileMask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (!line.startsWith("Umask:"))
                continue;
            bool ok = false;
            const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
            if (ok)
                return mode_t(mask & 0777);
        }
    }
    // Without /proc: the usual mask.
    return 022;
}
// The file about to be replaced, kept open so that its space can be given back a slice at a
// time once it is gone (see releaseReplaced); -1 when there is none or it cannot be written.
int openReplaced(const QString &path)
{
    const int fd
        = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    struct stat info
    { };
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Freeing a large replaced file at once (on its last close) makes one file system commit free
// all its blocks, and every sync that waits for that commit (the change journal's) waits for it:
// tens of milliseconds for the full files of a large event, more where freed blocks are
// discarded. Cut down in slices, each synced, no commit frees more than a slice. Only a file
// nothing else can reach: no other name (a link elsewhere still holds those contents) and no
// other open descriptor (a copy being made of the old file must get it whole), which the write
// lease tells (taken and given back at once: with no name left, nothing can open the file
// afterwards, and a lease held on would have the system signal this process should anything
// try). Otherwise, or if any step fails, it is only closed, as before.
void releaseReplaced(int fd)
{
    struct stat info
    { };
    constexpr off_t slice = off_t(8) << 20;
    if (::fstat(fd, &info) == 0 && info.st_nlink == 0 && info.st_size > slice
        && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0) {
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        for (off_t size = info.st_size; size > 0;) {
            size = std::max<off_t>(0, size - slice);
            if (::ftruncate(fd, size) != 0 || ::fdatasync(fd) != 0)
                break;
        }
    }
    ::close(fd);
}

// Large files bypass the page cache (O_DIRECT): copied into the cache, every 4 KiB of them costs
// the kernel a fresh page, found by evicting others once the cache is full, left dirty until it
// is written back, which for the full files of a large event costs more than the disk itself;
// and every sync of another file (the change journal's, on each card read) waits behind that
// write-back. Below `directFrom` (measured: bench_store's WriteFileAtomically) the buffered write,
// in slices written back as it goes, takes as long and less processor time.
constexpr qsizetype directFrom = qsizetype(8) << 20;
// What direct writes are aligned to, in the file and in memory: every disk's logical block
// divides it. A file system wanting more refuses the first write, which then goes buffered.
constexpr qsizetype directBlock = 4096;
// Direct writes are queued `directDepth` at a time, `directSlice` bytes each, so the disk always
// has the next one when it finishes one (written one at a time and waited for, 1 MiB writes took
// 1.3 times as long as 8 MiB ones for a 176 MB file). No more than 1 MiB is queued in all: the
// change journal's next record waits for what is ahead of it on a disk serving requests in order
// (measured on a virtual disk while such a file was written over and over: an append and sync
// took a median of 1.2 ms with 4 x 256 KiB queued, as with the buffered write, against 15 ms
// with 2 x 1 MiB and 9 ms with 8 MiB written at a time).
constexpr qsizetype directSlice = qsizetype(256) << 10;
constexpr int directDepth = 4;
// Dirty bytes a buffered write leaves before it writes them back: on a file system that orders
// data before metadata (ext4), every other file's sync waits for the dirty data of this one,
// which then never exceeds a slice.
constexpr qsizetype bufferedSlice = qsizetype(1) << 20;

struct FreeAligned
{
    void operator()(char *buffer) const { std::free(buffer); }
};

struct Written
{
    // Every byte before it is written.
    qsizetype upTo = 0;
    // 0, or the system's reason the write stopped there.
    int code = 0;
};

// A thread's queue of direct writes and the aligned buffers they are written from, kept for the
// thread's life: taking a queue down waits until every processor has passed a quiescent point,
// tens of milliseconds on a busy machine, more than writing a file of several megabytes takes.
class DirectQueue
{
public:
    DirectQueue()
        : m_buffers(
            static_cast<char *>(std::aligned_alloc(size_t(directBlock), size_t(directSlice * directDepth))))
    {
        if (m_buffers && ::syscall(SYS_io_setup, directDepth, &m_context) != 0)
            m_context = 0;
    }
    ~DirectQueue() { close(); }
    DirectQueue(const DirectQueue &) = delete;
    DirectQueue &operator=(const DirectQueue &) = delete;

    [[nodiscard]] bool isOpen() const { return m_context != 0; }
    [[nodiscard]] aio_context_t context() const { return m_context; }
    [[nodiscard]] char *buffer(int slot) const { return m_buffers.get() + slot * directSlice; }
    // Waits for every write still queued; the next thread-wide use opens a new queue.
    void close()
    {
        if (m_context != 0)
            ::syscall(SYS_io_destroy, m_context);
        m_context = 0;
    }

private:
    std::unique_ptr<char, FreeAligned> m_buffers;
    aio_context_t m_context = 0;
};

DirectQueue &threadQueue()
{
    thread_local std::unique_ptr<DirectQueue> queue;
    if (!queue || !queue->isOpen())
        queue = std::make_unique<DirectQueue>();
    return *queue;
}

// Writes the first `end` bytes of `data` (whole blocks) to `fd`, opened for direct writes, from
// the block-aligned file offset `at` on, each slice copied into an aligned buffer. Stops at the
// first slice the system refuses or writes short; a short slice, or nothing written where the
// system takes no direct writes at all, is for the caller to write another way.
Written writeDirect(int fd, const char *data, qsizetype end, qint64 at)
{
    Written written;
    DirectQueue &queue = threadQueue();
    if (!queue.isOpen())
        return written;
    const aio_context_t context = queue.context();
    std::array<iocb, directDepth> requests {};
    std::vector<int> idle;
    for (int i = directDepth - 1; i >= 0; --i)
        idle.push_back(i);
    written.upTo = end;
    auto stopAt = [&](qsizetype offset, int code) {
        if (offset < written.upTo || (offset == written.upTo && written.code == 0))
            written = {offset, code};
    };
    qsizetype next = 0;
    int queued = 0;
    bool stopped = false;
    while (queued > 0 || (!stopped && next < end)) {
        while (!stopped && next < end && !idle.empty()) {
            const int slot = idle.back();
            const qsizetype length = std::min(directSlice, end - next);
            char *buffer = queue.buffer(slot);
            std::memcpy(buffer, data + next, size_t(length));
            iocb &request = requests[size_t(slot)];
            request = {};
            request.aio_data = quint64(slot);
            request.aio_lio_opcode = IOCB_CMD_PWRITE;
            request.aio_fildes = quint32(fd);
            request.aio_buf = quint64(quintptr(buffer));
            request.aio_nbytes = quint64(length);
            request.aio_offset = at + qint64(next);
            iocb *submitted = &request;
            const long taken = ::syscall(SYS_io_submit, context, 1, &submitted);
            if (taken != 1) {
                if (taken < 0 && errno == EINTR)
                    continue;
                if (taken < 0 && errno == EAGAIN && queued > 0)
                    break;
                // Not taken at all (no room to queue it, no direct writes here): the rest goes
                // buffered.
                stopped = true;
                stopAt(next, 0);
                break;
            }
            idle.pop_back();
            ++queued;
            next += length;
        }
        if (queued == 0)
            break;
        std::array<io_event, directDepth> done {};
        const long count = ::syscall(SYS_io_getevents, context, 1, directDepth, done.data(), nullptr);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            // What is still queued is waited for by closing the queue.
            stopped = true;
            stopAt(0, errno);
            queue.close();
            break;
        }
        for (long i = 0; i < count; ++i) {
            const int slot = int(done[size_t(i)].data);
            const iocb &request = requests[size_t(slot)];
            const qint64 result = done[size_t(i)].res;
            if (result != qint64(request.aio_nbytes)) {
                stopped = true;
                stopAt(request.aio_offset - at + std::max<qint64>(result, 0), result < 0 ? int(-result) : 0);
            }
            idle.push_back(slot);
            --queued;
        }
    }
    if (written.code == EINVAL && written.upTo == 0)
        written.code = 0;
    return written;
}

// Writes all of `bytes` from the start of the new file `fd`: 0, or the system's reason. The
// bytes on disk are the same whichever way they go: whole blocks direct from aligned copies,
// the rest (a last partial block, what follows a short direct write, or all of a file system
// that takes no direct writes) buffered.
int writeAll(int fd, const QByteArray &bytes)
{
    const qsizetype size = bytes.size();
    // From the start of the file, so the direct part (if any) is its first bytes.
    const BlocksWritten direct = writeBlocksPastCache(fd, bytes, 0);
    if (direct.code != 0)
        return direct.code;
    qsizetype done = direct.to;
    qsizetype flushed = done;
    while (done < size) {
        const ssize_t n = ::pwrite(
            fd, bytes.constData() + done, size_t(std::min(size - done, bufferedSlice)), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        done += n;
        if (done - flushed >= bufferedSlice || done == size) {
            ::sync_file_range(fd, flushed, done - flushed,
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
            flushed = done;
        }
    }
    return 0;
}
} // namespace

BlocksWritten writeBlocksPastCache(int fd, QByteArrayView bytes, qint64 offset)
{
    const qint64 first = (offset + directBlock - 1) & ~qint64(directBlock - 1);
    const qint64 end = (offset + bytes.size()) & ~qint64(directBlock - 1);
    if (bytes.size() < directFrom || end <= first)
        return {};
    // A description of its own: the direct flag is one of the open file's, shared with every
    // duplicate of `fd` another thread may be writing through. A file system that takes no direct
    // writes refuses the flag here (ramfs), or the first write (some network and user-space file
    // systems): both then get the buffered write.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    const int direct = ::open(self.constData(), O_WRONLY | O_DIRECT | O_CLOEXEC);
    if (direct < 0)
        return {};
    BlocksWritten written {qsizetype(first - offset), qsizetype(first - offset), 0};
    const Written done = writeDirect(direct, bytes.constData() + written.from, qsizetype(end - first), first);
    ::close(direct);
    written.to = written.from + done.upTo;
    written.code = done.code;
    return written;
}

bool writeFileAtomically(const QString &linkedPath, const QByteArray &bytes, QString *error)
{
    // Not QSaveFile: its buffered write reports a full disk only through a flush whose failure a
    // commit could pass over, leaving an empty file in place of the old one.
    // A link is written through: renaming onto it would replace the link with a copy and leave
    // the file it names (perhaps on another disk) behind, never written again.
    QString path = linkedPath;
    for (int depth = 0; depth < 40 && QFileInfo(path).isSymLink(); ++depth)
        path = QFileInfo(path).symLinkTarget();
    const QFileInfo target(path);
    if (target.isDir()) {
        fail(error, QStringLiteral("Cannot write"), path, EISDIR);
        return false;
    }
    const QString folder = target.absolutePath();
    QByteArray temporary = QFile::encodeName(target.absoluteFilePath()) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(error, QStringLiteral("Cannot create a file in"), folder, errno);
        return false;
    }
    const QString temporaryPath = QFile::decodeName(temporary);
    auto abandon = [&](const QString &step, int code) {
        ::close(fd);
        ::unlink(temporary.constData());
        fail(error, step, temporaryPath, code);
        return false;
    };
    // The whole size is set aside first: a disk without room for it refuses before anything is
    // written, and on ext4 the blocks are allocated now as unwritten extents, so the file system's
    // commits (each sync of the change journal, on every card read) do not wait for this file's
    // data as they do for blocks allocated while it is written back. A file system that cannot
    // set space aside gets the plain write.
    if (!bytes.isEmpty()) {
        int code = 0;
        do
            code = ::fallocate(fd, 0, 0, off_t(bytes.size())) == 0 ? 0 : errno;
        while (code == EINTR);
        if (code != 0 && code != EOPNOTSUPP && code != ENOSYS)
            return abandon(QStringLiteral("Cannot write"), code);
    }
    const int code = writeAll(fd, bytes);
    if (code != 0)
        return abandon(QStringLiteral("Cannot write"), code);
    // The permissions a new file would get: mkostemp makes it private to the owner. Set once it
    // is written: the direct write reopens it for writing, which a read-only mode would refuse.
    if (QFileInfo::exists(path)) {
        struct stat old
        { };
        if (::stat(QFile::encodeName(path).constData(), &old) == 0)
            ::fchmod(fd, old.st_mode & 07777);
    } else {
        ::fchmod(fd, 0666 & ~fileMask());
    }
    if (::fsync(fd) != 0)
        return abandon(QStringLiteral("Cannot sync"), errno);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        fail(error, QStringLiteral("Cannot write"), temporaryPath, code);
        return false;
    }
    const int replaced = openReplaced(path);
    if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int code = errno;
        if (replaced >= 0)
            ::close(replaced);
        ::unlink(temporary.constData());
        fail(error, QStringLiteral("Cannot replace"), path, code);
        return false;
    }
    // Until the folder is synced a power cut can bring the old file back; whoever trims what the
    // new contents made redundant (the change journal) must know it has not happened.
    const bool synced = syncFolder(folder, error);
    if (replaced >= 0)
        releaseReplaced(replaced);
    return synced;
}

bool syncFolder(const QString &folder, QString *error)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fail(error, QStringLiteral("Cannot open folder"), folder, errno);
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    const int code = errno;
    ::close(fd);
    if (!synced)
        fail(error, QStringLiteral("Cannot sync folder"), folder, code);
    return synced;
}
