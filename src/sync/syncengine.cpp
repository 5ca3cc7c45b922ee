#include "syncengine.h"

#include "log.h"
#include "syncmessage.h"

#include <algorithm>

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// One TCP connection to another station and its frame reader. It reports each complete body,
// and once that it is gone (error, end of stream, or a frame too large to accept).
class SyncPeer : public QObject, public SyncConnection
{
    Q_OBJECT

public:
    SyncPeer(QTcpSocket *socket, QObject *parent)
        : QObject(parent)
        , m_socket(socket)
    {
        m_socket->setParent(this);
        connect(m_socket, &QTcpSocket::connected, this, &SyncPeer::ready);
        connect(m_socket, &QTcpSocket::readyRead, this, &SyncPeer::readAvailable);
        connect(m_socket, &QTcpSocket::disconnected, this, [this] { finish(); });
        connect(m_socket, &QTcpSocket::errorOccurred, this, [this] { finish(); });
    }

    void send(const QByteArray &frame) override
    {
        if (!m_closed)
            m_socket->write(frame);
    }

    void close()
    {
        m_closed = true;
        disconnect(m_socket, nullptr, this, nullptr);
        m_socket->abort();
    }

    [[nodiscard]] bool isReady() const override
    {
        return m_socket->state() == QAbstractSocket::ConnectedState;
    }
    [[nodiscard]] QString describe() const override
    {
        QHostAddress address = m_socket->peerAddress();
        bool mapped = false;
        const quint32 ipv4 = address.toIPv4Address(&mapped);
        if (mapped) // an IPv4 peer on the dual-stack listener
            address = QHostAddress(ipv4);
        return address.toString() + QLatin1Char(':') + QString::number(m_socket->peerPort());
    }

signals:
    void ready();
    void received(const QByteArray &body);
    void gone();

private:
    void readAvailable()
    {
        const QList<QByteArray> bodies = m_reader.feed(m_socket->readAll());
        QPointer<SyncPeer> self(this);
        for (const QByteArray &body : bodies) {
            // A handler may stop the engine, which closes this peer.
            if (!self || m_closed)
                return;
            emit received(body);
        }
        if (self && m_reader.failed()) {
            logLine(
                QStringLiteral("SyncEngine: closed the connection from %1: it announced a frame of %2 bytes")
                    .arg(describe())
                    .arg(m_reader.refusedLength()));
            finish();
        }
    }

    void finish()
    {
        if (m_closed)
            return;
        close();
        emit gone();
    }

    QTcpSocket *m_socket;
    SyncFrameReader m_reader;
    bool m_closed = false;
};

SyncEngine::SyncEngine(QObject *parent)
    : SyncEngine(makeAvahiServiceDiscovery, parent)
{ }

SyncEngine::SyncEngine(ServiceDiscoveryFactory discovery, QObject *parent)
    : QObject(parent)
    , m_discoveryFactory(std::move(discovery))
{
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, [this] {
        if (m_role != StationRole::Slave || !m_isRunning || !m_connections.isEmpty())
            return;
        // The master we knew, where discovery still shows it (its port may be new), else
        // whatever discovery shows, else its last address.
        std::optional<DiscoveredService> target;
        for (const DiscoveredService &service : std::as_const(m_services))
            if (m_knownMaster && service.name == m_knownMaster->name)
                target = service;
        if (!target && !m_services.isEmpty())
            target = m_services.first();
        if (!target)
            target = m_knownMaster;
        if (target)
            connectTo(*target);
    });
}

SyncEngine::~SyncEngine()
{
    stop();
}

quint16 SyncEngine::listenPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

void SyncEngine::setReconnectDelays(std::chrono::milliseconds first, std::chrono::milliseconds longest)
{
    m_firstDelay = first;
    m_longestDelay = longest;
    m_nextDelay = first;
}

void SyncEngine::start(StationRole role, const QString &stationId, const QString &serviceName)
{
    stop();
    m_role = role;
    m_stationId = stationId;
    switch (role) {
    case StationRole::Standalone:
        setStatusText(QStringLiteral("Not started"));
        break;
    case StationRole::Master:
        startMaster(serviceName);
        break;
    case StationRole::Slave:
        startSlave(serviceName);
        break;
    }
}

void SyncEngine::stop()
{
    m_reconnectTimer.stop();
    m_nextDelay = m_firstDelay;
    // Everything under way is disconnected before it goes, so that no late report from an old
    // connection, browse or listener can change the state of a later start.
    m_discovery.reset();
    if (m_server) {
        m_server->disconnect(this);
        m_server->close();
        m_server->deleteLater();
        m_server = nullptr;
    }
    const bool hadPeers = !m_connections.isEmpty();
    for (SyncPeer *peer : std::as_const(m_ownedPeers)) {
        peer->disconnect(this);
        peer->close();
        peer->deleteLater();
    }
    m_ownedPeers.clear();
    m_connections.clear();
    m_services.clear();
    m_knownMaster.reset();
    if (hadPeers)
        emit connectedStationCountChanged();
    setRunning(false);
    setStatusText(QStringLiteral("Not started"));
}

void SyncEngine::startMaster(const QString &serviceName)
{
    auto *server = new QTcpServer(this);
    if (!server->listen(QHostAddress::Any, 0)) {
        logLine(QStringLiteral("SyncEngine: could not listen: ") + server->errorString());
        delete server;
        setStatusText(QStringLiteral("Failed to start listener"));
        return;
    }
    m_server = server;
    connect(m_server, &QTcpServer::newConnection, this, &SyncEngine::acceptConnections);
    setRunning(true);
    setStatusText(QStringLiteral("Master running, advertising \"%1\"").arg(serviceName));
    m_discovery = m_discoveryFactory();
    connect(m_discovery.get(), &ServiceDiscovery::failed, this,
        [this](const QString &error) { setStatusText(QStringLiteral("Master failed: ") + error); });
    m_discovery->advertise(serviceName, m_server->serverPort());
}

void SyncEngine::acceptConnections()
{
    while (m_server && m_server->hasPendingConnections()) {
        QTcpSocket *socket = m_server->nextPendingConnection();
        addPeer(new SyncPeer(socket, this));
    }
}

void SyncEngine::startSlave(const QString &serviceName)
{
    setRunning(true);
    m_discovery = m_discoveryFactory();
    connect(m_discovery.get(), &ServiceDiscovery::ready, this, [this, serviceName] {
        if (m_connections.isEmpty())
            setStatusText(QStringLiteral("Searching for master \"%1\"...").arg(serviceName));
    });
    connect(m_discovery.get(), &ServiceDiscovery::failed, this,
        [this](const QString &error) { setStatusText(QStringLiteral("Browse failed: ") + error); });
    connect(m_discovery.get(), &ServiceDiscovery::servicesChanged, this,
        [this](const QList<DiscoveredService> &services) {
            m_services = services;
            if (m_connections.isEmpty() && !services.isEmpty()) {
                m_reconnectTimer.stop();
                connectTo(services.first());
            }
        });
    m_discovery->browse();
}

void SyncEngine::connectTo(const DiscoveredService &service)
{
    auto *socket = new QTcpSocket;
    auto *peer = new SyncPeer(socket, this);
    m_knownMaster = service;
    addPeer(peer);
    socket->connectToHost(service.host, service.port);
}

void SyncEngine::scheduleReconnect()
{
    if (m_role != StationRole::Slave || !m_isRunning || m_reconnectTimer.isActive())
        return;
    m_reconnectTimer.start(m_nextDelay);
    m_nextDelay = std::min(m_nextDelay * 2, m_longestDelay);
}

void SyncEngine::addPeer(SyncPeer *peer)
{
    connect(peer, &SyncPeer::ready, this, [this, peer] { connectionReady(peer); });
    connect(peer, &SyncPeer::received, this, [this, peer](const QByteArray &body) { receive(peer, body); });
    connect(peer, &SyncPeer::gone, this, [this, peer] {
        removeConnection(peer);
        peer->deleteLater();
    });
    m_ownedPeers.append(peer);
    addConnection(peer);
}

void SyncEngine::addConnection(SyncConnection *connection)
{
    m_connections.append(connection);
    emit connectedStationCountChanged();
}

void SyncEngine::removeConnection(SyncConnection *connection)
{
    if (m_connections.removeAll(connection) == 0)
        return;
    if (SyncPeer *peer = ownedPeer(connection)) {
        peer->disconnect(this);
        m_ownedPeers.removeAll(peer);
    }
    emit connectedStationCountChanged();
    if (m_role == StationRole::Slave && m_isRunning) {
        setStatusText(QStringLiteral("Disconnected from master — searching..."));
        scheduleReconnect();
    }
}

SyncPeer *SyncEngine::ownedPeer(SyncConnection *connection) const
{
    for (SyncPeer *peer : m_ownedPeers)
        if (static_cast<SyncConnection *>(peer) == connection)
            return peer;
    return nullptr;
}

void SyncEngine::connectionReady(SyncConnection *peer)
{
    if (m_role != StationRole::Slave)
        return;
    m_nextDelay = m_firstDelay;
    setStatusText(QStringLiteral("Connected to master"));
    if (const auto hello
        = frameSyncMessage({SyncMessageKind::Hello, m_stationId, std::nullopt, std::nullopt}))
        peer->send(*hello);
    // What the master may not have: everything its snapshots do not hold yet.
    for (const PersonResult &result : std::as_const(m_outbox))
        if (const auto frame
            = frameSyncMessage({SyncMessageKind::SubmitResult, m_stationId, std::nullopt, result}))
            peer->send(*frame);
}

void SyncEngine::receive(SyncConnection *peer, const QByteArray &body)
{
    // A body that is not a message of ours is dropped; the connection keeps being read.
    std::optional<SyncMessage> message = decodeSyncMessage(body);
    if (!message)
        return;
    const auto dropped = [&](const char *what) {
        logLine(QStringLiteral("SyncEngine: dropped %1 from %2 (station %3): not for a %4")
                    .arg(QLatin1String(what), peer->describe(), message->stationId, toText(m_role)));
    };
    switch (message->kind) {
    case SyncMessageKind::Hello:
        if (m_role != StationRole::Master) {
            dropped("a hello");
            return;
        }
        if (currentRace) {
            if (const auto race = currentRace())
                if (const auto frame
                    = frameSyncMessage({SyncMessageKind::Snapshot, m_stationId, *race, std::nullopt}))
                    peer->send(*frame);
        }
        return;
    case SyncMessageKind::Snapshot: {
        if (m_role != StationRole::Slave) {
            dropped("a snapshot");
            return;
        }
        if (!message->race)
            return;
        Race race = std::move(*message->race);
        // Results the master does not hold yet stay in the slave's race; those it holds leave
        // the outbox.
        QList<PersonResult> pending;
        for (const PersonResult &result : std::as_const(m_outbox)) {
            const bool held = std::any_of(race.results.cbegin(), race.results.cend(),
                [&](const PersonResult &stored) { return stored.id == result.id; });
            if (!held) {
                pending.append(result);
                race.results.append(result);
            }
        }
        m_outbox = pending;
        if (onSnapshotReceived)
            onSnapshotReceived(race);
        return;
    }
    case SyncMessageKind::SubmitResult:
        if (m_role != StationRole::Master) {
            dropped("a result");
            return;
        }
        if (message->result && onResultSubmitted)
            onResultSubmitted(*message->result);
        return;
    }
}

void SyncEngine::broadcastSnapshot(const Race &race)
{
    if (m_role != StationRole::Master || m_connections.isEmpty())
        return;
    // Encoded and framed once, however many slaves there are.
    const auto frame = frameSyncMessage({SyncMessageKind::Snapshot, m_stationId, race, std::nullopt});
    if (!frame)
        return;
    for (SyncConnection *connection : std::as_const(m_connections))
        connection->send(*frame);
}

void SyncEngine::submitResult(const PersonResult &result)
{
    if (m_role != StationRole::Slave)
        return;
    const auto same = [&](const PersonResult &queued) { return queued.id == result.id; };
    const auto it = std::find_if(m_outbox.begin(), m_outbox.end(), same);
    if (it != m_outbox.end())
        *it = result;
    else
        m_outbox.append(result);
    if (m_connections.isEmpty() || !m_connections.first()->isReady())
        return;
    if (const auto frame
        = frameSyncMessage({SyncMessageKind::SubmitResult, m_stationId, std::nullopt, result}))
        m_connections.first()->send(*frame);
}

void SyncEngine::setRunning(bool running)
{
    if (m_isRunning == running)
        return;
    m_isRunning = running;
    emit isRunningChanged();
}

void SyncEngine::setStatusText(const QString &text)
{
    if (m_statusText == text)
        return;
    m_statusText = text;
    emit statusTextChanged();
}

#include "syncengine.moc"
