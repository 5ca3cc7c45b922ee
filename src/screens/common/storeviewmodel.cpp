#include "storeviewmodel.h"

#include "racestore.h"

RaceStore *StoreViewModel::store() const
{
    return m_store.data();
}

QObject *StoreViewModel::storeObject() const
{
    return m_store.data();
}

void StoreViewModel::setStoreObject(QObject *store)
{
    setStore(qobject_cast<RaceStore *>(store));
}

void StoreViewModel::setStore(RaceStore *store)
{
    if (store == m_store)
        return;
    for (const QMetaObject::Connection &connection : std::as_const(m_connections))
        disconnect(connection);
    m_connections.clear();
    m_store = store;
    if (store)
        follow(connect(store, &RaceStore::raceChanged, this, &StoreViewModel::racePublished));
    storeReplaced();
}
