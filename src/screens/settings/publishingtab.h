#pragma once

// What the tabs of the live-results services share: publishing on or off, the competition id,
// its passcode and the batch interval, "Publish now" and the publisher's last outcome. Nothing is
// kept here: every edit goes straight to the service's settings in the store, which store it.

#include "storeviewmodel.h"

#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>

class LivePublisher;
class PublishingSettings;
struct Race;

class PublishingTabViewModel : public StoreViewModel
{
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY changed)
    Q_PROPERTY(QString competitionId READ competitionId WRITE setCompetitionId NOTIFY changed)
    Q_PROPERTY(QString passcode READ passcode WRITE setPasscode NOTIFY changed)
    Q_PROPERTY(QString intervalText READ intervalText NOTIFY changed)
    Q_PROPERTY(bool canStepUp READ canStepUp NOTIFY changed)
    Q_PROPERTY(bool canStepDown READ canStepDown NOTIFY changed)
    Q_PROPERTY(bool canPublishNow READ canPublishNow NOTIFY changed)
    Q_PROPERTY(bool isPublishing READ isPublishing NOTIFY changed)
    Q_PROPERTY(QString statusText READ statusText NOTIFY changed)

public:
    [[nodiscard]] bool enabled() const;
    void setEnabled(bool on);
    [[nodiscard]] QString competitionId() const;
    void setCompetitionId(const QString &id);
    [[nodiscard]] QString passcode() const;
    void setPasscode(const QString &passcode);
    // Whole minutes of the stored interval, the fraction cut off.
    [[nodiscard]] int intervalMinutes() const;
    // "Every %@ min" with intervalMinutes().
    [[nodiscard]] QString intervalText() const;
    [[nodiscard]] bool canStepUp() const;
    [[nodiscard]] bool canStepDown() const;
    // Not while an upload runs, nor without a competition id (not trimmed: spaces count).
    [[nodiscard]] bool canPublishNow() const;
    [[nodiscard]] bool isPublishing() const;
    // Verbatim, never translated.
    [[nodiscard]] QString statusText() const;

    // One minute up or down from the stored interval in minutes (1 to 60), stored in seconds.
    Q_INVOKABLE void step(int direction);
    // An upload of the store's race as it is now, publishing on or off.
    Q_INVOKABLE void publishNow();

signals:
    void changed();

protected:
    struct Service
    {
        PublishingSettings *settings;
        LivePublisher *publisher;
        std::function<void(const Race &)> publishNow;
    };

    explicit PublishingTabViewModel(QObject *parent);
    // The service's settings and publisher in `store`.
    [[nodiscard]] virtual Service serviceOf(RaceStore &store) const = 0;

private:
    void storeReplaced() override;
    [[nodiscard]] double minutes() const;

    Service m_service {};
};
