#pragma once

// The sections of the main window and the rules that decide which of them the sidebar shows.
// Everything here is a pure function of plain inputs so the rules can be tested without a window.

#include "race.h"

#include <QList>
#include <QString>

#include <optional>

// Case order is the sidebar's order.
enum class SidebarItem {
    Introduction,
    Race,
    Stages,
    Courses,
    Classes,
    Participants,
    StartList,
    Reader,
    Results,
    Pending,
    Sync,
};

[[nodiscard]] const QList<SidebarItem> &allSidebarItems();

// The stored/raw name of a section ("introduction", "startList", ...).
[[nodiscard]] QString rawValue(SidebarItem item);
// Exact match only; anything else is absent.
[[nodiscard]] std::optional<SidebarItem> sidebarItemFromRawValue(const QString &raw);

// The section's title: a localisation key (its English text).
[[nodiscard]] QString sidebarItemTitle(SidebarItem item);
// The symbol name of the section's icon (looked up in the icon table of the Ui module).
[[nodiscard]] QString sidebarItemSystemImage(SidebarItem item);
// The named tint colour ("gray", "red", ...); drawn at opacity 0.6.
[[nodiscard]] QString sidebarItemTint(SidebarItem item);

// Whether the event counts as multi-stage for the sidebar and the introduction page:
// `multiStageEnabled` when present, otherwise whether there are stages at all.
[[nodiscard]] bool isMultiStageEvent(const Race &race);

// Sections shown for a station role and event, in case order. A slave station hides the setup
// sections; Stages shows only for a multi-stage event.
[[nodiscard]] QList<SidebarItem> visibleSidebarItems(bool isSlaveStation, const Race &race);
// The visible sections without `Sync`, which the sidebar draws as its own row.
[[nodiscard]] QList<SidebarItem> listedSidebarItems(bool isSlaveStation, const Race &race);

// The window title shows the event for every section except the introduction and the event
// screen (and also when nothing is selected).
[[nodiscard]] bool showsEventTitle(std::optional<SidebarItem> selected);
// The event name, followed by " — " and the active stage's name when that stage exists.
// Data: never passed through the translation lookup.
[[nodiscard]] QString eventTitle(const Race &race);
