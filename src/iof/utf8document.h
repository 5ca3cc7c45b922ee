#pragma once

// XML documents written as the UTF-8 bytes they are saved or sent as, straight into one buffer:
// a document of 50,000 runners is then written once, at half the size of its UTF-16 form, and not
// read again to be converted.

#include "bufferstash.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringView>

#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

// How a list is laid into its buffer: one estimated at `from` bytes or more, too large for the
// caches to keep, is written into a block of `block` bytes first and copied on from there with
// stores that pass the caches by. The bytes are the same either way. The defaults suit every list;
// tests set others to take small lists that way.
struct IOFListBuffering
{
    qsizetype from = qsizetype(20) << 20;
    qsizetype block = qsizetype(16) << 10;
};

// escapeXmlText(text) as UTF-8 bytes written at `out`, which has room for six bytes a unit of
// `text`; returns the end of what was written. Markup surrounds every text, so the text never
// forms a surrogate pair with what comes before or after it.
char *xmlTextUtf8(char *out, QStringView text);

// iofDateTime's text, "yyyy-MM-ddTHH:mm:ssZ", in `text`; false where that has none.
bool iofDateTimeText(char (&text)[20], const QDateTime &time);

// Every document written in place, whatever its size.
inline constexpr IOFListBuffering inPlaceBuffering {std::numeric_limits<qsizetype>::max()};

class Utf8Document
{
public:
    // `kept` holds the buffer of the last large document of its kind for the next one, which would
    // otherwise be written into fresh memory each time (see BufferStash).
    Utf8Document(BufferStash &kept, qsizetype sizeHint, IOFListBuffering buffering);

    // Room for `n` more bytes; every write below makes its own.
    void reserve(qsizetype n)
    {
        if (m_end - m_at < n)
            grow(n);
    }
    template<qsizetype N> void ascii(const char (&text)[N]) { bytes(text, N - 1); }
    void bytes(const char *text, qsizetype n)
    {
        reserve(n);
        std::memcpy(m_at, text, size_t(n));
        m_at += n;
    }
    void indent(int n)
    {
        reserve(n);
        std::memset(m_at, ' ', size_t(n));
        m_at += n;
    }
    void number(qint64 value)
    {
        reserve(20);
        m_at = std::to_chars(m_at, m_at + 20, value).ptr;
    }
    // As escapeXmlText gives it, in UTF-8: the text never forms a surrogate pair with what comes
    // before or after it, as markup surrounds every text.
    void text(QStringView text);

    // One element a line, two spaces per level.
    template<qsizetype N> void line(int indent, const char (&markup)[N])
    {
        this->indent(indent);
        bytes(markup, N - 1);
        ascii("\n");
    }
    // `open`, the escaped text and `close` (which ends the line).
    template<qsizetype N, qsizetype M>
    void textElement(int indent, const char (&open)[N], const char (&close)[M], QStringView value)
    {
        this->indent(indent);
        ascii(open);
        text(value);
        ascii(close);
    }

    [[nodiscard]] QByteArray finish();

private:
    // The buffer holds `n` bytes past those written.
    void room(qsizetype n);
    void grow(qsizetype n);

    BufferStash &m_kept;
    QByteArray m_text;
    // The block a document past the caches is written into first; empty for one written in place.
    std::vector<char> m_block;
    qsizetype m_written = 0;
    char *m_at = nullptr;
    char *m_end = nullptr;
};
