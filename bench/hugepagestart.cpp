#include "hugepageheap.h"

// Benchmark programs start as the application does: with the C library's huge pages for the
// heap. A constructor runs before Google Benchmark's own registrations, and the C library hands
// constructors the program's arguments.
__attribute__((constructor(101))) static void startWithHugePageHeap(int, char **argv, char **)
{
    restartWithHugePageHeap(argv);
}
