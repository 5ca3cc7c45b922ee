// Cards decoded and recorded under the zones of tests/data/evaluation/timezones.tsv: the results
// must not depend on whether TZ is set, unset, or changed from one card to the next.
#include "cardrecording.h"
#include "casetable.h"
#include "evaluationfixtures.h"
#include "log.h"
#include "sicardreading.h"

#include <QTest>

#include <ctime>

namespace {

struct Row
{
    QString name;
    QStringList cells; // zone, reading, card start, punches, finish, race time, elapsed
};

QList<Row> rows()
{
    QList<Row> rows;
    for (QStringList cells : casetable::rows(QStringLiteral("evaluation/timezones.tsv")))
        rows.append({cells.takeFirst(), cells});
    return rows;
}

// An empty zone unsets TZ: the C library then reads the system's zone file.
void useZone(const QByteArray &zone)
{
    if (zone.isEmpty())
        qunsetenv("TZ");
    else
        qputenv("TZ", zone);
    tzset();
}

int secondOfDay(const QString &hms)
{
    return QTime::fromString(hms, QStringLiteral("HH:mm:ss")).msecsSinceStartOfDay() / 1000;
}

// A time record as the card keeps it: seconds on a 12-hour clock, bit 0 of the first byte set in
// the afternoon.
void putRecord(QByteArray &bytes, int offset, int code, int seconds)
{
    bytes[offset] = char(seconds >= 43200 ? 1 : 0);
    bytes[offset + 1] = char(code);
    bytes[offset + 2] = char((seconds % 43200) >> 8);
    bytes[offset + 3] = char(seconds % 43200);
}

// Reads the row's card (an SIAC: header in block 0, punches in block 4) at the row's local reading
// time and records it for a start-punch runner on course 31 32 33. Empty when all is as expected.
QString readAndRecord(const QStringList &cells)
{
    QByteArray block0(128, char(0xEE));
    block0.replace(0, 28, QByteArray(28, '\0'));
    block0[10] = block0[11] = char(0xEE); // no check record
    putRecord(block0, 12, 0, secondOfDay(cells[2]));
    putRecord(block0, 16, 0, secondOfDay(cells[4]));
    const QStringList punches = cells[3].split(QLatin1Char(' '));
    block0[22] = char(punches.size());
    QByteArray block4(128, char(0xEE));
    QStringList wallClocks;
    for (qsizetype i = 0; i < punches.size(); ++i) {
        putRecord(block4, int(4 * i), punches[i].section('@', 0, 0).toInt(),
            secondOfDay(punches[i].section('@', 1)));
        wallClocks.append(punches[i].section('@', 1));
    }
    const QDateTime readAt = QDateTime::fromString(cells[1], QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const SICardReading reading = decodeSI8PlusCard({{0, block0}, {4, block4}}, defaultCardLayout(),
        QStringLiteral("1"), QStringLiteral("SIAC1"), readAt);

    Race race;
    race.courses = {sequentialCourse(QStringLiteral("A"), {31, 32, 33})};
    race.classes = {RaceClass {}};
    race.classes[0].id = QStringLiteral("C");
    race.classes[0].courseId = QStringLiteral("A");
    race.classes[0].startMethod = StartMethod::StartPunch;
    Participant runner;
    runner.cardNumber = QStringLiteral("1");
    runner.classId = QStringLiteral("C");
    race.participants = {runner};
    const CardRecording r = recordCardReading(race, runner.cardNumber, reading.punches,
        reading.checkPunchTime, reading.startPunchTime, reading.finishPunchTime, readAt);
    if (!r.result)
        return QStringLiteral("not recorded");

    QStringList elapsed;
    QStringList placed;
    const auto clock
        = [](const QDateTime &t) { return t.toLocalTime().toString(QStringLiteral("HH:mm:ss")); };
    for (const SplitTime &split : r.result->splits) {
        elapsed.append(
            split.elapsedFromStart ? QString::number(*split.elapsedFromStart) : QStringLiteral("-"));
        if (split.status != SplitStatus::Missing)
            placed.append(clock(split.time));
    }
    const QStringList actual {QString::number(r.result->raceTime.value_or(-1)), elapsed.join(','),
        r.result->startTime ? clock(*r.result->startTime) : QString(), placed.join(' ')};
    const QStringList expected {cells[5], cells[6], cells[2], wallClocks.join(' ')};
    return actual == expected
        ? QString()
        : QStringLiteral("got \"%1\", expected \"%2\"").arg(actual.join('|'), expected.join('|'));
}

// Zones for the rows that hold in any zone, taken in turn when the zone changes between cards.
const QByteArray anyZones[] = {"Europe/Copenhagen", "", "America/St_Johns", "Asia/Kolkata", "UTC"};

} // namespace

class TestTimeZones : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        setLogSink([](const QString &) {});
    }
    void cleanup()
    {
        setLogSink(nullptr);
        useZone("Europe/Copenhagen");
    }

    void card_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QStringList>("cells");
        for (const Row &row : rows()) {
            const bool anyZone = row.cells[0] == QLatin1String("*");
            const QByteArray zone = anyZone ? QByteArray("Europe/Copenhagen") : row.cells[0].toUtf8();
            QTest::newRow(qPrintable(row.name + QStringLiteral(", TZ=") + QString::fromUtf8(zone)))
                << zone << row.cells;
            if (anyZone)
                QTest::newRow(qPrintable(row.name + QStringLiteral(", TZ unset")))
                    << QByteArray() << row.cells;
        }
    }

    void card()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QStringList, cells);
        useZone(zone);
        const QString mismatch = readAndRecord(cells);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

    // The zone changes from card to card while the app runs, forwards and back through the table.
    void zoneChangesBetweenCards()
    {
        QList<Row> all = rows();
        const QList<Row> reversed(all.crbegin(), all.crend());
        all += reversed;
        for (qsizetype i = 0; i < all.size(); ++i) {
            const QStringList &cells = all[i].cells;
            useZone(cells[0] == QLatin1String("*") ? anyZones[i % std::size(anyZones)] : cells[0].toUtf8());
            const QString mismatch = readAndRecord(cells);
            QVERIFY2(mismatch.isEmpty(), qPrintable(all[i].name + QStringLiteral(": ") + mismatch));
        }
    }
};

QTEST_GUILESS_MAIN(TestTimeZones)
#include "tst_timezones.moc"
