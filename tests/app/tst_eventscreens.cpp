// The Events and Stages sections and the entry sheets in the real main window, offscreen, driven
// by clicks and keys: a new event saved to a file, renamed and saved, reopened from the recent
// list; a stage added; a runner edited in the participant editor opened from a test host; the
// entries-per-class and preference sheets. Screenshots in both languages land in the build folder;
// any QML warning fails the test.

#include "participanteditor.h"
#include "setupwindow.h"
#include "testevent.h"

#include <QQmlComponent>

namespace {

// A QML host for a sheet of the Entries module, as a screen would hold it.
QQuickItem *host(VexloApp &app, const QByteArray &body)
{
    QQmlComponent component(&app.engine());
    component.setData("import QtQuick\nimport Vexlo.Entries\n" + body, QUrl(QStringLiteral("qrc:/host.qml")));
    auto *item = qobject_cast<QQuickItem *>(component.create());
    if (!item)
        qWarning("%s", qPrintable(component.errorString()));
    if (item)
        item->setParentItem(app.window()->contentItem());
    return item;
}

} // namespace

class TestEventScreens : public QObject
{
    Q_OBJECT
private slots:
    void eventStagesAndEntrySheets()
    {
        useTestSettings("tst_eventscreens");
        QmlProblemCollector qml;
        LocalizationManager language(QStringList({"en-US"}));
        LocalizationManager::setShared(&language);
        {
            const Race entries = testEvent(QStringLiteral("app/entries-event.json"));
            SetupWindow w(entries);
            QVERIFY(w.start());
            VexloApp &app = *w.app;
            RaceStore *store = w.store;
            QQuickWindow *window = w.window;
            window->resize(1280, 800);
            app.content().setSelectedItem(SidebarItem::Race);

            // The open event lives only in the autosave: "New" asks first; Escape keeps it.
            w.click(QStringLiteral("newEventButton"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("confirmNewButton")));
            shoot(window, QStringLiteral("en-events-confirm-new"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("confirmNewButton")));
            QCOMPARE(store->race().name, QStringLiteral("Spring Cup"));
            w.click(QStringLiteral("newEventButton"));
            w.click(QStringLiteral("confirmNewButton"));
            QTRY_COMPARE(store->race().name, QStringLiteral("Untitled Race"));
            QVERIFY(app.newEvent().isVisible());
            const QString first = w.harness.path(QStringLiteral("Sprint.vexloevent.json"));
            app.newEvent().setEventName(QStringLiteral("Sprint"));
            app.newEvent().saveTo(QUrl::fromLocalFile(first));
            QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("newEventSheet")));

            // Renamed in the name field, written by "Save".
            w.typeInto(QStringLiteral("eventNameField"), QStringLiteral("Night Sprint"));
            QCOMPARE(store->race().name, QStringLiteral("Night Sprint"));
            w.click(QStringLiteral("saveEventButton"));
            QVERIFY(StoreHarness::readAll(first).contains("\"name\": \"Night Sprint\""));

            // An unsaved rename is dropped by reopening the file from the recent list.
            w.typeInto(QStringLiteral("eventNameField"), QStringLiteral("Scratch"));
            w.click(QStringLiteral("moreButton"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("saveAsItem")));
            shoot(window, QStringLiteral("en-events-menu"));
            w.click(QStringLiteral("Recent Events"));
            w.click(QStringLiteral("recentItem0"));
            QTRY_COMPARE(store->race().name, QStringLiteral("Night Sprint"));

            // A stage added with the keyboard: Return saves the sheet.
            app.content().setSelectedItem(SidebarItem::Stages);
            w.click(QStringLiteral("addStageButton"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("stageNameField")));
            w.typeInto(QStringLiteral("stageNameField"), QStringLiteral("Prologue"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_COMPARE(store->race().stages.size(), 1);
            QCOMPARE(store->race().stages.at(0).name, QStringLiteral("Prologue"));
            QCOMPARE(store->race().activeStageId, std::optional<QString>(store->race().stages.at(0).id));
            QVERIFY(StoreHarness::readAll(first).contains("\"name\": \"Prologue\""));

            // The participant editor from a host that stores what it hands back.
            store->setRace([&] {
                Race race = store->race();
                race.classes = entries.classes;
                race.participants = entries.participants;
                return race;
            }());
            QQuickItem *editorHost
                = host(app, "Item { property alias sheet: s\nParticipantEditView { id: s } }");
            QVERIFY(editorHost);
            auto *editor = editorHost->property("sheet")
                               .value<QObject *>()
                               ->property("model")
                               .value<ParticipantEditorViewModel *>();
            QVERIFY(editor);
            connect(editor, &ParticipantEditorViewModel::saved, store,
                [&] { store->updateParticipant(editor->result()); });
            QVERIFY(editor->editParticipant(store, store->race().participants.at(1).id.toString()));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("givenNameField")));
            w.typeInto(QStringLiteral("cardNumberField"), QStringLiteral("2000001 "));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("cardWarning")));
            QTest::keyClick(window, Qt::Key_Return);
            QVERIFY(editor->isOpen());
            w.typeInto(QStringLiteral("cardNumberField"), QStringLiteral(" 2000009 "));
            w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Søs"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!editor->isOpen());
            QCOMPARE(store->race().participants.at(1).cardNumber, QStringLiteral("2000009"));
            QVERIFY(StoreHarness::readAll(first).contains(QStringLiteral("\"givenName\": \"Søs\"").toUtf8()));

            QQuickItem *sheets = host(app,
                "Item { property alias counts: c; property alias prefs: p; property alias model: vm\n"
                "StartSheetsViewModel { id: vm }\n"
                "EntriesPerClassSheet { id: c; model: vm }\n"
                "StartPreferencesSheet { id: p; model: vm } }");
            QVERIFY(sheets);
            QObject *sheetModel = sheets->property("model").value<QObject *>();
            sheetModel->setProperty("raceStore", QVariant::fromValue<QObject *>(store));
            QCOMPARE(sheetModel->property("classCounts").toList().size(), 2);
            QCOMPARE(sheetModel->property("preferences").toList().size(), 2);

            // Every screen and sheet in both languages, also at the smallest window.
            for (int languageIndex : {0, 1}) {
                app.languagePicker().pick(languageIndex);
                const QString code = app.languagePicker().languageCode();
                for (const QSize size : {QSize(1280, 800), window->minimumSize()}) {
                    window->resize(size);
                    const QString tag = code + (size.width() < 1000 ? QStringLiteral("-min") : QString());
                    app.content().setSelectedItem(SidebarItem::Race);
                    shoot(window, tag + QStringLiteral("-events"));
                    app.content().setSelectedItem(SidebarItem::Stages);
                    shoot(window, tag + QStringLiteral("-stages"));
                }
                window->resize(1280, 800);
                w.click(QStringLiteral("editStage0"));
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("stageNameField")));
                shoot(window, code + QStringLiteral("-stage-edit"));
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("stageNameField")));
                w.click(QStringLiteral("deleteStage0"));
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("confirmDeleteButton")));
                shoot(window, code + QStringLiteral("-stage-delete"));
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("confirmDeleteButton")));
                QCOMPARE(store->race().stages.size(), 1);

                QVERIFY(editor->editParticipant(store, store->race().participants.at(0).id.toString()));
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("givenNameField")));
                shoot(window, code + QStringLiteral("-participant"));
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY(!editor->isOpen());

                for (const char *sheet : {"counts", "prefs"}) {
                    QMetaObject::invokeMethod(sheets->property(sheet).value<QObject *>(), "open");
                    QTRY_VERIFY(sheets->property(sheet).value<QObject *>()->property("opened").toBool());
                    shoot(window, code + QLatin1Char('-') + QString::fromLatin1(sheet));
                    QTest::keyClick(window, Qt::Key_Return);
                    QTRY_VERIFY(!sheets->property(sheet).value<QObject *>()->property("visible").toBool());
                }
            }
            delete sheets;
            delete editorHost;
        }
        LocalizationManager::setShared(nullptr);
        const QStringList &problems = QmlProblemCollector::problems();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestEventScreens)
#include "tst_eventscreens.moc"
