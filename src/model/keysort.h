#pragma once

// A stable sort of compact records on an unsigned 64-bit key, one byte at a time from the lowest:
// every pass reads the records in order and writes them to 256 runs, so the time grows with the
// number of records, where a comparison sort of 150,000 records in groups went through them some
// twenty times. Bytes that every key shares take no pass.

#include <QList>

#include <array>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace keysort_detail {
// The passes; `scratch()` gives room for `count` records, asked for only when a pass is needed.
// Returns where the sorted records are: `items`, or the scratch room after an odd number of passes.
template<typename T, typename Key, typename Scratch>
T *sortPasses(T *items, qsizetype count, Scratch scratch, Key key)
{
    static_assert(std::is_trivially_copyable_v<T>);
    std::array<std::array<qsizetype, 256>, 8> counts {};
    for (qsizetype i = 0; i < count; ++i) {
        const quint64 k = key(items[i]);
        for (int b = 0; b < 8; ++b)
            ++counts[b][(k >> (8 * b)) & 0xff];
    }
    T *from = items;
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
        if (!to)
            to = scratch();
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
    return from;
}
} // namespace keysort_detail

template<typename List, typename Key> void sortListByKey(List &items, Key key)
{
    using T = typename List::value_type;
    if (items.size() < 2)
        return;
    List scratch;
    T *sorted = keysort_detail::sortPasses(
        items.data(), items.size(),
        [&] {
            scratch.resize(items.size());
            return scratch.data();
        },
        key);
    if (sorted != items.data())
        items.swap(scratch);
}

template<typename T, typename Key> void sortByKey(QList<T> &items, Key key)
{
    sortListByKey(items, key);
}
template<typename T, typename Key> void sortByKey(std::vector<T> &items, Key key)
{
    sortListByKey(items, key);
}

// Sorts `count` records at `items` the same way, with room for as many at `scratch`:
// true when the sorted records ended up in `scratch` (after an odd number of passes).
template<typename T, typename Key> bool sortByKey(T *items, qsizetype count, T *scratch, Key key)
{
    if (count < 2)
        return false;
    return keysort_detail::sortPasses(
               items, count, [scratch] { return scratch; }, key)
        == scratch;
}

// One stable counting pass over `from` into `to` (of the same size) by `digit(item)`, each below
// `buckets`; `counts` is working room kept by the caller.
template<typename T, typename Digit>
void countingPass(const std::vector<T> &from, std::vector<T> &to, std::vector<quint32> &counts,
    quint32 buckets, Digit digit)
{
    counts.assign(std::size_t(buckets) + 1, 0);
    for (const T &item : from)
        ++counts[std::size_t(digit(item)) + 1];
    for (quint32 b = 1; b <= buckets; ++b)
        counts[b] += counts[b - 1];
    for (const T &item : from)
        to[counts[digit(item)]++] = item;
}
