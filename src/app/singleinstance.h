#pragma once

// One Vexlo per data folder: the autosave and the change journal there are written by one process
// only. The first process holds a lock in that folder and listens on a local socket beside it. A
// second `vexlo [FILE]` takes no lock and opens no window: it hands its file (none: only "come to
// the front") to the first, which opens it as Open does and raises its window, and leaves.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class InstanceLock
{
public:
    // `folder`: the data folder whose autosave and journal the process writes.
    explicit InstanceLock(const QString &folder);

    // True when this process holds the lock (no other live process does).
    [[nodiscard]] bool claim();
    [[nodiscard]] QString socketPath() const { return m_socketPath; }

private:
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
};

enum class Handover { Taken, NoAnswer };

// In a second process: gives `file` (an absolute path, or empty) to the process that holds the
// lock, waiting at most `patience` for it to listen and answer (it may be starting up).
[[nodiscard]] Handover handToRunningInstance(
    const QString &socketPath, const QString &file, std::chrono::milliseconds patience);

// In the first process: takes what later processes hand over. Needs the application object.
class InstanceListener : public QObject
{
    Q_OBJECT
public:
    explicit InstanceListener(QObject *parent = nullptr);

    // Listens at the lock's socket path, replacing a socket a dead process left behind; false
    // when the system refuses (later processes then say that Vexlo runs but does not answer).
    bool listen(const QString &socketPath);

signals:
    // A later process's file (empty: it only asked to come to the front).
    void handedOver(const QString &file);

private:
    void accept();

    QLocalServer m_server;
};
