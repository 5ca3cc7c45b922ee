#pragma once

// Plays the station's side of the SportIdent extended protocol over a pseudo-terminal: answers the
// protocol-configuration query, announces cards, serves their memory (handshake, autosend or
// polling; 0xEF blocks, 0xE1 SI6 blocks, the 0xB1 SI5 image), removes them, and can misbehave on
// request. It frames and checks bytes with its own CRC, after SportIdent's published algorithm.
//
// Runs on the thread's event loop; the reader under test opens devicePath() like a real port.

#include "simcard.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

class QSocketNotifier;

enum class StationMode {
    Handshake, // reports handshake; sends blocks only when asked
    Autosend, // reports autosend; sends the card's blocks right after announcing it
    Polling, // reports neither; sends blocks only when asked
};

class StationSimulator : public QObject
{
    Q_OBJECT
public:
    explicit StationSimulator(StationMode mode = StationMode::Handshake, QObject *parent = nullptr);
    ~StationSimulator() override;

    // Creates the pseudo-terminal; false with `error` set on failure.
    bool start(QString *error = nullptr);
    [[nodiscard]] QString devicePath() const { return m_devicePath; }
    [[nodiscard]] bool isRunning() const { return m_master >= 0; }

    StationMode mode() const { return m_mode; }
    void setMode(StationMode mode) { m_mode = mode; }
    // A station that never answers the protocol-configuration query.
    void setAnswersConfigQuery(bool answers) { m_answersConfigQuery = answers; }

    void insertCard(const SimCard &card);
    void removeCard();
    // Closes the pseudo-terminal as if the station's cable were pulled.
    void unplug();

    // Misbehaviour, applied to the next frames the station sends.
    // Corrupts the CRC of `count` frames after letting `after` frames through intact.
    void corruptCrcOfNextFrames(int count, int after = 0)
    {
        m_corruptFrames = count;
        m_corruptAfter = after;
    }
    void truncateNextFrames(int count) { m_truncateFrames = count; }
    // Bytes written before every frame from now on (empty to stop).
    void setGarbageBetweenFrames(const QByteArray &garbage) { m_garbage = garbage; }
    // Ignores every command while silent.
    void setSilent(bool silent) { m_silent = silent; }
    // After serving `blocks` blocks of the current card, the next block request removes the card
    // instead of being answered. Negative: never.
    void pullCardAfterBlocks(int blocks) { m_pullAfterBlocks = blocks; }
    // Writes raw bytes to the reader as they are.
    void sendRaw(const QByteArray &bytes);

    // Observations.
    [[nodiscard]] int ackCount() const { return m_ackCount; }
    [[nodiscard]] QList<int> requestedBlocks() const { return m_requestedBlocks; }
    [[nodiscard]] int si5Requests() const { return m_si5Requests; }
    [[nodiscard]] int configQueries() const { return m_configQueries; }
    void clearObservations();

    // STX CMD LEN DATA CRC ETX, as the station sends it.
    [[nodiscard]] static QByteArray stationFrame(quint8 command, const QByteArray &payload);
    [[nodiscard]] static quint16 crc16(const QByteArray &bytes);
    [[nodiscard]] static QList<quint8> blocksToSend(const SimCard &card) { return card.readOutBlocks(); }
    [[nodiscard]] quint8 configByte() const;

signals:
    void commandReceived(quint8 command, const QByteArray &data);
    void ackReceived();

private:
    void handleReadable();
    void handleWritable();
    void processHostBytes();
    void handleCommand(quint8 command, const QByteArray &data);
    void serveBlock(quint8 command, quint8 block);
    void sendFrame(quint8 command, const QByteArray &payload);
    void writeOut(const QByteArray &bytes);
    [[nodiscard]] QByteArray withStationCode(const QByteArray &data) const;
    [[nodiscard]] QByteArray cardNumberPayload() const;

    StationMode m_mode;
    bool m_answersConfigQuery = true;
    quint16 m_stationCode = 0x0022;
    int m_master = -1;
    int m_slave = -1;
    QString m_devicePath;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_inbound;
    QByteArray m_outbound;

    std::optional<SimCard> m_card;
    int m_blocksServed = 0;

    int m_corruptFrames = 0;
    int m_corruptAfter = 0;
    int m_truncateFrames = 0;
    QByteArray m_garbage;
    bool m_silent = false;
    int m_pullAfterBlocks = -1;

    int m_ackCount = 0;
    QList<int> m_requestedBlocks;
    int m_si5Requests = 0;
    int m_configQueries = 0;
};
