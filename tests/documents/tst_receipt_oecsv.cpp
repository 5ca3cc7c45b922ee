#include "casetable.h"
#include "documentfixtures.h"
#include "documenttestsupport.h"
#include "oecsv.h"
#include "racejson.h"
#include "receipt.h"
#include "testenvironment.h"
#include "testevent.h"

#include <QSet>
#include <QTest>

namespace {

QStringList cellsOf(const QString &line)
{
    return line.split(QLatin1Char(';'));
}

} // namespace

class TestReceiptAndOECSV : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void duration_data() { casetable::load("documents/receipt-durations.tsv"); }
    void duration()
    {
        QFETCH(QStringList, cells);
        bool ok = false;
        const double seconds = cells[0].toDouble(&ok);
        QVERIFY(ok);
        QCOMPARE(formatDurationForReceipt(seconds), cells[1]);
    }

    // Each event under documents/receipts/ holds one result; its receipt must be the golden
    // <event>.html beside it. A new case is a new pair of files.
    void receipts_data() { documenttest::loadEventFiles("documents/receipts"); }
    void receipts()
    {
        QFETCH(QString, event);
        QString error;
        const std::optional<Race> race = documenttest::readEvent(event, &error);
        QVERIFY2(race, qPrintable(error));
        QCOMPARE(race->results.size(), 1);
        VERIFY_GOLDEN(QStringLiteral("receipts/") + QFileInfo(event).baseName() + QStringLiteral(".html"),
            renderReceiptHTML(race->results[0], *race).toUtf8());
    }

    // The header's bytes are pinned by the golden export below.
    void emptyRaceIsTheHeaderAlone() { QCOMPARE(makeOECSV(Race {}), oeCSVHeader()); }

    void databaseId()
    {
        QCOMPARE(oeCSVDatabaseId(QUuid()), 719089);
        const QUuid id = QUuid::createUuid();
        QCOMPARE(oeCSVDatabaseId(id), oeCSVDatabaseId(id));
        QVERIFY(oeCSVDatabaseId(id) >= 100000 && oeCSVDatabaseId(id) <= 999999);
    }

    void oeRows()
    {
        // H21 and three stages stored out of order; Anna with separators and line breaks in her
        // cells, a runner in H21 on stage s1 only, one without a class, one whose class is gone.
        const Race race = testEvent(QStringLiteral("documents/oe-entries-event.json"));
        QRandomGenerator random(7);
        const QString csv = makeOECSV(race, random);
        // Race 2 is the stage of order 1: only there does the per-stage runner run. Separators
        // and line breaks inside cells are replaced.
        VERIFY_GOLDEN(QStringLiteral("entries-oe.csv"), csv.toUtf8());
    }

    void oeWithoutStagesAndStartNumbers()
    {
        Race race;
        for (int i = 0; i < 150; ++i) {
            Participant p;
            if (i == 0)
                p.startTime = utc(6, 5, 9);
            race.participants.append(p);
        }
        const QString first = makeOECSV(race);
        const QStringList lines = first.chopped(1).split(QLatin1Char('\n'));
        const QStringList a = cellsOf(lines[1]);
        QCOMPARE(a[23], QStringLiteral("X"));
        QCOMPARE(a[30], QStringLiteral("08:05:09"));
        QCOMPARE(cellsOf(lines[2])[23], QString());
        QSet<int> numbers;
        for (int i = 1; i < lines.size(); ++i) {
            const int n = cellsOf(lines[i])[3].toInt();
            QVERIFY(n >= 1 && n <= 1500);
            numbers.insert(n);
        }
        QCOMPARE(numbers.size(), 150);
        // Database ids are stable between exports.
        const QStringList again = makeOECSV(race).chopped(1).split(QLatin1Char('\n'));
        QCOMPARE(cellsOf(again[5])[2], cellsOf(lines[5])[2]);
    }

    void eightStagesUseTheSixLowest()
    {
        // Stages of order 7 down to 0; one runner in class c on the stages of order 7 and 5.
        const Race race = testEvent(QStringLiteral("documents/oe-eight-stages-event.json"));
        const QStringList cells = cellsOf(makeOECSV(race).chopped(1).split(QLatin1Char('\n'))[1]);
        QCOMPARE(cells.size(), 112);
        QCOMPARE(cells[23 + 5], QStringLiteral("X"));
        QCOMPARE(cells[30 + 8 * 5], QStringLiteral("11:00:00"));
        QCOMPARE(cells.mid(23, 6).join(QString()), QStringLiteral("X"));
    }
};

QTEST_GUILESS_MAIN(TestReceiptAndOECSV)
#include "tst_receipt_oecsv.moc"
