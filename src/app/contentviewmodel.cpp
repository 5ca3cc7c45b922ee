#include "contentviewmodel.h"

#include <QVariantMap>

ContentViewModel::ContentViewModel(QObject *parent)
    : QObject(parent)
{ }

void ContentViewModel::setRace(const Race &race)
{
    // Only the event's name and stages are shown: a copy of the whole race would share its
    // lists, and the store's next change of one (each card read appends a result) would copy the
    // whole list first.
    m_race = Race();
    m_race.name = race.name;
    m_race.stages = race.stages;
    m_race.activeStageId = race.activeStageId;
    m_race.multiStageEnabled = race.multiStageEnabled;
    // Cheap to recompute; the sidebar and title redraw on every published race.
    emit sectionsChanged();
    emit windowTitleChanged();
}

void ContentViewModel::setSlaveStation(bool isSlave)
{
    if (isSlave == m_isSlave)
        return;
    m_isSlave = isSlave;
    // Hiding a section never changes the selection: the pane keeps showing it until the user
    // picks another section.
    emit sectionsChanged();
}

void ContentViewModel::setScreenTable(ScreenTable table)
{
    m_screens = std::move(table);
    emit selectedItemChanged();
}

void ContentViewModel::setTranslate(Translate translate)
{
    m_translate = std::move(translate);
    emit windowTitleChanged();
}

void ContentViewModel::retranslate()
{
    emit windowTitleChanged();
}

void ContentViewModel::setSelectedItem(std::optional<SidebarItem> item)
{
    if (item == m_selected)
        return;
    m_selected = item;
    emit selectedItemChanged();
    emit windowTitleChanged();
}

QString ContentViewModel::selectedItemRaw() const
{
    return m_selected ? rawValue(*m_selected) : QString();
}

void ContentViewModel::selectRaw(const QString &raw)
{
    setSelectedItem(sidebarItemFromRawValue(raw));
}

QList<SidebarItem> ContentViewModel::visibleItems() const
{
    return visibleSidebarItems(m_isSlave, m_race);
}

QList<SidebarItem> ContentViewModel::listedItems() const
{
    return listedSidebarItems(m_isSlave, m_race);
}

QVariantList ContentViewModel::listedItemsVariant() const
{
    QVariantList rows;
    for (SidebarItem item : listedItems()) {
        rows.append(QVariantMap {
            {QStringLiteral("id"), rawValue(item)},
            {QStringLiteral("title"), sidebarItemTitle(item)},
            {QStringLiteral("systemImage"), sidebarItemSystemImage(item)},
            {QStringLiteral("tint"), sidebarItemTint(item)},
        });
    }
    return rows;
}

bool ContentViewModel::showsAdvancedSettings() const
{
    return visibleItems().contains(SidebarItem::Sync);
}

bool ContentViewModel::isMultiStageEvent() const
{
    return ::isMultiStageEvent(m_race);
}

QString ContentViewModel::windowTitle() const
{
    if (showsEventTitle(m_selected))
        return eventTitle(m_race);
    const QString key = sidebarItemTitle(*m_selected);
    return m_translate ? m_translate(key) : key;
}

QString ContentViewModel::selectedTitle() const
{
    return m_selected ? sidebarItemTitle(*m_selected) : QString();
}

QUrl ContentViewModel::detailScreen() const
{
    if (!m_selected || !m_screens)
        return {};
    return m_screens(*m_selected);
}
