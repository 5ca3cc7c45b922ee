#pragma once

#include "racestore.h"
#include "storefakes.h"

#include <QDir>
#include <QSettings>

// A store's options for the folder `folder`, as the application keeps its own: the settings file
// "settings.ini" and the autosave folder `autosave` in it, and a key store in memory.
inline RaceStoreOptions storeOptionsIn(
    const QString &folder, const QString &autosave = QStringLiteral("data"))
{
    RaceStoreOptions options;
    options.settings = std::make_unique<QSettings>(
        QDir(folder).filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    options.autosaveFolder = QDir(folder).filePath(autosave);
    options.keyStore = std::make_unique<MemoryKeyStore>();
    return options;
}
