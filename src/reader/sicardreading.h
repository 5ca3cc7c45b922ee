#pragma once

// Decoding of SportIdent card data: card types and block layouts, block 0, check/start/finish
// records, punch records, end markers, and the SI5 card image with its 12-hour clock.
//
// Card times are times of day; they are placed on the calendar day of the reading by wall-clock
// time (date + hours/minutes/seconds), so a punch at 10:00 stays 10:00 on a daylight-saving day.

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

// Which blocks of an SI8-or-later card to read and where its punch list lies.
struct SI8PlusCardLayout
{
    QList<quint8> requestSequence;
    // Blocks whose bytes, concatenated in this order, hold the punch list.
    QList<quint8> punchBlocks;
    int punchListOffset = 0;
    int maxPunches = 0;

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
} // namespace SICard

[[nodiscard]] QString cardTypeName(quint32 cardNumber);
[[nodiscard]] SI8PlusCardLayout defaultCardLayout();
// Unknown type names get the default layout.
[[nodiscard]] SI8PlusCardLayout cardLayout(const QString &typeName);

// `day` at `seconds` after midnight by wall clock; seconds past one day roll into the next days.
// A wall-clock time that does not exist (skipped by a daylight-saving change) moves forward.
[[nodiscard]] QDateTime timeOnDay(const QDate &day, qint64 seconds);

// The preliminary reading of a card-inserted frame (0xE5, 0xE6, 0xE8); logs the series warnings.
[[nodiscard]] SICardReading decodeDetectFrame(
    quint8 command, const QByteArray &payload, const QDateTime &now);

// Card number in bytes 25-27 of block 0; none (with the warning logged) when block 0 is shorter
// than 28 bytes.
[[nodiscard]] std::optional<quint32> block0CardNumber(const QByteArray &block0);

[[nodiscard]] std::optional<QDateTime> decodeCheckTime(const QByteArray &block0, const QDateTime &reference);
[[nodiscard]] std::optional<QDateTime> decodeStartTime(const QByteArray &block0, const QDateTime &reference);
[[nodiscard]] std::optional<QDateTime> decodeFinishTime(const QByteArray &block0, const QDateTime &reference);

// 4-byte punch records from `startOffset` on, at most `limit` of them, stopping at an end marker
// or where no whole record remains. Log positions count from the start of `bytes`.
[[nodiscard]] QList<SIPunch> decodePunchRecords(
    const QByteArray &bytes, const QDateTime &reference, qsizetype startOffset, int limit);

// True when a whole 4-byte record from offset 0 on is an end marker (bytes 1-3 zero, or EE EE EE EE).
[[nodiscard]] bool hasPunchTerminator(const QByteArray &bytes);

// The punch blocks' bytes in layout order, up to the first punch block that has not arrived: a gap
// would shift every later record, so bytes after it are never used.
[[nodiscard]] QByteArray collectPunchBlockBytes(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);
// collectPunchBlockBytes() from `offset` on; empty when the offset is not below its length.
[[nodiscard]] QByteArray punchRecordBytes(
    const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout, qsizetype offset);

// Block 0 present, and either every requested block present or the punch list already terminated.
[[nodiscard]] bool isSI8PlusCardComplete(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);

// Whether block `block` finishes the read-out: the last block of the request sequence, or a punch
// block after which the collected punch list is terminated.
[[nodiscard]] bool blockCompletesCard(
    quint8 block, const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout);

// The reading of a complete SI8-or-later card (check isSI8PlusCardComplete first); logs the
// "assembled" line.
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

// Chooses between the AM candidate and the PM candidate (AM + 12 h).
[[nodiscard]] QDateTime correctSI5AmPm(
    const QDateTime &am, const QDateTime &pm, const SI5TimeConstraint &constraint, const QDateTime &now);

// The reading of an SI5 card image (the 0xB1 data after the station code); none while the image
// holds 35 bytes or fewer. Logs the "assembled SI5" line.
[[nodiscard]] std::optional<SICardReading> decodeSI5Card(const QByteArray &image, const QDateTime &now);
