#include "simcard.h"

#include <algorithm>

// Card memory after SportIdent's description of the card series. Times are 12-hour seconds, high
// byte first; a blank time is EE EE. A 4-byte time record is flags, a code byte, seconds high,
// seconds low; the flags hold the afternoon bit (0), the day of week (1-3), the week counter (4-5)
// and, in a punch record, the two high bits of a control code above 255 (6-7).

namespace {

constexpr int blockSize = 128;
constexpr int halfDay = 43200;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(char(v & 0xFF));
    return result;
}

quint8 flags(const SimCard &card, int secondOfDay, int code = 0)
{
    return quint8((secondOfDay >= halfDay ? 0x01 : 0x00) | (card.dayOfWeek & 0x07) << 1
        | (card.weekCounter & 0x03) << 4 | ((code >> 8) & 0x03) << 6);
}

void put(QByteArray &bytes, int offset, const QByteArray &value)
{
    bytes.replace(offset, value.size(), value);
}

QByteArray seconds12(int secondOfDay)
{
    const int s = secondOfDay % halfDay;
    return bytes({s >> 8, s});
}

// Check, start or finish record; `code` is the station's code (or the sub-second fraction).
QByteArray timeRecord(
    const SimCard &card, const std::optional<int> &secondOfDay, int code, bool subSecond = false)
{
    if (!secondOfDay)
        return QByteArray(4, char(0xEE));
    quint8 f = flags(card, *secondOfDay);
    if (subSecond)
        f |= 0x80;
    return bytes({f, code}) + seconds12(*secondOfDay);
}

QByteArray punchRecord(const SimCard &card, const SimPunch &punch)
{
    if (!punch.secondOfDay)
        return bytes({flags(card, 0, punch.controlCode), punch.controlCode, 0xEE, 0xEE});
    return bytes({flags(card, *punch.secondOfDay, punch.controlCode), punch.controlCode})
        + seconds12(*punch.secondOfDay);
}

QByteArray number3(quint32 number)
{
    return bytes({int(number >> 16), int(number >> 8), int(number)});
}

// Owner data as the cards keep it: fields separated by ';'.
const QByteArray ownerData("Ida;Nielsen;f;2001;OK Test;;;Aarhus;;;DEN;");

QByteArray si5Image(const SimCard &card)
{
    QByteArray image(blockSize, '\0');
    const quint32 series = card.number >= 100000 ? card.number / 100000 : 1;
    const quint32 low = card.number >= 100000 ? card.number % 100000 : card.number;
    const QByteArray number = bytes({int(low >> 8), int(low)});
    put(image, 0, QByteArray::fromHex("AA290001"));
    put(image, 4, number);
    image[6] = char(series);
    put(image, 17, number);
    const auto time
        = [](const std::optional<int> &t) { return t ? seconds12(*t) : QByteArray(2, char(0xEE)); };
    put(image, 19, time(card.start));
    put(image, 21, time(card.finish));
    const int count = int(std::min<qsizetype>(card.punches.size(), 36));
    // Byte 23 points at the next free record, so it is one more than the punches held.
    image[23] = char(count + 1);
    put(image, 25, time(card.check));
    // Six 16-byte groups from 32: the first byte of each holds punch 31-36 (code only), then five
    // records of code and time for punches 1-30. A card carries no end marker: unused records
    // hold code 0 and a blank time.
    for (int i = 0; i < 30; ++i) {
        const int offset = 32 + (i / 5) * 16 + 1 + (i % 5) * 3;
        if (i < count) {
            image[offset] = char(card.punches.at(i).controlCode);
            put(image, offset + 1, time(card.punches.at(i).secondOfDay));
        } else {
            put(image, offset, QByteArray::fromHex("00EEEE"));
        }
    }
    for (int i = 30; i < count; ++i)
        image[32 + (i - 30) * 16] = char(card.punches.at(i).controlCode);
    return image;
}

QMap<quint8, QByteArray> si6Memory(const SimCard &card)
{
    QMap<quint8, QByteArray> blocks;
    for (quint8 b = 0; b < 8; ++b)
        blocks[b] = QByteArray(blockSize, ' '); // owner data fields are space-padded
    const int count
        = int(std::min<qsizetype>(card.punches.size(), SimCard::capacity(card.series, card.si6Mode192)));
    QByteArray &block0 = blocks[0];
    put(block0, 0, QByteArray::fromHex("01010101EDEDEDED55AA00"));
    put(block0, 11, number3(card.number));
    put(block0, 14, QByteArray::fromHex("6E8B00"));
    block0[17] = char(count > 0 ? card.punches.at(count - 1).controlCode : 0); // last code punched
    block0[18] = char(count);
    block0[19] = char(count + 1);
    put(block0, 20, timeRecord(card, card.finish, 2));
    put(block0, 24, timeRecord(card, card.start, 1));
    put(block0, 28, timeRecord(card, card.check, 3));
    put(block0, 32,
        timeRecord(card, card.check ? std::optional(*card.check - 120) : std::nullopt, 4)); // clear
    put(block0, 36, QByteArray::fromHex("FFFFFFFF00000001"));
    put(block0, 48, ownerData.left(80));
    // Punches 1-32 in block 6, 33-64 in block 7, and in 192-punch mode 65-192 in blocks 2 to 5.
    const QList<quint8> punchBlocks
        = card.si6Mode192 ? QList<quint8> {6, 7, 2, 3, 4, 5} : QList<quint8> {6, 7};
    for (quint8 b : punchBlocks)
        blocks[b] = QByteArray(blockSize, char(0xEE));
    for (int i = 0; i < count; ++i)
        put(blocks[punchBlocks.at(i / 32)], (i % 32) * 4, punchRecord(card, card.punches.at(i)));
    return blocks;
}

QMap<quint8, QByteArray> modernMemory(const SimCard &card)
{
    // SI8, SI9, pCard: two blocks; SI10, SI11, SIAC: eight, punches in blocks 4 to 7.
    const bool eightBlocks = card.series == SimCard::Series::SI10 || card.series == SimCard::Series::SI11
        || card.series == SimCard::Series::SIAC;
    quint8 seriesByte = 0x0F;
    int punchOffset = 4 * blockSize;
    switch (card.series) {
    case SimCard::Series::SI9:
        seriesByte = 0x01;
        punchOffset = 56;
        break;
    case SimCard::Series::SI8:
        seriesByte = 0x02;
        punchOffset = 136;
        break;
    case SimCard::Series::PCard:
        seriesByte = 0x04;
        punchOffset = 176;
        break;
    default:
        break;
    }
    QByteArray memory((eightBlocks ? 8 : 2) * blockSize, char(0xEE));
    const int count = int(std::min<qsizetype>(card.punches.size(), SimCard::capacity(card.series)));
    put(memory, 0, bytes({0x05, int(card.number >> 4), int(card.number >> 12), 0x87})); // chip id
    put(memory, 4, QByteArray(4, char(0xEA)));
    const bool subSecond = card.subSecondStartFinish;
    put(memory, 8, timeRecord(card, card.check, 0x01));
    put(memory, 12, timeRecord(card, card.start, subSecond ? 0x1B : 0x01, subSecond));
    put(memory, 16, timeRecord(card, card.finish, subSecond ? 0xD8 : 0x01, subSecond));
    memory[20] = char(0x00);
    memory[21] = char(0x43);
    memory[22] = char(count);
    memory[23] = char(0x42);
    memory[24] = char(seriesByte);
    put(memory, 25, number3(card.number));
    put(memory, 28, QByteArray::fromHex("0CFFCBFE")); // production data
    // Owner data from byte 32 up to the punch list (SI9 keeps only 24 bytes of it).
    put(memory, 32, ownerData.left(std::min<int>(int(ownerData.size()), punchOffset - 32)));
    for (int i = 0; i < count; ++i)
        put(memory, punchOffset + 4 * i, punchRecord(card, card.punches.at(i)));
    QMap<quint8, QByteArray> blocks;
    for (int b = 0; b * blockSize < memory.size(); ++b)
        blocks[quint8(b)] = memory.mid(b * blockSize, blockSize);
    return blocks;
}

} // namespace

SimCard SimCard::example(Series series, int punchCount, quint32 serial)
{
    static const QMap<Series, quint32> firstNumber {{Series::SI5, 10000}, {Series::SI6, 600000},
        {Series::SI8, 2000000}, {Series::SI9, 1000000}, {Series::SI10, 7000000}, {Series::SI11, 9000000},
        {Series::SIAC, 8000000}, {Series::PCard, 4000000}};
    SimCard card;
    card.series = series;
    card.number = firstNumber.value(series) + serial;
    card.si6Mode192 = series == Series::SI6 && punchCount > 64;
    card.subSecondStartFinish = series == Series::SIAC;
    constexpr int startAt = 11 * 3600 + 52 * 60;
    card.check = startAt - 120;
    card.start = startAt;
    const int count = std::min(punchCount, capacity(series, card.si6Mode192));
    for (int i = 0; i < count; ++i) {
        // An SI5 card keeps no time for punches 31-36.
        const bool timed = series != Series::SI5 || i < 30;
        card.punches.append(SimPunch {31 + i, timed ? std::optional(startAt + 40 * (i + 1)) : std::nullopt});
    }
    card.finish = startAt + 40 * (count + 1);
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

int SimCard::capacity(Series series, bool si6Mode192)
{
    switch (series) {
    case Series::SI5:
        return 36;
    case Series::SI6:
        return si6Mode192 ? 192 : 64;
    case Series::SI8:
        return 30;
    case Series::SI9:
        return 50;
    case Series::PCard:
        return 20;
    case Series::SI10:
    case Series::SI11:
    case Series::SIAC:
        return 128;
    }
    return 0;
}

QMap<quint8, QByteArray> SimCard::memory() const
{
    switch (series) {
    case Series::SI5:
        return {{0, si5Image(*this)}};
    case Series::SI6:
        return si6Memory(*this);
    default:
        return modernMemory(*this);
    }
}

QList<quint8> SimCard::readOutBlocks() const
{
    switch (series) {
    case Series::SI5:
        return {0};
    case Series::SI6:
        return si6Mode192 ? QList<quint8> {0, 6, 7, 2, 3, 4, 5} : QList<quint8> {0, 6, 7};
    case Series::SI8:
    case Series::SI9:
    case Series::PCard:
        return {0, 1};
    default:
        return {0, 4, 5, 6, 7};
    }
}

QByteArray SimCard::detectNumber() const
{
    // SI5: 00, card series (CNS), 16-bit number. SI6: 00 and the 3-byte number. Later cards: their
    // series byte and the 3-byte number.
    if (series == Series::SI5) {
        const quint32 cns = number >= 100000 ? number / 100000 : 1;
        const quint32 low = number >= 100000 ? number % 100000 : number;
        return bytes({0, int(cns), int(low >> 8), int(low)});
    }
    const QMap<quint8, QByteArray> blocks = memory();
    const char seriesByte = series == Series::SI6 ? char(0) : blocks.value(0).at(24);
    return QByteArray(1, seriesByte) + number3(number);
}
