#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Writes `bytes` to a temporary file beside `path`, syncs it, moves it into place and syncs the
// folder, so `path` always holds either its old or its new complete contents, even when the
// process dies or the power goes mid-write. Every step is checked: true means the new contents
// and the rename are on disk. On failure `path` is untouched, the temporary file is gone and
// `error` holds the step that failed and the system's reason ("No space left on device").
[[nodiscard]] bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);

// Flushes the folder's entries (a new or renamed file in it) to disk. False, with the reason in
// `error` (when given), when the folder cannot be opened or synced.
bool syncFolder(const QString &folder, QString *error = nullptr);

// The part of a large write that went past the page cache: bytes [from, to) of it.
struct BlocksWritten
{
    qsizetype from = 0;
    qsizetype to = 0;
    // 0, or the system's reason the direct write stopped at `to`.
    int code = 0;
};

// For a write of `bytes` at `offset` of the open file `fd`, made through the page cache otherwise
// (the file's own flags are left as they are): from 8 MiB on, writes the whole 4 KiB blocks among
// them past the page cache, as writeFileAtomically does a large file, and tells which bytes those
// were. An empty range for a smaller write or where the file system takes no direct writes. The
// caller writes the rest, before `from` and from `to` on, then syncs the file as after any write.
[[nodiscard]] BlocksWritten writeBlocksPastCache(int fd, QByteArrayView bytes, qint64 offset);
