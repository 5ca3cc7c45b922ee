#include "publishingtab.h"

#include "livepublishers.h"
#include "localization.h"
#include "messagetext.h"
#include "publishingsettings.h"
#include "racestore.h"
#include "textchecks.h"

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
                 &PublishingSettings::passcodeChanged, &PublishingSettings::publishIntervalSecondsChanged,
                 &PublishingSettings::passcodeKeptChanged})
            follow(connect(settings, signal, this, &PublishingTabViewModel::changed));
        follow(connect(settings, &PublishingSettings::competitionIdChanged, this,
            &PublishingTabViewModel::competitionIdChanged));
        follow(connect(
            settings, &PublishingSettings::passcodeChanged, this, &PublishingTabViewModel::passcodeChanged));
        for (auto signal : {&LivePublisher::statusTextChanged, &LivePublisher::isPublishingChanged})
            follow(connect(m_service.publisher, signal, this, &PublishingTabViewModel::changed));
    }
    emit changed();
    emit competitionIdChanged();
    emit passcodeChanged();
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
    if (!store())
        return;
    m_competitionIdError = competitionIdProblem(id);
    if (m_competitionIdError.isEmpty())
        m_service.settings->setCompetitionId(id);
    else
        emit changed();
}

QString PublishingTabViewModel::competitionIdProblem(const QString &id) const
{
    return hasControlCharacter(id) ? localized(
               QStringLiteral("The competition id cannot hold a line break or another control character."))
                                   : QString();
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

void PublishingTabViewModel::finishPasscode(const QString &passcode)
{
    if (!store())
        return;
    const QString error = hasControlCharacter(passcode)
        ? localized(QStringLiteral("The passcode cannot hold a line break or another control character."))
        : QString();
    if (error != m_passcodeError) {
        m_passcodeError = error;
        emit changed();
    }
    if (error.isEmpty() && passcode != m_service.settings->passcode())
        m_service.settings->setPasscode(passcode);
}

QString PublishingTabViewModel::keyStoreNotice() const
{
    if (!store() || m_service.settings->passcodeKept())
        return {};
    return localized(
        QStringLiteral("The key store is unavailable: the passcode will not be kept after Vexlo closes."));
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
    // A refused id is not the stored one: publishing would go to the competition stored before.
    return store() && !m_service.publisher->isPublishing() && !m_service.settings->competitionId().isEmpty()
        && m_competitionIdError.isEmpty();
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
