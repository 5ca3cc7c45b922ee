// The window in Danish, every section, settings tab and sheet, with results read and services in
// the states they start in: every word on screen is a word of the Danish tables, a name from the
// event, or one of a few words that stay as they are. An English status line, error detail or
// verdict that slipped past the tables fails the test with the text that showed it. The store's
// failures are shown from real faults (a removed folder, the change journal's name taken by a
// folder, a damaged event file and journal found at start-up): only the system's own words for
// the fault the test made may stay as they are, and only in quotation marks.

#include "racedaywindow.h"
#include "racejson.h"
#include "savestatus.h"
#include "testenvironment.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <cerrno>
#include <cstring>

namespace {

// The about page's closing line names the maker and the year as written, in every language.
const QSet<QString> shownAsWritten {QStringLiteral("aboutClosingLine")};

// Words shown unchanged in every language: product and service names and the format names.
const QStringList untranslated {QStringLiteral("IOF"), QStringLiteral("OK"), QStringLiteral("Vexlo"),
    QStringLiteral("English"), QStringLiteral("Dansk")};

QStringList wordsOf(const QString &text)
{
    // Paths, addresses and host names ("/dev/ttyUSB0", "metsa.live") are data, not words.
    static const QRegularExpression address(QStringLiteral("\\S*(/|\\p{L}\\.\\p{L})\\S*"));
    static const QRegularExpression word(QStringLiteral("\\p{L}+"));
    QString plain = text;
    plain.replace(address, QStringLiteral(" "));
    QStringList words;
    auto it = word.globalMatch(plain);
    while (it.hasNext())
        words.append(it.next().captured().toLower());
    return words;
}

// Every word of every Danish translation the application carries.
QSet<QString> danishWords()
{
    QSet<QString> words;
    QDirIterator it(QStringLiteral(VEXLO_SOURCE_DIR "/src/localization/translations"),
        QStringList {QStringLiteral("*_da.ts")}, QDir::Files);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QXmlStreamReader xml(&file);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement
                && xml.name() == QLatin1String("translation"))
                for (const QString &w : wordsOf(xml.readElementText()))
                    words.insert(w);
        }
    }
    return words;
}

QSet<QString> eventWords(const Race &race)
{
    QStringList texts {race.name};
    for (const Participant &p : race.participants)
        texts << p.givenName << p.familyName << p.club.value_or(QString());
    for (const RaceClass &c : race.classes)
        texts << c.name;
    for (const Course &c : race.courses)
        texts << c.name;
    for (const Stage &s : race.stages)
        texts << s.name;
    QSet<QString> words;
    for (const QString &t : texts)
        for (const QString &w : wordsOf(t))
            words.insert(w);
    return words;
}

// The race-day event with two stages, the second active.
Race twoStageEvent()
{
    return testEvent(QStringLiteral("app/two-stage-race-day.json"));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The event file cut in half, as a power cut or a full disk leaves it.
QByteArray cutShort(const Race &event)
{
    const QByteArray whole = *encodeRace(event, JsonLayout::PrettySorted);
    return whole.left(whole.size() / 2);
}

QString jsonProblem(const Race &event)
{
    QJsonParseError error;
    QJsonDocument::fromJson(cutShort(event), &error);
    return error.errorString();
}

// The system's words for the faults this test makes (C library and Qt), as start-up and the
// writes meet them.
QStringList systemWords()
{
    QStringList words;
    for (int code : {ENOENT, EISDIR})
        words.append(QString::fromLocal8Bit(std::strerror(code)));
    // What Qt says of a directory opened as a file.
    QFile folder(QDir::tempPath());
    if (!folder.open(QIODevice::ReadOnly))
        words.append(folder.errorString());
    return words;
}

} // namespace

class TestDanishWindow : public QObject
{
    Q_OBJECT

    LocalizationManager m_language {QStringList({"en-US"})};
    QSet<QString> m_known;
    QStringList m_english;

    // Every visible text of the window now, word by word; `outside` may show as it is, quoted.
    void check(QQuickWindow *window, const QString &where, const QStringList &outside = {})
    {
        // The screen as shown: the shot waits for the screen at rest, and the grab lays it out.
        shoot(window, QStringLiteral("walk-da-") + where);
        const QLocale danish(QLocale::Danish, QLocale::Denmark);
        for (QQuickItem *item : uichecks::visibleItems(window->contentItem())) {
            if (!item->inherits("QQuickText") || shownAsWritten.contains(item->objectName()))
                continue;
            const QString text = item->property("text").toString();
            QString checked = text;
            for (const QString &o : outside)
                checked.replace(danish.quoteString(o), QStringLiteral(" "));
            QStringList unknown;
            for (const QString &w : wordsOf(checked))
                if (!m_known.contains(w))
                    unknown.append(w);
            if (!unknown.isEmpty())
                m_english.append(where + QStringLiteral(": \"") + text + QStringLiteral("\" (")
                    + unknown.join(QStringLiteral(", ")) + QLatin1Char(')'));
        }
    }

    // The words a Danish window may show for `race`.
    void learnWords(const Race &race)
    {
        m_known = danishWords();
        m_known.unite(eventWords(race));
        for (const QString &word : untranslated)
            m_known.insert(word.toLower());
        // Month and weekday names come from the language's locale, not from the tables.
        const QLocale danish(QLocale::Danish, QLocale::Denmark);
        for (int i = 1; i <= 12; ++i)
            for (const QString &w : wordsOf(danish.monthName(i) + u' ' + danish.standaloneMonthName(i) + u' '
                     + danish.monthName(i, QLocale::ShortFormat)))
                m_known.insert(w);
        for (int i = 1; i <= 7; ++i)
            for (const QString &w : wordsOf(danish.dayName(i) + u' ' + danish.dayName(i, QLocale::ShortFormat)
                     + u' ' + danish.dayName(i, QLocale::NarrowFormat)))
                m_known.insert(w);
        QVERIFY(m_known.size() > 500);
    }

    void report()
    {
        m_english.removeDuplicates();
        QVERIFY2(m_english.isEmpty(), qPrintable(std::exchange(m_english, {}).join(u'\n')));
        verifyNoQmlProblems();
    }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        useTestSettings("tst_danishwindow");
        LocalizationManager::setShared(&m_language);
    }
    void cleanupTestCase() { LocalizationManager::setShared(nullptr); }
    void init() { m_english.clear(); }

    void everyTextIsDanish()
    {
        QmlProblemCollector qml;
        // Bo Krag runs without a class: his result is listed under a heading of its own.
        Race event = raceDayEvent();
        for (Participant &p : event.participants)
            if (p.cardNumber == QLatin1String("2000005"))
                p.classId.reset();
        RaceDayWindow w(event);
        w.app->languagePicker().pick(1);
        QCOMPARE(w.app->languagePicker().languageCode(), QStringLiteral("da"));
        learnWords(w.store->race());

        // Results to show: a clean run, a runner without a class and a mispunch, read through the
        // station.
        w.app->content().setSelectedItem(SidebarItem::Reader);
        w.read(simCard(2000001));
        check(w.window, QStringLiteral("reader-read"));
        w.read(simCard(2000005));
        check(w.window, QStringLiteral("reader-no-class"));
        const QSize shown = w.window->size();
        w.window->resize(w.window->minimumSize());
        QTRY_COMPARE(w.window->size(), w.window->minimumSize());
        check(w.window, QStringLiteral("reader-no-class-minimum-size"));
        w.window->resize(shown);
        QTRY_COMPARE(w.window->size(), shown);
        w.read(simCard(2000004, true));
        check(w.window, QStringLiteral("reader-mispunch"));

        for (SidebarItem item : allSidebarItems()) {
            w.app->content().setSelectedItem(item);
            check(w.window, rawValue(item));
        }
        // The Status list with every runner, so its rows show.
        w.app->content().setSelectedItem(SidebarItem::Pending);
        w.click(localized(QStringLiteral("All")));
        check(w.window, QStringLiteral("pending-all"));
        // With a key the O-Checklist tab shows as well.
        w.store->vexloWebSettings()->setApiKey(QStringLiteral("key"));
        w.app->content().setSelectedItem(SidebarItem::Sync);
        for (const char *tab :
            {"stationRole", "liveResults", "metsa", "vexloWeb", "oChecklist", "language"}) {
            QQuickItem *button = nullptr;
            QTRY_VERIFY((button = findVisibleItem(w.window, QStringLiteral("tab_") + QLatin1String(tab))));
            w.click(button);
            check(w.window, QStringLiteral("settings-") + QLatin1String(tab));
        }
        w.app->content().setSelectedItem(SidebarItem::Introduction);
        QQuickItem *info = nullptr;
        QTRY_VERIFY((info = findVisibleItem(w.window, QStringLiteral("infoView"))));
        for (const char *flag : {"showingGuides", "showingAbout"}) {
            info->setProperty(flag, true);
            check(w.window, QLatin1String(flag));
            info->setProperty(flag, false);
        }
        w.app->content().setSelectedItem(SidebarItem::Reader);
        QQuickItem *pane = nullptr;
        QTRY_VERIFY((pane = findVisibleItem(w.window, QStringLiteral("readerPane"))));
        for (const char *flag : {"showingPrinterAdvancedSettings", "showingDeviceHelp"}) {
            pane->setProperty(flag, true);
            check(w.window, QLatin1String(flag));
            pane->setProperty(flag, false);
        }
        // Race day beyond the first screens: a card nobody holds, the station pulled, a result's
        // split times and its correction prompts, the registration sheet, a new event.
        w.app->content().setSelectedItem(SidebarItem::Reader);
        w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);
        check(w.window, QStringLiteral("reader-unmatched"));
        QTRY_VERIFY(w.item(QStringLiteral("registerButton")));
        w.click(QStringLiteral("registerButton"));
        // Every runner of this event has a card, so the sheet opens on a new runner.
        QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
        check(w.window, QStringLiteral("unmatched-new-runner"));
        QTest::keyClick(w.window, Qt::Key_Escape);
        QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
        // The card is kept: the Status section lists it.
        w.app->content().setSelectedItem(SidebarItem::Pending);
        QTRY_VERIFY(w.item(QStringLiteral("unknownCardsSection")));
        check(w.window, QStringLiteral("pending-unknown-card"));
        w.app->content().setSelectedItem(SidebarItem::Reader);
        w.unplug();
        QTRY_VERIFY(w.item(QStringLiteral("stationProblemText")));
        check(w.window, QStringLiteral("reader-station-lost"));
        QVERIFY(w.replug());
        w.app->reader().connectPort(w.station.devicePath());
        QTRY_VERIFY(w.app->reader().connectionState().isConnected());
        w.app->content().setSelectedItem(SidebarItem::Results);
        QTRY_VERIFY(w.item(QStringLiteral("registerButton")));
        check(w.window, QStringLiteral("toast-unmatched"));
        w.clock->advance(std::chrono::seconds(10));
        QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
        QTRY_VERIFY(w.item(QStringLiteral("resultRow_Karen Bech")));
        for (const char *entry : {"forceIncompleteItem", "forceCompletedItem", "deleteResultItem"}) {
            w.click(w.itemIn(QStringLiteral("resultRow_Karen Bech"), QStringLiteral("rowActionsButton")));
            w.click(QLatin1String(entry));
            const QString prompt = QLatin1String(entry) == u"deleteResultItem"
                ? QStringLiteral("deleteResultDialog")
                : QStringLiteral("overrideDialog");
            QTRY_VERIFY2(w.item(prompt), entry);
            check(w.window, QLatin1String(entry));
            QTest::keyClick(w.window, Qt::Key_Escape);
            QTRY_VERIFY2(!w.item(prompt), entry);
        }
        w.click(QStringLiteral("resultRow_Ida Holm"));
        QTRY_VERIFY(uichecks::openPopup(w.window, QStringLiteral("splitTimesSheet")));
        check(w.window, QStringLiteral("split-times"));
        QTest::keyClick(w.window, Qt::Key_Escape);
        w.store->newRace();
        QTRY_VERIFY(w.item(QStringLiteral("eventNameField")));
        check(w.window, QStringLiteral("new-event"));
        report();
    }

    // Found at start-up: the event file damaged (the autosave opened instead) and a journal line
    // that could not be replayed. Then a refused save, the stage reads go to moved, autosaves
    // failing and a quit held back. At the minimum window size, nothing cut off.
    void startUpAndSaveProblemsAreDanish()
    {
        QmlProblemCollector qml;
        const Race event = twoStageEvent();
        // Qt's words as the store meets them at start-up, before the window loads Qt's own
        // translation; and the JSON parser's for the file cut short.
        const QStringList outside = systemWords() + QStringList {jsonProblem(event)};
        RaceDayWindow w(event, [&](const QString &folder) {
            const QString damaged = folder + QStringLiteral("/events/cup.vexloevent.json");
            writeFile(damaged, cutShort(event));
            QSettings settings(folder + QStringLiteral("/settings.ini"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("recentRaceFilePaths"), QStringList {damaged});
            writeFile(folder + QStringLiteral("/autosave/current-race.journal"), "{\"seq\":1,\"op\n");
        });
        w.window->resize(w.window->minimumSize());
        w.app->languagePicker().pick(1);
        learnWords(event);
        SaveStatus &status = w.app->saveStatus();
        QVERIFY(!status.unreadableFileText().isEmpty());
        QVERIFY(!status.unrestoredText().isEmpty());

        w.app->content().setSelectedItem(SidebarItem::Reader);
        QTRY_VERIFY(w.item(QStringLiteral("unreadableFileText")));
        QTRY_VERIFY(w.item(QStringLiteral("readsGoTo")));
        QVERIFY(w.item(QStringLiteral("unrestoredText")));
        check(w.window, QStringLiteral("start-up-problems"), outside);
        w.shot(QStringLiteral("da-walk-start-up-problems"));

        // Another screen moves the active stage while the station reads.
        QTRY_VERIFY(w.app->reader().connectionState().isConnected());
        Race moved = w.store->race();
        moved.activeStageId = QStringLiteral("s1");
        w.store->setRace(moved);
        QTRY_VERIFY(w.item(QStringLiteral("stageChangeNotice")));
        // Saved as into a folder that is not there.
        status.saveAs(QUrl::fromLocalFile(w.dir.filePath(QStringLiteral("gone/cup.vexloevent.json"))));
        QTRY_VERIFY(w.item(QStringLiteral("unreadableFileSaveError")));
        check(w.window, QStringLiteral("save-as-refused"), outside);
        w.shot(QStringLiteral("da-walk-save-as-refused"));
        status.dismissUnrestored();

        // The event in a file whose folder then goes: every autosave fails.
        QDir folder(w.dir.filePath(QStringLiteral("event")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        QVERIFY(w.store->save(QUrl::fromLocalFile(folder.filePath(QStringLiteral("cup.vexloevent.json")))));
        QVERIFY(folder.removeRecursively());
        w.store->autosave();
        w.store->flushAutosave();
        QVERIFY(!w.store->autosaveError().isEmpty());
        QTRY_VERIFY(w.item(QStringLiteral("saveStatusText")));
        check(w.window, QStringLiteral("autosave-failed"), outside);
        w.shot(QStringLiteral("da-walk-autosave-failed"));

        QVERIFY(!w.window->close());
        QTRY_VERIFY(w.item(QStringLiteral("quitProblemText")));
        // The sheet that opened: a language change rebuilds the window's content, and the old
        // copy may still be waiting for deletion.
        QObject *sheet = nullptr;
        for (QObject *candidate : w.window->findChildren<QObject *>(QStringLiteral("quitProblemSheet")))
            if (candidate->property("visible").toBool())
                sheet = candidate;
        QVERIFY(sheet);
        sheet->setProperty("saveError",
            status.saveElsewhere(QUrl::fromLocalFile(folder.filePath(QStringLiteral("still/gone.json")))));
        check(w.window, QStringLiteral("quit-refused"), outside);
        w.shot(QStringLiteral("da-walk-quit-refused"));
        status.dismissQuitProblem();
        report();
    }

    // The change journal's name taken by a folder: no change can be recorded as it is made, said
    // with the failing autosave after it, in the banner and when a quit is held back.
    void journalFailureIsDanish()
    {
        QmlProblemCollector qml;
        const QStringList outside = systemWords();
        RaceDayWindow w(raceDayEvent(), [](const QString &folder) {
            QVERIFY(QDir().mkpath(folder + QStringLiteral("/autosave/current-race.journal")));
        });
        w.window->resize(w.window->minimumSize());
        w.app->languagePicker().pick(1);
        learnWords(w.store->race());
        QDir folder(w.dir.filePath(QStringLiteral("event")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        QVERIFY(w.store->save(QUrl::fromLocalFile(folder.filePath(QStringLiteral("cup.vexloevent.json")))));
        QVERIFY(folder.removeRecursively());
        w.app->content().setSelectedItem(SidebarItem::Reader);
        w.read(simCard(2000001));
        w.store->flushAutosave();
        QVERIFY2(w.store->autosaveError().startsWith(QStringLiteral("Changes cannot be recorded")),
            qPrintable(w.store->autosaveError()));
        QVERIFY2(w.store->autosaveError().contains(QStringLiteral(". Cannot ")),
            qPrintable(w.store->autosaveError()));
        QTRY_VERIFY(w.item(QStringLiteral("saveStatusText")));
        check(w.window, QStringLiteral("journal-failed"), outside);
        w.shot(QStringLiteral("da-walk-journal-failed"));
        QVERIFY(!w.window->close());
        QTRY_VERIFY(w.item(QStringLiteral("quitProblemText")));
        check(w.window, QStringLiteral("journal-quit-refused"), outside);
        w.shot(QStringLiteral("da-walk-journal-quit-refused"));
        w.app->saveStatus().dismissQuitProblem();
        report();
    }

    // A slave station whose file of results not yet sent to the master cannot be written (its
    // name taken by a folder): said in the banner, and a quit is held back while they are only in
    // memory.
    void unsentResultsFailureIsDanish()
    {
        QmlProblemCollector qml;
        const QStringList outside = systemWords();
        RaceDayWindow w(raceDayEvent());
        w.window->resize(w.window->minimumSize());
        w.app->languagePicker().pick(1);
        learnWords(w.store->race());
        w.store->stationSettings()->setRole(StationRole::Slave);
        QVERIFY(QDir().mkpath(w.dir.filePath(QStringLiteral("autosave/sync-outbox.json"))));
        w.app->content().setSelectedItem(SidebarItem::Reader);
        w.read(simCard(2000001));
        w.store->flushAutosave();
        QVERIFY2(w.store->autosaveError().startsWith(
                     QStringLiteral("Results not yet sent to the master could not be kept in ")),
            qPrintable(w.store->autosaveError()));
        QTRY_VERIFY(w.item(QStringLiteral("saveStatusText")));
        const QString banner = w.item(QStringLiteral("saveStatusText"))->property("text").toString();
        QVERIFY2(banner.contains(QStringLiteral(": Resultater")) && !banner.contains(QStringLiteral("..")),
            qPrintable(banner));
        check(w.window, QStringLiteral("outbox-failed"), outside);
        QVERIFY(!w.window->close());
        QTRY_VERIFY(w.item(QStringLiteral("quitProblemText")));
        check(w.window, QStringLiteral("outbox-quit-refused"), outside);
        w.app->saveStatus().dismissQuitProblem();
        QVERIFY(QDir(w.dir.filePath(QStringLiteral("autosave/sync-outbox.json"))).removeRecursively());
        QVERIFY(w.window->close());
        report();
    }
};

QTEST_MAIN(TestDanishWindow)
#include "tst_danishwindow.moc"
