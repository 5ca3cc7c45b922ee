#pragma once

// The SportIdent reader as the rest of the application sees it: connection state, the card in the
// station (or last read), the port list, and one callback per completely read card. Underneath it
// drives the station: protocol-configuration query, handshake / autosend / polling block reads,
// SI5 reads, the ACK, and clearing the shown card 10 s after removal.
//
// Lives on the main thread. Waits go through an injected ReaderClock; device discovery through
// injected SIDeviceRoots.

#include "readerclock.h"
#include "sicardreading.h"
#include "siframeparser.h"
#include "siportmanager.h"

#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class SIConnectionState
{
    Q_GADGET
    Q_PROPERTY(Kind kind READ kind)
    Q_PROPERTY(QString path READ path)
    Q_PROPERTY(QString message READ message)
    Q_PROPERTY(bool isConnected READ isConnected)
public:
    enum class Kind { Disconnected, Connecting, Connected, Error };
    Q_ENUM(Kind)

    SIConnectionState() = default;
    [[nodiscard]] static SIConnectionState disconnected() { return {}; }
    [[nodiscard]] static SIConnectionState connecting() { return SIConnectionState(Kind::Connecting, {}); }
    [[nodiscard]] static SIConnectionState connected(const QString &path)
    {
        return SIConnectionState(Kind::Connected, path);
    }
    [[nodiscard]] static SIConnectionState error(const QString &message)
    {
        return SIConnectionState(Kind::Error, message);
    }

    [[nodiscard]] Kind kind() const { return m_kind; }
    // The device path while connected, else empty.
    [[nodiscard]] QString path() const { return m_kind == Kind::Connected ? m_text : QString(); }
    // The error message in the error state, else empty.
    [[nodiscard]] QString message() const { return m_kind == Kind::Error ? m_text : QString(); }
    [[nodiscard]] bool isConnected() const { return m_kind == Kind::Connected; }

    friend bool operator==(const SIConnectionState &, const SIConnectionState &) = default;

private:
    SIConnectionState(Kind kind, QString text)
        : m_kind(kind)
        , m_text(std::move(text))
    { }
    Kind m_kind = Kind::Disconnected;
    QString m_text;
};
Q_DECLARE_METATYPE(SIConnectionState)

// The station's protocol-configuration byte (system value at address 0x74).
struct StationProtocolConfig
{
    bool extendedProtocol = false; // bit 0
    bool autoSendOut = false; // bit 1
    bool handshake = false; // bit 2
    bool passwordOnly = false; // bit 4
    bool readCardAfterPunch = false; // bit 7

    [[nodiscard]] static StationProtocolConfig fromByte(quint8 value);
    friend bool operator==(const StationProtocolConfig &, const StationProtocolConfig &) = default;
};

enum class SICardKind {
    SI8Plus, // block reads with 0xEF
    SI6, // block reads with 0xE1
    SI5, // one 0xB1 read
};

class CardReaderViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(SIConnectionState connectionState READ connectionState NOTIFY connectionStateChanged)
    Q_PROPERTY(
        QStringList availablePorts READ availablePorts WRITE setAvailablePorts NOTIFY availablePortsChanged)
    // An SICardReading, or null when no card is shown.
    Q_PROPERTY(QVariant lastCardRead READ lastCardReadVariant NOTIFY lastCardReadChanged)
    Q_PROPERTY(bool isCardDataComplete READ isCardDataComplete NOTIFY isCardDataCompleteChanged)

public:
    using CardReadCallback = std::function<void(const QString &cardNumber, const QList<SIPunch> &punches,
        const std::optional<QDateTime> &checkPunchTime, const std::optional<QDateTime> &startPunchTime,
        const std::optional<QDateTime> &finishPunchTime)>;

    static constexpr int baudRate = 38400;
    static constexpr std::chrono::milliseconds protocolConfigTimeout {500};
    static constexpr std::chrono::milliseconds autosendWait {400};
    static constexpr std::chrono::milliseconds clearAfterRemoval {10000};

    // System clock and device roots from the environment (VEXLO_SI_PORTS).
    explicit CardReaderViewModel(QObject *parent = nullptr);
    CardReaderViewModel(
        std::shared_ptr<ReaderClock> clock, SIDeviceRoots deviceRoots, QObject *parent = nullptr);
    ~CardReaderViewModel() override;

    // Called on the main thread once per completely read card, after lastCardRead is set.
    CardReadCallback onCardRead;

    [[nodiscard]] SIConnectionState connectionState() const { return m_connectionState; }
    [[nodiscard]] QStringList availablePorts() const { return m_availablePorts; }
    void setAvailablePorts(const QStringList &ports);
    [[nodiscard]] const std::optional<SICardReading> &lastCardRead() const { return m_lastCardRead; }
    [[nodiscard]] QVariant lastCardReadVariant() const;
    [[nodiscard]] bool isCardDataComplete() const { return m_isCardDataComplete; }

    [[nodiscard]] std::optional<StationProtocolConfig> stationProtocolConfig() const
    {
        return m_stationConfig;
    }
    [[nodiscard]] bool stationRequiresPolling() const { return m_stationRequiresPolling; }
    [[nodiscard]] bool isPollingMode() const { return m_isPollingMode; }
    [[nodiscard]] const SIDeviceRoots &deviceRoots() const { return m_deviceRoots; }

    // Refreshes availablePorts, opens `path` (else the first listed port) at 38400 baud and queries
    // the station's protocol configuration. No port: error "No SportIdent reader found". A failed
    // open: error with the port's message.
    Q_INVOKABLE void connectPort(const QString &path = QString());
    // Only while disconnected or after a failed connect, and only when exactly one reader is
    // identified: connects to it. A port that is merely listed is never taken.
    Q_INVOKABLE void autoConnect();
    // Closes the port and cancels the pending protocol waits; the shown card stays.
    Q_INVOKABLE void disconnectPort();
    // Sets availablePorts to the current plain device list.
    Q_INVOKABLE void refreshPorts();

signals:
    void connectionStateChanged();
    void availablePortsChanged();
    void lastCardReadChanged();
    void isCardDataCompleteChanged();

private:
    void installCallbacks();
    void setConnectionState(const SIConnectionState &state);
    void setLastCardRead(std::optional<SICardReading> reading);
    void setCardDataComplete(bool complete);

    void sendCommand(quint8 command, const QByteArray &data = {});
    void queryProtocolConfig();
    void handleFrame(quint8 command, const QByteArray &payload);
    void handleProtocolConfigReply(const QByteArray &payload);
    void handleCardInserted(quint8 command, const QByteArray &payload);
    void requestFirstBlock();
    void handleBlockReply(const QByteArray &payload);
    void handleSI5Reply(const QByteArray &payload);
    void handleSI6Reply(const QByteArray &payload);
    void storeBlock(quint8 block, const QByteArray &data);
    void afterBlock(quint8 block);
    void handleCardRemoved();
    void requestNextPollingBlock(quint8 block);
    void tryAssemble();
    void publishReading(SICardReading reading);

    std::shared_ptr<ReaderClock> m_clock;
    SIDeviceRoots m_deviceRoots;

    SIConnectionState m_connectionState;
    std::optional<SICardReading> m_lastCardRead;
    QStringList m_availablePorts;
    bool m_isCardDataComplete = false;

    SIPortManager *m_portManager;
    SIFrameParser m_frameParser;
    SIBlockBuffer m_blockBuffer;
    SICardKind m_pendingCardKind = SICardKind::SI8Plus;
    int m_si6ReplyCounter = 0;
    QString m_pendingCardNumber = QStringLiteral("unknown");
    QString m_pendingSeries = QStringLiteral("unknown");
    bool m_hasAssembledCurrentCard = false;
    bool m_isPollingMode = false;
    SI8PlusCardLayout m_currentCardLayout = defaultCardLayout();
    // Once set, every later card is polled at once, also after a reconnect.
    bool m_stationRequiresPolling = false;
    std::optional<StationProtocolConfig> m_stationConfig;

    std::unique_ptr<ReaderTimer> m_protocolConfigTimeout;
    std::unique_ptr<ReaderTimer> m_autosendCheck;
    std::unique_ptr<ReaderTimer> m_clearAfterRemoval;
};
