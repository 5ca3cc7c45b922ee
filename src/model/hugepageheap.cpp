#include "hugepageheap.h"

#include <QList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr char kHugePageTunable[] = "glibc.malloc.hugetlb";

bool sanitizedBuild()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

// "always [madvise] never": huge pages are offered unless the bracketed choice is "never". A
// kernel without the file has none to offer.
bool kernelOffersHugePages()
{
    FILE *file = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "re");
    if (!file)
        return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    return read && std::strstr(line, "[never]") == nullptr;
}

} // namespace

std::optional<QByteArray> tunablesWithHugePageHeap(const QByteArray &current)
{
    // Tunables are colon-separated name=value pairs; any mention of the heap's page setting,
    // whatever its value, is someone's decision and stays as it is.
    for (const QByteArray &pair : current.split(':')) {
        const qsizetype equals = pair.indexOf('=');
        if (pair.left(equals < 0 ? pair.size() : equals).trimmed() == kHugePageTunable)
            return std::nullopt;
    }
    QByteArray result = current;
    if (!result.isEmpty() && !result.endsWith(':'))
        result += ':';
    result += kHugePageTunable;
    result += "=1";
    return result;
}

void restartWithHugePageHeap(char **argv)
{
    if (sanitizedBuild() || argv == nullptr || argv[0] == nullptr)
        return;
    const char *current = std::getenv("GLIBC_TUNABLES");
    const std::optional<QByteArray> tunables = tunablesWithHugePageHeap(QByteArray(current));
    if (!tunables || !kernelOffersHugePages())
        return;
    const QByteArray previous(current);
    if (::setenv("GLIBC_TUNABLES", tunables->constData(), 1) != 0)
        return;
    ::execv("/proc/self/exe", argv);
    // Still here: the restart failed, and the process goes on as it started.
    if (current)
        ::setenv("GLIBC_TUNABLES", previous.constData(), 1);
    else
        ::unsetenv("GLIBC_TUNABLES");
}
