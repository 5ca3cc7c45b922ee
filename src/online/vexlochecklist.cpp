#include "vexlochecklist.h"

#include "settingsvalues.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace {
const QString enabledKey = QStringLiteral("vexloChecklistPullEnabled");
const QString intervalKey = QStringLiteral("vexloChecklistPullIntervalSeconds");

int periodMs(double seconds, double floorSeconds)
{
    // Not-a-number falls to the floor; the ceiling keeps the period within QTimer's int range.
    const double s = std::isnan(seconds) ? floorSeconds : std::clamp(seconds, floorSeconds, 86400.0 * 24);
    return int(std::lround(s * 1000));
}
} // namespace

VexloChecklistSettings::VexloChecklistSettings(QSettings *settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_enabled = readBool(*m_settings, enabledKey);
    m_intervalSeconds = readPositiveSeconds(*m_settings, intervalKey, defaultIntervalSeconds);
}

void VexloChecklistSettings::setEnabled(bool enabled)
{
    m_enabled = enabled;
    emit enabledChanged();
    m_settings->setValue(enabledKey, enabled);
}

void VexloChecklistSettings::setIntervalSeconds(double seconds)
{
    m_intervalSeconds = seconds;
    emit intervalSecondsChanged();
    m_settings->setValue(intervalKey, seconds);
}

VexloChecklistPuller::VexloChecklistPuller(VexloChecklistSettings *settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &VexloChecklistPuller::timerTick);
    auto restart = [this] { restartTimer(m_settings->enabled(), m_settings->intervalSeconds()); };
    connect(m_settings, &VexloChecklistSettings::enabledChanged, this, restart);
    connect(m_settings, &VexloChecklistSettings::intervalSecondsChanged, this, restart);
    restart();
}

std::optional<int> VexloChecklistPuller::timerPeriodMs() const
{
    return m_timer.isActive() ? std::optional<int>(m_timer.interval()) : std::nullopt;
}

void VexloChecklistPuller::restartTimer(bool enabled, double intervalSeconds)
{
    m_timer.stop();
    if (enabled)
        m_timer.start(periodMs(intervalSeconds, minimumPeriodSeconds));
}

void VexloChecklistPuller::timerTick()
{
    // The pull itself arrives with the check-in client.
}
