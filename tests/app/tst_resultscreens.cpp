// The Results and Status sections and their sheets in the real main window, offscreen at its
// minimum size, in both languages: cards read through the station simulator (a clean run, a
// mispunch, a card nobody holds), a status forced with a reason, a receipt printed again on a
// private CUPS queue and on one that refuses jobs, the split times, the card nobody holds given to
// an entry or a new runner, and the Status list shrinking. Then the sections over the generated
// 5,000-entry event. Any QML warning fails the test; screenshots land in the build folder.

#include "outstandingrunners.h"
#include "privatecups.h"
#include "racedaywindow.h"
#include "racegenerator.h"
#include "resultsscreen.h"
#include "uichecks.h"
#include "unmatchedcardsheet.h"

#include <ctime>

namespace {

Race eventWithOpenEntries()
{
    Race race = raceDayEvent();
    for (const char *name : {"Lone Wolf", "Per Vik"}) {
        Participant p;
        p.givenName = QString::fromLatin1(name).section(QLatin1Char(' '), 0, 0);
        p.familyName = QString::fromLatin1(name).section(QLatin1Char(' '), 1);
        p.classId = QStringLiteral("h21");
        race.participants.append(p);
    }
    return race;
}

const PersonResult *resultOf(const Race &race, const QString &cardNumber)
{
    for (const PersonResult &r : race.results)
        if (r.cardNumber == cardNumber)
            return &r;
    return nullptr;
}

const Participant *runnerNamed(const Race &race, const QString &given)
{
    for (const Participant &p : race.participants)
        if (p.givenName == given)
            return &p;
    return nullptr;
}

} // namespace

class TestResultScreens : public QObject
{
    Q_OBJECT

    QQuickWindow *window = nullptr;

    QQuickItem *item(const QString &name) const { return findVisibleItem(window, name); }
    void click(QQuickItem *target) const
    {
        QVERIFY2(target, "no such item on screen");
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    }
    void click(const QString &name) const { click(item(name)); }
    void typeInto(const QString &name, const QString &text) const
    {
        QQuickItem *field = item(name);
        click(field);
        QTRY_VERIFY(field->hasActiveFocus());
        QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window, Qt::Key_Backspace);
        uichecks::typeText(window, text);
    }
    QQuickItem *inside(const QString &parent, const QString &name) const
    {
        QQuickItem *found = nullptr;
        if (QQuickItem *p = item(parent))
            for (QQuickItem *i : uichecks::visibleItems(p))
                if (i->objectName() == name)
                    found = i;
        return found;
    }
    // Opens the actions menu of the row of `runner` and chooses `entry`.
    void rowAction(const QString &runner, const QString &entry) const
    {
        click(inside(QStringLiteral("resultRow_") + runner, QStringLiteral("rowActionsButton")));
        QTRY_VERIFY(item(entry));
        click(entry);
    }
    void noTextCutOff() const
    {
        const QStringList cut = uichecks::truncatedTexts(window,
            {QStringLiteral("resultDetail"), QStringLiteral("outstandingDetail"),
                QStringLiteral("classFilterLabel")});
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

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

    void raceDayInTheWindow_data()
    {
        QTest::addColumn<int>("languageIndex");
        QTest::newRow("en") << 0;
        QTest::newRow("da") << 1;
    }
    void raceDayInTheWindow()
    {
        QFETCH(int, languageIndex);
        QmlProblemCollector qml;
        LocalizationManager language(QStringList({"en-US"}));
        LocalizationManager::setShared(&language);
        {
            RaceDayWindow w(eventWithOpenEntries());
            VexloApp &app = *w.app;
            window = w.window;
            window->resize(window->minimumSize());
            app.languagePicker().pick(languageIndex);
            const QString code = app.languagePicker().languageCode();
            app.receiptSettings().setPrinterName(QStringLiteral("receipts"));
            app.receiptSettings().setAutoPrint(true);

            // The Status list before any card: Ida and the two entries without a card are out.
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(item(QStringLiteral("outstandingRow_Lone Wolf")));
            QCOMPARE(item(QStringLiteral("outstandingCount"))->property("text").toString(),
                localized(QStringLiteral("%@ participant(s)"), 3));
            noTextCutOff();
            shoot(window, code + QStringLiteral("-status"));

            // A clean run, a mispunch and a card nobody holds.
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(simCard(2000001));
            w.read(simCard(2000004, true));
            w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);

            // Results: Karen's mispunch forced completed with a reason typed in the prompt.
            app.content().setSelectedItem(SidebarItem::Results);
            QTRY_VERIFY(item(QStringLiteral("resultRow_Karen Bech")));
            noTextCutOff();
            shoot(window, code + QStringLiteral("-results"));
            rowAction(QStringLiteral("Karen Bech"), QStringLiteral("forceCompletedItem"));
            QTRY_VERIFY(item(QStringLiteral("overrideDialog")));
            typeInto(QStringLiteral("overrideReasonField"), QStringLiteral("control 32 broken"));
            shoot(window, code + QStringLiteral("-override"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!item(QStringLiteral("overrideDialog")));
            const PersonResult *karen = nullptr;
            for (const PersonResult &r : w.store->race().results)
                if (r.cardNumber == QLatin1String("2000004") && r.completedOverride)
                    karen = &r;
            QVERIFY(karen);
            QCOMPARE(karen->overrideNote, QStringLiteral("control 32 broken"));
            QTRY_VERIFY(item(QStringLiteral("overrideMark")));

            // Deleting is confirmed first; Escape keeps the result.
            const qsizetype results = w.store->race().results.size();
            rowAction(QStringLiteral("Karen Bech"), QStringLiteral("deleteResultItem"));
            QTRY_VERIFY(item(QStringLiteral("deleteResultDialog")));
            shoot(window, code + QStringLiteral("-delete-result"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!item(QStringLiteral("deleteResultDialog")));
            QCOMPARE(w.store->race().results.size(), results);

            // A receipt again: it reaches the queue. Then on a queue that refuses jobs: the result
            // stays and the screen says why.
            const qsizetype jobs = m_cups.jobIds().size();
            rowAction(QStringLiteral("Ida Holm"), QStringLiteral("printReceiptItem"));
            QTRY_COMPARE_WITH_TIMEOUT(m_cups.jobIds().size(), jobs + 1, 15000);
            QVERIFY(!item(QStringLiteral("printProblemText")));
            app.receiptSettings().setPrinterName(QStringLiteral("jammed"));
            rowAction(QStringLiteral("Ida Holm"), QStringLiteral("printReceiptItem"));
            QTRY_VERIFY_WITH_TIMEOUT(item(QStringLiteral("printProblemText")), 15000);
            QVERIFY(item(QStringLiteral("printProblemText"))
                        ->property("text")
                        .toString()
                        .contains(QLatin1String("jammed")));
            QCOMPARE(w.store->race().results.size(), results);
            shoot(window, code + QStringLiteral("-results-print-failed"));

            // The split times of Ida's run; the runner deleted while they are on screen: the
            // sheet says "Unknown", the result stays, Return closes.
            click(QStringLiteral("resultRow_Ida Holm"));
            QTRY_VERIFY(item(QStringLiteral("splitSheetClose")));
            QCOMPARE(item(QStringLiteral("splitSheetTitle"))->property("text").toString(),
                QStringLiteral("Ida Holm"));
            QVERIFY(item(QStringLiteral("finishLineLabel")));
            noTextCutOff();
            shoot(window, code + QStringLiteral("-split-times"));
            w.store->deleteParticipant(runnerNamed(w.store->race(), QStringLiteral("Ida"))->id);
            QTRY_COMPARE(item(QStringLiteral("splitSheetTitle"))->property("text").toString(),
                QStringLiteral("Unknown"));
            QVERIFY(resultOf(w.store->race(), QStringLiteral("2000001")));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!item(QStringLiteral("splitSheetClose")));

            // The card nobody holds: from the reader pane to the sheet listing the entries
            // without a card that run its course.
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);
            QTRY_VERIFY(item(QStringLiteral("registerButton")));
            click(QStringLiteral("registerButton"));
            QTRY_VERIFY(item(QStringLiteral("candidate_Lone Wolf")));
            noTextCutOff();
            shoot(window, code + QStringLiteral("-unmatched-sheet"));
            auto *sheet = window->findChild<UnmatchedCardSheet *>();
            QVERIFY(sheet);

            if (languageIndex == 0) {
                // An entry gone before "Assign card": the sheet keeps the card and says so.
                const Participant gone = *runnerNamed(w.store->race(), QStringLiteral("Per"));
                w.store->deleteParticipant(gone.id);
                sheet->assignCard(gone.id.toString());
                QTRY_VERIFY(item(QStringLiteral("unmatchedSheetNotice")));
                QVERIFY(sheet->card());
                shoot(window, code + QStringLiteral("-unmatched-entry-gone"));
                // Assigned to Lone Wolf: the reading is his result and the Status list shrinks.
                click(inside(QStringLiteral("candidate_Lone Wolf"), QStringLiteral("assignCardButton")));
                QTRY_VERIFY(!item(QStringLiteral("unmatchedCardSheet")));
                const PersonResult *wolf = resultOf(w.store->race(), QStringLiteral("2000099"));
                QVERIFY(wolf);
                QCOMPARE(wolf->participantId, runnerNamed(w.store->race(), QStringLiteral("Lone"))->id);
                app.content().setSelectedItem(SidebarItem::Pending);
                QTRY_VERIFY(!item(QStringLiteral("outstandingRow_Lone Wolf")));
                QCOMPARE(item(QStringLiteral("outstandingCount"))->property("text").toString(),
                    localized(QStringLiteral("%@ participant(s)"), 0));
            } else {
                // A new runner instead, whose card number is changed in the editor: the reading is
                // recorded for them all the same.
                click(QStringLiteral("registerNewButton"));
                QTRY_VERIFY(item(QStringLiteral("givenNameField")));
                typeInto(QStringLiteral("givenNameField"), QStringLiteral("Nina"));
                typeInto(QStringLiteral("familyNameField"), QStringLiteral("Dal"));
                typeInto(QStringLiteral("cardNumberField"), QStringLiteral("7000123"));
                shoot(window, code + QStringLiteral("-unmatched-new-runner"));
                click(QStringLiteral("participantSave"));
                QTRY_VERIFY(!item(QStringLiteral("givenNameField")));
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
            QTRY_VERIFY(item(QStringLiteral("markingNotice")));
            shoot(window, code + QStringLiteral("-status-slave"));
            app.content().setSelectedItem(SidebarItem::Results);
            QTRY_VERIFY(item(QStringLiteral("correctionNotice")));
            QVERIFY(!window->findChild<ResultsScreen *>()->canCorrect());
            shoot(window, code + QStringLiteral("-results-slave"));
            w.read(simCard(2000098), RaceDayDesk::CardStatus::Unmatched);
            app.raceDay()->registerShownCard();
            QTRY_VERIFY(item(QStringLiteral("unmatchedSheetNotice")));
            QVERIFY(!item(QStringLiteral("registerNewButton")));
            shoot(window, code + QStringLiteral("-unmatched-slave"));
            QTest::keyClick(window, Qt::Key_Return);
            QTRY_VERIFY(!app.raceDay()->hasUnmatchedCard());
            w.store->stationSettings()->setRole(StationRole::Standalone);

            // The generated event: both sections, the overall standings and a split sheet.
            w.store->setRace(generateRace());
            app.content().setSelectedItem(SidebarItem::Introduction);
            app.content().setSelectedItem(SidebarItem::Results);
            QTRY_VERIFY(item(QStringLiteral("resultsList")));
            QTRY_VERIFY(item(QStringLiteral("rowActionsButton")));
            noTextCutOff();
            shoot(window, code + QStringLiteral("-results-generated"));
            click(QStringLiteral("stageChip___overall__"));
            QTRY_VERIFY(item(QStringLiteral("overallStages")));
            shoot(window, code + QStringLiteral("-overall-generated"));
            window->findChild<ResultsScreen *>()->selectStage(w.store->race().stages.first().id);
            QTRY_VERIFY(item(QStringLiteral("rowActionsButton")));
            QTest::keyClick(window, Qt::Key_Tab);
            const QList<QQuickItem *> stops = uichecks::tabCycle(window);
            QVERIFY2(stops.size() >= 4, qPrintable(uichecks::describe(stops)));
            window->findChild<ResultsScreen *>()->showDetail(
                window->findChild<ResultsScreen *>()->lines()->lines().at(1).resultId);
            QTRY_VERIFY(item(QStringLiteral("splitSheetClose")));
            shoot(window, code + QStringLiteral("-split-times-generated"));
            QTest::keyClick(window, Qt::Key_Escape);
            QTRY_VERIFY(!item(QStringLiteral("splitSheetClose")));
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(item(QStringLiteral("outstandingList")));
            click(QStringLiteral("group_all"));
            QTRY_VERIFY(item(QStringLiteral("statusPicker")));
            noTextCutOff();
            shoot(window, code + QStringLiteral("-status-generated"));
        }
        LocalizationManager::setShared(nullptr);
        const QStringList &problems = QmlProblemCollector::problems();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
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
