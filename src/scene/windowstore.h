// A store of records appended at one end and dropped or thinned at the other: the records in use
// are a window of one buffer whose start moves forward, so that dropping old records moves none.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <span>
#include <type_traits>

namespace gyro {

/// Records in order of arrival, held in [begin, end) of a buffer of at most about `limit`
/// records (the limit given to `append`). Dropping the oldest moves the window's start; when
/// its end reaches the buffer's end, the window moves back to the buffer's start (or the buffer
/// grows while it is below the limit and more than half full).
template <class T> class WindowStore {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    std::size_t size() const { return m_end - m_begin; }
    bool empty() const { return m_end == m_begin; }
    /// The stored records, oldest first; valid until the store changes.
    T* data() { return m_buffer.get() + m_begin; }
    const T* data() const { return m_buffer.get() + m_begin; }
    std::span<const T> view() const { return {data(), size()}; }
    /// Records the buffer holds, in use or not.
    std::size_t capacity() const { return m_capacity; }

    T& back() { return m_buffer[m_end - 1]; }
    /// Records that fit after the window without moving it.
    std::size_t tailRoom() const { return m_capacity - m_end; }
    /// The whole buffer, and where the window begins in it: for a caller that moves the records
    /// itself and then places the window with `setWindow`.
    T* buffer() { return m_buffer.get(); }
    std::size_t begin() const { return m_begin; }
    void setWindow(std::size_t begin, std::size_t end) {
        m_begin = begin;
        m_end = end;
    }
    /// Appends `r`. The buffer grows up to `limit` records (further only when the window alone
    /// fills it).
    void append(const T& r, std::size_t limit) {
        if (m_end == m_capacity) [[unlikely]]
            makeRoom(limit, 1);
        // The buffer is far larger than the cache and its lines are written once each: asking
        // for a line a few kilobytes ahead spares the append waiting for it.
        if (m_end + kAhead < m_capacity) __builtin_prefetch(m_buffer.get() + m_end + kAhead, 1);
        m_buffer[m_end++] = r;
    }
    /// Makes room for `room` more records after the window, moving it back to the buffer's start
    /// (or growing the buffer, up to about `limit` records) when they would not fit.
    void reserveRoom(std::size_t room, std::size_t limit) {
        if (m_capacity - m_end < room) makeRoom(limit, room);
    }
    /// Moves the records to a buffer of `capacity` records (at least their number).
    void grow(std::size_t capacity) {
        const std::size_t n = size();
        capacity = std::max(capacity, n);
        auto buffer = std::make_unique_for_overwrite<T[]>(capacity);
        std::copy(data(), data() + n, buffer.get());
        m_buffer = std::move(buffer);
        m_capacity = capacity;
        m_begin = 0;
        m_end = n;
    }
    /// Forgets the oldest `n` records (all when there are fewer).
    void dropFront(std::size_t n) {
        m_begin += std::min(n, size());
        if (m_begin == m_end) m_begin = m_end = 0;
    }
    /// Forgets every record and frees the buffer.
    void clear() {
        m_buffer.reset();
        m_capacity = m_begin = m_end = 0;
    }

private:
    static constexpr std::size_t kAhead = 4096 / sizeof(T) + 1; // records prefetched ahead
    [[gnu::noinline]] void makeRoom(std::size_t limit, std::size_t room) {
        const std::size_t n = size();
        // Moving back pays once the buffer is as large as it may be, or when the window fills
        // at most half of it; otherwise a larger buffer saves moving again soon.
        if (m_begin > 0 && m_capacity - n >= room && (m_capacity >= limit || 2 * n <= m_capacity)) {
            std::copy(data(), data() + n, m_buffer.get());
            m_begin = 0;
            m_end = n;
            return;
        }
        grow(std::max(n + room, std::min(std::max<std::size_t>(2 * m_capacity, 64), limit)));
    }

    std::unique_ptr<T[]> m_buffer;
    std::size_t m_capacity = 0, m_begin = 0, m_end = 0;
};

} // namespace gyro
