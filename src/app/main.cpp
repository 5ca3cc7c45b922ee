#include "race.h"

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QUrl>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Vexlo"));
    QGuiApplication::setOrganizationName(QStringLiteral("Vexlo"));

    QQmlApplicationEngine engine;
    engine.setInitialProperties({{QStringLiteral("eventName"), Race().name}});
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreationFailed, &app, [] { QCoreApplication::exit(1); },
        Qt::QueuedConnection);
    engine.load(QUrl(QStringLiteral("qrc:/Vexlo/App/Main.qml")));
    return app.exec();
}
