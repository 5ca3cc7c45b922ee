#include "commandline.h"
#include "racelocalstore.h"
#include "racestoreshell.h"
#include "singleinstance.h"
#include "vexloapp.h"
#include "vexloversion.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Vexlo"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vexlo"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(vexloVersion));
}

void print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = readCommandLine(arguments, QDir::currentPath());
    if (line.answersOnly) {
        // No window: no display needed.
        QCoreApplication core(argc, argv);
        nameApplication();
        const CommandLineAnswer answer = answerCommandLine(arguments, environmentLanguage());
        print(stdout, answer.out);
        print(stderr, answer.err);
        return answer.exitCode;
    }

    // One Vexlo writes the autosave and the journal: a second start hands its file to the first.
    InstanceLock lock(RaceLocalStore::defaultFolder());
    if (!lock.claim()) {
        if (handToRunningInstance(lock.socketPath(), line.file, std::chrono::seconds(10)) == Handover::Taken)
            return 0;
        print(stderr,
            QStringLiteral("Vexlo is already running for this user, but it does not answer. Close it, "
                           "or end its process, then start Vexlo again.\n"));
        return 1;
    }

    // A widget application: the receipt print dialog is a widget dialog. Everything else is QML.
    QApplication app(argc, argv);
    nameApplication();
    InstanceListener listener;
    listener.listen(lock.socketPath());

    // The store and the reader live as long as the process.
    VexloApp vexlo(makeApplicationStore(), std::make_unique<CardReaderViewModel>());
    if (!vexlo.start())
        return 1;
    if (!line.file.isEmpty())
        vexlo.openEventFile(line.file);
    QObject::connect(&listener, &InstanceListener::handedOver, &vexlo, [&vexlo](const QString &file) {
        if (!file.isEmpty())
            vexlo.openEventFile(file);
        vexlo.comeToFront();
    });
    return app.exec();
}
