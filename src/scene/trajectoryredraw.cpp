// Redrawing a recorded trajectory through KelT and plot, a slice of points at a time.
#include "scene/trajectoryredraw.h"
#include "numerics/constants.h"

#include "simulation/trajectoryrecord.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {
bool finitePosition(const TrajectorySample& s) {
    return std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z);
}
} // namespace

TrajectoryRedraw::TrajectoryRedraw(KelMirav& drawing) : m_drawing(drawing) {}

bool TrajectoryRedraw::start(const TrajectoryRecord& record, const RedrawStyle& style) {
    // Sharing the record's samples costs nothing at the click; the points are read from the
    // snapshot slice by slice as they are drawn, so no copy of a million samples holds the
    // window. Only the box is found here, in one read-only pass: the view is set up from it.
    m_samples = record.snapshot();
    m_sample = 0;
    m_gap = false;
    m_next = 0;
    m_total = 0;
    Vecteur3 low(HUGE_VAL, HUGE_VAL, HUGE_VAL), high(-HUGE_VAL, -HUGE_VAL, -HUGE_VAL);
    for (std::size_t i = 0; i < m_samples.size(); ++i) {
        const TrajectorySample& s = m_samples[i];
        if (!finitePosition(s)) continue;
        ++m_total;
        const Vecteur3 p(s.x, s.y, s.z);
        for (int k = 1; k <= 3; ++k) {
            low(k) = std::min(low(k), p(k));
            high(k) = std::max(high(k), p(k));
        }
    }
    if (m_total == 0) {
        m_samples = {};
        return false;
    }

    // The box's half-diagonal bounds every point's distance from its centre.
    Vecteur3 centre, half;
    for (int k = 1; k <= 3; ++k) {
        centre(k) = (low(k) + high(k)) / 2;
        half(k) = (high(k) - low(k)) / 2;
    }
    const double reach = normseule(half);
    m_halfWidth = reach > 0 ? 1.1 * reach : std::max(1e-6, 0.1 * normseule(centre));
    m_scale = kRedrawFrameUnits / (2 * m_halfWidth);

    KelMirav& k = m_drawing;
    k.scene.depthFactor = k.options.AstreOpaque != 0 ? 1 : 0;
    k.scene.bodyRadius = 0;
    k.scene.discRadius = style.discRadius;
    k.scene.cubeOn = style.cubicView;
    k.scene.cubeSize = 0;
    k.scene.cubeCentre = centre;
    k.scene.storePoints = 0;

    // KelT centres the view on R(ω, i, Ω)·(r, 0, 0): with ω = 90° this is the point of longitude
    // Ω + 90° and latitude i at distance r.
    const double r = normseule(centre);
    const double latitude = r > 0 ? std::asin(std::clamp(centre(3) / r, -1.0, 1.0)) : 0;
    const double longitude = std::atan2(centre(2), centre(1));
    const double toDeg = 180 / Pi;
    k.KelT(r, 90, latitude * toDeg, longitude * toDeg - 90, m_halfWidth, m_scale);
    if (ViewSurface* surface = k.surface()) surface->SetColour(style.red, style.green, style.blue);
    k.startFigure();
    return true;
}

bool TrajectoryRedraw::advance(std::chrono::nanoseconds budget, std::size_t maxPoints) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + budget;
    constexpr std::size_t kBatch = 2048; // points between looks at the clock
    const std::size_t last = m_next + std::min(maxPoints, m_total - m_next);
    while (m_next < last) {
        const std::size_t stop = std::min(last, m_next + kBatch);
        // m_total counts the finite positions, so the snapshot holds a point for every m_next.
        while (m_next < stop) {
            const std::size_t i = m_sample++;
            const TrajectorySample& s = m_samples[i];
            m_gap = m_gap || m_samples.startsPiece(i);
            if (!finitePosition(s)) {
                m_gap = true;
                continue;
            }
            if (m_gap) m_drawing.PenLift();
            m_gap = false;
            m_drawing.plot(Vecteur3(s.x, s.y, s.z));
            ++m_next;
        }
        if (Clock::now() >= end) break;
    }
    if (done()) m_samples = {}; // the record's memory is the record's again
    return done();
}

} // namespace gyro
