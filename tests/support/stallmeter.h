#pragma once

// How long the calling thread's event loop went without turning: a timer due every millisecond
// notes the longest gap between its firings and how many gaps were longer than 100 ms. Whatever
// waits on that thread (a station's next block request, a redraw) waited as long.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

class StallMeter
{
public:
    StallMeter()
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            const qint64 gap = m_since.nsecsElapsed();
            m_since.restart();
            m_longestNs = std::max(m_longestNs, gap);
            if (gap > 100'000'000)
                ++m_over100ms;
        });
        m_since.start();
        m_tick.start(1);
    }
    [[nodiscard]] double longestMs() const { return double(m_longestNs) / 1e6; }
    [[nodiscard]] int over100ms() const { return m_over100ms; }
    void restart()
    {
        m_since.restart();
        m_longestNs = 0;
        m_over100ms = 0;
    }

private:
    QTimer m_tick;
    QElapsedTimer m_since;
    qint64 m_longestNs = 0;
    int m_over100ms = 0;
};
