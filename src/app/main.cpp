#include "racestoreshell.h"
#include "vexloapp.h"

#include <QGuiApplication>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Vexlo"));
    QGuiApplication::setOrganizationName(QStringLiteral("Vexlo"));

    VexloApp vexlo(makeApplicationStore(), nullptr);
    if (!vexlo.start())
        return 1;
    return app.exec();
}
