#include "keystore.h"

#include "log.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QPointer>
#include <QStringDecoder>

#include <qt6keychain/keychain.h>

namespace {

// Whether the Secret Service holds the entry (as QtKeychain names it) in a locked collection. A
// lookup answers such an entry as not found when its unlock was refused or could not be asked
// for (no one at the screen to answer the dialog), which is not the same as none stored. False
// when the service cannot be asked.
bool holdsLockedEntry(const QString &service, const QString &account)
{
    using Attributes = QMap<QString, QString>;
    static const QMetaType registered = qDBusRegisterMetaType<Attributes>();
    Q_UNUSED(registered);
    QDBusMessage search = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"),
        QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"),
        QStringLiteral("SearchItems"));
    search << QVariant::fromValue(
        Attributes {{QStringLiteral("user"), account}, {QStringLiteral("server"), service}});
    // Searching never asks for an unlock: the answer comes at once.
    const QDBusMessage reply = QDBusConnection::sessionBus().call(search, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return false;
    return !qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(1)).isEmpty();
}

class SecretServiceKeyStore : public KeyStore
{
public:
    SecretServiceKeyStore()
        : m_guard(new QObject)
    { }
    ~SecretServiceKeyStore() override { delete m_guard; }

    void read(
        const QString &service, const QString &account, std::function<void(KeyStoreAnswer)> done) override
    {
        auto *job = new QKeychain::ReadPasswordJob(service);
        prepare(*job, account);
        QObject::connect(
            job, &QKeychain::Job::finished, m_guard, [this, job, service, account, done = std::move(done)] {
                if (job->error() == QKeychain::NoError) {
                    // The bytes as stored: text that is not valid UTF-8 counts as no key.
                    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                    const QString text = decoder(job->binaryData());
                    if (decoder.hasError())
                        done({std::nullopt, QStringLiteral("the stored entry is not text")});
                    else
                        done({text, {}});
                    return;
                }
                if (job->error() == QKeychain::EntryNotFound) {
                    if (holdsLockedEntry(service, account)) {
                        const QString error = QStringLiteral("the key store is locked");
                        reportFailure(error);
                        done({std::nullopt, error});
                        return;
                    }
                    done({});
                    return;
                }
                const QString error = job->errorString().isEmpty()
                    ? QStringLiteral("error %1").arg(int(job->error()))
                    : job->errorString();
                reportFailure(error);
                done({std::nullopt, error});
            });
        job->start();
    }

    void save(const QString &service, const QString &account, const QString &value) override
    {
        auto *job = new QKeychain::WritePasswordJob(service);
        prepare(*job, account);
        job->setTextData(value);
        watch(job);
        job->start();
    }

    void remove(const QString &service, const QString &account) override
    {
        auto *job = new QKeychain::DeletePasswordJob(service);
        prepare(*job, account);
        watch(job);
        job->start();
    }

private:
    static void prepare(QKeychain::Job &job, const QString &account)
    {
        job.setKey(account);
        job.setAutoDelete(true);
        // The key must never end up in a plain settings file, whatever the library's default.
        job.setInsecureFallback(false);
    }

    void watch(QKeychain::Job *job)
    {
        QObject::connect(job, &QKeychain::Job::finished, m_guard, [this, job] {
            // Deleting an entry that is not there is not a failure.
            if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound)
                reportFailure(job->errorString());
        });
    }

    bool isReachable() const override { return !m_reported; }

    void reportFailure(const QString &error)
    {
        if (m_reported)
            return;
        m_reported = true;
        logLine(QStringLiteral("VexloWebSettings: secret service unavailable: ") + error);
    }

    // Context of the completions: a job that finishes after the store is gone reports to nobody.
    // Jobs are not parented to it, because a job deleted while the Secret Service still holds its
    // request would be called back after it was freed; they delete themselves when done.
    QObject *m_guard;
    bool m_reported = false;
};

} // namespace

std::unique_ptr<KeyStore> makeSecretServiceKeyStore()
{
    return std::make_unique<SecretServiceKeyStore>();
}
