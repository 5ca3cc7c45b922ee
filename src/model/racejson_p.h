#pragma once

// Internal to the event document's JSON codec; nothing outside src/model includes this.

#include "racejson.h"

#include <QByteArray>
#include <QtEndian>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace racejson_detail {

// The direct text writer (racejsonwriter.cpp): nullopt on any value the object writer refuses,
// which is then run to name the failure.
// The race's text follows `prefix`, copied as it is, in the same buffer.
std::optional<QByteArray> writeRaceText(const Race &race, JsonLayout layout, QByteArrayView prefix = {});
std::optional<QByteArray> writePersonResultText(const PersonResult &result, JsonLayout layout);

// How the direct text reader may divide its work. The event's long lists (entries, results,
// unknown cards) in indented text are cut into `slices` slices (0: four per thread) of at least
// `minSliceBytes`, read by `threads` threads (0: as many as the machine has cores, at most four).
// The outcome never depends on these: they exist so that tests can make small documents take the
// sliced path, and `slicedLists` (when given) counts the lists that were read in slices.
struct TextReadOptions
{
    int slices = 0;
    int threads = 0;
    qsizetype minSliceBytes = 1 << 20;
    int *slicedLists = nullptr;
};

// The direct text reader (racejsonreader.cpp): nullopt on anything outside its strict subset or
// any document failing a reading rule; the object reader then gives the outcome and error text.
std::optional<Race> readRaceText(const QByteArray &json, const TextReadOptions &options = {});
std::optional<PersonResult> readPersonResultText(const QByteArray &json);
// The same reader on the event that starts `text`, whatever follows it; `length` gets where it ended.
std::optional<Race> readLeadingRaceText(QByteArrayView text, qsizetype *length);

// ---------------------------------------------------------------------------------------------
// Direct text reading
//
// Reads the document straight from the bytes into a Race. It takes only a strict subset of what
// QJsonDocument accepts: standard JSON, valid UTF-8, no raw control characters, no duplicate keys,
// no U+FEFF (QJsonDocument drops it at the start of a string), numbers in the plain range. Anything
// outside that subset, and every document that fails a reading rule, is left to the object reader
// (racejsonobject.cpp), which then gives the document's one outcome and error text. So for any input the
// result is the object reader's; this one only makes the common, valid case fast.
//
// The reader is one class. Its records are read in racejsonreader.cpp (the event, its setup and
// entries) and racejsonresultreader.cpp (the card read-outs); how it scans the text is here, for
// both.

struct NotFastPath
{ };

class TextReader
{
public:
    TextReader(const char *begin, const char *end, const TextReadOptions &options)
        : m_p(begin)
        , m_end(end)
        , m_options(options)
    { }

    // The value the text holds, nothing but white space around it; or, given `end`, the value at
    // the start of the text, whatever follows it, and in `end` where it ended.
    template<typename F> auto document(F &&readTop, const char **end = nullptr)
    {
        skipSpace();
        auto value = readTop();
        if (end) {
            *end = m_p;
            return value;
        }
        skipSpace();
        if (m_p != m_end)
            giveUp();
        return value;
    }

    // The event (with its setup and entries: racejsonreader.cpp), and a result, as the event
    // holds it or on its own (with the other card read-outs: racejsonresultreader.cpp).
    Race race();
    PersonResult result();

private:
    Course course();
    CourseControl control();
    RaceClass raceClass();
    StartWindow startWindow();
    Stage stage();
    Participant participant();
    SplitTime split();
    SIPunch punch();
    UnknownCard unknownCard();

    // Structure.

    static constexpr quint32 bits(std::initializer_list<int> keys)
    {
        quint32 mask = 0;
        for (int k : keys)
            mask |= 1u << k;
        return mask;
    }

    // Reads one object whose members are named in `keys`: `readMember(index)` reads the value of a
    // listed key; other keys are skipped. A repeated listed key or a missing required one leaves
    // the document to the object reader.
    template<size_t N, typename F>
    void record(const std::string_view (&keys)[N], quint32 required, F &&readMember)
    {
        static_assert(N <= 32);
        // The objects of one kind come with their keys in one order: the key that followed the
        // previous one last time is compared with the bytes first, and only a miss scans the key
        // and searches the list. Index N stands for the start of the object.
        static thread_local std::array<quint8, N + 1> follows = [] {
            std::array<quint8, N + 1> initial {};
            initial.fill(quint8(N));
            return initial;
        }();
        quint32 seen = 0;
        size_t previous = N;
        sequence('{', '}', [&] {
            size_t index = N;
            if (const size_t guess = follows[previous]; guess < N && atQuoted(keys[guess])) {
                m_p += keys[guess].size() + 2;
                index = guess;
            } else {
                const Scanned key = scanString();
                if (key.escaped)
                    giveUp();
                const std::string_view text(key.begin, size_t(key.end - key.begin));
                for (size_t i = 0; i < N; ++i) {
                    if (keys[i] == text) {
                        index = i;
                        break;
                    }
                }
            }
            expect(':');
            skipSpace();
            if (index < N) {
                if (seen & (1u << index))
                    giveUp();
                seen |= 1u << index;
                follows[previous] = quint8(index);
                previous = index;
                readMember(int(index));
            } else {
                skipValue(0);
            }
        });
        if ((seen & required) != required)
            giveUp();
    }

    // Whether the text goes on with `key` in quotes (a plain key: no escapes, nothing to check).
    bool atQuoted(std::string_view key) const
    {
        const auto size = qsizetype(key.size());
        return m_end - m_p >= size + 2 && m_p[0] == '"' && m_p[size + 1] == '"'
            && std::memcmp(m_p + 1, key.data(), key.size()) == 0;
    }

    // Reads an array or object from its `open` to its `close`, `item()` for each element or
    // member (called with the text at its start).
    template<typename F> void sequence(char open, char close, F &&item)
    {
        expect(open);
        skipSpace();
        if (peek() == close) {
            ++m_p;
            return;
        }
        do {
            skipSpace();
            item();
        } while (separator(close));
    }

    // Steps past what follows an element: true for ",", false for `close`.
    bool separator(char close)
    {
        skipSpace();
        const char c = peek();
        ++m_p;
        if (c == close)
            return false;
        if (c != ',')
            giveUp();
        return true;
    }

    template<typename T, typename F> QList<T> list(F &&readOne)
    {
        QList<T> out;
        sequence('[', ']', [&] { out.append(readOne()); });
        return out;
    }

    // A list every record of a long list holds (splits, punches): read into `scratch`, which this
    // reader keeps, and then moved into a list of exactly its length. Appending straight to the
    // record's list would grow it several times per record, each time a fresh block and a move,
    // and leave it up to twice as large as needed for the event's whole life.
    template<typename T, typename F> QList<T> exactList(std::vector<T> &scratch, F &&readOne)
    {
        scratch.clear();
        sequence('[', ']', [&] { scratch.push_back(readOne()); });
        if (scratch.empty())
            return {};
        return QList<T>(std::make_move_iterator(scratch.begin()), std::make_move_iterator(scratch.end()));
    }

    template<typename T, typename F> StageMap<T> stageMap(F &&readOne)
    {
        StageMap<T> out;
        sequence('{', '}', [&] {
            const QString key = toQString(scanString());
            expect(':');
            skipSpace();
            if (out.contains(key))
                giveUp();
            out.insert(key, readOne());
        });
        return out;
    }

    // A list that grows with the entries, read in slices on a few threads where its text allows;
    // only the event reads such lists (racejsonreader.cpp).
    template<typename T> QList<T> longList(T (TextReader::*readOne)());
    template<typename F> void onThreads(size_t n, const F &task) const;
    int threadCount() const;
    std::vector<const char *> sliceStarts() const;
    const char *elementLineFrom(const char *from, qsizetype indent) const;

    // A missing or null optional key leaves the field absent.
    template<typename T, typename F> void optional(std::optional<T> &field, F &&read)
    {
        if (!null())
            field = read();
    }

    bool null()
    {
        if (m_end - m_p >= 4 && std::memcmp(m_p, "null", 4) == 0) {
            m_p += 4;
            return true;
        }
        return false;
    }

    // Values.

    QString text() { return toQString(scanString()); }

    // A text that many records repeat (a result's stage and course): equal texts read by this
    // reader share one string's data, which saves a string per record and lets a pass comparing
    // them read one string rather than one per record. Equal bytes between the quotes give equal
    // texts, so the bytes are the key; the first few distinct texts are kept.
    QString sharedText(std::vector<std::pair<std::string_view, QString>> &seen)
    {
        const Scanned s = scanString();
        const std::string_view bytes(s.begin, size_t(s.end - s.begin));
        for (const auto &[key, text] : seen) {
            if (key == bytes)
                return text;
        }
        QString text = toQString(s);
        if (seen.size() < 32)
            seen.emplace_back(bytes, text);
        return text;
    }

    bool flag()
    {
        if (m_end - m_p >= 4 && std::memcmp(m_p, "true", 4) == 0) {
            m_p += 4;
            return true;
        }
        if (m_end - m_p >= 5 && std::memcmp(m_p, "false", 5) == 0) {
            m_p += 5;
            return false;
        }
        giveUp();
    }

    struct Number
    {
        bool isInteger; // stored by QJsonDocument as a 64-bit integer
        qint64 integer;
        double real;
    };

    Number scanNumber()
    {
        const char *const begin = m_p;
        const bool negative = peek() == '-';
        if (negative)
            ++m_p;
        const char *const digits = m_p;
        if (peek() == '0')
            ++m_p;
        else if (isDigit(peek()))
            while (isDigit(peek()))
                ++m_p;
        else
            giveUp();
        const char *const digitsEnd = m_p;
        bool whole = true;
        if (peek() == '.') {
            ++m_p;
            if (!isDigit(peek()))
                giveUp();
            while (isDigit(peek()))
                ++m_p;
            whole = false;
        }
        const char *const mantissaEnd = m_p;
        if (peek() == 'e' || peek() == 'E') {
            ++m_p;
            if (peek() == '+' || peek() == '-')
                ++m_p;
            if (!isDigit(peek()))
                giveUp();
            while (isDigit(peek()))
                ++m_p;
            whole = false;
        }
        if (whole && digitsEnd - digits <= 19) {
            // Fits QJsonDocument's 64-bit integer exactly when it fits qint64.
            quint64 magnitude = 0;
            for (const char *d = digits; d < digitsEnd; ++d)
                magnitude = magnitude * 10 + quint64(*d - '0');
            const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
            if (magnitude <= limit) {
                const qint64 v = negative ? qint64(0 - magnitude) : qint64(magnitude);
                return {true, v, double(v)};
            }
        }
        if (m_p - begin > 64)
            giveUp();
        double d = 0;
        const auto [end, ec] = std::from_chars(begin, m_p, d);
        if (ec != std::errc() || end != m_p || !std::isfinite(d))
            giveUp();
        if (d == 0) {
            // QJsonDocument reads a zero as integer 0 (no sign) and rejects underflow.
            for (const char *c = digits; c < mantissaEnd; ++c) {
                if (*c >= '1' && *c <= '9')
                    giveUp();
            }
            d = 0;
        } else if (std::fabs(d) < std::numeric_limits<double>::min()) {
            giveUp();
        }
        return {false, 0, d};
    }

    double number() { return scanNumber().real; }

    qint64 integer()
    {
        const Number n = scanNumber();
        // An integer literal that fits in 64 bits is taken exactly, as the object reader does.
        if (n.isInteger)
            return n.integer;
        const double d = n.real;
        if (std::floor(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            giveUp();
        return n.isInteger ? n.integer : qint64(d);
    }

    QUuid uuid()
    {
        const Scanned s = scanString();
        if (s.escaped || s.end - s.begin != 36)
            giveUp();
        const char *t = s.begin;
        if (t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-')
            giveUp();
        // Offsets of the 16 hex pairs in "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
        static constexpr int at[16] = {0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
        uchar b[16];
        int invalid = 0;
        for (int i = 0; i < 16; ++i) {
            const int high = hexValue(t[at[i]]);
            const int low = hexValue(t[at[i] + 1]);
            invalid |= high | low;
            b[i] = uchar(high << 4 | low);
        }
        if (invalid < 0)
            giveUp();
        return QUuid(uint(b[0]) << 24 | uint(b[1]) << 16 | uint(b[2]) << 8 | b[3], ushort(b[4] << 8 | b[5]),
            ushort(b[6] << 8 | b[7]), b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    }

    // "YYYY-MM-DDTHH:MM:SS" then "Z" or "+HH:MM" / "-HH:MM", as parseDocumentDate reads it.
    QDateTime date()
    {
        const Scanned s = scanString();
        const qsizetype length = s.end - s.begin;
        if (s.escaped || (length != 20 && length != 25))
            giveUp();
        const char *t = s.begin;
        auto digits = [&](int at, int count) {
            int v = 0;
            for (int i = at; i < at + count; ++i) {
                if (!isDigit(t[i]))
                    giveUp();
                v = v * 10 + (t[i] - '0');
            }
            return v;
        };
        if (t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' || t[16] != ':')
            giveUp();
        const int year = digits(0, 4);
        const int month = digits(5, 2);
        const int day = digits(8, 2);
        const int hour = digits(11, 2);
        const int minute = digits(14, 2);
        const int second = digits(17, 2);
        int offsetSeconds = 0;
        if (length == 20) {
            if (t[19] != 'Z')
                giveUp();
        } else {
            if ((t[19] != '+' && t[19] != '-') || t[22] != ':')
                giveUp();
            const int offsetHours = digits(20, 2);
            const int offsetMinutes = digits(23, 2);
            if (offsetHours > 23 || offsetMinutes > 59)
                giveUp();
            offsetSeconds = (offsetHours * 3600 + offsetMinutes * 60) * (t[19] == '-' ? -1 : 1);
        }
        // QDate has no year 0; QTime has no leap second.
        if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23
            || minute > 59 || second > 59)
            giveUp();
        const qint64 seconds
            = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second - offsetSeconds;
        // A UTC instant in year 0 or 10000 could not be written back in this form.
        if (seconds < daysFromCivil(1, 1, 1) * 86400 || seconds >= daysFromCivil(10000, 1, 1) * 86400)
            giveUp();
        return QDateTime::fromMSecsSinceEpoch(seconds * 1000, Qt::UTC);
    }

    template<typename E> struct EnumText
    {
        E value;
        QByteArray text;
    };
    template<typename E, size_t N> static std::array<EnumText<E>, N> enumTable(const E (&values)[N])
    {
        std::array<EnumText<E>, N> table;
        for (size_t i = 0; i < N; ++i)
            table[i] = {values[i], toText(values[i]).toLatin1()};
        return table;
    }
    static const std::array<EnumText<CourseType>, 2> &courseTypes()
    {
        static const auto table = enumTable({CourseType::Sequential, CourseType::Rogaining});
        return table;
    }
    static const std::array<EnumText<RaceClassMode>, 3> &classModes()
    {
        static const auto table = enumTable(
            {RaceClassMode::SingleCourse, RaceClassMode::CourseFamily, RaceClassMode::MultiCourse});
        return table;
    }
    static const std::array<EnumText<StartMethod>, 2> &startMethods()
    {
        static const auto table = enumTable({StartMethod::ScheduledTime, StartMethod::StartPunch});
        return table;
    }
    static const std::array<EnumText<ParticipantStatus>, 2> &participantStatuses()
    {
        static const auto table = enumTable({ParticipantStatus::Dns, ParticipantStatus::Dnf});
        return table;
    }
    static const std::array<EnumText<StartTimePreference>, 2> &preferences()
    {
        static const auto table = enumTable({StartTimePreference::Early, StartTimePreference::Late});
        return table;
    }
    static const std::array<EnumText<SplitStatus>, 4> &splitStatuses()
    {
        static const auto table = enumTable(
            {SplitStatus::Ok, SplitStatus::Missing, SplitStatus::Additional, SplitStatus::VisitedNoTime});
        return table;
    }

    template<typename E, size_t N> E enumeration(const std::array<EnumText<E>, N> &table)
    {
        const Scanned s = scanString();
        if (!s.escaped) {
            const QByteArrayView text(s.begin, s.end - s.begin);
            for (const EnumText<E> &entry : table) {
                if (QByteArrayView(entry.text) == text)
                    return entry.value;
            }
        }
        giveUp();
    }

    // Strings.

    struct Scanned
    {
        const char *begin; // the content between the quotes
        const char *end;
        bool escaped; // has escapes
        bool wide; // has non-ASCII bytes
    };

    // Checks one string (valid UTF-8, known escapes, no raw control characters, no U+FEFF) and
    // steps past it.
    Scanned scanString()
    {
        if (peek() != '"')
            giveUp();
        Scanned s {++m_p, nullptr, false, false};
        for (;;) {
            // The common run: printable ASCII, eight bytes at a time while no byte needs a look.
            while (m_end - m_p >= 8) {
                quint64 w;
                std::memcpy(&w, m_p, 8);
                constexpr quint64 ones = 0x0101010101010101ull;
                constexpr quint64 highs = 0x8080808080808080ull;
                const quint64 quote = w ^ (ones * '"');
                const quint64 backslash = w ^ (ones * '\\');
                // A byte below 0x20, a zero byte in `quote` / `backslash`, or a byte from 0x80.
                const quint64 special = ((w - ones * 0x20) | (quote - ones) | (backslash - ones) | w) & highs;
                if (special)
                    break;
                m_p += 8;
            }
            while (m_p < m_end) {
                const unsigned char c = static_cast<unsigned char>(*m_p);
                if (c < 0x20 || c == '"' || c == '\\' || c >= 0x80)
                    break;
                ++m_p;
            }
            if (m_p >= m_end)
                giveUp();
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                s.end = m_p++;
                return s;
            }
            if (c < 0x20)
                giveUp();
            if (c == '\\') {
                s.escaped = true;
                if (m_end - m_p < 2)
                    giveUp();
                switch (m_p[1]) {
                case '"':
                case '\\':
                case '/':
                case 'b':
                case 'f':
                case 'n':
                case 'r':
                case 't':
                    m_p += 2;
                    break;
                case 'u': {
                    if (m_end - m_p < 6)
                        giveUp();
                    int unit = 0;
                    for (int i = 2; i < 6; ++i) {
                        const int h = hexValue(m_p[i]);
                        if (h < 0)
                            giveUp();
                        unit = unit << 4 | h;
                    }
                    if (unit == 0xfeff)
                        giveUp();
                    m_p += 6;
                    break;
                }
                default:
                    giveUp();
                }
                continue;
            }
            s.wide = true;
            m_p += utf8SequenceLength(m_p, m_end);
        }
    }

    // Length of the valid UTF-8 sequence at `p` (not U+FEFF); gives up on anything else.
    static qsizetype utf8SequenceLength(const char *p, const char *end)
    {
        const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(p[i]); };
        const auto continuation = [&](qsizetype i) { return end - p > i && (byte(i) & 0xc0) == 0x80; };
        const unsigned char lead = byte(0);
        if (lead >= 0xc2 && lead <= 0xdf && continuation(1))
            return 2;
        if (lead >= 0xe0 && lead <= 0xef && continuation(1) && continuation(2)) {
            if (lead == 0xe0 && byte(1) < 0xa0)
                giveUp(); // overlong
            if (lead == 0xed && byte(1) >= 0xa0)
                giveUp(); // surrogate
            if (lead == 0xef && byte(1) == 0xbb && byte(2) == 0xbf)
                giveUp(); // U+FEFF
            return 3;
        }
        if (lead >= 0xf0 && lead <= 0xf4 && continuation(1) && continuation(2) && continuation(3)) {
            if (lead == 0xf0 && byte(1) < 0x90)
                giveUp(); // overlong
            if (lead == 0xf4 && byte(1) >= 0x90)
                giveUp(); // beyond U+10FFFF
            return 4;
        }
        giveUp();
    }

    static QString toQString(const Scanned &s)
    {
        const qsizetype n = s.end - s.begin;
        if (!s.escaped && !s.wide)
            return QString::fromLatin1(s.begin, n);
        // UTF-16 never needs more units than the UTF-8 has bytes.
        QString out(n, Qt::Uninitialized);
        char16_t *d = reinterpret_cast<char16_t *>(out.data());
        char16_t *const start = d;
        const char *p = s.begin;
        while (p < s.end) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (c == '\\') {
                const char e = p[1];
                p += 2;
                switch (e) {
                case 'b':
                    *d++ = u'\b';
                    break;
                case 'f':
                    *d++ = u'\f';
                    break;
                case 'n':
                    *d++ = u'\n';
                    break;
                case 'r':
                    *d++ = u'\r';
                    break;
                case 't':
                    *d++ = u'\t';
                    break;
                case 'u': {
                    // Each escape is one UTF-16 unit, surrogates included, as QJsonDocument reads it.
                    char16_t unit = 0;
                    for (int i = 0; i < 4; ++i)
                        unit = char16_t(unit << 4 | hexValue(p[i]));
                    *d++ = unit;
                    p += 4;
                    break;
                }
                default: // '"', '\\', '/'
                    *d++ = char16_t(e);
                }
            } else if (c < 0x80) {
                *d++ = c;
                ++p;
            } else if (c < 0xe0) {
                *d++ = char16_t((c & 0x1f) << 6 | (p[1] & 0x3f));
                p += 2;
            } else if (c < 0xf0) {
                *d++ = char16_t((c & 0x0f) << 12 | (p[1] & 0x3f) << 6 | (p[2] & 0x3f));
                p += 3;
            } else {
                const char32_t cp = char32_t(c & 0x07) << 18 | char32_t(p[1] & 0x3f) << 12
                    | char32_t(p[2] & 0x3f) << 6 | char32_t(p[3] & 0x3f);
                *d++ = QChar::highSurrogate(cp);
                *d++ = QChar::lowSurrogate(cp);
                p += 4;
            }
        }
        out.truncate(d - start);
        return out;
    }

    // Skips a value of an unknown key, checking it as strictly as the rest.
    void skipValue(int depth)
    {
        // QJsonDocument refuses documents nested deeper than 1024; stay well inside that.
        if (depth > 256)
            giveUp();
        skipSpace();
        switch (peek()) {
        case '"':
            scanString();
            return;
        case '{':
            sequence('{', '}', [&] {
                scanString();
                expect(':');
                skipValue(depth + 1);
            });
            return;
        case '[':
            sequence('[', ']', [&] { skipValue(depth + 1); });
            return;
        case 't':
        case 'f':
            flag();
            return;
        case 'n':
            if (!null())
                giveUp();
            return;
        default:
            scanNumber();
        }
    }

    // Tokens.

    char peek() const { return m_p < m_end ? *m_p : '\0'; }
    void skipSpace()
    {
        // Compact text has no white space; the event file has half its bytes in indents, runs of
        // spaces after a newline, taken eight at a time.
        while (m_p < m_end) {
            const char c = *m_p;
            if (c == ' ') {
                ++m_p;
                while (m_end - m_p >= 8) {
                    const quint64 other = qFromLittleEndian<quint64>(m_p) ^ 0x2020202020202020ull;
                    if (other) {
                        m_p += std::countr_zero(other) / 8;
                        break;
                    }
                    m_p += 8;
                }
            } else if (c == '\n' || c == '\r' || c == '\t') {
                ++m_p;
            } else {
                return;
            }
        }
    }
    void expect(char c)
    {
        skipSpace();
        if (peek() != c)
            giveUp();
        ++m_p;
    }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hexValue(char c)
    {
        static constexpr auto values = [] {
            std::array<qint8, 256> table {};
            for (int i = 0; i < 256; ++i)
                table[size_t(i)] = qint8(i >= '0' && i <= '9' ? i - '0'
                        : i >= 'a' && i <= 'f'                ? i - 'a' + 10
                        : i >= 'A' && i <= 'F'                ? i - 'A' + 10
                                                              : -1);
            return table;
        }();
        return values[static_cast<unsigned char>(c)];
    }
    static bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
    static int daysInMonth(int y, int m)
    {
        static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        return m == 2 && isLeap(y) ? 29 : days[m - 1];
    }
    // Proleptic Gregorian date to days since 1970-01-01.
    static qint64 daysFromCivil(int y, int m, int d)
    {
        y -= m <= 2;
        const qint64 era = (y >= 0 ? y : y - 399) / 400;
        const qint64 yoe = y - era * 400;
        const qint64 doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
        const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }

    [[noreturn]] static void giveUp() { throw NotFastPath {}; }

    const char *m_p;
    const char *const m_end;
    const TextReadOptions &m_options;
    std::vector<std::pair<std::string_view, QString>> m_stageIds;
    std::vector<std::pair<std::string_view, QString>> m_courseIds;
    std::vector<SplitTime> m_splits;
    std::vector<SIPunch> m_punches;
};

} // namespace racejson_detail
