// Redrawing a run's recorded trajectory in a view through KelT and plot, in time slices.
#pragma once

#include "scene/kelmirav.h"
#include "simulation/trajectoryrecord.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gyro {

/// How the view of a redraw is set up: trace colour, box, hiding by the central body.
struct RedrawStyle {
    double red = 0, green = 0, blue = 0; ///< trace colour, 0..255
    double cubicView = 0;                ///< 1: "Cubic Visualisation"
    double discRadius = 0;               ///< disc of the central body [m] when it is opaque
};

/// One redraw: start() takes a snapshot of the record (shared, not copied), finds the box of its
/// positions and sets the view up with KelT around them; advance() plots points until its time
/// budget is spent, so the caller's event loop runs between slices. The curve breaks wherever the
/// record dropped steps, so that a thinned run is drawn as pieces of its orbit, never as chords
/// across it.
class TrajectoryRedraw {
public:
    explicit TrajectoryRedraw(KelMirav& drawing);

    /// Takes the samples of `record` as they stand (the record may change afterwards) and sets the
    /// current view up: centre of the trajectory's bounding box, half-width 1.1 times its
    /// half-diagonal. Returns false (and draws nothing) for an empty trajectory.
    bool start(const TrajectoryRecord& record, const RedrawStyle& style);
    /// Plots points for about `budget` of wall time, and at most `maxPoints` of them. Returns
    /// true once every point is drawn.
    bool advance(std::chrono::nanoseconds budget, std::size_t maxPoints = SIZE_MAX);

    bool done() const { return m_next >= m_total; }
    /// Points drawn so far, and points to draw in all (the samples with a finite position).
    std::size_t drawn() const { return m_next; }
    std::size_t size() const { return m_total; }
    /// Half-width [m] and scale [image units per m] the view was set up with.
    double halfWidth() const { return m_halfWidth; }
    double scale() const { return m_scale; }

private:
    KelMirav& m_drawing;
    TrajectoryRecord::Snapshot m_samples;
    std::size_t m_sample = 0; // next sample of the snapshot to look at
    bool m_gap = false;       // lift the pen before the next point (a gap in the record)
    std::size_t m_total = 0;
    std::size_t m_next = 0;
    double m_halfWidth = 0;
    double m_scale = 0;
};

/// Image units across the frame of a redrawn view: the scale is this over twice the half-width.
inline constexpr double kRedrawFrameUnits = 660;

} // namespace gyro
