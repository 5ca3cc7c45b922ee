#pragma once

// The store's background writer: one thread that encodes and writes autosave snapshots, one job
// at a time, in the order they were queued, so a card read never waits for an 85 MB write.
//
// The writer never sees the store. A job carries everything it needs: a copy of the race (the
// document is built from implicitly shared containers, so the copy is cheap to take on the main
// thread and safe to read here while the main thread changes its own copy), the target paths and
// what to put in the failure line. Outcomes are collected here and announced through
// outcomesReady(), which the store receives queued on its own thread and applies in order.

#include "race.h"
#include "racejson.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <QUrl>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Encodes `race` in `layout` and writes it atomically to `path`; the failure's reason, if any.
[[nodiscard]] std::optional<QString> writeRaceFile(const Race &race, JsonLayout layout, const QString &path);

// One autosave: the local autosave file, then the open event file when there is one.
struct AutosaveJob
{
    Race race;
    QString localPath;
    // Absent: no event file is open.
    std::optional<QString> eventPath;
    // The open event file as the store knows it; handed back untouched in the outcome.
    QUrl eventUrl;
    // Runs on the writer thread once every file of the job is on disk (not after a failure).
    std::function<void()> afterWritten;
    // Set: the local file is not written this time, for this reason (the store's own refusal).
    std::optional<QString> localRefused;
};

struct AutosaveOutcome
{
    // Absent: the local autosave file was written.
    std::optional<QString> localError;
    // Whether the job had an event file, and how its write went.
    bool hadEventFile = false;
    QUrl eventUrl;
    std::optional<QString> eventError;
};

// Runs one job on the calling thread. An empty event path fails with the not-a-local-file reason.
[[nodiscard]] AutosaveOutcome runAutosaveJob(const AutosaveJob &job);

class AutosaveWriter : public QObject
{
    Q_OBJECT

public:
    // `beforeJob` (may be empty) runs on the writer thread as each job starts; tests use it to
    // hold the writer.
    explicit AutosaveWriter(std::function<void()> beforeJob = {}, QObject *parent = nullptr);
    // Drains: every queued job is written before the thread ends.
    ~AutosaveWriter() override;

    // Queues a job. A job still waiting for the same targets is replaced: the newer snapshot
    // holds everything the older one did, so only the newest is written.
    void enqueue(AutosaveJob job);
    // Blocks until every queued job has been written (or has failed).
    void drain();
    // The outcomes of the finished jobs, oldest first; each is handed out once.
    [[nodiscard]] std::deque<AutosaveOutcome> takeOutcomes();

signals:
    // Emitted on the writer thread after each job; connect queued.
    void outcomesReady();

private:
    void run();

    std::function<void()> m_beforeJob;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<AutosaveJob> m_queue;
    std::deque<AutosaveOutcome> m_outcomes;
    bool m_running = false;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_thread;
};
