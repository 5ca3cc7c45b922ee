#include "atomicfile.h"
#include "autosavewriter.h"
#include "casetable.h"
#include "log.h"
#include "racegenerator.h"
#include "racejournal.h"
#include "racejson.h"
#include "racelocalstore.h"
#include "stationchild.h"
#include "storeharness.h"
#include "syncoutbox.h"
#include "testenvironment.h"
#include "teststation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file system of `kib` KiB at `path`, private to this process's mount namespace, unmounted when
// it goes (with a read-only bind left over it: the first unmount takes the bind, the second the
// disk). A tmpfs or a ramfs (memory, the ramfs taking no direct writes), or ext4 on a loop device
// over an image file beside `path` (a disk's file system, with or without extents: without them
// it cannot set space aside).
class SmallDisk
{
public:
    SmallDisk(const QString &path, int kib, const QString &kind = QStringLiteral("tmpfs"))
        : m_path(path)
    {
        if (!QDir().mkpath(path))
            return;
        if (kind == QStringLiteral("tmpfs") || kind == QStringLiteral("ramfs")) {
            const QByteArray options = "size=" + QByteArray::number(kib) + "k";
            const QByteArray type = kind.toLatin1();
            m_mounted = ::mount(type.constData(), QFile::encodeName(path).constData(), type.constData(), 0,
                            options.constData())
                == 0;
            return;
        }
        QFile image(imagePath());
        if (!image.open(QIODevice::WriteOnly) || !image.resize(qint64(kib) * 1024))
            return;
        image.close();
        // No blocks kept for root (the test runs as root and would use them), and every table
        // written now rather than by a background thread while the test fills the disk.
        QStringList format {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-b"),
            QStringLiteral("4096"), QStringLiteral("-m"), QStringLiteral("0"), QStringLiteral("-E"),
            QStringLiteral("lazy_itable_init=0,lazy_journal_init=0")};
        if (kind == QStringLiteral("ext4 without extents"))
            format << QStringLiteral("-O") << QStringLiteral("^64bit,^extents");
        else if (kind != QStringLiteral("ext4"))
            return;
        m_mounted = run(QStringLiteral("mkfs.ext4"), format << imagePath()) && mountImage();
    }
    ~SmallDisk()
    {
        for (int i = 0; m_mounted && i < 2; ++i)
            ::umount2(QFile::encodeName(m_path).constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    // Shuts an ext4 disk down as when its device goes away (after writing back what it holds):
    // every later operation on it fails with EIO. remount() brings it back.
    [[nodiscard]] bool shutDown() const
    {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        constexpr unsigned long shutdownRequest = _IOR('X', 125, quint32);
        quint32 flags = 0; // written back first
        const bool done = fd >= 0 && ::ioctl(fd, shutdownRequest, &flags) == 0;
        if (fd >= 0)
            ::close(fd);
        return done;
    }
    [[nodiscard]] bool remount()
    {
        m_mounted = ::umount2(QFile::encodeName(m_path).constData(), 0) == 0 && mountImage();
        return m_mounted;
    }

    // Pages of the file at `path` held in the page cache: all of them, or those holding any of
    // the bytes [from, to).
    [[nodiscard]] static qsizetype cachedPages(const QString &path, qint64 from = 0, qint64 to = -1)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() == 0)
            return 0;
        const size_t length = size_t(file.size());
        void *map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, file.handle(), 0);
        if (map == MAP_FAILED)
            return -1;
        const size_t page = size_t(::sysconf(_SC_PAGESIZE));
        std::vector<unsigned char> resident((length + page - 1) / page);
        qsizetype count = -1;
        if (::mincore(map, length, resident.data()) == 0) {
            const auto first = resident.begin() + qsizetype(size_t(from) / page);
            const auto end
                = to < 0 ? resident.end() : resident.begin() + qsizetype((size_t(to) + page - 1) / page);
            count = std::count_if(first, end, [](unsigned char r) { return r & 1; });
        }
        ::munmap(map, length);
        return count;
    }

    [[nodiscard]] bool isMounted() const { return m_mounted; }
    [[nodiscard]] const QString &path() const { return m_path; }

    // A read-only bind mount over the disk (root ignores file permissions); false undoes it.
    [[nodiscard]] bool setReadOnly(bool readOnly)
    {
        const QByteArray p = QFile::encodeName(m_path);
        if (readOnly && ::mount(p.constData(), p.constData(), nullptr, MS_BIND, nullptr) != 0)
            return false;
        if (::mount(
                nullptr, p.constData(), nullptr, MS_REMOUNT | MS_BIND | (readOnly ? MS_RDONLY : 0), nullptr)
            != 0)
            return false;
        return readOnly || ::umount2(p.constData(), MNT_DETACH) == 0;
    }

    // Fills the disk up to `leave` bytes with the file "filler".
    void fill(qint64 leave) const
    {
        QFile filler(QDir(m_path).filePath(QStringLiteral("filler")));
        QVERIFY(filler.open(QIODevice::Append));
        const QByteArray block(1024, 'x');
        // A tmpfs counts whole pages: the last page is filled byte by byte.
        while (filler.write(block) == block.size() && filler.flush()) { }
        filler.close();
        if (leave > 0)
            QVERIFY(filler.resize(std::max<qint64>(0, filler.size() - leave)));
    }

    // Fills the disk as a case names it: "full", or "N MiB left".
    void fillLeaving(const QString &left) const
    {
        fill(left == QStringLiteral("full") ? 0 : left.section(QLatin1Char(' '), 0, 0).toLongLong() << 20);
    }

    // Makes the disk refuse writes, read-only or full; takeWritesAgain() undoes it.
    [[nodiscard]] bool refuseWrites(bool readOnly)
    {
        if (readOnly)
            return setReadOnly(true);
        fill(0);
        return true;
    }
    [[nodiscard]] bool takeWritesAgain(bool readOnly)
    {
        return readOnly ? setReadOnly(false) : QFile::remove(QDir(m_path).filePath(QStringLiteral("filler")));
    }

private:
    QString m_path;
    bool m_mounted = false;

    [[nodiscard]] QString imagePath() const { return m_path + QStringLiteral(".img"); }
    [[nodiscard]] bool mountImage() const
    {
        return run(QStringLiteral("mount"),
            {QStringLiteral("-t"), QStringLiteral("ext4"), QStringLiteral("-o"), QStringLiteral("loop"),
                imagePath(), m_path});
    }
    [[nodiscard]] static bool run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }
};

// Bytes that show any one of them out of place: a repeat of a short pattern could not.
QByteArray numberedBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random {seed};
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(random.bounded(256));
    return bytes;
}

// A record of `length` bytes in all (its line in the journal, with the line's end) for result
// `n` of journal/snapshot.json, numbered `sequence`: its note of letters that show any block of
// it out of place.
QByteArray journalLineOfLength(qint64 sequence, int n, qsizetype length, QByteArray *body)
{
    const QByteArray head = "{\"seq\":" + QByteArray::number(sequence) + ",\"event\":\""
        + eventE.toByteArray(QUuid::WithoutBraces) + "\",";
    const QByteArray noted = resultBody(n, 1);
    // A note adds its key and quotes with its first letter, and a letter each after that.
    const qsizetype note = length - (head.size() + noted.size() + 2) + 1;
    if (note < 1)
        return {};
    *body = resultBody(n, note);
    const qsizetype at = body->indexOf(QByteArray(note, 'n'));
    QRandomGenerator random {quint32(length)};
    for (qsizetype i = 0; i < note; ++i)
        (*body)[at + i] = char('a' + random.bounded(26));
    return head + *body + "}\n";
}

} // namespace

// Real disk faults on small file systems of the test's own: a full disk and a read-only folder,
// met by the atomic write and by the store (journal and full files), and the journal cut at every
// offset of its last record.
class TestStoreFaults : public QObject
{
    Q_OBJECT

public:
    explicit TestStoreFaults(bool isolated)
        : m_isolated(isolated)
    { }

private:
    bool m_isolated;

    void requireIsolation()
    {
        if (!m_isolated)
            QSKIP("needs a private mount namespace (run as root or in a user namespace)");
    }

private slots:
    void atomicWriteRefused_data() { casetable::load("store/write-refused.tsv"); }
    void atomicWriteRefused()
    {
        requireIsolation();
        QFETCH(QStringList, cells);
        QTemporaryDir dir;
        SmallDisk disk(dir.filePath(QStringLiteral("disk")), 64);
        QVERIFY(disk.isMounted());
        const QString target = QDir(disk.path()).filePath(QStringLiteral("event.json"));
        QString error;
        QVERIFY2(writeFileAtomically(target, "old", &error), qPrintable(error));
        if (cells[1] == QStringLiteral("read-only"))
            QVERIFY(disk.setReadOnly(true));
        else
            disk.fill(cells[1] == QStringLiteral("full") ? 0 : 8192);
        const QByteArray bytes(cells[0].toInt(), 'n');
        const bool written = writeFileAtomically(target, bytes, &error);
        if (cells[2] == QStringLiteral("-")) {
            // Nothing to write needs no space: it may succeed, and then holds nothing.
            QCOMPARE(StoreHarness::readAll(target), written ? bytes : QByteArray("old"));
        } else {
            QVERIFY(!written);
            QVERIFY2(error.endsWith(cells[2]), qPrintable(error));
            QCOMPARE(StoreHarness::readAll(target), QByteArray("old"));
        }
        QStringList left = QDir(disk.path()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("filler"));
        QCOMPARE(left, QStringList {QStringLiteral("event.json")});
    }

    // Every byte in place at sizes around the block, the smallest file written past the page cache
    // and the size of one write, over a larger file, on a disk's file system and on memory ones
    // (a ramfs refuses direct writes); and what the page cache keeps of it, when the disk is one:
    // nothing of a large file but its partial last page, all of a small one.
    void atomicWriteEveryByteInPlace_data() { casetable::load("store/atomic-write-sizes.tsv"); }
    void atomicWriteEveryByteInPlace()
    {
        requireIsolation();
        QFETCH(QStringList, cells);
        QTemporaryDir dir;
        SmallDisk disk(dir.filePath(QStringLiteral("disk")), 64 * 1024, cells[0]);
        if (!disk.isMounted())
            QSKIP("cannot make a file system of this kind here (needs mkfs.ext4 and a free loop device)");
        const QString target = QDir(disk.path()).filePath(QStringLiteral("event.json"));
        const QByteArray old = numberedBytes(5 * 1000 * 1000 + 1, 1);
        QString error;
        QVERIFY2(writeFileAtomically(target, old, &error), qPrintable(error));
        const QByteArray bytes = numberedBytes(cells[1].toLongLong(), 2);
        QVERIFY2(writeFileAtomically(target, bytes, &error), qPrintable(error));
        if (cells[2] != QStringLiteral("-"))
            QCOMPARE(SmallDisk::cachedPages(target), cells[2].toLongLong());
        const QByteArray written = StoreHarness::readAll(target);
        QCOMPARE(written.size(), bytes.size());
        QVERIFY(written == bytes);
        QStringList left = QDir(disk.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left, QStringList {QStringLiteral("event.json")});
    }

    // The background writer's files of a large event (the local autosave, compact, and the event
    // file, pretty) go past the page cache like any other large file, and read back as encoded.
    void autosaveOfLargeEventPastCache()
    {
        requireIsolation();
        QTemporaryDir dir;
        SmallDisk disk(dir.filePath(QStringLiteral("disk")), 128 * 1024, QStringLiteral("ext4"));
        if (!disk.isMounted())
            QSKIP("cannot make an ext4 file system here (needs mkfs.ext4 and a free loop device)");
        AutosaveJob job;
        job.race = generatedRaceOfSize(1000);
        job.localPath = QDir(disk.path()).filePath(QStringLiteral("autosave.json"));
        job.eventPath = QDir(disk.path()).filePath(QStringLiteral("event.vexloevent.json"));
        const AutosaveOutcome outcome = runAutosaveJob(job);
        QVERIFY(!outcome.localError && !outcome.eventError);
        const QList<std::pair<QString, JsonLayout>> files {
            {job.localPath, JsonLayout::Compact}, {*job.eventPath, JsonLayout::PrettySorted}};
        for (const auto &[path, layout] : files) {
            const QByteArray expected = *encodeRace(job.race, layout);
            QVERIFY2(expected.size() >= 8 * 1024 * 1024, qPrintable(path));
            QCOMPARE(SmallDisk::cachedPages(path), expected.size() % 4096 == 0 ? 0 : 1);
            QVERIFY2(StoreHarness::readAll(path) == expected, qPrintable(path));
        }
    }

    // Large writes refused by a disk's file system, past the page cache: the same step and reason
    // as any write, the old file whole and nothing else left, also after the disk comes back.
    void atomicWritePastCacheRefused_data() { casetable::load("store/write-past-cache-refused.tsv"); }
    void atomicWritePastCacheRefused()
    {
        requireIsolation();
        QFETCH(QStringList, cells);
        const QString &fault = cells[2];
        QTemporaryDir dir;
        SmallDisk disk(dir.filePath(QStringLiteral("disk")), 48 * 1024, cells[0]);
        if (!disk.isMounted())
            QSKIP("cannot make a file system of this kind here (needs mkfs.ext4 and a free loop device)");
        const QString target = QDir(disk.path()).filePath(QStringLiteral("event.json"));
        const QByteArray old = numberedBytes(9 * 1024 * 1024 + 3, 1);
        QString error;
        QVERIFY2(writeFileAtomically(target, old, &error), qPrintable(error));
        if (fault == QStringLiteral("read-only"))
            QVERIFY(disk.setReadOnly(true));
        else if (fault == QStringLiteral("shut down"))
            QVERIFY(disk.shutDown());
        else
            disk.fillLeaving(fault);
        const QByteArray bytes = numberedBytes(cells[1].toLongLong(), 2);
        QVERIFY(!writeFileAtomically(target, bytes, &error));
        const QString where = QDir::toNativeSeparators(disk.path());
        QVERIFY2(error.startsWith(cells[3] + QLatin1Char(' ') + where), qPrintable(error));
        QVERIFY2(error.endsWith(QStringLiteral(": ") + cells[4]), qPrintable(error));
        if (fault == QStringLiteral("read-only"))
            QVERIFY(disk.setReadOnly(false));
        else if (fault == QStringLiteral("shut down"))
            QVERIFY(disk.remount());
        QVERIFY(StoreHarness::readAll(target) == old);
        QStringList left = QDir(disk.path()).entryList(QDir::Files | QDir::Hidden);
        left.removeAll(QStringLiteral("filler"));
        QCOMPARE(left, QStringList {QStringLiteral("event.json")});
    }

    // A journal record large enough to go past the page cache (an import's on a large event),
    // after a record that leaves it starting anywhere in a block: its bytes in place, exactly,
    // with only its first and last partial blocks in the page cache of a disk's file system;
    // the same bytes through the cache on memory ones. Refused by a full disk: the same reason as
    // any append, the file cut back to the records before, and the record taken once there is room.
    void largeJournalRecordPastCache_data() { casetable::load("store/journal-large-records.tsv"); }
    void largeJournalRecordPastCache()
    {
        requireIsolation();
        QFETCH(QStringList, cells);
        const QString &fault = cells[3];
        QTemporaryDir dir;
        // Room for the journal to write space ahead of its records (64 MiB free).
        SmallDisk disk(dir.filePath(QStringLiteral("disk")), 160 * 1024, cells[0]);
        if (!disk.isMounted())
            QSKIP("cannot make a file system of this kind here (needs mkfs.ext4 and a free loop device)");
        const QString path = QDir(disk.path()).filePath(RaceJournal::fileName);
        QByteArray body;
        QByteArray before;
        qint64 sequence = 1;
        RaceJournal journal(disk.path());
        QString error;
        if (const qsizetype length = cells[1].toLongLong(); length > 0) {
            before = journalLineOfLength(sequence, 1, length, &body);
            QCOMPARE(before.size(), length);
            QVERIFY2(journal.append(body, eventE, false, &error), qPrintable(error));
            ++sequence;
        }
        const QByteArray line = journalLineOfLength(sequence, 2, cells[2].toLongLong(), &body);
        QCOMPARE(line.size(), cells[2].toLongLong());
        if (fault != QStringLiteral("-")) {
            disk.fillLeaving(fault);
            QVERIFY(!journal.append(body, eventE, false, &error));
            QCOMPARE(error, QStringLiteral("Cannot write %1: %2").arg(path, cells[4]));
            QCOMPARE(StoreHarness::readAll(path), before);
            QCOMPARE(journal.lastSequence(), sequence - 1);
            QVERIFY(QFile::remove(QDir(disk.path()).filePath(QStringLiteral("filler"))));
        }
        QVERIFY2(journal.append(body, eventE, false, &error), qPrintable(error));
        QCOMPARE(journal.lastSequence(), sequence);
        // Before the file is read, which brings all of it into the cache.
        if (cells[5] != QStringLiteral("-"))
            QCOMPARE(SmallDisk::cachedPages(path, before.size(), before.size() + line.size()),
                cells[5].toLongLong());
        const QByteArray found = StoreHarness::readAll(path);
        QCOMPARE(RaceJournal::usedLength(found), before.size() + line.size());
        QVERIFY(found.left(before.size()) == before);
        QVERIFY(found.mid(before.size(), line.size()) == line);
        Race race = storeTestEvent("journal/snapshot.json");
        race.journalEventId = eventE;
        race.journalThrough = 0;
        const qsizetype results = race.results.size();
        const RaceJournal::Replay replay = RaceJournal::replay(race, found);
        QCOMPARE(replay.applied, int(sequence));
        QCOMPARE(replay.setAside, 0);
        QCOMPARE(race.results.size(), results + sequence);
        QCOMPARE(race.results.last().overrideNote.value_or(QString()).size(),
            body.size() - resultBody(2).size() - 18);
    }

    void replacedFileKeptWhereStillReached_data() { casetable::load("store/replaced-file.tsv"); }
    void replacedFileKeptWhereStillReached()
    {
        QFETCH(QStringList, cells);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("event.json"));
        QByteArray old(9 << 20, 'o');
        for (qsizetype i = 0; i < old.size(); i += 4096)
            old[i] = char('a' + (i / 4096) % 26);
        QString error;
        QVERIFY2(writeFileAtomically(target, old, &error), qPrintable(error));
        const QString other = dir.filePath(QStringLiteral("backup.json"));
        QFile reader(target);
        if (cells[0] == QStringLiteral("link"))
            QVERIFY(::link(QFile::encodeName(target).constData(), QFile::encodeName(other).constData()) == 0);
        else if (cells[0] == QStringLiteral("open"))
            QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY2(writeFileAtomically(target, "new", &error), qPrintable(error));
        QCOMPARE(StoreHarness::readAll(target), QByteArray("new"));
        if (cells[0] == QStringLiteral("link"))
            QVERIFY(StoreHarness::readAll(other) == old);
        else if (cells[0] == QStringLiteral("open"))
            QVERIFY(reader.readAll() == old);
        QStringList expected {QStringLiteral("event.json")};
        if (cells[0] == QStringLiteral("link"))
            expected.prepend(QStringLiteral("backup.json"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }

    // An event file reached through a link (a folder shared from elsewhere): the write lands in
    // the file the link names, which keeps its permissions, and the link stays a link.
    void atomicWriteThroughLink_data()
    {
        QTest::addColumn<int>("links");
        QTest::addColumn<bool>("relative");
        QTest::newRow("absolute link") << 1 << false;
        QTest::newRow("relative link") << 1 << true;
        QTest::newRow("link to a link") << 2 << false;
    }
    void atomicWriteThroughLink()
    {
        QFETCH(int, links);
        QFETCH(bool, relative);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("stick")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("home")));
        const QString target = dir.filePath(QStringLiteral("stick/event.json"));
        QVERIFY(writeFileAtomically(target, "old", nullptr));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        QString link = target;
        for (int i = 0; i < links; ++i) {
            const QString next = dir.filePath(QStringLiteral("home/link%1.json").arg(i));
            const QByteArray to = relative ? QByteArray("../stick/event.json") : QFile::encodeName(link);
            QVERIFY(::symlink(to.constData(), QFile::encodeName(next).constData()) == 0);
            link = next;
        }
        QString error;
        QVERIFY2(writeFileAtomically(link, "new", &error), qPrintable(error));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(StoreHarness::readAll(target), QByteArray("new"));
        struct stat info
        { };
        QVERIFY(::stat(QFile::encodeName(target).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 07777, 0640u);
        QCOMPARE(QDir(dir.filePath(QStringLiteral("stick"))).entryList(QDir::Files | QDir::Hidden),
            QStringList {QStringLiteral("event.json")});
    }

    // New files written at once by the window and the background writer: each gets the
    // permissions the process's file mask gives, and the mask stays as it was.
    void newFilesWrittenAtOnceKeepTheMask_data()
    {
        QTest::addColumn<uint>("mask");
        QTest::addColumn<uint>("mode");
        QTest::newRow("group and others read") << 022u << 0644u;
        QTest::newRow("group reads") << 027u << 0640u;
        QTest::newRow("owner only") << 077u << 0600u;
    }
    void newFilesWrittenAtOnceKeepTheMask()
    {
        QFETCH(uint, mask);
        QFETCH(uint, mode);
        // A memory file system: without a disk's syncs the writes overlap often.
        QTemporaryDir dir(QStringLiteral("/dev/shm/vexlo-mask-XXXXXX"));
        if (!dir.isValid())
            QSKIP("needs /dev/shm");
        const mode_t before = ::umask(mode_t(mask));
        const auto restore = qScopeGuard([&] { ::umask(before); });
        std::atomic<int> wrongMode = 0;
        std::atomic<int> failed = 0;
        auto writeNewFiles = [&](const QString &name) {
            const QString path = dir.filePath(name);
            for (int i = 0; i < 20000; ++i) {
                if (!writeFileAtomically(path, "x", nullptr))
                    ++failed;
                struct stat info
                { };
                if (::stat(QFile::encodeName(path).constData(), &info) != 0 || (info.st_mode & 07777) != mode)
                    ++wrongMode;
                ::unlink(QFile::encodeName(path).constData());
            }
        };
        std::thread other(writeNewFiles, QStringLiteral("writer.json"));
        writeNewFiles(QStringLiteral("window.json"));
        other.join();
        const mode_t after = ::umask(mode_t(mask));
        QCOMPARE(failed.load(), 0);
        QCOMPARE(wrongMode.load(), 0);
        QCOMPARE(after, mode_t(mask));
    }

    // A card read right after a correction whose record the full disk refused: the read's record
    // holds the correction as well (a read's record otherwise compares only the results it
    // appends), so the journal replayed gives the event as the store holds it. With idle time
    // between them the store's own work runs there as well. The refused record may also be a
    // result received from a station (in place of the one held) or another card read (the lists
    // then differ in length).
    void cardReadAfterRefusedRecordHoldsBoth_data()
    {
        // Whether a card was read before the refused record (else the event came with a result).
        QTest::addColumn<bool>("readFirst");
        QTest::addColumn<bool>("idle");
        // note, receive or read
        QTest::addColumn<QString>("refused");
        QTest::newRow("read right after") << true << false << QStringLiteral("note");
        QTest::newRow("idle time between") << true << true << QStringLiteral("note");
        QTest::newRow("first read of the event") << false << true << QStringLiteral("note");
        QTest::newRow("received result, read right after") << true << false << QStringLiteral("receive");
        QTest::newRow("received result, idle time between") << true << true << QStringLiteral("receive");
        QTest::newRow("received result, first read") << false << true << QStringLiteral("receive");
        QTest::newRow("refused read, read right after") << true << false << QStringLiteral("read");
        QTest::newRow("refused read, idle time between") << true << true << QStringLiteral("read");
        QTest::newRow("refused first read") << false << false << QStringLiteral("read");
    }
    void cardReadAfterRefusedRecordHoldsBoth()
    {
        requireIsolation();
        QFETCH(bool, readFirst);
        QFETCH(bool, idle);
        QFETCH(QString, refused);
        StoreHarness harness;
        // Neither a retry nor a full write runs in between: only the read's record can hold it.
        harness.firstRetryDelay = std::chrono::hours(1);
        harness.fullWriteGap = std::chrono::hours(1);
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        LogCapture log;
        Race race = namedRace(QStringLiteral("Refused"));
        Participant bo;
        bo.givenName = QStringLiteral("Bo");
        bo.cardNumber = QStringLiteral("777");
        race.participants.append(bo);
        Participant cai;
        cai.givenName = QStringLiteral("Cai");
        cai.cardNumber = QStringLiteral("778");
        race.participants.append(cai);
        const QDateTime start = StoreHarness::fixedNow().addSecs(-3600);
        std::optional<PersonResult> anna;
        if (!readFirst) {
            anna.emplace();
            anna->participantId = race.participants.first().id;
            anna->cardNumber = race.participants.first().cardNumber;
            anna->finishTime = start.addSecs(1800);
            anna->readAt = start.addSecs(1860);
            race.results.append(*anna);
        }
        auto store = harness.makeStore(race);
        store->autosave();
        store->flushAutosave();
        const QByteArray files = StoreHarness::readAll(harness.autosavePath());
        if (readFirst)
            anna = store->recordCardReading(
                QStringLiteral("123456"), {}, std::nullopt, start, start.addSecs(1800));
        QVERIFY(anna);
        QCoreApplication::processEvents(); // the store's idle work
        QVERIFY(disk.refuseWrites(false));
        // Longer than a page: its record cannot fit in the journal's last page either.
        const QString note(6000, u'n');
        std::optional<PersonResult> caisRead;
        if (refused == QStringLiteral("note")) {
            store->overrideResultStatus(anna->id, false, note);
        } else if (refused == QStringLiteral("receive")) {
            PersonResult received = *anna;
            received.overrideNote = note;
            store->applyReceivedResult(received);
        } else {
            // Punches enough that the record does not fit in the journal's last page either.
            QList<SIPunch> punches;
            for (int i = 0; i < 200; ++i) {
                SIPunch punch;
                punch.controlCode = 31 + i % 50;
                punch.time = start.addSecs(10 + i);
                punches.append(punch);
            }
            caisRead = store->recordCardReading(
                QStringLiteral("778"), punches, std::nullopt, start, start.addSecs(1850));
            QVERIFY(caisRead);
        }
        QVERIFY2(store->autosaveError().startsWith(QStringLiteral("Changes cannot be recorded")),
            qPrintable(store->autosaveError()));
        QVERIFY(disk.takeWritesAgain(false));
        if (idle)
            QCoreApplication::processEvents();
        QVERIFY(
            store->recordCardReading(QStringLiteral("777"), {}, std::nullopt, start, start.addSecs(1900)));
        QCOMPARE(store->autosaveError(), QString());

        const QByteArray journal = StoreHarness::readAll(QDir(data).filePath(RaceJournal::fileName));
        const QList<QByteArray> lines = journal.left(RaceJournal::usedLength(journal)).trimmed().split('\n');
        const QJsonArray results = QJsonDocument::fromJson(lines.last())
                                       .object()
                                       .value(QStringLiteral("race"))
                                       .toObject()
                                       .value(QStringLiteral("results"))
                                       .toArray();
        QCOMPARE(results.size(), 2);
        if (caisRead)
            QCOMPARE(results.at(0).toObject().value(QStringLiteral("id")).toString(),
                caisRead->id.toString(QUuid::WithoutBraces).toUpper());
        else
            QCOMPARE(results.at(0).toObject().value(QStringLiteral("overrideNote")).toString(), note);
        std::optional<Race> replayed = decodeRace(files);
        QVERIFY(replayed);
        QCOMPARE(RaceJournal::replay(*replayed, journal).setAside, 0);
        replayed->journalThrough.reset();
        Race held = store->race();
        held.journalThrough.reset();
        QCOMPARE(compactJson(*replayed), compactJson(held));
        store.reset();
    }

    // Changes made while the disk is full or read-only: the failure is shown, the journal keeps
    // every record it held (it is never rewritten empty), and once the disk takes writes again a
    // retry puts everything on disk, so a restart has every change.
    void refusingDiskLosesNothingAcknowledged_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("full disk") << false;
        QTest::newRow("read-only folder") << true;
    }
    void refusingDiskLosesNothingAcknowledged()
    {
        requireIsolation();
        QFETCH(bool, readOnly);
        StoreHarness harness;
        harness.firstRetryDelay = std::chrono::milliseconds(20);
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        WriterHold writer;
        harness.writerHook = writer.hook();
        LogCapture log;
        QUuid anna;
        {
            auto store = harness.makeStore(namedRace(QStringLiteral("Refused")));
            anna = store->race().participants.first().id;
            store->autosave();
            store->flushAutosave();
            // Acknowledged while the disk takes writes: held by the journal only (the writer is
            // the next to run), then the disk refuses.
            Participant edited = store->race().participants.first();
            edited.givenName = QStringLiteral("Anna-Lena");
            store->updateParticipant(edited);
            store->flushAutosave();
            writer.hold();
            store->setParticipantStatus(anna, ParticipantStatus::Dns);
            const QByteArray journalBefore
                = StoreHarness::readAll(QDir(data).filePath(RaceJournal::fileName));
            QVERIFY(!journalBefore.isEmpty());
            QVERIFY(disk.refuseWrites(readOnly));
            Participant bo;
            bo.givenName = QStringLiteral("Bo");
            bo.cardNumber = QStringLiteral("777");
            // Longer than a page: its record cannot fit in the journal's last page either.
            bo.club = QString(6000, u'c');
            store->addParticipant(bo);
            writer.release();
            store->flushAutosave();
            const QString reason = readOnly ? QStringLiteral("Read-only file system")
                                            : QStringLiteral("No space left on device");
            QVERIFY2(store->autosaveError().contains(reason), qPrintable(store->autosaveError()));
            // The journal as it was, or with the new record whole (a journal already open may
            // still take appends on a read-only mount): no record lost, no partial line.
            const QByteArray journalAfter = StoreHarness::readAll(QDir(data).filePath(RaceJournal::fileName));
            QVERIFY(journalAfter.startsWith(journalBefore));
            QVERIFY(journalAfter.endsWith('\n'));
            if (!readOnly)
                QCOMPARE(journalAfter, journalBefore);
            // A record that failed is shown first: the change is only in memory.
            if (journalAfter == journalBefore)
                QVERIFY2(store->autosaveError().startsWith(QStringLiteral("Changes cannot be recorded")),
                    qPrintable(store->autosaveError()));
            QVERIFY(!store->retryFailedWrites());

            QVERIFY(disk.takeWritesAgain(readOnly));
            // Tried again on its own (the back-off shortened), not only at quit.
            QTRY_VERIFY(store->autosaveError().isEmpty());
            QVERIFY(store->retryFailedWrites());
            QCOMPARE(store->autosaveError(), QString());
        }
        auto restarted = harness.makeStore();
        QCOMPARE(restarted->race().participants.size(), 2);
        QCOMPARE(restarted->race().participants.first().givenName, QStringLiteral("Anna-Lena"));
        QCOMPARE(restarted->race().participants.first().status, std::optional(ParticipantStatus::Dns));
        QCOMPARE(restarted->race().participants.last().givenName, QStringLiteral("Bo"));
        restarted.reset();
    }

    // The local autosave failing is shown while an event file is open and written fine: it is the
    // copy start-up falls back on.
    void localAutosaveFailureShownWithAnEventFileOpen()
    {
        requireIsolation();
        StoreHarness harness;
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        LogCapture log;
        auto store = harness.makeStore(namedRace(QStringLiteral("Open")));
        QVERIFY(store->save(QUrl::fromLocalFile(harness.path(QStringLiteral("open.vexloevent.json")))));
        store->autosave();
        store->flushAutosave();
        QCOMPARE(store->autosaveError(), QString());
        QVERIFY(disk.setReadOnly(true));
        store->setParticipantStatus(store->race().participants.first().id, ParticipantStatus::Dnf);
        store->flushAutosave();
        QVERIFY2(store->autosaveError().contains(QStringLiteral("Read-only file system")),
            qPrintable(store->autosaveError()));
        QVERIFY(decodeRace(StoreHarness::readAll(harness.path(QStringLiteral("open.vexloevent.json"))))
                    ->participants.first()
                    .status
            == ParticipantStatus::Dnf);
        QVERIFY(disk.setReadOnly(false));
        QVERIFY(store->retryFailedWrites());
        QCOMPARE(store->autosaveError(), QString());
        store.reset();
    }

    // A station's write of the race its master sent, refused by the disk: shown and tried again
    // like any other write, so the received race is on disk before a quit is let through.
    void receivedRaceWriteFailureShown()
    {
        requireIsolation();
        StoreHarness harness;
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        LogCapture log;
        auto store = harness.makeStore(namedRace(QStringLiteral("Station")));
        store->autosave();
        store->flushAutosave();
        QCOMPARE(store->autosaveError(), QString());
        Race received = store->race();
        received.participants.first().givenName = QStringLiteral("Received");
        QVERIFY(disk.setReadOnly(true));
        store->applyReceivedSnapshot(received);
        // Written by the background writer: its outcome is shown once it is in.
        store->flushAutosave();
        QVERIFY2(store->autosaveError().contains(QStringLiteral("Read-only file system")),
            qPrintable(store->autosaveError()));
        QVERIFY(!store->retryFailedWrites());
        QVERIFY(disk.setReadOnly(false));
        QVERIFY(store->retryFailedWrites());
        QCOMPARE(store->autosaveError(), QString());
        store.reset();
        auto restarted = harness.makeStore();
        QCOMPARE(restarted->race().participants.first().givenName, QStringLiteral("Received"));
        restarted.reset();
    }

    // A slave's results the master has not got yet, refused by the disk: shown like any failed
    // write, tried again, and a quit is refused until they are in their file.
    void unsentResultsRefusedByTheDisk_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("full disk") << false;
    }
    void unsentResultsRefusedByTheDisk()
    {
        requireIsolation();
        QFETCH(bool, readOnly);
        StoreHarness harness;
        harness.firstRetryDelay = std::chrono::milliseconds(20);
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        LogCapture log;
        auto store = harness.makeStore(namedRace(QStringLiteral("Station")));
        store->stationSettings()->setRole(StationRole::Slave);
        store->autosave();
        store->flushAutosave();
        QCOMPARE(store->autosaveError(), QString());
        QVERIFY(disk.refuseWrites(readOnly));
        const auto result = store->recordCardReading(QStringLiteral("123456"), {}, std::nullopt, std::nullopt,
            QDateTime(QDate(2025, 5, 17), QTime(11, 30), Qt::UTC));
        QVERIFY(result);
        QCOMPARE(store->syncEngine()->pendingResultCount(), 1);
        const QString outboxPath = QDir(data).filePath(SyncOutboxFile::fileName);
        QVERIFY2(store->autosaveError().startsWith(
                     QStringLiteral("Results not yet sent to the master could not be kept in %1 (")
                         .arg(outboxPath)),
            qPrintable(store->autosaveError()));
        QVERIFY(!QFile::exists(outboxPath));
        QVERIFY(!store->retryFailedWrites());
        QVERIFY(disk.takeWritesAgain(readOnly));
        // Tried again on its own (the back-off shortened), not only at quit.
        QTRY_COMPARE(store->autosaveError(), QString());
        QVERIFY(store->retryFailedWrites());
        const QList<PersonResult> kept = SyncOutboxFile(data).load();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.first().id, result->id);
        store.reset();
    }

    // A slave station in a process of its own whose disk fills while it reads, and whose master
    // has answered none of the reads yet: once the disk has room, the master's next change puts
    // them into the slave's file of unsent results at once, not after the retry delay (an hour
    // here), so that killed then and started again, the slave still hands every read over.
    void slaveKeepsEveryReadAcrossAKillOnceItsDiskHasRoom()
    {
        requireIsolation();
        QTemporaryDir folder;
        const QString data = QDir(folder.path()).filePath(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        LoopbackDirectory directory;
        Station master(directory, StationRole::Master, QStringLiteral("M"));
        master.race.name = QStringLiteral("Relay");
        for (int i = 0; i < 5; ++i) {
            Participant p;
            p.cardNumber = QString::number(1001 + i);
            master.race.participants.append(p);
        }
        const auto answering = master.engine.onResultSubmitted;
        const QStringList slowRetries {QStringLiteral("--retry-delay-ms"), QStringLiteral("3600000")};
        const QByteArray port = QByteArray::number(master.engine.listenPort());
        QList<QUuid> ids;
        {
            StationChild slave(folder.path(), slowRetries);
            QVERIFY(!slave.expect("ready").isEmpty());
            slave.tell("master " + port);
            slave.tell("start");
            QVERIFY(spinUntil([&] { return slave.value("name") == "Relay"; }));
            master.engine.onResultSubmitted = [](const PersonResult &) {};
            QVERIFY(disk.refuseWrites(false));
            for (int card = 1001; card <= 1005; ++card) {
                const QByteArray read = slave.ask("read " + QByteArray::number(card) + " 30", "read");
                ids.append(QUuid::fromString(QLatin1String(read.mid(5))));
                QVERIFY2(!ids.last().isNull(), read.constData());
            }
            const QByteArray error = slave.value("error");
            QVERIFY2(
                error.startsWith("Results not yet sent to the master could not be kept"), error.constData());
            QVERIFY(disk.takeWritesAgain(false));
            master.race.name = QStringLiteral("Relay, day 2");
            master.commit();
            QVERIFY(spinUntil([&] { return slave.value("name") == "Relay, day 2"; }));
            slave.killHard();
        }
        QCOMPARE(master.race.results.size(), 0);

        master.engine.onResultSubmitted = answering;
        StationChild slave(folder.path(), slowRetries);
        QVERIFY(!slave.expect("ready").isEmpty());
        slave.tell("master " + port);
        slave.tell("start");
        QTRY_COMPARE(master.race.results.size(), 5);
        for (const QUuid &id : std::as_const(ids))
            QCOMPARE(countOf(master.race, id), 1);
        QVERIFY(spinUntil([&] { return slave.value("pending") == "0"; }));
    }

    // A new event whose autosave the disk refuses exists only in memory: shown and tried again.
    void newEventWriteRefusedIsShown()
    {
        requireIsolation();
        StoreHarness harness;
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        LogCapture log;
        auto store = harness.makeStore(namedRace(QStringLiteral("Before")));
        store->autosave();
        store->flushAutosave();
        QVERIFY(disk.setReadOnly(true));
        store->newRace();
        QVERIFY2(store->autosaveError().contains(QStringLiteral("Read-only file system")),
            qPrintable(store->autosaveError()));
        QVERIFY(!store->retryFailedWrites());
        QVERIFY(disk.setReadOnly(false));
        QVERIFY(store->retryFailedWrites());
        QCOMPARE(store->autosaveError(), QString());
        QCOMPARE(decodeRace(StoreHarness::readAll(harness.autosavePath()))->name, Race().name);
        store.reset();
    }

    // An autosave start-up cannot read, in a folder where it cannot be moved aside: said at once,
    // and no write replaces it; once the folder can be written it is moved aside first.
    void damagedAutosaveThatCannotBeMovedIsNotWrittenOver_data()
    {
        QTest::addColumn<bool>("background");
        QTest::newRow("background writer") << true;
        QTest::newRow("writes on the main thread") << false;
    }
    void damagedAutosaveThatCannotBeMovedIsNotWrittenOver()
    {
        requireIsolation();
        QFETCH(bool, background);
        StoreHarness harness;
        harness.backgroundAutosave = background;
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        const QByteArray damaged = compactJson(namedRace(QStringLiteral("Damaged"))).left(40);
        QVERIFY(writeFileAtomically(harness.autosavePath(), damaged, nullptr));
        QVERIFY(disk.setReadOnly(true));
        LogCapture log;
        auto store = harness.makeStore();
        QVERIFY2(store->autosaveError().startsWith(
                     QStringLiteral("The autosave %1 is damaged and could not be moved aside (")
                         .arg(harness.autosavePath())),
            qPrintable(store->autosaveError()));
        store->autosave();
        store->flushAutosave();
        QVERIFY(!store->retryFailedWrites());
        QVERIFY(disk.setReadOnly(false));
        // The writes the store tries while the folder refuses must not have queued one over it.
        QCOMPARE(StoreHarness::readAll(harness.autosavePath()), damaged);
        QVERIFY(store->retryFailedWrites());
        QCOMPARE(store->autosaveError(), QString());
        const QStringList aside = QDir(data).entryList({QStringLiteral("current-race.unreadable-*.json")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(StoreHarness::readAll(QDir(data).filePath(aside.first())), damaged);
        QCOMPARE(decodeRace(StoreHarness::readAll(harness.autosavePath()))->name, store->race().name);
        store.reset();
    }

    // The same for a slave's file of unsent results: possibly the only copy of results the master
    // never got, so no result recorded meanwhile is written over it.
    void damagedUnsentResultsThatCannotBeMovedAreNotWrittenOver()
    {
        requireIsolation();
        StoreHarness harness;
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        const QString outboxPath = QDir(data).filePath(SyncOutboxFile::fileName);
        const QByteArray damaged = "[{\"id\":\"8A1B";
        QVERIFY(writeFileAtomically(outboxPath, damaged, nullptr));
        QVERIFY(disk.setReadOnly(true));
        LogCapture log;
        auto store = harness.makeStore(namedRace(QStringLiteral("Station")));
        QCOMPARE(store->autosaveError(),
            QStringLiteral(
                "Results not yet sent to the master could not be kept in %1 (a damaged file in its "
                "place could not be moved aside: Read-only file system); they are held only in "
                "memory until that works.")
                .arg(outboxPath));
        store->stationSettings()->setRole(StationRole::Slave);
        QVERIFY(store->recordCardReading(QStringLiteral("123456"), {}, std::nullopt, std::nullopt,
            QDateTime(QDate(2025, 5, 17), QTime(11, 30), Qt::UTC)));
        QVERIFY(!store->retryFailedWrites());
        QVERIFY(disk.setReadOnly(false));
        QCOMPARE(StoreHarness::readAll(outboxPath), damaged);
        QVERIFY(store->retryFailedWrites());
        QCOMPARE(store->autosaveError(), QString());
        const QStringList aside
            = QDir(data).entryList({SyncOutboxFile::fileName + QStringLiteral(".unreadable-*")});
        QCOMPARE(aside.size(), 1);
        QCOMPARE(StoreHarness::readAll(QDir(data).filePath(aside.first())), damaged);
        QCOMPARE(SyncOutboxFile(data).load().size(), 1);
        store.reset();
    }

    // Changes found at start-up that cannot be replayed (another event's), on a disk too full for
    // a copy of the journal: the journal as found is still kept, whole, and said where.
    void unreplayedChangesKeptOnAFullDisk()
    {
        requireIsolation();
        StoreHarness harness;
        const QString data = harness.path(QStringLiteral("data"));
        SmallDisk disk(data, 256);
        QVERIFY(disk.isMounted());
        Race race = namedRace(QStringLiteral("Kept"));
        race.journalEventId = QUuid::createUuid();
        QVERIFY(writeFileAtomically(harness.autosavePath(), compactJson(race), nullptr));
        const QByteArray other = "{\"seq\":1,\"event\":\""
            + QUuid::createUuid().toByteArray(QUuid::WithoutBraces)
            + "\",\"op\":\"commit\",\"removedBytes\":2,\"removed\":{},\"race\":{\"name\":\""
            + QByteArray(40000, 'x') + "\"}}\n";
        QVERIFY(writeFileAtomically(QDir(data).filePath(RaceJournal::fileName), other, nullptr));
        disk.fill(8192);
        LogCapture log;
        auto store = harness.makeStore();
        QCOMPARE(store->race().name, QStringLiteral("Kept"));
        QVERIFY2(!store->unrestoredChangesFile().isEmpty(), qPrintable(log.lines().join(u'\n')));
        QCOMPARE(StoreHarness::readAll(store->unrestoredChangesFile()), other);
        store.reset();
    }

    // A journal that cannot be opened (its name taken by a folder) is shown as loudly as a failed
    // save, and the changes still reach the full files.
    void journalThatCannotBeOpenedIsShown()
    {
        StoreHarness harness;
        QVERIFY(QDir().mkpath(harness.path(QStringLiteral("data/") + RaceJournal::fileName)));
        LogCapture log;
        auto store = harness.makeStore(namedRace(QStringLiteral("Blocked")));
        store->setParticipantStatus(store->race().participants.first().id, ParticipantStatus::Dns);
        QVERIFY2(
            store->autosaveError().startsWith(QStringLiteral("Changes cannot be recorded as they are made")),
            qPrintable(store->autosaveError()));
        store->flushAutosave();
        QVERIFY(!store->autosaveError().isEmpty());
        QCOMPARE(decodeRace(StoreHarness::readAll(harness.autosavePath()))->participants.first().status,
            std::optional(ParticipantStatus::Dns));
        QVERIFY(!store->retryFailedWrites());
        store.reset();
    }

    // The event file cut at every offset of its last record (a damaged file): start-up falls back
    // on the local autosave and the journal, and every change comes back.
    void eventFileCutAtEveryOffsetOfItsLastRecord()
    {
        StoreHarness harness;
        WriterHold writer;
        harness.writerHook = writer.hook();
        const QString data = harness.path(QStringLiteral("data"));
        const QString eventPath = harness.path(QStringLiteral("cup.vexloevent.json"));
        QByteArray eventFile;
        QByteArray autosave;
        QByteArray journal;
        QByteArray expected;
        LogCapture log;
        {
            auto store = harness.makeStore(storeTestEvent("journal/snapshot.json"));
            QVERIFY(store->save(QUrl::fromLocalFile(eventPath)));
            store->autosave();
            store->flushAutosave();
            eventFile = StoreHarness::readAll(eventPath);
            autosave = StoreHarness::readAll(harness.autosavePath());
            writer.hold();
            Participant bo;
            bo.givenName = QStringLiteral("Bo");
            bo.cardNumber = QStringLiteral("777");
            store->addParticipant(bo);
            store->overrideResultStatus(store->race().results.first().id, true, QStringLiteral("Checked"));
            Race race = store->race();
            race.journalThrough.reset();
            expected = compactJson(race);
            journal = StoreHarness::readAll(QDir(data).filePath(RaceJournal::fileName));
            writer.release();
        }
        // The last record of the pretty event file: its last result, to the end of the file.
        const qsizetype lastRecord = eventFile.lastIndexOf("\"cardNumber\"");
        QVERIFY(lastRecord > 0);
        harness.writerHook = {};
        harness.backgroundAutosave = false;
        for (qsizetype cut = lastRecord; cut < eventFile.size(); ++cut) {
            QVERIFY(writeFileAtomically(eventPath, eventFile.left(cut), nullptr));
            QVERIFY(writeFileAtomically(harness.autosavePath(), autosave, nullptr));
            QVERIFY(writeFileAtomically(QDir(data).filePath(RaceJournal::fileName), journal, nullptr));
            auto store = harness.makeStore();
            Race race = store->race();
            race.journalThrough.reset();
            QVERIFY2(compactJson(race) == expected, qPrintable(QStringLiteral("cut at %1").arg(cut)));
        }
    }

    // A record numbered with the largest number there is (never written by a journal) is set
    // aside, and the changes made after such a start-up are numbered, kept and replayed as ever.
    void journalNumberedPastTheLimitKeepsRecording()
    {
        StoreHarness harness;
        const QString data = harness.path(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(data));
        const Race snapshot = storeTestEvent("journal/snapshot.json");
        QVERIFY(RaceLocalStore(data).save(snapshot));
        const QString journalPath = QDir(data).filePath(RaceJournal::fileName);
        QVERIFY(writeFileAtomically(journalPath,
            casetable::readData(QStringLiteral("store/journal/past-the-limit.journal")), nullptr));
        WriterHold writer;
        harness.writerHook = writer.hook();
        LogCapture log;
        QByteArray crashed;
        QByteArray crashedAutosave;
        {
            auto store = harness.makeStore();
            store->flushAutosave();
            crashedAutosave = StoreHarness::readAll(harness.autosavePath());
            writer.hold();
            Participant edited = store->race().participants.first();
            edited.familyName = QStringLiteral("After");
            store->updateParticipant(edited);
            crashed = StoreHarness::readAll(journalPath);
            writer.release();
        }
        QVERIFY(writeFileAtomically(harness.autosavePath(), crashedAutosave, nullptr));
        QVERIFY(writeFileAtomically(journalPath, crashed, nullptr));
        auto restarted = harness.makeStore();
        QCOMPARE(restarted->race().participants.first().familyName, QStringLiteral("After"));
        QCOMPARE(restarted->race().results.first().completed, true);
    }

    // The journal cut at every offset of its last record (a power cut mid-append): start-up has
    // exactly every earlier operation, whole, and the last one only once its line is whole.
    void tornJournalRecordAtEveryOffset()
    {
        StoreHarness harness;
        WriterHold writer;
        harness.writerHook = writer.hook();
        const QString data = harness.path(QStringLiteral("data"));
        QByteArray snapshot;
        QByteArray found;
        QByteArray journal;
        QByteArray withoutLast;
        QByteArray withLast;
        {
            auto store = harness.makeStore(storeTestEvent("journal/snapshot.json"));
            store->autosave();
            store->flushAutosave();
            snapshot = StoreHarness::readAll(harness.autosavePath());
            // Held as the journal alone: the writer waits until the end.
            writer.hold();
            Participant bo;
            bo.givenName = QStringLiteral("Bo");
            bo.cardNumber = QStringLiteral("777");
            RaceClass h21;
            h21.id = h21.name = QStringLiteral("\uFEFFH21");
            Race withClass = store->race();
            withClass.classes.append(h21);
            store->setRace(withClass);
            bo.classId = h21.id;
            store->addParticipant(bo);
            const QDateTime start(QDate(2025, 5, 17), QTime(10, 30), Qt::UTC);
            QVERIFY(store->recordCardReading(
                QStringLiteral("777"), {}, std::nullopt, start, start.addSecs(1500)));
            withoutLast = compactJson(store->race());
            Race renamed = store->race();
            renamed.name = QStringLiteral("\uFEFFJournal");
            renamed.participants.first().givenName = QStringLiteral("\uFEFFAnna");
            store->setRace(renamed);
            withLast = compactJson(store->race());
            found = StoreHarness::readAll(QDir(data).filePath(RaceJournal::fileName));
            journal = found.left(RaceJournal::usedLength(found));
            // The full files were never written: the snapshot and the journal are what a crash
            // would leave.
            writer.release();
        }
        // The last record went into the space written ahead of it, whose zeros follow.
        QVERIFY(found.size() > journal.size());
        QVERIFY(journal.endsWith('\n'));
        const qsizetype lastStart = journal.lastIndexOf('\n', journal.size() - 2) + 1;
        QVERIFY(lastStart > 0);
        auto normalised = [](Race race) {
            race.journalThrough.reset();
            return compactJson(race);
        };
        const QByteArray expectedWithout = normalised(*decodeRace(withoutLast));
        const QByteArray expectedWith = normalised(*decodeRace(withLast));
        harness.writerHook = {};
        harness.backgroundAutosave = false;
        // Cut short by the crash, or with the record's unwritten part reading as the zeros that
        // were there before it.
        for (qsizetype cut = lastStart; cut <= journal.size(); ++cut) {
            for (const bool zerosAfter : {false, true}) {
                QVERIFY(writeFileAtomically(harness.autosavePath(), snapshot, nullptr));
                const QByteArray bytes
                    = found.left(cut) + (zerosAfter ? QByteArray(found.size() - cut, '\0') : QByteArray());
                QVERIFY(writeFileAtomically(QDir(data).filePath(RaceJournal::fileName), bytes, nullptr));
                for (const QString &aside : QDir(data).entryList({QStringLiteral("*.unreplayed-*")}))
                    QFile::remove(QDir(data).filePath(aside));
                auto store = harness.makeStore();
                const QByteArray got = normalised(store->race());
                QVERIFY2(got == (cut == journal.size() ? expectedWith : expectedWithout),
                    qPrintable(QStringLiteral("cut at %1 of %2%3")
                                   .arg(cut)
                                   .arg(journal.size())
                                   .arg(zerosAfter ? QStringLiteral(", zeros after") : QString())));
            }
        }
    }
};

int main(int argc, char **argv)
{
    // A private mount namespace, entered before anything starts a thread: the test mounts its own
    // small file systems, which nothing outside this process sees.
    const bool isolated
        = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    pinTestEnvironment();
    QCoreApplication app(argc, argv);
    TestStoreFaults test(isolated);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storefaults.moc"
