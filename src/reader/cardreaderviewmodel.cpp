#include "cardreaderviewmodel.h"

#include "log.h"

namespace {

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

StationProtocolConfig StationProtocolConfig::fromByte(quint8 value)
{
    StationProtocolConfig config;
    config.extendedProtocol = value & 0x01;
    config.autoSendOut = value & 0x02;
    config.handshake = value & 0x04;
    config.passwordOnly = value & 0x10;
    config.readCardAfterPunch = value & 0x80;
    return config;
}

CardReaderViewModel::CardReaderViewModel(QObject *parent)
    : CardReaderViewModel(std::make_shared<SystemReaderClock>(), SIDeviceRoots::fromEnvironment(), parent)
{ }

CardReaderViewModel::CardReaderViewModel(
    std::shared_ptr<ReaderClock> clock, SIDeviceRoots deviceRoots, QObject *parent)
    : QObject(parent)
    , m_clock(clock ? std::move(clock) : std::make_shared<SystemReaderClock>())
    , m_deviceRoots(std::move(deviceRoots))
    , m_portManager(new SIPortManager(this))
{
    installCallbacks();
}

CardReaderViewModel::~CardReaderViewModel()
{
    // The port's callbacks point at this object: silence them before members go away.
    m_portManager->onDataReceived = nullptr;
    m_portManager->onError = nullptr;
    m_portManager->onDisconnect = nullptr;
    m_portManager->stopReading();
}

void CardReaderViewModel::installCallbacks()
{
    // Everything runs on the main thread: the port reads through the event loop, so each chunk is
    // parsed and each frame handled in order of arrival without a thread hop.
    m_portManager->onDataReceived = [this](const QByteArray &bytes) { m_frameParser.append(bytes); };
    m_portManager->onError
        = [this](const SIPortError &error) { setConnectionState(SIConnectionState::error(error.message)); };
    m_portManager->onDisconnect = [this] { setConnectionState(SIConnectionState::disconnected()); };
    m_frameParser.onFrame
        = [this](quint8 command, const QByteArray &payload) { handleFrame(command, payload); };
}

void CardReaderViewModel::setConnectionState(const SIConnectionState &state)
{
    if (m_connectionState == state)
        return;
    m_connectionState = state;
    emit connectionStateChanged();
}

void CardReaderViewModel::setAvailablePorts(const QStringList &ports)
{
    if (m_availablePorts == ports)
        return;
    m_availablePorts = ports;
    emit availablePortsChanged();
}

void CardReaderViewModel::setLastCardRead(std::optional<SICardReading> reading)
{
    if (!reading && !m_lastCardRead)
        return;
    m_lastCardRead = std::move(reading);
    emit lastCardReadChanged();
}

void CardReaderViewModel::setCardDataComplete(bool complete)
{
    if (m_isCardDataComplete == complete)
        return;
    m_isCardDataComplete = complete;
    emit isCardDataCompleteChanged();
}

QVariant CardReaderViewModel::lastCardReadVariant() const
{
    return m_lastCardRead ? QVariant::fromValue(*m_lastCardRead) : QVariant();
}

void CardReaderViewModel::refreshPorts()
{
    setAvailablePorts(SIPortManager::listSerialDevices(m_deviceRoots));
}

void CardReaderViewModel::connectPort(const QString &requestedPath)
{
    refreshPorts();
    const QString path = !requestedPath.isEmpty() ? requestedPath
        : m_availablePorts.isEmpty()              ? QString()
                                                  : m_availablePorts.first();
    if (path.isEmpty()) {
        setConnectionState(SIConnectionState::error(QStringLiteral("No SportIdent reader found")));
        return;
    }
    logLine(QStringLiteral("SI: attempting connect to ") + path);
    setConnectionState(SIConnectionState::connecting());
    // A failed open has already set the error state through onError; it must not be overwritten
    // by "connected", and there is no port to send the configuration query to.
    if (!m_portManager->openPort(path, baudRate))
        return;
    setConnectionState(SIConnectionState::connected(path));
    queryProtocolConfig();
}

void CardReaderViewModel::autoConnect()
{
    // After a failed connect as well: the organiser is told to plug the station in again and
    // refresh, so the refresh must find it.
    const SIConnectionState::Kind kind = m_connectionState.kind();
    if (kind != SIConnectionState::Kind::Disconnected && kind != SIConnectionState::Kind::Error)
        return;
    const QStringList readers = SIPortManager::discoverReaders(m_deviceRoots);
    if (readers.size() != 1)
        return;
    logLine(QStringLiteral("SI: auto-connecting to positively identified reader at ") + readers.first());
    connectPort(readers.first());
}

void CardReaderViewModel::disconnectPort()
{
    m_protocolConfigTimeout.reset();
    m_autosendCheck.reset();
    m_portManager->stopReading();
    setConnectionState(SIConnectionState::disconnected());
}

void CardReaderViewModel::sendCommand(quint8 command, const QByteArray &data)
{
    const QByteArray frame = buildCommandFrame(command, data);
    logLine(QStringLiteral("SI: sending raw command ") + hexBytes(frame));
    m_portManager->writeBytes(frame);
}

void CardReaderViewModel::queryProtocolConfig()
{
    m_protocolConfigTimeout.reset();
    sendCommand(SICard::systemValues, QByteArray("\x74\x01", 2));
    m_protocolConfigTimeout = m_clock->schedule(protocolConfigTimeout, [this] {
        if (!m_stationConfig)
            logLine(
                QStringLiteral("SI: protocol-config query (0x83/0x74) timed out — falling back to empirical "
                               "polling detection per card"));
    });
}

void CardReaderViewModel::handleFrame(quint8 command, const QByteArray &payload)
{
    switch (command) {
    case SICard::si5Inserted:
    case SICard::si6Inserted:
    case SICard::si8PlusInserted:
        handleCardInserted(command, payload);
        break;
    case SICard::removed:
        handleCardRemoved();
        break;
    case SICard::readBlock:
        handleBlockReply(payload);
        break;
    case SICard::si6Block:
        handleSI6Reply(payload);
        break;
    case SICard::readSI5:
        handleSI5Reply(payload);
        break;
    case SICard::systemValues:
        handleProtocolConfigReply(payload);
        break;
    default:
        break;
    }
}

void CardReaderViewModel::handleProtocolConfigReply(const QByteArray &payload)
{
    if (payload.size() < 4 || quint8(payload.at(2)) != 0x74)
        return;
    const StationProtocolConfig config = StationProtocolConfig::fromByte(quint8(payload.at(3)));
    m_stationConfig = config;
    m_protocolConfigTimeout.reset();
    logLine(
        QStringLiteral("SI: station protocol config — extendedProtocol=%1 autoSendOut=%2 handshake=%3 "
                       "passwordOnly=%4 readCardAfterPunch=%5")
            .arg(boolText(config.extendedProtocol), boolText(config.autoSendOut), boolText(config.handshake),
                boolText(config.passwordOnly), boolText(config.readCardAfterPunch)));
}

void CardReaderViewModel::handleCardInserted(quint8 command, const QByteArray &payload)
{
    m_clearAfterRemoval.reset();
    m_autosendCheck.reset();
    m_blockBuffer.clear();
    m_hasAssembledCurrentCard = false;
    setCardDataComplete(false);
    m_isPollingMode = false;
    m_si6ReplyCounter = 0;
    m_currentCardLayout = command == SICard::si6Inserted ? si6CardLayout() : defaultCardLayout();

    SICardReading preliminary = decodeDetectFrame(command, payload, m_clock->now());
    m_pendingCardNumber = preliminary.cardNumber;
    m_pendingSeries = preliminary.cardSeries;
    setLastCardRead(std::move(preliminary));

    if (command == SICard::si5Inserted) {
        m_pendingCardKind = SICardKind::SI5;
        logLine(QStringLiteral("SI: SI5 card detected — requesting full card (0xB1)"));
        sendCommand(SICard::readSI5);
    } else {
        m_pendingCardKind = command == SICard::si6Inserted ? SICardKind::SI6 : SICardKind::SI8Plus;
        requestFirstBlock();
    }
}

void CardReaderViewModel::requestFirstBlock()
{
    // SI6 cards answer block reads with 0xE1, later cards with 0xEF; both take the block number.
    const quint8 command = m_currentCardLayout.readCommand;
    const QByteArray block0(1, '\0');
    if (m_stationRequiresPolling) {
        logLine(QStringLiteral(
            "SI: station previously confirmed polling-only — requesting block 0 immediately, no "
            "400ms wait"));
        m_isPollingMode = true;
        sendCommand(command, block0);
        return;
    }
    if (m_stationConfig && m_stationConfig->handshake) {
        logLine(QStringLiteral(
            "SI: station confirmed handshake mode via protocol-config query — requesting block 0 "
            "immediately, no 400ms wait"));
        m_stationRequiresPolling = true;
        m_isPollingMode = true;
        sendCommand(command, block0);
        return;
    }
    const QString awaitedCard = m_pendingCardNumber;
    m_autosendCheck = m_clock->schedule(autosendWait, [this, awaitedCard, block0, command] {
        if (m_pendingCardNumber != awaitedCard || m_blockBuffer.contains(0))
            return;
        logLine(QStringLiteral(
            "SI: no autosend block after 400ms — switching to polling mode, requesting block 0"));
        m_stationRequiresPolling = true;
        m_isPollingMode = true;
        sendCommand(command, block0);
    });
}

void CardReaderViewModel::handleBlockReply(const QByteArray &payload)
{
    if (payload.size() < 4) {
        logLine(QStringLiteral("SI: 0xEF block frame too short (%1 bytes)").arg(payload.size()));
        if (!m_hasAssembledCurrentCard)
            tryAssemble();
        return;
    }
    const quint8 block = quint8(payload.at(2));
    storeBlock(block, payload.mid(3));
    afterBlock(block);
}

void CardReaderViewModel::storeBlock(quint8 block, const QByteArray &data)
{
    m_blockBuffer.insert(block, data);
    if (block != 0 || m_pendingCardKind == SICardKind::SI5)
        return;
    // Block 0 tells the card's number, and so its series and layout (an SI6 card's layout also
    // depends on its punch mode, which block 0 holds).
    const SI8PlusCardLayout numberLayout
        = m_pendingCardKind == SICardKind::SI6 ? si6CardLayout() : defaultCardLayout();
    const auto number = block0CardNumber(data, numberLayout);
    if (!number)
        return;
    m_pendingCardNumber = QString::number(*number);
    if (m_pendingCardKind == SICardKind::SI6) {
        const QString type = cardTypeName(*number);
        m_pendingSeries = type.startsWith(QLatin1String("SI6")) ? type : QStringLiteral("SI6");
        m_currentCardLayout = si6CardLayout(data);
    } else {
        m_pendingSeries = cardTypeName(*number);
        m_currentCardLayout = cardLayout(m_pendingSeries);
    }
    QStringList sequence;
    for (quint8 b : m_currentCardLayout.requestSequence)
        sequence.append(QString::number(b));
    logLine(QStringLiteral("SI: block0 card number = %1, series=%2, requestSequence=[%3]")
                .arg(m_pendingCardNumber, m_pendingSeries, sequence.join(QStringLiteral(", "))));
    // A new block 0 starts the card over (a re-read): older blocks belong to the old read.
    m_blockBuffer.removeIf([](const auto &entry) { return entry.key() != 0; });
    m_hasAssembledCurrentCard = false;
}

void CardReaderViewModel::afterBlock(quint8 block)
{
    const bool wasAssembled = m_hasAssembledCurrentCard;
    if (!m_hasAssembledCurrentCard)
        tryAssemble();
    if (m_isPollingMode && !wasAssembled && m_hasAssembledCurrentCard) {
        logLine(QStringLiteral(
            "SI: sending ACK (0x06) — testing whether this triggers station beep/flash in polling "
            "mode"));
        m_portManager->writeBytes(QByteArray(1, char(SIFrame::ack)));
    }
    requestNextPollingBlock(block);
}

void CardReaderViewModel::requestNextPollingBlock(quint8 block)
{
    if (!m_isPollingMode || !m_blockBuffer.contains(0))
        return;
    const QList<quint8> &sequence = m_currentCardLayout.requestSequence;
    const std::optional<quint8> next = nextBlockToRequest(m_blockBuffer, m_currentCardLayout);
    if (!next) {
        // The count in block 0 says the punches end before the layout's last block.
        if (sequence.contains(block) && sequence.last() != block)
            logLine(QStringLiteral(
                "SI: block %1 punch data terminated early — skipping remaining blocks in sequence")
                        .arg(block));
        return;
    }
    logLine(QStringLiteral("SI: polling mode — requesting block %1").arg(*next));
    sendCommand(m_currentCardLayout.readCommand, QByteArray(1, char(*next)));
}

void CardReaderViewModel::handleSI5Reply(const QByteArray &payload)
{
    const QByteArray data = payload.size() < 3 ? payload : payload.mid(2);
    m_blockBuffer.insert(0, data);
    logLine(QStringLiteral("SI: SI5 reply received, %1 byte(s)").arg(data.size()));
    if (!m_hasAssembledCurrentCard)
        tryAssemble();
}

void CardReaderViewModel::handleSI6Reply(const QByteArray &payload)
{
    int block;
    QByteArray data;
    if (payload.size() >= 4 && quint8(payload.at(2)) < 8) {
        block = quint8(payload.at(2));
        data = payload.mid(3);
    } else {
        block = m_si6ReplyCounter;
        data = payload.size() < 3 ? payload : payload.mid(2);
    }
    ++m_si6ReplyCounter;
    // A counted block number must stay a byte; a station sending more replies than that for one
    // card is not sending a card.
    if (block > 0xFF) {
        logLine(QStringLiteral("SI: SI6 reply %1 ignored, no block number left").arg(m_si6ReplyCounter));
        return;
    }
    logLine(QStringLiteral("SI: SI6 reply %1 received as block %2, %3 byte(s)")
                .arg(m_si6ReplyCounter)
                .arg(block)
                .arg(data.size()));
    storeBlock(quint8(block), data);
    afterBlock(quint8(block));
}

void CardReaderViewModel::handleCardRemoved()
{
    m_blockBuffer.clear();
    m_isPollingMode = false;
    m_autosendCheck.reset();
    m_clearAfterRemoval = m_clock->schedule(clearAfterRemoval, [this] { setLastCardRead(std::nullopt); });
}

void CardReaderViewModel::tryAssemble()
{
    const QDateTime now = m_clock->now();
    if (m_pendingCardKind == SICardKind::SI5) {
        if (!m_blockBuffer.contains(0))
            return;
        std::optional<SICardReading> reading = decodeSI5Card(m_blockBuffer.value(0), now);
        if (!reading)
            return;
        m_hasAssembledCurrentCard = true;
        m_autosendCheck.reset();
        setCardDataComplete(true);
        m_pendingCardNumber = reading->cardNumber;
        m_pendingSeries = reading->cardSeries;
        publishReading(std::move(*reading));
        return;
    }
    // A polled card waits for every block it needs; an autosent card whose last block came in
    // after a lost one is read as far as it is sound, since the lost block will not come again.
    if (!m_blockBuffer.contains(0))
        return;
    if (!isSI8PlusCardComplete(m_blockBuffer, m_currentCardLayout)
        && (m_isPollingMode || !hasMissingMiddleBlock(m_blockBuffer, m_currentCardLayout)))
        return;
    m_hasAssembledCurrentCard = true;
    m_autosendCheck.reset();
    setCardDataComplete(true);
    publishReading(
        decodeSI8PlusCard(m_blockBuffer, m_currentCardLayout, m_pendingCardNumber, m_pendingSeries, now));
}

void CardReaderViewModel::publishReading(SICardReading reading)
{
    setLastCardRead(reading);
    if (onCardRead)
        onCardRead(reading.cardNumber, reading.punches, reading.checkPunchTime, reading.startPunchTime,
            reading.finishPunchTime);
}
