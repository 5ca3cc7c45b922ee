#include "iofstartlistparser.h"

#include <QFile>
#include <QTest>
#include <QTimeZone>

namespace {

QByteArray startList(const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<StartList xmlns=\"http://www.orienteering.org/datastandard/3.0\"><ClassStart>"
        + body + "</ClassStart></StartList>";
}

QByteArray start(const QByteArray &time, const QByteArray &card = "500")
{
    return "<PersonStart><Person><Name><Family>Berg</Family><Given>Ann</Given></Name></Person><Start>"
           "<StartTime>"
        + time + "</StartTime><ControlCard>" + card + "</ControlCard></Start></PersonStart>";
}

QDateTime utc(int h, int m, int s, int ms = 0)
{
    return QDateTime(QDate(2024, 6, 1), QTime(h, m, s, ms), Qt::UTC);
}

} // namespace

class TestIofStartListParser : public QObject
{
    Q_OBJECT

private slots:
    void dates_data()
    {
        // The tests run in Europe/Copenhagen: 1 June is summer time, UTC+2.
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("utc") << "2024-06-01T10:00:00Z" << utc(10, 0, 0);
        QTest::newRow("fraction and offset") << "2024-06-01T10:00:00.5+02:00" << utc(8, 0, 0, 500);
        QTest::newRow("negative offset") << "2024-06-01T10:00:00-01:30" << utc(11, 30, 0);
        QTest::newRow("local") << "2024-06-01T10:00:00" << utc(8, 0, 0);
        QTest::newRow("local with milliseconds") << "2024-06-01T10:00:00.000" << utc(8, 0, 0);
        QTest::newRow("time of day only") << "10:00:00" << QDateTime();
        QTest::newRow("date only") << "2024-06-01" << QDateTime();
        QTest::newRow("leading space") << " 2024-06-01T10:00:00Z" << QDateTime();
        QTest::newRow("trailing newline") << "2024-06-01T10:00:00Z\n" << QDateTime();
        QTest::newRow("impossible month") << "2024-13-01T10:00:00Z" << QDateTime();
        QTest::newRow("impossible hour") << "2024-06-01T25:00:00" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }
    void dates()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, expected);
        const auto date = IOFStartListParser::parseDate(text);
        QCOMPARE(date.has_value(), expected.isValid());
        if (date)
            QCOMPARE(*date, expected);
    }

    void rows()
    {
        const auto rows = IOFStartListParser::parse(startList(start("2024-06-01T10:00:00Z", " 8001\n")
            + start("10:00:00") + start(" 2024-06-01T10:01:00Z")
            + "<PersonStart><Person><Name><Given>Bo</Given></Name></"
              "Person><Start><StartTime>2024-06-01T10:02:00Z"
              "</StartTime></Start></PersonStart>"
            + "<TeamMemberStart><Person><Name><Family>Lee</Family></Name></Person><Start><StartTime>"
              "2024-06-01T10:03:00Z</StartTime></Start></TeamMemberStart>"));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].cardNumber, std::optional<QString>(QStringLiteral("8001")));
        QCOMPARE(rows[0].familyName, std::optional<QString>(QStringLiteral("Berg")));
        QCOMPARE(rows[0].givenName, std::optional<QString>(QStringLiteral("Ann")));
        QCOMPARE(rows[0].startTime, utc(10, 0, 0));
        QVERIFY(!rows[1].cardNumber);
        QVERIFY(!rows[1].familyName);
        QCOMPARE(rows[1].startTime, utc(10, 2, 0));
        QCOMPARE(rows[2].familyName, std::optional<QString>(QStringLiteral("Lee")));
    }

    void firstStartWins()
    {
        const auto rows = IOFStartListParser::parse(startList(
            "<PersonStart><Person><Name><Family>Two</Family><Given>Races</Given></Name></Person>"
            "<Start "
            "raceNumber=\"1\"><StartTime>2024-06-01T09:00:00Z</StartTime><ControlCard>1</ControlCard></Start>"
            "<Start "
            "raceNumber=\"2\"><StartTime>2024-06-02T09:00:00Z</StartTime><ControlCard>2</ControlCard></Start>"
            "</PersonStart>"));
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].startTime, utc(9, 0, 0));
        QCOMPARE(rows[0].cardNumber, std::optional<QString>(QStringLiteral("1")));
    }

    void noStartsFails()
    {
        try {
            (void)IOFStartListParser::parse(startList(""));
            QFAIL("no error");
        } catch (const IOFStartListParser::ParseError &e) {
            QCOMPARE(e.message(), QStringLiteral("No <PersonStart> elements found in StartList XML"));
        }
        QVERIFY(IOFStartListParser::parse(startList(start("never"))).isEmpty());
    }

    void officialExamples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("rows");
        QTest::newRow("StartList1") << "StartList1.xml" << 3;
        QTest::newRow("StartList2") << "StartList2.xml" << -1;
        QTest::newRow("StartList_Individual_Step3") << "StartList_Individual_Step3.xml" << -1;
        QTest::newRow("relay") << "StartList_Relay_Step3.xml" << -1;
    }
    void officialExamples()
    {
        QFETCH(QString, file);
        QFETCH(int, rows);
        QFile f(QStringLiteral(VEXLO_IOF_DIR "/examples/") + file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const auto result = IOFStartListParser::parse(f.readAll());
        QVERIFY(!result.isEmpty());
        if (rows >= 0)
            QCOMPARE(result.size(), rows);
        for (const auto &row : result) {
            QVERIFY(row.startTime.isValid());
            QCOMPARE(row.startTime.timeSpec(), Qt::UTC);
        }
        if (file == u"StartList1.xml") {
            QCOMPARE(result[0].familyName, std::optional<QString>(QStringLiteral("Wood")));
            QCOMPARE(result[0].cardNumber, std::optional<QString>(QStringLiteral("794021")));
            QCOMPARE(result[0].startTime, QDateTime(QDate(2011, 7, 30), QTime(9, 0), Qt::UTC));
        }
    }
};

QTEST_GUILESS_MAIN(TestIofStartListParser)
#include "tst_iofstartlistparser.moc"
