#pragma once

// The local-network exchange of the race between stations: one master, any number of slaves.
//
// The engine owns the rules of what is sent and to whom; the network side (advertising, browsing,
// accepting and connecting) registers each open connection with addConnection() and removes it
// with removeConnection() before the connection goes away. Until a role is started the engine is
// idle: no connections, status "Not started".

#include "race.h"
#include "stationsettings.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

// One open connection to another station. Sends are fire-and-forget: failures are not observed.
class SyncConnection
{
public:
    virtual ~SyncConnection() = default;
    virtual void send(const QByteArray &frame) = 0;
};

class SyncEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isRunning READ isRunning NOTIFY isRunningChanged)
    Q_PROPERTY(int connectedStationCount READ connectedStationCount NOTIFY connectedStationCountChanged)
    Q_PROPERTY(QString statusText READ statusText NOTIFY statusTextChanged)

public:
    explicit SyncEngine(QObject *parent = nullptr);

    // Called on the main thread for each snapshot that carries a race (on a slave) and for each
    // submitted result (on the master). Installing replaces any earlier callback.
    std::function<void(const Race &)> onSnapshotReceived;
    std::function<void(const PersonResult &)> onResultSubmitted;

    [[nodiscard]] bool isRunning() const { return m_isRunning; }
    [[nodiscard]] int connectedStationCount() const { return int(m_connections.size()); }
    [[nodiscard]] const QString &statusText() const { return m_statusText; }
    // The role and id given to the last start; a stop leaves them as they are.
    [[nodiscard]] StationRole role() const { return m_role; }
    [[nodiscard]] const QString &stationId() const { return m_stationId; }
    [[nodiscard]] const QList<SyncConnection *> &connections() const { return m_connections; }

    // Stops, then takes the role and id. The service name is for the network side's advertising
    // and browsing.
    void start(StationRole role, const QString &stationId, const QString &serviceName);
    // Forgets every connection (the network side cancels them), "Not started".
    void stop();

    // On a master: one snapshot frame, built once, sent to every connection in order. Otherwise
    // nothing.
    void broadcastSnapshot(const Race &race);
    // On a slave with a connection: one submitResult frame on the first connection (the master).
    // Otherwise nothing; the result is neither queued nor retried.
    void submitResult(const PersonResult &result);

    // The network side's registration of open connections (not owned).
    void addConnection(SyncConnection *connection);
    void removeConnection(SyncConnection *connection);

signals:
    void isRunningChanged();
    void connectedStationCountChanged();
    void statusTextChanged();

private:
    void setRunning(bool running);
    void setStatusText(const QString &text);

    bool m_isRunning = false;
    QString m_statusText = QStringLiteral("Not started");
    QList<SyncConnection *> m_connections;
    QString m_stationId;
    StationRole m_role = StationRole::Standalone;
};
