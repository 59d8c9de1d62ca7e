// Drawing of the 3D scene: fast traces through the line rasteriser, the rest through QPainter.
#include "draw3d/scenerenderer.h"

#include "draw3d/scenepainter.h"
#include "draw3d/tracedrawer.h"
#include "settings/textfile.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QLocale>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace gyro {

namespace {

QColor inkColour(const RenderOptions& o) {
    return o.darkBackground ? QColor(214, 218, 226) : QColor(52, 56, 66);
}

double dot(const Point3d& a, const Point3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Text with a thin halo of the background colour, readable over any trace.
void haloText(QPainter& p, const QPointF& at, const QString& text, const QColor& ink,
              const QColor& halo) {
    const QPaintEngine* engine = p.paintEngine();
    if (engine && engine->type() == QPaintEngine::Raster) {
        // On images and the screen the halo is the text itself set eight times around its place
        // (a ring 1.5 px wide): glyphs come from the font cache, where stroking their outlines
        // costs more than drawing a whole frame of trace.
        constexpr double d = 1.5, e = 1.06; // e = d / sqrt 2
        static constexpr double ring[8][2] = {{d, 0}, {-d, 0}, {0, d},  {0, -d},
                                              {e, e}, {e, -e}, {-e, e}, {-e, -e}};
        p.setPen(halo);
        for (const auto& o : ring) p.drawText(at + QPointF(o[0], o[1]), text);
        p.setPen(ink);
        p.drawText(at, text);
        return;
    }
    QPainterPath path;
    path.addText(at, p.font(), text);
    p.setPen(QPen(halo, 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    // On vector devices (PDF, printer, recorded picture) the ink stays text, so it can be found.
    if (engine &&
        (engine->type() == QPaintEngine::Pdf || engine->type() == QPaintEngine::Picture)) {
        p.setPen(ink);
        p.drawText(at, text);
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(path);
}

// Arrows are stored in the order they came, each with the number of the trace point it belongs
// to; a thinning drops whole groups of them from the oldest half. The cursor remembers the group
// of the last arrow drawn and how many of that group were drawn, which survives any thinning.
void rememberLastSegment(const Scene3D& scene, DrawCursor& cursor) {
    const auto& segs = scene.segments();
    cursor.segmentGroup = 0;
    cursor.segmentsInGroup = 0;
    // The arrows before cursor.segments are drawn (a picture may be built a part at a time).
    const std::size_t drawn = std::min(cursor.segments, segs.size());
    if (drawn == 0) return;
    cursor.segmentGroup = segs[drawn - 1].group();
    for (std::size_t k = drawn; k-- > 0 && segs[k].group() == cursor.segmentGroup;)
        ++cursor.segmentsInGroup;
}

// The first stored arrow not drawn yet, after a thinning moved them.
std::size_t firstNewSegment(const Scene3D& scene, const DrawCursor& cursor) {
    const auto& segs = scene.segments();
    if (cursor.segmentsInGroup == 0) return 0;
    auto k = std::lower_bound(segs.begin(), segs.end(), cursor.segmentGroup,
                              [](const SceneSegment& s, std::uint64_t g) { return s.group() < g; });
    // Of the last group drawn, those drawn are its first ones (when the thinning kept it).
    std::size_t drawn = 0;
    while (k != segs.end() && k->group() == cursor.segmentGroup && drawn < cursor.segmentsInGroup)
        ++k, ++drawn;
    return static_cast<std::size_t>(k - segs.begin());
}

// Copies points [from, to) of the scene, with the one before (where the line to `from` starts)
// and the one after (whether the last one ends a piece), into `d`'s chunks.
void deferPoints(const Scene3D& scene, std::size_t from, std::size_t to, DeferredContent& d) {
    const std::size_t n = scene.pointCount();
    const std::size_t first = from > 0 ? from - 1 : 0, end = std::min(to + 1, n);
    d.count = n;
    d.from = from;
    d.to = to;
    const auto& chunks = scene.chunks();
    for (std::size_t ci = scene.chunkIndex(first); ci < chunks.size() && chunks[ci].first < end;
         ++ci) {
        const TraceChunk& c = chunks[ci];
        const std::size_t a = std::max(c.first, first), b = std::min(c.end(), end);
        if (d.chunksUsed == d.chunks.size()) d.chunks.emplace_back();
        TraceChunk& copy = d.chunks[d.chunksUsed++];
        copy.origin = c.origin;
        copy.first = a;
        copy.points.assign(c.points.begin() + static_cast<std::ptrdiff_t>(a - c.first),
                           c.points.begin() + static_cast<std::ptrdiff_t>(b - c.first));
    }
}

} // namespace

QRect SceneRenderer::drawDeferred(QImage& image, const ViewCamera& camera, const DeferredContent& d,
                                  DrawCursor& cursor) {
    const TracePoints points{std::span<const TraceChunk>(d.chunks.data(), d.chunksUsed), d.count,
                             nullptr};
    TraceDrawer drawer(image, points, 1.0, camera, &cursor.trace);
    if (d.to > d.from) drawer.drawPoints(d.from, d.to, 1, &cursor);
    drawer.drawArrows(d.arrows, cursor.arrows);
    return drawer.changed();
}

void SceneRenderer::drawContent(QImage& image, const Scene3D& scene, const ViewCamera& camera,
                                const RenderOptions& options, DrawCursor* cursor, int stride,
                                std::size_t maxArrows) {
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintBackdrop(p, image.size(), options);
        paintFrame(p, scene, camera, options);
        paintCircles(p, scene, camera, 0);
    }
    ArrowMemo ownMemo;
    ArrowMemo& memo = cursor ? cursor->arrows : ownMemo;
    memo.clear();
    TraceMemo ownTraceMemo;
    TraceMemo& traceMemo = cursor ? cursor->trace : ownTraceMemo;
    traceMemo.clear();
    DrawCursor ends;
    {
        TraceDrawer drawer(image, scene, camera, &traceMemo);
        drawer.drawPoints(0, scene.pointCount(), std::max(1, stride), &ends);
        const std::size_t arrows = scene.segments().size();
        drawer.drawSegments(arrows - std::min(arrows, maxArrows), arrows, memo);
    }
    if (cursor) {
        skipToEnd(scene, *cursor);
        cursor->pen = ends.pen;
        cursor->penX = ends.penX, cursor->penY = ends.penY;
        cursor->penRgb = ends.penRgb;
    }
}

void SceneRenderer::skipToEnd(const Scene3D& scene, DrawCursor& cursor) {
    cursor.pen = false; // the next trace starts afresh
    cursor.layoutRevision = scene.layoutRevision();
    cursor.points = scene.pointCount();
    cursor.segments = scene.segments().size();
    rememberLastSegment(scene, cursor);
    cursor.circles = scene.circles().size();
    cursor.resetRevision = scene.resetRevision();
    cursor.storedPoints = scene.storedPoints();
    cursor.storedSegments = scene.storedSegments();
}

void SceneRenderer::drawBackdrop(QImage& image, const Scene3D& scene, const ViewCamera& camera,
                                 const RenderOptions& options, DrawCursor& cursor) {
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintBackdrop(p, image.size(), options);
        paintFrame(p, scene, camera, options);
        paintCircles(p, scene, camera, 0);
    }
    cursor.layoutRevision = scene.layoutRevision();
    cursor.resetRevision = scene.resetRevision();
    cursor.points = cursor.segments = 0;
    cursor.pen = false;
    cursor.arrows.clear();
    cursor.trace.clear();
    rememberLastSegment(scene, cursor);
    cursor.circles = scene.circles().size();
    cursor.storedPoints = scene.storedPoints() - scene.pointCount();
    cursor.storedSegments = scene.storedSegments() - scene.segments().size();
}

bool SceneRenderer::drawNewContent(QImage& image, const Scene3D& scene, const ViewCamera& camera,
                                   const RenderOptions& /*options*/, DrawCursor& cursor,
                                   std::size_t maxPoints, std::size_t maxSegments, QRect* changed,
                                   DeferredContent* deferred) {
    if (cursor.layoutRevision != scene.layoutRevision()) {
        if (cursor.resetRevision != scene.resetRevision()) return false;
        // Only thinning since the last drawing: the picture still shows everything it drew.
        // What arrived since is at the end of the store; it (and the point before it, which a
        // line joins) must have come through the thinning untouched.
        const std::uint64_t newPoints = scene.storedPoints() - cursor.storedPoints;
        if (newPoints + 1 > scene.intactPoints()) return false;
        cursor.points = scene.pointCount() - static_cast<std::size_t>(newPoints);
        cursor.segments = firstNewSegment(scene, cursor);
        cursor.layoutRevision = scene.layoutRevision();
    }
    if (cursor.circles < scene.circles().size()) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paintCircles(p, scene, camera, cursor.circles);
        cursor.circles = scene.circles().size();
        if (changed) *changed = image.rect();
    }
    std::size_t to = scene.pointCount();
    // The newest point of a piece may be an isolated dot or the start of a line: wait and see.
    if (to > cursor.points && scene.rawPoint(to - 1).startsPiece()) --to;
    if (to > cursor.points) to = cursor.points + std::min(to - cursor.points, maxPoints);
    const std::size_t segmentsTo =
        cursor.segments +
        std::min(scene.segments().size() - std::min(cursor.segments, scene.segments().size()),
                 maxSegments);
    if (to > cursor.points || cursor.segments < segmentsTo) {
        if (deferred) {
            if (to > cursor.points) deferPoints(scene, cursor.points, to, *deferred);
            const auto segs = scene.segments();
            deferred->arrows.assign(segs.begin() + static_cast<std::ptrdiff_t>(cursor.segments),
                                    segs.begin() + static_cast<std::ptrdiff_t>(segmentsTo));
        } else {
            TraceDrawer drawer(image, scene, camera, &cursor.trace);
            if (to > cursor.points) drawer.drawPoints(cursor.points, to, 1, &cursor);
            drawer.drawSegments(cursor.segments, segmentsTo, cursor.arrows);
            if (changed) *changed |= drawer.changed(); // arrows the memo left out change nothing
        }
        cursor.points = std::max(cursor.points, to);
        cursor.segments = std::max(cursor.segments, segmentsTo);
    }
    rememberLastSegment(scene, cursor);
    cursor.storedPoints = scene.storedPoints() - (scene.pointCount() - cursor.points);
    cursor.storedSegments = scene.storedSegments() - (scene.segments().size() - cursor.segments);
    return true;
}

QRectF SceneRenderer::axesFootprint(const Scene3D& scene, const ViewCamera& camera,
                                    const RenderOptions& options) {
    if (!options.showAxes) return {};
    const double ratio =
        options.pixelRatio > 0 && std::isfinite(options.pixelRatio) ? options.pixelRatio : 1.0;
    const double L = sceneAxisLength(scene);
    // The solid positive halves with their graduations and names (about 20 px beyond the
    // tips, graduation labels up to 50 px beside the axis); the faint dotted negative halves
    // are guides that a caption may cross.
    const QPointF o = camera.project({0, 0, 0}) / ratio;
    double left = o.x(), right = o.x(), top = o.y(), bottom = o.y();
    for (int k = 0; k < 3; ++k) {
        const Point3d tip{k == 0 ? L : 0, k == 1 ? L : 0, k == 2 ? L : 0};
        const QPointF q = camera.project(tip) / ratio;
        left = std::min(left, q.x());
        right = std::max(right, q.x());
        top = std::min(top, q.y());
        bottom = std::max(bottom, q.y());
    }
    const QRectF box(QPointF(left, top), QPointF(right, bottom));
    return box.adjusted(-50, -20, 50, 20);
}

void SceneRenderer::drawOverlay(QPainter& p, const Scene3D& scene, const ViewCamera& camera,
                                const RenderOptions& options, OverlayParts parts) {
    const bool lasting = parts != OverlayParts::PointCount;
    const bool count = parts != OverlayParts::Lasting;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QColor ink = inkColour(options);
    const QColor halo = backgroundColour(options);
    // Marks and text are laid out in logical pixels: scale once, divide projections.
    const double ratio =
        options.pixelRatio > 0 && std::isfinite(options.pixelRatio) ? options.pixelRatio : 1.0;
    p.scale(ratio, ratio);
    auto project = [&](const Point3d& q) { return camera.project(q) / ratio; };
    const QSizeF vp = QSizeF(camera.viewport()) / ratio;
    const double pixelsPerMetre = camera.scale() / ratio;
    QFont font = p.font();
    font.setPixelSize(13);
    p.setFont(font);

    // Axis names at the tips of the axes.
    if (options.showAxes && lasting) {
        const double L = sceneAxisLength(scene);
        const char* names[3] = {"x", "y", "z"};
        const Point3d tips[3] = {{L, 0, 0}, {0, L, 0}, {0, 0, L}};
        const QPointF o = project({0, 0, 0});
        QFont bold = font;
        bold.setItalic(true);
        p.setFont(bold);
        for (int k = 0; k < 3; ++k) {
            const QPointF t = project(tips[k]);
            QPointF dir = t - o;
            const double n = std::hypot(dir.x(), dir.y());
            dir = n > 1e-9 ? dir / n : QPointF(0.7, -0.7);
            const QPointF at = t + dir * 10 + QPointF(-4, 5);
            haloText(p, at, QString::fromLatin1(names[k]), sceneAxisColour(options), halo);
        }
        p.setFont(font);

        // Graduations at round lengths along each positive axis, named while there is room.
        const double step = roundLength(L / 2.5);
        QFont small = font;
        small.setPixelSize(10);
        p.setFont(small);
        for (int k = 0; k < 3; ++k) {
            const QPointF t = project(tips[k]);
            const QPointF along = t - o;
            const double n = std::hypot(along.x(), along.y());
            const double stepPx = step > 0 ? n * step / L : 0;
            if (stepPx < 12) continue; // seen end-on, or too dense to read
            const QPointF dir = along / n;
            QPointF normal(-dir.y(), dir.x());
            if (normal.y() < 0) normal = -normal; // names below the axis
            for (int j = 1; j * step < 0.92 * L; ++j) {
                const QPointF at = o + dir * (j * stepPx);
                p.setPen(QPen(sceneAxisColour(options), 1.2));
                p.drawLine(at - normal * 3, at + normal * 3);
                if (stepPx >= 34) {
                    const QString text = lengthText(j * step);
                    const double w = QFontMetricsF(small).horizontalAdvance(text);
                    const QPointF c = at + normal * 11;
                    haloText(p, c + QPointF(-w / 2 + normal.x() * w / 2, 4), text,
                             sceneAxisColour(options), halo);
                }
            }
        }
        p.setFont(font);
    }

    // Run tags.
    if (options.showTags && lasting) {
        for (const SceneLabel& l : scene.labels()) {
            QFont f = font;
            f.setPixelSize(std::max(10, static_cast<int>(std::lround(l.size * 2.2))));
            p.setFont(f);
            const QPointF at = project(l.at) + QPointF(6, -6);
            if (at.x() < -200 || at.y() < -50 || at.x() > vp.width() + 50 ||
                at.y() > vp.height() + 50)
                continue;
            haloText(p, at, QString::fromStdString(l.text), sceneColour(l.rgb), halo);
        }
        p.setFont(font);
    }

    // Scale bar: a round length about a sixth of the view wide.
    if (options.showScaleBar && lasting) {
        const double maxPx = std::clamp(vp.width() / 5.0, 40.0, 180.0);
        const double len = roundLength(maxPx / pixelsPerMetre);
        if (len > 0) {
            const double px = len * pixelsPerMetre;
            const QPointF a(16, vp.height() - 16), b(16 + px, vp.height() - 16);
            p.setPen(QPen(halo, 5, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(a, b);
            p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(a, b);
            p.drawLine(a + QPointF(0, -5), a + QPointF(0, 3));
            p.drawLine(b + QPointF(0, -5), b + QPointF(0, 3));
            haloText(p, a + QPointF(0, -9), lengthText(len), ink, halo);
        }
    }

    // Direction triad: where x, y and z point, drawn back to front.
    if (options.showTriad && lasting) {
        const QPointF c(vp.width() - 44, vp.height() - 44);
        const Point3d axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        const QColor colours[3] = {QColor(214, 48, 49), QColor(30, 160, 70), QColor(40, 100, 230)};
        const char* names[3] = {"x", "y", "z"};
        int order[3] = {0, 1, 2};
        std::sort(order, order + 3, [&](int a, int b) {
            return dot(axes[a], camera.towardsViewer()) < dot(axes[b], camera.towardsViewer());
        });
        for (int k : order) {
            const QPointF d(dot(axes[k], camera.right()), -dot(axes[k], camera.up()));
            const QPointF tip = c + d * 26;
            p.setPen(QPen(colours[k], 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(c, tip);
            haloText(p, tip + d * 9 + QPointF(-3.5, 4.5), QString::fromLatin1(names[k]), colours[k],
                     halo);
        }
    }

    // Caption: title, then the point count.
    if (options.showCaption) {
        double y = 22;
        if (!scene.title().empty()) {
            if (lasting) {
                QFont f = font;
                f.setPixelSize(15);
                f.setBold(true);
                p.setFont(f);
                haloText(p, QPointF(14, y), QString::fromStdString(scene.title()), ink, halo);
                p.setFont(font);
            }
            y += 18;
        }
        if (scene.pointCount() > 0 && count) {
            p.setFont(pointCountFont(font));
            QColor soft = ink;
            soft.setAlpha(170);
            haloText(p, QPointF(14, y), pointCountText(scene), soft, halo);
        }
    }
    p.restore();
}

QString SceneRenderer::pointCountText(const Scene3D& scene) {
    if (scene.pointCount() == 0) return {};
    QString text = QLocale(QLocale::English, QLocale::UnitedStates)
                       .toString(static_cast<qulonglong>(scene.pointCount())) +
                   " points";
    if (scene.thinningCount() > 0) text += " (older part thinned)";
    return text;
}

QFont SceneRenderer::pointCountFont(QFont base) {
    base.setPixelSize(12);
    return base;
}

QRect SceneRenderer::pointCountRect(const Scene3D& scene, const RenderOptions& options,
                                    const QFontMetricsF& metrics) {
    if (!options.showCaption || scene.pointCount() == 0) return {};
    // Laid out as drawOverlay lays it: under the title when there is one, its halo around it.
    // The glyphs' advances one by one bound the text without shaping it at every frame.
    const double y = scene.title().empty() ? 22 : 40;
    double width = 0;
    for (const QChar c : pointCountText(scene)) width += metrics.horizontalAdvance(c);
    return QRectF(QPointF(14 - 4, y - metrics.ascent() - 4),
                  QPointF(14 + width + 6, y + metrics.descent() + 4))
        .toAlignedRect();
}

QImage SceneRenderer::render(const Scene3D& scene, ViewCamera camera, QSize size,
                             const RenderOptions& options) {
    size = QSize(std::max(1, size.width()), std::max(1, size.height()));
    camera.setViewport(size);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    drawContent(image, scene, camera, options);
    QPainter p(&image);
    drawOverlay(p, scene, camera, options);
    return image;
}

QColor SceneRenderer::backgroundColour(const RenderOptions& options) {
    return options.darkBackground ? QColor(38, 42, 50) : QColor(255, 255, 255);
}

double SceneRenderer::roundLength(double maxMetres) {
    if (!(maxMetres > 0) || !std::isfinite(maxMetres)) return 0;
    const double p = std::pow(10.0, std::floor(std::log10(maxMetres)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= maxMetres * (1 + 1e-12)) return m * p;
    return p / 2; // not reached: 1·p ≤ maxMetres
}

QString SceneRenderer::lengthText(double metres) {
    struct Prefix {
        double factor;
        const char* unit;
    };
    static const Prefix prefixes[] = {{1e3, "km"},  {1, "m"},     {1e-2, "cm"}, {1e-3, "mm"},
                                      {1e-6, "µm"}, {1e-9, "nm"}, {1e-12, "pm"}};
    if (!(metres > 0) || !std::isfinite(metres)) return QStringLiteral("0 m");
    for (const Prefix& pr : prefixes) {
        // Centimetres serve from 1 to 50 cm, the way rulers read; a metre and up is in metres.
        const double v = metres / pr.factor;
        if (v >= 1 - 1e-9 && (pr.factor != 1e-2 || v < 100 - 1e-9)) {
            if (pr.factor == 1e3 && v >= 1e4)
                return QString::number(metres, 'g', 3) + QStringLiteral(" m");
            return QString::number(v, 'g', 6) + QLatin1Char(' ') + QString::fromUtf8(pr.unit);
        }
    }
    return QString::number(metres, 'g', 3) + QStringLiteral(" m");
}

ViewCamera homeCamera(const Scene3D& scene, QSize viewport) {
    ViewCamera camera;
    camera.setViewport(viewport);
    const QString view = QString::fromStdString(scene.viewText()).trimmed().toLower();
    if (view == QLatin1String("top"))
        camera.setAngles(-90, 90);
    else if (view == QLatin1String("front"))
        camera.setAngles(-90, 0);
    else if (view == QLatin1String("side"))
        camera.setAngles(0, 0);
    else
        camera.setAngles(ViewCamera::kDefaultAzimuth, ViewCamera::kDefaultElevation);
    if (scene.frameExtent() > 0) {
        const double far = view == QLatin1String("far") ? 3.0 : 1.0;
        // Room around the frame: a run starts on its edge and often gyrates beyond it.
        camera.fitSphere(scene.frameCentre(), scene.frameExtent() * far, 0.75);
    } else if (scene.bounds().valid) {
        camera.fitBox(scene.bounds());
    }
    return camera;
}

bool renderToPng(const Scene3D& scene, const ViewCamera& camera, QSize size, const QString& path,
                 QString* error, const RenderOptions& options) {
    auto fail = [&](const QString& message) {
        if (error) *error = message;
        return false;
    };
    if (path.isEmpty()) return fail(QStringLiteral("No file name given for the image."));
    if (size.width() < 1 || size.height() < 1 || size.width() > 20000 || size.height() > 20000)
        return fail(QStringLiteral("Image size %1 x %2 is out of range (1 to 20000 pixels).")
                        .arg(size.width())
                        .arg(size.height()));
    const QImage image =
        SceneRenderer::render(scene, camera, size, options).convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return fail(QStringLiteral("Not enough memory for an image of %1 x %2 pixels.")
                        .arg(size.width())
                        .arg(size.height()));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return fail(QStringLiteral("Cannot encode the image file %1 as PNG.").arg(path));
    // Replaced through a temporary file; a device or a link's target is written in place.
    const FileResult written = WriteFileReplacing(path.toStdString(), bytes.toStdString());
    if (!written.ok)
        return fail(QStringLiteral("Cannot write the image file: %1")
                        .arg(QString::fromStdString(written.message)));
    if (error) error->clear();
    return true;
}

} // namespace gyro
