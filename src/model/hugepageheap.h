#pragma once

#include <QByteArray>

#include <optional>

// At 50,000 entries the event's records and texts span far more memory than the processor's
// address-translation caches cover in 4 kB pages, and lists that visit runners by class or place
// miss them on nearly every record. The C library can ask the kernel for transparent huge pages
// for its heap, but reads that setting only from the environment when a process starts.

// The GLIBC_TUNABLES value that adds huge pages for the heap to `current`, or nothing when
// `current` already says what the heap should do (the organiser's own setting, or this process's
// after it restarted itself).
std::optional<QByteArray> tunablesWithHugePageHeap(const QByteArray &current);

// Restarts the process once, with the same arguments, with the C library's huge pages for the
// heap, where the kernel offers them to processes that ask. Returns when the process already
// runs with the setting, when the kernel does not offer huge pages, in sanitizer builds (their
// allocator ignores the setting) or when the restart fails; nothing else has run by then, so
// the process simply goes on. Call first thing in main, before any thread starts.
void restartWithHugePageHeap(char **argv);
