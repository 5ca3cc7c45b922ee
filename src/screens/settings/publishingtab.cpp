#include "publishingtab.h"

#include "livepublishers.h"
#include "localization.h"
#include "messagetext.h"
#include "publishingsettings.h"
#include "racestore.h"

#include <algorithm>
#include <cmath>

PublishingTabViewModel::PublishingTabViewModel(QObject *parent)
    : StoreViewModel(parent)
{
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &PublishingTabViewModel::changed);
}

void PublishingTabViewModel::storeReplaced()
{
    m_service = store() ? serviceOf(*store()) : Service {};
    if (PublishingSettings *settings = m_service.settings) {
        for (auto signal : {&PublishingSettings::enabledChanged, &PublishingSettings::competitionIdChanged,
                 &PublishingSettings::passcodeChanged, &PublishingSettings::publishIntervalSecondsChanged})
            follow(connect(settings, signal, this, &PublishingTabViewModel::changed));
        for (auto signal : {&LivePublisher::statusTextChanged, &LivePublisher::isPublishingChanged})
            follow(connect(m_service.publisher, signal, this, &PublishingTabViewModel::changed));
    }
    emit changed();
}

bool PublishingTabViewModel::enabled() const
{
    return store() && m_service.settings->enabled();
}

void PublishingTabViewModel::setEnabled(bool on)
{
    if (store())
        m_service.settings->setEnabled(on);
}

QString PublishingTabViewModel::competitionId() const
{
    return store() ? m_service.settings->competitionId() : QString();
}

void PublishingTabViewModel::setCompetitionId(const QString &id)
{
    if (store())
        m_service.settings->setCompetitionId(id);
}

QString PublishingTabViewModel::passcode() const
{
    return store() ? m_service.settings->passcode() : QString();
}

void PublishingTabViewModel::setPasscode(const QString &passcode)
{
    if (store())
        m_service.settings->setPasscode(passcode);
}

double PublishingTabViewModel::minutes() const
{
    const double m = store() ? m_service.settings->publishIntervalSeconds() / 60.0 : 5.0;
    return std::isfinite(m) ? m : 1.0;
}

int PublishingTabViewModel::intervalMinutes() const
{
    return int(std::clamp(std::trunc(minutes()), -1e9, 1e9));
}

QString PublishingTabViewModel::intervalText() const
{
    return localized(QStringLiteral("Every %@ min"), intervalMinutes());
}

bool PublishingTabViewModel::canStepUp() const
{
    return store() && minutes() + 1 <= 60;
}

bool PublishingTabViewModel::canStepDown() const
{
    return store() && minutes() - 1 >= 1;
}

void PublishingTabViewModel::step(int direction)
{
    if ((direction > 0 && canStepUp()) || (direction < 0 && canStepDown()))
        m_service.settings->setPublishIntervalSeconds((minutes() + (direction > 0 ? 1 : -1)) * 60.0);
}

bool PublishingTabViewModel::canPublishNow() const
{
    return store() && !m_service.publisher->isPublishing() && !m_service.settings->competitionId().isEmpty();
}

bool PublishingTabViewModel::isPublishing() const
{
    return store() && m_service.publisher->isPublishing();
}

QString PublishingTabViewModel::statusText() const
{
    return store() ? localizedMessage(m_service.publisher->statusText()) : QString();
}

void PublishingTabViewModel::publishNow()
{
    if (canPublishNow())
        m_service.publishNow(store()->race());
}
