#include "utf8document.h"

#include <QChar>
#include <QDateTime>

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Past the caches, a plain store first reads the line it writes into: a document of a hundred
// megabytes then crosses the memory bus twice. Such a document is written into a small block that
// stays in the first-level cache and copied from it into its buffer with stores that bypass the
// caches (IOFListBuffering). A document that fits the caches is written in place: there the plain
// stores are faster and the caller reads the bytes from the cache. Measured with repeated writes
// into one buffer, the streaming stores win from about 30 MB (the list of 50,000 runners without
// splits) and lose at 13 MB (5,000 runners with splits): the default limit lies between.
class StreamingCopy
{
public:
    // Copies what of `n` bytes at `from` ends at a 64-byte boundary of `to`, whole lines so that
    // each is written once; gives the count copied.
    static qsizetype lines(char *to, const char *from, qsizetype n)
    {
        const auto end = (quintptr(to) + quintptr(n)) & ~quintptr(63);
        if (end <= quintptr(to))
            return 0;
        const qsizetype count = qsizetype(end - quintptr(to));
#if defined(__SSE2__)
        // Up to the first 16-byte boundary in plain stores; the streaming stores need it.
        const qsizetype head = qsizetype((16 - (quintptr(to) & 15)) & 15);
        std::memcpy(to, from, size_t(head));
        for (qsizetype at = head; at < count; at += 16)
            _mm_stream_si128(reinterpret_cast<__m128i *>(to + at),
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + at)));
        // The streaming stores are weakly ordered: whoever reads the buffer next sees them all.
        _mm_sfence();
#else
        std::memcpy(to, from, size_t(count));
#endif
        return count;
    }
};

} // namespace

char *xmlTextUtf8(char *out, QStringView text)
{
    char *o = out;
    const auto three = [&o](char32_t c) {
        *o++ = char(0xE0 | (c >> 12));
        *o++ = char(0x80 | ((c >> 6) & 0x3F));
        *o++ = char(0x80 | (c & 0x3F));
    };
    const char16_t *u = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = u[i];
        if (c < 0x80) {
            switch (c) {
            case u'&':
                std::memcpy(o, "&amp;", 5);
                o += 5;
                break;
            case u'<':
                std::memcpy(o, "&lt;", 4);
                o += 4;
                break;
            case u'>':
                std::memcpy(o, "&gt;", 4);
                o += 4;
                break;
            case u'"':
                std::memcpy(o, "&quot;", 6);
                o += 6;
                break;
            default:
                if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
                    three(0xFFFD);
                else
                    *o++ = char(c);
            }
        } else if (c < 0x800) {
            *o++ = char(0xC0 | (c >> 6));
            *o++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(u[i + 1])) {
            const char32_t p = QChar::surrogateToUcs4(c, u[++i]);
            *o++ = char(0xF0 | (p >> 18));
            *o++ = char(0x80 | ((p >> 12) & 0x3F));
            *o++ = char(0x80 | ((p >> 6) & 0x3F));
            *o++ = char(0x80 | (p & 0x3F));
        } else if (QChar::isSurrogate(c) || c == 0xFFFE || c == 0xFFFF) {
            three(0xFFFD);
        } else {
            three(c);
        }
    }
    return o;
}

bool iofDateTimeText(char (&text)[20], const QDateTime &time)
{
    if (!time.isValid())
        return false;
    const QDateTime utc = time.toUTC();
    const QDate date = utc.date();
    const int year = date.year();
    if (year < 1 || year > 9999)
        return false;
    const QTime clock = utc.time();
    char *o = text;
    const auto digits = [&o](int value, int count) {
        for (int k = count - 1; k >= 0; --k, value /= 10)
            o[k] = char('0' + value % 10);
        o += count;
    };
    digits(year, 4);
    *o++ = '-';
    digits(date.month(), 2);
    *o++ = '-';
    digits(date.day(), 2);
    *o++ = 'T';
    digits(clock.hour(), 2);
    *o++ = ':';
    digits(clock.minute(), 2);
    *o++ = ':';
    digits(clock.second(), 2);
    *o = 'Z';
    return true;
}

Utf8Document::Utf8Document(BufferStash &kept, qsizetype sizeHint, IOFListBuffering buffering)
    : m_kept(kept)
    , m_text(kept.take(sizeHint))
{
    m_text.resize(std::max<qsizetype>(sizeHint, 256));
    if (sizeHint >= buffering.from) {
        m_block.resize(size_t(std::max<qsizetype>(buffering.block, 1)));
        m_at = m_block.data();
        m_end = m_at + m_block.size();
    } else {
        m_at = m_text.data();
        m_end = m_at + m_text.size();
    }
}

void Utf8Document::text(QStringView text)
{
    // At most six bytes a unit ("&quot;"); a pair's two units take four.
    reserve(text.size() * 6);
    m_at = xmlTextUtf8(m_at, text);
}

QByteArray Utf8Document::finish()
{
    if (m_block.empty()) {
        m_text.resize(m_at - m_text.constData());
    } else {
        const qsizetype rest = m_at - m_block.data();
        room(rest);
        std::memcpy(m_text.data() + m_written, m_block.data(), size_t(rest));
        m_text.resize(m_written + rest);
    }
    m_kept.finished(m_text);
    return std::move(m_text);
}

void Utf8Document::room(qsizetype n)
{
    if (m_text.size() - m_written < n)
        m_text.resize(std::max(m_written + n, m_text.size() * 2));
}

void Utf8Document::grow(qsizetype n)
{
    if (m_block.empty()) {
        const qsizetype used = m_at - m_text.constData();
        m_text.resize(std::max(used + n, m_text.size() * 2));
        m_at = m_text.data() + used;
        m_end = m_text.data() + m_text.size();
        return;
    }
    const qsizetype used = m_at - m_block.data();
    room(used);
    const qsizetype copied = StreamingCopy::lines(m_text.data() + m_written, m_block.data(), used);
    m_written += copied;
    std::memmove(m_block.data(), m_block.data() + copied, size_t(used - copied));
    const qsizetype kept = used - copied;
    // A text of thousands of characters may need more than the block.
    if (qsizetype(m_block.size()) - kept < n)
        m_block.resize(size_t(kept + n));
    m_at = m_block.data() + kept;
    m_end = m_block.data() + m_block.size();
}
