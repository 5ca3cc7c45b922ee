#include "stationsimulator.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

StationSimulator::StationSimulator(StationMode mode, QObject *parent)
    : QObject(parent)
    , m_mode(mode)
{ }

StationSimulator::~StationSimulator()
{
    unplug();
}

bool StationSimulator::start(QString *error)
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        if (error)
            *error = QStringLiteral("openpty failed: ") + QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    // Raw from the start so nothing is echoed back before the reader configures the line. The
    // simulator keeps its own slave descriptor open so the master stays usable while the reader
    // closes and reopens the device.
    termios options {};
    if (::tcgetattr(slave, &options) == 0) {
        ::cfmakeraw(&options);
        ::tcsetattr(slave, TCSANOW, &options);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slave = slave;
    m_devicePath = QString::fromLocal8Bit(::ptsname(master));
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &StationSimulator::handleReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &StationSimulator::handleWritable);
    return true;
}

void StationSimulator::unplug()
{
    for (QSocketNotifier *notifier : {m_readNotifier, m_writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = -1;
    m_slave = -1;
    m_outbound.clear();
    m_card.reset();
}

void StationSimulator::clearObservations()
{
    m_ackCount = 0;
    m_requestedBlocks.clear();
    m_si5Requests = 0;
    m_configQueries = 0;
}

quint8 StationSimulator::configByte() const
{
    switch (m_mode) {
    case StationMode::Handshake:
        return 0x05; // extended protocol + handshake
    case StationMode::Autosend:
        return 0x03; // extended protocol + autosend
    case StationMode::Polling:
        return 0x01; // extended protocol only
    }
    return 0x01;
}

quint16 StationSimulator::crc16(const QByteArray &bytes)
{
    // SportIdent's CRC: 16-bit words high byte first, the first word as start value, polynomial
    // 0x8005, and a final zero word (or the odd last byte padded with zero).
    const auto byte = [&bytes](qsizetype i) { return i < bytes.size() ? quint8(bytes.at(i)) : quint8(0); };
    if (bytes.size() < 2)
        return 0;
    quint16 crc = quint16(byte(0) << 8 | byte(1));
    if (bytes.size() == 2)
        return crc;
    for (qsizetype i = 2; i < bytes.size() + 2 - bytes.size() % 2; i += 2) {
        quint16 word = quint16(byte(i) << 8 | byte(i + 1));
        for (int bit = 0; bit < 16; ++bit) {
            const bool carry = crc & 0x8000;
            crc = quint16(crc << 1 | (word & 0x8000 ? 1 : 0));
            word = quint16(word << 1);
            if (carry)
                crc ^= 0x8005;
        }
    }
    return crc;
}

QByteArray StationSimulator::stationFrame(quint8 command, const QByteArray &payload)
{
    QByteArray body;
    body.append(char(command));
    body.append(char(payload.size()));
    body.append(payload);
    const quint16 crc = crc16(body);
    QByteArray frame;
    frame.append(char(0x02));
    frame.append(body);
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
    frame.append(char(0x03));
    return frame;
}

QByteArray StationSimulator::withStationCode(const QByteArray &data) const
{
    QByteArray payload;
    payload.append(char(m_stationCode >> 8));
    payload.append(char(m_stationCode & 0xFF));
    payload.append(data);
    return payload;
}

QByteArray StationSimulator::cardNumberPayload() const
{
    return withStationCode(m_card ? m_card->detectNumber() : QByteArray(4, '\0'));
}

void StationSimulator::insertCard(const SimCard &card)
{
    m_card = card;
    m_blocksServed = 0;
    quint8 detect = 0xE8;
    if (card.series == SimCard::Series::SI5)
        detect = 0xE5;
    else if (card.series == SimCard::Series::SI6)
        detect = 0xE6;
    sendFrame(detect, cardNumberPayload());
    if (m_mode != StationMode::Autosend)
        return;
    const QMap<quint8, QByteArray> memory = card.memory();
    if (card.series == SimCard::Series::SI5) {
        sendFrame(0xB1, withStationCode(memory.value(0)));
        return;
    }
    for (quint8 b : card.readOutBlocks())
        sendFrame(card.series == SimCard::Series::SI6 ? 0xE1 : 0xEF,
            withStationCode(QByteArray(1, char(b)) + memory.value(b)));
}

void StationSimulator::removeCard()
{
    if (!m_card)
        return;
    sendFrame(0xE7, cardNumberPayload());
    m_card.reset();
    m_blocksServed = 0;
}

void StationSimulator::sendRaw(const QByteArray &bytes)
{
    writeOut(bytes);
}

void StationSimulator::sendFrame(quint8 command, const QByteArray &payload)
{
    QByteArray frame = QByteArray(1, char(0xFF)) + stationFrame(command, payload);
    if (m_corruptFrames > 0 && m_corruptAfter > 0) {
        --m_corruptAfter;
    } else if (m_corruptFrames > 0) {
        --m_corruptFrames;
        frame[frame.size() - 2] = char(frame.at(frame.size() - 2) ^ 0x5A);
    }
    if (m_truncateFrames > 0) {
        --m_truncateFrames;
        frame.truncate(frame.size() / 2);
    }
    writeOut(m_garbage + frame);
}

void StationSimulator::writeOut(const QByteArray &bytes)
{
    if (m_master < 0)
        return;
    m_outbound.append(bytes);
    handleWritable();
}

void StationSimulator::handleWritable()
{
    while (!m_outbound.isEmpty() && m_master >= 0) {
        const ssize_t n = ::write(m_master, m_outbound.constData(), size_t(m_outbound.size()));
        if (n > 0) {
            m_outbound.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: the terminal's buffer is full; wait for the write notifier
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_outbound.isEmpty());
}

void StationSimulator::handleReadable()
{
    char buffer[1024];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n > 0) {
        m_inbound.append(buffer, n);
        processHostBytes();
    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        if (m_readNotifier)
            m_readNotifier->setEnabled(false);
    }
}

void StationSimulator::processHostBytes()
{
    // Host frames: FF 02 02 CMD LEN DATA CRC CRC 03; a lone 06 is an acknowledgement.
    while (!m_inbound.isEmpty()) {
        const quint8 first = quint8(m_inbound.at(0));
        if (first == 0x06) {
            m_inbound.remove(0, 1);
            ++m_ackCount;
            emit ackReceived();
            continue;
        }
        if (first != 0x02) {
            m_inbound.remove(0, 1);
            continue;
        }
        const int at = (m_inbound.size() > 1 && quint8(m_inbound.at(1)) == 0x02) ? 2 : 1;
        if (m_inbound.size() < at + 2)
            return;
        const int length = quint8(m_inbound.at(at + 1));
        const int total = at + 2 + length + 3;
        if (m_inbound.size() < total)
            return;
        if (quint8(m_inbound.at(total - 1)) != 0x03) {
            m_inbound.remove(0, 1);
            continue;
        }
        const QByteArray body = m_inbound.mid(at, 2 + length);
        const quint16 crc = quint16(quint8(m_inbound.at(total - 3)) << 8 | quint8(m_inbound.at(total - 2)));
        m_inbound.remove(0, total);
        if (crc16(body) != crc)
            continue;
        handleCommand(quint8(body.at(0)), body.mid(2));
    }
}

void StationSimulator::handleCommand(quint8 command, const QByteArray &data)
{
    emit commandReceived(command, data);
    switch (command) {
    case 0x83:
        ++m_configQueries;
        if (!m_silent && m_answersConfigQuery && data.size() >= 1 && quint8(data.at(0)) == 0x74)
            sendFrame(0x83, withStationCode(QByteArray(1, char(0x74)) + QByteArray(1, char(configByte()))));
        break;
    case 0xEF:
    case 0xE1:
        if (data.isEmpty())
            break;
        m_requestedBlocks.append(quint8(data.at(0)));
        if (m_silent)
            break;
        if (command == 0xE1 && quint8(data.at(0)) == 0x08) {
            // 0xE1 with 8 asks for blocks 0, 6 and 7 of an SI6 card in three replies.
            for (quint8 b : {0, 6, 7})
                serveBlock(command, b);
        } else {
            serveBlock(command, quint8(data.at(0)));
        }
        break;
    case 0xB1:
        ++m_si5Requests;
        if (!m_silent && m_card && m_card->series == SimCard::Series::SI5)
            sendFrame(0xB1, withStationCode(m_card->memory().value(0)));
        break;
    default:
        break;
    }
}

void StationSimulator::serveBlock(quint8 command, quint8 block)
{
    // A station answers a block read only for a card of the family that command reads.
    if (!m_card || m_card->series == SimCard::Series::SI5
        || (command == 0xE1) != (m_card->series == SimCard::Series::SI6))
        return;
    if (m_pullAfterBlocks >= 0 && m_blocksServed >= m_pullAfterBlocks) {
        removeCard();
        return;
    }
    const QByteArray data = m_card->memory().value(block, QByteArray(128, char(0xEE)));
    sendFrame(command, withStationCode(QByteArray(1, char(block)) + data));
    ++m_blocksServed;
}
