#pragma once

// Zero-configuration (DNS-SD) advertising and browsing of the stations' service type. The engine
// talks to this interface; AvahiServiceDiscovery is the real one.

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

inline constexpr char syncServiceType[] = "_vexlorace._tcp";

struct DiscoveredService
{
    QString name;
    QString host; // an address to connect to
    quint16 port = 0;

    friend bool operator==(const DiscoveredService &, const DiscoveredService &) = default;
};

// One advertisement or one browse; destroying the object withdraws the advertisement or ends the
// browse, and no signal is emitted after that.
class ServiceDiscovery : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Advertises `name` of the service type on `port`. Emits ready() once registered (the name
    // may have been changed to an alternative on a clash) or failed().
    virtual void advertise(const QString &name, quint16 port) = 0;
    // Browses for the service type. Emits ready() once browsing, then servicesChanged() with the
    // whole resolved set whenever it changes, or failed().
    virtual void browse() = 0;

signals:
    void ready();
    void failed(const QString &error);
    void servicesChanged(const QList<DiscoveredService> &services);
};

using ServiceDiscoveryFactory = std::function<std::unique_ptr<ServiceDiscovery>()>;

// Discovery through the system's Avahi daemon (over D-Bus), driven by Qt's event loop.
[[nodiscard]] std::unique_ptr<ServiceDiscovery> makeAvahiServiceDiscovery();
