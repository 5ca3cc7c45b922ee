#include "casetable.h"
#include "log.h"
#include "racejournal.h"
#include "racejson.h"
#include "storeharness.h"
#include "syncoutbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

// The autosave's files written by the store's background writer: snapshots coalesce, every other
// write of the same files waits for the writer, results and failures arrive on the main thread in
// order, and nothing queued is lost when the store goes away.
namespace {

std::optional<QString> nameIn(const QString &path)
{
    const auto race = decodeRace(StoreHarness::readAll(path));
    return race ? std::optional<QString>(race->name) : std::nullopt;
}

// Holds the writer at the start of each job until the test lets it go.
struct WriterGate
{
    QSemaphore started;
    QSemaphore open;
    std::atomic<int> jobs = 0;

    std::function<void()> hook()
    {
        return [this] {
            ++jobs;
            started.release();
            // Long enough for any test; one that never opens the gate fails instead of hanging.
            open.tryAcquire(1, 20000);
        };
    }
    // Lets every job through from now on.
    void openAll() { open.release(1 << 20); }
};

// Records every logged line with whether it was logged on the main thread.
class ThreadLog
{
public:
    ThreadLog()
    {
        m_previous = setLogSink([this](const QString &line) {
            const QMutexLocker lock(&m_mutex);
            m_lines.append(line);
            m_onMain.append(QThread::currentThread() == QCoreApplication::instance()->thread());
        });
    }
    ~ThreadLog() { setLogSink(m_previous); }
    ThreadLog(const ThreadLog &) = delete;
    ThreadLog &operator=(const ThreadLog &) = delete;

    QStringList lines() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    bool allOnMainThread() const
    {
        const QMutexLocker lock(&m_mutex);
        return !m_onMain.contains(false);
    }

private:
    mutable QMutex m_mutex;
    QStringList m_lines;
    QList<bool> m_onMain;
    LogSink m_previous;
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size();
}

} // namespace

class TestBackgroundAutosave : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StoreHarness> m_harness;
    std::unique_ptr<WriterGate> m_gate;

    QString eventPath(const QString &name = QStringLiteral("event.json")) const
    {
        return m_harness->path(name);
    }

    // A store whose writer waits at the gate, with an event file open.
    std::unique_ptr<RaceStore> gatedStoreWithEventFile()
    {
        m_harness->writerHook = m_gate->hook();
        auto store = m_harness->makeStore(namedRace(QStringLiteral("Saved")));
        if (!store->save(QUrl::fromLocalFile(eventPath())))
            qFatal("cannot save the event file");
        return store;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_harness = std::make_unique<StoreHarness>();
        QVERIFY(m_harness->isValid());
        m_gate = std::make_unique<WriterGate>();
    }

    void cleanup()
    {
        // A failed check may leave the writer waiting; the store's destructor must not hang.
        m_gate->openAll();
    }

    void autosaveReturnsBeforeTheFilesAreWritten()
    {
        auto store = gatedStoreWithEventFile();
        store->setRace(namedRace(QStringLiteral("Changed")));
        store->autosave();
        m_gate->started.acquire();
        // The writer holds the job: the main thread has written nothing.
        QCOMPARE(nameIn(eventPath()), QStringLiteral("Saved"));
        QVERIFY(!QFile::exists(m_harness->autosavePath()));
        QCOMPARE(m_harness->steps,
            (QList<AutosaveStep> {AutosaveStep::LocalFile, AutosaveStep::Broadcast,
                AutosaveStep::LiveResultat, AutosaveStep::Metsa, AutosaveStep::EventFile}));
        m_gate->openAll();
        store->flushAutosave();
        QCOMPARE(nameIn(m_harness->autosavePath()), QStringLiteral("Changed"));
        QCOMPARE(nameIn(eventPath()), QStringLiteral("Changed"));
    }

    void synchronousModeWritesBeforeReturning()
    {
        m_harness->backgroundAutosave = false;
        auto store = m_harness->makeStore(namedRace(QStringLiteral("Saved")));
        QVERIFY(store->save(QUrl::fromLocalFile(eventPath())));
        store->setRace(namedRace(QStringLiteral("Changed")));
        m_harness->steps.clear();
        store->autosave();
        QCOMPARE(nameIn(m_harness->autosavePath()), QStringLiteral("Changed"));
        QCOMPARE(nameIn(eventPath()), QStringLiteral("Changed"));
        QCOMPARE(m_harness->steps.size(), 5);
    }

    void queuedSnapshotsCoalesce()
    {
        auto store = gatedStoreWithEventFile();
        store->setRace(namedRace(QStringLiteral("Round 0")));
        store->autosave();
        m_gate->started.acquire(); // round 0 is being written
        constexpr int rounds = 20;
        for (int i = 1; i <= rounds; ++i) {
            store->setRace(namedRace(QStringLiteral("Round %1").arg(i)));
            store->autosave();
        }
        // Every autosave reported its steps, in order, although only two jobs will run.
        QCOMPARE(m_harness->steps.size(), 5 * (rounds + 1));
        for (qsizetype i = 0; i < m_harness->steps.size(); ++i)
            QCOMPARE(int(m_harness->steps[i]), int(i % 5));
        m_gate->openAll();
        store->flushAutosave();
        QCOMPARE(m_gate->jobs.load(), 2); // round 0, then only the newest of the waiting ones
        QCOMPARE(nameIn(m_harness->autosavePath()), QStringLiteral("Round %1").arg(rounds));
        QCOMPARE(nameIn(eventPath()), QStringLiteral("Round %1").arg(rounds));
    }

    void explicitSaveAfterQueuedAutosavesKeepsTheNewest_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("the open file") << QStringLiteral("event.json");
        QTest::newRow("save as") << QStringLiteral("copy.json");
    }

    void explicitSaveAfterQueuedAutosavesKeepsTheNewest()
    {
        QFETCH(QString, target);
        auto store = gatedStoreWithEventFile();
        for (int i = 0; i < 5; ++i) {
            store->setRace(namedRace(QStringLiteral("Autosaved %1").arg(i)));
            store->autosave();
        }
        m_gate->started.acquire();
        store->setRace(namedRace(QStringLiteral("Newest")));
        m_gate->openAll();
        QString error;
        QVERIFY2(store->save(QUrl::fromLocalFile(eventPath(target)), &error), qPrintable(error));
        // The queued jobs were written before the save, so none can land on top of it.
        QCOMPARE(nameIn(eventPath(target)), QStringLiteral("Newest"));
        store->flushAutosave();
        QCOMPARE(nameIn(eventPath(target)), QStringLiteral("Newest"));
        QCOMPARE(nameIn(m_harness->autosavePath()), QStringLiteral("Autosaved 4"));
        QCOMPARE(nameIn(eventPath()),
            target == u"event.json" ? QStringLiteral("Newest") : QStringLiteral("Autosaved 4"));
        QCOMPARE(store->raceFileUrl(), QUrl::fromLocalFile(eventPath(target)));
        QCOMPARE(store->recentRaceUrls().first(), QUrl::fromLocalFile(eventPath(target)));
    }

    void otherWritersWaitForTheWriter_data()
    {
        QTest::addColumn<QString>("writer");
        QTest::newRow("new event") << QStringLiteral("newRace");
        QTest::newRow("snapshot from the master") << QStringLiteral("snapshot");
    }

    void otherWritersWaitForTheWriter()
    {
        QFETCH(QString, writer);
        auto store = gatedStoreWithEventFile();
        store->setRace(namedRace(QStringLiteral("Queued")));
        store->autosave();
        m_gate->started.acquire();
        m_gate->openAll();
        QString expected;
        if (writer == u"newRace") {
            store->newRace();
            expected = QStringLiteral("Untitled Race");
            // The queued save's success came first; the new event then closed the file.
            QVERIFY(store->raceFileUrl().isEmpty());
            QVERIFY(store->needsInitialSetup());
        } else {
            store->syncEngine()->onSnapshotReceived(namedRace(QStringLiteral("From master")));
            expected = QStringLiteral("From master");
            // Written by the writer, after the save queued before it: the store's thread waits
            // for neither.
            store->flushAutosave();
        }
        QCOMPARE(nameIn(m_harness->autosavePath()), expected);
        store->flushAutosave();
        QCOMPARE(nameIn(m_harness->autosavePath()), expected);
        QCOMPARE(nameIn(eventPath()), QStringLiteral("Queued"));
    }

    void openingAnotherFileIsNotUndoneByAQueuedSave()
    {
        auto store = gatedStoreWithEventFile();
        store->autosave();
        m_gate->started.acquire();
        m_gate->openAll();
        const QUrl other = QUrl::fromLocalFile(eventPath(QStringLiteral("other.json")));
        store->setRaceFileUrl(other);
        store->flushAutosave();
        QCoreApplication::processEvents();
        QCOMPARE(store->raceFileUrl(), other);
    }

    void failuresAreLoggedOnTheMainThread_data()
    {
        QTest::addColumn<bool>("local");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("local autosave") << true << QStringLiteral("RaceStore: local autosave failed: ");
        QTest::newRow("event file") << false << QStringLiteral("SI: autosave failed: ");
    }

    void failuresAreLoggedOnTheMainThread()
    {
        QFETCH(bool, local);
        QFETCH(QString, prefix);
        // The same failure in the synchronous mode gives the line to expect (its folder's path, if
        // the reason names it, taken out).
        auto withoutFolder = [&](const QStringList &lines) {
            QStringList out;
            for (QString line : lines)
                out.append(line.replace(m_harness->path(QString()), QStringLiteral("<folder>/")));
            return out;
        };
        auto fail = [&](bool background) {
            m_harness = std::make_unique<StoreHarness>();
            m_harness->backgroundAutosave = background;
            m_harness->writerHook = m_gate->hook();
            auto store = m_harness->makeStore(namedRace(QStringLiteral("Saved")));
            const QString folder = m_harness->path(QStringLiteral("events"));
            QDir().mkpath(folder);
            const QUrl url = QUrl::fromLocalFile(folder + QStringLiteral("/e.json"));
            if (!store->save(url))
                qFatal("cannot save the event file");
            if (local) {
                QDir().mkpath(m_harness->autosavePath()); // a folder where the file should go
            } else {
                QDir(folder).removeRecursively();
                QFile blocker(folder);
                if (!blocker.open(QIODevice::WriteOnly))
                    qFatal("cannot block the event folder");
            }
            return store;
        };
        QString expected;
        {
            ThreadLog log;
            auto store = fail(false);
            store->autosave();
            QCOMPARE(log.lines().size(), 1);
            expected = withoutFolder(log.lines()).first();
            QVERIFY2(expected.startsWith(prefix) && expected.size() > prefix.size(), qPrintable(expected));
        }
        ThreadLog log;
        auto store = fail(true);
        store->autosave();
        m_gate->started.acquire();
        QVERIFY(log.lines().isEmpty());
        m_gate->openAll();
        store->flushAutosave();
        QCOMPARE(withoutFolder(log.lines()), QStringList {expected});
        // A second autosave logs again, delivered by the event loop without a flush.
        store->autosave();
        QTRY_COMPARE(log.lines().size(), 2);
        QCOMPARE(withoutFolder(log.lines()).last(), expected);
        QVERIFY(log.allOnMainThread());
        QCOMPARE(store->raceFileUrl().toLocalFile(), m_harness->path(QStringLiteral("events/e.json")));
    }

    // The journal is trimmed only once every file of the job is on disk: a failed local write
    // (a folder where the file should be) keeps it, whether or not an event file is open.
    void trimOnlyAfterEveryFileIsWritten_data()
    {
        QTest::addColumn<bool>("localFails");
        QTest::addColumn<int>("eventFile"); // 0 none, 1 written, 2 fails
        QTest::newRow("local only") << false << 0;
        QTest::newRow("both") << false << 1;
        QTest::newRow("local fails") << true << 0;
        QTest::newRow("local fails, event written") << true << 1;
        QTest::newRow("event fails") << false << 2;
    }

    void trimOnlyAfterEveryFileIsWritten()
    {
        QFETCH(bool, localFails);
        QFETCH(int, eventFile);
        AutosaveJob job {
            namedRace(QStringLiteral("Job")), m_harness->path(QStringLiteral("local.json")), {}, {}, {}};
        if (localFails)
            QVERIFY(QDir().mkpath(job.localPath));
        if (eventFile)
            job.eventPath = eventFile == 1 ? eventPath() : QString();
        bool trimmed = false;
        job.afterWritten = [&] { trimmed = true; };
        const AutosaveOutcome outcome = runAutosaveJob(job);
        QCOMPARE(trimmed, !localFails && eventFile != 2);
        QCOMPARE(bool(outcome.localError), localFails);
    }

    void destructionDrainsTheWriter()
    {
        auto store = gatedStoreWithEventFile();
        const QUrl other = QUrl::fromLocalFile(eventPath(QStringLiteral("other.json")));
        store->addRecentRaceUrl(other);
        for (int i = 0; i < 5; ++i) {
            store->setRace(namedRace(QStringLiteral("Last %1").arg(i)));
            store->autosave();
        }
        m_gate->started.acquire();
        m_gate->openAll();
        store.reset();
        QCOMPARE(nameIn(m_harness->autosavePath()), QStringLiteral("Last 4"));
        QCOMPARE(nameIn(eventPath()), QStringLiteral("Last 4"));
        // The last background save's recent-list step was stored too.
        QCOMPARE(m_harness->storedRecent(), QStringList({eventPath(), other.toLocalFile()}));
    }

    void backgroundEventSaveUpdatesTheRecentList()
    {
        auto store = gatedStoreWithEventFile();
        const QUrl url = QUrl::fromLocalFile(eventPath());
        const QUrl other = QUrl::fromLocalFile(eventPath(QStringLiteral("other.json")));
        store->addRecentRaceUrl(other);
        // As the open action does: a file reopened without a save ends no initial setup yet.
        store->newRace();
        store->setRaceFileUrl(url);
        QVERIFY(store->needsInitialSetup());
        QCOMPARE(store->recentRaceUrls(), (QList<QUrl> {other, url}));

        QStringList order;
        connect(store.get(), &RaceStore::raceFileUrlChanged, this, [&] { order << "url"; });
        connect(store.get(), &RaceStore::recentRaceUrlsChanged, this, [&] { order << "recent"; });
        connect(store.get(), &RaceStore::needsInitialSetupChanged, this, [&] { order << "setup"; });
        QSignalSpy setup(store.get(), &RaceStore::needsInitialSetupChanged);
        store->autosave();
        // Nothing changes until the write is done.
        QCOMPARE(store->recentRaceUrls(), (QList<QUrl> {other, url}));
        m_gate->openAll();
        QVERIFY(setup.wait(testwaits::ceilingMs));
        QCOMPARE(order, QStringList({"recent", "setup"}));
        QCOMPARE(store->recentRaceUrls(), (QList<QUrl> {url, other}));
        QCOMPARE(m_harness->storedRecent(), QStringList({url.toLocalFile(), other.toLocalFile()}));
        QVERIFY(!store->needsInitialSetup());
        QCOMPARE(store->raceFileUrl(), url);
        // A flush afterwards finds nothing left to apply.
        store->flushAutosave();
        QCOMPARE(order.size(), 2);
    }

    // A refused write is tried again after the first delay, each refused retry waiting twice as
    // long (at most 60 times); a new change tries the waiting writes at once and the wait starts
    // over, as it does once a write has gone through.
    void retryWaitsGrowOnlyWhileNothingNewHappens_data() { casetable::load("store/retry-waits.tsv"); }
    void retryWaitsGrowOnlyWhileNothingNewHappens()
    {
        QFETCH(QStringList, cells);
        for (const bool background : {true, false}) {
            m_harness = std::make_unique<StoreHarness>();
            m_harness->backgroundAutosave = background;
            m_harness->firstRetryDelay = std::chrono::hours(1);
            auto store = m_harness->makeStore(namedRace(QStringLiteral("Retried")));
            auto *retry = store->findChild<QTimer *>(QStringLiteral("autosave retry"));
            QVERIFY(retry);
            int changes = 0;
            int reads = 0;
            for (const QString &token : cells.first().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const QString step = token.section(QLatin1Char('='), 0, 0);
                const QString where = (background ? "background: " : "synchronous: ") + token;
                if (step == QStringLiteral("refuse")) {
                    // A folder where the local autosave should go.
                    QFile::remove(m_harness->autosavePath());
                    QVERIFY(QDir().mkpath(m_harness->autosavePath()));
                    continue;
                }
                if (step == QStringLiteral("take")) {
                    QVERIFY(QDir(m_harness->autosavePath()).removeRecursively());
                    continue;
                }
                const QString outbox = m_harness->path(QStringLiteral("data/") + SyncOutboxFile::fileName);
                if (step == QStringLiteral("refuse-outbox")) {
                    QFile::remove(outbox);
                    QVERIFY(QDir().mkpath(outbox));
                    continue;
                }
                if (step == QStringLiteral("take-outbox")) {
                    QVERIFY(QDir(outbox).removeRecursively());
                    continue;
                }
                if (step == QStringLiteral("slave")) {
                    store->stationSettings()->setRole(StationRole::Slave);
                    continue;
                }
                if (step == QStringLiteral("read")) {
                    const QDateTime finish = StoreHarness::fixedNow().addSecs(-60 * 10 + reads++);
                    QVERIFY(store->recordCardReading(
                        QStringLiteral("123456"), {}, std::nullopt, finish.addSecs(-3600), finish));
                } else if (step == QStringLiteral("change")) {
                    Participant edited = store->race().participants.first();
                    edited.familyName = QStringLiteral("Change %1").arg(++changes);
                    store->updateParticipant(edited);
                } else {
                    QVERIFY2(retry->isActive(), qPrintable(where));
                    retry->stop();
                    QVERIFY(QMetaObject::invokeMethod(retry, "timeout"));
                }
                store->flushAutosave();
                const int waits = token.section(QLatin1Char('='), 1).toInt();
                QCOMPARE(retry->isActive() ? retry->interval() / 3'600'000 : 0, waits);
                QVERIFY2(store->autosaveError().isEmpty() == (waits == 0), qPrintable(where));
                if (waits == 0 && changes > 0)
                    QCOMPARE(decodeRace(StoreHarness::readAll(m_harness->autosavePath()))
                                 ->participants.first()
                                 .familyName,
                        QStringLiteral("Change %1").arg(changes));
            }
        }
    }

    // With a gap between full writes the files wait, the journal holds the change at once (a
    // crash meanwhile loses nothing), and a flush writes the files without waiting for the gap.
    void fullWritesWaitForTheirGapWithNothingLost()
    {
        m_harness->fullWriteGap = std::chrono::hours(1);
        auto store = m_harness->makeStore(namedRace(QStringLiteral("Gap")));
        store->autosave();
        store->flushAutosave();
        Participant edited = store->race().participants.first();
        edited.familyName = QStringLiteral("Later");
        store->updateParticipant(edited);
        QTest::qWait(50);
        QCOMPARE(
            decodeRace(StoreHarness::readAll(m_harness->autosavePath()))->participants.first().familyName,
            QString());
        const QString journal = m_harness->path(QStringLiteral("data/") + RaceJournal::fileName);
        const QByteArray crashedJournal = StoreHarness::readAll(journal);
        const QByteArray crashedAutosave = StoreHarness::readAll(m_harness->autosavePath());
        QVERIFY(crashedJournal.contains("Later"));

        store->flushAutosave();
        QCOMPARE(
            decodeRace(StoreHarness::readAll(m_harness->autosavePath()))->participants.first().familyName,
            QStringLiteral("Later"));
        store.reset();
        QVERIFY(writeFile(m_harness->autosavePath(), crashedAutosave) && writeFile(journal, crashedJournal));
        store = m_harness->makeStore();
        QCOMPARE(store->race().participants.first().familyName, QStringLiteral("Later"));
    }

    // Another event's file opened (as the event screen does it) while a change of the open one
    // waits for its gap: the change goes to the open one's file, and the other file is left as
    // it was; a restart then finds every change of the first event in its file.
    void openingAnotherEventWritesTheWaitingChangeToItsOwnFile()
    {
        m_harness->fullWriteGap = std::chrono::hours(1);
        auto store = m_harness->makeStore(namedRace(QStringLiteral("First")));
        QVERIFY(store->save(QUrl::fromLocalFile(eventPath())));
        store->autosave();
        store->flushAutosave();
        Race edited = store->race();
        edited.name = QStringLiteral("First, edited");
        store->setRace(edited);
        store->autosave();
        QCOMPARE(nameIn(eventPath()), QStringLiteral("First"));
        const QUrl second = QUrl::fromLocalFile(eventPath(QStringLiteral("second.json")));
        QVERIFY(!writeRaceFile(
            namedRace(QStringLiteral("Second")), JsonLayout::PrettySorted, second.toLocalFile()));

        const std::optional<Race> opened = RaceStore::readEventFile(second);
        QVERIFY(opened);
        store->setRace(*opened);
        store->setRaceFileUrl(second);
        store->addRecentRaceUrl(second);
        store->flushAutosave();
        QCOMPARE(nameIn(eventPath()), QStringLiteral("First, edited"));
        QCOMPARE(nameIn(second.toLocalFile()), QStringLiteral("Second"));
        QCOMPARE(store->race().name, QStringLiteral("Second"));

        store.reset();
        store = m_harness->makeStore();
        QCOMPARE(store->race().name, QStringLiteral("Second"));
        QVERIFY(RaceStore::readEventFile(QUrl::fromLocalFile(eventPath())));
        QCOMPARE(RaceStore::readEventFile(QUrl::fromLocalFile(eventPath()))->name,
            QStringLiteral("First, edited"));
    }

    // A runner registered for an unmatched card, the card recorded and the runner's start time
    // then set, while the writer is held. A crash before any full write: the journal alone brings
    // the runner, the result and the start time back (none waited for a write). A crash after the
    // full write but before the trim: the older records do not undo anything. The snapshot holds
    // records numbered as a file from elsewhere may (2 here, this journal 0).
    void registeredRunnerSurvivesACrashBeforeOrAfterTheFullWrite()
    {
        const QString journal = m_harness->path(QStringLiteral("data/") + RaceJournal::fileName);
        QVERIFY(QDir().mkpath(m_harness->path(QStringLiteral("data"))));
        QVERIFY(RaceLocalStore(m_harness->path(QStringLiteral("data")))
                    .save(storeTestEvent("journal/snapshot.json")));
        m_harness->writerHook = m_gate->hook();
        auto store = m_harness->makeStore();
        Participant bo;
        bo.cardNumber = QStringLiteral("777");
        store->addParticipant(bo);
        const QDateTime start(QDate(2025, 5, 17), QTime(10, 30), Qt::UTC);
        QVERIFY(store->recordCardReading(bo.cardNumber, {}, std::nullopt, start, start.addSecs(1800)));
        store->setParticipantStartTime(bo.id, start);
        const QByteArray crashedJournal = StoreHarness::readAll(journal);
        const QByteArray crashedAutosave = StoreHarness::readAll(m_harness->autosavePath());
        QCOMPARE(decodeRace(crashedAutosave)->participants.size(), 1); // nothing written yet
        m_gate->openAll();
        store.reset();
        QVERIFY(writeFile(journal, crashedJournal));

        for (const bool fullWriteDone : {true, false}) {
            if (!fullWriteDone)
                QVERIFY(writeFile(m_harness->autosavePath(), crashedAutosave)
                    && writeFile(journal, crashedJournal));
            store = m_harness->makeStore();
            QCOMPARE(store->race().participants.size(), 2);
            QCOMPARE(store->race().participants.last().id, bo.id);
            QCOMPARE(store->race().participants.last().startTime, std::optional(start));
            QCOMPARE(store->race().results.size(), 2); // Anna's, and Bo's once
            QCOMPARE(store->race().results.last().participantId, bo.id);
            store.reset();
        }
    }
};

QTEST_GUILESS_MAIN(TestBackgroundAutosave)
#include "tst_backgroundautosave.moc"
