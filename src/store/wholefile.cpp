#include "wholefile.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Smaller files are read in one go: threads would cost more than they save.
constexpr qint64 parallelFrom = 16 * 1024 * 1024;
constexpr int maxReaders = 4;

// Reads [offset, offset + length) of `fd` into `out`; false on an error or an early end.
bool readRange(int fd, char *out, qint64 offset, qint64 length)
{
    while (length > 0) {
        const ssize_t got = ::pread(fd, out, size_t(std::min<qint64>(length, 1 << 30)), off_t(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        out += got;
        offset += got;
        length -= got;
    }
    return true;
}

qint64 sizeOf(int fd)
{
    struct stat st
    { };
    return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? qint64(st.st_size) : -1;
}

} // namespace

std::optional<QByteArray> readWholeFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    const int fd = file.handle();
    const qint64 size = sizeOf(fd);
    const int readers = std::min<int>(maxReaders, int(std::max(1u, std::thread::hardware_concurrency())));
    if (size < parallelFrom || readers < 2)
        return file.readAll();

    QByteArray bytes(size, Qt::Uninitialized);
    char *const buffer = bytes.data();
    const qint64 part = (size / readers + 4095) / 4096 * 4096;
    std::atomic<bool> failed = false;
    std::vector<std::thread> threads;
    for (int i = 1; i < readers; ++i) {
        const qint64 offset = std::min(size, part * i);
        const qint64 length = std::min(size, offset + part) - offset;
        const auto readPart = [&, offset, length] {
            if (!readRange(fd, buffer + offset, offset, length))
                failed = true;
        };
        // Where the system has no thread to spare, this part is read here: a refused thread must
        // never leave the started ones running when the vector goes.
        try {
            threads.emplace_back(readPart);
        } catch (const std::system_error &) {
            readPart();
        }
    }
    if (!readRange(fd, buffer, 0, std::min(size, part)))
        failed = true;
    for (std::thread &t : threads)
        t.join();
    if (failed || sizeOf(fd) != size) {
        // Changed while read, or cut short: one read to its end, as ever.
        file.seek(0);
        return file.readAll();
    }
    return bytes;
}
