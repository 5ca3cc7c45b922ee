#pragma once

// A value worked out once per distinct id text (a stage, class or course id), for passes over all
// results or entries that meet the same few ids again and again. Consecutive records mostly carry
// the same id, often as copies sharing their characters, so the last one is compared first (by
// where its characters are, then by text); then a small table by where the characters are, for
// copies of a few ids taking turns (entries of sixty classes in turn); only then is the text
// hashed, which costs more than the rest of a record's work.
//
// The ids handed in must stay alive and unchanged while the memo is used (the memo keeps views
// of them, not copies).

#include <QHash>
#include <QString>
#include <QStringView>

#include <array>
#include <deque>

template<typename T> class IdMemo
{
public:
    // The check against the last id is all most calls do: kept apart from the rest, it stays
    // small enough to be inlined into the callers' loops.
    template<typename Compute> const T &get(const QString &id, Compute compute)
    {
        if (m_last && m_lastId.data() == id.constData() && m_lastId.size() == id.size())
            return *m_last;
        return find(id, compute);
    }

private:
    template<typename Compute> const T &find(const QString &id, Compute compute)
    {
        const QChar *data = id.constData();
        Seen &seen = m_byData[slotOf(data)];
        if (seen.data == data && seen.size == id.size())
            return remember(id, seen.value);
        if (m_last && m_lastId == id)
            return *m_last;
        auto it = m_byText.constFind(id);
        if (it == m_byText.constEnd()) {
            m_values.push_back(compute(id));
            it = m_byText.insert(id, &m_values.back());
        }
        seen = {data, id.size(), it.value()};
        return remember(id, it.value());
    }

    struct Seen
    {
        const QChar *data = nullptr;
        qsizetype size = 0;
        const T *value = nullptr;
    };

    static std::size_t slotOf(const QChar *data)
    {
        // Heap blocks lie at multiples of 16 bytes; the multiplication spreads their addresses.
        return std::size_t(((quintptr(data) >> 4) * 0x9E3779B97F4A7C15ULL) >> 55);
    }

    const T &remember(const QString &id, const T *value)
    {
        m_lastId = id;
        m_last = value;
        return *value;
    }

    static constexpr int tableSize = 512;
    // Values stay where they are as more are added (the views below point at them).
    std::deque<T> m_values;
    QHash<QString, const T *> m_byText;
    std::array<Seen, tableSize> m_byData {};
    QStringView m_lastId;
    const T *m_last = nullptr;
};
