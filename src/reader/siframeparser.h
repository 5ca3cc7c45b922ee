#pragma once

// SportIdent extended-protocol framing: the CRC-16 that guards every frame, the builder of the
// frames the host sends, and the parser that cuts the station's byte stream into checked frames.
// The extended protocol has no byte stuffing, so a frame is found by STX, LEN and a matching ETX.

#include <QByteArray>

#include <functional>

namespace SIFrame {
constexpr quint8 wakeUp = 0xFF;
constexpr quint8 stx = 0x02;
constexpr quint8 etx = 0x03;
constexpr quint8 ack = 0x06;
// Incoming frame overhead: STX, CMD, LEN, CRC high, CRC low, ETX.
constexpr int incomingOverhead = 6;
constexpr int maxDataLength = 255;
} // namespace SIFrame

// SportIdent CRC-16 (polynomial 0x8005, 16-bit words high byte first, first word as start value).
[[nodiscard]] quint16 siCrc16(const char *data, qsizetype size);
[[nodiscard]] inline quint16 siCrc16(const QByteArray &bytes)
{
    return siCrc16(bytes.constData(), bytes.size());
}

// FF 02 02 CMD LEN DATA CRC-high CRC-low 03. DATA is at most 255 bytes; longer data is cut to 255
// so LEN always describes what is sent.
[[nodiscard]] QByteArray buildCommandFrame(quint8 command, const QByteArray &data = {});

// Uppercase hex bytes separated by single spaces ("FF 02 02"), as the log lines write them.
[[nodiscard]] QString hexBytes(const QByteArray &bytes);

class SIFrameParser
{
public:
    using FrameHandler = std::function<void(quint8 command, const QByteArray &payload)>;

    // Called once per frame whose CRC matches, in stream order.
    FrameHandler onFrame;

    // Appends received bytes and runs processBuffer().
    void append(const QByteArray &bytes);
    void append(const char *data, qsizetype size);

    // Consumes every whole frame in the buffer; an incomplete frame stays for the next call.
    void processBuffer();

    // Bytes received but not yet consumed (an incomplete frame, or nothing).
    [[nodiscard]] QByteArray buffer() const { return m_buffer.mid(m_start); }

private:
    void compact();

    // Consumed bytes are skipped by moving m_start and only dropped from m_buffer once per
    // processBuffer(), so a long run of garbage costs one pass, not one copy per byte.
    QByteArray m_buffer;
    qsizetype m_start = 0;
};
