#include "stationcontrol.h"

#include "log.h"
#include "stationkey.h"

#include <QPointer>

const QString StationControl::keyService = QStringLiteral("org.vexlo.station.key");
const QString StationControl::keyAccount = QStringLiteral("stationKey");

StationControl::StationControl(KeyStore *keys, StationSettings *settings, SyncEngine *engine, QObject *parent)
    : QObject(parent)
    , m_keys(keys)
    , m_settings(settings)
    , m_engine(engine)
{
    QPointer<StationControl> self(this);
    m_keys->read(keyService, keyAccount, [self](const KeyStoreAnswer &answer) {
        if (self)
            self->keyAnswered(answer);
    });
    connect(m_settings, &StationSettings::stationKeyChanged, this, &StationControl::keyEdited);
}

void StationControl::keyAnswered(const KeyStoreAnswer &answer)
{
    m_settings->setStationKeyKept(m_keys->isReachable());
    if (!answer.error.isEmpty()) {
        m_readError = answer.error;
        logLine(QStringLiteral("StationControl: the station key could not be read: ") + answer.error);
    } else {
        // A key typed (or cleared) before the answer came was saved after the read was made: the
        // store holds that one now, not what it answers.
        if (!m_stored)
            m_stored = answer.value.value_or(QString());
        // A key typed before the answer came wins (it is stored already).
        if (answer.value && m_settings->stationKey().isEmpty())
            m_settings->setStationKey(*answer.value);
    }
    if (m_startWaiting)
        start();
}

void StationControl::keyEdited()
{
    const QString &typed = m_settings->stationKey();
    if (m_stored && *m_stored == typed)
        return; // what the key store just gave
    if (typed.isEmpty()) {
        m_keys->remove(keyService, keyAccount);
        m_stored = QString();
    } else if (const auto key = canonicalStationKey(typed)) {
        m_keys->save(keyService, keyAccount, *key);
        m_stored = *key;
        m_settings->setStationKeyKept(m_keys->isReachable());
        m_engine->setStationKey(*key);
        // The key a waiting Start lacked: the key store's answer (perhaps behind an unlock
        // dialog nobody answers) is not needed any more.
        if (m_startWaiting)
            start();
    }
}

void StationControl::start()
{
    if (m_settings->role() == StationRole::Standalone || m_engine->isRunning())
        return;
    // A name stored before names were checked: said, and no key is made for a start that
    // cannot announce.
    if (const QString problem = serviceNameProblem(m_settings->serviceName()); !problem.isEmpty()) {
        m_startWaiting = false;
        setNotice(problem);
        return;
    }
    const bool keyed = canonicalStationKey(m_settings->stationKey()).has_value();
    if (!keyed && !keyStoreAnswered()) {
        m_startWaiting = true;
        setNotice(QStringLiteral("Waiting for the station key from the key store..."));
        return;
    }
    m_startWaiting = false;
    if (!keyed && !m_readError.isEmpty() && m_settings->role() == StationRole::Master && !m_readErrorSaid) {
        // A new key would replace the stored one for good, and every slave would be refused.
        m_readErrorSaid = true;
        setNotice(QStringLiteral("The station key could not be read from the key store (%1). Type the "
                                 "event's station key, or press Start again to make a new one.")
                      .arg(m_readError));
        return;
    }
    startNow();
}

void StationControl::startNow()
{
    setNotice(QString());
    if (m_settings->role() == StationRole::Master && !canonicalStationKey(m_settings->stationKey()))
        m_settings->setStationKey(generateStationKey());
    m_engine->start(
        m_settings->role(), m_settings->stationId(), m_settings->serviceName(), m_settings->stationKey());
}

void StationControl::stop()
{
    m_startWaiting = false;
    setNotice(QString());
    m_engine->stop();
}

void StationControl::setNotice(const QString &notice)
{
    // Told every time, also when the text is the same: the waiting state may have changed.
    m_notice = notice;
    emit changed();
}
