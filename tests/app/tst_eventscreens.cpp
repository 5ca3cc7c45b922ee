// The Events and Stages sections in the real main window, offscreen, driven by clicks and keys: a
// new event saved to a file, renamed and saved, reopened from the recent list; a stage added. In
// both languages and at the smallest window nothing is cut off; screenshots land in the build
// folder; any QML warning fails the test.

#include "setupwindow.h"
#include "testenvironment.h"
#include "testevent.h"

class TestEventScreens : public QObject
{
    Q_OBJECT
public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void eventsAndStages()
    {
        useTestSettings("tst_eventscreens");
        WindowTestScope scope;
        {
            const Race entries = testEvent(QStringLiteral("app/entries-event.json"));
            SetupWindow w(entries);
            QVERIFY(w.start());
            VexloApp &app = *w.app;
            RaceStore *store = w.store;
            QQuickWindow *window = w.window;
            window->resize(1280, 800);
            app.content().setSelectedItem(SidebarItem::Race);

            // No recent events yet: the menu has no "Recent Events" entry at all.
            w.click(QStringLiteral("moreButton"));
            QTRY_VERIFY(w.item(QStringLiteral("saveAsItem")));
            QVERIFY(!findVisibleItem(window, [](QQuickItem *i) {
                return i->property("text").toString() == QLatin1String("Recent Events");
            }));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("saveAsItem")));

            // The open event lives only in the autosave: "New" asks first; Escape keeps it.
            w.click(QStringLiteral("newEventButton"));
            QTRY_VERIFY(w.item(QStringLiteral("confirmNewButton")));
            w.shot(QStringLiteral("en-events-confirm-new"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("confirmNewButton")));
            QCOMPARE(store->race().name, QStringLiteral("Spring Cup"));
            w.click(QStringLiteral("newEventButton"));
            w.click(QStringLiteral("confirmNewButton"));
            QTRY_COMPARE(store->race().name, QStringLiteral("Untitled Race"));
            QVERIFY(app.newEvent().isVisible());
            const QString first = w.harness.path(QStringLiteral("Sprint.vexloevent.json"));
            app.newEvent().setEventName(QStringLiteral("Sprint"));
            app.newEvent().saveTo(QUrl::fromLocalFile(first));
            QTRY_VERIFY(!w.item(QStringLiteral("newEventSheet")));

            // Renamed in the name field, written by "Save".
            w.typeInto(QStringLiteral("eventNameField"), QStringLiteral("Night Sprint"));
            QCOMPARE(store->race().name, QStringLiteral("Night Sprint"));
            w.click(QStringLiteral("saveEventButton"));
            QVERIFY(StoreHarness::readAll(first).contains("\"name\": \"Night Sprint\""));

            // An unsaved rename is dropped by reopening the file from the recent list.
            w.typeInto(QStringLiteral("eventNameField"), QStringLiteral("Scratch"));
            w.click(QStringLiteral("moreButton"));
            QTRY_VERIFY(w.item(QStringLiteral("saveAsItem")));
            w.shot(QStringLiteral("en-events-menu"));
            w.click(QStringLiteral("Recent Events"));
            w.click(QStringLiteral("recentItem0"));
            QTRY_COMPARE(store->race().name, QStringLiteral("Night Sprint"));

            // A stage added with the keyboard: Return saves the sheet.
            app.content().setSelectedItem(SidebarItem::Stages);
            w.click(QStringLiteral("addStageButton"));
            QTRY_VERIFY(w.item(QStringLiteral("stageNameField")));
            w.typeInto(QStringLiteral("stageNameField"), QStringLiteral("Prologue"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_COMPARE(store->race().stages.size(), 1);
            QCOMPARE(store->race().stages.at(0).name, QStringLiteral("Prologue"));
            QCOMPARE(store->race().activeStageId, std::optional<QString>(store->race().stages.at(0).id));
            QVERIFY(StoreHarness::readAll(first).contains("\"name\": \"Prologue\""));

            // The date is chosen on the sheet's calendar and shown in the medium date style.
            w.click(QStringLiteral("editStage0"));
            QTRY_VERIFY(w.item(QStringLiteral("stageCalendar")));
            const QDate added = store->race().stages.at(0).date.toLocalTime().date();
            const QDate picked(added.year(), added.month(), added.day() == 15 ? 16 : 15);
            QCOMPARE(w.item(QStringLiteral("stageDateLabel"))->property("text").toString(),
                QLocale(QLocale::English, QLocale::UnitedStates)
                    .toString(added, QStringLiteral("MMM d, yyyy")));
            w.click(
                QStringLiteral("stageDay_%1-%2-%3").arg(picked.year()).arg(picked.month()).arg(picked.day()));
            QTRY_COMPARE(w.item(QStringLiteral("stageDateLabel"))->property("text").toString(),
                QLocale(QLocale::English, QLocale::UnitedStates)
                    .toString(picked, QStringLiteral("MMM d, yyyy")));
            w.shot(QStringLiteral("en-stage-calendar"));
            w.click(QStringLiteral("stageSave"));
            QTRY_COMPARE(store->race().stages.at(0).date.toLocalTime().date(), picked);
            QTRY_VERIFY(findVisibleItem(window, [&](QQuickItem *i) {
                return i->property("text").toString()
                    == QLocale(QLocale::English, QLocale::UnitedStates)
                           .toString(picked, QStringLiteral("MMM d, yyyy"));
            }));
            QVERIFY(w.item(QStringLiteral("exportCaption")));

            // Every screen and sheet in both languages, also at the smallest window.
            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                for (const QSize size : {QSize(1280, 800), window->minimumSize()}) {
                    window->resize(size);
                    const QString tag = code + (size.width() < 1000 ? QStringLiteral("-min") : QString());
                    app.content().setSelectedItem(SidebarItem::Race);
                    w.shot(tag + QStringLiteral("-events"));
                    app.content().setSelectedItem(SidebarItem::Stages);
                    w.shot(tag + QStringLiteral("-stages"));
                }
                window->resize(1280, 800);
                w.click(QStringLiteral("editStage0"));
                QTRY_VERIFY(w.item(QStringLiteral("stageNameField")));
                w.shot(code + QStringLiteral("-stage-edit"));
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY(!w.item(QStringLiteral("stageNameField")));
                w.click(QStringLiteral("deleteStage0"));
                QTRY_VERIFY(w.item(QStringLiteral("confirmDeleteButton")));
                w.shot(code + QStringLiteral("-stage-delete"));
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY(!w.item(QStringLiteral("confirmDeleteButton")));
                QCOMPARE(store->race().stages.size(), 1);
            }
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestEventScreens)
#include "tst_eventscreens.moc"
