#include "autosavewriter.h"

#include "atomicfile.h"
#include "racejson.h"

std::optional<QString> writeRaceFile(const Race &race, JsonLayout layout, const QString &path)
{
    QString error;
    const auto json = encodeRace(race, layout, &error);
    if (!json || !writeFileAtomically(path, *json, &error))
        return error;
    return std::nullopt;
}

AutosaveOutcome runAutosaveJob(const AutosaveJob &job)
{
    AutosaveOutcome outcome;
    // The local file first: it is the copy that must survive whatever happens to the event file.
    outcome.localError
        = job.localRefused ? job.localRefused : writeRaceFile(job.race, JsonLayout::Compact, job.localPath);
    if (job.eventPath) {
        outcome.hadEventFile = true;
        outcome.eventUrl = job.eventUrl;
        if (job.eventPath->isEmpty())
            outcome.eventError = QStringLiteral("Not a local file: ") + job.eventUrl.toString();
        else
            outcome.eventError = writeRaceFile(job.race, JsonLayout::PrettySorted, *job.eventPath);
    }
    if (job.afterWritten && !outcome.localError && !outcome.eventError)
        job.afterWritten();
    return outcome;
}

AutosaveWriter::AutosaveWriter(std::function<void()> beforeJob, QObject *parent)
    : QObject(parent)
    , m_beforeJob(std::move(beforeJob))
{
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(QStringLiteral("autosave writer"));
    m_thread->start();
}

AutosaveWriter::~AutosaveWriter()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread->wait();
}

void AutosaveWriter::enqueue(AutosaveJob job)
{
    {
        const std::lock_guard lock(m_mutex);
        // Only jobs not yet started are in the queue. A waiting job without an event file, or for
        // the same one, is covered by the new job; one for another event file is kept.
        if (!m_queue.empty()) {
            const AutosaveJob &last = m_queue.back();
            if (!last.eventPath || last.eventPath == job.eventPath)
                m_queue.pop_back();
        }
        m_queue.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void AutosaveWriter::drain()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_queue.empty() && !m_running; });
}

std::deque<AutosaveOutcome> AutosaveWriter::takeOutcomes()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_outcomes, {});
}

void AutosaveWriter::run()
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, and nothing left to write
        const AutosaveJob job = std::move(m_queue.front());
        m_queue.pop_front();
        m_running = true;
        lock.unlock();

        if (m_beforeJob)
            m_beforeJob();
        AutosaveOutcome outcome = runAutosaveJob(job);

        lock.lock();
        m_outcomes.push_back(std::move(outcome));
        m_running = false;
        lock.unlock();
        m_idle.notify_all();
        emit outcomesReady();
    }
}
