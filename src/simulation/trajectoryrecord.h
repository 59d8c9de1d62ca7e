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
/// record always spans the whole run evenly with bounded memory (56 bytes a sample).
class TrajectoryRecord {
public:
    static constexpr std::size_t kDefaultBudget = 2'000'000;

    explicit TrajectoryRecord(std::size_t budget = kDefaultBudget);
    void add(const TrajectorySample& s);
    void clear();
    const std::vector<TrajectorySample>& samples() const { return m_samples; }
    /// One sample kept for every `stride()` accepted steps.
    std::size_t stride() const { return m_stride; }

private:
    std::vector<TrajectorySample> m_samples;
    std::size_t m_budget;
    std::size_t m_stride = 1;
    std::size_t m_skip = 0;
};

} // namespace gyro
