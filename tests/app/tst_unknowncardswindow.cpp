// Cards read that no entry holds, in the real main window offscreen at its minimum size, in both
// languages: kept and listed in the Status section, given to an entry through the unmatched-card
// sheet opened from that list, or dismissed; or given to a new runner typed into the participant
// form; and a runner registered from the sheet on the first day of two, read again on the second.
// Any QML warning fails the test; screenshots land in the build folder.

#include "pdftestsupport.h"
#include "racedaywindow.h"
#include "resultexports.h"
#include "storeharness.h"
#include "testenvironment.h"
#include "uichecks.h"
#include "unmatchedcardsheet.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {

// The race-day event with Lone Wolf and Per Vik entered in H21 without a card.
Race eventWithOpenEntries()
{
    return testEvent(QStringLiteral("app/race-day-open-entries.json"));
}

// Two stages whose classes run course "Day 1" (31 32) on the first and "Day 2" (41 42 43) on the
// second; Ida Holm in H21 and Mette Lund in D21, the first stage active.
Race twoDayEvent()
{
    return testEvent(QStringLiteral("app/two-day-unknown-card.json"));
}

// A card started at 10:00 punching the controls two minutes apart, finished a minute after.
SimCard cardPunching(quint32 number, const QList<int> &controls)
{
    SimCard card;
    card.series = SimCard::Series::SI8;
    card.number = number;
    card.start = 10 * 3600;
    for (const int code : controls)
        card.punches.append(SimPunch {code, 10 * 3600 + 120 * int(card.punches.size() + 1)});
    card.finish = 10 * 3600 + 120 * int(controls.size()) + 60;
    return card;
}

const PersonResult *resultOn(const Race &race, const QString &cardNumber, const QString &stageId)
{
    for (const PersonResult &r : race.results)
        if (r.cardNumber == cardNumber && r.stageId == stageId)
            return &r;
    return nullptr;
}

} // namespace

class TestUnknownCardsWindow : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { useTestSettings("tst_unknowncardswindow"); }

    void keptCardsInTheStatusSection_data() { addLanguageRows(); }
    void keptCardsInTheStatusSection()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(eventWithOpenEntries());
            VexloApp &app = *w.app;
            w.mayElide = {QStringLiteral("outstandingDetail")};
            const QString code = w.atMinimumSizeIn(languageIndex);

            // Nothing kept: the Status section shows no such list.
            app.content().setSelectedItem(SidebarItem::Pending);
            QTRY_VERIFY(w.item(QStringLiteral("outstandingRow_Lone Wolf")));
            QVERIFY(!w.item(QStringLiteral("unknownCardsSection")));

            // Two cards nobody holds, read one after the other: the second read no longer
            // pushes the first out of sight.
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);
            w.read(simCard(2000098), RaceDayDesk::CardStatus::Unmatched);
            w.clock->advance(std::chrono::seconds(10));
            app.content().setSelectedItem(SidebarItem::Pending);
            const QString card99 = localized(QStringLiteral("Card %@"), QStringLiteral("2000099"));
            const QString card98 = localized(QStringLiteral("Card %@"), QStringLiteral("2000098"));
            QTRY_VERIFY(w.item(QStringLiteral("unknownCardRow_") + card99));
            QVERIFY(w.item(QStringLiteral("unknownCardRow_") + card98));
            QCOMPARE(w.item(QStringLiteral("unknownCardsTitle"))->property("text").toString(),
                localized(QStringLiteral("Cards read with no runner (%@)"), 2));
            w.shot(code + QStringLiteral("-status-unknown-cards"));

            // "Register..." opens the sheet for the kept card; it goes to Lone Wolf, leaves the
            // list, and becomes his result.
            w.click(w.itemIn(
                QStringLiteral("unknownCardRow_") + card99, QStringLiteral("registerKeptCardButton")));
            QTRY_VERIFY(w.item(QStringLiteral("candidate_Lone Wolf")));
            w.shot(code + QStringLiteral("-status-unknown-card-sheet"));
            w.click(w.itemIn(QStringLiteral("candidate_Lone Wolf"), QStringLiteral("assignCardButton")));
            QTRY_VERIFY(!w.item(QStringLiteral("unmatchedCardSheet")));
            QTRY_VERIFY(!w.item(QStringLiteral("unknownCardRow_") + card99));
            QCOMPARE(w.store->race().unknownCards->size(), 1);
            const auto &results = w.store->race().results;
            QVERIFY(std::any_of(results.cbegin(), results.cend(),
                [](const PersonResult &r) { return r.cardNumber == QLatin1String("2000099"); }));
            QVERIFY(!w.item(QStringLiteral("outstandingRow_Lone Wolf")));

            // "Dismiss" drops the other for good; the list goes with it.
            w.click(w.itemIn(
                QStringLiteral("unknownCardRow_") + card98, QStringLiteral("dismissKeptCardButton")));
            QTRY_VERIFY(!w.item(QStringLiteral("unknownCardsSection")));
            QVERIFY(!w.store->race().unknownCards);
            w.shot(code + QStringLiteral("-status-unknown-cards-done"));
        }
        verifyNoQmlProblems();
    }

    // A card nobody holds read on the first day; the organiser registers a new runner for it from
    // the sheet. On the second day the same card is read with that day's course: the runner is
    // judged by it, and the day's split times stand under its controls.
    void registeredOnTheFirstDayRunsTheSecondDaysCourse_data() { addLanguageRows(); }
    void registeredOnTheFirstDayRunsTheSecondDaysCourse()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(twoDayEvent());
            VexloApp &app = *w.app;
            w.mayElide = {QStringLiteral("recentRunnerName"), QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            const QString card = QStringLiteral("2000099");

            // Day 1: nobody holds the card and no entry waits for one, so "Register..." opens the
            // editor at once.
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(cardPunching(2000099, {31, 32}), RaceDayDesk::CardStatus::Unmatched);
            w.click(QStringLiteral("registerButton"));
            QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
            w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Nina"));
            w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Dal"));
            w.shot(code + QStringLiteral("-unmatched-new-runner-two-days"));
            w.click(QStringLiteral("participantSave"));
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
            const auto nina = [&w]() -> const Participant & {
                const QList<Participant> &entries = w.store->race().participants;
                return *std::find_if(entries.cbegin(), entries.cend(),
                    [](const Participant &p) { return p.givenName == u"Nina"; });
            };
            QCOMPARE(nina().classId, std::optional<QString>(QStringLiteral("h21")));
            // H21 sets each day's course itself: the runner is given none, on no day.
            QCOMPARE(nina().courseId, std::optional<QString>());
            QCOMPARE(nina().courseIdByStage, std::optional<StageMap<QString>>());
            const PersonResult *first = resultOn(w.store->race(), card, QStringLiteral("s1"));
            QVERIFY(first);
            QCOMPARE(first->courseId, std::optional<QString>(QStringLiteral("d1")));
            QVERIFY(first->completed);

            // Day 2, picked on the reader pane's stage picker.
            w.click(w.item(QStringLiteral("stagePicker")));
            w.click(findVisibleItem(w.window, [](QQuickItem *i) {
                return i->inherits("QQuickAbstractButton") && i->property("text").toString() == u"Stage 2";
            }));
            QTRY_COMPARE(w.store->race().activeStageId, std::optional<QString>(QStringLiteral("s2")));
            w.read(cardPunching(2000001, {41, 42, 43}));
            w.read(cardPunching(2000099, {41, 42, 43}));
            QCOMPARE(app.raceDay()->cardPanelVariant().value(QStringLiteral("verdictText")).toString(),
                localized(QStringLiteral("COMPLETED")));
            QCOMPARE(
                app.raceDay()->cardPanelVariant().value(QStringLiteral("missingText")).toString(), QString());
            const PersonResult *second = resultOn(w.store->race(), card, QStringLiteral("s2"));
            QVERIFY(second);
            QCOMPARE(second->courseId, std::optional<QString>(QStringLiteral("d2")));
            QVERIFY(second->completed);
            QStringList codes;
            for (const SplitTime &split : second->splits)
                codes.append(QString::number(split.controlCode) + u':' + toText(split.status));
            QCOMPARE(codes, QStringList({"41:ok", "42:ok", "43:ok"}));
            w.shot(code + QStringLiteral("-reader-registered-second-day"));

            // The day's split times: H21 under day 2's controls, Nina among the runners.
            ResultFilter day2;
            day2.stageId = QStringLiteral("s2");
            const QString pdf = w.dir.filePath(code + QStringLiteral("-splits-day-2.pdf"));
            QVERIFY(exportResults(ResultExportKind::SplitsPDF, w.store->race(), day2, pdf).ok);
            const QStringList lines = pdftest::text(pdf).split(u'\n');
            const QString total = localized(QStringLiteral("Total"));
            QStringList controlRows;
            for (const QString &line : lines)
                if (line.simplified().endsWith(total))
                    controlRows.append(line.simplified());
            // The controls head each runner's lines: Ida's and Nina's.
            const QString controls = QStringLiteral("41 42 43 ") + total;
            QCOMPARE(controlRows, QStringList({controls, controls}));
            QVERIFY2(lines.filter(QStringLiteral("Nina Dal")).size() == 1, qPrintable(lines.join(u'\n')));
        }
        verifyNoQmlProblems();
    }

    // A card whose punches name no course, registered with Return on the empty form; the organiser
    // then gives the runner a name and D21 (a start-punch class) in the entries' editor: the
    // result starts from the card's start record and runs D21's course at once, and a course
    // changed on the Results screen keeps that start.
    void emptyFormCompletedInTheEditor_data() { addLanguageRows(); }
    void emptyFormCompletedInTheEditor()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(twoDayEvent());
            VexloApp &app = *w.app;
            w.mayElide = {QStringLiteral("recentRunnerName"), QStringLiteral("portName"),
                QStringLiteral("entryDetail"), QStringLiteral("resultDetail")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            const QString card = QStringLiteral("2000097");
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(cardPunching(2000097, {51, 52}), RaceDayDesk::CardStatus::Unmatched);
            w.click(QStringLiteral("registerButton"));
            QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
            w.click(QStringLiteral("givenNameField"));
            QTRY_VERIFY(w.hasFocus(QStringLiteral("givenNameField")));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
            const auto read = [&]() { return resultOn(w.store->race(), card, QStringLiteral("s1")); };
            QVERIFY(read());
            QCOMPARE(read()->startTime, std::optional<QDateTime>());
            QVERIFY(read()->cardStartTime);

            app.content().setSelectedItem(SidebarItem::Participants);
            QTRY_VERIFY(w.itemIn(QStringLiteral("entryRow_"), QStringLiteral("editEntryButton")));
            w.click(w.itemIn(QStringLiteral("entryRow_"), QStringLiteral("editEntryButton")));
            QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
            w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Nina"));
            w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Dal"));
            w.click(QStringLiteral("classPicker"));
            QQuickItem *d21 = nullptr;
            QTRY_VERIFY((d21 = findVisibleItem(w.window, [](QQuickItem *i) {
                return i->inherits("QQuickAbstractButton") && i->property("text").toString() == u"D21";
            })));
            w.click(d21);
            QTRY_COMPARE(
                w.valueOf(QStringLiteral("classPicker"), "currentText").toString(), QStringLiteral("D21"));
            w.shot(code + QStringLiteral("-editor-class-for-registered-card"));
            w.click(QStringLiteral("participantSave"));
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
            QVERIFY(read());
            QCOMPARE(read()->startTime, read()->cardStartTime);
            QCOMPARE(read()->courseId, std::optional<QString>(QStringLiteral("d1")));
            QVERIFY(read()->raceTime);

            app.content().setSelectedItem(SidebarItem::Results);
            w.click(QStringLiteral("stageChip_s1"));
            QTRY_VERIFY(w.item(QStringLiteral("resultRow_Nina Dal")));
            w.click(w.itemIn(QStringLiteral("resultRow_Nina Dal"), QStringLiteral("rowActionsButton")));
            w.click(localized(QStringLiteral("Change course")));
            QQuickItem *day2 = nullptr;
            QTRY_VERIFY((day2 = findVisibleItem(w.window, QStringLiteral("courseChoice_Day 2"))));
            QVERIFY(QMetaObject::invokeMethod(day2, "triggered"));
            QTRY_COMPARE(read()->courseId, std::optional<QString>(QStringLiteral("d2")));
            QCOMPARE(read()->startTime, read()->cardStartTime);
            QTest::keyClick(w.window, Qt::Key_Escape);
            QTRY_VERIFY(w.item(QStringLiteral("resultRow_Nina Dal")));
            const QString noStart = localized(QStringLiteral("NO START TIME"));
            const auto rowTexts = [&] {
                QStringList texts;
                QList<QQuickItem *> pending {w.item(QStringLiteral("resultRow_Nina Dal"))};
                while (!pending.isEmpty()) {
                    QQuickItem *item = pending.takeFirst();
                    if (item && item->isVisible()) {
                        texts.append(item->property("text").toString());
                        pending.append(item->childItems());
                    }
                }
                return texts;
            };
            QTRY_VERIFY(!rowTexts().isEmpty());
            QVERIFY2(!rowTexts().contains(noStart), qPrintable(rowTexts().join(u'|')));
            w.shot(code + QStringLiteral("-results-registered-card-course-changed"));
        }
        verifyNoQmlProblems();
    }

    // The registration form drafted for a card of D21's family course on the first day: the
    // organiser picks H21 instead, whose course the day sets itself. The drawn course goes with
    // the class: the runner is listed in H21 and judged by H21's course of the day.
    void registrationFormPicksAnotherClass_data() { addLanguageRows(); }
    void registrationFormPicksAnotherClass()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            Race race = testEvent(QStringLiteral("raceday/two-day-registration.json"));
            race.activeStageId = QStringLiteral("day1");
            RaceDayWindow w(race);
            VexloApp &app = *w.app;
            w.mayElide = {QStringLiteral("recentRunnerName"), QStringLiteral("portName")};
            const QString code = w.atMinimumSizeIn(languageIndex);
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(cardPunching(2000096, {51, 52, 53}), RaceDayDesk::CardStatus::Unmatched);
            w.click(QStringLiteral("registerButton"));
            QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
            w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Nina"));
            w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Dal"));
            QCOMPARE(w.item(QStringLiteral("classPicker"))->property("currentText").toString(),
                QStringLiteral("D21"));
            w.click(QStringLiteral("classPicker"));
            QQuickItem *h21 = nullptr;
            QTRY_VERIFY((h21 = findVisibleItem(w.window, [](QQuickItem *i) {
                return i->inherits("QQuickAbstractButton") && i->property("text").toString() == u"H21";
            })));
            w.click(h21);
            QTRY_COMPARE(
                w.valueOf(QStringLiteral("classPicker"), "currentText").toString(), QStringLiteral("H21"));
            w.shot(code + QStringLiteral("-registration-form-h21-after-d21"));
            w.click(QStringLiteral("participantSave"));
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
            const Participant *nina = nullptr;
            for (const Participant &p : w.store->race().participants)
                if (p.givenName == u"Nina")
                    nina = &p;
            QVERIFY(nina);
            QCOMPARE(nina->classId, std::optional<QString>(QStringLiteral("h21")));
            QCOMPARE(nina->courseId, std::optional<QString>());
            QVERIFY(!nina->courseIdByStage || nina->courseIdByStage->isEmpty());
            const PersonResult *result
                = resultOn(w.store->race(), QStringLiteral("2000096"), QStringLiteral("day1"));
            QVERIFY(result);
            QCOMPARE(result->courseId, std::optional<QString>(QStringLiteral("D1")));
            QVERIFY(!result->completed);
        }
        verifyNoQmlProblems();
    }

    // "Register new participant instead": a name pasted on two lines is refused under the given
    // name's field, kept as pasted, and nothing is stored, not even by Return; the message
    // showing and going moves no field of the form. Return in the club field then saves.
    void newRunnerForm_data() { addLanguageRows(); }
    void newRunnerForm()
    {
        QFETCH(int, languageIndex);
        WindowTestScope scope;
        {
            RaceDayWindow w(eventWithOpenEntries());
            VexloApp &app = *w.app;
            const QString code = w.atMinimumSizeIn(languageIndex);
            app.content().setSelectedItem(SidebarItem::Reader);
            w.read(simCard(2000099), RaceDayDesk::CardStatus::Unmatched);
            w.click(QStringLiteral("registerButton"));
            QTRY_VERIFY(w.item(QStringLiteral("candidate_Lone Wolf")));
            w.click(QStringLiteral("registerNewButton"));
            QTRY_VERIFY(w.item(QStringLiteral("givenNameField")));
            QTRY_VERIFY(uichecks::settled(w.item(QStringLiteral("givenNameField"))));
            // The form as laid out once everything in it is made: where its fields stay.
            w.settle();
            const QByteArray before = compactJson(w.store->race());

            // Where the form's controls are in the window.
            const auto placed = [&] {
                QList<QPointF> at;
                for (const char *name : {"givenNameField", "familyNameField", "cardNumberField", "clubField",
                         "preferencePicker", "classPicker", "participantSave"}) {
                    QQuickItem *item = w.item(QString::fromLatin1(name));
                    at.append(item ? item->mapToScene(QPointF(0, 0)) : QPointF(-1, -1));
                }
                return at;
            };
            const QList<QPointF> opened = placed();

            QGuiApplication::clipboard()->setText(QStringLiteral("Niels\nPeter"));
            w.click(QStringLiteral("givenNameField"));
            QTRY_VERIFY(w.hasFocus(QStringLiteral("givenNameField")));
            QTest::keyClick(w.window, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(w.window, Qt::Key_V, Qt::ControlModifier);
            QTRY_VERIFY(w.item(QStringLiteral("givenNameWarning")));
            QCOMPARE(w.item(QStringLiteral("givenNameWarning"))->property("text").toString(),
                localized(
                    QStringLiteral("A name cannot hold a line break, a tab or another control character.")));
            QCOMPARE(w.item(QStringLiteral("givenNameField"))->property("text").toString(),
                QStringLiteral("Niels\nPeter"));
            QVERIFY(!w.item(QStringLiteral("familyNameWarning")));
            QVERIFY(!w.item(QStringLiteral("clubWarning")));
            // Right under the given name's field, above the family name's.
            QQuickItem *given = w.item(QStringLiteral("givenNameField"));
            const auto messageTop
                = [&] { return w.item(QStringLiteral("givenNameWarning"))->mapToScene(QPointF(0, 0)).y(); };
            QTRY_VERIFY(messageTop() >= given->mapToScene(QPointF(0, given->height())).y());
            QVERIFY(messageTop() < w.item(QStringLiteral("familyNameField"))->mapToScene(QPointF(0, 0)).y());
            // The sheet stays where it was once laid out: the given name's field has not moved, and
            // what is below the message moved down by the same step, the form growing at the bottom.
            QTRY_COMPARE(placed().first(), opened.first());
            w.settle();
            const QList<QPointF> refused = placed();
            const qreal step = refused.at(1).y() - opened.at(1).y();
            QVERIFY(step > 0);
            for (qsizetype i = 1; i < opened.size(); ++i)
                QCOMPARE(refused.at(i), opened.at(i) + QPointF(0, step));
            QVERIFY(!w.item(QStringLiteral("participantSave"))->isEnabled());
            QTest::keyClick(w.window, Qt::Key_Return);
            QVERIFY(w.item(QStringLiteral("givenNameField")));
            QCOMPARE(compactJson(w.store->race()), before);
            w.shot(code + QStringLiteral("-unmatched-new-runner-line-break"));

            // Mended: the message goes and the form stays where it was; a click lands in the field
            // under the pointer, and Return there saves the runner with the card.
            w.typeInto(QStringLiteral("givenNameField"), QStringLiteral("Niels Peter"));
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameWarning")));
            QTRY_COMPARE(placed(), opened);
            w.typeInto(QStringLiteral("familyNameField"), QStringLiteral("Holm"));
            // The club pasted on two lines: refused under it, and no text field moves.
            QGuiApplication::clipboard()->setText(QStringLiteral("OK\n\u00D8st"));
            w.click(QStringLiteral("clubField"));
            QTRY_VERIFY(w.hasFocus(QStringLiteral("clubField")));
            QTest::keyClick(w.window, Qt::Key_V, Qt::ControlModifier);
            QTRY_VERIFY(w.item(QStringLiteral("clubWarning")));
            QVERIFY(!w.item(QStringLiteral("givenNameWarning")));
            QTRY_COMPARE(placed().mid(0, 4), opened.mid(0, 4));
            QTest::keyClick(w.window, Qt::Key_Return);
            QVERIFY(w.item(QStringLiteral("givenNameField")));
            QCOMPARE(compactJson(w.store->race()), before);
            w.typeInto(QStringLiteral("clubField"), QStringLiteral("OK \u00D8st"));
            QTRY_VERIFY(!w.item(QStringLiteral("clubWarning")));
            QTRY_COMPARE(placed(), opened);
            QVERIFY(w.item(QStringLiteral("clubField"))->hasActiveFocus());
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("givenNameField")));
            const auto &runners = w.store->race().participants;
            const auto niels = std::find_if(runners.cbegin(), runners.cend(),
                [](const Participant &p) { return p.givenName == u"Niels Peter"; });
            QVERIFY(niels != runners.cend());
            QCOMPARE(niels->familyName, QStringLiteral("Holm"));
            QCOMPARE(niels->club, std::optional<QString>(QStringLiteral("OK \u00D8st")));
            QCOMPARE(niels->cardNumber, QStringLiteral("2000099"));
            const auto &results = w.store->race().results;
            QVERIFY(std::any_of(results.cbegin(), results.cend(), [&](const PersonResult &r) {
                return r.cardNumber == u"2000099" && r.participantId == niels->id;
            }));
        }
        verifyNoQmlProblems();
    }
};

QTEST_MAIN(TestUnknownCardsWindow)
#include "tst_unknowncardswindow.moc"
