// A card read at the station ends on screen: the station simulator on a pseudo-terminal, the real
// reader, the real store in temporary folders, and the window's desk and reader-pane view-models;
// then the reader pane's stage picker, printer menu and port rows (the card panel's texts and the
// recent-results list are case files of tst_resultscases).

#include "racedayrig.h"
#include "testenvironment.h"

#include "casetable.h"
#include "iofresultlistwriter.h"
#include "localization.h"
#include "outstandingrunners.h"
#include "racedayresults.h"
#include "racelocalstore.h"
#include "receipt.h"
#include "splittimessheet.h"
#include "timeofday.h"
#include "unmatchedcardsheet.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace std::chrono_literals;

class TestRaceDayEndToEnd : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_language = std::make_unique<LocalizationManager>(QStringList {QStringLiteral("en-US")});
        LocalizationManager::setShared(m_language.get());
    }
    void cleanupTestCase() { LocalizationManager::setShared(nullptr); }

    // A card nobody holds is listed by the Status section until settled: here given to a new
    // runner whose card number was changed in the editor, which settles the kept read-out too.
    void keptCardFromTheStatusList()
    {
        RaceDayRig rig;
        OutstandingScreen status;
        status.setStore(rig.store.get());
        QVERIFY(status.unknownCards().isEmpty());
        QCOMPARE(status.unknownCardsTitle(), QString());
        QList<SIPunch> punches;
        for (int code : {31, 32}) {
            SIPunch p;
            p.controlCode = code;
            p.time = rigMorning.addSecs(-1800 + 60 * code);
            punches.append(p);
        }
        const std::optional<QDateTime> finish = rigMorning.addSecs(-60);
        rig.desk->handleCardRead(QStringLiteral("2000077"), punches, std::nullopt, std::nullopt, finish);
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::NoCard);
        QCOMPARE(status.unknownCards().size(), 1);
        const QVariantMap row = status.unknownCards().first().toMap();
        QCOMPARE(row.value(QStringLiteral("title")).toString(), QStringLiteral("Card 2000077"));
        QCOMPARE(
            row.value(QStringLiteral("detail")).toString(), QStringLiteral("Read at 10:30:00 · 2 punch(es)"));
        QCOMPARE(status.unknownCardsTitle(), QStringLiteral("Cards read with no runner (1)"));

        // Another stage made active meanwhile: the kept read-out is still the one settled below.
        Race staged = rig.store->race();
        staged.activeStageId = QStringLiteral("day2");
        rig.store->setRace(staged);

        // "Register..." on the list: the sheet gets the read-out as it was read.
        QSignalSpy opened(rig.desk.get(), &RaceDayDesk::unmatchedCardChanged);
        rig.desk->registerKeptCard(QUuid::createUuid().toString());
        QCOMPARE(opened.count(), 0);
        rig.desk->registerKeptCard(row.value(QStringLiteral("id")).toString());
        QCOMPARE(opened.count(), 1);
        QCOMPARE(rig.desk->unmatchedCard()->cardNumber, QStringLiteral("2000077"));
        QCOMPARE(rig.desk->unmatchedCard()->finishPunchTime, finish);
        QCOMPARE(rig.desk->unmatchedCard()->punches.size(), 2);

        UnmatchedCardSheet sheet;
        sheet.setStoreObject(rig.store.get());
        sheet.setDeskObject(rig.desk.get());
        Participant runner = sheet.draftParticipant().value<Participant>();
        runner.givenName = QStringLiteral("Nina");
        runner.cardNumber = QStringLiteral("7000123");
        sheet.saveNewParticipant(QVariant::fromValue(runner));
        QVERIFY(!rig.desk->hasUnmatchedCard());
        QCOMPARE(rig.store->race().results.size(), 1);
        QCOMPARE(rig.store->race().results.first().cardNumber, QStringLiteral("7000123"));
        QVERIFY(!rig.store->race().unknownCards);
        QVERIFY(status.unknownCards().isEmpty());
        QCOMPARE(status.unknownCardsTitle(), QString());
    }

    // Once the sheet has given the card on show to a runner, the pane shows that result and no
    // longer offers "Register..." (a second registration would give the read to another entry);
    // reading the card again then keeps the one result.
    void cardGivenThroughTheSheetShowsItsResult()
    {
        RaceDayRig rig;
        Race race = rig.store->race();
        Participant open;
        open.givenName = QStringLiteral("Lone");
        open.classId = QStringLiteral("h21");
        open.courseId = QStringLiteral("c1");
        race.participants.append(open);
        rig.store->setRace(race);
        rig.connect();
        SimCard card = idasCard();
        card.number = 2000077;
        rig.readCard(card);
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Unmatched);
        rig.desk->registerShownCard();
        UnmatchedCardSheet sheet;
        sheet.setStoreObject(rig.store.get());
        sheet.setDeskObject(rig.desk.get());
        QCOMPARE(sheet.mode(), QStringLiteral("list"));
        sheet.assignCard(open.id.toString());
        QCOMPARE(rig.store->race().results.size(), 1);
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Result);
        QCOMPARE(rig.desk->cardPanelVariant().value(QStringLiteral("runnerName")).toString(),
            QStringLiteral("Lone"));
        QVERIFY(!rig.store->race().unknownCards);

        const SICardReading read = *rig.reader->lastCardRead();
        for (int i = 0; i < 2; ++i)
            rig.desk->handleCardRead(read.cardNumber, read.punches, read.checkPunchTime, read.startPunchTime,
                read.finishPunchTime);
        QCOMPARE(rig.store->race().results.size(), 1);
    }

    void cardReadEndsInStoreFileAndPanel()
    {
        RaceDayRig rig;
        QAbstractItemModelTester recentTester(rig.pane->recentResults());
        QAbstractItemModelTester portsTester(rig.pane->ports());
        rig.desk->setSelectedSection(QStringLiteral("results"));
        rig.pane->refreshPorts();
        // The simulator is named by hand, not identified by USB ids: it keeps its path as name.
        QCOMPARE(rig.pane->ports()->count(), 1);
        const QModelIndex row = rig.pane->ports()->index(0);
        QCOMPARE(row.data(ReaderPortsModel::DisplayNameRole).toString(), rig.station.devicePath());
        // "Refresh Ports" connected at once: the one reader named is taken as identified.
        QCOMPARE(row.data(ReaderPortsModel::ConnectedRole).toBool(), true);
        rig.pane->disconnectPort();
        QCOMPARE(row.data(ReaderPortsModel::ConnectedRole).toBool(), false);
        rig.pane->connectPort(rig.station.devicePath());
        QTRY_VERIFY(rig.reader->stationProtocolConfig().has_value());
        QCOMPARE(row.data(ReaderPortsModel::ConnectedRole).toBool(), true);
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::NoCard);
        QVERIFY(!rig.desk->toastShown());

        QSignalSpy changed(rig.desk.get(), &RaceDayDesk::changed);
        rig.readCard(idasCard());

        // Stored, and in the autosave file on disk.
        QCOMPARE(rig.store->race().results.size(), 1);
        const PersonResult stored = rig.store->race().results.first();
        QCOMPARE(stored.cardNumber, QStringLiteral("2000001"));
        QCOMPARE(stored.raceTime, std::optional<double>(754));
        QVERIFY(stored.completed);
        rig.store->flushAutosave();
        const std::optional<Race> saved = RaceStore::readEventFile(rig.store->localStore().url());
        QVERIFY(saved);
        QCOMPARE(saved->results.size(), 1);
        QCOMPARE(saved->results.first().id, stored.id);

        // The panel names the runner, the class and the time.
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Result);
        const QVariantMap panel = rig.desk->cardPanelVariant();
        QCOMPARE(panel.value(QStringLiteral("runnerName")).toString(), QStringLiteral("Ida Holm"));
        QCOMPARE(panel.value(QStringLiteral("classText")).toString(), QStringLiteral("Class: H21"));
        QCOMPARE(panel.value(QStringLiteral("valueText")).toString(), QStringLiteral("Total time: 12:34"));
        QCOMPARE(panel.value(QStringLiteral("verdictText")).toString(), QStringLiteral("COMPLETED"));
        QVERIFY(changed.count() > 0);

        // The recent list has it under its class.
        QCOMPARE(rig.pane->recentResults()->count(), 1);
        const QModelIndex recent = rig.pane->recentResults()->index(0);
        QCOMPARE(recent.data(RecentResultsModel::GroupRole).toString(), QStringLiteral("H21"));
        QCOMPARE(recent.data(RecentResultsModel::ValueTextRole).toString(), QStringLiteral("12:34"));
        QCOMPARE(recent.data(RecentResultsModel::RunnerNameRole).toString(), QStringLiteral("Ida Holm"));
        QCOMPARE(recent.data(RecentResultsModel::ResultIdRole).toString(),
            stored.id.toString(QUuid::WithoutBraces).toUpper());

        // The toast is up for 10 s of the injected clock, then hides.
        QVERIFY(rig.desk->toastShown());
        rig.clock->advance(9999ms);
        QVERIFY(rig.desk->toastShown());
        rig.clock->advance(1ms);
        QVERIFY(!rig.desk->toastShown());

        // A card nobody holds: nothing recorded, "Register..." offered, the sheet opens for it.
        rig.station.removeCard();
        SimCard stranger = SimCard::example(SimCard::Series::SI8, 3, 77);
        rig.readCard(stranger);
        QCOMPARE(rig.store->race().results.size(), 1);
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Unmatched);
        QCOMPARE(rig.desk->cardNumberText(), QStringLiteral("Card Number: 2000077"));
        QVERIFY(rig.desk->toastShown());
        QSignalSpy sheet(rig.desk.get(), &RaceDayDesk::unmatchedCardChanged);
        rig.desk->registerShownCard();
        QCOMPARE(sheet.count(), 1);
        QVERIFY(rig.desk->unmatchedCard());
        QCOMPARE(rig.desk->unmatchedCard()->cardNumber, QStringLiteral("2000077"));
        QCOMPARE(rig.desk->unmatchedCardText(), QStringLiteral("Card Number: 2000077"));
        rig.desk->clearUnmatchedCard();
        QVERIFY(!rig.desk->hasUnmatchedCard());
    }

    // Cards read at the given seconds; at each check time the toast is shown or not.
    void toastTiming_data() { casetable::load("raceday/toast-timing.tsv"); }
    void toastTiming()
    {
        QFETCH(QStringList, cells);
        const auto seconds = [](const QString &cell) {
            QList<int> out;
            for (const QString &s : cell.split(u','))
                out.append(s.toInt());
            return out;
        };
        const QList<int> readsAt = seconds(cells[0]);
        const QList<int> checkAt = seconds(cells[1]);
        const QString shown = cells[2];
        RaceDayRig rig;
        rig.connect();
        rig.desk->setSelectedSection(QStringLiteral("results"));
        int now = 0;
        int nextRead = 0;
        int nextCheck = 0;
        while (nextCheck < checkAt.size()) {
            if (nextRead < readsAt.size() && readsAt.at(nextRead) == now) {
                if (nextRead > 0)
                    rig.station.removeCard();
                rig.readCard(SimCard::example(SimCard::Series::SI8, 2, 100 + nextRead));
                ++nextRead;
            }
            if (checkAt.at(nextCheck) == now) {
                QVERIFY2(rig.desk->toastShown() == (shown.at(nextCheck) == u'1'),
                    qPrintable(QString::number(now)));
                ++nextCheck;
            }
            rig.clock->advance(1s);
            ++now;
        }
    }

    void toastStaysOutOfTheReaderPaneAndCloses()
    {
        RaceDayRig rig;
        rig.connect();
        rig.desk->setSelectedSection(QStringLiteral("reader"));
        rig.readCard(idasCard());
        QVERIFY(rig.desk->toastWanted());
        QVERIFY(!rig.desk->toastShown());
        rig.clock->advance(4s);
        // Another section within the 10 s: the toast shows until those 10 s have passed.
        rig.desk->setSelectedSection(QStringLiteral("results"));
        QVERIFY(rig.desk->toastShown());
        rig.clock->advance(6s);
        QVERIFY(!rig.desk->toastShown());

        // Closing hides it at once; the next reading raises it again.
        rig.station.removeCard();
        rig.readCard(SimCard::example(SimCard::Series::SI8, 2, 5));
        QVERIFY(rig.desk->toastShown());
        rig.desk->closeToast();
        QVERIFY(!rig.desk->toastShown());
        rig.clock->advance(1s);
        rig.station.removeCard();
        rig.readCard(SimCard::example(SimCard::Series::SI8, 2, 6));
        QVERIFY(rig.desk->toastShown());
    }

    void showsTheResultOfThisReadingNotAnOlderOne()
    {
        RaceDayRig rig;
        // An earlier holder of the same (rented) card, whose result carries a later read-out time
        // (another station's clock): it must not be taken for this reading's result.
        Race race = rig.store->race();
        Participant earlier;
        earlier.id = QUuid::createUuid();
        earlier.givenName = QStringLiteral("Old");
        earlier.familyName = QStringLiteral("Holder");
        earlier.cardNumber = QStringLiteral("555");
        race.participants.append(earlier);
        PersonResult old;
        old.id = QUuid::createUuid();
        old.participantId = earlier.id;
        old.cardNumber = QStringLiteral("2000001");
        old.readAt = rigMorning.addDays(1);
        old.raceTime = 999;
        race.results.append(old);
        rig.store->setRace(race);

        rig.connect();
        rig.readCard(idasCard());
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Result);
        QVERIFY(rig.desk->shownResult());
        QVERIFY(rig.desk->shownResult()->id != old.id);
        QCOMPARE(rig.desk->cardPanelVariant().value(QStringLiteral("runnerName")).toString(),
            QStringLiteral("Ida Holm"));

        // A card that matches no runner offers "Register..." even though old results carry it.
        rig.station.removeCard();
        SimCard card = idasCard();
        card.number = 2000555;
        race = rig.store->race();
        PersonResult orphan = old;
        orphan.id = QUuid::createUuid();
        orphan.cardNumber = QStringLiteral("2000555");
        race.results.append(orphan);
        rig.store->setRace(race);
        rig.readCard(card);
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Unmatched);
        QVERIFY(!rig.desk->shownResult());
    }

    // A card half-read when the connection goes is said not to be read out, also once the station
    // is back (it does not go on with a card left in it), until the card is inserted again.
    void stationUnpluggedMidRead_data() { casetable::load("raceday/interrupted-read.tsv"); }
    void stationUnpluggedMidRead()
    {
        QFETCH(QStringList, cells);
        const QString &how = cells[0];
        RaceDayRig rig(StationMode::Polling);
        rig.connect();
        rig.desk->setSelectedSection(QStringLiteral("results"));
        // A polled card waits 0.4 s for autosent blocks: the clock is held, so it stays half-read.
        rig.station.insertCard(idasCard());
        QTRY_VERIFY(rig.reader->lastCardRead().has_value());
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Reading);
        QCOMPARE(rig.desk->progressText(), QStringLiteral("Reading card 2000001..."));
        rig.pane->refreshPorts();
        QVERIFY(rig.pane->ports()->index(0).data(ReaderPortsModel::ConnectedRole).toBool());

        if (how == QLatin1String("pull") || how == QLatin1String("disconnect")) {
            if (how == QLatin1String("pull"))
                rig.station.unplug();
            else
                rig.pane->disconnectPort();
            QTRY_VERIFY(!rig.reader->connectionState().isConnected());
            QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Interrupted);
            QCOMPARE(rig.desk->interruptedText(),
                QStringLiteral("Card 2000001 was not read out: the station is disconnected"));
            QVERIFY(!rig.pane->ports()->index(0).data(ReaderPortsModel::ConnectedRole).toBool());
            QVERIFY(rig.store->race().results.isEmpty());
            rig.clock->advance(1s);
            QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Interrupted);
            if (how == QLatin1String("pull")) {
                QVERIFY(rig.station.start());
                rig.pane->refreshPorts();
            }
        }
        if (how != QLatin1String("none")) {
            rig.pane->connectPort(rig.station.devicePath());
            QTRY_VERIFY(rig.reader->connectionState().isConnected());
        }
        rig.clock->advance(1s);
        QCOMPARE(QString::fromLatin1(
                     QMetaEnum::fromType<RaceDayDesk::CardStatus>().valueToKey(int(rig.desk->cardStatus()))),
            cells[1]);
        QCOMPARE(rig.desk->cardStatus() == RaceDayDesk::CardStatus::Reading ? rig.desk->progressText()
                                                                            : rig.desk->interruptedText(),
            cells[2]);

        // The card inserted again is read out and recorded.
        rig.station.removeCard();
        rig.readCard(idasCard());
        QCOMPARE(rig.desk->cardStatus(), RaceDayDesk::CardStatus::Result);
        QCOMPARE(rig.store->race().results.size(), 1);
    }

    // The receipt is queued only once the result is stored and autosaved, with the preferences of
    // that moment; a card nobody holds prints nothing, nor does a reading with printing on read
    // off; a failing printer keeps the result and the pane says why.
    void receiptFollowsTheStoredResult()
    {
        RaceDayRig rig;
        const QList<RecordingPrintBackend::Recorded> &jobs = *rig.printBackend->jobs;
        rig.preferences.autoPrintOnRead = true;
        rig.preferences.autoPrint = true;
        rig.preferences.autoCutOptionKey = QStringLiteral("FeedCut");
        rig.preferences.autoCutOptionValue = QStringLiteral("2");
        *rig.printBackend->outcome = ReceiptPrintOutcome {
            ReceiptPrintOutcome::Failure::PrinterNotFound, QStringLiteral("Receipts"), {}};
        const QDateTime start(QDate(2025, 6, 14), QTime(10, 0));
        rig.reader->onCardRead(QStringLiteral("2000001"), {}, std::nullopt, start, start.addSecs(754));
        QCOMPARE(rig.store->race().results.size(), 1);
        QCOMPARE(rig.store->race().results.first().readAt, rigMorning.toUTC());
        rig.store->flushAutosave();
        QCOMPARE(RaceStore::readEventFile(rig.store->localStore().url())->results.size(), 1);
        QVERIFY(jobs.isEmpty());
        QTRY_COMPARE(jobs.size(), 1);
        QVERIFY(jobs.first().job.html.contains(QStringLiteral("Ida Holm")));
        QVERIFY(jobs.first().job.printerName.isEmpty()); // the system default
        QVERIFY(!jobs.first().job.showDialog);
        QCOMPARE(
            jobs.first().job.cutterOption, (std::optional<std::pair<QString, QString>>({"FeedCut", "2"})));
        QCOMPARE(rig.pane->printerErrorText(),
            QStringLiteral("Last receipt not printed on Receipts: Printer not found"));

        rig.reader->onCardRead(QStringLiteral("999"), {}, std::nullopt, start, start.addSecs(754));
        QCOMPARE(rig.store->race().results.size(), 1);
        rig.preferences.autoPrintOnRead = false;
        rig.reader->onCardRead(QStringLiteral("2000001"), {}, std::nullopt, start, start.addSecs(800));
        QCOMPARE(rig.store->race().results.size(), 2);
        rig.preferences.autoPrintOnRead = true;
        rig.preferences.autoPrint = false;
        rig.reader->onCardRead(QStringLiteral("2000001"), {}, std::nullopt, start, start.addSecs(900));
        QTRY_COMPARE(jobs.size(), 2);
        QVERIFY(jobs.last().job.showDialog);

        // The desk unhooks itself from the reader it handled.
        rig.pane.reset();
        rig.desk.reset();
        QVERIFY(!rig.reader->onCardRead);
    }

    // An SI5 card read through the station: it holds 30 punches with their times and three more
    // (a course control, an extra punch and the last control) as bare codes. Those show no time, no
    // time from the start and no leg on the sheet, the receipt and in the IOF list; the finish leg
    // runs from the last timed course control, and the wrong control punched among the first 30
    // shortens no leg.
    void si5CardPastThirtyPunches()
    {
        RaceDayRig rig;
        Race race = rig.store->race();
        Course &course = race.courses.first();
        course.controls.clear();
        for (int code = 31; code <= 61; ++code)
            course.controls.append(CourseControl {.code = code, .order = code});
        race.participants.first().cardNumber = QStringLiteral("54321");
        rig.store->setRace(race);

        SimCard card;
        card.series = SimCard::Series::SI5;
        card.number = 54321;
        card.check = 9 * 3600 + 58 * 60;
        card.start = 10 * 3600;
        for (int i = 0; i < 28; ++i)
            card.punches.append(SimPunch {31 + i, 10 * 3600 + 60 * (i + 1)});
        card.punches.append(SimPunch {99, 10 * 3600 + 1700});
        card.punches.append(SimPunch {59, 10 * 3600 + 1740});
        card.punches.append(SimPunch {60, std::nullopt});
        card.punches.append(SimPunch {98, std::nullopt});
        card.punches.append(SimPunch {61, std::nullopt});
        card.finish = 10 * 3600 + 1900;
        rig.connect();
        rig.readCard(card);

        QCOMPARE(rig.store->race().results.size(), 1);
        const PersonResult stored = rig.store->race().results.first();
        QCOMPARE(stored.raceTime, std::optional<double>(1900));
        QVERIFY(stored.completed);
        QCOMPARE(stored.splits.size(), 33);
        QCOMPARE(stored.splits.at(31).status, SplitStatus::Additional);
        QCOMPARE(stored.splits.at(31).elapsedFromStart, std::nullopt);
        QCOMPARE(stored.splits.at(29).legTime, std::optional<double>(60));

        const SplitSheetTexts sheet = splitSheetTexts(rig.store->race(), stored);
        QStringList tail;
        for (const SplitSheetLine &line : sheet.lines.mid(28))
            tail.append(QStringList {line.number, line.control, line.split, line.fromStart}.join(u' '));
        QCOMPARE(tail.join(QStringLiteral(" | ")),
            QStringLiteral(
                "+ 99 0:20 28:20 | 29 59 1:00 29:00 | 30 60 VISITED — | + 98 — — | 31 61 VISITED —"));
        QCOMPARE(sheet.finishLeg, QStringLiteral("2:40"));

        const QString receipt = renderReceiptHTML(stored, rig.store->race());
        QVERIFY(receipt.contains(
            QStringLiteral("<tr><td>29</td><td>59</td><td>1:00</td><td>29:00</td></tr>\n"
                           "<tr><td>30</td><td>60</td><td colspan=\"2\">VISITED (no time)</td></tr>\n"
                           "<tr><td>+</td><td>98</td><td>—</td><td>—</td></tr>\n")));

        const QByteArray iof
            = writeIOFResultListWithSplitsXML(rig.store->race(), {{QStringLiteral("H21"), {stored}}});
        QVERIFY(iof.contains(
            "<SplitTime status=\"Additional\">\n          <ControlCode>99</ControlCode>\n          "
            "<Time>1700</Time>"));
        QVERIFY(iof.contains(
            "<SplitTime status=\"Additional\">\n          <ControlCode>98</ControlCode>\n        "
            "</SplitTime>"));
    }

    // The reader pane's own state: the stage picker, the printer menu and status line, the ports.
    void stagePicker()
    {
        RaceDayRig rig;
        QVERIFY(!rig.pane->showsStagePicker());
        Race race = rig.store->race();
        const QDateTime day(QDate(2025, 6, 14), QTime(0, 0), Qt::UTC);
        race.stages = {Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), day.addDays(1), 2},
            Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), day, 1}};
        rig.store->setRace(race);
        QVERIFY(rig.pane->showsStagePicker());
        QCOMPARE(rig.pane->activeStageId(), QString());
        const QVariantList options = rig.pane->stageOptions();
        QCOMPARE(options.size(), 2);
        QCOMPARE(options.at(0).toMap().value(QStringLiteral("text")).toString(), QStringLiteral("Day 1"));
        QCOMPARE(options.at(1).toMap().value(QStringLiteral("value")).toString(), QStringLiteral("s2"));

        rig.pane->selectStage(QStringLiteral("s2"));
        QCOMPARE(rig.store->race().activeStageId, std::optional<QString>(QStringLiteral("s2")));
        rig.store->flushAutosave();
        QCOMPARE(RaceStore::readEventFile(rig.store->localStore().url())->activeStageId,
            std::optional<QString>(QStringLiteral("s2")));
        // An id no stage has changes nothing.
        rig.pane->selectStage(QStringLiteral("nope"));
        QCOMPARE(rig.pane->activeStageId(), QStringLiteral("s2"));
    }

    // The active stage, wherever it is moved from (the pane's picker, the Stages screen, a station's
    // event): the pane names it with its date, says so when it moves while a station is connected,
    // and the next read lands on it.
    void readsFollowTheActiveStage()
    {
        RaceDayRig rig;
        Race race = rig.store->race();
        const QDateTime day(QDate(2025, 6, 14), QTime(0, 0), Qt::UTC);
        race.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), day, 1},
            Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), day.addDays(1), 2}};
        race.activeStageId = QStringLiteral("s1");
        rig.store->setRace(race);
        QCOMPARE(rig.pane->readsGoToText(),
            QStringLiteral("Card reads go to Day 1 (%1)").arg(mediumDateText(day.toLocalTime().date())));
        // Without a station nothing reads yet: the name alone is enough.
        rig.pane->selectStage(QStringLiteral("s2"));
        QCOMPARE(rig.pane->readsGoToText(),
            QStringLiteral("Card reads go to Day 2 (%1)")
                .arg(mediumDateText(day.addDays(1).toLocalTime().date())));
        QCOMPARE(rig.pane->stageChangeNotice(), QString());

        rig.connect();
        QSignalSpy changed(rig.pane.get(), &ReaderPaneViewModel::stagesChanged);
        // The Stages screen (or the master's event) moves the stage through the store.
        race = rig.store->race();
        race.activeStageId = QStringLiteral("s1");
        rig.store->setRace(race);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(rig.pane->stageChangeNotice(), QStringLiteral("Card reads now go to Day 1"));
        QCOMPARE(rig.pane->readsGoToText(),
            QStringLiteral("Card reads go to Day 1 (%1)").arg(mediumDateText(day.toLocalTime().date())));
        rig.readCard(idasCard());
        QCOMPARE(rig.store->race().results.last().stageId, std::optional<QString>(QStringLiteral("s1")));
        // A change that leaves the stage keeps the notice as it was.
        QCOMPARE(rig.pane->stageChangeNotice(), QStringLiteral("Card reads now go to Day 1"));

        rig.reader->disconnectPort();
        QTRY_COMPARE(rig.pane->stageChangeNotice(), QString());
        QCOMPARE(rig.pane->readsGoToText(),
            QStringLiteral("Card reads go to Day 1 (%1)").arg(mediumDateText(day.toLocalTime().date())));
    }

    void printerStatus()
    {
        RaceDayRig rig;
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Office · Manual"));
        rig.pane->setAutoPrintOnRead(true);
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Office · Automatic (on read)"));
        rig.pane->setPrinterName(QStringLiteral("Receipts"));
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Receipts · Automatic (on read)"));
        QCOMPARE(rig.pane->printerChoiceIndex(), 1);
        const QVariantList choices = rig.pane->printerChoices();
        QCOMPARE(choices.size(), 2);
        QCOMPARE(choices.first().toMap().value(QStringLiteral("text")).toString(),
            QStringLiteral("System default"));
        QCOMPARE(choices.first().toMap().value(QStringLiteral("value")).toString(), QString());
        // A printer no longer installed still shows; the menu has no row for it.
        rig.pane->setPrinterName(QStringLiteral("Gone"));
        QCOMPARE(rig.pane->printerStatusText(), QStringLiteral("Printer: Gone · Automatic (on read)"));
        QCOMPARE(rig.pane->printerChoiceIndex(), -1);
        // No default printer at all.
        rig.pane->setPrinterDirectory({[] { return QStringList(); }, [] { return QString(); }});
        rig.pane->setPrinterName(QString());
        QCOMPARE(
            rig.pane->printerStatusText(), QStringLiteral("Printer: System default · Automatic (on read)"));
        QVERIFY(rig.pane->printerErrorText().isEmpty());
    }

    void portDisplayNames_data() { casetable::load("raceday/port-names.tsv"); }
    void portDisplayNames()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(portDisplayName(cells[0], cells[1].split(u',', Qt::SkipEmptyParts)), cells[2]);
    }

    void portRows()
    {
        CardReaderViewModel reader(std::make_shared<ManualReaderClock>(), SIDeviceRoots {});
        ReaderPortsModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setIdentifiedReaders([] { return QStringList {QStringLiteral("/dev/ttyUSB0")}; });
        model.setReader(&reader);
        QCOMPARE(model.count(), 0);
        reader.setAvailablePorts(
            {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyUSB1")});
        QCOMPARE(model.count(), 3);
        // Three rows of 28 points: 84.
        QCOMPARE(model.count() * ReaderPaneViewModel::portRowHeight, 84);
        QCOMPARE(model.index(0).data(ReaderPortsModel::DisplayNameRole).toString(),
            QStringLiteral("SportIdent Reader (USB)"));
        QCOMPARE(model.index(0).data(Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(model.index(1).data(ReaderPortsModel::DisplayNameRole).toString(),
            QStringLiteral("/dev/ttyACM0"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!model.index(i).data(ReaderPortsModel::ConnectedRole).toBool());
        // A failed connect is no connection.
        reader.connectPort(QStringLiteral("/nonexistent/ttyUSB9"));
        QCOMPARE(reader.connectionState().kind(), SIConnectionState::Kind::Error);
        for (int i = 0; i < model.count(); ++i)
            QVERIFY(!model.index(i).data(ReaderPortsModel::ConnectedRole).toBool());
    }

    void paneWithoutDesk()
    {
        ReaderPaneViewModel pane;
        pane.setPrinterDirectory({[] { return QStringList(); }, [] { return QStringLiteral("Office"); }});
        QVERIFY(!pane.showsStagePicker());
        QVERIFY(pane.stageOptions().isEmpty());
        pane.selectStage(QStringLiteral("s1"));
        pane.refreshPorts();
        pane.connectPort(QStringLiteral("/dev/ttyUSB0"));
        pane.disconnectPort();
        QCOMPARE(pane.ports()->count(), 0);
        QCOMPARE(pane.recentResults()->count(), 0);
    }

private:
    std::unique_ptr<LocalizationManager> m_language;
};

QTEST_MAIN(TestRaceDayEndToEnd)
#include "tst_racedayendtoend.moc"
