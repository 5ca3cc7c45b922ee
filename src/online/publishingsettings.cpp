#include "publishingsettings.h"

#include "settingsvalues.h"

#include <QSettings>

PublishingSettings::PublishingSettings(QSettings *settings, Keys keys, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_keys(std::move(keys))
{
    m_enabled = readBool(*m_settings, m_keys.enabled);
    m_competitionId = readString(*m_settings, m_keys.competitionId);
    m_passcode = readString(*m_settings, m_keys.passcode);
    m_publishIntervalSeconds = readPositiveSeconds(*m_settings, m_keys.interval, defaultIntervalSeconds);
}

void PublishingSettings::setEnabled(bool enabled)
{
    m_enabled = enabled;
    emit enabledChanged();
    m_settings->setValue(m_keys.enabled, enabled);
}

void PublishingSettings::setCompetitionId(const QString &id)
{
    m_competitionId = id;
    emit competitionIdChanged();
    m_settings->setValue(m_keys.competitionId, id);
}

void PublishingSettings::setPasscode(const QString &passcode)
{
    m_passcode = passcode;
    emit passcodeChanged();
    m_settings->setValue(m_keys.passcode, passcode);
}

void PublishingSettings::setPublishIntervalSeconds(double seconds)
{
    m_publishIntervalSeconds = seconds;
    emit publishIntervalSecondsChanged();
    m_settings->setValue(m_keys.interval, seconds);
}

LiveResultatSettings::LiveResultatSettings(QSettings *settings, QObject *parent)
    : PublishingSettings(settings,
        {QStringLiteral("liveResultatEnabled"), QStringLiteral("liveResultatCompetitionId"),
            QStringLiteral("liveResultatPasscode"), QStringLiteral("liveResultatPublishIntervalSeconds")},
        parent)
{ }

MetsaSettings::MetsaSettings(QSettings *settings, QObject *parent)
    : PublishingSettings(settings,
        {QStringLiteral("metsaEnabled"), QStringLiteral("metsaCompetitionId"),
            QStringLiteral("metsaPasscode"), QStringLiteral("metsaPublishIntervalSeconds")},
        parent)
{ }
