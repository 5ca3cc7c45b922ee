#pragma once

// A DNS-SD directory inside the test process: masters that advertise are listed at 127.0.0.1
// with their port, and every browse sees the list change as DNS-SD would report it.

#include "servicediscovery.h"

#include <QList>
#include <QPointer>
#include <QTimer>

#include <memory>

class LoopbackDirectory
{
public:
    ServiceDiscoveryFactory factory()
    {
        return [this] { return std::unique_ptr<ServiceDiscovery>(new Entry(this)); };
    }

    [[nodiscard]] QList<DiscoveredService> services() const
    {
        QList<DiscoveredService> out;
        for (const Entry *entry : m_entries)
            if (entry->advertised)
                out.append(entry->service);
        return out;
    }

    // Every advertisement and list of services handed out: no browse waits for its answer.
    [[nodiscard]] bool settled() const { return *m_pending == 0; }

private:
    struct Entry : ServiceDiscovery
    {
        explicit Entry(LoopbackDirectory *directory)
            : directory(directory)
        {
            directory->m_entries.append(this);
        }
        ~Entry() override
        {
            directory->m_entries.removeAll(this);
            if (advertised)
                directory->changed();
        }
        void advertise(const QString &name, quint16 port) override
        {
            service = {name, QStringLiteral("127.0.0.1"), port};
            advertised = true;
            later([this] {
                emit ready();
                directory->changed();
            });
        }
        void browse() override
        {
            browsing = true;
            later([this] {
                emit ready();
                if (!directory->services().isEmpty())
                    emit servicesChanged(directory->services());
            });
        }
        template<typename F> void later(F f)
        {
            QPointer<Entry> self(this);
            // Counted until the call is made or dropped with its entry.
            ++*directory->m_pending;
            const std::shared_ptr<int> pending(
                directory->m_pending.get(), [count = directory->m_pending](int *) { --*count; });
            QTimer::singleShot(0, this, [self, f, pending] {
                if (self)
                    f();
            });
        }
        LoopbackDirectory *directory;
        DiscoveredService service;
        bool advertised = false;
        bool browsing = false;
    };

    void changed()
    {
        const QList<DiscoveredService> now = services();
        for (Entry *entry : m_entries)
            if (entry->browsing)
                entry->later([entry, this] { emit entry->servicesChanged(services()); });
    }

    QList<Entry *> m_entries;
    std::shared_ptr<int> m_pending = std::make_shared<int>(0);
};
