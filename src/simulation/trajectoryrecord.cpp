// Recording accepted steps, thinned by whole pieces of consecutive steps.
#include "simulation/trajectoryrecord.h"

#include <algorithm>

namespace gyro {

namespace {
// Pieces a record of the given budget holds at least: short enough that the record still spans
// the run evenly, long enough (up to kMaxPiece steps) to draw many steps of a gyration each.
constexpr std::size_t kMinPieces = 64;

std::size_t pieceFor(std::size_t budget) {
    return std::clamp<std::size_t>(budget / kMinPieces, 1, TrajectoryRecord::kMaxPiece);
}

// The budget rounded up to a whole even number of pieces, so that a halving keeps whole pieces
// and the incoming step starts a kept piece.
std::size_t budgetFor(std::size_t budget) {
    const std::size_t pair = 2 * pieceFor(budget);
    budget = std::max<std::size_t>(budget, 16);
    return (budget + pair - 1) / pair * pair;
}
} // namespace

TrajectoryRecord::TrajectoryRecord(std::size_t budget)
    : m_piece(pieceFor(budget)), m_budget(budgetFor(budget)) {}

void TrajectoryRecord::add(const TrajectorySample& s) {
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (m_size >= m_budget) {
        // Keep pieces 0, 2, 4, ...: the record keeps its first step and an even spacing. The
        // budget is a whole even number of pieces, so the incoming sample starts a kept piece
        // of the new spacing.
        std::size_t kept = 0;
        for (std::size_t first = 0; first < m_size; first += 2 * m_piece) {
            const std::size_t end = std::min(m_size, first + m_piece);
            for (std::size_t i = first; i < end; ++i) {
                m_chunks[kept / kChunkSize][kept % kChunkSize] = (*this)[i];
                ++kept;
            }
        }
        m_size = kept;
        m_chunks.resize((kept + kChunkSize - 1) / kChunkSize);
        if (!m_chunks.empty()) m_chunks.back().resize(kept - (m_chunks.size() - 1) * kChunkSize);
        m_stride *= 2;
        m_inPiece = 0;
    }
    if (m_chunks.empty() || m_chunks.back().size() == kChunkSize) {
        m_chunks.emplace_back();
        m_chunks.back().reserve(kChunkSize);
    }
    m_chunks.back().push_back(s);
    ++m_size;
    // Once thinned, a whole piece is recorded, then the steps of the dropped pieces skipped.
    if (m_stride > 1 && ++m_inPiece == m_piece) {
        m_inPiece = 0;
        m_skip = (m_stride - 1) * m_piece;
    }
}

void TrajectoryRecord::clear() {
    m_chunks.clear();
    m_size = 0;
    m_stride = 1;
    m_skip = 0;
    m_inPiece = 0;
}

} // namespace gyro
