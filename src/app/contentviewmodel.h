#pragma once

// Window-wide state of the main window: the selected section, which sections the sidebar lists,
// the window title and which screen the detail pane shows. Fed with plain inputs (the race and
// whether this station is a slave) so it can be tested without a window or a store.

#include "race.h"
#include "sidebaritem.h"

#include <QObject>
#include <QUrl>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class ContentViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application")

    // Raw value of the selected section ("introduction", ...), empty when nothing is selected.
    Q_PROPERTY(QString selectedItem READ selectedItemRaw WRITE selectRaw NOTIFY selectedItemChanged)
    // The sections of the section list: maps with id, title (a localisation key), systemImage, tint.
    Q_PROPERTY(QVariantList listedItems READ listedItemsVariant NOTIFY sectionsChanged)
    // Whether the separate "Advanced settings" row is drawn.
    Q_PROPERTY(bool showsAdvancedSettings READ showsAdvancedSettings NOTIFY sectionsChanged)
    Q_PROPERTY(bool isMultiStageEvent READ isMultiStageEvent NOTIFY sectionsChanged)
    // The window title, ready to show (section titles translated, event data as it stands).
    Q_PROPERTY(QString windowTitle READ windowTitle NOTIFY windowTitleChanged)
    // The selected section's title key, for screens that show only their title.
    Q_PROPERTY(QString selectedTitle READ selectedTitle NOTIFY selectedItemChanged)
    // The QML file of the selected section's screen; empty when the section has no screen yet.
    Q_PROPERTY(QUrl detailScreen READ detailScreen NOTIFY selectedItemChanged)

public:
    // Maps a section to the QML file of its screen (empty: no screen yet, the pane shows the
    // section's title). Each screen module registers its screen here.
    using ScreenTable = std::function<QUrl(SidebarItem)>;
    // Looks a title key up in the selected language (the application's `localized`).
    using Translate = std::function<QString(const QString &)>;

    explicit ContentViewModel(QObject *parent = nullptr);

    void setRace(const Race &race);
    void setSlaveStation(bool isSlave);
    void setScreenTable(ScreenTable table);
    void setTranslate(Translate translate);
    // The selected language changed: titles built in code are redrawn.
    void retranslate();

    [[nodiscard]] std::optional<SidebarItem> selectedItem() const { return m_selected; }
    void setSelectedItem(std::optional<SidebarItem> item);
    [[nodiscard]] QString selectedItemRaw() const;
    // An unknown raw value selects nothing.
    Q_INVOKABLE void selectRaw(const QString &raw);

    [[nodiscard]] QList<SidebarItem> visibleItems() const;
    [[nodiscard]] QList<SidebarItem> listedItems() const;
    [[nodiscard]] QVariantList listedItemsVariant() const;
    [[nodiscard]] bool showsAdvancedSettings() const;
    [[nodiscard]] bool isMultiStageEvent() const;
    [[nodiscard]] QString windowTitle() const;
    [[nodiscard]] QString selectedTitle() const;
    [[nodiscard]] QUrl detailScreen() const;

signals:
    void selectedItemChanged();
    void sectionsChanged();
    void windowTitleChanged();

private:
    Race m_race;
    bool m_isSlave = false;
    std::optional<SidebarItem> m_selected = SidebarItem::Introduction;
    ScreenTable m_screens;
    Translate m_translate;
};
