// Avahi's client library on Qt's event loop: its poll API (file-descriptor watches and timeouts)
// is served by QSocketNotifier and QTimer, so every Avahi callback runs on the main thread.

#include "log.h"
#include "servicediscovery.h"

#include <QHash>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/watch.h>

#include <net/if.h>
#include <sys/time.h>

#include <algorithm>

// Avahi declares these as incomplete types; the poll implementation defines them.
struct AvahiWatch : QObject
{
    AvahiWatchCallback callback = nullptr;
    void *userdata = nullptr;
    int fd = -1;
    AvahiWatchEvent events = AvahiWatchEvent(0);
    AvahiWatchEvent lastEvent = AvahiWatchEvent(0);
    QSocketNotifier *read = nullptr;
    QSocketNotifier *write = nullptr;

    void update(AvahiWatchEvent wanted)
    {
        events = wanted;
        read->setEnabled(wanted & AVAHI_WATCH_IN);
        write->setEnabled(wanted & AVAHI_WATCH_OUT);
    }

    void fire(AvahiWatchEvent event)
    {
        lastEvent = event;
        callback(this, fd, event, userdata);
    }
};

struct AvahiTimeout : QObject
{
    AvahiTimeoutCallback callback = nullptr;
    void *userdata = nullptr;
    QTimer timer;

    void arm(const struct timeval *tv)
    {
        timer.stop();
        if (!tv)
            return;
        // `tv` is an absolute time on the wall clock, as avahi_elapse_time() makes it.
        struct timeval now;
        gettimeofday(&now, nullptr);
        const qint64 ms
            = (qint64(tv->tv_sec) - now.tv_sec) * 1000 + (qint64(tv->tv_usec) - now.tv_usec) / 1000;
        timer.start(int(std::clamp<qint64>(ms, 0, 24 * 3600 * 1000)));
    }
};

namespace {

AvahiWatch *watchNew(
    const AvahiPoll *, int fd, AvahiWatchEvent event, AvahiWatchCallback callback, void *userdata)
{
    auto *watch = new AvahiWatch;
    watch->callback = callback;
    watch->userdata = userdata;
    watch->fd = fd;
    watch->read = new QSocketNotifier(fd, QSocketNotifier::Read, watch);
    watch->write = new QSocketNotifier(fd, QSocketNotifier::Write, watch);
    QObject::connect(
        watch->read, &QSocketNotifier::activated, watch, [watch] { watch->fire(AVAHI_WATCH_IN); });
    QObject::connect(
        watch->write, &QSocketNotifier::activated, watch, [watch] { watch->fire(AVAHI_WATCH_OUT); });
    watch->update(event);
    return watch;
}

void watchUpdate(AvahiWatch *watch, AvahiWatchEvent event)
{
    watch->update(event);
}

AvahiWatchEvent watchGetEvents(AvahiWatch *watch)
{
    return watch->lastEvent;
}

void watchFree(AvahiWatch *watch)
{
    // Avahi may free a watch from inside its own callback: silence it now, delete it later.
    watch->update(AvahiWatchEvent(0));
    watch->callback = [](AvahiWatch *, int, AvahiWatchEvent, void *) {};
    watch->deleteLater();
}

AvahiTimeout *timeoutNew(
    const AvahiPoll *, const struct timeval *tv, AvahiTimeoutCallback callback, void *userdata)
{
    auto *timeout = new AvahiTimeout;
    timeout->callback = callback;
    timeout->userdata = userdata;
    timeout->timer.setSingleShot(true);
    QObject::connect(&timeout->timer, &QTimer::timeout, timeout,
        [timeout] { timeout->callback(timeout, timeout->userdata); });
    timeout->arm(tv);
    return timeout;
}

void timeoutUpdate(AvahiTimeout *timeout, const struct timeval *tv)
{
    timeout->arm(tv);
}

void timeoutFree(AvahiTimeout *timeout)
{
    timeout->timer.stop();
    timeout->callback = [](AvahiTimeout *, void *) {};
    timeout->deleteLater();
}

const AvahiPoll qtPoll
    = {nullptr, watchNew, watchUpdate, watchGetEvents, watchFree, timeoutNew, timeoutUpdate, timeoutFree};

QString avahiError(int code)
{
    return QString::fromUtf8(avahi_strerror(code));
}

class AvahiServiceDiscovery final : public ServiceDiscovery
{
public:
    AvahiServiceDiscovery() = default;

    ~AvahiServiceDiscovery() override
    {
        // Resolvers, browser and group belong to the client and go with it.
        m_resolvers.clear();
        if (m_client)
            avahi_client_free(m_client);
    }

    void advertise(const QString &name, quint16 port) override
    {
        m_mode = Mode::Advertise;
        m_name = name;
        m_port = port;
        startClient();
    }

    void browse() override
    {
        m_mode = Mode::Browse;
        startClient();
    }

private:
    enum class Mode { Advertise, Browse };

    struct Key
    {
        AvahiIfIndex interface;
        AvahiProtocol protocol;
        QString name;
        QString domain;
        friend bool operator==(const Key &, const Key &) = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.interface, key.protocol, key.name, key.domain);
        }
    };

    void startClient()
    {
        int error = 0;
        // Without AVAHI_CLIENT_NO_FAIL a missing daemon is reported at once, and the station's
        // status says so instead of waiting silently.
        m_client = avahi_client_new(
            &qtPoll, AvahiClientFlags(0), &AvahiServiceDiscovery::clientCallback, this, &error);
        if (!m_client)
            failLater(avahiError(error));
    }

    // Reported from the event loop, so that the caller has connected its slots and is not inside
    // its own start.
    void failLater(const QString &error)
    {
        QPointer<AvahiServiceDiscovery> self(this);
        QTimer::singleShot(0, this, [self, error] {
            if (self)
                emit self->failed(error);
        });
    }

    static void clientCallback(AvahiClient *client, AvahiClientState state, void *userdata)
    {
        auto *self = static_cast<AvahiServiceDiscovery *>(userdata);
        self->m_client = client; // the callback can run before avahi_client_new returns
        switch (state) {
        case AVAHI_CLIENT_S_RUNNING:
            if (self->m_mode == Mode::Advertise)
                self->registerService();
            else
                self->startBrowser();
            break;
        case AVAHI_CLIENT_S_COLLISION:
        case AVAHI_CLIENT_S_REGISTERING:
            if (self->m_group)
                avahi_entry_group_reset(self->m_group);
            break;
        case AVAHI_CLIENT_FAILURE:
            self->failLater(avahiError(avahi_client_errno(client)));
            break;
        case AVAHI_CLIENT_CONNECTING:
            break;
        }
    }

    void registerService()
    {
        if (!m_group) {
            m_group = avahi_entry_group_new(m_client, &AvahiServiceDiscovery::groupCallback, this);
            if (!m_group) {
                failLater(avahiError(avahi_client_errno(m_client)));
                return;
            }
        }
        if (!avahi_entry_group_is_empty(m_group))
            return;
        const QByteArray name = m_name.toUtf8();
        int error = avahi_entry_group_add_service(m_group, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC,
            AvahiPublishFlags(0), name.constData(), syncServiceType, nullptr, nullptr, m_port, nullptr);
        if (error == AVAHI_ERR_COLLISION) {
            renameAfterCollision();
            return;
        }
        if (error == 0)
            error = avahi_entry_group_commit(m_group);
        if (error < 0)
            failLater(avahiError(error));
    }

    void renameAfterCollision()
    {
        char *alternative = avahi_alternative_service_name(m_name.toUtf8().constData());
        logLine(QStringLiteral("SyncEngine: the service name \"%1\" is taken, advertising \"%2\"")
                    .arg(m_name, QString::fromUtf8(alternative)));
        m_name = QString::fromUtf8(alternative);
        avahi_free(alternative);
        avahi_entry_group_reset(m_group);
        registerService();
    }

    static void groupCallback(AvahiEntryGroup *group, AvahiEntryGroupState state, void *userdata)
    {
        auto *self = static_cast<AvahiServiceDiscovery *>(userdata);
        self->m_group = group;
        switch (state) {
        case AVAHI_ENTRY_GROUP_ESTABLISHED:
            emit self->ready();
            break;
        case AVAHI_ENTRY_GROUP_COLLISION:
            self->renameAfterCollision();
            break;
        case AVAHI_ENTRY_GROUP_FAILURE:
            self->failLater(avahiError(avahi_client_errno(avahi_entry_group_get_client(group))));
            break;
        case AVAHI_ENTRY_GROUP_UNCOMMITED:
        case AVAHI_ENTRY_GROUP_REGISTERING:
            break;
        }
    }

    void startBrowser()
    {
        if (m_browser)
            return;
        m_browser = avahi_service_browser_new(m_client, AVAHI_IF_UNSPEC, AVAHI_PROTO_UNSPEC, syncServiceType,
            nullptr, AvahiLookupFlags(0), &AvahiServiceDiscovery::browseCallback, this);
        if (!m_browser) {
            failLater(avahiError(avahi_client_errno(m_client)));
            return;
        }
        emit ready();
    }

    static void browseCallback(AvahiServiceBrowser *, AvahiIfIndex interface, AvahiProtocol protocol,
        AvahiBrowserEvent event, const char *name, const char *type, const char *domain,
        AvahiLookupResultFlags, void *userdata)
    {
        auto *self = static_cast<AvahiServiceDiscovery *>(userdata);
        switch (event) {
        case AVAHI_BROWSER_NEW: {
            const Key key {interface, protocol, QString::fromUtf8(name), QString::fromUtf8(domain)};
            if (self->m_resolvers.contains(key))
                break;
            AvahiServiceResolver *resolver
                = avahi_service_resolver_new(self->m_client, interface, protocol, name, type, domain,
                    AVAHI_PROTO_UNSPEC, AvahiLookupFlags(0), &AvahiServiceDiscovery::resolveCallback, self);
            if (resolver)
                self->m_resolvers.insert(key, resolver);
            break;
        }
        case AVAHI_BROWSER_REMOVE: {
            const Key key {interface, protocol, QString::fromUtf8(name), QString::fromUtf8(domain)};
            if (AvahiServiceResolver *resolver = self->m_resolvers.take(key))
                avahi_service_resolver_free(resolver);
            if (self->m_services.remove(key) > 0)
                self->publishServices();
            break;
        }
        case AVAHI_BROWSER_FAILURE:
            self->failLater(avahiError(avahi_client_errno(self->m_client)));
            break;
        case AVAHI_BROWSER_ALL_FOR_NOW:
        case AVAHI_BROWSER_CACHE_EXHAUSTED:
            break;
        }
    }

    static void resolveCallback(AvahiServiceResolver *resolver, AvahiIfIndex interface,
        AvahiProtocol protocol, AvahiResolverEvent event, const char *name, const char *, const char *domain,
        const char *, const AvahiAddress *address, uint16_t port, AvahiStringList *, AvahiLookupResultFlags,
        void *userdata)
    {
        auto *self = static_cast<AvahiServiceDiscovery *>(userdata);
        const Key key {interface, protocol, QString::fromUtf8(name), QString::fromUtf8(domain)};
        // A resolver stays alive and reports again when the service's address changes.
        if (event != AVAHI_RESOLVER_FOUND || !address) {
            if (self->m_services.remove(key) > 0)
                self->publishServices();
            return;
        }
        Q_UNUSED(resolver)
        char text[AVAHI_ADDRESS_STR_MAX];
        avahi_address_snprint(text, sizeof text, address);
        QString host = QString::fromLatin1(text);
        // A link-local IPv6 address is only reachable through the interface it was seen on.
        if (address->proto == AVAHI_PROTO_INET6
            && host.startsWith(QLatin1String("fe80"), Qt::CaseInsensitive)) {
            char ifname[IF_NAMESIZE];
            if (if_indextoname(unsigned(interface), ifname))
                host += QLatin1Char('%') + QString::fromLatin1(ifname);
        }
        self->m_services.insert(key, DiscoveredService {QString::fromUtf8(name), host, port});
        self->publishServices();
    }

    void publishServices()
    {
        QList<DiscoveredService> services;
        for (auto it = m_services.cbegin(); it != m_services.cend(); ++it)
            if (!services.contains(it.value()))
                services.append(it.value());
        // IPv4 first: the most likely to be reachable from every station on a club's network.
        std::stable_sort(
            services.begin(), services.end(), [](const DiscoveredService &a, const DiscoveredService &b) {
                return !a.host.contains(QLatin1Char(':')) && b.host.contains(QLatin1Char(':'));
            });
        emit servicesChanged(services);
    }

    Mode m_mode = Mode::Browse;
    QString m_name;
    quint16 m_port = 0;
    AvahiClient *m_client = nullptr;
    AvahiEntryGroup *m_group = nullptr;
    AvahiServiceBrowser *m_browser = nullptr;
    QHash<Key, AvahiServiceResolver *> m_resolvers;
    QHash<Key, DiscoveredService> m_services;
};

} // namespace

std::unique_ptr<ServiceDiscovery> makeAvahiServiceDiscovery()
{
    return std::make_unique<AvahiServiceDiscovery>();
}
