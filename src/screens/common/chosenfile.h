#pragma once

// What every file dialog's answer needs before a screen reads or writes it, and where the save
// and export dialogs start.

#include <QString>
#include <QUrl>

class RaceStore;

// The local file a file dialog's answer stands for, or empty when it names none. Qt 6.4's dialog
// hands back a file: URL for a file picked in its list but a bare path without a scheme for a
// name typed into it; both are accepted, and a relative name is taken inside `folder`. A
// non-empty `extension` (".csv") is added to a name that does not already end in it.
[[nodiscard]] QString chosenLocalPath(
    const QUrl &chosen, const QUrl &folder = {}, const QString &extension = {});

// Where save and export dialogs start: the open event file's folder when it still exists, else
// the home folder (never the working directory).
[[nodiscard]] QUrl exportStartFolder(const RaceStore *store);

// The short confirmation after a file was written: "Saved <file name>".
[[nodiscard]] QString savedFileMessage(const QString &path);
