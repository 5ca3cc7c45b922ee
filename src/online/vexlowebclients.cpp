#include "vexlowebclients.h"

#include "log.h"
#include "textchecks.h"
#include "vexlowebjson.h"

namespace {
QNetworkRequest bearerRequest(const QUrl &url, const QString &apiKey)
{
    QNetworkRequest request(url);
    request.setRawHeader("Authorization", "Bearer " + apiKey.toUtf8());
    return request;
}

QString invalidApiKeyText()
{
    return QStringLiteral("Invalid API key: it holds a line break or another control character");
}

bool isSuccess(const std::optional<int> &status)
{
    return status && *status >= 200 && *status <= 299;
}
} // namespace

VexloWebVerifier::VexloWebVerifier(VexloWebOptions options, QObject *parent)
    : QObject(parent)
    , m_transport(std::move(options))
{ }

void VexloWebVerifier::verifyKey(const QString &apiKey, std::function<void(bool)> done)
{
    if (apiKey.isEmpty()) {
        setStatusText(QStringLiteral("Enter an API key first"));
        if (done)
            done(false);
        return;
    }
    if (hasControlCharacter(apiKey)) {
        setStatusText(invalidApiKeyText());
        if (done)
            done(false);
        return;
    }
    setVerifying(true);
    const QNetworkRequest request = bearerRequest(m_transport.url(QStringLiteral("/api/verify.php")), apiKey);
    m_transport.send(this, "POST", request, {}, [this, done](const WebAnswer &answer) {
        const bool ok = isSuccess(answer.status);
        if (ok)
            setStatusText(QStringLiteral("Verified"));
        else if (answer.status)
            setStatusText(QStringLiteral("Verification failed: server returned status ")
                + QString::number(*answer.status));
        else
            setStatusText(QStringLiteral("Verification failed: ") + answer.error);
        setVerifying(false);
        if (done)
            done(ok);
    });
}

void VexloWebVerifier::setStatusText(const QString &text)
{
    m_statusText = text;
    emit statusTextChanged();
}

void VexloWebVerifier::setVerifying(bool verifying)
{
    if (m_isVerifying == verifying)
        return;
    m_isVerifying = verifying;
    emit isVerifyingChanged();
}

VexloWebEventsClient::VexloWebEventsClient(VexloWebOptions options, QObject *parent)
    : QObject(parent)
    , m_transport(std::move(options))
{ }

void VexloWebEventsClient::fetchEvent(
    const EventsRequest &request, std::function<void(std::optional<VexloWebEvent>)> done)
{
    auto fail = [this, done](const QString &status) {
        setStatusText(status);
        setLoading(false);
        if (done)
            done(std::nullopt);
    };
    if (request.apiKey.isEmpty()) {
        setStatusText(QStringLiteral("Enter an API key first"));
        if (done)
            done(std::nullopt);
        return;
    }
    if (hasControlCharacter(request.apiKey)) {
        setStatusText(invalidApiKeyText());
        if (done)
            done(std::nullopt);
        return;
    }
    setLoading(true);
    QNetworkRequest http = bearerRequest(m_transport.url(QStringLiteral("/api/events.php")), request.apiKey);
    http.setRawHeader("Content-Type", "application/json");
    m_transport.send(
        this, "POST", http, eventsRequestBody(request), [this, done, fail](const WebAnswer &answer) {
            if (!answer.status)
                return fail(QStringLiteral("Fetch failed: ") + answer.error);
            if (!isSuccess(answer.status))
                return fail(QStringLiteral("Fetch failed: server returned status ")
                    + QString::number(*answer.status));
            QString error;
            std::optional<VexloWebEvent> event = decodeVexloWebEvent(answer.body, &error);
            if (!event) {
                // The body may hold the check-in key: only its size is logged.
                logLine(QStringLiteral("VexloWebEventsClient: decode failed: %1; body of %2 bytes not logged")
                            .arg(error)
                            .arg(answer.body.size()));
                return fail(QStringLiteral("Decode failed: ") + error);
            }
            m_event = event;
            emit eventChanged();
            setStatusText(QStringLiteral("Fetched at ") + m_transport.timeOfDay());
            setLoading(false);
            if (done)
                done(event);
        });
}

void VexloWebEventsClient::setStatusText(const QString &text)
{
    m_statusText = text;
    emit statusTextChanged();
}

void VexloWebEventsClient::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    m_isLoading = loading;
    emit isLoadingChanged();
}
