#pragma once

// A value worked out once per distinct id text (a stage, class or course id), for passes over all
// results or entries that meet the same few ids again and again. Consecutive records mostly carry
// the same id, often as copies sharing their characters, so the last one is compared first (by
// where its characters are, then by text) before the id is hashed.
//
// The ids handed in must stay alive and unchanged while the memo is used (the memo keeps a view
// of the last one, not a copy).

#include <QHash>
#include <QString>
#include <QStringView>

template<typename T> class IdMemo
{
public:
    template<typename Compute> const T &get(const QString &id, Compute compute)
    {
        if (m_last && ((m_lastId.data() == id.constData() && m_lastId.size() == id.size()) || m_lastId == id))
            return *m_last;
        auto it = m_seen.find(id);
        if (it == m_seen.end())
            it = m_seen.insert(id, compute(id));
        m_lastId = id;
        m_last = &it.value();
        return *m_last;
    }

private:
    // Values move when the hash grows; m_last is set anew after every insert.
    QHash<QString, T> m_seen;
    QStringView m_lastId;
    const T *m_last = nullptr;
};
