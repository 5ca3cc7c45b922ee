#include "documentfixtures.h"
#include "documenttestsupport.h"
#include "iofresultlistwriter.h"
#include "iofstartlistwriter.h"
#include "racegenerator.h"

#include <QTest>

#include <limits>

namespace {

Participant runner(int n, const QString &given, const QString &family, std::optional<QString> classId = {},
    std::optional<QDateTime> start = {})
{
    Participant p;
    p.id = fixedId(n);
    p.givenName = given;
    p.familyName = family;
    p.cardNumber = QString::number(500000 + n);
    p.classId = std::move(classId);
    p.startTime = std::move(start);
    return p;
}

SplitTime split(qint64 code, SplitStatus status, std::optional<double> elapsed, QDateTime time = {})
{
    SplitTime s;
    s.id = fixedId(900 + int(code));
    s.controlCode = code;
    s.status = status;
    s.elapsedFromStart = elapsed;
    s.time = time;
    return s;
}

Race resultRace()
{
    Race race;
    race.name = QStringLiteral("Spring & <Cup> \"Final\" O'Ringen");
    race.participants = {runner(1, QStringLiteral("Anna"), QStringLiteral("Berg & Søn")),
        runner(2, QStringLiteral("Bo"), QStringLiteral("<Dahl>")),
        runner(3, QStringLiteral("Cai"), QStringLiteral("Ek")),
        runner(4, QStringLiteral("Dina"), QStringLiteral("Fog"))};
    Course rogaine;
    rogaine.id = QStringLiteral("R1");
    rogaine.name = QStringLiteral("Rogaine");
    rogaine.type = CourseType::Rogaining;
    Course seq;
    seq.id = QStringLiteral("C1");
    seq.name = QStringLiteral("Long");
    race.courses = {seq, rogaine};
    return race;
}

QList<ResultGroup> resultGroups()
{
    PersonResult full;
    full.participantId = fixedId(1);
    full.courseId = QStringLiteral("C1");
    full.cardNumber = QStringLiteral("500001");
    full.startTime = utc(8, 30);
    full.finishTime = utc(9, 29, 59);
    full.raceTime = 3599.9;
    full.completed = true;
    full.splits = {split(31, SplitStatus::Ok, 600.7, utc(8, 40)),
        split(32, SplitStatus::Missing, std::nullopt), split(99, SplitStatus::Additional, 1200.0, utc(8, 50)),
        split(33, SplitStatus::VisitedNoTime, std::nullopt)};

    PersonResult bare;
    bare.participantId = fixedId(2);
    bare.cardNumber = QStringLiteral("A&B");
    bare.completed = false;

    PersonResult overridden;
    overridden.participantId = fixedId(3);
    overridden.courseId = QStringLiteral("C1");
    overridden.cardNumber = QStringLiteral("500003");
    overridden.raceTime = 4000;
    overridden.completed = false;
    overridden.completedOverride = true;

    PersonResult gone;
    gone.participantId = fixedId(77);
    gone.cardNumber = QStringLiteral("777");
    gone.completed = true;

    PersonResult overtime;
    overtime.participantId = fixedId(4);
    overtime.courseId = QStringLiteral("R1");
    overtime.cardNumber = QStringLiteral("500004");
    overtime.raceTime = 3700;
    overtime.completed = true;
    overtime.score = 42;
    overtime.withinTimeLimit = false;

    PersonResult inTime = overtime;
    inTime.participantId = fixedId(1);
    inTime.score = 50;
    inTime.withinTimeLimit = true;

    return {{QStringLiteral("H21"), {full, bare, overridden, gone}},
        {QStringLiteral("Rogaine & Co"), {inTime, overtime}}, {QStringLiteral("Empty"), {}}};
}

} // namespace

class TestIofWriters : public QObject
{
    Q_OBJECT

private slots:
    void resultList()
    {
        const QString xml = writeIOFResultListXML(resultRace(), resultGroups());
        VERIFY_IOF_VALID(xml.toUtf8());
        VERIFY_GOLDEN(QStringLiteral("resultlist.xml"), xml.toUtf8());
    }

    void resultStatus_data()
    {
        QTest::addColumn<bool>("completed");
        QTest::addColumn<int>("override"); // -1 none
        QTest::addColumn<QString>("course");
        QTest::addColumn<int>("withinLimit"); // -1 none
        QTest::addColumn<QString>("expected");
        QTest::newRow("completed") << true << -1 << "C1" << -1 << "OK";
        QTest::newRow("not completed") << false << -1 << "C1" << -1 << "MissingPunch";
        QTest::newRow("override completes") << false << 1 << "C1" << -1 << "OK";
        QTest::newRow("override rejects") << true << 0 << "C1" << -1 << "MissingPunch";
        QTest::newRow("score in time") << false << -1 << "R1" << 1 << "OK";
        QTest::newRow("score over time") << true << -1 << "R1" << 0 << "OverTime";
        QTest::newRow("score overridden") << true << 1 << "R1" << 0 << "OK";
    }
    void resultStatus()
    {
        QFETCH(bool, completed);
        QFETCH(int, override);
        QFETCH(QString, course);
        QFETCH(int, withinLimit);
        QFETCH(QString, expected);
        PersonResult r;
        r.completed = completed;
        r.courseId = course;
        if (override >= 0)
            r.completedOverride = override == 1;
        if (withinLimit >= 0)
            r.withinTimeLimit = withinLimit == 1;
        QCOMPARE(iofResultStatus(resultRace(), r), expected);
    }

    void resultListWithSplits()
    {
        const QString xml = writeIOFResultListWithSplitsXML(resultRace(), resultGroups());
        VERIFY_IOF_VALID(xml.toUtf8());
        VERIFY_GOLDEN(QStringLiteral("resultlist-splits.xml"), xml.toUtf8());
    }

    void overall()
    {
        Race race = resultRace();
        StandingsRow done {race.participants[0], 7200.99, true};
        StandingsRow partial {race.participants[1], std::nullopt, false};
        const QString xml = writeIOFOverallResultListXML(race, {{QStringLiteral("H21"), {done, partial}}});
        VERIFY_IOF_VALID(xml.toUtf8());
        VERIFY_GOLDEN(QStringLiteral("resultlist-overall.xml"), xml.toUtf8());
    }

    void schemaCheckCatchesTheOldElementOrder()
    {
        // The validator itself must reject a card written before the start time.
        QString xml
            = writeIOFStartListXML(resultRace(), {runner(1, "A", "B", QStringLiteral("x"), utc(9, 0))});
        xml.replace(QStringLiteral("        <StartTime>2025-06-14T09:00:00Z</StartTime>\n"
                                   "        <ControlCard>500001</ControlCard>\n"),
            QStringLiteral("        <ControlCard>500001</ControlCard>\n"
                           "        <StartTime>2025-06-14T09:00:00Z</StartTime>\n"));
        QVERIFY(!documenttest::validateAgainstIOFSchema(xml.toUtf8()).isEmpty());
    }

    void emptyDocuments()
    {
        const Race race = resultRace();
        for (const QString &xml : {writeIOFResultListXML(race, {}), writeIOFResultListWithSplitsXML(race, {}),
                 writeIOFOverallResultListXML(race, {})}) {
            VERIFY_IOF_VALID(xml.toUtf8());
            QVERIFY(xml.endsWith(QStringLiteral("  </Event>\n</ResultList>\n")));
        }
        const QString start = writeIOFStartListXML(race, {});
        VERIFY_IOF_VALID(start.toUtf8());
        QVERIFY(start.endsWith(QStringLiteral("  </Event>\n</StartList>\n")));
    }

    void startList()
    {
        Race race;
        race.name = QStringLiteral("Sprint &amp; more");
        RaceClass h10 {QStringLiteral("c10"), QStringLiteral("H10")};
        RaceClass h9 {QStringLiteral("c9"), QStringLiteral("H9")};
        RaceClass d21 {QStringLiteral("d21"), QStringLiteral("D21")};
        race.classes = {h10, h9, d21};
        const QList<Participant> people = {
            runner(1, QStringLiteral("Zoe"), QStringLiteral("Late"), QStringLiteral("c10"), utc(9, 0)),
            runner(2, QStringLiteral("Al"), QStringLiteral("Early"), QStringLiteral("c10"),
                utc(9, 0, 0, QDate(2025, 6, 13))),
            runner(3, QStringLiteral("No"), QStringLiteral("Time"), QStringLiteral("c10")),
            runner(4, QStringLiteral("Ida"), QStringLiteral("First"), QStringLiteral("c10"), utc(8, 0)),
            runner(5, QStringLiteral("Nina"), QStringLiteral("Nine"), QStringLiteral("c9"), utc(10, 0)),
            runner(6, QStringLiteral("Dora"), QStringLiteral("D"), QStringLiteral("d21"), utc(10, 0)),
            runner(7, QStringLiteral("Cless"), QStringLiteral("Runner")),
            runner(8, QStringLiteral("Lost"), QStringLiteral("Class"), QStringLiteral("gone"), utc(11, 0)),
        };
        const QString xml = writeIOFStartListXML(race, people);
        VERIFY_IOF_VALID(xml.toUtf8());
        // The golden: D21, H9, H10, then two "No class" groups; within H10 Ida, Al (the same time of
        // day on another date orders by name), Zoe, and the runner without a time last.
        VERIFY_GOLDEN(QStringLiteral("startlist.xml"), xml.toUtf8());
    }

    void hostileInputStaysValid()
    {
        Race race;
        race.name = QStringLiteral("Bad\x01\x1f name <&>\"'") + QChar(0xFFFE) + QChar(0xD800);
        Participant p = runner(
            1, QStringLiteral("שלום 🏃‍♀️"), QStringLiteral("</Family><x>") + QChar(0x0B));
        p.club = QString(200, QChar(0x00C5));
        p.cardNumber = QStringLiteral("\x07\x1b[31m");
        p.classId = QStringLiteral("cls\x02");
        p.startTime = QDateTime(QDate(20000, 1, 1), QTime(0, 0), Qt::UTC);
        race.participants = {p};
        RaceClass c {QStringLiteral("cls\x02"), QStringLiteral("Klasse \x03 ]]>")};
        race.classes = {c};
        PersonResult r;
        r.participantId = p.id;
        r.cardNumber = p.cardNumber;
        r.raceTime = std::numeric_limits<double>::quiet_NaN();
        r.startTime = QDateTime();
        r.finishTime = QDateTime(QDate(-5, 1, 1), QTime(0, 0), Qt::UTC);
        r.splits = {split(1, SplitStatus::Ok, std::numeric_limits<double>::infinity()),
            split(2, SplitStatus::Additional, 1e300)};
        const QList<ResultGroup> groups = {{QStringLiteral("\x04") + QChar(0xDC00), {r}}};
        VERIFY_IOF_VALID(writeIOFResultListXML(race, groups).toUtf8());
        VERIFY_IOF_VALID(writeIOFResultListWithSplitsXML(race, groups).toUtf8());
        const StandingsRow row {p, std::numeric_limits<double>::infinity(), false};
        VERIFY_IOF_VALID(writeIOFOverallResultListXML(race, {{QStringLiteral("\x05"), {row}}}).toUtf8());
        VERIFY_IOF_VALID(writeIOFStartListXML(race, race.participants).toUtf8());
    }

    void largeGeneratedEventIsValid()
    {
        RaceGeneratorOptions options;
        options.entries = 300;
        const Race race = generateRace(options);
        QList<ResultGroup> groups;
        for (const RaceClass &c : race.classes)
            groups.append({c.name, {}});
        for (int i = 0; i < race.results.size(); ++i)
            groups[i % groups.size()].results.append(race.results[i]);
        VERIFY_IOF_VALID(writeIOFResultListXML(race, groups).toUtf8());
        VERIFY_IOF_VALID(writeIOFResultListWithSplitsXML(race, groups).toUtf8());
        VERIFY_IOF_VALID(writeIOFStartListXML(race, race.participants).toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestIofWriters)
#include "tst_iofwriters.moc"
