#pragma once

// The one serial device through which the SportIdent station is reached (Linux, POSIX termios).
//
// Everything runs on the thread that owns the manager (the main thread): reads are driven by a
// QSocketNotifier on the event loop and the descriptor stays non-blocking, so a read never stalls
// the loop and reads and writes can never overlap.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QSocketNotifier;

struct SIPortError
{
    enum class Kind { OpenFailed, ConfigFailed };
    Kind kind = Kind::OpenFailed;
    // "Unable to open " + path and why (portOpenFailureMessage), "tcgetattr failed" or
    // "tcsetattr failed".
    QString message;
    // The system's error number of the failed call; 0 when there was none.
    int systemError = 0;
};

// The system's own English description of an error number ("Permission denied"), as the log and
// the message tables know it; "Error <n>" for a number the C library does not describe.
[[nodiscard]] QString systemErrorText(int error);

// Why the device at `path` could not be opened, in English (the window translates it):
// "Unable to open /dev/ttyUSB0: Device or resource busy". A permission error (EACCES, EPERM) also
// says how to get access, for on Debian and Ubuntu a serial device belongs to the dialout group.
[[nodiscard]] QString portOpenFailureMessage(const QString &path, int error);

// Where device discovery looks. Tests point the roots at a fake tree.
struct SIDeviceRoots
{
    QString sysRoot = QStringLiteral("/sys");
    QString devRoot = QStringLiteral("/dev");
    // Ports the user names explicitly (for example a station simulator's pseudo-terminal). They are
    // appended to the plain device list and count as identified readers.
    QStringList extraPorts;

    // Default roots plus the paths listed in VEXLO_SI_PORTS (separated by ':').
    [[nodiscard]] static SIDeviceRoots fromEnvironment();
};

class SIPortManager : public QObject
{
    Q_OBJECT
public:
    explicit SIPortManager(QObject *parent = nullptr);
    ~SIPortManager() override;

    // Called with every chunk read from the device.
    std::function<void(const QByteArray &bytes)> onDataReceived;
    // Called from inside openPort() when opening or configuring fails.
    std::function<void(const SIPortError &error)> onError;
    // Called once when an open port closes: end of file, a read error (the device went away) or
    // closePort().
    std::function<void()> onDisconnect;

    // Opens and configures the device (raw 8N1, no flow control, DTR and RTS raised) and starts
    // reading. A port that is already open is closed first, without onDisconnect. Returns false
    // after reporting the failure through onError; nothing stays open then.
    bool openPort(const QString &path, int baudRate = 38400);
    // Writes all bytes at once; short writes and write errors are ignored; nothing when closed.
    void writeBytes(const QByteArray &bytes);
    // Stops reading, closes the descriptor and calls onDisconnect (only when a port was open).
    void closePort();
    // Stops reading and closes the descriptor without calling onDisconnect.
    void stopReading();

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }
    [[nodiscard]] int fileDescriptor() const { return m_fd; }

    // Serial devices whose USB ancestor is the station's bridge (vendor 0x10C4, product 0x800A),
    // in directory order, then the extra ports.
    [[nodiscard]] static QStringList discoverReaders(
        const SIDeviceRoots &roots = SIDeviceRoots::fromEnvironment());
    // ttyUSB* and ttyACM* devices in directory order (no sorting), then the extra ports.
    [[nodiscard]] static QStringList listSerialDevices(
        const SIDeviceRoots &roots = SIDeviceRoots::fromEnvironment());

private:
    void handleReadEvent();
    void startReadLoop();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
