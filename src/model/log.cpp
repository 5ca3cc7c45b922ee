#include "log.h"

#include <QMutex>

#include <cstdio>

namespace {
QMutex sinkMutex;
LogSink currentSink;
} // namespace

void logLine(const QString &line)
{
    LogSink sink;
    {
        QMutexLocker lock(&sinkMutex);
        sink = currentSink;
    }
    if (sink) {
        sink(line);
        return;
    }
    const QByteArray bytes = line.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

LogSink setLogSink(LogSink sink)
{
    QMutexLocker lock(&sinkMutex);
    std::swap(currentSink, sink);
    return sink;
}

LogCapture::LogCapture()
{
    m_previous = setLogSink([this](const QString &line) { m_lines.append(line); });
}

LogCapture::~LogCapture()
{
    setLogSink(std::move(m_previous));
}
