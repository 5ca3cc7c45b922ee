// Helper of the crash-safety tests. Default mode: opens an event file in a store and autosaves a
// generated event in a loop until it is killed, announcing each autosave on standard output once
// its files are on disk. "cards" mode: reopens the event as a restarted app would (first run:
// generates and saves it), then reads the card of every entry without a result, announcing each
// entry once its recording has returned, and "done" when every entry has one.
//
// Usage: autosave_child <folder> <entries> [cards]

#include "racegenerator.h"
#include "racestore.h"
#include "storefakes.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
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
    if (argc > 3 && QByteArray(argv[3]) == "cards") {
        if (store.race().participants.isEmpty()) {
            generator.stages = 1;
            generator.courses = 4;
            generator.classes = 4;
            generator.withResults = false;
            store.setRace(generateRace(generator));
            if (!store.save(QUrl::fromLocalFile(QDir(folder).filePath("event.vexloevent.json"))))
                return 3;
        }
        std::printf("ready\n");
        std::fflush(stdout);
        const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        const QList<Participant> entries = store.race().participants;
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const Participant &entry = entries.at(i);
            const auto &results = store.race().results;
            if (std::any_of(results.cbegin(), results.cend(),
                    [&](const PersonResult &r) { return r.participantId == entry.id; }))
                continue;
            if (!store.recordCardReading(entry.cardNumber, {}, std::nullopt, start, start.addSecs(1800 + i)))
                return 4;
            std::printf("recorded %s\n", qPrintable(entry.id.toString(QUuid::WithoutBraces)));
            std::fflush(stdout);
        }
        std::printf("done\n");
        std::fflush(stdout);
        return 0;
    }
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
