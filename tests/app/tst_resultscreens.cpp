// The reader pane, the Results and Status sections and their sheets in the real main window,
// offscreen at its minimum size, in both languages: cards read through the station simulator (a
// clean run read twice, a mispunch, a card nobody holds, the station pulled meanwhile), the
// card-read toast over another section, a status forced with a reason (a card held for review
// asks for one and is held again once the override is cleared), a receipt printed again on a
// private CUPS queue and on one that refuses jobs, the split times, the card nobody holds given to
// an entry or a new runner, and the Status list shrinking. Then the sections over the generated
// 5,000-entry event. Any QML warning fails the test; screenshots land in the build folder.

#include "documenttestsupport.h"
#include "outstandingrunners.h"
#include "pdftestsupport.h"
#include "perstage.h"
#include "privatecups.h"
#include "racedaywindow.h"
#include "racegenerator.h"
#include "receipt.h"
#include "resultexports.h"
#include "resultsscreen.h"
#include "resultverdict.h"
#include "startlistviewmodel.h"
#include "testenvironment.h"
#include "timeofday.h"
#include "uichecks.h"
#include "unmatchedcardsheet.h"

#include <QXmlStreamReader>

#include <ctime>

namespace {

// The race-day event with Lone Wolf and Per Vik entered in H21 without a card.
Race eventWithOpenEntries()
{
    return testEvent(QStringLiteral("app/race-day-open-entries.json"));
}

const PersonResult *resultOf(const Race &race, const QString &cardNumber)
{
    for (const PersonResult &r : race.results)
        if (r.cardNumber == cardNumber)
            return &r;
    return nullptr;
}

// The texts shown in a row (or any item): those of the item and every visible item in it.
QStringList shownTexts(QQuickItem *item)
{
    QStringList texts;
    if (!item || !item->isVisible())
        return texts;
    if (const QString text = item->property("text").toString(); !text.isEmpty())
        texts.append(text);
    for (QQuickItem *child : item->childItems())
        texts += shownTexts(child);
    return texts;
}

// Each PersonResult of an IOF result list as "<given>[ <Time>][ #<Position>] <Status>", and with
// `withScore` its points after them as " <Score> pts"; split times are left out.
QStringList iofRunners(const QByteArray &xml, bool withScore = false)
{
    QStringList rows;
    QXmlStreamReader in(xml);
    while (in.readNextStartElement() || !in.atEnd()) {
        if (!in.isStartElement())
            continue;
        if (in.name() == QLatin1String("PersonResult"))
            rows.append(QString());
        else if (in.name() == QLatin1String("SplitTime"))
            in.skipCurrentElement();
        else if (rows.isEmpty())
            continue;
        else if (in.name() == QLatin1String("Given"))
            rows.last() += in.readElementText();
        else if (in.name() == QLatin1String("Status"))
            rows.last() += QLatin1Char(' ') + in.readElementText();
        else if (in.name() == QLatin1String("Time"))
            rows.last() += QLatin1Char(' ') + in.readElementText();
        else if (in.name() == QLatin1String("Position"))
            rows.last() += QStringLiteral(" #") + in.readElementText();
        else if (withScore && in.name() == QLatin1String("Score"))
            rows.last() += QLatin1Char(' ') + in.readElementText() + QStringLiteral(" pts");
    }
    return rows;
}

using pdftest::run;

const Participant *runnerNamed(const Race &race, const QString &given)
{
    for (const Participant &p : race.participants)
        if (p.givenName == given)
            return &p;
    return nullptr;
}

// The next day of a multi-day test: `stage` active and the clock `daysAfter` days on (counted up).
void beginDay(RaceDayWindow &w, const QString &stage, int &daysAfter)
{
    Race race = w.store->race();
    race.activeStageId = stage;
    w.store->setRace(race);
    w.clock->advance(std::chrono::hours(24 * daysAfter++));
}

// The view-model of the Results screen on show. A screen left a moment ago may still be alive
// until the event loop deletes it; its view-model must not be the one the test drives.
ResultsScreen *shownResultsScreen(QQuickWindow *window)
{
    QQuickItem *view = findVisibleItem(window, QStringLiteral("resultsView"));
    return view ? view->findChild<ResultsScreen *>() : nullptr;
}

// What the Results screen lists exported through its own menu as `name` in the test's folder; a
// PDF is drawn as da-<base name>.png among the screenshots. Empty when the export failed.
QString exportedFromScreen(RaceDayWindow &w, ResultExportKind kind, const QString &name)
{
    const QString path = w.dir.filePath(name);
    auto *screen = shownResultsScreen(w.window);
    const bool ok = screen && screen->exportTo(int(kind), QUrl::fromLocalFile(path));
#ifdef VEXLO_SCREENSHOT_DIR
    if (ok && path.endsWith(QLatin1String(".pdf")))
        run(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"), path,
                QStringLiteral(VEXLO_SCREENSHOT_DIR "/da-") + QFileInfo(path).baseName()});
#endif
    return ok ? path : QString();
}

// The texts of the Results screen's row showing `runner` (a day's row or an overall one); the
// list is scrolled until the row is made. Empty when no row shows the name.
QStringList rowShowing(QQuickWindow *window, const QString &runner)
{
    const auto name = [&] {
        return findVisibleItem(
            window, [&](QQuickItem *i) { return i->property("text").toString() == runner; });
    };
    QQuickItem *found = name();
    QQuickItem *list = findVisibleItem(window, QStringLiteral("resultsList"));
    for (int i = 0; !found && list && i < list->property("count").toInt(); ++i) {
        QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, i), Q_ARG(int, 3 /* Contain */));
        found = name();
    }
    return found ? shownTexts(found->parentItem()) : QStringList();
}

// Seconds of the day of "m:ss" after 10:00:00; none for an empty text.
std::optional<int> afterTen(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    return 10 * 3600 + text.section(u':', 0, 0).toInt() * 60 + text.section(u':', 1).toInt();
}

// An SI8 card as a case table writes it: "S=m:ss" the start, "F=m:ss" the finish and "code=m:ss"
// each punch, times after 10:00:00 ("code=" a punch that holds no time).
SimCard tableCard(quint32 number, const QString &punches)
{
    SimCard card;
    card.series = SimCard::Series::SI8;
    card.number = number;
    for (const QString &punch : punches.split(u' ', Qt::SkipEmptyParts)) {
        const QString key = punch.section(u'=', 0, 0);
        const std::optional<int> at = afterTen(punch.section(u'=', 1));
        if (key == u"S")
            card.start = at;
        else if (key == u"F")
            card.finish = at;
        else
            card.punches.append(SimPunch {key.toInt(), at});
    }
    return card;
}

// The card the station simulator inserts as its read `serial` when started with `--punches count
// --first-code firstCode`: the example card of the series, codes counted up from the first, every
// time moved so that it finishes at `finish` (the simulator moves them to the present).
SimCard simulatorCard(const QString &series, int count, int firstCode, quint32 serial, int finish)
{
    SimCard::Series kind = SimCard::Series::SI8;
    for (const SimCard::Series s :
        {SimCard::Series::SI5, SimCard::Series::SI6, SimCard::Series::SI8, SimCard::Series::SI9,
            SimCard::Series::SI10, SimCard::Series::SI11, SimCard::Series::SIAC, SimCard::Series::PCard})
        if (SimCard::seriesName(s) == series)
            kind = s;
    SimCard card = SimCard::example(kind, count, serial);
    for (qsizetype i = 0; i < card.punches.size(); ++i)
        card.punches[i].controlCode = std::min(firstCode + int(i), 1023);
    const int shift = finish - *card.finish;
    for (SimPunch &p : card.punches)
        if (p.secondOfDay)
            p.secondOfDay = *p.secondOfDay + shift;
    card.check = *card.check + shift;
    card.start = *card.start + shift;
    card.finish = finish;
    return card;
}

// The cells of a line of the split-times PDF (as pdftotext lays it out) under the columns whose
// headings start at `heads`: each text goes to the last column starting at or before it, its
// words joined without spaces ("2:30 (3)" is "2:30(3)"); what stands left of the first column
// (place and name) is dropped.
QStringList cellsUnder(const QString &line, const QList<qsizetype> &heads)
{
    QStringList cells(heads.size());
    static const QRegularExpression word(QStringLiteral("\\S+"));
    for (auto words = word.globalMatch(line); words.hasNext();) {
        const QRegularExpressionMatch m = words.next();
        qsizetype column = -1;
        for (qsizetype k = 0; k < heads.size(); ++k)
            if (heads.at(k) <= m.capturedStart() + 1)
                column = k;
        if (column >= 0)
            cells[column] += m.captured();
    }
    return cells;
}

// Opens the picker and clicks its choice `text` in the list it pops up.
void chooseIn(const RaceDayWindow &w, QQuickItem *picker, const QString &text)
{
    w.click(picker);
    QQuickItem *choice = nullptr;
    QTRY_VERIFY2((choice = findVisibleItem(w.window,
                      [&](QQuickItem *i) {
                          if (!i->inherits("QQuickAbstractButton") || i->property("text").toString() != text)
                              return false;
                          for (QQuickItem *up = i->parentItem(); up; up = up->parentItem())
                              if (up->inherits("QQuickPopupItem"))
                                  return true;
                          return false;
                      })),
        qPrintable(text));
    w.click(choice);
}

} // namespace

class TestResultScreens : public QObject
{
    Q_OBJECT

    // Opens the actions menu of the row of `runner` and chooses `entry`.
    static void rowAction(RaceDayWindow &w, const QString &runner, const QString &entry)
    {
        w.click(w.itemIn(QStringLiteral("resultRow_") + runner, QStringLiteral("rowActionsButton")));
        w.click(entry);
    }
    // Clears the override of the row of `runner` from its actions menu, and closes the menu.
    static void clearOverride(RaceDayWindow &w, const QString &runner)
    {
        w.click(w.itemIn(QStringLiteral("resultRow_") + runner, QStringLiteral("rowActionsButton")));
        QQuickItem *clear = nullptr;
        QTRY_VERIFY((clear = findVisibleItem(w.window, [](QQuickItem *i) {
            return i->objectName() == QLatin1String("clearOverrideItem");
        })));
        // The item's own signal: a mouse click this soon after the menu opened may not reach it.
        QVERIFY(QMetaObject::invokeMethod(clear, "triggered"));
        QTest::keyClick(w.window, Qt::Key_Escape);
    }

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        useTestSettings("tst_resultscreens");
        // Clock times on the sheets are shown in the system's zone.
        qputenv("TZ", "UTC");
        tzset();
        if (!m_cups.start())
            QSKIP(qPrintable(m_cups.error()));
        QVERIFY(m_cups.addFileQueue(QStringLiteral("receipts")));
        QVERIFY(m_cups.addFileQueue(QStringLiteral("jammed")));
        m_cups.reject(QStringLiteral("jammed"));
    }
    void cleanupTestCase() { m_cups.stop(); }

    void raceDayInTheWindow_data() { addLanguageRows(); }
    void raceDayInTheWindow()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(eventWithOpenEntries());
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("resultDetail"), QStringLiteral("outstandingDetail"),
                QStringLiteral("classFilterLabel"), QStringLiteral("recentRunnerName"),
                QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            app.receiptSettings().setPrinterName(QStringLiteral("receipts"));
            app.receiptSettings().setAutoPrint(true);

            // The Status list before any card: Ida and the two entries without a card are out.
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(w.item(QStringLiteral("outstandingRow_Lone Wolf")));
            QCOMPARE(w.item(QStringLiteral("outstandingCount"))->property("text").toString(),
                localized(QStringLiteral("%@ participant(s)"), 3));
            w.shot(code + QStringLiteral("-status"));

            // The reader pane: a clean run read twice (the panel says so; the identical reading
            // keeps one result), a mispunch (never a clean-looking time) and a card nobody holds.
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(simCard(2000001));
            QVERIFY(!w.item(QStringLiteral("cardReadToast")));
            w.read(simCard(2000001));
            QTRY_VERIFY(w.item(QStringLiteral("panelRepeat")));
            w.shot(code + QStringLiteral("-reader-repeat"));
            w.read(simCard(2000004, true));
            QCOMPARE(app.raceDay()->cardPanelVariant().value(QStringLiteral("verdictText")),
                localized(QStringLiteral("MISPUNCH")));
            QVERIFY(findVisibleItem(window, [](QQuickItem *item) {
                return item->objectName() == QLatin1String("recentStatus")
                    && item->property("text") == localized(QStringLiteral("MISPUNCH"));
            }));
            w.shot(code + QStringLiteral("-reader-mispunch"));
            QCOMPARE(w.store->race().results.size(), 6);
            w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);

            // The station pulled: said plainly until it is connected again.
            w.unplug();
            QTRY_VERIFY(w.item(QStringLiteral("stationProblemText")));
            w.shot(code + QStringLiteral("-reader-station-lost"));
            QVERIFY(w.replug());
            app.reader().connectPort(w.station.devicePath());
            QTRY_VERIFY(app.reader().connectionState().isConnected());
            QVERIFY(!w.item(QStringLiteral("stationProblemText")));

            // Over another section the toast shows the last reading, until 10 s after it.
            app.content().setSelectedItem(SidebarItem::Results);
            QTRY_VERIFY(w.item(QStringLiteral("registerButton")));
            w.shot(code + QStringLiteral("-toast-unmatched"));
            w.clock->advance(std::chrono::seconds(10));
            QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));

            // Results: Karen's mispunch forced completed with a reason typed in the prompt.
            QTRY_VERIFY(w.item(QStringLiteral("resultRow_Karen Bech")));
            w.shot(code + QStringLiteral("-results"));
            rowAction(w, QStringLiteral("Karen Bech"), QStringLiteral("forceCompletedItem"));
            QTRY_VERIFY(w.item(QStringLiteral("overrideDialog")));
            w.typeInto(QStringLiteral("overrideReasonField"), QStringLiteral("control 32 broken"));
            shoot(window, code + QStringLiteral("-override"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("overrideDialog")));
            const PersonResult *karen = nullptr;
            for (const PersonResult &r : w.store->race().results)
                if (r.cardNumber == QLatin1String("2000004") && r.completedOverride)
                    karen = &r;
            QVERIFY(karen);
            QCOMPARE(karen->overrideNote, QStringLiteral("control 32 broken"));
            QTRY_VERIFY(w.item(QStringLiteral("overrideMark")));

            // Mette's card held for review (its finish before its start): forcing it asks for the
            // organiser's own reason, not the evaluation's note; clearing holds it for review again.
            PersonResult held = *resultOf(w.store->race(), QStringLiteral("2000003"));
            const QDateTime start(QDate(2025, 5, 17), QTime(10, 10), Qt::UTC);
            held.punches = QList<SIPunch> {SIPunch {QUuid::createUuid(), 31, start.addSecs(-540)},
                SIPunch {QUuid::createUuid(), 32, start.addSecs(-420)}};
            held.startTime = start;
            held.finishTime = start.addSecs(-300);
            w.store->reevaluateResult(held);
            const std::optional<QString> review
                = resultOf(w.store->race(), QStringLiteral("2000003"))->overrideNote;
            QVERIFY(review);
            rowAction(w, QStringLiteral("Mette Lund"), QStringLiteral("forceCompletedItem"));
            QTRY_VERIFY(w.item(QStringLiteral("overrideDialog")));
            QCOMPARE(w.item(QStringLiteral("overrideReasonField"))->property("text").toString(), QString());
            w.typeInto(QStringLiteral("overrideReasonField"), QStringLiteral("seen at the finish"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("overrideDialog")));
            QCOMPARE(resultOf(w.store->race(), QStringLiteral("2000003"))->overrideNote,
                QStringLiteral("seen at the finish"));
            QTRY_VERIFY(w.itemIn(QStringLiteral("resultRow_Mette Lund"), QStringLiteral("overrideMark")));
            clearOverride(w, QStringLiteral("Mette Lund"));
            QTRY_VERIFY(!resultOf(w.store->race(), QStringLiteral("2000003"))->completedOverride);
            QCOMPARE(resultOf(w.store->race(), QStringLiteral("2000003"))->overrideNote, review);
            w.shot(code + QStringLiteral("-override-cleared"));

            // Deleting is confirmed first; Escape keeps the result.
            const qsizetype results = w.store->race().results.size();
            rowAction(w, QStringLiteral("Karen Bech"), QStringLiteral("deleteResultItem"));
            QTRY_VERIFY(w.item(QStringLiteral("deleteResultDialog")));
            shoot(window, code + QStringLiteral("-delete-result"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("deleteResultDialog")));
            QCOMPARE(w.store->race().results.size(), results);

            // A receipt again: it reaches the queue. Then on a queue that refuses jobs: the result
            // stays and the screen says why.
            const qsizetype jobs = m_cups.jobIds().size();
            rowAction(w, QStringLiteral("Ida Holm"), QStringLiteral("printReceiptItem"));
            QTRY_COMPARE(m_cups.jobIds().size(), jobs + 1);
            QVERIFY(!w.item(QStringLiteral("printProblemText")));
            app.receiptSettings().setPrinterName(QStringLiteral("jammed"));
            rowAction(w, QStringLiteral("Ida Holm"), QStringLiteral("printReceiptItem"));
            QTRY_VERIFY(w.item(QStringLiteral("printProblemText")));
            QVERIFY(w.item(QStringLiteral("printProblemText"))
                        ->property("text")
                        .toString()
                        .contains(QLatin1String("jammed")));
            QCOMPARE(w.store->race().results.size(), results);
            shoot(window, code + QStringLiteral("-results-print-failed"));

            // The split times of Ida's run; the runner deleted while they are on screen: the
            // sheet says "Unknown", the result stays, Return closes.
            w.click(QStringLiteral("resultRow_Ida Holm"));
            QTRY_VERIFY(w.item(QStringLiteral("splitSheetClose")));
            QCOMPARE(w.item(QStringLiteral("splitSheetTitle"))->property("text").toString(),
                QStringLiteral("Ida Holm"));
            QVERIFY(w.item(QStringLiteral("finishLineLabel")));
            w.shot(code + QStringLiteral("-split-times"));
            w.store->deleteParticipant(runnerNamed(w.store->race(), QStringLiteral("Ida"))->id);
            QTRY_COMPARE(
                w.valueOf(QStringLiteral("splitSheetTitle"), "text").toString(), QStringLiteral("Unknown"));
            QVERIFY(resultOf(w.store->race(), QStringLiteral("2000001")));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("splitSheetClose")));

            // The card nobody holds: from the reader pane to the sheet listing the entries
            // without a card that run its course.
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);
            QTRY_VERIFY(w.item(QStringLiteral("registerButton")));
            w.click(QStringLiteral("registerButton"));
            QTRY_VERIFY(w.item(QStringLiteral("candidate_Lone Wolf")));
            w.shot(code + QStringLiteral("-unmatched-sheet"));
            auto *sheet = window->findChild<UnmatchedCardSheet *>();
            QVERIFY(sheet);

            if (languageIndex == 0) {
                // An entry gone before "Assign card": the sheet keeps the card and says so.
                const Participant gone = *runnerNamed(w.store->race(), QStringLiteral("Per"));
                w.store->deleteParticipant(gone.id);
                sheet->assignCard(gone.id.toString());
                QTRY_VERIFY(w.item(QStringLiteral("unmatchedSheetNotice")));
                QVERIFY(sheet->card());
                shoot(window, code + QStringLiteral("-unmatched-entry-gone"));
                // Assigned to Lone Wolf: the reading is his result and the Status list shrinks.
                w.click(w.itemIn(QStringLiteral("candidate_Lone Wolf"), QStringLiteral("assignCardButton")));
                QTRY_VERIFY(!w.item(QStringLiteral("unmatchedCardSheet")));
                const PersonResult *wolf = resultOf(w.store->race(), QStringLiteral("2000099"));
                QVERIFY(wolf);
                QCOMPARE(wolf->participantId, runnerNamed(w.store->race(), QStringLiteral("Lone"))->id);
                app.content().setSelectedItem(SidebarItem::Pending);
                QTRY_VERIFY(!w.item(QStringLiteral("outstandingRow_Lone Wolf")));
                QCOMPARE(w.item(QStringLiteral("outstandingCount"))->property("text").toString(),
                    localized(QStringLiteral("%@ participant(s)"), 0));
            } else {
                // A new runner instead, whose card number is changed in the editor: the reading is
                // recorded for them all the same.
                w.click(QStringLiteral("registerNewButton"));
                QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
                w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Nina"));
                w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Dal"));
                w.typeInto(QStringLiteral("cardNumberField"), QStringLiteral("7000123"));
                shoot(window, code + QStringLiteral("-unmatched-new-runner"));
                w.click(QStringLiteral("participantSave"));
                QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                const Participant *nina = runnerNamed(w.store->race(), QStringLiteral("Nina"));
                QVERIFY(nina);
                const PersonResult *read = resultOf(w.store->race(), QStringLiteral("7000123"));
                QVERIFY(read);
                QCOMPARE(read->participantId, nina->id);
                QCOMPARE(read->finishTime, simCardFinish(w));
            }

            // On a slave nothing the master's next race would undo is offered, and each screen
            // says why.
            w.store->stationSettings()->setRole(StationRole::Slave);
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(w.item(QStringLiteral("markingNotice")));
            shoot(window, code + QStringLiteral("-status-slave"));
            app.content().setSelectedItem(SidebarItem::Results);
            QTRY_VERIFY(w.item(QStringLiteral("correctionNotice")));
            QVERIFY(!shownResultsScreen(window)->canCorrect());
            shoot(window, code + QStringLiteral("-results-slave"));
            w.read(simCard(2000098), RaceDayDesk::CardStatus::Unmatched);
            app.raceDay()->registerShownCard();
            QTRY_VERIFY(w.item(QStringLiteral("unmatchedSheetNotice")));
            QVERIFY(!w.item(QStringLiteral("registerNewButton")));
            shoot(window, code + QStringLiteral("-unmatched-slave"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!app.raceDay()->hasUnmatchedCard());
            w.store->stationSettings()->setRole(StationRole::Standalone);

            // The generated event: both sections, the overall standings and a split sheet.
            w.store->setRace(generateRace());
            app.content().setSelectedItem(SidebarItem::Introduction);
            app.content().setSelectedItem(SidebarItem::Results);
            QTRY_VERIFY(w.item(QStringLiteral("resultsList")));
            QTRY_VERIFY(w.item(QStringLiteral("rowActionsButton")));
            w.shot(code + QStringLiteral("-results-generated"));
            w.click(QStringLiteral("stageChip___overall__"));
            QTRY_VERIFY(w.item(QStringLiteral("overallStages")));
            shoot(window, code + QStringLiteral("-overall-generated"));
            shownResultsScreen(window)->selectStage(w.store->race().stages.first().id);
            QTRY_VERIFY(w.item(QStringLiteral("rowActionsButton")));
            QTest::keyClick(window, Qt::Key_Tab);
            const QList<QQuickItem *> stops = uichecks::tabCycle(window);
            QVERIFY2(stops.size() >= 4, qPrintable(uichecks::describe(stops)));
            shownResultsScreen(window)->showDetail(
                shownResultsScreen(window)->lines()->lines().at(1).resultId);
            QTRY_VERIFY(w.item(QStringLiteral("splitSheetClose")));
            shoot(window, code + QStringLiteral("-split-times-generated"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("splitSheetClose")));
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(w.item(QStringLiteral("outstandingList")));
            w.click(QStringLiteral("group_all"));
            QTRY_VERIFY(w.item(QStringLiteral("statusPicker")));
            w.shot(code + QStringLiteral("-status-generated"));

            // A score class over two days: the overall standings rank those who finished both by
            // their summed points and show them; a day held for review (a finish before the start)
            // takes the place away and says so. The overall PDF and IOF list say the same.
            w.store->setRace(testEvent(QStringLiteral("app/two-day-score.json")));
            app.content().setSelectedItem(SidebarItem::Results);
            w.click(QStringLiteral("stageChip___overall__"));
            QTRY_VERIFY(w.item(QStringLiteral("overallPoints")));
            for (const auto &[runner, place, points, total, word] :
                {std::tuple {"Ann Berg", "1.", 240, "1:53:00", "ALL STAGES"},
                    {"Bo Dahl", "2.", 234, "2:00:00", "ALL STAGES"},
                    {"Dorte Kjærgaard-Østergaard", "3.", 140, "1:21:00", "ALL STAGES"},
                    {"Cy Eng", "", -1, "—", "FOR REVIEW"}}) {
                QQuickItem *name
                    = findVisibleItem(window, [runner = QString::fromUtf8(runner)](QQuickItem *i) {
                          return i->property("text").toString() == runner;
                      });
                QVERIFY2(name, runner);
                QStringList want {QString::fromUtf8(total), localized(QString::fromUtf8(word)),
                    points < 0 ? localized(QStringLiteral("—"))
                               : localized(QStringLiteral("%@ pts"), points)};
                if (*place)
                    want.append(QString::fromUtf8(place));
                const QStringList shown = shownTexts(name->parentItem());
                for (const QString &text : want)
                    QVERIFY2(shown.contains(text), qPrintable(text + u' ' + shown.join(u'|')));
                if (!*place)
                    QVERIFY2(shown.filter(QRegularExpression(QStringLiteral("^\\d+\\.$"))).isEmpty(),
                        qPrintable(shown.join(u'|')));
            }
            w.clock->advance(std::chrono::seconds(10));
            QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
            w.shot(code + QStringLiteral("-overall-score"));
            auto *screen = shownResultsScreen(window);
            const QString pdf = w.dir.filePath(code + QStringLiteral("-overall-score.pdf"));
            QVERIFY(screen->exportTo(int(ResultExportKind::ResultsPDF), QUrl::fromLocalFile(pdf)));
#ifdef VEXLO_SCREENSHOT_DIR
            run(QStringLiteral("pdftoppm"),
                {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"), pdf,
                    QStringLiteral(VEXLO_SCREENSHOT_DIR "/") + code + QStringLiteral("-overall-score-pdf")});
#endif
            const QString pdfText = pdftest::text(pdf);
            QVERIFY2(pdfText.split(u'\n').filter(QStringLiteral("Ann Berg")).join(u'|').simplified()
                    == QStringLiteral("1 Ann Berg 240 1:53:00 ") + localized(QStringLiteral("ALL STAGES")),
                qPrintable(pdfText));
            const QString xmlPath = w.dir.filePath(code + QStringLiteral("-overall-score.xml"));
            QVERIFY(screen->exportTo(int(ResultExportKind::ResultsXML), QUrl::fromLocalFile(xmlPath)));
            QFile xml(xmlPath);
            QVERIFY(xml.open(QIODevice::ReadOnly));
            const QByteArray bytes = xml.readAll();
            VERIFY_IOF_VALID(bytes);
            QCOMPARE(iofRunners(bytes),
                (QStringList {QStringLiteral("Ann 6780 #1 OK"), QStringLiteral("Bo 7200 #2 OK"),
                    QStringLiteral("Dorte 4860 #3 OK"), QStringLiteral("Cy Finished")}));
            QVERIFY2(bytes.contains("<Status>OK</Status>\n        <Score>240</Score>"), bytes.constData());
        }
        verifyNoQmlProblems();
    }

    // The day chips from the keyboard, as a segmented picker: an arrow moves the keyboard along
    // them and chooses nothing; Return, Enter and Space choose. The class filter is drawn as a
    // button, shows the keyboard's focus, and opens with Return; a class chosen from its menu by
    // the keyboard filters the list. In both languages at the minimum size.
    void stageChipsAndClassFilterFromTheKeyboard_data()
    {
        addLanguageRows();
    }
    void stageChipsAndClassFilterFromTheKeyboard()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(testEvent(QStringLiteral("app/two-day-score.json")));
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            w.app->content().setSelectedItem(SidebarItem::Results);
            const QStringList chips {QStringLiteral("stageChip_s1"), QStringLiteral("stageChip_s2"),
                QStringLiteral("stageChip___overall__")};
            // The chip chosen, and the one the keyboard is on.
            const auto chosen = [&] {
                for (const QString &name : chips) {
                    QQuickItem *chip = w.item(name);
                    if (chip
                        && chip->property("modelData").toMap().value(QStringLiteral("selected")).toBool())
                        return name;
                }
                return QString();
            };
            const auto focused = [&] {
                QQuickItem *focus = window->activeFocusItem();
                return focus ? focus->objectName() : QString();
            };
            QTRY_COMPARE(chosen(), QStringLiteral("stageChip_s2"));
            w.item(QStringLiteral("stageChip_s1"))->forceActiveFocus(Qt::TabFocusReason);
            QVERIFY(w.item(QStringLiteral("stageChip_s1"))->property("visualFocus").toBool());
            struct Step
            {
                Qt::Key key;
                Qt::KeyboardModifiers modifiers;
                const char *focus;
                const char *chosen;
            };
            const Step steps[] = {{Qt::Key_Right, Qt::NoModifier, "stageChip_s2", "stageChip_s2"},
                {Qt::Key_Right, Qt::NoModifier, "stageChip___overall__", "stageChip_s2"},
                {Qt::Key_Return, Qt::NoModifier, "stageChip___overall__", "stageChip___overall__"},
                {Qt::Key_Left, Qt::NoModifier, "stageChip_s2", "stageChip___overall__"},
                {Qt::Key_Left, Qt::NoModifier, "stageChip_s1", "stageChip___overall__"},
                {Qt::Key_Left, Qt::NoModifier, "stageChip_s1", "stageChip___overall__"},
                {Qt::Key_Enter, Qt::KeypadModifier, "stageChip_s1", "stageChip_s1"},
                {Qt::Key_Right, Qt::NoModifier, "stageChip_s2", "stageChip_s1"},
                {Qt::Key_Space, Qt::NoModifier, "stageChip_s2", "stageChip_s2"}};
            for (const Step &step : steps) {
                QTest::keyClick(window, step.key, step.modifiers);
                QTRY_COMPARE(chosen(), QLatin1String(step.chosen));
                QCOMPARE(focused(), QLatin1String(step.focus));
            }
            w.shot(code + QStringLiteral("-results-chip-focus"));

            // The class filter: a framed button, not a bare label.
            QQuickItem *filter = w.item(QStringLiteral("classFilterButton"));
            QVERIFY(filter);
            QVERIFY(filter->inherits("QQuickButton"));
            QVERIFY(!filter->inherits("QQuickToolButton"));
            QVERIFY(!filter->property("flat").toBool());
            QVERIFY(w.itemIn(QStringLiteral("classFilterButton"), QStringLiteral("filterArrow")));
            const auto label
                = [&] { return w.item(QStringLiteral("classFilterLabel"))->property("text").toString(); };
            QCOMPARE(label(), localized(QStringLiteral("All classes")));
            filter->forceActiveFocus(Qt::TabFocusReason);
            QVERIFY(filter->property("visualFocus").toBool());
            w.shot(code + QStringLiteral("-results-filter-focus"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("classOption_W21 Score")));
            w.shot(code + QStringLiteral("-results-filter-menu"));
            // "All classes", then the class, chosen with Space as every menu item is.
            QTest::keyClick(window, Qt::Key_Down);
            QTest::keyClick(window, Qt::Key_Down);
            QTest::keyClick(window, Qt::Key_Space);
            QTRY_VERIFY(!w.item(QStringLiteral("classOption_W21 Score")));
            QTRY_COMPARE(label(), QStringLiteral("W21 Score"));
        }
        verifyNoQmlProblems();
    }

    // A runner marked as not starting on day 2 alone in the Status screen, its stage picker on day
    // 2: the mark is day 2's; day 1 shows it unmarked and keeps his result. Day 2's results list
    // him unplaced after the others, and the overall standings say why he has no place.
    void stageMarksInTheWindow_data()
    {
        addLanguageRows();
    }
    void stageMarksInTheWindow()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            Race race = testEvent(QStringLiteral("app/two-day-score.json"));
            const Participant bo = *std::find_if(race.participants.cbegin(), race.participants.cend(),
                [](const Participant &p) { return p.givenName == u"Bo"; });
            race.results.removeIf(
                [&bo](const PersonResult &r) { return r.participantId == bo.id && r.stageId == u"s2"; });
            RaceDayWindow w(race);
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("outstandingDetail"), QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(w.item(QStringLiteral("outstandingList")));
            w.click(QStringLiteral("group_all"));
            QQuickItem *stagePicker = nullptr;
            QTRY_VERIFY((stagePicker = w.item(QStringLiteral("outstandingStagePicker"))));
            QVERIFY(QMetaObject::invokeMethod(stagePicker, "picked", Q_ARG(QVariant, QStringLiteral("s2"))));
            QQuickItem *picker = nullptr;
            QTRY_VERIFY((
                picker = w.itemIn(QStringLiteral("outstandingRow_Bo Dahl"), QStringLiteral("statusPicker"))));
            QVERIFY(QMetaObject::invokeMethod(picker, "activated", Q_ARG(int, 1)));
            const auto boNow = [&w, &bo] {
                for (const Participant &p : w.store->race().participants)
                    if (p.id == bo.id)
                        return p;
                return Participant();
            };
            QTRY_COMPARE(boNow().statusByStage,
                std::optional<StageMap<ParticipantStatus>>({{QStringLiteral("s2"), ParticipantStatus::Dns}}));
            QVERIFY(!boNow().status);
            QTRY_COMPARE(w.itemIn(QStringLiteral("outstandingRow_Bo Dahl"), QStringLiteral("statusPicker"))
                             ->property("currentIndex")
                             .toInt(),
                1);
            w.shot(code + QStringLiteral("-status-day2-dns"));
            QVERIFY(QMetaObject::invokeMethod(stagePicker, "picked", Q_ARG(QVariant, QStringLiteral("s1"))));
            QTRY_COMPARE(w.itemIn(QStringLiteral("outstandingRow_Bo Dahl"), QStringLiteral("statusPicker"))
                             ->property("currentIndex")
                             .toInt(),
                0);

            const QString didNotStart = localized(QStringLiteral("DID NOT START"));
            const auto boLine = [window] {
                QQuickItem *name = findVisibleItem(
                    window, [](QQuickItem *i) { return i->property("text").toString() == u"Bo Dahl"; });
                return name ? shownTexts(name->parentItem()) : QStringList();
            };
            app.content().setSelectedItem(SidebarItem::Results);
            w.click(QStringLiteral("stageChip_s2"));
            QTRY_VERIFY2(boLine().contains(didNotStart), qPrintable(boLine().join(u'|')));
            QVERIFY2(boLine().filter(QRegularExpression(QStringLiteral("^\\d+\\.$"))).isEmpty(),
                qPrintable(boLine().join(u'|')));
            w.shot(code + QStringLiteral("-results-day2-dns"));
            // The day's results PDF and IOF list list him last, unplaced, without a time.
            auto *screen = shownResultsScreen(window);
            const auto exported = [&](ResultExportKind kind, const QString &name) {
                const QString path = w.dir.filePath(code + name);
                const bool ok = screen->exportTo(int(kind), QUrl::fromLocalFile(path));
#ifdef VEXLO_SCREENSHOT_DIR
                if (ok && path.endsWith(QLatin1String(".pdf")))
                    run(QStringLiteral("pdftoppm"),
                        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), path,
                            QStringLiteral(VEXLO_SCREENSHOT_DIR "/") + QFileInfo(path).baseName()});
#endif
                return ok ? path : QString();
            };
            const auto iofOf = [](const QString &path) {
                QFile file(path);
                return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            };
            const QString dayPdf = exported(ResultExportKind::ResultsPDF, QStringLiteral("-day2-dns.pdf"));
            QVERIFY(!dayPdf.isEmpty());
            const QStringList dayLines = pdftest::text(dayPdf).split(u'\n');
            QCOMPARE(dayLines.filter(QStringLiteral("Bo Dahl")).join(u'|').simplified(),
                QStringLiteral("Bo Dahl 3000002 — ") + didNotStart);
            const auto lineOf = [&dayLines](const char *name) {
                return dayLines.indexOf(dayLines.filter(QString::fromUtf8(name)).value(0));
            };
            // After Cy, the day's unplaced runner with a result.
            QVERIFY2(lineOf("Bo Dahl") > lineOf("Cy Eng") && lineOf("Cy Eng") > lineOf("Ann Berg"),
                qPrintable(dayLines.join(u'\n')));
            const QByteArray dayXml
                = iofOf(exported(ResultExportKind::ResultsXML, QStringLiteral("-day2-dns.xml")));
            VERIFY_IOF_VALID(dayXml);
            QCOMPARE(iofRunners(dayXml).constLast(), QStringLiteral("Bo DidNotStart"));
            w.click(QStringLiteral("stageChip_s1"));
            QTRY_VERIFY(w.item(QStringLiteral("resultRow_Bo Dahl")));
            w.click(QStringLiteral("stageChip___overall__"));
            QTRY_VERIFY2(boLine().contains(didNotStart), qPrintable(boLine().join(u'|')));
            QVERIFY2(boLine().filter(QRegularExpression(QStringLiteral("^\\d+\\.$"))).isEmpty(),
                qPrintable(boLine().join(u'|')));
            w.shot(code + QStringLiteral("-overall-dns"));
            const QString overallPdf
                = exported(ResultExportKind::ResultsPDF, QStringLiteral("-overall-dns.pdf"));
            QVERIFY(!overallPdf.isEmpty());
            QCOMPARE(pdftest::text(overallPdf)
                         .split(u'\n')
                         .filter(QStringLiteral("Bo Dahl"))
                         .join(u'|')
                         .simplified(),
                QStringLiteral("Bo Dahl — — ") + didNotStart);
            const QByteArray overallXml
                = iofOf(exported(ResultExportKind::ResultsXML, QStringLiteral("-overall-dns.xml")));
            VERIFY_IOF_VALID(overallXml);
            QVERIFY2(iofRunners(overallXml).contains(QStringLiteral("Bo DidNotStart")),
                qPrintable(iofRunners(overallXml).join(u'|')));
        }
        verifyNoQmlProblems();
    }

    // Lines that come and go move nothing under the pointer: where Bo's "…" button and, in its
    // menu, "Print receipt" were before any line showed, a click after the export's saved line
    // and after a receipt's print failure hits the same row and the same item (his receipt
    // printed, nothing else opened). In both languages at the minimum size.
    void linesThatAppearMoveNothingUnderThePointer_data()
    {
        addLanguageRows();
    }
    void linesThatAppearMoveNothingUnderThePointer()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(eventWithOpenEntries());
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("resultDetail"), QStringLiteral("classFilterLabel"),
                QStringLiteral("recentRunnerName"), QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            app.receiptSettings().setAutoPrint(true);
            app.receiptSettings().setPrinterName(QStringLiteral("receipts"));
            app.content().setSelectedItem(SidebarItem::Results);
            const auto centreOf = [](QQuickItem *item) {
                return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
            };
            const auto boButton = [&] {
                return w.itemIn(QStringLiteral("resultRow_Bo Krag"), QStringLiteral("rowActionsButton"));
            };
            QTRY_VERIFY(boButton());
            const QString boResult
                = w.item(QStringLiteral("resultRow_Bo Krag"))->property("resultId").toString();
            QVERIFY(!boResult.isEmpty());
            w.settle();
            const QPoint buttonAt = centreOf(boButton());
            // The menu item shown at `at` once the menu has settled.
            const auto openMenuItemAt = [&](const QPoint &at) -> QQuickItem * {
                QQuickItem *print = nullptr;
                [&] {
                    QTRY_VERIFY(
                        (print = w.item(QStringLiteral("printReceiptItem"))) && uichecks::settled(print));
                }();
                w.settle();
                return findVisibleItem(window, [&](QQuickItem *i) {
                    return i->inherits("QQuickMenuItem")
                        && QRectF(i->mapToScene(QPointF(0, 0)), i->size()).contains(at);
                });
            };
            QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, buttonAt);
            QVERIFY(openMenuItemAt(buttonAt + QPoint(0, 40)));
            const QPoint printAt = centreOf(w.item(QStringLiteral("printReceiptItem")));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QStringLiteral("printReceiptItem")));

            // The click at the same two places prints a receipt of Bo's on `printer`.
            const auto printAtTheSamePlaces = [&](const QString &printer) {
                app.receiptSettings().setPrinterName(printer);
                QCOMPARE(centreOf(boButton()), buttonAt);
                QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, buttonAt);
                QQuickItem *hit = openMenuItemAt(printAt);
                QCOMPARE(
                    w.item(QStringLiteral("resultsView"))->property("menuResultId").toString(), boResult);
                QVERIFY(hit);
                QCOMPARE(hit->objectName(), QStringLiteral("printReceiptItem"));
                QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, printAt);
                QTRY_VERIFY(!w.item(QStringLiteral("printReceiptItem")));
                QVERIFY(!w.item(QStringLiteral("splitSheetClose")));
            };

            // The export's saved line.
            auto *screen = shownResultsScreen(window);
            QVERIFY(screen);
            QVERIFY(screen->exportTo(int(ResultExportKind::ResultsXML),
                QUrl::fromLocalFile(w.dir.filePath(QStringLiteral("results.xml")))));
            QTRY_VERIFY(w.item(QStringLiteral("exportSavedText")));
            w.shot(code + QStringLiteral("-results-saved-line"));
            const qsizetype jobs = m_cups.jobIds().size();
            printAtTheSamePlaces(QStringLiteral("receipts"));
            QTRY_COMPARE(m_cups.jobIds().size(), jobs + 1);

            // A receipt that does not print: its line as well, then a receipt that prints.
            printAtTheSamePlaces(QStringLiteral("jammed"));
            QTRY_VERIFY(w.item(QStringLiteral("printProblemText")));
            QVERIFY(w.item(QStringLiteral("exportSavedText")));
            w.shot(code + QStringLiteral("-results-two-lines"));
            printAtTheSamePlaces(QStringLiteral("receipts"));
            QTRY_COMPARE(m_cups.jobIds().size(), jobs + 2);
        }
        verifyNoQmlProblems();
    }

    // The reader pane of a two-day event once day 2 is the active stage: the day-1 reads listed
    // under the same class heading name their day, day 2's name none. In both languages.
    void twoDayReaderPaneNamesTheDay_data()
    {
        addLanguageRows();
    }
    void twoDayReaderPaneNamesTheDay()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(testEvent(QStringLiteral("app/two-day-verdicts.json")));
            VexloApp &app = *w.app;
            w.mayElide = {QStringLiteral("recentRunnerName"), QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            app.content().setSelectedItem(SidebarItem::Reader);
            // Each runner's row as "<name>: <day named>".
            const auto rows = [&] {
                QStringList out;
                QList<QQuickItem *> names;
                for (QQuickItem *i : uichecks::visibleItems(w.item(QStringLiteral("recentResultsList"))))
                    if (i->objectName() == QLatin1String("recentRunnerName"))
                        names.append(i);
                uichecks::sortByPosition(names);
                for (QQuickItem *name : names) {
                    QQuickItem *day = findVisibleChild(name->parentItem(), QStringLiteral("recentStage"));
                    out.append(name->property("text").toString() + QStringLiteral(": ")
                        + (day ? day->property("text").toString() : QString()));
                }
                return out;
            };
            w.read(simCard(2000001));
            w.read(simCard(2000002));
            QTRY_COMPARE(rows(), (QStringList {QStringLiteral("Søren Ærø: "), QStringLiteral("Ida Holm: ")}));
            Race race = w.store->race();
            race.activeStageId = QStringLiteral("s2");
            w.store->setRace(race);
            w.clock->advance(std::chrono::hours(24));
            w.read(simCard(2000001));
            QTRY_COMPARE(rows(),
                (QStringList {QStringLiteral("Ida Holm: "), QStringLiteral("Søren Ærø: Etape 1"),
                    QStringLiteral("Ida Holm: Etape 1")}));
            w.shot(code + QStringLiteral("-reader-two-days"));
            // Day 1 active again: the day-2 read names its day instead.
            race = w.store->race();
            race.activeStageId = QStringLiteral("s1");
            w.store->setRace(race);
            QTRY_COMPARE(rows(),
                (QStringList {QStringLiteral("Ida Holm: Etape 2"), QStringLiteral("Søren Ærø: "),
                    QStringLiteral("Ida Holm: ")}));
        }
        verifyNoQmlProblems();
    }

    // Day 2 is being run while the event still reads into day 1: the reader pane says so and
    // switches at a click. Looking at day 1 then on every screen with a stage picker leaves the
    // reads on day 2. A runner marked as not started loses the mark with his read, and the toast
    // says so; one marked as not finished keeps it on the day's Results screen, IOF list and
    // overall, whatever her card says.
    void readsLandOnTheDayBeingRun_data()
    {
        addLanguageRows();
    }
    void readsLandOnTheDayBeingRun()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            // The store's clock on day 2's date, a second on at each look.
            auto tick = std::make_shared<qint64>(0);
            const auto dayTwo
                = [tick] { return QDateTime(QDate(2025, 6, 15), QTime(10, 30), Qt::UTC).addSecs((*tick)++); };
            RaceDayWindow w(testEvent(QStringLiteral("app/two-day-verdicts.json")), {}, dayTwo);
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("recentRunnerName"), QStringLiteral("portName"),
                QStringLiteral("resultDetail"), QStringLiteral("classFilterLabel"),
                QStringLiteral("outstandingDetail")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            const auto textOf = [&w](const char *name) {
                QQuickItem *item = w.item(QString::fromUtf8(name));
                return item ? item->property("text").toString() : QString();
            };
            app.content().setSelectedItem(SidebarItem::Reader);
            QTRY_COMPARE(textOf("wrongDayText"),
                localized(QStringLiteral("Card reads go to %@, dated %@, but %@ is dated today."),
                    QStringLiteral("Etape 1"), mediumDateText(QDate(2025, 6, 14)),
                    QStringLiteral("Etape 2")));
            QCOMPARE(textOf("switchToTodayButton"),
                localized(QStringLiteral("Switch to %@"), QStringLiteral("Etape 2")));
            w.shot(code + QStringLiteral("-reader-wrong-day"));
            w.click(QStringLiteral("switchToTodayButton"));
            QTRY_COMPARE(w.store->race().activeStageId, std::optional<QString>(QStringLiteral("s2")));
            QTRY_VERIFY(!w.item(QStringLiteral("wrongDayNotice")));
            QCOMPARE(textOf("readsGoTo"),
                localized(QStringLiteral("Card reads go to %@ (%@)"), QStringLiteral("Etape 2"),
                    mediumDateText(QDate(2025, 6, 15))));

            // Day 1 on every screen with a stage picker.
            for (const SidebarItem section : {SidebarItem::Classes, SidebarItem::Courses,
                     SidebarItem::Participants, SidebarItem::StartList}) {
                app.content().setSelectedItem(section);
                QQuickItem *picker = nullptr;
                QTRY_VERIFY((picker = w.item(QStringLiteral("stagePicker"))));
                if (section == SidebarItem::StartList) {
                    QVERIFY(QMetaObject::invokeMethod(picker, "activated", Q_ARG(int, 0)));
                    QTRY_COMPARE(picker->property("currentValue").toString(), QStringLiteral("s1"));
                } else {
                    QVERIFY(
                        QMetaObject::invokeMethod(picker, "picked", Q_ARG(QVariant, QStringLiteral("s1"))));
                    QTRY_COMPARE(picker->property("selectedId").toString(), QStringLiteral("s1"));
                }
                QCOMPARE(w.store->race().activeStageId, std::optional<QString>(QStringLiteral("s2")));
            }
            w.shot(code + QStringLiteral("-startlist-day1-while-day2-runs"));
            app.content().setSelectedItem(SidebarItem::Results);
            w.click(QStringLiteral("stageChip_s1"));
            app.content().setSelectedItem(SidebarItem::Pending);
            QQuickItem *statusPicker = nullptr;
            QTRY_VERIFY((statusPicker = w.item(QStringLiteral("outstandingStagePicker"))));
            QVERIFY(QMetaObject::invokeMethod(statusPicker, "picked", Q_ARG(QVariant, QStringLiteral("s1"))));

            // Read while the Status screen shows day 1: the read is day 2's, the toast says
            // nothing of another day.
            w.clock->advance(std::chrono::hours(24));
            w.read(simCard(2000001));
            QCOMPARE(resultOf(w.store->race(), QStringLiteral("2000001"))->stageId,
                std::optional<QString>(QStringLiteral("s2")));
            QTRY_VERIFY(w.item(QStringLiteral("cardReadToast")));
            QVERIFY(!w.item(QStringLiteral("panelDay")));
            QVERIFY(!w.item(QStringLiteral("panelMark")));

            // Søren marked as not started on day 2, then read.
            const auto runner = [&w](const char *card) {
                for (const Participant &p : w.store->race().participants)
                    if (p.cardNumber == QLatin1String(card))
                        return p;
                return Participant();
            };
            w.store->setParticipantStatus(runner("2000002").id, ParticipantStatus::Dns, QStringLiteral("s2"));
            app.content().setSelectedItem(SidebarItem::Classes);
            w.read(simCard(2000002));
            QTRY_COMPARE(textOf("panelMark"),
                localized(
                    QStringLiteral("This runner was marked as not started; the read removed the mark.")));
            QVERIFY(w.itemIn(QStringLiteral("cardReadToast"), QStringLiteral("panelMark")));
            QVERIFY(!statusOnStage(runner("2000002"), QStringLiteral("s2")));
            w.shot(code + QStringLiteral("-toast-not-started-read"));
            app.content().setSelectedItem(SidebarItem::Reader);
            QTRY_COMPARE(textOf("panelMark"),
                localized(
                    QStringLiteral("This runner was marked as not started; the read removed the mark.")));

            // Mette marked as not finished on day 2, then read: the mark stands.
            w.store->setParticipantStatus(runner("2000003").id, ParticipantStatus::Dnf, QStringLiteral("s2"));
            w.read(simCard(2000003));
            QTRY_COMPARE(textOf("panelMark"),
                localized(QStringLiteral(
                    "Marked as not finished on this stage: listed so until the mark is cleared.")));
            QCOMPARE(statusOnStage(runner("2000003"), QStringLiteral("s2")), ParticipantStatus::Dnf);
            w.shot(code + QStringLiteral("-reader-not-finished-read"));
            const QString didNotFinish = localized(QStringLiteral("DID NOT FINISH"));
            const auto metteLine = [window] {
                QQuickItem *name = findVisibleItem(
                    window, [](QQuickItem *i) { return i->property("text").toString() == u"Mette Lund"; });
                return name ? shownTexts(name->parentItem()) : QStringList();
            };
            app.content().setSelectedItem(SidebarItem::Results);
            // The toast of her read names her too.
            QTRY_VERIFY(w.item(QStringLiteral("cardReadToast")));
            w.click(QStringLiteral("closeToast"));
            QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
            w.click(QStringLiteral("stageChip_s2"));
            QTRY_VERIFY2(metteLine().contains(didNotFinish), qPrintable(metteLine().join(u'|')));
            QVERIFY2(metteLine().filter(QRegularExpression(QStringLiteral("^\\d+\\.$"))).isEmpty(),
                qPrintable(metteLine().join(u'|')));
            w.shot(code + QStringLiteral("-results-day2-dnf-read"));
            auto *screen = shownResultsScreen(window);
            const QString xmlPath = w.dir.filePath(code + QStringLiteral("-day2-dnf.xml"));
            QVERIFY(screen->exportTo(int(ResultExportKind::ResultsXML), QUrl::fromLocalFile(xmlPath)));
            QFile xml(xmlPath);
            QVERIFY(xml.open(QIODevice::ReadOnly));
            const QByteArray dayXml = xml.readAll();
            VERIFY_IOF_VALID(dayXml);
            QVERIFY2(iofRunners(dayXml).contains(QStringLiteral("Mette DidNotFinish")),
                qPrintable(iofRunners(dayXml).join(u'|')));
            w.click(QStringLiteral("stageChip___overall__"));
            QTRY_VERIFY2(metteLine().contains(didNotFinish), qPrintable(metteLine().join(u'|')));
            QCOMPARE(w.store->race().activeStageId, std::optional<QString>(QStringLiteral("s2")));
        }
        verifyNoQmlProblems();
    }

    // A finish read before the runner has a start time, and a card read again with another
    // read-out, in the real window: the reader pane, the results list, the results PDF and the IOF
    // result list say the same of each, and the runner read twice is ranked once.
    void verdictsAgreeInTheWindow_data()
    {
        addLanguageRows();
    }
    void verdictsAgreeInTheWindow()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(raceDayEvent());
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("resultDetail"), QStringLiteral("recentRunnerName"),
                QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            const QString noStartTime = localized(QStringLiteral("NO START TIME"));

            // Ida's card without a start punch, and she has no start time: a whole run, no time.
            app.content().setSelectedItem(SidebarItem::Reader);
            SimCard noStart = simCard(2000001);
            noStart.start.reset();
            w.read(noStart);
            QCOMPARE(app.raceDay()->cardPanelVariant().value(QStringLiteral("verdictText")).toString(),
                noStartTime);
            w.shot(code + QStringLiteral("-reader-no-start-time"));
            // Bo Krag's card read again with another finish: the later read counts.
            SimCard again = simCard(2000005);
            again.finish = 10 * 3600 + 900;
            w.read(again);
            QTRY_VERIFY(w.item(QStringLiteral("panelRepeat")));
            // The recent results say of the earlier read what the Results screen says: one read of
            // Bo's marked, the one the later read supersedes (25:00), not the read again (15:00).
            QList<QQuickItem *> marks;
            findVisibleItem(window, [&marks](QQuickItem *item) {
                if (item->objectName() == QLatin1String("recentEarlierRead"))
                    marks.append(item);
                return false;
            });
            QCOMPARE(marks.size(), 1);
            QCOMPARE(
                marks[0]->property("text").toString(), localized(QStringLiteral("Earlier read, not ranked")));
            const QStringList marked = shownTexts(marks[0]->parentItem()->parentItem());
            QVERIFY2(marked.contains(QStringLiteral("Bo Krag")) && marked.contains(QStringLiteral("25:00"))
                    && !marked.contains(localized(QStringLiteral("Read again"))),
                qPrintable(marked.join(u'|')));
            w.shot(code + QStringLiteral("-reader-earlier-read"));

            app.content().setSelectedItem(SidebarItem::Results);
            QTRY_VERIFY(w.item(QStringLiteral("resultRow_Ida Holm")));
            w.clock->advance(std::chrono::seconds(10));
            QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
            const QStringList ida = shownTexts(w.item(QStringLiteral("resultRow_Ida Holm")));
            QVERIFY2(ida.contains(noStartTime), qPrintable(ida.join(u'|')));
            QVERIFY2(!ida.contains(QStringLiteral("1.")), qPrintable(ida.join(u'|')));
            // Bo's later read is ranked; the earlier one is listed under it, marked, without a place.
            QList<QQuickItem *> boRows;
            findVisibleItem(window, [&boRows](QQuickItem *item) {
                if (item->objectName() == QLatin1String("resultRow_Bo Krag"))
                    boRows.append(item);
                return false;
            });
            QCOMPARE(boRows.size(), 2);
            if (!shownTexts(boRows[0]).contains(QStringLiteral("1.")))
                std::swap(boRows[0], boRows[1]);
            const QStringList bo = shownTexts(boRows[0]);
            QVERIFY2(bo.contains(QStringLiteral("15:00")) && bo.contains(QStringLiteral("1.")),
                qPrintable(bo.join(u'|')));
            const QStringList earlier = shownTexts(boRows[1]);
            QVERIFY2(earlier.contains(localized(QStringLiteral("Earlier read, not ranked")))
                    && earlier.contains(QStringLiteral("25:00")) && !earlier.contains(QStringLiteral("1.")),
                qPrintable(earlier.join(u'|')));
            w.shot(code + QStringLiteral("-results-verdicts"));

            // The papers the screen exports say the same.
            const QString pdf = w.dir.filePath(code + QStringLiteral("-results.pdf"));
            QVERIFY(exportResults(ResultExportKind::ResultsPDF, w.store->race(), {}, pdf).ok);
            const QString text
                = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
            QCOMPARE(text.count(QStringLiteral("Bo Krag")), 1);
            const QString idaLine = text.split(u'\n').filter(QStringLiteral("Ida Holm")).value(0);
            QVERIFY2(
                idaLine.contains(noStartTime) && !idaLine.trimmed().startsWith(u'1'), qPrintable(idaLine));
#ifdef VEXLO_SCREENSHOT_DIR
            run(QStringLiteral("pdftoppm"),
                {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"),
                    QStringLiteral("-singlefile"), pdf,
                    QStringLiteral(VEXLO_SCREENSHOT_DIR "/") + code + QStringLiteral("-results-pdf")});
#endif
            const QString xmlPath = w.dir.filePath(code + QStringLiteral("-results.xml"));
            QVERIFY(exportResults(ResultExportKind::ResultsXML, w.store->race(), {}, xmlPath).ok);
            QFile xmlFile(xmlPath);
            QVERIFY(xmlFile.open(QIODevice::ReadOnly));
            const QByteArray xml = xmlFile.readAll();
            VERIFY_IOF_VALID(xml);
            const QStringList listed = iofRunners(xml);
            QVERIFY2(listed.contains(QStringLiteral("Ida Finished")), qPrintable(listed.join(u'|')));
            QVERIFY2(listed.contains(QStringLiteral("Bo 900 #1 OK")), qPrintable(listed.join(u'|')));
            QCOMPARE(listed.filter(QRegularExpression(QStringLiteral("^Bo "))).size(), 1);

            // The earlier read is deleted from its own row; the ranked read stays.
            const qsizetype results = w.store->race().results.size();
            QQuickItem *actions = nullptr;
            findVisibleItem(window, [&](QQuickItem *item) {
                if (item->objectName() != QLatin1String("rowActionsButton"))
                    return false;
                for (QQuickItem *up = item->parentItem(); up; up = up->parentItem())
                    if (up == boRows[1])
                        actions = item;
                return actions != nullptr;
            });
            QVERIFY(actions);
            w.click(actions);
            w.click(QStringLiteral("deleteResultItem"));
            QTRY_VERIFY(w.item(QStringLiteral("deleteResultDialog")));
            w.click(QStringLiteral("deleteConfirmButton"));
            QTRY_COMPARE(w.store->race().results.size(), results - 1);
            QTRY_VERIFY(!w.item(QStringLiteral("earlierReadMark")));
            QCOMPARE(resultOf(w.store->race(), QStringLiteral("2000005"))->raceTime, 900.0);
        }
        verifyNoQmlProblems();
    }

    // A two-day event in Danish, day by day as two-day-verdicts.tsv has it: a card read before
    // its runner has a start time, then the time typed in the start list; a card read twice; a
    // card held for review forced and cleared. The results list, the results and split-time PDFs,
    // the IOF result list and the receipts then show each runner once, in the same words, places
    // and times.
    void twoDayEventInTheWindow()
    {
        WindowTestScope scope;
        {
            RaceDayWindow w(testEvent(QStringLiteral("app/two-day-verdicts.json")));
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("resultDetail"), QStringLiteral("recentRunnerName"),
                QStringLiteral("portName"), QStringLiteral("classFilterLabel")};
            w.atMinimumSizeIn(1);
            int daysAfter = 0;
            for (const QStringList &cells : casetable::rows(QStringLiteral("app/two-day-verdicts.tsv"))) {
                const QString day = cells[0];
                const QString stage = cells[1];
                beginDay(w, stage, daysAfter);
                const QTime typed = QTime::fromString(cells[2], QStringLiteral("HHmm"));
                const auto secondOf = [](const QString &t) {
                    return QTime::fromString(t, QStringLiteral("HH:mm:ss")).msecsSinceStartOfDay() / 1000;
                };
                const auto metteOn = [&w, &stage]() -> const PersonResult * {
                    for (const PersonResult &r : w.store->race().results)
                        if (r.cardNumber == u"2000003" && r.stageId == stage)
                            return &r;
                    return nullptr;
                };

                // Ida first: no start record, no start time on the stage.
                app.content().setSelectedItem(SidebarItem::Reader);
                SimCard ida = simCard(2000001);
                ida.start.reset();
                w.read(ida);
                QCOMPARE(app.raceDay()->cardPanelVariant().value(QStringLiteral("verdictText")).toString(),
                    localized(QStringLiteral("NO START TIME")));
                w.shot(QStringLiteral("da-%1-reader-no-start-time").arg(day));
                w.read(simCard(2000002));
                SimCard mette = simCard(2000003);
                mette.finish = 10 * 3600 + 300 + 240; // before her start at 10:10
                w.read(mette);
                SimCard bo = simCard(2000005);
                bo.finish = secondOf(cells[3]);
                w.read(bo);
                bo.finish = secondOf(cells[4]);
                w.read(bo);
                w.shot(QStringLiteral("da-%1-reader-read-twice").arg(day));

                app.content().setSelectedItem(SidebarItem::Results);
                w.clock->advance(std::chrono::seconds(10));
                QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
                QTRY_VERIFY(w.item(QStringLiteral("resultRow_Ida Holm")));
                const QStringList before = shownTexts(w.item(QStringLiteral("resultRow_Ida Holm")));
                QVERIFY2(
                    before.contains(localized(QStringLiteral("NO START TIME"))) && !before.contains("1."),
                    qPrintable(before.join(u'|')));
                w.shot(QStringLiteral("da-%1-results-no-start-time").arg(day));

                // Ida's start time typed in the start list.
                app.content().setSelectedItem(SidebarItem::StartList);
                QQuickItem *name = nullptr;
                QTRY_VERIFY((name = findVisibleItem(window, [](QQuickItem *i) {
                    return i->objectName() == QLatin1String("runnerName")
                        && i->property("text").toString().contains(QLatin1String("Ida Holm"));
                })));
                QQuickItem *button = nullptr;
                for (QQuickItem *up = name; up && !button; up = up->parentItem())
                    button = findVisibleChild(up, QStringLiteral("startTimeButton"));
                w.click(button);
                QTRY_VERIFY(w.item(QStringLiteral("startTimeField"))
                    && w.item(QStringLiteral("startTimeField"))->hasActiveFocus());
                w.typeInto(w.item(QStringLiteral("startTimeField")), cells[2]);
                QTest::keyClick(window, Qt::Key_Return);
                QTRY_VERIFY(!w.item(QStringLiteral("startTimeEditSheet")));
                QCOMPARE(
                    w.store->scheduledStartTime(*runnerNamed(w.store->race(), QStringLiteral("Ida")))->time(),
                    typed);

                // Mette's card, held for review, forced completed and cleared again.
                app.content().setSelectedItem(SidebarItem::Results);
                QTRY_VERIFY(w.item(QStringLiteral("resultRow_Mette Lund")));
                auto *screen = shownResultsScreen(window);
                QVERIFY(screen);
                const auto exported = [&](ResultExportKind kind, const QString &suffix) {
                    const QString path = w.dir.filePath(day + suffix);
                    const bool ok = screen->exportTo(int(kind), QUrl::fromLocalFile(path));
                    return ok ? path : QString();
                };
                const std::optional<QString> review = metteOn()->overrideNote;
                QVERIFY(review);
                rowAction(w, QStringLiteral("Mette Lund"), QStringLiteral("forceCompletedItem"));
                QTRY_VERIFY(w.item(QStringLiteral("overrideDialog")));
                w.typeInto(QStringLiteral("overrideReasonField"), QStringLiteral("set i mål"));
                QTest::keyClick(window, Qt::Key_Return);
                QTRY_VERIFY(w.itemIn(QStringLiteral("resultRow_Mette Lund"), QStringLiteral("overrideMark")));
                w.shot(QStringLiteral("da-%1-results-forced").arg(day));
                // Forced completed without a time: the same word on paper and in the IOF list, no
                // place, no time.
                {
                    const QString pdf = exported(ResultExportKind::ResultsPDF, QStringLiteral("-forced.pdf"));
                    const QString line = run(
                        QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")})
                                             .split(u'\n')
                                             .filter(QStringLiteral("Mette Lund"))
                                             .join(u'|')
                                             .simplified();
                    QCOMPARE(line,
                        QStringLiteral("Mette Lund 2000003 — ") + localized(QStringLiteral("COMPLETED")));
                    QFile xml(exported(ResultExportKind::ResultsXML, QStringLiteral("-forced.xml")));
                    QVERIFY(xml.open(QIODevice::ReadOnly));
                    const QByteArray bytes = xml.readAll();
                    VERIFY_IOF_VALID(bytes);
                    QVERIFY(iofRunners(bytes).contains(QStringLiteral("Mette OK")));
                    QFile splits(exported(ResultExportKind::SplitsXML, QStringLiteral("-forced-splits.xml")));
                    QVERIFY(splits.open(QIODevice::ReadOnly));
                    VERIFY_IOF_VALID(splits.readAll());
                }
                clearOverride(w, QStringLiteral("Mette Lund"));
                QTRY_VERIFY(!metteOn()->completedOverride);

                // Every output of the stage.
                w.click(QStringLiteral("stageChip_") + stage);
                QTRY_VERIFY(w.item(QStringLiteral("resultRow_Ida Holm")));
                w.shot(QStringLiteral("da-%1-results").arg(day));
                const QString resultsPdf
                    = exported(ResultExportKind::ResultsPDF, QStringLiteral("-results.pdf"));
                const QString splitsPdf
                    = exported(ResultExportKind::SplitsPDF, QStringLiteral("-splits.pdf"));
                const QString xmlPath
                    = exported(ResultExportKind::ResultsXML, QStringLiteral("-results.xml"));
                QVERIFY(!resultsPdf.isEmpty() && !splitsPdf.isEmpty() && !xmlPath.isEmpty());
#ifdef VEXLO_SCREENSHOT_DIR
                for (const QString &pdf : {resultsPdf, splitsPdf})
                    run(QStringLiteral("pdftoppm"),
                        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"), pdf,
                            QStringLiteral(VEXLO_SCREENSHOT_DIR "/da-") + QFileInfo(pdf).baseName()});
                // The IOF list beside them, for a look with xmllint.
                QFile::remove(
                    QStringLiteral(VEXLO_SCREENSHOT_DIR "/da-") + day + QStringLiteral("-results.xml"));
                QFile::copy(xmlPath,
                    QStringLiteral(VEXLO_SCREENSHOT_DIR "/da-") + day + QStringLiteral("-results.xml"));
#endif
                const QStringList resultsText = run(
                    QStringLiteral("pdftotext"), {QStringLiteral("-layout"), resultsPdf, QStringLiteral("-")})
                                                    .split(u'\n');
                const QString splitsText = run(
                    QStringLiteral("pdftotext"), {QStringLiteral("-layout"), splitsPdf, QStringLiteral("-")});
                QFile xmlFile(xmlPath);
                QVERIFY(xmlFile.open(QIODevice::ReadOnly));
                const QByteArray xml = xmlFile.readAll();
                VERIFY_IOF_VALID(xml);
                const QStringList listed = iofRunners(xml);

                for (const QString &cell : cells.mid(5)) {
                    const QStringList want = cell.split(u'|');
                    QList<QQuickItem *> rows;
                    const QString runner = want[0] == u"earlier" ? QStringLiteral("Bo Krag") : want[0];
                    findVisibleItem(window, [&](QQuickItem *item) {
                        if (item->objectName() == QStringLiteral("resultRow_") + runner)
                            rows.append(item);
                        return false;
                    });
                    const QString earlierMark = localized(QStringLiteral("Earlier read, not ranked"));
                    if (want[0] == u"earlier") {
                        QCOMPARE(rows.size(), 2);
                        const QStringList shown
                            = shownTexts(shownTexts(rows[0]).contains(earlierMark) ? rows[0] : rows[1]);
                        QVERIFY2(shown.contains(want[1]) && !shown.contains(QStringLiteral("3.")),
                            qPrintable(day + u' ' + shown.join(u'|')));
                        QVERIFY2(!splitsText.contains(want[1]) || want[1] == u"15:00",
                            qPrintable(day + QStringLiteral(": earlier read in the split times")));
                        continue;
                    }
                    QList<QQuickItem *> counted;
                    for (QQuickItem *row : rows)
                        if (!shownTexts(row).contains(earlierMark))
                            counted.append(row);
                    QCOMPARE(counted.size(), 1);
                    const QStringList shown = shownTexts(counted[0]);
                    const QString place = want[1].isEmpty() ? QString() : want[1] + u'.';
                    const QString word = localized(want[3]);
                    const QString what = day + u' ' + runner + QStringLiteral(": ");
                    QVERIFY2(shown.contains(word), qPrintable(what + shown.join(u'|')));
                    if (!place.isEmpty())
                        QVERIFY2(shown.contains(place) && shown.contains(want[2]),
                            qPrintable(what + shown.join(u'|')));
                    else
                        QVERIFY2(!shown.filter(QRegularExpression(QStringLiteral("^\\d+\\.$"))).size(),
                            qPrintable(what + shown.join(u'|')));

                    // The results PDF: once, with the same word, place and time.
                    const QStringList lines = resultsText.filter(runner);
                    QVERIFY2(lines.size() == 1, qPrintable(what + lines.join(u'\n')));
                    const QString line = lines[0].simplified();
                    QVERIFY2(line.contains(want[2]) && line.contains(word)
                            && (place.isEmpty() ? !line.front().isDigit() : line.startsWith(want[1] + u' ')),
                        qPrintable(what + line));
                    // The split times: once.
                    QVERIFY2(splitsText.count(runner) == 1, qPrintable(what + splitsText));
                    // The IOF list: once, the same status, time and place.
                    const QString given = runner.section(u' ', 0, 0);
                    const QStringList mine = listed.filter(QRegularExpression(u'^' + given + u' '));
                    QString iof = given;
                    if (!want[5].isEmpty())
                        iof += u' ' + want[5];
                    if (!want[1].isEmpty())
                        iof += QStringLiteral(" #") + want[1];
                    iof += u' ' + want[4];
                    QCOMPARE(mine, QStringList {iof});
                    // The receipt (fixed English).
                    const PersonResult *counts = nullptr;
                    for (const PersonResult &r : w.store->race().results)
                        if (r.stageId == stage && r.participantId == runnerNamed(w.store->race(), given)->id
                            && (!counts || r.readAt > counts->readAt))
                            counts = &r;
                    QVERIFY(counts);
                    const QString receipt = renderReceiptHTML(*counts, w.store->race());
                    QVERIFY2(receipt.contains(QStringLiteral(">") + want[3] + QStringLiteral("<")),
                        qPrintable(what + receipt));
                    if (!want[5].isEmpty())
                        QVERIFY2(receipt.contains(QStringLiteral("Total time: ") + want[2]),
                            qPrintable(what + receipt));
                }
                QCOMPARE(metteOn()->overrideNote, review);
            }

            // The overall standings add up the reads that count: Bo's later read of each day.
            w.click(QStringLiteral("stageChip___overall__"));
            QTRY_VERIFY(w.item(QStringLiteral("overallStages")));
            w.shot(QStringLiteral("da-two-days-overall"));
            for (const auto &[runner, total] :
                {std::pair {"Ida Holm", "21:08"}, {"Søren Ærø", "25:08"}, {"Bo Krag", "35:00"}}) {
                QQuickItem *name
                    = findVisibleItem(window, [runner = QString::fromUtf8(runner)](QQuickItem *i) {
                          return i->property("text").toString() == runner;
                      });
                QVERIFY(name);
                const QStringList shown = shownTexts(name->parentItem());
                QVERIFY2(shown.contains(QString::fromUtf8(total)), qPrintable(shown.join(u'|')));
            }
        }
        verifyNoQmlProblems();
    }

    // A two-day event in Danish read through the station, as two-day-score-reads.tsv has it: a
    // card nobody holds registered as a new runner on the first day and read again on the second,
    // where the family gives her that day's course; a score class on both days, one runner over
    // time, one with a start typed wrong. Each day's results list, results and split-time PDFs
    // and IOF result list, and then the overall standings on screen, on paper and in IOF, agree.
    void scoreAndRegisteredRunnerOverTwoDays()
    {
        WindowTestScope scope;
        {
            RaceDayWindow w(testEvent(QStringLiteral("app/two-day-score-reads.json")));
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("resultDetail"), QStringLiteral("recentRunnerName"),
                QStringLiteral("portName"), QStringLiteral("classFilterLabel")};
            w.atMinimumSizeIn(1);
            const auto exported = [&w](ResultExportKind kind, const QString &name) {
                return exportedFromScreen(w, kind, name);
            };
            // Each expected runner as the screen, the results PDF and the IOF list show them.
            const auto verifyRunners = [&](const QString &what, const QStringList &cells,
                                           const QStringList &pdfLines, const QStringList &listed) {
                for (const QString &cell : cells) {
                    const QStringList want = cell.split(u'|');
                    const QString runner = want[0];
                    const QString of = what + u' ' + runner + QStringLiteral(": ");
                    // A day's row has seven cells; an overall one four, an unplaced one its word and
                    // IOF status after them.
                    const bool overall = want.size() != 7;
                    const QString points = overall ? want[3] : want[6];
                    const QString word = overall
                        ? localized(want[1].isEmpty() ? want.value(4) : QStringLiteral("ALL STAGES"))
                        : localized(want[3]);
                    const QStringList shown = rowShowing(window, runner);
                    QVERIFY2(shown.contains(word), qPrintable(of + shown.join(u'|')));
                    if (want[1].isEmpty())
                        QVERIFY2(shown.filter(QRegularExpression(QStringLiteral("^\\d+\\.$"))).isEmpty(),
                            qPrintable(of + shown.join(u'|')));
                    else
                        QVERIFY2(shown.contains(want[1] + u'.'), qPrintable(of + shown.join(u'|')));
                    // A day's score row gives the points in place of the time.
                    if (overall || points.isEmpty())
                        QVERIFY2(
                            want[1].isEmpty() || shown.contains(want[2]), qPrintable(of + shown.join(u'|')));
                    if (!points.isEmpty() && !want[1].isEmpty())
                        QVERIFY2(shown.contains(localized(QStringLiteral("%@ pts"), points.toInt())),
                            qPrintable(of + shown.join(u'|')));

                    const QStringList lines = pdfLines.filter(runner);
                    QVERIFY2(lines.size() == 1, qPrintable(of + pdfLines.join(u'\n')));
                    const QString line = lines[0].simplified();
                    QVERIFY2(line.contains(word)
                            && (want[1].isEmpty() ? !line.front().isDigit()
                                                  : line.startsWith(want[1] + u' ')
                                        && ((!overall && !points.isEmpty()) || line.contains(want[2]))),
                        qPrintable(of + line));
                    if (!points.isEmpty() && !want[1].isEmpty())
                        QVERIFY2(line.contains(u' ' + points + u' '), qPrintable(of + line));

                    const QString given = runner.section(u' ', 0, 0);
                    QString iof = given;
                    if (overall) {
                        int seconds = 0;
                        for (const QString &part : want[2].split(u':'))
                            seconds = seconds * 60 + part.toInt();
                        iof += want[1].isEmpty() ? u' ' + want.value(5)
                                                 : u' ' + QString::number(seconds) + QStringLiteral(" #")
                                + want[1] + QStringLiteral(" OK");
                    } else {
                        if (!want[5].isEmpty())
                            iof += u' ' + want[5];
                        if (!want[1].isEmpty())
                            iof += QStringLiteral(" #") + want[1];
                        iof += u' ' + want[4];
                    }
                    if (!points.isEmpty() && (overall ? !want[1].isEmpty() : true))
                        iof += u' ' + points + QStringLiteral(" pts");
                    QCOMPARE(listed.filter(QRegularExpression(u'^' + given + u' ')), QStringList {iof});
                }
            };

            int daysAfter = 0;
            for (const QStringList &cells : casetable::rows(QStringLiteral("app/two-day-score-reads.tsv"))) {
                const QString day = cells[0];
                if (day == u"overall") {
                    app.content().setSelectedItem(SidebarItem::Results);
                    w.click(QStringLiteral("stageChip___overall__"));
                    QTRY_VERIFY(w.item(QStringLiteral("overallPoints")));
                    w.shot(QStringLiteral("da-two-days-score-overall"));
                    const QString pdf = exported(ResultExportKind::ResultsPDF, QStringLiteral("overall.pdf"));
                    const QString xmlPath
                        = exported(ResultExportKind::ResultsXML, QStringLiteral("overall.xml"));
                    QVERIFY(!pdf.isEmpty() && !xmlPath.isEmpty());
                    QFile xml(xmlPath);
                    QVERIFY(xml.open(QIODevice::ReadOnly));
                    const QByteArray bytes = xml.readAll();
                    VERIFY_IOF_VALID(bytes);
                    verifyRunners(
                        day, cells.mid(3), pdftest::text(pdf).split(u'\n'), iofRunners(bytes, true));
                    continue;
                }
                const QString stage = cells[1];
                beginDay(w, stage, daysAfter);

                app.content().setSelectedItem(SidebarItem::Reader);
                for (const QString &read : cells[2].split(u' ')) {
                    SimCard card;
                    card.series = SimCard::Series::SI8;
                    card.number = read.section(u'=', 0, 0).toUInt();
                    const QStringList controls = read.section(u'=', 1).section(u'@', 0, 0).split(u',');
                    const auto secondOf = [](const QString &t) {
                        return QTime::fromString(t, QStringLiteral("HH:mm:ss")).msecsSinceStartOfDay() / 1000;
                    };
                    card.finish = secondOf(read.section(u'@', 1).section(u'+', 0, 0));
                    if (read.contains(u'+'))
                        card.start = secondOf(read.section(u'+', 1));
                    for (qsizetype i = 0; i < controls.size(); ++i)
                        card.punches.append(
                            SimPunch {controls[i].toInt(), *card.finish - 60 * int(controls.size() - i)});
                    const bool nobodys = card.number == 2000099;
                    const bool unknown = nobodys && !runnerNamed(w.store->race(), QStringLiteral("Nina"));
                    w.read(
                        card, unknown ? RaceDayDesk::CardStatus::Unmatched : RaceDayDesk::CardStatus::Result);
                    if (!unknown)
                        continue;
                    // Registered from the unmatched-card sheet, the class as it proposes it.
                    w.click(QStringLiteral("registerButton"));
                    QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
                    w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Nina"));
                    w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Dal"));
                    // The family's course of the day, under a label in the window's language.
                    QVERIFY(findVisibleItem(window,
                        [](QQuickItem *i) { return i->property("text").toString() == u"Bane, Etape 1"; }));
                    w.shot(QStringLiteral("da-two-days-score-register"));
                    // Save lies below the fold of the sheet at the smallest window: Tab brings it
                    // into view, and Return saves.
                    QQuickItem *save = w.item(QStringLiteral("participantSave"));
                    for (int i = 0; i < 30 && window->activeFocusItem() != save; ++i)
                        QTest::keyClick(window, Qt::Key_Tab);
                    QCOMPARE(window->activeFocusItem(), save);
                    QQuickItem *shown = w.item(QStringLiteral("participantScroller"));
                    QVERIFY(shown);
                    QTRY_VERIFY2(shown->mapRectToScene(shown->boundingRect())
                                     .contains(save->mapRectToScene(save->boundingRect())),
                        "Save out of view");
                    w.shot(QStringLiteral("da-two-days-score-register-save"));
                    QTest::keyClick(window, Qt::Key_Return);
                    QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                    const Participant *nina = runnerNamed(w.store->race(), QStringLiteral("Nina"));
                    QVERIFY(nina);
                    QCOMPARE(nina->classId, std::optional<QString>(QStringLiteral("h21")));
                    QCOMPARE(nina->courseId, std::optional<QString>());
                    QCOMPARE(nina->courseIdByStage,
                        std::optional<StageMap<QString>>(
                            StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("L1")}}));
                }
                w.shot(QStringLiteral("da-two-days-score-reader-") + day);

                app.content().setSelectedItem(SidebarItem::Results);
                w.clock->advance(std::chrono::seconds(10));
                QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
                w.click(QStringLiteral("stageChip_") + stage);
                QTRY_VERIFY(w.item(QStringLiteral("resultRow_Lise Bak")));
                w.shot(QStringLiteral("da-two-days-score-results-") + day);
                const QString resultsPdf
                    = exported(ResultExportKind::ResultsPDF, day + QStringLiteral("-score-results.pdf"));
                const QString splitsPdf
                    = exported(ResultExportKind::SplitsPDF, day + QStringLiteral("-score-splits.pdf"));
                const QString xmlPath
                    = exported(ResultExportKind::ResultsXML, day + QStringLiteral("-score-results.xml"));
                QVERIFY(!resultsPdf.isEmpty() && !splitsPdf.isEmpty() && !xmlPath.isEmpty());
                QFile xml(xmlPath);
                QVERIFY(xml.open(QIODevice::ReadOnly));
                const QByteArray bytes = xml.readAll();
                VERIFY_IOF_VALID(bytes);
                verifyRunners(
                    day, cells.mid(3), pdftest::text(resultsPdf).split(u'\n'), iofRunners(bytes, true));

                // The split times of H21 stand under the day's own controls, Nina's among them.
                const QStringList splitLines = pdftest::text(splitsPdf).split(u'\n');
                const QString total = localized(QStringLiteral("Total"));
                const QString controls
                    = (stage == u"s1" ? QStringLiteral("31 32 33 ") : QStringLiteral("41 42 43 ")) + total;
                QStringList controlRows;
                for (const QString &line : splitLines)
                    if (line.simplified().endsWith(total) && line.simplified().front().isDigit()
                        && line.simplified().startsWith(controls.left(2)))
                        controlRows.append(line.simplified());
                QCOMPARE(controlRows, QStringList({controls, controls}));
                QVERIFY2(splitLines.filter(QStringLiteral("Nina Dal")).size() == 1,
                    qPrintable(splitLines.join(u'\n')));
            }
        }
        verifyNoQmlProblems();
    }

    // A two-day event in Danish read through the station simulator, as two-day-splits-reads.tsv
    // has it: a control punched twice, a wrong control between two of the course, an SI5 card past
    // its 30 timed punches, a forked class, a runner marked "Ej start" for the second day only on
    // the Status screen, and a card nobody holds registered on the empty form, completed in the
    // participant editor and given its course on the Results screen. Each day's Results screen,
    // results and split-time PDFs, IOF result list and receipts, then the overall standings on
    // screen, on paper and in IOF, agree with the table. Every disagreement is collected, so that
    // one run names all of them.
    void splitTimesAndNonStartersOverTwoDays()
    {
        WindowTestScope scope;
        {
            RaceDayWindow w(testEvent(QStringLiteral("app/two-day-splits-reads.json")));
            VexloApp &app = *w.app;
            QQuickWindow *window = w.window;
            w.mayElide = {QStringLiteral("resultDetail"), QStringLiteral("recentRunnerName"),
                QStringLiteral("portName"), QStringLiteral("classFilterLabel"),
                QStringLiteral("outstandingDetail")};
            w.atMinimumSizeIn(1);
            QStringList faults;
            const auto expect = [&faults](bool holds, const QString &what) {
                if (holds)
                    return;
                qWarning().noquote() << what;
                faults.append(what);
            };
            static const QRegularExpression anyTime(QStringLiteral("\\d+:\\d\\d"));
            static const QRegularExpression place(QStringLiteral("^\\d+\\.$"));

            // A result row of the table (runner, place, time, word, IOF status, IOF seconds) on the
            // screen on show, in the results PDF's lines and in the IOF list's runners. `overall`
            // rows give the total time and the overall word.
            const auto verifyListed = [&](const QString &what, const QStringList &want, bool overall,
                                          const QStringList &pdfLines, const QStringList &iof) {
                const QString runner = want.value(0);
                const QString at = what + u' ' + runner + QStringLiteral(": ");
                const QString placed = want.value(1);
                const QString duration = want.value(2);
                const QString word = localized(want.value(3));
                const QString allStages = localized(QStringLiteral("ALL STAGES"));

                const QStringList shown = rowShowing(window, runner);
                expect(!shown.isEmpty(), at + QStringLiteral("not listed on the Results screen"));
                if (!shown.isEmpty()) {
                    expect(shown.contains(word), at + QStringLiteral("screen says ") + shown.join(u'|'));
                    if (placed.isEmpty())
                        expect(shown.filter(place).isEmpty() && (!overall || !shown.contains(allStages)),
                            at + QStringLiteral("placed on the screen: ") + shown.join(u'|'));
                    else
                        expect(shown.contains(placed + u'.') && shown.contains(duration),
                            at + QStringLiteral("screen says ") + shown.join(u'|'));
                }

                const QStringList lines = pdfLines.filter(runner);
                expect(lines.size() == 1, at + QStringLiteral("results PDF lines: ") + lines.join(u'|'));
                if (lines.size() == 1) {
                    const QString line = lines[0].simplified();
                    bool right = line.contains(word);
                    if (placed.isEmpty())
                        right = right && !line.front().isDigit() && !line.contains(allStages)
                            && (!duration.isEmpty() || !line.contains(anyTime));
                    else
                        right = right && line.startsWith(placed + u' ')
                            && line.contains(u' ' + duration + u' ');
                    expect(right, at + QStringLiteral("results PDF says ") + line);
                }

                const QString given = runner.section(u' ', 0, 0);
                QString listed = given;
                if (!want.value(5).isEmpty())
                    listed += u' ' + want.value(5);
                if (!placed.isEmpty())
                    listed += QStringLiteral(" #") + placed;
                listed += u' ' + want.value(4);
                const QStringList mine = iof.filter(QRegularExpression(u'^' + given + u' '));
                expect(mine == QStringList {listed},
                    at + QStringLiteral("IOF list has ") + mine.join(u'|') + QStringLiteral(", not ")
                        + listed);
            };

            // The day's outputs: its Results screen, results PDF and IOF result list.
            const auto verifyDay
                = [&](const QString &stage, const QString &what, const QList<QStringList> &rows) {
                      app.content().setSelectedItem(SidebarItem::Results);
                      w.clock->advance(std::chrono::seconds(10));
                      QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
                      w.click(QStringLiteral("stageChip_") + stage);
                      QTRY_VERIFY(w.item(QStringLiteral("resultsList")));
                      w.shot(QStringLiteral("da-splits-results-") + what);
                      const QString pdf = exportedFromScreen(w, ResultExportKind::ResultsPDF,
                          QStringLiteral("reads-") + what + QStringLiteral("-results.pdf"));
                      const QString xmlPath = exportedFromScreen(w, ResultExportKind::ResultsXML,
                          QStringLiteral("reads-") + what + QStringLiteral("-results.xml"));
                      QVERIFY(!pdf.isEmpty() && !xmlPath.isEmpty());
                      QFile xml(xmlPath);
                      QVERIFY(xml.open(QIODevice::ReadOnly));
                      const QByteArray bytes = xml.readAll();
                      VERIFY_IOF_VALID(bytes);
                      const QStringList pdfLines = pdftest::text(pdf).split(u'\n');
                      for (const QStringList &row : rows)
                          verifyListed(what, row, false, pdfLines, iofRunners(bytes));
                      // The IOF list with split times says of each result what the plain list says.
                      QFile splits(exportedFromScreen(w, ResultExportKind::SplitsXML,
                          QStringLiteral("reads-") + what + QStringLiteral("-splits.xml")));
                      QVERIFY(splits.open(QIODevice::ReadOnly));
                      const QByteArray splitBytes = splits.readAll();
                      VERIFY_IOF_VALID(splitBytes);
                      expect(iofRunners(splitBytes) == iofRunners(bytes),
                          what + QStringLiteral(": the IOF list with split times has ")
                              + iofRunners(splitBytes).join(u'|') + QStringLiteral(", the plain list ")
                              + iofRunners(bytes).join(u'|'));
                      // A runner who did not start or finish comes after the others of the class:
                      // no runner of the day is listed below them before the next class's heading.
                      const QString heading = localized(QStringLiteral("Name"));
                      for (const QStringList &row : rows) {
                          if (row.value(4) != u"DidNotStart" && row.value(4) != u"DidNotFinish")
                              continue;
                          qsizetype own = -1;
                          for (qsizetype i = 0; own < 0 && i < pdfLines.size(); ++i)
                              if (pdfLines.at(i).contains(row.value(0)))
                                  own = i;
                          for (qsizetype i = own + 1; own >= 0 && i < pdfLines.size(); ++i) {
                              if (pdfLines.at(i).contains(heading))
                                  break;
                              for (const QStringList &other : rows)
                                  expect(!pdfLines.at(i).contains(other.value(0)),
                                      what + u' ' + row.value(0) + QStringLiteral(": listed above ")
                                          + other.value(0) + QStringLiteral(" in the results PDF"));
                          }
                      }
                  };

            // The split-times PDF of the day: each runner's lines under the control row above them.
            const auto verifySplits = [&](const QString &stage, const QList<QStringList> &rows) {
                const QString pdf = exportedFromScreen(w, ResultExportKind::SplitsPDF,
                    QStringLiteral("reads-") + stage + QStringLiteral("-splits.pdf"));
                QVERIFY(!pdf.isEmpty());
                const QStringList lines = pdftest::text(pdf).split(u'\n');
                const QString total = localized(QStringLiteral("Total"));
                // A control row: codes only, or anything ending in the total's heading. Codes have
                // two or three digits (a course's name before them may end in a number).
                static const QRegularExpression codesOnly(QStringLiteral("^\\d+( \\d+)*$"));
                static const QRegularExpression code(QStringLiteral("\\b\\d{2,3}\\b"));
                const auto isControlRow = [&](const QString &line) {
                    const QString text = line.simplified();
                    return !text.isEmpty() && (text.endsWith(total) || codesOnly.match(text).hasMatch());
                };
                for (const QStringList &row : rows) {
                    const QString runner = row.value(0);
                    const QString at
                        = stage + QStringLiteral(" split times ") + runner + QStringLiteral(": ");
                    qsizetype named = -1;
                    for (qsizetype i = 0; i < lines.size(); ++i)
                        if (lines.at(i).contains(runner))
                            named = named == -1 ? i : -2;
                    expect(named >= 0, at + QStringLiteral("not on exactly one line"));
                    if (named < 0)
                        continue;
                    qsizetype heading = named - 1;
                    while (heading >= 0 && !isControlRow(lines.at(heading)))
                        --heading;
                    qsizetype legsAt = named + 1;
                    while (legsAt < lines.size() && lines.at(legsAt).simplified().isEmpty())
                        ++legsAt;
                    expect(
                        heading >= 0 && legsAt < lines.size(), at + QStringLiteral("no control row or legs"));
                    if (heading < 0 || legsAt >= lines.size())
                        continue;
                    // The control codes, and the total's column after them.
                    const QString head = lines.at(heading);
                    QStringList codes;
                    QList<qsizetype> heads;
                    const qsizetype totalAt = head.indexOf(total);
                    for (auto found = code.globalMatch(head); found.hasNext();) {
                        const QRegularExpressionMatch m = found.next();
                        if (totalAt >= 0 && m.capturedStart() > totalAt)
                            break;
                        codes.append(m.captured());
                        heads.append(m.capturedStart());
                    }
                    expect(codes.join(u' ') == row.value(1),
                        at + QStringLiteral("columns ") + codes.join(u' ') + QStringLiteral(", not ")
                            + row.value(1));
                    if (totalAt >= 0)
                        heads.append(totalAt);

                    // FORMAT: the mark of extra punches, a token "+N" on the runner's two lines.
                    QString times = lines.at(named);
                    QString legs = lines.at(legsAt);
                    static const QRegularExpression anyMark(QStringLiteral("(^|[\\s(])\\+\\d+(?=[\\s)]|$)"));
                    const QString extras = row.value(4);
                    const QRegularExpression mark(QStringLiteral("(^|[\\s(])")
                        + QRegularExpression::escape(extras) + QStringLiteral("(?=[\\s)]|$)"));
                    if (extras.isEmpty())
                        expect(!times.contains(anyMark) && !legs.contains(anyMark),
                            at + QStringLiteral("marked with extra punches: ") + times.simplified());
                    else
                        expect(times.contains(mark) || legs.contains(mark),
                            at + QStringLiteral("no mark ") + extras + QStringLiteral(": ")
                                + times.simplified() + QStringLiteral(" / ") + legs.simplified());
                    // The mark is blanked out, so that it does not count as a cell.
                    for (QString *line : {&times, &legs})
                        for (auto found = anyMark.globalMatch(*line); found.hasNext();) {
                            const QRegularExpressionMatch m = found.next();
                            line->replace(
                                m.capturedStart(), m.capturedLength(), QString(m.capturedLength(), u' '));
                        }

                    // Each cell under its column: "—" a missed control; FORMAT: "-" no time shown, any
                    // text but a time.
                    const QStringList timeCells = cellsUnder(times, heads);
                    const QStringList legCells = cellsUnder(legs, heads);
                    const QStringList wantTimes = row.value(2).split(u' ');
                    const QStringList wantLegs = row.value(3).split(u' ');
                    const auto cellHolds = [](const QString &cell, const QString &want) {
                        return want == u"-" ? !cell.contains(anyTime) : cell == want;
                    };
                    bool right = timeCells.size() == wantTimes.size();
                    for (qsizetype k = 0; right && k < wantTimes.size(); ++k)
                        right = cellHolds(timeCells.at(k), wantTimes.at(k));
                    expect(right,
                        at + QStringLiteral("times ") + timeCells.join(u' ') + QStringLiteral(", not ")
                            + wantTimes.join(u' '));
                    right = legCells.size() > wantLegs.size();
                    for (qsizetype k = 0; right && k < wantLegs.size(); ++k)
                        right = cellHolds(legCells.at(k), wantLegs.at(k));
                    expect(right,
                        at + QStringLiteral("legs ") + legCells.join(u' ') + QStringLiteral(", not ")
                            + wantLegs.join(u' '));
                }
            };

            // The receipt of the runner's read of the day that counts.
            const auto verifyReceipt = [&](const QString &stage, const QStringList &row) {
                const Race &race = w.store->race();
                const Participant *runner = runnerNamed(race, row.value(0).section(u' ', 0, 0));
                QVERIFY(runner);
                const PersonResult *counts = nullptr;
                for (const PersonResult &r : race.results)
                    if (r.stageId == stage && r.participantId == runner->id
                        && (!counts || r.readAt > counts->readAt))
                        counts = &r;
                QVERIFY(counts);
                const QString receipt = renderReceiptHTML(*counts, race);
                // FORMAT: a course control's row as its code, leg and time from the start.
                for (const QString &control : row.value(1).split(u'|')) {
                    const QStringList cells = control.split(u' ');
                    const QString html = QStringLiteral("<td>%1</td><td>%2</td><td>%3</td>")
                                             .arg(cells.value(0), cells.value(1), cells.value(2));
                    expect(receipt.contains(html),
                        stage + QStringLiteral(" receipt ") + row.value(0) + QStringLiteral(": no ") + html);
                }
#ifdef VEXLO_SCREENSHOT_DIR
                QFile out(QStringLiteral(VEXLO_SCREENSHOT_DIR "/da-splits-receipt-") + stage + u'-'
                    + runner->givenName + QStringLiteral(".html"));
                QVERIFY(out.open(QIODevice::WriteOnly));
                out.write(receipt.toUtf8());
#endif
            };

            // The card nobody holds: registered with Return on the empty form the sheet opens,
            // then named and put in its class in the participant editor, and its course chosen on
            // the Results screen.
            const auto registerCard = [&](const QString &stage, const QStringList &row) {
                const QString runner = row.value(0);
                w.read(tableCard(row.value(1).toUInt(), row.value(2)), RaceDayDesk::CardStatus::Unmatched);
                w.click(QStringLiteral("registerButton"));
                QTRY_VERIFY(
                    w.item(QStringLiteral("givenNameField")) || w.item(QStringLiteral("registerNewButton")));
                if (!w.item(QStringLiteral("givenNameField")))
                    w.click(QStringLiteral("registerNewButton"));
                QTRY_VERIFY(w.item(QStringLiteral("givenNameField"))
                    && w.item(QStringLiteral("givenNameField"))->hasActiveFocus());
                w.shot(QStringLiteral("da-splits-register-empty"));
                QTest::keyClick(window, Qt::Key_Return);
                QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                const auto held = [&w, &row] {
                    for (const Participant &p : w.store->race().participants)
                        if (p.cardNumber == row.value(1))
                            return &p;
                    return static_cast<const Participant *>(nullptr);
                };
                QVERIFY(held());
                const QUuid id = held()->id;
                expect(held()->givenName.isEmpty()
                        && held()->classId == std::optional<QString>(QStringLiteral("h21")),
                    QStringLiteral("registered on the empty form: not nameless in H21"));
                const PersonResult *read = resultOf(w.store->race(), row.value(1));
                QVERIFY(read);
                expect(resultVerdict(w.store->race(), *read) == ResultVerdict::NoStartTime,
                    QStringLiteral("registered in H21 without a start time: not NO START TIME"));

                app.content().setSelectedItem(SidebarItem::Participants);
                w.typeInto(QStringLiteral("searchField"), row.value(1));
                QQuickItem *entry = nullptr;
                QTRY_VERIFY((entry = findVisibleItem(window, [&id](QQuickItem *i) {
                    return i->objectName().startsWith(QLatin1String("entryRow_"))
                        && QUuid(i->property("entryId").toString()) == id;
                })));
                w.click(findVisibleChild(entry, QStringLiteral("entryInfo")));
                QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
                w.typeInto(QStringLiteral("givenNameField"), runner.section(u' ', 0, 0));
                w.typeInto(QStringLiteral("familyNameField"), runner.section(u' ', 1));
                chooseIn(w, w.item(QStringLiteral("classPicker")), row.value(3));
                w.shot(QStringLiteral("da-splits-register-editor"));
                QTest::keyClick(window, Qt::Key_Return);
                QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                const auto named = [&w](const auto &records, const QString &name) {
                    for (const auto &record : records)
                        if (record.name == name)
                            return std::optional<QString>(record.id);
                    return std::optional<QString>();
                };
                QTRY_COMPARE(findParticipant(w.store->race(), id)->classId,
                    named(w.store->race().classes, row.value(3)));

                app.content().setSelectedItem(SidebarItem::Results);
                w.clock->advance(std::chrono::seconds(10));
                QTRY_VERIFY(!w.item(QStringLiteral("cardReadToast")));
                w.click(QStringLiteral("stageChip_") + stage);
                QVERIFY(!rowShowing(window, runner).isEmpty());
                rowAction(w, runner, localized(QStringLiteral("Change course")));
                const QString choice = QStringLiteral("courseChoice_") + row.value(4);
                QTRY_VERIFY(w.item(choice) && uichecks::settled(w.item(choice)));
                w.shot(QStringLiteral("da-splits-change-course"));
                w.click(choice);
                QTRY_COMPARE(resultOf(w.store->race(), row.value(1))->courseId,
                    named(w.store->race().courses, row.value(4)));
                w.shot(QStringLiteral("da-splits-register-course"));
            };

            // The stages by name, as the pickers show them.
            const auto stageNamed = [&w](const QString &name) {
                for (const Stage &stage : w.store->race().stages)
                    if (stage.name == name)
                        return stage;
                return Stage();
            };
            const auto stageName = [&w](const QString &id) {
                for (const Stage &stage : w.store->race().stages)
                    if (stage.id == id)
                        return stage.name;
                return QString();
            };
            // The runner's read of the stage that counts (the latest).
            const auto countedRead = [&w](const QString &stage, const QString &runner) {
                const Participant *p = runnerNamed(w.store->race(), runner.section(u' ', 0, 0));
                const PersonResult *counts = nullptr;
                for (const PersonResult &r : w.store->race().results)
                    if (p && r.stageId == stage && r.participantId == p->id
                        && (!counts || r.readAt > counts->readAt))
                        counts = &r;
                return counts ? std::optional<PersonResult>(*counts) : std::nullopt;
            };
            const auto verdictOf = [&](const QString &stage, const QString &runner) {
                const std::optional<PersonResult> read = countedRead(stage, runner);
                return read ? verdictKey(resultVerdict(w.store->race(), *read)) : QStringLiteral("-");
            };
            // Opens the section and makes its stage picker show the stage named `name`.
            const auto showStageOn = [&](SidebarItem section, const QString &name) {
                app.content().setSelectedItem(section);
                QQuickItem *picker = nullptr;
                QTRY_VERIFY((picker = w.item(QStringLiteral("stagePicker"))));
                chooseIn(w, picker, name);
                QTRY_COMPARE(shownStage(w.store->race()), std::optional<QString>(stageNamed(name).id));
            };
            // The Status screen on the stage named `name`, every runner listed; the row of `runner`.
            const auto openStatusFor = [&](const QString &runner, const QString &name) {
                app.content().setSelectedItem(SidebarItem::Pending);
                QTRY_VERIFY(w.item(QStringLiteral("outstandingStagePicker")));
                chooseIn(w, w.item(QStringLiteral("outstandingStagePicker")), name);
                QTRY_VERIFY(w.item(QStringLiteral("group_all")));
                if (!w.valueOf(QStringLiteral("group_all"), "checked").toBool())
                    w.click(QStringLiteral("group_all"));
                const QString listed = QStringLiteral("outstandingRow_") + runner;
                QTRY_VERIFY2(w.item(listed), qPrintable(listed));
            };
            const auto statusShown = [&](const QString &listed) {
                QQuickItem *picker = w.itemIn(listed, QStringLiteral("statusPicker"));
                return picker ? picker->property("currentText").toString() : QString();
            };
            // A mark chosen on the Status screen, "DNS" or "DNF", for the stage named `name`.
            const auto markOnStatus = [&](const QString &runner, const QString &name, const QString &mark) {
                openStatusFor(runner, name);
                const QString listed = QStringLiteral("outstandingRow_") + runner;
                chooseIn(w, w.itemIn(listed, QStringLiteral("statusPicker")), localized(mark));
                // The row may be made anew meanwhile.
                QTRY_COMPARE(statusShown(listed), localized(mark));
                w.shot(QStringLiteral("da-splits-status-") + mark.toLower());
            };

            // Every screen with a stage picker looks at the stage named `name`; card reads still go
            // to the active stage, and the reader pane says which.
            const auto lookAt = [&](const QString &name) {
                const std::optional<QString> active = w.store->race().activeStageId;
                for (const SidebarItem section : {SidebarItem::Classes, SidebarItem::Courses,
                         SidebarItem::Participants, SidebarItem::StartList}) {
                    showStageOn(section, name);
                    QCOMPARE(w.store->race().activeStageId, active);
                }
                w.shot(QStringLiteral("da-splits-look-startlist"));
                app.content().setSelectedItem(SidebarItem::Results);
                w.click(QStringLiteral("stageChip_") + stageNamed(name).id);
                QTRY_VERIFY(w.item(QStringLiteral("resultsList")));
                openStatusFor(QStringLiteral("Anna Berg"), name);
                QCOMPARE(w.store->race().activeStageId, active);
                app.content().setSelectedItem(SidebarItem::Reader);
                const Stage running = stageNamed(stageName(active.value_or(QString())));
                QTRY_COMPARE(w.valueOf(QStringLiteral("readsGoTo"), "text").toString(),
                    localized(QStringLiteral("Card reads go to %@ (%@)"), running.name,
                        mediumDateText(running.date.date())));
                QVERIFY(!w.item(QStringLiteral("wrongDayNotice")));
                w.shot(QStringLiteral("da-splits-look-reader"));
            };

            // The courses of a file typed into the Courses screen's import dialog.
            const auto importCourses = [&](const QString &file) {
                app.content().setSelectedItem(SidebarItem::Courses);
                w.click(QStringLiteral("importCoursesButton"));
                const QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("courseImportDialog"));
                QVERIFY(dialog);
                typeNameAndReturn(dialog, QStringLiteral(VEXLO_TEST_DATA_DIR "/") + file);
                QTRY_VERIFY(w.item(QStringLiteral("changeSummary")));
                QVERIFY(!w.item(QStringLiteral("importError")));
                w.shot(QStringLiteral("da-splits-courses-imported"));
            };

            // The class made to choose its course by the family on the Classes screen.
            const auto chooseFamily = [&](const QString &className, const QString &family,
                                          const QString &count) {
                app.content().setSelectedItem(SidebarItem::Classes);
                const QString row = QStringLiteral("classRow_") + className;
                QTRY_VERIFY(w.item(row));
                chooseIn(w, w.itemIn(row, QStringLiteral("modePicker")),
                    localized(QStringLiteral("Course Family")));
                QTRY_VERIFY(w.itemIn(row, QStringLiteral("familyPicker")));
                const QString shown = localized(QStringLiteral("%@ (%@ variants)"), family, count);
                chooseIn(w, w.itemIn(row, QStringLiteral("familyPicker")), shown);
                QTRY_COMPARE(
                    w.itemIn(row, QStringLiteral("familyPicker"))->property("currentText").toString(), shown);
                w.shot(QStringLiteral("da-splits-classes-family"));
            };

            // A mass start over every class on the Start list screen of the stage being run: the
            // start-punch classes are left out and named under the list.
            const auto massStart = [&](const QString &stage, const QString &first, const QString &skipped) {
                showStageOn(SidebarItem::StartList, stageName(stage));
                w.click(QStringLiteral("toolsButton"));
                QTRY_VERIFY(w.item(QStringLiteral("fixedIntervalItem")));
                w.click(QStringLiteral("fixedIntervalItem"));
                QTRY_VERIFY(w.hasFocus(QStringLiteral("drawClassPicker")));
                QTest::keyClick(window, Qt::Key_Home);
                QTRY_COMPARE(w.valueOf(QStringLiteral("drawClassPicker"), "currentIndex").toInt(), 0);
                w.typeInto(QStringLiteral("firstStartField"), first);
                QQuickItem *stepper = w.item(QStringLiteral("intervalStepper"));
                QVERIFY(stepper);
                stepper->forceActiveFocus();
                for (int i = 0; i < 20 && stepper->property("value").toInt() > 0; ++i)
                    QTest::keyClick(window, Qt::Key_Down);
                QTRY_COMPARE(w.valueOf(QStringLiteral("intervalLabel"), "text").toString(),
                    localized(QStringLiteral("Mass start (interval 0s)")));
                w.shot(QStringLiteral("da-splits-mass-start"));
                w.click(QStringLiteral("randomDrawButton"));
                QTRY_VERIFY(!w.item(QStringLiteral("drawClassPicker")));
                const QStringList names = skipped.split(QStringLiteral(", "));
                // clang-format off
                QTRY_COMPARE(w.valueOf(QStringLiteral("statusLine"), "text").toString(),
                    localized(QStringLiteral("Skipped %@ class(es) using \"Start punch\" (start time comes from the card itself, not a schedule): %@."),
                        {QString::number(names.size()), skipped}));
                // clang-format on
                w.shot(QStringLiteral("da-splits-mass-start-skipped"));
                // The day's start lists on paper: by class, each scheduled runner at the mass start's
                // time; the start-punch classes' runners without one, on the first page of their own
                // list.
                QQuickItem *view = w.item(QStringLiteral("startListView"));
                auto *startList = view ? view->findChild<StartListViewModel *>() : nullptr;
                QVERIFY(startList);
                QStringList pages;
                for (const QString &kind : {QStringLiteral("by-class"), QStringLiteral("start-punch")}) {
                    const QString path
                        = w.dir.filePath(QStringLiteral("startlist-") + kind + QStringLiteral(".pdf"));
                    QVERIFY(kind == u"by-class" ? startList->exportByClassPdf(QUrl::fromLocalFile(path))
                                                : startList->exportStartPunchPdf(QUrl::fromLocalFile(path)));
                    pages.append(pdftest::text(path, 1));
#ifdef VEXLO_SCREENSHOT_DIR
                    run(QStringLiteral("pdftoppm"),
                        {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("70"), path,
                            QStringLiteral(VEXLO_SCREENSHOT_DIR "/da-splits-startlist-") + kind});
#endif
                }
                for (const Participant &p : w.store->race().participants) {
                    const RaceClass *c = findClass(w.store->race(), classIdOnStage(p, stage));
                    const bool skippedClass = c && names.contains(c->name);
                    const QString name = p.givenName + u' ' + p.familyName;
                    const QStringList lines = pages.value(skippedClass ? 1 : 0).split(u'\n').filter(name);
                    expect(lines.size() == 1
                            && (skippedClass ? !lines[0].contains(anyTime)
                                             : lines[0].simplified().startsWith(first.left(5) + u' ')),
                        name + QStringLiteral(" on the day's start lists: ") + lines.join(u'|'));
                }
                const QTime at = QTime::fromString(first, QStringLiteral("HH:mm:ss"));
                for (const Participant &p : w.store->race().participants) {
                    const RaceClass *c = findClass(w.store->race(), classIdOnStage(p, stage));
                    const std::optional<QDateTime> start = startTimeOnStage(p, stage);
                    const bool skippedClass = c && names.contains(c->name);
                    expect(skippedClass ? !start : (start && start->time() == at),
                        p.givenName + QStringLiteral(" after the mass start: ")
                            + (start ? start->toString(Qt::ISODate) : QStringLiteral("no time")));
                }
            };

            // The runner's class and own course changed in the participant editor ("-" leaves
            // one as it is); the read of the stage is then judged again.
            const auto editRunner = [&](const QString &stage, const QStringList &row) {
                const Participant *runner = runnerNamed(w.store->race(), row.value(0).section(u' ', 0, 0));
                QVERIFY(runner);
                const QUuid id = runner->id;
                app.content().setSelectedItem(SidebarItem::Participants);
                w.typeInto(QStringLiteral("searchField"), runner->cardNumber);
                QQuickItem *entry = nullptr;
                QTRY_VERIFY((entry = findVisibleItem(window, [&id](QQuickItem *i) {
                    return i->objectName().startsWith(QLatin1String("entryRow_"))
                        && QUuid(i->property("entryId").toString()) == id;
                })));
                w.click(findVisibleChild(entry, QStringLiteral("entryInfo")));
                QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
                if (row.value(1) != u"-")
                    chooseIn(w, w.item(QStringLiteral("classPicker")), row.value(1));
                if (row.value(2) != u"-") {
                    QTRY_VERIFY(w.item(QStringLiteral("coursePicker")));
                    chooseIn(w, w.item(QStringLiteral("coursePicker")), row.value(2));
                }
                w.shot(QStringLiteral("da-splits-editor-") + row.value(3).toLower().replace(u' ', u'-'));
                QTest::keyClick(window, Qt::Key_Return);
                QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
                QTRY_COMPARE(verdictOf(stage, row.value(0)), row.value(3));
            };

            // What a screen of the stage being run shows: a class's course picker on the Classes
            // screen ("Classes", class, picker, text: an English key and its arguments, "|"
            // between them), or the rows of the Courses screen ("Courses", the rows' names).
            const auto verifyScreen = [&](const QString &stage, const QStringList &row) {
                if (row.value(0) == u"Classes") {
                    showStageOn(SidebarItem::Classes, stageName(stage));
                    const QString classRow = QStringLiteral("classRow_") + row.value(1);
                    QTRY_VERIFY(w.item(classRow));
                    const QStringList text = row.value(3).split(u'|');
                    const QString want = localized(text.value(0), text.mid(1));
                    const auto shown = [&] {
                        QQuickItem *picker = w.itemIn(classRow, row.value(2));
                        return picker ? picker->property("currentText").toString() : QString();
                    };
                    QTRY_VERIFY(!shown().isEmpty());
                    expect(shown() == want,
                        stage + QStringLiteral(" Classes screen, ") + row.value(1) + QStringLiteral(": ")
                            + shown() + QStringLiteral(", not ") + want);
                    w.shot(QStringLiteral("da-splits-classes-") + stage);
                } else {
                    showStageOn(SidebarItem::Courses, stageName(stage));
                    QTRY_VERIFY(w.item(QStringLiteral("courseList")));
                    // Top to bottom.
                    QMap<qreal, QString> shownRows;
                    findVisibleItem(window, [&shownRows](QQuickItem *i) {
                        const QString name = i->objectName();
                        if (name.startsWith(QLatin1String("courseRow_"))
                            || name.startsWith(QLatin1String("familyRow_")))
                            shownRows.insert(i->mapToScene(QPointF()).y(), name.section(u'_', 1));
                        return false;
                    });
                    const QStringList rows = shownRows.values();
                    expect(rows.join(u' ') == row.value(1),
                        stage + QStringLiteral(" Courses screen: ") + rows.join(u' ')
                            + QStringLiteral(", not ") + row.value(1));
                    w.shot(QStringLiteral("da-splits-courses-") + stage);
                }
            };

            const QList<QStringList> table = casetable::rows(QStringLiteral("app/two-day-splits-reads.tsv"));
            QStringList stages;
            for (const QStringList &row : table)
                if (!stages.contains(row[0]))
                    stages.append(row[0]);
            int daysAfter = 0;
            for (const QString &stage : std::as_const(stages)) {
                QMap<QString, QList<QStringList>> rows;
                for (const QStringList &row : table)
                    if (row[0] == stage)
                        rows[row[1]].append(row.mid(2));
                if (stage == u"overall") {
                    app.content().setSelectedItem(SidebarItem::Results);
                    w.click(QStringLiteral("stageChip___overall__"));
                    QTRY_VERIFY(w.item(QStringLiteral("overallStages")));
                    w.shot(QStringLiteral("da-splits-overall"));
                    const QString pdf = exportedFromScreen(
                        w, ResultExportKind::ResultsPDF, QStringLiteral("reads-overall.pdf"));
                    const QString xmlPath = exportedFromScreen(
                        w, ResultExportKind::ResultsXML, QStringLiteral("reads-overall.xml"));
                    QVERIFY(!pdf.isEmpty() && !xmlPath.isEmpty());
                    QFile xml(xmlPath);
                    QVERIFY(xml.open(QIODevice::ReadOnly));
                    const QByteArray bytes = xml.readAll();
                    VERIFY_IOF_VALID(bytes);
                    const QStringList pdfLines = pdftest::text(pdf).split(u'\n');
                    for (const QStringList &row : rows.value(QStringLiteral("overall")))
                        verifyListed(stage, row, true, pdfLines, iofRunners(bytes));
                    continue;
                }
                // An earlier day looked at again once the later one is done: its outputs are as
                // they were, but for what the later day's changes moved.
                if (stage.startsWith(QLatin1String("again:"))) {
                    const QString day = stage.section(u':', 1);
                    verifyDay(day, day + QStringLiteral("-again"), rows.value(QStringLiteral("result")));
                    for (const QStringList &row : rows.value(QStringLiteral("screen")))
                        verifyScreen(day, row);
                    continue;
                }

                // The day's cards through the station and the organiser's moves, in the table's
                // order.
                beginDay(w, stage, daysAfter);
                app.content().setSelectedItem(SidebarItem::Reader);
                for (const QStringList &row : table) {
                    if (row[0] != stage)
                        continue;
                    const QStringList cells = row.mid(2);
                    if (row[1] == u"read") {
                        app.content().setSelectedItem(SidebarItem::Reader);
                        w.read(tableCard(cells.value(1).toUInt(), cells.value(2)));
                        // The verdict and the mark line at the reader pane, when the row gives them.
                        if (!cells.value(3).isEmpty())
                            expect(app.raceDay()
                                        ->cardPanelVariant()
                                        .value(QStringLiteral("verdictText"))
                                        .toString()
                                    == localized(cells.value(3)),
                                stage + u' ' + cells.value(0) + QStringLiteral(" read: not ")
                                    + cells.value(3));
                        if (!cells.value(4).isEmpty()) {
                            QTRY_COMPARE(w.valueOf(QStringLiteral("panelMark"), "text").toString(),
                                localized(cells.value(4)));
                            w.shot(QStringLiteral("da-splits-reader-mark-")
                                + cells.value(0).section(u' ', 0, 0));
                        }
                    } else if (row[1] == u"sim") {
                        app.content().setSelectedItem(SidebarItem::Reader);
                        const QStringList made = cells.value(1).split(u' ');
                        SimCard card = simulatorCard(made.value(0), made.value(1).toInt(),
                            made.value(2).toInt(), made.value(3).toUInt(), *afterTen(cells.value(2)));
                        card.dayOfWeek = w.clock->now().date().dayOfWeek() % 7;
                        w.read(card);
                    } else if (row[1] == u"register") {
                        registerCard(stage, cells);
                    } else if (row[1] == u"import") {
                        importCourses(cells.value(0));
                    } else if (row[1] == u"family") {
                        chooseFamily(cells.value(0), cells.value(1), cells.value(2));
                    } else if (row[1] == u"look") {
                        lookAt(cells.value(0));
                    } else if (row[1] == u"draw") {
                        massStart(stage, cells.value(0), cells.value(1));
                    } else if (row[1] == u"mark") {
                        markOnStatus(cells.value(0), cells.value(1), cells.value(2));
                    } else if (row[1] == u"edit") {
                        editRunner(stage, cells);
                    } else if (row[1] == u"verdict") {
                        expect(verdictOf(stage, cells.value(0)) == cells.value(1),
                            stage + u' ' + cells.value(0) + QStringLiteral(": ")
                                + verdictOf(stage, cells.value(0)) + QStringLiteral(", not ")
                                + cells.value(1));
                    }
                    if (QTest::currentTestFailed())
                        return;
                }
                app.content().setSelectedItem(SidebarItem::Reader);
                w.shot(QStringLiteral("da-splits-reader-") + stage);

                verifyDay(stage, stage, rows.value(QStringLiteral("result")));
                verifySplits(stage, rows.value(QStringLiteral("splits")));
                for (const QStringList &row : rows.value(QStringLiteral("receipt")))
                    verifyReceipt(stage, row);
                for (const QStringList &row : rows.value(QStringLiteral("screen")))
                    verifyScreen(stage, row);
                // The Status screen's mark of each runner on the stage, after the day's reads.
                for (const QStringList &row : rows.value(QStringLiteral("status"))) {
                    openStatusFor(row.value(0), stageName(stage));
                    const QString listed = QStringLiteral("outstandingRow_") + row.value(0);
                    QTRY_VERIFY(!statusShown(listed).isEmpty());
                    expect(statusShown(listed) == localized(row.value(1)),
                        stage + QStringLiteral(" Status screen, ") + row.value(0) + QStringLiteral(": ")
                            + statusShown(listed) + QStringLiteral(", not ") + localized(row.value(1)));
                }
                if (QTest::currentTestFailed())
                    return;

                // A runner marked "Ej start" for a later day on the Status screen: this day's
                // outputs stay as they were.
                const QList<QStringList> marks = rows.value(QStringLiteral("dns"));
                for (const QStringList &row : marks)
                    markOnStatus(row.value(0), row.value(1), QStringLiteral("DNS"));
                if (!marks.isEmpty())
                    verifyDay(
                        stage, stage + QStringLiteral("-after-dns"), rows.value(QStringLiteral("result")));
            }
            // Each is named in a warning above.
            QVERIFY2(faults.isEmpty(),
                qPrintable(QString::number(faults.size()) + QStringLiteral(" disagreements")));
        }
        verifyNoQmlProblems();
    }

private:
    static std::optional<QDateTime> simCardFinish(const RaceDayWindow &w)
    {
        return w.app->reader().lastCardRead() ? w.app->reader().lastCardRead()->finishPunchTime
                                              : std::nullopt;
    }

    PrivateCups m_cups;
};

QTEST_MAIN(TestResultScreens)
#include "tst_resultscreens.moc"
