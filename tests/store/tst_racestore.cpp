#include "casetable.h"
#include "log.h"
#include "racejson.h"
#include "racestore.h"
#include "splits.h"
#include "storeharness.h"
#include "syncmessage.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString fallbackSuffix = QStringLiteral(") \u2014 falling back to local autosave");

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

} // namespace

class TestRaceStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StoreHarness> m_harness;

    QString path(const QString &name) const { return m_harness->path(name); }
    QString settingsPath() const { return path(QStringLiteral("settings.ini")); }
    QString autosavePath() const { return m_harness->autosavePath(); }
    std::unique_ptr<RaceStore> makeStore() { return m_harness->makeStore(); }
    QList<AutosaveStep> &steps() { return m_harness->steps; }
    static QByteArray readAll(const QString &path) { return StoreHarness::readAll(path); }

    void storeRecent(const QStringList &paths)
    {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("recentRaceFilePaths"), paths);
    }

    static QStringList paths(const QList<QUrl> &urls)
    {
        QStringList out;
        for (const QUrl &u : urls)
            out.append(u.toLocalFile());
        return out;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_harness = std::make_unique<StoreHarness>();
        QVERIFY(m_harness->isValid());
    }

    void firstStart()
    {
        LogCapture log;
        auto store = makeStore();
        QCOMPARE(store->race().name, QStringLiteral("Untitled Race"));
        QVERIFY(!store->needsInitialSetup());
        QVERIFY(log.lines().isEmpty());
        QVERIFY(steps().isEmpty());
        // The autosave folder exists, but nothing was written at start-up.
        QVERIFY(QDir(path(QStringLiteral("data"))).exists());
        QVERIFY(!QFile::exists(autosavePath()));
    }

    void startsFromAutosaveWithoutRecentFiles()
    {
        QDir().mkpath(path(QStringLiteral("data")));
        writeAll(autosavePath(), compactJson(namedRace(QStringLiteral("From autosave"))));
        LogCapture log;
        auto store = makeStore();
        QCOMPARE(store->race().name, QStringLiteral("From autosave"));
        QVERIFY(store->raceFileUrl().isEmpty());
        QVERIFY(log.lines().isEmpty());
    }

    // Each file under store/unusable-event-files as the most recent file, and one that is gone.
    void unusableMostRecentFileFallsBack_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("deleted") << QString();
        const QDir folder(QStringLiteral(VEXLO_TEST_DATA_DIR "/store/unusable-event-files"));
        for (const QString &name : folder.entryList(QDir::Files))
            QTest::newRow(qPrintable(name)) << folder.filePath(name);
        QVERIFY(folder.count() > 2);
    }

    void unusableMostRecentFileFallsBack()
    {
        QFETCH(QString, source);
        const bool exists = !source.isEmpty();
        const QByteArray content = exists ? readAll(source) : QByteArray();
        const QString recent = path(QStringLiteral("event.vexloevent.json"));
        if (exists)
            writeAll(recent, content);
        const QString other = path(QStringLiteral("other.vexloevent.json"));
        storeRecent({recent, other});
        QDir().mkpath(path(QStringLiteral("data")));
        writeAll(autosavePath(), compactJson(namedRace(QStringLiteral("From autosave"))));

        LogCapture log;
        auto store = makeStore();
        QCOMPARE(log.lines().size(), 1);
        const QString line = log.lines().first();
        QVERIFY2(line.startsWith(QStringLiteral("RaceStore: failed to reopen most recent race file (")),
            qPrintable(line));
        QVERIFY2(line.endsWith(fallbackSuffix), qPrintable(line));
        if (!exists)
            QVERIFY(line.contains(QStringLiteral("No such file or directory")));
        QCOMPARE(store->race().name, QStringLiteral("From autosave"));
        QVERIFY(store->raceFileUrl().isEmpty());
        // Reported, with its reason, and off the recent list: never again first as if fine.
        QCOMPARE(store->unreadableEventFileUrl(), QUrl::fromLocalFile(recent));
        QVERIFY(!store->unreadableEventFileReason().isEmpty());
        QCOMPARE(paths(store->recentRaceUrls()), QStringList({other}));
        QCOMPARE(m_harness->storedRecent(), QStringList({other}));
        // The file that failed to read is never written, not even by the next autosave.
        store->autosave();
        store->flushAutosave();
        QCOMPARE(QFile::exists(recent), exists);
        if (exists)
            QCOMPARE(readAll(recent), content);

        // Started again before the event went into a file: the autosave again, never the next
        // recent file over it, and the same report.
        store.reset();
        writeAll(other, *encodeRace(namedRace(QStringLiteral("Other event")), JsonLayout::PrettySorted));
        store = makeStore();
        QCOMPARE(store->race().name, QStringLiteral("From autosave"));
        QCOMPARE(store->unreadableEventFileUrl(), QUrl::fromLocalFile(recent));
        QCOMPARE(store->unreadableEventFileReason(),
            line.mid(line.indexOf(u'(') + 1).chopped(fallbackSuffix.size()));

        // Saved where the organiser chose: the report ends and that file is the event's from now on.
        QSignalSpy ended(store.get(), &RaceStore::unreadableEventFileChanged);
        const QString chosen = path(QStringLiteral("recovered.vexloevent.json"));
        QVERIFY(store->save(QUrl::fromLocalFile(chosen)));
        QCOMPARE(ended.count(), 1);
        QVERIFY(store->unreadableEventFileUrl().isEmpty());
        store.reset();
        store = makeStore();
        QVERIFY(store->unreadableEventFileUrl().isEmpty());
        QCOMPARE(store->raceFileUrl(), QUrl::fromLocalFile(chosen));
        QCOMPARE(store->race().name, QStringLiteral("From autosave"));
    }

    // An event file cut short at every offset: never opened half, always reported.
    void eventFileCutAtEveryOffset()
    {
        const QByteArray whole = *encodeRace(namedRace(QStringLiteral("Cut")), JsonLayout::PrettySorted);
        const QString file = path(QStringLiteral("cut.vexloevent.json"));
        QDir().mkpath(path(QStringLiteral("data")));
        for (qsizetype n = 0; n < whole.size(); ++n) {
            writeAll(file, whole.left(n));
            storeRecent({file});
            QSettings(path(QStringLiteral("settings.ini")), QSettings::IniFormat)
                .remove(QStringLiteral("unreadableEventFilePath"));
            writeAll(autosavePath(), compactJson(namedRace(QStringLiteral("From autosave"))));
            LogCapture log;
            auto store = makeStore();
            // Only the final line break can go without harm.
            if (n == whole.size() - 1) {
                QCOMPARE(store->race().name, QStringLiteral("Cut"));
                QVERIFY(store->unreadableEventFileUrl().isEmpty());
                continue;
            }
            QVERIFY2(store->race().name == QStringLiteral("From autosave"), qPrintable(QString::number(n)));
            QCOMPARE(store->unreadableEventFileUrl(), QUrl::fromLocalFile(file));
            QVERIFY(store->recentRaceUrls().isEmpty());
        }
    }

    void unusableMostRecentAndNoAutosaveGivesUntitled()
    {
        storeRecent({path(QStringLiteral("gone.json"))});
        LogCapture log;
        auto store = makeStore();
        QCOMPARE(log.lines().size(), 1);
        QCOMPARE(store->race().name, QStringLiteral("Untitled Race"));
    }

    void unreadableAutosaveIsKeptAside()
    {
        QDir().mkpath(path(QStringLiteral("data")));
        const QByteArray garbage("{\"name\": \"half an event");
        writeAll(autosavePath(), garbage);
        LogCapture log;
        auto store = makeStore();
        QCOMPARE(store->race().name, QStringLiteral("Untitled Race"));
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(
            log.lines().first().startsWith(QStringLiteral("RaceStore: unreadable local autosave kept as ")),
            qPrintable(log.lines().first()));
        const QString aside
            = log.lines().first().mid(QStringLiteral("RaceStore: unreadable local autosave kept as ").size());
        QCOMPARE(readAll(aside), garbage);
        store->autosave();
        store->flushAutosave();
        QCOMPARE(readAll(aside), garbage);
        QVERIFY(decodeRace(readAll(autosavePath())));
    }

    void recentFiles_data() { casetable::load("store/recent-files.tsv"); }
    void recentFiles()
    {
        QFETCH(QStringList, cells);
        const QString eventPath = path(QStringLiteral("A"));
        writeAll(eventPath, *encodeRace(namedRace(QStringLiteral("Reopened")), JsonLayout::PrettySorted));
        const auto full = [&](const QString &names) {
            QStringList out;
            for (const QString &n : names.split(QLatin1Char('|'), Qt::SkipEmptyParts))
                out.append(path(n));
            return out;
        };
        storeRecent(full(cells[0]));
        LogCapture log;
        auto store = makeStore();
        if (cells[3] == u"A") {
            QVERIFY(log.lines().isEmpty());
            QCOMPARE(store->race().name, QStringLiteral("Reopened"));
            QVERIFY(!store->needsInitialSetup());
            QVERIFY(steps().isEmpty());
        }
        QSignalSpy changed(store.get(), &RaceStore::recentRaceUrlsChanged);
        const QStringList actions = cells[1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &action : actions) {
            const QString verb = action.section(QLatin1Char(' '), 0, 0);
            const QUrl url = QUrl::fromLocalFile(path(action.section(QLatin1Char(' '), 1)));
            if (verb == u"add")
                store->addRecentRaceUrl(url);
            else if (verb == u"remove")
                store->removeRecentRaceUrl(url);
            else if (verb == u"save")
                QVERIFY(store->save(url));
            else
                QFAIL(qPrintable(QStringLiteral("unknown step ") + action));
        }
        // Every step writes the list, even when it did not change.
        QCOMPARE(changed.count(), actions.size());
        QCOMPARE(paths(store->recentRaceUrls()), full(cells[2]));
        QCOMPARE(m_harness->storedRecent(), full(cells[2]));
        QSettings settings(settingsPath(), QSettings::IniFormat);
        QCOMPARE(settings.contains(QStringLiteral("recentRaceFilePaths")),
            !cells[0].isEmpty() || !actions.isEmpty());
        QCOMPARE(store->raceFileUrl(), cells[3].isEmpty() ? QUrl() : QUrl::fromLocalFile(path(cells[3])));
    }

    void saveUpdatesStateInOrder()
    {
        auto store = makeStore();
        store->newRace();
        QVERIFY(store->needsInitialSetup());
        QStringList order;
        connect(store.get(), &RaceStore::raceFileUrlChanged, this, [&] { order << "url"; });
        connect(store.get(), &RaceStore::recentRaceUrlsChanged, this, [&] { order << "recent"; });
        connect(store.get(), &RaceStore::needsInitialSetupChanged, this, [&] { order << "setup"; });
        const QUrl url = QUrl::fromLocalFile(path(QStringLiteral("e.json")));
        QVERIFY(store->save(url));
        QCOMPARE(order, QStringList({"url", "recent", "setup"}));
        QCOMPARE(store->raceFileUrl(), url);
        QVERIFY(!store->needsInitialSetup());
    }

    void saveFailureChangesNothing_data() { casetable::load("store/save-refused.tsv"); }
    void saveFailureChangesNothing()
    {
        QFETCH(QStringList, cells);
        const QString &target = cells[0];
        writeAll(path(QStringLiteral("blocker")), "x");
        QDir().mkpath(path(QStringLiteral("afolder")));
        auto store = makeStore();
        const QUrl good = QUrl::fromLocalFile(path(QStringLiteral("good.json")));
        QVERIFY(store->save(good));
        store->newRace();
        QVERIFY(store->needsInitialSetup());
        const QList<QUrl> recentBefore = store->recentRaceUrls();
        QSignalSpy urlSpy(store.get(), &RaceStore::raceFileUrlChanged);
        QSignalSpy recentSpy(store.get(), &RaceStore::recentRaceUrlsChanged);
        const QUrl url = target == u"-" ? QUrl(QStringLiteral("https://127.0.0.1/event.json"))
                                        : QUrl::fromLocalFile(path(target));
        QString error;
        QVERIFY(!store->save(url, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(store->raceFileUrl().isEmpty());
        QVERIFY(store->needsInitialSetup());
        QCOMPARE(store->recentRaceUrls(), recentBefore);
        QCOMPARE(urlSpy.count(), 0);
        QCOMPARE(recentSpy.count(), 0);
        QCOMPARE(readAll(path(QStringLiteral("blocker"))), QByteArray("x"));
    }

    void newRaceReplacesDocument()
    {
        auto store = makeStore();
        store->setRace(namedRace(QStringLiteral("Old")));
        const QString eventPath = path(QStringLiteral("old.json"));
        QVERIFY(store->save(QUrl::fromLocalFile(eventPath)));
        const QByteArray eventBefore = readAll(eventPath);
        const QList<QUrl> recentBefore = store->recentRaceUrls();
        steps().clear();
        QSignalSpy setupSpy(store.get(), &RaceStore::needsInitialSetupChanged);
        store->newRace();
        QCOMPARE(store->race().name, QStringLiteral("Untitled Race"));
        QVERIFY(!store->race().date);
        QVERIFY(store->race().participants.isEmpty());
        QVERIFY(store->raceFileUrl().isEmpty());
        QVERIFY(store->needsInitialSetup());
        QCOMPARE(setupSpy.count(), 1);
        QCOMPARE(decodeRace(readAll(autosavePath()))->name, QStringLiteral("Untitled Race"));
        QCOMPARE(readAll(eventPath), eventBefore);
        QCOMPARE(store->recentRaceUrls(), recentBefore);
        QVERIFY(steps().isEmpty()); // no broadcast, no publishers
    }

    void autosaveOrder_data()
    {
        QTest::addColumn<bool>("withEventFile");
        QTest::newRow("no event file") << false;
        QTest::newRow("event file open") << true;
    }

    void autosaveOrder()
    {
        QFETCH(bool, withEventFile);
        auto store = makeStore();
        if (withEventFile)
            QVERIFY(store->save(QUrl::fromLocalFile(path(QStringLiteral("e.json")))));
        const QList<QUrl> recentBefore = store->recentRaceUrls();
        store->setRace(namedRace(QStringLiteral("Changed")));
        steps().clear();
        LogCapture log;
        store->autosave();
        store->flushAutosave();
        QList<AutosaveStep> expected {AutosaveStep::LocalFile, AutosaveStep::Broadcast,
            AutosaveStep::LiveResultat, AutosaveStep::Metsa};
        if (withEventFile)
            expected << AutosaveStep::EventFile;
        QCOMPARE(steps(), expected);
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(store->recentRaceUrls(), recentBefore);
        QCOMPARE(decodeRace(readAll(autosavePath()))->name, QStringLiteral("Changed"));
        if (withEventFile)
            QCOMPARE(decodeRace(readAll(path(QStringLiteral("e.json"))))->name, QStringLiteral("Changed"));
    }

    void autosaveHandsRaceToConfiguredPublishers()
    {
        auto store = makeStore();
        store->liveResultatSettings()->setEnabled(true);
        store->liveResultatSettings()->setCompetitionId(QStringLiteral("123"));
        store->metsaSettings()->setEnabled(true); // no competition id: not configured
        store->setRace(namedRace(QStringLiteral("Published")));
        QVERIFY(!store->liveResultatPublisher()->pendingRace());
        store->autosave();
        store->flushAutosave();
        QCOMPARE(store->liveResultatPublisher()->pendingRace()->name, QStringLiteral("Published"));
        QVERIFY(!store->metsaPublisher()->pendingRace());
    }

    void eventFileAndAutosaveDifferOnlyInLayout()
    {
        auto store = makeStore();
        Race race = namedRace(QStringLiteral("Layout"));
        race.activeStageId = QStringLiteral("s1");
        store->setRace(race);
        const QString eventPath = path(QStringLiteral("e.json"));
        QVERIFY(store->save(QUrl::fromLocalFile(eventPath)));
        store->autosave();
        store->flushAutosave();
        const QByteArray eventBytes = readAll(eventPath);
        const QByteArray autoBytes = readAll(autosavePath());
        QVERIFY(eventBytes != autoBytes);
        QVERIFY(eventBytes.contains("\n    "));
        QVERIFY(!autoBytes.contains('\n'));
        QCOMPARE(compactJson(*decodeRace(eventBytes)), compactJson(*decodeRace(autoBytes)));
    }

    void slaveSnapshotWritesOnlyTheAutosave()
    {
        auto store = makeStore();
        store->setRace(namedRace(QStringLiteral("Own")));
        const QString eventPath = path(QStringLiteral("slave.json"));
        QVERIFY(store->save(QUrl::fromLocalFile(eventPath)));
        store->liveResultatSettings()->setEnabled(true);
        store->liveResultatSettings()->setCompetitionId(QStringLiteral("1"));
        store->stationSettings()->setRole(StationRole::Slave);
        store->syncEngine()->start(StationRole::Slave, QStringLiteral("S1"), QStringLiteral("Vexlo Race"));
        RecordingConnection master;
        store->syncEngine()->addConnection(&master);
        const QByteArray eventBefore = readAll(eventPath);
        const QList<QUrl> recentBefore = store->recentRaceUrls();
        steps().clear();
        QSignalSpy raceSpy(store.get(), &RaceStore::raceChanged);

        store->syncEngine()->onSnapshotReceived(namedRace(QStringLiteral("From master")));

        QCOMPARE(store->race().name, QStringLiteral("From master"));
        QCOMPARE(raceSpy.count(), 1);
        // Written by the background writer: the store's thread goes on meanwhile.
        store->flushAutosave();
        const auto written = decodeRace(readAll(autosavePath()));
        QVERIFY(written);
        QCOMPARE(written->name, QStringLiteral("From master"));
        QCOMPARE(readAll(eventPath), eventBefore);
        QVERIFY(master.frames.isEmpty());
        QVERIFY(!store->liveResultatPublisher()->pendingRace());
        QVERIFY(steps().isEmpty());
        QCOMPARE(store->raceFileUrl(), QUrl::fromLocalFile(eventPath));
        QCOMPARE(store->recentRaceUrls(), recentBefore);
        store->syncEngine()->removeConnection(&master);
    }

    void masterReceivingSameResultTwice()
    {
        auto store = makeStore();
        store->setRace(namedRace(QStringLiteral("Master")));
        const QDateTime readAt(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
        PersonResult other;
        other.readAt = readAt;
        other.participantId = store->race().participants.first().id;
        store->setRace([&] {
            Race r = store->race();
            r.results.append(other);
            return r;
        }());
        store->syncEngine()->start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Vexlo Race"));
        RecordingConnection slaveA, slaveB;
        store->syncEngine()->addConnection(&slaveA);
        store->syncEngine()->addConnection(&slaveB);
        steps().clear();

        PersonResult submitted;
        submitted.readAt = readAt;
        submitted.participantId = other.participantId;
        submitted.cardNumber = QStringLiteral("123456");
        // Another read-out than the stored result's (which has no finish): not the same result.
        submitted.finishTime = readAt;
        submitted.raceTime = 100;
        store->syncEngine()->onResultSubmitted(submitted);
        submitted.raceTime = 200;
        store->syncEngine()->onResultSubmitted(submitted);

        const auto &results = store->race().results;
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].id, other.id); // a new id beside an existing result: appended
        QCOMPARE(results[1].id, submitted.id);
        QCOMPARE(results[1].raceTime, std::optional<double>(200));
        QCOMPARE(m_harness->autosaves(), 2);
        QCOMPARE(steps().count(AutosaveStep::Broadcast), 2);
        QCOMPARE(slaveA.frames.size(), 2);
        QCOMPARE(slaveB.frames.size(), 2);
        QCOMPARE(slaveA.frames, slaveB.frames);
        store->syncEngine()->stop();
    }

    void callbacksAfterStoreReleasedDoNothing()
    {
        auto store = makeStore();
        auto snapshot = store->syncEngine()->onSnapshotReceived;
        auto submitted = store->syncEngine()->onResultSubmitted;
        auto credentials = store->vexloChecklistPuller()->credentialsProvider;
        auto checkins = store->vexloChecklistPuller()->onCheckinsReceived;
        store.reset();
        snapshot(namedRace(QStringLiteral("late")));
        submitted(PersonResult {});
        QVERIFY(!credentials());
        checkins({});
        QVERIFY(!QFile::exists(autosavePath()));
    }

    // One read-out is one result wherever it was read: the master keeps a submitted result only
    // when its own reads would have (see the table), and answers a repeat with its event, so that
    // the station that sent it drops its copy.
    void masterKeepsOneResultPerReadOut_data() { casetable::load("store/received-readouts.tsv"); }
    void masterKeepsOneResultPerReadOut()
    {
        QFETCH(QStringList, cells);
        auto store = makeStore();
        store->setRace(namedRace(QStringLiteral("Master")));
        const QDateTime start(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        SIPunch punch;
        punch.controlCode = 31;
        punch.time = start.addSecs(10 * 60);
        const auto held = store->recordCardReading(
            QStringLiteral("123456"), {punch}, std::nullopt, start, start.addSecs(90 * 60));
        QVERIFY(held);
        store->syncEngine()->start(StationRole::Master, QStringLiteral("M"), QStringLiteral("Vexlo Race"));
        RecordingConnection slave;
        RecordingConnection other;
        store->syncEngine()->addConnection(&slave);
        store->syncEngine()->addConnection(&other);
        const auto removeSlaves = qScopeGuard([&] {
            store->syncEngine()->removeConnection(&slave);
            store->syncEngine()->removeConnection(&other);
        });

        PersonResult submitted = *held;
        submitted.id = QUuid::createUuid();
        if (cells[0] == u"other")
            submitted.participantId = QUuid::createUuid();
        if (cells[0] == u"readout") {
            submitted.participantId = QUuid();
            submitted.splits.clear();
        }
        if (cells[1] != u"same")
            submitted.stageId = cells[1];
        if (cells[2] == u"later")
            submitted.finishTime = held->finishTime->addSecs(60);
        if (cells[3] == u"other")
            submitted.cardNumber = QStringLiteral("654321");
        if (cells[4] == u"more") {
            SplitTime split;
            split.controlCode = 31;
            split.time = missingSplitTime();
            split.status = SplitStatus::Missing;
            submitted.splits.append(split);
        }
        if (cells[5] == u"later") {
            QVERIFY(held->cardStartTime);
            submitted.cardStartTime = held->cardStartTime->addSecs(60);
        }
        if (cells[6] == u"later") {
            QVERIFY(submitted.punches && submitted.punches->size() == 1);
            (*submitted.punches)[0].time = punch.time.addSecs(60);
        }
        const auto submit = [&] {
            store->syncEngine()->receive(&slave,
                *encodeSyncMessage(
                    {SyncMessageKind::SubmitResult, QStringLiteral("S"), std::nullopt, submitted}));
        };
        submit();

        const int kept = cells[7].toInt();
        QCOMPARE(store->race().results.size(), kept);
        QCOMPARE(store->race().results.first().id, held->id);
        if (kept == 2) {
            QCOMPARE(store->race().results.last().id, submitted.id);
            QCOMPARE(store->race().results.last().participantId,
                cells[0] == u"readout" ? held->participantId : submitted.participantId);
        }
        // Either way the stations hear of the master's event once more, and it holds the read-out.
        QCOMPARE(slave.frames.size(), 1);
        const auto heard = decodeSyncMessage(slave.frames.first().mid(4));
        QVERIFY(heard && heard->race);
        QVERIFY(std::any_of(heard->race->results.cbegin(), heard->race->results.cend(),
            [&](const PersonResult &r) { return r.id == held->id; }));
        if (kept == 2)
            return;
        // Another read-out of it, sent by a slave, changes nothing: that slave is told that the
        // event it has is the master's (and holds its read-out); the other stations hear nothing.
        const qsizetype heardByOther = other.frames.size();
        submit();
        QCOMPARE(other.frames.size(), heardByOther);
        QCOMPARE(slave.frames.size(), 2);
        const auto confirmed = decodeSyncMessage(slave.frames.last().mid(4));
        QVERIFY(confirmed);
        QCOMPARE(confirmed->kind, SyncMessageKind::Change);
        QCOMPARE(confirmed->sequence, heard->sequence);
        QCOMPARE(confirmed->follows, heard->sequence);
        QVERIFY(confirmed->change.isEmpty());
    }

    void checklistCredentials_data() { casetable::load("store/checklist-credentials.tsv"); }
    void checklistCredentials()
    {
        QFETCH(QStringList, cells);
        auto store = makeStore();
        store->vexloWebSettings()->setApiKey(cells[0]);
        Race race;
        if (cells[1] != u"-")
            race.vexloWebChecklistKey = cells[1];
        race.vexloWebEventId = QStringLiteral("ignored");
        store->setRace(race);
        const auto answer = store->vexloChecklistPuller()->credentialsProvider();
        QCOMPARE(bool(answer), cells[2] == u"1");
        if (answer) {
            QCOMPARE(answer->apiKey, cells[0]);
            QCOMPARE(answer->checklistKey, cells[1]);
        }
    }

    void pulledCheckinsAreAppliedAndSaved()
    {
        auto store = makeStore();
        store->setRace(namedRace(QStringLiteral("Check-in")));
        steps().clear();
        ChecklistEntry entry {
            QStringLiteral("oc-1"), QStringLiteral("123456"), QStringLiteral("Started"), false, {}};
        store->vexloChecklistPuller()->onCheckinsReceived({entry});
        const Participant &p = store->race().participants.first();
        QCOMPARE(p.externalId, std::optional<QString>(QStringLiteral("oc-1")));
        QVERIFY(p.checkedInAt);
        QCOMPARE(m_harness->autosaves(), 1);
        // The same pull again changes nothing and saves nothing.
        steps().clear();
        store->vexloChecklistPuller()->onCheckinsReceived({entry});
        QVERIFY(steps().isEmpty());
    }

    void perStageWrappersPublishWithoutSaving()
    {
        auto store = makeStore();
        Race race = namedRace(QStringLiteral("Stages"));
        race.activeStageId = QStringLiteral("s2");
        race.participants[0].classId = QStringLiteral("A");
        store->setRace(race);
        steps().clear();
        QSignalSpy spy(store.get(), &RaceStore::raceChanged);
        store->setClassId(QStringLiteral("B"), 0);
        store->setCourseId(QStringLiteral("C1"), 0);
        const QDateTime t(QDate(2025, 5, 17), QTime(10, 0), Qt::UTC);
        store->setStartTime(t, 0);
        QCOMPARE(spy.count(), 3);
        QVERIFY(steps().isEmpty());
        const Participant &p = store->race().participants[0];
        QCOMPARE(store->effectiveClassId(p), std::optional<QString>(QStringLiteral("B")));
        QCOMPARE(store->effectiveCourseId(p), std::optional<QString>(QStringLiteral("C1")));
        QCOMPARE(store->scheduledStartTime(p), std::optional<QDateTime>(t));
        QCOMPARE(p.classId, std::optional<QString>(QStringLiteral("A")));
        QVERIFY(!QFile::exists(autosavePath()));
    }
};

QTEST_GUILESS_MAIN(TestRaceStore)
#include "tst_racestore.moc"
