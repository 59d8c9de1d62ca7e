// The recorded trajectory of a run: every accepted step, thinned evenly to a budget.
#pragma once

#include "simulation/decimatingseries.h"

#include <cstddef>

namespace gyro {

/// One accepted step: time [s], position [m], velocity [m/s].
struct TrajectorySample {
    double t, x, y, z, vx, vy, vz;
};

/// The samples of a run. Up to the budget every accepted step is kept. Past it the record thins
/// by whole pieces of consecutive steps: every other piece is dropped and from then on one piece
/// is kept in every second (fourth, ...) piece of the run, so the record spans the whole run
/// evenly with bounded memory (56 bytes a sample). Keeping whole pieces keeps the motion within
/// a piece at full resolution: a curve through a piece stays on the orbit, where one through
/// every k-th step would cut chords across each gyration. Samples live in chunks of fixed size,
/// so that a growing record never moves what it holds.
class TrajectoryRecord {
public:
    static constexpr std::size_t kDefaultBudget = 1'000'000;
    static constexpr std::size_t kChunkSize = 1 << 16;
    /// The samples as they stand now, shared rather than copied; the record may go on growing,
    /// thinning or be cleared without changing them.
    using Snapshot = DecimatingSeries<TrajectorySample, kChunkSize>::Snapshot;

    explicit TrajectoryRecord(std::size_t budget = kDefaultBudget);
    void add(const TrajectorySample& s) { m_samples.add(s); }
    void clear() { m_samples.clear(); }
    std::size_t size() const { return m_samples.size(); }
    bool empty() const { return m_samples.empty(); }
    const TrajectorySample& operator[](std::size_t i) const { return m_samples[i]; }
    /// One sample kept for every `stride()` accepted steps (on average: one piece in `stride()`).
    std::size_t stride() const { return m_samples.stride(); }
    /// Consecutive accepted steps kept together once the record thins (at most kMaxPiece).
    std::size_t pieceLength() const { return m_samples.pieceLength(); }
    /// Whether sample i follows a gap (steps between it and sample i - 1 were dropped): a curve
    /// drawn through the record lifts its pen there.
    bool startsPiece(std::size_t i) const { return m_samples.startsPiece(i); }
    Snapshot snapshot() const { return m_samples.snapshot(); }

    static constexpr std::size_t kMaxPiece = 256;

private:
    DecimatingSeries<TrajectorySample, kChunkSize> m_samples;
};

} // namespace gyro
