#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to a temporary file beside `path` and moves it into place, so `path` always
// holds either its old or its new complete contents, even when the process dies mid-write.
// On failure `path` is untouched and `error` holds the reason.
[[nodiscard]] bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);

// Flushes the folder's entries (a new or renamed file in it) to disk; failures are ignored: the
// file itself is already durable.
void syncFolder(const QString &folder);
