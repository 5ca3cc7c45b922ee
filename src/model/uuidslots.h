#pragma once

// Dense slot numbers 0, 1, 2, ... for distinct ids, for passes over every entry and result of a
// large event: an open table of 4-byte slot numbers (half a megabyte at 50,000 ids) with the ids
// kept in slot order beside it. A look-up reads one entry of the table and the id of its slot.
//
// Records stored in the order their ids were numbered (results stored stage by stage in the
// entries' order) are found by findNear, which tries the slot after the previous one first and
// reads the ids one after the other instead of the table all over.

#include <QUuid>

#include <cstring>
#include <vector>

class UuidSlots
{
public:
    explicit UuidSlots(qsizetype expected)
    {
        std::size_t capacity = 16;
        while (capacity < std::size_t(expected) * 2)
            capacity *= 2;
        m_table.assign(capacity, -1);
        m_ids.reserve(std::size_t(expected));
    }

    [[nodiscard]] qsizetype size() const { return qsizetype(m_ids.size()); }
    [[nodiscard]] const QUuid &id(qint32 slot) const { return m_ids[std::size_t(slot)]; }

    // The slot of `id`, a new one when it has none yet; `added` tells which.
    qint32 insert(const QUuid &id, bool &added)
    {
        std::size_t at = bucketOf(id);
        for (; m_table[at] >= 0; at = (at + 1) & (m_table.size() - 1)) {
            if (same(m_ids[std::size_t(m_table[at])], id)) {
                added = false;
                return m_table[at];
            }
        }
        added = true;
        m_table[at] = qint32(m_ids.size());
        m_ids.push_back(id);
        return m_table[at];
    }

    // Asks for the table entry of `id` ahead of its look-up or insert: with many ids the table no
    // longer stays in the caches while the records stream past, and the entries wanted are all
    // over it. Always inlined: a call of it, left as a call, is dropped as a call without effects.
    [[gnu::always_inline]] void prefetch(const QUuid &id) const
    {
        __builtin_prefetch(&m_table[bucketOf(id)]);
    }

    // The slot of `id`, or -1.
    [[nodiscard]] qint32 find(const QUuid &id) const
    {
        for (std::size_t at = bucketOf(id); m_table[at] >= 0; at = (at + 1) & (m_table.size() - 1)) {
            if (same(m_ids[std::size_t(m_table[at])], id))
                return m_table[at];
        }
        return -1;
    }

    // find(id), trying `previous + 1` first: each id has one slot, so a slot holding the id is
    // its slot.
    [[nodiscard]] qint32 findNear(const QUuid &id, qint32 previous) const
    {
        const std::size_t next = std::size_t(previous + 1);
        if (next < m_ids.size() && same(m_ids[next], id))
            return qint32(next);
        return find(id);
    }

private:
    // QUuid's own comparison goes field by field and byte by byte, a dozen branches for the match
    // every look-up of a known id ends in; its sixteen bytes hold nothing but the fields.
    [[nodiscard]] static bool same(const QUuid &a, const QUuid &b)
    {
        static_assert(sizeof(QUuid) == 16);
        quint64 x[2];
        quint64 y[2];
        std::memcpy(x, &a, sizeof(x));
        std::memcpy(y, &b, sizeof(y));
        return ((x[0] ^ y[0]) | (x[1] ^ y[1])) == 0;
    }

    [[nodiscard]] std::size_t bucketOf(const QUuid &id) const
    {
        // Ids need not be random (an imported id may differ from the next in one byte), so all
        // 128 bits are mixed.
        quint64 words[2];
        static_assert(sizeof(words) == sizeof(QUuid));
        std::memcpy(words, &id, sizeof(words));
        quint64 h = words[0] ^ (words[1] * 0x9E3779B97F4A7C15ULL);
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDULL;
        h ^= h >> 33;
        return std::size_t(h) & (m_table.size() - 1);
    }

    std::vector<qint32> m_table;
    std::vector<QUuid> m_ids;
};

// The places of records with ids in a list (records[i].id): for each id the first place that
// holds it, and for each place the first place holding the same id. A repeated id is found at its
// first place, as a look-up through the list in order finds it.
class FirstPlaces
{
public:
    template<typename Records>
    explicit FirstPlaces(const Records &records)
        : m_slots(records.size())
    {
        m_firstOfPlace.reserve(std::size_t(records.size()));
        for (qsizetype i = 0; i < records.size(); ++i) {
            bool added = false;
            const qint32 slot = m_slots.insert(records[i].id, added);
            if (added)
                m_firstOfSlot.push_back(quint32(i));
            m_firstOfPlace.push_back(m_firstOfSlot[std::size_t(slot)]);
        }
    }

    // The first place holding `id`, or -1.
    [[nodiscard]] qint64 find(const QUuid &id) const
    {
        const qint32 slot = m_slots.find(id);
        return slot < 0 ? -1 : qint64(m_firstOfSlot[std::size_t(slot)]);
    }
    // find(id) for records walked in the order their ids were numbered (see UuidSlots::findNear):
    // `slot` holds the slot found last (-1 before the first) and is given this one's.
    [[nodiscard]] qint64 findNear(const QUuid &id, qint32 &slot) const
    {
        slot = m_slots.findNear(id, slot);
        return slot < 0 ? -1 : qint64(m_firstOfSlot[std::size_t(slot)]);
    }
    // The first place holding the id of the record at `place`.
    [[nodiscard]] quint32 first(qsizetype place) const { return m_firstOfPlace[std::size_t(place)]; }

private:
    UuidSlots m_slots;
    std::vector<quint32> m_firstOfSlot;
    std::vector<quint32> m_firstOfPlace;
};
