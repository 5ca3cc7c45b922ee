// Card-read handling without a station: the handler records through the store, autosaves, and
// only then queues the receipt, with the preferences as they are at that moment.

#include "racedayrig.h"

#include "racelocalstore.h"
#include "receipt.h"

#include <QSignalSpy>
#include <QStandardPaths>

namespace {

SIPunch punch(qint64 code, const QDateTime &at)
{
    SIPunch p;
    p.id = QUuid::createUuid();
    p.controlCode = code;
    p.time = at;
    return p;
}

const QDateTime start(QDate(2025, 6, 14), QTime(10, 0), Qt::LocalTime);
const QList<SIPunch> punches {punch(31, start.addSecs(300)), punch(32, start.addSecs(600))};

} // namespace

class TestRaceDayDesk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void readIsStoredAutosavedThenPrinted()
    {
        RaceDayRig rig;
        auto &store = rig.store;
        auto &reader = *rig.reader;
        auto &jobs = rig.printBackend->jobs;
        ReceiptPreferences &prefs = rig.preferences;
        prefs.autoPrintOnRead = true;
        prefs.autoPrint = true;
        prefs.printerName = QStringLiteral("receipt");
        prefs.autoCutOptionKey = QStringLiteral("FeedCut");
        prefs.autoCutOptionValue = QStringLiteral("Cut2");
        QVERIFY(reader.onCardRead);

        reader.onCardRead(QStringLiteral("2000001"), punches, std::nullopt, start, start.addSecs(754));

        QCOMPARE(store->race().results.size(), 1);
        const PersonResult stored = store->race().results.first();
        QCOMPARE(stored.raceTime, std::optional<double>(754));
        QCOMPARE(stored.readAt, rigMorning.toUTC());
        // Autosaved: the snapshot went to the writer before the receipt was even laid out.
        store->flushAutosave();
        const auto saved = RaceStore::readEventFile(store->localStore().url());
        QVERIFY(saved);
        QCOMPARE(saved->results.size(), 1);
        QVERIFY(jobs->isEmpty());
        QTRY_COMPARE(jobs->size(), 1);
        QVERIFY(jobs->first().html.contains(QStringLiteral("Ida")));
        QCOMPARE(jobs->first().printerName, QStringLiteral("receipt"));
        QVERIFY(!jobs->first().showDialog);

        // No runner: nothing recorded, nothing printed.
        reader.onCardRead(QStringLiteral("999"), punches, std::nullopt, start, start.addSecs(754));
        QCOMPARE(store->race().results.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(jobs->size(), 1);

        // Printing on read off: recorded, not printed.
        prefs.autoPrintOnRead = false;
        reader.onCardRead(QStringLiteral("2000001"), punches, std::nullopt, start, start.addSecs(800));
        QCOMPARE(store->race().results.size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(jobs->size(), 1);

        // Dialog wanted: auto-print off shows it; an empty cutter key sets no option.
        prefs.autoPrintOnRead = true;
        prefs.autoPrint = false;
        prefs.autoCutOptionKey.clear();
        reader.onCardRead(QStringLiteral("2000001"), punches, std::nullopt, start, start.addSecs(900));
        QTRY_COMPARE(jobs->size(), 2);
        QVERIFY(jobs->last().showDialog);
        QVERIFY(!jobs->last().cutterOption);
    }

    void failingPrinterKeepsTheResult()
    {
        QTemporaryDir dir;
        auto clock = std::make_shared<ManualReaderClock>(rigMorning);
        auto store = makeTestStore(dir, clock);
        store->setRace(deskTestRace());
        CardReaderViewModel reader(clock, SIDeviceRoots {});
        // The real backend with no printing system to reach.
        qputenv("CUPS_SERVER", dir.filePath(QStringLiteral("no-cups.sock")).toLocal8Bit());
        ReceiptPrinter printer;
        QSignalSpy finished(&printer, &ReceiptPrinter::jobFinished);
        ReceiptPreferences prefs;
        prefs.autoPrintOnRead = true;
        prefs.autoPrint = true;
        prefs.printerName = QStringLiteral("gone");
        RaceDayDesk desk(store.get(), &reader, &printer, [&prefs] { return prefs; });
        ReaderPaneViewModel pane;
        pane.setPrinterDirectory({[] { return QStringList(); }, [] { return QString(); }});
        pane.setDesk(&desk);
        QSignalSpy printerChanged(&pane, &ReaderPaneViewModel::printerChanged);
        desk.install();
        reader.onCardRead(QStringLiteral("2000001"), {}, std::nullopt, start, start.addSecs(100));
        QCOMPARE(store->race().results.size(), 1);
        QVERIFY(finished.wait(10000));
        QVERIFY(printer.lastFailure());
        QVERIFY(printerChanged.count() > 0);
        QCOMPARE(
            pane.printerErrorText(), QStringLiteral("Last receipt not printed on gone: Printer not found"));
        store->flushAutosave();
        QCOMPARE(RaceStore::readEventFile(store->localStore().url())->results.size(), 1);
        qunsetenv("CUPS_SERVER");
    }

    void receiptNamesTheClassOfTheResultsStage()
    {
        Race race = deskTestRace();
        race.classes.append(RaceClass {QStringLiteral("h21e"), QStringLiteral("H21 Elite")});
        race.participants[0].classIdByStage
            = StageMap<QString> {{QStringLiteral("s2"), QStringLiteral("h21e")}};
        PersonResult result;
        result.participantId = race.participants[0].id;
        result.cardNumber = race.participants[0].cardNumber;
        result.stageId = QStringLiteral("s2");
        QVERIFY(renderReceiptHTML(result, race).contains(QStringLiteral("Class: H21 Elite")));
        result.stageId = QStringLiteral("s1");
        QVERIFY(renderReceiptHTML(result, race).contains(QStringLiteral("Class: H21<")));
        result.stageId = std::nullopt;
        QVERIFY(renderReceiptHTML(result, race).contains(QStringLiteral("Class: H21<")));
    }

    void deskUnhooksItselfFromTheReader()
    {
        QTemporaryDir dir;
        auto clock = std::make_shared<ManualReaderClock>(rigMorning);
        auto store = makeTestStore(dir, clock);
        CardReaderViewModel reader(clock, SIDeviceRoots {});
        {
            RaceDayDesk desk(store.get(), &reader, nullptr, {});
            desk.install();
            QVERIFY(reader.onCardRead);
        }
        QVERIFY(!reader.onCardRead);
    }
};

QTEST_MAIN(TestRaceDayDesk)
#include "tst_racedaydesk.moc"
