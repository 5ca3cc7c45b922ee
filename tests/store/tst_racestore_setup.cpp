// The store's class, course and stage set-up and its course and entry imports: when each
// publishes and autosaves, and that a failing import leaves the race and every file as they were.
#include "casetable.h"
#include "log.h"
#include "loopbackhttpserver.h"
#include "racejson.h"
#include "racelookup.h"
#include "racestore.h"
#include "storeharness.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

Race baseRace()
{
    return storeTestEvent("setup-base.json");
}

const QByteArray entryList = casetable::readData(QStringLiteral("imports/entrylist-two.xml"));

} // namespace

class TestRaceStoreSetup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StoreHarness> m_harness;

    // A store with an open event file and an autosave file, both holding the fixture.
    std::unique_ptr<RaceStore> storeWithFiles(QUrl *eventFile)
    {
        auto store = m_harness->makeStore(baseRace());
        *eventFile = QUrl::fromLocalFile(m_harness->path(QStringLiteral("cup.vexlo")));
        if (!store->save(*eventFile))
            qFatal("cannot save the event file");
        store->autosave();
        store->flushAutosave();
        m_harness->steps.clear();
        return store;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_harness = std::make_unique<StoreHarness>();
        QVERIFY(m_harness->isValid());
    }

    void saveRules_data() { casetable::load("store/setup-save-rules.tsv"); }
    void saveRules()
    {
        QFETCH(QStringList, cells);
        auto store = m_harness->makeStore(baseRace());
        const QByteArray before = compactJson(store->race());
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);

        for (const QString &step : cells[0].split(QLatin1Char(';'))) {
            const QString op = step.section(QLatin1Char(' '), 0, 0);
            const QString arg = step.section(QLatin1Char(' '), 1);
            const Race &race = store->race();
            const auto classOf = [&] {
                const RaceClass *c = findClass(race, arg);
                return c ? *c : RaceClass {arg, arg};
            };
            const auto stageOf = [&] {
                for (const Stage &st : race.stages) {
                    if (st.id == arg)
                        return st;
                }
                Stage st;
                st.id = arg;
                return st;
            };
            if (op == u"generate") {
                store->generateClassesFromCourses();
            } else if (op == u"auto-match") {
                store->autoMatchClassesToCourses();
            } else if (op == u"update-class") {
                RaceClass c = classOf();
                c.courseId = QStringLiteral("B");
                store->updateClass(c);
            } else if (op == u"window") {
                store->setDefaultStartWindow(StartWindow {36000, 39600}, arg);
            } else if (op == u"clear-window") {
                store->setDefaultStartWindow(std::nullopt, arg);
            } else if (op == u"delete-class") {
                store->deleteClass(arg);
            } else if (op == u"update-course") {
                Course c = arg == u"A" ? race.courses[0] : Course();
                c.id = arg;
                c.lengthMeters = 5200.0;
                store->updateCourse(c);
            } else if (op == u"delete-course") {
                store->deleteCourse(arg);
            } else if (op == u"add-stage") {
                store->addStage(Stage {arg, arg, QDateTime(QDate(2025, 7, 2), QTime(0, 0), Qt::UTC), 2});
            } else if (op == u"update-stage") {
                Stage st = stageOf();
                st.name = QStringLiteral("Prologue");
                store->updateStage(st);
            } else if (op == u"delete-stage") {
                store->deleteStage(stageOf());
            } else if (op == u"merge-classes") {
                RaceClass imported {QStringLiteral("7"), QStringLiteral("h21")};
                imported.courseId = QStringLiteral("B");
                QCOMPARE(store->mergeImportedClasses({imported}, std::nullopt).value(QStringLiteral("7")),
                    QStringLiteral("H21"));
            } else if (op == u"merge-courses") {
                Course c;
                c.id = QStringLiteral("9");
                c.name = QStringLiteral("LONG");
                QCOMPARE(store->mergeImportedCourses({c}, std::nullopt).value(QStringLiteral("9")),
                    QStringLiteral("A"));
            } else if (op == u"apply-entries") {
                Participant p;
                p.givenName = QStringLiteral("Bo");
                p.cardNumber = QStringLiteral("502");
                store->applyImportedEntries({p});
            } else if (op == u"rental-numbers") {
                Participant named;
                named.familyName = QStringLiteral("Dahl");
                const QList<Participant> numbered = store->assignRentalCardNumbers({named, named});
                // 100 is held by a stored entry.
                QCOMPARE(numbered[0].cardNumber, QStringLiteral("101"));
                QCOMPARE(numbered[1].cardNumber, QStringLiteral("102"));
                QSet<QString> inUse {QStringLiteral("100")};
                QCOMPARE(RaceStore::nextFreeRentalCardNumber(Participant(), inUse).cardNumber,
                    QStringLiteral("101"));
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
        }
        store->flushAutosave();
        const int saves = cells[1].toInt();
        QCOMPARE(m_harness->autosaves(), saves);
        QCOMPARE(changed.count(), cells[2].toInt());
        QCOMPARE(compactJson(store->race()) != before, cells[3] == u"1");
        if (saves)
            QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), compactJson(store->race()));
        else
            QVERIFY(!QFile::exists(m_harness->autosavePath()));
    }

    void importCoursesMergesAndSavesOnce()
    {
        QUrl eventFile;
        auto store = storeWithFiles(&eventFile);
        const QString path = QStringLiteral(VEXLO_TEST_DATA_DIR "/imports/coursedata-long.xml");
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);
        LogCapture log;

        store->importCourses(QUrl::fromLocalFile(path));

        // Course "long" merged into the stored "Long" (id A), class H21 keeps pointing at A.
        QCOMPARE(store->race().courses.size(), 2);
        QCOMPARE(store->race().courses[0].id, QStringLiteral("A"));
        QCOMPARE(store->race().courses[0].controls.size(), 1);
        QCOMPARE(store->race().classes[0].courseId, QStringLiteral("A"));
        QCOMPARE(m_harness->autosaves(), 1);
        QCOMPARE(m_harness->steps.last(), AutosaveStep::EventFile);
        QCOMPARE(changed.count(), 1);
        store->flushAutosave();
        QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), compactJson(store->race()));
        QCOMPARE(RaceStore::readEventFile(eventFile)->courses[0].controls.size(), 1);
        QCOMPARE(log.lines().last(),
            QStringLiteral("RaceStore: importCourses applied \u2014 race.courses now has 2 course(s)"));
    }

    void importCoursesFailureChangesNothing_data() { casetable::load("store/course-import-refused.tsv"); }
    void importCoursesFailureChangesNothing()
    {
        QFETCH(QStringList, cells);
        const QString file = cells[0];
        const QString message = cells[1];
        QUrl eventFile;
        auto store = storeWithFiles(&eventFile);
        const QByteArray race = compactJson(store->race());
        const QByteArray autosaved = StoreHarness::readAll(m_harness->autosavePath());
        const QByteArray saved = StoreHarness::readAll(eventFile.toLocalFile());
        QUrl url(file);
        if (file == u"folder")
            QVERIFY(QDir(m_harness->path(QString())).mkdir(file));
        if (file.startsWith(u"data:"))
            url = QUrl::fromLocalFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/") + file.mid(5));
        else if (url.scheme().isEmpty())
            url = QUrl::fromLocalFile(m_harness->path(file));
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);

        QString thrown;
        try {
            store->importCourses(url);
        } catch (const ImportError &e) {
            thrown = e.message();
        }
        QVERIFY2(!thrown.isEmpty(), "no ImportError");
        QVERIFY2(thrown.startsWith(message), qPrintable(thrown));
        QCOMPARE(compactJson(store->race()), race);
        QCOMPARE(changed.count(), 0);
        QVERIFY(m_harness->steps.isEmpty());
        QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), autosaved);
        QCOMPARE(StoreHarness::readAll(eventFile.toLocalFile()), saved);
    }

    void entryBytesFailureChangesNothing_data() { casetable::load("store/entry-list-refused.tsv"); }
    void entryBytesFailureChangesNothing()
    {
        QFETCH(QStringList, cells);
        const QByteArray body
            = cells[0].startsWith(u"data:") ? casetable::readData(cells[0].mid(5)) : cells[0].toUtf8();
        const std::optional<int> status = cells[1] == u"-" ? std::nullopt : std::optional(cells[1].toInt());
        const QString &message = cells[2];
        auto store = m_harness->makeStore(baseRace());
        const QByteArray before = compactJson(store->race());
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);
        QString thrown;
        try {
            store->applyDownloadedEntries(body, status);
        } catch (const ImportError &e) {
            thrown = e.message();
        }
        QVERIFY2(!thrown.isEmpty(), "no ImportError");
        QVERIFY2(thrown.startsWith(message), qPrintable(thrown));
        QCOMPARE(compactJson(store->race()), before);
        QCOMPARE(changed.count(), 0);
        QVERIFY(m_harness->steps.isEmpty());
    }

    void entryDownloadEndsWithOneAutosave()
    {
        OneShotHttpServer server(OneShotHttpServer::reply(200, entryList));
        auto store = m_harness->makeStore(baseRace());
        int calls = 0;
        std::optional<QString> error = QStringLiteral("not called");
        store->importEntries(server.url(), [&](const std::optional<QString> &e) {
            ++calls;
            error = e;
        });
        QCOMPARE(calls, 0); // never inside the call
        // Edited while the request is outstanding: the list is applied to the race as it is then.
        store->setVexloWebEventId(QStringLiteral("ev-9"));
        QCOMPARE(m_harness->autosaves(), 1);

        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 20000);
        QCOMPARE(error, std::nullopt);
        QVERIFY(server.request().startsWith("GET /xml.php HTTP/1.1\r\n"));
        QCOMPARE(store->race().vexloWebEventId, QStringLiteral("ev-9"));
        const Race &race = store->race();
        QCOMPARE(race.participants.size(), 3);
        // A stage is active: new entries carry their class for that stage only, merged into H21.
        QCOMPARE(race.participants[1].familyName, QStringLiteral("Lund"));
        QCOMPARE(race.participants[1].classIdByStage->value(QStringLiteral("day1")), QStringLiteral("H21"));
        // The entry without a card gets the lowest rental number not held by a stored entry.
        QCOMPARE(race.participants[2].cardNumber, QStringLiteral("101"));
        QVERIFY(race.participants[2].isRentalCard);
        QCOMPARE(m_harness->autosaves(), 2);
        store->flushAutosave();
        QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), compactJson(store->race()));
        QCoreApplication::processEvents();
        QCOMPARE(calls, 1);
    }

    void entryDownloadForAnEventNoLongerOpenIsDropped()
    {
        for (const bool newEvent : {false, true}) {
            OneShotHttpServer server(OneShotHttpServer::reply(200, entryList));
            auto store = m_harness->makeStore(baseRace());
            std::optional<QString> error;
            int calls = 0;
            int applied = 0;
            store->importEntries(
                server.url(),
                [&](const std::optional<QString> &e) {
                    ++calls;
                    error = e;
                },
                [&](const EntryChanges &) { ++applied; });
            if (newEvent)
                store->newRace();
            else
                store->setRaceFileUrl(QUrl::fromLocalFile(m_harness->path(QStringLiteral("other.json"))));
            const QByteArray opened = compactJson(store->race());
            m_harness->steps.clear();
            QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 20000);
            QVERIFY(error && error->contains(QStringLiteral("another event was opened")));
            QCOMPARE(applied, 0);
            QCOMPARE(compactJson(store->race()), opened);
            QVERIFY(m_harness->steps.isEmpty());
        }
    }

    void entryDownloadReportsWhatChanged()
    {
        // Anna, stored with card 100, comes back under a new family name.
        QByteArray body = entryList;
        body.replace("</EntryList>",
            "<PersonEntry><Person><Name><Family>Holm</Family><Given>Anna</Given></Name></Person>"
            "<ControlCard>100</ControlCard></PersonEntry></EntryList>");
        OneShotHttpServer server(OneShotHttpServer::reply(200, body));
        auto store = m_harness->makeStore(baseRace());
        std::optional<EntryChanges> changes;
        bool done = false;
        store->importEntries(
            server.url(), [&](const std::optional<QString> &) { done = true; },
            [&](const EntryChanges &c) {
                QVERIFY(!done);
                changes = c;
            });
        QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
        QCOMPARE(changes, (EntryChanges {2, 1, 0}));
    }

    void storeGoneBeforeTheAnswerHearsNothing()
    {
        OneShotHttpServer server(OneShotHttpServer::reply(200, entryList));
        int calls = 0;
        {
            auto store = m_harness->makeStore(baseRace());
            store->importEntries(server.url(), [&](const std::optional<QString> &) { ++calls; });
        }
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(calls, 0);
        QVERIFY(m_harness->steps.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRaceStoreSetup)
#include "tst_racestore_setup.moc"
