#include "vexlowebtabs.h"

#include "localization.h"
#include "messagetext.h"
#include "racestore.h"
#include "textchecks.h"
#include "vexlowebjson.h"

#include <QClipboard>
#include <QGuiApplication>

#include <cmath>

namespace {
const QString notVerified = QStringLiteral("Not verified");
} // namespace

VexloWebViewModel::VexloWebViewModel(RaceStore *store, QObject *parent)
    : QObject(parent)
    , m_settings(store->vexloWebSettings())
    , m_verifier(store->vexloWebVerifier())
{
    connect(m_settings, &VexloWebSettings::apiKeyChanged, this, &VexloWebViewModel::changed);
    connect(m_settings, &VexloWebSettings::apiKeyChanged, this, &VexloWebViewModel::apiKeyChanged);
    connect(m_settings, &VexloWebSettings::isVerifiedChanged, this, &VexloWebViewModel::changed);
    connect(m_settings, &VexloWebSettings::keyLoaded, this, &VexloWebViewModel::changed);
    connect(m_verifier, &VexloWebVerifier::statusTextChanged, this, &VexloWebViewModel::changed);
    connect(m_verifier, &VexloWebVerifier::isVerifyingChanged, this, &VexloWebViewModel::changed);
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &VexloWebViewModel::changed);
}

QString VexloWebViewModel::apiKey() const
{
    return m_settings->apiKey();
}

void VexloWebViewModel::setApiKey(const QString &key)
{
    m_settings->setApiKey(key);
}

void VexloWebViewModel::finishApiKey(const QString &key)
{
    const QString error = hasControlCharacter(key)
        ? localized(QStringLiteral("The API key cannot hold a line break or another control character."))
        : QString();
    if (error != m_apiKeyError) {
        m_apiKeyError = error;
        emit changed();
    }
    if (error.isEmpty() && key != m_settings->apiKey())
        m_settings->setApiKey(key);
}

QString VexloWebViewModel::keyStoreNotice() const
{
    if (m_settings->keyKept())
        return {};
    return localized(
        QStringLiteral("The key store is unavailable: the API key will not be kept after Vexlo closes."));
}

bool VexloWebViewModel::isVerified() const
{
    return m_settings->isVerified();
}

bool VexloWebViewModel::isVerifying() const
{
    return m_verifier->isVerifying();
}

bool VexloWebViewModel::canVerify() const
{
    return !m_verifier->isVerifying() && !m_settings->apiKey().isEmpty();
}

QString VexloWebViewModel::statusText() const
{
    if (m_settings->isVerified() && m_verifier->statusText() == notVerified)
        return localized(QStringLiteral("Verified (saved)"));
    return localizedMessage(m_verifier->statusText());
}

void VexloWebViewModel::verify()
{
    if (!canVerify())
        return;
    const QString sent = m_settings->apiKey();
    QPointer<VexloWebSettings> settings(m_settings);
    m_verifier->verifyKey(sent, [settings, sent](bool accepted) {
        if (accepted && settings)
            settings->markVerified(sent);
    });
}

OChecklistViewModel::OChecklistViewModel(RaceStore *store, std::function<QDateTime()> now, QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_settings(store->vexloWebSettings())
    , m_client(store->vexloWebEventsClient())
    , m_pullSettings(store->vexloChecklistSettings())
    , m_puller(store->vexloChecklistPuller())
    , m_now(now ? std::move(now) : [] { return QDateTime::currentDateTime(); })
{
    connect(store, &RaceStore::raceChanged, this, &OChecklistViewModel::changed);
    connect(m_settings, &VexloWebSettings::apiKeyChanged, this, &OChecklistViewModel::changed);
    for (auto signal : {&VexloWebEventsClient::eventChanged, &VexloWebEventsClient::statusTextChanged,
             &VexloWebEventsClient::isLoadingChanged})
        connect(m_client, signal, this, &OChecklistViewModel::changed);
    connect(m_pullSettings, &VexloChecklistSettings::enabledChanged, this, &OChecklistViewModel::changed);
    connect(
        m_pullSettings, &VexloChecklistSettings::intervalSecondsChanged, this, &OChecklistViewModel::changed);
    connect(m_puller, &VexloChecklistPuller::statusTextChanged, this, &OChecklistViewModel::changed);
    connect(m_puller, &VexloChecklistPuller::isPullingChanged, this, &OChecklistViewModel::changed);
    connect(&LocalizationManager::shared(), &LocalizationManager::languageChanged, this,
        &OChecklistViewModel::changed);
}

bool OChecklistViewModel::canFetch() const
{
    return !m_client->isLoading() && !m_settings->apiKey().isEmpty();
}

bool OChecklistViewModel::isLoading() const
{
    return m_client->isLoading();
}

QString OChecklistViewModel::fetchStatus() const
{
    return localizedMessage(m_client->statusText());
}

bool OChecklistViewModel::hasEvent() const
{
    return m_client->event().has_value();
}

QString OChecklistViewModel::eventName() const
{
    return hasEvent() ? m_client->event()->name : QString();
}

QString OChecklistViewModel::eventDate() const
{
    return hasEvent() ? m_client->event()->eventDate.value_or(QStringLiteral("\u2014")) : QString();
}

QString OChecklistViewModel::eventId() const
{
    return hasEvent() ? m_client->event()->eventId : QString();
}

bool OChecklistViewModel::hasChecklistKey() const
{
    return m_store && m_store->race().vexloWebChecklistKey.has_value();
}

QString OChecklistViewModel::checklistKey() const
{
    return hasChecklistKey() ? *m_store->race().vexloWebChecklistKey : QString();
}

QString OChecklistViewModel::setupLine() const
{
    // The header's own words stay as the app must type them; only the hint is the organiser's.
    return localized(QStringLiteral("URL: %@ · Authorization: Bearer <key above>"),
        m_client->checklistPostUrl().toString());
}

bool OChecklistViewModel::pullEnabled() const
{
    return m_pullSettings->enabled();
}

void OChecklistViewModel::setPullEnabled(bool on)
{
    m_pullSettings->setEnabled(on);
}

double OChecklistViewModel::minutes() const
{
    const double m = m_pullSettings->intervalSeconds() / 60.0;
    return std::isfinite(m) ? m : 1.0;
}

QString OChecklistViewModel::intervalText() const
{
    return localized(QStringLiteral("Every %@ min"), int(std::clamp(std::trunc(minutes()), -1e9, 1e9)));
}

bool OChecklistViewModel::canStepUp() const
{
    return minutes() + 1 <= 60;
}

bool OChecklistViewModel::canStepDown() const
{
    return minutes() - 1 >= 1;
}

void OChecklistViewModel::step(int direction)
{
    if ((direction > 0 && !canStepUp()) || (direction < 0 && !canStepDown()) || direction == 0)
        return;
    m_pullSettings->setIntervalSeconds((minutes() + (direction > 0 ? 1 : -1)) * 60.0);
}

bool OChecklistViewModel::canPullNow() const
{
    return !m_puller->isPulling() && m_puller->credentialsProvider && m_puller->credentialsProvider();
}

bool OChecklistViewModel::isPulling() const
{
    return m_puller->isPulling();
}

QString OChecklistViewModel::pullStatus() const
{
    return localizedMessage(m_puller->statusText());
}

void OChecklistViewModel::refresh()
{
    fetch(false);
}

void OChecklistViewModel::rotateKey()
{
    fetch(true);
}

void OChecklistViewModel::fetch(bool rotate)
{
    if (!canFetch() || !m_store)
        return;
    const Race &race = m_store->race();
    EventsRequest request {
        m_settings->apiKey(), race.name, race.date ? *race.date : m_now(), race.vexloWebEventId, rotate};
    // The answer belongs to the event that asked: the same file and service event id (and, for an
    // event the service did not know yet, the same name). Another event opened meanwhile, or a
    // snapshot from the master, must not receive its id or key.
    struct Asker
    {
        QUrl file;
        std::optional<QString> eventId;
        QString name;
    };
    const Asker asker {m_store->raceFileUrl(), race.vexloWebEventId, race.name};
    QPointer<RaceStore> store(m_store);
    m_client->fetchEvent(request, [store, asker, rotate](std::optional<VexloWebEvent> event) {
        if (!event || !store || store->raceFileUrl() != asker.file
            || store->race().vexloWebEventId != asker.eventId
            || (!asker.eventId && store->race().name != asker.name))
            return;
        store->setVexloWebEventId(event->eventId);
        if (!event->checklistKey)
            return;
        if (rotate)
            store->setVexloWebChecklistKeyIfNotEmpty(*event->checklistKey);
        else
            store->setVexloWebChecklistKey(*event->checklistKey);
    });
}

void OChecklistViewModel::copyKey() const
{
    if (hasChecklistKey())
        QGuiApplication::clipboard()->setText(checklistKey());
}

void OChecklistViewModel::pullNow()
{
    if (canPullNow())
        m_puller->pullNow();
}
