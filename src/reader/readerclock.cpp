#include "readerclock.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>

namespace {

class QtTimerHandle : public ReaderTimer
{
public:
    QtTimerHandle(std::chrono::milliseconds delay, std::function<void()> action)
        : m_timer(new QTimer)
    {
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [action = std::move(action)] { action(); });
        m_timer->start(delay);
    }
    ~QtTimerHandle() override { cancel(); }
    void cancel() override
    {
        // deleteLater: cancel() may be called from inside the timer's own action.
        if (m_timer) {
            m_timer->stop();
            m_timer->deleteLater();
            m_timer = nullptr;
        }
    }

private:
    QTimer *m_timer;
};

} // namespace

QDateTime SystemReaderClock::now() const
{
    return QDateTime::currentDateTime();
}

std::unique_ptr<ReaderTimer> SystemReaderClock::schedule(
    std::chrono::milliseconds delay, std::function<void()> action)
{
    return std::make_unique<QtTimerHandle>(delay, std::move(action));
}

class ManualReaderClock::Handle : public ReaderTimer
{
public:
    explicit Handle(std::weak_ptr<Entry> entry)
        : m_entry(std::move(entry))
    { }
    ~Handle() override { cancel(); }
    void cancel() override
    {
        if (auto entry = m_entry.lock())
            entry->cancelled = true;
    }

private:
    std::weak_ptr<Entry> m_entry;
};

ManualReaderClock::ManualReaderClock(QDateTime start)
    : m_now(std::move(start))
{ }

ManualReaderClock::~ManualReaderClock() = default;

std::unique_ptr<ReaderTimer> ManualReaderClock::schedule(
    std::chrono::milliseconds delay, std::function<void()> action)
{
    auto entry = std::make_shared<Entry>();
    entry->due = m_now.addMSecs(delay.count());
    entry->order = m_nextOrder++;
    entry->action = std::move(action);
    m_entries.push_back(entry);
    return std::make_unique<Handle>(entry);
}

void ManualReaderClock::advance(std::chrono::milliseconds by)
{
    const QDateTime target = m_now.addMSecs(by.count());
    for (;;) {
        std::erase_if(m_entries, [](const auto &e) { return e->cancelled; });
        auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const auto &a, const auto &b) {
            return a->due != b->due ? a->due < b->due : a->order < b->order;
        });
        if (next == m_entries.end() || (*next)->due > target)
            break;
        std::shared_ptr<Entry> entry = *next;
        m_entries.erase(next);
        if (entry->due > m_now)
            m_now = entry->due;
        entry->cancelled = true; // ran: a later cancel() through the handle is a no-op
        entry->action();
    }
    m_now = target;
}

int ManualReaderClock::pendingCount() const
{
    return int(
        std::count_if(m_entries.begin(), m_entries.end(), [](const auto &e) { return !e->cancelled; }));
}
