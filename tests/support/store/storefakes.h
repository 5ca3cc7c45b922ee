#pragma once

// In-memory stand-ins for the store's outside world: a key store, a sync connection, the zero-conf
// layer and a publishing timer fired by hand.

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
// handles both), or, with `answerLater`, each read when the test calls answerReads(): with what
// the entries held when it was made, or with `readError` as the store's failure. `calls` records "load",
// "save:<value>" and "remove" in order.
class MemoryKeyStore : public KeyStore
{
public:
    void read(
        const QString &service, const QString &account, std::function<void(KeyStoreAnswer)> done) override
    {
        calls.append(QStringLiteral("load"));
        // The store completes its operations in order: a read answers with what it held when it
        // was made, whatever was saved after it.
        const auto it = entries.constFind({service, account});
        const std::optional<QString> held
            = it == entries.constEnd() ? std::nullopt : std::optional<QString>(*it);
        auto answer = [this, held, done = std::move(done)] {
            if (!readError.isEmpty()) {
                done({std::nullopt, readError});
                return;
            }
            done({held, {}});
        };
        if (answerLater)
            waiting.append(std::move(answer));
        else
            answer();
    }
    void answerReads()
    {
        for (const auto &answer : std::exchange(waiting, {}))
            answer();
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
    bool answerLater = false;
    QString readError;
    QList<std::function<void()>> waiting;
};

// A desktop without a reachable key store: nothing loads, nothing saved is kept.
class UnreachableKeyStore : public KeyStore
{
public:
    void read(const QString &, const QString &, std::function<void(KeyStoreAnswer)> done) override
    {
        done({std::nullopt, QStringLiteral("no secret service")});
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

// The zero-conf layer as the engine sees it, keeping what it was handed: each name advertised
// and each browse.
struct RecordingDiscovery
{
    struct Entry : ServiceDiscovery
    {
        explicit Entry(RecordingDiscovery *owner)
            : owner(owner)
        { }
        void advertise(const QString &name, quint16) override { owner->advertised.append(name); }
        void browse() override { ++owner->browses; }
        RecordingDiscovery *owner;
    };
    ServiceDiscoveryFactory factory()
    {
        return [this] { return std::make_unique<Entry>(this); };
    }
    QStringList advertised;
    int browses = 0;
};

// Runs only when the test calls `tick`.
struct ManualTimer : BatchTimer
{
    std::function<void()> tick;
    void start(int, std::function<void()> t) override { tick = std::move(t); }
    void stop() override { tick = nullptr; }
    std::optional<int> periodMs() const override { return tick ? std::optional<int>(1) : std::nullopt; }
};
