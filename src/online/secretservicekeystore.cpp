#include "keystore.h"

#include "log.h"

#include <QPointer>
#include <QStringDecoder>

#include <qt6keychain/keychain.h>

namespace {

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
        QObject::connect(job, &QKeychain::Job::finished, m_guard, [this, job, done = std::move(done)] {
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
