// Vector drawing of the 3D scene: polylines thinned to the output resolution, then the overlays.
#include "draw3d/scenevector.h"
#include "numerics/constants.h"
#include "settings/outputfile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

QColor rgbColour(SceneRgb rgb) {
    return QColor::fromRgb(static_cast<QRgb>(0xFF000000u | rgb));
}

// Thinning of traces in PDF files: one view pixel, about 0.17 mm on an A4 page.
constexpr double kPdfStepPixels = 1.0;

bool finitePoint(const QPointF& p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// The twelve edges of the frame cube as pairs of corner numbers (bit 0: x, bit 1: y, bit 2: z).
constexpr int kCubeEdges[12][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {0, 2}, {1, 3},
                                   {4, 6}, {5, 7}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

void paintBackdrop(QPainter& p, const Scene3D& scene, const ViewCamera& camera,
                   const RenderOptions& options) {
    const QSize vp = camera.viewport();
    QLinearGradient shade(0, 0, 0, vp.height());
    shade.setColorAt(0, options.darkBackground ? QColor(38, 42, 50) : QColor(255, 255, 255));
    shade.setColorAt(1, options.darkBackground ? QColor(22, 24, 29) : QColor(236, 239, 244));
    p.fillRect(QRect(QPoint(0, 0), vp), shade);

    const QColor grey = options.darkBackground ? QColor(150, 156, 168) : QColor(120, 126, 138);
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
        for (const auto& e : kCubeEdges) p.drawLine(corner(e[0]), corner(e[1]));
    }
    if (!options.showAxes) return;
    // Axis length as the overlay's names expect it: beyond the frame, or beyond the content.
    double length = 1.0;
    if (scene.frameExtent() > 0) {
        length = scene.frameExtent() * 1.25;
    } else if (scene.bounds().valid) {
        const Bounds3d& b = scene.bounds();
        const double reach = std::max({std::abs(b.min.x), std::abs(b.min.y), std::abs(b.min.z),
                                       std::abs(b.max.x), std::abs(b.max.y), std::abs(b.max.z)});
        if (reach > 0) length = reach * 1.15;
    }
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

void paintCircles(QPainter& p, const Scene3D& scene, const ViewCamera& camera) {
    constexpr int kSides = 256;
    constexpr double kTwoPi = 2 * Pi;
    p.setBrush(Qt::NoBrush);
    for (const SceneCircle& c : scene.circles()) {
        QPolygonF ring;
        ring.reserve(kSides + 1);
        for (int i = 0; i <= kSides; ++i)
            ring << camera.project({c.radius * std::cos(kTwoPi * i / kSides),
                                    c.radius * std::sin(kTwoPi * i / kSides), 0});
        p.setPen(QPen(rgbColour(c.rgb), c.width));
        p.drawPolyline(ring);
    }
}

// Collects the traces into polylines, one per piece and colour, dropping points that move
// less than the output can show.
class PolylineThinner {
public:
    PolylineThinner(QPainter& p, double width, double minStep)
        : m_p(p), m_width(std::max(1.0, width)), m_minStep(minStep) {}

    void add(const QPointF& at, SceneRgb rgb, bool startsPiece, bool endsPiece) {
        if (!finitePoint(at)) {
            flush(); // a point that cannot be drawn breaks the line
            return;
        }
        if (startsPiece || m_line.isEmpty()) {
            flush();
            m_rgb = rgb;
            m_line << at;
            return;
        }
        if (rgb != m_rgb) {
            // The segment into a point belongs to the new colour: start from the last point.
            const QPointF last = m_line.back();
            if (m_pending) m_line << *m_pending;
            const QPointF from = m_pending ? *m_pending : last;
            flush();
            m_rgb = rgb;
            m_line << from;
        }
        const QPointF last = m_line.back();
        if (!endsPiece && std::abs(at.x() - last.x()) + std::abs(at.y() - last.y()) < m_minStep) {
            m_pending = at; // merged, but kept if the piece ends before another is drawn
            return;
        }
        m_line << at;
        m_pending.reset();
    }

    void flush() {
        if (m_pending) m_line << *m_pending;
        m_pending.reset();
        if (m_line.isEmpty()) return;
        const QColor colour = rgbColour(m_rgb);
        if (m_line.size() == 1) {
            m_p.setPen(Qt::NoPen);
            m_p.setBrush(colour);
            m_p.drawEllipse(m_line.front(), m_width, m_width);
        } else {
            m_p.setPen(QPen(colour, m_width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            m_p.setBrush(Qt::NoBrush);
            m_p.drawPolyline(m_line);
        }
        m_line.clear();
    }

private:
    QPainter& m_p;
    double m_width;
    double m_minStep;
    QPolygonF m_line;
    std::optional<QPointF> m_pending;
    SceneRgb m_rgb = 0;
};

void paintTraces(QPainter& p, const Scene3D& scene, const ViewCamera& camera, double minStep) {
    PolylineThinner thinner(p, scene.lineWidth(), minStep);
    const std::size_t count = scene.pointCount();
    for (std::size_t i = 0; i < count; ++i) {
        const TracePoint& tp = scene.rawPoint(i);
        const bool ends = i + 1 >= count || scene.rawPoint(i + 1).startsPiece();
        thinner.add(camera.project(scene.pointAt(i)), tp.rgb(), tp.startsPiece(), ends);
    }
    thinner.flush();
}

void paintArrows(QPainter& p, const Scene3D& scene, const ViewCamera& camera) {
    for (const SceneSegment& s : scene.segments()) {
        const QPointF a = camera.project(s.a), b = camera.project(s.b);
        if (!finitePoint(a) || !finitePoint(b)) continue;
        p.setPen(QPen(rgbColour(s.rgb), 1.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(a, b);
        const QPointF d = b - a;
        const double len = std::hypot(d.x(), d.y());
        if (!s.head || !(len >= 4.0)) continue;
        // Head: two barbs at ±25° from the shaft, a third of it at most.
        const double h = std::clamp(0.3 * len, 3.0, 9.0);
        const QPointF u = d / len;
        const double c = std::cos(25 * Pi / 180), n = std::sin(25 * Pi / 180);
        p.drawLine(b, b - h * QPointF(c * u.x() - n * u.y(), n * u.x() + c * u.y()));
        p.drawLine(b, b - h * QPointF(c * u.x() + n * u.y(), -n * u.x() + c * u.y()));
    }
}

} // namespace

void paintSceneVector(QPainter& p, const Scene3D& scene, const ViewCamera& camera,
                      const RenderOptions& options, double minStepPixels) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(QRect(QPoint(0, 0), camera.viewport()), Qt::IntersectClip);
    paintBackdrop(p, scene, camera, options);
    paintCircles(p, scene, camera);
    paintTraces(p, scene, camera, minStepPixels > 0 ? minStepPixels : 0.5);
    paintArrows(p, scene, camera);
    RenderOptions overlay = options;
    overlay.pixelRatio = 1.0; // the painter is in viewport pixels already
    SceneRenderer::drawOverlay(p, scene, camera, overlay);
    p.restore();
}

QPageLayout scenePageLayout(QSize viewport) {
    return QPageLayout(QPageSize(QPageSize::A4),
                       viewport.width() >= viewport.height() ? QPageLayout::Landscape
                                                             : QPageLayout::Portrait,
                       QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

bool exportScenePdf(const Scene3D& scene, ViewCamera camera, QSize viewport, const QString& file,
                    QString* error, const RenderOptions& options) {
    const auto fail = [&](const QString& message) {
        if (error) *error = message;
        return false;
    };
    if (file.isEmpty()) return fail(QStringLiteral("No file name given for the PDF file."));
    if (viewport.width() < 1 || viewport.height() < 1 || viewport.width() > 20000 ||
        viewport.height() > 20000)
        return fail(QStringLiteral("View size %1 x %2 is out of range (1 to 20000 pixels).")
                        .arg(viewport.width())
                        .arg(viewport.height()));
    camera.setViewport(viewport);
    if (const FileResult check = CheckOutputPath(file.toStdString()); !check.ok)
        return fail(QString::fromStdString(check.message));
    QByteArray bytes;
    {
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        constexpr int kDpi = 600;
        QPdfWriter writer(&out);
        writer.setResolution(kDpi);
        const QPageLayout layout = scenePageLayout(viewport);
        writer.setPageLayout(layout);
        writer.setCreator(QStringLiteral("Gyrotrace"));
        writer.setTitle(QString::fromStdString(scene.title()));
        QPainter p;
        if (!p.begin(&writer)) {
            return fail(
                QStringLiteral("Cannot start the PDF file %1.").arg(QFileInfo(file).fileName()));
        }
        // The view fitted to the page, its shape kept.
        const QSizeF page = layout.paintRectPixels(kDpi).size();
        const double k =
            std::min(page.width() / viewport.width(), page.height() / viewport.height());
        p.translate((page.width() - k * viewport.width()) / 2,
                    (page.height() - k * viewport.height()) / 2);
        p.scale(k, k);
        paintSceneVector(p, scene, camera, options, kPdfStepPixels);
        p.end();
    }
    // Through the one writer: a device stays a device, the old file stays whole on failure.
    const FileResult written = WriteFileReplacing(file.toStdString(), bytes.toStdString());
    if (!written.ok) return fail(QString::fromStdString(written.message));
    if (error) error->clear();
    return true;
}

} // namespace gyro
