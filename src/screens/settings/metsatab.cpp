#include "metsatab.h"

#include "localization.h"
#include "metsapublisher.h"
#include "racestore.h"

#include <algorithm>
#include <cmath>

MetsaTabViewModel::MetsaTabViewModel(QObject *parent)
    : QObject(parent)
{
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &MetsaTabViewModel::changed);
}

QObject *MetsaTabViewModel::raceStore() const
{
    return m_store;
}

void MetsaTabViewModel::setRaceStore(QObject *store)
{
    auto *raceStore = qobject_cast<RaceStore *>(store);
    if (raceStore == m_store)
        return;
    if (m_store) {
        m_settings->disconnect(this);
        m_publisher->disconnect(this);
    }
    m_store = raceStore;
    m_settings = raceStore ? raceStore->metsaSettings() : nullptr;
    m_publisher = raceStore ? raceStore->metsaPublisher() : nullptr;
    if (raceStore) {
        for (auto signal : {&PublishingSettings::enabledChanged, &PublishingSettings::competitionIdChanged,
                 &PublishingSettings::passcodeChanged, &PublishingSettings::publishIntervalSecondsChanged})
            connect(m_settings, signal, this, &MetsaTabViewModel::changed);
        connect(m_publisher, &LivePublisher::statusTextChanged, this, &MetsaTabViewModel::changed);
        connect(m_publisher, &LivePublisher::isPublishingChanged, this, &MetsaTabViewModel::changed);
    }
    emit changed();
}

bool MetsaTabViewModel::enabled() const
{
    return m_store && m_settings->enabled();
}

void MetsaTabViewModel::setEnabled(bool on)
{
    if (m_store)
        m_settings->setEnabled(on);
}

QString MetsaTabViewModel::competitionId() const
{
    return m_store ? m_settings->competitionId() : QString();
}

void MetsaTabViewModel::setCompetitionId(const QString &id)
{
    if (m_store)
        m_settings->setCompetitionId(id);
}

QString MetsaTabViewModel::passcode() const
{
    return m_store ? m_settings->passcode() : QString();
}

void MetsaTabViewModel::setPasscode(const QString &passcode)
{
    if (m_store)
        m_settings->setPasscode(passcode);
}

double MetsaTabViewModel::minutes() const
{
    const double m = m_store ? m_settings->publishIntervalSeconds() / 60.0 : 5.0;
    return std::isfinite(m) ? m : 1.0;
}

QString MetsaTabViewModel::intervalText() const
{
    return localized(QStringLiteral("Every %@ min"), int(std::clamp(std::trunc(minutes()), -1e9, 1e9)));
}

bool MetsaTabViewModel::canStepUp() const
{
    return m_store && minutes() + 1 <= 60;
}

bool MetsaTabViewModel::canStepDown() const
{
    return m_store && minutes() - 1 >= 1;
}

void MetsaTabViewModel::step(int direction)
{
    if ((direction > 0 && canStepUp()) || (direction < 0 && canStepDown()))
        m_settings->setPublishIntervalSeconds((minutes() + (direction > 0 ? 1 : -1)) * 60.0);
}

bool MetsaTabViewModel::canPublishNow() const
{
    return m_store && !m_publisher->isPublishing() && !m_settings->competitionId().isEmpty();
}

bool MetsaTabViewModel::isPublishing() const
{
    return m_store && m_publisher->isPublishing();
}

QString MetsaTabViewModel::statusText() const
{
    return m_store ? m_publisher->statusText() : QString();
}

void MetsaTabViewModel::publishNow()
{
    if (canPublishNow())
        m_publisher->publishNow(m_store->race());
}

QString MetsaTabViewModel::descriptionText() const
{
    // clang-format off
    return localized(QStringLiteral("Publishes results to %@ in the background, batched every few minutes, as an IOF XML result-list upload. Requires the competition id and password shown on your competition's %@ page."),
        MetsaSettings::serviceHost, MetsaSettings::serviceHost);
    // clang-format on
}

QString MetsaTabViewModel::setupHeading() const
{
    return localized(QStringLiteral("Setting up a competition on %@"), MetsaSettings::serviceHost);
}

QString MetsaTabViewModel::setupFirstStep() const
{
    return localized(
        QStringLiteral(
            "1. Go to %@/organiser and click \"Create competition\" — no account or install needed."),
        MetsaSettings::serviceHost);
}

QString MetsaTabViewModel::organiserLinkText() const
{
    return localized(QStringLiteral("Open %@/organiser"), MetsaSettings::serviceHost);
}

QUrl MetsaTabViewModel::organiserUrl() const
{
    return QUrl(QStringLiteral("https://") + MetsaSettings::serviceHost + QStringLiteral("/organiser"));
}
