#pragma once

#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

// Every regular file under `folder` whose bytes contain `needle`.
inline QStringList filesContaining(const QString &folder, const QByteArray &needle)
{
    QStringList hits;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            hits.append(file.fileName());
    }
    return hits;
}
