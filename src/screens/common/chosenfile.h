#pragma once

// What every file dialog's answer needs before a screen reads or writes it, and where the open
// and save dialogs start.

#include <QString>
#include <QUrl>

class RaceStore;

// The local file a file dialog's answer stands for, or empty when it names none. Qt 6.4's dialog
// hands back a file: URL for a file picked in its list but a bare path without a scheme for a
// name typed into it; both are accepted, and a relative name is taken inside `folder`. A
// non-empty `extension` (".csv") is added to a name that does not already end in it.
[[nodiscard]] QString chosenLocalPath(
    const QUrl &chosen, const QUrl &folder = {}, const QString &extension = {});

// `path` as an event file's: ending in ".vexloevent.json", a ".json" or ".vexloevent" it ends in
// made the whole suffix.
[[nodiscard]] QString withEventFileSuffix(const QString &path);

// The kinds of file the dialogs tell apart: each starts in the folder last chosen for its own
// kind, so that exports do not start where the event file was last saved and the other way round.
// IOF XML counts as one kind whether read or written.
enum class FileKind { Event, Iof, Pdf, Csv };

// The folder of the open event's file while it exists; empty for none.
[[nodiscard]] QString eventFileFolder(const RaceStore *store);

// Where a dialog for `kind` starts: the folder last chosen for that kind (kept in the
// application's settings) while it still exists, else `fallback` while it exists, else the home
// folder (never the working directory).
[[nodiscard]] QUrl dialogStartFolder(FileKind kind, const QString &fallback = {});
// The same with the open event file's folder as the fallback.
[[nodiscard]] QUrl dialogStartFolder(FileKind kind, const RaceStore *store);
// Keeps the folder holding `file` as the one last chosen for `kind`.
void rememberDialogFolder(FileKind kind, const QString &file);

// The short confirmation after a file was written: "Saved <file name>".
[[nodiscard]] QString savedFileMessage(const QString &path);
