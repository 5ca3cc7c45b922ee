#include "vexlowebsettings.h"

#include "keystore.h"
#include "settingsvalues.h"

#include <QCryptographicHash>
#include <QSettings>

namespace {
const QString verifiedKey = QStringLiteral("vexloWebApiKeyVerified");
const QString verifiedHashKey = QStringLiteral("vexloWebVerifiedKeyHash");
} // namespace

const QString VexloWebSettings::keyService = QStringLiteral("org.vexlo.web.apikey");
const QString VexloWebSettings::keyAccount = QStringLiteral("apiKey");

VexloWebSettings::VexloWebSettings(QSettings *settings, KeyStore *keyStore, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_keyStore(keyStore)
{
    std::weak_ptr<bool> alive = m_alive;
    m_keyStore->load(keyService, keyAccount, [this, alive](std::optional<QString> key) {
        if (!alive.expired())
            applyLoadedKey(key);
    });
}

void VexloWebSettings::applyLoadedKey(const std::optional<QString> &key)
{
    m_keyLoaded = true;
    if (!m_assignedBeforeLoad) {
        m_apiKey = key.value_or(QString());
        const QVariant hash = m_settings->value(verifiedHashKey);
        m_verifiedKeyHash = hash.isValid() ? std::optional<QString>(hash.toString()) : std::nullopt;
        // Nothing is written back at start-up: a stale stored flag stays as it is.
        const bool verified = readBool(*m_settings, verifiedKey) && !m_apiKey.isEmpty() && m_verifiedKeyHash
            && keyHash(m_apiKey) == *m_verifiedKeyHash;
        if (!m_apiKey.isEmpty())
            emit apiKeyChanged();
        setVerified(verified);
    }
    emit keyLoaded();
}

bool VexloWebSettings::keyKept() const
{
    return m_keyStore->isReachable();
}

void VexloWebSettings::setApiKey(const QString &key)
{
    if (!m_keyLoaded && !m_assignedBeforeLoad) {
        // The loaded key is dropped; read the stored fingerprint now so that the change rule sees
        // the same state as after a finished load.
        m_assignedBeforeLoad = true;
        const QVariant hash = m_settings->value(verifiedHashKey);
        m_verifiedKeyHash = hash.isValid() ? std::optional<QString>(hash.toString()) : std::nullopt;
    }
    const QString previous = m_apiKey;
    m_apiKey = key;
    emit apiKeyChanged();
    if (key.isEmpty())
        m_keyStore->remove(keyService, keyAccount);
    else
        m_keyStore->save(keyService, keyAccount, key);
    if (key != previous)
        invalidateVerificationIfKeyChanged();
}

void VexloWebSettings::markVerified(const QString &sentKey)
{
    if (sentKey != m_apiKey)
        return;
    setVerified(true);
    m_verifiedKeyHash = keyHash(m_apiKey);
    m_settings->setValue(verifiedHashKey, *m_verifiedKeyHash);
    m_settings->setValue(verifiedKey, true);
}

QString VexloWebSettings::keyHash(const QString &key)
{
    return QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex());
}

void VexloWebSettings::invalidateVerificationIfKeyChanged()
{
    if (!m_isVerified)
        return;
    if (m_verifiedKeyHash && *m_verifiedKeyHash == keyHash(m_apiKey))
        return;
    setVerified(false);
    m_settings->setValue(verifiedKey, false);
}

void VexloWebSettings::setVerified(bool verified)
{
    if (m_isVerified == verified)
        return;
    m_isVerified = verified;
    emit isVerifiedChanged();
}
