#pragma once

// Plain log lines on standard output, prefixed by their component ("RaceStore: ...").
// No levels, no log file. Tests install a sink to capture the exact lines.

#include <QString>
#include <QStringList>

#include <functional>

void logLine(const QString &line);

using LogSink = std::function<void(const QString &line)>;
// Replaces where lines go (nullptr restores standard output). Returns the previous sink.
LogSink setLogSink(LogSink sink);

// Captures every line logged while it lives (main thread only), then restores the previous sink.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    [[nodiscard]] const QStringList &lines() const { return m_lines; }
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
    LogSink m_previous;
};
