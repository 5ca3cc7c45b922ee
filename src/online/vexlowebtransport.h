#pragma once

// What the three Vexlo Web clients share: where the service is, one request with its answer read
// whole (up to a cap), and the time of day for their status lines.

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QPointer>
#include <QString>
#include <QTime>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QObject;
class QSettings;

struct VexloWebOptions
{
    // Empty: the service's own address. Paths such as "/api/verify.php" go below it.
    QUrl baseUrl;
    // Null: the client's own.
    QNetworkAccessManager *network = nullptr;
    // The time of day in status texts. Empty: the local clock.
    std::function<QTime()> clock;
    // A request without an answer by then fails.
    int timeoutMs = 60000;
    // An answer whose body grows past this is dropped rather than held in memory.
    qint64 maxBodyBytes = 8 * 1024 * 1024;
};

// The service's address: the "vexloWebBaseUrl" setting when present, else the service's own.
[[nodiscard]] VexloWebOptions vexloWebOptionsFrom(const QSettings &settings);
[[nodiscard]] QUrl vexloWebUrl(const QUrl &baseUrl, const QString &path);

// The outcome of one request: an HTTP status with the body read so far, or a failure before
// any status arrived.
struct WebAnswer
{
    // -1 when the answer was not HTTP; nothing when the request failed (see `error`).
    std::optional<int> status;
    QString error;
    QByteArray body;
};

class WebTransport
{
public:
    explicit WebTransport(VexloWebOptions options);
    ~WebTransport();
    WebTransport(const WebTransport &) = delete;
    WebTransport &operator=(const WebTransport &) = delete;

    [[nodiscard]] QUrl url(const QString &path) const { return vexloWebUrl(m_options.baseUrl, path); }
    [[nodiscard]] QString timeOfDay() const;

    // Sends the request and calls `done` once, later, on `context`'s thread (never once `context`
    // or this transport is gone). Redirects are not followed: the key must not travel on.
    void send(QObject *context, const QByteArray &verb, QNetworkRequest request, const QByteArray &body,
        std::function<void(const WebAnswer &)> done);

private:
    VexloWebOptions m_options;
    std::unique_ptr<QNetworkAccessManager> m_ownNetwork;
    QNetworkAccessManager *m_network;
    QList<QPointer<QNetworkReply>> m_replies;
};
