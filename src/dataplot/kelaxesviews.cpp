// The projective drawing on the axes library's pictures.
#include "dataplot/kelaxesviews.h"

#include "kelaxes/kelaxes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gyro {

KelaxesViews::KelaxesViews(KelaxesLibrary& library) : m_library(library) {}

bool KelaxesViews::hasPicture(int view) const {
    return view >= 0 && view < kViewCount;
}

DrawingSurface* KelaxesViews::target() const {
    if (!hasPicture(m_view)) return nullptr;
    return &m_library.surface(m_library.currentSlot());
}

void KelaxesViews::selectView(int view, const ViewWindow&) {
    flush();
    m_view = view;
    if (hasPicture(view)) m_library.params.view = view;
}

void KelaxesViews::Kelaxes(double xMin, double xMax, double yMin, double yMax,
                           const std::string& xTitle, const std::string& yTitle, double margin,
                           ViewWindow& window) {
    flush();
    if (!hasPicture(m_view)) return;
    const double mx = (xMax - xMin) * margin / 100, my = (yMax - yMin) * margin / 100;
    // One scale on both axes: a projected view keeps its shapes.
    const KelaxesLayout layout = gyro::Kelaxes(xMin - mx, xMax + mx, yMin - my, yMax + my, xTitle,
                                               yTitle, double(KelaxesMode::Equal));
    if (!layout.drawn) return;
    const GraphWindow& w = layout.window;
    m_frames[std::size_t(layout.slot)] = layout.frame;
    const double width = w.xMax - w.xMin;
    window[0] = w.xMin;
    window[1] = w.yMax;
    window[2] = w.xMax;
    window[3] = w.yMin;
    window[4] = width > 0 ? layout.frame.width() / width : 1;
}

void KelaxesViews::Segment(double x0, double y0, double x1, double y1) {
    const DrawingSurface* s = target();
    if (!s) return;
    const QPointF a = s->toSurface(x0, y0), b = s->toSurface(x1, y1);
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) ||
        !std::isfinite(b.y()))
        return;
    if (m_lines.add(a, b)) flush();
}

void KelaxesViews::flush() {
    DrawingSurface* s = target();
    if (!s || m_lines.empty()) {
        if (!s) m_lines.clear();
        return;
    }
    const int slot = m_library.currentSlot();
    QPen pen = m_library.state.pen[std::size_t(slot)];
    pen.setColor(QColor::fromRgb(QRgb(traceRgb())));
    // A trace one unit wide or less is drawn as a thin line on every device: stroking it as an
    // outline instead costs far more than its length, and a long run thinned to chords across
    // its orbit (a million lines the size of the picture) would take minutes to paint.
    if (pen.widthF() <= 1) pen.setCosmetic(true);
    QPainter& painter = s->painter();
    painter.save();
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF frame = m_frames[std::size_t(slot)];
    if (!frame.isEmpty()) painter.setClipRect(frame);
    // In short pieces: a stroked polyline is filled as one shape, and a long one that crosses
    // itself (a thinned orbit) costs far more than its length to draw.
    constexpr int kPiece = 64;
    m_lines.drain([&](const QPolygonF& line) {
        for (qsizetype from = 0; from + 1 < line.size(); from += kPiece) {
            const qsizetype count = std::min<qsizetype>(kPiece + 1, line.size() - from);
            painter.drawPolyline(line.constData() + from, int(count));
        }
    });
    painter.restore();
}

std::uint32_t KelaxesViews::traceRgb() const {
    const GraphParameters& p = m_library.params;
    const auto channel = [](double c) {
        return std::isfinite(c) ? std::uint32_t(std::clamp(std::round(c), 0.0, 255.0)) : 0u;
    };
    return channel(p.red) << 16 | channel(p.green) << 8 | channel(p.blue);
}

void KelaxesViews::Texte(double x, double y, const std::string& text) {
    flush();
    // A little in from the point: a caption at a corner of the frame stays clear of its lines.
    constexpr double kInset = 3; // surface units
    if (hasPicture(m_view)) gyro::Texte(x, y, kInset, kInset, text);
}

void KelaxesViews::SetColour(double red, double green, double blue) {
    flush(); // what is gathered keeps the colour it was drawn in
    m_library.params.red = red;
    m_library.params.green = green;
    m_library.params.blue = blue;
}

double KelaxesViews::pictureWidth(int view) const {
    return hasPicture(view) ? m_library.view(view).size().width() : 0;
}

double KelaxesViews::pictureHeight(int view) const {
    return hasPicture(view) ? m_library.view(view).size().height() : 0;
}

void KelaxesViews::clearPicture(int view) {
    if (view == m_view) m_lines.clear();
    if (hasPicture(view)) m_library.view(view).clear();
}

} // namespace gyro
