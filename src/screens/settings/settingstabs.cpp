#include "settingstabs.h"

#include "livepublishers.h"
#include "localization.h"
#include "messagetext.h"
#include "publishingsettings.h"
#include "racestore.h"
#include "stationcontrol.h"
#include "stationkey.h"
#include "stationsettings.h"
#include "syncengine.h"
#include "vexlowebsettings.h"

#include <QTimer>

#include <array>
#include <string_view>

namespace {
constexpr std::array roles {StationRole::Standalone, StationRole::Master, StationRole::Slave};

struct Tab
{
    const char *id;
    const char *title;
    const char *symbol;
};
// The tabs that exist, in the order of the bar.
constexpr std::array tabList {Tab {"stationRole", "Station Role", "personalhotspot"},
    Tab {"liveResults", "Live Results", "network"}, Tab {"metsa", "Metsä", "paperplane"},
    Tab {"vexloWeb", "Vexlo Web", "globe"}, Tab {"oChecklist", "O-Checklist", "checklist"},
    Tab {"language", "Language", "globe.americas"}};

// A language picked on the language tab rebuilds the window's content, and this view with it,
// while the pick is applied: the tab it was picked on, for the view built then.
QString tabOfRebuiltView;
} // namespace

StationRoleViewModel::StationRoleViewModel(StationControl *control, QObject *parent)
    : QObject(parent)
    , m_control(control)
    , m_settings(control->settings())
    , m_engine(control->engine())
{
    StationSettings *settings = control->settings();
    SyncEngine *engine = control->engine();
    connect(control, &StationControl::changed, this, &StationRoleViewModel::changed);
    connect(settings, &StationSettings::roleChanged, this, &StationRoleViewModel::changed);
    connect(settings, &StationSettings::serviceNameChanged, this, &StationRoleViewModel::changed);
    connect(settings, &StationSettings::serviceNameChanged, this, &StationRoleViewModel::serviceNameChanged);
    connect(settings, &StationSettings::stationKeyChanged, this, &StationRoleViewModel::changed);
    connect(settings, &StationSettings::stationKeyKeptChanged, this, &StationRoleViewModel::changed);
    connect(engine, &SyncEngine::refusalTextChanged, this, &StationRoleViewModel::changed);
    connect(engine, &SyncEngine::isRunningChanged, this, &StationRoleViewModel::changed);
    connect(engine, &SyncEngine::statusTextChanged, this, &StationRoleViewModel::changed);
    connect(engine, &SyncEngine::connectedStationCountChanged, this, &StationRoleViewModel::changed);
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this, [this] {
        emit textsChanged();
        emit changed();
    });
}

QStringList StationRoleViewModel::roleTitles() const
{
    QStringList titles;
    for (StationRole role : roles)
        titles.append(localized(stationRoleTitle(role)));
    return titles;
}

int StationRoleViewModel::roleIndex() const
{
    return m_settings ? int(std::find(roles.begin(), roles.end(), m_settings->role()) - roles.begin()) : 0;
}

QString StationRoleViewModel::serviceName() const
{
    if (m_typedServiceName)
        return *m_typedServiceName;
    return m_settings ? m_settings->serviceName() : QString();
}

void StationRoleViewModel::setServiceName(const QString &name)
{
    if (m_typedServiceName == name)
        return;
    m_typedServiceName = name;
    emit serviceNameChanged();
    emit changed();
}

void StationRoleViewModel::finishServiceName()
{
    if (!m_settings || !m_typedServiceName)
        return;
    // A refused name stays in the field, said, until it is mended or the screen is left.
    if (*m_typedServiceName != m_settings->serviceName() && !m_settings->setServiceName(*m_typedServiceName))
        return;
    m_typedServiceName.reset();
    emit serviceNameChanged();
    emit changed();
}

QString StationRoleViewModel::serviceNameError() const
{
    // Also a name stored before names were checked: Start will not announce it.
    return localizedMessage(serviceNameProblem(serviceName()));
}

bool StationRoleViewModel::canStart() const
{
    if (!m_control || m_settings->role() == StationRole::Standalone || m_engine->isRunning()
        || m_control->isWaiting() || !serviceNameProblem(serviceName()).isEmpty())
        return false;
    // A slave cannot make the key up: it must be the master's (typed, or still to come from the
    // key store).
    return m_settings->role() == StationRole::Master || stationKeyValid() || !m_control->keyStoreAnswered();
}

QString StationRoleViewModel::stationKey() const
{
    return m_settings ? m_settings->stationKey() : QString();
}

void StationRoleViewModel::setStationKey(const QString &key)
{
    if (m_settings)
        m_settings->setStationKey(key);
}

bool StationRoleViewModel::stationKeyValid() const
{
    return canonicalStationKey(stationKey()).has_value();
}

QString StationRoleViewModel::statusTint() const
{
    if (!m_engine)
        return QStringLiteral("gray");
    if (m_control && !m_control->notice().isEmpty())
        return m_control->noticeIsFailure() ? QStringLiteral("red") : QStringLiteral("orange");
    switch (m_engine->statusLevel()) {
    case SyncStatusLevel::Idle:
        return QStringLiteral("gray");
    case SyncStatusLevel::Working:
        return QStringLiteral("orange");
    case SyncStatusLevel::Ok:
        return QStringLiteral("green");
    case SyncStatusLevel::Failed:
        return QStringLiteral("red");
    }
    return QStringLiteral("gray");
}

QString StationRoleViewModel::refusalText() const
{
    return m_engine ? localizedMessage(m_engine->refusalText()) : QString();
}

QString StationRoleViewModel::keyStoreNotice() const
{
    if (!m_settings || m_settings->stationKeyKept())
        return {};
    return localized(
        QStringLiteral("The key store is unavailable: the station key will not be kept after Vexlo closes."));
}

bool StationRoleViewModel::canStop() const
{
    return isRunning() || (m_control && m_control->isWaiting());
}

bool StationRoleViewModel::isRunning() const
{
    return m_engine && m_engine->isRunning();
}

QString StationRoleViewModel::statusText() const
{
    if (m_control && !m_control->notice().isEmpty())
        return localizedMessage(m_control->notice());
    return m_engine ? localizedMessage(m_engine->statusText()) : QString();
}

QString StationRoleViewModel::connectedText() const
{
    return localized(
        QStringLiteral("%@ station(s) connected"), m_engine ? m_engine->connectedStationCount() : 0);
}

void StationRoleViewModel::chooseRole(int index)
{
    if (index < 0 || index >= int(roles.size()))
        return;
    QTimer::singleShot(0, this, [this, role = roles[size_t(index)]] {
        if (!m_control)
            return;
        m_control->stop();
        m_settings->setRole(role);
    });
}

void StationRoleViewModel::start()
{
    finishServiceName();
    if (canStart())
        m_control->start();
}

void StationRoleViewModel::stop()
{
    if (m_control)
        m_control->stop();
}

LiveResultsViewModel::LiveResultsViewModel(RaceStore *store, QObject *parent)
    : PublishingTabViewModel(parent)
{
    setStore(store);
}

PublishingTabViewModel::Service LiveResultsViewModel::serviceOf(RaceStore &store) const
{
    LiveResultatPublisher *publisher = store.liveResultatPublisher();
    return {store.liveResultatSettings(), publisher,
        [publisher](const Race &race) { publisher->publishNow(race); }};
}

QString LiveResultsViewModel::competitionIdProblem(const QString &id) const
{
    // The service's event ids are numbers; an empty id switches publishing off.
    if (id.isEmpty() || liveresultat::parseEventId(id))
        return {};
    return localized(QStringLiteral("The competition id is a number, like 12345."));
}

SyncViewModel::SyncViewModel(QObject *parent)
    : StoreViewModel(parent)
{
    if (!tabOfRebuiltView.isEmpty())
        m_selectedTab = tabOfRebuiltView;
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &SyncViewModel::tabsChanged);
    connect(&m_language, &LanguagePickerViewModel::picking, this, [this] {
        tabOfRebuiltView = m_selectedTab;
        // Only for a view built while the pick is applied: the section chosen again later opens
        // on its first tab.
        QTimer::singleShot(0, [] { tabOfRebuiltView.clear(); });
    });
}

SyncViewModel::~SyncViewModel() = default;

void SyncViewModel::storeReplaced()
{
    RaceStore *store = this->store();
    m_stationRole.reset();
    m_liveResults.reset();
    m_vexloWeb.reset();
    m_oChecklist.reset();
    if (store) {
        m_stationRole = std::make_unique<StationRoleViewModel>(store->stationControl());
        m_liveResults = std::make_unique<LiveResultsViewModel>(store);
        m_vexloWeb = std::make_unique<VexloWebViewModel>(store);
        m_oChecklist = std::make_unique<OChecklistViewModel>(store);
        // The O-Checklist tab is offered only while an API key is entered.
        follow(connect(
            store->vexloWebSettings(), &VexloWebSettings::apiKeyChanged, this, &SyncViewModel::tabsChanged));
    }
    emit raceStoreChanged();
    emit tabsChanged();
}

QVariantList SyncViewModel::tabs() const
{
    QVariantList list;
    const bool hasKey = store() && !store()->vexloWebSettings()->apiKey().isEmpty();
    for (const Tab &tab : tabList) {
        if (!hasKey && tab.id == std::string_view("oChecklist"))
            continue;
        list.append(QVariantMap {{QStringLiteral("id"), QString::fromLatin1(tab.id)},
            {QStringLiteral("title"), localized(QString::fromUtf8(tab.title))},
            {QStringLiteral("symbol"), QString::fromLatin1(tab.symbol)}});
    }
    return list;
}

void SyncViewModel::setSelectedTab(const QString &tab)
{
    for (const Tab &t : tabList) {
        if (tab == QLatin1String(t.id) && tab != m_selectedTab) {
            m_selectedTab = tab;
            emit selectedTabChanged();
        }
    }
}
