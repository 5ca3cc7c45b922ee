// Opens a serial device through SIPortManager as the station protocol does and prints what the
// organiser is told: "opened", or the failure in English and then as the Danish window shows it.
// Run by port_permission.py as an unprivileged user; usage: portopen <device>

#include "localization.h"
#include "log.h"
#include "messagetext.h"
#include "siportmanager.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: portopen <device>\n");
        return 2;
    }
    // Only the outcome goes to the output, not the port's log.
    setLogSink([](const QString &) {});
    SIPortManager port;
    QString message;
    port.onError = [&](const SIPortError &error) { message = error.message; };
    if (port.openPort(QString::fromLocal8Bit(argv[1]), 38400)) {
        std::printf("opened\n");
        return 0;
    }
    LocalizationManager danish {QStringList {QStringLiteral("da-DK")}};
    LocalizationManager::setShared(&danish);
    danish.setLanguage(AppLanguage::Danish);
    std::printf("%s\n%s\n", message.toUtf8().constData(), localizedMessage(message).toUtf8().constData());
    LocalizationManager::setShared(nullptr);
    return 1;
}
