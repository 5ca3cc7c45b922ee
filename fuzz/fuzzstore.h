#pragma once

// Shared by the fuzz targets that drive the store: one RaceStore for the whole run, in a private
// temporary folder (its own settings file, autosave folder and an in-memory key store), writing
// on the calling thread so every operation's files are on disk when it returns. A standalone
// station with no publisher set up: nothing leaves the machine. The folder lies in memory where
// the machine has a tmpfs: every write is synced to disk, which would otherwise set the pace.

#include "fuzzreadback.h"
#include "keystore.h"
#include "racejson.h"
#include "racestore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QTemporaryDir>

#include <memory>

class FuzzKeyStore : public KeyStore
{
public:
    void read(
        const QString &service, const QString &account, std::function<void(KeyStoreAnswer)> done) override
    {
        auto it = m_entries.constFind(service + u'\n' + account);
        done(KeyStoreAnswer {it == m_entries.constEnd() ? std::nullopt : std::optional<QString>(*it), {}});
    }
    void save(const QString &service, const QString &account, const QString &value) override
    {
        m_entries.insert(service + u'\n' + account, value);
    }
    void remove(const QString &service, const QString &account) override
    {
        m_entries.remove(service + u'\n' + account);
    }

private:
    QHash<QString, QString> m_entries;
};

class FuzzStore
{
public:
    // The clock the store's operations take as "now" (the day a typed time falls on when the
    // event names none).
    static QDateTime now() { return QDateTime(QDate(2025, 5, 17), QTime(14, 0), Qt::UTC); }

    static FuzzStore &instance()
    {
        static FuzzStore fuzzStore;
        return fuzzStore;
    }

    RaceStore &store() { return *m_store; }

    // The event as the local autosave holds it on disk now.
    [[nodiscard]] QByteArray autosaveBytes() const
    {
        QFile f(m_store->localStore().filePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // The store's event is one the app can save and reopen: it encodes, the bytes decode to an
    // event that encodes to the same bytes, and the autosave on disk reads back as that event.
    void checkSavesAndReadsBack(const QByteArray &input)
    {
        const QByteArray first = checkReadsBack(m_store->race(), "a stored event", input);
        QString error;
        if (!m_store->autosaveError().isEmpty())
            fuzzFailure(
                "the store could not save its event", m_store->autosaveError().toUtf8() + '\n' + input);
        const auto saved = decodeRace(autosaveBytes(), &error);
        if (!saved)
            fuzzFailure("the autosave does not decode", error.toUtf8() + '\n' + input);
        if (encodeRace(*saved, JsonLayout::Compact) != first)
            fuzzFailure("the autosave is not the stored event", first);
    }

private:
    FuzzStore()
    {
        quietFuzzing();
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        m_app = std::make_unique<QCoreApplication>(argc, argv);
        if (!m_dir.isValid())
            fuzzFailure("no private temporary folder");
        RaceStoreOptions options;
        options.settings = std::make_unique<QSettings>(
            m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        options.autosaveFolder = m_dir.filePath(QStringLiteral("data"));
        options.keyStore = std::make_unique<FuzzKeyStore>();
        options.clock = [] { return now(); };
        options.backgroundAutosave = false;
        m_store = std::make_unique<RaceStore>(std::move(options));
    }

    static QString folderTemplate()
    {
        const QFileInfo memory(QStringLiteral("/dev/shm"));
        const QString parent = memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
        return parent + QStringLiteral("/vexlo-fuzz-XXXXXX");
    }

    std::unique_ptr<QCoreApplication> m_app;
    QTemporaryDir m_dir {folderTemplate()};
    std::unique_ptr<RaceStore> m_store;
};
