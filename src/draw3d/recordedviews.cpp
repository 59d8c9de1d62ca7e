// Recorded view pictures: gathering segments into polylines, frame and captions, replay and
// export.
#include "recordedviews.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {
constexpr double kMergeDistance = 0.25; // surface units: closer points add nothing visible
constexpr int kPointsPerPicture = 16384;

QFont captionFont() {
    QFont font("DejaVu Sans");
    font.setPixelSize(14); // pixel size: the same in every painter scale, PDF included
    return font;
}
} // namespace

RecordedViews::RecordedViews() : m_pictures(kViews) {}

QPointF RecordedViews::toSurface(double x, double y) const {
    return {m_frame.left() + (x - m_window[0]) * m_sx, m_frame.top() + (m_window[1] - y) * m_sy};
}

void RecordedViews::selectView(int view, const ViewWindow& window) {
    flush();
    if (!valid(view)) return;
    m_current = view;
    m_window = window;
    const double w = window[2] - window[0], h = window[1] - window[3];
    m_sx = (std::isfinite(w) && w != 0) ? m_frame.width() / w : 1;
    m_sy = (std::isfinite(h) && h != 0) ? m_frame.height() / h : 1;
}

void RecordedViews::Kelaxes(double xMin, double xMax, double yMin, double yMax,
                            const std::string& xTitle, const std::string& yTitle, double margin,
                            ViewWindow& window) {
    flush();
    const double mx = (xMax - xMin) * margin / 100, my = (yMax - yMin) * margin / 100;
    ViewWindow laid = window;
    laid[0] = xMin - mx;
    laid[1] = yMax + my;
    laid[2] = xMax + mx;
    laid[3] = yMin - my;
    const double width = laid[2] - laid[0];
    laid[4] = (std::isfinite(width) && width > 0) ? m_frame.width() / width : 1;
    window = laid;
    m_pictures[std::size_t(m_current)].clear();
    selectView(m_current, window);
    const QRectF frame = m_frame;
    const QString xt = QString::fromStdString(xTitle), yt = QString::fromStdString(yTitle);
    record([&](QPainter& p) {
        p.setFont(captionFont());
        p.drawRect(frame);
        // Texts at points, not in boxes: a box laid out for one device's font metrics may
        // drop its text when replayed on another.
        const double xWidth = QFontMetricsF(captionFont()).horizontalAdvance(xt);
        p.drawText(QPointF(frame.center().x() - xWidth / 2, frame.bottom() + 24), xt);
        p.drawText(QPointF(4, frame.top() - 26), yt);
    });
    if (onChanged) onChanged(m_current);
}

void RecordedViews::Segment(double x0, double y0, double x1, double y1) {
    const QPointF a = toSurface(x0, y0), b = toSurface(x1, y1);
    if (m_line.isEmpty() || a != m_lastEnd) {
        endLine();
        m_line.append(a);
        ++m_pendingPoints;
    }
    m_lastEnd = b;
    const QPointF gap = b - m_line.constLast();
    if (gap.x() * gap.x() + gap.y() * gap.y() < kMergeDistance * kMergeDistance) {
        m_tail = b; // kept only if the line ends here
        m_hasTail = true;
        return;
    }
    m_line.append(b);
    m_hasTail = false;
    if (++m_pendingPoints >= kPointsPerPicture) {
        endLine();
        flush();
        m_line.append(b); // the line goes on from its last point
        m_lastEnd = b;
    }
}

void RecordedViews::endLine() {
    if (m_hasTail) m_line.append(m_tail);
    m_hasTail = false;
    if (m_line.size() > 1) m_lines.push_back({m_colour, m_linePen, m_line});
    m_line.clear();
}

void RecordedViews::record(const std::function<void(QPainter&)>& draw) {
    QPicture picture;
    QPainter painter(&picture);
    QPen pen(m_colour);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    m_pictures[std::size_t(m_current)].push_back(std::move(picture));
}

void RecordedViews::flush() {
    endLine();
    if (m_lines.empty()) return;
    const QRectF clip = m_frame;
    record([&](QPainter& p) {
        p.setClipRect(clip);
        for (const Line& line : m_lines) {
            QPen pen = line.pen;
            pen.setColor(line.colour);
            pen.setCosmetic(true);
            p.setPen(pen);
            p.drawPolyline(line.points);
        }
    });
    m_lines.clear();
    m_pendingPoints = 0;
    if (onChanged) onChanged(m_current);
}

void RecordedViews::Texte(double x, double y, const std::string& text) {
    flush();
    const QPointF at = toSurface(x, y) + QPointF(2, -6);
    const QString t = QString::fromStdString(text);
    record([&](QPainter& p) {
        p.setFont(captionFont());
        p.drawText(at, t);
    });
    if (onChanged) onChanged(m_current);
}

void RecordedViews::setLinePen(const QPen& pen) {
    if (pen == m_linePen) return;
    endLine();
    m_linePen = pen;
}

void RecordedViews::SetColour(double red, double green, double blue) {
    const auto channel = [](double c) {
        return std::isfinite(c) ? static_cast<int>(std::clamp(std::round(c), 0.0, 255.0)) : 0;
    };
    const QColor colour(channel(red), channel(green), channel(blue));
    if (colour == m_colour) return;
    endLine();
    m_colour = colour;
}

void RecordedViews::clearPicture(int view) {
    if (!valid(view)) return;
    if (view == m_current) {
        m_line.clear();
        m_lines.clear();
        m_hasTail = false;
        m_pendingPoints = 0;
    }
    m_pictures[std::size_t(view)].clear();
    if (onChanged) onChanged(view);
}

void RecordedViews::replay(int view, QPainter& painter) {
    if (view == m_current) flush();
    if (!valid(view)) return;
    for (const QPicture& picture : m_pictures[std::size_t(view)])
        painter.drawPicture(0, 0, picture);
}

bool RecordedViews::isEmpty(int view) {
    if (view == m_current) flush();
    return !valid(view) || m_pictures[std::size_t(view)].empty();
}

namespace {
bool fail(QString* error, const QString& why) {
    if (error) *error = why;
    return false;
}
} // namespace

void fitPicture(QPainter& painter, const QPaintDevice& device, double side) {
    // A recorded picture replays scaled by the device's resolution over its own: undo that, so
    // that the picture's 800 units fill `side` device units on any device.
    const double dpi = QPicture().logicalDpiX();
    const double k = side / RecordedViews::kPictureSize * dpi / device.logicalDpiX();
    painter.scale(k, k);
}

bool exportViewPng(RecordedViews& views, int view, const QString& file, double scale,
                   QString* error) {
    const int side = static_cast<int>(RecordedViews::kPictureSize * scale);
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        fitPicture(painter, image, side);
        views.replay(view, painter);
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return fail(error, out.errorString());
    if (!image.save(&out, "PNG")) {
        out.cancelWriting();
        return fail(error, QStringLiteral("the image could not be written"));
    }
    if (!out.commit()) return fail(error, out.errorString());
    return true;
}

bool exportViewPdf(RecordedViews& views, int view, const QString& file, QString* error) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return fail(error, out.errorString());
    {
        QPdfWriter pdf(&out);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("Graphes Trois D"));
        QPainter painter(&pdf);
        if (!painter.isActive()) {
            out.cancelWriting();
            return fail(error, QStringLiteral("the PDF could not be started"));
        }
        fitPicture(painter, pdf, std::min(pdf.width(), pdf.height()));
        views.replay(view, painter);
    }
    if (!out.commit()) return fail(error, out.errorString());
    return true;
}

} // namespace gyro
