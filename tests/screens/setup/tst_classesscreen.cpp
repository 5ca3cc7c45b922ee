// The classes screen's view-models without rendering: the default-window and override sheets
// against the tables in tests/data/setup, the Tools rules, adding, row edits, the per-stage sheet,
// deleting all, and a flow over the official CourseData example down to the event file.

#include "classesscreen.h"
#include "setuptesting.h"
#include "testevent.h"

#include <QAbstractItemModelTester>
#include <QRegularExpression>
#include <QSignalSpy>

namespace {

Race raceOfShape(const QString &shape)
{
    Race race;
    if (shape != QLatin1String("none"))
        race.stages = threeStages();
    if (shape == QLatin1String("active"))
        race.activeStageId = QStringLiteral("s1");
    return race;
}

// Built with its rows in place and no autosave counted yet.
struct Screen : ScreenRig<ClassesScreen>
{
    explicit Screen(const Race &race)
        : ScreenRig(race)
    {
        screen.rebuildNow();
        harness.steps.clear();
    }
};

} // namespace

class TestClassesScreen : public QObject
{
    Q_OBJECT
private slots:
    void defaultWindow_data() { loadTable(QStringLiteral("default-window.tsv")); }
    void defaultWindow()
    {
        QFETCH(QStringList, row);
        Race race = raceOfShape(row.at(0));
        race.defaultStartWindow = windowOf(row.at(1));
        if (const auto w = windowOf(row.at(2)))
            race.stageDefaultStartWindows = StageMap<StartWindow> {{QStringLiteral("s1"), *w}};
        Screen s(race);
        s.screen.openDefaultWindow();
        QVERIFY(s.screen.showingDefaultWindow());
        QCOMPARE(s.screen.defaultOpenText(), row.at(8));
        QCOMPARE(s.screen.defaultCloseText(), row.at(9));
        if (row.at(3) == QLatin1String("clear")) {
            s.screen.clearDefaultWindow();
            QVERIFY(s.screen.showingDefaultWindow());
            QCOMPARE(s.screen.defaultOpenText(), QString());
        } else {
            s.screen.setDefaultOpenText(row.at(4));
            s.screen.setDefaultCloseText(row.at(5));
            s.screen.finishDefaultWindow();
            if (row.at(3) == QLatin1String("refused")) {
                // What was typed stays in the open sheet, with the reason; nothing is stored.
                QVERIFY(s.screen.showingDefaultWindow());
                QVERIFY2(s.screen.defaultWindowProblem().endsWith(
                             QStringLiteral("The stored start window was kept.")),
                    qPrintable(s.screen.defaultWindowProblem()));
                QCOMPARE(s.screen.defaultOpenText(), row.at(4));
                s.screen.dismissDefaultWindow();
            }
            QVERIFY(!s.screen.showingDefaultWindow());
        }
        const Race &after = s.store->race();
        QCOMPARE(windowNotation(after.defaultStartWindow), row.at(6));
        const StartWindow *stage = after.stageDefaultStartWindows
            ? stageEntry(*after.stageDefaultStartWindows, QStringLiteral("s1"))
            : nullptr;
        QCOMPARE(windowNotation(stage ? std::optional(*stage) : std::nullopt), row.at(7));
    }

    void startWindowOverride_data() { loadTable(QStringLiteral("start-window.tsv")); }
    void startWindowOverride()
    {
        QFETCH(QStringList, row);
        const bool withStage = row.at(0) == QLatin1String("stage");
        Race race = raceOfShape(withStage ? QStringLiteral("active") : QStringLiteral("none"));
        RaceClass c = makeClass(QStringLiteral("c1"), QStringLiteral("M21"));
        c.startMethod = StartMethod::StartPunch;
        const auto stored = windowOf(row.at(1));
        const StartWindow other {100, 200};
        if (withStage) {
            c.stageStartWindows = StageMap<StartWindow> {{QStringLiteral("s2"), other}};
            if (stored)
                c.stageStartWindows->insert(QStringLiteral("s1"), *stored);
        } else {
            c.startWindow = stored;
        }
        race.classes = {c};
        Screen s(race);
        s.screen.editStartWindow(QStringLiteral("c1"));
        StartWindowEditor *editor = s.screen.windowEditor();
        QVERIFY(editor);
        QCOMPARE(editor->title(),
            withStage ? QStringLiteral("Start window — M21 (Day 1)") : QStringLiteral("Start window — M21"));
        QCOMPARE(editor->openText(), row.at(5));
        QCOMPARE(editor->closeText(), row.at(6));
        QCOMPARE(editor->canClear(), stored.has_value());
        editor->setOpenText(row.at(2));
        editor->setCloseText(row.at(3));
        editor->save();
        const RaceClass &after = s.store->race().classes.at(0);
        if (row.at(4) == QLatin1String("kept")) {
            QVERIFY(s.screen.windowEditor());
            QVERIFY(!editor->problem().isEmpty());
            QCOMPARE(after, c);
            QCOMPARE(s.harness.autosaves(), 0);
            return;
        }
        QVERIFY(!s.screen.windowEditor());
        if (withStage) {
            const StartWindow *w = stageEntry(*after.stageStartWindows, QStringLiteral("s1"));
            QCOMPARE(windowNotation(w ? std::optional(*w) : std::nullopt), row.at(4));
            QCOMPARE(*stageEntry(*after.stageStartWindows, QStringLiteral("s2")), other);
            QCOMPARE(after.startWindow, c.startWindow);
        } else {
            QCOMPARE(windowNotation(after.startWindow), row.at(4));
        }
    }

    void toolsEnabled_data() { loadTable(QStringLiteral("tools-enabled.tsv")); }
    void toolsEnabled()
    {
        QFETCH(QStringList, row);
        Race race;
        for (int i = 0; i < row.at(0).toInt(); ++i)
            race.courses.append(makeCourse(QString::number(i), QStringLiteral("Course %1").arg(i)));
        for (int i = 0; i < row.at(1).toInt(); ++i)
            race.classes.append(makeClass(QString::number(i), QStringLiteral("H%1").arg(i)));
        Screen s(race);
        const auto yes = [](const QString &t) { return t == QLatin1String("yes"); };
        QCOMPARE(s.screen.canGenerate(), yes(row.at(2)));
        QCOMPARE(s.screen.canAutoMatch(), yes(row.at(3)));
        QCOMPARE(s.screen.canDeleteAll(), yes(row.at(4)));
    }

    // A class name with a line break, a control character or too long is not stored, from the
    // "Add Class" sheet or the list's own name field.
    void typedNames_data() { casetable::load("screens/typed-names.tsv"); }
    void typedNames()
    {
        QFETCH(QStringList, cells);
        const QString name = casetable::withLength(cells[0]);
        const bool refused = cells[1] == u"yes";
        const Race race = testEvent(QStringLiteral("setup/classes-add.json"));
        Screen s(race);
        s.screen.addClass();
        ClassEditor *editor = s.screen.classEditor();
        editor->setName(name);
        const QString warning = editor->nameWarning();
        QCOMPARE(warning.isEmpty(), !refused);
        QCOMPARE(editor->canSave(), !refused);
        editor->save();
        QCOMPARE(s.store->race().classes.size(), race.classes.size() + (refused ? 0 : 1));
        QCOMPARE(s.screen.renameClass(race.classes.at(0).id, name), !refused);
        QCOMPARE(s.store->race().classes.at(0).name, refused ? race.classes.at(0).name : name);
        if (refused)
            QCOMPARE(s.harness.autosaves(), 0);
        // The list says why, as the sheet does, until a name is taken.
        QCOMPARE(s.screen.renameProblem(), warning);
        QVERIFY(s.screen.renameClass(race.classes.at(0).id, QStringLiteral("H22")));
        QCOMPARE(s.screen.renameProblem(), QString());
    }

    void addClassCancelledThenSaved()
    {
        // Classes H21 and D10; courses "Long" (family L) and "Short".
        const Race race = testEvent(QStringLiteral("setup/classes-add.json"));
        Screen s(race);
        s.screen.addClass();
        QVERIFY(s.screen.classEditor());
        s.screen.classEditor()->cancel();
        QVERIFY(!s.screen.classEditor());
        QCOMPARE(s.store->race().classes, race.classes);
        QCOMPARE(s.harness.autosaves(), 0);

        s.screen.addClass();
        ClassEditor *editor = s.screen.classEditor();
        QCOMPARE(editor->name(), QStringLiteral("New Class"));
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$"))
                    .match(editor->raceClass().id)
                    .hasMatch());
        // Family courses are offered only as a family.
        QCOMPARE(editor->courseOptions().size(), 2);
        QCOMPARE(editor->familyOptions().value(1).toMap().value(QStringLiteral("text")).toString(),
            QStringLiteral("L (1 variants)"));
        editor->setName(QStringLiteral("   "));
        QVERIFY(!editor->canSave());
        editor->save();
        QVERIFY(s.screen.classEditor());
        editor->setCourseId(QStringLiteral("k2"));
        editor->setModeIndex(2);
        editor->setModeIndex(0);
        QCOMPARE(editor->courseId(), QString());
        editor->setName(QStringLiteral(" H8 "));
        editor->save();
        QVERIFY(!s.screen.classEditor());
        QCOMPARE(s.harness.autosaves(), 1);
        QCOMPARE(s.store->race().classes.size(), 3);
        QCOMPARE(s.store->race().classes.last().name, QStringLiteral(" H8 "));
        QCOMPARE(s.store->race().classes.last().courseId, std::nullopt);
        s.screen.rebuildNow();
        QStringList names;
        for (const auto &r : s.screen.rows()->rows())
            names.append(r.name);
        // The leading space is part of the prefix, which sorts before letters.
        QCOMPARE(names, QStringList({" H8 ", "D10", "H21"}));
    }

    void rowEdits()
    {
        // Three stages, s1 active; H21 on course "base" and on k1 for s1, D21; k1 for every stage,
        // k2 for s1, k3 for s2.
        Screen s(testEvent(QStringLiteral("setup/classes-rows.json")));
        QAbstractItemModelTester tester(s.screen.rows());
        QStringList courseNames;
        for (const Course &course : s.screen.courseLists().sorted)
            courseNames.append(course.name);
        QCOMPARE(courseNames, QStringList({"course 2", "Course 10"}));
        const auto row = [&](int i) { return s.screen.rows()->rows().at(i); };
        QCOMPARE(row(1).courseId, QStringLiteral("k1"));
        QVERIFY(row(1).showsStagesButton && !row(1).showsWindowButton);

        // A rename is one change and one autosave; the rows are updated in place.
        QSignalSpy resets(s.screen.rows(), &QAbstractItemModel::modelReset);
        s.screen.renameClass(QStringLiteral("a"), QStringLiteral("H22"));
        s.screen.renameClass(QStringLiteral("a"), QStringLiteral("H22"));
        QCOMPARE(s.harness.autosaves(), 1);
        s.screen.rebuildNow();
        QCOMPARE(resets.size(), 0);
        QCOMPARE(row(1).name, QStringLiteral("H22"));

        // "None" with a stage active removes that stage's entry only.
        s.screen.setCourse(QStringLiteral("a"), QString());
        const RaceClass &after = s.store->race().classes.at(0);
        QCOMPARE(after.courseId, QStringLiteral("base"));
        QVERIFY(after.stageCourseIds && after.stageCourseIds->isEmpty());
        s.screen.setStart(QStringLiteral("a"), 1);
        QCOMPARE(s.store->race().classes.at(0).stageStartMethods->value(QStringLiteral("s1")),
            StartMethod::StartPunch);
        QCOMPARE(s.store->race().classes.at(0).startMethod, std::nullopt);

        s.screen.setMode(QStringLiteral("a"), 2);
        s.screen.toggleCourse(QStringLiteral("a"), QStringLiteral("k1"));
        s.screen.rebuildNow();
        QCOMPARE(row(1).multiCourseText, QStringLiteral("Course 10"));
        s.screen.toggleCourse(QStringLiteral("a"), QStringLiteral("k1"));
        s.screen.rebuildNow();
        QCOMPARE(s.store->race().classes.at(0).courseIds, QList<QString>());
        QCOMPARE(row(1).multiCourseText, QStringLiteral("Select courses..."));
        QCOMPARE(s.store->race().classes.at(0).courseId, std::nullopt);

        s.screen.deleteClass(QStringLiteral("b"));
        QCOMPARE(s.store->race().classes.size(), 1);
    }

    // A day's rows show the course that judges the class that day, whichever day it is tagged
    // for, and "None" there leaves the class without one that day; a class turned into a forked
    // class is judged by its family, its results evaluated again in the same change.
    void dayShowsWhatJudges()
    {
        // Day 2 active; H21 on "course 2", tagged for day 1; D21 given "Gaffel A" for day 1 by an
        // import; Frida in D21 read on day 1 after running Gaffel B.
        Race race = testEvent(QStringLiteral("setup/classes-rows.json"));
        race.classes[0].courseId = QStringLiteral("k2");
        race.classes[0].stageCourseIds.reset();
        const auto controls = [](std::initializer_list<qint64> codes) {
            QList<CourseControl> list;
            for (qint64 code : codes)
                list.append(CourseControl {.code = code, .order = qint64(list.size())});
            return list;
        };
        Course gaffelA = makeCourse(
            QStringLiteral("ga"), QStringLiteral("Gaffel A"), QStringLiteral("G"), QStringLiteral("s1"));
        gaffelA.controls = controls({31, 32, 34});
        Course gaffelB = makeCourse(
            QStringLiteral("gb"), QStringLiteral("Gaffel B"), QStringLiteral("G"), QStringLiteral("s1"));
        gaffelB.controls = controls({31, 33, 34});
        race.courses += {gaffelA, gaffelB};
        race.classes[1].mode = RaceClassMode::SingleCourse;
        race.classes[1].stageCourseIds = StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("ga")}};
        Participant frida;
        frida.givenName = QStringLiteral("Frida");
        frida.cardNumber = QStringLiteral("7");
        frida.classId = QStringLiteral("b");
        race.participants = {frida};
        Screen s(race);
        const QDateTime at(QDate(2025, 6, 14), QTime(10, 0), Qt::UTC);
        QList<SIPunch> punches;
        for (qint64 code : {31, 33, 34})
            punches.append(SIPunch {.controlCode = code, .time = at.addSecs(60 * code)});
        const auto read
            = s.store->recordCardReading(QStringLiteral("7"), punches, std::nullopt, at, at.addSecs(3600));
        QVERIFY(read);
        QCOMPARE(read->courseId, QStringLiteral("ga"));
        QVERIFY(!read->completed);
        Race dayTwo = s.store->race();
        dayTwo.activeStageId = QStringLiteral("s2");
        s.store->setRace(dayTwo);
        s.screen.rebuildNow();

        const auto row = [&](int i) { return s.screen.rows()->rows().at(i); };
        const auto texts = [](const QVariantList &options) {
            QStringList out;
            for (const QVariant &o : options)
                out.append(o.toMap().value(QStringLiteral("text")).toString() + QLatin1Char('=')
                    + o.toMap().value(QStringLiteral("value")).toString());
            return out.join(QLatin1Char('|'));
        };
        QCOMPARE(row(1).name, QStringLiteral("H21"));
        QCOMPARE(row(1).courseId, QStringLiteral("k2"));
        QCOMPARE(texts(s.screen.courseOptions()),
            QStringLiteral("None=|Course 1=k3|Course 10=k1|course 2 (Day 1)=k2"));
        // The import's day-1 course is not day 2's.
        QCOMPARE(row(0).courseId, QString());

        // "None" on day 2: no course that day, the class's own stays for the others.
        s.screen.setCourse(QStringLiteral("a"), QString());
        s.screen.rebuildNow();
        QCOMPARE(row(1).courseId, QString());
        const RaceClass &h21 = s.store->race().classes.at(0);
        QCOMPARE(h21.courseId, QStringLiteral("k2"));
        QCOMPARE(h21.stageCourseIds, (StageMap<QString> {{QStringLiteral("s2"), QString()}}));
        QCOMPARE(texts(s.screen.courseOptions()), QStringLiteral("None=|Course 1=k3|Course 10=k1"));

        // The forked class: the family clears the day-1 course, the family of day 1's courses is
        // offered on day 2, and Frida's day-1 result is judged by the family in the same change.
        s.screen.setMode(QStringLiteral("b"), 1);
        QCOMPARE(s.store->race().classes.at(1).stageCourseIds, std::nullopt);
        QCOMPARE(s.store->race().results.at(0).courseId, QStringLiteral("gb"));
        QVERIFY(s.store->race().results.at(0).completed);
        QVERIFY(s.store->race().results.at(0).courseAutoMatched);
        s.screen.setFamily(QStringLiteral("b"), QStringLiteral("G"));
        s.screen.rebuildNow();
        QCOMPARE(row(0).family, QStringLiteral("G"));
        QCOMPARE(texts(s.screen.familyOptions()), QStringLiteral("None=|G (2 variants)=G"));
        QCOMPARE(s.store->race().results.at(0).courseId, QStringLiteral("gb"));

        // The per-stage sheet of the forked class offers no course; H21's shows day 2's "None".
        s.screen.editStages(QStringLiteral("b"));
        QVERIFY(
            !s.screen.stageEditor()->stages().at(1).toMap().value(QStringLiteral("showsCourse")).toBool());
        s.screen.editStages(QStringLiteral("a"));
        const QVariantMap dayTwoBlock = s.screen.stageEditor()->stages().at(1).toMap();
        QVERIFY(dayTwoBlock.value(QStringLiteral("showsCourse")).toBool());
        QCOMPARE(
            dayTwoBlock.value(QStringLiteral("courseId")).toString(), StageSettingsEditor::noCourseValue);
        QCOMPARE(texts(dayTwoBlock.value(QStringLiteral("courseOptions")).toList()),
            QStringLiteral("(Default)=|None=-none-|Course 10=k1|Course 1=k3"));
    }

    void perStageSheet()
    {
        // Three stages, s1 active; H21 on the start punch with windows 1:00-2:00 for s2 and s3;
        // courses "Long" (family Fam), "Short", and "Sprint" for s2.
        Screen s(testEvent(QStringLiteral("setup/classes-stages.json")));
        s.screen.editStages(QStringLiteral("a"));
        StageSettingsEditor *editor = s.screen.stageEditor();
        QVERIFY(editor);
        QStringList seen;
        for (const QVariant &v : editor->stages()) {
            const QVariantMap stage = v.toMap();
            QStringList offered;
            for (const QVariant &o : stage.value(QStringLiteral("courseOptions")).toList())
                offered.append(o.toMap().value(QStringLiteral("text")).toString());
            seen.append(stage.value(QStringLiteral("name")).toString() + QLatin1Char(':')
                + offered.join(QLatin1Char(','))
                + (stage.value(QStringLiteral("showsWindow")).toBool() ? QStringLiteral(":window")
                                                                       : QString()));
        }
        QCOMPARE(seen,
            QStringList({"Day 1:(Default),Short:window", "Day 2:(Default),Short,Sprint:window",
                "Day 3:(Default),Short:window"}));
        editor->setStart(QStringLiteral("s3"), QStringLiteral("scheduledTime"));
        QVERIFY(!editor->stages().at(2).toMap().value(QStringLiteral("showsWindow")).toBool());
        editor->setWindowText(QStringLiteral("s1"), QStringLiteral("9:00"), QStringLiteral("11:30"));
        editor->setWindowText(QStringLiteral("s2"), QStringLiteral("9:00"), QStringLiteral("24:00"));
        editor->setCourse(QStringLiteral("s1"), QStringLiteral("k2"));
        editor->setCourse(QStringLiteral("s1"), QString());
        // An unreadable window keeps the sheet open, says which stage and writes nothing.
        const RaceClass before = s.store->race().classes.at(0);
        editor->save();
        QCOMPARE(s.screen.stageEditor(), editor);
        QCOMPARE(editor->problem(),
            QStringLiteral(
                "Day 2: \"24:00\" is not a time of day. Type it as 9:30, 9.30 or 09:30. The stored start "
                "window was kept."));
        QVERIFY(s.store->race().classes.at(0) == before);
        editor->setWindowText(QStringLiteral("s2"), QStringLiteral("1:00"), QStringLiteral("2:00"));
        editor->save();
        QVERIFY(!s.screen.stageEditor());
        const RaceClass &after = s.store->race().classes.at(0);
        QCOMPARE(
            after.stageStartWindows->value(QStringLiteral("s1")), (StartWindow {9 * 3600, 11 * 3600 + 1800}));
        QCOMPARE(after.stageStartWindows->value(QStringLiteral("s2")), (StartWindow {3600, 7200}));
        QCOMPARE(after.stageStartWindows->value(QStringLiteral("s3")), (StartWindow {3600, 7200}));
        QVERIFY(after.stageCourseIds && after.stageCourseIds->isEmpty());
        QCOMPARE(after.startWindow, std::nullopt);

        s.screen.editStages(QStringLiteral("a"));
        s.screen.stageEditor()->setCourse(QStringLiteral("s1"), QStringLiteral("k2"));
        s.screen.stageEditor()->cancel();
        QCOMPARE(s.store->race().classes.at(0), after);
    }

    void deleteAllKeepsClassIds()
    {
        Race race;
        race.classes = {makeClass(QStringLiteral("a"), QStringLiteral("H21"))};
        Participant p;
        p.classId = QStringLiteral("a");
        race.participants = {p};
        Screen s(race);
        s.screen.deleteAllClasses();
        s.screen.rebuildNow();
        QVERIFY(s.store->race().classes.isEmpty());
        QCOMPARE(s.store->race().participants.at(0).classId, QStringLiteral("a"));
        QCOMPARE(s.screen.rows()->rowCount(), 0);
        QVERIFY(!s.screen.canDeleteAll());
        QCOMPARE(s.harness.autosaves(), 1);
    }

    void officialCourseDataToEventFile()
    {
        Screen s {Race()};
        const QString eventFile = s.harness.path(QStringLiteral("event.json"));
        QVERIFY(s.store->save(QUrl::fromLocalFile(eventFile)));
        s.store->importCourses(
            QUrl::fromLocalFile(QStringLiteral(VEXLO_IOF_DIR "/examples/CourseData_Individual_Step2.xml")));
        s.screen.generateClasses();
        s.screen.autoMatchClasses();
        s.screen.rebuildNow();
        QVERIFY(s.screen.rows()->rowCount() > 0);
        const QString first = s.screen.rows()->rows().first().classId;
        s.screen.renameClass(first, QStringLiteral("Edited"));
        s.screen.setStart(first, 1);
        s.store->flushAutosave();
        QString error;
        const auto written = RaceStore::readEventFile(QUrl::fromLocalFile(eventFile), &error);
        QVERIFY2(written, qPrintable(error));
        QCOMPARE(written->classes, s.store->race().classes);
        const RaceClass *edited = nullptr;
        for (const RaceClass &c : written->classes)
            edited = c.id == first ? &c : edited;
        QVERIFY(edited);
        QCOMPARE(edited->name, QStringLiteral("Edited"));
        QCOMPARE(edited->startMethod, StartMethod::StartPunch);
    }
};

QTEST_GUILESS_MAIN(TestClassesScreen)
#include "tst_classesscreen.moc"
