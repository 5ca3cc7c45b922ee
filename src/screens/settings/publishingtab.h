#pragma once

// What the tabs of the live-results services share: publishing on or off, the competition id,
// its passcode and the batch interval, "Publish now" and the publisher's last outcome. Every
// accepted edit goes straight to the service's settings in the store, which store it; an id or
// passcode that cannot be sent is refused, and only the reason is kept here.

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
    // Notified only when the stored value changes: a field bound to it keeps what is being typed
    // (or was refused) through every other change of the tab.
    Q_PROPERTY(QString competitionId READ competitionId WRITE setCompetitionId NOTIFY competitionIdChanged)
    Q_PROPERTY(QString passcode READ passcode WRITE setPasscode NOTIFY passcodeChanged)
    Q_PROPERTY(QString intervalText READ intervalText NOTIFY changed)
    Q_PROPERTY(bool canStepUp READ canStepUp NOTIFY changed)
    Q_PROPERTY(bool canStepDown READ canStepDown NOTIFY changed)
    Q_PROPERTY(bool canPublishNow READ canPublishNow NOTIFY changed)
    Q_PROPERTY(bool isPublishing READ isPublishing NOTIFY changed)
    Q_PROPERTY(QString statusText READ statusText NOTIFY changed)
    // Why the typed id or passcode was refused; empty while the last one typed was taken.
    Q_PROPERTY(QString competitionIdError READ competitionIdError NOTIFY changed)
    Q_PROPERTY(QString passcodeError READ passcodeError NOTIFY changed)
    // Said while the key store cannot be reached (the passcode lasts only until Vexlo closes).
    Q_PROPERTY(QString keyStoreNotice READ keyStoreNotice NOTIFY changed)

public:
    [[nodiscard]] bool enabled() const;
    void setEnabled(bool on);
    [[nodiscard]] QString competitionId() const;
    // Every edit of the field: stored when the service can take it, otherwise refused with
    // `competitionIdError` and the stored id left as it was.
    void setCompetitionId(const QString &id);
    [[nodiscard]] QString passcode() const;
    void setPasscode(const QString &passcode);
    // The passcode field's text once its editing ends: stored once (the key store may ask the
    // user for every write), unless unchanged or refused with `passcodeError`.
    Q_INVOKABLE void finishPasscode(const QString &passcode);
    [[nodiscard]] QString competitionIdError() const { return m_competitionIdError; }
    [[nodiscard]] QString passcodeError() const { return m_passcodeError; }
    [[nodiscard]] QString keyStoreNotice() const;
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
    void competitionIdChanged();
    void passcodeChanged();

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
    // Why the service cannot take `id` (in the selected language), or nothing.
    [[nodiscard]] virtual QString competitionIdProblem(const QString &id) const;

private:
    void storeReplaced() override;
    [[nodiscard]] double minutes() const;

    Service m_service {};
    QString m_competitionIdError;
    QString m_passcodeError;
};
