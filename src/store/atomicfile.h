#pragma once

#include <QByteArray>
#include <QString>

// Writes `bytes` to a temporary file beside `path` and moves it into place, so `path` always
// holds either its old or its new complete contents, even when the process dies mid-write.
// On failure `path` is untouched and `error` holds the reason.
[[nodiscard]] bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error);
