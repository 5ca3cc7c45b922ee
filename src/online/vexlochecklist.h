#pragma once

// Check-ins reported by the O-Checklist app, pulled from Vexlo Web on a timer: the two settings
// (pull on a timer, how often) and the puller. The puller asks its credentials provider before
// each pull and hands the pulled entries to onCheckinsReceived.

#include "checklistentry.h"
#include "livepublishers.h"
#include "vexlowebtransport.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

class VexloChecklistSettings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(
        double intervalSeconds READ intervalSeconds WRITE setIntervalSeconds NOTIFY intervalSecondsChanged)

public:
    static constexpr double defaultIntervalSeconds = 60.0;

    // `settings` must outlive this object. Nothing is written back at construction.
    explicit VexloChecklistSettings(QSettings *settings, QObject *parent = nullptr);

    [[nodiscard]] bool enabled() const { return m_enabled; }
    [[nodiscard]] double intervalSeconds() const { return m_intervalSeconds; }

    // Every assignment notifies and writes its key, also when unchanged; the interval is stored
    // as given (the 15 s floor is the timer's).
    void setEnabled(bool enabled);
    void setIntervalSeconds(double seconds);

signals:
    void enabledChanged();
    void intervalSecondsChanged();

private:
    QSettings *m_settings;
    bool m_enabled = false;
    double m_intervalSeconds = defaultIntervalSeconds;
};

struct ChecklistCredentials
{
    QString apiKey;
    QString checklistKey;
};

struct VexloChecklistPullerOptions
{
    VexloWebOptions web;
    // Null: a real timer.
    std::unique_ptr<BatchTimer> timer;
};

class VexloChecklistPuller : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)
    Q_PROPERTY(bool isPulling READ isPulling NOTIFY isPullingChanged)

public:
    static constexpr double minimumPeriodSeconds = 15.0;

    // `settings` must outlive this object; the timer starts at once when pulling is enabled.
    explicit VexloChecklistPuller(VexloChecklistSettings *settings, VexloChecklistPullerOptions options = {},
        QObject *parent = nullptr);

    // Asked before every pull; nothing means "not set up", and no request is made.
    std::function<std::optional<ChecklistCredentials>()> credentialsProvider;
    // Called on the main thread with the entries of each successful pull.
    std::function<void(const QList<ChecklistEntry> &)> onCheckinsReceived;

    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    [[nodiscard]] bool isPulling() const { return m_isPulling; }
    [[nodiscard]] VexloChecklistSettings *settings() const { return m_settings; }
    // The running timer's period; nothing while the periodic pull is off.
    [[nodiscard]] std::optional<int> timerPeriodMs() const { return m_timer->periodMs(); }

    // Replaces the timer: off, or repeating every max(interval, 15 s), first tick one period on.
    void restartTimer(bool enabled, double intervalSeconds);

    // Fetches the check-in list and hands it to onCheckinsReceived. A pull already under way
    // drops this one; a failed pull hands nothing over, so the entries keep their state.
    void pullNow();

signals:
    void statusTextChanged();
    void isPullingChanged();

private:
    void setStatusText(const QString &text);
    void setPulling(bool pulling);

    QString m_statusText = QStringLiteral("Not pulled yet");
    bool m_isPulling = false;
    VexloChecklistSettings *m_settings;
    std::unique_ptr<BatchTimer> m_timer;
    WebTransport m_transport;
};
