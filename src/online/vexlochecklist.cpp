#include "vexlochecklist.h"

#include "settingsvalues.h"
#include "textchecks.h"
#include "vexlowebjson.h"

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

VexloChecklistPuller::VexloChecklistPuller(
    VexloChecklistSettings *settings, VexloChecklistPullerOptions options, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_timer(options.timer ? std::move(options.timer) : makeBatchTimer())
    , m_transport(std::move(options.web))
{
    auto restart = [this] { restartTimer(m_settings->enabled(), m_settings->intervalSeconds()); };
    connect(m_settings, &VexloChecklistSettings::enabledChanged, this, restart);
    connect(m_settings, &VexloChecklistSettings::intervalSecondsChanged, this, restart);
    restart();
}

void VexloChecklistPuller::restartTimer(bool enabled, double intervalSeconds)
{
    m_timer->stop();
    if (enabled)
        m_timer->start(periodMs(intervalSeconds, minimumPeriodSeconds), [this] { pullNow(); });
}

void VexloChecklistPuller::pullNow()
{
    if (m_isPulling)
        return;
    const std::optional<ChecklistCredentials> credentials
        = credentialsProvider ? credentialsProvider() : std::nullopt;
    if (!credentials) {
        setStatusText(QStringLiteral("Not set up yet \u2014 enter an API key and fetch the event first"));
        return;
    }
    if (hasControlCharacter(credentials->apiKey) || hasControlCharacter(credentials->checklistKey)) {
        setStatusText(QStringLiteral("Pull failed: the API key or check-in key holds a line break or another "
                                     "control character"));
        return;
    }
    setPulling(true);
    QNetworkRequest request(m_transport.url(QStringLiteral("/api/entries.php")));
    request.setRawHeader("Authorization", "Bearer " + credentials->apiKey.toUtf8());
    request.setRawHeader("X-Checklist-Key", credentials->checklistKey.toUtf8());
    m_transport.send(this, "GET", request, {}, [this](const WebAnswer &answer) {
        if (!answer.status) {
            setStatusText(QStringLiteral("Pull failed: ") + answer.error);
        } else if (*answer.status < 200 || *answer.status > 299) {
            setStatusText(
                QStringLiteral("Pull failed: server returned status ") + QString::number(*answer.status));
        } else {
            QString error;
            const std::optional<QList<ChecklistEntry>> entries = decodeChecklistEntries(answer.body, &error);
            if (!entries) {
                setStatusText(QStringLiteral("Pull failed: ") + error);
            } else {
                if (onCheckinsReceived)
                    onCheckinsReceived(*entries);
                setStatusText(
                    QStringLiteral("Pulled %1 entrie(s) at ").arg(entries->size()) + m_transport.timeOfDay());
            }
        }
        setPulling(false);
    });
}

void VexloChecklistPuller::setStatusText(const QString &text)
{
    m_statusText = text;
    emit statusTextChanged();
}

void VexloChecklistPuller::setPulling(bool pulling)
{
    if (m_isPulling == pulling)
        return;
    m_isPulling = pulling;
    emit isPullingChanged();
}
