#include "introductionmodel.h"

#include "introductioncontent.h"
#include "localization.h"
#include "vexloversion.h"

#include <QVariantMap>

QVariantList IntroductionModel::sections(bool isMultiStageEvent) const
{
    QVariantList rows;
    for (const InfoSection &section : infoSections(isMultiStageEvent)) {
        rows.append(QVariantMap {
            {QStringLiteral("id"), rawValue(section.item)},
            {QStringLiteral("title"), sidebarItemTitle(section.item)},
            {QStringLiteral("systemImage"), sidebarItemSystemImage(section.item)},
            {QStringLiteral("purpose"), section.purpose},
        });
    }
    return rows;
}

QVariantList IntroductionModel::guides() const
{
    QVariantList rows;
    for (const Guide &guide : allGuides()) {
        QVariantList steps;
        for (int i = 0; i < guide.steps.size(); ++i) {
            steps.append(QVariantMap {
                {QStringLiteral("number"), i + 1},
                {QStringLiteral("text"), guide.steps.at(i)},
            });
        }
        rows.append(QVariantMap {
            {QStringLiteral("title"), guide.title},
            {QStringLiteral("summary"), guide.summary},
            {QStringLiteral("steps"), steps},
        });
    }
    return rows;
}

QVariantList IntroductionModel::aboutBlocks() const
{
    QVariantList rows;
    for (const AboutBlock &block : ::aboutBlocks())
        rows.append(
            QVariantMap {{QStringLiteral("heading"), block.heading}, {QStringLiteral("body"), block.body}});
    return rows;
}

QString IntroductionModel::closingLine() const
{
    return aboutClosingLine();
}

QString IntroductionModel::versionText() const
{
    return localized(QStringLiteral("Version %@"), QString::fromLatin1(vexloVersion));
}
