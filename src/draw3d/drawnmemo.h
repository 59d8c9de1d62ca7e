// The table behind the memos of what a picture already shows (trace lines, arrows): a line or
// an arrow that lands to an eighth of a pixel where an equal one was drawn changes nothing the
// picture does not already show, and a closed orbit lands on the same places turn after turn.
#pragma once

#include "scene/scene3d.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gyro {

/// Keys of what was drawn into one image (each kind of drawing makes its own keys, never 0). A
/// fixed table of 2^18 keys in buckets of `Ways` keys (eight fill one cache line): a key is
/// forgotten only when its bucket is full, and then at worst its drawing is done again. More ways
/// forget less; one way costs the least where most keys are new.
template <std::size_t Ways> class DrawnMemo {
    static_assert(Ways == 1 || Ways == 2 || Ways == 4 || Ways == 8);

public:
    /// Forgets every key (the image was drawn afresh).
    void clear() { m_keys.clear(); }
    /// Asks for the bucket of `key` to be brought into the cache: buckets are reached at random
    /// in a table larger than the cache, so a caller that checks many drawings looks them up a
    /// few ahead.
    void prefetch(std::uint64_t key) {
        if (m_keys.empty()) m_keys.assign(kSlots, 0);
        __builtin_prefetch(bucket(key), 1);
    }
    /// True when `key` was drawn already; otherwise remembers it (unless it is 0, the key of a
    /// drawing that is always done) and returns false.
    bool seen(std::uint64_t key) {
        if (key == 0) return false;
        if (m_keys.empty()) m_keys.assign(kSlots, 0);
        std::uint64_t* b = bucket(key);
        // Nearly every drawing of a closed orbit was done already, in any slot of its bucket:
        // all are compared without a branch, which would be mispredicted at every lookup.
        bool hit = false;
        for (std::size_t i = 0; i < Ways; ++i) hit |= b[i] == key;
        if (hit) return true;
        if constexpr (Ways == 1) {
            *b = key;
            return false;
        }
        // Keys fill a bucket from its front: a new one goes to the first empty slot.
        for (std::size_t i = 0; i < Ways; ++i) {
            if (b[i] == 0) {
                b[i] = key;
                return false;
            }
        }
        // A full bucket: the key's own low bits pick the key it replaces (the high bits chose
        // the bucket), a choice as good as random and free of any state.
        b[(key >> 1) & (Ways - 1)] = key;
        return false;
    }

private:
    static constexpr int kSlotBits = 18;
    static constexpr int kBucketBits = kSlotBits - (Ways == 8 ? 3 : Ways == 4 ? 2 : Ways == 2);
    static constexpr int kShift = 64 - kBucketBits;
    static constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
    std::uint64_t* bucket(std::uint64_t key) { return &m_keys[(key >> kShift) * Ways]; }
    // 0: empty slot. The table takes 2 MB aligned on 2 MB, so that each bucket is one cache line
    // and a kernel that hands out huge pages by itself may give the table one.
    std::vector<std::uint64_t, ChunkAllocator<std::uint64_t>> m_keys;
};

} // namespace gyro
