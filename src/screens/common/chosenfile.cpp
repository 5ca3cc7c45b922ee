#include "chosenfile.h"

#include "localization.h"
#include "racestore.h"

#include <QDir>
#include <QFileInfo>

QString chosenLocalPath(const QUrl &chosen, const QUrl &folder, const QString &extension)
{
    QString path;
    if (chosen.isLocalFile())
        path = chosen.toLocalFile();
    else if (chosen.scheme().isEmpty())
        path = chosen.path();
    if (path.isEmpty())
        return {};
    if (QDir::isRelativePath(path)) {
        const QString base = folder.isLocalFile() ? folder.toLocalFile() : QDir::homePath();
        path = QDir(base).filePath(path);
    }
    path = QDir::cleanPath(path);
    if (!extension.isEmpty() && !QFileInfo(path).isDir() && !path.endsWith(extension, Qt::CaseInsensitive))
        path += extension;
    return path;
}

QUrl exportStartFolder(const RaceStore *store)
{
    if (store && store->raceFileUrl().isLocalFile()) {
        const QString folder = QFileInfo(store->raceFileUrl().toLocalFile()).absolutePath();
        if (QFileInfo(folder).isDir())
            return QUrl::fromLocalFile(folder);
    }
    return QUrl::fromLocalFile(QDir::homePath());
}

QString savedFileMessage(const QString &path)
{
    return localized(QStringLiteral("Saved %@"), {QFileInfo(path).fileName()});
}
