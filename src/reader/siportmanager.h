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
    // "Unable to open " + path, "tcgetattr failed" or "tcsetattr failed".
    QString message;
};

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
