#pragma once

// Output of the helper programs the store tests start and kill (autosave_child,
// sync_station_child): lines on standard output that the test waits for.

#include <QByteArray>

#include <cstdio>

// Writes `lines` (each ended by '\n') to standard output at once, in one write: the test reads
// them while the program runs and may kill it right after, so they never wait in a buffer and a
// block of lines is never cut between them by a kill.
inline void announce(const QByteArray &lines)
{
    std::fwrite(lines.constData(), 1, size_t(lines.size()), stdout);
    std::fflush(stdout);
}
