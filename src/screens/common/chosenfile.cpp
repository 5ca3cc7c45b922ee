#include "chosenfile.h"

#include "localization.h"
#include "racestore.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

// The event kind's key is older than the others: folders remembered before keep being used.
QString folderKey(FileKind kind)
{
    switch (kind) {
    case FileKind::Event:
        return QStringLiteral("lastEventFolder");
    case FileKind::Iof:
        return QStringLiteral("lastIofFolder");
    case FileKind::Pdf:
        return QStringLiteral("lastPdfFolder");
    case FileKind::Csv:
        return QStringLiteral("lastCsvFolder");
    }
    return {};
}

} // namespace

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

QString withEventFileSuffix(const QString &path)
{
    const QString suffix = QStringLiteral(".vexloevent.json");
    if (path.endsWith(suffix))
        return path;
    for (const QString &partial : {QStringLiteral(".vexloevent"), QStringLiteral(".json")}) {
        if (path.endsWith(partial))
            return path.chopped(partial.size()) + suffix;
    }
    return path + suffix;
}

QString eventFileFolder(const RaceStore *store)
{
    if (!store || !store->raceFileUrl().isLocalFile())
        return {};
    const QString folder = QFileInfo(store->raceFileUrl().toLocalFile()).absolutePath();
    return QFileInfo(folder).isDir() ? folder : QString();
}

QUrl dialogStartFolder(FileKind kind, const QString &fallback)
{
    for (const QString &folder : {QSettings().value(folderKey(kind)).toString(), fallback}) {
        if (!folder.isEmpty() && QDir::isAbsolutePath(folder) && QFileInfo(folder).isDir())
            return QUrl::fromLocalFile(QDir::cleanPath(folder));
    }
    return QUrl::fromLocalFile(QDir::homePath());
}

QUrl dialogStartFolder(FileKind kind, const RaceStore *store)
{
    return dialogStartFolder(kind, eventFileFolder(store));
}

void rememberDialogFolder(FileKind kind, const QString &file)
{
    QSettings().setValue(folderKey(kind), QFileInfo(file).absolutePath());
}

QString savedFileMessage(const QString &path)
{
    return localized(QStringLiteral("Saved %@"), {QFileInfo(path).fileName()});
}
