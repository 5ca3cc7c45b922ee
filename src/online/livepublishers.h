#pragma once

// The background publishers of the two live-results services. The store's autosave hands each
// the saved race (raceDidChange); the publisher keeps the newest one as its pending race while
// its publishing is enabled and configured, and a repeating timer (every max(interval, 10 s),
// restarted on every change of either setting) takes it for upload.

#include "liveresultatformat.h"
#include "publishingsettings.h"
#include "race.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The batch timer: repeating, first tick one period after start. Tests fire their own.
class BatchTimer
{
public:
    virtual ~BatchTimer() = default;
    virtual void start(int periodMs, std::function<void()> tick) = 0;
    virtual void stop() = 0;
    // Nothing while stopped.
    [[nodiscard]] virtual std::optional<int> periodMs() const = 0;
};

[[nodiscard]] std::unique_ptr<BatchTimer> makeBatchTimer();

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
    [[nodiscard]] std::optional<int> timerPeriodMs() const { return m_timer->periodMs(); }

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
    // Null `timer`: a real one.
    LivePublisher(PublishingSettings *settings, std::unique_ptr<BatchTimer> timer, QObject *parent);

    // One timer tick. The base class keeps the pending race (a service without uploads).
    virtual void publishPending() { }

    void setStatusText(const QString &text);
    void setPublishing(bool publishing);
    [[nodiscard]] std::optional<Race> takePendingRace();
    // A failed upload's race waits for the next tick unless a newer one already does.
    void putBack(Race race);
    void clearPendingRace() { m_pendingRace.reset(); }
    [[nodiscard]] PublishingSettings *publishingSettings() const { return m_settings; }
    // The passcode reads empty because the key store could not keep it: an upload would go out
    // without it, so none is sent.
    [[nodiscard]] bool passcodeLost() const
    {
        return m_settings->passcode().isEmpty() && !m_settings->passcodeKept();
    }
    [[nodiscard]] static QString passcodeLostText()
    {
        return QStringLiteral("Not published: the passcode was not kept (no key store); type it again");
    }
    // A request the service never answered within the time-out.
    [[nodiscard]] static QString noAnswerText()
    {
        return QStringLiteral("Publish failed: the server did not answer in time");
    }

private:
    QString m_statusText = QStringLiteral("Not published yet");
    bool m_isPublishing = false;
    PublishingSettings *m_settings;
    std::unique_ptr<BatchTimer> m_timer;
    std::optional<Race> m_pendingRace;
};

struct LiveResultatPublisherOptions
{
    // Null: the publisher's own.
    QNetworkAccessManager *network = nullptr;
    // Null: a real timer.
    std::unique_ptr<BatchTimer> timer;
    // The time of day in status texts. Empty: the local clock.
    std::function<QTime()> clock;
    // A request without an answer by then fails.
    int timeoutMs = 60000;
};

// Timer uploads are complete until one is accepted for the current competition id, then diffs
// against the last accepted state. One upload is in flight at a time: a tick or "Publish now"
// arriving meanwhile runs when it ends. Only the status line of a response is read; the body is
// never downloaded, so a huge or endless answer cannot hold the publisher.
class LiveResultatPublisher : public LivePublisher
{
    Q_OBJECT
public:
    explicit LiveResultatPublisher(
        LiveResultatSettings *settings, LiveResultatPublisherOptions options = {}, QObject *parent = nullptr);
    ~LiveResultatPublisher() override;

    // A complete upload of `race` now, whether or not background publishing is on.
    void publishNow(const Race &race);

    [[nodiscard]] bool hasEstablishedBaseline() const { return m_baseline.has_value(); }

protected:
    void publishPending() override;

private:
    struct Baseline
    {
        qint64 eventId = 0;
        liveresultat::AcceptedState state;
    };
    struct Upload
    {
        Race race;
        qint64 eventId = 0;
        // A complete upload's state; a diff's changes to the baseline.
        std::optional<liveresultat::AcceptedState> complete;
        liveresultat::Changes changes;
        QString summary;
    };

    void publish(Race race, bool incremental);
    void finish(Upload &upload, std::optional<int> status, const QString &error, bool timedOut = false);
    void runWaiting();
    [[nodiscard]] QString timeOfDay() const;

    LiveResultatSettings *m_settings;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    QNetworkAccessManager *m_network;
    std::function<QTime()> m_clock;
    int m_timeoutMs;
    std::optional<Baseline> m_baseline;
    QPointer<QNetworkReply> m_reply;
    bool m_tickWaiting = false;
    std::optional<Race> m_publishNowWaiting;
};
