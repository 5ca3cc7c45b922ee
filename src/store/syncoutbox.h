#pragma once

// A slave's results that the master's event does not hold yet, kept in "sync-outbox.json"
// beside the local autosave: written whole, atomically and synced to disk before any of them is
// sent, so a slave that dies or restarts sends them again and never lets the master's event drop
// them.
// A JSON array of results in the document's own form; an empty outbox is no file.

#include "race.h"

#include <QList>
#include <QString>

class SyncOutboxFile
{
public:
    static const QString fileName;

    explicit SyncOutboxFile(const QString &folder);

    [[nodiscard]] const QString &filePath() const { return m_path; }
    // What the last run left; an unreadable file is moved aside (and logged), never overwritten.
    // When it cannot be moved (a read-only folder), `error` says why and every save first tries
    // again, refusing while it is still in the way.
    [[nodiscard]] QList<PersonResult> load(QString *error = nullptr) const;
    // A failure is logged and its reason given in `error`; the previous file stays.
    bool save(const QList<PersonResult> &results, QString *error = nullptr) const;
    // Whether an unreadable file load() found is still in the way.
    [[nodiscard]] bool holdsDamagedFile() const { return m_damagedInTheWay; }

private:
    bool keepDamagedFile(QString *error) const;

    QString m_path;
    mutable bool m_damagedInTheWay = false;
};
