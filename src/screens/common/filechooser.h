#pragma once

// The open and save dialogs of every screen: Qt Widgets' own file dialog, shown over the window
// that asked for it. Not the desktop's dialog: that one speaks the desktop's language rather than
// the one chosen in the app, and differs from desktop to desktop. Not Qt Quick's: in Qt 6.4 its
// save button stays disabled after a folder change until an existing file is picked, Return does
// nothing there, and going up a folder puts the folder's name in place of the proposed one. This
// one saves a typed name or path on Return and keeps the proposed name while the folder changes.

#include "chosenfile.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

struct FileDialogRequest
{
    FileKind kind = FileKind::Event;
    bool save = false;
    // The dialog's object name, by which tests find it.
    QString name;
    // Empty: Qt's own ("Save As", "Open").
    QString title;
    QStringList nameFilters;
    // Save: the name the dialog proposes, selected so that typing replaces it.
    QString proposedName;
    // Save: the file's name for the name typed (its extension added). The dialog asks whether to
    // replace a file that exists under the name completed, the one that will be written.
    std::function<QString(const QString &typed)> completeName;
    // Where the dialog starts (dialogStartFolder()).
    QUrl folder;
};

// The save dialog of an event file named `name`, starting in `folder`; the caller proposes the name.
[[nodiscard]] FileDialogRequest eventSaveRequest(const QString &name, const QUrl &folder);

// The open dialog for an IOF XML file (entries, courses, a start list) named `name`, starting in
// `folder`.
[[nodiscard]] FileDialogRequest iofOpenRequest(const QString &name, const QUrl &folder);

// The completion of a typed name that adds `extension` (".csv") unless the name ends in it.
[[nodiscard]] std::function<QString(const QString &typed)> addingExtension(const QString &extension);

// The save dialog of an export to PDF (else to IOF XML) named `name`, proposing `proposedName`
// and starting where that kind of file was last saved, else in the event file's folder.
[[nodiscard]] FileDialogRequest exportRequest(
    bool pdf, const QString &name, const QString &proposedName, const RaceStore *store);

// Opens the dialog and returns at once: no nested event loop, card reads keep being served. When
// the organiser accepts, the chosen file's folder is remembered for the kind and `chosen` gets the
// file; when they cancel (Escape, Cancel, closing the dialog) `cancelled` runs, if given, and
// nothing else happens. Either runs only while `context` lives; the dialog closes with it. Without
// a widget application there is no dialog, which counts as cancelled.
void chooseFile(const FileDialogRequest &request, QObject *context,
    std::function<void(const QUrl &file)> chosen, std::function<void()> cancelled = {});
