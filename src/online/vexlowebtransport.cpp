#include "vexlowebtransport.h"

#include "settingsvalues.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {
const QString serviceAddress = QStringLiteral("https://web.vexlo.app");
} // namespace

VexloWebOptions vexloWebOptionsFrom(const QSettings &settings)
{
    VexloWebOptions options;
    options.baseUrl = QUrl(readString(settings, QStringLiteral("vexloWebBaseUrl")));
    return options;
}

QUrl vexloWebUrl(const QUrl &baseUrl, const QString &path)
{
    QString base = baseUrl.isEmpty() ? serviceAddress : baseUrl.toString();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + path);
}

WebTransport::WebTransport(VexloWebOptions options)
    : m_options(std::move(options))
    , m_ownNetwork(m_options.network ? nullptr : std::make_unique<QNetworkAccessManager>())
    , m_network(m_options.network ? m_options.network : m_ownNetwork.get())
{
    if (!m_options.clock)
        m_options.clock = [] { return QTime::currentTime(); };
}

WebTransport::~WebTransport()
{
    // Nothing answers into a client that is gone, and no reply waits on a shared manager.
    for (const QPointer<QNetworkReply> &reply : std::as_const(m_replies)) {
        if (reply) {
            reply->disconnect();
            reply->abort();
            reply->deleteLater();
        }
    }
}

QString WebTransport::timeOfDay() const
{
    return m_options.clock().toString(QStringLiteral("HH:mm:ss"));
}

void WebTransport::send(QObject *context, const QByteArray &verb, QNetworkRequest request,
    const QByteArray &body, std::function<void(const WebAnswer &)> done)
{
    request.setTransferTimeout(m_options.timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = body.isEmpty() && verb == "GET"
        ? m_network->get(request)
        : m_network->sendCustomRequest(request, verb, body);
    m_replies.removeAll(nullptr);
    m_replies.append(reply);
    struct Received
    {
        QByteArray body;
        bool tooLarge = false;
    };
    auto received = std::make_shared<Received>();
    const qint64 cap = m_options.maxBodyBytes;
    // Reads what has arrived; past the cap the body is dropped and the transfer stopped.
    auto take = [reply, received, cap] {
        if (received->tooLarge)
            return;
        if (received->body.size() + reply->bytesAvailable() > cap) {
            received->tooLarge = true;
            received->body.clear();
            reply->abort();
            return;
        }
        received->body += reply->readAll();
    };
    QObject::connect(reply, &QNetworkReply::readyRead, context, take);
    QObject::connect(reply, &QNetworkReply::finished, context, [reply, received, cap, done, take] {
        take();
        reply->disconnect();
        reply->deleteLater();
        WebAnswer answer;
        if (received->tooLarge) {
            answer.error = QStringLiteral("the answer is larger than %1 MB").arg(cap / (1024 * 1024));
            return done(answer);
        }
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        const bool success = status.isValid() && status.toInt() >= 200 && status.toInt() <= 299;
        if (status.isValid() && !(success && reply->error() != QNetworkReply::NoError)) {
            answer.status = status.toInt();
            answer.body = received->body;
        } else if (reply->error() == QNetworkReply::OperationCanceledError
            || reply->error() == QNetworkReply::TimeoutError) {
            // The transfer time-out: the client's own aborts disconnect first or say why above.
            answer.error = QStringLiteral("the server did not answer in time");
        } else if (reply->error() != QNetworkReply::NoError) {
            // Also a success whose body was cut off: the answer is incomplete.
            answer.error = reply->errorString();
        } else {
            answer.status = -1;
        }
        done(answer);
    });
}
