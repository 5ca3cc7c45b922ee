#pragma once

// Fresh memory for a text of a hundred megabytes costs about as much as writing the text: the
// system maps and zeroes each page on first touch. So the buffer of the last large text is kept
// and written into again once nobody holds that text any more (the autosave, the event file and
// sync all drop theirs once written); a text held on to merely makes the next one start afresh,
// and a caller changing its text in place gets a copy of its own. The memory kept is the pages
// the last large text touched. A text needing under a quarter of that buffer (or the share the
// stash is made with) starts afresh. An idle larger buffer stays over a few such texts in a row:
// freeing it costs its pages' release now and their first touch again on the next large text (an
// event's full write after a change that encodes only the change). After more of them the texts
// have become smaller for good (a smaller event opened), and the latest one's buffer takes its
// place.
//
// A stash shared by texts of different kinds whose sizes differ by a known factor (the result
// lists of one event with and without split times) takes texts down to a smaller share of its
// buffer: the smaller text is written into pages the larger one touched instead of into fresh
// memory, each time the two alternate, and no more memory is kept than for the larger one.

#include <QByteArray>
#include <QMutex>

#include <algorithm>
#include <atomic>
#include <limits>
#include <utility>

class BufferStash
{
public:
    static constexpr qsizetype From = qsizetype(4) << 20;
    // For a text whose size is not known before it is written.
    static constexpr qsizetype UnknownSize = std::numeric_limits<qsizetype>::max();

    // A text needing under 1/`smallestShare` of the kept buffer starts afresh.
    explicit BufferStash(qsizetype smallestShare = 4)
        : m_smallestShare(std::max<qsizetype>(smallestShare, 1))
    { }

    // The kept buffer, emptied, for a text of about `sizeHint` bytes; else an empty one.
    QByteArray take(qsizetype sizeHint)
    {
        if (sizeHint < From)
            return {};
        QMutexLocker lock(&m_mutex);
        // Detached: the stash holds the only reference, so nobody can see the bytes change.
        if (!m_buffer.isDetached() || m_buffer.capacity() / m_smallestShare > sizeHint)
            return {};
        // Pairs with the release in the last holder's dereference: its reads come before our writes.
        std::atomic_thread_fence(std::memory_order_acquire);
        QByteArray buffer = std::exchange(m_buffer, QByteArray());
        buffer.resize(0);
        return buffer;
    }

    // A finished text: a large one's buffer is kept for the next; a small one gives back the
    // spare room of a large buffer, as its caller may hold it for long.
    void finished(QByteArray &text)
    {
        if (text.size() >= From) {
            QMutexLocker lock(&m_mutex);
            if (m_buffer.isDetached() && m_buffer.capacity() > text.capacity()
                && ++m_passedOver < KeptOverSmallerTexts)
                return;
            m_buffer = text;
            m_passedOver = 0;
        } else if (text.capacity() - text.size() > text.size() / 4) {
            text.squeeze();
        }
    }

private:
    static constexpr int KeptOverSmallerTexts = 3;

    const qsizetype m_smallestShare;
    QMutex m_mutex;
    QByteArray m_buffer;
    int m_passedOver = 0;
};
