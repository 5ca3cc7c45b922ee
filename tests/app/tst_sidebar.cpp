// The shell's sidebar, window title and introduction: which sections are listed and named how.

#include "casetable.h"
#include "contentviewmodel.h"
#include "introductioncontent.h"
#include "introductionmodel.h"
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
    void rawValues_data() { casetable::load("app/sidebar-raw-values.tsv"); }
    void rawValues()
    {
        QFETCH(QStringList, cells);
        const std::optional<SidebarItem> item = sidebarItemFromRawValue(cells[0]);
        QCOMPARE(item.has_value(), cells[1] == u"1");
        QCOMPARE(item ? rawValue(*item) : cells[0], cells[0]);
        QCOMPARE(::showsEventTitle(item), cells[2] == u"1");
    }

    void visibility_data() { casetable::load("app/sidebar-visibility.tsv"); }
    void visibility()
    {
        QFETCH(QStringList, cells);
        const bool slave = cells[0] == u"1";
        Race race;
        if (cells[1] != u"-")
            race.multiStageEnabled = cells[1] == u"1";
        for (int i = 0; i < cells[2].toInt(); ++i)
            race.stages.append(stage(QString::number(i), QStringLiteral("Day %1").arg(i + 1)));
        QCOMPARE(raws(listedSidebarItems(slave, race)).join(u','), cells[3]);
        QVERIFY(visibleSidebarItems(slave, race).contains(SidebarItem::Sync));
        QVERIFY(!listedSidebarItems(slave, race).contains(SidebarItem::Sync));
    }

    void titles_data() { casetable::load("app/event-titles.tsv"); }
    void titles()
    {
        QFETCH(QStringList, cells);
        Race race;
        race.name = cells[0];
        const QStringList ids = cells[1].split(u',', Qt::SkipEmptyParts);
        for (int i = 0; i < ids.size(); ++i)
            race.stages.append(stage(ids.at(i), QStringLiteral("Day %1").arg(i + 1)));
        if (cells[2] != u"-")
            race.activeStageId = cells[2];
        QCOMPARE(eventTitle(race), cells[3]);
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

    void sectionRows()
    {
        QCOMPARE(infoSections(true).size(), 10);
        const auto single = infoSections(false);
        QCOMPARE(single.size(), 9);
        for (const auto &row : single)
            QVERIFY(row.item != SidebarItem::Stages);
        for (const auto &row : allInfoSections())
            QVERIFY(row.item != SidebarItem::Introduction);
    }

    // The guides' texts are content; their steps are numbered from one, and a row carries its section.
    void guidesAreNumberedFromOne()
    {
        IntroductionModel model;
        const QVariantList guides = model.guides();
        QVERIFY(!guides.isEmpty());
        for (const QVariant &guide : guides) {
            const QVariantList steps = guide.toMap().value(QStringLiteral("steps")).toList();
            QVERIFY(!steps.isEmpty());
            for (int s = 0; s < steps.size(); ++s)
                QCOMPARE(steps.at(s).toMap().value(QStringLiteral("number")).toInt(), s + 1);
        }
        const QVariantMap last = model.sections(false).last().toMap();
        QCOMPARE(last.value(QStringLiteral("id")).toString(), QStringLiteral("sync"));
        QCOMPARE(last.value(QStringLiteral("title")).toString(), QStringLiteral("Advanced settings"));
    }
};

QTEST_GUILESS_MAIN(TestSidebar)
#include "tst_sidebar.moc"
