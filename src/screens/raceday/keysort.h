#pragma once

// A stable sort of compact records on an unsigned 64-bit key, one byte at a time from the lowest:
// every pass reads the records in order and writes them to 256 runs, so the time grows with the
// number of records, where a comparison sort of 150,000 records in groups went through them some
// twenty times. Bytes that every key shares take no pass.

#include <QList>

#include <array>
#include <type_traits>

template<typename T, typename Key> void sortByKey(QList<T> &items, Key key)
{
    static_assert(std::is_trivially_copyable_v<T>);
    const qsizetype count = items.size();
    if (count < 2)
        return;
    std::array<std::array<qsizetype, 256>, 8> counts {};
    for (const T &item : std::as_const(items)) {
        const quint64 k = key(item);
        for (int b = 0; b < 8; ++b)
            ++counts[b][(k >> (8 * b)) & 0xff];
    }
    QList<T> scratch;
    T *from = items.data();
    T *to = nullptr;
    for (int b = 0; b < 8; ++b) {
        std::array<qsizetype, 256> &c = counts[b];
        bool shared = false;
        for (const qsizetype n : c) {
            if (n == count) {
                shared = true;
                break;
            }
            if (n != 0)
                break;
        }
        if (shared)
            continue;
        if (!to) {
            scratch.resize(count);
            to = scratch.data();
        }
        qsizetype next = 0;
        for (qsizetype &n : c) {
            const qsizetype here = n;
            n = next;
            next += here;
        }
        for (qsizetype i = 0; i < count; ++i) {
            const T &item = from[i];
            to[c[(key(item) >> (8 * b)) & 0xff]++] = item;
        }
        std::swap(from, to);
    }
    // After an odd number of passes the sorted records are the scratch list's.
    if (from != items.data())
        items.swap(scratch);
}

// Sorts `count` records at `items` the same way, with room for as many at `scratch`:
// true when the sorted records ended up in `scratch` (after an odd number of passes).
template<typename T, typename Key> bool sortByKey(T *items, qsizetype count, T *scratch, Key key)
{
    static_assert(std::is_trivially_copyable_v<T>);
    if (count < 2)
        return false;
    std::array<std::array<qsizetype, 256>, 8> counts {};
    for (qsizetype i = 0; i < count; ++i) {
        const quint64 k = key(items[i]);
        for (int b = 0; b < 8; ++b)
            ++counts[b][(k >> (8 * b)) & 0xff];
    }
    T *from = items;
    T *to = scratch;
    for (int b = 0; b < 8; ++b) {
        std::array<qsizetype, 256> &c = counts[b];
        bool shared = false;
        for (const qsizetype n : c) {
            if (n == count) {
                shared = true;
                break;
            }
            if (n != 0)
                break;
        }
        if (shared)
            continue;
        qsizetype next = 0;
        for (qsizetype &n : c) {
            const qsizetype here = n;
            n = next;
            next += here;
        }
        for (qsizetype i = 0; i < count; ++i) {
            const T &item = from[i];
            to[c[(key(item) >> (8 * b)) & 0xff]++] = item;
        }
        std::swap(from, to);
    }
    return from == scratch;
}
