#pragma once

// The Vexlo Web API key and whether that exact key has been verified. The key lives in the
// Secret Service; the verified flag and the SHA-256 fingerprint of the verified key live in the
// settings store, so a verification never carries over to another key, not even across restarts.
//
// The Secret Service answers asynchronously, so the key is loaded after construction: `apiKey`
// reads "" until keyLoaded() (the start-up never waits in a nested event loop). A key typed before
// the load finishes wins over the loaded one.

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class KeyStore;
class QSettings;

class VexloWebSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString apiKey READ apiKey WRITE setApiKey NOTIFY apiKeyChanged)
    Q_PROPERTY(bool isVerified READ isVerified NOTIFY isVerifiedChanged)
    Q_PROPERTY(bool isKeyLoaded READ isKeyLoaded NOTIFY keyLoaded)

public:
    // The key's entry in the key store.
    static const QString keyService;
    static const QString keyAccount;

    // `settings` and `keyStore` must outlive this object.
    VexloWebSettings(QSettings *settings, KeyStore *keyStore, QObject *parent = nullptr);

    [[nodiscard]] const QString &apiKey() const { return m_apiKey; }
    [[nodiscard]] bool isVerified() const { return m_isVerified; }
    [[nodiscard]] const std::optional<QString> &verifiedKeyHash() const { return m_verifiedKeyHash; }
    [[nodiscard]] bool isKeyLoaded() const { return m_keyLoaded; }
    // False when the key store could not be reached: the key lasts only until the program ends.
    [[nodiscard]] bool keyKept() const;

    // Every assignment stores the key (an empty key deletes the entry), also when unchanged; a
    // changed key loses its verification unless it is the verified key.
    void setApiKey(const QString &key);
    // The service has just accepted `sentKey`. Recorded only while it is still the current key:
    // an answer that arrives after the key was edited says nothing about the key now held.
    void markVerified(const QString &sentKey);

    // SHA-256 of the UTF-8 bytes, 64 lower-case hex digits.
    [[nodiscard]] static QString keyHash(const QString &key);

signals:
    void apiKeyChanged();
    void isVerifiedChanged();
    void keyLoaded();

private:
    void applyLoadedKey(const std::optional<QString> &key);
    void invalidateVerificationIfKeyChanged();
    void setVerified(bool verified);

    QSettings *m_settings;
    KeyStore *m_keyStore;
    QString m_apiKey;
    bool m_isVerified = false;
    std::optional<QString> m_verifiedKeyHash;
    bool m_keyLoaded = false;
    bool m_assignedBeforeLoad = false;
    // Guards the load's completion against this object's destruction.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
