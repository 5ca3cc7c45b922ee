#include "stationsimulator.h"

#include "siframeparser.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int blockSize = 128;

struct SimLayout
{
    QList<quint8> requestSequence;
    QList<quint8> punchBlocks;
    int punchOffset = 0;
};

SimLayout layoutOf(SimCard::Series series)
{
    switch (series) {
    case SimCard::Series::SI8:
        return {{0, 1}, {0, 1}, 136};
    case SimCard::Series::SI9:
        return {{0, 1}, {0, 1}, 56};
    case SimCard::Series::PCard:
        return {{0, 1}, {0, 1}, 176};
    default:
        return {{0, 4, 5, 6, 7}, {4, 5, 6, 7}, 0};
    }
}

void putTimeRecord(QByteArray &block, int offset, const std::optional<int> &secondOfDay)
{
    if (!secondOfDay) {
        block.replace(offset, 4, QByteArray(4, char(0xEE)));
        return;
    }
    const int seconds = *secondOfDay % 43200;
    block[offset] = char(*secondOfDay >= 43200 ? 0x01 : 0x00);
    block[offset + 1] = 0;
    block[offset + 2] = char(seconds >> 8);
    block[offset + 3] = char(seconds & 0xFF);
}

void putSI5Time(QByteArray &image, int offset, const std::optional<int> &secondOfDay)
{
    const int raw = secondOfDay ? *secondOfDay % 43200 : 0xEEEE;
    image[offset] = char(raw >> 8);
    image[offset + 1] = char(raw & 0xFF);
}

} // namespace

SimCard SimCard::example(Series series, int punchCount, quint32 serial)
{
    SimCard card;
    card.series = series;
    switch (series) {
    case Series::SI5:
        card.number = 10000 + serial;
        break;
    case Series::SI6:
        card.number = 600000 + serial;
        break;
    case Series::SI8:
        card.number = 2000000 + serial;
        break;
    case Series::SI9:
        card.number = 1000000 + serial;
        break;
    case Series::SI10:
        card.number = 7000000 + serial;
        break;
    case Series::SI11:
        card.number = 9000000 + serial;
        break;
    case Series::SIAC:
        card.number = 8000000 + serial;
        break;
    case Series::PCard:
        card.number = 4000000 + serial;
        break;
    }
    card.check = 9 * 3600 + 58 * 60;
    card.start = 10 * 3600;
    const int count = std::min(punchCount, capacity(series));
    for (int i = 0; i < count; ++i)
        card.punches.append(SimPunch {31 + i, 10 * 3600 + 60 * (i + 1)});
    card.finish = 10 * 3600 + 60 * (count + 1);
    return card;
}

QString SimCard::seriesName(Series series)
{
    switch (series) {
    case Series::SI5:
        return QStringLiteral("SI5");
    case Series::SI6:
        return QStringLiteral("SI6");
    case Series::SI8:
        return QStringLiteral("SI8");
    case Series::SI9:
        return QStringLiteral("SI9");
    case Series::SI10:
        return QStringLiteral("SI10");
    case Series::SI11:
        return QStringLiteral("SI11");
    case Series::SIAC:
        return QStringLiteral("SIAC");
    case Series::PCard:
        return QStringLiteral("pCard");
    }
    return {};
}

int SimCard::capacity(Series series)
{
    switch (series) {
    case Series::SI5:
    case Series::SI8:
        return 30;
    case Series::SI9:
        return 50;
    case Series::PCard:
        return 20;
    default:
        return 64;
    }
}

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

QByteArray StationSimulator::stationFrame(quint8 command, const QByteArray &payload)
{
    QByteArray body;
    body.append(char(command));
    body.append(char(payload.size()));
    body.append(payload);
    const quint16 crc = siCrc16(body);
    QByteArray frame;
    frame.append(char(0x02));
    frame.append(body);
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
    frame.append(char(0x03));
    return frame;
}

QMap<quint8, QByteArray> StationSimulator::encodeBlocks(const SimCard &card)
{
    const SimLayout layout = layoutOf(card.series);
    QMap<quint8, QByteArray> blocks;
    for (quint8 b : layout.requestSequence)
        blocks.insert(b, QByteArray(blockSize, char(0xEE)));

    QByteArray &block0 = blocks[0];
    block0.replace(0, 8, QByteArray(8, '\0'));
    putTimeRecord(block0, 8, card.check);
    putTimeRecord(block0, 12, card.start);
    putTimeRecord(block0, 16, card.finish);
    block0.replace(20, 8, QByteArray(8, '\0'));
    block0[22] = char(std::min<qsizetype>(card.punches.size(), 255));
    block0[25] = char((card.number >> 16) & 0xFF);
    block0[26] = char((card.number >> 8) & 0xFF);
    block0[27] = char(card.number & 0xFF);

    QByteArray area;
    for (quint8 b : layout.punchBlocks)
        area.append(blocks.value(b));
    int position = layout.punchOffset;
    for (const SimPunch &punch : card.punches) {
        if (position + 4 > area.size())
            break;
        const int code = punch.controlCode;
        quint8 flags = quint8(((code >> 8) & 0x03) << 6);
        if (punch.secondOfDay) {
            const int seconds = *punch.secondOfDay % 43200;
            if (*punch.secondOfDay >= 43200)
                flags |= 0x01;
            area[position + 2] = char(seconds >> 8);
            area[position + 3] = char(seconds & 0xFF);
        } else {
            area[position + 2] = char(0xEE);
            area[position + 3] = char(0xEE);
        }
        area[position] = char(flags);
        area[position + 1] = char(code & 0xFF);
        position += 4;
    }
    for (int i = 0; i < layout.punchBlocks.size(); ++i)
        blocks[layout.punchBlocks.at(i)] = area.mid(i * blockSize, blockSize);
    return blocks;
}

QList<quint8> StationSimulator::blocksToSend(const SimCard &card)
{
    if (card.series == SimCard::Series::SI5)
        return {};
    return layoutOf(card.series).requestSequence;
}

QByteArray StationSimulator::encodeSI5Image(const SimCard &card)
{
    QByteArray image(blockSize, '\0');
    const quint32 series = card.number >= 100000 ? card.number / 100000 : 1;
    const quint32 low = card.number >= 100000 ? card.number % 100000 : card.number;
    image[4] = char((low >> 8) & 0xFF);
    image[5] = char(low & 0xFF);
    image[6] = char(series);
    putSI5Time(image, 19, card.start);
    putSI5Time(image, 21, card.finish);
    putSI5Time(image, 25, card.check);
    int index = 0;
    for (; index < std::min<qsizetype>(card.punches.size(), 30); ++index) {
        const SimPunch &punch = card.punches.at(index);
        const int offset = 32 + (index / 5) * 16 + 1 + (index % 5) * 3;
        image[offset] = char(punch.controlCode & 0xFF);
        putSI5Time(image, offset + 1, punch.secondOfDay);
    }
    if (index < 30) {
        const int offset = 32 + (index / 5) * 16 + 1 + (index % 5) * 3;
        image.replace(offset, 3, QByteArray(3, char(0xEE)));
    }
    return image;
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
    const quint32 n = m_card ? m_card->number : 0;
    QByteArray bytes;
    bytes.append('\0');
    bytes.append(char((n >> 16) & 0xFF));
    bytes.append(char((n >> 8) & 0xFF));
    bytes.append(char(n & 0xFF));
    return withStationCode(bytes);
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
    if (card.series == SimCard::Series::SI5) {
        sendFrame(0xB1, withStationCode(encodeSI5Image(card)));
        return;
    }
    const QMap<quint8, QByteArray> blocks = encodeBlocks(card);
    for (quint8 b : blocksToSend(card)) {
        const QByteArray data = QByteArray(1, char(b)) + blocks.value(b);
        sendFrame(card.series == SimCard::Series::SI6 ? 0xE1 : 0xEF, withStationCode(data));
    }
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
        if (siCrc16(body) != crc)
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
        if (data.isEmpty())
            break;
        m_requestedBlocks.append(quint8(data.at(0)));
        if (!m_silent)
            serveBlock(quint8(data.at(0)));
        break;
    case 0xB1:
        ++m_si5Requests;
        if (!m_silent && m_card && m_card->series == SimCard::Series::SI5)
            sendFrame(0xB1, withStationCode(encodeSI5Image(*m_card)));
        break;
    default:
        break;
    }
}

void StationSimulator::serveBlock(quint8 block)
{
    if (!m_card || m_card->series == SimCard::Series::SI5)
        return;
    if (m_pullAfterBlocks >= 0 && m_blocksServed >= m_pullAfterBlocks) {
        removeCard();
        return;
    }
    const QByteArray data = encodeBlocks(*m_card).value(block, QByteArray(blockSize, char(0xEE)));
    sendFrame(0xEF, withStationCode(QByteArray(1, char(block)) + data));
    ++m_blocksServed;
}
