// The live 3D view of a run: a widget that shows a Scene3D and lets the user turn, zoom and pan
// it while the trajectory grows.
#pragma once

#include "draw3d/livepicture.h"
#include "draw3d/overlaycache.h"
#include "draw3d/scenerenderer.h"
#include "draw3d/viewcamera.h"
#include "scene/scene3d.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPoint>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QTimer;
class QToolButton;

namespace gyro {

/// The drawing component of a run: shows its scene model (`model()`, the `TraceSink` a run
/// draws into). Drawing never repaints per call: a timer at about 30 Hz (60 Hz while a picture
/// is built over frames) draws what was added onto a cached picture and repaints once; the whole
/// picture is redrawn only when the view changes or the model thins or clears its content. A large
/// scene is then redrawn over several frames (LivePicture::kBuildPoints points and kFrameArrows
/// arrows a frame) behind a quick picture of every few points, which the full one replaces when
/// done, so that no frame holds the window long. Nor does a run adding more than a piece between
/// two frames (LivePicture::kPiecePoints, kPieceArrows): the rest is drawn a piece at each turn of
/// the event loop until the picture has caught up.
///
/// Mouse: left drag turns the view about its centre, right drag (or middle drag, or shift- or
/// ctrl-left drag) pans, the wheel zooms about the cursor, a double click fits the scene, a right
/// click opens the menu. Keys: R starting view, F fit, + and − zoom, arrows turn (with shift:
/// pan), 1 front (xz), 2 side (yz), 3 top (xy), 0 oblique view.
class Traceur3D : public QWidget {
    Q_OBJECT
public:
    explicit Traceur3D(QWidget* parent = nullptr);
    ~Traceur3D() override;

    /// Removes everything drawn (see Scene3D::Clear) and goes back to the starting view.
    void Clear();

    /// The scene model this view shows.
    Scene3D& model() { return m_scene; }
    const Scene3D& model() const { return m_scene; }
    /// Number of stored trace points.
    std::size_t pointCount() const { return m_scene.pointCount(); }

    /// The current camera (viewport in device pixels).
    const ViewCamera& camera() const { return m_camera; }
    /// Replaces the camera (its viewport is set to the widget's).
    void setCamera(const ViewCamera& camera);
    /// Back to the starting view of the scene (`homeCamera`).
    void resetView();
    /// Shows everything drawn, at the current angles.
    void fitScene();
    /// Looks from the given angles (degrees), keeping centre and zoom.
    void setViewAngles(double azimuthDeg, double elevationDeg);

    RenderOptions renderOptions() const { return m_options; }
    void setRenderOptions(const RenderOptions& options);

    /// The picture as shown (with overlays), at `size` device pixels (the widget's when empty).
    QImage sceneImage(QSize size = {}) const;
    /// Writes that picture as PNG; false with a message in `error` on failure.
    bool saveImage(const QString& path, QString* error = nullptr, QSize size = {}) const;

    /// Where the "how to move the view" line is drawn over an empty scene, clear of the axes;
    /// empty when it has no room (or the scene is not empty). Sets `text` to the line as laid
    /// out there.
    QRect moveHintRect(QString* text = nullptr) const;

    /// Draws pending changes at once (the timer does it about 60 times a second), the full
    /// picture included.
    void flush();
    /// Whether a full picture is being built behind the quick one.
    bool buildingFullPicture() const { return m_picture.building(); }

    /// Points a frame adds to a full redraw (the quick picture shows about as many).
    static constexpr std::size_t kFramePoints = LivePicture::kFramePoints;
    static constexpr std::size_t kFrameArrows = LivePicture::kFrameArrows;
    /// Whether the picture is a quick one while the view moves (dragged, or zoomed by the wheel a
    /// moment ago); the full picture follows once the view rests.
    bool showsQuickPicture() const;

    /// The view menu (fit, reset, standard views, display options, save image, clear); the
    /// caller owns it.
    QMenu* createMenu(QWidget* parent);

signals:
    /// The scene received new content or settings; emitted at most once per frame.
    void sceneChanged();
    /// The user or the program moved the view.
    void viewChanged();
    /// The scene was cleared (its point count is 0 again).
    void cleared();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFont hintFont() const;
    QString moveHintText() const;
    enum class Drag { None, Rotate, Pan };

    // Zooms out to the whole scene when it left the picture and the user has not moved the view.
    void followScene();
    void tick();
    // Repaints what the scene's news changed in the picture.
    void showChanges();
    // Adds the next piece of new content to the picture; the next frame shows it.
    void drawNextPiece();
    // A box of device pixels as the logical pixels that cover it.
    QRect logicalRect(const QRect& device) const;
    void viewMoved(bool byUser);
    void ensureContent(bool preview, bool finish = false);
    void placeButtons();
    void showMenuAt(const QPoint& globalPos);
    void saveImageDialog();
    /// The camera and options of an exported picture of `size` (the widget's when empty).
    ViewCamera exportCamera(QSize& size, RenderOptions& options) const;
    QSize deviceSize() const;
    double ratio() const;

    Scene3D m_scene;
    ViewCamera m_camera;
    RenderOptions m_options;

    LivePicture m_picture; // background and scene, at device pixels

    OverlayCache m_overlay; // the overlays that change only with the view and the set-up

    bool m_paintedEmpty = true; // the last repaint showed an empty scene (and its hint)
    QRect m_countRect;          // where the point count was drawn last (logical pixels)
    QFont m_countFont;          // the widget's font the metrics below were made for
    std::optional<QFontMetricsF> m_countMetrics; // of the point count's font
    std::uint64_t m_seenRevision = 0;
    bool m_growing = false; // the scene changed between the last two frames
    std::uint64_t m_seenSetUp = 0;
    bool m_userMovedView = false;
    std::uint64_t m_movedAtPoints = 0; // the scene's pointsReceived() at the user's last move

    Drag m_drag = Drag::None;
    QPoint m_pressPos;
    QPoint m_lastPos;
    bool m_dragMoved = false;
    Qt::MouseButton m_pressButton = Qt::NoButton;

    QTimer* m_tick = nullptr;
    QTimer* m_catchUp = nullptr; // the next piece of new content, at the next turn of the loop
    QTimer* m_settle = nullptr;
    QToolButton* m_fitButton = nullptr;
    QToolButton* m_resetButton = nullptr;
    QToolButton* m_menuButton = nullptr;
};

} // namespace gyro
