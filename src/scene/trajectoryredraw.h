// Redrawing a run's recorded trajectory in a view through KelT and plot, in time slices.
#pragma once

#include "scene/kelmirav.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gyro {

class TrajectoryRecord;

/// How the view of a redraw is set up: trace colour, box, hiding by the central body.
struct RedrawStyle {
    double red = 0, green = 0, blue = 0; ///< trace colour, 0..255
    double cubicView = 0;                ///< 1: "Cubic Visualisation"
    double discRadius = 0;               ///< disc of the central body [m] when it is opaque
};

/// One redraw: start() copies the trajectory's positions and sets the view up with KelT around
/// them; advance() plots points until its time budget is spent, so the caller's event loop runs
/// between slices. The curve breaks wherever the record dropped steps, so that a thinned run is
/// drawn as pieces of its orbit, never as chords across it.
class TrajectoryRedraw {
public:
    explicit TrajectoryRedraw(KelMirav& drawing);

    /// Takes the positions of `record` (the record may change afterwards) and sets the current
    /// view up: centre of the trajectory's bounding box, half-width 1.1 times its half-diagonal.
    /// Returns false (and draws nothing) for an empty trajectory.
    bool start(const TrajectoryRecord& record, const RedrawStyle& style);
    /// Plots points for about `budget` of wall time, and at most `maxPoints` of them. Returns
    /// true once every point is drawn.
    bool advance(std::chrono::nanoseconds budget, std::size_t maxPoints = SIZE_MAX);

    bool done() const { return m_next >= m_points.size(); }
    std::size_t drawn() const { return m_next; }
    std::size_t size() const { return m_points.size(); }
    /// Half-width [m] and scale [image units per m] the view was set up with.
    double halfWidth() const { return m_halfWidth; }
    double scale() const { return m_scale; }

private:
    KelMirav& m_drawing;
    std::vector<Vecteur3> m_points;
    std::vector<std::uint8_t> m_lift; // 1: lift the pen before this point (a gap in the record)
    std::size_t m_next = 0;
    double m_halfWidth = 0;
    double m_scale = 0;
};

/// Image units across the frame of a redrawn view: the scale is this over twice the half-width.
inline constexpr double kRedrawFrameUnits = 660;

} // namespace gyro
