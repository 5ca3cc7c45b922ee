// A two-day event built from IOF files through the screens' view-models and one store: stages added
// on the event's dates, courses with a decimal score, each day's entry list imported on its stage,
// a draw and the standings over every imported runner, a start list of two races imported into each
// stage (and into a stage whose date the file does not match), and the exports of one stage.
// The files and the expected start times are in tests/data/multiday.

#include "apptesting.h"
#include "casetable.h"
#include "coursesscreen.h"
#include "documenttestsupport.h"
#include "entriesscreen.h"
#include "localization.h"
#include "outstandingrunners.h"
#include "perstage.h"
#include "resultexports.h"
#include "stagesviewmodel.h"
#include "startlistdata.h"
#include "startlistviewmodel.h"
#include "startsheets.h"
#include "storeharness.h"

#include <QTemporaryDir>
#include <QTest>

#include <ctime>

namespace {

QUrl dataFile(const char *name)
{
    return QUrl::fromLocalFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/multiday/") + QLatin1String(name));
}

QDateTime localTime(int day, int hour, int minute)
{
    return QDateTime(QDate(2026, 6, day), QTime(hour, minute), Qt::LocalTime).toUTC();
}

} // namespace

class TestMultiDay : public QObject
{
    Q_OBJECT

    StoreHarness h;
    std::unique_ptr<RaceStore> store;
    StagesViewModel stages;
    CoursesScreen courses;
    EntriesScreen entries;
    StartListViewModel startList;
    QTemporaryDir dir;
    QString day1;
    QString day2;

    const Participant &byCard(const QString &card) const
    {
        for (const Participant &p : store->race().participants)
            if (p.cardNumber == card)
                return p;
        qFatal("no runner with card %s", qPrintable(card));
    }
    void makeActive(const QString &stageId)
    {
        stages.makeActive(stageId);
        QCOMPARE(store->race().activeStageId, std::optional<QString>(stageId));
    }
    void finishImport()
    {
        for (int turns = 0; startList.importIsRunning() && turns < 100000; ++turns)
            QCoreApplication::processEvents();
        QVERIFY(!startList.importIsRunning());
    }
    // The start times of outcomes.tsv's step, for the active stage.
    void compareTimes(const QString &step)
    {
        for (const QStringList &cells : casetable::rows(QStringLiteral("multiday/outcomes.tsv"))) {
            if (cells[0] != step)
                continue;
            for (const QString &check : cells.mid(1)) {
                const auto time = scheduledStartTime(store->race(), byCard(check.section(u'=', 0, 0)));
                const QString shown = time
                    ? time->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                    : QStringLiteral("-");
                QCOMPARE(check.section(u'=', 0, 0) + u'=' + shown, check);
            }
            return;
        }
        QFAIL(qPrintable(QStringLiteral("no step ") + step));
    }

private slots:
    void initTestCase()
    {
        qputenv("TZ", "Europe/Copenhagen");
        tzset();
        useTestSettings("tst_multiday");
        QLocale::setDefault(QLocale::c());
        // The texts compared are the English ones, whatever language the machine prefers.
        static LocalizationManager english(QStringList {QStringLiteral("en")});
        LocalizationManager::setShared(&english);
        h.backgroundAutosave = false;
        Race race;
        race.name = QStringLiteral("Sommer 2 dage");
        race.date = localTime(13, 0, 0);
        store = h.makeStore(race);
        for (StoreViewModel *vm :
            std::initializer_list<StoreViewModel *> {&stages, &courses, &entries, &startList})
            vm->setStore(store.get());
        stages.setClock([] { return StoreHarness::fixedNow(); });
    }

    // The first stage takes the event's date, the second the day after.
    void stagesOnConsecutiveDays()
    {
        stages.beginNewStage();
        stages.saveEdit();
        stages.beginNewStage();
        stages.saveEdit();
        const QList<Stage> added = sortedStages(store->race().stages);
        QCOMPARE(added.size(), 2);
        QCOMPARE(added[0].date, localTime(13, 0, 0));
        QCOMPARE(added[1].date, localTime(14, 0, 0));
        day1 = added[0].id;
        day2 = added[1].id;
        QCOMPARE(store->race().activeStageId, std::optional<QString>(day1));
    }

    // The score of 7.5 is imported as 8 and the summary names the control.
    void coursesWithADecimalScore()
    {
        courses.importCourses(dataFile("courses.xml"));
        QCOMPARE(courses.importError(), QString());
        QVERIFY2(courses.changeSummary().endsWith(QStringLiteral(
                     " Control 32 of course \"Score\" has the score 7.5 in the file; scores are whole "
                     "points, so it counts 8.")),
            qPrintable(courses.changeSummary()));
        QList<qint64> scores;
        for (const Course &c : store->race().courses)
            if (c.name == u"Score")
                for (const CourseControl &cc : c.controls)
                    scores.append(cc.score.value_or(-1));
        QCOMPARE(scores, QList<qint64>({10, 8, 5}));
    }

    // Each day's list on its stage: every new runner gets the class as base class too, and the
    // card typed with spaces in the list is stored as its digits. Each import names the stage it
    // goes into and waits for the organiser's word; the stage the courses screen showed last is
    // the one it names, and another chosen in the sheet is the one it fills.
    void entriesOfEachDay()
    {
        courses.selectStage(day2);
        const QByteArray before = compactJson(store->race());
        entries.importFromFile(dataFile("entries-day1.xml"));
        QCOMPARE(entries.importError(), QString());
        QVERIFY(entries.importConfirmationOpen());
        QCOMPARE(entries.importConfirmationText(),
            QStringLiteral(
                "The entries of entries-day1.xml go into the stage Stage 2 (14/06/2026). To import "
                "them into another stage, choose it here."));
        QCOMPARE(compactJson(store->race()), before);
        entries.cancelImport();
        QVERIFY(!entries.importConfirmationOpen());
        entries.confirmImport();
        QCOMPARE(compactJson(store->race()), before);

        entries.importFromFile(dataFile("entries-day1.xml"));
        entries.selectStage(day1);
        QVERIFY(entries.importConfirmationText().contains(QStringLiteral("the stage Stage 1 (13/06/2026)")));
        QCOMPARE(store->race().participants.size(), 0);
        entries.confirmImport();
        QVERIFY(!entries.importConfirmationOpen());
        QCOMPARE(entries.importError(), QString());
        makeActive(day2);
        entries.importFromFile(dataFile("entries-day2.xml"));
        entries.confirmImport();
        QCOMPARE(entries.importError(), QString());
        const Race &race = store->race();
        QCOMPARE(race.participants.size(), 7);
        for (const Participant &p : race.participants)
            QVERIFY2(p.classId, qPrintable(p.givenName + QStringLiteral(" has no base class")));
        QCOMPARE(byCard(QStringLiteral("2000009")).givenName, QStringLiteral("Søren"));
        const Participant &eva = byCard(QStringLiteral("8200001"));
        QCOMPARE(eva.classId, std::optional<QString>(QStringLiteral("H21")));
        QCOMPARE(eva.classIdByStage, std::optional<StageMap<QString>>({{day2, QStringLiteral("H21")}}));
    }

    // Everything that picks runners by class sees all of them.
    void classOperationsSeeEveryRunner()
    {
        QCOMPARE(store->rankedResults(QStringLiteral("H21")).size(), 4);
        QCOMPARE(store->rankedResults(QStringLiteral("D21")).size(), 3);
        QStringList counts;
        for (const ClassEntryCount &row : classEntryCounts(store->race()))
            counts.append(row.className + u'=' + QString::number(row.count));
        QCOMPARE(counts, QStringList({"D21=3", "H21=4"}));
        // The outstanding-runners screen shows each runner's class for the stage.
        for (const Participant &p : store->race().participants)
            QVERIFY2(
                stageClassId(p, day2), qPrintable(p.givenName + QStringLiteral(" has no class on day 2")));

        store->assignMassStart(QStringLiteral("D21"), localTime(14, 12, 0));
        QCOMPARE(planClearStartTimes(store->race(), QStringLiteral("D21")).cleared.size(), 3);
        (void)store->clearStartTimes(planClearStartTimes(store->race(), QStringLiteral("D21")).cleared);
        store->assignIntervalStartTimes(QStringLiteral("H21"), localTime(14, 11, 0), 60);
        QStringList drawn;
        for (const Participant &p : store->race().participants)
            if (p.classId == u"H21" && scheduledStartTime(store->race(), p))
                drawn.append(p.givenName);
        QCOMPARE(drawn.size(), 4);
    }

    // Stage 2 takes race 2's starts; a runner without one keeps what he had; the summary says how
    // many times were replaced.
    void startListIntoEachStage()
    {
        // The draw's order is random; the outcome table wants it by card.
        store->applyStartTimes(
            {{byCard("2000009").id, localTime(14, 11, 0)}, {byCard("8123456").id, localTime(14, 11, 1)},
                {byCard("501234").id, localTime(14, 11, 2)}, {byCard("8200001").id, localTime(14, 11, 3)}});
        compareTimes(QStringLiteral("drawn day 2"));

        startList.importStartList(dataFile("startlist-two-races.xml"));
        QCOMPARE(startList.importDayQuestion(), QString());
        finishImport();
        StartListImportSummary expected;
        expected.applied = 5;
        expected.replaced = 3;
        QCOMPARE(*startList.importSummary(), expected);
        QCOMPARE(startList.importSummaryLines().value(1).toMap().value("text").toString(),
            QStringLiteral("3 of them replaced an existing start time."));
        compareTimes(QStringLiteral("imported day 2"));
        startList.closeImportSheet();

        makeActive(day1);
        startList.importStartList(dataFile("startlist-two-races.xml"));
        finishImport();
        expected.applied = 6;
        expected.replaced = 0;
        QCOMPARE(*startList.importSummary(), expected);
        compareTimes(QStringLiteral("imported day 1"));
        startList.closeImportSheet();
    }

    // A file for another day than the stage's changes nothing until the organiser agrees.
    void startListOfAnotherDay()
    {
        makeActive(day2);
        Stage moved = sortedStages(store->race().stages)[1];
        moved.date = localTime(21, 0, 0);
        store->updateStage(moved);
        const QByteArray before = compactJson(store->race());
        const int saves = h.autosaves();

        startList.importStartList(dataFile("startlist-two-races.xml"));
        QCOMPARE(startList.importDayQuestion(),
            QStringLiteral("This start list is for 2026-06-14, but the active stage, Stage 2, is on "
                           "2026-06-21. Import its start times into Stage 2 anyway, placed on 2026-06-21?"));
        QVERIFY(startList.showingImportProgressSheet());
        startList.closeImportSheet(); // not while the question stands
        QVERIFY(startList.showingImportProgressSheet());
        startList.cancelImport();
        QVERIFY(!startList.showingImportProgressSheet());
        QVERIFY(startList.exportError().startsWith(
            QStringLiteral("Import cancelled: no start time was changed.")));
        QCOMPARE(compactJson(store->race()), before);
        QCOMPARE(h.autosaves(), saves);

        startList.importStartList(dataFile("startlist-two-races.xml"));
        startList.confirmImportDay();
        finishImport();
        QCOMPARE(startList.importSummary()->movedToStageDay, 5);
        QCOMPARE(startList.importSummary()->replaced, 5);
        compareTimes(QStringLiteral("day 2 moved to its new date"));
        startList.closeImportSheet();
    }

    // One stage's exports name the stage, and the IOF start list carries the clubs, valid.
    void exportsOfOneStage()
    {
        QCOMPARE(exportStartListFileName(store->race(), StartListExportKind::Xml),
            QStringLiteral("Sommer 2 dage-startlist-Stage 2-2026-06-21.xml"));
        ResultFilter filter;
        filter.stageId = day1;
        QCOMPARE(suggestedExportFileName(ResultExportKind::ResultsXML, store->race(), filter),
            QStringLiteral("Sommer 2 dage-results-Stage 1-2026-06-13.xml"));
        filter.stageId = overallStageFilter;
        QCOMPARE(suggestedExportFileName(ResultExportKind::ResultsXML, store->race(), filter),
            QStringLiteral("Sommer 2 dage-overall.xml"));

        const QString path = dir.filePath(exportStartListFileName(store->race(), StartListExportKind::Xml));
        QVERIFY2(startList.exportXml(QUrl::fromLocalFile(path)), qPrintable(startList.exportError()));
        const QByteArray xml = casetable::readFile(path);
        VERIFY_IOF_VALID(xml);
        QVERIFY(xml.contains(
            "      <Organisation>\n        <Name>OK Øst &amp; Co</Name>\n      </Organisation>\n"));
        // The six runners with a time on this stage; Maja Berg has no club.
        QCOMPARE(xml.count("<Organisation>"), 5);
    }

    // Looking at another day on the set-up screens changes what they show and edit, never the
    // day card reads are recorded on, and stores nothing; making a day active on the Stages
    // screen moves the reads, and the screens follow it again.
    void readsStayOnTheDayBeingRun()
    {
        makeActive(day2);
        const QByteArray before = compactJson(store->race());
        const int saves = h.autosaves();
        courses.selectStage(day1);
        QCOMPARE(courses.shownStageId(), day1);
        QCOMPARE(entries.shownStageId(), day1);
        QCOMPARE(startList.shownStageId(), day1);
        startList.setShownStageId(day2);
        QCOMPARE(courses.shownStageId(), day2);
        entries.selectStage(day1);
        QCOMPARE(startList.shownStageId(), day1);
        QCOMPARE(store->race().activeStageId, std::optional<QString>(day2));
        QCOMPARE(compactJson(store->race()), before);
        QCOMPARE(h.autosaves(), saves);
        // The screens show and export day 1's start list meanwhile.
        compareTimes(QStringLiteral("imported day 1"));
        QCOMPARE(exportStartListFileName(store->race(), StartListExportKind::Xml),
            QStringLiteral("Sommer 2 dage-startlist-Stage 1-2026-06-13.xml"));

        const std::optional<PersonResult> read = store->recordCardReading(
            QStringLiteral("8200001"), {}, std::nullopt, localTime(21, 11, 3), localTime(21, 40, 0));
        QVERIFY(read);
        QCOMPARE(read->stageId, std::optional<QString>(day2));
        QCOMPARE(courses.shownStageId(), day1);

        makeActive(day1);
        makeActive(day2);
        QCOMPARE(courses.shownStageId(), day2);
        compareTimes(QStringLiteral("day 2 moved to its new date"));
    }
};

QTEST_GUILESS_MAIN(TestMultiDay)
#include "tst_multiday.moc"
