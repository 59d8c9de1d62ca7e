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
} // namespace

TrajectoryRecord::TrajectoryRecord(std::size_t budget)
    : m_samples(std::max<std::size_t>(budget, 16), pieceFor(budget)) {}

} // namespace gyro
