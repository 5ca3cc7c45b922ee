#pragma once

// A SportIdent card as the card itself holds it: its memory written byte by byte from SportIdent's
// published description of each series, independently of how the application decodes it.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

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
    // Written into the flags of every time record, as the stations write them: day of week
    // (0 Sunday .. 6 Saturday) and the four-week counter.
    int dayOfWeek = 5;
    int weekCounter = 2;
    // An SI6 card set to 192 punches (blocks 2 to 5 hold punches 65-192).
    bool si6Mode192 = false;
    // Start and finish stations in sub-second mode (flags bit 7, byte 1 the 1/256 s).
    bool subSecondStartFinish = false;

    // A plausible card of the series: `punchCount` punches (up to the series' capacity) 40 s apart
    // from 11:52:40 (control codes 31, 32, ...), so a longer card runs past noon; check 11:50,
    // start 11:52, finish 40 s after the last punch. SI6 cards with more than 64 punches are in
    // 192-punch mode; SIAC cards have sub-second start and finish.
    [[nodiscard]] static SimCard example(Series series, int punchCount, quint32 serial = 1);
    [[nodiscard]] static QString seriesName(Series series);
    // How many punches a card of the series holds (SI5: 30 with time and 6 without).
    [[nodiscard]] static int capacity(Series series, bool si6Mode192 = false);

    // The card's memory by block (128 bytes each); an SI5 card is one 128-byte image as block 0.
    [[nodiscard]] QMap<quint8, QByteArray> memory() const;
    // The blocks a station sends when it reads the whole card out by itself, in its order.
    [[nodiscard]] QList<quint8> readOutBlocks() const;
    // The four number bytes of the card-inserted and card-removed frames.
    [[nodiscard]] QByteArray detectNumber() const;
};
