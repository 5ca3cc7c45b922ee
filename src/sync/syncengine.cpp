#include "syncengine.h"

#include "syncmessage.h"

SyncEngine::SyncEngine(QObject *parent)
    : QObject(parent)
{ }

void SyncEngine::start(StationRole role, const QString &stationId, const QString &serviceName)
{
    Q_UNUSED(serviceName)
    stop();
    m_role = role;
    m_stationId = stationId;
    if (role == StationRole::Standalone)
        setStatusText(QStringLiteral("Not started"));
}

void SyncEngine::stop()
{
    const bool hadConnections = !m_connections.isEmpty();
    m_connections.clear();
    if (hadConnections)
        emit connectedStationCountChanged();
    setRunning(false);
    setStatusText(QStringLiteral("Not started"));
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
    if (m_role != StationRole::Slave || m_connections.isEmpty())
        return;
    const auto frame = frameSyncMessage({SyncMessageKind::SubmitResult, m_stationId, std::nullopt, result});
    if (frame)
        m_connections.first()->send(*frame);
}

void SyncEngine::addConnection(SyncConnection *connection)
{
    m_connections.append(connection);
    emit connectedStationCountChanged();
}

void SyncEngine::removeConnection(SyncConnection *connection)
{
    if (m_connections.removeAll(connection) > 0)
        emit connectedStationCountChanged();
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
