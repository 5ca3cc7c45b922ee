// Cards as an official would judge them: every case file under tests/data/evaluation/cards/ sets up
// courses, a class and one runner, reads one card and states the verdict. The format is described
// in tests/data/evaluation/cards/README.md. Then cards decoded and recorded under the zones of
// tests/data/evaluation/timezones.tsv.
#include "cardrecording.h"
#include "casetable.h"
#include "evaluationfixtures.h"
#include "log.h"
#include "resultoperations.h"
#include "sicardreading.h"
#include "splits.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <ctime>

namespace {

struct Case
{
    QString file;
    QStringList lines;
};

QDate caseDay = raceDay;

// "10:05", "10:05:30" on the case's day; "2025-03-29/10:05" on another day.
QDateTime clock(const QString &text)
{
    const QDate day
        = text.contains(QLatin1Char('/')) ? QDate::fromString(text.section('/', 0, 0), Qt::ISODate) : caseDay;
    const QString hms = text.section(QLatin1Char('/'), -1);
    const QTime t = QTime::fromString(hms, hms.count(QLatin1Char(':')) == 2 ? "H:mm:ss" : "H:mm");
    return QDateTime(day, t, Qt::LocalTime).toUTC();
}

// The inverse of clock(), seconds always given.
QString clockText(const std::optional<QDateTime> &time)
{
    if (!time)
        return QStringLiteral("none");
    const QDateTime local = time->toLocalTime();
    return (local.date() == caseDay ? QString() : local.date().toString(Qt::ISODate) + QLatin1Char('/'))
        + local.toString(QStringLiteral("H:mm:ss"));
}

std::optional<QDateTime> optionalClock(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional(clock(text));
}

// "31@10:05" timed, "31@-" a record without time (it carries the previous punch's time, as the
// reader gives it).
QList<SIPunch> parsePunches(const QString &text)
{
    QList<SIPunch> punches;
    for (const QString &token : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = token.split(QLatin1Char('@'));
        const bool untimed = parts.value(1) == QLatin1String("-");
        const QDateTime time = untimed
            ? (punches.isEmpty() ? QDateTime(raceDay, QTime(0, 0), Qt::LocalTime).toUTC()
                                 : punches.last().time)
            : clock(parts.value(1));
        punches.append(punch(parts[0].toLongLong(), time, !untimed));
    }
    return punches;
}

// "A: 31 32 33", "S score 3600 2: 51=10 52=20".
Course parseCourse(const QString &text)
{
    const QString head = text.section(QLatin1Char(':'), 0, 0).trimmed();
    const QString body = text.section(QLatin1Char(':'), 1).trimmed();
    const QStringList words = head.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.value(1) != QLatin1String("score"))
        return sequentialCourse(words[0], codeList(body), words.value(1) != QLatin1String("untyped"));
    QList<std::pair<qint64, qint64>> points;
    for (const QString &pair : body.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        points.append({pair.section('=', 0, 0).toLongLong(), pair.section('=', 1).toLongLong()});
    return scoreCourse(words[0], points,
        words.size() > 2 ? std::optional<double>(words[2].toDouble()) : std::nullopt,
        words.size() > 3 ? std::optional<qint64>(words[3].toLongLong()) : std::nullopt);
}

QList<Case> readCases()
{
    QList<Case> cases;
    const QDir dir(QStringLiteral(VEXLO_TEST_DATA_DIR "/evaluation/cards"));
    for (const QString &name : dir.entryList({QStringLiteral("*.cases")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file.fileName()));
        for (const QString &raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
                continue;
            if (line.startsWith(QLatin1String("case:")))
                cases.append({name, {}});
            if (cases.isEmpty())
                qFatal("%s: a line before the first case", qPrintable(name));
            cases.last().lines.append(line);
        }
    }
    return cases;
}

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

class TestCardCases : public QObject
{
    Q_OBJECT

private slots:
    void card_data()
    {
        QTest::addColumn<QStringList>("lines");
        const QList<Case> cases = readCases();
        QVERIFY(cases.size() > 20);
        for (const Case &c : cases)
            QTest::newRow(qPrintable(c.file + QLatin1String(": ") + c.lines[0].mid(5).trimmed())) << c.lines;
    }

    void card()
    {
        QFETCH(QStringList, lines);
        caseDay = lines.value(1).startsWith(QLatin1String("day:"))
            ? QDate::fromString(lines[1].mid(4).trimmed(), Qt::ISODate)
            : raceDay;
        Race race;
        race.stages = {Stage {QStringLiteral("day1"), QStringLiteral("Day 1"), clock("0:00"), 1}};
        race.activeStageId = QStringLiteral("day1");
        RaceClass raceClass;
        raceClass.id = QStringLiteral("C");
        raceClass.startMethod = StartMethod::ScheduledTime;
        Participant runner;
        runner.cardNumber = QStringLiteral("1");
        runner.classId = raceClass.id;
        QList<SIPunch> punches;
        std::optional<QDateTime> cardStart, finish;
        QMap<QString, QString> expect;
        QStringList expectedLog;
        for (const QString &line : lines) {
            const QString key = line.section(QLatin1Char(':'), 0, 0).section(QLatin1Char(' '), 0, 0);
            const QString value = line.section(QLatin1Char(':'), 1).trimmed();
            if (key == QLatin1String("course")) {
                Course course = parseCourse(line.mid(7));
                // "course A day2: ..." a course of one stage, as an import while it is shown tags it.
                for (const QString &word : line.section(QLatin1Char(':'), 0, 0).split(QLatin1Char(' ')))
                    if (word.startsWith(QLatin1String("day")))
                        course.stageId = word;
                race.courses.append(course);
            } else if (key == QLatin1String("class")) {
                // "A" one course; "family A B" a course family; "multi A B" a multi-course class.
                const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (words[0] == QLatin1String("gone")) {
                    runner.classId = QStringLiteral("gone"); // names no class
                } else if (words[0] == QLatin1String("family")) {
                    raceClass.mode = RaceClassMode::CourseFamily;
                    raceClass.courseFamily = QStringLiteral("F");
                    for (Course &c : race.courses)
                        if (words.contains(c.id))
                            c.courseFamily = raceClass.courseFamily;
                    // "own=A" a course of the class's own, "day1=A" one for a stage, as stored
                    // before the family was chosen.
                    for (const QString &entry : words) {
                        if (entry.startsWith(QLatin1String("own=")))
                            raceClass.courseId = entry.mid(4);
                        else if (entry.contains(QLatin1Char('=')))
                            raceClass.stageCourseIds
                                = StageMap<QString> {{entry.section('=', 0, 0), entry.section('=', 1)}};
                    }
                } else if (words[0] == QLatin1String("multi")) {
                    raceClass.mode = RaceClassMode::MultiCourse;
                    raceClass.courseIds = words.mid(1);
                } else {
                    // "A day2=B": course A, course B while stage day2 is active.
                    raceClass.mode = RaceClassMode::SingleCourse;
                    if (words[0] != QLatin1String("none"))
                        raceClass.courseId = words[0];
                    for (const QString &entry : words.mid(1))
                        raceClass.stageCourseIds
                            = StageMap<QString> {{entry.section('=', 0, 0), entry.section('=', 1)}};
                }
            } else if (key == QLatin1String("start")) {
                // "10:00" a scheduled start; "punch" the start punch, "punch 10:00" both.
                const QStringList words = value.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (words[0] == QLatin1String("punch"))
                    raceClass.startMethod = StartMethod::StartPunch;
                if (words[0] == QLatin1String("stagepunch")) // only the active stage's entry says so
                    raceClass.stageStartMethods
                        = StageMap<StartMethod> {{*race.activeStageId, StartMethod::StartPunch}};
                if (!words.last().endsWith(QLatin1String("punch")))
                    runner.startTime = clock(words.last());
            } else if (key == QLatin1String("own")) {
                runner.courseId = value;
            } else if (key == QLatin1String("stage")) {
                race.activeStageId = value;
            } else if (key == QLatin1String("cardstart")) {
                cardStart = optionalClock(value);
            } else if (key == QLatin1String("finish")) {
                finish = optionalClock(value);
            } else if (key == QLatin1String("punches")) {
                punches = parsePunches(value);
            } else if (key == QLatin1String("log")) {
                expectedLog.append(value);
            } else if (key == QLatin1String("expect")) {
                for (const QString &pair : value.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    expect.insert(pair.section('=', 0, 0), pair.section('=', 1));
            } else if (key == QLatin1String("splits")) {
                expect.insert(key, value);
            } else if (key != QLatin1String("case") && key != QLatin1String("day")) {
                QFAIL(qPrintable(QStringLiteral("unknown line: ") + line));
            }
        }
        race.classes = {raceClass};
        race.participants = {runner};
        LogCapture log;
        const CardRecording r = recordCardReading(
            race, runner.cardNumber, punches, std::nullopt, cardStart, finish, clock("16:00"));
        QVERIFY(r.appended && r.result);
        const PersonResult &res = *r.result;
        const auto yesNo = [](bool b) { return QString::fromLatin1(b ? "yes" : "no"); };
        const auto number
            = [](const std::optional<double> &v) { return v ? QString::number(*v) : QStringLiteral("none"); };
        QCOMPARE(res.courseId.value_or(QStringLiteral("none")), expect.value("course"));
        QCOMPARE(yesNo(res.completed), expect.value("completed"));
        // Marked for review: a note and no override, never completed.
        QCOMPARE(yesNo(res.overrideNote.has_value()), expect.value("review", "no"));
        QVERIFY(!res.completedOverride);
        QVERIFY(!(res.overrideNote && res.completed));
        if (expect.contains("auto"))
            QCOMPARE(yesNo(res.courseAutoMatched), expect.value("auto"));
        if (expect.contains("time"))
            QCOMPARE(number(res.raceTime), expect.value("time"));
        if (expect.contains("score"))
            QCOMPARE(
                number(res.score ? std::optional<double>(*res.score) : std::nullopt), expect.value("score"));
        if (expect.contains("penalty"))
            QCOMPARE(QString::number(res.overtimePenalty.value_or(-1)), expect.value("penalty"));
        if (expect.contains("splits"))
            QCOMPARE(describe(res.splits), expect.value("splits"));
        if (expect.contains("within"))
            QCOMPARE(res.withinTimeLimit ? yesNo(*res.withinTimeLimit) : QStringLiteral("none"),
                expect.value("within"));
        if (expect.contains("start"))
            QCOMPARE(clockText(res.startTime), expect.value("start"));
        if (expect.contains("finish"))
            QCOMPARE(clockText(res.finishTime), expect.value("finish"));
        QStringList legs, elapsed;
        for (const SplitTime &split : res.splits) {
            legs.append(split.legTime ? QString::number(*split.legTime) : QStringLiteral("-"));
            elapsed.append(
                split.elapsedFromStart ? QString::number(*split.elapsedFromStart) : QStringLiteral("-"));
            // A missing split carries "no time": midnight UTC at the start of year 1.
            if (split.status == SplitStatus::Missing)
                QCOMPARE(split.time, missingSplitTime());
        }
        if (expect.contains("legs"))
            QCOMPARE(legs.join(','), expect.value("legs"));
        if (expect.contains("elapsed"))
            QCOMPARE(elapsed.join(','), expect.value("elapsed"));
        if (!expectedLog.isEmpty())
            QCOMPARE(log.lines(), expectedLog);
        QCOMPARE(res.punches->size(), punches.size());

        // Forced either way and cleared again: back to the evaluation's own verdict, a card held
        // for review held again with its note.
        for (const bool forced : {true, false}) {
            QVERIFY(overrideResultStatus(race, res.id, forced, QStringLiteral("seen at the finish")));
            QCOMPARE(race.results.last().overrideNote, std::optional(QStringLiteral("seen at the finish")));
            QVERIFY(overrideResultStatus(race, res.id, std::nullopt, std::nullopt));
            QVERIFY(!race.results.last().completedOverride);
            QCOMPARE(race.results.last().overrideNote, res.overrideNote);
            QCOMPARE(race.results.last().completed, res.completed);
        }
        // Evaluated again as it stands (as a start time that moves it does): the same verdict, a
        // card held for review held with the same note.
        QVERIFY(reevaluateResult(race, race.results.last()));
        QCOMPARE(race.results.last().overrideNote, res.overrideNote);
        QCOMPARE(race.results.last().completed, res.completed);
        QCOMPARE(race.results.last().raceTime, res.raceTime);
    }

    // Cards decoded and recorded under the zones of tests/data/evaluation/timezones.tsv: the results must not
    // depend on whether TZ is set, unset, or changed from one card to the next.
    void init()
    {
        setLogSink([](const QString &) {});
    }
    void cleanup()
    {
        setLogSink(nullptr);
        useZone("Europe/Copenhagen");
    }

    void zones_data()
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

    void zones()
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

QTEST_GUILESS_MAIN(TestCardCases)
#include "tst_cardcases.moc"
