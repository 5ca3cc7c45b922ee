// A whole race day: a few hundred runners on a sequential, a course-family and a score course,
// read out one after another, with a dozen hand-checked cards among them.
#include "cardrecording.h"
#include "evaluationfixtures.h"
#include "log.h"
#include "standings.h"

#include <QTest>

namespace {

const int perClass = 100;
const QDateTime readOutTime = at(16, 0);

struct Card
{
    QString number;
    QList<SIPunch> punches;
    std::optional<QDateTime> startPunch;
    std::optional<QDateTime> finish;
};

// Punches `codes` at the given minute offsets from `base`.
QList<SIPunch> punchesAt(const QDateTime &base, const QList<std::pair<qint64, double>> &codeMinutes)
{
    QList<SIPunch> punches;
    for (const auto &[code, minute] : codeMinutes)
        punches.append(punch(code, base.addMSecs(qint64(minute * 60000))));
    return punches;
}

QList<std::pair<qint64, double>> everyTwoMinutes(const QList<qint64> &codes)
{
    QList<std::pair<qint64, double>> out;
    for (qsizetype i = 0; i < codes.size(); ++i)
        out.append({codes[i], 2.0 * double(i + 1)});
    return out;
}

const QList<qint64> longCodes {31, 32, 33, 34, 35, 36, 37, 38, 39, 40};
const QList<qint64> mid1Codes {51, 52, 53, 54, 55, 56, 57, 58};
const QList<qint64> mid2Codes {61, 52, 63, 54, 65, 56, 67, 58};

Race buildRace()
{
    Race race;
    race.name = QStringLiteral("Midsummer Sprint");
    race.stages = {Stage {"day1", "Day 1", at(0, 0), 1}, Stage {"day2", "Day 2", at(0, 0).addDays(1), 2}};
    race.activeStageId = QStringLiteral("day1");
    Course mid1 = sequentialCourse(QStringLiteral("Mid-1"), mid1Codes);
    Course mid2 = sequentialCourse(QStringLiteral("Mid-2"), mid2Codes);
    mid1.courseFamily = mid2.courseFamily = QStringLiteral("Mid");
    QList<std::pair<qint64, qint64>> points;
    for (qint64 code = 71; code <= 85; ++code)
        points.append({code, code <= 75 ? 10 : code <= 80 ? 20 : 30});
    race.courses = {sequentialCourse(QStringLiteral("Long"), longCodes), mid1, mid2,
        scoreCourse(QStringLiteral("Score"), points, 3600.0, 5)};

    RaceClass h21;
    h21.id = QStringLiteral("H21");
    h21.name = QStringLiteral("H21");
    h21.mode = RaceClassMode::SingleCourse;
    h21.courseId = QStringLiteral("Long");
    h21.startMethod = StartMethod::ScheduledTime;
    RaceClass d21;
    d21.id = QStringLiteral("D21");
    d21.name = QStringLiteral("D21");
    d21.mode = RaceClassMode::CourseFamily;
    d21.courseFamily = QStringLiteral("Mid");
    d21.startMethod = StartMethod::ScheduledTime;
    RaceClass open;
    open.id = QStringLiteral("Open");
    open.name = QStringLiteral("Open");
    open.courseId = QStringLiteral("Score");
    open.startMethod = StartMethod::ScheduledTime;
    open.stageStartMethods = StageMap<StartMethod> {{"day1", StartMethod::StartPunch}};
    race.classes = {h21, d21, open};

    const QStringList classIds {"H21", "D21", "Open"};
    for (int c = 0; c < classIds.size(); ++c) {
        for (int i = 0; i < perClass; ++i) {
            Participant p;
            p.givenName = QStringLiteral("Runner");
            p.familyName = QStringLiteral("%1-%2").arg(classIds[c]).arg(i);
            p.cardNumber = QString::number(200000 + c * 1000 + i);
            p.classId = classIds[c];
            if (classIds[c] != QLatin1String("Open"))
                p.startTimeByStage = StageMap<QDateTime> {{"day1", at(10, 0).addSecs(120 * i)}};
            race.participants.append(p);
        }
    }
    return race;
}

// The generated field's cards: every 10th H21 runner adds an extra punch, every 13th misses 34;
// D21 alternates the two family variants; Open runners visit i % 15 + 1 controls.
Card generatedCard(const Race &race, int index)
{
    const Participant &p = race.participants[index];
    const int i = index % perClass;
    Card card;
    card.number = p.cardNumber;
    if (*p.classId == QLatin1String("Open")) {
        const QDateTime start = at(11, 0).addSecs(30 * i);
        QList<qint64> codes;
        for (int k = 0; k <= i % 15; ++k)
            codes.append(71 + k);
        card.startPunch = start;
        card.punches = punchesAt(start, everyTwoMinutes(codes));
        card.finish = start.addSecs(120 * (codes.size() + 1));
        return card;
    }
    const QDateTime start = at(10, 0).addSecs(120 * i);
    QList<qint64> codes = *p.classId == QLatin1String("H21") ? longCodes : (i % 2 ? mid2Codes : mid1Codes);
    if (*p.classId == QLatin1String("H21")) {
        if (i % 13 == 0)
            codes.removeOne(34);
        else if (i % 10 == 0)
            codes.insert(4, 99);
    }
    card.punches = punchesAt(start, everyTwoMinutes(codes));
    card.finish = start.addSecs(120 * (codes.size() + 1) + (i % 7));
    return card;
}

struct Expected
{
    QString name;
    Card card;
    std::optional<QString> courseId;
    bool autoMatched = false;
    QString splits;
    bool completed = false;
    std::optional<QDateTime> start;
    std::optional<double> raceTime;
    std::optional<qint64> score;
    std::optional<qint64> penalty;
    std::optional<bool> within;
};

} // namespace

class TestRaceSimulation : public QObject
{
    Q_OBJECT

private:
    Race m_race;
    QList<Expected> m_cases;

    void addRunner(
        const QString &name, const QString &card, const QString &classId, std::optional<QDateTime> start)
    {
        Participant p;
        p.givenName = QStringLiteral("Case");
        p.familyName = name;
        p.cardNumber = card;
        p.classId = classId;
        if (start)
            p.startTimeByStage = StageMap<QDateTime> {{"day1", *start}};
        m_race.participants.append(p);
    }

private slots:
    void initTestCase()
    {
        m_race = buildRace();
        const QDateTime s = at(11, 0); // scheduled start of the hand-checked H21/D21 runners
        const QDateTime yesterday = at(15, 0).addDays(-1); // the earlier run on uncleared cards
        const QString allLongOk
            = QStringLiteral("31:ok 32:ok 33:ok 34:ok 35:ok 36:ok 37:ok 38:ok 39:ok 40:ok");

        m_cases.append(
            {"clean", {"9001", punchesAt(s, everyTwoMinutes(longCodes)), std::nullopt, s.addSecs(1320)},
                "Long", false, allLongOk, true, s, 1320.0});
        m_cases.append({"mispunch",
            {"9002",
                punchesAt(s,
                    {{31, 2}, {32, 4}, {33, 6}, {35, 10}, {36, 12}, {37, 14}, {38, 16}, {39, 18}, {40, 20}}),
                std::nullopt, s.addSecs(1330)},
            "Long", false, "31:ok 32:ok 33:ok 34:missing 35:ok 36:ok 37:ok 38:ok 39:ok 40:ok", false, s,
            1330.0});
        m_cases.append({"extra",
            {"9003",
                punchesAt(s,
                    {{31, 2}, {32, 4}, {99, 5}, {33, 6}, {34, 8}, {35, 10}, {36, 12}, {37, 14}, {38, 16},
                        {39, 18}, {40, 20}}),
                std::nullopt, s.addSecs(1320)},
            "Long", false, "31:ok 32:ok 99:additional 33:ok 34:ok 35:ok 36:ok 37:ok 38:ok 39:ok 40:ok", true,
            s, 1320.0});
        // Yesterday's five punches before today's start punch: dropped by the time filter.
        m_cases.append({"yesterday",
            {"9004",
                punchesAt(yesterday, {{31, 2}, {32, 4}, {33, 6}, {34, 8}, {35, 10}})
                    + punchesAt(s, everyTwoMinutes(longCodes)),
                s.addSecs(-60), s.addSecs(1300)},
            "Long", false, allLongOk, true, s, 1300.0});
        // Not cleared and no new start punch: the card's start punch is yesterday's, so only the
        // backward match removes yesterday's complete run.
        m_cases.append({"uncleared",
            {"9005",
                punchesAt(yesterday, everyTwoMinutes(longCodes)) + punchesAt(s, everyTwoMinutes(longCodes)),
                yesterday.addSecs(-60), s.addSecs(1290)},
            "Long", false, allLongOk, true, s, 1290.0});
        // No finish punch: the last punch is the finish.
        m_cases.append(
            {"no finish", {"9006", punchesAt(s, everyTwoMinutes(longCodes)), std::nullopt, std::nullopt},
                "Long", false, allLongOk, true, s, 1200.0});
        m_cases.append({"untimed control",
            {"9007", punchesAt(s, everyTwoMinutes(longCodes)), std::nullopt, s.addSecs(1320)}, "Long", false,
            "31:ok 32:ok 33:ok 34:ok 35:visitedNoTime 36:ok 37:ok 38:ok 39:ok 40:ok", true, s, 1320.0});
        m_cases.last().card.punches[4].timeAvailable = false;
        m_cases.append({"family variant 2",
            {"9008", punchesAt(s, everyTwoMinutes(mid2Codes)), std::nullopt, s.addSecs(1080)}, "Mid-2", true,
            "61:ok 52:ok 63:ok 54:ok 65:ok 56:ok 67:ok 58:ok", true, s, 1080.0});
        m_cases.append({"family, shared controls only",
            {"9009", punchesAt(s, {{52, 2}, {54, 4}, {56, 6}, {58, 8}}), std::nullopt, s.addSecs(600)},
            std::nullopt, false, "52:ok 54:ok 56:ok 58:ok", false, s, 600.0});
        const QDateTime o = at(12, 0); // Open runners start on their start punch
        m_cases.append({"score within limit",
            {"9010", punchesAt(o, {{71, 5}, {76, 15}, {81, 25}, {85, 35}}), o, o.addSecs(3000)}, "Score",
            false, "71:ok 76:ok 81:ok 85:ok", false, o, 3000.0, 90, 0, true});
        m_cases.append({"score 61 s over", {"9011", punchesAt(o, {{71, 5}, {72, 15}}), o, o.addSecs(3661)},
            "Score", false, "71:ok 72:ok", false, o, 3661.0, 20 - 10, 10, false});
        m_cases.append({"score repeats, untimed, foreign",
            {"9012", punchesAt(o, {{71, 5}, {71, 6}, {99, 7}, {82, 8}}), o, o.addSecs(1200)}, "Score", false,
            "71:ok 71:additional 99:additional 82:visitedNoTime", false, o, 1200.0, 10, 0, true});
        m_cases.last().card.punches[3].timeAvailable = false;

        const QStringList classes {
            "H21", "H21", "H21", "H21", "H21", "H21", "H21", "D21", "D21", "Open", "Open", "Open"};
        for (qsizetype i = 0; i < m_cases.size(); ++i) {
            const bool open = classes[i] == QLatin1String("Open");
            addRunner(
                m_cases[i].name, m_cases[i].card.number, classes[i], open ? std::nullopt : std::optional(s));
        }
    }

    void generatedFieldReadsOut()
    {
        LogCapture log; // keep the output quiet; checked per card below
        const qsizetype generated = qsizetype(3 * perClass);
        for (qsizetype index = 0; index < generated; ++index) {
            const Card card = generatedCard(m_race, int(index));
            const CardRecording r = recordCardReading(
                m_race, card.number, card.punches, std::nullopt, card.startPunch, card.finish, readOutTime);
            QVERIFY(r.appended);
            const PersonResult &res = *r.result;
            const Participant &p = m_race.participants[index];
            const int i = int(index % perClass);
            QCOMPARE(res.participantId, p.id);
            QCOMPARE(res.stageId, QStringLiteral("day1"));
            if (*p.classId == QLatin1String("H21")) {
                QCOMPARE(res.courseId, QStringLiteral("Long"));
                QCOMPARE(res.completed, i % 13 != 0);
                QCOMPARE(res.splits.size(), 10 + (i % 13 != 0 && i % 10 == 0 ? 1 : 0));
            } else if (*p.classId == QLatin1String("D21")) {
                QCOMPARE(res.courseId, i % 2 ? QStringLiteral("Mid-2") : QStringLiteral("Mid-1"));
                QVERIFY(res.courseAutoMatched);
                QVERIFY(res.completed);
            } else {
                QCOMPARE(res.courseId, QStringLiteral("Score"));
                QCOMPARE(res.startTime, card.startPunch);
                qint64 points = 0;
                for (int k = 0; k <= i % 15; ++k)
                    points += k < 5 ? 10 : k < 10 ? 20 : 30;
                QCOMPARE(res.score, points);
                QCOMPARE(res.withinTimeLimit, true);
            }
            QCOMPARE(res.raceTime, double(res.startTime->secsTo(*res.finishTime)));
        }
        QCOMPARE(m_race.results.size(), generated);
    }

    void handCheckedCards_data()
    {
        QTest::addColumn<int>("index");
        for (qsizetype i = 0; i < m_cases.size(); ++i)
            QTest::newRow(qPrintable(m_cases[i].name)) << int(i);
    }
    void handCheckedCards()
    {
        QFETCH(int, index);
        const Expected &e = m_cases[index];
        const qsizetype before = m_race.results.size();
        const CardRecording r = recordCardReading(m_race, e.card.number, e.card.punches, std::nullopt,
            e.card.startPunch, e.card.finish, readOutTime);
        QVERIFY(r.appended);
        QCOMPARE(m_race.results.size(), before + 1);
        const PersonResult &res = m_race.results.last();
        QCOMPARE(res.courseId, e.courseId);
        QCOMPARE(res.courseAutoMatched, e.autoMatched);
        QCOMPARE(describe(res.splits), e.splits);
        QCOMPARE(res.completed, e.completed);
        QCOMPARE(res.startTime, e.start);
        QCOMPARE(res.raceTime, e.raceTime);
        QCOMPARE(res.score, e.score);
        QCOMPARE(res.overtimePenalty, e.penalty);
        QCOMPARE(res.withinTimeLimit, e.within);
        QCOMPARE(res.punches->size(), e.card.punches.size());

        // Reading the same card again stores nothing new.
        const CardRecording again = recordCardReading(m_race, e.card.number, e.card.punches, std::nullopt,
            e.card.startPunch, e.card.finish, readOutTime.addSecs(30));
        QVERIFY(!again.appended);
        QVERIFY(again.save);
        QCOMPARE(again.result->id, res.id);
        QCOMPARE(m_race.results.size(), before + 1);
    }

    void unregisteredCardIsReportedUnmatched()
    {
        const qsizetype before = m_race.results.size();
        LogCapture log;
        const CardRecording r = recordCardReading(m_race, QStringLiteral("7777777"),
            punchesAt(at(11, 0), everyTwoMinutes(longCodes)), std::nullopt, std::nullopt, std::nullopt,
            readOutTime);
        QVERIFY(!r.result && !r.save);
        QCOMPARE(m_race.results.size(), before);
        QCOMPARE(log.lines(),
            QStringList {
                QStringLiteral("SI: no participant registered for card 7777777 — result not recorded")});
    }

    void standingsAfterOneOfTwoStages()
    {
        // Day 2 has no results yet: nobody has completed all stages, everyone sorts by name.
        const QList<StandingsRow> rows = rankedResults(m_race, QStringLiteral("H21"));
        QCOMPARE(rows.size(), perClass + 7);
        for (const StandingsRow &row : rows)
            QVERIFY(!row.totalTime && !row.completedAllStages);
        QCOMPARE(rows.first().participant.familyName, QStringLiteral("clean"));
        QCOMPARE(rows[7].participant.familyName, QStringLiteral("H21-0"));
        QCOMPARE(rows[8].participant.familyName, QStringLiteral("H21-1"));
        QCOMPARE(rows[9].participant.familyName, QStringLiteral("H21-2"));
    }
};

QTEST_GUILESS_MAIN(TestRaceSimulation)
#include "tst_racesimulation.moc"
