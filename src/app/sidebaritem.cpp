#include "sidebaritem.h"

#include <array>

namespace {

struct SectionInfo
{
    SidebarItem item;
    const char *raw;
    const char *title;
    const char *systemImage;
    const char *tint;
};

// clang-format off
constexpr std::array<SectionInfo, 11> sections = {{
    {SidebarItem::Introduction, "introduction", "Introduction",      "info.circle",           "gray"},
    {SidebarItem::Race,         "race",         "Events",            "flag.checkered",        "red"},
    {SidebarItem::Stages,       "stages",       "Stages",            "calendar",              "brown"},
    {SidebarItem::Courses,      "courses",      "Courses",           "map",                   "green"},
    {SidebarItem::Classes,      "classes",      "Classes",           "tag",                   "purple"},
    {SidebarItem::Participants, "participants", "Entries",           "person.text.rectangle", "blue"},
    {SidebarItem::StartList,    "startList",    "Start List",        "clock",                 "orange"},
    {SidebarItem::Reader,       "reader",       "SI Reader",         "wave.3.right",          "teal"},
    {SidebarItem::Results,      "results",      "Results",           "list.bullet.clipboard", "indigo"},
    {SidebarItem::Pending,      "pending",      "Status",            "figure.run",            "pink"},
    {SidebarItem::Sync,         "sync",         "Advanced settings", "gearshape",             "gray"},
}};
// clang-format on

const SectionInfo &info(SidebarItem item)
{
    return sections[static_cast<std::size_t>(item)];
}

} // namespace

const QList<SidebarItem> &allSidebarItems()
{
    static const QList<SidebarItem> all = [] {
        QList<SidebarItem> list;
        for (const auto &s : sections)
            list.append(s.item);
        return list;
    }();
    return all;
}

QString rawValue(SidebarItem item)
{
    return QString::fromLatin1(info(item).raw);
}

std::optional<SidebarItem> sidebarItemFromRawValue(const QString &raw)
{
    for (const auto &s : sections) {
        if (raw == QLatin1String(s.raw))
            return s.item;
    }
    return std::nullopt;
}

QString sidebarItemTitle(SidebarItem item)
{
    return QString::fromUtf8(info(item).title);
}

QString sidebarItemSystemImage(SidebarItem item)
{
    return QString::fromLatin1(info(item).systemImage);
}

QString sidebarItemTint(SidebarItem item)
{
    return QString::fromLatin1(info(item).tint);
}

bool isMultiStageEvent(const Race &race)
{
    return race.multiStageEnabled.value_or(!race.stages.isEmpty());
}

QList<SidebarItem> visibleSidebarItems(bool isSlaveStation, const Race &race)
{
    const bool multiStage = isMultiStageEvent(race);
    QList<SidebarItem> visible;
    for (SidebarItem item : allSidebarItems()) {
        switch (item) {
        case SidebarItem::Race:
        case SidebarItem::Courses:
        case SidebarItem::Classes:
        case SidebarItem::Participants:
        case SidebarItem::StartList:
            if (isSlaveStation)
                continue;
            break;
        case SidebarItem::Stages:
            if (isSlaveStation || !multiStage)
                continue;
            break;
        default:
            break;
        }
        visible.append(item);
    }
    return visible;
}

QList<SidebarItem> listedSidebarItems(bool isSlaveStation, const Race &race)
{
    QList<SidebarItem> listed = visibleSidebarItems(isSlaveStation, race);
    listed.removeAll(SidebarItem::Sync);
    return listed;
}

bool showsEventTitle(std::optional<SidebarItem> selected)
{
    return !(selected == SidebarItem::Introduction || selected == SidebarItem::Race);
}

QString eventTitle(const Race &race)
{
    if (race.stages.isEmpty() || !race.activeStageId)
        return race.name;
    for (const Stage &stage : race.stages) {
        if (sameId(stage.id, *race.activeStageId))
            return race.name + QStringLiteral(" \u2014 ") + stage.name;
    }
    return race.name;
}
