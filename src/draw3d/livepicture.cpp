// The live view's picture: drawn as the scene grows, rebuilt over frames when it is large.
#include "draw3d/livepicture.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace gyro {

void LivePicture::redrawAll(const Scene3D& scene, const ViewCamera& camera,
                            const RenderOptions& options, int stride) {
    SceneRenderer::drawContent(m_image, scene, camera, options, &m_cursor, stride,
                               stride > 1 ? kFrameArrows : SIZE_MAX);
    m_drawnCamera = camera;
    m_stride = stride;
    m_valid = true;
    m_changed = m_image.rect();
}

QRect LivePicture::takeChanged() {
    settle();
    return std::exchange(m_changed, QRect());
}

const QImage& LivePicture::image() {
    drawQueued();
    return m_image;
}

const QImage& LivePicture::imageSoFar() {
    settle();
    return m_image;
}

void LivePicture::settle() {
    if (!m_thread.started()) return;
    m_thread.wait();
    m_changed |= std::exchange(m_threadChanged, QRect());
    m_threadContent.clear();
    m_threadFull.clear();
}

void LivePicture::drawQueued() {
    settle();
    if (!m_queued.empty()) {
        m_changed |= SceneRenderer::drawDeferred(m_image, m_drawnCamera, m_queued, m_cursor);
        m_queued.clear();
    }
    if (!m_queuedFull.empty()) {
        SceneRenderer::drawDeferred(m_full, m_fullCamera, m_queuedFull, m_fullCursor);
        m_queuedFull.clear();
    }
}

void LivePicture::drawQueuedInBackground() {
    settle();
    if (m_queued.empty() && m_queuedFull.empty()) return;
    std::swap(m_threadContent, m_queued);
    std::swap(m_threadFull, m_queuedFull);
    m_threadCamera = m_drawnCamera;
    m_threadFullCamera = m_fullCamera;
    // The images' pixels are their own before the thread writes them (no copy shares them).
    if (!m_threadContent.empty()) m_image.bits();
    if (!m_threadFull.empty()) m_full.bits();
    m_thread.start([this] {
        if (!m_threadContent.empty())
            m_threadChanged =
                SceneRenderer::drawDeferred(m_image, m_threadCamera, m_threadContent, m_cursor);
        if (!m_threadFull.empty())
            SceneRenderer::drawDeferred(m_full, m_threadFullCamera, m_threadFull, m_fullCursor);
    });
}

bool LivePicture::update(const Scene3D& scene, const ViewCamera& camera,
                         const RenderOptions& options, bool preview, bool finish) {
    // What the last update queued goes in before anything else.
    drawQueued();
    const QSize ds = camera.viewport();
    if (m_image.size() != ds) {
        m_image = QImage(ds, QImage::Format_ARGB32_Premultiplied);
        m_valid = false;
    }
    const std::size_t n = scene.pointCount();
    // A scene too large to draw whole within a frame gets the quick picture first (every few
    // points and the newest arrows), and its full picture over the next frames.
    const std::size_t arrowCount = scene.segments().size();
    const bool large = n > kFramePoints || arrowCount > kFrameArrows;
    const int quickStride =
        std::max(large ? 2 : 1, static_cast<int>((n + kFramePoints - 1) / kFramePoints));
    // A scene that takes more than a few milliseconds to draw whole is not drawn whole within one
    // frame when the view changes (a view following a run zooms out now and then): the picture
    // it had, moved and scaled, stands for it while the full one is built over the next frames.
    const bool heavy = large || n + arrowCount > kBuildPoints;
    const bool stale = !m_valid || m_drawnCamera != camera;
    if (preview) {
        m_building = false; // the view moves: a full picture would be out of date at once
        if (stale) {
            redrawAll(scene, camera, options, quickStride);
            return false;
        }
    } else if (stale || m_stride > 1) {
        if (!heavy || finish) {
            m_building = false;
            redrawAll(scene, camera, options, 1);
            return false;
        }
        if (stale) {
            if (!quickFromPicture(camera, options)) redrawAll(scene, camera, options, quickStride);
            return true; // the full picture begins with the next frame
        }
    }
    // In pieces, the traces first and the arrows over them, as a picture drawn in one go has
    // them: the arrows wait until the traces are within a piece of the newest point. A thinning
    // since the last update renumbers what the picture drew: the cursor is first brought to the
    // thinned scene (drawing nothing), so that this is judged on the scene as it is. (A run with
    // arrows at every step thins them between nearly every two updates.)
    const std::size_t points = finish ? SIZE_MAX : kPiecePoints;
    bool drawn = true;
    if (m_cursor.layoutRevision != scene.layoutRevision()) {
        drawn = SceneRenderer::drawNewContent(m_image, scene, camera, options, m_cursor, 0, 0,
                                              &m_changed);
        // A scene that thins its arrows receives more than it keeps: of those that arrived
        // since, only the newest kThinnedArrows are drawn. (At full speed a run adds tens of
        // thousands of arrows between two updates, far more than a picture can show.)
        const std::size_t stored = scene.segments().size();
        if (drawn && !finish && stored - std::min(m_cursor.segments, stored) > kThinnedArrows)
            m_cursor.segments = stored - kThinnedArrows;
    }
    const bool tracesDone = finish || m_cursor.points + kPiecePoints >= pointsToDraw(scene);
    const std::size_t arrows = finish ? SIZE_MAX : tracesDone ? kPieceArrows : 0;
    // The new content of a picture following a run may be drawn beside it (see
    // drawQueuedInBackground); wide lines go through a painter, here.
    const bool queue = queueing(scene, finish, preview);
    drawn =
        drawn && SceneRenderer::drawNewContent(m_image, scene, camera, options, m_cursor, points,
                                               arrows, &m_changed, queue ? &m_queued : nullptr);
    if (!drawn) {
        // Points it had not drawn yet were thinned away (a picture that fell behind a fast run):
        // drawn again, a quick picture first when the scene is large, whose full picture begins
        // with the next frame rather than in this one. A large scene keeps the picture it has as
        // the quick one: it lacks only what was thinned before it was drawn, and drawing a quick
        // picture of every few points within this frame would keep the window waiting.
        m_queued.clear();
        if (!preview && large && m_cursor.resetRevision == scene.resetRevision()) {
            SceneRenderer::skipToEnd(scene, m_cursor);
            m_stride = std::max(m_stride, 2);
            return true;
        }
        redrawAll(scene, camera, options, preview || large ? quickStride : 1);
        return !preview && m_stride > 1;
    }
    if (!preview && m_stride > 1) buildFullPicture(scene, camera, options);
    return false;
}

std::size_t LivePicture::pointsToDraw(const Scene3D& scene) {
    // The newest point of a piece waits for the next one (see drawNewContent).
    std::size_t n = scene.pointCount();
    if (n > 0 && scene.rawPoint(n - 1).startsPiece()) --n;
    return n;
}

bool LivePicture::behind(const Scene3D& scene) const {
    if (!m_valid) return false; // nothing to go on from: the next update draws it all
    // After a thinning the cursor's counts are set anew by the next update.
    return m_cursor.layoutRevision != scene.layoutRevision() ||
           m_cursor.points < pointsToDraw(scene) || m_cursor.segments < scene.segments().size() ||
           m_cursor.circles < scene.circles().size();
}

bool LivePicture::quickFromPicture(const ViewCamera& camera, const RenderOptions& options) {
    // Seen from the same angles, the new view is the old one moved and scaled on the screen (the
    // projection is orthographic): the picture drawn for it, moved and scaled, is a quick
    // picture that costs no pass over the points (a quick picture too stays a quick one). So a
    // run that the view zooms out to follow goes on being drawn at once.
    if (!m_valid || m_drawnCamera.azimuth() != camera.azimuth() ||
        m_drawnCamera.elevation() != camera.elevation() ||
        m_drawnCamera.viewport() != camera.viewport() || !(m_drawnCamera.scale() > 0))
        return false;
    const double k = camera.scale() / m_drawnCamera.scale();
    if (!(k > 0) || !std::isfinite(k)) return false;
    const QPointF origin = camera.project({0, 0, 0}) - k * m_drawnCamera.project({0, 0, 0});
    QImage quick(m_image.size(), QImage::Format_ARGB32_Premultiplied);
    quick.fill(SceneRenderer::backgroundColour(options));
    {
        QPainter p(&quick);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(origin, QSizeF(m_image.size()) * k), m_image);
    }
    m_image.swap(quick);
    m_changed = m_image.rect();
    m_drawnCamera = camera;
    m_stride = 2; // a quick picture: the full one is built over the next frames
    return true;
}

bool LivePicture::queueing(const Scene3D& scene, bool finish, bool preview) {
    return !finish && !preview && scene.lineWidth() < 1.5;
}

void LivePicture::buildFullPicture(const Scene3D& scene, const ViewCamera& camera,
                                   const RenderOptions& options) {
    if (!m_building || m_fullCamera != camera || !(m_fullOptions == options) ||
        m_full.size() != m_image.size()) {
        if (m_full.size() != m_image.size())
            m_full = QImage(m_image.size(), QImage::Format_ARGB32_Premultiplied);
        SceneRenderer::drawBackdrop(m_full, scene, camera, options, m_fullCursor);
        m_fullCamera = camera;
        m_fullOptions = options;
        m_building = true;
        m_fullArrivedFrom = scene.storedSegments();
    }
    // The traces first, then the arrows over them, as a picture drawn in one go has them. A run
    // with arrows at every step may add more of them in a frame than a frame's share: the share
    // is kFrameArrows beyond those that arrived since the last frame, so that the full picture
    // catches up with the scene instead of chasing it for the rest of the run.
    const std::uint64_t arrived = scene.storedSegments() - m_fullArrivedFrom;
    m_fullArrivedFrom = scene.storedSegments();
    auto step = [&] {
        const bool tracesDone = m_fullCursor.points + kBuildPoints >= pointsToDraw(scene);
        return SceneRenderer::drawNewContent(
            m_full, scene, camera, options, m_fullCursor, kBuildPoints,
            tracesDone ? kFrameArrows + static_cast<std::size_t>(arrived) : 0, nullptr,
            queueing(scene, false, false) ? &m_queuedFull : nullptr);
    };
    if (!step()) {
        // What it had not drawn yet was thinned meanwhile: start it again on the thinned scene.
        SceneRenderer::drawBackdrop(m_full, scene, camera, options, m_fullCursor);
        step();
    }
    if (m_fullCursor.points < pointsToDraw(scene) ||
        m_fullCursor.segments < scene.segments().size())
        return;
    // Done: the full picture replaces the quick one and grows from here as it did (what is
    // queued for either goes in first).
    drawQueued();
    std::swap(m_image, m_full);
    m_changed = m_image.rect();
    m_cursor = m_fullCursor;
    m_drawnCamera = m_fullCamera;
    m_stride = 1;
    m_building = false;
}

} // namespace gyro
