// The store of a scene's arrows: records in order of arrival, with the lengths of their runs of
// one group (the arrows of one step) beside them, thinned by dropping runs of the oldest half.
#pragma once

#include "scene/windowstore.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace gyro {

/// What a thinning of an `ArrowStore` did, in arrows.
struct ArrowThinning {
    std::size_t before = 0;       // stored before it
    std::size_t half = 0;         // the newest `before - half` were the newest half
    std::size_t droppedNewer = 0; // of those, dropped with a group that straddled the middle
};

/// Records `T` with a `group()` number that never decreases, oldest first. A group's records
/// are one run; the runs' lengths are kept beside the records, so that a thinning finds the
/// groups to keep without reading the records it drops.
template <class T> class ArrowStore {
public:
    /// A thinning keeps one group in this many of the oldest half. Every kept record of the
    /// oldest half moves, so that the fewer it keeps, the less a thinning costs for what it
    /// frees (a record moved for every three appended, where keeping every other group moved
    /// one for each).
    static constexpr std::size_t kKeepOneIn = 4;

    std::size_t size() const { return m_records.size(); }
    bool empty() const { return m_records.empty(); }
    std::span<const T> view() const { return m_records.view(); }
    /// Bytes held by the buffers, in use or not.
    std::size_t storageBytes() const {
        return m_records.capacity() * sizeof(T) + m_runs.capacity() * sizeof(std::uint32_t);
    }

    /// Appends `r`; the buffer holds at most about `limit` records.
    void append(const T& r, std::size_t limit) {
        if (m_records.empty() || r.group() != m_lastGroup)
            m_runs.append(1, limit);
        else
            ++m_runs.back();
        m_lastGroup = r.group();
        m_records.append(r, limit);
    }

    /// Keeps every kKeepOneIn-th group of the oldest half, counted from the oldest, and the
    /// newest half whole; a group that straddles the middle goes or stays whole. Should that free
    /// less than a tenth of `budget`, the oldest records go down to three quarters of it. Then
    /// makes room for the records that arrive before the next thinning at `threshold` (the buffer
    /// holds at most about `limit`). Nothing happens to fewer than two records.
    ArrowThinning thin(std::size_t budget, std::size_t threshold, std::size_t limit) {
        const std::size_t n = size();
        if (n < 2) return {};
        const std::size_t half = n / 2;
        std::uint32_t* runs = m_runs.data();
        // The runs that start before the middle: runs [0, last]; the last ends at `end`.
        std::size_t last = 0, end = runs[0];
        while (end < half) end += runs[++last];
        const std::size_t droppedNewer = last % kKeepOneIn != 0 ? end - half : 0;
        std::size_t dropped = 0;
        for (std::size_t j = 0; j <= last; ++j)
            if (j % kKeepOneIn != 0) dropped += runs[j];
        const std::size_t room = threshold > n - dropped ? threshold - (n - dropped) : 1;
        // A buffer short of its full size grows to it first: the moves back to its start are
        // then as rare as they can be.
        if (m_records.tailRoom() < room && m_records.capacity() < limit) m_records.grow(limit);
        if (m_records.tailRoom() >= room || m_records.capacity() < n - dropped + room) {
            // The kept runs move towards the newest half, which stays where it is: going from
            // the newest to the oldest, no record is written before it was read.
            T* records = m_records.data();
            // The kept runs lie apart in a store far larger than the cache: each is asked for
            // kPrefetchRuns runs before it is moved, so that the move does not wait for it.
            std::size_t aheadRun = last + 1, aheadFrom = end;
            for (std::size_t j = last + 1, from = end, to = end; j-- > 0;) {
                for (const std::size_t target = j > kPrefetchRuns ? j - kPrefetchRuns : 0;
                     aheadRun > target;) {
                    aheadFrom -= runs[--aheadRun];
                    if (aheadRun % kKeepOneIn == 0)
                        prefetchRecords(records + aheadFrom, runs[aheadRun]);
                }
                const std::size_t length = runs[j];
                from -= length;
                if (j % kKeepOneIn != 0) continue;
                to -= length;
                if (to != from)
                    for (std::size_t k = length; k-- > 0;) records[to + k] = records[from + k];
            }
            m_records.dropFront(dropped);
        } else {
            // Too little room left after the window: the kept runs go to the buffer's start
            // instead, the newest half behind them (a copy that would otherwise come soon, of
            // the whole store).
            T* buffer = m_records.buffer();
            std::size_t from = m_records.begin(), to = 0;
            for (std::size_t j = 0; j <= last; from += runs[j], ++j) {
                if (j % kKeepOneIn != 0) continue;
                for (std::size_t k = 0; k < runs[j]; ++k) buffer[to + k] = buffer[from + k];
                to += runs[j];
            }
            std::copy(buffer + from, buffer + m_records.begin() + n, buffer + to);
            m_records.setWindow(0, n - dropped);
        }
        std::size_t runTo = last + 1;
        for (std::size_t j = last + 1; j-- > 0;)
            if (j % kKeepOneIn == 0) runs[--runTo] = runs[j];
        m_runs.dropFront(runTo);
        const std::size_t kept = size(), target = budget * 3 / 4;
        if (n - kept < budget / 10 && kept > target) dropOldest(kept - target);
        m_records.reserveRoom(threshold > size() ? threshold - size() : 1, limit);
        return {n, half, droppedNewer};
    }

    /// Forgets every record and frees the buffers.
    void clear() {
        m_records.clear();
        m_runs.clear();
    }

private:
    static constexpr std::size_t kPrefetchRuns = 64;
    static void prefetchRecords(const T* first, std::size_t count) {
        const char* p = reinterpret_cast<const char*>(first);
        const char* end = reinterpret_cast<const char*>(first + count);
        for (; p < end; p += 64) __builtin_prefetch(p);
        __builtin_prefetch(end - 1);
    }
    void dropOldest(std::size_t n) {
        m_records.dropFront(n);
        std::size_t runs = 0;
        for (; n > 0 && n >= m_runs.data()[runs]; ++runs) n -= m_runs.data()[runs];
        m_runs.dropFront(runs);
        if (n > 0) m_runs.data()[0] -= static_cast<std::uint32_t>(n);
    }

    WindowStore<T> m_records;
    WindowStore<std::uint32_t> m_runs; // lengths of the runs of one group, oldest first
    std::uint64_t m_lastGroup = 0;
};

} // namespace gyro
