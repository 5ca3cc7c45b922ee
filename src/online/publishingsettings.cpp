#include "publishingsettings.h"

#include "keystore.h"
#include "settingsvalues.h"

#include <QSettings>

namespace {
const QString passcodeAccount = QStringLiteral("passcode");
}

PublishingSettings::PublishingSettings(
    QSettings *settings, Keys keys, KeyStore *keyStore, QString passcodeService, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_keys(std::move(keys))
    , m_keyStore(keyStore)
    , m_passcodeService(std::move(passcodeService))
{
    m_enabled = readBool(*m_settings, m_keys.enabled);
    m_competitionId = readString(*m_settings, m_keys.competitionId);
    m_passcode = readString(*m_settings, m_keys.passcode);
    m_publishIntervalSeconds = readPositiveSeconds(*m_settings, m_keys.interval, defaultIntervalSeconds);
    if (m_keyStore)
        loadSecretPasscode();
}

void PublishingSettings::loadSecretPasscode()
{
    if (m_settings->contains(m_keys.passcode)) {
        // Left by an older version: moved into the key store, and the plain-text copy goes. An
        // empty one held nothing worth moving.
        m_settings->remove(m_keys.passcode);
        if (!m_passcode.isEmpty()) {
            m_passcodeAssigned = true;
            m_keyStore->save(m_passcodeService, passcodeAccount, m_passcode);
            return;
        }
    }
    std::weak_ptr<bool> alive = m_alive;
    m_keyStore->load(m_passcodeService, passcodeAccount, [this, alive](std::optional<QString> passcode) {
        if (alive.expired())
            return;
        if (!m_keyStore->isReachable())
            emit passcodeKeptChanged();
        if (m_passcodeAssigned || !passcode || passcode->isEmpty())
            return;
        m_passcode = *passcode;
        emit passcodeChanged();
    });
}

bool PublishingSettings::passcodeKept() const
{
    return !m_keyStore || m_keyStore->isReachable();
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
    m_passcodeAssigned = true;
    emit passcodeChanged();
    if (!m_keyStore)
        m_settings->setValue(m_keys.passcode, passcode);
    else if (passcode.isEmpty())
        m_keyStore->remove(m_passcodeService, passcodeAccount);
    else
        m_keyStore->save(m_passcodeService, passcodeAccount, passcode);
}

void PublishingSettings::setPublishIntervalSeconds(double seconds)
{
    m_publishIntervalSeconds = seconds;
    emit publishIntervalSecondsChanged();
    m_settings->setValue(m_keys.interval, seconds);
}

const QString LiveResultatSettings::passcodeService = QStringLiteral("org.vexlo.liveresultat.passcode");
const QString LiveResultatSettings::defaultBaseUrl = QStringLiteral("https://liveresultat.orientering.se");

LiveResultatSettings::LiveResultatSettings(QSettings *settings, KeyStore *keyStore, QObject *parent)
    : PublishingSettings(settings,
        {QStringLiteral("liveResultatEnabled"), QStringLiteral("liveResultatCompetitionId"),
            QStringLiteral("liveResultatPasscode"), QStringLiteral("liveResultatPublishIntervalSeconds")},
        keyStore, passcodeService, parent)
    , m_store(settings)
{ }

QUrl LiveResultatSettings::uploadUrl() const
{
    QString base = readString(*m_store, QStringLiteral("liveResultatBaseUrl"));
    if (base.isEmpty())
        base = defaultBaseUrl;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QStringLiteral("/upload"));
}

const QString MetsaSettings::passcodeService = QStringLiteral("org.vexlo.metsa.passcode");
const QString MetsaSettings::serviceHost = QStringLiteral("metsa.live");

MetsaSettings::MetsaSettings(QSettings *settings, KeyStore *keyStore, QObject *parent)
    : PublishingSettings(settings,
        {QStringLiteral("metsaEnabled"), QStringLiteral("metsaCompetitionId"),
            QStringLiteral("metsaPasscode"), QStringLiteral("metsaPublishIntervalSeconds")},
        keyStore, passcodeService, parent)
    , m_store(settings)
{ }

QString MetsaSettings::serviceBase() const
{
    QString base = readString(*m_store, QStringLiteral("metsaBaseUrl"));
    if (base.isEmpty())
        base = QStringLiteral("https://") + serviceHost;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base;
}
