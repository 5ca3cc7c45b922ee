#pragma once

// The fixed texts of the introduction page, the guides and the about page. Every text except the
// about page's closing line is a localisation key (its English text).

#include "sidebaritem.h"

#include <QList>
#include <QString>
#include <QStringList>

struct InfoSection
{
    SidebarItem item;
    QString purpose;
};

struct Guide
{
    QString title;
    QString summary;
    QStringList steps;
};

struct AboutBlock
{
    QString heading;
    QString body;
};

// The ten section explanations in page order (no row for the introduction itself).
[[nodiscard]] const QList<InfoSection> &allInfoSections();
// The rows the page shows: all ten, or without Stages for a single-stage event.
[[nodiscard]] QList<InfoSection> infoSections(bool isMultiStageEvent);

[[nodiscard]] const QList<Guide> &allGuides();

[[nodiscard]] const QList<AboutBlock> &aboutBlocks();
// Shown as it stands in every language.
[[nodiscard]] QString aboutClosingLine();
