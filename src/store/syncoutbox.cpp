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

#include <cerrno>
#include <cstdio>

const QString SyncOutboxFile::fileName = QStringLiteral("sync-outbox.json");

SyncOutboxFile::SyncOutboxFile(const QString &folder)
    : m_path(QDir(folder).filePath(fileName))
{ }

QList<PersonResult> SyncOutboxFile::load(QString *keptError) const
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
    logLine(QStringLiteral("SyncEngine: unsent results unreadable (%1)").arg(error));
    // Possibly the only copy of results the master never got: kept for the organiser.
    m_damagedInTheWay = true;
    keepDamagedFile(keptError);
    return {};
}

bool SyncOutboxFile::keepDamagedFile(QString *error) const
{
    if (!m_damagedInTheWay)
        return true;
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString aside;
    for (int n = 0;; ++n) {
        aside = m_path + QStringLiteral(".unreadable-") + stamp
            + (n == 0 ? QString() : QStringLiteral("-%1").arg(n));
        if (!QFileInfo::exists(aside))
            break;
    }
    // A plain rename: a copy left behind by each failed try would pile up.
    const bool gone = !QFileInfo::exists(m_path); // moved by the organiser meanwhile
    if (gone || ::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(aside).constData()) == 0) {
        if (!gone)
            logLine(QStringLiteral("SyncEngine: unreadable unsent results moved to ") + aside);
        m_damagedInTheWay = false;
        return true;
    }
    const QString why = qt_error_string(errno);
    logLine(QStringLiteral("SyncEngine: unreadable unsent results could not be moved aside: ") + why);
    if (error)
        *error = QStringLiteral("a damaged file in its place could not be moved aside: ") + why;
    return false;
}

bool SyncOutboxFile::save(const QList<PersonResult> &results, QString *error) const
{
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!keepDamagedFile(error))
        return false;
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
