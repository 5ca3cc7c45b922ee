#pragma once

// Time source and delayed work for the reader. The station protocol waits (0.5 s for the
// configuration answer, 0.4 s for autosent blocks, 10 s before clearing a removed card) go through
// this interface so tests can move time by hand instead of sleeping.

#include <QDateTime>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// A scheduled action. Destroying the handle or calling cancel() guarantees the action never runs.
class ReaderTimer
{
public:
    virtual ~ReaderTimer() = default;
    virtual void cancel() = 0;
};

class ReaderClock
{
public:
    virtual ~ReaderClock() = default;
    [[nodiscard]] virtual QDateTime now() const = 0;
    // Runs `action` once on the calling (main) thread after `delay`, unless cancelled first.
    [[nodiscard]] virtual std::unique_ptr<ReaderTimer> schedule(
        std::chrono::milliseconds delay, std::function<void()> action)
        = 0;
};

// Wall clock and QTimer on the current thread's event loop.
class SystemReaderClock : public ReaderClock
{
public:
    [[nodiscard]] QDateTime now() const override;
    [[nodiscard]] std::unique_ptr<ReaderTimer> schedule(
        std::chrono::milliseconds delay, std::function<void()> action) override;
};

// Time that only moves when advance() is called; due actions run inside advance(), earliest first
// (equal due times in scheduling order). Actions may schedule or cancel further actions.
class ManualReaderClock : public ReaderClock
{
public:
    explicit ManualReaderClock(QDateTime start = QDateTime(QDate(2025, 6, 14), QTime(13, 30)));
    ~ManualReaderClock() override;

    [[nodiscard]] QDateTime now() const override { return m_now; }
    [[nodiscard]] std::unique_ptr<ReaderTimer> schedule(
        std::chrono::milliseconds delay, std::function<void()> action) override;

    void setNow(const QDateTime &now) { m_now = now; }
    void advance(std::chrono::milliseconds by);
    // Number of actions still waiting (neither run nor cancelled).
    [[nodiscard]] int pendingCount() const;

private:
    struct Entry
    {
        QDateTime due;
        quint64 order = 0;
        std::function<void()> action;
        bool cancelled = false;
    };
    class Handle;

    QDateTime m_now;
    quint64 m_nextOrder = 0;
    std::vector<std::shared_ptr<Entry>> m_entries;
};
