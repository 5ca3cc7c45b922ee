// Thousands of cards from a seeded generator that knows what each runner did. The generator
// follows its own account of a race day, not the evaluation: a runner is given a course (a fork
// variant in family classes), starts at the scheduled time, punches the controls in order with a
// leg of one to six minutes, and may miss, add, swap or repeat a control, or carry a card whose
// time was not kept for a punch. Some cards were not cleared: yesterday's run (complete or given up
// half way, on the same course or a sibling) lies ahead of today's, earlier or later on the clock,
// with or without a start punch today (the start record is otherwise yesterday's).
//
// The official's verdict: a sequential run is completed when today's punches hold every control of
// the runner's course in order; its time runs from the real start to the finish. Where the card
// cannot show that (the start comes from a card holding only yesterday's start record; punches that
// complete two variants equally), the result must be marked for review and not completed.
#include "cardrecording.h"
#include "evaluationfixtures.h"
#include "log.h"
#include "racelookup.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

enum class Truth { Completed, NotCompleted, CannotTell };

struct Generated
{
    QString classId;
    QString course; // the runner's course today
    QList<SIPunch> punches;
    std::optional<QDateTime> cardStart;
    QDateTime finish;
    std::optional<QDateTime> scheduled;
    QDateTime realStart;
    Truth truth = Truth::NotCompleted;
    qint64 score = 0;
    QString story;
};

// Every control of `course` appears in `codes` in order.
bool runsInOrder(const QList<qint64> &course, const QList<qint64> &codes)
{
    qsizetype next = 0;
    for (qint64 code : codes) {
        if (next < course.size() && course[next] == code)
            ++next;
    }
    return next == course.size();
}

class Generator
{
public:
    explicit Generator(quint32 seed)
        : m_random(seed)
    { }

    Race race;
    QHash<QString, QList<qint64>> controls;
    QHash<QString, QStringList> families; // class id -> its fork variants
    QHash<qint64, qint64> points;

    void setUp()
    {
        race.stages = {Stage {QStringLiteral("d1"), QStringLiteral("Day 1"), at(0, 0), 1}};
        race.activeStageId = QStringLiteral("d1");
        addCourse(QStringLiteral("Long"), {31, 32, 33, 34, 35, 36, 37, 38, 39, 40});
        addClass(QStringLiteral("H21"), QStringLiteral("Long"), StartMethod::ScheduledTime);
        addClass(QStringLiteral("Open"), QStringLiteral("Long"), StartMethod::StartPunch);
        // Forks of 7, 12 and 16 controls: each variant swaps one or two controls of a common base.
        for (int length : {7, 12, 16}) {
            QList<qint64> base;
            for (int i = 0; i < length; ++i)
                base.append(100 + length * 10 + i);
            QStringList variants;
            for (int v = 0; v < 3; ++v) {
                QList<qint64> codes = base;
                codes[1 + v] = 500 + length * 10 + v;
                if (length > 7)
                    codes[length - 2 - v] = 600 + length * 10 + v;
                const QString id = QStringLiteral("F%1%2").arg(length).arg(QChar('A' + v));
                addCourse(id, codes);
                race.courses.last().courseFamily = QStringLiteral("F%1").arg(length);
                variants.append(id);
            }
            RaceClass c;
            c.id = QStringLiteral("Fork%1").arg(length);
            c.mode = RaceClassMode::CourseFamily;
            c.courseFamily = QStringLiteral("F%1").arg(length);
            c.startMethod = StartMethod::ScheduledTime;
            race.classes.append(c);
            families.insert(c.id, variants);
        }
        QList<std::pair<qint64, qint64>> scorePoints;
        for (qint64 code = 71; code <= 82; ++code) {
            scorePoints.append({code, code % 3 == 0 ? 30 : 10});
            points.insert(code, code % 3 == 0 ? 30 : 10);
            controls[QStringLiteral("Score")].append(code);
        }
        race.courses.append(scoreCourse(QStringLiteral("Score"), scorePoints, 3600.0, 2));
        addClass(QStringLiteral("Rogaine"), QStringLiteral("Score"), StartMethod::ScheduledTime);
    }

    Generated card(int n)
    {
        Generated g;
        const QStringList classes {"H21", "Open", "Fork7", "Fork12", "Fork16", "Rogaine"};
        g.classId = classes[int(m_random.bounded(classes.size()))];
        const bool fork = families.contains(g.classId);
        g.course = fork ? pick(families[g.classId]) : findClass(race, g.classId)->courseId.value();
        const bool score = g.course == QLatin1String("Score");
        g.realStart = at(9, 0).addSecs(60 * (n % 240));
        const bool startFromCard = g.classId == QLatin1String("Open");
        if (!startFromCard)
            g.scheduled = g.realStart;

        // Yesterday's run on an uncleared card, on the same course or a sibling variant.
        QList<SIPunch> yesterday;
        std::optional<QDateTime> yesterdayStart;
        const bool uncleared = chance(30);
        // A score course has no order to tell runs apart by: without a start punch today nothing on
        // the card shows where today's run begins, so such cards are not generated.
        const bool punchedStart = !uncleared || score || chance(60);
        if (uncleared) {
            const QString other = fork && chance(50) ? pick(families[g.classId]) : g.course;
            // Earlier on the clock ends before today's start; later begins after today's finish.
            const bool later = chance(50);
            yesterdayStart = later ? g.realStart.addSecs(3600 * 6) : g.realStart.addSecs(-3600 * 5);
            QList<qint64> codes = controls[other];
            if (score)
                codes = shuffled(codes).mid(0, 4 + int(m_random.bounded(6)));
            else if (chance(25))
                codes = codes.mid(0, codes.size() / 2 + 1); // gave up half way
            QDateTime t = *yesterdayStart;
            for (qint64 code : codes)
                yesterday.append(punch(code, t = t.addSecs(60 + m_random.bounded(240))));
            g.story += QStringLiteral("uncleared(%1,%2,%3) ")
                           .arg(other, later ? "later" : "earlier",
                               punchedStart ? "start punched" : "no start punch");
        }
        g.cardStart = punchedStart ? std::optional(g.realStart) : yesterdayStart;

        // Today's run.
        QList<qint64> codes
            = score ? shuffled(controls[g.course]).mid(0, 3 + int(m_random.bounded(10))) : controls[g.course];
        const int mistake = int(m_random.bounded(6));
        const qsizetype where = 1 + m_random.bounded(codes.size() - 2);
        switch (mistake) {
        case 1:
            codes.removeAt(where);
            g.story += QStringLiteral("missed ");
            break;
        case 2:
            codes.insert(where, 900 + m_random.bounded(50));
            g.story += QStringLiteral("extra ");
            break;
        case 3:
            codes.swapItemsAt(where, where + 1);
            g.story += QStringLiteral("swapped ");
            break;
        case 4:
            codes.insert(where, codes[where - 1]);
            g.story += QStringLiteral("repeated ");
            break;
        default:
            break;
        }
        QList<SIPunch> today;
        QDateTime t = g.realStart;
        for (qint64 code : codes) {
            t = t.addSecs(60 + m_random.bounded(300));
            // Old cards keep the code without the time once their time records run out.
            const bool untimed = !today.isEmpty() && chance(3);
            today.append(punch(code, untimed ? today.last().time : t, !untimed));
            if (untimed)
                g.story += QStringLiteral("untimed ");
        }
        g.finish = t.addSecs(30 + m_random.bounded(60));
        g.punches = yesterday + today;

        if (score) {
            QSet<qint64> visited(codes.cbegin(), codes.cend());
            for (qint64 code : visited)
                g.score += points.value(code);
            const qint64 over = g.realStart.secsTo(g.finish) - 3600;
            if (over > 0)
                g.score = std::max<qint64>(0, g.score - 2 * ((over + 59) / 60));
            g.truth = Truth::NotCompleted;
            return g;
        }
        g.truth = runsInOrder(controls[g.course], codes) ? Truth::Completed : Truth::NotCompleted;
        // Variants completed by the same punches cannot be told apart by anyone reading the card.
        if (fork) {
            for (const QString &variant : families[g.classId]) {
                if (variant != g.course && runsInOrder(controls[variant], codes))
                    g.truth = Truth::CannotTell;
            }
        }
        // Timed from a start record that is yesterday's: nobody can time this run from the card.
        if (startFromCard && !punchedStart && g.truth == Truth::Completed)
            g.truth = Truth::CannotTell;
        return g;
    }

private:
    QRandomGenerator m_random;

    bool chance(int percent) { return int(m_random.bounded(100)) < percent; }
    QString pick(const QStringList &list) { return list[int(m_random.bounded(list.size()))]; }
    QList<qint64> shuffled(QList<qint64> codes)
    {
        for (qsizetype i = codes.size() - 1; i > 0; --i)
            codes.swapItemsAt(i, m_random.bounded(i + 1));
        return codes;
    }
    void addCourse(const QString &id, const QList<qint64> &codes)
    {
        race.courses.append(sequentialCourse(id, codes));
        controls.insert(id, codes);
    }
    void addClass(const QString &id, const QString &course, StartMethod method)
    {
        RaceClass c;
        c.id = id;
        c.mode = RaceClassMode::SingleCourse;
        c.courseId = course;
        c.startMethod = method;
        race.classes.append(c);
    }
};

} // namespace

class TestGeneratedCards : public QObject
{
    Q_OBJECT

private slots:
    void evaluationAgreesWithWhatTheRunnerDid()
    {
        Generator gen(20250614);
        gen.setUp();
        LogCapture quiet;
        int agreed = 0;
        QStringList wrong;
        QMap<QString, int> undecided; // the review note -> cards
        const int cards = 8000;
        for (int n = 0; n < cards; ++n) {
            const Generated g = gen.card(n);
            Participant p;
            p.cardNumber = QString::number(100000 + n);
            p.classId = g.classId;
            p.startTime = g.scheduled;
            gen.race.participants = {p};
            gen.race.results.clear();
            const CardRecording r = recordCardReading(
                gen.race, p.cardNumber, g.punches, std::nullopt, g.cardStart, g.finish, at(18, 0));
            QVERIFY(r.result);
            const PersonResult &res = *r.result;
            const bool review = res.overrideNote.has_value();
            const double realTime = double(g.realStart.secsTo(g.finish));
            QString fault;
            if (g.course == QLatin1String("Score")) {
                if (res.courseId != g.course || res.score != g.score || review)
                    fault = QStringLiteral("score %1, expected %2").arg(res.score.value_or(-1)).arg(g.score);
            } else if (res.completed) {
                if (g.truth != Truth::Completed || res.courseId != g.course || res.raceTime != realTime)
                    fault = QStringLiteral("completed on %1 in %2 s")
                                .arg(res.courseId.value_or("none"))
                                .arg(*res.raceTime);
            } else if (g.truth == Truth::Completed) {
                if (!review)
                    fault = QStringLiteral("not completed on %1").arg(res.courseId.value_or("none"));
            } else if (g.truth == Truth::CannotTell && !review) {
                fault = QStringLiteral("not marked for review");
            }
            if (!fault.isEmpty())
                wrong.append(QStringLiteral("card %1 (%2 on %3, %4): %5")
                                 .arg(n)
                                 .arg(g.classId, g.course, g.story, fault));
            else if (review && g.truth == Truth::Completed)
                ++undecided[*res.overrideNote + QStringLiteral(" (") + g.story.trimmed() + QLatin1Char(')')];
            else
                ++agreed;
        }
        // Cards the evaluation leaves to the organiser although the runner did complete, and why.
        for (auto it = undecided.cbegin(); it != undecided.cend(); ++it)
            qInfo("undecided: %d card(s): %s", it.value(), qPrintable(it.key()));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.mid(0, 20).join(QLatin1Char('\n'))));
        int undecidedCount = 0;
        for (int count : undecided)
            undecidedCount += count;
        QVERIFY2(undecidedCount * 50 < cards, "more than 2% of the cards left to the organiser");
        QCOMPARE(agreed + undecidedCount, cards);
    }
};

QTEST_GUILESS_MAIN(TestGeneratedCards)
#include "tst_generatedcards.moc"
