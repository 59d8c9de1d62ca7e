// The parts of the 3D scene shared by the image renderer and the vector painter.
#include "draw3d/scenepainter.h"

#include "numerics/constants.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>

namespace gyro {

QColor sceneColour(SceneRgb rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}

QColor sceneAxisColour(const RenderOptions& options) {
    return options.darkBackground ? QColor(150, 156, 168) : QColor(120, 126, 138);
}

double sceneAxisLength(const Scene3D& scene) {
    if (scene.frameExtent() > 0) return scene.frameExtent() * 1.25;
    const Bounds3d& b = scene.bounds();
    if (b.valid) {
        const double m = std::max({std::abs(b.min.x), std::abs(b.min.y), std::abs(b.min.z),
                                   std::abs(b.max.x), std::abs(b.max.y), std::abs(b.max.z)});
        if (m > 0) return m * 1.15;
    }
    return 1.0;
}

void paintBackdrop(QPainter& p, QSize viewport, const RenderOptions& options) {
    QLinearGradient shade(0, 0, 0, viewport.height());
    shade.setColorAt(0, options.darkBackground ? QColor(38, 42, 50) : QColor(255, 255, 255));
    shade.setColorAt(1, options.darkBackground ? QColor(22, 24, 29) : QColor(236, 239, 244));
    p.fillRect(QRect(QPoint(0, 0), viewport), shade);
}

void paintFrame(QPainter& p, const Scene3D& scene, const ViewCamera& camera,
                const RenderOptions& options) {
    const QColor grey = sceneAxisColour(options);
    const double half = scene.frameExtent() > 0 ? scene.frameExtent() : scene.bounds().radius();
    if (scene.cubeOn() && half > 0) {
        const Point3d c = scene.frameCentre();
        const auto corner = [&](int k) {
            return camera.project({c.x + (k & 1 ? half : -half), c.y + (k & 2 ? half : -half),
                                   c.z + (k & 4 ? half : -half)});
        };
        QColor edge = grey;
        edge.setAlpha(150);
        p.setPen(QPen(edge, 1.0, Qt::DashLine));
        // The twelve edges: each corner joined to those that differ from it in one coordinate.
        for (int k = 0; k < 8; ++k)
            for (int bit = 1; bit < 8; bit <<= 1)
                if (!(k & bit)) p.drawLine(corner(k), corner(k | bit));
    }
    if (!options.showAxes) return;
    const double length = sceneAxisLength(scene);
    const QPointF origin = camera.project({0, 0, 0});
    QColor behind = grey;
    behind.setAlpha(110);
    for (int k = 0; k < 3; ++k) {
        const Point3d tip{k == 0 ? length : 0, k == 1 ? length : 0, k == 2 ? length : 0};
        p.setPen(QPen(behind, 1.0, Qt::DotLine));
        p.drawLine(origin, camera.project({-tip.x, -tip.y, -tip.z}));
        p.setPen(QPen(grey, 1.2));
        p.drawLine(origin, camera.project(tip));
    }
}

void paintCircles(QPainter& p, const Scene3D& scene, const ViewCamera& camera, std::size_t from) {
    constexpr int kSides = 256;
    const auto& circles = scene.circles();
    p.setBrush(Qt::NoBrush);
    QPolygonF ring(kSides + 1);
    for (std::size_t k = from; k < circles.size(); ++k) {
        const SceneCircle& c = circles[k];
        for (int i = 0; i <= kSides; ++i) {
            const double t = 2 * Pi * i / kSides;
            ring[i] = camera.project({c.radius * std::cos(t), c.radius * std::sin(t), 0});
        }
        p.setPen(QPen(sceneColour(c.rgb), c.width));
        p.drawPolyline(ring);
    }
}

} // namespace gyro
