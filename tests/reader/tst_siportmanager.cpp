#include "log.h"
#include "siportmanager.h"
#include "stationsimulator.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A USB device folder with ids, holding an interface folder holding the tty's device folder, and
// /class/tty/<name>/device pointing at it, as the kernel lays them out.
void addUsbTty(const QString &sys, const QString &name, const QByteArray &vendor, const QByteArray &product,
    const QString &usbPath)
{
    const QString usbDevice = sys + QStringLiteral("/devices/pci0000:00/") + usbPath;
    if (!vendor.isEmpty()) {
        writeFile(usbDevice + QStringLiteral("/idVendor"), vendor + "\n");
        writeFile(usbDevice + QStringLiteral("/idProduct"), product + "\n");
    }
    const QString ttyDevice = usbDevice + QStringLiteral("/1-1:1.0/") + name;
    QDir().mkpath(ttyDevice);
    const QString classDir = sys + QStringLiteral("/class/tty/") + name;
    QDir().mkpath(classDir);
    QVERIFY(QFile::link(ttyDevice, classDir + QStringLiteral("/device")));
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

} // namespace

class TestSIPortManager : public QObject
{
    Q_OBJECT

private slots:
    void discoversReadersByAncestorUsbIds()
    {
        QTemporaryDir root;
        const QString sys = root.filePath(QStringLiteral("sys"));
        addUsbTty(sys, QStringLiteral("ttyUSB0"), "10c4", "800a", QStringLiteral("usb1/1-1"));
        addUsbTty(sys, QStringLiteral("ttyUSB1"), "10C4", "800A", QStringLiteral("usb1/1-2"));
        addUsbTty(sys, QStringLiteral("ttyUSB2"), "0403", "6001", QStringLiteral("usb1/1-3"));
        addUsbTty(sys, QStringLiteral("ttyUSB3"), "10c4", "ea60", QStringLiteral("usb1/1-4"));
        addUsbTty(sys, QStringLiteral("ttyACM0"), QByteArray(), QByteArray(), QStringLiteral("usb2/2-1"));
        QDir().mkpath(sys + QStringLiteral("/class/tty/ttyS0"));

        SIDeviceRoots roots;
        roots.sysRoot = sys;
        roots.devRoot = QStringLiteral("/fake/dev");
        QCOMPARE(sorted(SIPortManager::discoverReaders(roots)),
            (QStringList {QStringLiteral("/fake/dev/ttyUSB0"), QStringLiteral("/fake/dev/ttyUSB1")}));
    }

    void idsAboveTheSysRootDoNotCount()
    {
        QTemporaryDir root;
        // The ids sit in the folder that holds the sys root: the walk must stop at the root.
        writeFile(root.filePath(QStringLiteral("idVendor")), "10c4\n");
        writeFile(root.filePath(QStringLiteral("idProduct")), "800a\n");
        const QString sys = root.filePath(QStringLiteral("sys"));
        addUsbTty(sys, QStringLiteral("ttyUSB0"), QByteArray(), QByteArray(), QStringLiteral("usb1/1-1"));
        SIDeviceRoots roots;
        roots.sysRoot = sys;
        QVERIFY(SIPortManager::discoverReaders(roots).isEmpty());
    }

    void listsUsbSerialDevicesOnly()
    {
        QTemporaryDir root;
        const QString dev = root.filePath(QStringLiteral("dev"));
        for (const char *name : {"ttyUSB0", "ttyACM0", "ttyS0", "tty1", "console", "null", "ttyUSB7"})
            writeFile(dev + QLatin1Char('/') + QLatin1String(name), {});
        QDir().mkpath(dev + QStringLiteral("/pts"));
        SIDeviceRoots roots;
        roots.devRoot = dev;
        roots.extraPorts = {QStringLiteral("/tmp/station"), dev + QStringLiteral("/ttyUSB0")};
        const QStringList listed = SIPortManager::listSerialDevices(roots);
        QCOMPARE(listed.size(), 4);
        QCOMPARE(sorted(listed.mid(0, 3)),
            (QStringList {dev + QStringLiteral("/ttyACM0"), dev + QStringLiteral("/ttyUSB0"),
                dev + QStringLiteral("/ttyUSB7")}));
        // Extra ports come last, without repeating a listed device.
        QCOMPARE(listed.last(), QStringLiteral("/tmp/station"));
    }

    void extraPortsFromEnvironment()
    {
        qputenv("VEXLO_SI_PORTS", "/dev/pts/7::/tmp/station");
        const SIDeviceRoots roots = SIDeviceRoots::fromEnvironment();
        qunsetenv("VEXLO_SI_PORTS");
        QCOMPARE(
            roots.extraPorts, (QStringList {QStringLiteral("/dev/pts/7"), QStringLiteral("/tmp/station")}));
        QCOMPARE(roots.sysRoot, QStringLiteral("/sys"));
        QCOMPARE(roots.devRoot, QStringLiteral("/dev"));
        QVERIFY(SIPortManager::discoverReaders(roots).endsWith(QStringLiteral("/tmp/station")));
        QVERIFY(SIDeviceRoots::fromEnvironment().extraPorts.isEmpty());
    }

    void openFailures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing device") << "/nonexistent/ttyUSB0"
                                        << "Unable to open /nonexistent/ttyUSB0: No such file or directory";
        QTest::newRow("a folder") << "/dev"
                                  << "Unable to open /dev: Is a directory";
        QTest::newRow("not a terminal") << "/dev/null"
                                        << "tcgetattr failed";
    }
    void openFailures()
    {
        QFETCH(QString, path);
        QFETCH(QString, message);
        SIPortManager port;
        QStringList errors;
        int disconnects = 0;
        port.onError = [&](const SIPortError &error) { errors.append(error.message); };
        port.onDisconnect = [&] { ++disconnects; };
        QVERIFY(!port.openPort(path, 38400));
        QCOMPARE(errors, QStringList {message});
        QVERIFY(!port.isOpen());
        QCOMPARE(disconnects, 0);
    }

    // The system's reason for each error number, and the way out of a permission error.
    void openFailureMessages_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        const QString remedy
            = QStringLiteral(". Add your user to the dialout group and log in again, or install "
                             "Vexlo's package, which grants access to SportIdent stations.");
        QTest::newRow("EACCES") << EACCES << "Unable to open /dev/ttyUSB0: Permission denied" + remedy;
        QTest::newRow("EPERM") << EPERM << "Unable to open /dev/ttyUSB0: Operation not permitted" + remedy;
        QTest::newRow("EBUSY") << EBUSY << "Unable to open /dev/ttyUSB0: Device or resource busy";
        QTest::newRow("ENOENT") << ENOENT << "Unable to open /dev/ttyUSB0: No such file or directory";
        QTest::newRow("ENXIO") << ENXIO << "Unable to open /dev/ttyUSB0: No such device or address";
        QTest::newRow("unknown number") << 4242 << "Unable to open /dev/ttyUSB0: Error 4242";
    }
    void openFailureMessages()
    {
        QFETCH(int, error);
        QFETCH(QString, message);
        QCOMPARE(portOpenFailureMessage(QStringLiteral("/dev/ttyUSB0"), error), message);
    }

    void readsWritesAndUnplugOverAPseudoTerminal()
    {
        StationSimulator station;
        QString error;
        QVERIFY2(station.start(&error), qPrintable(error));
        SIPortManager port;
        QByteArray received;
        int disconnects = 0;
        port.onDataReceived = [&](const QByteArray &bytes) { received.append(bytes); };
        port.onDisconnect = [&] { ++disconnects; };
        LogCapture log;
        QVERIFY(port.openPort(station.devicePath(), 38400));
        QVERIFY(port.isOpen());
        QVERIFY(log.lines().first().startsWith(QStringLiteral("SIPortManager: opened fd=")));
        QCOMPARE(log.lines().at(1),
            QStringLiteral("SIPortManager: starting read loop on fd=%1").arg(port.fileDescriptor()));

        QSignalSpy commands(&station, &StationSimulator::commandReceived);
        port.writeBytes(QByteArray::fromHex("FF0202830274010414"
                                            "03"));
        QTRY_COMPARE(commands.size(), 1);
        QCOMPARE(commands.first().at(0).value<quint8>(), quint8(0x83));
        const QByteArray answer = QByteArray(1, char(0xFF))
            + StationSimulator::stationFrame(0x83, QByteArray::fromHex("00227405"));
        QTRY_COMPARE(received, answer);

        station.unplug();
        QTRY_COMPARE(disconnects, 1);
        QVERIFY(!port.isOpen());
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(disconnects, 1);
        // The kernel reports the lost terminal as end of file or EIO, depending on timing.
        QVERIFY(log.lines().last() == QStringLiteral("SIPortManager: read event fired, n=0 errno=0")
            || log.lines().last() == QStringLiteral("SIPortManager: read event fired, n=-1 errno=5"));
    }

    void reopeningClosesTheOldPortFirst()
    {
        StationSimulator first;
        StationSimulator second;
        QVERIFY(first.start());
        QVERIFY(second.start());
        SIPortManager port;
        QByteArray received;
        int disconnects = 0;
        port.onDataReceived = [&](const QByteArray &bytes) { received.append(bytes); };
        port.onDisconnect = [&] { ++disconnects; };
        QVERIFY(port.openPort(first.devicePath(), 38400));
        QVERIFY(port.openPort(second.devicePath(), 38400));
        first.sendRaw("old");
        second.sendRaw("new");
        QTRY_COMPARE(received, QByteArray("new"));
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(received, QByteArray("new"));
        QCOMPARE(disconnects, 0);
    }
};

QTEST_GUILESS_MAIN(TestSIPortManager)
#include "tst_siportmanager.moc"
