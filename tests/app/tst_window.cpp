// The main window as an organiser drives it, offscreen with real key presses: Tab reaches every
// control of the shell and the reader pane in reading order, Return and Escape work on every
// sheet, the stage picker shows the active stage from the start, every section and sheet loads
// without a QML warning and with no text cut off at the minimum window size in either language
// (screenshots of each land in the build folder), a failed autosave is shown until saving works
// again, and an event saved through the real file dialog ends up as a readable event file.

#include "autosavewriter.h"
#include "casetable.h"
#include "messagetext.h"
#include "racedaywindow.h"
#include "testenvironment.h"

#include <QDir>
#include <QPushButton>

namespace {

// Elide on purpose: a tooltip or the card result panel shows the whole text.
const QSet<QString> elidingFields {QStringLiteral("recentRunnerName"), QStringLiteral("portName")};

// The race-day event (raceDayEvent()) with two stages, the second active.
Race twoStageEvent()
{
    return testEvent(QStringLiteral("app/two-stage-race-day.json"));
}

// Where each visible item of the reader pane is drawn, as "name text: x,y wxh" lines in reading
// order: two panes showing the same are laid out alike when their lines are equal. The rows of
// the port list name the simulator's device, which differs from one station to the next: only
// the list's own place counts.
QStringList paneLayout(QQuickWindow *window)
{
    QStringList lines;
    QQuickItem *pane = findVisibleItem(window, QStringLiteral("readerPane"));
    QQuickItem *ports = findVisibleItem(window, QStringLiteral("portList"));
    if (!pane)
        return lines;
    // A view keeps the rows it made in whatever order it made them.
    QList<QQuickItem *> items = uichecks::visibleItems(pane);
    uichecks::sortByPosition(items);
    for (QQuickItem *item : std::as_const(items)) {
        if (ports && ports->isAncestorOf(item))
            continue;
        // Plain containers (a view's content item is as wide as the widest row it ever made)
        // draw nothing: what they hold is compared.
        const QString type = QString::fromLatin1(item->metaObject()->className()).section(u'_', 0, 0);
        if (item->objectName().isEmpty() && type == QLatin1String("QQuickItem"))
            continue;
        const QRectF rect = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        lines.append(QStringLiteral("%1 %2: %3,%4 %5x%6")
                         .arg(item->objectName().isEmpty() ? type : item->objectName(),
                             item->property("text").toString())
                         .arg(rect.x())
                         .arg(rect.y())
                         .arg(rect.width())
                         .arg(rect.height()));
    }
    return lines;
}

QQuickItem *waitFor(QQuickWindow *window, const QString &name)
{
    QQuickItem *item = nullptr;
    // Null when it never shows; the caller's check fails then.
    return QTest::qWaitFor(
               [&] { return (item = findVisibleItem(window, name)) != nullptr; }, testwaits::ceilingMs)
        ? item
        : nullptr;
}

} // namespace

class TestWindow : public QObject
{
    Q_OBJECT

    LocalizationManager m_language {QStringList({"en-US"})};

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        useTestSettings("tst_window");
        LocalizationManager::setShared(&m_language);
    }
    void cleanupTestCase() { LocalizationManager::setShared(nullptr); }

    void tabReachesEveryControlInOrder()
    {
        RaceDayWindow w(twoStageEvent());
        w.app->content().setSelectedItem(SidebarItem::Reader);
        // The picker shows the active stage from its first frame.
        QQuickItem *picker = findVisibleItem(w.window, QStringLiteral("stagePicker"));
        QVERIFY(picker);
        QCOMPARE(picker->property("currentText").toString(), QStringLiteral("Stage 2"));

        QQuickItem *first = findVisibleItem(w.window, QStringLiteral("sidebarRow_introduction"));
        QVERIFY(first);
        first->forceActiveFocus(Qt::TabFocusReason);
        QList<QQuickItem *> cycle = uichecks::tabCycle(w.window);
        QVERIFY(cycle.contains(first));
        std::rotate(cycle.begin(), cycle.begin() + cycle.indexOf(first), cycle.end());

        // Sidebar first, top to bottom, then the pane in reading order.
        QList<QQuickItem *> sidebar;
        QList<QQuickItem *> pane;
        for (QQuickItem *item : uichecks::tabControls(w.window->contentItem()))
            (item->mapToScene({0, 0}).x() < 220 ? sidebar : pane).append(item);
        uichecks::sortByPosition(sidebar);
        uichecks::sortByPosition(pane);
        QVERIFY(pane.contains(picker) && pane.size() >= 5);
        QCOMPARE(uichecks::describe(cycle), uichecks::describe(sidebar + pane));

        // Return on a sidebar row opens its section.
        QQuickItem *results = findVisibleItem(w.window, QStringLiteral("sidebarRow_results"));
        results->forceActiveFocus(Qt::TabFocusReason);
        QTest::keyClick(w.window, Qt::Key_Return);
        QCOMPARE(w.app->content().selectedItemRaw(), QStringLiteral("results"));
    }

    void returnAndEscapeOnEverySheet()
    {
        RaceDayWindow w(raceDayEvent());
        QQuickWindow *window = w.window;
        for (const char *flag : {"showingGuides", "showingAbout"}) {
            for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
                w.app->content().setSelectedItem(SidebarItem::Introduction);
                QQuickItem *info = waitFor(window, QStringLiteral("infoView"));
                QVERIFY(info);
                info->setProperty(flag, true);
                QTRY_VERIFY(findVisibleItem(window,
                    QString::fromLatin1(flag) == QLatin1String("showingGuides")
                        ? QStringLiteral("guidesClose")
                        : QStringLiteral("aboutClose")));
                QTest::keyClick(window, key);
                QTRY_VERIFY2(!info->property(flag).toBool(), flag);
            }
        }

        // The printer settings: Return stores the feed as the language writes it and closes;
        // an unreadable feed keeps the sheet open with its reason; Escape closes without storing.
        ReceiptSettings &settings = w.app->receiptSettings();
        for (const QStringList &feed : casetable::rows(QStringLiteral("app/receipt-feeds.tsv"))) {
            w.app->languagePicker().pick(feed[1].toInt());
            w.app->content().setSelectedItem(SidebarItem::Reader);
            QQuickItem *pane = waitFor(window, QStringLiteral("readerPane"));
            QVERIFY(pane);
            pane->setProperty("showingPrinterAdvancedSettings", true);
            QQuickItem *field = waitFor(window, QStringLiteral("bottomFeedField"));
            QVERIFY(field);
            field->forceActiveFocus();
            QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
            uichecks::typeText(window, feed[2]);
            const double before = settings.bottomFeedPoints();
            QTest::keyClick(window, Qt::Key_Return);
            if (feed[3] == u"refused") {
                QVERIFY(pane->property("showingPrinterAdvancedSettings").toBool());
                QVERIFY(findVisibleItem(window, QStringLiteral("bottomFeedError")));
                QTest::keyClick(window, Qt::Key_Escape);
            }
            QTRY_VERIFY2(!pane->property("showingPrinterAdvancedSettings").toBool(), qPrintable(feed[0]));
            QCOMPARE(settings.bottomFeedPoints(), feed[3] == u"refused" ? before : feed[3].toDouble());
        }

        // Escape gives the new-event sheet up and the event comes back; Return asks where to save.
        w.app->languagePicker().pick(0);
        const QString openEvent = w.store->race().name;
        w.store->newRace();
        QVERIFY(waitFor(window, QStringLiteral("eventNameField")));
        QTest::keyClick(window, Qt::Key_Escape);
        QTRY_VERIFY(!w.app->newEvent().isVisible());
        QCOMPARE(w.store->race().name, openEvent);
        w.store->newRace();
        QQuickItem *name = waitFor(window, QStringLiteral("eventNameField"));
        QVERIFY(name);
        name->forceActiveFocus();
        uichecks::typeText(window, QStringLiteral("Sprint"));
        QTest::keyClick(window, Qt::Key_Return);
        const QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("saveEventDialog"));
        QVERIFY(dialog);
        pressInDialog(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!dialog || !dialog->isVisible());
        QVERIFY(w.app->newEvent().isVisible());
    }

    void saveThroughTheFileDialog()
    {
        RaceDayWindow w(raceDayEvent());
        QQuickWindow *window = w.window;
        const QDir home = QDir::home();
        QDir(home.filePath(QStringLiteral("Events"))).removeRecursively();
        QFile::remove(home.filePath(QStringLiteral("Sprint.vexloevent.json")));
        QVERIFY(home.mkpath(QStringLiteral("Events")));
        const auto saveWithDialog = [&](const QString &eventName) {
            w.store->newRace();
            QQuickItem *name = waitFor(window, QStringLiteral("eventNameField"));
            QVERIFY(name);
            name->forceActiveFocus();
            QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
            uichecks::typeText(window, eventName);
            QTest::keyClick(window, Qt::Key_Return);
            const QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("saveEventDialog"));
            QVERIFY(dialog);
            QCOMPARE(QUrl::fromLocalFile(dialog->directory().path()), w.app->newEvent().startFolder());
            QCOMPARE(fileNameField(dialog)->text(), eventName + QStringLiteral(".vexloevent.json"));
            // The dialog's own accept button says what it does.
            QPushButton *save = nullptr;
            for (QPushButton *button : dialog->findChildren<QPushButton *>())
                if (button->text() == QLatin1String("&Save"))
                    save = button;
            QVERIFY(save && save->isEnabled());
            QTest::mouseClick(save, Qt::LeftButton);
            QTRY_VERIFY(!w.app->newEvent().isVisible());
        };
        const auto readable = [&home](const char *path) {
            return RaceStore::readEventFile(QUrl::fromLocalFile(home.filePath(QString::fromLatin1(path))))
                .has_value();
        };

        // Nothing saved yet: the home folder, the name with the suffix.
        QCOMPARE(w.app->newEvent().startFolder().toLocalFile(), home.path());
        saveWithDialog(QStringLiteral("Sprint"));
        QVERIFY(readable("Sprint.vexloevent.json"));

        // A folder chosen instead of a file: the event goes into it under its proposed name; a
        // name without the suffix gets it.
        w.store->newRace();
        w.app->newEvent().setEventName(QStringLiteral("Night"));
        w.app->newEvent().saveTo(QUrl::fromLocalFile(home.filePath(QStringLiteral("Events"))));
        QVERIFY(readable("Events/Night.vexloevent.json"));
        w.store->newRace();
        w.app->newEvent().saveTo(QUrl::fromLocalFile(home.filePath(QStringLiteral("Events/relay.json"))));
        QVERIFY(readable("Events/relay.vexloevent.json"));

        // A path typed into the dialog: the event goes there, and the next dialog starts in that
        // folder.
        w.store->newRace();
        w.app->newEvent().setEventName(QStringLiteral("Relay"));
        w.app->newEvent().chooseFileToSave();
        typeNameAndReturn(
            waitForFileDialog(QStringLiteral("saveEventDialog")), QStringLiteral("Events/Relay"));
        QTRY_VERIFY(!w.app->newEvent().isVisible());
        QVERIFY(readable("Events/Relay.vexloevent.json"));
        saveWithDialog(QStringLiteral("Cup"));
        QVERIFY(readable("Events/Cup.vexloevent.json"));
    }

    // A failed autosave is said in the window, with what to do, until saving works again.
    void failedAutosaveIsShownUntilSavingWorks()
    {
        RaceDayWindow w(raceDayEvent());
        QDir folder(w.dir.filePath(QStringLiteral("event")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        QVERIFY(w.store->save(QUrl::fromLocalFile(folder.filePath(QStringLiteral("cup.vexloevent.json")))));
        QVERIFY(!findVisibleItem(w.window, QStringLiteral("saveStatusBanner")));

        QVERIFY(folder.removeRecursively());
        w.store->autosave();
        w.store->flushAutosave();
        QVERIFY(!w.store->autosaveError().isEmpty());
        QQuickItem *text = waitFor(w.window, QStringLiteral("saveStatusText"));
        QVERIFY(text);
        QVERIFY2(text->property("text").toString().contains(localizedMessage(w.store->autosaveError())),
            qPrintable(text->property("text").toString()));
        QVERIFY(!findVisibleItem(w.window, QStringLiteral("saveStatusDismiss")));
        shoot(w.window, QStringLiteral("en-autosave-failed"));

        QVERIFY(folder.mkpath(QStringLiteral(".")));
        w.store->autosave();
        w.store->flushAutosave();
        QVERIFY(w.store->autosaveError().isEmpty());
        QTRY_COMPARE(text->property("text").toString(),
            localized(QStringLiteral("Saving works again: every change is saved.")));
        QVERIFY(QFile::exists(folder.filePath(QStringLiteral("cup.vexloevent.json"))));
        QQuickItem *ok = findVisibleItem(w.window, QStringLiteral("saveStatusDismiss"));
        QVERIFY(ok);
        QMetaObject::invokeMethod(ok, "clicked");
        QTRY_VERIFY(!findVisibleItem(w.window, QStringLiteral("saveStatusBanner")));
    }

    // A quit while the event cannot be saved is held back with the reason, and offers a save
    // elsewhere; once that succeeds the window may close.
    void quitWhileSavingFailsIsHeldBack()
    {
        RaceDayWindow w(raceDayEvent());
        QDir folder(w.dir.filePath(QStringLiteral("event")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        QVERIFY(w.store->save(QUrl::fromLocalFile(folder.filePath(QStringLiteral("cup.vexloevent.json")))));
        QVERIFY(folder.removeRecursively());
        w.store->autosave();
        w.store->flushAutosave();
        QVERIFY(!w.store->autosaveError().isEmpty());

        QVERIFY(!w.window->close());
        QVERIFY(w.window->isVisible());
        QQuickItem *text = waitFor(w.window, QStringLiteral("quitProblemText"));
        QVERIFY(text);
        QVERIFY2(text->property("text").toString().contains(localizedMessage(w.store->autosaveError())),
            qPrintable(text->property("text").toString()));
        shoot(w.window, QStringLiteral("en-quit-refused"));

        SaveStatus &status = w.app->saveStatus();
        QVERIFY(!status.saveElsewhere(QUrl::fromLocalFile(folder.filePath(QStringLiteral("still/gone.json"))))
                     .isEmpty());
        // "Save As..." in the sheet: the dialog proposes the event file's name; a path typed into
        // it and Return save the event there, and the window closes.
        w.click(QStringLiteral("quitSaveElsewhere"));
        const QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("quitSaveDialog"));
        QVERIFY(dialog);
        QCOMPARE(fileNameField(dialog)->text(), QStringLiteral("cup.vexloevent.json"));
        const QString elsewhere = w.dir.filePath(QStringLiteral("elsewhere.vexloevent.json"));
        typeNameAndReturn(dialog, w.dir.filePath(QStringLiteral("elsewhere")));
        QVERIFY(RaceStore::readEventFile(QUrl::fromLocalFile(elsewhere)));
        QTRY_VERIFY(!w.window->isVisible());
        QVERIFY(status.mayQuit());
    }

    // A station the user may not open: the reader pane gives the system's reason and the way to
    // get access, in the chosen language, at the minimum window size.
    void readerPaneSaysWhyThePortDidNotOpen_data()
    {
        QTest::addColumn<int>("languageIndex");
        QTest::addColumn<QString>("expected");
        const QString path = QStringLiteral("\u201C/proc/sys/kernel/osrelease\u201D");
        QTest::newRow("en") << 0
                            << "Could not connect to the station: Unable to open " + path
                + ": Permission denied. Add your user to the dialout group and log in again, or install "
                  "Vexlo's package, which grants access to SportIdent stations.";
        QTest::newRow("da") << 1
                            << "Kunne ikke forbinde til stationen: Kan ikke \u00E5bne " + path
                + ": Adgang n\u00E6gtet. F\u00F8j din bruger til gruppen dialout, og log ind igen, eller "
                  "install\u00E9r Vexlos pakke, som giver adgang til SportIdent-stationer.";
    }
    void readerPaneSaysWhyThePortDidNotOpen()
    {
        QFETCH(int, languageIndex);
        QFETCH(QString, expected);
        RaceDayWindow w(raceDayEvent());
        w.mayElide = elidingFields;
        const QString code = w.atMinimumSizeIn(languageIndex);
        w.app->content().setSelectedItem(SidebarItem::Reader);
        QTRY_VERIFY(w.item(QStringLiteral("readerPane")));
        // A read-only kernel setting refuses to be opened for writing even to root, as a station's
        // device refuses a user outside the dialout group.
        w.click(QStringLiteral("portConnectButton"));
        QTRY_VERIFY(!w.app->reader().connectionState().isConnected());
        w.app->reader().connectPort(QStringLiteral("/proc/sys/kernel/osrelease"));
        QTRY_VERIFY(w.item(QStringLiteral("stationProblemText")));
        QCOMPARE(w.item(QStringLiteral("stationProblemText"))->property("text").toString(), expected);
        w.shot(code + QStringLiteral("-reader-port-permission"));
        verifyNoQmlProblems();
    }

    // An event file named on the command line opens as Open opens it; one that cannot be opened
    // is said so in the window, whose event stays, until the organiser closes the note.
    void commandLineFileOpensAsOpenDoes_data()
    {
        QTest::addColumn<int>("languageIndex");
        QTest::addColumn<QString>("damagedMessage");
        QTest::newRow("en") << 0
                            << "Load failed: \"damaged.vexloevent.json\" is not a Vexlo event file (or it is "
                               "damaged), so it was not opened.";
        QTest::newRow("da")
            << 1
            << "Indl\u00E6sning mislykkedes: \"damaged.vexloevent.json\" er ikke en Vexlo-l\u00F8bsfil "
               "(eller den er beskadiget), s\u00E5 den blev ikke \u00E5bnet.";
    }
    void commandLineFileOpensAsOpenDoes()
    {
        QFETCH(int, languageIndex);
        QFETCH(QString, damagedMessage);
        RaceDayWindow w(raceDayEvent());
        const QString code = w.atMinimumSizeIn(languageIndex);
        Race other = raceDayEvent();
        other.name = QStringLiteral("Night Cup");
        const QString good = w.dir.filePath(QStringLiteral("night.vexloevent.json"));
        QVERIFY(!writeRaceFile(other, JsonLayout::PrettySorted, good));
        const QString damaged = w.dir.filePath(QStringLiteral("damaged.vexloevent.json"));
        QFile bad(damaged);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("{\"name\": ");
        bad.close();

        w.app->openEventFile(damaged);
        QTRY_VERIFY(w.item(QStringLiteral("openFileErrorBanner")));
        QCOMPARE(w.item(QStringLiteral("openFileErrorText"))->property("text").toString(), damagedMessage);
        QCOMPARE(w.store->race().name, raceDayEvent().name);
        w.shot(code + QStringLiteral("-command-line-file-not-opened"));
        w.click(QStringLiteral("openFileErrorOk"));
        QTRY_VERIFY(!w.item(QStringLiteral("openFileErrorBanner")));

        w.app->openEventFile(good);
        QCOMPARE(w.store->race().name, QStringLiteral("Night Cup"));
        QCOMPARE(w.store->raceFileUrl(), QUrl::fromLocalFile(good));
        QVERIFY(!w.item(QStringLiteral("openFileErrorBanner")));
        w.app->content().setSelectedItem(SidebarItem::Classes);
        QTRY_COMPARE(w.window->title(), QStringLiteral("Night Cup"));
        w.shot(code + QStringLiteral("-command-line-file-opened"));
        verifyNoQmlProblems();
    }

    // The station pulled in the middle of a read-out, a connect tried while it is away, then
    // plugged in again and found with Refresh Ports: once it is connected and the next card is read, the
    // reader pane is laid out as in a window that read the same cards without a break, with no room left
    // where the message was and the result panel's texts one under the other.
    void readerPaneAfterReconnectLaidOutAsFresh_data() { addLanguageRows(); }
    void readerPaneAfterReconnectLaidOutAsFresh()
    {
        QFETCH(int, languageIndex);
        QmlProblemCollector qml;
        const auto open = [&](RaceDayWindow &w) {
            w.mayElide = elidingFields;
            w.app->languagePicker().pick(languageIndex);
            w.window->resize(w.window->minimumSize());
            QTRY_COMPARE(w.window->size(), w.window->minimumSize());
            w.app->content().setSelectedItem(SidebarItem::Reader);
            QTRY_VERIFY(w.item(QStringLiteral("readerPane")));
            w.read(simCard(2000001));
        };
        // The pane once the last card's toast time is over and its fade done, as drawn (no
        // screenshot has laid out anything still to be laid out).
        const auto settled = [](RaceDayWindow &w) {
            w.clock->advance(std::chrono::seconds(10));
            [&] { QTRY_VERIFY(!w.app->raceDay()->toastShown() && toastAtRest(w.window)); }();
            return paneLayout(w.window);
        };
        QStringList fresh;
        {
            RaceDayWindow w(raceDayEvent());
            open(w);
            w.read(simCard(2000003));
            fresh = settled(w);
        }
        QVERIFY(fresh.size() > 10);

        RaceDayWindow w(raceDayEvent());
        open(w);
        const QString code = w.app->languagePicker().languageCode();
        // The next card's read-out stops half-way: the station no longer answers, then goes.
        w.station.removeCard();
        w.station.setSilent(true);
        w.station.insertCard(simCard(2000004));
        QTRY_COMPARE(w.app->raceDay()->cardStatus(), RaceDayDesk::CardStatus::Reading);
        w.unplug();
        QTRY_VERIFY(w.item(QStringLiteral("interruptedText")));
        const QString lost = w.item(QStringLiteral("stationProblemText"))->property("text").toString();
        QVERIFY(!lost.isEmpty());
        // Connect while it is away: the message gives the reason, on more lines.
        w.click(QStringLiteral("portConnectButton"));
        QTRY_VERIFY(w.item(QStringLiteral("stationProblemText"))
            && w.valueOf(QStringLiteral("stationProblemText"), "text").toString() != lost);
        w.shot(code + QStringLiteral("-reader-station-away"));
        w.station.setSilent(false);
        QVERIFY(w.replug());
        // Refresh Ports, as the message says, finds the identified station and connects to it.
        w.click(QStringLiteral("refreshPortsButton"));
        QCOMPARE(w.app->reader().connectionState(), SIConnectionState::connected(w.stationPort()));
        QTRY_VERIFY(!w.item(QStringLiteral("stationProblemText")));
        // The station does not go on with the card cut off: the pane says to insert it again
        // rather than showing it as being read.
        QVERIFY(!w.item(QStringLiteral("progressText")));
        QVERIFY(w.item(QStringLiteral("interruptedText")));
        QCOMPARE(w.item(QStringLiteral("interruptedText"))->property("text").toString(),
            localized(QStringLiteral("Card %@ was not read out: the station was disconnected while "
                                     "reading it. Insert the card again."),
                QStringLiteral("2000004")));
        w.shot(code + QStringLiteral("-reader-station-reconnected"));
        w.read(simCard(2000003));
        QCOMPARE(settled(w), fresh);
        w.shot(code + QStringLiteral("-reader-station-back"));
        verifyNoQmlProblems();
    }

    // Every text of every section and sheet, whole at the minimum window size in both languages.
    void everyScreenWholeAtMinimumSize()
    {
        QmlProblemCollector qml;
        RaceDayWindow w(twoStageEvent());
        QQuickWindow *window = w.window;
        QStringList cut;
        const auto check = [&](const QString &where) {
            // The grab lays out what is still to be laid out; the checks look at that.
            shoot(window, QString(where).replace(QLatin1Char('/'), QLatin1Char('-')));
            for (const QString &text :
                uichecks::truncatedTexts(window, elidingFields) + uichecks::crowdedItems(window))
                cut.append(where + QStringLiteral(" — ") + text);
        };
        for (int languageIndex : {0, 1}) {
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            window->resize(window->minimumSize());
            QTRY_COMPARE(window->size(), window->minimumSize());
            for (SidebarItem item : allSidebarItems()) {
                w.app->content().setSelectedItem(item);
                check(code + QLatin1Char('/') + rawValue(item));
            }
            w.app->content().setSelectedItem(SidebarItem::Introduction);
            QQuickItem *info = waitFor(window, QStringLiteral("infoView"));
            for (const char *flag : {"showingGuides", "showingAbout"}) {
                info->setProperty(flag, true);
                QTRY_VERIFY2(!uichecks::shownPopups(window).isEmpty(), flag);
                check(code + QLatin1Char('/') + QString::fromLatin1(flag));
                info->setProperty(flag, false);
                QTRY_VERIFY2(uichecks::shownPopups(window).isEmpty(), flag);
            }
            w.app->content().setSelectedItem(SidebarItem::Reader);
            QQuickItem *pane = waitFor(window, QStringLiteral("readerPane"));
            for (const char *flag : {"showingPrinterAdvancedSettings", "showingDeviceHelp"}) {
                pane->setProperty(flag, true);
                QTRY_VERIFY2(!uichecks::shownPopups(window).isEmpty(), flag);
                check(code + QLatin1Char('/') + QString::fromLatin1(flag));
                pane->setProperty(flag, false);
                QTRY_VERIFY2(uichecks::shownPopups(window).isEmpty(), flag);
            }
            // The Tools menus open under their button, inside the window, every item whole.
            for (SidebarItem item : {SidebarItem::Classes, SidebarItem::Courses, SidebarItem::Participants,
                     SidebarItem::StartList, SidebarItem::Results}) {
                w.app->content().setSelectedItem(item);
                QQuickItem *tools = waitFor(window,
                    item == SidebarItem::Results ? QStringLiteral("resultsToolsButton")
                                                 : QStringLiteral("toolsButton"));
                QVERIFY2(tools, qPrintable(rawValue(item)));
                QMetaObject::invokeMethod(tools, "clicked");
                QTRY_VERIFY2(!uichecks::shownPopups(window).isEmpty(), qPrintable(rawValue(item)));
                check(code + QLatin1Char('/') + rawValue(item) + QStringLiteral("-tools"));
                if (item == SidebarItem::StartList) {
                    // Entries per class: the counts stay clear of the list's scroll bar.
                    QQuickItem *counts = waitFor(window, QStringLiteral("classCountItem"));
                    QVERIFY(counts);
                    QMetaObject::invokeMethod(counts, "triggered");
                    QVERIFY(waitFor(window, QStringLiteral("entriesDone")));
                    check(code + QStringLiteral("/entriesPerClass"));
                }
                QTest::keyClick(window, Qt::Key_Escape);
                QTRY_VERIFY2(uichecks::popupsAtRest(window), qPrintable(rawValue(item)));
            }
            w.app->content().setSelectedItem(SidebarItem::Reader);
            QQuickItem *menuButton = findVisibleItem(window, QStringLiteral("printerMenuButton"));
            QMetaObject::invokeMethod(menuButton, "clicked");
            QTRY_VERIFY(!uichecks::shownPopups(window).isEmpty());
            check(code + QStringLiteral("/printerMenu"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(uichecks::popupsAtRest(window));
        }
        w.store->newRace();
        QVERIFY(waitFor(window, QStringLiteral("eventNameField")));
        check(QStringLiteral("da/newEvent"));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
