#include "syncoutbox.h"

#include "atomicfile.h"
#include "log.h"
#include "racejson.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

const QString SyncOutboxFile::fileName = QStringLiteral("sync-outbox.json");

SyncOutboxFile::SyncOutboxFile(const QString &folder)
    : m_path(QDir(folder).filePath(fileName))
{ }

QList<PersonResult> SyncOutboxFile::load() const
{
    QFile file(m_path);
    if (!file.exists())
        return {};
    QString error;
    QList<PersonResult> results;
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
    } else {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
        file.close();
        if (!document.isArray())
            error = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                 : QStringLiteral("not a list of results");
        const QJsonArray array = document.array();
        for (qsizetype i = 0; error.isEmpty() && i < array.size(); ++i) {
            QString why;
            const auto result = array.at(i).isObject()
                ? personResultFromJsonObject(array.at(i).toObject(), &why)
                : std::nullopt;
            if (result)
                results.append(*result);
            else
                error = QStringLiteral("result %1: %2")
                            .arg(i)
                            .arg(why.isEmpty() ? QStringLiteral("not an object") : why);
        }
    }
    if (error.isEmpty())
        return results;
    // Possibly the only copy of results the master never got: kept for the organiser.
    const QString aside = m_path + QStringLiteral(".unreadable-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    QFile::rename(m_path, aside);
    logLine(QStringLiteral("SyncEngine: unsent results unreadable (%1), moved to %2").arg(error, aside));
    return {};
}

bool SyncOutboxFile::save(const QList<PersonResult> &results, QString *error) const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (results.isEmpty()) {
        QFile file(m_path);
        if (file.exists() && !file.remove()) {
            logLine(QStringLiteral("SyncEngine: could not remove %1: %2").arg(m_path, file.errorString()));
            if (error)
                *error = file.errorString();
            return false;
        }
        syncFolder(folder);
        return true;
    }
    QByteArray json = "[";
    for (const PersonResult &result : results) {
        const auto encoded = encodePersonResult(result, JsonLayout::Compact);
        if (!encoded)
            continue; // cannot be sent either
        if (json.size() > 1)
            json += ',';
        json += *encoded;
    }
    json += ']';
    QString why;
    QDir().mkpath(folder);
    if (!writeFileAtomically(m_path, json, &why)) {
        logLine(QStringLiteral("SyncEngine: could not keep unsent results: ") + why);
        if (error)
            *error = why;
        return false;
    }
    syncFolder(folder);
    return true;
}
