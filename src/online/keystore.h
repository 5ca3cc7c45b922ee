#pragma once

// Per-user secret storage: one text per (service, account). Operations complete asynchronously
// (the Secret Service answers over D-Bus); completions arrive on the main thread in the order the
// operations were started.

#include <QString>

#include <functional>
#include <memory>
#include <optional>

// What the store answered to a read: the stored text; or nothing stored (no value, no error); or
// no answer about the entry at all (the store could not be reached, or what it holds is not
// text), which `error` describes.
struct KeyStoreAnswer
{
    std::optional<QString> value;
    QString error;
};

class KeyStore
{
public:
    virtual ~KeyStore() = default;

    // `done` receives the answer: the text, none stored, or why there is no answer. Whoever must
    // never take "cannot be reached" for "none stored" (a key that, made anew, would replace the
    // stored one) reads through this.
    virtual void read(
        const QString &service, const QString &account, std::function<void(KeyStoreAnswer)> done)
        = 0;
    // `done` receives the stored text, or nothing when there is none, when it is not valid UTF-8
    // or when the store cannot be reached.
    void load(
        const QString &service, const QString &account, std::function<void(std::optional<QString>)> done)
    {
        read(service, account,
            [done = std::move(done)](KeyStoreAnswer answer) { done(std::move(answer.value)); });
    }
    // Creates the entry or replaces its value.
    virtual void save(const QString &service, const QString &account, const QString &value) = 0;
    virtual void remove(const QString &service, const QString &account) = 0;
    // False once an operation found no store to reach: what is saved now is gone after a restart.
    [[nodiscard]] virtual bool isReachable() const { return true; }
};

// The desktop's Secret Service (gnome-keyring, KWallet) through QtKeychain. Never falls back to a
// plain-text file: when no secret service is reachable, loads give nothing, saves are lost, and
// one line is logged for the first failure.
[[nodiscard]] std::unique_ptr<KeyStore> makeSecretServiceKeyStore();
