#pragma once

// The four machine preferences of one live-results service: publishing on or off, the
// competition id, its passcode and the batch interval. Both services keep the same four values
// under their own keys, so they share this class.

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class KeyStore;
class QSettings;

class PublishingSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(QString competitionId READ competitionId WRITE setCompetitionId NOTIFY competitionIdChanged)
    Q_PROPERTY(QString passcode READ passcode WRITE setPasscode NOTIFY passcodeChanged)
    Q_PROPERTY(double publishIntervalSeconds READ publishIntervalSeconds WRITE setPublishIntervalSeconds
            NOTIFY publishIntervalSecondsChanged)

public:
    static constexpr double defaultIntervalSeconds = 300.0;

    [[nodiscard]] bool enabled() const { return m_enabled; }
    [[nodiscard]] const QString &competitionId() const { return m_competitionId; }
    [[nodiscard]] const QString &passcode() const { return m_passcode; }
    [[nodiscard]] double publishIntervalSeconds() const { return m_publishIntervalSeconds; }
    // False when the passcode goes to a key store that could not be reached: it lasts only
    // until the program ends, and after a restart it reads empty.
    [[nodiscard]] bool passcodeKept() const;

    // Every assignment notifies, then writes its key at once, also when the value is unchanged
    // (publishers restart their timer on each). Values are written as given: no trimming, no
    // floor, no default.
    void setEnabled(bool enabled);
    void setCompetitionId(const QString &id);
    void setPasscode(const QString &passcode);
    void setPublishIntervalSeconds(double seconds);

signals:
    void enabledChanged();
    void competitionIdChanged();
    void passcodeChanged();
    void publishIntervalSecondsChanged();
    void passcodeKeptChanged();

protected:
    struct Keys
    {
        QString enabled;
        QString competitionId;
        QString passcode;
        QString interval;
    };
    // Reads the four keys; nothing is written back. With a key store the passcode lives there
    // under (`passcodeService`, "passcode") instead of in the settings file; it is loaded
    // asynchronously, and one typed before the load finishes wins.
    PublishingSettings(
        QSettings *settings, Keys keys, KeyStore *keyStore, QString passcodeService, QObject *parent);

private:
    void loadSecretPasscode();

    QSettings *m_settings;
    Keys m_keys;
    KeyStore *m_keyStore;
    QString m_passcodeService;
    bool m_passcodeAssigned = false;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_enabled = false;
    QString m_competitionId;
    QString m_passcode;
    double m_publishIntervalSeconds = defaultIntervalSeconds;
};

// The passcode is a secret: it lives in `keyStore`. A passcode left in the settings file by an
// older version is moved there once and removed from the file.
class LiveResultatSettings : public PublishingSettings
{
    Q_OBJECT
public:
    static const QString passcodeService;
    static const QString defaultBaseUrl;

    // `settings` and `keyStore` must outlive this object.
    LiveResultatSettings(QSettings *settings, KeyStore *keyStore, QObject *parent = nullptr);

    // Where uploads go: the "liveResultatBaseUrl" setting, else the service's address; the
    // upload path is "/upload" below it.
    [[nodiscard]] QUrl uploadUrl() const;

private:
    QSettings *m_store;
};

// The password is a secret like LiveResultat's passcode: in `keyStore`, moved there once from an
// older settings file.
class MetsaSettings : public PublishingSettings
{
    Q_OBJECT
public:
    static const QString passcodeService;
    // The service's host, as the Metsä tab names it.
    static const QString serviceHost;

    // `settings` and `keyStore` must outlive this object.
    MetsaSettings(QSettings *settings, KeyStore *keyStore, QObject *parent = nullptr);

    // The service's address without a trailing slash: the "metsaBaseUrl" setting, else HTTPS on
    // `serviceHost`. Not offered to the user.
    [[nodiscard]] QString serviceBase() const;

private:
    QSettings *m_store;
};
