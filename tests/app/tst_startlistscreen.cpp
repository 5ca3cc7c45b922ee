// The Start List section in the real main window, offscreen at its minimum size, over a generated
// event of 60 classes and 2,000 runners, in both languages: a rule-based plan generated from the
// Tools menu (contradictory settings refused first), a runner dragged in the grid (and a refused
// drop) and in the list, and a time typed in the edit sheet (an unreadable one refused first), all
// with the mouse and keys; the Tools menu's other sheets opened and closed with Escape. Every card
// was read before the plan: each result's race time follows each of these. The event file then
// holds the plan. Any QML warning fails the test; screenshots land in the build.

#include "localization.h"
#include "racegenerator.h"
#include "raceplancheck.h"
#include "setupwindow.h"
#include "startlistviewmodel.h"
#include "starttimeoperations.h"
#include "testenvironment.h"
#include "uichecks.h"

#include <QPointer>
#include <QSignalSpy>

namespace {

const QSet<QString> elidingFields {QStringLiteral("gridHeaderName"), QStringLiteral("gridRunnerName"),
    QStringLiteral("runnerName"), QStringLiteral("cardLine")};
constexpr int capacity = 22; // 2,000 runners over the 91 minutes of the dialog's 90-minute period

Race screenEvent()
{
    StartListShape shape;
    shape.classes = 60;
    shape.runners = 2000;
    shape.courses = 40;
    shape.startPunchEvery = 15;
    return withoutStartTimes(startListEvent(shape));
}

// Every runner's card read before the start list existed: a finish and no start.
Race readBeforeTheStartList(Race race, const QDateTime &finish)
{
    for (const Participant &p : race.participants) {
        PersonResult read;
        read.participantId = p.id;
        read.cardNumber = p.cardNumber;
        read.readAt = finish;
        read.finishTime = finish;
        read.stageId = race.activeStageId;
        race.results.append(read);
    }
    return race;
}

// Each result's start is its runner's start time as the start list now has it, and its race time
// follows.
void verifyResultsFollow(const Race &race)
{
    QHash<QUuid, std::optional<QDateTime>> starts;
    for (const Participant &p : race.participants)
        starts.insert(p.id, scheduledStartTime(race, p));
    QVERIFY(!race.results.isEmpty());
    for (const PersonResult &read : race.results) {
        const std::optional<QDateTime> start = starts.value(read.participantId);
        QCOMPARE(read.startTime, start);
        QCOMPARE(read.raceTime,
            start ? std::optional(double(start->secsTo(*read.finishTime))) : std::optional<double>());
    }
}

// What a hand-made change must keep for the checker (gap 1): a minute's capacity, and one runner
// of a start group per minute.
struct Plan
{
    Plan(const Race &race, const QDateTime &first)
        : race(race)
        , first(first)
        , groups(startGroupKeys(race.participants, race.classes, race.courses, race.activeStageId))
    { }
    [[nodiscard]] const Participant &runner(const QUuid &id) const
    {
        return *std::find_if(race.participants.begin(), race.participants.end(),
            [&](const Participant &p) { return p.id == id; });
    }
    [[nodiscard]] QString groupOf(const Participant &p) const
    {
        return groups.value(p.classId.value_or(QString()));
    }
    [[nodiscard]] int minuteOf(const Participant &p) const
    {
        const std::optional<QDateTime> t = scheduledStartTime(race, p);
        return t ? int(first.secsTo(*t) / 60) : -1;
    }
    // True when a runner of `group` may join minute m once the runners in `leaving` have gone.
    [[nodiscard]] bool fits(const QString &group, int m, const QSet<QUuid> &leaving) const
    {
        int count = 0;
        for (const Participant &p : race.participants) {
            if (leaving.contains(p.id) || minuteOf(p) != m)
                continue;
            if (groupOf(p) == group)
                return false;
            ++count;
        }
        return m >= 0 && m <= 90 && count < capacity;
    }
    const Race race;
    QDateTime first;
    QHash<QString, QString> groups;
};

// Presses on `from`, moves in steps to the scene point `to` and releases there.
void dragOnto(QQuickWindow *window, QQuickItem *from, QPointF to)
{
    QVERIFY(from);
    const QPoint a = from->mapToScene(QPointF(8, from->height() / 2)).toPoint();
    const QPoint b = to.toPoint();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, a);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(window, a + (b - a) * i / 8);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, b);
}

QPointF centre(QQuickItem *item)
{
    return item ? item->mapToScene(QPointF(item->width() / 2, item->height() / 2)) : QPointF();
}

// The runner a name label drags (its drag source holds the id).
QUuid runnerOf(QQuickItem *label)
{
    return label ? QUuid::fromString(label->childItems().value(0)->property("runnerId").toString()) : QUuid();
}

// The grid's rows wholly on screen by minute from the first start, and the names in them.
struct GridOnScreen
{
    QMap<int, QQuickItem *> rows;
    QList<std::pair<int, QQuickItem *>> names; // minute, label
    // The scene point of a column's cell in the row of a minute.
    [[nodiscard]] QPointF cell(int minute, int column) const
    {
        return rows.value(minute)->mapToScene(QPointF(106 + 140 * column + 70, 8));
    }
};
GridOnScreen gridOnScreen(QQuickWindow *window, QQuickItem *grid, const QDateTime &first)
{
    const QRectF area = grid->mapRectToScene(QRectF(106, 0, grid->width() - 106, grid->height()));
    const int firstSecond = first.toLocalTime().time().msecsSinceStartOfDay() / 1000;
    GridOnScreen on;
    for (QQuickItem *item : uichecks::visibleItems(window->contentItem())) {
        const QRectF r = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        const QString name = item->objectName();
        if (name.startsWith(QLatin1String("gridRow_")) && r.top() >= area.top()
            && r.bottom() <= area.bottom())
            on.rows.insert((name.section(u'_', 1).toInt() - firstSecond) / 60, item);
    }
    for (auto it = on.rows.cbegin(); it != on.rows.cend(); ++it) {
        for (QQuickItem *label : it.value()->childItems()) {
            const QRectF r = label->mapRectToScene(QRectF(0, 0, label->width(), label->height()));
            if (label->objectName() == QLatin1String("gridRunnerName") && area.contains(r))
                on.names.append({it.key(), label});
        }
    }
    return on;
}

QQuickItem *listRow(QQuickItem *list, int index)
{
    QQuickItem *row = nullptr;
    QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row), Q_ARG(int, index));
    return row;
}

} // namespace

class TestStartListScreen : public QObject
{
    Q_OBJECT
public:
    static void initMain() { pinTestEnvironment(); }

private slots:
    void initTestCase() { useTestSettings("tst_startlistscreen"); }

    void startListSection()
    {
        WindowTestScope scope;
        SetupWindow w(screenEvent());
        QVERIFY(w.start());
        w.mayElide = elidingFields;
        for (int languageIndex : {0, 1}) {
            w.app->languagePicker().pick(languageIndex);
            runFlow(w, w.app->languagePicker().languageCode());
            if (QTest::currentTestFailed())
                return;
        }
        verifyNoQmlProblems();
    }

    // A start list of another day than the active stage's: the import sheet asks first; "Cancel"
    // changes nothing, "Import anyway" places the times on the stage's date.
    void importAsksForAnotherDay()
    {
        WindowTestScope scope;
        Race race;
        race.name = QStringLiteral("Sommer 2 dage");
        race.classes = {RaceClass {QStringLiteral("H21"), QStringLiteral("H21")}};
        const QDateTime day1 = QDateTime(QDate(2026, 6, 13), QTime(0, 0), Qt::LocalTime).toUTC();
        race.stages = {Stage {QStringLiteral("s1"), QStringLiteral("Stage 1"), day1, 0},
            Stage {QStringLiteral("s2"), QStringLiteral("Stage 2"), day1.addDays(8), 1}};
        race.activeStageId = QStringLiteral("s2");
        for (const auto &[given, family, card] : {std::tuple {"Søren", "Sørensen", "2000009"},
                 std::tuple {"Per", "Ågren", "8123456"}, std::tuple {"Eva", "Krogh", "8200001"}}) {
            Participant p;
            p.givenName = QString::fromUtf8(given);
            p.familyName = QString::fromUtf8(family);
            p.cardNumber = QString::fromLatin1(card);
            p.classId = QStringLiteral("H21");
            race.participants.append(p);
        }
        SetupWindow w(race);
        QVERIFY(w.start());
        w.app->content().setSelectedItem(SidebarItem::StartList);
        QTRY_VERIFY(w.item(QStringLiteral("startListView")));
        auto *vm = w.item(QStringLiteral("startListView"))->findChild<StartListViewModel *>();
        QVERIFY(vm);
        const QUrl file
            = QUrl::fromLocalFile(QStringLiteral(VEXLO_TEST_DATA_DIR "/multiday/startlist-two-races.xml"));

        vm->importStartList(file);
        QTRY_VERIFY(w.item(QStringLiteral("importDayQuestion")));
        w.shot(QStringLiteral("import-day-question"));
        w.click(QStringLiteral("importDayCancel"));
        QTRY_VERIFY(!w.item(QStringLiteral("importDayQuestion")));
        QCOMPARE(w.harness.autosaves(), 0);

        vm->importStartList(file);
        QTRY_VERIFY(w.item(QStringLiteral("importDayQuestion")));
        w.click(QStringLiteral("importDayConfirm"));
        QTRY_VERIFY(w.item(QStringLiteral("importDone")));
        w.shot(QStringLiteral("import-day-moved"));
        QCOMPARE(vm->importSummary()->movedToStageDay, 3);
        w.click(QStringLiteral("importDone"));
        QTRY_VERIFY(!w.item(QStringLiteral("importDone")));
        verifyNoQmlProblems();
    }

    // A runner held at an edge of the list or the grid scrolls it towards that edge, so rows out
    // of view can be reached; moving away from the edge stops it.
    void dragScrollsAtTheEdges()
    {
        WindowTestScope scope;
        SetupWindow w(
            generateRace({.entries = 400, .stages = 1, .classes = 8, .courses = 4, .withResults = false}));
        QVERIFY(w.start());
        w.app->languagePicker().pick(0);
        w.app->content().setSelectedItem(SidebarItem::StartList);
        QQuickItem *list = nullptr;
        QTRY_VERIFY((list = w.item(QStringLiteral("startList"))) && listRow(list, 0));
        const auto hold = [&](QQuickItem *from, QPointF edge) {
            const QPoint a = from->mapToScene(QPointF(8, from->height() / 2)).toPoint();
            QTest::mousePress(w.window, Qt::LeftButton, Qt::NoModifier, a);
            for (int i = 1; i <= 8; ++i)
                QTest::mouseMove(w.window, a + (edge.toPoint() - a) * i / 8);
        };
        QQuickItem *name = nullptr;
        QTRY_VERIFY(name = findVisibleChild(listRow(list, 0), QStringLiteral("runnerName")));
        const QPointF listBottom = list->mapToScene(QPointF(list->width() / 2, list->height() - 4));
        hold(name, listBottom);
        QTRY_VERIFY(list->property("contentY").toReal() > 200);
        w.shot(QStringLiteral("en-startlist-drag-scrolled"));
        // Back in the middle: the list stays where it is, tick after tick of the scrolling timer
        // (still running: the runner is still held).
        QObject *edgeScroll = w.window->findChild<QObject *>(QStringLiteral("edgeScroll"));
        QVERIFY(edgeScroll && edgeScroll->property("running").toBool());
        QSignalSpy ticks(edgeScroll, SIGNAL(triggered()));
        QTest::mouseMove(
            w.window, list->mapToScene(QPointF(list->width() / 2, list->height() / 2)).toPoint());
        QTRY_VERIFY(ticks.count() >= 1);
        const qreal stopped = list->property("contentY").toReal();
        const qsizetype ticked = ticks.count();
        QTRY_VERIFY(ticks.count() >= ticked + 3);
        QCOMPARE(list->property("contentY").toReal(), stopped);
        QVERIFY(edgeScroll->property("running").toBool());
        QTest::mouseRelease(w.window, Qt::LeftButton);

        // The chosen side of the List/Grid toggle is the marked one.
        const auto marked = [&](const char *button) {
            QQuickItem *b = w.item(QLatin1String(button));
            QQuickItem *background = b ? qvariant_cast<QQuickItem *>(b->property("background")) : nullptr;
            return background && background->property("color").value<QColor>().alpha() > 0
                && b->property("font").value<QFont>().bold();
        };
        QVERIFY(marked("listModeButton") && !marked("gridModeButton"));
        w.click(QStringLiteral("gridModeButton"));
        QTRY_VERIFY(marked("gridModeButton") && !marked("listModeButton"));
        QQuickItem *grid = nullptr;
        QTRY_VERIFY(grid = w.item(QStringLiteral("gridView")));
        QQuickItem *label = nullptr;
        const QRectF gridArea = grid->mapRectToScene(QRectF(106, 0, grid->width() - 106, grid->height() / 2));
        QTRY_VERIFY(label = findVisibleItem(w.window, [&](QQuickItem *i) {
            return i->objectName() == QLatin1String("gridRunnerName")
                && gridArea.contains(i->mapRectToScene(QRectF(0, 0, i->width(), i->height())));
        }));
        hold(label, grid->mapToScene(QPointF(grid->width() - 4, grid->height() - 4)));
        QTRY_VERIFY(grid->property("contentY").toReal() > 100 && grid->property("contentX").toReal() > 50);
        QTest::mouseRelease(w.window, Qt::LeftButton);
    }

    // A start list imported through the Tools menu and the real file dialog: the day question for a
    // file of another day, the bar with its percentage while it runs, then the check mark, "Import
    // complete", the summary and a divider above Done.
    void importSheet()
    {
        WindowTestScope scope;
        SetupWindow w(
            generateRace({.entries = 40, .stages = 1, .classes = 4, .courses = 2, .withResults = false}));
        QVERIFY(w.start());
        const QString folder = w.harness.path(QStringLiteral("import"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(w.store->save(QUrl::fromLocalFile(folder + QStringLiteral("/cup.vexloevent.json"))));
        QVERIFY(QFile::copy(QStringLiteral(VEXLO_IOF_DIR "/examples/StartList1.xml"),
            folder + QStringLiteral("/StartList1.xml")));
        for (int languageIndex : {0, 1}) {
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            w.app->content().setSelectedItem(SidebarItem::StartList);
            w.click(QStringLiteral("toolsButton"));
            w.click(QStringLiteral("importItem"));
            const QPointer<QFileDialog> dialog = waitForFileDialog(QStringLiteral("startListImportDialog"));
            QVERIFY(dialog);
            QCOMPARE(dialog->directory().path(), folder);
            typeNameAndReturn(dialog, QStringLiteral("StartList1.xml"));
            // The example file starts its runners on another day than the stage: nothing is
            // written before the organiser says so, and Return takes the start times onto the
            // stage's day.
            QTRY_VERIFY(w.item(QStringLiteral("importDayQuestion")));
            QVERIFY(!w.item(QStringLiteral("importCompleteTitle")));
            QTest::keyClick(w.window, Qt::Key_Return);
            QQuickItem *title = nullptr;
            QTRY_VERIFY(title = w.item(QStringLiteral("importCompleteTitle")));
            QCOMPARE(title->property("text").toString(), localized(QStringLiteral("Import complete")));
            QVERIFY(w.item(QStringLiteral("importDivider")));
            // The percentage beside the bar (hidden once done) reads as the language writes it.
            // (A screen of the language before may still wait for deletion: the current one counts.)
            const QString expectedPercent
                = languageIndex == 0 ? QStringLiteral("100%") : QStringLiteral("100 %");
            QStringList percents;
            for (QQuickItem *p : w.window->findChildren<QQuickItem *>(QStringLiteral("importPercent")))
                percents.append(p->property("text").toString());
            QVERIFY2(percents.contains(expectedPercent), qPrintable(percents.join(u'|')));
            QVERIFY(w.item(QStringLiteral("importDone")));
            w.shot(code + QStringLiteral("-startlist-import-complete"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("importCompleteTitle")));
        }
        w.app->languagePicker().pick(0);
        verifyNoQmlProblems();
    }

private:
    void runFlow(SetupWindow &w, const QString &code)
    {
        // A fresh screen over a fresh event with an open event file, every card read before the
        // start list exists: each result takes its race time from the times the list gives.
        w.app->content().setSelectedItem(SidebarItem::Classes);
        w.store->setRace(screenEvent());
        w.store->setRace(readBeforeTheStartList(
            w.store->race(), w.store->startTimeOnStartListDay(QStringLiteral("12:00:00"))->addSecs(3600)));
        const QUrl file = QUrl::fromLocalFile(w.harness.path(code + QStringLiteral(".vexloevent.json")));
        QVERIFY(w.store->save(file));
        w.app->content().setSelectedItem(SidebarItem::StartList);
        QTRY_VERIFY(w.item(QStringLiteral("startList")));
        w.shot(code + QStringLiteral("-startlist-empty"));

        // Generate from the Tools menu, by keyboard: a gap longer than the period is refused.
        w.harness.steps.clear();
        w.click(QStringLiteral("toolsButton"));
        QTRY_VERIFY(w.item(QStringLiteral("ruleBasedItem")));
        w.shot(code + QStringLiteral("-startlist-tools"));
        w.click(QStringLiteral("ruleBasedItem"));
        QTRY_VERIFY(w.item(QStringLiteral("generationDialog")));
        QTRY_VERIFY(w.hasFocus(QStringLiteral("windowField")));
        const QString cycle = uichecks::describe(uichecks::tabCycle(w.window));
        QVERIFY2(
            cycle == QLatin1String("capacityField, gapField, generationCancel, generateButton, windowField"),
            qPrintable(cycle));
        w.shot(code + QStringLiteral("-generation-dialog"));
        w.typeInto(w.item(QStringLiteral("gapField")), QStringLiteral("120"));
        QTest::keyClick(w.window, Qt::Key_Return);
        QTRY_VERIFY(w.item(QStringLiteral("generationProblem")));
        w.shot(code + QStringLiteral("-generation-problem"));
        QCOMPARE(w.harness.autosaves(), 0);
        w.typeInto(w.item(QStringLiteral("gapField")), QStringLiteral("1"));
        QTest::keyClick(w.window, Qt::Key_Return);
        QTRY_VERIFY(w.item(QStringLiteral("generationDone")));
        w.shot(code + QStringLiteral("-generation-result"));
        QCOMPARE(w.harness.autosaves(), 1);
        QTest::keyClick(w.window, Qt::Key_Return);
        QTRY_VERIFY(!w.item(QStringLiteral("generationProgress")));

        const QDateTime first = *w.store->startTimeOnStartListDay(QStringLiteral("09:00:00"));
        verifyResultsFollow(w.store->race());
        QTRY_VERIFY(w.item(QStringLiteral("startTimeButton")));
        w.shot(code + QStringLiteral("-startlist-list"));

        // Grid: a name dragged to a free minute of its class takes it; onto a classmate's minute
        // it is refused with the reason, and nothing is saved.
        w.click(QStringLiteral("gridModeButton"));
        QTRY_VERIFY(w.item(QStringLiteral("gridView")));
        QQuickItem *grid = w.item(QStringLiteral("gridView"));
        QTRY_VERIFY(!gridOnScreen(w.window, grid, first).names.isEmpty());
        w.shot(code + QStringLiteral("-startlist-grid"));
        for (const bool free : {true, false}) {
            const Plan plan(w.store->race(), first);
            const GridOnScreen on = gridOnScreen(w.window, grid, first);
            QQuickItem *source = nullptr;
            int column = -1;
            int target = -1;
            for (const auto &[minute, label] : on.names) {
                const QUuid id = runnerOf(label);
                const int col = label->property("column").toInt();
                for (const int m : on.rows.keys()) {
                    const bool taken = std::any_of(on.names.begin(), on.names.end(), [&](const auto &other) {
                        return other.first == m && other.second->property("column").toInt() == col;
                    });
                    if (!source && m != minute
                        && (free ? plan.fits(plan.groupOf(plan.runner(id)), m, {id}) : taken)) {
                        std::tie(source, column, target) = std::tuple(label, col, m);
                    }
                }
            }
            QVERIFY(source);
            const QUuid moved = runnerOf(source);
            w.harness.steps.clear();
            dragOnto(w.window, source, on.cell(target, column));
            if (free) {
                QTRY_COMPARE(w.harness.autosaves(), 1);
                const Plan after(w.store->race(), first);
                QCOMPARE(after.minuteOf(after.runner(moved)), target);
                QCOMPARE(after.runner(moved).classId, plan.runner(moved).classId);
                verifyResultsFollow(w.store->race());
                w.shot(code + QStringLiteral("-startlist-grid-dropped"));
            } else {
                QTRY_VERIFY(w.item(QStringLiteral("messageLine")));
                w.shot(code + QStringLiteral("-startlist-grid-refused"));
                QCOMPARE(w.harness.autosaves(), 0);
                QCOMPARE(w.store->race().participants, plan.race.participants);
            }
        }

        // List, one class: the first row dragged onto the second; the two swap times.
        w.click(QStringLiteral("listModeButton"));
        const RaceClass drawn = w.store->race().classes.at(1);
        w.click(QStringLiteral("classFilterButton"));
        QTRY_VERIFY(w.item(QStringLiteral("classFilter_") + drawn.name));
        w.click(QStringLiteral("classFilter_") + drawn.name);
        QQuickItem *list = w.item(QStringLiteral("startList"));
        const auto idAt = [&](int row) {
            return runnerOf(findVisibleChild(listRow(list, row), QStringLiteral("runnerName")));
        };
        const auto timeOf = [&](const QUuid &id) {
            return scheduledStartTime(w.store->race(), Plan(w.store->race(), first).runner(id));
        };
        QTRY_VERIFY(!idAt(1).isNull() && Plan(w.store->race(), first).runner(idAt(0)).classId == drawn.id);
        {
            const QUuid a = idAt(0);
            const QUuid b = idAt(1);
            const std::optional<QDateTime> timeA = timeOf(a);
            const std::optional<QDateTime> timeB = timeOf(b);
            QVERIFY(timeA && timeB && *timeA < *timeB);
            w.harness.steps.clear();
            dragOnto(w.window, findVisibleChild(listRow(list, 0), QStringLiteral("runnerName")),
                centre(findVisibleChild(listRow(list, 1), QStringLiteral("cardLine"))));
            QTRY_COMPARE(w.harness.autosaves(), 1);
            QCOMPARE(timeOf(a), timeB);
            QCOMPARE(timeOf(b), timeA);
            verifyResultsFollow(w.store->race());
            QTRY_COMPARE(idAt(0), b);
        }
        w.shot(code + QStringLiteral("-startlist-filtered"));

        // The edit sheet: an unreadable typed time is refused with the reason; a free minute
        // typed as four digits is saved with Return.
        {
            const QUuid id = idAt(2);
            const Plan plan(w.store->race(), first);
            int free = 90;
            while (free >= 0
                && (free == plan.minuteOf(plan.runner(id))
                    || !plan.fits(plan.groupOf(plan.runner(id)), free, {id})))
                --free;
            QVERIFY(free >= 0);
            w.click(findVisibleChild(listRow(list, 2), QStringLiteral("startTimeButton")));
            QTRY_VERIFY(w.item(QStringLiteral("startTimeField"))
                && w.item(QStringLiteral("startTimeField"))->hasActiveFocus());
            w.harness.steps.clear();
            w.typeInto(w.item(QStringLiteral("startTimeField")), QStringLiteral("9h30"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("startTimeProblem")));
            QVERIFY(w.item(QStringLiteral("startTimeEditSheet")));
            w.shot(code + QStringLiteral("-edit-sheet-problem"));
            QCOMPARE(w.harness.autosaves(), 0);
            const QTime typed = first.toLocalTime().time().addSecs(free * 60);
            w.typeInto(w.item(QStringLiteral("startTimeField")), typed.toString(QStringLiteral("HHmm")));
            QTRY_VERIFY(!w.item(QStringLiteral("startTimeProblem")));
            w.shot(code + QStringLiteral("-edit-sheet"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("startTimeEditSheet")));
            QCOMPARE(w.harness.autosaves(), 1);
            QCOMPARE(timeOf(id)->toLocalTime().time(), typed);
            verifyResultsFollow(w.store->race());
        }

        // The event file holds what the window shows (the generated plan's rules are the
        // view-model's test).
        w.store->flushAutosave();
        const std::optional<Race> saved = RaceStore::readEventFile(file);
        QVERIFY(saved);
        QCOMPARE(saved->participants, w.store->race().participants);

        // The other sheets of the Tools menu and the clear confirmation, each closed by Escape.
        const QList<std::pair<const char *, const char *>> sheets {{"fixedIntervalItem", "drawClassPicker"},
            {"classCountItem", "sortByPicker"}, {"preferencesItem", "preferencesDone"},
            {"clearItem", "clearConfirm"}};
        for (const auto &[item, sheet] : sheets) {
            w.click(QStringLiteral("toolsButton"));
            QTRY_VERIFY(w.item(QString::fromLatin1(item)));
            w.click(QString::fromLatin1(item));
            QTRY_VERIFY(w.item(QString::fromLatin1(sheet)));
            if (qstrcmp(sheet, "drawClassPicker") == 0) {
                // The first start's steppers and the draw show their symbols.
                for (const char *button : {"firstStartMinus", "firstStartPlus"}) {
                    QQuickItem *b = w.item(QLatin1String(button));
                    QVERIFY2(b, button);
                    QQuickItem *icon = qvariant_cast<QQuickItem *>(b->property("contentItem"));
                    QVERIFY2(icon && icon->property("valid").toBool(), button);
                }
                QQuickItem *draw = qvariant_cast<QQuickItem *>(
                    w.item(QStringLiteral("randomDrawButton"))->property("contentItem"));
                QVERIFY(draw && draw->property("systemImage").toString() == QLatin1String("shuffle"));
            }
            w.shot(code + QStringLiteral("-") + QString::fromLatin1(sheet));
            QTest::keyClick(w.window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QString::fromLatin1(sheet)));
        }
        QCOMPARE(saved->participants, w.store->race().participants);

        // A draw over every class, by keyboard: the start-punch classes' runners get no time, and
        // the line under the list names the classes left out.
        const DrawSelection selection = drawSelection(w.store->race(), std::nullopt);
        QVERIFY(!selection.startPunchClasses.isEmpty());
        w.click(QStringLiteral("toolsButton"));
        QTRY_VERIFY(w.item(QStringLiteral("fixedIntervalItem")));
        w.click(QStringLiteral("fixedIntervalItem"));
        QTRY_VERIFY(w.hasFocus(QStringLiteral("drawClassPicker")));
        QTest::keyClick(w.window, Qt::Key_Home);
        QTRY_COMPARE(w.valueOf(QStringLiteral("drawClassPicker"), "currentIndex").toInt(), 0);
        w.harness.steps.clear();
        QTest::keyClick(w.window, Qt::Key_Return);
        QTRY_VERIFY(!w.item(QStringLiteral("drawClassPicker")));
        QTRY_COMPARE(w.harness.autosaves(), 1);
        // clang-format off
        const QString skipped = localized(QStringLiteral("Skipped %@ class(es) using \"Start punch\" (start time comes from the card itself, not a schedule): %@."),
            {QString::number(selection.startPunchClasses.size()), selection.startPunchClasses.join(QStringLiteral(", "))});
        // clang-format on
        QVERIFY(skipped.startsWith(code == u"da" ? QStringLiteral("Sprang") : QStringLiteral("Skipped")));
        QTRY_COMPARE(w.valueOf(QStringLiteral("statusLine"), "text").toString(), skipped);
        w.shot(code + QStringLiteral("-startlist-draw-start-punch"));
        qsizetype timed = 0;
        for (const Participant &p : w.store->race().participants) {
            const bool startPunch = std::any_of(
                w.store->race().classes.cbegin(), w.store->race().classes.cend(), [&](const RaceClass &c) {
                    return p.classId == c.id && usesStartPunch(c, w.store->race().activeStageId);
                });
            QVERIFY(!startPunch || !scheduledStartTime(w.store->race(), p));
            timed += scheduledStartTime(w.store->race(), p) ? 1 : 0;
        }
        QCOMPARE(timed, selection.runners.size());
    }
};

QTEST_MAIN(TestStartListScreen)
#include "tst_startlistscreen.moc"
