#include "siportmanager.h"

#include "log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr quint16 stationVendorId = 0x10C4;
constexpr quint16 stationProductId = 0x800A;

std::optional<speed_t> speedFor(int baudRate)
{
    switch (baudRate) {
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return std::nullopt;
    }
}

std::optional<quint16> readHexId(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const uint value = file.read(16).trimmed().toUInt(&ok, 16);
    if (!ok || value > 0xFFFF)
        return std::nullopt;
    return quint16(value);
}

// Walks from the tty's device folder up through its sysfs parents, stopping at the root, and
// answers whether one of them carries the given USB ids.
bool matchesUsbIds(const QString &deviceDir, const QString &sysRoot, quint16 vendor, quint16 product)
{
    const QString root = QFileInfo(sysRoot).canonicalFilePath();
    QString dir = QFileInfo(deviceDir).canonicalFilePath();
    if (root.isEmpty() || dir.isEmpty())
        return false;
    while (dir.startsWith(root) && dir.size() > root.size()) {
        const auto v = readHexId(dir + QStringLiteral("/idVendor"));
        const auto p = readHexId(dir + QStringLiteral("/idProduct"));
        if (v && p && *v == vendor && *p == product)
            return true;
        const QString parent = QFileInfo(dir).path();
        if (parent == dir)
            break;
        dir = parent;
    }
    return false;
}

void appendExtras(QStringList &paths, const QStringList &extras)
{
    for (const QString &extra : extras) {
        if (!extra.isEmpty() && !paths.contains(extra))
            paths.append(extra);
    }
}

} // namespace

QString systemErrorText(int error)
{
    // The C library's English text whatever the locale: the tables translate it for the window.
    if (const char *text = ::strerrordesc_np(error))
        return QString::fromUtf8(text);
    return QStringLiteral("Error %1").arg(error);
}

QString portOpenFailureMessage(const QString &path, int error)
{
    QString message
        = QStringLiteral("Unable to open ") + path + QStringLiteral(": ") + systemErrorText(error);
    if (error == EACCES || error == EPERM)
        message += QStringLiteral(". Add your user to the dialout group and log in again, or install Vexlo's "
                                  "package, which grants access to SportIdent stations.");
    return message;
}

SIDeviceRoots SIDeviceRoots::fromEnvironment()
{
    SIDeviceRoots roots;
    const QString extra = qEnvironmentVariable("VEXLO_SI_PORTS");
    roots.extraPorts = extra.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return roots;
}

SIPortManager::SIPortManager(QObject *parent)
    : QObject(parent)
{ }

SIPortManager::~SIPortManager()
{
    stopReading();
}

bool SIPortManager::openPort(const QString &path, int baudRate)
{
    if (m_fd >= 0)
        stopReading();

    const auto fail = [this](SIPortError::Kind kind, const QString &message, int error = 0) {
        if (onError)
            onError(SIPortError {kind, message, error});
        return false;
    };

    const QByteArray nativePath = QFile::encodeName(path);
    // Kept non-blocking: reads happen only when the notifier says data is ready, and a spurious
    // wake-up must not stall the event loop.
    const int fd = ::open(nativePath.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return fail(SIPortError::Kind::OpenFailed, portOpenFailureMessage(path, error), error);
    }

    termios options {};
    if (::tcgetattr(fd, &options) != 0) {
        ::close(fd);
        return fail(SIPortError::Kind::ConfigFailed, QStringLiteral("tcgetattr failed"));
    }
    const auto speed = speedFor(baudRate);
    ::cfmakeraw(&options);
    if (speed) {
        ::cfsetispeed(&options, *speed);
        ::cfsetospeed(&options, *speed);
    }
    options.c_cflag &= ~tcflag_t(CSIZE | CSTOPB | CREAD | PARENB | CLOCAL | CRTSCTS);
    options.c_cflag |= CS8 | CREAD | CLOCAL;
    if (!speed || ::tcsetattr(fd, TCSANOW, &options) != 0) {
        ::close(fd);
        return fail(SIPortError::Kind::ConfigFailed, QStringLiteral("tcsetattr failed"));
    }

    int status = 0;
    const int getResult = ::ioctl(fd, TIOCMGET, &status);
    status |= TIOCM_DTR | TIOCM_RTS;
    const int setResult = ::ioctl(fd, TIOCMSET, &status);
    logLine(QStringLiteral("SIPortManager: opened fd=%1 TIOCMGET=%2 TIOCMSET=%3 status=%4")
                .arg(fd)
                .arg(getResult)
                .arg(setResult)
                .arg(status));

    m_fd = fd;
    startReadLoop();
    return true;
}

void SIPortManager::startReadLoop()
{
    if (m_fd < 0)
        return;
    logLine(QStringLiteral("SIPortManager: starting read loop on fd=%1").arg(m_fd));
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SIPortManager::handleReadEvent);
}

void SIPortManager::handleReadEvent()
{
    if (m_fd < 0)
        return;
    char buffer[1024] = {};
    const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
    const int error = n < 0 ? errno : 0;
    logLine(QStringLiteral("SIPortManager: read event fired, n=%1 errno=%2").arg(n).arg(error));
    if (n > 0) {
        if (onDataReceived)
            onDataReceived(QByteArray(buffer, qsizetype(n)));
        return;
    }
    if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK || error == EINTR))
        return;
    // End of file, or an error such as EIO once the device is gone.
    closePort();
}

void SIPortManager::writeBytes(const QByteArray &bytes)
{
    if (m_fd < 0 || bytes.isEmpty())
        return;
    const ssize_t written = ::write(m_fd, bytes.constData(), size_t(bytes.size()));
    Q_UNUSED(written); // a station that misses a command is recovered by the protocol's waits
}

void SIPortManager::stopReading()
{
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void SIPortManager::closePort()
{
    const bool wasOpen = m_fd >= 0;
    stopReading();
    if (wasOpen && onDisconnect)
        onDisconnect();
}

QStringList SIPortManager::discoverReaders(const SIDeviceRoots &roots)
{
    QStringList readers;
    const QDir ttyClass(roots.sysRoot + QStringLiteral("/class/tty"));
    const QStringList names
        = ttyClass.entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &name : names) {
        const QString deviceDir = ttyClass.filePath(name + QStringLiteral("/device"));
        if (matchesUsbIds(deviceDir, roots.sysRoot, stationVendorId, stationProductId))
            readers.append(roots.devRoot + QLatin1Char('/') + name);
    }
    appendExtras(readers, roots.extraPorts);
    return readers;
}

QStringList SIPortManager::listSerialDevices(const SIDeviceRoots &roots)
{
    QStringList devices;
    const QDir dev(roots.devRoot);
    const QStringList names
        = dev.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &name : names) {
        if (name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM")))
            devices.append(roots.devRoot + QLatin1Char('/') + name);
    }
    appendExtras(devices, roots.extraPorts);
    return devices;
}
