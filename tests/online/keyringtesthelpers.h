#pragma once

#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QStringList>

#include <unistd.h>

#include <cstdio>
#include <vector>

// Every regular file under `folder` whose bytes contain `needle`.
inline QStringList filesContaining(const QString &folder, const QByteArray &needle)
{
    QStringList hits;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly) && file.readAll().contains(needle))
            hits.append(file.fileName());
    }
    return hits;
}

// Re-runs this program inside with-private-keyring.sh (`wrapper`) unless it already runs there;
// returns only inside the private session.
inline void enterPrivateKeyring(int argc, char **argv, const char *wrapper)
{
    if (qEnvironmentVariableIsSet("VEXLO_PRIVATE_KEYRING"))
        return;
    std::vector<char *> args {const_cast<char *>("/bin/sh"), const_cast<char *>(wrapper)};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execv("/bin/sh", args.data());
    std::perror("cannot run the keyring wrapper");
    std::exit(1);
}
