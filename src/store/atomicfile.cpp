#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
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
} // namespace

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
    // The permissions a new file would get: mkostemp makes it private to the owner.
    if (QFileInfo::exists(path)) {
        struct stat old
        { };
        if (::stat(QFile::encodeName(path).constData(), &old) == 0)
            ::fchmod(fd, old.st_mode & 07777);
    } else {
        ::fchmod(fd, 0666 & ~fileMask());
    }
    // Written back in slices as it goes: on a file system that orders data before metadata
    // (ext4), every other file's sync (the change journal's, on each card read) waits for the
    // dirty data of this one, which then never exceeds a slice.
    constexpr qsizetype slice = qsizetype(1) << 20;
    qsizetype done = 0;
    qsizetype flushed = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(std::min(bytes.size() - done, slice)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon(QStringLiteral("Cannot write"), n < 0 ? errno : ENOSPC);
        done += n;
        if (done - flushed >= slice || done == bytes.size()) {
            ::sync_file_range(fd, flushed, done - flushed,
                SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
            flushed = done;
        }
    }
    if (::fsync(fd) != 0)
        return abandon(QStringLiteral("Cannot sync"), errno);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        fail(error, QStringLiteral("Cannot write"), temporaryPath, code);
        return false;
    }
    if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        const int code = errno;
        ::unlink(temporary.constData());
        fail(error, QStringLiteral("Cannot replace"), path, code);
        return false;
    }
    // Until the folder is synced a power cut can bring the old file back; whoever trims what the
    // new contents made redundant (the change journal) must know it has not happened.
    return syncFolder(folder, error);
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
