// The Classes and Courses sections in the real main window, offscreen at its minimum size, driven
// by clicks and key presses on the controls, in both languages; then both sections over the
// generated 5,000-entry event. Any QML warning fails the test. Screenshots land in the build folder.

#include "log.h"
#include "racegenerator.h"
#include "setupwindow.h"
#include "testenvironment.h"
#include "testevent.h"
#include <QClipboard>
#include <QPointer>

namespace {

// Courses "Long A" and "Long B" of the family "Long" and "Short"; H21 (start punch, window 8:00 to
// 9:00, on Short) and D10.
Race setupEvent()
{
    return testEvent(QStringLiteral("app/setup-event.json"));
}

const RaceClass *classNamed(const Race &race, const QString &name)
{
    for (const RaceClass &c : race.classes) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

} // namespace

class TestSetupScreens : public QObject
{
    Q_OBJECT
    std::optional<WindowTestScope> m_scope;

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { useTestSettings("tst_setupscreens"); }
    void init() { m_scope.emplace(); }
    // Any QML warning of the test fails it.
    void cleanup()
    {
        m_scope.reset();
        verifyNoQmlProblems();
    }

    void classesSection()
    {
        SetupWindow w(setupEvent());
        QVERIFY(w.start());
        for (int languageIndex : {0, 1}) {
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            w.store->setRace(setupEvent());
            w.app->content().setSelectedItem(SidebarItem::Classes);
            QTRY_VERIFY(w.item(QStringLiteral("classRow_D10")));
            w.shot(code + QStringLiteral("-classes"));
            // A class without a course shows the "None" row, not a blank picker.
            const QString none = localized(QStringLiteral("None"));
            QTRY_COMPARE(w.itemIn(QStringLiteral("classRow_D10"), QStringLiteral("coursePicker"))
                             ->property("currentText")
                             .toString(),
                none);

            // Add a class: the sheet opens with its name field focused; Return saves.
            w.harness.steps.clear();
            w.click(QStringLiteral("addClassButton"));
            QTRY_VERIFY(w.item(QStringLiteral("classEditSheet")));
            QTRY_COMPARE(w.itemIn(QStringLiteral("classEditSheet"), QStringLiteral("coursePicker"))
                             ->property("currentText")
                             .toString(),
                none);
            w.shot(code + QStringLiteral("-class-editor"));
            w.typeInto(w.itemIn(QStringLiteral("classEditSheet"), QStringLiteral("classNameField")),
                QStringLiteral("H35"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("classEditSheet")));
            QVERIFY(classNamed(w.store->race(), QStringLiteral("H35")));
            QCOMPARE(w.harness.autosaves(), 1);

            // Rename in the row: nothing is saved while typing, the field keeps its focus, and
            // Return writes the one change.
            QTRY_VERIFY(w.item(QStringLiteral("classRow_D10")));
            QQuickItem *field = w.itemIn(QStringLiteral("classRow_D10"), QStringLiteral("classNameField"));
            w.typeInto(field, QStringLiteral("D12"));
            QCOMPARE(w.harness.autosaves(), 1);
            QVERIFY(field->hasActiveFocus());
            QTest::keyClick(w.window, Qt::Key_Return);
            QCOMPARE(w.harness.autosaves(), 2);
            QVERIFY(classNamed(w.store->race(), QStringLiteral("D12")));
            QCoreApplication::processEvents();
            QVERIFY(field->hasActiveFocus());
            QCOMPARE(field->property("text").toString(), QStringLiteral("D12"));
            // A name pasted with a line break is not stored, and the list says why until a name is.
            QGuiApplication::clipboard()->setText(QStringLiteral("D\n14"));
            QTest::keyClick(w.window, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(w.window, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("classRenameProblem")));
            QCOMPARE(w.item(QStringLiteral("classRenameProblem"))->property("text").toString(),
                localized(
                    QStringLiteral("A name cannot hold a line break, a tab or another control character.")));
            QTRY_COMPARE(field->property("text").toString(), QStringLiteral("D12"));
            QVERIFY(classNamed(w.store->race(), QStringLiteral("D12")));
            QCOMPARE(w.harness.autosaves(), 2);
            w.shot(code + QStringLiteral("-class-name-refused"));
            w.typeInto(field, QStringLiteral("D14"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("classRenameProblem")));
            QVERIFY(classNamed(w.store->race(), QStringLiteral("D14")));
            QCOMPARE(w.harness.autosaves(), 3);

            // The override editor: an unreadable time keeps the stored window and says why.
            w.click(w.itemIn(QStringLiteral("classRow_H21"), QStringLiteral("windowButton")));
            QTRY_VERIFY(w.item(QStringLiteral("startWindowSheet")));
            w.typeInto(w.item(QStringLiteral("openField")), QStringLiteral("25:00"));
            w.click(w.itemIn(QStringLiteral("startWindowSheet"), QStringLiteral("acceptButton")));
            QTRY_VERIFY(w.item(QStringLiteral("windowProblem")));
            w.shot(code + QStringLiteral("-start-window"));
            QCOMPARE(classNamed(w.store->race(), QStringLiteral("H21"))->startWindow,
                (StartWindow {8 * 3600, 9 * 3600}));
            QTest::keyClick(w.window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("startWindowSheet")));
            QCOMPARE(w.harness.autosaves(), 3);

            // The default start-window sheet from the Tools menu.
            w.click(QStringLiteral("toolsButton"));
            QTRY_VERIFY(w.item(QStringLiteral("defaultWindowItem")));
            w.shot(code + QStringLiteral("-classes-tools"));
            // Dividers set the default window apart from the class tools above and below it.
            {
                const auto y = [&](const char *name) {
                    QQuickItem *i = w.item(QLatin1String(name));
                    return i ? i->mapToScene({0, 0}).y() : -1.0;
                };
                QVERIFY(y("autoMatchItem") >= 0 && y("toolsDivider") >= 0 && y("toolsDivider2") >= 0);
                QVERIFY(y("autoMatchItem") < y("toolsDivider") && y("toolsDivider") < y("defaultWindowItem"));
                QVERIFY(
                    y("defaultWindowItem") < y("toolsDivider2") && y("toolsDivider2") < y("deleteAllItem"));
            }
            w.click(QStringLiteral("defaultWindowItem"));
            QTRY_VERIFY(w.item(QStringLiteral("defaultWindowSheet")));
            // Letters are refused where they were typed: the sheet stays with the reason.
            w.typeInto(w.item(QStringLiteral("defaultOpenField")), QStringLiteral("ten"));
            w.typeInto(w.item(QStringLiteral("defaultCloseField")), QStringLiteral("11:30"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("defaultWindowProblem")));
            QCOMPARE(w.item(QStringLiteral("defaultWindowProblem"))->property("text").toString(),
                localized(QStringLiteral("\"%@\" is not a time of day. Type it as 9:30, 9.30 or 09:30."),
                    QStringLiteral("ten"))
                    + QLatin1Char(' ') + localized(QStringLiteral("The stored start window was kept.")));
            QCOMPARE(w.item(QStringLiteral("defaultOpenField"))->property("text").toString(),
                QStringLiteral("ten"));
            QCOMPARE(w.store->race().defaultStartWindow, std::nullopt);
            w.shot(code + QStringLiteral("-default-window-refused"));
            w.typeInto(w.item(QStringLiteral("defaultOpenField")), QStringLiteral("10:00"));
            w.typeInto(w.item(QStringLiteral("defaultCloseField")), QStringLiteral("11:30"));
            w.shot(code + QStringLiteral("-default-window"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("defaultWindowSheet")));
            QCOMPARE(w.store->race().defaultStartWindow, (StartWindow {10 * 3600, 11 * 3600 + 1800}));

            // With stages every row opens the per-stage sheet; Save writes the class.
            Race staged = w.store->race();
            staged.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"),
                QDateTime(QDate(2025, 6, 14), QTime(0, 0), Qt::UTC), 1}};
            staged.activeStageId = QStringLiteral("s1");
            w.store->setRace(staged);
            QTRY_VERIFY(w.itemIn(QStringLiteral("classRow_H21"), QStringLiteral("stagesButton")));
            QVERIFY(w.item(QStringLiteral("stagePicker")));
            w.click(w.itemIn(QStringLiteral("classRow_H21"), QStringLiteral("stagesButton")));
            QTRY_VERIFY(w.item(QStringLiteral("stageSettingsSheet")));
            QTRY_COMPARE(w.valueOf(QStringLiteral("stageCoursePicker"), "currentText").toString(),
                localized(QStringLiteral("(Default)")));
            // The Start picker shows the choice made, by mouse and by keys, and keeps the focus; a
            // scheduled start has no start window to fill in.
            {
                const auto startShown = [&] {
                    QQuickItem *picker = w.item(QStringLiteral("stageStartPicker"));
                    return picker ? picker->property("currentText").toString() : QString();
                };
                QTRY_COMPARE(startShown(), localized(QStringLiteral("(Default)")));
                w.click(w.item(QStringLiteral("stageStartPicker")));
                w.shot(code + QStringLiteral("-stage-start-choices"));
                // The choice in the open list, not a row's picker behind the sheet showing it.
                const QString scheduled = localized(QStringLiteral("Scheduled time"));
                w.click(findVisibleItem(w.window, [&](QQuickItem *i) {
                    return i->inherits("QQuickAbstractButton") && i->property("text").toString() == scheduled;
                }));
                QTRY_COMPARE(startShown(), localized(QStringLiteral("Scheduled time")));
                QTRY_VERIFY(!w.item(QStringLiteral("stageOpenField")));
                w.shot(code + QStringLiteral("-stage-start-scheduled"));
                QQuickItem *picker = w.item(QStringLiteral("stageStartPicker"));
                picker->forceActiveFocus(Qt::TabFocusReason);
                QTest::keyClick(w.window, Qt::Key_Down);
                QTRY_COMPARE(startShown(), localized(QStringLiteral("Start punch")));
                QVERIFY(w.item(QStringLiteral("stageStartPicker"))->hasActiveFocus());
                // The window fields show again (the grab lays the sheet out before they are clicked).
                QTRY_VERIFY(w.item(QStringLiteral("stageOpenField")));
                w.shot(code + QStringLiteral("-stage-start-punch"));
            }
            w.typeInto(w.item(QStringLiteral("stageOpenField")), QStringLiteral("nine"));
            w.typeInto(w.item(QStringLiteral("stageCloseField")), QStringLiteral("9:45"));
            w.click(w.itemIn(QStringLiteral("stageSettingsSheet"), QStringLiteral("acceptButton")));
            QTRY_VERIFY(w.item(QStringLiteral("stageWindowProblem")));
            QVERIFY(w.item(QStringLiteral("stageSettingsSheet")));
            QVERIFY(w.item(QStringLiteral("stageWindowProblem"))
                        ->property("text")
                        .toString()
                        .startsWith(QStringLiteral("Day 1: ")));
            w.shot(code + QStringLiteral("-stage-settings-refused"));
            w.typeInto(w.item(QStringLiteral("stageOpenField")), QStringLiteral("9:00"));
            w.shot(code + QStringLiteral("-stage-settings"));
            const qsizetype before = w.harness.autosaves();
            w.click(w.itemIn(QStringLiteral("stageSettingsSheet"), QStringLiteral("acceptButton")));
            QTRY_VERIFY(!w.item(QStringLiteral("stageSettingsSheet")));
            QCOMPARE(w.harness.autosaves(), before + 1);
            QCOMPARE(classNamed(w.store->race(), QStringLiteral("H21"))
                         ->stageStartWindows->value(QStringLiteral("s1")),
                (StartWindow {9 * 3600, 9 * 3600 + 2700}));
            QCOMPARE(classNamed(w.store->race(), QStringLiteral("H21"))
                         ->stageStartMethods->value(QStringLiteral("s1")),
                StartMethod::StartPunch);
        }
    }

    // Courses tagged for day 1, day 2 shown: H21's course, which judges it on day 2 as well, is
    // named with its day; D10 turned into a forked class is offered the family of day 1's
    // courses; "None" leaves H21 without a course on day 2. In each language, by clicks.
    void dayShowsWhatJudges_data() { addLanguageRows(); }
    void dayShowsWhatJudges()
    {
        QFETCH(int, languageIndex);
        Race race = setupEvent();
        race.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Dag 1"),
                           QDateTime(QDate(2025, 6, 14), QTime(0, 0), Qt::UTC), 1},
            Stage {QStringLiteral("s2"), QStringLiteral("Dag 2"),
                QDateTime(QDate(2025, 6, 15), QTime(0, 0), Qt::UTC), 2}};
        race.activeStageId = QStringLiteral("s2");
        for (Course &course : race.courses)
            course.stageId = QStringLiteral("s1");
        race.classes[1].mode = RaceClassMode::CourseFamily;
        race.classes[1].courseFamily = QStringLiteral("Long");
        SetupWindow w(race);
        QVERIFY(w.start());
        w.app->languagePicker().pick(languageIndex);
        const QString code = w.app->languagePicker().languageCode();
        w.app->content().setSelectedItem(SidebarItem::Classes);
        QTRY_VERIFY(w.item(QStringLiteral("classRow_H21")));
        const auto shown = [&](const char *row, const char *picker) {
            QQuickItem *item = w.itemIn(QLatin1String(row), QLatin1String(picker));
            return item ? item->property("currentText").toString() : QString();
        };
        QTRY_COMPARE(shown("classRow_H21", "coursePicker"), QStringLiteral("Short (Dag 1)"));
        QTRY_COMPARE(shown("classRow_D10", "familyPicker"),
            localized(QStringLiteral("%@ (%@ variants)"), QStringLiteral("Long"), 2));
        w.shot(code + QStringLiteral("-classes-day-two"));
        w.click(w.itemIn(QStringLiteral("classRow_H21"), QStringLiteral("coursePicker")));
        const QString none = localized(QStringLiteral("None"));
        w.click(findVisibleItem(w.window, [&](QQuickItem *i) {
            return i->inherits("QQuickAbstractButton") && i->property("text").toString() == none;
        }));
        QTRY_COMPARE(shown("classRow_H21", "coursePicker"), none);
        const RaceClass *h21 = classNamed(w.store->race(), QStringLiteral("H21"));
        QCOMPARE(h21->stageCourseIds, (StageMap<QString> {{QStringLiteral("s2"), QString()}}));
        QCOMPARE(h21->courseId, QStringLiteral("k3"));
        w.shot(code + QStringLiteral("-classes-day-two-none"));
    }

    // What is typed into a row or a detail field without Return or Tab is written however the
    // organiser leaves it: another section clicked, the language switched, the window closed.
    void typedTextKeptOnLeaving_data()
    {
        QTest::addColumn<QString>("leave");
        QTest::newRow("section clicked") << QStringLiteral("section");
        QTest::newRow("language switched") << QStringLiteral("language");
        QTest::newRow("window closed") << QStringLiteral("close");
    }
    void typedTextKeptOnLeaving()
    {
        QFETCH(QString, leave);
        SetupWindow w(setupEvent());
        QVERIFY(w.start());
        w.app->languagePicker().pick(0);
        const auto leaveScreen = [&] {
            if (leave == u"section")
                w.click(QStringLiteral("sidebarRow_courses"));
            else if (leave == u"language")
                w.app->languagePicker().pick(1);
            else
                QVERIFY(w.window->close());
        };

        w.app->content().setSelectedItem(SidebarItem::Classes);
        QTRY_VERIFY(w.item(QStringLiteral("classRow_D10")));
        w.typeInto(w.itemIn(QStringLiteral("classRow_D10"), QStringLiteral("classNameField")),
            QStringLiteral("D12"));
        leaveScreen();
        QTRY_VERIFY(classNamed(w.store->race(), QStringLiteral("D12")));
        QVERIFY(!classNamed(w.store->race(), QStringLiteral("D10")));
        if (leave == u"close")
            return;

        w.app->languagePicker().pick(0);
        w.app->content().setSelectedItem(SidebarItem::Race);
        w.typeInto(QStringLiteral("eventDateField"), QStringLiteral("2026-05-17"));
        leaveScreen();
        QTRY_VERIFY(w.store->race().date.has_value());
        QCOMPARE(w.store->race().date->date(), QDate(2026, 5, 17));
    }

    void coursesSection()
    {
        Race staged;
        staged.name = QStringLiteral("Two Days");
        const QDateTime day(QDate(2025, 6, 14), QTime(0, 0), Qt::UTC);
        staged.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), day, 1},
            Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), day.addDays(1), 2}};
        staged.activeStageId = QStringLiteral("s1");
        SetupWindow w(staged);
        QVERIFY(w.start());
        const QString eventFile = w.harness.path(QStringLiteral("event.json"));
        QVERIFY(w.store->save(QUrl::fromLocalFile(eventFile)));
        for (int languageIndex : {0, 1}) {
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            w.app->content().setSelectedItem(SidebarItem::Courses);
            QTRY_VERIFY(w.item(QStringLiteral("coursesView")));
            // The file dialog's answer, handed to the screen's own import action.
            const auto importFile = [&](const QString &path) {
                QObject *screen
                    = qvariant_cast<QObject *>(w.item(QStringLiteral("coursesView"))->property("screen"));
                QVERIFY(QMetaObject::invokeMethod(
                    screen, "importCourses", Q_ARG(QUrl, QUrl::fromLocalFile(path))));
            };
            if (languageIndex == 0) {
                importFile(QStringLiteral(VEXLO_IOF_DIR "/examples/CourseData_Individual_Step2.xml"));
                importFile(QStringLiteral(VEXLO_IOF_DIR "/examples/CourseData_Individual_Step4.xml"));
                w.app->content().setSelectedItem(SidebarItem::Stages);
                w.store->setRace([&] {
                    Race r = w.store->race();
                    r.activeStageId = QStringLiteral("s2");
                    return r;
                }());
                w.app->content().setSelectedItem(SidebarItem::Courses);
                importFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/imports/coursedata-two-stages.xml"));
                QTRY_VERIFY(w.item(QStringLiteral("courseRow_Lang")));
                QVERIFY(w.item(QStringLiteral("changeSummary")));
            }
            w.shot(code + QStringLiteral("-courses"));

            // The import dialog opened and closed without a file leaves its two log lines.
            {
                LogCapture log;
                w.click(QStringLiteral("importCoursesButton"));
                const QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("courseImportDialog"));
                QVERIFY(dialog);
                // It starts in the event file's folder.
                QCOMPARE(dialog->directory().path(), QFileInfo(eventFile).absolutePath());
                pressInDialog(dialog, Qt::Key_Escape);
                QTRY_VERIFY(!dialog || !dialog->isVisible());
                QCOMPARE(log.lines(),
                    QStringList({QStringLiteral("CoursesView: opening import panel"),
                        QStringLiteral(
                            "CoursesView: panel completion fired, result=cancel/other, url=nil")}));
            }

            // Edit: rename by typing, Return saves through the store.
            w.click(w.itemIn(QStringLiteral("courseRow_Lang"), QStringLiteral("editCourseButton")));
            QTRY_VERIFY(w.item(QStringLiteral("courseEditSheet")));
            QVERIFY(!w.item(QStringLiteral("rogainingRulesHeading")));
            w.click(QStringLiteral("rogainingToggle"));
            QTRY_VERIFY(w.item(QStringLiteral("rogainingRulesHeading")));
            QCOMPARE(w.item(QStringLiteral("rogainingRulesHeading"))->property("text").toString(),
                localized(QStringLiteral("Rogaining rules")));
            // Cancel sits beside Save, at the right.
            w.settle();
            {
                QQuickItem *cancel
                    = w.itemIn(QStringLiteral("courseEditSheet"), QStringLiteral("cancelButton"));
                QQuickItem *save
                    = w.itemIn(QStringLiteral("courseEditSheet"), QStringLiteral("acceptButton"));
                QVERIFY(cancel && save);
                const qreal cancelRight = cancel->mapToScene({cancel->width(), 0}).x();
                QVERIFY(cancelRight < save->mapToScene({0, 0}).x());
                QVERIFY(save->mapToScene({0, 0}).x() - cancelRight < 24);
            }
            w.shot(code + QStringLiteral("-course-editor"));
            // A score far above any course's is refused where it is typed, in the language.
            w.typeInto(w.itemIn(QStringLiteral("courseEditSheet"), QStringLiteral("scoreField")),
                QStringLiteral("9223372036854775807"));
            QTRY_VERIFY(w.item(QStringLiteral("courseProblem")));
            QCOMPARE(w.item(QStringLiteral("courseProblem"))->property("text").toString(),
                localized(QStringLiteral("A score is at most %@ points, not %@."),
                    QLocale().toString(1'000'000), QStringLiteral("9223372036854775807")));
            w.shot(code + QStringLiteral("-course-score-refused"));
            w.click(QStringLiteral("rogainingToggle"));
            w.typeInto(w.item(QStringLiteral("courseNameField")), QStringLiteral("Lang2"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("courseEditSheet")));
            QTRY_VERIFY(w.item(QStringLiteral("courseRow_Lang2")));

            // Delete, confirmed in the alert.
            w.click(w.itemIn(QStringLiteral("courseRow_Kort"), QStringLiteral("deleteCourseButton")));
            QTRY_VERIFY(w.item(QStringLiteral("confirmDeleteCourseButton")));
            w.shot(code + QStringLiteral("-course-delete"));
            w.click(QStringLiteral("confirmDeleteCourseButton"));
            QTRY_VERIFY(!w.item(QStringLiteral("courseRow_Kort")));

            // A broken file: the store's reason in red, the event file unchanged.
            w.store->flushAutosave();
            const QByteArray before = StoreHarness::readAll(eventFile);
            importFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/setup/bad-imports/html-page.xml"));
            QTRY_VERIFY(w.item(QStringLiteral("importError")));
            w.shot(code + QStringLiteral("-course-import-error"));
            w.store->flushAutosave();
            QCOMPARE(StoreHarness::readAll(eventFile), before);

            // Back for the next language: the renamed course is "Lang" again, "Kort" returns.
            importFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/imports/coursedata-two-stages.xml"));
            Race r = w.store->race();
            for (Course &c : r.courses)
                c.name = c.name == QLatin1String("Lang2") ? QStringLiteral("Lang") : c.name;
            w.store->setRace(r);
            w.store->autosave();
        }
        w.store->flushAutosave();
        QString error;
        const auto written = RaceStore::readEventFile(QUrl::fromLocalFile(eventFile), &error);
        QVERIFY2(written, qPrintable(error));
        QCOMPARE(written->courses, w.store->race().courses);
        QCOMPARE(written->classes, w.store->race().classes);
    }

    void generatedEvent()
    {
        SetupWindow w(generateRace());
        QVERIFY(w.start());
        for (int languageIndex : {0, 1}) {
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            for (SidebarItem section : {SidebarItem::Classes, SidebarItem::Courses}) {
                w.app->content().setSelectedItem(section);
                QCoreApplication::processEvents();
                w.shot(code + QStringLiteral("-generated-") + rawValue(section));
            }
        }
    }
};

QTEST_MAIN(TestSetupScreens)
#include "tst_setupscreens.moc"
