#pragma once

// The view-models of the Vexlo Web tab (the API key and its verification) and the O-Checklist
// tab (the event's record and check-in key from the service, and the check-in pull). Neither
// keeps state of its own: everything shown comes from the store's objects and race.

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>

class RaceStore;
class VexloChecklistPuller;
class VexloChecklistSettings;
class VexloWebEventsClient;
class VexloWebSettings;
class VexloWebVerifier;

class VexloWebViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the settings screen")
    // Notified only when the stored key changes, so the field keeps what is being typed.
    Q_PROPERTY(QString apiKey READ apiKey WRITE setApiKey NOTIFY apiKeyChanged)
    Q_PROPERTY(bool isVerified READ isVerified NOTIFY changed)
    Q_PROPERTY(bool isVerifying READ isVerifying NOTIFY changed)
    Q_PROPERTY(bool canVerify READ canVerify NOTIFY changed)
    Q_PROPERTY(QString statusText READ statusText NOTIFY changed)
    // Why the typed key was refused; empty while the last one typed was taken.
    Q_PROPERTY(QString apiKeyError READ apiKeyError NOTIFY changed)
    // Said while the key store cannot be reached (the key lasts only until Vexlo closes).
    Q_PROPERTY(QString keyStoreNotice READ keyStoreNotice NOTIFY changed)

public:
    explicit VexloWebViewModel(RaceStore *store, QObject *parent = nullptr);

    [[nodiscard]] QString apiKey() const;
    // Stored (or, when empty, deleted) at once.
    void setApiKey(const QString &key);
    // The field's text once its editing ends: stored once (the key store may ask the user for
    // every write), unless unchanged or refused with `apiKeyError`.
    Q_INVOKABLE void finishApiKey(const QString &key);
    [[nodiscard]] QString apiKeyError() const { return m_apiKeyError; }
    [[nodiscard]] QString keyStoreNotice() const;
    [[nodiscard]] bool isVerified() const;
    [[nodiscard]] bool isVerifying() const;
    // Not trimmed: a key of spaces can be verified.
    [[nodiscard]] bool canVerify() const;
    // "Verified (saved)" (localised) for a stored verification not yet checked in this run,
    // otherwise the verifier's status as it stands.
    [[nodiscard]] QString statusText() const;

    // Sends the key held now; a yes is recorded for that key only.
    Q_INVOKABLE void verify();

signals:
    void changed();
    void apiKeyChanged();

private:
    VexloWebSettings *m_settings;
    VexloWebVerifier *m_verifier;
    QString m_apiKeyError;
};

class OChecklistViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the settings screen")
    Q_PROPERTY(bool canFetch READ canFetch NOTIFY changed)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY changed)
    Q_PROPERTY(QString fetchStatus READ fetchStatus NOTIFY changed)
    Q_PROPERTY(bool hasEvent READ hasEvent NOTIFY changed)
    Q_PROPERTY(QString eventName READ eventName NOTIFY changed)
    Q_PROPERTY(QString eventDate READ eventDate NOTIFY changed)
    Q_PROPERTY(QString eventId READ eventId NOTIFY changed)
    Q_PROPERTY(bool hasChecklistKey READ hasChecklistKey NOTIFY changed)
    Q_PROPERTY(QString checklistKey READ checklistKey NOTIFY changed)
    Q_PROPERTY(QString setupLine READ setupLine NOTIFY changed)
    Q_PROPERTY(bool pullEnabled READ pullEnabled WRITE setPullEnabled NOTIFY changed)
    Q_PROPERTY(QString intervalText READ intervalText NOTIFY changed)
    Q_PROPERTY(bool canStepUp READ canStepUp NOTIFY changed)
    Q_PROPERTY(bool canStepDown READ canStepDown NOTIFY changed)
    Q_PROPERTY(bool canPullNow READ canPullNow NOTIFY changed)
    Q_PROPERTY(bool isPulling READ isPulling NOTIFY changed)
    Q_PROPERTY(QString pullStatus READ pullStatus NOTIFY changed)

public:
    // `now` dates a race without a date. Empty: the system clock.
    explicit OChecklistViewModel(
        RaceStore *store, std::function<QDateTime()> now = {}, QObject *parent = nullptr);

    [[nodiscard]] bool canFetch() const;
    [[nodiscard]] bool isLoading() const;
    [[nodiscard]] QString fetchStatus() const;
    // The record of the last successful fetch of this run.
    [[nodiscard]] bool hasEvent() const;
    [[nodiscard]] QString eventName() const;
    // "—" when the service holds no date.
    [[nodiscard]] QString eventDate() const;
    [[nodiscard]] QString eventId() const;
    // The race's key, shown even when it is the empty text.
    [[nodiscard]] bool hasChecklistKey() const;
    [[nodiscard]] QString checklistKey() const;
    [[nodiscard]] QString setupLine() const;
    [[nodiscard]] bool pullEnabled() const;
    void setPullEnabled(bool on);
    [[nodiscard]] QString intervalText() const;
    [[nodiscard]] bool canStepUp() const;
    [[nodiscard]] bool canStepDown() const;
    [[nodiscard]] bool canPullNow() const;
    [[nodiscard]] bool isPulling() const;
    [[nodiscard]] QString pullStatus() const;

    // Fetches the event's record; the key is captured only while the race has none.
    Q_INVOKABLE void refresh();
    // After the organiser confirmed: asks for a new key, which replaces the race's key.
    Q_INVOKABLE void rotateKey();
    Q_INVOKABLE void copyKey() const;
    // One minute up or down (1 to 60), stored in seconds.
    Q_INVOKABLE void step(int direction);
    Q_INVOKABLE void pullNow();

signals:
    void changed();

private:
    void fetch(bool rotate);
    [[nodiscard]] double minutes() const;

    QPointer<RaceStore> m_store;
    VexloWebSettings *m_settings;
    VexloWebEventsClient *m_client;
    VexloChecklistSettings *m_pullSettings;
    VexloChecklistPuller *m_puller;
    std::function<QDateTime()> m_now;
};
