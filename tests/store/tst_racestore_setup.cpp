// The store's class, course and stage set-up and its course and entry imports: when each
// publishes and autosaves, and that a failing import leaves the race and every file as they were.
#include "log.h"
#include "loopbackhttpserver.h"
#include "racejson.h"
#include "racestore.h"
#include "storeharness.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <functional>

using Operation = std::function<void(RaceStore &)>;
Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

Race baseRace()
{
    Race race;
    race.name = QStringLiteral("Spring Cup");
    Course a;
    a.id = QStringLiteral("A");
    a.name = QStringLiteral("Long");
    Course b;
    b.id = QStringLiteral("B");
    b.name = QStringLiteral("Short");
    race.courses = {a, b};
    RaceClass h21;
    h21.id = QStringLiteral("H21");
    h21.name = QStringLiteral("H21");
    h21.courseId = QStringLiteral("A");
    RaceClass d21;
    d21.id = QStringLiteral("D21");
    d21.name = QStringLiteral("Short");
    race.classes = {h21, d21};
    Participant anna;
    anna.givenName = QStringLiteral("Anna");
    anna.familyName = QStringLiteral("Berg");
    anna.cardNumber = QStringLiteral("100");
    anna.classId = QStringLiteral("H21");
    race.participants = {anna};
    race.stages = {Stage {QStringLiteral("day1"), QStringLiteral("Day 1"),
        QDateTime(QDate(2025, 7, 1), QTime(0, 0), Qt::UTC), 1}};
    race.activeStageId = QStringLiteral("day1");
    return race;
}

QByteArray compact(const Race &race)
{
    return encodeRace(race, JsonLayout::Compact).value_or(QByteArray());
}

QByteArray courseFile(const QByteArray &courses)
{
    return "<?xml version=\"1.0\"?><CourseData xmlns=\"http://www.orienteering.org/datastandard/3.0\">"
           "<RaceCourseData>"
        + courses + "</RaceCourseData></CourseData>";
}

const QByteArray longCourse
    = courseFile("<Course><Id>L</Id><Name>long</Name><CourseControl><Control>31</Control></CourseControl>"
                 "</Course><ClassCourseAssignment><ClassName>H21</ClassName><CourseName>long</CourseName>"
                 "</ClassCourseAssignment>");

const QByteArray entryList
    = "<?xml version=\"1.0\"?><EntryList xmlns=\"http://www.orienteering.org/datastandard/3.0\">"
      "<PersonEntry><Person><Name><Family>Lund</Family><Given>Cai</Given></Name></Person>"
      "<ControlCard>501</ControlCard><Class><Id>1</Id><Name>h21</Name></Class></PersonEntry>"
      "<PersonEntry><Person><Name><Family>Dahl</Family><Given>Bo</Given></Name></Person>"
      "<Class><Id>1</Id></Class></PersonEntry></EntryList>";

RaceClass importedClass(const QString &id, const QString &name)
{
    RaceClass c;
    c.id = id;
    c.name = name;
    return c;
}

} // namespace

class TestRaceStoreSetup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<StoreHarness> m_harness;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_harness->path(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        f.write(bytes);
        return path;
    }

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

    void saveRules_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("saves");
        QTest::addColumn<int>("publishes");
        QTest::addColumn<bool>("changes");

        const auto stage = [](RaceStore &s) { return s.race().stages[0]; };
        Stage unknownStage;
        unknownStage.id = QStringLiteral("nowhere");

        QTest::newRow("generate classes")
            << Operation([](RaceStore &s) { s.generateClassesFromCourses(); }) << 1 << 1 << true;
        QTest::newRow("generate classes twice") << Operation([](RaceStore &s) {
            s.generateClassesFromCourses();
            s.generateClassesFromCourses();
        }) << 2 << 2 << true;
        QTest::newRow("auto-match classes")
            << Operation([](RaceStore &s) { s.autoMatchClassesToCourses(); }) << 1 << 1 << true;
        QTest::newRow("auto-match with nothing to match") << Operation([](RaceStore &s) {
            s.autoMatchClassesToCourses();
            s.autoMatchClassesToCourses();
        }) << 2 << 2 << true;
        QTest::newRow("update a class") << Operation([](RaceStore &s) {
            RaceClass c = s.race().classes[0];
            c.courseId = QStringLiteral("B");
            s.updateClass(c);
        }) << 1 << 1 << true;
        QTest::newRow("update an unknown class") << Operation([](RaceStore &s) {
            s.updateClass(importedClass(QStringLiteral("X"), QStringLiteral("X")));
        }) << 0 << 0 << false;
        QTest::newRow("default start window") << Operation([](RaceStore &s) {
            s.setDefaultStartWindow(StartWindow {36000, 39600}, QStringLiteral("day1"));
        }) << 1 << 1 << true;
        QTest::newRow("clear a stage window that was never set")
            << Operation([](RaceStore &s) { s.setDefaultStartWindow(std::nullopt, QStringLiteral("day1")); })
            << 1 << 1 << false;
        QTest::newRow("delete a class")
            << Operation([](RaceStore &s) { s.deleteClass(QStringLiteral("H21")); }) << 1 << 1 << true;
        QTest::newRow("delete an unknown class")
            << Operation([](RaceStore &s) { s.deleteClass(QStringLiteral("X")); }) << 1 << 1 << false;
        QTest::newRow("update a course") << Operation([](RaceStore &s) {
            Course c = s.race().courses[0];
            c.lengthMeters = 5200.0;
            s.updateCourse(c);
        }) << 1 << 1 << true;
        QTest::newRow("update an unknown course") << Operation([](RaceStore &s) {
            Course c;
            c.id = QStringLiteral("X");
            s.updateCourse(c);
        }) << 0 << 0 << false;
        QTest::newRow("delete a course")
            << Operation([](RaceStore &s) { s.deleteCourse(QStringLiteral("A")); }) << 1 << 1 << true;
        QTest::newRow("delete an unknown course")
            << Operation([](RaceStore &s) { s.deleteCourse(QStringLiteral("X")); }) << 1 << 1 << false;
        QTest::newRow("add a stage") << Operation([](RaceStore &s) {
            s.addStage(Stage {QStringLiteral("day2"), QStringLiteral("Day 2"),
                QDateTime(QDate(2025, 7, 2), QTime(0, 0), Qt::UTC), 2});
        }) << 1 << 1 << true;
        QTest::newRow("update a stage") << Operation([=](RaceStore &s) {
            Stage st = stage(s);
            st.name = QStringLiteral("Prologue");
            s.updateStage(st);
        }) << 1 << 1 << true;
        QTest::newRow("update an unknown stage")
            << Operation([=](RaceStore &s) { s.updateStage(unknownStage); }) << 0 << 0 << false;
        QTest::newRow("delete a stage")
            << Operation([=](RaceStore &s) { s.deleteStage(stage(s)); }) << 1 << 1 << true;
        QTest::newRow("delete an unknown stage")
            << Operation([=](RaceStore &s) { s.deleteStage(unknownStage); }) << 1 << 1 << false;

        // The import steps publish their change; the import that calls them saves once at its end.
        QTest::newRow("merge imported classes") << Operation([](RaceStore &s) {
            RaceClass imported = importedClass(QStringLiteral("7"), QStringLiteral("h21"));
            imported.courseId = QStringLiteral("B");
            const IdMap map = s.mergeImportedClasses({imported}, std::nullopt);
            QCOMPARE(map.value(QStringLiteral("7")), QStringLiteral("H21"));
        }) << 0 << 1 << true;
        QTest::newRow("merge imported courses") << Operation([](RaceStore &s) {
            Course c;
            c.id = QStringLiteral("9");
            c.name = QStringLiteral("LONG");
            const IdMap map = s.mergeImportedCourses({c}, std::nullopt);
            QCOMPARE(map.value(QStringLiteral("9")), QStringLiteral("A"));
        }) << 0 << 1 << true;
        QTest::newRow("apply imported entries") << Operation([](RaceStore &s) {
            Participant p;
            p.givenName = QStringLiteral("Bo");
            p.cardNumber = QStringLiteral("502");
            s.applyImportedEntries({p});
        }) << 0 << 1 << true;
        QTest::newRow("rental numbers change nothing") << Operation([](RaceStore &s) {
            Participant named;
            named.familyName = QStringLiteral("Dahl");
            const QList<Participant> numbered = s.assignRentalCardNumbers({named, named});
            // 100 is held by a stored entry.
            QCOMPARE(numbered[0].cardNumber, QStringLiteral("101"));
            QCOMPARE(numbered[1].cardNumber, QStringLiteral("102"));
            QSet<QString> inUse {QStringLiteral("100")};
            QCOMPARE(
                RaceStore::nextFreeRentalCardNumber(Participant(), inUse).cardNumber, QStringLiteral("101"));
        }) << 0 << 0 << false;
    }
    void saveRules()
    {
        QFETCH(Operation, operation);
        QFETCH(int, saves);
        QFETCH(int, publishes);
        QFETCH(bool, changes);
        auto store = m_harness->makeStore(baseRace());
        const QByteArray before = compact(store->race());
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);

        operation(*store);
        if (QTest::currentTestFailed())
            return;
        store->flushAutosave();

        QCOMPARE(m_harness->autosaves(), saves);
        QCOMPARE(changed.count(), publishes);
        QCOMPARE(compact(store->race()) != before, changes);
        if (saves)
            QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), compact(store->race()));
        else
            QVERIFY(!QFile::exists(m_harness->autosavePath()));
    }

    void importCoursesMergesAndSavesOnce()
    {
        QUrl eventFile;
        auto store = storeWithFiles(&eventFile);
        const QString path = writeFile(QStringLiteral("courses.xml"), longCourse);
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
        QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), compact(store->race()));
        QCOMPARE(RaceStore::readEventFile(eventFile)->courses[0].controls.size(), 1);
        QCOMPARE(log.lines().last(),
            QStringLiteral("RaceStore: importCourses applied \u2014 race.courses now has 2 course(s)"));
    }

    void importCoursesFailureChangesNothing_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file")
            << "missing.xml" << QByteArray() << "Could not read the course file missing.xml";
        QTest::newRow("no courses") << "empty.xml" << courseFile("")
                                    << "No <Course> elements found in CourseData XML";
        QTest::newRow("not XML") << "broken.xml" << QByteArray("<CourseData><Course>") << "";
        QTest::newRow("a folder") << "folder" << QByteArray() << "Could not read the course file folder";
        QTest::newRow("not a local file") << "" << QByteArray() << "Not a local file: http://127.0.0.1/c.xml";
    }
    void importCoursesFailureChangesNothing()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QUrl eventFile;
        auto store = storeWithFiles(&eventFile);
        const QByteArray race = compact(store->race());
        const QByteArray autosaved = StoreHarness::readAll(m_harness->autosavePath());
        const QByteArray saved = StoreHarness::readAll(eventFile.toLocalFile());
        QUrl url = QUrl(QStringLiteral("http://127.0.0.1/c.xml"));
        if (fileName == u"folder") {
            QVERIFY(QDir(m_harness->path(QString())).mkdir(fileName));
            url = QUrl::fromLocalFile(m_harness->path(fileName));
        } else if (!fileName.isEmpty()) {
            url = QUrl::fromLocalFile(
                bytes.isEmpty() ? m_harness->path(fileName) : writeFile(fileName, bytes));
        }
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);

        QString thrown;
        try {
            store->importCourses(url);
        } catch (const ImportError &e) {
            thrown = e.message();
        }
        QVERIFY2(!thrown.isEmpty(), "no ImportError");
        QVERIFY2(thrown.startsWith(message), qPrintable(thrown));
        QCOMPARE(compact(store->race()), race);
        QCOMPARE(changed.count(), 0);
        QVERIFY(m_harness->steps.isEmpty());
        QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), autosaved);
        QCOMPARE(StoreHarness::readAll(eventFile.toLocalFile()), saved);
    }

    void entryBytesFailureChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<std::optional<int>>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("404") << entryList << std::optional<int>(404) << "Server returned status 404";
        QTest::newRow("no entries") << QByteArray("<EntryList/>") << std::optional<int>()
                                    << "No <PersonEntry> elements found in EntryList XML";
        QTest::newRow("not XML") << QByteArray("<EntryList><PersonEntry>") << std::optional<int>(200) << "";
    }
    void entryBytesFailureChangesNothing()
    {
        QFETCH(QByteArray, body);
        QFETCH(std::optional<int>, status);
        QFETCH(QString, message);
        auto store = m_harness->makeStore(baseRace());
        const QByteArray before = compact(store->race());
        QSignalSpy changed(store.get(), &RaceStore::raceChanged);
        QString thrown;
        try {
            store->applyDownloadedEntries(body, status);
        } catch (const ImportError &e) {
            thrown = e.message();
        }
        QVERIFY2(!thrown.isEmpty(), "no ImportError");
        QVERIFY2(thrown.startsWith(message), qPrintable(thrown));
        QCOMPARE(compact(store->race()), before);
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
        QCOMPARE(StoreHarness::readAll(m_harness->autosavePath()), compact(store->race()));
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
            const QByteArray opened = compact(store->race());
            m_harness->steps.clear();
            QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 20000);
            QVERIFY(error && error->contains(QStringLiteral("another event was opened")));
            QCOMPARE(applied, 0);
            QCOMPARE(compact(store->race()), opened);
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
