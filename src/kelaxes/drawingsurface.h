// A drawing surface: everything painted on it is recorded as a display list (QPicture) and
// replayed on demand, so a window, an image, a PDF file and the printer show the same drawing.
#pragma once

#include <QColor>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPicture>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QTransform>

#include <memory>
#include <vector>

namespace gyro {

/// A picture with its own size in surface units (think pixels of a window picture) and a user
/// coordinate scale. Drawing goes through `painter()` in surface units; `toSurface` maps world
/// coordinates through the user scale. Pens and fonts given in surface units scale with the
/// picture when it is replayed larger (an A4 page, a 4000-pixel PNG), so every device shows the
/// same proportions.
class DrawingSurface {
public:
    explicit DrawingSurface(QSizeF size = QSizeF(640, 480));
    ~DrawingSurface();
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    /// Size in surface units. A size that is not positive and finite is refused (returns false).
    bool setSize(QSizeF size);
    QSizeF size() const { return m_size; }
    QRectF rect() const { return QRectF(QPointF(0, 0), m_size); }

    /// Colour the picture is cleared to (drawn under the recording at every replay).
    void setBackground(const QColor& colour);
    QColor background() const { return m_background; }

    /// Forgets everything drawn; the user scale stays.
    void clear();
    /// True when nothing has been drawn since the last clear.
    bool isEmpty() const;
    /// Increases with every clear and every new drawing (windows repaint when it changes).
    quint64 revision() const { return m_revision; }

    /// The user coordinate scale: world (left, top) shows at the surface's top-left corner and
    /// (left + width, top + height) at its bottom-right; a negative height makes y grow upwards.
    /// A zero or non-finite value is refused (returns false, scale unchanged).
    bool setScale(double left, double top, double width, double height);
    /// World coordinates are surface units again.
    void resetScale();
    /// The world rectangle of the whole surface (left, top, width, height as set).
    QRectF scaleRect() const { return m_scaleRect; }
    /// World → surface transform of the user scale.
    const QTransform& worldTransform() const { return m_world; }
    QPointF toSurface(double x, double y) const { return m_world.map(QPointF(x, y)); }
    QPointF toWorld(const QPointF& surfacePoint) const;

    /// The painter recording on this surface, in surface units. Pen, brush and font carry over
    /// between recordings; the painter's transform is reset at every `flush`.
    QPainter& painter();
    /// Closes the current recording so that it can be replayed (done by every replay).
    void flush() const;

    /// Replays the drawing into `target` (device coordinates of `p`), scaled uniformly to fit
    /// and centred, on the background colour.
    void replay(QPainter& p, const QRectF& target) const;
    /// Shows the drawing in `target` as `replay` does, from an image kept between calls: only
    /// what was drawn since the last call is painted onto it, so that a picture growing while it
    /// is shown costs what is new, not the whole recording (which stays for export). The image
    /// is rebuilt when the target's pixel size changes, after a clear and after a resize.
    void paintCached(QPainter& p, const QRectF& target) const;
    /// Number of times the kept image was rebuilt from the whole recording (tests, benchmarks).
    int cacheRebuilds() const { return m_cache.rebuilds; }

    /// The rectangle where `replay` puts the surface inside `target`.
    QRectF fittedRect(const QRectF& target) const;
    /// The drawing as an image of `pixels` (the surface's own size when empty).
    QImage toImage(QSize pixels = QSize()) const;
    /// Writes a PNG of `pixels` through a temporary file. Returns false with a message.
    bool writePng(const QString& file, QSize pixels, QString* error) const;
    /// Writes a one-page PDF with the given page layout (the drawing fills its paint rectangle)
    /// through a temporary file. Returns false with a message.
    bool writePdf(const QString& file, const QPageLayout& layout, QString* error,
                  int resolutionDpi = 600) const;

private:
    void beginRecording() const;
    // Plays `layer` (surface units) onto `p` inside the fitted rectangle `r` (device units).
    void playLayer(QPainter& p, const QRectF& r, const QPicture& layer) const;
    void addLayer(std::unique_ptr<QPicture> layer) const;

    // The image paintCached shows: the drawing at `pixels`, every finished recording painted.
    struct Cache {
        QImage image;
        bool valid = false;
        int rebuilds = 0;
    };

    QSizeF m_size;
    QColor m_background = Qt::white;
    QRectF m_scaleRect;
    QTransform m_world;
    // Finished recordings, replayed in order, and the one being recorded.
    mutable std::vector<std::unique_ptr<QPicture>> m_layers;
    mutable std::unique_ptr<QPicture> m_open;
    mutable QPainter m_painter;
    mutable QPen m_pen;
    mutable QBrush m_brush;
    mutable QFont m_font;
    mutable bool m_drawnInOpen = false;
    quint64 m_revision = 0;
    mutable Cache m_cache;
};

/// The page layout the program prints with at first: A4, portrait, 10 mm margins.
QPageLayout defaultPageLayout();

} // namespace gyro
