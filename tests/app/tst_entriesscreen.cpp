// The Entries section in the real main window, offscreen at its minimum size, driven by clicks
// and keys: an official IOF entry list imported from a file, imports by address from a server on
// 127.0.0.1 (a list, 404, a dropped connection, a slow answer while another event is opened),
// sorting, the class filter and the search, an edit in the participant editor and "Delete All",
// in both languages. Any QML warning fails the test. Screenshots land in the build folder.

#include "entriesscreen.h"
#include "loopbackhttpserver.h"
#include "setupwindow.h"
#include "testenvironment.h"
#include "uichecks.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>

namespace {

Race baseEvent()
{
    Race race;
    race.name = QStringLiteral("Spring Cup");
    PersonResult result;
    result.cardNumber = QStringLiteral("794021");
    result.readAt = QDateTime(QDate(2025, 5, 17), QTime(11, 0), Qt::UTC);
    race.results.append(result);
    return race;
}

// The base event over two days, 13 and 14 June 2026.
Race twoDayEvent()
{
    Race race = baseEvent();
    race.stages = {
        Stage {QStringLiteral("s1"), QStringLiteral("Dag 1"), QDateTime(QDate(2026, 6, 13), QTime(0, 0)), 1},
        Stage {QStringLiteral("s2"), QStringLiteral("Dag 2"), QDateTime(QDate(2026, 6, 14), QTime(0, 0)), 2}};
    return race;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList familyNames(const Race &race)
{
    QStringList names;
    for (const Participant &p : race.participants)
        names.append(p.familyName);
    return names;
}

// The texts of the stage columns in a row, in order.
QStringList stageSummaries(QQuickItem *item)
{
    QStringList texts;
    if (!item || !item->isVisible())
        return texts;
    if (item->objectName() == QLatin1String("stageSummary"))
        texts.append(item->property("text").toString());
    for (QQuickItem *child : item->childItems())
        texts += stageSummaries(child);
    return texts;
}

} // namespace

class TestEntriesScreen : public QObject
{
    Q_OBJECT
public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        useTestSettings("tst_entriesscreen");
        QLocale::setDefault(QLocale(QLocale::English));
    }

    void entriesSection()
    {
        WindowTestScope scope;
        {
            SetupWindow w(baseEvent());
            QVERIFY(w.start());
            w.mayElide = {QStringLiteral("entryName")};
            for (int languageIndex : {0, 1}) {
                w.app->languagePicker().pick(languageIndex);
                const QString code = w.app->languagePicker().languageCode();
                w.store->setRace(baseEvent());
                w.app->content().setSelectedItem(SidebarItem::Participants);
                QTRY_VERIFY(w.item(QStringLiteral("entriesView")));
                auto *screen = qvariant_cast<EntriesScreen *>(
                    w.item(QStringLiteral("entriesView"))->property("screen"));
                QVERIFY(screen);
                QTRY_VERIFY(!screen->isLoading());
                // Opens a menu and waits for its opening transition before an item is clicked.
                const auto open = [&](const char *button, const char *item) {
                    w.click(QString::fromLatin1(button));
                    QTRY_VERIFY(w.item(QString::fromLatin1(item)));
                    QTRY_VERIFY(uichecks::settled(w.item(QString::fromLatin1(item))));
                };
                const auto choose = [&](const char *button, const char *item) {
                    open(button, item);
                    w.click(QString::fromLatin1(item));
                };
                const auto tools = [&](const char *item) { choose("toolsButton", item); };
                QVERIFY(!w.item(QStringLiteral("stagePicker")));

                // The file dialog's answer, handed to the screen's own import action.
                w.harness.steps.clear();
                screen->importFromFile(
                    QUrl::fromLocalFile(QStringLiteral(VEXLO_IOF_DIR "/examples/EntryList1.xml")));
                QCOMPARE(w.harness.autosaves(), 1);
                QTRY_VERIFY(w.item(QStringLiteral("entryRow_George Wood")));
                QVERIFY(w.itemIn(QStringLiteral("entryRow_Edgar Martin"), QStringLiteral("rentalWarning")));
                QCOMPARE(w.item(QStringLiteral("importReport"))->property("text").toString(),
                    localized(QStringLiteral("Entries: %@ added, %@ updated, %@ removed."), "3", "0", "0"));

                // By address: the list, then an error answer, which changes nothing (the download's
                // failures are the store's tests).
                tools("editURLItem");
                QTRY_VERIFY(w.item(QStringLiteral("importURLField")));
                OneShotHttpServer list(OneShotHttpServer::reply(
                    200, fileBytes(QStringLiteral(VEXLO_TEST_DATA_DIR "/imports/entrylist-latin1.xml"))));
                w.typeInto(w.item(QStringLiteral("importURLField")), list.url().toString());
                tools("importURLItem");
                QTRY_VERIFY(w.item(QStringLiteral("entryRow_S\u00f8ren \u00c6r\u00f8")));
                QCOMPARE(w.store->race().participants.size(), 6);
                QVERIFY(list.request().startsWith("GET /xml.php HTTP/1.1\r\n"));
                const Race imported = w.store->race();
                OneShotHttpServer gone(OneShotHttpServer::reply(404, "<html>gone</html>"));
                screen->setImportURLString(gone.url().toString());
                tools("importURLItem");
                QVERIFY(screen->isImportingFromURL());
                QTRY_VERIFY(!screen->isImportingFromURL());
                const QString shown = w.item(QStringLiteral("importError"))->property("text").toString();
                QVERIFY2(shown.startsWith(localized(QStringLiteral("Server returned status %@"), 404)),
                    qPrintable(shown));
                QCOMPARE(w.store->race().participants, imported.participants);
                if (languageIndex == 0)
                    w.shot(code + QStringLiteral("-entries-import-error"));

                // A slow answer: the progress line shows and the screen stays usable; the organiser
                // opens another event meanwhile, and the list is not merged into it.
                QPointer<QTcpSocket> waiting;
                OneShotHttpServer slow([&](QTcpSocket *socket) { waiting = socket; });
                screen->setImportURLString(slow.url().toString());
                tools("importURLItem");
                QTRY_VERIFY(waiting);
                QVERIFY(w.item(QStringLiteral("importProgress")));
                w.shot(code + QStringLiteral("-entries-importing"));
                choose("sortButton", "sortItem_1");
                QTRY_COMPARE(screen->sortField(), ParticipantSortField::CardNumber);
                const Race other = baseEvent();
                w.store->setRace(other);
                w.store->setRaceFileUrl(QUrl::fromLocalFile(w.harness.path(QStringLiteral("other.json"))));
                OneShotHttpServer::reply(
                    200, fileBytes(QStringLiteral(VEXLO_IOF_DIR "/examples/EntryList1.xml")))(waiting);
                QTRY_VERIFY(!screen->isImportingFromURL());
                QVERIFY(w.store->race().participants.isEmpty());
                QCOMPARE(screen->importError(),
                    localized(QStringLiteral(
                        "The entry list arrived after another event was opened; it was not imported.")));
                w.store->setRace(imported);

                // Sorted by card, descending by the direction item; then the class filter and the search.
                QTRY_COMPARE(screen->shownParticipants().size(), 6);
                choose("sortButton", "sortDirectionItem");
                QTRY_VERIFY(!screen->isLoading() && !screen->sortAscending());
                QCOMPARE(screen->shownParticipants().first().cardNumber, QStringLiteral("8001235"));
                open("classFilterButton", "classItem_Open");
                w.shot(code + QStringLiteral("-entries-class-menu"));
                w.click(QStringLiteral("classItem_Open"));
                QTRY_COMPARE(
                    familyNames(Race {.participants = screen->shownParticipants()}), QStringList {"Lawson"});
                choose("classFilterButton", "allClassesItem");
                w.click(QStringLiteral("searchField"));
                QTRY_VERIFY(w.hasFocus(QStringLiteral("searchField")));
                uichecks::typeText(w.window, QStringLiteral("ASE"));
                QTRY_COMPARE(screen->shownParticipants().size(), 1);
                QCOMPARE(w.item(QStringLiteral("entryCount"))->property("text").toString(),
                    localized(QStringLiteral("%@ participant(s)"), "1"));
                w.shot(code + QStringLiteral("-entries-search"));
                w.click(QStringLiteral("clearSearchButton"));
                QTRY_COMPARE(screen->shownParticipants().size(), 6);

                // The keyboard reaches the header's controls and the rows' buttons.
                const QList<QQuickItem *> cycle = uichecks::tabCycle(w.window);
                for (const char *name : {"searchField", "addEntryButton", "toolsButton", "editEntryButton"})
                    QVERIFY2(std::any_of(cycle.cbegin(), cycle.cend(),
                                 [&](QQuickItem *i) { return i->objectName() == QLatin1String(name); }),
                        qPrintable(uichecks::describe(cycle)));

                // Edit through the participant editor: Return saves through the store.
                w.click(w.itemIn(QStringLiteral("entryRow_George Wood"), QStringLiteral("entryInfo")));
                QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
                w.shot(code + QStringLiteral("-entries-editor"));
                w.typeInto(w.item(QStringLiteral("familyNameField")), QStringLiteral("Woods"));
                QTest::keyClick(w.window, Qt::Key_Return);
                QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                QTRY_VERIFY(w.item(QStringLiteral("entryRow_George Woods")));
                QVERIFY(familyNames(w.store->race()).contains(QStringLiteral("Woods")));

                // "Add entry" and Escape: nothing is stored.
                w.click(QStringLiteral("addEntryButton"));
                QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
                QTest::keyClick(w.window, Qt::Key_Escape);
                QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                QCOMPARE(w.store->race().participants.size(), 6);

                w.shot(code + QStringLiteral("-entries"));
                open("toolsButton", "deleteAllEntriesItem");
                w.shot(code + QStringLiteral("-entries-tools"));
                w.click(QStringLiteral("deleteAllEntriesItem"));
                QTRY_VERIFY(w.item(QStringLiteral("confirmDeleteAllButton")));
                w.shot(code + QStringLiteral("-entries-delete-all"));
                w.click(QStringLiteral("confirmDeleteAllButton"));
                QTRY_VERIFY(w.store->race().participants.isEmpty());
                QCOMPARE(w.store->race().results.size(), 1);
                QCOMPARE(screen->importReport(),
                    localized(QStringLiteral("Entries: %@ added, %@ updated, %@ removed."), "0", "0", "6"));
                QTRY_VERIFY(!screen->canDeleteAll());

                // With stages: the stage picker, and a column per stage in stage order on every row.
                Race staged = imported;
                const QDateTime firstDay(QDate(2025, 5, 17), QTime(0, 0), Qt::UTC);
                staged.stages
                    = {Stage {QStringLiteral("s2"), QStringLiteral("Dag 2"), firstDay.addDays(1), 2},
                        Stage {QStringLiteral("s1"), QStringLiteral("Dag 1"), firstDay, 1}};
                staged.activeStageId = QStringLiteral("s1");
                staged.participants[0].classIdByStage
                    = StageMap<QString> {{"s2", *staged.participants[0].classId}};
                // Every runner starts on both days; a row shows the start of the stage picked.
                for (qsizetype i = 0; i < staged.participants.size(); ++i) {
                    const QTime time = QTime(10, 5).addSecs(60 * i);
                    staged.participants[i].startTimeByStage = StageMap<QDateTime> {
                        {"s1", QDateTime(QDate(2025, 5, 17), time, Qt::LocalTime).toUTC()},
                        {"s2",
                            QDateTime(QDate(2025, 5, 18), time.addSecs(3600 + 1800), Qt::LocalTime).toUTC()}};
                }
                w.store->setRace(staged);
                QTRY_VERIFY(w.item(QStringLiteral("stagePicker")));
                QTRY_VERIFY(w.itemIn(QStringLiteral("entryRow_George Wood"), QStringLiteral("stageSummary")));
                const qsizetype george = familyNames(staged).indexOf(QStringLiteral("Wood"));
                // The detail line a row shows, empty while the row is not shown.
                const auto detailOf = [&](const Participant &p) {
                    QQuickItem *detail
                        = w.itemIn(QStringLiteral("entryRow_") + p.givenName + u' ' + p.familyName,
                            QStringLiteral("entryDetail"));
                    return detail ? detail->property("text").toString() : QString();
                };
                const auto shownStart = [&] { return detailOf(staged.participants[george]); };
                const auto startText = [&](int hour, int minute) {
                    return localized(QStringLiteral("Start %@"),
                        QTime(hour, minute + int(george)).toString(QStringLiteral("HH:mm:ss")));
                };
                QTRY_VERIFY2(shownStart().contains(startText(10, 5)), qPrintable(shownStart()));
                for (const Participant &p : staged.participants) {
                    const QString detail = detailOf(p);
                    QVERIFY2(detail.contains(localized(QStringLiteral("Start %@"), QString()))
                            && !detail.contains(localized(QStringLiteral("No start"))),
                        qPrintable(p.familyName + QStringLiteral(": ") + detail));
                }
                // Each day's column names the class the runner runs that day: George's own for day
                // 2, and the base class wherever the day has none of its own.
                for (const Participant &p : staged.participants) {
                    const QString row = QStringLiteral("entryRow_") + p.givenName + u' ' + p.familyName;
                    const QString className = std::find_if(
                        staged.classes.cbegin(), staged.classes.cend(), [&p](const RaceClass &c) {
                            return c.id == p.classId;
                        })->name;
                    QCOMPARE(stageSummaries(w.item(row)), QStringList({className, className}));
                }
                w.shot(code + QStringLiteral("-entries-stages"));
                // The other day by keys on the stage picker, and back by mouse.
                w.item(QStringLiteral("stagePicker"))->forceActiveFocus(Qt::TabFocusReason);
                QTest::keyClick(w.window, Qt::Key_Down);
                QTRY_COMPARE(shownStage(w.store->race()), std::optional<QString>(QStringLiteral("s2")));
                QTRY_VERIFY2(shownStart().contains(startText(11, 35)), qPrintable(shownStart()));
                QCOMPARE(w.item(QStringLiteral("stagePicker"))->property("currentText").toString(),
                    QStringLiteral("Dag 2"));
                w.shot(code + QStringLiteral("-entries-stage-2"));
                w.click(w.item(QStringLiteral("stagePicker")));
                w.click(findVisibleItem(w.window, [](QQuickItem *i) {
                    return i->inherits("QQuickAbstractButton") && i->property("text").toString() == u"Dag 1";
                }));
                QTRY_COMPARE(shownStage(w.store->race()), std::optional<QString>(QStringLiteral("s1")));
                QTRY_VERIFY2(shownStart().contains(startText(10, 5)), qPrintable(shownStart()));
            }
        }
        verifyNoQmlProblems();
    }

    // A change of class in the editor reaches the days an import gave the old class; a day set to
    // another class stays, and the editor says so under the class. By keys, in each language.
    void classChangeReachesEveryDay_data() { addLanguageRows(); }
    void classChangeReachesEveryDay()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            Race race = twoDayEvent();
            race.activeStageId = QStringLiteral("s1");
            for (const char *name : {"D45", "H45", "H50"})
                race.classes.append(
                    RaceClass {.id = QString::fromLatin1(name), .name = QString::fromLatin1(name)});
            race.participants = {Participant {.givenName = QStringLiteral("Ib"),
                .familyName = QStringLiteral("Dahl"),
                .cardNumber = QStringLiteral("8001234"),
                .classId = QStringLiteral("H45"),
                .classIdByStage = StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("H45")},
                    {QStringLiteral("s2"), QStringLiteral("D45")}}}};
            SetupWindow w(race);
            QVERIFY(w.start());
            w.mayElide = {QStringLiteral("entryName")};
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            w.app->content().setSelectedItem(SidebarItem::Participants);
            QTRY_VERIFY(w.item(QStringLiteral("entryRow_Ib Dahl")));
            w.click(w.itemIn(QStringLiteral("entryRow_Ib Dahl"), QStringLiteral("entryInfo")));
            QTRY_VERIFY(w.item(QStringLiteral("classPicker")));
            const QString stays
                = localized(QStringLiteral("Stays in its own class on %@"), QStringLiteral("Dag 2 (D45)"));
            QTRY_VERIFY(w.item(QStringLiteral("ownStageClasses")));
            QCOMPARE(w.item(QStringLiteral("ownStageClasses"))->property("text").toString(), stays);
            QQuickItem *picker = w.item(QStringLiteral("classPicker"));
            QCOMPARE(picker->property("currentText").toString(), QStringLiteral("H45"));
            picker->forceActiveFocus(Qt::TabFocusReason);
            QTest::keyClick(w.window, Qt::Key_Down);
            QTRY_COMPARE(picker->property("currentText").toString(), QStringLiteral("H50"));
            QCOMPARE(w.item(QStringLiteral("ownStageClasses"))->property("text").toString(), stays);
            w.shot(code + QStringLiteral("-entries-editor-class-every-day"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("classPicker")));
            const Participant &ib = w.store->race().participants.at(0);
            QCOMPARE(ib.classId, QStringLiteral("H50"));
            QCOMPARE(ib.classIdByStage, (StageMap<QString> {{QStringLiteral("s2"), QStringLiteral("D45")}}));
        }
        verifyNoQmlProblems();
    }

    // What the organiser types into the editor, and an import into an event with stages: a card
    // number no card has is refused with its reason and nothing stored, a pasted line break in a
    // name likewise, under that name's field and with the form in place; the runner's real card
    // number takes the rental warning away; Return saves a new entry from a picker. The import
    // sheet names the stage it fills (the one the courses screen showed last), starts the keyboard
    // on its picker with Tab going forward, takes another stage chosen in it, imports on Return and
    // leaves the entries as they were on Escape or Cancel. In each language, by keys and clicks.
    // A list scrolled to its end keeps its last row in sight whole when lines show under it: the
    // save banner at the window's foot, and how Ctrl+S went. Ctrl+S on an event without a file
    // asks where it goes, from the Entries section too. A family class's runners show its family.
    // In both languages at the minimum size.
    void linesUnderTheListLeaveTheLastRowInSight_data() { addLanguageRows(); }
    void linesUnderTheListLeaveTheLastRowInSight()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            Race race = baseEvent();
            race.classes = {RaceClass {.id = QStringLiteral("d21"),
                .name = QStringLiteral("D21"),
                .courseFamily = QStringLiteral("Skov"),
                .mode = RaceClassMode::CourseFamily}};
            for (int i = 10; i < 70; ++i)
                race.participants.append(Participant {.givenName = QStringLiteral("Runner"),
                    .familyName = QString::number(i),
                    .cardNumber = QString::number(500000 + i),
                    .classId = QStringLiteral("d21")});
            SetupWindow w(race);
            QVERIFY(w.start());
            w.mayElide = {QStringLiteral("entryName")};
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            w.app->content().setSelectedItem(SidebarItem::Participants);
            QTRY_VERIFY(w.item(QStringLiteral("entryRow_Runner 10")));
            QCOMPARE(w.itemIn(QStringLiteral("entryRow_Runner 10"), QStringLiteral("entryDetail"))
                         ->property("text")
                         .toString(),
                languageIndex == 0
                    ? QStringLiteral("Card 500010 \u00b7 D21 - family Skov \u00b7 No start")
                    : QStringLiteral("Brik 500010 \u00b7 D21 - banefamilie Skov \u00b7 Ingen start"));
            QQuickItem *list = w.item(QStringLiteral("entryList"));
            QVERIFY(list);
            QVERIFY(QMetaObject::invokeMethod(list, "positionViewAtEnd"));
            const QString last = QStringLiteral("entryRow_Runner 69");
            // The last row lies whole inside the list, and whatever shows under the list lies
            // below it.
            const auto lastRowWhole = [&] {
                QQuickItem *row = w.item(last);
                if (!row)
                    return false;
                const QRectF shown(list->mapToScene(QPointF(0, 0)), list->size());
                const QRectF at(row->mapToScene(QPointF(0, 0)), row->size());
                return at.top() >= shown.top() - 0.5 && at.bottom() <= shown.bottom() + 0.5;
            };
            QTRY_VERIFY(lastRowWhole());
            const auto below = [&](const QString &name) {
                QQuickItem *line = w.item(name);
                return line
                    && line->mapToScene(QPointF(0, 0)).y()
                    >= list->mapToScene(QPointF(0, list->height())).y() - 0.5;
            };

            // The save banner.
            w.app->saveStatus().setAutosaveError(QStringLiteral("No space left on device"));
            QTRY_VERIFY(lastRowWhole() && below(QStringLiteral("saveStatusText")));
            w.shot(code + QStringLiteral("-min-entries-end-banner"));

            // Ctrl+S: the event has no file, so the save dialog asks where it goes.
            QVERIFY(w.store->raceFileUrl().isEmpty());
            QTest::keyClick(w.window, Qt::Key_S, Qt::ControlModifier);
            const QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("saveAsDialog"));
            QVERIFY(dialog);
            QCOMPARE(fileNameField(dialog)->text(), QStringLiteral("Spring Cup.vexloevent.json"));
            typeNameAndReturn(dialog, w.harness.path(QStringLiteral("Cup ") + code));
            const QString written
                = w.harness.path(QStringLiteral("Cup ") + code + QStringLiteral(".vexloevent.json"));
            QTRY_COMPARE(w.store->raceFileUrl(), QUrl::fromLocalFile(written));
            QTRY_VERIFY(w.item(QStringLiteral("shortcutSaveLine")));
            QCOMPARE(w.item(QStringLiteral("shortcutSaveLine"))->property("text").toString(),
                localized(QStringLiteral("Saved %@"), {QFileInfo(written).fileName()}));
            QTRY_VERIFY(lastRowWhole() && below(QStringLiteral("shortcutSaveLine"))
                && below(QStringLiteral("saveStatusText")));
            w.shot(code + QStringLiteral("-min-entries-end-saved"));

            // With its file, Ctrl+S writes it at once: a rename reaches the file.
            Race renamed = w.store->race();
            renamed.name = QStringLiteral("Autumn Cup");
            w.store->setRace(renamed);
            QVERIFY(!StoreHarness::readAll(written).contains("Autumn Cup"));
            // The window is active again once the dialog has gone, as on a desktop.
            w.window->requestActivate();
            QVERIFY(QTest::qWaitForWindowActive(w.window, testwaits::ceilingMs));
            QTest::keyClick(w.window, Qt::Key_S, Qt::ControlModifier);
            QTRY_VERIFY(StoreHarness::readAll(written).contains("\"name\": \"Autumn Cup\""));
            // Written then and there, with no dialog.
            for (QWidget *top : QApplication::topLevelWidgets())
                QVERIFY(!(qobject_cast<QFileDialog *>(top) && top->isVisible()));

            // Return and Enter save the participant editor from its pickers too; while a picker's
            // list is open they choose in it and the editor stays.
            const auto popupShown = [](QQuickItem *picker) {
                QObject *popup = picker ? picker->property("popup").value<QObject *>() : nullptr;
                return popup && popup->property("visible").toBool();
            };
            const auto classOf = [&](const QString &family) {
                for (const Participant &p : w.store->race().participants)
                    if (p.familyName == family)
                        return p.classId;
                return std::optional<QString>(QStringLiteral("?"));
            };
            w.click(w.itemIn(QStringLiteral("entryRow_Runner 69"), QStringLiteral("entryInfo")));
            QTRY_VERIFY(w.item(QStringLiteral("classPicker")));
            QQuickItem *picker = w.item(QStringLiteral("classPicker"));
            picker->forceActiveFocus(Qt::TabFocusReason);
            QTest::keyClick(w.window, Qt::Key_Space);
            QTRY_VERIFY(popupShown(picker));
            QTest::keyClick(w.window, Qt::Key_Up);
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!popupShown(picker));
            QCOMPARE(picker->property("currentText").toString(), localized(QStringLiteral("None")));
            QVERIFY(w.item(QStringLiteral("givenNameField")));
            QCOMPARE(classOf(QStringLiteral("69")), std::optional<QString>(QStringLiteral("d21")));
            w.shot(code + QStringLiteral("-min-entries-editor-picked"));
            QTest::keyClick(w.window, Qt::Key_Enter, Qt::KeypadModifier);
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
            QTRY_COMPARE(classOf(QStringLiteral("69")), std::optional<QString>());
            // Return on the start preference's picker, Enter on the class picker: each saves.
            for (const auto &[name, key, modifiers] :
                {std::tuple {QStringLiteral("preferencePicker"), Qt::Key_Return, Qt::NoModifier},
                    std::tuple {QStringLiteral("classPicker"), Qt::Key_Enter, Qt::KeypadModifier}}) {
                w.click(w.itemIn(QStringLiteral("entryRow_Runner 68"), QStringLiteral("entryInfo")));
                QTRY_VERIFY(w.item(name));
                w.typeInto(QStringLiteral("clubField"), name);
                w.item(name)->forceActiveFocus(Qt::TabFocusReason);
                QTest::keyClick(w.window, key, modifiers);
                QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                QTRY_VERIFY(
                    std::any_of(w.store->race().participants.cbegin(), w.store->race().participants.cend(),
                        [&](const Participant &p) { return p.club == std::optional<QString>(name); }));
            }

            // The line belongs to the section it was pressed in.
            w.app->content().setSelectedItem(SidebarItem::Classes);
            QTRY_VERIFY(!w.item(QStringLiteral("shortcutSaveLine")));
        }
        verifyNoQmlProblems();
    }

    void typedInputAndStageImport_data() { addLanguageRows(); }
    void typedInputAndStageImport()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            Race race = twoDayEvent();
            race.activeStageId = QStringLiteral("s2");
            race.participants = {Participant {.givenName = QStringLiteral("Ann"),
                .familyName = QStringLiteral("Berg"),
                .cardNumber = QStringLiteral("4000010"),
                .isRentalCard = true}};
            SetupWindow w(race);
            QVERIFY(w.start());
            w.mayElide = {QStringLiteral("entryName")};
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            w.app->content().setSelectedItem(SidebarItem::Participants);
            QTRY_VERIFY(w.item(QStringLiteral("entryRow_Ann Berg")));
            auto *screen
                = qvariant_cast<EntriesScreen *>(w.item(QStringLiteral("entriesView"))->property("screen"));
            QVERIFY(screen);
            QVERIFY(w.itemIn(QStringLiteral("entryRow_Ann Berg"), QStringLiteral("rentalWarning")));
            const QByteArray before = compactJson(w.store->race());

            // Card numbers no card has: the reason shows, Save is off, Return stores nothing.
            w.click(w.itemIn(QStringLiteral("entryRow_Ann Berg"), QStringLiteral("entryInfo")));
            QTRY_VERIFY(w.item(QStringLiteral("cardNumberField")));
            const QString aboveRange
                = QStringLiteral("No SportIdent card has the number %@: card numbers go up to 16,777,215.");
            for (const auto &[typed, reason] :
                {std::pair {QStringLiteral("12345678901234567890123"),
                     localized(aboveRange, QStringLiteral("12345678901234567890123"))},
                    std::pair {QStringLiteral("16777216"), localized(aboveRange, QStringLiteral("16777216"))},
                    std::pair {QStringLiteral("0"),
                        localized(QStringLiteral(
                            "No SportIdent card has the number 0. Type the number printed on the card."))}}) {
                w.typeInto(QStringLiteral("cardNumberField"), typed);
                QTRY_VERIFY(w.item(QStringLiteral("cardWarning")));
                QCOMPARE(w.item(QStringLiteral("cardWarning"))->property("text").toString(), reason);
                QVERIFY(!w.item(QStringLiteral("participantSave"))->isEnabled());
                QTest::keyClick(w.window, Qt::Key_Return);
                QVERIFY(w.item(QStringLiteral("cardNumberField")));
            }
            w.shot(code + QStringLiteral("-entries-editor-card-range"));
            // A name pasted with a line break: refused under its own field and kept there as
            // pasted; the fields above the message stay where they were.
            const auto topOf = [&](const char *name) {
                return w.item(QString::fromLatin1(name))->mapToScene(QPointF(0, 0));
            };
            const QPointF givenAt = topOf("givenNameField");
            const QPointF familyAt = topOf("familyNameField");
            QGuiApplication::clipboard()->setText(QStringLiteral("Berg\nLund"));
            w.click(QStringLiteral("familyNameField"));
            QTest::keyClick(w.window, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(w.window, Qt::Key_V, Qt::ControlModifier);
            w.typeInto(QStringLiteral("cardNumberField"), QStringLiteral("8001234"));
            // The field takes the line break as pasted; the editor refuses it.
            QCOMPARE(screen->editor()->familyName(), QStringLiteral("Berg\nLund"));
            QCOMPARE(w.item(QStringLiteral("familyNameField"))->property("text").toString(),
                QStringLiteral("Berg\nLund"));
            QTRY_VERIFY(w.item(QStringLiteral("familyNameWarning")));
            QCOMPARE(w.item(QStringLiteral("familyNameWarning"))->property("text").toString(),
                localized(
                    QStringLiteral("A name cannot hold a line break, a tab or another control character.")));
            QVERIFY(!w.item(QStringLiteral("givenNameWarning")));
            QVERIFY(!w.item(QStringLiteral("clubWarning")));
            QTRY_VERIFY(topOf("familyNameWarning").y() > familyAt.y()
                && topOf("familyNameWarning").y() < topOf("cardNumberField").y());
            QTRY_COMPARE(topOf("givenNameField"), givenAt);
            QCOMPARE(topOf("familyNameField"), familyAt);
            QVERIFY(!w.item(QStringLiteral("participantSave"))->isEnabled());
            QTest::keyClick(w.window, Qt::Key_Return);
            QVERIFY(w.item(QStringLiteral("cardNumberField")));
            w.shot(code + QStringLiteral("-entries-editor-name-line-break"));
            w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Berg"));
            QCOMPARE(compactJson(w.store->race()), before);
            // The runner's own card: saved with Return, and the rental warning goes.
            QTRY_VERIFY(!w.item(QStringLiteral("familyNameWarning")));
            QTRY_COMPARE(topOf("givenNameField"), givenAt);
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("cardNumberField")));
            QTRY_COMPARE(w.store->race().participants.at(0).cardNumber, QStringLiteral("8001234"));
            QCOMPARE(w.store->race().participants.at(0).isRentalCard, std::optional<bool>());
            QTRY_VERIFY(!w.itemIn(QStringLiteral("entryRow_Ann Berg"), QStringLiteral("rentalWarning")));

            // "Add entry": Return on the start preference's picker saves the new runner.
            w.click(QStringLiteral("addEntryButton"));
            QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
            w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Ida"));
            w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Holm"));
            w.typeInto(QStringLiteral("cardNumberField"), QStringLiteral("8001299"));
            w.item(QStringLiteral("preferencePicker"))->forceActiveFocus(Qt::TabFocusReason);
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
            QTRY_VERIFY(w.item(QStringLiteral("entryRow_Ida Holm")));
            QCOMPARE(w.store->race().participants.size(), 2);

            // The file dialog's answer: the sheet names the stage before anything changes. The
            // keyboard starts on its stage picker and Tab goes forward to Import, Cancel and round.
            const Race edited = w.store->race();
            const auto focusName = [&] {
                return w.window->activeFocusItem() ? w.window->activeFocusItem()->objectName() : QString();
            };
            screen->importFromFile(
                QUrl::fromLocalFile(QStringLiteral(VEXLO_IOF_DIR "/examples/EntryList1.xml")));
            QTRY_VERIFY(w.item(QStringLiteral("importStageText")));
            QCOMPARE(w.item(QStringLiteral("importStageText"))->property("text").toString(),
                localized(QStringLiteral("The entries of %@ go into the stage %@ (%@). To import them into "
                                         "another stage, choose it here."),
                    "EntryList1.xml", "Dag 2", languageIndex == 0 ? "14/06/2026" : "14.06.2026"));
            QTRY_COMPARE(focusName(), QStringLiteral("importStagePicker"));
            QStringList tabbed;
            for (int i = 0; i < 3; ++i) {
                QTest::keyClick(w.window, Qt::Key_Tab);
                tabbed.append(focusName());
            }
            QCOMPARE(tabbed, QStringList({"confirmImportButton", "cancelImportButton", "importStagePicker"}));
            QTest::keyClick(w.window, Qt::Key_Backtab);
            QCOMPARE(focusName(), QStringLiteral("cancelImportButton"));
            w.shot(code + QStringLiteral("-entries-import-stage"));
            // Return on Cancel cancels.
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("importStageText")));
            QCOMPARE(w.store->race().participants, edited.participants);
            // Escape cancels too.
            screen->importFromFile(
                QUrl::fromLocalFile(QStringLiteral(VEXLO_IOF_DIR "/examples/EntryList1.xml")));
            QTRY_VERIFY(w.item(QStringLiteral("importStageText")));
            QTest::keyClick(w.window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("importStageText")));
            QCOMPARE(w.store->race().participants, edited.participants);

            // Another stage chosen in the sheet with the keyboard (Return in the open list picks
            // it), then Tab to "Import" and Return.
            screen->importFromFile(
                QUrl::fromLocalFile(QStringLiteral(VEXLO_IOF_DIR "/examples/EntryList1.xml")));
            QTRY_VERIFY(w.item(QStringLiteral("importStagePicker")));
            w.click(QStringLiteral("importStagePicker"));
            QTest::keyClick(w.window, Qt::Key_Up);
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_COMPARE(shownStage(w.store->race()), std::optional<QString>(QStringLiteral("s1")));
            QTRY_VERIFY(w.item(QStringLiteral("importStageText"))
                            ->property("text")
                            .toString()
                            .contains(QStringLiteral("Dag 1")));
            QCOMPARE(w.store->race().participants, edited.participants);
            QCOMPARE(focusName(), QStringLiteral("importStagePicker"));
            QTest::keyClick(w.window, Qt::Key_Tab);
            QCOMPARE(focusName(), QStringLiteral("confirmImportButton"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("entryRow_George Wood")));
            QVERIFY(!w.item(QStringLiteral("importStageText")));
            for (const Participant &p : w.store->race().participants) {
                if (p.familyName == u"Wood")
                    QCOMPARE(p.classIdByStage.value_or(StageMap<QString>()).keys(), QStringList {"s1"});
            }

            // A list holding a number no card has is refused whole, naming the runner. Return on
            // the sheet's picker imports, as "Import" does.
            const Race imported = w.store->race();
            screen->importFromFile(QUrl::fromLocalFile(
                QStringLiteral(VEXLO_TEST_DATA_DIR "/iof/refused/entries-card-23-digits.xml")));
            QTRY_COMPARE(focusName(), QStringLiteral("importStagePicker"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("importError")));
            QCOMPARE(w.item(QStringLiteral("importError"))->property("text").toString(),
                languageIndex == 0
                    ? QStringLiteral(
                        "The entry of \u201CBo Lund\u201D has the card number 12345678901234567890123; no "
                        "SportIdent card has a number above 16,777,215. Correct it in the entry list and "
                        "import the list again.")
                    : QStringLiteral(
                        "Tilmeldingen for \u201CBo Lund\u201D har briknummeret 12345678901234567890123; "
                        "ingen SportIdent-brik har et nummer over 16.777.215. Ret det i "
                        "tilmeldingslisten, og import\u00E9r listen igen."));
            QCOMPARE(w.store->race().participants, imported.participants);
            w.shot(code + QStringLiteral("-entries-import-card-range"));
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestEntriesScreen)
#include "tst_entriesscreen.moc"
