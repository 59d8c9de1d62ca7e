// The recorded trajectory of a run: every accepted step, thinned evenly to a budget.
#pragma once

#include <cstddef>
#include <vector>

namespace gyro {

/// One accepted step: time [s], position [m], velocity [m/s].
struct TrajectorySample {
    double t, x, y, z, vx, vy, vz;
};

/// The samples of a run. Up to the budget every accepted step is kept; past it every other
/// sample is dropped and from then on only every second (fourth, ...) step is kept, so the
/// record always spans the whole run evenly with bounded memory (56 bytes a sample). Samples
/// live in chunks of fixed size, so that a growing record never moves what it holds.
class TrajectoryRecord {
public:
    static constexpr std::size_t kDefaultBudget = 1'000'000;
    static constexpr std::size_t kChunkSize = 1 << 16;

    explicit TrajectoryRecord(std::size_t budget = kDefaultBudget);
    void add(const TrajectorySample& s);
    void clear();
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const TrajectorySample& operator[](std::size_t i) const {
        return m_chunks[i / kChunkSize][i % kChunkSize];
    }
    /// One sample kept for every `stride()` accepted steps.
    std::size_t stride() const { return m_stride; }

private:
    std::vector<std::vector<TrajectorySample>> m_chunks;
    std::size_t m_size = 0;
    std::size_t m_budget;
    std::size_t m_stride = 1;
    std::size_t m_skip = 0;
};

} // namespace gyro
