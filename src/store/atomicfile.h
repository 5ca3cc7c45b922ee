#pragma once

#include <QByteArray>
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
