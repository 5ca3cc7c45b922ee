// Helper of the crash-safety tests. Default mode: opens an event file in a store and autosaves a
// generated event in a loop until it is killed, announcing each autosave on standard output once
// its files are on disk. "cards" mode: reopens the event as a restarted app would (first run:
// generates and saves it), then reads the card of every entry without a result, announcing each
// entry once its recording has returned, and "done" when every entry has one.
//
// "operations" mode: the same start, then a stream of store operations of every kind the
// screens call (crashoperations.h), each announced with its keys' values before it runs
// ("begin <n> <kind>", then "set <key>\t<before>\t<after>" lines) and acknowledged once it has
// returned ("ack <n>"). Seeded by the fourth argument. A second event in a file of its own is
// made on the first run; "file <name>" before "ready" names the event file open.
//
// Usage: autosave_child <folder> <entries> [cards | operations <seed>]

#include "childprogram.h"
#include "crashoperations.h"
#include "racegenerator.h"
#include "racestore.h"
#include "storeoptions.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    RaceGeneratorOptions generator;
    generator.entries = QByteArray(argv[2]).toInt();

    RaceStoreOptions options = storeOptionsIn(folder);
    // The application's schedule: the full files at most every 10 seconds, the journal at once.
    options.fullWriteGap = std::chrono::seconds(10);
    RaceStore store(std::move(options));
    const bool operations = argc > 4 && QByteArray(argv[3]) == "operations";
    if (operations || (argc > 3 && QByteArray(argv[3]) == "cards")) {
        if (store.race().participants.isEmpty()) {
            generator.stages = operations ? 2 : 1;
            generator.courses = 4;
            generator.classes = 4;
            generator.withResults = false;
            if (operations) {
                // A second event in a file of its own, for the organiser to switch to.
                RaceGeneratorOptions other = generator;
                other.seed = generator.seed + 1;
                Race race = generateRace(other);
                race.name = QStringLiteral("Other event");
                store.setRace(race);
                if (!store.save(QUrl::fromLocalFile(QDir(folder).filePath("other.vexloevent.json"))))
                    return 3;
            }
            store.setRace(generateRace(generator));
            if (!store.save(QUrl::fromLocalFile(QDir(folder).filePath("event.vexloevent.json"))))
                return 3;
        }
        if (operations)
            announce("file " + crashops::stateValue(store, QStringLiteral("file")).toLocal8Bit() + '\n');
        announce("ready\n");
        if (operations) {
            QRandomGenerator random(QByteArray(argv[4]).toUInt());
            for (int index = QByteArray(argv[4]).toInt() * 100000;; ++index) {
                const crashops::Operation op = crashops::makeOperation(store, random, index, folder);
                if (op.run) {
                    QByteArray begin = "begin " + QByteArray::number(index) + ' ' + op.kind.toUtf8() + '\n';
                    for (qsizetype k = 0; k < op.keys.size(); ++k)
                        begin += "set " + op.keys[k].toUtf8() + '\t'
                            + crashops::stateValue(store, op.keys[k]).toUtf8() + '\t' + op.values[k].toUtf8()
                            + '\n';
                    announce(begin);
                    op.run();
                    announce("ack " + QByteArray::number(index) + '\n');
                }
            }
        }
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
            announce("recorded " + entry.id.toString(QUuid::WithoutBraces).toLatin1() + '\n');
        }
        announce("done\n");
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
        announce("saved " + QByteArray::number(round) + '\n');
    }
}
