#include "atomicfile.h"
#include "casetable.h"
#include "crashoperations.h"
#include "log.h"
#include "racejournal.h"
#include "racejson.h"
#include "storeharness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The journal's file once its space ahead is written: zeros follow the records.
QByteArray withSpaceAhead(const QString &path)
{
    QByteArray bytes;
    (void)QTest::qWaitFor(
        [&] {
            bytes = StoreHarness::readAll(path);
            return bytes.size() - RaceJournal::usedLength(bytes) >= RaceJournal::aheadLow;
        },
        testwaits::ceilingMs);
    return bytes;
}

// The results a replay of `bytes` onto journal/snapshot.json (every record new to it) adds.
RaceJournal::Replay replayOntoSnapshot(const QByteArray &bytes, qsizetype *added)
{
    Race race = storeTestEvent("journal/snapshot.json");
    race.journalEventId = eventE;
    race.journalThrough = 0;
    const qsizetype before = race.results.size();
    const RaceJournal::Replay replay = RaceJournal::replay(race, bytes);
    *added = race.results.size() - before;
    return replay;
}
} // namespace

// Kills a process while it autosaves a large event, many times over, at varying points of the
// write; both the local autosave and the open event file must always decode afterwards.
class TestAutosaveCrash : public QObject
{
    Q_OBJECT

private slots:
    void killedWhileSavingLeavesWholeFiles()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QRandomGenerator random(20250517);
        const QString autosave = dir.filePath(QStringLiteral("data/current-race.json"));
        const QString eventFile = dir.filePath(QStringLiteral("event.vexloevent.json"));
        int lastRound = -1;
        constexpr int kills = 10;
        for (int kill = 0; kill < kills; ++kill) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QStringLiteral(AUTOSAVE_CHILD), {dir.path(), QStringLiteral("1500")});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            // Wait for a varying number of finished autosaves, then kill in the middle of the next
            // writes: the point within the write differs from round to round with the reads.
            const int waitFor = 1 + int(random.bounded(3));
            int seen = 0;
            while (seen < waitFor) {
                QVERIFY2(child.waitForReadyRead(120000), "the helper stopped saving");
                while (child.canReadLine()) {
                    const QByteArray line = child.readLine();
                    if (line.startsWith("saved "))
                        ++seen;
                }
            }
            // Let the next write get under way for a random share of its duration.
            QTest::qWait(int(random.bounded(40)));
            child.kill();
            QVERIFY(child.waitForFinished(30000));

            for (const QString &path : {autosave, eventFile}) {
                QFile file(path);
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
                QString error;
                const auto race = decodeRace(file.readAll(), &error);
                QVERIFY2(race, qPrintable(path + QStringLiteral(": ") + error));
                QCOMPARE(race->participants.size(), 1500);
                if (path == autosave) {
                    QVERIFY(race->name.startsWith(QStringLiteral("Round ")));
                    lastRound = race->name.mid(6).toInt();
                }
            }
        }
        QVERIFY(lastRound >= 0);
    }

    // Kills the app at random points of a stream of card reads. After every restart each result
    // whose recording returned is there exactly once, and both files read back. The number of
    // kills is VEXLO_CRASH_KILLS (default: a short run for every ctest; raise it for a soak).
    void killedWhileReadingCardsKeepsEveryRecordedResult()
    {
        const int kills = qEnvironmentVariableIntValue("VEXLO_CRASH_KILLS") > 0
            ? qEnvironmentVariableIntValue("VEXLO_CRASH_KILLS")
            : 40;
        QRandomGenerator random(20261206);
        auto dir = std::make_unique<QTemporaryDir>();
        QSet<QString> recorded;
        for (int kill = 0; kill < kills; ++kill) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QStringLiteral(AUTOSAVE_CHILD),
                {dir->path(), QStringLiteral("300"), QStringLiteral("cards")});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            QByteArray out;
            while (!out.contains("ready\n")) {
                QVERIFY2(child.waitForReadyRead(120000), "the helper did not start");
                out += child.readAllStandardOutput();
            }
            QTest::qWait(int(random.bounded(60)));
            // The helper may have read every card and ended already.
            child.kill();
            child.waitForFinished(30000);
            QCOMPARE(child.state(), QProcess::NotRunning);
            out += child.readAllStandardOutput();
            bool done = false;
            for (const QByteArray &line : out.split('\n')) {
                if (line.startsWith("recorded "))
                    recorded.insert(QString::fromLatin1(line.mid(9)));
                done = done || line == "done";
            }

            // The restart, as the app does it: event file, then the journal replayed onto it.
            {
                RaceStore store(storeOptionsIn(dir->path()));
                QHash<QString, int> perEntry;
                QSet<QUuid> ids;
                for (const PersonResult &result : store.race().results) {
                    ++perEntry[result.participantId.toString(QUuid::WithoutBraces)];
                    QVERIFY2(!ids.contains(result.id), "a result stored twice");
                    ids.insert(result.id);
                }
                for (const QString &id : std::as_const(recorded))
                    QVERIFY2(perEntry.value(id) == 1,
                        qPrintable(QStringLiteral("kill %1: entry %2 has %3 results")
                                       .arg(kill)
                                       .arg(id)
                                       .arg(perEntry.value(id))));
            }
            for (const QString &name :
                {QStringLiteral("data/current-race.json"), QStringLiteral("event.vexloevent.json")}) {
                QFile file(QDir(dir->path()).filePath(name));
                if (!file.exists() && recorded.isEmpty())
                    continue; // killed before the event was first saved
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
                QVERIFY2(decodeRace(file.readAll()), qPrintable(name));
            }
            if (done) {
                dir = std::make_unique<QTemporaryDir>();
                recorded.clear();
            }
        }
    }

    // Kills the app at random points of a stream of store operations of every kind the screens
    // call. After every restart each acknowledged operation's values are there, the operation
    // under way at the kill is there whole or not at all, no card read counts twice and every
    // reference holds. The organiser switches between event files too: the restarted store holds
    // the file last switched to, and every other file still holds what was acknowledged while it
    // was open. VEXLO_CRASH_KILLS as above.
    void killedDuringEveryOperationKindLosesNothing()
    {
        const int kills = qEnvironmentVariableIntValue("VEXLO_CRASH_KILLS") > 0
            ? qEnvironmentVariableIntValue("VEXLO_CRASH_KILLS")
            : 40;
        QRandomGenerator random(20261207);
        QTemporaryDir dir;
        // Per event file: each acknowledged key's value.
        QHash<QString, QHash<QString, QString>> acknowledged;
        QString current;
        QHash<QString, int> killedDuring;
        int landed = 0;
        const QString file = QStringLiteral("file");
        for (int kill = 0; kill < kills; ++kill) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QStringLiteral(AUTOSAVE_CHILD),
                {dir.path(), QStringLiteral("300"), QStringLiteral("operations"), QString::number(kill + 1)});
            QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
            QByteArray out;
            while (!out.contains("ready\n")) {
                QVERIFY2(child.waitForReadyRead(120000), "the helper did not start");
                out += child.readAllStandardOutput();
            }
            QTest::qWait(int(random.bounded(80)));
            child.kill();
            child.waitForFinished(30000);
            QCOMPARE(child.state(), QProcess::NotRunning);
            out += child.readAllStandardOutput();

            // The operations announced, in order; the last may be unacknowledged (under way).
            struct Announced
            {
                QString kind;
                QList<std::array<QString, 3>> sets;
                bool acknowledged = false;
            };
            QList<Announced> announced;
            // A kill can cut the last line (a long announcement is more than one write to the
            // pipe): it is left out; its operation had not started.
            QList<QByteArray> lines = out.split('\n');
            lines.removeLast();
            for (const QByteArray &raw : std::as_const(lines)) {
                const QString line = QString::fromUtf8(raw);
                if (line.startsWith(QStringLiteral("file "))) {
                    // The restart before opened the file the last switch left open.
                    if (current.isEmpty())
                        current = line.mid(5);
                    QCOMPARE(line.mid(5), current);
                } else if (line.startsWith(QStringLiteral("begin "))) {
                    announced.append({line.section(u' ', 2), {}, false});
                } else if (line.startsWith(QStringLiteral("set ")) && !announced.isEmpty()) {
                    const QStringList cells = line.mid(4).split(u'\t');
                    QCOMPARE(cells.size(), 3);
                    announced.last().sets.append({cells[0], cells[1], cells[2]});
                } else if (line.startsWith(QStringLiteral("ack ")) && !announced.isEmpty()) {
                    announced.last().acknowledged = true;
                }
            }
            // An operation's values land in the file open when it began; a switch's in the file
            // it switches to, which from then on is the open one.
            auto apply = [&](const Announced &op, bool after) {
                const auto switched = std::find_if(op.sets.cbegin(), op.sets.cend(),
                    [&](const std::array<QString, 3> &set) { return set[0] == file; });
                if (after && switched != op.sets.cend()) {
                    const QString to = (*switched)[2];
                    if (op.kind == QStringLiteral("saveAs"))
                        acknowledged[to] = acknowledged.value(current);
                    else if (op.kind == QStringLiteral("newEvent"))
                        acknowledged[to].clear();
                    current = to;
                }
                for (const auto &set : op.sets)
                    if (set[0] != file)
                        acknowledged[current].insert(set[0], after ? set[2] : set[1]);
            };
            std::optional<Announced> underWay;
            for (const Announced &op : std::as_const(announced)) {
                if (op.acknowledged)
                    apply(op, true);
                else
                    underWay = op;
            }

            RaceStore store(storeOptionsIn(dir.path()));
            const Race &race = store.race();
            const QStringList broken = crashops::brokenReferences(race);
            QVERIFY2(
                broken.isEmpty(), qPrintable(QStringLiteral("kill %1: ").arg(kill) + broken.join(u'\n')));
            if (underWay) {
                ++killedDuring[underWay->kind];
                int asBefore = 0;
                int asAfter = 0;
                for (const auto &set : std::as_const(underWay->sets)) {
                    if (set[1] == set[2])
                        continue;
                    const QString value = crashops::stateValue(store, set[0]);
                    asBefore += value == set[1];
                    asAfter += value == set[2];
                    QVERIFY2(value == set[1] || value == set[2],
                        qPrintable(QStringLiteral("kill %1 during %2: %3 is %4, neither %5 nor %6")
                                       .arg(kill)
                                       .arg(underWay->kind, set[0], value, set[1], set[2])));
                }
                QVERIFY2(asBefore == 0 || asAfter == 0,
                    qPrintable(QStringLiteral("kill %1: %2 half applied").arg(kill).arg(underWay->kind)));
                landed += asAfter > 0;
                // A save to a file that did not become the open one may have written it or not:
                // either is sound, so what that file held is not known any more.
                for (const auto &set : std::as_const(underWay->sets))
                    if (set[0] == file && set[1] != set[2] && asAfter == 0
                        && underWay->kind != QStringLiteral("open"))
                        acknowledged.remove(set[2]);
                apply(*underWay, asAfter > 0);
            }
            QCOMPARE(crashops::stateValue(store, file), current);
            for (auto in = acknowledged.cbegin(); in != acknowledged.cend(); ++in) {
                // The open event as the restart restored it; every other one as its file holds it.
                std::optional<Race> other;
                if (in.key() != current) {
                    QString error;
                    other = RaceStore::readEventFile(
                        QUrl::fromLocalFile(QDir(dir.path()).filePath(in.key())), &error);
                    QVERIFY2(other, qPrintable(in.key() + QStringLiteral(": ") + error));
                    const QStringList brokenThere = crashops::brokenReferences(*other);
                    QVERIFY2(brokenThere.isEmpty(),
                        qPrintable(QStringLiteral("kill %1, %2: ").arg(kill).arg(in.key())
                            + brokenThere.join(u'\n')));
                }
                for (auto it = in->cbegin(); it != in->cend(); ++it) {
                    const QString value = crashops::stateValue(other ? *other : race, it.key());
                    QVERIFY2(value == it.value(),
                        qPrintable(QStringLiteral("kill %1: %2 in %3 is %4, acknowledged %5")
                                       .arg(kill)
                                       .arg(it.key(), in.key(), value, it.value())));
                }
            }
        }
        qInfo().noquote() << "kills during each kind:" << killedDuring
                          << "; under way and kept whole:" << landed;
        // The kills fall on every kind of operation (some kinds only once the event offers them).
        if (kills >= 40)
            QVERIFY2(killedDuring.size() >= 10, qPrintable(QStringList(killedDuring.keys()).join(u',')));
    }

    // The journal found at start-up beside a snapshot: what is whole, belongs to the snapshot's
    // event and is not in it yet is replayed; the rest is logged, and kept aside when it is not
    // simply already held. The store starts every time.
    void journalReplay_data() { casetable::load("store/journal-replay.tsv"); }
    void journalReplay()
    {
        QFETCH(QStringList, cells);
        StoreHarness harness;
        Race snapshot = storeTestEvent("journal/snapshot.json");
        if (cells[0] == QStringLiteral("-"))
            snapshot.journalEventId.reset();
        snapshot.journalThrough
            = cells[1] == QStringLiteral("-") ? std::nullopt : std::optional(cells[1].toLongLong());
        const QString data = harness.path(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        QVERIFY(RaceLocalStore(data).save(snapshot));
        QFile journal(QDir(data).filePath(RaceJournal::fileName));
        QVERIFY(journal.open(QIODevice::WriteOnly));
        journal.write(casetable::readData(QStringLiteral("store/journal/") + cells[2]));
        journal.close();

        LogCapture log;
        auto store = harness.makeStore();
        QStringList entries;
        for (const Participant &p : store->race().participants)
            entries.append(
                (p.givenName + u' ' + (p.startTime ? p.startTime->toUTC().toString(u"hh:mm") : QString()))
                    .trimmed());
        QStringList results;
        for (const PersonResult &r : store->race().results)
            results.append(r.cardNumber + (r.completed ? QStringLiteral(" done") : QStringLiteral(" open")));
        QCOMPARE(entries.join(u','), cells[3]);
        QCOMPARE(results.join(u','), cells[4]);
        QCOMPARE(QDir(data).entryList({QStringLiteral("*.unreplayed-*")}).size(), cells[5].toInt());
        if (cells[6] == QStringLiteral("-")) {
            for (const QString &line : log.lines())
                QVERIFY2(!line.startsWith(QStringLiteral("RaceStore: journal: record")), qPrintable(line));
        } else {
            QVERIFY2(log.lines().contains(QStringLiteral("RaceStore: journal: ") + cells[6]),
                qPrintable(log.lines().join(u'\n')));
        }
    }

    // Records go into space written ahead of them; a crash leaves the file cut anywhere, or
    // the last record cut anywhere with the zeros after it (its blocks only partly written), or
    // the space ahead cut short (its step under way). Replay takes every whole line before the
    // cut, sets aside a cut-off one, and takes the zeros for no record.
    void writtenAheadJournalCutAtEveryOffset()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(RaceJournal::fileName);
        QByteArray found;
        {
            RaceJournal journal(dir.path());
            for (int n = 1; n <= 3; ++n) {
                QVERIFY(journal.append(resultBody(n), eventE, false, nullptr));
                found = withSpaceAhead(path);
            }
        }
        const qsizetype used = RaceJournal::usedLength(found);
        QVERIFY(found.size() - used >= RaceJournal::aheadLow);
        QCOMPARE(found.left(used).count('\n'), 3);
        QVERIFY(found.left(used).endsWith('\n'));
        for (qsizetype cut = 0; cut <= used; ++cut) {
            const qsizetype whole = found.left(cut).count('\n');
            const bool torn = cut > 0 && found.at(cut - 1) != '\n';
            for (const bool zerosAfter : {false, true}) {
                const QByteArray bytes
                    = found.left(cut) + (zerosAfter ? QByteArray(found.size() - cut, '\0') : QByteArray());
                qsizetype added = 0;
                const RaceJournal::Replay replay = replayOntoSnapshot(bytes, &added);
                const QString where = QStringLiteral("cut at %1 of %2%3")
                                          .arg(cut)
                                          .arg(used)
                                          .arg(zerosAfter ? QStringLiteral(", zeros after") : QString());
                QVERIFY2(replay.applied == whole && added == whole, qPrintable(where));
                QVERIFY2(replay.setAside == (torn ? 1 : 0), qPrintable(where));
            }
        }
        for (const qsizetype cut : {used + 1, used + 511, used + 4096, found.size() - 1, found.size()}) {
            qsizetype added = 0;
            const RaceJournal::Replay replay = replayOntoSnapshot(found.left(cut), &added);
            QCOMPARE(replay.applied, 3);
            QCOMPARE(added, qsizetype(3));
            QCOMPARE(replay.setAside, 0);
        }
    }

    // A record that fills the space written ahead to its last byte, and records after it: the
    // file cut there holds every record before, and the journal reopened takes every one.
    void recordEndingAtTheEndOfTheSpaceAhead()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(RaceJournal::fileName);
        qsizetype end = 0;
        {
            RaceJournal journal(dir.path());
            QVERIFY(journal.append(resultBody(1), eventE, false, nullptr));
            const QByteArray first = withSpaceAhead(path);
            end = first.size();
            const qsizetype room = end - RaceJournal::usedLength(first);
            // The line's length without a note: its record with the shortest note, less that.
            const qsizetype bare
                = QByteArray("{\"seq\":2,\"event\":\"").size() + 36 + 2 + resultBody(2, 1).size() + 2 - 1;
            QVERIFY(room > bare);
            QVERIFY(journal.append(resultBody(2, room - bare), eventE, false, nullptr));
            const QByteArray second = StoreHarness::readAll(path);
            QCOMPARE(second.at(end - 1), '\n');
            QCOMPARE(RaceJournal::usedLength(second.left(end)), end);
            QVERIFY(journal.append(resultBody(3), eventE, false, nullptr));
        }
        const QByteArray found = StoreHarness::readAll(path);
        qsizetype added = 0;
        RaceJournal::Replay replay = replayOntoSnapshot(found.left(end), &added);
        QCOMPARE(replay.applied, 2);
        QCOMPARE(replay.setAside, 0);
        replay = replayOntoSnapshot(found, &added);
        QCOMPARE(replay.applied, 3);
        QCOMPARE(replay.setAside, 0);

        // Reopened on a file cut where the step after it began: appends go on after the line.
        QVERIFY(writeFileAtomically(path, found.left(end) + QByteArray(4096, '\0'), nullptr));
        {
            RaceJournal journal(dir.path());
            journal.continueAfter(2);
            QVERIFY(journal.append(resultBody(4), eventE, false, nullptr));
        }
        replay = replayOntoSnapshot(StoreHarness::readAll(path), &added);
        QCOMPARE(replay.applied, 3);
        QCOMPARE(replay.setAside, 0);
        QCOMPARE(added, qsizetype(3));
    }

    // Lines the full files hold may stay in the journal's file, but only while a replay onto
    // those files skips each of them: whatever the file holds then replays as the changes not
    // yet in the files, nothing more and nothing set aside.
    void heldLines_data() { casetable::load("store/journal-held.tsv"); }
    void heldLines()
    {
        QFETCH(QStringList, cells);
        const QUuid eventE(QStringLiteral("00000000-0000-4000-8000-0000000000e1"));
        const QUuid eventF(QStringLiteral("00000000-0000-4000-8000-0000000000f2"));
        auto body = [](int n) {
            return "\"op\":\"result\",\"result\":{\"cardNumber\":\"123456\",\"completed\":true,"
                   "\"courseAutoMatched\":false,\"id\":\"00000000-0000-4000-8000-0000000000"
                + QByteArray::number(0xc0 + n, 16)
                + "\",\"participantId\":\"00000000-0000-4000-8000-00000000000A\","
                  "\"readAt\":\"2025-05-17T11:05:00Z\",\"splits\":[]}";
        };
        // The limit is counted in lines, all of one length: that of a line in a journal of its own.
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        qint64 lineLength = 0;
        {
            RaceJournal journal(scratch.path());
            QVERIFY(journal.append(body(1), eventE, false, nullptr));
            QFile file(scratch.filePath(RaceJournal::fileName));
            QVERIFY(file.open(QIODevice::ReadOnly));
            lineLength = RaceJournal::usedLength(file.readAll());
        }
        QVERIFY(lineLength > 100);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(RaceJournal::fileName);
        {
            RaceJournal journal(dir.path(), cells[0].toLongLong() * lineLength);
            int appended = 0;
            for (const QString &step : cells[1].split(u' ')) {
                const QChar kind = step.at(0);
                if (kind == u'E' || kind == u'F') {
                    ++appended;
                    QVERIFY(journal.append(body(appended), kind == u'E' ? eventE : eventF, false, nullptr));
                } else if (kind == u't') {
                    const QStringList parts = step.mid(1).split(u':');
                    journal.trimThrough(parts[0].toLongLong(),
                        parts[1] == QStringLiteral("E")       ? std::optional(eventE)
                            : parts[1] == QStringLiteral("F") ? std::optional(eventF)
                                                              : std::nullopt);
                } else if (step == QStringLiteral("wE")) {
                    journal.setWrittenEvent(eventE);
                } else if (step == QStringLiteral("d")) {
                    journal.startDocument();
                } else if (kind == u'c') {
                    journal.continueAfter(step.mid(1).toLongLong());
                } else {
                    QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
                }
            }
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray found = file.readAll();
        const QByteArray bytes = found.left(RaceJournal::usedLength(found));
        QStringList numbers;
        for (const QByteArray &line : bytes.split('\n')) {
            if (!line.isEmpty())
                numbers.append(
                    QString::number(QJsonDocument::fromJson(line).object().value(u"seq").toInteger()));
        }
        QCOMPARE(numbers.isEmpty() ? QStringLiteral("-") : numbers.join(u','), cells[2]);

        Race snapshot = storeTestEvent("journal/snapshot.json");
        snapshot.journalEventId = eventE;
        snapshot.journalThrough = cells[3].toLongLong();
        const qsizetype resultsBefore = snapshot.results.size();
        const RaceJournal::Replay replay = RaceJournal::replay(snapshot, bytes);
        QCOMPARE(replay.applied, cells[4].toInt());
        QCOMPARE(replay.setAside, cells[5].toInt());
        QCOMPARE(snapshot.results.size() - resultsBefore, qsizetype(cells[4].toInt()));
    }
};

QTEST_GUILESS_MAIN(TestAutosaveCrash)
#include "tst_autosavecrash.moc"
