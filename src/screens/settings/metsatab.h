#pragma once

// The Metsä tab of the advanced-settings screen: publishing to the Metsä live results service on
// or off, the competition id, its password and the batch interval, "Publish now" and the
// publisher's last outcome. It keeps nothing of its own: every edit goes straight to the store's
// Metsä settings, which store it.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

class MetsaPublisher;
class MetsaSettings;
class RaceStore;

class MetsaTabViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject *raceStore READ raceStore WRITE setRaceStore NOTIFY changed)
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY changed)
    Q_PROPERTY(QString competitionId READ competitionId WRITE setCompetitionId NOTIFY changed)
    Q_PROPERTY(QString passcode READ passcode WRITE setPasscode NOTIFY changed)
    Q_PROPERTY(QString intervalText READ intervalText NOTIFY changed)
    Q_PROPERTY(bool canStepUp READ canStepUp NOTIFY changed)
    Q_PROPERTY(bool canStepDown READ canStepDown NOTIFY changed)
    Q_PROPERTY(bool canPublishNow READ canPublishNow NOTIFY changed)
    Q_PROPERTY(bool isPublishing READ isPublishing NOTIFY changed)
    Q_PROPERTY(QString statusText READ statusText NOTIFY changed)
    // The texts that name the service's host, in the selected language.
    Q_PROPERTY(QString descriptionText READ descriptionText NOTIFY changed)
    Q_PROPERTY(QString setupHeading READ setupHeading NOTIFY changed)
    Q_PROPERTY(QString setupFirstStep READ setupFirstStep NOTIFY changed)
    Q_PROPERTY(QString organiserLinkText READ organiserLinkText NOTIFY changed)
    Q_PROPERTY(QUrl organiserUrl READ organiserUrl CONSTANT)

public:
    explicit MetsaTabViewModel(QObject *parent = nullptr);

    [[nodiscard]] QObject *raceStore() const;
    void setRaceStore(QObject *store);

    [[nodiscard]] bool enabled() const;
    void setEnabled(bool on);
    [[nodiscard]] QString competitionId() const;
    void setCompetitionId(const QString &id);
    [[nodiscard]] QString passcode() const;
    void setPasscode(const QString &passcode);
    // "Every %@ min" with the whole minutes of the stored interval, the fraction cut off.
    [[nodiscard]] QString intervalText() const;
    [[nodiscard]] bool canStepUp() const;
    [[nodiscard]] bool canStepDown() const;
    // Not while an upload runs, nor without a competition id (not trimmed: spaces count).
    [[nodiscard]] bool canPublishNow() const;
    [[nodiscard]] bool isPublishing() const;
    // Verbatim, never translated.
    [[nodiscard]] QString statusText() const;
    [[nodiscard]] QString descriptionText() const;
    [[nodiscard]] QString setupHeading() const;
    [[nodiscard]] QString setupFirstStep() const;
    [[nodiscard]] QString organiserLinkText() const;
    [[nodiscard]] QUrl organiserUrl() const;

    // One minute up or down from the stored interval in minutes (1 to 60), stored in seconds.
    Q_INVOKABLE void step(int direction);
    // An upload of the store's race as it is now, publishing on or off.
    Q_INVOKABLE void publishNow();

signals:
    void changed();

private:
    [[nodiscard]] double minutes() const;

    QPointer<RaceStore> m_store;
    MetsaSettings *m_settings = nullptr;
    MetsaPublisher *m_publisher = nullptr;
};
