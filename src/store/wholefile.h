#pragma once

// Reading a whole file into memory, for the event file and the local autosave.

#include <QByteArray>
#include <QString>

#include <optional>

// The whole of the file at `path`, or nullopt with `error` set to the reason when it cannot be
// opened. A large regular file is read by several threads at once, each into its own part of the
// buffer: for the event file the system's zeroing of the fresh pages and the copy from the page
// cache cost more than half the decode, and that work divides between the cores. A file that
// changes size while it is read is read again from the start, as one read to its end.
[[nodiscard]] std::optional<QByteArray> readWholeFile(const QString &path, QString *error = nullptr);
