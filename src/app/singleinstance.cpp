#include "singleinstance.h"

#include "log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace {

// A handover is one line each way: the file's path in UTF-8 (empty: none), then "ok".
constexpr char answer[] = "ok\n";
// Longest line taken: a path longer than any the system opens is no file.
constexpr qint64 maxLine = 64 * 1024;

} // namespace

InstanceLock::InstanceLock(const QString &folder)
{
    QDir().mkpath(folder);
    m_socketPath = QDir(folder).filePath(QStringLiteral("instance.socket"));
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("instance.lock")));
    // Only a lock whose process is gone is stale; a live Vexlo keeps it however long it runs.
    m_lock->setStaleLockTime(0);
}

bool InstanceLock::claim()
{
    return m_lock->tryLock(0);
}

Handover handToRunningInstance(
    const QString &socketPath, const QString &file, std::chrono::milliseconds patience)
{
    const QDeadlineTimer deadline(patience);
    QLocalSocket socket;
    for (;;) {
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(std::max<qint64>(deadline.remainingTime(), 0))))
            break;
        // The first process may hold the lock but not listen yet: it is starting.
        if (deadline.hasExpired())
            return Handover::NoAnswer;
        QThread::msleep(50);
    }
    socket.write(file.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(int(std::max<qint64>(deadline.remainingTime(), 0))))
        return Handover::NoAnswer;
    QByteArray reply;
    while (!reply.contains('\n')) {
        if (!socket.waitForReadyRead(int(std::max<qint64>(deadline.remainingTime(), 0))))
            return Handover::NoAnswer;
        reply += socket.readAll();
    }
    return reply == answer ? Handover::Taken : Handover::NoAnswer;
}

InstanceListener::InstanceListener(QObject *parent)
    : QObject(parent)
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &InstanceListener::accept);
}

bool InstanceListener::listen(const QString &socketPath)
{
    // Called only while holding the lock: a socket file there is a dead process's.
    QLocalServer::removeServer(socketPath);
    if (m_server.listen(socketPath))
        return true;
    logLine(QStringLiteral("Vexlo: cannot listen at %1: %2").arg(socketPath, m_server.errorString()));
    return false;
}

void InstanceListener::accept()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > maxLine)
                    socket->abort();
                return;
            }
            QByteArray line = socket->readLine();
            line.chop(1);
            const QString file = QString::fromUtf8(line);
            socket->write(answer);
            socket->disconnectFromServer();
            emit handedOver(file);
        });
    }
}
