#pragma once

// Decoding of SportIdent card data: card types and block layouts, block 0, check/start/finish
// records, punch records, end markers, and the SI5 card image with its 12-hour clock.
//
// Card times are times of day; they are placed on the calendar day of the reading by wall-clock
// time (date + hours/minutes/seconds), so a punch at 10:00 stays 10:00 on a daylight-saving day;
// a time more than an hour after the reading was punched the day before (a night event read after
// midnight).

#include "race.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>

#include <optional>

// One card read-out: the preliminary reading of an inserted card (number, no punches) or the
// assembled reading of a completely read card.
struct SICardReading
{
    Q_GADGET
    Q_PROPERTY(QString cardNumber MEMBER cardNumber)
    Q_PROPERTY(QString cardSeries MEMBER cardSeries)
    Q_PROPERTY(QDateTime readAt MEMBER readAt)
    Q_PROPERTY(int punchCount READ punchCount)
public:
    QString cardNumber;
    QString cardSeries;
    QList<SIPunch> punches;
    QDateTime readAt;
    std::optional<QDateTime> checkPunchTime;
    std::optional<QDateTime> startPunchTime;
    std::optional<QDateTime> finishPunchTime;

    [[nodiscard]] int punchCount() const { return int(punches.size()); }
};
Q_DECLARE_METATYPE(SICardReading)

// How a card of the block-read family (SI6 and SI8 onwards) keeps its data: which command reads a
// block, which blocks to read, where the punch list lies and where block 0 keeps its header.
struct SI8PlusCardLayout
{
    // Blocks in the order they are read; only those that hold counted punches are requested.
    QList<quint8> requestSequence;
    // Blocks whose bytes, concatenated in this order, hold the punch list.
    QList<quint8> punchBlocks;
    int punchListOffset = 0;
    // Capacity of the punch list; the count in block 0 is bounded by it.
    int maxPunches = 0;
    quint8 readCommand = 0xEF;
    // Offsets in block 0.
    int checkOffset = 8;
    int startOffset = 12;
    int finishOffset = 16;
    int countOffset = 22;
    int numberOffset = 25;

    friend bool operator==(const SI8PlusCardLayout &, const SI8PlusCardLayout &) = default;
};

// Block number -> the block's data bytes (normally 128) for the card being read.
using SIBlockBuffer = QMap<quint8, QByteArray>;

namespace SICard {
constexpr quint8 si5Inserted = 0xE5;
constexpr quint8 si6Inserted = 0xE6;
constexpr quint8 si8PlusInserted = 0xE8;
constexpr quint8 removed = 0xE7;
constexpr quint8 readBlock = 0xEF;
constexpr quint8 si6Block = 0xE1;
constexpr quint8 readSI5 = 0xB1;
constexpr quint8 systemValues = 0x83;
constexpr int blockSize = 128;
constexpr int halfDaySeconds = 43200;
constexpr int si5MaxPunches = 36;
constexpr int si5TimedPunches = 30;
} // namespace SICard

[[nodiscard]] QString cardTypeName(quint32 cardNumber);
// SI10, SI11 and SIAC: block 0, then 128 punches in blocks 4 to 7.
[[nodiscard]] SI8PlusCardLayout defaultCardLayout();
// Unknown type names get the default layout; "SI6" and "SI6*" the SI6 layout in 64-punch mode.
[[nodiscard]] SI8PlusCardLayout cardLayout(const QString &typeName);
// An SI6 card read with 0xE1: header in block 0, punches 1-64 in blocks 6 and 7; a card in
// 192-punch mode (its block 0 counts more than 64) keeps punches 65-192 in blocks 2 to 5.
[[nodiscard]] SI8PlusCardLayout si6CardLayout(const QByteArray &block0 = {});

// `day` at `seconds` after midnight by wall clock; seconds past one day roll into the next days.
// A wall-clock time that does not exist (skipped by a daylight-saving change) moves forward.
[[nodiscard]] QDateTime timeOnDay(const QDate &day, qint64 seconds);

// The preliminary reading of a card-inserted frame (0xE5, 0xE6, 0xE8); logs the short-frame warning.
[[nodiscard]] SICardReading decodeDetectFrame(
    quint8 command, const QByteArray &payload, const QDateTime &now);

// Card number in block 0 at the layout's offset (3 bytes, high first); none (with the warning
// logged) when block 0 is too short to hold it.
[[nodiscard]] std::optional<quint32> block0CardNumber(
    const QByteArray &block0, const SI8PlusCardLayout &layout = defaultCardLayout());

[[nodiscard]] std::optional<QDateTime> decodeCheckTime(const QByteArray &block0, const QDateTime &reference,
    const SI8PlusCardLayout &layout = defaultCardLayout());
[[nodiscard]] std::optional<QDateTime> decodeStartTime(const QByteArray &block0, const QDateTime &reference,
    const SI8PlusCardLayout &layout = defaultCardLayout());
[[nodiscard]] std::optional<QDateTime> decodeFinishTime(const QByteArray &block0, const QDateTime &reference,
    const SI8PlusCardLayout &layout = defaultCardLayout());

// The number of punches block 0 says the card holds, bounded by the layout's capacity; 0 without
// block 0. A count above the capacity is logged.
[[nodiscard]] int countedPunches(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);

// The blocks a read-out needs, in request order: block 0, then the punch blocks holding the
// counted punches. Only block 0 while block 0 is missing.
[[nodiscard]] QList<quint8> blocksNeeded(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);

// Block 0 holds the whole header and every needed block is present.
[[nodiscard]] bool isSI8PlusCardComplete(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);

// The last needed block arrived but one before it did not (a lost frame of an autosending
// station): the card can be read as far as it is sound, and will not become complete.
[[nodiscard]] bool hasMissingMiddleBlock(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);

// The first needed block that has not arrived; none when the card is complete.
[[nodiscard]] std::optional<quint8> nextBlockToRequest(
    const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);

// The reading of an SI6-or-later card from the blocks at hand: the counted punch records that
// arrived, stopping at an empty record; missing blocks and a count the records do not bear out are
// logged. Logs the "assembled" line.
[[nodiscard]] SICardReading decodeSI8PlusCard(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout,
    const QString &cardNumber, const QString &series, const QDateTime &now);

// How a 12-hour SI5 time is placed on the clock.
struct SI5TimeConstraint
{
    enum class Kind { Before, NearestToNow };
    Kind kind = Kind::NearestToNow;
    QDateTime anchor; // for Before: the result is not later than this

    [[nodiscard]] static SI5TimeConstraint before(const QDateTime &anchor) { return {Kind::Before, anchor}; }
    [[nodiscard]] static SI5TimeConstraint nearestToNow() { return {Kind::NearestToNow, {}}; }
};

// Places a 12-hour time (raw seconds below 12 h). Before an anchor: the latest of the morning and
// afternoon readings of the anchor's day and the day before that is not later than the anchor, so
// a night event read after midnight keeps its evening punches on the evening before. Nearest to
// now: of the afternoon before and the morning and afternoon of today, the one closest to now.
[[nodiscard]] QDateTime placeSI5Time(
    int rawSeconds, const SI5TimeConstraint &constraint, const QDateTime &now);

// The reading of an SI5 card image (the 0xB1 data after the station code); none while the image
// holds 35 bytes or fewer (records past a short image are logged as missing). The punch count is the card's
// punch pointer (byte 23) less one; punches 31-36 keep only their code. Logs the "assembled SI5" line.
[[nodiscard]] std::optional<SICardReading> decodeSI5Card(const QByteArray &image, const QDateTime &now);
