#pragma once

// In-memory stand-ins for the store's outside world: a key store and a sync connection.

#include "keystore.h"
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

// A key store shared by several owners (the store takes ownership of what it is given).
class ForwardingKeyStore : public KeyStore
{
public:
    explicit ForwardingKeyStore(KeyStore *target)
        : m_target(target)
    { }
    void load(const QString &s, const QString &a, std::function<void(std::optional<QString>)> done) override
    {
        m_target->load(s, a, std::move(done));
    }
    void save(const QString &s, const QString &a, const QString &v) override { m_target->save(s, a, v); }
    void remove(const QString &s, const QString &a) override { m_target->remove(s, a); }

private:
    KeyStore *m_target;
};

class RecordingConnection : public SyncConnection
{
public:
    void send(const QByteArray &frame) override { frames.append(frame); }
    QList<QByteArray> frames;
};
