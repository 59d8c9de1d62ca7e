// Draws a 3D scene onto an image or any painter: background, axes, circles, traces, arrows and
// the overlays (scale bar, axis triad, tags, caption); the same code serves the screen and PNG.
#pragma once

#include "draw3d/drawnmemo.h"
#include "draw3d/tracememo.h"
#include "draw3d/viewcamera.h"
#include "scene/scene3d.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPointF>
#include <QString>

#include <cmath>
#include <cstdint>
#include <vector>

class QPainter;

namespace gyro {

/// What to show besides the scene itself.
struct RenderOptions {
    bool darkBackground = false; ///< dark grey instead of near-white
    bool showAxes = true;        ///< x, y, z axes through the origin, with their names
    bool showScaleBar = true;    ///< a length bar with a round value ("1 mm", "5 cm")
    bool showTriad = true;       ///< small x, y, z direction triad in the lower right corner
    bool showTags = true;        ///< each run's tag at its trace's first point
    bool showCaption = true;     ///< the frame's title and the point count in the upper left
    double pixelRatio = 1.0;     ///< device pixels per logical pixel: scales overlay text and marks
    bool operator==(const RenderOptions&) const = default;
};

/// The arrows already drawn into one image, by where they land to an eighth of a pixel and their
/// colour: an arrow that lands where an equal one was drawn changes nothing visible, and a run
/// with arrows at every step draws the same few thousand arrows over and over once its orbit
/// closes. Buckets of eight: an arrow forgotten is drawn over itself again, darkening its soft
/// edges.
class ArrowMemo : public DrawnMemo<8> {
public:
    /// The key of an arrow from `a` to `b` (pixels) of this colour and head; 0 for an arrow the
    /// memo does not keep (far off the picture), which is always drawn.
    static std::uint64_t key(const QPointF& a, const QPointF& b, SceneRgb rgb, bool head) {
        // The ends to an eighth of a pixel; arrows far off the picture (beyond ±2^19 pixels)
        // are always drawn (the rasteriser clips them).
        constexpr double kLimit = 524288;
        const double ends[4] = {a.x(), a.y(), b.x(), b.y()};
        std::uint64_t key =
            0x9E3779B97F4A7C15u ^ (static_cast<std::uint64_t>(rgb) << 1) ^ (head ? 1 : 0);
        for (double v : ends) {
            if (!(std::abs(v) < kLimit)) return 0;
            // Shifted to positive values so that truncation rounds down.
            const auto q = static_cast<std::uint64_t>((v + kLimit) * 8);
            // A 64-bit mix per coordinate (splitmix64's finaliser): equal keys mean equal arrows
            // except with a chance far below anything a picture could show.
            key = (key ^ q) * 0xBF58476D1CE4E5B9u;
            key ^= key >> 31;
        }
        return key | 1; // never 0, which marks an empty slot
    }
    using DrawnMemo<8>::seen;
    /// seen(key(a, b, rgb, head)).
    bool seen(const QPointF& a, const QPointF& b, SceneRgb rgb, bool head) {
        return seen(key(a, b, rgb, head));
    }
};

/// What has been drawn into a content image, so that later drawing adds only what is new.
struct DrawCursor {
    std::uint64_t layoutRevision = ~std::uint64_t{0};
    std::uint64_t resetRevision = ~std::uint64_t{0};
    std::size_t points = 0;
    std::size_t segments = 0;
    std::size_t circles = 0;
    std::uint64_t storedPoints = 0;   ///< the scene's storedPoints() that `points` stands for
    std::uint64_t storedSegments = 0; ///< the scene's storedSegments() that `segments` stands for
    std::uint64_t segmentGroup = 0;   ///< group of the last arrow drawn (see SceneSegment)
    std::size_t segmentsInGroup = 0;  ///< arrows of that group drawn (0: none drawn at all)
    ArrowMemo arrows;                 ///< the arrows drawn into the image
    TraceMemo trace;                  ///< the trace lines drawn into the image
    /// Where the trace drawn last ends on the picture (pixels): steps too small to show are
    /// merged into the next, so the next drawing goes on from there, not from the last point.
    bool pen = false;
    float penX = 0, penY = 0;
    std::uint32_t penRgb = 0; ///< the colour of the trace drawn last, 0xRRGGBB
};

/// New content that drawNewContent() left for its caller to draw (see there): copies of the trace
/// points [from, to) and of the point before and after them, numbered as in the scene of `count`
/// points, in chunks with their origins; then the arrows.
struct DeferredContent {
    std::vector<TraceChunk> chunks; // the first `chunksUsed` hold the points; the rest is storage
    std::size_t chunksUsed = 0;
    std::size_t count = 0, from = 0, to = 0;
    std::vector<SceneSegment> arrows;
    bool empty() const { return from >= to && arrows.empty(); }
    /// Forgets the content and keeps the storage.
    void clear() {
        for (std::size_t k = 0; k < chunksUsed; ++k) chunks[k].points.clear();
        chunksUsed = 0;
        count = from = to = 0;
        arrows.clear();
    }
};

/// Which overlays to draw: all of them, those that change only with the view and the run's
/// set-up (a picture may keep them while the trace grows), or the point count alone.
enum class OverlayParts { All, Lasting, PointCount };

/// Stateless drawing of a `Scene3D` seen through a `ViewCamera`. Images must be of format
/// ARGB32_Premultiplied, and the camera's viewport must be the image's size in pixels.
class SceneRenderer {
public:
    /// Fills `image` with the scene's content: background, cube, axes, circles, traces and
    /// arrows. `stride` > 1 draws only every stride-th point of each piece (a quick preview while
    /// the view moves); ends of pieces are always drawn. Sets `cursor` when given.
    /// Of the arrows only the newest `maxArrows` are drawn (a quick picture of a scene of many
    /// arrows); the cursor then counts them all as drawn.
    static void drawContent(QImage& image, const Scene3D& scene, const ViewCamera& camera,
                            const RenderOptions& options, DrawCursor* cursor = nullptr,
                            int stride = 1, std::size_t maxArrows = SIZE_MAX);
    /// Adds to `image` what the scene received after `cursor` (drawn with the same camera) and
    /// moves the cursor. A thinning of the oldest content leaves the picture as it is (what it
    /// drew stays true); arrows not yet drawn that a thinning dropped are not drawn. Returns
    /// false and draws nothing when content went otherwise (clear) or trace points not yet drawn
    /// were themselves thinned: the caller then draws everything with `drawContent`.
    /// At most `maxPoints` points and `maxSegments` arrows are added in one call (a picture
    /// built over several frames); the cursor tells where the next call goes on. `changed`,
    /// when given, is united with the box of the pixels the call may have changed.
    /// `deferred`, when given (and empty), receives the traces and arrows to add instead of the
    /// image, which gets only the circles; the cursor counts them as drawn. The caller draws
    /// them (drawDeferred) before anything else is drawn into the image or the cursor is used.
    static bool drawNewContent(QImage& image, const Scene3D& scene, const ViewCamera& camera,
                               const RenderOptions& options, DrawCursor& cursor,
                               std::size_t maxPoints = SIZE_MAX, std::size_t maxSegments = SIZE_MAX,
                               QRect* changed = nullptr, DeferredContent* deferred = nullptr);
    /// Draws what drawNewContent() left in `deferred` into `image` seen by `camera` (the same
    /// as then), in one-pixel lines, with `cursor`'s memos and pen; reads no scene, so that it
    /// may run on another thread while the scene grows. Returns the box of pixels it may have
    /// changed.
    static QRect drawDeferred(QImage& image, const ViewCamera& camera,
                              const DeferredContent& deferred, DrawCursor& cursor);
    /// Fills `image` with the background, cube, axes and circles alone and sets `cursor` before
    /// the first point and arrow: drawNewContent() then adds the traces, as much at a time as
    /// the caller likes.
    static void drawBackdrop(QImage& image, const Scene3D& scene, const ViewCamera& camera,
                             const RenderOptions& options, DrawCursor& cursor);
    /// Sets `cursor` after everything the scene holds, drawing nothing: a picture of the scene's
    /// older state then stands for it, and drawNewContent() goes on from there.
    static void skipToEnd(const Scene3D& scene, DrawCursor& cursor);
    /// Draws the overlays (axis names, tags, scale bar, triad, caption) with `painter`, whose
    /// device has the camera's viewport size.
    static void drawOverlay(QPainter& painter, const Scene3D& scene, const ViewCamera& camera,
                            const RenderOptions& options, OverlayParts parts = OverlayParts::All);
    /// The whole picture at `size` pixels (the camera's viewport is set to it).
    static QImage render(const Scene3D& scene, ViewCamera camera, QSize size,
                         const RenderOptions& options = {});

    /// The text of the point count in the caption ("12,345 points"); empty when none shows.
    static QString pointCountText(const Scene3D& scene);
    /// The font of the point count when the painter's font is `base`.
    static QFont pointCountFont(QFont base);
    /// The box in logical pixels that the point count may take, given the metrics of its font;
    /// empty when the caption or the count is not shown.
    static QRect pointCountRect(const Scene3D& scene, const RenderOptions& options,
                                const QFontMetricsF& metrics);
    /// The box in logical pixels that the solid axes take with their graduations and names:
    /// what a caption laid over the picture must leave free. Empty when the axes are hidden.
    static QRectF axesFootprint(const Scene3D& scene, const ViewCamera& camera,
                                const RenderOptions& options);
    /// Background colour for these options (the top of the gentle gradient).
    static QColor backgroundColour(const RenderOptions& options);
    /// Largest length 1, 2 or 5 × 10^k (m) not above `maxMetres`; 0 when it is not positive.
    static double roundLength(double maxMetres);
    /// A length in metres as text with an SI prefix: "1 mm", "5 cm", "200 µm", "2 m", "10 km".
    static QString lengthText(double metres);
};

/// The camera that shows a scene as a run expects at first: the frame's centre and extent (the
/// view text "far" zooms out threefold), the view text's angles ("top", "front", "side"), or when
/// there is no frame, the box of what was drawn; the default angles otherwise.
ViewCamera homeCamera(const Scene3D& scene, QSize viewport);

/// Draws the scene at `size` and writes a PNG file (through a temporary file, so a failure never
/// damages an existing file). Returns false with a message in `error` (when given).
bool renderToPng(const Scene3D& scene, const ViewCamera& camera, QSize size, const QString& path,
                 QString* error, const RenderOptions& options = {});

} // namespace gyro
