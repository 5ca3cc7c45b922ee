#include "siframeparser.h"

#include "log.h"

quint16 siCrc16(const char *data, qsizetype size)
{
    const auto byteAt = [data](qsizetype i) { return quint16(quint8(data[i])); };
    if (size < 2)
        return 0;
    quint16 crc = quint16(byteAt(0) << 8 | byteAt(1));
    if (size == 2)
        return crc;
    qsizetype index = 2;
    for (qsizetype pass = size / 2; pass > 0; --pass) {
        quint16 word;
        if (pass > 1) {
            word = quint16(byteAt(index) << 8 | byteAt(index + 1));
            index += 2;
        } else {
            // The last pass pads: an odd count's last byte as the high byte, else a zero word.
            word = (size % 2 == 1) ? quint16(byteAt(index) << 8) : 0;
        }
        for (int step = 0; step < 16; ++step) {
            const bool carry = crc & 0x8000;
            crc = quint16(crc << 1);
            if (word & 0x8000)
                crc |= 1;
            word = quint16(word << 1);
            if (carry)
                crc ^= 0x8005;
        }
    }
    return crc;
}

QByteArray buildCommandFrame(quint8 command, const QByteArray &data)
{
    const QByteArray payload = data.left(SIFrame::maxDataLength);
    QByteArray body;
    body.reserve(payload.size() + 2);
    body.append(char(command));
    body.append(char(payload.size()));
    body.append(payload);
    const quint16 crc = siCrc16(body);
    QByteArray frame;
    frame.reserve(body.size() + 6);
    frame.append(char(SIFrame::wakeUp));
    frame.append(char(SIFrame::stx));
    frame.append(char(SIFrame::stx));
    frame.append(body);
    frame.append(char(crc >> 8));
    frame.append(char(crc & 0xFF));
    frame.append(char(SIFrame::etx));
    return frame;
}

QString hexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

void SIFrameParser::append(const QByteArray &bytes)
{
    append(bytes.constData(), bytes.size());
}

void SIFrameParser::append(const char *data, qsizetype size)
{
    m_buffer.append(data, size);
    processBuffer();
}

void SIFrameParser::processBuffer()
{
    // onFrame may run arbitrary code; work on indexes and re-read m_buffer after each call.
    while (m_start < m_buffer.size()) {
        const qsizetype stxAt = m_buffer.indexOf(char(SIFrame::stx), m_start);
        if (stxAt < 0) {
            m_start = m_buffer.size();
            break;
        }
        m_start = stxAt;
        const qsizetype available = m_buffer.size() - m_start;
        if (available < 3)
            break;
        const auto byteAt = [this](qsizetype i) { return quint8(m_buffer.at(m_start + i)); };
        const int length = byteAt(2);
        if (available < length + SIFrame::incomingOverhead)
            break;
        if (byteAt(length + 5) != SIFrame::etx) {
            // Not a frame start after all: retry from the next 0x02.
            ++m_start;
            continue;
        }
        const quint8 command = byteAt(1);
        const quint16 expected = siCrc16(m_buffer.constData() + m_start + 1, length + 2);
        const quint16 received = quint16(byteAt(length + 3) << 8 | byteAt(length + 4));
        if (expected == received) {
            const QByteArray payload = m_buffer.mid(m_start + 3, length);
            m_start += length + SIFrame::incomingOverhead;
            if (onFrame)
                onFrame(command, payload);
        } else {
            const QByteArray crcInput = m_buffer.mid(m_start + 1, length + 2);
            m_start += length + SIFrame::incomingOverhead;
            const auto hex = [](uint value, int width) {
                return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
            };
            logLine(QStringLiteral("SI: CRC mismatch cmd=%1 len=%2 expected=%3 got=%4 crcInput=[%5]")
                        .arg(hex(command, 2))
                        .arg(length)
                        .arg(hex(expected, 4), hex(received, 4), hexBytes(crcInput)));
        }
    }
    compact();
}

void SIFrameParser::compact()
{
    if (m_start >= m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    } else if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_start = 0;
    }
}
