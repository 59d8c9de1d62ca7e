// The live 3D view: cached drawing, coalesced repaints and mouse and keyboard navigation.
#include "ui/scene/traceur3d.h"

#include <QAction>
#include <QFileDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {
// Period of the frames that show a growing scene, about 30 Hz as the run's read-outs: each
// frame costs a run computing as fast as it can a share of its rate, by the frame and not by the
// point (the new points are drawn once whatever the period). A picture built over several frames
// (after the view moved) goes on at about 60 Hz; moving the view repaints at once.
constexpr int kFrameMs = 33;
constexpr int kBuildFrameMs = 16;
constexpr int kSettleMs = 160; // full redraw this long after the last wheel step
constexpr double kDegreesPerPixel = 0.45;
} // namespace

Traceur3D::Traceur3D(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setMinimumSize(160, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::PreventContextMenu); // opened on right release, not on press
    setToolTip(QString());

    m_tick = new QTimer(this);
    m_tick->setInterval(kFrameMs);
    connect(m_tick, &QTimer::timeout, this, &Traceur3D::tick);
    // New content beyond a piece is drawn a piece at each turn of the event loop (between the
    // run's slices) until the picture has caught up, rather than all in one long frame.
    m_catchUp = new QTimer(this);
    m_catchUp->setSingleShot(true);
    m_catchUp->setInterval(0);
    connect(m_catchUp, &QTimer::timeout, this, &Traceur3D::drawNextPiece);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    connect(m_settle, &QTimer::timeout, this, qOverload<>(&QWidget::update));

    auto makeButton = [this](const QString& text, const QString& tip) {
        auto* b = new QToolButton(this);
        b->setText(text);
        b->setToolTip(tip);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        b->setCursor(Qt::ArrowCursor);
        b->setStyleSheet(
            QStringLiteral("QToolButton { background: rgba(128,134,146,60); border: 1px solid "
                           "rgba(128,134,146,90); border-radius: 4px; padding: 2px 7px; }"
                           "QToolButton:hover { background: rgba(128,134,146,120); }"));
        return b;
    };
    m_fitButton = makeButton(tr("Fit"), tr("Show the whole scene (F, or double click)"));
    m_resetButton = makeButton(tr("Reset"), tr("Back to the starting view (R)"));
    m_menuButton = makeButton(QStringLiteral("\u2261"), tr("View options"));
    connect(m_fitButton, &QToolButton::clicked, this, &Traceur3D::fitScene);
    connect(m_resetButton, &QToolButton::clicked, this, &Traceur3D::resetView);
    connect(m_menuButton, &QToolButton::clicked, this,
            [this] { showMenuAt(m_menuButton->mapToGlobal(QPoint(0, m_menuButton->height()))); });

    m_camera = homeCamera(m_scene, deviceSize());
    placeButtons();
}

Traceur3D::~Traceur3D() = default;

void Traceur3D::Clear() {
    m_scene.Clear();
    resetView(); // an empty scene has nothing to keep the old zoom for
    emit cleared();
}

// --- View.

QSize Traceur3D::deviceSize() const {
    const double r = ratio();
    return QSize(std::max(1, static_cast<int>(std::lround(width() * r))),
                 std::max(1, static_cast<int>(std::lround(height() * r))));
}

double Traceur3D::ratio() const {
    return std::max(1.0, devicePixelRatioF());
}

void Traceur3D::setCamera(const ViewCamera& camera) {
    m_camera = camera;
    m_camera.setViewport(deviceSize());
    viewMoved(true);
}

void Traceur3D::resetView() {
    m_camera = homeCamera(m_scene, deviceSize());
    m_userMovedView = false;
    emit viewChanged();
    update();
}

void Traceur3D::fitScene() {
    if (!m_scene.bounds().valid) {
        resetView();
        return;
    }
    m_camera.setViewport(deviceSize());
    m_camera.fitBox(m_scene.bounds());
    viewMoved(true);
}

void Traceur3D::setViewAngles(double azimuthDeg, double elevationDeg) {
    m_camera.setAngles(azimuthDeg, elevationDeg);
    viewMoved(true);
}

void Traceur3D::setRenderOptions(const RenderOptions& options) {
    m_options = options;
    m_picture.invalidate();
    update();
}

void Traceur3D::viewMoved(bool byUser) {
    if (byUser) {
        m_userMovedView = true;
        m_movedAtPoints = m_scene.pointsReceived();
    }
    emit viewChanged();
    update();
}

// --- Drawing.

void Traceur3D::tick() {
    if (m_scene.setUpRevision() != m_seenSetUp) {
        m_seenSetUp = m_scene.setUpRevision();
        // A new run is framed, unless the user set the view after the last run stopped
        // drawing: that view was chosen for this run. A view moved while an earlier run drew
        // belonged to that run.
        const bool chosenForThisRun =
            m_userMovedView && m_movedAtPoints == m_scene.pointsReceivedAtSetUp();
        if (!chosenForThisRun) resetView();
    }
    // While a run grows the scene, the view shows the arrows a few milliseconds late rather
    // than wait for them to be stored at every frame; once it stops, they are all shown. The
    // lag lasts as long as one of the view's own handlers: anyone else reading the scene (an
    // export, another window) sees it whole.
    m_growing = m_scene.revision() != m_seenRevision;
    if (m_growing) {
        m_seenRevision = m_scene.revision();
        emit sceneChanged();
    }
    const Scene3D::ArrowLag lag(m_scene, m_growing);
    if (m_growing) {
        if (!m_userMovedView) followScene();
        showChanges();
    } else if (m_scene.arrowsWaiting()) {
        showChanges();
    } else if (m_picture.quick() && m_drag == Drag::None && !m_settle->isActive()) {
        update(); // the full picture goes on being built behind the quick one
    } else if (const QRect late = logicalRect(m_picture.takeChanged()); !late.isEmpty()) {
        update(late); // pieces drawn after the scene last changed (the run has stopped)
    }
    const int period = m_picture.quick() ? kBuildFrameMs : kFrameMs;
    if (m_tick->interval() != period) m_tick->setInterval(period);
}

void Traceur3D::followScene() {
    // A trajectory that leaves the picture takes the view with it, as long as the user has not
    // chosen a view: the camera zooms out to the current run with room to spare, so that it
    // moves again only when the run has grown well beyond it. Older runs do not count: a small
    // orbit drawn after a large one stays framed.
    const Bounds3d& b = m_scene.runBounds();
    if (!b.valid) return;
    m_camera.setViewport(deviceSize());
    const QSizeF vp = QSizeF(m_camera.viewport());
    for (int corner = 0; corner < 8; ++corner) {
        const Point3d p{corner & 1 ? b.max.x : b.min.x, corner & 2 ? b.max.y : b.min.y,
                        corner & 4 ? b.max.z : b.min.z};
        const QPointF q = m_camera.project(p);
        if (q.x() < 0 || q.y() < 0 || q.x() > vp.width() || q.y() > vp.height()) {
            m_camera.fitBox(b, 0.6);
            emit viewChanged();
            return;
        }
    }
}

QRect Traceur3D::logicalRect(const QRect& device) const {
    if (device.isEmpty()) return {};
    const double r = ratio();
    return QRectF(device.x() / r, device.y() / r, device.width() / r, device.height() / r)
        .toAlignedRect()
        .adjusted(-1, -1, 1, 1);
}

void Traceur3D::showChanges() {
    // A growing trace changes a few pixels a frame: only they and the point count are
    // repainted (the buttons over the picture and the copy to the screen cost by the pixel).
    // Anything else (a moving view, a picture built over frames, an overlay drawn anew, the
    // hint over an empty scene) repaints the whole.
    const bool moving = m_drag != Drag::None || m_settle->isActive();
    if (moving || !isVisible() || m_picture.quick() || m_scene.isEmpty() || m_paintedEmpty) {
        update();
        return;
    }
    ensureContent(false);
    RenderOptions o = m_options;
    o.pixelRatio = ratio();
    const std::uint64_t overlay = m_overlay.revision();
    m_overlay.lasting(m_scene, m_camera, o);
    if (m_overlay.revision() != overlay) {
        update();
        return;
    }
    if (!m_countMetrics || m_countFont != font()) {
        m_countFont = font();
        m_countMetrics.emplace(SceneRenderer::pointCountFont(m_countFont));
    }
    // The count only grows until the scene is cleared (which repaints the whole): its latest
    // box holds every text drawn before.
    const QRect count = SceneRenderer::pointCountRect(m_scene, o, *m_countMetrics);
    QRegion region(logicalRect(m_picture.takeChanged()));
    region += count;
    region += m_countRect;
    m_countRect = count;
    if (!region.isEmpty())
        update(region); // the repaint hands the queued content on
    else
        m_picture.drawQueuedInBackground();
}

void Traceur3D::drawNextPiece() {
    // Only into the picture: the frames repaint what changed at their own pace (a repaint at
    // every turn would cost the run more than the drawing). A moving view or a quick picture
    // has its own frames.
    const bool moving = m_drag != Drag::None || m_settle->isActive();
    if (moving || !isVisible() || m_picture.quick()) return;
    const Scene3D::ArrowLag lag(m_scene, m_growing);
    ensureContent(false);
    m_picture.drawQueuedInBackground();
}

void Traceur3D::flush() {
    tick();
    ensureContent(false, true);
    update();
}

bool Traceur3D::showsQuickPicture() const {
    return m_drag != Drag::None || m_settle->isActive() || m_picture.quick();
}

void Traceur3D::ensureContent(bool preview, bool finish) {
    m_camera.setViewport(deviceSize());
    RenderOptions o = m_options;
    o.pixelRatio = ratio();
    if (m_picture.update(m_scene, m_camera, o, preview, finish)) update();
    if (isVisible() && (m_picture.behind(m_scene) || m_picture.busy())) m_catchUp->start();
}

void Traceur3D::paintEvent(QPaintEvent* event) {
    const Scene3D::ArrowLag lag(m_scene, m_growing);
    const bool moving = m_drag != Drag::None || m_settle->isActive();
    // A whole picture for this view is painted as it is: the frame that asked for this repaint
    // brought it up to date, and what the run adds meanwhile comes with the next.
    m_camera.setViewport(deviceSize());
    if (moving || !m_picture.current(m_camera)) ensureContent(moving);
    // What arrived since the last frame and lies outside this repaint is shown by the next.
    const QRegion late = QRegion(logicalRect(m_picture.takeChanged())) - event->region();
    if (!late.isEmpty()) update(late);
    m_paintedEmpty = m_scene.isEmpty();
    RenderOptions o = m_options;
    o.pixelRatio = ratio();
    m_overlay.lasting(m_scene, m_camera, o);
    QPainter p(this);
    // The content is opaque: copied, not blended.
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(rect(), m_picture.imageSoFar());
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Only the tiles of the overlay that hold anything are blended over it.
    m_overlay.blend(p, ratio());
    p.save();
    p.scale(1 / ratio(), 1 / ratio());
    SceneRenderer::drawOverlay(p, m_scene, m_camera, o, OverlayParts::PointCount);
    p.restore();
    // A quiet line of text over the scene, in the ink of the background in use.
    auto hint = [&](QColor onDark, QColor onLight, int alpha, int pixelSize, int bottomMargin,
                    Qt::Alignment align, const QString& text) {
        QColor ink = o.darkBackground ? onDark : onLight;
        ink.setAlpha(alpha);
        p.setPen(ink);
        QFont f = font();
        f.setPixelSize(pixelSize);
        p.setFont(f);
        p.drawText(rect().adjusted(0, 0, 0, -bottomMargin), align, text);
    };
    if (m_drag == Drag::Rotate) {
        // While turning, say from where the scene is seen.
        hint(QColor(214, 218, 226), QColor(52, 56, 66), 190, 12, 10,
             Qt::AlignHCenter | Qt::AlignBottom,
             tr("azimuth %1\u00b0   elevation %2\u00b0")
                 .arg(m_camera.azimuth(), 0, 'f', 0)
                 .arg(m_camera.elevation(), 0, 'f', 0));
    }
    if (m_scene.isEmpty()) {
        QString text;
        const QRect where = moveHintRect(&text);
        if (!where.isEmpty()) {
            QColor ink = o.darkBackground ? QColor(200, 204, 212) : QColor(90, 96, 108);
            ink.setAlpha(160);
            p.setPen(ink);
            p.setFont(hintFont());
            p.drawText(where, Qt::AlignCenter, text);
        }
    }
    m_picture.drawQueuedInBackground(); // what the last update queued, drawn beside the run
}

QFont Traceur3D::hintFont() const {
    QFont f = font();
    f.setPixelSize(13);
    return f;
}

QString Traceur3D::moveHintText() const {
    return tr("Drag to turn \u00b7 wheel to zoom \u00b7 right drag to pan");
}

QRect Traceur3D::moveHintRect(QString* text) const {
    if (!m_scene.isEmpty()) return {};
    // Where the hint covers nothing: the band below or above the axes on one line (the buttons
    // hold the top), else left or right of them one item a line; nowhere without room.
    const QFontMetrics metrics(hintFont());
    const QString line = moveHintText();
    const QString column = QString(line).replace(QString::fromUtf8(" \u00b7 "), "\n");
    const QSize wide = metrics.size(0, line) + QSize(16, 8);
    const QSize tall = metrics.size(0, column) + QSize(16, 8);
    RenderOptions o = m_options;
    o.pixelRatio = ratio();
    const QRect axes = SceneRenderer::axesFootprint(m_scene, m_camera, o).toAlignedRect();
    const int top = m_fitButton->geometry().bottom() + 4;
    const int below = std::max(top, axes.bottom() + 1);
    struct Band {
        QRect area;
        QSize need;
        const QString* text;
    };
    const Band bands[] = {
        {QRect(0, below, width(), height() - below), wide, &line},
        {QRect(0, top, width(), axes.top() - top), wide, &line},
        {QRect(0, top, axes.left(), height() - top), tall, &column},
        {QRect(axes.right() + 1, top, width() - axes.right() - 1, height() - top), tall, &column}};
    for (const Band& band : bands) {
        if (band.area.width() < band.need.width() || band.area.height() < band.need.height())
            continue;
        if (text) *text = *band.text;
        return QRect(band.area.center() - QPoint(band.need.width() / 2, band.need.height() / 2),
                     band.need);
    }
    return {};
}

void Traceur3D::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The view survives a resize, whether the user set it or it followed the run: the same
    // direction and centre, and the same stretch of the scene across the picture's smaller
    // side (a dock that opens shrinks the picture, not what it shows).
    const QSize before = m_camera.viewport();
    const QSize after = deviceSize();
    const int beforeSide = std::min(before.width(), before.height());
    const int afterSide = std::min(after.width(), after.height());
    m_camera.setViewport(after);
    if (beforeSide > 1 && afterSide > 1)
        m_camera.setScale(m_camera.scale() * afterSide / static_cast<double>(beforeSide));
    placeButtons();
}

void Traceur3D::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_tick->start();
}

void Traceur3D::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_tick->stop();
    m_catchUp->stop();
}

void Traceur3D::placeButtons() {
    int x = width() - 8;
    for (QToolButton* b : {m_menuButton, m_resetButton, m_fitButton}) {
        b->adjustSize();
        x -= b->width();
        b->move(x, 8);
        x -= 4;
    }
}

// --- Mouse and keys.

void Traceur3D::mousePressEvent(QMouseEvent* event) {
    m_pressPos = m_lastPos = event->position().toPoint();
    m_pressButton = event->button();
    m_dragMoved = false;
    const bool panModifier = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (event->button() == Qt::LeftButton)
        m_drag = panModifier ? Drag::Pan : Drag::Rotate;
    else if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)
        m_drag = Drag::Pan;
    if (m_drag != Drag::None)
        setCursor(m_drag == Drag::Pan ? Qt::ClosedHandCursor : Qt::SizeAllCursor);
    event->accept();
}

void Traceur3D::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag == Drag::None) return;
    const QPoint pos = event->position().toPoint();
    const QPoint d = pos - m_lastPos;
    if ((pos - m_pressPos).manhattanLength() > 3) m_dragMoved = true;
    m_lastPos = pos;
    if (d.isNull()) return;
    if (m_drag == Drag::Rotate)
        m_camera.rotateBy(-d.x() * kDegreesPerPixel, d.y() * kDegreesPerPixel);
    else
        m_camera.panPixels(d.x() * ratio(), d.y() * ratio());
    viewMoved(true);
    event->accept();
}

void Traceur3D::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = !m_dragMoved;
    const Qt::MouseButton button = m_pressButton;
    m_drag = Drag::None;
    m_pressButton = Qt::NoButton;
    unsetCursor();
    update(); // the full picture replaces the quick one
    if (click && button == Qt::RightButton && event->button() == Qt::RightButton)
        showMenuAt(event->globalPosition().toPoint());
    event->accept();
}

void Traceur3D::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) fitScene();
    event->accept();
}

void Traceur3D::wheelEvent(QWheelEvent* event) {
    double steps = event->angleDelta().y();
    if (steps == 0) steps = event->pixelDelta().y() * 4.0;
    if (steps == 0) return;
    const double factor = std::pow(1.0015, steps); // one notch (120) ≈ ×1.2
    m_camera.setViewport(deviceSize());
    m_camera.zoomAbout(factor, event->position() * ratio());
    m_settle->start();
    viewMoved(true);
    event->accept();
}

void Traceur3D::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const QPointF centre(deviceSize().width() / 2.0, deviceSize().height() / 2.0);
    switch (event->key()) {
    case Qt::Key_R:
        resetView();
        break;
    case Qt::Key_F:
        fitScene();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        m_camera.zoomAbout(1.25, centre);
        viewMoved(true);
        break;
    case Qt::Key_Minus:
        m_camera.zoomAbout(0.8, centre);
        viewMoved(true);
        break;
    case Qt::Key_Left:
        if (shift)
            m_camera.panPixels(-40 * ratio(), 0);
        else
            m_camera.rotateBy(5, 0);
        viewMoved(true);
        break;
    case Qt::Key_Right:
        if (shift)
            m_camera.panPixels(40 * ratio(), 0);
        else
            m_camera.rotateBy(-5, 0);
        viewMoved(true);
        break;
    case Qt::Key_Up:
        if (shift)
            m_camera.panPixels(0, -40 * ratio());
        else
            m_camera.rotateBy(0, -5);
        viewMoved(true);
        break;
    case Qt::Key_Down:
        if (shift)
            m_camera.panPixels(0, 40 * ratio());
        else
            m_camera.rotateBy(0, 5);
        viewMoved(true);
        break;
    case Qt::Key_1:
        setViewAngles(-90, 0);
        break;
    case Qt::Key_2:
        setViewAngles(0, 0);
        break;
    case Qt::Key_3:
        setViewAngles(-90, 90);
        break;
    case Qt::Key_0:
        setViewAngles(ViewCamera::kDefaultAzimuth, ViewCamera::kDefaultElevation);
        break;
    case Qt::Key_Menu:
        showMenuAt(mapToGlobal(rect().center()));
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

// --- Menu and image.

QMenu* Traceur3D::createMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(tr("Fit scene\tF"), this, &Traceur3D::fitScene);
    menu->addAction(tr("Starting view\tR"), this, &Traceur3D::resetView);
    menu->addSeparator();
    menu->addAction(tr("Front view (xz)\t1"), this, [this] { setViewAngles(-90, 0); });
    menu->addAction(tr("Side view (yz)\t2"), this, [this] { setViewAngles(0, 0); });
    menu->addAction(tr("Top view (xy)\t3"), this, [this] { setViewAngles(-90, 90); });
    menu->addSeparator();
    auto toggle = [this, menu](const QString& text, bool RenderOptions::*field) {
        QAction* a = menu->addAction(text);
        a->setCheckable(true);
        a->setChecked(m_options.*field);
        connect(a, &QAction::toggled, this, [this, field](bool on) {
            RenderOptions o = m_options;
            o.*field = on;
            setRenderOptions(o);
        });
    };
    toggle(tr("Axes"), &RenderOptions::showAxes);
    toggle(tr("Scale bar"), &RenderOptions::showScaleBar);
    toggle(tr("Direction triad"), &RenderOptions::showTriad);
    toggle(tr("Run tags"), &RenderOptions::showTags);
    toggle(tr("Caption"), &RenderOptions::showCaption);
    toggle(tr("Dark background"), &RenderOptions::darkBackground);
    menu->addSeparator();
    menu->addAction(tr("Save image\u2026"), this, &Traceur3D::saveImageDialog);
    menu->addAction(tr("Clear scene"), this, &Traceur3D::Clear);
    return menu;
}

void Traceur3D::showMenuAt(const QPoint& globalPos) {
    QMenu* menu = createMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

ViewCamera Traceur3D::exportCamera(QSize& size, RenderOptions& options) const {
    const QSize ds = deviceSize();
    if (size.isEmpty()) size = ds;
    ViewCamera camera = m_camera;
    camera.setViewport(ds);
    // Another size shows the same region: zoom, and scale the marks and text, by the ratio.
    const double k = std::min(static_cast<double>(size.width()) / ds.width(),
                              static_cast<double>(size.height()) / ds.height());
    camera.setScale(camera.scale() * k);
    options = m_options;
    options.pixelRatio = ratio() * k;
    return camera;
}

QImage Traceur3D::sceneImage(QSize size) const {
    RenderOptions o;
    const ViewCamera camera = exportCamera(size, o);
    return SceneRenderer::render(m_scene, camera, size, o);
}

bool Traceur3D::saveImage(const QString& path, QString* error, QSize size) const {
    RenderOptions o;
    const ViewCamera camera = exportCamera(size, o);
    return renderToPng(m_scene, camera, size, path, error, o);
}

void Traceur3D::saveImageDialog() {
    QString path = QFileDialog::getSaveFileName(
        this, tr("Save image"), QStringLiteral("gyrotrace.png"), tr("PNG image (*.png)"));
    if (path.isEmpty()) return;
    if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
    QString error;
    if (!saveImage(path, &error)) QMessageBox::warning(this, tr("Save image"), error);
}

} // namespace gyro
