#pragma once

// The local autosave: "current-race.json" in the user's data folder under "Vexlo", always holding
// the latest state of the open event, saved or not. Written compactly, whole and atomically.

#include "race.h"

#include <QString>
#include <QUrl>

#include <optional>

class RaceLocalStore
{
public:
    static const QString fileName;

    // `folder` empty: defaultFolder(). The folder is created when missing; a failure shows up as
    // failing saves.
    explicit RaceLocalStore(const QString &folder = {});

    // The per-user data folder's "Vexlo" subfolder (~/.local/share/Vexlo on Linux), else the
    // temporary folder's "Vexlo".
    [[nodiscard]] static QString defaultFolder();

    [[nodiscard]] const QString &filePath() const { return m_filePath; }
    [[nodiscard]] QUrl url() const { return QUrl::fromLocalFile(m_filePath); }

    // A failure is logged and leaves the previous file in place; returns whether the file was
    // written. Refused while a damaged file start-up found is still in the way (see below).
    bool save(const Race &race);
    // Why the last save failed (empty after a success), or why a damaged file is in the way.
    [[nodiscard]] const QString &lastError() const { return m_lastError; }

    // The start-up read: the decoded document, or nothing when the file is missing or unusable.
    // An unusable file is moved aside (and that logged) so that the next autosave cannot destroy
    // what may be the organiser's only copy of the event. When it cannot be moved (a read-only
    // folder), lastError() says so and no write replaces it until keepDamagedFile() succeeds.
    [[nodiscard]] std::optional<Race> loadAtStartUp();
    // Moves a damaged file start-up could not move aside out of the way now; true when nothing
    // damaged is in the way of a write (any more). Every writer of filePath() asks first.
    bool keepDamagedFile();

private:
    QString m_filePath;
    QString m_lastError;
    bool m_damagedInTheWay = false;
};
