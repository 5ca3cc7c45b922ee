// The Stages section on a real store: the proposed new stage, adding, reordering, activating and
// deleting stages with the runners' per-stage values kept, and the OE CSV export's failures.

#include "casetable.h"
#include "stagesviewmodel.h"
#include "storeharness.h"

#include <QTest>

#include <ctime>

class TestStages : public QObject
{
    Q_OBJECT

    StoreHarness h;
    std::unique_ptr<RaceStore> store;
    StagesViewModel vm;

    QStringList shownNames() const
    {
        QStringList names;
        for (const QVariant &row : vm.stages())
            names.append(
                row.toMap().value("name").toString() + (row.toMap().value("active").toBool() ? "*" : ""));
        return names;
    }
    void add(const QString &name, int order)
    {
        vm.beginNewStage();
        vm.setEditName(name);
        vm.setEditOrder(order);
        vm.saveEdit();
    }

private slots:
    void initTestCase()
    {
        // Stage dates are counted in local days: the same zone by hand as under ctest.
        qputenv("TZ", "Europe/Copenhagen");
        tzset();
    }

    void init()
    {
        h.backgroundAutosave = false;
        store = h.makeStore(namedRace(QStringLiteral("Spring/Cup")));
        vm.setStore(store.get());
        vm.setClock([] { return StoreHarness::fixedNow(); });
    }

    void proposedStage_data() { casetable::load("event/new_stage.tsv"); }
    void proposedStage()
    {
        QFETCH(QStringList, cells);
        // Local dates and times as the organiser sees them ("-": none).
        const auto localTime = [](const QString &text) {
            return text == u"-" ? QDateTime() : QDateTime::fromString(text, Qt::ISODate).toUTC();
        };
        QList<Stage> stages;
        for (const QString &stageCell : cells.at(0).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (stageCell == QLatin1String("-"))
                continue;
            const QString order = stageCell.section(u'@', 0, 0);
            stages.append(Stage {order, order, localTime(stageCell.section(u'@', 1)), order.toLongLong()});
        }
        const QDateTime eventDate = localTime(cells.at(1));
        const Stage stage = proposedNewStage(stages,
            eventDate.isValid() ? std::optional<QDateTime>(eventDate) : std::nullopt,
            StoreHarness::fixedNow());
        QCOMPARE(stage.order, cells.at(2).toLongLong());
        QCOMPARE(stage.name, cells.at(3));
        const QDateTime expected = cells.at(4) == u"now" ? StoreHarness::fixedNow() : localTime(cells.at(4));
        QCOMPARE(stage.date, expected);
        QCOMPARE(stage.id.size(), 36);
        QCOMPARE(stage.id, stage.id.toUpper());
    }

    // A stage name with a line break, a control character or too long is not saved.
    void typedNames_data() { casetable::load("screens/typed-names.tsv"); }
    void typedNames()
    {
        QFETCH(QStringList, cells);
        const QString name = casetable::withLength(cells[0]);
        const bool refused = cells[1] == u"yes";
        vm.beginNewStage();
        vm.setEditName(name);
        QCOMPARE(vm.editNameWarning().isEmpty(), !refused);
        vm.saveEdit();
        QCOMPARE(vm.editing(), refused);
        QCOMPARE(store->race().stages.size(), refused ? 0 : 1);
        QCOMPARE(h.autosaves(), refused ? 0 : 1);
        if (!refused)
            QCOMPARE(store->race().stages.at(0).name, name);
    }

    void addReorderActivateDelete()
    {
        vm.beginNewStage();
        vm.cancelEdit();
        QVERIFY(store->race().stages.isEmpty());
        QCOMPARE(h.autosaves(), 0);

        add(QStringLiteral("Day 1"), 0);
        add(QStringLiteral("Day 2"), 1);
        add(QStringLiteral("Day 3"), 1);
        QCOMPARE(shownNames(), QStringList({"Day 1*", "Day 2", "Day 3"}));
        const QString day1 = store->race().stages.at(0).id;
        const QString day3 = store->race().stages.at(2).id;

        // Per-stage values of a runner survive every stage operation.
        Race race = store->race();
        race.participants[0].classIdByStage = StageMap<QString> {{day1, QStringLiteral("H21")}};
        race.participants[0].startTimeByStage = StageMap<QDateTime> {{day3, StoreHarness::fixedNow()}};
        store->setRace(race);

        vm.beginEdit(day1);
        vm.setEditOrder(120);
        QCOMPARE(vm.editOrder(), 99);
        vm.setEditDateText(QStringLiteral("2025-06-14"));
        vm.setEditDateText(QStringLiteral("not a date"));
        vm.saveEdit();
        QCOMPARE(shownNames(), QStringList({"Day 2", "Day 3", "Day 1*"}));
        QCOMPARE(store->race().stages.at(0).date.toLocalTime().date(), QDate(2025, 6, 14));

        vm.makeActive(day3);
        QCOMPARE(vm.activeIndex(), 1);
        vm.makeActive(QStringLiteral("no such stage"));
        QCOMPARE(store->race().activeStageId, std::optional<QString>(day3));

        vm.requestDelete(day3);
        vm.cancelDelete();
        QCOMPARE(store->race().stages.size(), 3);
        vm.requestDelete(day3);
        vm.confirmDelete();
        // The first remaining in stored order (Day 1), not the first shown.
        QCOMPARE(shownNames(), QStringList({"Day 2", "Day 1*"}));
        QCOMPARE(store->race().participants.at(0).startTimeByStage->value(day3), StoreHarness::fixedNow());
        QCOMPARE(store->race().participants.at(0).classIdByStage->value(day1), QStringLiteral("H21"));
        QVERIFY(!vm.confirmingDelete());
    }

    void export_()
    {
        QCOMPARE(vm.suggestedExportName(), QStringLiteral("Spring-Cup-entries-oe.csv"));
        QVERIFY(vm.canExport());
        vm.exportEntries(QUrl::fromLocalFile(h.path(QStringLiteral("missing/x.csv"))));
        QVERIFY(vm.exportError().startsWith(QStringLiteral("Export failed: ")));
        vm.exportEntries(QUrl::fromLocalFile(h.path(QStringLiteral("entries.csv"))));
        QVERIFY(vm.exportError().isEmpty());
        QVERIFY(StoreHarness::readAll(h.path(QStringLiteral("entries.csv"))).contains("123456"));
    }
};

QTEST_GUILESS_MAIN(TestStages)
#include "tst_stages.moc"
