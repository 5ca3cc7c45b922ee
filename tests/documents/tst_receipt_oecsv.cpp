#include "documentfixtures.h"
#include "documenttestsupport.h"
#include "oecsv.h"
#include "receipt.h"

#include <QSet>
#include <QTest>

namespace {

Race receiptRace()
{
    Race race;
    race.name = QStringLiteral("Night & \"Day\" <Cup>");
    Participant p;
    p.id = fixedId(1);
    p.givenName = QStringLiteral("  Åse");
    p.familyName = QStringLiteral("O'Neil <&> \t");
    p.classId = QStringLiteral("c1");
    race.participants = {p};
    race.classes = {RaceClass {QStringLiteral("c1"), QStringLiteral("D21 & up")}};
    Course c;
    c.id = QStringLiteral("C1");
    c.name = QStringLiteral("Long <A>");
    Course r;
    r.id = QStringLiteral("R1");
    r.name = QStringLiteral("Score");
    r.type = CourseType::Rogaining;
    race.courses = {c, r};
    return race;
}

QStringList cellsOf(const QString &line)
{
    return line.split(QLatin1Char(';'));
}

} // namespace

class TestReceiptAndOECSV : public QObject
{
    Q_OBJECT

private slots:
    void duration_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("expected");
        QTest::newRow("754.6") << 754.6 << "12:35";
        QTest::newRow("3723") << 3723.0 << "1:02:03";
        QTest::newRow("59.5") << 59.5 << "1:00";
        QTest::newRow("3599.4") << 3599.4 << "59:59";
        QTest::newRow("3600") << 3600.0 << "1:00:00";
        QTest::newRow("0") << 0.0 << "0:00";
        QTest::newRow("nan") << qQNaN() << "—";
        QTest::newRow("inf") << qInf() << "—";
    }
    void duration()
    {
        QFETCH(double, seconds);
        QFETCH(QString, expected);
        QCOMPARE(formatDurationForReceipt(seconds), expected);
    }

    void timedReceipt()
    {
        PersonResult r;
        r.participantId = fixedId(1);
        r.courseId = QStringLiteral("C1");
        r.cardNumber = QStringLiteral("8000<1>");
        r.startTime = utc(8, 0);
        r.finishTime = utc(8, 45, 30);
        r.raceTime = 2730;
        r.completed = true;
        r.splits = {split(31, SplitStatus::Ok, 300, 300), split(32, SplitStatus::Missing, {}, {}),
            split(33, SplitStatus::VisitedNoTime, {}, {}), split(99, SplitStatus::Additional, 59.5, 3600),
            split(34, SplitStatus::Ok, {}, {})};
        const QString html = renderReceiptHTML(r, receiptRace());
        VERIFY_GOLDEN(QStringLiteral("receipt-timed.html"), html.toUtf8());
        QVERIFY(html.contains(QStringLiteral("<div class=\"name\">Åse O'Neil &lt;&amp;&gt;</div>")));
        QVERIFY(html.contains(QStringLiteral("<div>Start: 10:00:00</div><div>Finish: 10:45:30</div>")));
        QVERIFY(html.contains(
            QStringLiteral("<tr><td>2</td><td>32</td><td colspan=\"2\" class=\"miss\">MISSING</td></tr>\n"
                           "<tr><td>3</td><td>33</td>")));
        QVERIFY(html.endsWith(QStringLiteral("<div class=\"footer-line\">Total time: 45:30</div>"
                                             "<div class=\"footer-line\">COMPLETED</div>\n</body></html>")));
    }

    void scoreReceipt()
    {
        PersonResult r;
        r.participantId = fixedId(1);
        r.courseId = QStringLiteral("R1");
        r.cardNumber = QStringLiteral("1");
        r.score = 40;
        r.overtimePenalty = 0;
        r.withinTimeLimit = false;
        r.splits
            = {split(31, SplitStatus::Ok, 120, 120, 10), split(32, SplitStatus::VisitedNoTime, {}, {}, 20),
                split(33, SplitStatus::Additional, 60, 180, 5), split(34, SplitStatus::Missing, {}, {})};
        const QString html = renderReceiptHTML(r, receiptRace());
        VERIFY_GOLDEN(QStringLiteral("receipt-score.html"), html.toUtf8());
        QVERIFY(html.contains(QStringLiteral("<th>Pts</th>")));
        QVERIFY(html.contains(QStringLiteral("<td>VISITED</td><td>+20</td>")));
        QVERIFY(html.contains(QStringLiteral("<td>1:00</td><td>0</td>")));
        QVERIFY(!html.contains(QStringLiteral("Overtime penalty")));
        QVERIFY(
            html.contains(QStringLiteral("Score: 40 pts</div><div class=\"footer-line\">OVERTIME</div>")));
    }

    void receiptWithoutRunnerOrCourse()
    {
        PersonResult r;
        r.participantId = fixedId(42);
        r.cardNumber = QStringLiteral("99");
        const QString html = renderReceiptHTML(r, receiptRace());
        VERIFY_GOLDEN(QStringLiteral("receipt-unknown.html"), html.toUtf8());
        QVERIFY(html.contains(QStringLiteral("<div class=\"name\">Unknown</div>")));
        QVERIFY(!html.contains(QStringLiteral("Class:")));
        QVERIFY(html.contains(QStringLiteral("<div>Course: —</div>")));
        QVERIFY(html.endsWith(QStringLiteral("\n</table>\n<hr/>\n\n</body></html>")));
    }

    void receiptOfDeletedCourseAndOverride()
    {
        PersonResult r;
        r.participantId = fixedId(1);
        r.courseId = QStringLiteral("deleted");
        r.completed = true;
        r.completedOverride = false;
        const QString html = renderReceiptHTML(r, receiptRace());
        QVERIFY(html.contains(QStringLiteral("<div>Course: —</div>")));
        QVERIFY(html.contains(QStringLiteral("<th>Elapsed</th>")));
        // The official's decision is what the runner's note says.
        QVERIFY(html.endsWith(QStringLiteral("<div class=\"footer-line\">INCOMPLETE</div>\n</body></html>")));
    }

    void oeHeader()
    {
        const QByteArray header = oeCSVHeader().toUtf8();
        QCOMPARE(header.size(), 900);
        QVERIFY(header.endsWith('\n'));
        const QStringList cells = cellsOf(oeCSVHeader().chopped(1));
        QCOMPARE(cells.size(), 112);
        QCOMPARE(cells[0], QStringLiteral("OE0002_V12"));
        QCOMPARE(cells[29], QStringLiteral("UFK1"));
        QCOMPARE(cells[31], QStringLiteral("Mål1"));
        QCOMPARE(cells[35], QStringLiteral("Suplerende +1"));
        QCOMPARE(cells[76], QStringLiteral("Kommentar6"));
        QCOMPARE(cells[111], QStringLiteral("Gruppenavn"));
        Race empty;
        QCOMPARE(makeOECSV(empty), oeCSVHeader());
    }

    void databaseId()
    {
        QCOMPARE(oeCSVDatabaseId(QUuid()), 719089);
        const QUuid id = QUuid::createUuid();
        QCOMPARE(oeCSVDatabaseId(id), oeCSVDatabaseId(id));
        QVERIFY(oeCSVDatabaseId(id) >= 100000 && oeCSVDatabaseId(id) <= 999999);
    }

    void oeRows()
    {
        Race race;
        race.classes = {RaceClass {QStringLiteral("c1"), QStringLiteral("H21")}};
        for (int order : {2, 0, 1}) {
            Stage s;
            s.id = QStringLiteral("s%1").arg(order);
            s.name = s.id;
            s.order = order;
            race.stages.append(s);
        }
        Participant base;
        base.id = fixedId(1);
        base.givenName = QStringLiteral("Anna");
        base.familyName = QStringLiteral("Line\nBreak");
        base.cardNumber = QStringLiteral("12345");
        base.club = QStringLiteral("Club; North");
        base.classId = QStringLiteral("c1");
        base.startTime = utc(8, 30, 15);
        Participant perStage;
        perStage.id = fixedId(2);
        perStage.classIdByStage = StageMap<QString> {{QStringLiteral("s1"), QStringLiteral("c1")}};
        perStage.startTimeByStage = StageMap<QDateTime> {{QStringLiteral("s1"), utc(9, 0)}};
        perStage.startTime = utc(7, 0);
        Participant noClass;
        noClass.id = fixedId(3);
        noClass.startTime = utc(7, 0);
        Participant unknownClass;
        unknownClass.id = fixedId(4);
        unknownClass.classId = QStringLiteral("gone");
        race.participants = {base, perStage, noClass, unknownClass};

        QRandomGenerator random(7);
        const QString csv = makeOECSV(race, random);
        VERIFY_GOLDEN(QStringLiteral("entries-oe.csv"), csv.toUtf8());
        QVERIFY(csv.endsWith(QLatin1Char('\n')));
        QVERIFY(!csv.contains(QLatin1Char('\r')));
        const QStringList lines = csv.chopped(1).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5);
        for (const QString &line : lines)
            QCOMPARE(cellsOf(line).size(), 112);

        const QStringList a = cellsOf(lines[1]);
        QCOMPARE(a[2], QString::number(oeCSVDatabaseId(base.id)));
        QCOMPARE(a[4], QStringLiteral("12345"));
        QCOMPARE(a[12], QStringLiteral("Line Break"));
        QCOMPARE(a[13], QStringLiteral("Anna"));
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(a[23 + r], QStringLiteral("X"));
            QCOMPARE(a[30 + 8 * r], QStringLiteral("10:30:15"));
        }
        QCOMPARE(a[26], QString());
        QCOMPARE(a[78], QStringLiteral("Club, North"));
        QCOMPARE(a[83], QString());
        QCOMPARE(a[84], QStringLiteral("H21"));
        QCOMPARE(a[85], QStringLiteral("H21"));

        // Race 2 is the stage of order 1: only there does the per-stage runner run.
        const QStringList b = cellsOf(lines[2]);
        QCOMPARE(b[23], QString());
        QCOMPARE(b[24], QStringLiteral("X"));
        QCOMPARE(b[30], QString());
        QCOMPARE(b[38], QStringLiteral("11:00:00"));
        QCOMPARE(b[84], QStringLiteral("H21"));

        const QStringList c = cellsOf(lines[3]);
        for (int col = 23; col < 77; ++col)
            QCOMPARE(c[col], QString());
        const QStringList d = cellsOf(lines[4]);
        QCOMPARE(d[23], QStringLiteral("X"));
        QCOMPARE(d[84], QString());
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
        Race race;
        for (int order = 7; order >= 0; --order) {
            Stage s;
            s.id = QStringLiteral("s%1").arg(order);
            s.order = order;
            race.stages.append(s);
        }
        Participant p;
        p.classIdByStage = StageMap<QString> {
            {QStringLiteral("s7"), QStringLiteral("c")}, {QStringLiteral("s5"), QStringLiteral("c")}};
        p.startTime = utc(9, 0);
        race.participants = {p};
        const QStringList cells = cellsOf(makeOECSV(race).chopped(1).split(QLatin1Char('\n'))[1]);
        QCOMPARE(cells.size(), 112);
        QCOMPARE(cells[23 + 5], QStringLiteral("X"));
        QCOMPARE(cells[30 + 8 * 5], QStringLiteral("11:00:00"));
        QCOMPARE(cells.mid(23, 6).join(QString()), QStringLiteral("X"));
    }
};

QTEST_GUILESS_MAIN(TestReceiptAndOECSV)
#include "tst_receipt_oecsv.moc"
