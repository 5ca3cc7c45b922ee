#pragma once

// The advanced-settings screen: its row of tabs and the view-models of the station role and live
// results tabs. They keep no state of their own beyond the selected tab: every edit goes straight
// to the store's settings and engines, which store it.

#include "languagepicker.h"
#include "publishingtab.h"
#include "vexlowebtabs.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <optional>

class RaceStore;
class StationControl;
class StationSettings;
class SyncEngine;

class StationRoleViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the settings screen")
    Q_PROPERTY(QStringList roleTitles READ roleTitles NOTIFY textsChanged)
    Q_PROPERTY(int roleIndex READ roleIndex NOTIFY changed)
    // The service-name field's text: the name typed since it was last stored, or the stored
    // one. Only a name that can be announced is stored, when the field's editing ends.
    Q_PROPERTY(QString serviceName READ serviceName WRITE setServiceName NOTIFY serviceNameChanged)
    // Why the field's name cannot be announced, in the selected language; empty when it can.
    Q_PROPERTY(QString serviceNameError READ serviceNameError NOTIFY changed)
    Q_PROPERTY(bool canStart READ canStart NOTIFY changed)
    Q_PROPERTY(bool canStop READ canStop NOTIFY changed)
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY changed)
    Q_PROPERTY(QString statusText READ statusText NOTIFY changed)
    Q_PROPERTY(QString connectedText READ connectedText NOTIFY changed)
    Q_PROPERTY(QString stationKey READ stationKey WRITE setStationKey NOTIFY changed)
    Q_PROPERTY(bool stationKeyValid READ stationKeyValid NOTIFY changed)
    Q_PROPERTY(QString statusTint READ statusTint NOTIFY changed)
    Q_PROPERTY(QString refusalText READ refusalText NOTIFY changed)
    Q_PROPERTY(QString keyStoreNotice READ keyStoreNotice NOTIFY changed)

public:
    explicit StationRoleViewModel(StationControl *control, QObject *parent = nullptr);

    [[nodiscard]] QStringList roleTitles() const;
    [[nodiscard]] int roleIndex() const;
    [[nodiscard]] QString serviceName() const;
    // The field's text as typed: checked at once, stored by finishServiceName().
    void setServiceName(const QString &name);
    // The field's editing ended: the typed name is stored unless it is refused, and then the
    // stored name stays as it was.
    Q_INVOKABLE void finishServiceName();
    [[nodiscard]] QString serviceNameError() const;
    [[nodiscard]] bool canStart() const;
    [[nodiscard]] bool canStop() const;
    [[nodiscard]] bool isRunning() const;
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] QString connectedText() const;
    [[nodiscard]] QString stationKey() const;
    void setStationKey(const QString &key);
    [[nodiscard]] bool stationKeyValid() const;
    // The status dot's colour, named as Theme.tint names it: it follows the engine's status
    // (green only when that status is a good one, red for every failure).
    [[nodiscard]] QString statusTint() const;
    // Why the engine last refused a connection, verbatim.
    [[nodiscard]] QString refusalText() const;
    // Empty while the key store keeps the station key.
    [[nodiscard]] QString keyStoreNotice() const;

    // Applied on the next turn of the event loop: the engine stops, then the role is stored. The
    // engine is not restarted.
    Q_INVOKABLE void chooseRole(int index);
    // With the role, id, service name and station key as they are once the key store has
    // answered (the status says so while Start waits for it). A master whose key store holds no
    // key makes one first (the field then shows it, for the slaves). A name still being typed is
    // stored first; none starts while the field's name is refused.
    Q_INVOKABLE void start();
    Q_INVOKABLE void stop();

signals:
    void changed();
    void textsChanged();
    void serviceNameChanged();

private:
    QPointer<StationControl> m_control;
    // Typed in the field and not stored (still being edited, or refused).
    std::optional<QString> m_typedServiceName;
    QPointer<StationSettings> m_settings;
    QPointer<SyncEngine> m_engine;
};

class LiveResultsViewModel : public PublishingTabViewModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the settings screen")
    Q_PROPERTY(int intervalMinutes READ intervalMinutes NOTIFY changed)

public:
    explicit LiveResultsViewModel(RaceStore *store, QObject *parent = nullptr);

protected:
    [[nodiscard]] Service serviceOf(RaceStore &store) const override;
    [[nodiscard]] QString competitionIdProblem(const QString &id) const override;
};

class SyncViewModel : public StoreViewModel
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *raceStore READ storeObject WRITE setStoreObject NOTIFY raceStoreChanged)
    // Each: {"id", "title", "symbol"}; titles in the selected language.
    Q_PROPERTY(QVariantList tabs READ tabs NOTIFY tabsChanged)
    Q_PROPERTY(QString selectedTab READ selectedTab WRITE setSelectedTab NOTIFY selectedTabChanged)
    Q_PROPERTY(StationRoleViewModel *stationRole READ stationRole NOTIFY raceStoreChanged)
    Q_PROPERTY(LiveResultsViewModel *liveResults READ liveResults NOTIFY raceStoreChanged)
    Q_PROPERTY(VexloWebViewModel *vexloWeb READ vexloWeb NOTIFY raceStoreChanged)
    Q_PROPERTY(OChecklistViewModel *oChecklist READ oChecklist NOTIFY raceStoreChanged)
    Q_PROPERTY(LanguagePickerViewModel *language READ language CONSTANT)

public:
    explicit SyncViewModel(QObject *parent = nullptr);
    ~SyncViewModel() override;

    void setRaceStore(QObject *store) { setStoreObject(store); }
    [[nodiscard]] QVariantList tabs() const;
    [[nodiscard]] const QString &selectedTab() const { return m_selectedTab; }
    // Only the ids of the tabs; anything else is ignored.
    void setSelectedTab(const QString &tab);
    [[nodiscard]] StationRoleViewModel *stationRole() const { return m_stationRole.get(); }
    [[nodiscard]] LiveResultsViewModel *liveResults() const { return m_liveResults.get(); }
    [[nodiscard]] VexloWebViewModel *vexloWeb() const { return m_vexloWeb.get(); }
    [[nodiscard]] OChecklistViewModel *oChecklist() const { return m_oChecklist.get(); }
    [[nodiscard]] LanguagePickerViewModel *language() { return &m_language; }

signals:
    void raceStoreChanged();
    void tabsChanged();
    void selectedTabChanged();

private:
    void storeReplaced() override;

    QString m_selectedTab = QStringLiteral("stationRole");
    std::unique_ptr<StationRoleViewModel> m_stationRole;
    std::unique_ptr<LiveResultsViewModel> m_liveResults;
    std::unique_ptr<VexloWebViewModel> m_vexloWeb;
    std::unique_ptr<OChecklistViewModel> m_oChecklist;
    LanguagePickerViewModel m_language;
};
