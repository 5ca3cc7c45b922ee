#include "rebuildqueue.h"

RebuildQueue::RebuildQueue(
    QObject *owner, std::function<void()> rebuild, std::function<void()> loadingChanged, bool loading)
    : m_owner(owner)
    , m_rebuild(std::move(rebuild))
    , m_loadingChanged(std::move(loadingChanged))
    , m_loading(loading)
{ }

void RebuildQueue::schedule()
{
    if (!m_loading) {
        m_loading = true;
        m_loadingChanged();
    }
    if (m_queued)
        return;
    m_queued = true;
    QMetaObject::invokeMethod(
        m_owner,
        [this] {
            if (m_queued)
                m_rebuild();
        },
        Qt::QueuedConnection);
}

void RebuildQueue::end()
{
    m_loading = false;
    m_loadingChanged();
}
