#include "atomicfile.h"
#include "autosavewriter.h"
#include "casetable.h"
#include "racechanges.h"
#include "racejournal.h"
#include "racejson.h"
#include "storeharness.h"

#include <QCoreApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <QUuid>
#include <functional>

// Streams of store operations, each journalled as it is made: every line holds exactly what its
// operation changed, and the journal replayed onto the files written before the stream gives the
// event as the store holds it, whatever the store kept between the lines.
namespace {

// The records a journal line puts or removes in one collection, read from the line as the event
// file's JSON text.
qsizetype recordsIn(const QByteArray &line, const QString &collection)
{
    const QJsonObject record = QJsonDocument::fromJson(line).object();
    return record.value(QStringLiteral("race")).toObject().value(collection).toArray().size()
        + record.value(QStringLiteral("removed")).toObject().value(collection).toArray().size();
}

QByteArray lastLine(const QByteArray &journal)
{
    const QList<QByteArray> lines = journal.left(RaceJournal::usedLength(journal)).trimmed().split('\n');
    return lines.isEmpty() ? QByteArray() : lines.last();
}

// What a record changes: its keys without the journal's own.
QJsonObject changeOf(const QByteArray &record)
{
    QJsonObject change = QJsonDocument::fromJson(record).object();
    for (const QString &key : change.keys()) {
        if (key != QStringLiteral("race") && key != QStringLiteral("removed")
            && key != QStringLiteral("whole") && key != QStringLiteral("fields")
            && key != QStringLiteral("op"))
            change.remove(key);
    }
    return change;
}

qsizetype lineCount(const QByteArray &journal)
{
    return journal.left(RaceJournal::usedLength(journal)).count('\n');
}

// A hold on the store's full writes, let go when it goes: a store's end waits for them.
struct HeldWrites
{
    HeldWrites() = default;
    HeldWrites(const HeldWrites &) = delete;
    HeldWrites &operator=(const HeldWrites &) = delete;
    ~HeldWrites() { writer.release(); }
    WriterHold writer;
};

// The event as the files and the journal hold it, without the journal's own bookkeeping.
QByteArray comparable(Race race)
{
    race.journalThrough.reset();
    return compactJson(race);
}

} // namespace

class TestJournalSteps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // A change's record: its head, the removed records' text, then the puts' text, each the event
    // writer's own; a value that cannot be written names the puts' first, then the removed ones'.
    void changeRecordText_data()
    {
        QTest::addColumn<bool>("putsWritable");
        QTest::addColumn<bool>("removedWritable");
        QTest::addColumn<QString>("error");
        QTest::newRow("both written") << true << true << QString();
        QTest::newRow("puts not") << false << true
                                  << QStringLiteral(
                                         "classes[0].lastUsedIntervalSeconds: number is not finite");
        QTest::newRow("removed not") << true << false
                                     << QStringLiteral("participants[0].startTimeByStage.s1: invalid date");
        QTest::newRow("neither") << false << false
                                 << QStringLiteral(
                                        "classes[0].lastUsedIntervalSeconds: number is not finite");
    }
    void changeRecordText()
    {
        QFETCH(bool, putsWritable);
        QFETCH(bool, removedWritable);
        QFETCH(QString, error);
        Race before;
        RaceClass kept;
        kept.id = QStringLiteral("c1");
        kept.name = QStringLiteral("H21");
        before.classes = {kept};
        Participant gone;
        gone.givenName = QStringLiteral("Gone");
        if (!removedWritable)
            gone.startTimeByStage = StageMap<QDateTime> {{QStringLiteral("s1"), QDateTime()}};
        Participant stays;
        stays.givenName = QStringLiteral("Stays");
        before.participants = {gone, stays};
        Race after = before;
        after.participants.removeFirst();
        after.participants[0].familyName = QStringLiteral("Renamed");
        after.classes[0].lastUsedIntervalSeconds
            = putsWritable ? 30.0 : std::numeric_limits<double>::infinity();
        const RaceChanges changes = diffRace(before, after);
        QString why;
        const auto text = encodeRaceChanges(changes, &why);
        QCOMPARE(bool(text), error.isEmpty());
        QCOMPARE(why, error);
        if (!text)
            return;
        const QByteArray removed = *encodeRace(changes.removed, JsonLayout::Compact);
        const QByteArray expected = "\"op\":\"commit\",\"removedBytes\":" + QByteArray::number(removed.size())
            + ",\"removed\":" + removed + ",\"race\":" + *encodeRace(changes.puts, JsonLayout::Compact);
        QCOMPARE(text->body, expected);
        QVERIFY(text->body.contains("\"Renamed\""));
        QCOMPARE(text->changedRecords, 3);

        const auto whole = encodeWholeRace(after);
        QVERIFY(whole);
        QCOMPARE(whole->body, "\"op\":\"event\",\"race\":" + *encodeRace(after, JsonLayout::Compact));
    }

    // Every value the event file holds, changed on its own, is a change the record carries: applied
    // to the state before, the record gives the state after, exactly as the event file writes it,
    // and moves the digest the master keeps to the one found from the state after.
    // The journal and the stations both rest on this; a field the comparisons leave out would be
    // lost from the journal and never reach a slave, whose digest (ids only) would not notice.
    void everyStoredValueIsAChange()
    {
        const QByteArray bytes = casetable::readData(QStringLiteral("model/full-event.json"));
        const auto before = decodeRace(bytes);
        QVERIFY(before);
        const QJsonObject root = QJsonDocument::fromJson(*encodeRace(*before, JsonLayout::Compact)).object();
        // Another value of the same kind, or none where the text cannot be told apart from a kind
        // the reader checks (ids, dates and words of a list of choices are tried as they are).
        const auto changed = [](const QJsonValue &v) -> std::optional<QJsonValue> {
            if (v.isBool())
                return QJsonValue(!v.toBool());
            if (v.isDouble())
                return QJsonValue(v.toDouble() + 1);
            if (!v.isString())
                return std::nullopt;
            const QString text = v.toString();
            if (const QDateTime at = QDateTime::fromString(text, Qt::ISODate); at.isValid())
                return QJsonValue(at.addSecs(1).toString(Qt::ISODate));
            if (!QUuid::fromString(text).isNull())
                return QJsonValue(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
            return QJsonValue(text + QLatin1Char('1'));
        };
        int tried = 0;
        QStringList missed;
        std::function<void(
            const QJsonValue &, const std::function<QJsonObject(const QJsonValue &)> &, const QString &)>
            walk = [&](const QJsonValue &value, const std::function<QJsonObject(const QJsonValue &)> &put,
                       const QString &path) {
                if (value.isObject()) {
                    const QJsonObject o = value.toObject();
                    for (auto it = o.begin(); it != o.end(); ++it)
                        walk(
                            it.value(),
                            [&, key = it.key()](const QJsonValue &v) {
                                QJsonObject copy = o;
                                copy.insert(key, v);
                                return put(copy);
                            },
                            path + u'.' + it.key());
                    return;
                }
                if (value.isArray()) {
                    const QJsonArray a = value.toArray();
                    for (qsizetype i = 0; i < a.size(); ++i)
                        walk(
                            a.at(i),
                            [&, i](const QJsonValue &v) {
                                QJsonArray copy = a;
                                copy.replace(i, v);
                                return put(copy);
                            },
                            path + u'[' + QString::number(i) + u']');
                    return;
                }
                const auto other = changed(value);
                // A kept card read-out is never edited, only kept, dropped or moved off a deleted
                // stage: its id, stage and number are what can change.
                static const QRegularExpression keptReadOut(
                    QStringLiteral("^\\.unknownCards\\[\\d+\\]\\.(?!(id|stageId|cardNumber)$)"));
                if (!other || path.startsWith(QLatin1String(".journal"))
                    || keptReadOut.match(path).hasMatch())
                    return;
                const auto after = decodeRace(QJsonDocument(put(*other)).toJson(QJsonDocument::Compact));
                if (!after)
                    return; // not a value the reader takes
                const QByteArray wanted = *encodeRace(*after, JsonLayout::Compact);
                if (wanted == *encodeRace(*before, JsonLayout::Compact))
                    return; // the reader gives the same event (e.g. a time finer than it keeps)
                ++tried;
                Race replayed = *before;
                QString why;
                const auto record = encodeRaceChanges(*before, *after, &why);
                if (!record || record->body.isEmpty()
                    || !applyRaceChanges(replayed, '{' + record->body + '}', &why)
                    || *encodeRace(replayed, JsonLayout::Compact) != wanted) {
                    missed.append(path + (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
                    return;
                }
                // The master's digest kept by the record alone is the one a slave finds afresh.
                RaceDigestKeeper kept;
                (void)kept.digest(*before);
                if (kept.digest(*after, {'{' + record->body + '}'}) != raceDigest(replayed))
                    missed.append(path + QStringLiteral(": the digest kept by the record differs"));
            };
        walk(
            root, [](const QJsonValue &v) { return v.toObject(); }, QString());
        QVERIFY2(missed.isEmpty(), qPrintable(missed.join(u'\n')));
        // The event holds every kind of record with every key it can have: 86 values are tried.
        QVERIFY2(tried >= 86, qPrintable(QString::number(tried)));
    }

    void everyStepJournalledExactly_data() { casetable::load("store/journal-steps.tsv"); }
    void everyStepJournalledExactly()
    {
        QFETCH(QStringList, cells);
        StoreHarness harness;
        QVERIFY(harness.isValid());
        // No full write during the stream: the journal holds every line of it.
        harness.fullWriteGap = std::chrono::hours(1);
        auto store = harness.makeStore(storeTestEvent("spring-cup.json"));
        store->autosave();
        store->flushAutosave();
        QByteArray files = StoreHarness::readAll(harness.autosavePath());
        const QString journalPath = harness.path(QStringLiteral("data/") + RaceJournal::fileName);
        const QDateTime finish = StoreHarness::fixedNow().addSecs(-600);
        // The last read of a card nobody holds, which register and assign settle, and a copy of
        // the event as it was, which restore takes back.
        std::optional<QDateTime> unknownFinish;
        std::optional<Race> kept;
        // The event as the last line left it, while steps without a line of their own have
        // changed it since.
        std::optional<Race> unlined;
        // Holds the full writes from a restart on (see crash); released before the store ends.
        HeldWrites held;
        int step = 0;
        for (const QString &token : cells.first().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            ++step;
            if (token == QStringLiteral("idle")) {
                QCoreApplication::processEvents();
                continue;
            }
            if (token == QStringLiteral("keep")) {
                kept = store->race();
                continue;
            }
            const QStringList parts = token.split(QLatin1Char('='));
            QCOMPARE(parts.size(), 2);
            const QString operation = parts[0].section(QLatin1Char(':'), 0, 0);
            const int n = parts[0].section(QLatin1Char(':'), 1, 1).toInt();
            const QStringList expected = parts[1].split(QLatin1Char('/'));
            Race race = store->race();
            // A copy of its own: the store's list must not be shared with the test's while it works.
            const Race before = [&] {
                Race own = race;
                own.results = QList<PersonResult>(race.results.cbegin(), race.results.cend());
                return own;
            }();
            const qsizetype linesBefore = lineCount(StoreHarness::readAll(journalPath));
            if (operation == QStringLiteral("read")) {
                QVERIFY(n < race.participants.size());
                QVERIFY(store->recordCardReading(race.participants[n].cardNumber, {}, std::nullopt,
                    finish.addSecs(-3600), finish.addSecs(step)));
                QCOMPARE(store->race().results.last().stageId, race.activeStageId);
            } else if (operation == QStringLiteral("reread")) {
                // The runner's last read-out once more: the result it gave, nothing new.
                QVERIFY(n < race.participants.size());
                const PersonResult &last = race.results.last();
                QVERIFY(store->recordCardReading(
                    race.participants[n].cardNumber, {}, std::nullopt, last.cardStartTime, last.finishTime));
                QCOMPARE(store->race().results.size(), race.results.size());
            } else if (operation == QStringLiteral("unknown")) {
                unknownFinish = finish.addSecs(step);
                QVERIFY(!store->recordCardReading(
                    QStringLiteral("777777"), {}, std::nullopt, finish.addSecs(-3600), unknownFinish));
            } else if (operation == QStringLiteral("register")) {
                QVERIFY(unknownFinish && race.unknownCards);
                Participant entry;
                entry.givenName = QStringLiteral("Registered %1").arg(step);
                entry.cardNumber = QStringLiteral("777777");
                entry.classId = QStringLiteral("H21");
                QVERIFY(store->registerAndRecord(entry, entry.cardNumber, {}, std::nullopt,
                    finish.addSecs(-3600), unknownFinish, race.unknownCards->last().id));
            } else if (operation == QStringLiteral("assign")) {
                QVERIFY(unknownFinish && race.unknownCards && n < race.participants.size());
                QVERIFY(store->assignAndRecord(race.participants[n].id, std::nullopt,
                    QStringLiteral("777777"), {}, std::nullopt, finish.addSecs(-3600), unknownFinish,
                    race.unknownCards->last().id));
            } else if (operation == QStringLiteral("lend")) {
                // Entry N runs with the card of the first entry.
                QVERIFY(n < race.participants.size());
                Participant entry = race.participants[n];
                entry.cardNumber = race.participants[0].cardNumber;
                race.participants[0].cardNumber = QStringLiteral("lent");
                race.participants[n] = entry;
                store->setRace(race);
            } else if (operation == QStringLiteral("reevaluate")) {
                QVERIFY(n < race.results.size());
                PersonResult edited = race.results[n];
                QVERIFY(edited.finishTime);
                edited.finishTime = edited.finishTime->addSecs(60);
                store->reevaluateResult(edited);
            } else if (operation == QStringLiteral("stage")) {
                // A second day, active from now on.
                race.stages.append(Stage {QStringLiteral("day%1").arg(race.stages.size() + 1),
                    QStringLiteral("Day"), finish.addDays(1), int(race.stages.size() + 1)});
                race.activeStageId = race.stages.last().id;
                store->setRace(race);
            } else if (operation == QStringLiteral("restore")) {
                QVERIFY(kept);
                store->setRace(*kept);
            } else if (operation == QStringLiteral("receive")) {
                // A station's corrected copy of result N: put in place of the one held.
                QVERIFY(n < race.results.size());
                PersonResult received = race.results[n];
                received.overrideNote = QStringLiteral("received %1").arg(step);
                store->applyReceivedResult(received);
            } else if (operation == QStringLiteral("receivenew")) {
                // A result a station read for entry N, which this one does not hold yet.
                QVERIFY(n < race.participants.size());
                PersonResult received;
                received.participantId = race.participants[n].id;
                received.cardNumber = race.participants[n].cardNumber;
                received.readAt = finish.addSecs(step);
                received.finishTime = finish.addSecs(step);
                store->applyReceivedResult(received);
            } else if (operation == QStringLiteral("class")) {
                // An import's step: the entry's class changes without a line of its own.
                QVERIFY(n < race.participants.size());
                store->setClassId(std::nullopt, n);
            } else if (operation == QStringLiteral("reopen") || operation == QStringLiteral("openold")) {
                // The event written to a file of its own and opened from it: another document,
                // whose lines start from that file. An older version's file names no event: the
                // opened one is a new event, whose files do not carry its id yet.
                held.writer.release();
                const QString path = harness.path(QStringLiteral("reopened.json"));
                Race written = store->race();
                if (operation == QStringLiteral("openold")) {
                    written.journalEventId.reset();
                    written.journalThrough.reset();
                }
                QVERIFY(!writeRaceFile(written, JsonLayout::PrettySorted, path));
                files = StoreHarness::readAll(path);
                const std::optional<Race> opened = decodeRace(files);
                QVERIFY(opened);
                QString error;
                QVERIFY2(store->openEvent(*opened, QUrl::fromLocalFile(path), &error), qPrintable(error));
            } else if (operation == QStringLiteral("crash") || operation == QStringLiteral("damaged")) {
                // The files as a crash leaves them: the full files as last written, the journal
                // as synced (the store's own end writes the files, so they are put back). Started
                // again on them, the store holds the event as it was. A damaged line after the
                // journal's last is set aside, kept in a file of its own.
                const QString eventPath = store->raceFileUrl().toLocalFile();
                QHash<QString, QByteArray> found;
                for (const QString &path : {harness.autosavePath(), journalPath, eventPath}) {
                    if (!path.isEmpty())
                        found.insert(path, StoreHarness::readAll(path));
                }
                if (operation == QStringLiteral("damaged")) {
                    QByteArray &bytes = found[journalPath];
                    bytes = bytes.left(RaceJournal::usedLength(bytes)) + "{\"seq\":\xff\xfe\"\n";
                }
                // The store's end waits for its full writes.
                held.writer.release();
                store.reset();
                for (auto it = found.cbegin(); it != found.cend(); ++it)
                    QVERIFY(writeFileAtomically(it.key(), it.value(), nullptr));
                // The full write start-up asks for waits until the next crash: the lines after
                // it follow the ones start-up left in the journal, and the files stay as found.
                held.writer = WriterHold();
                held.writer.hold();
                harness.writerHook = held.writer.hook();
                store = harness.makeStore();
                QCOMPARE(comparable(store->race()), comparable(race));
                QCOMPARE(store->unrestoredChangesFile().isEmpty(), operation == QStringLiteral("crash"));
            } else if (operation == QStringLiteral("note")) {
                QVERIFY(n < race.results.size());
                store->overrideResultStatus(race.results[n].id, false, QStringLiteral("step %1").arg(step));
            } else if (operation == QStringLiteral("delete")) {
                QVERIFY(n < race.results.size());
                store->deleteResult(race.results[n].id);
            } else if (operation == QStringLiteral("rename")) {
                QVERIFY(n < race.participants.size());
                Participant entry = race.participants[n];
                entry.familyName = QStringLiteral("Renamed %1").arg(step);
                store->updateParticipant(entry);
            } else if (operation == QStringLiteral("dns") || operation == QStringLiteral("dnf")) {
                QVERIFY(n < race.participants.size());
                store->setParticipantStatus(race.participants[n].id,
                    operation == QStringLiteral("dns") ? ParticipantStatus::Dns : ParticipantStatus::Dnf,
                    race.activeStageId);
            } else if (operation == QStringLiteral("look")) {
                // The set-up screens show the first day: a view, the day being run stays.
                QVERIFY(race.stages.size() > 1);
                store->setShownStage(race.stages.first().id);
                QCOMPARE(store->race().shownStageId, std::optional<QString>(race.stages.first().id));
                QCOMPARE(store->race().activeStageId, race.activeStageId);
            } else if (operation == QStringLiteral("course")) {
                QVERIFY(n < race.participants.size());
                store->setParticipantCourse(race.participants[n].id, QStringLiteral("no such course"));
            } else if (operation == QStringLiteral("multi")) {
                RaceClass several = race.classes.first();
                several.mode = RaceClassMode::MultiCourse;
                store->updateClass(several);
            } else if (operation == QStringLiteral("family")) {
                RaceClass forked = race.classes.first();
                forked.mode = RaceClassMode::CourseFamily;
                forked.courseFamily = QStringLiteral("Forked");
                forked.courseId.reset();
                store->updateClass(forked);
            } else if (operation == QStringLiteral("drop")) {
                QVERIFY(n < race.participants.size());
                store->deleteParticipant(race.participants[n].id);
            } else if (operation == QStringLiteral("add") || operation == QStringLiteral("addcopy")) {
                for (int k = 0; k < n; ++k) {
                    Participant entry;
                    entry.givenName = QStringLiteral("Added %1").arg(k);
                    entry.cardNumber = QString::number(900001 + race.participants.size());
                    entry.classId = QStringLiteral("H21");
                    race.participants.append(entry);
                }
                if (operation == QStringLiteral("addcopy")) {
                    QVERIFY(n > 0 && !race.participants.isEmpty());
                    race.participants.last().id = race.participants.first().id;
                }
                store->setRace(race);
            } else if (operation == QStringLiteral("reverse")) {
                std::reverse(race.results.begin(), race.results.end());
                store->setRace(race);
            } else if (operation == QStringLiteral("renames") || operation == QStringLiteral("twin")) {
                for (Participant &entry : race.participants)
                    entry.familyName = QStringLiteral("Renamed %1").arg(step);
                if (operation == QStringLiteral("twin")) {
                    QVERIFY(n > 0 && n < race.participants.size());
                    race.participants[n].id = race.participants[0].id;
                }
                store->setRace(race);
            } else if (operation == QStringLiteral("start")) {
                QVERIFY(n < race.participants.size());
                store->setParticipantStartTime(race.participants[n].id, finish.addSecs(-7200 + step));
            } else if (operation == QStringLiteral("starts")) {
                // An import's times for the first N entries, written as one change.
                QVERIFY(n <= race.participants.size());
                QHash<QUuid, QDateTime> times;
                for (int k = 0; k < n; ++k)
                    times.insert(race.participants[k].id, finish.addSecs(-7200 + 60 * k + step));
                QVERIFY(store->applyStartTimes(times));
            } else if (operation == QStringLiteral("late")) {
                // A time the event file cannot hold: refused, nothing changed.
                QVERIFY(n < race.participants.size());
                store->setParticipantStartTime(
                    race.participants[n].id, QDateTime(QDate(10000, 1, 1), QTime(9, 0), Qt::UTC));
                QCOMPARE(compactJson(store->race()), compactJson(race));
            } else if (operation == QStringLiteral("notes")) {
                for (PersonResult &result : race.results)
                    result.overrideNote = QStringLiteral("step %1").arg(step);
                store->setRace(race);
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown operation ") + operation));
            }
            const QByteArray journal = StoreHarness::readAll(journalPath);
            const QByteArray line = lastLine(journal);
            if (operation == QStringLiteral("reopen") || operation == QStringLiteral("openold")) {
                // Opening writes the full files and so empties the journal: no line of its own.
                QCOMPARE(lineCount(journal), 0);
            } else if (operation == QStringLiteral("crash") || operation == QStringLiteral("damaged")) {
                // What start-up replayed stays until a full write holds it; nothing else.
                QVERIFY(lineCount(journal) <= linesBefore);
            } else if (parts[1] == QStringLiteral("-")) {
                QCOMPARE(lineCount(journal), linesBefore);
            } else if (parts[1] == QStringLiteral("event")) {
                // The event's first line while its files do not carry its id: the whole event.
                QCOMPARE(lineCount(journal), linesBefore + 1);
                QVERIFY2(line.contains("\"op\":\"event\""), line.left(200).constData());
            } else {
                QCOMPARE(lineCount(journal), linesBefore + 1);
                QVERIFY2(line.contains("\"op\":\"commit\""), line.left(200).constData());
                QCOMPARE(QString::number(recordsIn(line, QStringLiteral("results"))), expected.value(0));
                QCOMPARE(QString::number(recordsIn(line, QStringLiteral("participants"))), expected.value(1));
                // The very change a comparison of the whole event before and after the step finds.
                const auto full = encodeRaceChanges(unlined ? *unlined : before, store->race());
                QVERIFY(full);
                QCOMPARE(changeOf(line), changeOf('{' + full->body + '}'));
                // Start times: byte for byte that change, whether the store wrote the record once
                // (to see it could be stored) or found it again.
                if (operation.startsWith(QStringLiteral("start")))
                    QCOMPARE(line.mid(line.indexOf("\"op\"")), full->body + '}');
            }
            // An import's step reaches the journal with the operation's next line, compared with
            // the event as the last line left it.
            if (operation == QStringLiteral("class")) {
                if (!unlined)
                    unlined = before;
                continue;
            }
            unlined.reset();
            std::optional<Race> replayed = decodeRace(files);
            QVERIFY(replayed);
            const RaceJournal::Replay replay = RaceJournal::replay(*replayed, journal);
            QCOMPARE(replay.setAside, 0);
            Race held = store->race();
            // Opened from a file naming no event: the store names it at once, the file not yet.
            if (operation == QStringLiteral("openold"))
                held.journalEventId.reset();
            QCOMPARE(comparable(*replayed), comparable(held));
        }
    }
};

QTEST_GUILESS_MAIN(TestJournalSteps)
#include "tst_journalsteps.moc"
