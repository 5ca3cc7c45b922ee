#pragma once

// Plays the station's side of the SportIdent extended protocol over a pseudo-terminal: answers the
// protocol-configuration query, announces cards, serves their blocks (handshake, autosend or
// polling), removes them, and can misbehave on request.
//
// Runs on the thread's event loop; the reader under test opens devicePath() like a real port.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

#include <optional>

class QSocketNotifier;

struct SimPunch
{
    int controlCode = 31;
    // Seconds after midnight; none writes the blank time bytes (EE EE).
    std::optional<int> secondOfDay;
};

struct SimCard
{
    enum class Series { SI5, SI6, SI8, SI9, SI10, SI11, SIAC, PCard };

    Series series = Series::SI8;
    quint32 number = 2000001;
    QList<SimPunch> punches;
    std::optional<int> check;
    std::optional<int> start;
    std::optional<int> finish;

    // A plausible card of the series: `punchCount` punches one minute apart from 10:01 (control
    // codes 31, 32, ...), check 09:58, start 10:00, finish one minute after the last punch.
    [[nodiscard]] static SimCard example(Series series, int punchCount, quint32 serial = 1);
    [[nodiscard]] static QString seriesName(Series series);
    // How many punches the series' card image holds.
    [[nodiscard]] static int capacity(Series series);
};

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

    // The station's encodings, also used by tests to build expectations.
    [[nodiscard]] static QByteArray stationFrame(quint8 command, const QByteArray &payload);
    [[nodiscard]] static QMap<quint8, QByteArray> encodeBlocks(const SimCard &card);
    [[nodiscard]] static QList<quint8> blocksToSend(const SimCard &card);
    [[nodiscard]] static QByteArray encodeSI5Image(const SimCard &card);
    [[nodiscard]] quint8 configByte() const;

signals:
    void commandReceived(quint8 command, const QByteArray &data);
    void ackReceived();

private:
    void handleReadable();
    void handleWritable();
    void processHostBytes();
    void handleCommand(quint8 command, const QByteArray &data);
    void serveBlock(quint8 block);
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
