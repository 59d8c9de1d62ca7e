// Redrawing a recorded trajectory through KelT and plot, a slice of points at a time.
#include "scene/trajectoryredraw.h"
#include "numerics/constants.h"

#include "simulation/trajectoryrecord.h"

#include <algorithm>
#include <cmath>

namespace gyro {

TrajectoryRedraw::TrajectoryRedraw(KelMirav& drawing) : m_drawing(drawing) {}

bool TrajectoryRedraw::start(const TrajectoryRecord& record, const RedrawStyle& style) {
    m_points.clear();
    m_lift.clear();
    m_next = 0;
    m_points.reserve(record.size());
    m_lift.reserve(record.size());
    bool gap = false;
    Vecteur3 low(HUGE_VAL, HUGE_VAL, HUGE_VAL), high(-HUGE_VAL, -HUGE_VAL, -HUGE_VAL);
    for (std::size_t i = 0; i < record.size(); ++i) {
        const TrajectorySample& s = record[i];
        const Vecteur3 p(s.x, s.y, s.z);
        gap = gap || record.startsPiece(i);
        if (!std::isfinite(s.x) || !std::isfinite(s.y) || !std::isfinite(s.z)) {
            gap = true;
            continue;
        }
        m_points.push_back(p);
        m_lift.push_back(gap ? 1 : 0);
        gap = false;
        for (int k = 1; k <= 3; ++k) {
            low(k) = std::min(low(k), p(k));
            high(k) = std::max(high(k), p(k));
        }
    }
    if (m_points.empty()) return false;

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
    const std::size_t last = m_next + std::min(maxPoints, m_points.size() - m_next);
    while (m_next < last) {
        const std::size_t stop = std::min(last, m_next + kBatch);
        for (; m_next < stop; ++m_next) {
            if (m_lift[m_next]) m_drawing.PenLift();
            m_drawing.plot(m_points[m_next]);
        }
        if (Clock::now() >= end) break;
    }
    return done();
}

} // namespace gyro
