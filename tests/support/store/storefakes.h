#pragma once

// In-memory stand-ins for the store's outside world: a key store, a sync connection and a
// publishing timer fired by hand.

#include "keystore.h"
#include "livepublishers.h"
#include "syncengine.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

// Completes every operation at once (the Secret Service completes later; VexloWebSettings
// handles both). `calls` records "load", "save:<value>" and "remove" in order.
class MemoryKeyStore : public KeyStore
{
public:
    void load(const QString &service, const QString &account,
        std::function<void(std::optional<QString>)> done) override
    {
        calls.append(QStringLiteral("load"));
        auto it = entries.constFind({service, account});
        done(it == entries.constEnd() ? std::nullopt : std::optional<QString>(*it));
    }
    void save(const QString &service, const QString &account, const QString &value) override
    {
        calls.append(QStringLiteral("save:") + value);
        entries.insert({service, account}, value);
    }
    void remove(const QString &service, const QString &account) override
    {
        calls.append(QStringLiteral("remove"));
        entries.remove({service, account});
    }

    QMap<QPair<QString, QString>, QString> entries;
    QStringList calls;
};

// A desktop without a reachable key store: nothing loads, nothing saved is kept.
class UnreachableKeyStore : public KeyStore
{
public:
    void load(const QString &, const QString &, std::function<void(std::optional<QString>)> done) override
    {
        done(std::nullopt);
    }
    void save(const QString &, const QString &, const QString &) override { }
    void remove(const QString &, const QString &) override { }
    bool isReachable() const override { return false; }
};

class RecordingConnection : public SyncConnection
{
public:
    void send(const QByteArray &frame) override { frames.append(frame); }
    QList<QByteArray> frames;
};

// Runs only when the test calls `tick`.
struct ManualTimer : BatchTimer
{
    std::function<void()> tick;
    void start(int, std::function<void()> t) override { tick = std::move(t); }
    void stop() override { tick = nullptr; }
    std::optional<int> periodMs() const override { return tick ? std::optional<int>(1) : std::nullopt; }
};
