#pragma once

// The far end of a station link as the protocol describes it, built here from that description:
// TLS 1.2 with an ECDHE-PSK cipher and no certificates, the pre-shared key PBKDF2-HMAC-SHA256 of
// the canonical station key (salt "vexlo station sync key v1", 100,000 iterations, 32 bytes).
// Used to play proven peers that misbehave, strangers with a wrong key, and masters that go
// silent.

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QPasswordDigestor>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslPreSharedKeyAuthenticator>
#include <QSslSocket>
#include <QTcpServer>
#include <QtEndian>

#include <functional>
#include <memory>

inline const QString testStationKey = QStringLiteral("7KQM-2D9X-HC4P");
inline const QString otherStationKey = QStringLiteral("ZZZZ-ZZZZ-ZZZZ");

inline QByteArray pskOf(const QString &canonicalKey)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, canonicalKey.toUtf8(),
        QByteArrayLiteral("vexlo station sync key v1"), 100000, 32);
}

inline QSslConfiguration pskConfiguration()
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setProtocol(QSsl::TlsV1_2);
    configuration.setCiphers({QSslCipher(QStringLiteral("ECDHE-PSK-CHACHA20-POLY1305"))});
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

inline QByteArray frameOf(const QByteArray &body)
{
    QByteArray out(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body.size()), out.data());
    return out + body;
}

// Runs the event loop until `done` or `ms` pass.
inline bool spinUntil(const std::function<bool()> &done, int ms = testwaits::ceilingMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A client that starts the handshake with `key` (raw pre-shared key bytes).
inline std::unique_ptr<QSslSocket> pskClient(quint16 port, const QByteArray &key)
{
    auto socket = std::make_unique<QSslSocket>();
    socket->setSslConfiguration(pskConfiguration());
    QObject::connect(socket.get(), &QSslSocket::preSharedKeyAuthenticationRequired,
        [key](QSslPreSharedKeyAuthenticator *authenticator) {
            authenticator->setIdentity("test");
            authenticator->setPreSharedKey(key);
        });
    socket->connectToHostEncrypted(QStringLiteral("127.0.0.1"), port);
    return socket;
}

// A master's listening end that completes the handshake with `key` and then does whatever the
// test makes it do with each accepted socket (by default: nothing at all, ever).
class PskServer : public QTcpServer
{
public:
    explicit PskServer(const QByteArray &key)
        : m_key(key)
    {
        listen(QHostAddress::LocalHost, 0);
    }
    std::function<void(QSslSocket *)> onEncrypted;
    QList<QSslSocket *> sockets;
    int handshakes = 0;

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QSslSocket(this);
        socket->setSslConfiguration(pskConfiguration());
        connect(socket, &QSslSocket::preSharedKeyAuthenticationRequired, this,
            [this](QSslPreSharedKeyAuthenticator *authenticator) { authenticator->setPreSharedKey(m_key); });
        connect(socket, &QSslSocket::encrypted, this, [this, socket] {
            ++handshakes;
            if (onEncrypted)
                onEncrypted(socket);
        });
        socket->setSocketDescriptor(descriptor);
        sockets.append(socket);
        socket->startServerEncryption();
    }

private:
    QByteArray m_key;
};
