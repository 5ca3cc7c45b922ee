#include "racejson_p.h"

#include "bufferstash.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QMutex>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <tuple>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ---------------------------------------------------------------------------------------------
// Direct text writing
//
// The autosave writes the whole event after every card read, so encoding writes the JSON text
// straight into one buffer instead of building a QJsonObject tree first. The bytes are exactly
// those QJsonDocument writes for the object form in racejsonobject.cpp (same key order, escaping, number and
// layout rules); the tests compare the two byte for byte. On any failure the object writer is run
// to produce the error, so error texts come from one place only.

struct TextFailure
{ };

template<bool Pretty> class TextWriter
{
public:
    // Writes into `buffer` (any bytes it holds are overwritten) or a new one of about `sizeHint`.
    TextWriter(QByteArray buffer, qsizetype sizeHint)
        : m_buffer(std::move(buffer))
    {
        m_buffer.resize(std::max({m_buffer.capacity(), sizeHint, qsizetype(4096)}));
        m_cursor = m_buffer.data();
        m_end = m_cursor + m_buffer.size();
    }

    // Bytes copied as they are, before the value written.
    void raw(QByteArrayView bytes)
    {
        if (!bytes.isEmpty())
            put(bytes.data(), bytes.size());
    }

    QByteArray finish()
    {
        if constexpr (Pretty)
            put('\n');
        m_buffer.truncate(m_cursor - m_buffer.data());
        return std::move(m_buffer);
    }

    void race(const Race &r)
    {
        open('{');
        if (r.activeStageId)
            member("activeStageId"), string(*r.activeStageId);
        member("classes"), array(r.classes, [this](const RaceClass &c) { raceClass(c); });
        member("courses"), array(r.courses, [this](const Course &c) { course(c); });
        if (r.date)
            member("date"), date(*r.date);
        if (r.defaultStartWindow)
            member("defaultStartWindow"), startWindow(*r.defaultStartWindow);
        if (r.journalEventId)
            member("journalEventId"), uuid(*r.journalEventId);
        if (r.journalThrough)
            member("journalThrough"), integer(*r.journalThrough);
        if (r.multiStageEnabled)
            member("multiStageEnabled"), boolean(*r.multiStageEnabled);
        member("name"), string(r.name);
        member("participants"), array(r.participants, [this](const Participant &p) { participant(p); });
        member("results"), array(r.results, [this](const PersonResult &p) { result(p); });
        if (r.stageDefaultStartWindows)
            member("stageDefaultStartWindows"),
                stageMap(*r.stageDefaultStartWindows, [this](const StartWindow &w) { startWindow(w); });
        member("stages"), array(r.stages, [this](const Stage &s) { stage(s); });
        if (r.unknownCards)
            member("unknownCards"), array(*r.unknownCards, [this](const UnknownCard &c) { unknownCard(c); });
        if (r.vexloWebChecklistKey)
            member("vexloWebChecklistKey"), string(*r.vexloWebChecklistKey);
        if (r.vexloWebEventId)
            member("vexloWebEventId"), string(*r.vexloWebEventId);
        close('}');
    }

    void result(const PersonResult &r)
    {
        open('{');
        member("cardNumber"), string(r.cardNumber);
        if (r.cardStartTime)
            member("cardStartTime"), date(*r.cardStartTime);
        member("completed"), boolean(r.completed);
        if (r.completedOverride)
            member("completedOverride"), boolean(*r.completedOverride);
        member("courseAutoMatched"), boolean(r.courseAutoMatched);
        if (r.courseId)
            member("courseId"), string(*r.courseId);
        if (r.finishTime)
            member("finishTime"), date(*r.finishTime);
        member("id"), uuid(r.id);
        if (r.overrideNote)
            member("overrideNote"), string(*r.overrideNote);
        if (r.overtimePenalty)
            member("overtimePenalty"), integer(*r.overtimePenalty);
        member("participantId"), uuid(r.participantId);
        if (r.punches)
            member("punches"), array(*r.punches, [this](const SIPunch &p) { punch(p); });
        if (r.raceTime)
            member("raceTime"), number(*r.raceTime);
        member("readAt"), date(r.readAt);
        if (r.score)
            member("score"), integer(*r.score);
        member("splits"), array(r.splits, [this](const SplitTime &s) { split(s); });
        if (r.stageId)
            member("stageId"), string(*r.stageId);
        if (r.startTime)
            member("startTime"), date(*r.startTime);
        if (r.withinTimeLimit)
            member("withinTimeLimit"), boolean(*r.withinTimeLimit);
        close('}');
    }

private:
    // Keys are written in sorted order in both layouts, as QJsonObject keeps them.
    void course(const Course &c)
    {
        open('{');
        member("controls"), array(c.controls, [this](const CourseControl &cc) { control(cc); });
        if (c.courseFamily)
            member("courseFamily"), string(*c.courseFamily);
        member("id"), string(c.id);
        if (c.lengthMeters)
            member("lengthMeters"), number(*c.lengthMeters);
        member("name"), string(c.name);
        if (c.overtimePenaltyPerMinute)
            member("overtimePenaltyPerMinute"), integer(*c.overtimePenaltyPerMinute);
        if (c.stageId)
            member("stageId"), string(*c.stageId);
        if (c.timeLimitSeconds)
            member("timeLimitSeconds"), number(*c.timeLimitSeconds);
        if (c.type)
            member("type"), string(toText(*c.type));
        close('}');
    }

    void control(const CourseControl &c)
    {
        open('{');
        member("code"), integer(c.code);
        member("id"), uuid(c.id);
        member("order"), integer(c.order);
        if (c.score)
            member("score"), integer(*c.score);
        close('}');
    }

    void raceClass(const RaceClass &c)
    {
        open('{');
        if (c.courseFamily)
            member("courseFamily"), string(*c.courseFamily);
        if (c.courseId)
            member("courseId"), string(*c.courseId);
        if (c.courseIds)
            member("courseIds"), array(*c.courseIds, [this](const QString &s) { string(s); });
        member("id"), string(c.id);
        if (c.lastUsedIntervalSeconds)
            member("lastUsedIntervalSeconds"), number(*c.lastUsedIntervalSeconds);
        if (c.lastUsedStartTimeSeconds)
            member("lastUsedStartTimeSeconds"), integer(*c.lastUsedStartTimeSeconds);
        if (c.mode)
            member("mode"), string(toText(*c.mode));
        member("name"), string(c.name);
        if (c.stageCourseIds)
            member("stageCourseIds"), stageMap(*c.stageCourseIds, [this](const QString &s) { string(s); });
        if (c.stageStartMethods)
            member("stageStartMethods"),
                stageMap(*c.stageStartMethods, [this](StartMethod m) { string(toText(m)); });
        if (c.stageStartWindows)
            member("stageStartWindows"),
                stageMap(*c.stageStartWindows, [this](const StartWindow &w) { startWindow(w); });
        if (c.startMethod)
            member("startMethod"), string(toText(*c.startMethod));
        if (c.startWindow)
            member("startWindow"), startWindow(*c.startWindow);
        close('}');
    }

    void startWindow(const StartWindow &w)
    {
        open('{');
        member("closeSeconds"), integer(w.closeSeconds);
        member("openSeconds"), integer(w.openSeconds);
        close('}');
    }

    void unknownCard(const UnknownCard &c)
    {
        open('{');
        member("cardNumber"), string(c.cardNumber);
        if (c.checkPunchTime)
            member("checkPunchTime"), date(*c.checkPunchTime);
        if (c.finishPunchTime)
            member("finishPunchTime"), date(*c.finishPunchTime);
        member("id"), uuid(c.id);
        member("punches"), array(c.punches, [this](const SIPunch &p) { punch(p); });
        member("readAt"), date(c.readAt);
        if (c.stageId)
            member("stageId"), string(*c.stageId);
        if (c.startPunchTime)
            member("startPunchTime"), date(*c.startPunchTime);
        close('}');
    }

    void stage(const Stage &s)
    {
        open('{');
        member("date"), date(s.date);
        member("id"), string(s.id);
        member("name"), string(s.name);
        member("order"), integer(s.order);
        close('}');
    }

    void participant(const Participant &p)
    {
        const auto text = [this](const QString &s) { string(s); };
        open('{');
        member("cardNumber"), string(p.cardNumber);
        if (p.checkedInAt)
            member("checkedInAt"), date(*p.checkedInAt);
        if (p.classId)
            member("classId"), string(*p.classId);
        if (p.classIdByStage)
            member("classIdByStage"), stageMap(*p.classIdByStage, text);
        if (p.club)
            member("club"), string(*p.club);
        if (p.courseId)
            member("courseId"), string(*p.courseId);
        if (p.courseIdByStage)
            member("courseIdByStage"), stageMap(*p.courseIdByStage, text);
        if (p.externalId)
            member("externalId"), string(*p.externalId);
        member("familyName"), string(p.familyName);
        member("givenName"), string(p.givenName);
        member("id"), uuid(p.id);
        if (p.isRentalCard)
            member("isRentalCard"), boolean(*p.isRentalCard);
        if (p.pendingCardNumber)
            member("pendingCardNumber"), string(*p.pendingCardNumber);
        if (p.startTime)
            member("startTime"), date(*p.startTime);
        if (p.startTimeByStage)
            member("startTimeByStage"),
                stageMap(*p.startTimeByStage, [this](const QDateTime &d) { date(d); });
        if (p.startTimePreference)
            member("startTimePreference"), string(toText(*p.startTimePreference));
        if (p.startTimePreferenceByStage)
            member("startTimePreferenceByStage"),
                stageMap(*p.startTimePreferenceByStage, [this](StartTimePreference v) { string(toText(v)); });
        if (p.status)
            member("status"), string(toText(*p.status));
        if (p.statusByStage)
            member("statusByStage"),
                stageMap(*p.statusByStage, [this](ParticipantStatus v) { string(toText(v)); });
        close('}');
    }

    void split(const SplitTime &s)
    {
        open('{');
        member("controlCode"), integer(s.controlCode);
        if (s.elapsedFromStart)
            member("elapsedFromStart"), number(*s.elapsedFromStart);
        member("id"), uuid(s.id);
        if (s.legTime)
            member("legTime"), number(*s.legTime);
        if (s.score)
            member("score"), integer(*s.score);
        member("status"), splitStatus(s.status);
        member("time"), date(s.time);
        close('}');
    }

    void punch(const SIPunch &p)
    {
        open('{');
        member("controlCode"), integer(p.controlCode);
        member("id"), uuid(p.id);
        member("time"), date(p.time);
        member("timeAvailable"), boolean(p.timeAvailable);
        close('}');
    }

    // Every split has a status: its texts are made once, quoted, from the model's own names.
    void splitStatus(SplitStatus status)
    {
        static const auto texts = [] {
            std::array<QByteArray, 4> quoted;
            for (SplitStatus v :
                {SplitStatus::Ok, SplitStatus::Missing, SplitStatus::Additional, SplitStatus::VisitedNoTime})
                quoted[size_t(v)] = '"' + toText(v).toLatin1() + '"';
            return quoted;
        }();
        if (size_t(status) < texts.size()) [[likely]]
            put(texts[size_t(status)].constData(), texts[size_t(status)].size());
        else
            string(toText(status));
    }

    template<typename T, typename F> void array(const QList<T> &list, F &&writeOne)
    {
        open('[');
        for (const T &item : list) {
            element();
            writeOne(item);
        }
        close(']');
    }

    // StageMap iterates in QString order, which is the order QJsonObject keeps its keys in
    // (UTF-16 code units), so the map can be written as it stands.
    template<typename T, typename F> void stageMap(const StageMap<T> &map, F &&writeOne)
    {
        open('{');
        for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
            element();
            string(it.key());
            if constexpr (Pretty)
                put(": ", 2);
            else
                put(':');
            writeOne(it.value());
        }
        close('}');
    }

    // Layout. `m_level` is the nesting level of the container being filled; `m_filled` says
    // whether it already has a member (for the separator). When pretty, every member and every
    // closing bracket starts on a line of its own, an empty container included ("[\n    ]").
    Q_ALWAYS_INLINE void open(char bracket)
    {
        put(bracket);
        ++m_level;
        Q_ASSERT(m_level < MaxLevel);
        m_filled[m_level] = false;
    }
    Q_ALWAYS_INLINE void close(char bracket)
    {
        --m_level;
        reserve(Room);
        if constexpr (Pretty)
            m_cursor = lineBreak(m_cursor, lineAndIndent + 1, m_level);
        *m_cursor++ = bracket;
    }
    Q_ALWAYS_INLINE void element()
    {
        const bool filled = m_filled[m_level];
        m_filled[m_level] = true;
        reserve(Room);
        if constexpr (Pretty) {
            // The separator, the line break and the indent, copied whole: half the pretty text
            // is indent.
            m_cursor = lineBreak(m_cursor, lineAndIndent + !filled, m_level, filled);
        } else if (filled) {
            *m_cursor++ = ',';
        }
    }
    template<size_t N> Q_ALWAYS_INLINE void member(const char (&key)[N])
    {
        static_assert(4 * MaxLevel + 2 + N + 3 <= Room);
        element();
        char *c = m_cursor;
        *c++ = '"';
        std::memcpy(c, key, N - 1);
        c += N - 1;
        *c++ = '"';
        *c++ = ':';
        if constexpr (Pretty)
            *c++ = ' ';
        m_cursor = c;
    }
    // Copies `extra` separator bytes, the line break and 4 * level spaces from `text` to `c` as
    // one fixed-size block (a variable-size copy costs several times more at these lengths); the
    // buffer always has `Room` bytes free and the text is long enough.
    static Q_ALWAYS_INLINE char *lineBreak(char *c, const char *text, int level, bool extra = false)
    {
        const qsizetype n = qsizetype(extra) + 1 + 4 * qsizetype(level);
        if (n <= 32) [[likely]]
            std::memcpy(c, text, 32);
        else
            std::memcpy(c, text, sizeof lineAndIndent - 1);
        return c + n;
    }

    // Values.
    void boolean(bool b) { b ? put("true", 4) : put("false", 5); }

    Q_ALWAYS_INLINE void integer(qint64 v)
    {
        reserve(24);
        // Control codes, seconds and scores are nearly all below 10,000.
        if (quint64(v) < 10000) [[likely]] {
            const unsigned u = unsigned(v);
            char *c = m_cursor;
            if (u < 10) {
                *c++ = char('0' + u);
            } else if (u < 100) {
                c = twoDigits(c, u);
            } else if (u < 1000) {
                *c++ = char('0' + u / 100);
                c = twoDigits(c, u % 100);
            } else {
                c = twoDigits(twoDigits(c, u / 100), u % 100);
            }
            m_cursor = c;
            return;
        }
        m_cursor = std::to_chars(m_cursor, m_cursor + 24, v).ptr;
    }
    static Q_ALWAYS_INLINE char *twoDigits(char *c, unsigned v)
    {
        static constexpr auto pairs = [] {
            std::array<char, 200> table {};
            for (int i = 0; i < 100; ++i) {
                table[size_t(2 * i)] = char('0' + i / 10);
                table[size_t(2 * i + 1)] = char('0' + i % 10);
            }
            return table;
        }();
        std::memcpy(c, &pairs[2 * v], 2);
        return c + 2;
    }

    // As QJsonValue(double) and QByteArray::number(d, 'g', QLocale::FloatingPointShortest): whole
    // values up to 2^53 in magnitude are stored and written as integers (so -0 is "0"); anything
    // else gets the shortest round-trip digits, in positional form unless the exponent form is
    // shorter (two-digit minimum exponent with sign: "1e-07", "1e+21").
    void number(double v)
    {
        if (!std::isfinite(v))
            throw TextFailure {};
        if (std::fabs(v) <= 9007199254740992.0 && std::trunc(v) == v) {
            integer(qint64(v));
            return;
        }
        char sci[32];
        const char *sciEnd = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific).ptr;
        const char *s = sci;
        const bool negative = *s == '-';
        if (negative)
            ++s;
        // sci is "d[.ddd]e±x": collect the digits and the decimal exponent.
        char digits[20];
        int digitCount = 0;
        for (; s < sciEnd && *s != 'e'; ++s) {
            if (*s != '.')
                digits[digitCount++] = *s;
        }
        int exponent = 0;
        std::from_chars(s + 1 + (s[1] == '+'), sciEnd, exponent);
        const int decpt = exponent + 1; // digits are 0.d1d2d3... x 10^decpt

        int bias = 4; // "e+" and two exponent digits
        if (digitCount <= decpt && digitCount > 1)
            ++bias; // the exponent form needs a decimal point, the positional one does not
        else if (digitCount == 1 && decpt <= 0)
            --bias; // the positional form needs a decimal point, the exponent one does not
        const bool positional
            = decpt <= 0 ? 1 - decpt <= bias : (decpt <= digitCount || decpt <= digitCount + bias);

        reserve(40);
        if (negative)
            *m_cursor++ = '-';
        if (positional) {
            if (decpt <= 0) {
                *m_cursor++ = '0';
                *m_cursor++ = '.';
                for (int i = 0; i < -decpt; ++i)
                    *m_cursor++ = '0';
                put(digits, digitCount);
            } else if (decpt < digitCount) {
                put(digits, decpt);
                put('.');
                put(digits + decpt, digitCount - decpt);
            } else {
                put(digits, digitCount);
                for (int i = digitCount; i < decpt; ++i)
                    put('0');
            }
        } else {
            put(digits[0]);
            if (digitCount > 1) {
                put('.');
                put(digits + 1, digitCount - 1);
            }
            put('e');
            put(exponent < 0 ? '-' : '+');
            const int magnitude = exponent < 0 ? -exponent : exponent;
            if (magnitude < 10)
                put('0');
            reserve(8);
            m_cursor = std::to_chars(m_cursor, m_cursor + 8, magnitude).ptr;
        }
    }

    Q_ALWAYS_INLINE void uuid(const QUuid &u)
    {
        quint8 bytes[16];
        qToBigEndian(u.data1, bytes);
        qToBigEndian(u.data2, bytes + 4);
        qToBigEndian(u.data3, bytes + 6);
        std::memcpy(bytes + 8, u.data4, 8);
        // The 32 hex digits in text order, upper case.
        char hex[32];
#if defined(__SSE2__)
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
        const __m128i nibble = _mm_set1_epi8(0x0f);
        const __m128i low = _mm_and_si128(v, nibble);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(v, 4), nibble);
        const auto toHex = [](__m128i n) {
            const __m128i letters
                = _mm_and_si128(_mm_cmpgt_epi8(n, _mm_set1_epi8(9)), _mm_set1_epi8('A' - '0' - 10));
            return _mm_add_epi8(_mm_add_epi8(n, _mm_set1_epi8('0')), letters);
        };
        _mm_storeu_si128(reinterpret_cast<__m128i *>(hex), toHex(_mm_unpacklo_epi8(high, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(hex + 16), toHex(_mm_unpackhi_epi8(high, low)));
#else
        static constexpr char digits[] = "0123456789ABCDEF";
        for (int i = 0; i < 16; ++i) {
            hex[2 * i] = digits[bytes[i] >> 4];
            hex[2 * i + 1] = digits[bytes[i] & 0xf];
        }
#endif
        reserve(38);
        char *c = m_cursor;
        c[0] = '"';
        std::memcpy(c + 1, hex, 8);
        c[9] = '-';
        std::memcpy(c + 10, hex + 8, 4);
        c[14] = '-';
        std::memcpy(c + 15, hex + 12, 4);
        c[19] = '-';
        std::memcpy(c + 20, hex + 16, 4);
        c[24] = '-';
        std::memcpy(c + 25, hex + 20, 12);
        c[37] = '"';
        m_cursor = c + 38;
    }

    Q_ALWAYS_INLINE void date(const QDateTime &d)
    {
        if (!d.isValid())
            throw TextFailure {};
        const qint64 ms = d.toMSecsSinceEpoch();
        const qint64 seconds = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
        const qint64 days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
        const qint64 secondOfDay = seconds - days * 86400;
        // An event's times fall on a few days: the calendar part is worked out once per day.
        if (days != m_lastDay) {
            const auto [year, month, day] = civilFromDays(days);
            // Outside these years the form cannot be read back; the object writer names the failure.
            if (year < 1 || year > 9999)
                throw TextFailure {};
            char *c = m_lastDayText;
            auto two = [&](int v) {
                *c++ = char('0' + v / 10);
                *c++ = char('0' + v % 10);
            };
            *c++ = '"';
            two(int(year / 100));
            two(int(year % 100));
            *c++ = '-';
            two(month);
            *c++ = '-';
            two(day);
            *c++ = 'T';
            m_lastDay = days;
        }
        reserve(22);
        char *c = m_cursor;
        std::memcpy(c, m_lastDayText, sizeof m_lastDayText);
        c += sizeof m_lastDayText;
        const unsigned second = unsigned(secondOfDay);
        c = twoDigits(c, second / 3600);
        *c++ = ':';
        c = twoDigits(c, second / 60 % 60);
        *c++ = ':';
        c = twoDigits(c, second % 60);
        *c++ = 'Z';
        *c++ = '"';
        m_cursor = c;
    }

    // As QJsonDocument escapes: '"', '\\' and the C0 controls (short forms for \b \f \n \r \t,
    // else \u00xx in lower-case hex); everything else as UTF-8, except an unpaired surrogate,
    // which becomes \uxxxx, and U+FEFF, which becomes \ufeff.
    void string(const QString &s)
    {
        static constexpr char hex[] = "0123456789abcdef";
        const qsizetype n = s.size();
        reserve(6 * n + 2);
        const char16_t *u = reinterpret_cast<const char16_t *>(s.constData());
        const char16_t *const uEnd = u + n;
        char *c = m_cursor;
        *c++ = '"';
        while (u < uEnd) {
            const char16_t ch = *u++;
            if (ch < 0x80) {
                if (ch >= 0x20 && ch != '"' && ch != '\\') {
                    *c++ = char(ch);
                    continue;
                }
                *c++ = '\\';
                switch (ch) {
                case '"':
                    *c++ = '"';
                    break;
                case '\\':
                    *c++ = '\\';
                    break;
                case '\b':
                    *c++ = 'b';
                    break;
                case '\f':
                    *c++ = 'f';
                    break;
                case '\n':
                    *c++ = 'n';
                    break;
                case '\r':
                    *c++ = 'r';
                    break;
                case '\t':
                    *c++ = 't';
                    break;
                default:
                    *c++ = 'u';
                    *c++ = '0';
                    *c++ = '0';
                    *c++ = hex[ch >> 4];
                    *c++ = hex[ch & 0xf];
                }
            } else if (ch < 0x800) {
                *c++ = char(0xc0 | (ch >> 6));
                *c++ = char(0x80 | (ch & 0x3f));
            } else if (ch == 0xfeff) {
                // Escaped, unlike QJsonDocument: its reader drops a raw U+FEFF that starts a
                // string, so the text would not read back the same.
                std::memcpy(c, "\\ufeff", 6);
                c += 6;
            } else if (!QChar::isSurrogate(ch)) {
                *c++ = char(0xe0 | (ch >> 12));
                *c++ = char(0x80 | ((ch >> 6) & 0x3f));
                *c++ = char(0x80 | (ch & 0x3f));
            } else if (QChar::isHighSurrogate(ch) && u < uEnd && QChar::isLowSurrogate(*u)) {
                const char32_t cp = QChar::surrogateToUcs4(ch, *u++);
                *c++ = char(0xf0 | (cp >> 18));
                *c++ = char(0x80 | ((cp >> 12) & 0x3f));
                *c++ = char(0x80 | ((cp >> 6) & 0x3f));
                *c++ = char(0x80 | (cp & 0x3f));
            } else {
                *c++ = '\\';
                *c++ = 'u';
                *c++ = hex[ch >> 12];
                *c++ = hex[(ch >> 8) & 0xf];
                *c++ = hex[(ch >> 4) & 0xf];
                *c++ = hex[ch & 0xf];
            }
        }
        *c++ = '"';
        m_cursor = c;
    }

    // Buffer.
    Q_ALWAYS_INLINE void put(char ch)
    {
        reserve(1);
        *m_cursor++ = ch;
    }
    Q_ALWAYS_INLINE void put(const char *text, qsizetype n)
    {
        reserve(n);
        std::memcpy(m_cursor, text, size_t(n));
        m_cursor += n;
    }
    Q_ALWAYS_INLINE void reserve(qsizetype n)
    {
        if (m_end - m_cursor < n) [[unlikely]]
            grow(n);
    }
    Q_DECL_COLD_FUNCTION Q_NEVER_INLINE void grow(qsizetype n)
    {
        const qsizetype used = m_cursor - m_buffer.data();
        m_buffer.resize(std::max(used + n, m_buffer.size() + m_buffer.size() / 2 + 4096));
        m_cursor = m_buffer.data() + used;
        m_end = m_buffer.data() + m_buffer.size();
    }

    // Days since 1970-01-01 to the proleptic Gregorian date (astronomical year numbering).
    static std::tuple<qint64, int, int> civilFromDays(qint64 z)
    {
        z += 719468;
        const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
        const qint64 doe = z - era * 146097;
        const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const qint64 mp = (5 * doy + 2) / 153;
        const int day = int(doy - (153 * mp + 2) / 5 + 1);
        const int month = int(mp < 10 ? mp + 3 : mp - 9);
        return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
    }

    static constexpr int MaxLevel = 16;
    // Free bytes every layout step may write without asking: the block holding a separator, a
    // line break and the deepest indent, then the longest key.
    static constexpr qsizetype Room = 128;
    // A separator, a line break and spaces for the deepest indent, and one more byte: the copy
    // starts at the line break when there is no separator.
    static constexpr char lineAndIndent[2 + 4 * MaxLevel + 2] = ",\n"
                                                                "                                "
                                                                "                                "
                                                                " ";
    qint64 m_lastDay = std::numeric_limits<qint64>::min();
    char m_lastDayText[12] = {};
    QByteArray m_buffer;
    char *m_cursor = nullptr;
    char *m_end = nullptr;
    int m_level = 0;
    bool m_filled[MaxLevel] = {};
};

// A little over the size of the text for events like the generated one (results with their
// splits and punches are nearly all of it), so the buffer is allocated once; room never written
// costs address space only. Long texts make the text grow past it, which is merely slower.
qsizetype resultSize(const PersonResult &r, bool pretty)
{
    const qsizetype punches = r.punches ? r.punches->size() : 0;
    return pretty ? 800 + 330 * r.splits.size() + 250 * punches : 400 + 150 * r.splits.size() + 110 * punches;
}

qsizetype raceSize(const Race &race, bool pretty)
{
    qsizetype size = 64 * 1024;
    for (const PersonResult &r : race.results)
        size += resultSize(r, pretty);
    for (const Course &c : race.courses)
        size += (pretty ? 400 : 200) + (pretty ? 200 : 100) * c.controls.size();
    size += (pretty ? 1000 : 500) * race.classes.size();
    size += (pretty ? 800 : 400) * race.participants.size();
    return size;
}

BufferStash &bufferStash()
{
    static BufferStash stash;
    return stash;
}

template<typename Value, typename Write>
std::optional<QByteArray> writeFast(
    const Value &value, JsonLayout layout, qsizetype sizeHint, Write &&write, QByteArrayView prefix = {})
{
    sizeHint += prefix.size();
    const auto run = [&](auto &&w) -> std::optional<QByteArray> {
        try {
            w.raw(prefix);
            write(w, value);
        } catch (const TextFailure &) {
            return std::nullopt;
        }
        QByteArray text = w.finish();
        bufferStash().finished(text);
        return text;
    };
    QByteArray buffer = bufferStash().take(sizeHint);
    if (layout == JsonLayout::Compact)
        return run(TextWriter<false>(std::move(buffer), sizeHint));
    return run(TextWriter<true>(std::move(buffer), sizeHint));
}

} // namespace

std::optional<QByteArray> racejson_detail::writeRaceText(
    const Race &race, JsonLayout layout, QByteArrayView prefix)
{
    return writeFast(
        race, layout, raceSize(race, layout == JsonLayout::PrettySorted),
        [](auto &w, const Race &r) { w.race(r); }, prefix);
}

std::optional<QByteArray> racejson_detail::writePersonResultText(
    const PersonResult &result, JsonLayout layout)
{
    return writeFast(result, layout, resultSize(result, layout == JsonLayout::PrettySorted),
        [](auto &w, const PersonResult &r) { w.result(r); });
}
