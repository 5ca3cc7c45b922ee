#include "cardreaderviewmodel.h"
#include "racedaydesk.h"
#include "racelocalstore.h"
#include "racestore.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

class RecordingBackend : public ReceiptPrintBackend
{
public:
    void print(const ReceiptPrintJob &job, const ReceiptPage &, QTextDocument &,
        std::function<void(const ReceiptPrintOutcome &)> done) override
    {
        jobs->append(job);
        done(ReceiptPrintOutcome {});
    }
    std::shared_ptr<QList<ReceiptPrintJob>> jobs = std::make_shared<QList<ReceiptPrintJob>>();
};

SIPunch punch(qint64 code, const QDateTime &at)
{
    SIPunch p;
    p.controlCode = code;
    p.time = at;
    return p;
}

} // namespace

class TestRaceDayDesk : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    std::unique_ptr<RaceStore> makeStore()
    {
        RaceStoreOptions options;
        options.settings = std::make_unique<QSettings>(
            m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        options.autosaveFolder = m_dir.filePath(QStringLiteral("autosave"));
        auto store = std::make_unique<RaceStore>(std::move(options));
        Race race = store->race();
        race.classes = {RaceClass {QStringLiteral("h21"), QStringLiteral("H21")}};
        Course course;
        course.id = QStringLiteral("c1");
        course.name = QStringLiteral("Long");
        for (int i = 0; i < 2; ++i) {
            CourseControl c;
            c.code = 31 + i;
            c.order = i;
            course.controls.append(c);
        }
        race.courses = {course};
        Participant p;
        p.givenName = QStringLiteral("Ida");
        p.familyName = QStringLiteral("Holm");
        p.cardNumber = QStringLiteral("8012345");
        p.classId = QStringLiteral("h21");
        p.courseId = QStringLiteral("c1");
        race.participants = {p};
        store->setRace(race);
        return store;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void readIsStoredAutosavedThenPrinted()
    {
        auto store = makeStore();
        CardReaderViewModel reader;
        auto backend = std::make_unique<RecordingBackend>();
        auto jobs = backend->jobs;
        ReceiptPrinter printer(std::move(backend));
        ReceiptPreferences prefs;
        prefs.autoPrintOnRead = true;
        prefs.autoPrint = true;
        prefs.printerName = QStringLiteral("receipt");
        prefs.autoCutOptionKey = QStringLiteral("FeedCut");
        prefs.autoCutOptionValue = QStringLiteral("Cut2");
        RaceDayDesk desk(
            store.get(), &reader, &printer,
            [&store](auto &&...args) { return recordThroughStore(*store, args...); },
            [&prefs] { return prefs; });
        desk.install();
        QVERIFY(reader.onCardRead);

        const QDateTime start(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);
        QList<SIPunch> punches {punch(31, start.addSecs(300)), punch(32, start.addSecs(600))};
        reader.onCardRead(QStringLiteral("8012345"), punches, std::nullopt, start, start.addSecs(754));

        QCOMPARE(store->race().results.size(), 1);
        const PersonResult stored = store->race().results.first();
        QCOMPARE(stored.raceTime, std::optional<double>(754));
        // Autosaved before the receipt was even laid out.
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
        reader.onCardRead(QStringLiteral("8012345"), punches, std::nullopt, start, start.addSecs(800));
        QCoreApplication::processEvents();
        QCOMPARE(jobs->size(), 1);
    }

    void failingPrinterKeepsTheResult()
    {
        auto store = makeStore();
        CardReaderViewModel reader;
        // The real backend against a printer that does not exist (no CUPS daemon is reachable).
        qputenv("CUPS_SERVER", m_dir.filePath(QStringLiteral("no-cups.sock")).toLocal8Bit());
        ReceiptPrinter printer;
        QSignalSpy finished(&printer, &ReceiptPrinter::jobFinished);
        ReceiptPreferences prefs;
        prefs.autoPrintOnRead = true;
        prefs.autoPrint = true;
        prefs.printerName = QStringLiteral("gone");
        RaceDayDesk desk(
            store.get(), &reader, &printer,
            [&store](auto &&...args) { return recordThroughStore(*store, args...); },
            [&prefs] { return prefs; });
        desk.install();
        const QDateTime start(QDate(2024, 5, 1), QTime(10, 0), Qt::UTC);
        reader.onCardRead(QStringLiteral("8012345"), {}, std::nullopt, start, start.addSecs(100));
        QCOMPARE(store->race().results.size(), 1);
        QVERIFY(finished.wait(10000));
        QVERIFY(printer.lastFailure());
        QCOMPARE(RaceStore::readEventFile(store->localStore().url())->results.size(), 1);
    }
};

QTEST_MAIN(TestRaceDayDesk)
#include "tst_racedaydesk.moc"
