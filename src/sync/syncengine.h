#pragma once

// The local-network exchange of the race between stations: one master, any number of slaves.
//
// A master listens on a TCP port the system chooses and advertises it by zero-conf; after every
// change of its race it sends the whole race to every slave, and it answers a slave's hello with
// the race so that a new slave never works on a stale event. A slave browses for the service,
// connects, says hello and submits every result it records. Results a slave records while it has
// no connection wait in its outbox and are sent when it is connected again; they stay in the
// slave's race until a snapshot from the master holds them, so no result read at a slave is lost.
//
// Everything that arrives from the network is untrusted: frames are capped, messages validated,
// and a message of the wrong kind for the role is logged and dropped.

#include "race.h"
#include "servicediscovery.h"
#include "stationsettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QTcpServer;
class SyncPeer;

// One open connection to another station. Sends are fire-and-forget: failures are not observed.
class SyncConnection
{
public:
    virtual ~SyncConnection() = default;
    virtual void send(const QByteArray &frame) = 0;
    // False while a connection to the master is still being made.
    [[nodiscard]] virtual bool isReady() const { return true; }
    // Who is at the other end, for log lines.
    [[nodiscard]] virtual QString describe() const { return QStringLiteral("a station"); }
};

class SyncEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(int connectedStationCount READ connectedStationCount NOTIFY connectedStationCountChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)

public:
    // Discovery through the system's Avahi daemon.
    explicit SyncEngine(QObject *parent = nullptr);
    // Discovery from `discovery` (one object per start); tests pass a directory of their own.
    explicit SyncEngine(ServiceDiscoveryFactory discovery, QObject *parent = nullptr);
    ~SyncEngine() override;

    // Called on the main thread for each snapshot that carries a race (on a slave) and for each
    // submitted result (on the master). Installing replaces any earlier callback.
    std::function<void(const Race &)> onSnapshotReceived;
    std::function<void(const PersonResult &)> onResultSubmitted;
    // The master's current race, sent to a slave that says hello.
    std::function<std::optional<Race>()> currentRace;

    [[nodiscard]] bool isRunning() const { return m_isRunning; }
    [[nodiscard]] int connectedStationCount() const { return int(m_connections.size()); }
    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    // The role and id given to the last start; a stop leaves them as they are.
    [[nodiscard]] StationRole role() const { return m_role; }
    [[nodiscard]] const QString &stationId() const { return m_stationId; }
    // The port a running master listens on (0 otherwise).
    [[nodiscard]] quint16 listenPort() const;
    // Results recorded on this slave that no snapshot from the master holds yet.
    [[nodiscard]] int pendingResultCount() const { return int(m_outbox.size()); }

    void start(StationRole role, const QString &stationId, const QString &serviceName);
    // Closes the listener, the browse and every connection; "Not started". Nothing that was
    // under way reports afterwards. The outbox is kept for the next start.
    void stop();

    // On a master: one snapshot frame, built once, sent to every connection in order.
    void broadcastSnapshot(const Race &race);
    // On a slave: the result goes into the outbox and, when connected, to the master.
    void submitResult(const PersonResult &result);

    // The slave's waits before connecting again to the master it knew: `first`, doubling up to
    // `longest`.
    void setReconnectDelays(std::chrono::milliseconds first, std::chrono::milliseconds longest);

    // Connections made elsewhere (not owned), e.g. by a test. The engine's own TCP connections
    // are registered the same way.
    void addConnection(SyncConnection *connection);
    void removeConnection(SyncConnection *connection);
    [[nodiscard]] const QList<SyncConnection *> &connections() const { return m_connections; }
    // Hands a received frame body to the engine as if it had come on `connection`.
    void receive(SyncConnection *connection, const QByteArray &body);

signals:
    void isRunningChanged();
    void connectedStationCountChanged();
    void statusTextChanged();

private:
    void startMaster(const QString &serviceName);
    void startSlave(const QString &serviceName);
    void acceptConnections();
    void connectTo(const DiscoveredService &service);
    void scheduleReconnect();
    void addPeer(SyncPeer *peer);
    void connectionReady(SyncConnection *connection);
    [[nodiscard]] SyncPeer *ownedPeer(SyncConnection *connection) const;
    void setRunning(bool running);
    void setStatusText(const QString &text);

    ServiceDiscoveryFactory m_discoveryFactory;
    bool m_isRunning = false;
    QString m_statusText = QStringLiteral("Not started");
    QString m_stationId;
    StationRole m_role = StationRole::Standalone;
    QTcpServer *m_server = nullptr;
    std::unique_ptr<ServiceDiscovery> m_discovery;
    QList<SyncConnection *> m_connections;
    // The connections this engine made or accepted (a subset of m_connections). Connections
    // added from outside are never touched beyond send(): they may already be gone at a stop.
    QList<SyncPeer *> m_ownedPeers;
    QList<DiscoveredService> m_services;
    std::optional<DiscoveredService> m_knownMaster;
    QTimer m_reconnectTimer;
    std::chrono::milliseconds m_firstDelay {500};
    std::chrono::milliseconds m_longestDelay {10000};
    std::chrono::milliseconds m_nextDelay {500};
    QList<PersonResult> m_outbox;
};
