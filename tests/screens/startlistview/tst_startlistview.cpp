// The start-list screen's view-models without rendering: the landings of dragged runners and the
// generation settings against the tables in tests/data/startlistview, a generation over a large
// event checked by the independent plan checker, and the start-time edit sheet.

#include "casetable.h"
#include "localization.h"
#include "perstage.h"
#include "racegenerator.h"
#include "raceplancheck.h"
#include "startgenerationdialog.h"
#include "startlistactions.h"
#include "starttimeeditsheet.h"
#include "starttimetext.h"
#include "storeharness.h"
#include "testenvironment.h"

#include <QStandardPaths>

namespace {

const QDate raceDate(2025, 6, 14);

// The event of the drop table (tests/data/startlistview/drops-event.json), optionally on a stage.
Race dropEvent(bool withStage)
{
    QFile f(QStringLiteral(VEXLO_TEST_DATA_DIR "/startlistview/drops-event.json"));
    std::optional<Race> race = f.open(QIODevice::ReadOnly) ? decodeRace(f.readAll()) : std::nullopt;
    if (!race)
        qFatal("drops-event.json does not read");
    if (withStage) {
        race->stages
            = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), QDateTime(raceDate, QTime(12, 0)), 1}};
        race->activeStageId = QStringLiteral("s1");
    }
    return *race;
}

const Participant &runner(const Race &race, const QString &letter)
{
    for (const Participant &p : race.participants) {
        if (p.givenName == letter)
            return p;
    }
    qFatal("no runner %s", qPrintable(letter));
}

QString idOf(const Race &race, const QString &letterOrText)
{
    return letterOrText.size() == 1 ? runner(race, letterOrText).id.toString(QUuid::WithoutBraces)
                                    : letterOrText;
}

QString clockOf(const Race &race, const Participant &p)
{
    const std::optional<QDateTime> t = scheduledStartTime(race, p);
    return t ? t->toLocalTime().toString(QStringLiteral("HH:mm")) : QStringLiteral("none");
}

struct Rig
{
    explicit Rig(const Race &race)
    {
        harness.backgroundAutosave = false;
        store = harness.makeStore(race);
        harness.steps.clear();
    }
    StoreHarness harness;
    std::unique_ptr<RaceStore> store;
};

} // namespace

class TestStartListView : public QObject
{
    Q_OBJECT
public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        LocalizationManager::shared().setLanguage(AppLanguage::English);
    }

    void drops_data() { casetable::load("startlistview/drops.tsv"); }
    void drops()
    {
        QFETCH(QStringList, cells);
        const bool staged = cells.at(0) == QLatin1String("s1");
        Rig rig(dropEvent(staged));
        const Race before = rig.store->race();
        StartListActions actions;
        actions.setStore(rig.store.get());
        actions.setToday([] { return QDate(2030, 1, 1); });
        const QStringList move = cells.at(1).split(u' ');
        if (move.at(0) == QLatin1String("grid")) {
            const QTime slot = QTime::fromString(move.at(2), QStringLiteral("HH:mm"));
            const int seconds = slot.isValid() ? slot.msecsSinceStartOfDay() / 1000 : 24 * 3600;
            actions.dropOnGridCell(idOf(before, move.at(1)), seconds, move.at(3));
        } else {
            QStringList shown;
            for (const char *letter : {"A", "D", "C", "B"})
                shown.append(idOf(before, QString::fromLatin1(letter)));
            actions.moveScheduledRow(shown, move.at(1).toInt(), move.at(2).toInt());
        }

        const QString expected = cells.at(2);
        const Race &after = rig.store->race();
        if (expected.startsWith(QLatin1String("refused:"))) {
            QVERIFY2(actions.message().contains(expected.mid(8)), qPrintable(actions.message()));
            QCOMPARE(after.participants, before.participants);
            QCOMPARE(rig.harness.autosaves(), 0);
            return;
        }
        QVERIFY2(actions.message().isEmpty(), qPrintable(actions.message()));
        QCOMPARE(rig.harness.autosaves(), 1);
        for (const QString &item : expected.mid(3).split(u',')) {
            const QString letter = item.left(1);
            const QString time = item.mid(2, 5);
            const Participant &p = runner(after, letter);
            QCOMPARE(clockOf(after, p), time);
            QCOMPARE(scheduledStartTime(after, p)->toLocalTime().date(), raceDate);
            if (item.contains(u'/')) {
                const QString cls = item.section(u'/', 1);
                QCOMPARE(effectiveClassId(after, p), cls);
                // On a stage only the stage's class changes; the base class stays.
                QCOMPARE(p.classId, staged ? runner(before, letter).classId : std::optional<QString>(cls));
            }
        }
        // The results read on the event's own day follow their runners' base start times.
        for (const PersonResult &result : after.results) {
            const Participant *p = nullptr;
            for (const Participant &q : after.participants)
                p = !p && q.id == result.participantId ? &q : p;
            QVERIFY(p && !result.stageId);
            QCOMPARE(result.startTime, p->startTime);
            QCOMPARE(result.raceTime,
                p->startTime ? std::optional(p->startTime->secsTo(*result.finishTime) * 1.0) : std::nullopt);
        }
    }

    void generationSettings_data() { casetable::load("startlistview/generation.tsv"); }
    void generationSettings()
    {
        QFETCH(QStringList, cells);
        const std::optional<QDateTime> first = startTimeOnDay(cells.at(0), raceDate);
        const std::optional<GenerationProblem> problem = generationProblem(
            cells.at(0), first, cells.at(1).toInt(), cells.at(2).toInt(), cells.at(3).toInt());
        if (cells.at(4) == QLatin1String("ok")) {
            QVERIFY2(!problem, problem ? qPrintable(localized(problem->key, problem->arguments)) : "");
            return;
        }
        QVERIFY(problem);
        QVERIFY2(localized(problem->key, problem->arguments).startsWith(cells.at(4)),
            qPrintable(localized(problem->key, problem->arguments)));
    }

    // A refused run changes nothing; a run over 60 classes and 2,000 runners is computed off the
    // main thread, applied in one change, and obeys the rules by the independent checker.
    void generationRun()
    {
        StartListShape shape;
        shape.classes = 60;
        shape.runners = 2000;
        shape.courses = 40;
        shape.startPunchEvery = 15;
        shape.preferenceEvery = 9;
        Rig rig(withoutStartTimes(startListEvent(shape)));
        StartGenerationDialog dialog;
        dialog.setStore(rig.store.get());
        // At least what 2,000 runners need over 91 slots, raised until the plan places everyone.
        QVERIFY(dialog.slotCapacity() >= 22);
        dialog.setWindowMinutes(120);
        QVERIFY(dialog.slotCapacity() >= 17);
        dialog.setSlotCapacity(40);
        QVERIFY(dialog.windowMinutes() >= 49);
        dialog.setWindowMinutes(90);

        dialog.open();
        dialog.setFirstStartText(QStringLiteral("25:00"));
        QVERIFY(!dialog.generate());
        QVERIFY(dialog.showingDialog());
        QVERIFY(!dialog.showingProgress());
        QVERIFY(dialog.problem().contains(QStringLiteral("25:00")));
        QCOMPARE(rig.harness.autosaves(), 0);

        dialog.setFirstStartText(QStringLiteral("9.30"));
        QVERIFY(dialog.generate());
        QVERIFY(dialog.running());
        QVERIFY(!dialog.showingDialog());
        QVERIFY(dialog.showingProgress());
        QVERIFY(dialog.runningCaption().contains(QStringLiteral("90-minute")));
        dialog.done(); // refused while running
        QVERIFY(dialog.showingProgress());
        dialog.waitForRun();
        QVERIFY(!dialog.running());
        QCOMPARE(rig.harness.autosaves(), 1);

        StartGeneratorSettings settings;
        settings.windowMinutes = 90;
        settings.slotCapacity = dialog.slotCapacity();
        const QDateTime first = *rig.store->startTimeOnStartListDay(QStringLiteral("09:30"));
        const StartPlanReport report
            = checkRaceStartTimes(rig.store->race(), first, settings, dialog.warnings());
        QVERIFY2(report.violations.isEmpty(), qPrintable(report.violations.join(u'\n')));
        QCOMPARE(dialog.assignedCount(), report.placed);
        QCOMPARE(report.placed, report.eligible);
        QVERIFY(dialog.shortfallText().isEmpty());
        // Four start-punch classes are named in one warning.
        QVERIFY(dialog.warnings().first().startsWith(QStringLiteral("Skipped 4 class(es)")));
        QCOMPARE(dialog.resultTitle(), QStringLiteral("Generated with warnings"));
        dialog.done();
        QVERIFY(!dialog.showingProgress());
    }

    // The benchmark event of 5,000 entries: on its first day classes pair up on a course, so the
    // largest start group is 167 runners, which a 166-minute period holds at a gap of 1. The period
    // alone sets the runners per slot, and that capacity places everyone; a shorter period says
    // how many were left out and what would place them.
    void generationPlacesTheWholeField()
    {
        RaceGeneratorOptions options;
        options.withResults = false;
        Rig rig(withoutStartTimes(generateRace(options)));
        StartGenerationDialog dialog;
        dialog.setStore(rig.store.get());
        dialog.setFirstStartText(QStringLiteral("09:00"));
        dialog.setWindowMinutes(166);
        QVERIFY(dialog.slotCapacity() >= 30);
        QVERIFY(dialog.generate());
        dialog.waitForRun();
        StartGeneratorSettings settings;
        settings.windowMinutes = 166;
        settings.slotCapacity = dialog.slotCapacity();
        const QDateTime first = *rig.store->startTimeOnStartListDay(QStringLiteral("09:00"));
        StartPlanReport report = checkRaceStartTimes(rig.store->race(), first, settings, dialog.warnings());
        QVERIFY2(report.violations.isEmpty(), qPrintable(report.violations.mid(0, 5).join(u'\n')));
        QCOMPARE(report.eligible, 5000);
        QCOMPARE(report.placed, 5000);
        QCOMPARE(dialog.assignedCount(), 5000);
        QVERIFY(dialog.shortfallText().isEmpty());
        dialog.done();

        // 121 minutes cannot hold a start group of 167 runners a minute apart, whatever the
        // capacity: 46 runners of each paired course are left out, and 45 more minutes place them.
        dialog.setWindowMinutes(120);
        QVERIFY(dialog.generate());
        dialog.waitForRun();
        settings.windowMinutes = 120;
        settings.slotCapacity = dialog.slotCapacity();
        report = checkRaceStartTimes(rig.store->race(), first, settings, dialog.warnings());
        QVERIFY2(report.violations.isEmpty(), qPrintable(report.violations.mid(0, 5).join(u'\n')));
        QCOMPARE(dialog.shortfallText(),
            QStringLiteral("%1 runner(s) could not be placed. A start period of 166 minutes (46 more) would "
                           "place everyone.")
                .arg(report.eligible - report.placed));
        LocalizationManager::shared().setLanguage(AppLanguage::Danish);
        QVERIFY(dialog.shortfallText().contains(QStringLiteral("166 minutter")));
        LocalizationManager::shared().setLanguage(AppLanguage::English);

        // A gap that no period of the day fits for the largest group: nothing would place everyone.
        dialog.setMinSpacingMinutes(9);
        dialog.setFirstStartText(QStringLiteral("20:00"));
        QVERIFY(dialog.generate());
        dialog.waitForRun();
        QVERIFY2(dialog.shortfallText().contains(
                     QStringLiteral("no number of runners per slot places everyone at a minimum gap of 9")),
            qPrintable(dialog.shortfallText()));
    }

    void editSheet()
    {
        Rig rig(dropEvent(false));
        StartTimeEditSheet sheet;
        sheet.setStore(rig.store.get());
        const Race &race = rig.store->race();
        QVERIFY(!sheet.edit(QUuid::createUuid().toString(), QString()));
        QVERIFY(!sheet.showing());

        // A runner with a time opens at it; the steppers stop at their ends.
        QVERIFY(sheet.edit(idOf(race, QStringLiteral("B")), QStringLiteral("08:00")));
        QCOMPARE(sheet.timeText(), QStringLiteral("10:02:00"));
        QCOMPARE(sheet.cardText(), QStringLiteral("Card 7B"));
        sheet.setHour(30);
        sheet.setMinute(-4);
        QCOMPARE(sheet.timeText(), QStringLiteral("23:00:00"));

        // A typed text that is not a time: the reason, Save refused, nothing written.
        sheet.setTimeText(QStringLiteral("9h30"));
        QCOMPARE(sheet.problem(),
            QStringLiteral("\"9h30\" is not a time of day. Type it as 9:30, 9.30 or 09:30."));
        QCOMPARE(sheet.timeText(), QStringLiteral("9h30"));
        QVERIFY(!sheet.save());
        QVERIFY(sheet.showing());
        QCOMPARE(rig.harness.autosaves(), 0);

        sheet.setTimeText(QStringLiteral("0931"));
        QVERIFY(sheet.problem().isEmpty());
        QCOMPARE(sheet.timeText(), QStringLiteral("09:31:00"));
        QVERIFY(sheet.save());
        QVERIFY(!sheet.showing());
        QCOMPARE(clockOf(race, runner(race, QStringLiteral("B"))), QStringLiteral("09:31"));
        QCOMPARE(rig.harness.autosaves(), 1);

        // Without a time: seeded from the first start, else 09:00:00; Cancel writes nothing.
        QVERIFY(sheet.edit(idOf(race, QStringLiteral("F")), QStringLiteral("10.15")));
        QCOMPARE(sheet.timeText(), QStringLiteral("10:15:00"));
        sheet.cancel();
        QVERIFY(sheet.edit(idOf(race, QStringLiteral("F")), QStringLiteral("later")));
        QCOMPARE(sheet.timeText(), QStringLiteral("09:00:00"));
        sheet.cancel();
        QCOMPARE(rig.harness.autosaves(), 1);

        // A time the clock skips on the runner's day: the reason, and nothing written.
        Race springForward = race;
        springForward.date = QDateTime(QDate(2025, 3, 30), QTime(12, 0));
        rig.store->setRace(springForward);
        QVERIFY(sheet.edit(idOf(race, QStringLiteral("A")), QString()));
        sheet.setTimeText(QStringLiteral("2.30"));
        QVERIFY(!sheet.save());
        QCOMPARE(sheet.problem(),
            QStringLiteral(
                "The clock skips 02:30:00 on that day (summer time begins). Choose another time."));
        QCOMPARE(rig.harness.autosaves(), 1);
        sheet.clear();
        QCOMPARE(clockOf(race, runner(race, QStringLiteral("A"))), QStringLiteral("none"));
        QCOMPARE(rig.harness.autosaves(), 2);
    }
};

QTEST_GUILESS_MAIN(TestStartListView)
#include "tst_startlistview.moc"
