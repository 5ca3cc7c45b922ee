#include "casetable.h"
#include "hugepageheap.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

constexpr char kChildArgument[] = "--report-heap";
const QString kUnset = QStringLiteral("(unset)");

bool sanitizedBuild()
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

// Whether the kernel marked the mapping that holds `address` for huge pages ("hg" among its
// VmFlags in /proc/self/smaps).
bool markedForHugePages(const void *address)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return false;
    const auto at = quintptr(address);
    bool inside = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        // A mapping's first line is "start-end perms offset dev inode path", its other lines
        // "Name: value".
        const qsizetype space = line.indexOf(' ');
        const qsizetype dash = line.left(space).indexOf('-');
        bool okStart = false;
        bool okEnd = false;
        const quintptr start = line.left(dash).toULongLong(&okStart, 16);
        const quintptr end = line.mid(dash + 1, space - dash - 1).toULongLong(&okEnd, 16);
        if (dash > 0 && okStart && okEnd) {
            inside = start <= at && at < end;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.mid(8).split(' ').contains("hg");
        }
    }
    return false;
}

// The child: restarts as the application does, then reports the tunables it runs with and
// whether a large allocation's memory is marked for huge pages.
int reportHeap(char **argv)
{
    const pid_t before = ::getpid();
    restartWithHugePageHeap(argv);
    const size_t size = size_t(64) << 20;
    auto *block = static_cast<char *>(std::malloc(size));
    if (!block)
        return 2;
    std::memset(block, 1, size);
    const char *tunables = std::getenv("GLIBC_TUNABLES");
    std::printf("tunables=%s\nhuge=%s\npid=%lld\n", tunables ? tunables : "(unset)",
        markedForHugePages(block + size / 2) ? "yes" : "no", static_cast<long long>(before));
    std::free(block);
    return 0;
}

} // namespace

class TestHugePageHeap : public QObject
{
    Q_OBJECT

private slots:
    void tunables_data() { casetable::load("model/glibc-tunables.tsv"); }
    void tunables()
    {
        QFETCH(QStringList, cells);
        QCOMPARE(cells.size(), 2);
        const std::optional<QByteArray> after
            = tunablesWithHugePageHeap(cells[0] == kUnset ? QByteArray() : cells[0].toUtf8());
        QCOMPARE(after ? QString::fromUtf8(*after) : QStringLiteral("(as it is)"), cells[1]);
    }

    // A real process: started without the setting, it restarts once (same process, the same
    // arguments) and its large blocks are then marked for huge pages; started with the setting
    // turned off, it stays as it is.
    void restartedProcess_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("tunables");
        QTest::addColumn<QString>("huge");
        QTest::newRow("without the setting") << kUnset << "glibc.malloc.hugetlb=1"
                                             << "yes";
        QTest::newRow("with another tunable") << "glibc.malloc.check=0"
                                              << "glibc.malloc.check=0:glibc.malloc.hugetlb=1"
                                              << "yes";
        QTest::newRow("turned off") << "glibc.malloc.hugetlb=0"
                                    << "glibc.malloc.hugetlb=0"
                                    << "no";
    }
    void restartedProcess()
    {
        if (sanitizedBuild())
            QSKIP("the sanitizers' allocator ignores the C library's heap settings");
        QFile enabled(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
        if (!enabled.open(QIODevice::ReadOnly) || enabled.readAll().contains("[never]"))
            QSKIP("this kernel offers no transparent huge pages");
        QFETCH(QString, start);
        QFETCH(QString, tunables);
        QFETCH(QString, huge);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("GLIBC_TUNABLES"));
        if (start != kUnset)
            environment.insert(QStringLiteral("GLIBC_TUNABLES"), start);
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildArgument)});
        QVERIFY(child.waitForStarted(30000));
        const qint64 started = child.processId();
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("tunables=") + tunables);
        QCOMPARE(lines.value(1), QStringLiteral("huge=") + huge);
        // The restart keeps the process: the one the parent started is the one that reports.
        QCOMPARE(lines.value(2), QStringLiteral("pid=%1").arg(started));
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], kChildArgument) == 0)
        return reportHeap(argv);
    QCoreApplication app(argc, argv);
    TestHugePageHeap test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hugepageheap.moc"
