// The accuracy time plot.
#include "ui/accuracy/energytimeplot.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace gyro {

EnergyTimePlot::EnergyTimePlot(QWidget* parent) : QWidget(parent) {
    setObjectName("EnergyTimePlot");
    setMinimumSize(200, 140);
    setToolTip("Relative change of the energy invariant W and of the magnetic moment mu against "
               "time: a drift shows the integration error, a bounce the mirror points.");
}

void EnergyTimePlot::clear() {
    m_samples.clear();
    m_stride = 1;
    m_skipped = 0;
    m_dirty = true;
    update();
}

void EnergyTimePlot::addSample(double t, double wRelative, double muRelative) {
    if (!std::isfinite(t)) return;
    if (++m_skipped < m_stride) return;
    m_skipped = 0;
    m_samples.push_back({t, wRelative, muRelative});
    if (static_cast<int>(m_samples.size()) > kMaxSamples) {
        // Keep every other sample (the first and the newest always), then sample half as often.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < m_samples.size(); i += 2) m_samples[kept++] = m_samples[i];
        if (m_samples.size() % 2 == 0) m_samples[kept++] = m_samples.back();
        m_samples.resize(kept);
        m_stride *= 2;
    }
    m_dirty = true;
    update();
}

void EnergyTimePlot::drawGraph(QPainter& painter, const QRectF& box, const char* title,
                               double Sample::*value, const QColor& colour) const {
    const QFontMetricsF fm(painter.font());
    // Room on the left for the widest scale label ("-1.23e-100") and a little more.
    const QRectF plot = box.adjusted(fm.horizontalAdvance("-0.00e-000") + fm.averageCharWidth(),
                                     fm.height() * 1.2, -8, -fm.height() * 1.3);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawText(QRectF(plot.left(), box.top(), plot.width(), fm.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
    painter.drawRect(plot);
    if (m_samples.empty() || plot.width() <= 0 || plot.height() <= 0) return;

    double lo = 0, hi = 0;
    for (const Sample& s : m_samples) {
        const double v = s.*value;
        if (!std::isfinite(v)) continue;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (hi - lo <= 0) hi = lo + 1e-16; // a flat line still gets a scale
    const double pad = 0.05 * (hi - lo);
    lo -= pad;
    hi += pad;
    const double tEnd = std::max(m_samples.back().t, 1e-300);
    const auto x = [&](double t) { return plot.left() + plot.width() * t / tEnd; };
    const auto y = [&](double v) { return plot.bottom() - plot.height() * (v - lo) / (hi - lo); };

    // Zero line, when it is in the range.
    if (lo < 0 && hi > 0) {
        painter.setPen(QPen(Qt::gray, 0, Qt::DotLine));
        painter.drawLine(QPointF(plot.left(), y(0)), QPointF(plot.right(), y(0)));
    }
    // Scale labels: the ends of both axes.
    painter.setPen(QPen(Qt::black, 0));
    const auto label = [](double v) { return QString::number(v, 'g', 3); };
    const QRectF left(box.left(), 0, plot.left() - box.left() - 3, fm.height());
    // Never clipped: a label a little wider than its room keeps its sign.
    const int flags = Qt::AlignRight | Qt::TextDontClip;
    painter.drawText(left.translated(0, plot.top() - fm.height() / 2), flags, label(hi));
    painter.drawText(left.translated(0, plot.bottom() - fm.height() / 2), flags, label(lo));
    const QRectF below(plot.left(), plot.bottom() + 2, plot.width(), fm.height());
    painter.drawText(below, Qt::AlignLeft, "0");
    painter.drawText(below, Qt::AlignHCenter, "t (s)");
    painter.drawText(below, Qt::AlignRight, label(tEnd));

    QPainterPath path;
    bool pen = false;
    for (const Sample& s : m_samples) {
        const double v = s.*value;
        if (!std::isfinite(v)) {
            pen = false;
            continue;
        }
        const QPointF p(x(s.t), y(v));
        if (pen) {
            path.lineTo(p);
        } else {
            path.moveTo(p);
            pen = true;
        }
    }
    painter.setPen(QPen(colour, 1.5));
    painter.setClipRect(plot.adjusted(-1, -1, 1, 1));
    painter.drawPath(path);
    painter.setClipping(false);
}

void EnergyTimePlot::draw(QPainter& painter, const QRectF& area) const {
    painter.save();
    QFont font = painter.font();
    font.setPixelSize(std::max(9, static_cast<int>(area.height() / 34)));
    painter.setFont(font);
    painter.fillRect(area, Qt::white);
    const QRectF top(area.left(), area.top(), area.width(), area.height() / 2);
    const QRectF bottom(area.left(), area.top() + area.height() / 2, area.width(),
                        area.height() / 2);
    drawGraph(painter, top, "Energy invariant: (W - W0) / largest Ek", &Sample::w,
              QColor(200, 30, 60));
    drawGraph(painter, bottom, "Magnetic moment: mu / mu0 - 1", &Sample::mu, QColor(30, 80, 200));
    painter.restore();
}

const DrawingSurface& EnergyTimePlot::surface() {
    if (m_dirty) {
        m_surface.setSize(QSizeF(std::max(width(), 1), std::max(height(), 1)));
        m_surface.clear();
        draw(m_surface.painter(), m_surface.rect());
        m_dirty = false;
    }
    return m_surface;
}

bool EnergyTimePlot::savePng(const QString& path, QSize size, QString* error) const {
    // Laid out again at the image's own proportions rather than letterboxed.
    DrawingSurface image(QSizeF(std::max(size.width(), 1), std::max(size.height(), 1)));
    draw(image.painter(), image.rect());
    return image.writePng(path, size, error);
}

bool EnergyTimePlot::savePdf(const QString& path, QString* error) {
    // A landscape page, the graphs laid out at its own proportions (the window's shape on A4
    // would be a thin strip).
    QPageLayout layout = defaultPageLayout();
    layout.setOrientation(QPageLayout::Landscape);
    const QSizeF page = layout.paintRect(QPageLayout::Point).size() * (96.0 / 72.0);
    DrawingSurface sheet(page);
    draw(sheet.painter(), sheet.rect());
    return sheet.writePdf(path, layout, error);
}

void EnergyTimePlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    surface().replay(painter, rect());
}

void EnergyTimePlot::resizeEvent(QResizeEvent* event) {
    m_dirty = true;
    QWidget::resizeEvent(event);
}

} // namespace gyro
