#pragma once

// Start and Stop of the station as the organiser asks for them, and the station key between the
// key store, the settings and the engine.
//
// The key store answers a while after start-up. A Start given before it has answered waits for
// the answer (and says so): a master makes a new key only when the store has answered that it
// holds none, never because it has not answered yet, or every slave would be refused until the
// organiser typed the new key on each. A store that could not be read is said, and a master makes
// a new key then only when Start is pressed again after hearing it. A whole key typed while Start
// waits starts the station with it.

#include "keystore.h"
#include "stationsettings.h"
#include "syncengine.h"

#include <QObject>
#include <QString>

#include <optional>

class StationControl : public QObject
{
    Q_OBJECT

public:
    // The key's entry in the key store.
    static const QString keyService;
    static const QString keyAccount;

    // All three must outlive this object. Asks the key store for the key at once; a key it holds
    // becomes the settings' key unless one was typed meanwhile. A key typed as a whole key is kept
    // in the key store, and a running engine proves it from then on.
    StationControl(KeyStore *keys, StationSettings *settings, SyncEngine *engine, QObject *parent = nullptr);

    [[nodiscard]] StationSettings *settings() const { return m_settings; }
    [[nodiscard]] SyncEngine *engine() const { return m_engine; }

    // Starts the engine with the role, id, service name and key the settings hold, at once or
    // once the key store has answered (see above). A service name that cannot be announced (a
    // `serviceNameProblem`) starts nothing: the notice is that problem.
    void start();
    // Stops the engine, and a Start still waiting.
    void stop();
    // The key store has answered about the key (with a key, with none, or with its failure).
    [[nodiscard]] bool keyStoreAnswered() const { return m_stored || !m_readError.isEmpty(); }
    // A Start waits for the key store.
    [[nodiscard]] bool isWaiting() const { return m_startWaiting; }
    // While a Start waits, or why the last one did not start: in English, empty otherwise.
    [[nodiscard]] const QString &notice() const { return m_notice; }
    // The notice tells of a failure (rather than of a wait).
    [[nodiscard]] bool noticeIsFailure() const { return !m_notice.isEmpty() && !m_startWaiting; }

signals:
    void changed();

private:
    void keyAnswered(const KeyStoreAnswer &answer);
    void keyEdited();
    void startNow();
    void setNotice(const QString &notice);

    KeyStore *m_keys;
    StationSettings *m_settings;
    SyncEngine *m_engine;
    // What the key store last held as far as this station knows: absent until it has answered.
    std::optional<QString> m_stored;
    // Why the key store gave no answer about the key; empty when it answered.
    QString m_readError;
    bool m_startWaiting = false;
    // The organiser has been told that the key could not be read: the next Start makes a key.
    bool m_readErrorSaid = false;
    QString m_notice;
};
