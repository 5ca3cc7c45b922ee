#include "metsapublisher.h"

#include "textchecks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>
#include <cmath>

namespace {

// A JSON number that is a whole number; 0 for anything else.
qint64 wholeNumber(const QJsonValue &value)
{
    const double d = value.toDouble(0.5);
    return value.isDouble() && std::trunc(d) == d && std::fabs(d) < 9e15 ? qint64(d) : 0;
}

} // namespace

MetsaPublisher::MetsaPublisher(MetsaSettings *settings, MetsaPublisherOptions options, QObject *parent)
    : LivePublisher(settings, std::move(options.timer), parent)
    , m_settings(settings)
    , m_ownNetwork(options.network ? nullptr : std::make_unique<QNetworkAccessManager>())
    , m_network(options.network ? options.network : m_ownNetwork.get())
    , m_clock(options.clock ? std::move(options.clock) : [] { return QTime::currentTime(); })
    , m_timeoutMs(options.timeoutMs)
{ }

MetsaPublisher::~MetsaPublisher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

std::optional<QUrl> MetsaPublisher::uploadUrl() const
{
    const QString &id = m_settings->competitionId();
    // A dot segment would be resolved away on the way to the server.
    if (id.isEmpty() || id == u"." || id == u".." || hasControlCharacter(id))
        return std::nullopt;
    QUrl url(m_settings->serviceBase());
    url.setPath(url.path() + QStringLiteral("/api/v1/competitions/")
            + QString::fromLatin1(QUrl::toPercentEncoding(id)) + QStringLiteral("/uploads"),
        QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

void MetsaPublisher::publishPending()
{
    if (m_reply) {
        // Runs when the upload in flight ends; the pending race stays until then.
        m_tickWaiting = true;
        return;
    }
    if (std::optional<Race> race = takePendingRace())
        publish(std::move(*race));
}

void MetsaPublisher::publishNow(const Race &race)
{
    if (m_settings->competitionId().isEmpty()) {
        setStatusText(QStringLiteral("Set the competition id first"));
        return;
    }
    clearPendingRace();
    if (m_reply) {
        putBack(race);
        m_tickWaiting = true;
        return;
    }
    publish(race);
}

void MetsaPublisher::publish(Race race)
{
    setPublishing(true);
    // Refused settings drop the race: retrying cannot help until the user changes them.
    auto refuse = [this](const QString &text) {
        setStatusText(text);
        setPublishing(false);
    };
    if (m_settings->competitionId().isEmpty())
        return refuse(QStringLiteral("Set the competition id first"));
    const std::optional<QUrl> url = uploadUrl();
    if (!url)
        return refuse(QStringLiteral("Invalid competition id"));
    if (hasControlCharacter(m_settings->passcode()))
        return refuse(QStringLiteral("Invalid password: it holds a line break or another control character"));
    if (passcodeLost())
        return refuse(passcodeLostText());

    QNetworkRequest request(*url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/xml"));
    request.setRawHeader("Authorization", "Bearer " + m_settings->passcode().toUtf8());
    request.setTransferTimeout(m_timeoutMs);
    // A redirect is an answer, not something to follow with the password.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const QByteArray body = buildResultListUtf8(race);
    m_sending = std::move(race);
    m_answer.clear();
    m_answerCut = false;
    QNetworkReply *reply = m_network->post(request, body);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        m_answer += reply->read(maxAnswerBytes - m_answer.size());
        if (reply->bytesAvailable() > 0) {
            // The rest of an oversized answer is not waited for.
            m_answerCut = true;
            settle(reply);
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { settle(reply); });
}

void MetsaPublisher::settle(QNetworkReply *reply)
{
    if (reply != m_reply)
        return;
    m_reply.clear();
    reply->disconnect(this);
    if (!m_answerCut)
        m_answer += reply->read(maxAnswerBytes - m_answer.size());
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
    Race race = std::move(*m_sending);
    m_sending.reset();

    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    bool accepted = false;
    if (status.isValid()) {
        const int code = status.toInt();
        accepted = code >= 200 && code <= 299;
        setStatusText(accepted ? successSummary(m_answer, m_clock())
                               : QStringLiteral("Publish failed: ") + statusMessage(code, m_answer));
    } else if (reply->error() == QNetworkReply::OperationCanceledError
        || reply->error() == QNetworkReply::TimeoutError) {
        // Only the transfer time-out cancels a reply that is still connected here.
        setStatusText(noAnswerText());
    } else if (reply->error() != QNetworkReply::NoError) {
        setStatusText(QStringLiteral("Publish failed: ") + reply->errorString());
    } else {
        setStatusText(QStringLiteral("Publish failed: no HTTP response"));
    }
    // A failed upload waits for the next tick, unless a newer race already does.
    if (!accepted)
        putBack(std::move(race));
    m_answer.clear();
    setPublishing(false);
    runWaiting();
}

void MetsaPublisher::runWaiting()
{
    if (m_tickWaiting) {
        m_tickWaiting = false;
        publishPending();
    }
}

QString MetsaPublisher::statusMessage(int status, const QByteArray &body)
{
    QString text;
    switch (status) {
    case 400:
        text = QStringLiteral("competition id is not numeric");
        break;
    case 401:
        text = QStringLiteral("wrong password");
        break;
    case 404:
        text = QStringLiteral("no such competition");
        break;
    case 413:
        text = QStringLiteral("upload too large (over 32 MiB)");
        break;
    case 415:
        text = QStringLiteral("wrong content type/encoding");
        break;
    case 422:
        text = QStringLiteral("not a valid IOF XML entry/start/result list");
        break;
    case 500:
        text = QStringLiteral("server could not apply the upload — retry");
        break;
    case 503:
        text = QStringLiteral("server not taking uploads right now — retry later");
        break;
    default:
        text = QStringLiteral("server returned status ") + QString::number(status);
        break;
    }
    const std::optional<QString> detail = errorDetail(body);
    if (detail && !detail->isEmpty())
        text += QStringLiteral(" (") + *detail + QLatin1Char(')');
    return text;
}

std::optional<QString> MetsaPublisher::errorDetail(const QByteArray &body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    for (const char *key : {"detail", "title"}) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isString())
            return value.toString();
    }
    return std::nullopt;
}

QString MetsaPublisher::successSummary(const QByteArray &body, const QTime &now)
{
    const QString at = QStringLiteral(" at ") + now.toString(QStringLiteral("HH:mm:ss"));
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (!document.isObject())
        return QStringLiteral("Published") + at;
    const QJsonObject o = document.object();
    QString text = QStringLiteral("Published %1 person(s), %2 class(es)")
                       .arg(wholeNumber(o.value(QStringLiteral("persons"))))
                       .arg(wholeNumber(o.value(QStringLiteral("classes"))));
    const QJsonValue changed = o.value(QStringLiteral("changed"));
    if (changed.isBool() && !changed.toBool())
        text += QStringLiteral(" (unchanged)");
    const qsizetype warnings = o.value(QStringLiteral("warnings")).toArray().size();
    if (warnings > 0)
        text += QStringLiteral(" — %1 warning(s)").arg(warnings);
    return text + at;
}
