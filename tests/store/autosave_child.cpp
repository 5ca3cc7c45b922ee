// Helper of the crash-safety test: opens an event file in a store and autosaves a generated
// event in a loop until it is killed, announcing each autosave on standard output once its files
// are on disk.
//
// Usage: autosave_child <folder> <entries>

#include "racegenerator.h"
#include "racestore.h"
#include "storefakes.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    RaceGeneratorOptions generator;
    generator.entries = QByteArray(argv[2]).toInt();

    RaceStoreOptions options;
    options.settings
        = std::make_unique<QSettings>(QDir(folder).filePath("settings.ini"), QSettings::IniFormat);
    options.autosaveFolder = QDir(folder).filePath("data");
    options.keyStore = std::make_unique<MemoryKeyStore>();
    RaceStore store(std::move(options));
    Race race = generateRace(generator);
    store.setRace(race);
    if (!store.save(QUrl::fromLocalFile(QDir(folder).filePath("event.vexloevent.json"))))
        return 3;
    for (int round = 0;; ++round) {
        // Each round changes the document so every write replaces the file's contents.
        race.name = QStringLiteral("Round %1").arg(round);
        store.setRace(race);
        store.autosave();
        store.flushAutosave();
        std::printf("saved %d\n", round);
        std::fflush(stdout);
    }
}
