#pragma once

// A rebuild of derived lists that costs one run per turn of the event loop, however many changes
// ask for it in that turn: it runs on the next turn and reads the state as it is then. From the
// first ask until the rebuild ends the owner shows that it is loading.

#include <QObject>

#include <functional>

class RebuildQueue
{
public:
    // `rebuild` is the owner's rebuild, which calls begin() first and end() last; `loadingChanged`
    // tells QML that isLoading() may have changed. The queued run goes with `owner`.
    RebuildQueue(QObject *owner, std::function<void()> rebuild, std::function<void()> loadingChanged,
        bool loading = true);

    [[nodiscard]] bool isLoading() const { return m_loading; }
    [[nodiscard]] bool isQueued() const { return m_queued; }
    void schedule();
    // A rebuild run now makes the queued one needless.
    void begin() { m_queued = false; }
    void end();

private:
    QObject *m_owner;
    std::function<void()> m_rebuild;
    std::function<void()> m_loadingChanged;
    bool m_loading;
    bool m_queued = false;
};
