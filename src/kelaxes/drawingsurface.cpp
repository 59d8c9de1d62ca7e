// The recorded drawing surface: display-list recording, replay, and PNG / PDF output.
#include "kelaxes/drawingsurface.h"
#include "settings/outputfile.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>

#include <cmath>

namespace gyro {

namespace {

// Finished recordings are merged while the newest is at least half the size of the one before
// and both together stay below this many bytes: a picture drawn piece by piece (a live plot)
// keeps a short replay list, and no merge ever replays more than this much of it.
constexpr int kMergeBytes = 1 << 18;

bool finitePositive(double v) {
    return std::isfinite(v) && v > 0;
}

} // namespace

DrawingSurface::DrawingSurface(QSizeF size) : m_size(640, 480) {
    setSize(size);
    resetScale();
}

DrawingSurface::~DrawingSurface() {
    if (m_painter.isActive()) m_painter.end();
}

bool DrawingSurface::setSize(QSizeF size) {
    if (!finitePositive(size.width()) || !finitePositive(size.height())) return false;
    m_size = size;
    if (m_scaleRect.isNull() || m_world.isIdentity()) resetScale();
    m_cache.valid = false;
    return true;
}

void DrawingSurface::setBackground(const QColor& colour) {
    m_background = colour;
    m_cache.valid = false;
}

void DrawingSurface::clear() {
    if (m_painter.isActive()) {
        m_pen = m_painter.pen();
        m_brush = m_painter.brush();
        m_font = m_painter.font();
        m_painter.end();
    }
    m_open.reset();
    m_layers.clear();
    m_drawnInOpen = false;
    m_cache.valid = false;
    ++m_revision;
}

bool DrawingSurface::isEmpty() const {
    return m_layers.empty() && !m_drawnInOpen;
}

bool DrawingSurface::setScale(double left, double top, double width, double height) {
    if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(width) ||
        !std::isfinite(height) || width == 0 || height == 0)
        return false;
    const double sx = m_size.width() / width;
    const double sy = m_size.height() / height;
    if (!std::isfinite(sx) || !std::isfinite(sy) || sx == 0 || sy == 0) return false;
    m_scaleRect = QRectF(left, top, width, height);
    // surface = (world − corner) × scale
    m_world = QTransform(sx, 0, 0, sy, -left * sx, -top * sy);
    return true;
}

void DrawingSurface::resetScale() {
    m_scaleRect = QRectF(QPointF(0, 0), m_size);
    m_world = QTransform();
}

QPointF DrawingSurface::toWorld(const QPointF& surfacePoint) const {
    return m_world.inverted().map(surfacePoint);
}

void DrawingSurface::beginRecording() const {
    m_open = std::make_unique<QPicture>();
    m_open->setBoundingRect(QRect(QPoint(0, 0), m_size.toSize()));
    m_painter.begin(m_open.get());
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setRenderHint(QPainter::TextAntialiasing);
    m_painter.setPen(m_pen);
    m_painter.setBrush(m_brush);
    m_painter.setFont(m_font);
    m_drawnInOpen = false;
}

QPainter& DrawingSurface::painter() {
    if (!m_painter.isActive()) beginRecording();
    m_drawnInOpen = true;
    ++m_revision;
    return m_painter;
}

void DrawingSurface::flush() const {
    if (!m_painter.isActive()) return;
    m_pen = m_painter.pen();
    m_brush = m_painter.brush();
    m_font = m_painter.font();
    m_painter.end();
    std::unique_ptr<QPicture> layer = std::move(m_open);
    if (m_drawnInOpen) addLayer(std::move(layer));
    m_drawnInOpen = false;
}

void DrawingSurface::addLayer(std::unique_ptr<QPicture> layer) const {
    // What is new goes onto the kept image now, once; the image never replays it again.
    if (m_cache.valid) {
        QPainter p(&m_cache.image);
        const QSizeF logical = QSizeF(m_cache.image.size()) / m_cache.image.devicePixelRatio();
        playLayer(p, QRectF(QPointF(0, 0), logical), *layer);
    }
    m_layers.push_back(std::move(layer));
    while (m_layers.size() >= 2) {
        const QPicture& last = *m_layers.back();
        const QPicture& before = *m_layers[m_layers.size() - 2];
        if (2 * last.size() < before.size() || last.size() + before.size() > kMergeBytes) break;
        auto merged = std::make_unique<QPicture>();
        merged->setBoundingRect(QRect(QPoint(0, 0), m_size.toSize()));
        QPainter p(merged.get());
        p.drawPicture(QPointF(0, 0), before);
        p.drawPicture(QPointF(0, 0), last);
        p.end();
        m_layers.pop_back();
        m_layers.back() = std::move(merged);
    }
}

QRectF DrawingSurface::fittedRect(const QRectF& target) const {
    const double k = std::min(target.width() / m_size.width(), target.height() / m_size.height());
    const QSizeF s = m_size * k;
    return QRectF(target.center() - QPointF(s.width() / 2, s.height() / 2), s);
}

void DrawingSurface::playLayer(QPainter& p, const QRectF& r, const QPicture& layer) const {
    p.save();
    p.setClipRect(r, Qt::IntersectClip);
    p.translate(r.topLeft());
    p.scale(r.width() / m_size.width(), r.height() / m_size.height());
    // A picture replays scaled by the ratio of the device's resolution to its own (a 600 dpi
    // PDF would show it 6.25 times larger); undo that so only the fit above counts.
    if (QPaintDevice* device = p.device()) {
        const QPicture probe;
        p.scale(double(probe.logicalDpiX()) / device->logicalDpiX(),
                double(probe.logicalDpiY()) / device->logicalDpiY());
    }
    p.drawPicture(QPointF(0, 0), layer);
    p.restore();
}

void DrawingSurface::replay(QPainter& p, const QRectF& target) const {
    flush();
    const QRectF r = fittedRect(target);
    if (r.isEmpty()) return;
    p.fillRect(r, m_background);
    for (const auto& layer : m_layers) playLayer(p, r, *layer);
}

void DrawingSurface::paintCached(QPainter& p, const QRectF& target) const {
    const QRectF r = fittedRect(target);
    if (r.isEmpty()) return;
    const qreal ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (r.size() * ratio).toSize().expandedTo(QSize(1, 1));
    if (!m_cache.valid || m_cache.image.size() != pixels ||
        m_cache.image.devicePixelRatio() != ratio) {
        flush();
        m_cache.image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        m_cache.image.setDevicePixelRatio(ratio);
        m_cache.image.fill(m_background);
        {
            QPainter painter(&m_cache.image);
            const QRectF whole(QPointF(0, 0), QSizeF(pixels) / ratio);
            for (const auto& layer : m_layers) playLayer(painter, whole, *layer);
        }
        m_cache.valid = true;
        ++m_cache.rebuilds;
    } else {
        flush(); // paints what was drawn since the last call onto the image
    }
    // Whole pixels: the image is shown as it is, never resampled.
    p.drawImage(QPointF(std::round(r.left()), std::round(r.top())), m_cache.image);
}

QImage DrawingSurface::toImage(QSize pixels) const {
    if (pixels.isEmpty()) pixels = m_size.toSize().expandedTo(QSize(1, 1));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(m_background);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    replay(p, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return image;
}

bool DrawingSurface::writePng(const QString& file, QSize pixels, QString* error) const {
    const QImage image = toImage(pixels);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) {
        if (error) *error = QStringLiteral("Cannot make the image %1: not enough memory").arg(file);
        return false;
    }
    // Through the one writer: a device stays a device, the old file stays whole on failure.
    const FileResult written = WriteFileReplacing(file.toStdString(), bytes.toStdString());
    if (!written.ok && error) *error = QString::fromStdString(written.message);
    return written.ok;
}

bool DrawingSurface::writePdf(const QString& file, const QPageLayout& layout, QString* error,
                              int resolutionDpi) const {
    const FileResult check = CheckOutputPath(file.toStdString());
    if (!check.ok) {
        if (error) *error = QString::fromStdString(check.message);
        return false;
    }
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(resolutionDpi);
        writer.setPageLayout(layout);
        writer.setCreator(QStringLiteral("Gyrotrace"));
        QPainter p;
        if (!p.begin(&writer)) {
            if (error) *error = QStringLiteral("Cannot start the PDF file %1").arg(file);
            return false;
        }
        p.setRenderHint(QPainter::Antialiasing);
        replay(p, QRectF(layout.paintRectPixels(resolutionDpi))
                      .translated(-layout.paintRectPixels(resolutionDpi).topLeft()));
        p.end();
    }
    const FileResult written = WriteFileReplacing(file.toStdString(), bytes.toStdString());
    if (!written.ok && error) *error = QString::fromStdString(written.message);
    return written.ok;
}

QPageLayout defaultPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

} // namespace gyro
