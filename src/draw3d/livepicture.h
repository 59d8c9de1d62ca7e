// The live view's picture of a growing scene: new points are drawn onto it as they arrive, and a
// scene too large to draw within a frame is shown first as a quick picture while the full one is
// built a frame at a time behind it.
#pragma once

#include "draw3d/scenerenderer.h"
#include "draw3d/viewcamera.h"
#include "scene/scene3d.h"
#include "scene/taskthread.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace gyro {

/// The picture (background and scene, no overlays) at device pixels, kept for one camera and
/// brought up to date by update().
class LivePicture {
public:
    /// Points a frame adds to a full redraw (the quick picture shows about as many).
    static constexpr std::size_t kFramePoints = 150000;
    /// Points a frame adds to the full picture built behind a quick one: a few milliseconds of
    /// drawing, so that such a frame beside a slice of a run keeps the window answering. (A
    /// view that follows a growing run has it rebuilt now and then.)
    static constexpr std::size_t kBuildPoints = 75000;
    /// Arrows a frame adds to a full redraw (the quick picture shows the newest as many).
    static constexpr std::size_t kFrameArrows = 20000;
    /// Points and arrows one update() adds to a picture that follows a growing scene: a couple
    /// of milliseconds of drawing, so that the window answers between the run's slices. A run
    /// adds fewer between two turns of the event loop (a 6 ms slice at full speed is ~12,000
    /// steps, ~36,000 arrows with three a step), so that pieces drawn at every turn catch up.
    static constexpr std::size_t kPiecePoints = 50000;
    static constexpr std::size_t kPieceArrows = 60000;
    /// Arrows one update() adds, the newest, when the scene thinned its arrows since the last:
    /// a run that thins them sends about three a step, and a picture that follows it is updated
    /// after every slice, two or three times a frame. Those shown are a sample of the steps, as
    /// the arrows the scene keeps are; drawing more of them costs the run's thread the copies
    /// and the drawing thread most of a core.
    static constexpr std::size_t kThinnedArrows = 5000;

    /// Brings the picture up to date with `scene` seen by `camera` (whose viewport gives the
    /// size) with `options`. `preview`: the view is moving, a quick picture will do. `finish`:
    /// the full picture now, whatever its cost. Otherwise what the scene received since the last
    /// update is added a piece at a time (see behind()). Returns true when a full picture begins
    /// with the next frame, so that the caller asks for one.
    bool update(const Scene3D& scene, const ViewCamera& camera, const RenderOptions& options,
                bool preview, bool finish = false);
    /// Whether `scene` holds content that the picture has not drawn yet: another update() adds
    /// the next piece of it. (Content queued counts as drawn: see busy().)
    bool behind(const Scene3D& scene) const;
    /// Whether content is queued or being drawn by the drawing thread: another update() puts
    /// it in the picture and tells what it changed.
    bool busy() const { return !m_queued.empty() || !m_queuedFull.empty() || m_thread.started(); }
    /// Draws it all again at the next update (new options).
    void invalidate() { m_valid = false; }

    /// The picture with everything update() added (what it left queued drawn first).
    const QImage& image();
    /// The picture as drawn so far: traces and arrows still queued are not in it yet.
    const QImage& imageSoFar();
    /// While it follows a run, update() leaves the new traces and arrows queued (a run at full
    /// speed adds millions of steps a second, with up to three arrows each): this hands them to
    /// a drawing thread, which draws them into the picture while the caller goes on with the
    /// run. Anything that looks at the picture next waits for that thread first. What is not
    /// handed over is drawn at the next update(), before anything else.
    void drawQueuedInBackground();
    /// Whether the picture is drawn for `camera` at its viewport's size, whole (no quick picture):
    /// it then needs update() only to add what the scene received since.
    bool current(const ViewCamera& camera) const {
        return m_valid && m_stride == 1 && m_drawnCamera == camera &&
               m_image.size() == camera.viewport();
    }
    /// The box of the picture's pixels (device pixels) that changed since the last call: a
    /// repaint of that box alone shows the picture as it is. Empty when nothing changed.
    QRect takeChanged();
    /// Whether the picture shows only every few points (a full one is still to come).
    bool quick() const { return m_stride > 1; }
    /// Whether a full picture is being built behind the quick one.
    bool building() const { return m_building; }

private:
    /// Waits for the drawing thread; what it changed goes into m_changed.
    void settle();
    /// settle(), then draws the queued content on this thread.
    void drawQueued();
    /// Whether an update of `scene` queues the new content (one-pixel lines of a picture that
    /// follows a run) rather than drawing it at once.
    static bool queueing(const Scene3D& scene, bool finish, bool preview);
    void redrawAll(const Scene3D& scene, const ViewCamera& camera, const RenderOptions& options,
                   int stride);
    static std::size_t pointsToDraw(const Scene3D& scene);
    bool quickFromPicture(const ViewCamera& camera, const RenderOptions& options);
    void buildFullPicture(const Scene3D& scene, const ViewCamera& camera,
                          const RenderOptions& options);

    QImage m_image;
    ViewCamera m_drawnCamera;
    DrawCursor m_cursor;
    bool m_valid = false;
    int m_stride = 1; // > 1 while the picture is a quick one
    QRect m_changed;  // what changed since the last takeChanged()

    // The full picture built a frame at a time while the quick one is shown.
    QImage m_full;
    ViewCamera m_fullCamera;
    RenderOptions m_fullOptions;
    DrawCursor m_fullCursor;
    bool m_building = false;
    std::uint64_t m_fullArrivedFrom = 0; // the scene's storedSegments() at the last frame

    // Content added by update() and not drawn yet (one-pixel lines into m_image), and that
    // which the drawing thread draws meanwhile with m_cursor's memos and pen, and the box it
    // changed.
    DeferredContent m_queued;
    DeferredContent m_threadContent;
    QRect m_threadChanged;
    ViewCamera m_threadCamera;
    // The same for the full picture built behind a quick one (m_full, m_fullCursor).
    DeferredContent m_queuedFull;
    DeferredContent m_threadFull;
    ViewCamera m_threadFullCamera;
    TaskThread m_thread; // last: it ends before anything it draws into goes
};

} // namespace gyro
