// Vector drawing of the 3D scene: polylines thinned to the output resolution, then the overlays.
#include "draw3d/scenevector.h"
#include "draw3d/scenepainter.h"
#include "settings/outputfile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

// Thinning of traces in PDF files: one view pixel, about 0.17 mm on an A4 page.
constexpr double kPdfStepPixels = 1.0;

bool finitePoint(const QPointF& p) {
    return std::isfinite(p.x()) && std::isfinite(p.y());
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
        const QColor colour = sceneColour(m_rgb);
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

} // namespace

void paintSceneVector(QPainter& p, const Scene3D& scene, const ViewCamera& camera,
                      const RenderOptions& options, double minStepPixels) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(QRect(QPoint(0, 0), camera.viewport()), Qt::IntersectClip);
    paintBackdrop(p, camera.viewport(), options);
    paintFrame(p, scene, camera, options);
    paintCircles(p, scene, camera);
    paintTraces(p, scene, camera, minStepPixels > 0 ? minStepPixels : 0.5);
    forEachArrowLine(
        scene, camera, 0, scene.segments().size(),
        [&p](SceneRgb rgb) { p.setPen(QPen(sceneColour(rgb), 1.0, Qt::SolidLine, Qt::RoundCap)); },
        [&p](const QLineF& line) { p.drawLine(line); });
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
