#include "documentfixtures.h"
#include "documenttestsupport.h"
#include "documenttext.h"
#include "iofresultlistwriter.h"
#include "iofstartlistwriter.h"
#include "racegenerator.h"
#include "testenvironment.h"
#include "testevent.h"

#include <QTest>
#include <QTimeZone>

#include <algorithm>
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

// Four runners, the sequential course C1 and the score course R1, and six results: on C1 one
// complete with every kind of split, one bare, one overridden, one of a runner no longer entered;
// on R1 one within and one over the time limit. Texts that need escaping throughout.
Race resultRace()
{
    return testEvent(QStringLiteral("iof/result-event.json"));
}

QList<ResultGroup> resultGroups()
{
    const QList<PersonResult> r = resultRace().results;
    // Marked as not started or not finished without a result of the day: after the results, with
    // a status and the card alone (none without a card).
    Participant jens;
    jens.givenName = QStringLiteral("Jens");
    jens.familyName = QStringLiteral("Holm & Søn");
    jens.cardNumber = QStringLiteral("8000999");
    jens.club = QStringLiteral("OK Øst");
    Participant karl;
    karl.givenName = QStringLiteral("Karl");
    karl.familyName = QStringLiteral("Berg");
    return {{QStringLiteral("H21"), r.mid(0, 4), {}, {{jens, ParticipantStatus::Dns}}},
        {QStringLiteral("Rogaine & Co"), r.mid(4)},
        {QStringLiteral("Empty"), {}, {}, {{karl, ParticipantStatus::Dnf}}}};
}

Race oddRace()
{
    Race race = testEvent(QStringLiteral("iof/result-odd-event.json"));
    // The event file holds UTC only; times kept with an offset are written in UTC too.
    race.results[0].startTime = QDateTime(QDate(2025, 6, 14), QTime(10, 30, 0, 999), QTimeZone(7200));
    race.results[2].finishTime = QDateTime(QDate(2025, 12, 31), QTime(18, 30, 0, 1), QTimeZone(-19800));
    return race;
}

QList<ResultGroup> oddGroups(const Race &race)
{
    const QList<PersonResult> &r = race.results;
    return {{QStringLiteral("H21 & <Co> \u00e6\u00f8\u00e5"), {r[0], r[1], r[6]}, {2, std::nullopt}},
        {QStringLiteral("Score\x03") + QChar(0xDBFF), r.mid(2, 4)}, {QString(), {}}};
}

// The overall standings of resultlist-overall.xml: a class ranked by time, and one ranked by
// points, each of whose rows with points carries them as its Score after its Status.
QList<StandingsGroup> overallGroups(const Race &race)
{
    const StandingsRow done {race.participants[0], 7200.99, true, std::nullopt, OverallStatus::Placed};
    // Kept out by a result forced not completed.
    const StandingsRow partial {
        race.participants[1], std::nullopt, false, std::nullopt, OverallStatus::Disqualified};
    const StandingsRow scored {race.participants[0], 6800.5, true, 240, OverallStatus::Placed};
    const StandingsRow scoredUntimed {race.participants[1], std::nullopt, true, 190, OverallStatus::Placed};
    return {{QStringLiteral("H21"), {done, partial}},
        {QStringLiteral("W21"), {scored, scoredUntimed, partial}, {1, 2, std::nullopt}, true}};
}

} // namespace

// Both result lists of `groups`, valid against the schema and byte for byte as `<stem>.xml` and
// `<stem>-splits.xml`.
#define VERIFY_RESULT_LISTS(race, groups, stem)                                                              \
    do {                                                                                                     \
        const QByteArray plain_ = writeIOFResultListXML(race, groups);                                       \
        VERIFY_IOF_VALID(plain_);                                                                            \
        VERIFY_GOLDEN(QStringLiteral(stem ".xml"), plain_);                                                  \
        const QByteArray splits_ = writeIOFResultListWithSplitsXML(race, groups);                            \
        VERIFY_IOF_VALID(splits_);                                                                           \
        VERIFY_GOLDEN(QStringLiteral(stem "-splits.xml"), splits_);                                          \
    } while (false)

class TestIofWriters : public QObject
{
    Q_OBJECT

public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void resultList()
    {
        const QByteArray xml = writeIOFResultListXML(resultRace(), resultGroups());
        VERIFY_IOF_VALID(xml);
        VERIFY_GOLDEN(QStringLiteral("resultlist.xml"), xml);
    }

    // A finish before the start as earlier versions stored it (a negative race time and split
    // times): the list carries no time for it, neither the run's nor a split's.
    void finishBeforeStartHasNoTime()
    {
        Race race = resultRace();
        PersonResult &r = race.results[0];
        r.startTime = r.finishTime->addSecs(2418);
        r.raceTime = -2418;
        for (SplitTime &s : r.splits)
            if (s.elapsedFromStart)
                s.elapsedFromStart = -2718;
        const QList<ResultGroup> groups {{QStringLiteral("H21"), {r}}};
        for (const QByteArray &xml :
            {writeIOFResultListXML(race, groups), writeIOFResultListWithSplitsXML(race, groups)}) {
            VERIFY_IOF_VALID(xml);
            QVERIFY2(!xml.contains("<Time>-"), xml.constData());
        }
        QVERIFY(!writeIOFResultListXML(race, groups).contains("<Time>"));
    }

    void resultStatus_data() { casetable::load("iof/result-status.tsv"); }
    void resultStatus()
    {
        QFETCH(QStringList, cells);
        PersonResult r;
        r.completed = cells[0] == u"1";
        if (cells[1] != u"-")
            r.completedOverride = cells[1] == u"1";
        if (cells[2] != u"-")
            r.courseId = cells[2];
        // A run judged by a time limit has points: the score rule for a course gone from the event.
        if (cells[3] != u"-") {
            r.withinTimeLimit = cells[3] == u"1";
            r.score = 10;
        }
        const QDateTime start(QDate(2025, 6, 14), QTime(10, 0), Qt::UTC);
        if (cells[4] != u"no start")
            r.startTime = start;
        if (cells[4] != u"no finish")
            r.finishTime = start.addSecs(1800);
        if (cells[4] == u"timed")
            r.raceTime = 1800;
        QCOMPARE(iofResultStatus(resultRace(), r), cells[5]);
    }

    void resultListWithSplits()
    {
        const QByteArray xml = writeIOFResultListWithSplitsXML(resultRace(), resultGroups());
        VERIFY_IOF_VALID(xml);
        VERIFY_GOLDEN(QStringLiteral("resultlist-splits.xml"), xml);
    }

    void overall()
    {
        const Race race = resultRace();
        const QByteArray xml = writeIOFOverallResultListXML(race, overallGroups(race));
        VERIFY_IOF_VALID(xml);
        VERIFY_GOLDEN(QStringLiteral("resultlist-overall.xml"), xml);
    }

    // Texts in every script and with characters XML cannot carry, times with fractions and
    // offsets, far and early dates, extreme numbers, a runner entered twice under one id, a runner
    // with two results, a result without a runner, courses shared and gone, places given in part.
    void oddTextsNumbersAndTimes()
    {
        const Race race = oddRace();
        const QList<ResultGroup> groups = oddGroups(race);
        VERIFY_RESULT_LISTS(race, groups, "resultlist-odd");
        QList<StandingsRow> rows;
        for (const Participant &p : race.participants)
            rows.append({p, 3600.0 * rows.size() + 0.99, rows.size() % 2 == 0, std::nullopt,
                rows.size() % 2 == 0 ? OverallStatus::Placed : OverallStatus(rows.size() % 9)});
        const QByteArray overall = writeIOFOverallResultListXML(race,
            {{QStringLiteral("Overall \u00c5"), rows, {1, 1, std::nullopt, 4}},
                {QStringLiteral("x"), rows.mid(4)}});
        VERIFY_IOF_VALID(overall);
        VERIFY_GOLDEN(QStringLiteral("resultlist-odd-overall.xml"), overall);
    }

    // A large list is written into the buffer of the last one once nobody holds that: a list still
    // held keeps its bytes, and one written into a kept buffer has the bytes of one written afresh.
    void aListHeldKeepsItsBytes()
    {
        RaceGeneratorOptions options;
        options.entries = 2000; // about 5 MB with splits, a size whose buffer is kept
        options.stages = 1;
        options.classes = 4;
        const Race race = generateRace(options);
        QList<PersonResult> reversed = race.results;
        std::reverse(reversed.begin(), reversed.end());
        const QList<ResultGroup> forward {{QStringLiteral("All"), race.results}};
        const QList<ResultGroup> backward {{QStringLiteral("All"), reversed}};

        QByteArray first = writeIOFResultListWithSplitsXML(race, forward);
        QVERIFY(first.size() > 4 << 20);
        const QByteArray firstBytes(first.constData(), first.size());
        QByteArray second = writeIOFResultListWithSplitsXML(race, backward);
        const QByteArray secondBytes(second.constData(), second.size());
        QCOMPARE(first, firstBytes);
        QVERIFY(second != first);
        VERIFY_IOF_VALID(second);

        first = {};
        second = {};
        const QByteArray again = writeIOFResultListWithSplitsXML(race, forward);
        const QByteArray plain = writeIOFResultListXML(race, backward);
        const QByteArray againBackward = writeIOFResultListWithSplitsXML(race, backward);
        QCOMPARE(again, firstBytes);
        QCOMPARE(againBackward, secondBytes);
        QVERIFY(plain.startsWith(firstBytes.left(200)));
        VERIFY_IOF_VALID(plain);
    }

    // Both lists of an event, one after the other as an organiser exports them: the list without
    // split times, about a fifth of the size, is written into the buffer the list with them left,
    // not into fresh memory, and has the bytes of one written afresh.
    void listWithoutSplitsUsesTheSplitListsBuffer()
    {
        RaceGeneratorOptions options;
        options.entries = 10000; // about 26 MB with split times, 5 MB without
        options.stages = 1;
        options.classes = 4;
        options.splitsPerResult = 20;
        const Race race = generateRace(options);
        const QList<ResultGroup> groups {{QStringLiteral("All"), race.results}};

        QByteArray plain = writeIOFResultListXML(race, groups);
        QVERIFY(plain.size() > 4 << 20);
        const QByteArray plainBytes(plain.constData(), plain.size());
        plain = {};
        QByteArray splits = writeIOFResultListWithSplitsXML(race, groups);
        QVERIFY(splits.size() > 4 * plainBytes.size());
        const char *const splitsBuffer = splits.constData();
        splits = {};
        const QByteArray again = writeIOFResultListXML(race, groups);
        QVERIFY(again.constData() == splitsBuffer);
        QCOMPARE(again, plainBytes);
    }

    // Texts far longer than a row's usual size: the list grows past its first estimate and keeps
    // every byte, each text escaped as escapeXmlText gives it, in UTF-8.
    void longTextsOutgrowTheEstimate()
    {
        Race race = resultRace();
        const QString family
            = QString(40000, QChar(0x00D8)) + QStringLiteral("&<\"") + QChar(0xD83C) + QChar(0xDFC3);
        const QString club = QString(30000, QLatin1Char('"')) + QChar(0xDC00);
        race.participants[0].familyName = family;
        race.participants[0].club = club;
        const QList<ResultGroup> groups {{QStringLiteral("H21"), {race.results[0]}}};
        const QByteArray familyBytes = "<Family>" + escapeXmlText(family).toUtf8() + "</Family>\n";
        const QByteArray clubBytes = "<Name>" + escapeXmlText(club).toUtf8() + "</Name>\n";
        for (const QByteArray &xml :
            {writeIOFResultListXML(race, groups), writeIOFResultListWithSplitsXML(race, groups),
                writeIOFOverallResultListXML(
                    race, {{QStringLiteral("H21"), {{race.participants[0], 1.0, true}}}})}) {
            VERIFY_IOF_VALID(xml);
            QVERIFY(xml.size() > 250000);
            QVERIFY(xml.contains(familyBytes));
            QVERIFY(xml.contains(clubBytes));
            QVERIFY(xml.endsWith("    </PersonResult>\n  </ClassResult>\n</ResultList>\n"));
        }
    }

    // Every text the event is tested with (tests/data/model/tricky-texts.txt) is written as
    // escapeXmlText gives it, in UTF-8.
    void trickyTextsAsEscaped()
    {
        Race race = resultRace();
        const QList<ResultGroup> groups {{QStringLiteral("H21"), {race.results[0]}}};
        for (const QStringList &cells : casetable::rows(QStringLiteral("model/tricky-texts.txt"))) {
            race.participants[0].familyName = cells[0];
            const QByteArray family = "<Family>" + escapeXmlText(cells[0]).toUtf8() + "</Family>\n";
            QVERIFY2(writeIOFResultListXML(race, groups).contains(family), family.constData());
        }
    }

    // Lists taken through the block that large lists are copied on from, whatever its size: the
    // same bytes as written in place, texts longer than the block included.
    void streamedListsKeepTheirBytes_data() { casetable::load("iof/list-buffering.tsv"); }
    void streamedListsKeepTheirBytes()
    {
        QFETCH(QStringList, cells);
        const IOFListBuffering streamed {0, cells[0].toLongLong()};
        QVERIFY(streamed.block > 0);
        const Race race = resultRace();
        VERIFY_GOLDEN(
            QStringLiteral("resultlist.xml"), writeIOFResultListXML(race, resultGroups(), streamed));
        VERIFY_GOLDEN(QStringLiteral("resultlist-splits.xml"),
            writeIOFResultListWithSplitsXML(race, resultGroups(), streamed));
        const QByteArray overall = writeIOFOverallResultListXML(race, overallGroups(race), streamed);
        VERIFY_GOLDEN(QStringLiteral("resultlist-overall.xml"), overall);
        const Race odd = oddRace();
        VERIFY_GOLDEN(
            QStringLiteral("resultlist-odd.xml"), writeIOFResultListXML(odd, oddGroups(odd), streamed));
        VERIFY_GOLDEN(QStringLiteral("resultlist-odd-splits.xml"),
            writeIOFResultListWithSplitsXML(odd, oddGroups(odd), streamed));

        Race longNames = resultRace();
        longNames.participants[0].familyName = QString(40000, QChar(0x00D8)) + QChar(0xD83C) + QChar(0xDFC3);
        const QList<ResultGroup> groups {
            {QStringLiteral("H21"), {longNames.results[0], longNames.results[1]}}};
        QCOMPARE(writeIOFResultListWithSplitsXML(longNames, groups, streamed),
            writeIOFResultListWithSplitsXML(longNames, groups));
    }

    void schemaCheckCatchesTheOldElementOrder()
    {
        // The validator itself must reject a card written before the start time.
        QByteArray xml
            = writeIOFStartListXML(resultRace(), {runner(1, "A", "B", QStringLiteral("x"), utc(9, 0))});
        xml.replace("        <StartTime>2025-06-14T09:00:00Z</StartTime>\n"
                    "        <ControlCard>500001</ControlCard>\n",
            "        <ControlCard>500001</ControlCard>\n"
            "        <StartTime>2025-06-14T09:00:00Z</StartTime>\n");
        QVERIFY(!documenttest::validateAgainstIOFSchema(xml).isEmpty());
    }

    void emptyDocuments()
    {
        const Race race = resultRace();
        for (const QByteArray &xml : {writeIOFResultListXML(race, {}),
                 writeIOFResultListWithSplitsXML(race, {}), writeIOFOverallResultListXML(race, {})}) {
            VERIFY_IOF_VALID(xml);
            QVERIFY(xml.endsWith("  </Event>\n</ResultList>\n"));
        }
        const QByteArray start = writeIOFStartListXML(race, {});
        VERIFY_IOF_VALID(start);
        QVERIFY(start.endsWith("  </Event>\n</StartList>\n"));
    }

    void startList()
    {
        // Classes H10, H9 and D21 and runners in them, one without a class and one whose class is gone.
        const Race race = testEvent(QStringLiteral("iof/start-event.json"));
        const QList<Participant> &people = race.participants;
        const QByteArray xml = writeIOFStartListXML(race, people);
        VERIFY_IOF_VALID(xml);
        // The golden: D21, H9, H10, then two "No class" groups; within H10 Ida, Al (the same time of
        // day on another date orders by name), Zoe, and the runner without a time last.
        VERIFY_GOLDEN(QStringLiteral("startlist.xml"), xml);
    }

    // Runners sharing start times in several classes, some at the same second of another day or at
    // seconds alike in their lower bits, names alike but for case or number, runners without a
    // time or a known class: each class by time of day, then by name, then as listed; written in
    // place and through the block that large lists are copied on from.
    void startListOfSharedTimes()
    {
        const Race race = testEvent(QStringLiteral("iof/start-event-ties.json"));
        const QByteArray xml = writeIOFStartListXML(race, race.participants);
        VERIFY_IOF_VALID(xml);
        VERIFY_GOLDEN(QStringLiteral("startlist-ties.xml"), xml);
        VERIFY_GOLDEN(QStringLiteral("startlist-ties.xml"),
            writeIOFStartListXML(race, race.participants, IOFListBuffering {0, 64}));
    }

    // The start order sorted with keys worked out once is the comparator's stable order: runners
    // with and without a time, equal seconds on other days, equal and natural-order names.
    void startOrderIsTheComparatorsOrder()
    {
        const QStringList names {QStringLiteral("Ida"), QStringLiteral("al"), QStringLiteral("Al"),
            QStringLiteral("Runner 10"), QStringLiteral("Runner 9"), QStringLiteral("Åse"), QString()};
        QList<Participant> runners;
        for (int i = 0; i < 300; ++i) {
            Participant p;
            p.givenName = names[(i * 7) % names.size()];
            p.familyName = names[(i * 3) % names.size()];
            p.cardNumber = QString::number(i); // tells equal runners apart after sorting
            if (i % 5 != 0)
                p.startTime = QDateTime(QDate(2025, 6, 14 + i % 3), QTime(10, (i * 13) % 4, 0), Qt::UTC);
            runners.append(p);
        }
        QList<Participant> expected = runners;
        std::stable_sort(expected.begin(), expected.end(), startOrderComparator);
        QList<Participant> sorted = runners;
        sortInStartOrder(sorted);
        QStringList expectedCards;
        QStringList sortedCards;
        for (qsizetype i = 0; i < runners.size(); ++i) {
            expectedCards << expected[i].cardNumber;
            sortedCards << sorted[i].cardNumber;
        }
        QCOMPARE(sortedCards, expectedCards);
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
        VERIFY_RESULT_LISTS(race, groups, "resultlist-hostile");
        const StandingsRow row {p, std::numeric_limits<double>::infinity(), false};
        const QByteArray overall = writeIOFOverallResultListXML(race, {{QStringLiteral("\x05"), {row}}});
        VERIFY_IOF_VALID(overall);
        VERIFY_GOLDEN(QStringLiteral("resultlist-hostile-overall.xml"), overall);
        VERIFY_IOF_VALID(writeIOFStartListXML(race, race.participants));
    }
};

QTEST_GUILESS_MAIN(TestIofWriters)
#include "tst_iofwriters.moc"
