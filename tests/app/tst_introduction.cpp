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

QTEST_GUILESS_MAIN(TestIntroduction)
#include "tst_introduction.moc"
