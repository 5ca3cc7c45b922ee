#include "livepublishers.h"

#include "textchecks.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

class QtBatchTimer : public BatchTimer
{
public:
    QtBatchTimer() { m_timer.setTimerType(Qt::CoarseTimer); }
    void start(int periodMs, std::function<void()> tick) override
    {
        m_timer.disconnect();
        QObject::connect(&m_timer, &QTimer::timeout, std::move(tick));
        m_timer.start(periodMs);
    }
    void stop() override { m_timer.stop(); }
    std::optional<int> periodMs() const override
    {
        return m_timer.isActive() ? std::optional<int>(m_timer.interval()) : std::nullopt;
    }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<BatchTimer> makeBatchTimer()
{
    return std::make_unique<QtBatchTimer>();
}

LivePublisher::LivePublisher(PublishingSettings *settings, std::unique_ptr<BatchTimer> timer, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_timer(timer ? std::move(timer) : makeBatchTimer())
{
    auto reschedule
        = [this] { rescheduleTimer(m_settings->enabled(), m_settings->publishIntervalSeconds()); };
    connect(m_settings, &PublishingSettings::enabledChanged, this, reschedule);
    connect(m_settings, &PublishingSettings::publishIntervalSecondsChanged, this, reschedule);
    reschedule();
}

void LivePublisher::raceDidChange(const Race &race)
{
    if (m_settings->enabled() && !m_settings->competitionId().isEmpty())
        m_pendingRace = race;
}

void LivePublisher::rescheduleTimer(bool enabled, double intervalSeconds)
{
    m_timer->stop();
    if (!enabled) {
        m_pendingRace.reset();
        return;
    }
    // Not-a-number runs at the floor; the ceiling keeps the period within QTimer's int range.
    const double seconds = std::isnan(intervalSeconds)
        ? minimumPeriodSeconds
        : std::clamp(intervalSeconds, minimumPeriodSeconds, 2e6);
    // The tick runs from the event loop, never inside a settings assignment.
    m_timer->start(int(std::lround(seconds * 1000)), [this] { publishPending(); });
}

void LivePublisher::setStatusText(const QString &text)
{
    m_statusText = text;
    emit statusTextChanged();
}

void LivePublisher::setPublishing(bool publishing)
{
    if (m_isPublishing == publishing)
        return;
    m_isPublishing = publishing;
    emit isPublishingChanged();
}

std::optional<Race> LivePublisher::takePendingRace()
{
    std::optional<Race> race = std::move(m_pendingRace);
    m_pendingRace.reset();
    return race;
}

void LivePublisher::putBack(Race race)
{
    if (!m_pendingRace)
        m_pendingRace = std::move(race);
}

LiveResultatPublisher::LiveResultatPublisher(
    LiveResultatSettings *settings, LiveResultatPublisherOptions options, QObject *parent)
    : LivePublisher(settings, std::move(options.timer), parent)
    , m_settings(settings)
    , m_ownNetwork(options.network ? nullptr : std::make_unique<QNetworkAccessManager>())
    , m_network(options.network ? options.network : m_ownNetwork.get())
    , m_clock(options.clock ? std::move(options.clock) : [] { return QTime::currentTime(); })
    , m_timeoutMs(options.timeoutMs)
{ }

LiveResultatPublisher::~LiveResultatPublisher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void LiveResultatPublisher::publishPending()
{
    if (m_reply) {
        // Waits for the upload in flight; the pending race stays until then.
        m_tickWaiting = true;
        return;
    }
    std::optional<Race> race = takePendingRace();
    if (race)
        publish(std::move(*race), hasEstablishedBaseline());
}

void LiveResultatPublisher::publishNow(const Race &race)
{
    if (m_settings->competitionId().isEmpty()) {
        setStatusText(QStringLiteral("Set a competition id first"));
        return;
    }
    clearPendingRace();
    if (m_reply) {
        m_publishNowWaiting = race;
        return;
    }
    publish(race, false);
}

void LiveResultatPublisher::publish(Race race, bool incremental)
{
    using namespace liveresultat;
    setPublishing(true);
    const std::optional<qint64> eventId = parseEventId(m_settings->competitionId());
    if (!eventId) {
        setStatusText(QStringLiteral("Invalid competition id (must be numeric \"eventid\")"));
        setPublishing(false);
        return;
    }
    if (hasControlCharacter(m_settings->passcode()) || passcodeLost()) {
        setStatusText(passcodeLost()
                ? passcodeLostText()
                : QStringLiteral("Invalid passcode: it holds a line break or another control character"));
        setPublishing(false);
        return;
    }
    Upload upload {std::move(race), *eventId, std::nullopt, {}, {}};

    // A baseline belongs to the competition it was accepted for: another competition starts
    // with a complete upload.
    QByteArray body;
    if (incremental && m_baseline && m_baseline->eventId == *eventId) {
        upload.changes = m_baseline->state.changesTo(upload.race);
        const Changes &changes = upload.changes;
        if (changes.runners.isEmpty() && changes.results.isEmpty()) {
            m_baseline->state.accept(upload.race, changes);
            setStatusText(QStringLiteral("No changes to publish at ") + timeOfDay());
            setPublishing(false);
            return;
        }
        body = diffUploadBody(*eventId, m_settings->passcode(), changes.runners, changes.results);
        upload.summary = QStringLiteral("%1 runner change(s), %2 result change(s)")
                             .arg(changes.runners.size())
                             .arg(changes.results.size());
    } else {
        const AcceptedState &state = upload.complete.emplace(upload.race);
        body = completeUploadBody(*eventId, m_settings->passcode(), makeUploadClasses(upload.race),
            state.runners(), state.results());
        upload.summary = QStringLiteral("%1 runner(s) (full sync)").arg(state.runners().size());
    }

    QNetworkRequest request(m_settings->uploadUrl());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(m_timeoutMs);
    // A redirect is an answer other than acceptance, not something to follow with the passcode.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = m_network->post(request, body);
    m_reply = reply;
    auto shared = std::make_shared<Upload>(std::move(upload));
    auto settle = [this, reply, shared] {
        if (m_reply != reply)
            return;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const bool answered = status.isValid();
        if (!answered && reply->isRunning())
            return;
        m_reply.clear();
        reply->disconnect(this);
        // The body is not wanted: stop receiving it.
        if (reply->isRunning())
            reply->abort();
        reply->deleteLater();
        if (answered)
            finish(*shared, status.toInt(), QString());
        else if (reply->error() == QNetworkReply::OperationCanceledError
            || reply->error() == QNetworkReply::TimeoutError)
            // Only the transfer time-out cancels a reply still connected here.
            finish(*shared, std::nullopt, {}, true);
        else if (reply->error() != QNetworkReply::NoError)
            finish(*shared, std::nullopt, reply->errorString());
        else
            finish(*shared, -1, QString());
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, settle);
    connect(reply, &QNetworkReply::finished, this, settle);
}

void LiveResultatPublisher::finish(
    Upload &upload, std::optional<int> status, const QString &error, bool timedOut)
{
    if (status && *status >= 200 && *status <= 299) {
        // A diff went out only against the baseline of its competition, which nothing else
        // replaces while it is in flight.
        if (upload.complete)
            m_baseline = Baseline {upload.eventId, std::move(*upload.complete)};
        else if (m_baseline)
            m_baseline->state.accept(upload.race, upload.changes);
        setStatusText(QStringLiteral("Published ") + upload.summary + QStringLiteral(" at ") + timeOfDay());
    } else {
        if (timedOut)
            setStatusText(noAnswerText());
        else
            setStatusText(status
                    ? QStringLiteral("Publish failed: server returned status ") + QString::number(*status)
                    : QStringLiteral("Publish failed: ") + error);
        // The baseline stays, so the next diff repeats everything not yet accepted.
        putBack(upload.race);
    }
    setPublishing(false);
    runWaiting();
}

void LiveResultatPublisher::runWaiting()
{
    if (m_publishNowWaiting) {
        std::optional<Race> race = std::move(m_publishNowWaiting);
        m_publishNowWaiting.reset();
        m_tickWaiting = false;
        publishNow(*race);
    } else if (m_tickWaiting) {
        m_tickWaiting = false;
        publishPending();
    }
}

QString LiveResultatPublisher::timeOfDay() const
{
    return m_clock().toString(QStringLiteral("HH:mm:ss"));
}
