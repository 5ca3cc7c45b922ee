#include "sicardreading.h"

#include "log.h"

#include <algorithm>

namespace {

quint8 byteAt(const QByteArray &bytes, qsizetype index)
{
    return quint8(bytes.at(index));
}

QString hex2(quint8 value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString describe(const std::optional<QDateTime> &time)
{
    return time ? time->toString(Qt::ISODate) : QStringLiteral("nil");
}

bool isEndMarker(const char *record)
{
    const auto b = [record](int i) { return quint8(record[i]); };
    const bool zeroTail = b(1) == 0x00 && b(2) == 0x00 && b(3) == 0x00;
    const bool allBlank = b(0) == 0xEE && b(1) == 0xEE && b(2) == 0xEE && b(3) == 0xEE;
    return zeroTail || allBlank;
}

std::optional<QDateTime> decodeTimeRecord(
    const QByteArray &block0, qsizetype offset, const QDateTime &reference)
{
    if (block0.size() < offset + 4)
        return std::nullopt;
    const char *record = block0.constData() + offset;
    const auto b = [record](int i) { return quint8(record[i]); };
    if (b(0) == 0xEE && b(1) == 0xEE && b(2) == 0xEE && b(3) == 0xEE)
        return std::nullopt;
    qint64 seconds = b(2) * 256 + b(3);
    if (b(0) & 0x01)
        seconds += SICard::halfDaySeconds;
    return timeOnDay(reference.date(), seconds);
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
    return {{0, 4, 5, 6, 7}, {4, 5, 6, 7}, 0, 64};
}

SI8PlusCardLayout cardLayout(const QString &typeName)
{
    if (typeName == QLatin1String("SI8"))
        return {{0, 1}, {0, 1}, 136, 50};
    if (typeName == QLatin1String("SI9"))
        return {{0, 1}, {0, 1}, 56, 50};
    if (typeName == QLatin1String("pCard"))
        return {{0, 1}, {0, 1}, 176, 20};
    return defaultCardLayout();
}

QDateTime timeOnDay(const QDate &day, qint64 seconds)
{
    const QDate date = day.addDays(seconds / 86400);
    const int secondOfDay = int(seconds % 86400);
    QDateTime wallClock(date, QTime(secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60));
    if (!wallClock.isValid())
        wallClock = date.startOfDay().addSecs(secondOfDay);
    return wallClock;
}

SICardReading decodeDetectFrame(quint8 command, const QByteArray &payload, const QDateTime &now)
{
    if (command == SICard::si6Inserted)
        logLine(QStringLiteral("SI: WARNING SI6 card detected — block-read protocol (0xE1) differs from "
                               "SI8-11 (0xEF); using untested 0xEF fallback"));
    else if (command == SICard::si5Inserted)
        logLine(QStringLiteral("SI: WARNING SI5 card number decode unverified, and SI5 punch readout is NOT "
                               "supported (wrong block-read command) — treating like SI6-11 layout"));

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
    if (numberBytes.size() == 4)
        number = quint32(byteAt(numberBytes, 1)) << 16 | quint32(byteAt(numberBytes, 2)) << 8
            | byteAt(numberBytes, 3);

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

std::optional<quint32> block0CardNumber(const QByteArray &block0)
{
    if (block0.size() < 28) {
        logLine(QStringLiteral("SI: WARNING block0 payload too short (%1 bytes) for offset-25 card number")
                    .arg(block0.size()));
        return std::nullopt;
    }
    return quint32(byteAt(block0, 25)) << 16 | quint32(byteAt(block0, 26)) << 8 | byteAt(block0, 27);
}

std::optional<QDateTime> decodeCheckTime(const QByteArray &block0, const QDateTime &reference)
{
    return decodeTimeRecord(block0, 8, reference);
}

std::optional<QDateTime> decodeStartTime(const QByteArray &block0, const QDateTime &reference)
{
    return decodeTimeRecord(block0, 12, reference);
}

std::optional<QDateTime> decodeFinishTime(const QByteArray &block0, const QDateTime &reference)
{
    return decodeTimeRecord(block0, 16, reference);
}

QList<SIPunch> decodePunchRecords(
    const QByteArray &bytes, const QDateTime &reference, qsizetype startOffset, int limit)
{
    QList<SIPunch> punches;
    const QDate day = reference.date();
    const QDateTime dayStart = timeOnDay(day, 0);
    qsizetype position = std::max<qsizetype>(startOffset, 0);
    while (position + 4 <= bytes.size() && punches.size() < limit) {
        const char *record = bytes.constData() + position;
        if (isEndMarker(record))
            break;
        const auto b = [record](int i) { return quint8(record[i]); };
        const int code = b(1);
        if (b(0) >= 0x40)
            logLine(QStringLiteral(
                "SI: WARNING punch record byte0=%1 at offset %2 has non-zero control-code-high "
                "bits — control code may be incomplete (codes > 255 not yet handled)")
                        .arg(hex2(b(0)))
                        .arg(position));
        SIPunch punch;
        punch.controlCode = code;
        if (b(2) == 0xEE && b(3) == 0xEE) {
            punch.time = punches.isEmpty() ? dayStart : punches.last().time;
            punch.timeAvailable = false;
            logLine(
                QStringLiteral("SI: punch record at offset %1 (control %2) has blank/sentinel time bytes — "
                               "marking as visited, no time available (likely an older SI5/SI6-era card at "
                               "its split-record capacity)")
                    .arg(position)
                    .arg(code));
        } else {
            qint64 seconds = b(2) * 256 + b(3);
            if (b(0) & 0x01)
                seconds += SICard::halfDaySeconds;
            punch.time = timeOnDay(day, seconds);
            punch.timeAvailable = true;
        }
        punches.append(std::move(punch));
        position += 4;
    }
    return punches;
}

bool hasPunchTerminator(const QByteArray &bytes)
{
    for (qsizetype position = 0; position + 4 <= bytes.size(); position += 4) {
        if (isEndMarker(bytes.constData() + position))
            return true;
    }
    return false;
}

QByteArray collectPunchBlockBytes(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    QByteArray bytes;
    for (quint8 block : layout.punchBlocks) {
        const auto found = blocks.constFind(block);
        if (found == blocks.constEnd())
            break;
        bytes.append(*found);
    }
    return bytes;
}

QByteArray punchRecordBytes(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout, qsizetype offset)
{
    const QByteArray all = collectPunchBlockBytes(blocks, layout);
    if (offset < 0 || offset >= all.size())
        return {};
    return all.mid(offset);
}

bool isSI8PlusCardComplete(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    if (!blocks.contains(0))
        return false;
    const bool allPresent = std::all_of(layout.requestSequence.begin(), layout.requestSequence.end(),
        [&blocks](quint8 block) { return blocks.contains(block); });
    return allPresent || hasPunchTerminator(punchRecordBytes(blocks, layout, layout.punchListOffset));
}

bool blockCompletesCard(quint8 block, const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout)
{
    if (!layout.requestSequence.isEmpty() && layout.requestSequence.last() == block)
        return true;
    return layout.punchBlocks.contains(block)
        && hasPunchTerminator(punchRecordBytes(blocks, layout, layout.punchListOffset));
}

SICardReading decodeSI8PlusCard(const SIBlockBuffer &blocks, const SI8PlusCardLayout &layout,
    const QString &cardNumber, const QString &series, const QDateTime &now)
{
    const QByteArray block0 = blocks.value(0);
    const QDateTime reference = now;
    std::optional<int> dayOfWeek;
    if (block0.size() >= 9)
        dayOfWeek = (byteAt(block0, 8) >> 1) & 0x07;
    int limit = layout.maxPunches;
    if (block0.size() >= 23)
        limit = std::min<int>(limit, byteAt(block0, 22));

    SICardReading reading;
    reading.cardNumber = cardNumber;
    reading.cardSeries = series;
    reading.punches = decodePunchRecords(
        collectPunchBlockBytes(blocks, layout), reference, layout.punchListOffset, limit);
    reading.readAt = now;
    reading.checkPunchTime = decodeCheckTime(block0, reference);
    reading.startPunchTime = decodeStartTime(block0, reference);
    reading.finishPunchTime = decodeFinishTime(block0, reference);
    logLine(QStringLiteral("SI: assembled card reading, dow=%1 refDate=%2 punches=%3 checkPunchTime=%4 "
                           "startPunchTime=%5 finishPunchTime=%6")
                .arg(dayOfWeek ? QString::number(*dayOfWeek) : QStringLiteral("nil"),
                    reference.toString(Qt::ISODate))
                .arg(reading.punches.size())
                .arg(describe(reading.checkPunchTime), describe(reading.startPunchTime),
                    describe(reading.finishPunchTime)));
    return reading;
}

QDateTime correctSI5AmPm(
    const QDateTime &am, const QDateTime &pm, const SI5TimeConstraint &constraint, const QDateTime &now)
{
    if (constraint.kind == SI5TimeConstraint::Kind::NearestToNow) {
        const qint64 toAm = std::abs(now.msecsTo(am));
        const qint64 toPm = std::abs(now.msecsTo(pm));
        return toPm < toAm ? pm : am;
    }
    if (pm <= constraint.anchor)
        return pm;
    if (am <= constraint.anchor)
        return am;
    logLine(QStringLiteral("SI: WARNING SI5 time later than required anchor even after AM/PM correction — "
                           "wrapping -24h to keep ascending order (anchor=%1, candidates=%2/%3)")
                .arg(constraint.anchor.toString(Qt::ISODate), am.toString(Qt::ISODate),
                    pm.toString(Qt::ISODate)));
    return am.addDays(-1);
}

namespace {

struct SI5Record
{
    int code = 0;
    std::optional<int> seconds; // raw 12-hour seconds; none for EE EE
};

std::optional<int> si5RawTime(const QByteArray &image, qsizetype offset)
{
    const quint8 high = byteAt(image, offset);
    const quint8 low = byteAt(image, offset + 1);
    if (high == 0xEE && low == 0xEE)
        return std::nullopt;
    return high * 256 + low;
}

QList<SI5Record> si5Records(const QByteArray &image)
{
    QList<SI5Record> records;
    constexpr int punchArea = 32, groups = 6, groupSize = 16, perGroup = 5, recordSize = 3;
    for (int group = 0; group < groups; ++group) {
        for (int r = 0; r < perGroup; ++r) {
            const qsizetype offset = punchArea + group * groupSize + 1 + r * recordSize;
            if (offset + recordSize > image.size())
                return records;
            const quint8 code = byteAt(image, offset);
            const quint8 high = byteAt(image, offset + 1);
            const quint8 low = byteAt(image, offset + 2);
            if ((code == 0x00 && high == 0x00 && low == 0x00)
                || (code == 0xEE && high == 0xEE && low == 0xEE))
                return records;
            SI5Record record;
            record.code = code;
            if (!(high == 0xEE && low == 0xEE))
                record.seconds = high * 256 + low;
            records.append(record);
        }
    }
    return records;
}

} // namespace

std::optional<SICardReading> decodeSI5Card(const QByteArray &image, const QDateTime &now)
{
    if (image.size() <= 35)
        return std::nullopt;
    const QDate day = now.date();
    const auto place = [&](int raw, const SI5TimeConstraint &constraint) {
        return correctSI5AmPm(
            timeOnDay(day, raw), timeOnDay(day, raw + SICard::halfDaySeconds), constraint, now);
    };

    quint32 number = quint32(byteAt(image, 4)) * 256 + byteAt(image, 5);
    const quint8 series = byteAt(image, 6);
    if (series >= 2)
        number += quint32(series) * 100000;

    SICardReading reading;
    reading.cardNumber = QString::number(number);
    reading.cardSeries = QStringLiteral("SI5");
    reading.readAt = now;

    if (const auto raw = si5RawTime(image, 21))
        reading.finishPunchTime = place(*raw, SI5TimeConstraint::nearestToNow());

    // Walk back from the finish so every punch lands on or before the one after it.
    const QList<SI5Record> records = si5Records(image);
    QList<SIPunch> reversed;
    std::optional<QDateTime> anchor = reading.finishPunchTime;
    for (auto it = records.crbegin(); it != records.crend(); ++it) {
        SIPunch punch;
        punch.controlCode = it->code;
        if (it->seconds) {
            punch.time = place(*it->seconds,
                anchor ? SI5TimeConstraint::before(*anchor) : SI5TimeConstraint::nearestToNow());
            punch.timeAvailable = true;
            anchor = punch.time;
        } else {
            punch.time = anchor ? *anchor : timeOnDay(day, 0);
            punch.timeAvailable = false;
        }
        reversed.append(std::move(punch));
    }
    reading.punches = QList<SIPunch>(reversed.crbegin(), reversed.crend());

    if (const auto raw = si5RawTime(image, 19)) {
        SI5TimeConstraint constraint = SI5TimeConstraint::nearestToNow();
        if (!reading.punches.isEmpty())
            constraint = SI5TimeConstraint::before(reading.punches.first().time);
        else if (reading.finishPunchTime)
            constraint = SI5TimeConstraint::before(*reading.finishPunchTime);
        reading.startPunchTime = place(*raw, constraint);
    }
    if (const auto raw = si5RawTime(image, 25)) {
        reading.checkPunchTime = place(*raw,
            reading.startPunchTime ? SI5TimeConstraint::before(*reading.startPunchTime)
                                   : SI5TimeConstraint::nearestToNow());
    }
    logLine(QStringLiteral("SI: assembled SI5 card reading (UNVERIFIED), punches=%1")
                .arg(reading.punches.size()));
    return reading;
}
