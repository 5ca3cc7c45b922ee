// The Events and Stages sections in the real main window, offscreen, driven by clicks and keys: a
// new event saved to a file, renamed and saved, reopened from the recent list; a stage added. In
// both languages and at the smallest window nothing is cut off; screenshots land in the build
// folder; any QML warning fails the test.

#include "nameorder.h"
#include "setupwindow.h"
#include "stagesviewmodel.h"
#include "testenvironment.h"
#include "testevent.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>

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
            QTRY_COMPARE(w.valueOf(QStringLiteral("stageDateLabel"), "text").toString(),
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
                // The export's saved line moves neither the export button nor the stage's row.
                const auto centreOf = [&](const QString &name) {
                    QQuickItem *item = w.item(name);
                    return item ? item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint()
                                : QPoint(-1, -1);
                };
                const QPoint exportAt = centreOf(QStringLiteral("exportEntriesButton"));
                const QPoint deleteAt = centreOf(QStringLiteral("deleteStage0"));
                QVERIFY(w.item(QStringLiteral("stagesView")));
                auto *stages = w.item(QStringLiteral("stagesView"))->findChild<StagesViewModel *>();
                QVERIFY(stages);
                QVERIFY(stages->savedMessage().isEmpty());
                QTemporaryDir exports;
                stages->exportEntries(QUrl::fromLocalFile(exports.filePath(QStringLiteral("entries.csv"))));
                QTRY_VERIFY(w.item(QStringLiteral("exportSaved")));
                // The shot lays the screen out first.
                w.shot(code + QStringLiteral("-min-stages-exported"));
                QCOMPARE(centreOf(QStringLiteral("exportEntriesButton")), exportAt);
                QCOMPARE(centreOf(QStringLiteral("deleteStage0")), deleteAt);
                window->resize(1280, 800);
                w.click(QStringLiteral("editStage0"));
                QTRY_VERIFY(w.item(QStringLiteral("stageNameField")));
                // The calendar's month in the language.
                QCOMPARE(w.item(QStringLiteral("stageMonthHeading"))->property("text").toString(),
                    localeForLanguage(languageIndex == 1 ? AppLanguage::Danish : AppLanguage::English)
                            .standaloneMonthName(picked.month())
                        + QStringLiteral(" %1").arg(picked.year()));
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

    // A fresh start in each language: "New" asks nothing of the blank event, and its naming sheet
    // is left with Cancel or Escape with nothing created. The date field takes the language's
    // short form and ISO, and a refusal names both forms; a name pasted with a line break is not
    // stored.
    void freshStartNewAndTypedDetails_data() { addLanguageRows(); }
    void freshStartNewAndTypedDetails()
    {
        QFETCH(int, languageIndex);
        useTestSettings("tst_eventscreens");
        WindowTestScope scope;
        {
            SetupWindow w(Race {});
            QVERIFY(w.start());
            VexloApp &app = *w.app;
            RaceStore *store = w.store;
            QQuickWindow *window = w.window;
            app.languagePicker().pick(languageIndex);
            const QString code = app.languagePicker().languageCode();
            app.content().setSelectedItem(SidebarItem::Race);
            QVERIFY(store->raceFileUrl().isEmpty());

            w.click(QStringLiteral("newEventButton"));
            QTRY_VERIFY(w.item(QStringLiteral("cancelNewEventButton")));
            QVERIFY(!w.item(QStringLiteral("confirmNewButton")));
            // Shown once the sheet's opening transition is over.
            QTRY_VERIFY([&] {
                for (QQuickItem *i = w.item(QStringLiteral("cancelNewEventButton")); i; i = i->parentItem())
                    if (i->opacity() < 1 || i->scale() != 1)
                        return false;
                return true;
            }());
            w.shot(code + QStringLiteral("-new-event-sheet"));
            w.typeInto(QStringLiteral("eventNameField"), QStringLiteral("Sprint"));
            QCOMPARE(store->race().name, QStringLiteral("Sprint"));
            w.click(QStringLiteral("cancelNewEventButton"));
            QTRY_VERIFY(!w.item(QStringLiteral("newEventSheet")));
            QCOMPARE(store->race().name, QStringLiteral("Untitled Race"));
            QVERIFY(!store->needsInitialSetup());
            QVERIFY(store->raceFileUrl().isEmpty());
            w.click(QStringLiteral("newEventButton"));
            QTRY_VERIFY(w.item(QStringLiteral("cancelNewEventButton")));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("newEventSheet")));
            QVERIFY(!store->needsInitialSetup());
            QVERIFY(w.harness.storedRecent().isEmpty());

            // The date in the language's short form, then ISO; Tab ends the typing.
            const bool danish = languageIndex == 1;
            w.typeInto(QStringLiteral("eventDateField"),
                danish ? QStringLiteral("08.12.2026") : QStringLiteral("08/12/2026"));
            QTest::keyClick(window, Qt::Key_Tab);
            QTRY_VERIFY(store->race().date);
            QCOMPARE(store->race().date->date(), QDate(2026, 12, 8));
            QCOMPARE(w.item(QStringLiteral("eventDateField"))->property("text").toString(),
                danish ? QStringLiteral("08.12.2026") : QStringLiteral("08/12/2026"));
            // The calendar's month in the language too.
            const auto heading
                = [&] { return w.item(QStringLiteral("eventMonthHeading"))->property("text").toString(); };
            QTRY_COMPARE(
                heading(), danish ? QStringLiteral("december 2026") : QStringLiteral("December 2026"));
            // The field and the calendar follow a change of language at once.
            app.languagePicker().pick(1 - languageIndex);
            QTRY_COMPARE(w.valueOf(QStringLiteral("eventDateField"), "text").toString(),
                danish ? QStringLiteral("08/12/2026") : QStringLiteral("08.12.2026"));
            QTRY_COMPARE(
                heading(), danish ? QStringLiteral("December 2026") : QStringLiteral("december 2026"));
            app.languagePicker().pick(languageIndex);
            QTRY_COMPARE(w.valueOf(QStringLiteral("eventDateField"), "text").toString(),
                danish ? QStringLiteral("08.12.2026") : QStringLiteral("08/12/2026"));
            QTRY_COMPARE(
                heading(), danish ? QStringLiteral("december 2026") : QStringLiteral("December 2026"));
            w.shot(code + QStringLiteral("-events-calendar"));
            w.typeInto(QStringLiteral("eventDateField"), QStringLiteral("2026-12-09"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_COMPARE(store->race().date->date(), QDate(2026, 12, 9));
            // Refused: the forms taken are named, the date stays, and the field keeps the text
            // as typed, also once Tab has taken the keyboard elsewhere.
            w.typeInto(QStringLiteral("eventDateField"), QStringLiteral("9.13.2026"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("dateError")));
            QCOMPARE(w.item(QStringLiteral("eventDateField"))->property("text").toString(),
                QStringLiteral("9.13.2026"));
            QTest::keyClick(window, Qt::Key_Tab);
            QTRY_VERIFY(
                w.item(QStringLiteral("eventDateField")) && !w.hasFocus(QStringLiteral("eventDateField")));
            QCOMPARE(w.item(QStringLiteral("eventDateField"))->property("text").toString(),
                QStringLiteral("9.13.2026"));
            QCOMPARE(w.item(QStringLiteral("dateError"))->property("text").toString(),
                danish
                    ? QStringLiteral("\u201C9.13.2026\u201D er ikke en dato mellem 01.01.1900 og 31.12.2199. "
                                     "Skriv den som 09.12.2026 eller 2026-12-09.")
                    : QStringLiteral(
                        "\"9.13.2026\" is not a date between 01/01/1900 and 31/12/2199. Type it as "
                        "09/12/2026 or 2026-12-09."));
            QCOMPARE(store->race().date->date(), QDate(2026, 12, 9));
            w.shot(code + QStringLiteral("-events-date-refused"));
            // Mended in place, "9.13.2026" made the 8th of December in the language's form: taken,
            // and the message goes.
            const QString separator = danish ? QStringLiteral(".") : QStringLiteral("/");
            w.click(QStringLiteral("eventDateField"));
            QTRY_VERIFY(w.hasFocus(QStringLiteral("eventDateField")));
            QTest::keyClick(window, Qt::Key_Home);
            QTest::keyClick(window, Qt::Key_Delete);
            QTest::keyClick(window, Qt::Key_Delete);
            uichecks::typeText(window, QStringLiteral("8") + separator);
            QTest::keyClick(window, Qt::Key_Delete);
            QTest::keyClick(window, Qt::Key_Delete);
            uichecks::typeText(window, QStringLiteral("12"));
            QTest::keyClick(window, Qt::Key_Delete);
            uichecks::typeText(window, separator);
            QCOMPARE(w.item(QStringLiteral("eventDateField"))->property("text").toString(),
                QStringLiteral("8") + separator + QStringLiteral("12") + separator + QStringLiteral("2026"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_COMPARE(store->race().date->date(), QDate(2026, 12, 8));
            QTRY_VERIFY(!w.item(QStringLiteral("dateError")));
            QCOMPARE(w.item(QStringLiteral("eventDateField"))->property("text").toString(),
                danish ? QStringLiteral("08.12.2026") : QStringLiteral("08/12/2026"));

            // A name pasted with a line break is not stored; the section says why.
            w.typeInto(QStringLiteral("eventNameField"), QStringLiteral("Spring Cup"));
            QGuiApplication::clipboard()->setText(QStringLiteral("Night\nSprint"));
            QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(window, Qt::Key_V, Qt::ControlModifier);
            QTRY_COMPARE(w.valueOf(QStringLiteral("nameWarning"), "text").toString(),
                localized(
                    QStringLiteral("A name cannot hold a line break, a tab or another control character.")));
            QCOMPARE(store->race().name, QStringLiteral("Spring Cup"));
            w.shot(code + QStringLiteral("-events-name-refused"));

            // "Save" on the event that has no file yet asks where it goes; Escape leaves it
            // without one.
            QVERIFY(store->raceFileUrl().isEmpty());
            QQuickItem *save = w.item(QStringLiteral("saveEventButton"));
            QVERIFY(save && save->isEnabled());
            w.click(save);
            QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("saveAsDialog"));
            QVERIFY(dialog);
            QCOMPARE(fileNameField(dialog)->text(), QStringLiteral("Spring Cup.vexloevent.json"));
            pressInDialog(dialog, Qt::Key_Escape);
            QTRY_VERIFY(!dialog || !dialog->isVisible());
            QVERIFY(store->raceFileUrl().isEmpty());
            QVERIFY(!w.item(QStringLiteral("savedMessage")));
            // Ctrl+S from the name field: the dialog again; a name typed and Return write the file.
            // (The window is active again once the dialog has gone, as on a desktop.)
            window->requestActivate();
            QVERIFY(QTest::qWaitForWindowActive(window, testwaits::ceilingMs));
            w.click(QStringLiteral("eventNameField"));
            QTRY_VERIFY(w.hasFocus(QStringLiteral("eventNameField")));
            QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
            dialog = waitForFileDialog(QStringLiteral("saveAsDialog"));
            QVERIFY(dialog);
            typeNameAndReturn(dialog, w.harness.path(QStringLiteral("Spring")));
            const QString written = w.harness.path(QStringLiteral("Spring.vexloevent.json"));
            QTRY_COMPARE(store->raceFileUrl(), QUrl::fromLocalFile(written));
            QVERIFY(StoreHarness::readAll(written).contains("\"name\": \"Spring Cup\""));
            QTRY_VERIFY(w.item(QStringLiteral("savedMessage")));
            QCOMPARE(w.item(QStringLiteral("savedMessage"))->property("text").toString(),
                localized(QStringLiteral("Saved %@"), {QStringLiteral("Spring.vexloevent.json")}));
            // The keyboard is back in the field it left.
            QTRY_VERIFY(w.hasFocus(QStringLiteral("eventNameField")));
            w.shot(code + QStringLiteral("-events-saved"));
        }
        verifyNoQmlProblems();
    }

    // A long name shows its beginning whenever it is not being edited: the event's name once
    // typed and left, and again after a restart over the same files; a stage's name left for
    // the sheet's next control. In both languages.
    void longNamesShowTheirBeginning_data() { addLanguageRows(); }
    void longNamesShowTheirBeginning()
    {
        QFETCH(int, languageIndex);
        useTestSettings("tst_eventscreens");
        WindowTestScope scope;
        {
            const QString name = QStringLiteral(
                "Danmarksmesterskab i natorienteringsløb for ungdom og veteraner, Rold Skov Nord 2026");
            // Where the name's first letter stands from the start of the field's text area: 0 when
            // the beginning shows, less when the field is scrolled on.
            const auto firstLetterAt = [](QQuickItem *field) {
                QRectF at;
                QMetaObject::invokeMethod(
                    field, "positionToRectangle", Q_RETURN_ARG(QRectF, at), Q_ARG(int, 0));
                return at.x();
            };
            SetupWindow w(Race {.name = QStringLiteral("Spring Cup")});
            QVERIFY(w.start());
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            w.app->content().setSelectedItem(SidebarItem::Race);
            w.typeInto(QStringLiteral("eventNameField"), name);
            QCOMPARE(w.store->race().name, name);
            QQuickItem *field = w.item(QStringLiteral("eventNameField"));
            QVERIFY(firstLetterAt(field) < -100); // while typed, the end shows
            QTest::keyClick(w.window, Qt::Key_Tab);
            QTRY_VERIFY(!field->hasActiveFocus());
            QCOMPARE(firstLetterAt(field), 0.0);
            QCOMPARE(field->property("cursorPosition").toInt(), 0);
            w.shot(code + QStringLiteral("-events-long-name"));

            // Quit and start again over the same autosave.
            w.app.reset();
            auto store = w.harness.makeStore();
            w.store = store.get();
            w.app = std::make_unique<VexloApp>(
                std::make_unique<RaceStoreShell>(std::move(store)), std::make_unique<CardReaderViewModel>());
            QVERIFY(w.start());
            QCOMPARE(w.store->race().name, name);
            w.app->content().setSelectedItem(SidebarItem::Race);
            QTRY_VERIFY(field = w.item(QStringLiteral("eventNameField")));
            QCOMPARE(field->property("text").toString(), name);
            QVERIFY(!field->hasActiveFocus());
            QCOMPARE(firstLetterAt(field), 0.0);
            QCOMPARE(field->property("cursorPosition").toInt(), 0);
            w.shot(code + QStringLiteral("-events-long-name-restarted"));

            w.app->content().setSelectedItem(SidebarItem::Stages);
            w.click(QStringLiteral("addStageButton"));
            QTRY_VERIFY(field = w.item(QStringLiteral("stageNameField")));
            w.typeInto(field, name);
            QVERIFY(firstLetterAt(field) < -100);
            QTest::keyClick(w.window, Qt::Key_Tab);
            QTRY_VERIFY(!field->hasActiveFocus());
            QCOMPARE(firstLetterAt(field), 0.0);
            w.shot(code + QStringLiteral("-stage-long-name"));
            QTest::keyClick(w.window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("stageNameField")));
            w.app->languagePicker().pick(0);
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestEventScreens)
#include "tst_eventscreens.moc"
