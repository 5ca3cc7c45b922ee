// The Events and Stages sections and the entry sheets in the real main window, offscreen, driven
// by clicks and keys: a new event saved to a file, renamed and saved, reopened from the recent
// list; a stage added; a runner edited in the participant editor opened from a test host; the
// entries-per-class and preference sheets. Screenshots in both languages land in the build folder;
// any QML warning fails the test.

#include "apptesting.h"
#include "localization.h"
#include "participanteditor.h"
#include "racestoreshell.h"
#include "storefakes.h"
#include "storeharness.h"
#include "vexloapp.h"

#include <QKeyEvent>
#include <QQmlComponent>
#include <QTemporaryDir>

namespace {

Race entriesEvent()
{
    Race race;
    race.name = QStringLiteral("Spring Cup");
    for (const char *name : {"H21", "D21", "H10"})
        race.classes.append(
            RaceClass {.id = QString::fromLatin1(name).toLower(), .name = QString::fromLatin1(name)});
    const char *runners[][4] = {{"Ida", "Holm", "2000001", "h21"}, {"Søren", "Ærø", "2000002", "h21"},
        {"Mette", "Lund", "2000003", "d21"}};
    for (const auto &r : runners) {
        Participant p;
        p.givenName = QString::fromUtf8(r[0]);
        p.familyName = QString::fromUtf8(r[1]);
        p.cardNumber = QString::fromLatin1(r[2]);
        p.classId = QString::fromLatin1(r[3]);
        race.participants.append(p);
    }
    race.participants[0].startTimePreference = StartTimePreference::Early;
    race.participants[2].startTimePreference = StartTimePreference::Late;
    return race;
}

// Clicks the visible item with the object name, or failing that with the text.
void click(QQuickWindow *window, const QString &name)
{
    QQuickItem *item = nullptr;
    QTRY_VERIFY2((item = findVisibleItem(window,
                      [&](QQuickItem *i) {
                          return i->isEnabled()
                              && (i->objectName() == name || i->property("text").toString() == name);
                      })),
        qPrintable(name));
    QTest::mouseClick(window, Qt::LeftButton, {},
        item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint());
}

void typeInto(QQuickWindow *window, const QString &objectName, const QString &text)
{
    click(window, objectName);
    QTest::keySequence(window, QKeySequence::SelectAll);
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(window, &press);
        QCoreApplication::sendEvent(window, &release);
    }
}

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
            QTemporaryDir dir;
            RaceStoreOptions options;
            options.settings
                = std::make_unique<QSettings>(dir.filePath("settings.ini"), QSettings::IniFormat);
            options.autosaveFolder = dir.filePath(QStringLiteral("autosave"));
            options.keyStore = std::make_unique<MemoryKeyStore>();
            options.backgroundAutosave = false;
            auto shell = std::make_unique<RaceStoreShell>(std::make_unique<RaceStore>(std::move(options)));
            RaceStore *store = &shell->raceStore();
            store->setRace(entriesEvent());
            VexloApp app(std::move(shell), std::make_unique<CardReaderViewModel>());
            QVERIFY(app.start());
            QQuickWindow *window = app.window();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            app.content().setSelectedItem(SidebarItem::Race);

            // The open event lives only in the autosave: "New" asks first; Escape keeps it.
            click(window, QStringLiteral("newEventButton"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("confirmNewButton")));
            shoot(window, QStringLiteral("en-events-confirm-new"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("confirmNewButton")));
            QCOMPARE(store->race().name, QStringLiteral("Spring Cup"));
            click(window, QStringLiteral("newEventButton"));
            click(window, QStringLiteral("confirmNewButton"));
            QTRY_COMPARE(store->race().name, QStringLiteral("Untitled Race"));
            QVERIFY(app.newEvent().isVisible());
            const QString first = dir.filePath(QStringLiteral("Sprint.vexloevent.json"));
            app.newEvent().setEventName(QStringLiteral("Sprint"));
            app.newEvent().saveTo(QUrl::fromLocalFile(first));
            QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("newEventSheet")));

            // Renamed in the name field, written by "Save".
            typeInto(window, QStringLiteral("eventNameField"), QStringLiteral("Night Sprint"));
            QCOMPARE(store->race().name, QStringLiteral("Night Sprint"));
            click(window, QStringLiteral("saveEventButton"));
            QVERIFY(StoreHarness::readAll(first).contains("\"name\": \"Night Sprint\""));

            // An unsaved rename is dropped by reopening the file from the recent list.
            typeInto(window, QStringLiteral("eventNameField"), QStringLiteral("Scratch"));
            click(window, QStringLiteral("moreButton"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("saveAsItem")));
            shoot(window, QStringLiteral("en-events-menu"));
            click(window, QStringLiteral("Recent Events"));
            click(window, QStringLiteral("recentItem0"));
            QTRY_COMPARE(store->race().name, QStringLiteral("Night Sprint"));

            // A stage added with the keyboard: Return saves the sheet.
            app.content().setSelectedItem(SidebarItem::Stages);
            click(window, QStringLiteral("addStageButton"));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("stageNameField")));
            typeInto(window, QStringLiteral("stageNameField"), QStringLiteral("Prologue"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_COMPARE(store->race().stages.size(), 1);
            QCOMPARE(store->race().stages.at(0).name, QStringLiteral("Prologue"));
            QCOMPARE(store->race().activeStageId, std::optional<QString>(store->race().stages.at(0).id));
            QVERIFY(StoreHarness::readAll(first).contains("\"name\": \"Prologue\""));

            // The participant editor from a host that stores what it hands back.
            store->setRace([&] {
                Race race = store->race();
                race.classes = entriesEvent().classes;
                race.participants = entriesEvent().participants;
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
            typeInto(window, QStringLiteral("cardNumberField"), QStringLiteral("2000001 "));
            QTRY_VERIFY(findVisibleItem(window, QStringLiteral("cardWarning")));
            QTest::keyClick(window, Qt::Key_Return);
            QVERIFY(editor->isOpen());
            typeInto(window, QStringLiteral("cardNumberField"), QStringLiteral(" 2000009 "));
            typeInto(window, QStringLiteral("givenNameField"), QStringLiteral("Søs"));
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
                click(window, QStringLiteral("editStage0"));
                QTRY_VERIFY(findVisibleItem(window, QStringLiteral("stageNameField")));
                shoot(window, code + QStringLiteral("-stage-edit"));
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY(!findVisibleItem(window, QStringLiteral("stageNameField")));
                click(window, QStringLiteral("deleteStage0"));
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
