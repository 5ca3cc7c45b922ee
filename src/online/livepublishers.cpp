#include "livepublishers.h"

#include <algorithm>
#include <cmath>

LivePublisher::LivePublisher(PublishingSettings *settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LivePublisher::publishPending);
    auto reschedule
        = [this] { rescheduleTimer(m_settings->enabled(), m_settings->publishIntervalSeconds()); };
    connect(m_settings, &PublishingSettings::enabledChanged, this, reschedule);
    connect(m_settings, &PublishingSettings::publishIntervalSecondsChanged, this, reschedule);
    reschedule();
}

std::optional<int> LivePublisher::timerPeriodMs() const
{
    return m_timer.isActive() ? std::optional<int>(m_timer.interval()) : std::nullopt;
}

void LivePublisher::raceDidChange(const Race &race)
{
    if (m_settings->enabled() && !m_settings->competitionId().isEmpty())
        m_pendingRace = race;
}

void LivePublisher::rescheduleTimer(bool enabled, double intervalSeconds)
{
    m_timer.stop();
    if (!enabled) {
        m_pendingRace.reset();
        return;
    }
    // Not-a-number runs at the floor; the ceiling keeps the period within QTimer's int range.
    const double seconds = std::isnan(intervalSeconds)
        ? minimumPeriodSeconds
        : std::clamp(intervalSeconds, minimumPeriodSeconds, 2e6);
    m_timer.start(int(std::lround(seconds * 1000)));
}

void LivePublisher::publishPending()
{
    // Taking the pending race and uploading it arrive with the upload formats.
}

LiveResultatPublisher::LiveResultatPublisher(LiveResultatSettings *settings, QObject *parent)
    : LivePublisher(settings, parent)
{ }

MetsaPublisher::MetsaPublisher(MetsaSettings *settings, QObject *parent)
    : LivePublisher(settings, parent)
{ }
