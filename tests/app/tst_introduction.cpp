#include "introductioncontent.h"
#include "introductionmodel.h"

#include <QTest>

class TestIntroduction : public QObject
{
    Q_OBJECT
private slots:
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

    void guidesAreNumberedFromOne()
    {
        IntroductionModel model;
        const QVariantList guides = model.guides();
        QCOMPARE(guides.size(), 4);
        const QList<int> stepCounts = {4, 4, 5, 6};
        for (int g = 0; g < guides.size(); ++g) {
            const QVariantList steps = guides.at(g).toMap().value(QStringLiteral("steps")).toList();
            QCOMPARE(steps.size(), stepCounts.at(g));
            for (int s = 0; s < steps.size(); ++s)
                QCOMPARE(steps.at(s).toMap().value(QStringLiteral("number")).toInt(), s + 1);
        }
        QCOMPARE(guides.first().toMap().value(QStringLiteral("title")).toString(),
            QStringLiteral("1. Simplest \u2014 walk-up / \"punch'n'run\""));
    }

    void sectionRowsCarryTheirSection()
    {
        IntroductionModel model;
        const QVariantList rows = model.sections(false);
        QCOMPARE(rows.first().toMap().value(QStringLiteral("id")).toString(), QStringLiteral("race"));
        QCOMPARE(rows.last().toMap().value(QStringLiteral("id")).toString(), QStringLiteral("sync"));
        QCOMPARE(rows.last().toMap().value(QStringLiteral("title")).toString(),
            QStringLiteral("Advanced settings"));
    }
};

QTEST_GUILESS_MAIN(TestIntroduction)
#include "tst_introduction.moc"
