#include "racestoreshell.h"
#include "vexloapp.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // A widget application: the receipt print dialog is a widget dialog. Everything else is QML.
    QApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Vexlo"));
    QGuiApplication::setOrganizationName(QStringLiteral("Vexlo"));

    // The store and the reader live as long as the process.
    VexloApp vexlo(makeApplicationStore(), std::make_unique<CardReaderViewModel>());
    if (!vexlo.start())
        return 1;
    return app.exec();
}
