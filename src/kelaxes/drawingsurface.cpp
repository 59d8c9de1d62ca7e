// The recorded drawing surface: display-list recording, replay, and PNG / PDF output.
#include "kelaxes/drawingsurface.h"
#include "cases/outputfile.h"

#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>

#include <cmath>

namespace gyro {

namespace {

// Past this many finished recordings they are merged into one, so that a picture drawn piece
// by piece (a live plot) keeps a short replay list.
constexpr std::size_t kMaxLayers = 32;

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
    return true;
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
    if (m_drawnInOpen) m_layers.push_back(std::move(m_open));
    m_open.reset();
    m_drawnInOpen = false;
    if (m_layers.size() > kMaxLayers) {
        auto merged = std::make_unique<QPicture>();
        merged->setBoundingRect(QRect(QPoint(0, 0), m_size.toSize()));
        QPainter p(merged.get());
        for (const auto& layer : m_layers) p.drawPicture(QPointF(0, 0), *layer);
        p.end();
        m_layers.clear();
        m_layers.push_back(std::move(merged));
    }
}

QRectF DrawingSurface::fittedRect(const QRectF& target) const {
    const double k = std::min(target.width() / m_size.width(), target.height() / m_size.height());
    const QSizeF s = m_size * k;
    return QRectF(target.center() - QPointF(s.width() / 2, s.height() / 2), s);
}

void DrawingSurface::replay(QPainter& p, const QRectF& target) const {
    flush();
    const QRectF r = fittedRect(target);
    if (r.isEmpty()) return;
    p.save();
    p.fillRect(r, m_background);
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
    for (const auto& layer : m_layers) p.drawPicture(QPointF(0, 0), *layer);
    p.restore();
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
