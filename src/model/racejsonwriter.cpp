#include "racejson_p.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <tuple>

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
    explicit TextWriter(qsizetype sizeHint) { grow(std::max<qsizetype>(sizeHint, 4096)); }

    QByteArray finish()
    {
        if constexpr (Pretty)
            put('\n');
        m_buffer.truncate(m_cursor - m_buffer.data());
        // Large documents are kept around (sync snapshots); do not hold on to much spare room.
        if (m_buffer.capacity() - m_buffer.size() > m_buffer.size() / 4)
            m_buffer.squeeze();
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
        if (r.multiStageEnabled)
            member("multiStageEnabled"), boolean(*r.multiStageEnabled);
        member("name"), string(r.name);
        member("participants"), array(r.participants, [this](const Participant &p) { participant(p); });
        member("results"), array(r.results, [this](const PersonResult &p) { result(p); });
        if (r.stageDefaultStartWindows)
            member("stageDefaultStartWindows"),
                stageMap(*r.stageDefaultStartWindows, [this](const StartWindow &w) { startWindow(w); });
        member("stages"), array(r.stages, [this](const Stage &s) { stage(s); });
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
        member("status"), string(toText(s.status));
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
    // whether it already has a member (for the separator and, when pretty, the closing line).
    void open(char bracket)
    {
        put(bracket);
        if constexpr (Pretty)
            put('\n');
        ++m_level;
        Q_ASSERT(m_level < MaxLevel);
        m_filled[m_level] = false;
    }
    void close(char bracket)
    {
        if constexpr (Pretty) {
            if (m_filled[m_level])
                put('\n');
        }
        --m_level;
        if constexpr (Pretty)
            indent(m_level);
        put(bracket);
    }
    void element()
    {
        if constexpr (Pretty) {
            // The separator, the line break and the indent in one fixed-size copy: half the pretty
            // text is indent, written a few bytes at a time otherwise.
            const qsizetype n = 4 * qsizetype(m_level);
            reserve(2 + sizeof indentText);
            if (m_filled[m_level]) {
                *m_cursor++ = ',';
                std::memcpy(m_cursor, lineAndIndent, sizeof lineAndIndent);
                m_cursor += 1 + n;
            } else {
                std::memcpy(m_cursor, indentText, sizeof indentText);
                m_cursor += n;
            }
        } else if (m_filled[m_level]) {
            put(',');
        }
        m_filled[m_level] = true;
    }
    template<size_t N> void member(const char (&key)[N])
    {
        element();
        reserve(N + 3);
        *m_cursor++ = '"';
        std::memcpy(m_cursor, key, N - 1);
        m_cursor += N - 1;
        *m_cursor++ = '"';
        *m_cursor++ = ':';
        if constexpr (Pretty)
            *m_cursor++ = ' ';
    }
    void indent(int level)
    {
        reserve(sizeof indentText);
        std::memcpy(m_cursor, indentText, sizeof indentText);
        m_cursor += 4 * qsizetype(level);
    }

    // Values.
    void boolean(bool b) { b ? put("true", 4) : put("false", 5); }

    void integer(qint64 v)
    {
        reserve(24);
        m_cursor = std::to_chars(m_cursor, m_cursor + 24, v).ptr;
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

    void uuid(const QUuid &u)
    {
        static constexpr auto pairs = [] {
            std::array<char, 512> table {};
            constexpr char hex[] = "0123456789ABCDEF";
            for (int b = 0; b < 256; ++b) {
                table[size_t(2 * b)] = hex[b >> 4];
                table[size_t(2 * b + 1)] = hex[b & 0xf];
            }
            return table;
        }();
        quint8 bytes[16];
        qToBigEndian(u.data1, bytes);
        qToBigEndian(u.data2, bytes + 4);
        qToBigEndian(u.data3, bytes + 6);
        std::memcpy(bytes + 8, u.data4, 8);
        reserve(38);
        char *c = m_cursor;
        *c++ = '"';
        for (int i = 0; i < 16; ++i) {
            if (i == 4 || i == 6 || i == 8 || i == 10)
                *c++ = '-';
            std::memcpy(c, &pairs[size_t(2 * bytes[i])], 2);
            c += 2;
        }
        *c++ = '"';
        m_cursor = c;
    }

    void date(const QDateTime &d)
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
        auto two = [&](int v) {
            *c++ = char('0' + v / 10);
            *c++ = char('0' + v % 10);
        };
        std::memcpy(c, m_lastDayText, sizeof m_lastDayText);
        c += sizeof m_lastDayText;
        two(int(secondOfDay / 3600));
        *c++ = ':';
        two(int(secondOfDay / 60 % 60));
        *c++ = ':';
        two(int(secondOfDay % 60));
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
    void put(char ch)
    {
        reserve(1);
        *m_cursor++ = ch;
    }
    void put(const char *text, qsizetype n)
    {
        reserve(n);
        std::memcpy(m_cursor, text, size_t(n));
        m_cursor += n;
    }
    void reserve(qsizetype n)
    {
        if (m_end - m_cursor < n)
            grow(n);
    }
    Q_DECL_COLD_FUNCTION void grow(qsizetype n)
    {
        const qsizetype used = m_cursor ? m_cursor - m_buffer.data() : 0;
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
    // Spaces for the deepest indent, and the same after a line break.
    static constexpr char indentText[4 * MaxLevel + 1]
        = "                                                                ";
    static constexpr char lineAndIndent[4 * MaxLevel + 2]
        = "\n                                                                ";
    qint64 m_lastDay = std::numeric_limits<qint64>::min();
    char m_lastDayText[12] = {};
    QByteArray m_buffer;
    char *m_cursor = nullptr;
    char *m_end = nullptr;
    int m_level = 0;
    bool m_filled[MaxLevel] = {};
};

template<typename Value, typename Write>
std::optional<QByteArray> writeFast(const Value &value, JsonLayout layout, qsizetype sizeHint, Write &&write)
{
    try {
        if (layout == JsonLayout::Compact) {
            TextWriter<false> w(sizeHint);
            write(w, value);
            return w.finish();
        }
        TextWriter<true> w(sizeHint);
        write(w, value);
        return w.finish();
    } catch (const TextFailure &) {
        return std::nullopt;
    }
}

} // namespace

std::optional<QByteArray> racejson_detail::writeRaceText(const Race &race, JsonLayout layout)
{
    return writeFast(race, layout, 0, [](auto &w, const Race &r) { w.race(r); });
}

std::optional<QByteArray> racejson_detail::writePersonResultText(
    const PersonResult &result, JsonLayout layout)
{
    return writeFast(result, layout, 0, [](auto &w, const PersonResult &r) { w.result(r); });
}
