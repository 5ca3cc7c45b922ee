// The Start List section in the real main window, offscreen at its minimum size, over a generated
// event of 60 classes and 2,000 runners, in both languages: a rule-based plan generated from the
// Tools menu, a runner dragged in the grid and in the list, a time typed in the edit sheet and a
// fixed-interval draw, all with the mouse and keys. The event file then holds the plan and the
// independent checker passes on it. Any QML warning fails the test; screenshots land in the build.

#include "raceplancheck.h"
#include "setupwindow.h"
#include "startgenerator.h"
#include "uichecks.h"

#include <QRegularExpression>

namespace {

const QSet<QString> elidingFields {QStringLiteral("gridHeaderName"), QStringLiteral("gridRunnerName"),
    QStringLiteral("runnerName"), QStringLiteral("cardLine")};

Race screenEvent()
{
    StartListShape shape;
    shape.classes = 60;
    shape.runners = 2000;
    shape.courses = 40;
    shape.startPunchEvery = 15;
    return withoutStartTimes(startListEvent(shape));
}

// The rules a hand-made change must keep for the checker: a minute's capacity, and one runner of
// a start group per minute (the generation's gap is 1).
struct Plan
{
    Plan(const Race &race, const QDateTime &first, int capacity)
        : race(race)
        , first(first)
        , capacity(capacity)
        , groups(startGroupKeys(race.participants, race.classes, race.courses, race.activeStageId))
    {
    }
    [[nodiscard]] QString groupOf(const Participant &p) const
    {
        const QString cls = effectiveClassId(race, p).value_or(QString());
        return groups.value(cls, QStringLiteral("class:") + cls);
    }
    [[nodiscard]] int minuteOf(const Participant &p) const
    {
        const std::optional<QDateTime> t = scheduledStartTime(race, p);
        return t ? int(first.secsTo(*t) / 60) : -1;
    }
    // True when `moved` (in group `group`) may start in minute m, the runners in `leaving` gone.
    [[nodiscard]] bool fits(const QString &group, int m, const QSet<QUuid> &leaving, int joining = 1) const
    {
        int count = 0;
        for (const Participant &p : race.participants) {
            if (leaving.contains(p.id) || minuteOf(p) != m)
                continue;
            if (groupOf(p) == group)
                return false;
            ++count;
        }
        return m >= 0 && m <= 90 && count + joining <= capacity;
    }
    const Race &race;
    QDateTime first;
    int capacity;
    QHash<QString, QString> groups;
};

// Names repeat in the generated event; a cell's class and minute tell its runners apart.
const Participant *participantInCell(const Plan &plan, const QString &name, const QString &classId, int minute)
{
    for (const Participant &p : plan.race.participants) {
        if ((p.givenName + u' ' + p.familyName).trimmed() == name && p.classId == classId
            && plan.minuteOf(p) == minute)
            return &p;
    }
    return nullptr;
}

const Participant *participantWithCard(const Race &race, const QString &card)
{
    for (const Participant &p : race.participants) {
        if (p.cardNumber == card)
            return &p;
    }
    return nullptr;
}

QString classIdNamed(const Race &race, const QString &name)
{
    for (const RaceClass &c : race.classes) {
        if (c.name == name)
            return c.id;
    }
    return {};
}

// Presses on `from`, moves in steps onto `to` and releases there.
void dragOnto(QQuickWindow *window, QQuickItem *from, QQuickItem *to)
{
    QVERIFY(from && to);
    const QPoint a = from->mapToScene(QPointF(8, from->height() / 2)).toPoint();
    const QPoint b = to->mapToScene(QPointF(to->width() / 2, to->height() / 2)).toPoint();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, a);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(window, a + (b - a) * i / 8);
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, b);
}

QQuickItem *child(QQuickItem *parent, const QString &name)
{
    QList<QQuickItem *> pending {parent};
    while (!pending.isEmpty()) {
        QQuickItem *i = pending.takeFirst();
        if (i != parent && i->isVisible() && i->objectName() == name)
            return i;
        pending.append(i->childItems());
    }
    return nullptr;
}

// The visible items whose name matches, inside the visible area of `view`.
QList<QQuickItem *> visibleIn(QQuickWindow *window, QQuickItem *view, const QRegularExpression &name)
{
    const QRectF area = view->mapRectToScene(QRectF(0, 0, view->width(), view->height()));
    QList<QQuickItem *> found;
    for (QQuickItem *item : uichecks::visibleItems(window->contentItem())) {
        const QRectF r = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        if (name.match(item->objectName()).hasMatch() && area.contains(r))
            found.append(item);
    }
    return found;
}

QQuickItem *listRowItem(QQuickItem *list, int index)
{
    QQuickItem *row = nullptr;
    QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, row), Q_ARG(int, index));
    return row;
}

} // namespace

class TestStartListScreen : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { useTestSettings("tst_startlistscreen"); }

    void startListSection()
    {
        QmlProblemCollector qml;
        LocalizationManager language(QStringList({"en-US"}));
        LocalizationManager::setShared(&language);
        SetupWindow w(screenEvent());
        QVERIFY(w.start());
        for (int languageIndex : {0, 1}) {
            w.app->languagePicker().pick(languageIndex);
            const QString code = w.app->languagePicker().languageCode();
            runFlow(w, code);
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY2(QmlProblemCollector::problems().isEmpty(), qPrintable(QmlProblemCollector::problems().join(u'\n')));
    }

private:
    void shot(SetupWindow &w, const QString &name)
    {
        shoot(w.window, name, 50);
        const QStringList cut = uichecks::truncatedTexts(w.window, elidingFields);
        QVERIFY2(cut.isEmpty(), qPrintable(name + QStringLiteral(": ") + cut.join(u'\n')));
    }

    void runFlow(SetupWindow &w, const QString &code)
    {
        // A fresh screen: leave the section first, so that it is built anew over the new event.
        w.app->content().setSelectedItem(SidebarItem::Classes);
        w.store->setRace(screenEvent());
        const QUrl file = QUrl::fromLocalFile(w.harness.path(code + QStringLiteral(".vexloevent.json")));
        QVERIFY(w.store->save(file));
        w.app->content().setSelectedItem(SidebarItem::StartList);
        QTRY_VERIFY(w.item(QStringLiteral("startList")));
        shot(w, code + QStringLiteral("-startlist-empty"));

        // Generate from the Tools menu: contradictory settings are refused with the reason.
        w.harness.steps.clear();
        w.click(QStringLiteral("toolsButton"));
        QTRY_VERIFY(w.item(QStringLiteral("ruleBasedItem")));
        shot(w, code + QStringLiteral("-startlist-tools"));
        w.click(QStringLiteral("ruleBasedItem"));
        QTRY_VERIFY(w.item(QStringLiteral("generationDialog")));
        QTRY_VERIFY(w.item(QStringLiteral("windowField"))->hasActiveFocus());
        const QList<QQuickItem *> cycle = uichecks::tabCycle(w.window);
        for (const char *name : {"windowField", "capacityField", "gapField", "generationCancel", "generateButton"})
            QVERIFY2(std::any_of(cycle.begin(), cycle.end(), [&](QQuickItem *i) { return i->objectName() == QLatin1String(name); }),
                qPrintable(uichecks::describe(cycle)));
        shot(w, code + QStringLiteral("-generation-dialog"));
        w.typeInto(w.item(QStringLiteral("gapField")), QStringLiteral("120"));
        QTest::keyClick(w.window, Qt::Key_Return);
        QTRY_VERIFY(w.item(QStringLiteral("generationProblem")));
        shot(w, code + QStringLiteral("-generation-problem"));
        QCOMPARE(w.harness.autosaves(), 0);
        w.typeInto(w.item(QStringLiteral("gapField")), QStringLiteral("1"));
        QTest::keyClick(w.window, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(w.item(QStringLiteral("generationDone")), 20000);
        shot(w, code + QStringLiteral("-generation-result"));
        QCOMPARE(w.harness.autosaves(), 1);
        QTest::keyClick(w.window, Qt::Key_Return);
        QTRY_VERIFY(!w.item(QStringLiteral("generationProgress")));

        const QDateTime first = *w.store->startTimeOnStartListDay(QStringLiteral("09:00:00"));
        StartGeneratorSettings settings;
        settings.windowMinutes = 90;
        settings.slotCapacity = 22;
        // The warnings the progress sheet showed, from the screen's generation view-model.
        QStringList warnings;
        for (QObject *o : w.item(QStringLiteral("startListView"))->children()) {
            if (QString::fromLatin1(o->metaObject()->className()).startsWith(QLatin1String("StartGenerationDialog")))
                warnings = o->property("warnings").toStringList();
        }
        QVERIFY(!warnings.isEmpty());
        StartPlanReport report = checkRaceStartTimes(w.store->race(), first, settings, warnings);
        QVERIFY2(report.violations.isEmpty(), qPrintable(report.violations.join(u'\n')));
        QVERIFY(report.placed > 1800);
        QTRY_VERIFY(w.item(QStringLiteral("startTimeButton")));
        shot(w, code + QStringLiteral("-startlist-list"));

        // Grid: drag a name to a free minute of its class.
        w.click(QStringLiteral("gridModeButton"));
        QTRY_VERIFY(w.item(QStringLiteral("gridView")));
        QQuickItem *grid = w.item(QStringLiteral("gridView"));
        QTRY_VERIFY(!visibleIn(w.window, grid, QRegularExpression(QStringLiteral("^gridCell_"))).isEmpty());
        shot(w, code + QStringLiteral("-startlist-grid"));
        {
            const Race race = w.store->race();
            const Plan plan(race, first, 22);
            const QList<QQuickItem *> cells
                = visibleIn(w.window, grid, QRegularExpression(QStringLiteral("^gridCell_")));
            QQuickItem *source = nullptr;
            QQuickItem *target = nullptr;
            const Participant *moved = nullptr;
            int targetMinute = -1;
            for (QQuickItem *cell : cells) {
                QQuickItem *name = child(cell, QStringLiteral("gridRunnerName"));
                if (!name || source)
                    continue;
                const QString className = cell->objectName().section(u'_', 2);
                const QTime at = QTime::fromString(cell->objectName().section(u'_', 1, 1), QStringLiteral("HH:mm:ss"));
                const Participant *p = participantInCell(plan, name->property("text").toString(),
                    classIdNamed(race, className), int(first.toLocalTime().time().secsTo(at) / 60));
                for (QQuickItem *other : cells) {
                    if (!p || other->objectName().section(u'_', 2) != className || other == cell)
                        continue;
                    const QTime time = QTime::fromString(other->objectName().section(u'_', 1, 1), QStringLiteral("HH:mm:ss"));
                    const int m = int(first.toLocalTime().time().secsTo(time) / 60);
                    if (plan.fits(plan.groupOf(*p), m, {p->id})) {
                        source = name;
                        target = other;
                        moved = p;
                        targetMinute = m;
                        break;
                    }
                }
            }
            QVERIFY2(source && target, "no free minute on the first screen of the grid");
            w.harness.steps.clear();
            dragOnto(w.window, source, target);
            QTRY_COMPARE(w.harness.autosaves(), 1);
            const Plan after(w.store->race(), first, 22);
            for (const Participant &p : w.store->race().participants) {
                if (p.id == moved->id)
                    QCOMPARE(after.minuteOf(p), targetMinute);
            }
        }
        shot(w, code + QStringLiteral("-startlist-grid-dropped"));
        {
            // Onto a cell of its own class where a classmate already starts: refused, with the
            // reason under the header, and nothing saved.
            const QList<QQuickItem *> cells
                = visibleIn(w.window, grid, QRegularExpression(QStringLiteral("^gridCell_")));
            QQuickItem *source = nullptr;
            QQuickItem *target = nullptr;
            for (QQuickItem *cell : cells) {
                for (QQuickItem *other : cells) {
                    if (!source && other != cell && child(cell, QStringLiteral("gridRunnerName"))
                        && child(other, QStringLiteral("gridRunnerName"))
                        && other->objectName().section(u'_', 2) == cell->objectName().section(u'_', 2)) {
                        source = child(cell, QStringLiteral("gridRunnerName"));
                        target = other;
                    }
                }
            }
            QVERIFY(source && target);
            const QList<Participant> before = w.store->race().participants;
            w.harness.steps.clear();
            dragOnto(w.window, source, target);
            QTRY_VERIFY(w.item(QStringLiteral("messageLine")));
            shot(w, code + QStringLiteral("-startlist-grid-refused"));
            QCOMPARE(w.harness.autosaves(), 0);
            QCOMPARE(w.store->race().participants, before);
        }

        // List, one class: drag the first row onto the second; the two swap times.
        w.click(QStringLiteral("listModeButton"));
        QTRY_VERIFY(w.item(QStringLiteral("startList")));
        const RaceClass drawn = w.store->race().classes.at(1);
        w.click(QStringLiteral("classFilterButton"));
        QTRY_VERIFY(w.item(QStringLiteral("classFilter_") + drawn.name));
        w.click(QStringLiteral("classFilter_") + drawn.name);
        QQuickItem *list = w.item(QStringLiteral("startList"));
        // A row's runner, by the card number its card line begins with.
        const auto cardAt = [&](int row) {
            QQuickItem *item = listRowItem(list, row);
            QQuickItem *label = item ? child(item, QStringLiteral("cardLine")) : nullptr;
            return label ? QRegularExpression(QStringLiteral("\\d+")).match(label->property("text").toString()).captured()
                         : QString();
        };
        const auto timeOf = [&](const QString &card) {
            return scheduledStartTime(w.store->race(), *participantWithCard(w.store->race(), card));
        };
        QTRY_COMPARE(w.item(QStringLiteral("participantCount"))->property("text").toString().section(u' ', 0, 0),
            QString::number(std::count_if(w.store->race().participants.begin(), w.store->race().participants.end(),
                [&](const Participant &p) { return p.classId == drawn.id; })));
        {
            const QString cardA = cardAt(0);
            const QString cardB = cardAt(1);
            const std::optional<QDateTime> timeA = timeOf(cardA);
            const std::optional<QDateTime> timeB = timeOf(cardB);
            QVERIFY(timeA && timeB && *timeA < *timeB);
            w.harness.steps.clear();
            dragOnto(w.window, child(listRowItem(list, 0), QStringLiteral("runnerName")),
                child(listRowItem(list, 1), QStringLiteral("runnerName"))->parentItem());
            QTRY_COMPARE(w.harness.autosaves(), 1);
            QCOMPARE(timeOf(cardA), timeB);
            QCOMPARE(timeOf(cardB), timeA);
            QTRY_COMPARE(cardAt(0), cardB);
        }
        shot(w, code + QStringLiteral("-startlist-filtered"));

        // The edit sheet: an unreadable typed time is refused with the reason; a free minute typed
        // as four digits is saved with Return.
        {
            const QString card = cardAt(2);
            const Participant runner = *participantWithCard(w.store->race(), card);
            const Plan plan(w.store->race(), first, 22);
            int free = -1;
            for (int m = 90; m >= 0 && free < 0; --m) {
                if (m != plan.minuteOf(runner) && plan.fits(plan.groupOf(runner), m, {runner.id}))
                    free = m;
            }
            QVERIFY(free >= 0);
            w.click(child(listRowItem(list, 2), QStringLiteral("startTimeButton")));
            QTRY_VERIFY(w.item(QStringLiteral("startTimeEditSheet")));
            QTRY_VERIFY(w.item(QStringLiteral("startTimeField"))->hasActiveFocus());
            w.harness.steps.clear();
            w.typeInto(w.item(QStringLiteral("startTimeField")), QStringLiteral("9h30"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(w.item(QStringLiteral("startTimeProblem")));
            QVERIFY(w.item(QStringLiteral("startTimeEditSheet")));
            shot(w, code + QStringLiteral("-edit-sheet-problem"));
            QCOMPARE(w.harness.autosaves(), 0);
            const QTime typed = first.toLocalTime().time().addSecs(free * 60);
            w.typeInto(w.item(QStringLiteral("startTimeField")), typed.toString(QStringLiteral("HHmm")));
            QTRY_VERIFY(!w.item(QStringLiteral("startTimeProblem")));
            shot(w, code + QStringLiteral("-edit-sheet"));
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("startTimeEditSheet")));
            QCOMPARE(w.harness.autosaves(), 1);
            QCOMPARE(timeOf(card)->toLocalTime().time(), typed);
        }

        // The fixed-interval draw for a class whose runners fit, one, two or three minutes apart
        // from a first start at which each minute they take has room and no runner of their course.
        {
            const Race &race = w.store->race();
            const Plan plan(race, first, 22);
            QString drawClass;
            int drawFirst = -1;
            int drawStep = 0;
            int index = 0;
            QList<RaceClass> byCode = race.classes;
            std::stable_sort(byCode.begin(), byCode.end(), [](const RaceClass &a, const RaceClass &b) { return a.name < b.name; });
            for (int c = 0; c < byCode.size() && drawFirst < 0; ++c) {
                const RaceClass &cls = byCode[c];
                if (usesStartPunch(cls, race.activeStageId))
                    continue;
                QSet<QUuid> members;
                QString group;
                for (const Participant &p : race.participants) {
                    if (p.classId == cls.id) {
                        members.insert(p.id);
                        group = plan.groupOf(p);
                    }
                }
                const int n = int(members.size());
                for (int step : {1, 2, 3}) {
                    for (int f = 0; n > 0 && f + step * (n - 1) <= 90 && drawFirst < 0; ++f) {
                        bool room = true;
                        for (int k = 0; k < n && room; ++k)
                            room = plan.fits(group, f + step * k, members);
                        if (room) {
                            drawClass = cls.id;
                            drawFirst = f;
                            drawStep = step;
                            index = c + 1;
                        }
                    }
                }
            }
            QVERIFY2(drawFirst >= 0, "no class fits a draw");
            w.click(QStringLiteral("toolsButton"));
            QTRY_VERIFY(w.item(QStringLiteral("fixedIntervalItem")));
            w.click(QStringLiteral("fixedIntervalItem"));
            QTRY_VERIFY(w.item(QStringLiteral("fixedIntervalSheet")));
            QTRY_VERIFY(w.item(QStringLiteral("drawClassPicker"))->hasActiveFocus());
            for (int k = 0; k < index; ++k)
                QTest::keyClick(w.window, Qt::Key_Down);
            // The interval stepper from 120 s, by the arrow keys, 30 s a press.
            w.click(QStringLiteral("intervalStepper"));
            for (int k = 0; k < std::abs(drawStep - 2) * 2; ++k)
                QTest::keyClick(w.window, drawStep < 2 ? Qt::Key_Down : Qt::Key_Up);
            const QTime drawStart = first.toLocalTime().time().addSecs(drawFirst * 60);
            w.typeInto(w.item(QStringLiteral("firstStartField")), drawStart.toString(QStringLiteral("H.mm")));
            QTRY_VERIFY(w.item(QStringLiteral("estimateLine")));
            shot(w, code + QStringLiteral("-fixed-interval"));
            w.harness.steps.clear();
            QTest::keyClick(w.window, Qt::Key_Return);
            QTRY_VERIFY(!w.item(QStringLiteral("fixedIntervalSheet")));
            QVERIFY(w.harness.autosaves() >= 1);
            QSet<int> minutes;
            const Plan after(w.store->race(), first, 22);
            for (const Participant &p : w.store->race().participants) {
                if (p.classId == drawClass)
                    minutes.insert(after.minuteOf(p) - drawFirst);
            }
            for (int k = 0; k < minutes.size(); ++k)
                QVERIFY2(minutes.contains(drawStep * k), qPrintable(QString::number(k)));
        }

        // The event file holds what the window shows, and the plan keeps the rules.
        w.store->flushAutosave();
        const std::optional<Race> saved = RaceStore::readEventFile(file);
        QVERIFY(saved);
        QCOMPARE(saved->participants, w.store->race().participants);
        report = checkRaceStartTimes(*saved, first, settings, warnings);
        QVERIFY2(report.violations.isEmpty(), qPrintable(report.violations.join(u'\n')));

        // The other sheets of the Tools menu, for the screenshots, and the clear confirmation.
        const QList<std::pair<const char *, const char *>> sheets {{"classCountItem", "sortByPicker"},
            {"preferencesItem", "preferencesDone"}, {"clearItem", "clearConfirm"}};
        for (const auto &[item, sheet] : sheets) {
            w.click(QStringLiteral("toolsButton"));
            QTRY_VERIFY(w.item(QString::fromLatin1(item)));
            w.click(QString::fromLatin1(item));
            QTRY_VERIFY(w.item(QString::fromLatin1(sheet)));
            shot(w, code + QStringLiteral("-") + QString::fromLatin1(sheet));
            QTest::keyClick(w.window, Qt::Key_Escape);
            QTRY_VERIFY(!w.item(QString::fromLatin1(sheet)));
        }
        QCOMPARE(saved->participants, w.store->race().participants);
    }
};

QTEST_MAIN(TestStartListScreen)
#include "tst_startlistscreen.moc"
