#include "contentviewmodel.h"
#include "sidebaritem.h"

#include <QSignalSpy>
#include <QTest>

namespace {

Stage stage(const QString &id, const QString &name)
{
    Stage s;
    s.id = id;
    s.name = name;
    return s;
}

QStringList raws(const QList<SidebarItem> &items)
{
    QStringList list;
    for (SidebarItem item : items)
        list.append(rawValue(item));
    return list;
}

} // namespace

class TestSidebar : public QObject
{
    Q_OBJECT
private slots:
    void unknownRawValues_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::newRow("empty") << "";
        QTest::newRow("case") << "Introduction";
        QTest::newRow("title") << "Start List";
        QTest::newRow("blank") << "race ";
    }
    void unknownRawValues()
    {
        QFETCH(QString, raw);
        QVERIFY(!sidebarItemFromRawValue(raw));
    }

    void visibility_data()
    {
        QTest::addColumn<bool>("slave");
        QTest::addColumn<int>("multiStage"); // -1 absent, 0 false, 1 true
        QTest::addColumn<int>("stageCount");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<bool>("advanced");

        const QStringList all = {"introduction", "race", "stages", "courses", "classes", "participants",
            "startList", "reader", "results", "pending"};
        QStringList noStages = all;
        noStages.removeAll("stages");
        const QStringList slave = {"introduction", "reader", "results", "pending"};

        QTest::newRow("standalone, absent flag, no stages") << false << -1 << 0 << noStages << true;
        QTest::newRow("absent flag, one stage shows Stages") << false << -1 << 1 << all << true;
        QTest::newRow("false with stages hides Stages") << false << 0 << 2 << noStages << true;
        QTest::newRow("true without stages shows Stages") << false << 1 << 0 << all << true;
        QTest::newRow("slave, multi-stage") << true << 1 << 3 << slave << true;
        QTest::newRow("slave, single stage") << true << -1 << 0 << slave << true;
    }
    void visibility()
    {
        QFETCH(bool, slave);
        QFETCH(int, multiStage);
        QFETCH(int, stageCount);
        Race race;
        if (multiStage >= 0)
            race.multiStageEnabled = multiStage == 1;
        for (int i = 0; i < stageCount; ++i)
            race.stages.append(stage(QString::number(i), QStringLiteral("Day %1").arg(i + 1)));

        QTEST(raws(listedSidebarItems(slave, race)), "listed");
        QFETCH(bool, advanced);
        QCOMPARE(visibleSidebarItems(slave, race).contains(SidebarItem::Sync), advanced);
        QVERIFY(!listedSidebarItems(slave, race).contains(SidebarItem::Sync));
    }

    void titles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("stageIds");
        QTest::addColumn<QString>("active");
        QTest::addColumn<QString>("expected");
        const QStringList two {"s1", "s2"};
        QTest::newRow("no stages") << QStringLiteral("Sprint") << QStringList() << ""
                                   << QStringLiteral("Sprint");
        QTest::newRow("active stage")
            << QStringLiteral("Name") << two << "s1" << QStringLiteral("Name \u2014 Day 1");
        QTest::newRow("second stage")
            << QStringLiteral("Name") << two << "s2" << QStringLiteral("Name \u2014 Day 2");
        QTest::newRow("active id names no stage")
            << QStringLiteral("Name") << two << "gone" << QStringLiteral("Name");
        QTest::newRow("no active stage")
            << QStringLiteral("Name") << two << QString() << QStringLiteral("Name");
        // Data is shown as it stands, also when it happens to equal a translated key.
        QTest::newRow("name equal to a key")
            << QStringLiteral("Results") << QStringList() << "" << QStringLiteral("Results");
    }
    void titles()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, stageIds);
        QFETCH(QString, active);
        Race race;
        race.name = name;
        for (int i = 0; i < stageIds.size(); ++i)
            race.stages.append(stage(stageIds.at(i), QStringLiteral("Day %1").arg(i + 1)));
        if (!active.isNull())
            race.activeStageId = active;
        QTEST(eventTitle(race), "expected");
    }

    void showsEventTitle_data()
    {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<bool>("shows");
        QTest::newRow("introduction") << "introduction" << false;
        QTest::newRow("race") << "race" << false;
        QTest::newRow("results") << "results" << true;
        QTest::newRow("sync") << "sync" << true;
        QTest::newRow("nothing") << "" << true;
    }
    void showsEventTitle()
    {
        QFETCH(QString, raw);
        QTEST(::showsEventTitle(sidebarItemFromRawValue(raw)), "shows");
    }

    void windowTitleTranslatesSectionsOnly()
    {
        ContentViewModel model;
        model.setTranslate([](const QString &key) { return QStringLiteral("<%1>").arg(key); });
        Race race;
        race.name = QStringLiteral("Events");
        model.setRace(race);
        QCOMPARE(model.selectedItemRaw(), QStringLiteral("introduction"));
        QCOMPARE(model.windowTitle(), QStringLiteral("<Introduction>"));
        model.selectRaw(QStringLiteral("race"));
        QCOMPARE(model.windowTitle(), QStringLiteral("<Events>"));
        model.selectRaw(QStringLiteral("results"));
        QCOMPARE(model.windowTitle(), QStringLiteral("Events"));
        model.selectRaw(QStringLiteral("bogus"));
        QCOMPARE(model.selectedItemRaw(), QString());
        QCOMPARE(model.windowTitle(), QStringLiteral("Events"));
    }

    void hidingKeepsSelection()
    {
        ContentViewModel model;
        model.selectRaw(QStringLiteral("race"));
        QSignalSpy sections(&model, &ContentViewModel::sectionsChanged);
        QSignalSpy selection(&model, &ContentViewModel::selectedItemChanged);
        model.setSlaveStation(true);
        QCOMPARE(sections.count(), 1);
        QCOMPARE(selection.count(), 0);
        QCOMPARE(model.selectedItemRaw(), QStringLiteral("race"));
        QVERIFY(!model.listedItems().contains(SidebarItem::Race));
        QVERIFY(model.showsAdvancedSettings());
    }

    void detailScreenComesFromTheTable()
    {
        ContentViewModel model;
        model.setScreenTable([](SidebarItem item) {
            return item == SidebarItem::Results ? QUrl(QStringLiteral("qrc:/Results.qml")) : QUrl();
        });
        model.selectRaw(QStringLiteral("results"));
        QCOMPARE(model.detailScreen(), QUrl(QStringLiteral("qrc:/Results.qml")));
        model.selectRaw(QStringLiteral("courses"));
        QVERIFY(model.detailScreen().isEmpty());
        QCOMPARE(model.selectedTitle(), QStringLiteral("Courses"));
    }
};

QTEST_GUILESS_MAIN(TestSidebar)
#include "tst_sidebar.moc"
