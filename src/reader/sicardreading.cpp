#include "sicardreading.h"

#include "localdays.h"
#include "log.h"

#include <algorithm>
#include <limits>

namespace {

quint8 byteAt(const QByteArray &bytes, qsizetype index)
{
    return quint8(bytes.at(index));
}

// In local time, as the log has always shown card times.
QString describe(const std::optional<QDateTime> &time)
{
    return time ? time->toLocalTime().toString(Qt::ISODate) : QStringLiteral("nil");
}

// An unused punch record: bytes 1-3 zero (any byte 0), or all four blank.
bool isEndMarker(const char *record)
{
    const auto b = [record](int i) { return quint8(record[i]); };
    const bool zeroTail = b(1) == 0x00 && b(2) == 0x00 && b(3) == 0x00;
    const bool allBlank = b(0) == 0xEE && b(1) == 0xEE && b(2) == 0xEE && b(3) == 0xEE;
    return zeroTail || allBlank;
}

// The reading's day and the latest time a punch can have, worked out once per card: local-time
// conversions are the costly part of placing a time.
struct ReadingDay
{
    explicit ReadingDay(const QDateTime &reference)
        : date(reference.date())
        , latest(reference.addSecs(3600).toUTC())
    { }
    LocalDays days;
    QDate date;
    QDateTime latest;
};

QDateTime timeOnDay(LocalDays &days, const QDate &day, qint64 seconds)
{
    const QDate date = day.addDays(seconds / 86400);
    const int secondOfDay = int(seconds % 86400);
    const QDateTime wallClock = days.at(date, secondOfDay);
    return wallClock.isValid() ? wallClock : date.startOfDay().addSecs(secondOfDay);
}

// A card is read after it was punched, so a time of day later than the reading (beyond an hour
// for station clocks that run ahead) was punched the day before: a night event read after
// midnight keeps its evening on the evening before.
QDateTime placeBeforeReading(qint64 seconds, ReadingDay &reading)
{
    const QDateTime sameDay = timeOnDay(reading.days, reading.date, seconds);
    return sameDay > reading.latest ? timeOnDay(reading.days, reading.date.addDays(-1), seconds) : sameDay;
}

// A 4-byte time record (flags, station code or sub-second fraction, seconds high, seconds low).
// Only bit 0 of the flags (afternoon) places the time; the day-of-week, week and sub-second bits
// are not needed to place a time on the day of the reading.
std::optional<QDateTime> decodeTimeRecord(const QByteArray &block0, qsizetype offset, ReadingDay &reference)
{
    if (block0.size() < offset + 4)
        return std::nullopt;
    const char *record = block0.constData() + offset;
    const auto b = [record](int i) { return quint8(record[i]); };
    if (b(2) == 0xEE && b(3) == 0xEE)
        return std::nullopt;
    qint64 seconds = b(2) * 256 + b(3);
    if (seconds >= SICard::halfDaySeconds) {
        logLine(
            QStringLiteral("SI: WARNING time record at block-0 offset %1 holds %2 s, more than 12 hours — "
                           "time left out")
                .arg(offset)
                .arg(seconds));
        return std::nullopt;
    }
    if (b(0) & 0x01)
        seconds += SICard::halfDaySeconds;
    return placeBeforeReading(seconds, reference);
}

// Bits 6-7 of a punch record's flags are bits 8-9 of the control code (codes up to 1023). A blank
// flags byte (EE, a day of week that does not exist) is no flags byte and carries no code bits.
int punchRecordCode(quint8 flags, quint8 low)
{
    if (flags == 0xEE)
        return low;
    return (flags >> 6) << 8 | low;
}

SIPunch decodePunchRecord(
    const char *record, qsizetype position, ReadingDay &reference, const std::optional<QDateTime> &previous)
{
    const auto b = [record](int i) { return quint8(record[i]); };
    const int code = punchRecordCode(b(0), b(1));
    SIPunch punch;
    punch.controlCode = code;
    const int seconds = b(2) * 256 + b(3);
    if ((b(2) == 0xEE && b(3) == 0xEE) || seconds >= SICard::halfDaySeconds) {
        punch.time = previous ? *previous : timeOnDay(reference.days, reference.date, 0);
        punch.timeAvailable = false;
        logLine(QStringLiteral(
            "SI: punch record at offset %1 (control %2) has blank/sentinel time bytes — "
            "marking as visited, no time available (likely an older SI5/SI6-era card at its split-record "
            "capacity)")
                    .arg(position)
                    .arg(code));
    } else {
        punch.time = placeBeforeReading(seconds + ((b(0) & 0x01) ? SICard::halfDaySeconds : 0), reference);
        punch.timeAvailable = true;
    }
    return punch;
}

QString blockList(const QList<quint8> &blocks)
{
    QStringList texts;
    for (quint8 b : blocks)
        texts.append(QString::number(b));
    return texts.join(QStringLiteral(", "));
}

} // namespace

QString cardTypeName(quint32 n)
{
    if (n >= 500000 && n < 1000000)
        return QStringLiteral("SI6");
    if (n >= 1000000 && n < 2000000)
        return QStringLiteral("SI9");
    if (n >= 2000000 && n < 3000000)
        return QStringLiteral("SI8");
    if (n >= 4000000 && n < 5000000)
        return QStringLiteral("pCard");
    if (n >= 6000000 && n < 7000000)
        return QStringLiteral("tCard");
    if (n >= 7000000 && n < 8000000)
        return QStringLiteral("SI10");
    if (n >= 8000000 && n < 9000000)
        return QStringLiteral("SIAC1");
    if (n >= 9000000 && n < 10000000)
        return QStringLiteral("SI11");
    if (n >= 14000000 && n < 15000000)
        return QStringLiteral("fCard");
    if ((n & ~quint32(0xFFFF)) == 0xFF0000)
        return QStringLiteral("SI6*");
    return QStringLiteral("SI5 or unknown");
}

SI8PlusCardLayout defaultCardLayout()
{
    SI8PlusCardLayout layout;
    layout.requestSequence = {0, 4, 5, 6, 7};
    layout.punchBlocks = {4, 5, 6, 7};
    layout.punchListOffset = 0;
    layout.maxPunches = 128;
    return layout;
}

SI8PlusCardLayout si6CardLayout(const QByteArray &block0)
{
    SI8PlusCardLayout layout;
    layout.readCommand = SICard::si6Block;
    layout.requestSequence = {0, 6, 7};
    layout.punchBlocks = {6, 7, 2, 3, 4, 5};
    layout.maxPunches = 64;
    layout.finishOffset = 20;
    layout.startOffset = 24;
    layout.checkOffset = 28;
    layout.countOffset = 18;
    layout.numberOffset = 11;
    if (block0.size() > layout.countOffset && byteAt(block0, layout.countOffset) > 64) {
        layout.requestSequence = {0, 6, 7, 2, 3, 4, 5};
        layout.maxPunches = 192;
    }
    return layout;
}

SI8PlusCardLayout cardLayout(const QString &typeName)
{
    const auto twoBlocks = [](int offset) {
        SI8PlusCardLayout layout;
        layout.requestSequence = {0, 1};
        layout.punchBlocks = {0, 1};
        layout.punchListOffset = offset;
        layout.maxPunches = (2 * SICard::blockSize - offset) / 4;
        return layout;
    };
    if (typeName == QLatin1String("SI8"))
        return twoBlocks(136);
    if (typeName == QLatin1String("SI9"))
        return twoBlocks(56);
    if (typeName == QLatin1String("pCard"))
        return twoBlocks(176);
    if (typeName == QLatin1String("SI6") || typeName == QLatin1String("SI6*"))
        return si6CardLayout();
    return defaultCardLayout();
}

QDateTime timeOnDay(const QDate &day, qint64 seconds)
{
    LocalDays days;
    return timeOnDay(days, day, seconds);
}

SICardReading decodeDetectFrame(quint8 command, const QByteArray &payload, const QDateTime &now)
{
    QByteArray numberBytes;
    if (payload.size() >= 6) {
        numberBytes = payload.mid(2, 4);
    } else {
        logLine(QStringLiteral("SI: WARNING detect frame too short (%1 bytes) for offset-2 card number, "
                               "falling back to offset 0")
                    .arg(payload.size()));
        numberBytes = payload.left(4);
    }
    quint32 number = 0;
    if (numberBytes.size() == 4) {
        if (command == SICard::si5Inserted) {
            // An SI5 card gives its series (CNS) and a 16-bit number; series 0 and 1 are not printed.
            const quint32 series = byteAt(numberBytes, 1);
            number = quint32(byteAt(numberBytes, 2)) << 8 | byteAt(numberBytes, 3);
            if (series >= 2)
                number += series * 100000;
        } else {
            number = quint32(byteAt(numberBytes, 1)) << 16 | quint32(byteAt(numberBytes, 2)) << 8
                | byteAt(numberBytes, 3);
        }
    }

    SICardReading reading;
    reading.cardNumber = QString::number(number);
    if (command == SICard::si5Inserted)
        reading.cardSeries = QStringLiteral("SI5");
    else if (command == SICard::si6Inserted)
        reading.cardSeries = QStringLiteral("SI6");
    else if (command == SICard::si8PlusInserted)
        reading.cardSeries = QStringLiteral("SI6-11");
    reading.readAt = now;
    return reading;
}

std::optional<quint32> block0CardNumber(const QByteArray &block0, const SI8PlusCardLayout &layout)
{
    const int offset = layout.numberOffset;
    if (block0.size() < offset + 3) {
        logLine(QStringLiteral("SI: WARNING block0 payload too short (%1 bytes) for offset-%2 card number")
                    .arg(block0.size())
                    .arg(offset));
        return std::nullopt;
    }
    return quint32(byteAt(block0, offset)) << 16 | quint32(byteAt(block0, offset + 1)) << 8
        | byteAt(block0, offset + 2);
}

std::optional<QDateTime> decodeCheckTime(
    const QByteArray &block0, const QDateTime &reference, const SI8PlusCardLayout &layout)
{
    ReadingDay day(reference);
    return decodeTimeRecord(block0, layout.checkOffset, day);
}

std::optional<QDateTime> decodeStartTime(
    const QByteArray &block0, const QDateTime &reference, const SI8PlusCardLayout &layout)
{
    ReadingDay day(reference);
    return decodeTimeRecord(block0, layout.startOffset, day);
}

std::optional<QDateTime> decodeFinishTime(
    const QByteArray &block0, const QDateTime &reference, const SI8PlusCardLayout &layout)
{
    ReadingDay day(reference);
    return decodeTimeRecord(block0, layout.finishOffset, day);
}

int countedPunches(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    const QByteArray block0 = blocks.value(0);
    if (block0.size() <= layout.countOffset)
        return 0;
    const int count = byteAt(block0, layout.countOffset);
    if (count > layout.maxPunches) {
        logLine(
            QStringLiteral("SI: WARNING block 0 counts %1 punches, the card holds at most %2 — reading %2")
                .arg(count)
                .arg(layout.maxPunches));
        return layout.maxPunches;
    }
    return count;
}

namespace {

// Block 0 is long enough to hold the card's number, count and time records.
bool holdsHeader(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    const int needed = std::max({layout.numberOffset + 3, layout.countOffset + 1, layout.checkOffset + 4,
        layout.startOffset + 4, layout.finishOffset + 4});
    return blocks.value(0).size() >= needed;
}

} // namespace

QList<quint8> blocksNeeded(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    QList<quint8> needed {0};
    if (!blocks.contains(0))
        return needed;
    const int count = countedPunches(blocks, layout);
    if (count == 0)
        return needed;
    const int lastByte = layout.punchListOffset + 4 * count - 1;
    for (qsizetype i = 0; i <= lastByte / SICard::blockSize && i < layout.punchBlocks.size(); ++i) {
        if (!needed.contains(layout.punchBlocks.at(i)))
            needed.append(layout.punchBlocks.at(i));
    }
    // Request order follows the layout's sequence (block 0 first).
    std::sort(needed.begin(), needed.end(), [&layout](quint8 a, quint8 b) {
        return layout.requestSequence.indexOf(a) < layout.requestSequence.indexOf(b);
    });
    return needed;
}

bool isSI8PlusCardComplete(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    const QList<quint8> needed = blocksNeeded(blocks, layout);
    return holdsHeader(blocks, layout)
        && std::all_of(needed.begin(), needed.end(), [&blocks](quint8 b) { return blocks.contains(b); });
}

bool hasMissingMiddleBlock(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    const QList<quint8> needed = blocksNeeded(blocks, layout);
    return holdsHeader(blocks, layout) && blocks.contains(needed.last())
        && !isSI8PlusCardComplete(blocks, layout);
}

std::optional<quint8> nextBlockToRequest(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    for (quint8 block : blocksNeeded(blocks, layout)) {
        if (!blocks.contains(block))
            return block;
    }
    return std::nullopt;
}

SICardReading decodeSI8PlusCard(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout,
    const QString &cardNumber, const QString &series, const QDateTime &now)
{
    const QByteArray block0 = blocks.value(0);
    const QDateTime &reference = now;
    ReadingDay day(now);
    std::optional<int> dayOfWeek;
    if (block0.size() > layout.checkOffset)
        dayOfWeek = (byteAt(block0, layout.checkOffset) >> 1) & 0x07;
    const int count = countedPunches(blocks, layout);

    SICardReading reading;
    reading.cardNumber = cardNumber;
    reading.cardSeries = series;
    reading.readAt = now;
    QList<quint8> missingBlocks;
    for (int i = 0; i < count; ++i) {
        // Records are found by position, so a missing block costs only its own records.
        const int position = layout.punchListOffset + 4 * i;
        const quint8 block = layout.punchBlocks.at(position / SICard::blockSize);
        const int inBlock = position % SICard::blockSize;
        const auto found = blocks.constFind(block);
        if (found == blocks.constEnd() || found->size() < inBlock + 4) {
            if (!missingBlocks.contains(block))
                missingBlocks.append(block);
            continue;
        }
        const char *record = found->constData() + inBlock;
        if (isEndMarker(record)) {
            logLine(
                QStringLiteral("SI: WARNING block 0 counts %1 punches but record %2 is empty — reading %3")
                    .arg(count)
                    .arg(i + 1)
                    .arg(reading.punches.size()));
            break;
        }
        const std::optional<QDateTime> previous
            = reading.punches.isEmpty() ? std::nullopt : std::optional(reading.punches.last().time);
        reading.punches.append(decodePunchRecord(record, position, day, previous));
    }
    if (!missingBlocks.isEmpty())
        logLine(
            QStringLiteral("SI: WARNING block(s) %1 of card %2 never arrived — their punches are not read")
                .arg(blockList(missingBlocks), cardNumber));
    reading.checkPunchTime = decodeTimeRecord(block0, layout.checkOffset, day);
    reading.startPunchTime = decodeTimeRecord(block0, layout.startOffset, day);
    reading.finishPunchTime = decodeTimeRecord(block0, layout.finishOffset, day);
    logLine(QStringLiteral("SI: assembled card reading, dow=%1 refDate=%2 punches=%3 checkPunchTime=%4 "
                           "startPunchTime=%5 finishPunchTime=%6")
                .arg(dayOfWeek ? QString::number(*dayOfWeek) : QStringLiteral("nil"),
                    reference.toString(Qt::ISODate))
                .arg(reading.punches.size())
                .arg(describe(reading.checkPunchTime), describe(reading.startPunchTime),
                    describe(reading.finishPunchTime)));
    return reading;
}

namespace {

// placeSI5Time with the local days of one card.
QDateTime placeSI5Time(LocalDays &days, int raw, const SI5TimeConstraint &constraint, const QDateTime &now)
{
    if (constraint.kind == SI5TimeConstraint::Kind::NearestToNow) {
        const QDate today = now.date();
        const QDateTime nowUtc = now.toUTC();
        QDateTime best;
        qint64 bestDistance = std::numeric_limits<qint64>::max();
        for (const QDateTime &candidate : {timeOnDay(days, today.addDays(-1), raw + SICard::halfDaySeconds),
                 timeOnDay(days, today, raw), timeOnDay(days, today, raw + SICard::halfDaySeconds)}) {
            const qint64 distance = std::abs(nowUtc.msecsTo(candidate));
            if (distance < bestDistance) {
                best = candidate;
                bestDistance = distance;
            }
        }
        return best;
    }
    // The anchor's local day, whatever form the anchor is kept in.
    const QDate day = days.wallClock(constraint.anchor).date;
    for (const QDateTime &candidate : {timeOnDay(days, day, raw + SICard::halfDaySeconds),
             timeOnDay(days, day, raw), timeOnDay(days, day.addDays(-1), raw + SICard::halfDaySeconds),
             timeOnDay(days, day.addDays(-1), raw)}) {
        if (candidate <= constraint.anchor)
            return candidate;
    }
    return timeOnDay(days, day.addDays(-1), raw); // not reached: a 12-hour time fits every 12 hours
}

} // namespace

QDateTime placeSI5Time(int raw, const SI5TimeConstraint &constraint, const QDateTime &now)
{
    LocalDays days;
    return placeSI5Time(days, raw, constraint, now);
}

namespace {

struct SI5Record
{
    int code = 0;
    std::optional<int> seconds; // raw 12-hour seconds; none for EE EE, for punches 31-36 and refused values
};

// Raw 12-hour seconds; none for EE EE, and none (logged) for values of 12 hours or more, which a
// 12-hour clock cannot have written.
std::optional<int> si5RawTime(const QByteArray &image, qsizetype offset, const char *what)
{
    const quint8 high = byteAt(image, offset);
    const quint8 low = byteAt(image, offset + 1);
    if (high == 0xEE && low == 0xEE)
        return std::nullopt;
    const int raw = high * 256 + low;
    if (raw >= SICard::halfDaySeconds) {
        logLine(QStringLiteral("SI: WARNING SI5 %1 time %2 s is not a 12-hour time — time left out")
                    .arg(QLatin1String(what))
                    .arg(raw));
        return std::nullopt;
    }
    return raw;
}

// Punches 1-30: five 3-byte records (code, time high, time low) after the first byte of each
// 16-byte group from offset 32; punches 31-36: that first byte, a code without time.
QList<SI5Record> si5Records(const QByteArray &image)
{
    int pointer = byteAt(image, 23);
    int count = pointer - 1;
    if (pointer == 0 || count > SICard::si5MaxPunches) {
        logLine(QStringLiteral("SI: WARNING SI5 punch pointer %1 is out of range — reading %2 punches")
                    .arg(pointer)
                    .arg(std::clamp(count, 0, SICard::si5MaxPunches)));
        count = std::clamp(count, 0, SICard::si5MaxPunches);
    }
    QList<SI5Record> records;
    for (int i = 0; i < count; ++i) {
        const bool timed = i < SICard::si5TimedPunches;
        const qsizetype offset
            = timed ? 32 + (i / 5) * 16 + 1 + (i % 5) * 3 : 32 + (i - SICard::si5TimedPunches) * 16;
        if (offset + (timed ? 3 : 1) > image.size()) {
            logLine(
                QStringLiteral("SI: WARNING SI5 image of %1 bytes ends before punch %2 of %3 — reading %4")
                    .arg(image.size())
                    .arg(i + 1)
                    .arg(count)
                    .arg(records.size()));
            break;
        }
        SI5Record record;
        record.code = byteAt(image, offset);
        if (record.code == 0x00 || record.code == 0xEE) {
            logLine(
                QStringLiteral("SI: WARNING SI5 card counts %1 punches but record %2 is empty — reading %3")
                    .arg(count)
                    .arg(i + 1)
                    .arg(records.size()));
            break;
        }
        if (timed)
            record.seconds = si5RawTime(image, offset + 1, "punch");
        records.append(record);
    }
    return records;
}

} // namespace

std::optional<SICardReading> decodeSI5Card(const QByteArray &image, const QDateTime &now)
{
    if (image.size() <= 35)
        return std::nullopt;
    const QDate day = now.date();
    LocalDays days;

    quint32 number = quint32(byteAt(image, 4)) * 256 + byteAt(image, 5);
    const quint8 series = byteAt(image, 6);
    if (series >= 2)
        number += quint32(series) * 100000;

    SICardReading reading;
    reading.cardNumber = QString::number(number);
    reading.cardSeries = QStringLiteral("SI5");
    reading.readAt = now;

    if (const auto raw = si5RawTime(image, 21, "finish"))
        reading.finishPunchTime = placeSI5Time(days, *raw, SI5TimeConstraint::nearestToNow(), now);

    // Walk back from the finish so every punch lands on or before the one after it.
    const QList<SI5Record> records = si5Records(image);
    QList<SIPunch> reversed;
    std::optional<QDateTime> anchor = reading.finishPunchTime;
    for (auto it = records.crbegin(); it != records.crend(); ++it) {
        SIPunch punch;
        punch.controlCode = it->code;
        if (it->seconds) {
            punch.time = placeSI5Time(days, *it->seconds,
                anchor ? SI5TimeConstraint::before(*anchor) : SI5TimeConstraint::nearestToNow(), now);
            punch.timeAvailable = true;
            anchor = punch.time;
        } else {
            punch.time = anchor ? *anchor : timeOnDay(days, day, 0);
            punch.timeAvailable = false;
        }
        reversed.append(std::move(punch));
    }
    reading.punches = QList<SIPunch>(reversed.crbegin(), reversed.crend());

    if (const auto raw = si5RawTime(image, 19, "start")) {
        SI5TimeConstraint constraint = SI5TimeConstraint::nearestToNow();
        const auto firstTimed = std::find_if(reading.punches.cbegin(), reading.punches.cend(),
            [](const SIPunch &p) { return p.timeAvailable; });
        if (firstTimed != reading.punches.cend())
            constraint = SI5TimeConstraint::before(firstTimed->time);
        else if (reading.finishPunchTime)
            constraint = SI5TimeConstraint::before(*reading.finishPunchTime);
        reading.startPunchTime = placeSI5Time(days, *raw, constraint, now);
    }
    if (const auto raw = si5RawTime(image, 25, "check")) {
        reading.checkPunchTime = placeSI5Time(days, *raw,
            reading.startPunchTime ? SI5TimeConstraint::before(*reading.startPunchTime)
                                   : SI5TimeConstraint::nearestToNow(),
            now);
    }
    logLine(QStringLiteral("SI: assembled SI5 card reading, punches=%1").arg(reading.punches.size()));
    return reading;
}
