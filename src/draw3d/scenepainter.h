// The parts of the 3D scene drawn the same way on every device: backdrop, frame cube and axes,
// circles and the geometry of the arrows. The image renderer and the vector painter both use
// them, so that the screen, PNG and PDF cannot disagree.
#pragma once

#include "draw3d/scenerenderer.h"

#include <QColor>
#include <QLineF>

#include <cmath>
#include <cstddef>

class QPainter;

namespace gyro {

/// A scene colour as an opaque QColor.
QColor sceneColour(SceneRgb rgb);
/// Colour of the axes, the cube and their names for these options.
QColor sceneAxisColour(const RenderOptions& options);
/// Length (m) of the drawn axes: a little beyond the frame, or beyond what was drawn; 1 m when
/// there is neither.
double sceneAxisLength(const Scene3D& scene);

/// Fills `viewport` (pixels from the painter's origin) with the background's gentle gradient.
void paintBackdrop(QPainter& painter, QSize viewport, const RenderOptions& options);
/// Draws the dashed frame cube (when the scene asks for it) and, when shown, the axes through
/// the origin: solid positive halves, faint dotted negative ones.
void paintFrame(QPainter& painter, const Scene3D& scene, const ViewCamera& camera,
                const RenderOptions& options);
/// Draws the scene's circles from number `from` on, in the xy plane about the origin.
void paintCircles(QPainter& painter, const Scene3D& scene, const ViewCamera& camera,
                  std::size_t from = 0);

/// Calls `line(QLineF)` for the shaft from `a` to `b` (pixels) and, when `head` is set and the
/// shaft is long enough to show one, the two barbs of its head.
template <class Line> void arrowLines(const QPointF& a, const QPointF& b, bool head, Line&& line) {
    line(QLineF(a, b));
    const QPointF d = b - a;
    const double len = std::hypot(d.x(), d.y());
    if (!head || !(len >= 4.0)) return;
    // Head: two barbs at ±25° from the shaft, a third of it at most.
    const double h = std::clamp(0.3 * len, 3.0, 9.0);
    const QPointF u = d / len;
    constexpr double c = 0.90630778703665, n = 0.42261826174070; // cos, sin 25°
    line(QLineF(b, b - h * QPointF(c * u.x() - n * u.y(), n * u.x() + c * u.y())));
    line(QLineF(b, b - h * QPointF(c * u.x() + n * u.y(), -n * u.x() + c * u.y())));
}

/// Calls `colour(rgb)` when the colour changes and `line(QLineF)` for the shaft and the two
/// barbs of each arrow [from, to) of the scene, in viewport pixels: the arrows' one geometry,
/// drawn by the painter on vector devices and by the fast line rasteriser on images. An arrow
/// for which `skip(a, b, segment)` (its ends in pixels) says true is left out.
template <class Colour, class Line, class Skip>
void forEachArrowLine(const Scene3D& scene, const ViewCamera& camera, std::size_t from,
                      std::size_t to, Colour&& colour, Line&& line, Skip&& skip) {
    const auto& segs = scene.segments();
    to = std::min(to, segs.size());
    bool first = true;
    SceneRgb current = 0;
    for (std::size_t k = from; k < to; ++k) {
        const SceneSegment& s = segs[k];
        const QPointF a = camera.project(s.a), b = camera.project(s.b());
        if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
            !std::isfinite(b.y()))
            continue;
        if (skip(a, b, s)) continue;
        if (first || s.rgb != current) colour(s.rgb);
        first = false;
        current = s.rgb;
        arrowLines(a, b, s.head(), line);
    }
}

/// The same with every arrow drawn.
template <class Colour, class Line>
void forEachArrowLine(const Scene3D& scene, const ViewCamera& camera, std::size_t from,
                      std::size_t to, Colour&& colour, Line&& line) {
    forEachArrowLine(scene, camera, from, to, colour, line,
                     [](const QPointF&, const QPointF&, const SceneSegment&) { return false; });
}

} // namespace gyro
