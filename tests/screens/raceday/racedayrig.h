#pragma once

// The race-day desk as the main window builds it, for tests: a real RaceStore in a temporary
// folder (its own settings, autosave folder and an in-memory key store), a real card reader on a
// hand-driven clock, a receipt printer whose jobs are recorded, the desk and the reader pane's
// view-model. A station simulator on a pseudo-terminal is there for the tests that read cards.

#include "cardreaderviewmodel.h"
#include "racedaydesk.h"
#include "racestore.h"
#include "readerpaneviewmodel.h"
#include "receiptprinter.h"
#include "stationsimulator.h"
#include "storeoptions.h"
#include "testevent.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <memory>

// Records each job with its page and text, and answers with `outcome` (naming the job's printer
// when it names none): at once, or, while `holdBack`, when the test calls the answer in `pending`.
// Shared so a test keeps them once the printer owns the backend.
class RecordingPrintBackend : public ReceiptPrintBackend
{
public:
    struct Recorded
    {
        ReceiptPrintJob job;
        ReceiptPage page;
        QString text;
    };
    using Done = std::function<void(const ReceiptPrintOutcome &)>;

    void print(
        const ReceiptPrintJob &job, const ReceiptPage &page, QTextDocument &document, Done done) override
    {
        jobs->append(Recorded {job, page, document.toPlainText()});
        if (*holdBack)
            return pending->append(done);
        ReceiptPrintOutcome answer = *outcome;
        if (answer.printerName.isEmpty())
            answer.printerName = job.printerName;
        done(answer);
    }
    std::shared_ptr<QList<Recorded>> jobs = std::make_shared<QList<Recorded>>();
    std::shared_ptr<ReceiptPrintOutcome> outcome = std::make_shared<ReceiptPrintOutcome>();
    std::shared_ptr<bool> holdBack = std::make_shared<bool>(false);
    std::shared_ptr<QList<Done>> pending = std::make_shared<QList<Done>>();
};

// 10:00 on a race day; card punch times are on the same day.
inline const QDateTime rigMorning(QDate(2025, 6, 14), QTime(10, 30), Qt::LocalTime);

inline std::unique_ptr<RaceStore> makeTestStore(const QTemporaryDir &dir, std::shared_ptr<ReaderClock> clock)
{
    RaceStoreOptions options = storeOptionsIn(dir.path(), QStringLiteral("autosave"));
    options.clock = [clock] { return clock->now().toUTC(); };
    return std::make_unique<RaceStore>(std::move(options));
}

// A start-punch class H21 on a two-control course (31, 32), Ida Holm on card 2000001.
inline Race deskTestRace()
{
    return testEvent(QStringLiteral("raceday/desk-event.json"));
}

struct RaceDayRig
{
    explicit RaceDayRig(StationMode mode = StationMode::Handshake)
        : clock(std::make_shared<ManualReaderClock>(rigMorning))
        , station(mode)
    {
        QVERIFY(dir.isValid());
        store = makeTestStore(dir, clock);
        store->setRace(deskTestRace());
        SIDeviceRoots roots;
        roots.sysRoot = dir.filePath(QStringLiteral("no-sys"));
        roots.devRoot = dir.filePath(QStringLiteral("no-dev"));
        QVERIFY(station.start());
        roots.extraPorts = {station.devicePath()};
        reader = std::make_unique<CardReaderViewModel>(clock, roots);
        auto backend = std::make_unique<RecordingPrintBackend>();
        printBackend = backend.get();
        printer = std::make_unique<ReceiptPrinter>(std::move(backend));
        desk = std::make_unique<RaceDayDesk>(
            store.get(), reader.get(), printer.get(), [this] { return preferences; });
        desk->setClock(clock);
        desk->install();
        pane = std::make_unique<ReaderPaneViewModel>();
        pane->setPrinterDirectory({[] { return QStringList {QStringLiteral("Receipts")}; },
            [] { return QStringLiteral("Office"); }});
        pane->setDesk(desk.get());
    }

    // Inserts the card and waits until the reader has handed it to the desk.
    void readCard(const SimCard &card)
    {
        QVERIFY(reader->connectionState().isConnected());
        station.insertCard(card);
        // Read out at this moment: a reading of the same card from earlier is not this one.
        QTRY_VERIFY(reader->lastCardRead()
            && reader->lastCardRead()->cardNumber == QString::number(card.number)
            && reader->lastCardRead()->readAt == clock->now());
        if (station.mode() == StationMode::Polling && !reader->stationRequiresPolling())
            clock->advance(std::chrono::milliseconds(400));
        QTRY_VERIFY(reader->isCardDataComplete());
    }

    void connect()
    {
        reader->connectPort(station.devicePath());
        QTRY_VERIFY(reader->stationProtocolConfig().has_value());
    }

    QTemporaryDir dir;
    std::shared_ptr<ManualReaderClock> clock;
    StationSimulator station;
    std::unique_ptr<RaceStore> store;
    std::unique_ptr<CardReaderViewModel> reader;
    RecordingPrintBackend *printBackend = nullptr;
    std::unique_ptr<ReceiptPrinter> printer;
    ReceiptPreferences preferences;
    std::unique_ptr<RaceDayDesk> desk;
    std::unique_ptr<ReaderPaneViewModel> pane;
};

// Ida's card: punches 31 and 32, start 10:00:00, finish 10:12:34 (754 s).
inline SimCard idasCard()
{
    SimCard card;
    card.series = SimCard::Series::SI8;
    card.number = 2000001;
    card.check = 9 * 3600 + 58 * 60;
    card.start = 10 * 3600;
    card.punches = {SimPunch {31, 10 * 3600 + 300}, SimPunch {32, 10 * 3600 + 600}};
    card.finish = 10 * 3600 + 754;
    return card;
}
