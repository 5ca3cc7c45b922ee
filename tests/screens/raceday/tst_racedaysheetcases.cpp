// The split-times sheet, the Status list and the Results header, from the case tables under
// tests/data/raceday: each line a small result, field of runners or event, and the texts the
// screen shows for it. Then the unmatched-card sheet following the race while it is open, and saving
// an entry with the result it records as one change.

#include "casetable.h"
#include "localization.h"
#include "outstandingrunners.h"
#include "resultsscreen.h"
#include "splittimessheet.h"
#include "storeharness.h"
#include "testevent.h"
#include "unmatchedcardsheet.h"

#include <QStandardPaths>

namespace {

const QDateTime day(QDate(2025, 6, 14), QTime(0, 0), QTimeZone::utc());

// Card 2000099, held by no entry, punching 31, 32 and 33 a minute apart from 10:31.
SICardReading cardNobodyHolds()
{
    SICardReading card;
    card.cardNumber = QStringLiteral("2000099");
    for (qint64 code : {31, 32, 33})
        card.punches.append(SIPunch {QUuid::createUuid(), code, day.addSecs(36000 + code * 60), true});
    return card;
}

// Card 2000099 punching the controls (as "31 32 33") a minute apart from 10:01 of `on`.
SICardReading cardPunching(const QString &controls, const QDateTime &on)
{
    SICardReading card;
    card.cardNumber = QStringLiteral("2000099");
    for (const QString &code : controls.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        card.punches.append(SIPunch {QUuid::createUuid(), code.toLongLong(),
            on.addSecs(36000 + 60 * (card.punches.size() + 1)), true});
    return card;
}

// "class=h21 course=- stages=day1:L1": a participant's class, base course and per-stage courses.
QString classAndCourses(const Participant &p)
{
    QStringList stages;
    if (p.courseIdByStage)
        for (auto it = p.courseIdByStage->cbegin(); it != p.courseIdByStage->cend(); ++it)
            stages.append(it.key() + u':' + it.value());
    return QStringLiteral("class=%1 course=%2 stages=%3")
        .arg(p.classId.value_or(QStringLiteral("-")), p.courseId.value_or(QStringLiteral("-")),
            stages.isEmpty() ? QStringLiteral("-") : stages.join(u','));
}

// "D2 completed=yes auto=no": the course a result was judged by, and the verdict.
QString judged(const PersonResult &r)
{
    return QStringLiteral("%1 completed=%2 auto=%3")
        .arg(r.courseId.value_or(QStringLiteral("-")),
            r.completed ? QStringLiteral("yes") : QStringLiteral("no"),
            r.courseAutoMatched ? QStringLiteral("yes") : QStringLiteral("no"));
}

std::optional<QDateTime> clock(const QString &cell)
{
    if (cell == QLatin1String("-"))
        return std::nullopt;
    return QDateTime(day.date(), QTime::fromString(cell, QStringLiteral("HH:mm:ss")), QTimeZone::utc());
}

std::optional<double> number(const QString &cell)
{
    return cell == QLatin1String("-") ? std::nullopt : std::optional<double>(cell.toDouble());
}

// Course "seq", "score", "gone" (named but deleted) or "none"; splits "status:code:fromStart:leg:score"
// separated by ";" with status ok, mp, add or vis and "-" for a value the split lacks.
std::pair<Race, PersonResult> sheetCase(const QStringList &c)
{
    Race race;
    Participant runner;
    runner.givenName = QStringLiteral(" Ida");
    runner.familyName = QStringLiteral("Holm");
    race.participants.append(runner);
    Course course {QStringLiteral("k1"), QStringLiteral("Long")};
    if (c[0] == QLatin1String("score"))
        course.type = CourseType::Rogaining;
    if (c[0] == QLatin1String("seq") || c[0] == QLatin1String("score"))
        race.courses.append(course);
    PersonResult r;
    r.participantId = runner.id;
    r.cardNumber = QStringLiteral("2000001");
    if (c[0] != QLatin1String("none"))
        r.courseId = course.id;
    r.startTime = clock(c[2]);
    r.finishTime = clock(c[3]);
    r.raceTime = number(c[4]);
    if (c[5] != QLatin1String("-"))
        r.completedOverride = c[5] == QLatin1String("ok");
    if (c[6] != QLatin1String("-"))
        r.overrideNote = c[6];
    const QHash<QString, SplitStatus> statuses {{QStringLiteral("ok"), SplitStatus::Ok},
        {QStringLiteral("mp"), SplitStatus::Missing}, {QStringLiteral("add"), SplitStatus::Additional},
        {QStringLiteral("vis"), SplitStatus::VisitedNoTime}};
    for (const QString &spec : c[1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList f = spec.split(QLatin1Char(':'));
        SplitTime s;
        s.status = statuses.value(f[0]);
        s.controlCode = f[1].toLongLong();
        s.elapsedFromStart = number(f.value(2, QStringLiteral("-")));
        s.legTime = number(f.value(3, QStringLiteral("-")));
        if (f.value(4, QStringLiteral("-")) != QLatin1String("-"))
            s.score = f[4].toLongLong();
        if (r.startTime && s.elapsedFromStart)
            s.time = r.startTime->addMSecs(qint64(*s.elapsedFromStart * 1000));
        r.splits.append(s);
    }
    return {race, r};
}

QString render(const SplitSheetTexts &t)
{
    QStringList parts {t.title, t.cardLine, t.startText + (t.startMissing ? QStringLiteral("!") : QString()),
        t.finishText + (t.finishMissing ? QStringLiteral("!") : QString()), t.overrideLine, t.reviewNote};
    for (const SplitSheetLine &l : t.lines) {
        QStringList cells {l.number, l.control,
            l.split + (l.splitTone == RowTone::Plain ? QString() : QStringLiteral("!")),
            l.fromStart + (l.fromStartDimmed ? QStringLiteral("~") : QString())};
        if (t.scoreColumn)
            cells.append(l.score + (l.scoreDimmed ? QStringLiteral("~") : QString()));
        parts.append(cells.join(QLatin1Char(' ')));
    }
    if (t.hasFinishLine)
        parts.append(QStringLiteral("Finish ") + t.finishLeg + QLatin1Char(' ') + t.finishTotal);
    return parts.join(QStringLiteral(" | "));
}

// Runners "name/classes/start/status/result/club": classes "h21", "-" or "h21,s2=d21"; start in
// minutes from now; result the stage it was read in ("none" for a result without stage).
Race fieldCase(const QString &spec, const QDateTime &now)
{
    Race race;
    race.classes = {RaceClass {QStringLiteral("h21"), QStringLiteral("H21")},
        RaceClass {QStringLiteral("d21"), QStringLiteral("D21")}};
    race.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Day 1"), day, 1},
        Stage {QStringLiteral("s2"), QStringLiteral("Day 2"), day.addDays(1), 2}};
    for (const QString &runner : spec.split(QLatin1Char(';'))) {
        const QStringList f = runner.split(QLatin1Char('/'));
        Participant p;
        p.givenName = f[0].section(QLatin1Char(' '), 0, 0);
        p.familyName = f[0].section(QLatin1Char(' '), 1);
        p.cardNumber = QString::number(1000 + race.participants.size());
        for (const QString &cls : f[1].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (cls.contains(QLatin1Char('=')))
                p.classIdByStage = StageMap<QString> {
                    {cls.section(QLatin1Char('='), 0, 0), cls.section(QLatin1Char('='), 1)}};
            else if (cls != QLatin1String("-"))
                p.classId = cls;
        }
        for (const QString &item : f[2].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (item == QLatin1String("-"))
                continue;
            const bool perStage = item.contains(QLatin1Char('='));
            QString value = perStage ? item.section(QLatin1Char('='), 1) : item;
            QDateTime start;
            if (value != QLatin1String("bad")) {
                const QChar form = value.back();
                if (form == QLatin1Char('L') || form == QLatin1Char('o'))
                    value.chop(1);
                start = now.addSecs(value.toInt() * 60);
                if (form == QLatin1Char('L'))
                    start = start.toLocalTime();
                else if (form == QLatin1Char('o'))
                    start = start.toOffsetFromUtc(-5400);
            }
            if (!perStage) {
                p.startTime = start;
                continue;
            }
            if (!p.startTimeByStage)
                p.startTimeByStage = StageMap<QDateTime>();
            p.startTimeByStage->insert(item.section(QLatin1Char('='), 0, 0), start);
        }
        // "dns" or "dnf" for every stage; "<stage>=dns,..." for single stages.
        for (const QString &mark : f[3].split(QLatin1Char(','))) {
            if (mark == QLatin1String("-"))
                continue;
            const ParticipantStatus status
                = mark.endsWith(QLatin1String("dns")) ? ParticipantStatus::Dns : ParticipantStatus::Dnf;
            if (!mark.contains(QLatin1Char('='))) {
                p.status = status;
                continue;
            }
            if (!p.statusByStage)
                p.statusByStage = StageMap<ParticipantStatus>();
            p.statusByStage->insert(mark.section(QLatin1Char('='), 0, 0), status);
        }
        if (f[4] != QLatin1String("-")) {
            PersonResult r;
            r.participantId = p.id;
            if (f[4] != QLatin1String("none"))
                r.stageId = f[4];
            race.results.append(r);
        }
        if (f.value(5, QStringLiteral("-")) != QLatin1String("-"))
            p.club = f[5] == QLatin1String("''") ? QString() : f[5];
        race.participants.append(p);
    }
    return race;
}

} // namespace

class TestRaceDaySheetCases : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        LocalizationManager::setShared(&m_language);
    }
    void cleanupTestCase() { LocalizationManager::setShared(nullptr); }

    void splitSheet_data() { casetable::load("raceday/splitsheet.txt"); }
    void splitSheet()
    {
        QFETCH(QStringList, cells);
        const auto [race, result] = sheetCase(cells);
        QCOMPARE(render(splitSheetTexts(race, result, QTimeZone::utc())), cells[7]);
    }

    void statusList_data() { casetable::load("raceday/statuslist.txt"); }
    void statusList()
    {
        QFETCH(QStringList, cells);
        const QDateTime now = day.addSecs(11 * 3600);
        const Race race = fieldCase(cells[2], now);
        const QString stage = cells[0] == QLatin1String("-") ? QString() : cells[0];
        QSet<StatusFilterGroup> groups;
        for (const QString &raw : cells[1].split(QLatin1Char(','), Qt::SkipEmptyParts))
            groups.insert(statusFilterGroupFromRawValue(raw).value());
        const QList<qsizetype> rows = filteredParticipants(
            outstandingContext(race, stage, now), groups, participantNameOrder(race.participants));
        auto names = [&race](const QList<qsizetype> &indexes) {
            QStringList shown;
            for (qsizetype i : indexes)
                shown.append(outstandingNameLine(race.participants.at(i)));
            return shown.join(QLatin1Char('|'));
        };
        QCOMPARE(names(rows), cells[3]);

        // The Status section's derivation: the same rows whatever it derived before (another
        // stage, another time, the same entries or a copy of them) and however "now" is held.
        OutstandingDerivation derivation;
        QCOMPARE(names(derivation.rows(race, stage, now, groups)), cells[3]);
        QCOMPARE(names(derivation.rows(race, stage, now.toLocalTime(), groups)), cells[3]);
        QCOMPARE(names(derivation.rows(race, stage, now.toOffsetFromUtc(3600), groups)), cells[3]);
        const QString otherStage = stage == QLatin1String("s1") ? QStringLiteral("s2") : QStringLiteral("s1");
        static_cast<void>(derivation.rows(race, otherStage, now.addDays(-1), groups));
        QCOMPARE(names(derivation.rows(race, stage, now, groups)), cells[3]);
        OutstandingDerivation afterFewer;
        Race fewer = race;
        fewer.participants.removeLast();
        static_cast<void>(afterFewer.rows(fewer, stage, now, groups));
        QCOMPARE(names(afterFewer.rows(race, stage, now, groups)), cells[3]);
        Race edited = race;
        edited.participants.detach();
        QCOMPARE(names(derivation.rows(edited, stage, now, groups)), cells[3]);
        QCOMPARE(names(derivation.rows(race, stage, now, groups)), cells[3]);
        if (!rows.isEmpty() && cells.value(4, QStringLiteral("-")) != QLatin1String("-"))
            QCOMPARE(outstandingDetailLine(race, race.participants.at(rows.first()), stage), cells[4]);
    }

    // Classes "name,..." (ids c0, c1, ... in that order), stages "name@order,...", the active
    // stage's name, then the class filter (a name, "gone" for a deleted class) and the chip chosen.
    void resultsHeader_data() { casetable::load("raceday/resultsheader.txt"); }
    void resultsHeader()
    {
        QFETCH(QStringList, cells);
        Race race;
        for (const QString &name : cells[0].split(QLatin1Char(','), Qt::SkipEmptyParts))
            race.classes.append(RaceClass {QStringLiteral("c%1").arg(race.classes.size()), name});
        for (const QString &stage : cells[1].split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QString name = stage.section(QLatin1Char('@'), 0, 0);
            race.stages.append(
                Stage {name.toLower(), name, day, stage.section(QLatin1Char('@'), 1).toLongLong()});
            if (name == cells[2])
                race.activeStageId = name.toLower();
        }
        StoreHarness harness;
        const auto store = harness.makeStore(race);
        ResultsScreen screen;
        screen.setStore(store.get());
        for (const RaceClass &c : race.classes) {
            if (c.name == cells[3]) {
                screen.selectClass(c.id);
                break;
            }
        }
        if (cells[3] == QLatin1String("gone"))
            screen.selectClass(QStringLiteral("deleted"));
        if (cells[4] != QLatin1String("-"))
            screen.selectStage(
                cells[4] == QLatin1String("Overall") ? QStringLiteral("__overall__") : cells[4].toLower());
        QStringList menu;
        for (const QVariant &o : screen.classOptions())
            menu.append(o.toMap().value(QStringLiteral("name")).toString()
                + (o.toMap().value(QStringLiteral("checked")).toBool() ? QStringLiteral("*") : QString()));
        QStringList chips;
        for (const QVariant &c : screen.stageChips())
            chips.append(c.toMap().value(QStringLiteral("name")).toString()
                + (c.toMap().value(QStringLiteral("selected")).toBool() ? QStringLiteral("*") : QString()));
        QString exports;
        for (int kind = 0; kind < 4; ++kind)
            exports.append(screen.exportEnabled(kind) ? QLatin1Char('1') : QLatin1Char('0'));
        QCOMPARE(QStringList({screen.classFilterLabel(), menu.join(QLatin1Char(',')),
                                 chips.join(QLatin1Char(',')), exports})
                     .join(QStringLiteral(" | ")),
            cells[5]);
    }

    // The sheet follows the race: when the last entry without a card gets one elsewhere, it offers
    // the new-runner editor, prefilled with the class and course the punches point to.
    void unmatchedSheetFollowsTheRace()
    {
        Race race;
        Course course {QStringLiteral("k1"), QStringLiteral("Long")};
        for (qint64 code : {31, 32, 33})
            course.controls.append(
                CourseControl {QUuid::createUuid(), code, course.controls.size(), std::nullopt});
        race.courses = {course};
        race.classes = {RaceClass {QStringLiteral("h21"), QStringLiteral("H21")}};
        race.classes[0].courseId = course.id;
        Participant open;
        open.givenName = QStringLiteral("Lone");
        open.classId = QStringLiteral("h21");
        race.participants = {open};
        StoreHarness harness;
        const auto store = harness.makeStore(race);
        SICardReading card = cardNobodyHolds();
        UnmatchedCardSheet sheet;
        sheet.setStore(store.get());
        sheet.open(card);
        QCOMPARE(sheet.mode(), QStringLiteral("list"));
        QCOMPARE(sheet.candidates().size(), 1);

        Participant given = store->race().participants.first();
        given.cardNumber = QStringLiteral("123");
        store->updateParticipant(given);
        QCOMPARE(sheet.mode(), QStringLiteral("editor"));
        const Participant draft = sheet.draftParticipant().value<Participant>();
        QCOMPARE(draft.cardNumber, card.cardNumber);
        QCOMPARE(draft.classId, QStringLiteral("h21"));
        QCOMPARE(draft.courseId, course.id);
    }

    // The sheet's save and assignment: the entry and the result it records (with the kept
    // read-out settled) are one change, saved once.
    void unmatchedSheetSavesEntryAndResultOnce_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("new runner") << QStringLiteral("new");
        QTest::newRow("new runner, number changed") << QStringLiteral("renumbered");
        QTest::newRow("entry without a card") << QStringLiteral("assign");
    }
    void unmatchedSheetSavesEntryAndResultOnce()
    {
        QFETCH(QString, action);
        Race race;
        Participant open;
        open.givenName = QStringLiteral("Lone");
        race.participants = {open};
        StoreHarness harness;
        const auto store = harness.makeStore(race);
        SICardReading card = cardNobodyHolds();
        card.finishPunchTime = day.addSecs(39000);
        QVERIFY(!store->recordCardReading(
            card.cardNumber, card.punches, std::nullopt, std::nullopt, card.finishPunchTime));
        QVERIFY(store->race().unknownCards);
        UnmatchedCardSheet sheet;
        sheet.setStore(store.get());
        sheet.open(card);
        harness.steps.clear();
        QUuid runner = open.id;
        if (action == u"assign") {
            sheet.assignCard(open.id.toString(QUuid::WithoutBraces));
        } else {
            Participant draft = sheet.draftParticipant().value<Participant>();
            if (action == u"renumbered")
                draft.cardNumber = QStringLiteral("2000100");
            runner = draft.id;
            sheet.saveNewParticipant(QVariant::fromValue(draft));
        }
        QCOMPARE(harness.autosaves(), 1);
        QCOMPARE(store->race().results.size(), 1);
        QCOMPARE(store->race().results.first().participantId, runner);
        QCOMPARE(store->race().results.first().finishTime, card.finishPunchTime);
        QVERIFY(!store->race().unknownCards);
    }

    // A runner registered from the sheet is judged on each later day by that day's course: the
    // course the first day's punches identify is never left behind as the runner's base course.
    void unmatchedRegistrationAcrossDays_data() { casetable::load("raceday/unmatched-registration.tsv"); }
    void unmatchedRegistrationAcrossDays()
    {
        QFETCH(QStringList, cells);
        Race race = testEvent(QStringLiteral("raceday/two-day-registration.json"));
        if (cells[0] != u"-")
            race.activeStageId = cells[0];
        StoreHarness harness;
        const auto store = harness.makeStore(race);
        const SICardReading card = cardPunching(cells[1], day);
        UnmatchedCardSheet sheet;
        sheet.setStore(store.get());
        sheet.open(card);
        QCOMPARE(sheet.mode(), QStringLiteral("editor"));
        const Participant draft = sheet.draftParticipant().value<Participant>();
        QCOMPARE(classAndCourses(draft), cells[2]);
        Participant saved = draft;
        if (cells[6] != u"-")
            saved.classId = cells[6];
        // The organiser's own course for another day, picked in the form ("day2:L2").
        if (const QString own = cells.value(7); !own.isEmpty()) {
            if (!saved.courseIdByStage)
                saved.courseIdByStage = StageMap<QString>();
            saved.courseIdByStage->insert(own.section(u':', 0, 0), own.section(u':', 1));
        }
        sheet.saveNewParticipant(QVariant::fromValue(saved));
        QCOMPARE(store->race().participants.size(), 1);
        QCOMPARE(store->race().results.size(), 1);
        QCOMPARE(judged(store->race().results.first()), cells[3]);
        if (cells[4] == u"-")
            return;

        Race nextDay = store->race();
        nextDay.activeStageId = QStringLiteral("day2");
        store->setRace(nextDay);
        const SICardReading again = cardPunching(cells[4], day.addDays(1));
        const std::optional<PersonResult> result = store->recordCardReading(
            again.cardNumber, again.punches, std::nullopt, std::nullopt, std::nullopt);
        QVERIFY(result);
        QCOMPARE(result->stageId, std::optional<QString>(QStringLiteral("day2")));
        QCOMPARE(judged(*result), cells[5]);
    }

private:
    LocalizationManager m_language {QStringList {QStringLiteral("en-US")}};
};

QTEST_GUILESS_MAIN(TestRaceDaySheetCases)
#include "tst_racedaysheetcases.moc"
