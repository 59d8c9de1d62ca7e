// Drawing of a scene's traces and arrows into an image, a part at a time: one-pixel lines through
// the line rasteriser, with memos of what the image already shows, and the box of the pixels
// touched, so that a view repaints only those.
#pragma once

#include "draw3d/linerasterizer.h"
#include "draw3d/scenepainter.h"
#include "draw3d/scenerenderer.h"
#include "draw3d/tracememo.h"
#include "draw3d/viewcamera.h"
#include "scene/scene3d.h"

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QRect>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

namespace gyro {

/// The trace points a drawer reads: a scene's chunks, or copies of some of them holding the
/// points numbered as in the scene (a drawing that goes on while the scene changes).
struct TracePoints {
    std::span<const TraceChunk> chunks;
    std::size_t count = 0;          // points in the scene
    const Scene3D* scene = nullptr; // the scene itself, whose chunks it finds faster; or none

    static TracePoints of(const Scene3D& s) { return {s.chunks(), s.pointCount(), &s}; }
    std::size_t chunkIndex(std::size_t i) const {
        if (scene) return scene->chunkIndex(i);
        std::size_t c = 0;
        while (c + 1 < chunks.size() && chunks[c + 1].first <= i) ++c;
        return c;
    }
    const TracePoint& raw(std::size_t i) const {
        const TraceChunk& c = chunks[chunkIndex(i)];
        return c.points[i - c.first];
    }
    Point3d at(std::size_t i) const {
        const TraceChunk& c = chunks[chunkIndex(i)];
        const TracePoint& p = c.points[i - c.first];
        return {c.origin.x + p.x, c.origin.y + p.y, c.origin.z + p.z};
    }
};

// Draws the traces of points [from, to) and the arrows of a scene. One-pixel lines go through
// the rasteriser; wider lines through the painter.
class TraceDrawer {
public:
    /// Lines that `memo` (when given) saw drawn already are left out.
    TraceDrawer(QImage& image, const Scene3D& scene, const ViewCamera& camera,
                TraceMemo* memo = nullptr)
        : TraceDrawer(image, &scene, TracePoints::of(scene), scene.lineWidth(), camera, memo) {}
    /// A drawer of the points and arrows given by the caller (drawPoints of `points`,
    /// drawArrows) alone, in lines `lineWidth` pixels wide: it reads no scene, so it may draw on
    /// another thread than the scene's.
    TraceDrawer(QImage& image, const TracePoints& points, double lineWidth,
                const ViewCamera& camera, TraceMemo* memo)
        : TraceDrawer(image, nullptr, points, lineWidth, camera, memo) {}

    /// The box of the pixels drawn so far may have changed (empty when none).
    QRect changed() const {
        if (!(m_minX <= m_maxX && m_minY <= m_maxY)) return {};
        // Lines and dots reach a pixel and a half beyond their ends; wide lines their width.
        const float pad = 3.0f + (m_wide ? static_cast<float>(m_lineWidth) : 0.0f);
        const QRectF box(QPointF(std::max(m_minX - pad, -1.0f), std::max(m_minY - pad, -1.0f)),
                         QPointF(std::min(m_maxX + pad, m_image.width() + 1.0f),
                                 std::min(m_maxY + pad, m_image.height() + 1.0f)));
        return box.toAlignedRect() & m_image.rect();
    }

private:
    TraceDrawer(QImage& image, const Scene3D* scene, const TracePoints& points, double lineWidth,
                const ViewCamera& camera, TraceMemo* memo)
        : m_image(image), m_scene(scene), m_points(points), m_camera(camera), m_raster(image),
          m_memo(memo), m_lineWidth(lineWidth) {
        const double s = camera.scale();
        const Point3d u = camera.right(), v = camera.up();
        m_ux = static_cast<float>(s * u.x), m_uy = static_cast<float>(s * u.y);
        m_uz = static_cast<float>(s * u.z);
        m_vx = static_cast<float>(s * v.x), m_vy = static_cast<float>(s * v.y);
        m_vz = static_cast<float>(s * v.z);
        m_wide = lineWidth >= 1.5;
        if (m_wide) {
            m_painter.begin(&image);
            m_painter.setRenderHint(QPainter::Antialiasing);
        }
    }

public:
    /// `cursor`, when given, holds where the trace drawn before ends, and is moved to where
    /// this one ends.
    void drawPoints(std::size_t from, std::size_t to, int stride, DrawCursor* cursor = nullptr) {
        const std::size_t count = m_points.count;
        to = std::min(to, count);
        if (from >= to) return;
        bool havePrev = false;
        float px = 0, py = 0;
        SceneRgb colour = 0xFFFFFFFFu;
        if (from > 0 && !m_points.raw(from).startsPiece()) {
            if (cursor && cursor->pen) {
                // Go on with the line as it was: its end and colour decide which steps merge.
                px = cursor->penX, py = cursor->penY;
                colour = cursor->penRgb;
                useColour(colour);
            } else {
                const QPointF p = m_camera.project(m_points.at(from - 1));
                px = static_cast<float>(p.x()), py = static_cast<float>(p.y());
            }
            havePrev = true;
            grow(px, py);
        }
        drawRange(from, to, stride, count, havePrev, px, py, colour);
        if (cursor) {
            cursor->pen = havePrev;
            cursor->penX = px, cursor->penY = py;
            cursor->penRgb = colour;
        }
    }

    void drawRange(std::size_t from, std::size_t to, int stride, std::size_t count, bool& havePrev,
                   float& px, float& py, SceneRgb& colour) {
        // The pen and the queue of lines live in locals, kept in registers across the drawing
        // calls, which the compiler would otherwise have to assume change them.
        bool pen = havePrev;
        float x = px, y = py;
        SceneRgb rgb = colour;
        LineQueue queue;
        const auto& chunks = m_points.chunks;
        std::size_t i = from;
        for (std::size_t ci = m_points.chunkIndex(from); i < to; ++ci) {
            const TraceChunk& chunk = chunks[ci];
            const QPointF base = m_camera.project(chunk.origin);
            const float bx = static_cast<float>(base.x()), by = static_cast<float>(base.y());
            const TracePoint* points = chunk.points.data();
            const std::size_t first = chunk.first, last = chunk.end() - 1;
            // Whether the point after the chunk's last one starts a piece (true after the newest).
            const bool afterStarts = ci + 1 >= chunks.size() || last + 1 >= count ||
                                     chunks[ci + 1].points.front().startsPiece();
            const std::size_t chunkEnd = std::min(to, last + 1);
            for (; i < chunkEnd; ++i) {
                const TracePoint& tp = points[i - first];
                const bool nextStarts =
                    i < last ? points[i + 1 - first].startsPiece() : afterStarts;
                if (stride > 1 && pen && !tp.startsPiece() && !nextStarts &&
                    (i % static_cast<std::size_t>(stride)) != 0)
                    continue;
                const float sx = bx + m_ux * tp.x + m_uy * tp.y + m_uz * tp.z;
                const float sy = by - (m_vx * tp.x + m_vy * tp.y + m_vz * tp.z);
                if (tp.startsPiece() || !pen) {
                    if (nextStarts) {
                        rgb = tp.rgb();
                        flushLines(queue); // the lines before it are drawn first, as they came
                        useColour(rgb);
                        dot(sx, sy);
                        grow(sx, sy);
                    }
                    x = sx, y = sy;
                    pen = true;
                    continue;
                }
                // Steps far below a pixel add nothing visible: merge them into the next one.
                if (std::abs(sx - x) + std::abs(sy - y) < 0.3f && tp.rgb() == rgb && !nextStarts)
                    continue;
                rgb = tp.rgb();
                queueLine(queue, x, y, sx, sy, rgb);
                grow(sx, sy); // the line's start is the end of the line before, or grown above
                x = sx, y = sy;
            }
        }
        flushLines(queue);
        havePrev = pen;
        px = x, py = y;
        colour = rgb;
    }

    // The scene's arrows [from, to); see drawArrows.
    void drawSegments(std::size_t from, std::size_t to, ArrowMemo& memo) {
        const auto segs = m_scene->segments();
        to = std::min(to, segs.size());
        if (from < to) drawArrows(segs.subspan(from, to - from), memo);
    }

    // Arrows in order; those that `memo` saw drawn already are left out (and, changing no
    // pixel, leave the changed box as it is). The arrows go in
    // batches: a batch is projected and its memo slots asked for while the batch before it is
    // checked and drawn in order, so that the slots come from memory meanwhile.
    void drawArrows(std::span<const SceneSegment> segs, ArrowMemo& memo) {
        const std::size_t from = 0, to = segs.size();
        if (to == 0) return;
        constexpr std::size_t kBatch = 32;
        struct Projected {
            QPointF a, b;
            std::uint64_t key; // 0: not kept by the memo
            bool drawable;
        };
        Projected batches[2][kBatch];
        // The arrows of one step start at the same point: its projection is reused.
        Point3d lastA{NAN, NAN, NAN};
        QPointF lastPa;
        const auto look = [&](std::size_t k0, Projected* out) {
            const std::size_t m = std::min(kBatch, to - k0);
            for (std::size_t i = 0; i < m; ++i) {
                const SceneSegment& s = segs[k0 + i];
                Projected& p = out[i];
                if (s.a.x != lastA.x || s.a.y != lastA.y || s.a.z != lastA.z) {
                    lastA = s.a;
                    lastPa = m_camera.project(s.a);
                }
                p.a = lastPa;
                // An arrow of no length (a field that is zero) ends where it starts.
                const bool none = s.dx == 0 && s.dy == 0 && s.dz == 0;
                p.b = none ? lastPa : m_camera.project(s.b());
                p.drawable = std::isfinite(p.a.x()) && std::isfinite(p.a.y()) &&
                             std::isfinite(p.b.x()) && std::isfinite(p.b.y());
                p.key = p.drawable ? ArrowMemo::key(p.a, p.b, s.rgb, s.head()) : 0;
                if (p.key != 0) memo.prefetch(p.key);
            }
        };
        bool first = true;
        SceneRgb current = 0;
        look(from, batches[0]);
        for (std::size_t k0 = from, b = 0; k0 < to; k0 += kBatch, b ^= 1) {
            if (k0 + kBatch < to) look(k0 + kBatch, batches[b ^ 1]);
            const std::size_t m = std::min(kBatch, to - k0);
            for (std::size_t i = 0; i < m; ++i) {
                const Projected& p = batches[b][i];
                if (!p.drawable || memo.seen(p.key)) continue;
                const SceneSegment& s = segs[k0 + i];
                if (first || s.rgb != current) setColour(s.rgb);
                first = false;
                current = s.rgb;
                arrowLines(p.a, p.b, s.head(), [this](const QLineF& l) {
                    const float x1 = static_cast<float>(l.x1()), y1 = static_cast<float>(l.y1());
                    const float x2 = static_cast<float>(l.x2()), y2 = static_cast<float>(l.y2());
                    line(x1, y1, x2, y2);
                    grow(x1, y1);
                    grow(x2, y2);
                });
            }
        }
    }

private:
    // Widens the changed box to (x, y); a point off the picture is clipped later, a non-finite
    // one (never drawn) compares false and leaves the box as it is.
    void grow(float x, float y) {
        if (x < m_minX) m_minX = x;
        if (x > m_maxX) m_maxX = x;
        if (y < m_minY) m_minY = y;
        if (y > m_maxY) m_maxY = y;
    }
    // Lines go through a short queue when a memo is given: each line's memo slot is asked for
    // as it enters, and checked (and the line drawn) kAhead lines later, once it has arrived.
    // The lines are drawn in the order they came, with the colour each came with.
    struct QueuedLine {
        float x0, y0, x1, y1;
        SceneRgb rgb;
        std::uint64_t key;
    };
    static constexpr std::size_t kAhead = 16; // a power of two
    struct LineQueue {
        QueuedLine lines[kAhead];
        std::size_t in = 0, out = 0; // lines queued and lines taken out, ever
    };
    void queueLine(LineQueue& q, float x0, float y0, float x1, float y1, SceneRgb rgb) {
        if (!m_memo) {
            useColour(rgb);
            line(x0, y0, x1, y1);
            return;
        }
        if (q.in - q.out == kAhead) drawQueued(q);
        const std::uint64_t key = TraceMemo::key(x0, y0, x1, y1, rgb);
        if (key != 0) m_memo->prefetch(key);
        q.lines[q.in++ % kAhead] = {x0, y0, x1, y1, rgb, key};
    }
    // Draws the oldest queued line unless the memo saw it drawn.
    void drawQueued(LineQueue& q) {
        const QueuedLine& l = q.lines[q.out++ % kAhead];
        if (m_memo->seen(l.key)) return;
        useColour(l.rgb);
        line(l.x0, l.y0, l.x1, l.y1);
    }
    void flushLines(LineQueue& q) {
        while (q.out != q.in) drawQueued(q);
    }
    void useColour(SceneRgb rgb) {
        if (rgb != m_colour) setColour(rgb);
    }
    void setColour(SceneRgb rgb) {
        m_colour = rgb;
        if (m_wide) {
            QPen pen(sceneColour(rgb), m_lineWidth);
            pen.setCapStyle(Qt::RoundCap);
            m_painter.setPen(pen);
            m_painter.setBrush(sceneColour(rgb));
        } else {
            m_raster.setColour(rgb);
        }
    }
    void line(float x0, float y0, float x1, float y1) {
        if (m_wide) {
            if (std::isfinite(x0) && std::isfinite(y0) && std::isfinite(x1) && std::isfinite(y1))
                m_painter.drawLine(QLineF(x0, y0, x1, y1));
        } else {
            m_raster.line(x0, y0, x1, y1);
        }
    }
    void dot(float x, float y) {
        if (m_wide) {
            const double r = m_lineWidth;
            m_painter.setPen(Qt::NoPen);
            m_painter.drawEllipse(QPointF(x, y), r, r);
            QPen pen(m_painter.brush().color(), m_lineWidth);
            pen.setCapStyle(Qt::RoundCap);
            m_painter.setPen(pen);
        } else {
            m_raster.dot(x, y);
        }
    }

    QImage& m_image;
    const Scene3D* m_scene; // null for a drawer of given points and arrows
    TracePoints m_points;
    const ViewCamera& m_camera;
    LineRasterizer m_raster;
    TraceMemo* m_memo;
    SceneRgb m_colour = 0xFFFFFFFFu; // the colour set last; none yet (colours are 0xRRGGBB)
    QPainter m_painter;
    double m_lineWidth;
    bool m_wide = false;
    float m_ux, m_uy, m_uz, m_vx, m_vy, m_vz;
    float m_minX = INFINITY, m_minY = INFINITY, m_maxX = -INFINITY, m_maxY = -INFINITY;
};

} // namespace gyro
