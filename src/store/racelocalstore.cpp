#include "racelocalstore.h"

#include "autosavewriter.h"
#include "log.h"
#include "racejson.h"
#include "wholefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>

const QString RaceLocalStore::fileName = QStringLiteral("current-race.json");

RaceLocalStore::RaceLocalStore(const QString &folder)
{
    const QString dir = folder.isEmpty() ? defaultFolder() : folder;
    QDir().mkpath(dir);
    m_filePath = QDir(dir).filePath(fileName);
}

QString RaceLocalStore::defaultFolder()
{
    // Fixed to "Vexlo" rather than the application's organisation/name pair, so the location does
    // not depend on how the process was started.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty() || !QDir().mkpath(base))
        base = QDir::tempPath();
    return QDir(base).filePath(QStringLiteral("Vexlo"));
}

bool RaceLocalStore::save(const Race &race)
{
    if (!keepDamagedFile())
        return false;
    if (const auto error = writeRaceFile(race, JsonLayout::Compact, m_filePath)) {
        logLine(QStringLiteral("RaceStore: local autosave failed: ") + *error);
        m_lastError = *error;
        return false;
    }
    m_lastError.clear();
    return true;
}

std::optional<Race> RaceLocalStore::loadAtStartUp()
{
    QFile file(m_filePath);
    if (!file.exists())
        return std::nullopt;
    if (const std::optional<QByteArray> bytes = readWholeFile(m_filePath)) {
        if (auto race = decodeRace(*bytes))
            return race;
    }
    m_damagedInTheWay = true;
    keepDamagedFile();
    return std::nullopt;
}

bool RaceLocalStore::keepDamagedFile()
{
    if (!m_damagedInTheWay)
        return true;
    QFile file(m_filePath);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QFileInfo info(m_filePath);
    QString aside;
    for (int n = 0;; ++n) {
        aside = info.dir().filePath(QStringLiteral("current-race.unreadable-%1%2.json")
                                        .arg(stamp, n == 0 ? QString() : QStringLiteral("-%1").arg(n)));
        if (!QFileInfo::exists(aside))
            break;
    }
    // A plain rename: QFile's would fall back on copying, and a copy left behind by each failed
    // try would pile up at every retry.
    const bool gone = !file.exists(); // moved by the organiser meanwhile: nothing left to destroy
    if (gone
        || ::rename(QFile::encodeName(m_filePath).constData(), QFile::encodeName(aside).constData()) == 0) {
        if (!gone)
            logLine(QStringLiteral("RaceStore: unreadable local autosave kept as ") + aside);
        m_damagedInTheWay = false;
        m_lastError.clear();
        return true;
    }
    const QString error = QStringLiteral("The autosave %1 is damaged and could not be moved aside (%2); "
                                         "nothing is saved over it until it can be")
                              .arg(QDir::toNativeSeparators(m_filePath), qt_error_string(errno));
    if (error != m_lastError)
        logLine(QStringLiteral("RaceStore: ") + error);
    m_lastError = error;
    return false;
}
