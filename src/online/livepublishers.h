#pragma once

// The background publishers of the two live-results services. The store's autosave hands each
// the saved race (raceDidChange); the publisher keeps the newest one as its pending race while
// its publishing is enabled and configured, and a repeating timer (every max(interval, 10 s),
// restarted on every change of either setting) takes it for upload. The uploads arrive with the
// upload formats; until then a tick leaves the pending race in place.

#include "publishingsettings.h"
#include "race.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class LivePublisher : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(bool isPublishing READ isPublishing NOTIFY isPublishingChanged)

public:
    static constexpr double minimumPeriodSeconds = 10.0;

    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    [[nodiscard]] bool isPublishing() const { return m_isPublishing; }
    [[nodiscard]] const std::optional<Race> &pendingRace() const { return m_pendingRace; }
    // The running timer's period; nothing while publishing is off.
    [[nodiscard]] std::optional<int> timerPeriodMs() const;

    // Keeps a copy of `race` for the next upload when publishing is enabled and the competition
    // id is not empty (not trimmed); otherwise an earlier pending race stays.
    void raceDidChange(const Race &race);

    // Replaces the timer; turning publishing off also drops the pending race.
    void rescheduleTimer(bool enabled, double intervalSeconds);

signals:
    void statusTextChanged();
    void isPublishingChanged();

protected:
    // `settings` must outlive the publisher; the timer starts at once when publishing is enabled.
    LivePublisher(PublishingSettings *settings, QObject *parent);

private:
    void publishPending();

    QString m_statusText = QStringLiteral("Not published yet");
    bool m_isPublishing = false;
    PublishingSettings *m_settings;
    QTimer m_timer;
    std::optional<Race> m_pendingRace;
};

class LiveResultatPublisher : public LivePublisher
{
    Q_OBJECT
public:
    explicit LiveResultatPublisher(LiveResultatSettings *settings, QObject *parent = nullptr);
};

class MetsaPublisher : public LivePublisher
{
    Q_OBJECT
public:
    explicit MetsaPublisher(MetsaSettings *settings, QObject *parent = nullptr);
};
