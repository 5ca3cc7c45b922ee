// The store's start-time operations: what each writes for the active stage and that each saves
// once (bulk operations always, single-runner ones only for a runner that exists).
#include "casetable.h"
#include "perstage.h"
#include "racejournal.h"
#include "racejson.h"
#include "racestore.h"
#include "startgenerator.h"
#include "starttimeoperations.h"
#include "storeharness.h"
#include "testenvironment.h"

#include <QStandardPaths>
#include <QTest>

namespace {

const QDateTime ten(QDate(2025, 7, 1), QTime(8, 0), Qt::UTC); // 10:00 in Copenhagen
QDateTime at(int minutes)
{
    return ten.addSecs(minutes * 60);
}

// Four runners: A, B, C in H21 (A and B with a base start of their own), D without a class.
Race race(bool withStage = true)
{
    Race r;
    r.name = QStringLiteral("Spring Cup");
    r.date = QDateTime(QDate(2025, 6, 30), QTime(22, 0), Qt::UTC); // 1 July locally
    RaceClass h21;
    h21.id = QStringLiteral("H21");
    h21.name = h21.id;
    r.classes = {h21};
    for (const char *name : {"A", "B", "C", "D"}) {
        Participant p;
        p.givenName = QString::fromLatin1(name);
        p.cardNumber = p.givenName;
        if (p.givenName != u"D")
            p.classId = QStringLiteral("H21");
        r.participants.append(p);
    }
    r.participants[0].startTime = at(-60);
    r.participants[1].startTime = at(-30);
    if (withStage) {
        r.stages = {Stage {QStringLiteral("day2"), QStringLiteral("Day 2"),
            QDateTime(QDate(2025, 7, 1), QTime(22, 0), Qt::UTC), 2}};
        r.activeStageId = QStringLiteral("day2");
    }
    return r;
}

// The event of store/start-time-results.tsv (store/evening-cup.json): Ann (H21, planned starts)
// and Cy (D21, start punch) read, Bo (H35) not; with `stages`, on day1 of two.
Race readEvent(RaceStore &store, bool stages)
{
    Race r = storeTestEvent("evening-cup.json");
    if (!stages) {
        r.stages.clear();
        r.activeStageId.reset();
    }
    store.setRace(r);
    const auto local = [](int h, int m) { return QDateTime(QDate(2025, 7, 1), QTime(h, m), Qt::LocalTime); };
    SIPunch p31, p32;
    p31.controlCode = 31;
    p32.controlCode = 32;
    for (const auto &[card, start, finish] :
        {std::tuple {"Ann", local(10, 5), local(10, 40)}, std::tuple {"Cy", local(10, 2), local(10, 32)}}) {
        p31.time = start.addSecs(600);
        p32.time = start.addSecs(1200);
        if (!store.recordCardReading(QString::fromLatin1(card), {p31, p32}, std::nullopt, start, finish))
            qFatal("no result recorded");
    }
    return store.race();
}

// A result's start, race time and override as the table writes them; a note without an override
// (a hold for review) as "held:<note>".
QStringList resultState(const PersonResult &r)
{
    QString override = QStringLiteral("-");
    if (r.completedOverride)
        override = QStringLiteral("%1:%2").arg(
            *r.completedOverride ? "true" : "false", r.overrideNote.value_or(QString()));
    else if (r.overrideNote)
        override = QStringLiteral("held:") + *r.overrideNote;
    return {
        r.startTime ? r.startTime->toLocalTime().toString(QStringLiteral("HH:mm:ss")) : QStringLiteral("-"),
        r.raceTime ? QString::number(*r.raceTime) : QStringLiteral("-"), override};
}

} // namespace

class TestStartTimes : public QObject
{
    Q_OBJECT

    StoreHarness *h = nullptr;
    std::unique_ptr<RaceStore> store;
    const Participant &runner(int i) const { return store->race().participants[i]; }
    std::optional<QDateTime> start(int i) const { return store->scheduledStartTime(runner(i)); }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        h = new StoreHarness;
        h->backgroundAutosave = false;
        store = h->makeStore(race());
    }
    void cleanup()
    {
        store.reset();
        delete h;
    }

    // A typed or drawn time the event file cannot hold is refused before it is stored: stored, it
    // would make every later save fail.
    void unstorableTimesAreRefused_data() { casetable::load("store/unstorable-start-times.tsv"); }
    void unstorableTimesAreRefused()
    {
        QFETCH(QStringList, cells);
        Race edge = race(false);
        edge.date = QDateTime::fromString(cells[0], Qt::ISODate);
        QVERIFY(edge.date->isValid());
        store = h->makeStore(edge);
        const bool typedStored = cells[4] == QStringLiteral("stored");
        QCOMPARE(store->saveTypedStartTime(runner(3), cells[1]), typedStored);
        QCOMPARE(start(3).has_value(), typedStored);
        QCOMPARE(store->startTimeOnStartListDay(cells[1]).has_value(), typedStored);
        const bool drawStored = cells[5] == QStringLiteral("stored");
        const QDateTime first = QDateTime::fromString(cells[2], Qt::ISODate);
        QVERIFY(first.isValid());
        QCOMPARE(store->drawStartTimes(QStringLiteral("H21"), first, cells[3].toDouble()), drawStored);
        QCOMPARE(start(2).has_value(), drawStored);
        QCOMPARE(store->race().classes.first().lastUsedIntervalSeconds.has_value(), drawStored);
        store->autosave();
        QCOMPARE(store->autosaveError(), QString());
        QVERIFY(decodeRace(StoreHarness::readAll(h->autosavePath())));
    }

    // Every operation that gives, changes or clears a runner's start time evaluates the runner's
    // results that took their start from it again, in the operation's own journal record: a crash
    // right after it and a clean restart both find the result as the store holds it. A start
    // taken from the card's start record stays.
    void resultsFollowTheirRunnersStartTime_data() { casetable::load("store/start-time-results.tsv"); }
    void resultsFollowTheirRunnersStartTime()
    {
        QFETCH(QStringList, cells);
        StoreHarness harness;
        // No full write after the operations: the journal alone holds them until the restart.
        harness.fullWriteGap = std::chrono::hours(1);
        auto live = harness.makeStore();
        const Race read = readEvent(*live, cells[0] == QStringLiteral("day1"));
        live->autosave();
        live->flushAutosave();
        const PersonResult annRead = read.results[0];
        const PersonResult cyRead = read.results[1];
        QCOMPARE(resultState(annRead), QStringList({"-", "-", "-"}));
        QVERIFY(annRead.completed);
        QCOMPARE(resultState(cyRead), QStringList({"10:02:00", "1800", "-"}));
        const QString journalPath = harness.path(QStringLiteral("data/") + RaceJournal::fileName);
        const auto lines = [&] {
            const QByteArray journal = StoreHarness::readAll(journalPath);
            QList<QByteArray> used = journal.left(RaceJournal::usedLength(journal)).split('\n');
            used.removeAll(QByteArray());
            return used;
        };
        const auto time = [](const QString &text) {
            return QDateTime(
                QDate(2025, 7, 1), QTime::fromString(text, QStringLiteral("H:mm")), Qt::LocalTime);
        };
        const QUuid ann = read.participants[0].id, bo = read.participants[1].id;
        // Ann's result: her latest (a station's read of her card comes after the first).
        const auto annNow = [&]() -> const PersonResult & {
            const QList<PersonResult> &results = live->race().results;
            return *std::find_if(results.crbegin(), results.crend(),
                [&](const PersonResult &r) { return r.participantId == ann; });
        };
        const QStringList steps = cells[1].split(QLatin1Char(' '));
        for (qsizetype k = 0; k < steps.size(); ++k) {
            const QString operation = steps[k].section(QLatin1Char('='), 0, 0);
            const QString value = steps[k].section(QLatin1Char('='), 1);
            const qsizetype linesBefore = lines().size();
            const QStringList before = resultState(annNow());
            const QUuid resultBefore = annNow().id;
            const QByteArray heldBefore = compactJson(live->race());
            Race race = live->race();
            Participant runner = race.participants[0];
            if (operation == QStringLiteral("type")) {
                QVERIFY(live->saveTypedStartTime(runner, value));
            } else if (operation == QStringLiteral("edit")) {
                const QTime t = QTime::fromString(value, QStringLiteral("HH:mm:ss"));
                QVERIFY(live->saveEditedStartTime(runner, t.hour(), t.minute(), t.second()));
            } else if (operation == QStringLiteral("sheet")) {
                live->setParticipantStartTime(ann, time(value));
            } else if (operation == QStringLiteral("sheetclear")) {
                live->clearStartTime(runner);
            } else if (operation == QStringLiteral("grid") || operation == QStringLiteral("entry")) {
                // As the grid drop and the entries editor save a runner: the whole record.
                setClassId(race, QStringLiteral("H21"), 0);
                setStartTime(race, time(value), 0);
                live->updateParticipant(race.participants[0]);
            } else if (operation == QStringLiteral("bo")) {
                live->setParticipantStartTime(bo, time(value));
            } else if (operation == QStringLiteral("list")) {
                live->reorderStartTimes({bo, ann});
            } else if (operation == QStringLiteral("draw")) {
                QVERIFY(live->drawStartTimes(QStringLiteral("H21"), time(value), 60));
            } else if (operation == QStringLiteral("mass")) {
                QVERIFY(live->drawStartTimes(QStringLiteral("H21"), time(value), 0));
            } else if (operation == QStringLiteral("interval")) {
                live->assignIntervalStartTimes(QStringLiteral("H21"), time(value), 120);
            } else if (operation == QStringLiteral("massall")) {
                live->assignMassStart(std::nullopt, time(value));
            } else if (operation == QStringLiteral("everyone")) {
                QHash<QUuid, QDateTime> times;
                for (const Participant &p : race.participants)
                    times.insert(p.id, time(value));
                QVERIFY(live->applyStartTimes(times));
            } else if (operation == QStringLiteral("generate")) {
                StartGeneratorResult plan;
                plan.assignments.insert(ann, time(value));
                live->applyStartPlan(plan);
            } else if (operation == QStringLiteral("import")) {
                QVERIFY(live->applyStartTimes({{ann, time(value)}}));
            } else if (operation == QStringLiteral("clear")) {
                QCOMPARE(live->clearStartTimes({ann}), 1);
            } else if (operation == QStringLiteral("event")) {
                setStartTime(race, time(value), 0);
                live->setRace(race);
                live->autosave();
            } else if (operation == QStringLiteral("base") || operation == QStringLiteral("day2")) {
                if (operation == QStringLiteral("base"))
                    runner.startTime = time(value);
                else
                    runner.startTimeByStage = StageMap<QDateTime> {{QStringLiteral("day2"), time(value)}};
                live->updateParticipant(runner);
            } else if (operation == QStringLiteral("d21")) {
                setClassId(race, QStringLiteral("D21"), 0);
                live->updateParticipant(race.participants[0]);
            } else if (operation == QStringLiteral("classd21") || operation == QStringLiteral("entryd21")) {
                setClassId(race, QStringLiteral("D21"), 0);
                // As an entry import stores it: the class change and a new entry in one change.
                if (operation == QStringLiteral("entryd21")) {
                    Participant added;
                    added.givenName = QStringLiteral("Dan");
                    added.classId = QStringLiteral("H35");
                    race.participants.append(added);
                }
                live->setRace(race);
                live->autosave();
            } else if (operation == QStringLiteral("hold")) {
                // The organiser holds the result with a note of their own, without an override.
                PersonResult held = annNow();
                held.overrideNote = QStringLiteral("Ask about 32");
                live->reevaluateResult(held);
            } else if (operation == QStringLiteral("force")) {
                live->overrideResultStatus(annRead.id, true, QStringLiteral("checked"));
            } else if (operation == QStringLiteral("slave")) {
                // A station's read of Ann's card, evaluated on its own start time for her.
                PersonResult submitted = annRead;
                submitted.id = QUuid::createUuid();
                submitted.readAt = annRead.readAt.addSecs(60);
                submitted.startTime.reset();
                submitted.raceTime.reset();
                if (value != u"-") {
                    submitted.startTime = time(value);
                    submitted.raceTime = double(submitted.startTime->secsTo(*annRead.finishTime));
                }
                live->syncEngine()->onResultSubmitted(submitted);
            } else if (operation == QStringLiteral("resend")) {
                live->syncEngine()->onResultSubmitted(annRead);
            } else if (operation == QStringLiteral("cy")) {
                live->syncEngine()->onResultSubmitted(cyRead);
            } else if (operation == QStringLiteral("twin")) {
                // A second copy of Ann's read under its id, after Cy's (the journal holds it).
                race.results.append(race.results[0]);
                live->setRace(race);
                live->autosave();
            } else if (operation == QStringLiteral("nextday")) {
                // The event moves on to day2, where D21 starts on planned times.
                for (RaceClass &c : race.classes)
                    if (c.id == u"D21")
                        c.stageStartMethods
                            = StageMap<StartMethod> {{QStringLiteral("day2"), StartMethod::ScheduledTime}};
                race.activeStageId = QStringLiteral("day2");
                live->setRace(race);
                live->autosave();
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + steps[k]));
            }
            // One record for the operation (none when it changed nothing), holding Ann's result
            // exactly when the result changed or was put in again.
            const bool recorded = compactJson(live->race()) != heldBefore;
            QCOMPARE(lines().size(), linesBefore + (recorded ? 1 : 0));
            const bool changed = resultState(annNow()) != before || annNow().id != resultBefore
                || operation == QStringLiteral("force") || operation == QStringLiteral("resend")
                || operation == QStringLiteral("twin");
            QVERIFY(recorded || !changed);
            if (recorded)
                QCOMPARE(
                    lines().last().toLower().contains(annNow().id.toString(QUuid::WithoutBraces).toUtf8()),
                    changed);
        }
        QCOMPARE(live->autosaveError(), QString());
        const QStringList expected = cells.mid(2, 3);
        QCOMPARE(resultState(annNow()), expected);
        for (const PersonResult &copy : live->race().results)
            if (copy.id == annNow().id)
                QCOMPARE(resultState(copy), expected);
        QCOMPARE(annNow().completed, true);
        QCOMPARE(resultState(live->race().results[1]), resultState(cyRead));

        // A crash now: the files as they were before the operations, and the journal.
        const QByteArray crashedJournal = StoreHarness::readAll(journalPath);
        const QByteArray crashedAutosave = StoreHarness::readAll(harness.autosavePath());
        const std::optional<Race> filed = decodeRace(crashedAutosave);
        QVERIFY(filed && filed->results.size() == 2);
        QCOMPARE(resultState(filed->results[0]), resultState(annRead));
        const QByteArray held = compactJson(live->race());
        const qsizetype resultsHeld = live->race().results.size();
        live.reset();
        for (const auto &[path, bytes] :
            {std::pair {harness.autosavePath(), crashedAutosave}, std::pair {journalPath, crashedJournal}}) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size());
        }
        for (const char *restart : {"after a crash", "after a clean restart"}) {
            live = harness.makeStore();
            QVERIFY2(live->race().results.size() == resultsHeld, restart);
            QCOMPARE(resultState(annNow()), expected);
            for (const PersonResult &copy : live->race().results)
                if (copy.id == annNow().id)
                    QCOMPARE(resultState(copy), expected);
            QCOMPARE(resultState(live->race().results[1]), resultState(cyRead));
            QCOMPARE(compactJson(live->race()), held);
            live.reset();
        }
    }

    void drawGivesEachTimeOnceAndSavesOnce()
    {
        store->assignIntervalStartTimes(QStringLiteral("H21"), ten, 90);
        QList<QDateTime> times {*start(0), *start(1), *start(2)};
        std::sort(times.begin(), times.end());
        QCOMPARE(times, QList<QDateTime>({ten, ten.addSecs(90), ten.addSecs(180)}));
        QCOMPARE(start(3), std::nullopt);
        QCOMPARE(runner(0).startTime, at(-60)); // only the stage's entry is written
        QCOMPARE(h->autosaves(), 1);
        store->assignIntervalStartTimes(QString(), ten, 0);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(start(i), ten);
        QCOMPARE(h->autosaves(), 2);
        // A typed interval that is no number of seconds changes and saves nothing.
        store->assignIntervalStartTimes(QString(), ten, std::nan(""));
        store->assignIntervalStartTimes(QString(), ten, 1e300);
        QCOMPARE(h->autosaves(), 2);
        QCOMPARE(start(2), ten);
    }

    void massStartSelection()
    {
        store->assignMassStart(QString(), ten); // the empty class id: runners whose class is ""
        QCOMPARE(start(3), std::nullopt);
        QCOMPARE(h->autosaves(), 1);
        store->assignMassStart(std::nullopt, ten);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(start(i), ten);
        QCOMPARE(h->autosaves(), 2);
    }

    // A draw over every class for the day the start list shows while another is run: the classes
    // that start by the start punch on the day shown are left out and named, whatever the day run.
    void drawLeavesTheShownDaysStartPunchClassesAlone()
    {
        Race r = race();
        r.stages.append(Stage {QStringLiteral("day3"), QStringLiteral("Day 3"),
            QDateTime(QDate(2025, 7, 2), QTime(22, 0), Qt::UTC), 3});
        r.classes[0].stageStartMethods
            = StageMap<StartMethod> {{QStringLiteral("day3"), StartMethod::StartPunch}};
        store->setRace(r);
        store->setShownStage(QStringLiteral("day3"));
        QCOMPARE(drawSelection(store->race(), std::nullopt).startPunchClasses,
            QStringList {QStringLiteral("H21")});
        store->assignMassStart(std::nullopt, ten.addDays(1));
        QCOMPARE(startTimeOnStage(runner(2), QStringLiteral("day3")), std::nullopt);
        QCOMPARE(startTimeOnStage(runner(3), QStringLiteral("day3")), ten.addDays(1));
        QCOMPARE(store->race().activeStageId, std::optional<QString>(QStringLiteral("day2")));
    }

    void singleRunnerOperations()
    {
        store->setParticipantStartTime(runner(0).id, at(5));
        QCOMPARE(start(0), at(5));
        store->setParticipantStartTime(runner(0).id, std::nullopt);
        QCOMPARE(start(0), at(-60)); // the base start shows again
        store->setStartTimePreference(runner(1).id, StartTimePreference::Late);
        QCOMPARE(
            runner(1).startTimePreferenceByStage->value(QStringLiteral("day2")), StartTimePreference::Late);
        QCOMPARE(runner(1).startTimePreference, std::nullopt);
        QCOMPARE(h->autosaves(), 3);
        store->setParticipantStartTime(QUuid::createUuid(), at(5));
        store->setStartTimePreference(QUuid::createUuid(), StartTimePreference::Early);
        QCOMPARE(h->autosaves(), 3);
    }

    void reorderHandsOutTimesAmongTimedRunners()
    {
        store->setRace(race(false));
        store->applyStartTimes({{runner(0).id, at(2)}, {runner(1).id, at(0)}, {runner(2).id, at(4)}});
        const QUuid a = runner(0).id, b = runner(1).id, c = runner(2).id, d = runner(3).id;
        store->reorderStartTimes({c, a, QUuid::createUuid(), b});
        QCOMPARE(
            QList({start(2), start(0), start(1)}), QList<std::optional<QDateTime>>({at(0), at(2), at(4)}));
        // D has no time: it takes no one's (else D and A would share 10:02); B listed twice counts once.
        store->reorderStartTimes({d, b, a, b});
        QCOMPARE(start(3), std::nullopt);
        QCOMPARE(
            QList({start(1), start(0), start(2)}), QList<std::optional<QDateTime>>({at(2), at(4), at(0)}));
        QCOMPARE(h->autosaves(), 3);
    }

    void applyStartTimesAlwaysSaves()
    {
        store->applyStartTimes({});
        store->applyStartTimes({{QUuid::createUuid(), ten}});
        QCOMPARE(h->autosaves(), 2);
        QCOMPARE(start(0), at(-60));
    }

    void generatedPlanOnTheStageDayClearsUnplaced()
    {
        // Day 2 is 2 July locally; the clock says 17 May. Two slots for three H21 runners and D.
        store->applyStartTimes({{runner(0).id, at(30)}, {runner(1).id, at(31)}, {runner(2).id, at(32)}});
        StartGeneratorSettings settings;
        settings.windowMinutes = 1;
        settings.slotCapacity = 2;
        const auto plan = planStartList(store->race(), QStringLiteral("9:00"), settings, QDate(2025, 5, 17));
        QVERIFY(plan);
        QCOMPARE(plan->unplaced.size(), 1);
        store->applyStartPlan(*plan);
        QCOMPARE(h->autosaves(), 2);
        const QDateTime nine(QDate(2025, 7, 2), QTime(7, 0), Qt::UTC);
        QSet<QDateTime> h21;
        for (int i = 0; i < 3; ++i) {
            if (runner(i).id == plan->unplaced.first())
                QCOMPARE(start(i), runner(i).startTime); // the stage's old time is gone
            else
                h21.insert(*start(i));
        }
        QCOMPARE(h21, QSet<QDateTime>({nine, nine.addSecs(60)}));
        QVERIFY(start(3) == nine || start(3) == nine.addSecs(60));
        // A plan that writes nothing saves nothing; an unreadable first start gives no plan.
        store->applyStartPlan(StartGeneratorResult());
        QCOMPARE(h->autosaves(), 2);
        QVERIFY(!planStartList(store->race(), QStringLiteral("9:75"), settings, QDate(2025, 5, 17)));
    }

    void typedTimesOnTheStartListDay()
    {
        // The stage's day, else the event's, else the clock's (17 May); for an edited runner
        // without either, the day of its current start.
        QCOMPARE(store->startTimeOnStartListDay(QStringLiteral("9.30")),
            QDateTime(QDate(2025, 7, 2), QTime(7, 30), Qt::UTC));
        QVERIFY(store->saveEditedStartTime(runner(0), 11, 5, 0));
        QCOMPARE(start(0), QDateTime(QDate(2025, 7, 2), QTime(9, 5), Qt::UTC));
        Race noStage = race(false);
        store->setRace(noStage);
        QCOMPARE(store->startTimeOnStartListDay(QStringLiteral("930")),
            QDateTime(QDate(2025, 7, 1), QTime(7, 30), Qt::UTC));
        noStage.date.reset();
        store->setRace(noStage);
        QCOMPARE(store->startTimeOnStartListDay(QStringLiteral("9")),
            QDateTime(QDate(2025, 5, 17), QTime(7, 0), Qt::UTC));
        QVERIFY(store->saveTypedStartTime(runner(1), QStringLiteral("12:00")));
        QCOMPARE(start(1), QDateTime(QDate(2025, 7, 1), QTime(10, 0), Qt::UTC)); // kept its own day
        QVERIFY(!store->saveTypedStartTime(runner(2), QStringLiteral("9:75")));
        store->clearStartTime(runner(1));
        QCOMPARE(start(1), std::nullopt);
        QCOMPARE(h->autosaves(), 3);
    }
};

QTEST_GUILESS_MAIN(TestStartTimes)
#include "tst_starttimes.moc"
