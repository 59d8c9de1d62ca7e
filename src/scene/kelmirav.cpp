// The projective drawing's state: construction, views, pens and the stored points.
#include "scene/kelmirav.h"

#include <cmath>

namespace gyro {

KelMirav::KelMirav()
    : m_images(std::size_t(kStoredViews) * kMaxStoredPoints),
      m_worlds(std::size_t(kStoredViews) * kMaxStoredPoints) {}

void KelMirav::setSurface(ViewSurface* surface) {
    m_surface = surface;
    m_lastView = -1; // the next point selects its view on the new surface
}

int KelMirav::viewIndex() const {
    if (!std::isfinite(currentView)) return -1;
    const double v = std::nearbyint(currentView);
    return (v >= 0 && v < kDrawingViews) ? static_cast<int>(v) : -1;
}

void KelMirav::switchView(int view) {
    if (view == m_lastView) return;
    m_window = m_windows[std::size_t(view)];
    m_lastView = view;
    if (m_surface) m_surface->selectView(view, m_window);
}

void KelMirav::PenLift() {
    const int view = viewIndex();
    if (view < 0) return;
    for (PenTrack& p : m_pens[std::size_t(view)]) p.penDown = 0;
}

void KelMirav::startFigure() {
    PenLift();
    scene.cubeDrawn = 0;
}

void KelMirav::clearViews() {
    m_windows = {};
    m_halfWidth = {};
    m_keep = {};
    m_zoom = {};
    m_keptScale = {};
    m_unstoredTold = {};
    m_pens = {};
    m_counts = {};
    m_countBox = 0;
    m_window = {};
    m_lastView = -1;
    scene.cubeDrawn = 0;
}

void KelMirav::setCurrentLimits(double left, double top, double right, double bottom) {
    m_window[0] = left;
    m_window[1] = top;
    m_window[2] = right;
    m_window[3] = bottom;
}

const StoredImagePoint& KelMirav::storedImage(int view, int i) const {
    return m_images.at(std::size_t(view) * kMaxStoredPoints + std::size_t(i));
}

const StoredWorldPoint& KelMirav::storedWorld(int view, int i) const {
    return m_worlds.at(std::size_t(view) * kMaxStoredPoints + std::size_t(i));
}

KelMirav& kelMirav() {
    static KelMirav state;
    return state;
}

} // namespace gyro
