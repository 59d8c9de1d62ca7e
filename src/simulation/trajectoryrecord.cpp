// Recording accepted steps with even thinning.
#include "trajectoryrecord.h"

#include <algorithm>

namespace gyro {

TrajectoryRecord::TrajectoryRecord(std::size_t budget)
    : m_budget(std::max<std::size_t>(budget + budget % 2, 16)) {}

void TrajectoryRecord::add(const TrajectorySample& s) {
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (m_samples.size() >= m_budget) {
        // Keep samples 0, 2, 4, ...: the record keeps its first step and an even spacing.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < m_samples.size(); i += 2) m_samples[kept++] = m_samples[i];
        m_samples.resize(kept);
        m_stride *= 2; // with an even budget the incoming sample falls on the new spacing
    }
    m_samples.push_back(s);
    m_skip = m_stride - 1;
}

void TrajectoryRecord::clear() {
    m_samples.clear();
    m_stride = 1;
    m_skip = 0;
}

} // namespace gyro
