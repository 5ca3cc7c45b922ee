#pragma once

// The base of the view-models bound to the open event's store, which QML hands them as a
// property. The store may be replaced or destroyed at any time: the connections made to the
// former store and its objects go with it, and a destroyed store reads as none.

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

class RaceStore;

class StoreViewModel : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    [[nodiscard]] RaceStore *store() const;
    [[nodiscard]] QObject *storeObject() const;
    // The property's setter: anything but a store binds none.
    void setStoreObject(QObject *store);
    void setStore(RaceStore *store);

protected:
    // Runs after every change of the store (to none included), the former store's connections
    // dropped: tell QML, and connect to the new store's objects through `follow`.
    virtual void storeReplaced() = 0;
    // Each change of the race the bound store publishes.
    virtual void racePublished() { }
    // A connection that lasts as long as the store stays bound.
    void follow(const QMetaObject::Connection &connection) { m_connections.append(connection); }

private:
    QPointer<RaceStore> m_store;
    QList<QMetaObject::Connection> m_connections;
};
