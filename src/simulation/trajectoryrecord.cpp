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
    if (m_size >= m_budget) {
        // Keep samples 0, 2, 4, ...: the record keeps its first step and an even spacing. With
        // an even budget the incoming sample falls on the new spacing.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < m_size; i += 2) {
            m_chunks[kept / kChunkSize][kept % kChunkSize] = (*this)[i];
            ++kept;
        }
        m_size = kept;
        m_chunks.resize((kept + kChunkSize - 1) / kChunkSize);
        if (!m_chunks.empty()) m_chunks.back().resize(kept - (m_chunks.size() - 1) * kChunkSize);
        m_stride *= 2;
    }
    if (m_chunks.empty() || m_chunks.back().size() == kChunkSize) {
        m_chunks.emplace_back();
        m_chunks.back().reserve(kChunkSize);
    }
    m_chunks.back().push_back(s);
    ++m_size;
    m_skip = m_stride - 1;
}

void TrajectoryRecord::clear() {
    m_chunks.clear();
    m_size = 0;
    m_stride = 1;
    m_skip = 0;
}

} // namespace gyro
