// The axes library's drawing routines: graph layout, curves, points, text and pens.
#include "kelaxes/kelaxes.h"

#include "kelaxes/alertekelaxes.h"
#include "kelaxes/fontes.h"
#include "kelaxes/graduation.h"
#include "numerics/numberformat.h"

#include <QDateTime>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace gyro {

namespace {

constexpr const char* kKelaxesFault = "Faute de Kelaxes";
constexpr const char* kPlotFault = "Faute Plot Kelaxes";
constexpr const char* kPointeFault = "Faute Pointe Kelaxes";
constexpr const char* kLignesFault = "Faute Lignes Kelaxes";
constexpr const char* kTexteFault = "Faute Texte Kelaxes";

// Shortest step drawn (surface units): a quarter of a window pixel, finer than any picture,
// page or PNG of the surface shows.
constexpr double kMinStepUnits = 0.25;
// Radius of the mark of Pointe (surface units).
constexpr double kMarkRadius = 2.5;

bool finite(double v) {
    return std::isfinite(v);
}

int channel(double v) {
    return finite(v) ? static_cast<int>(std::clamp(std::round(v), 0.0, 255.0)) : 0;
}

QColor curveColour(const GraphParameters& p) {
    return QColor(channel(p.red), channel(p.green), channel(p.blue));
}

QColor secondColour(const GraphParameters& p) {
    return QColor(channel(p.red2), channel(p.green2), channel(p.blue2));
}

// Clips the segment a–b (surface units) to `box` (Liang–Barsky). Keeps painters away from
// coordinates far beyond the picture, which some paint devices handle badly.
bool clipSegment(QPointF& a, QPointF& b, const QRectF& box) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                         box.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const QPointF start = a;
    a = start + QPointF(dx, dy) * t0;
    b = start + QPointF(dx, dy) * t1;
    return true;
}

// Draws a world segment on a surface with `pen`, clipped to the surface with a wide border.
void drawWorldSegment(DrawingSurface& s, double x1, double y1, double x2, double y2,
                      const QPen& pen) {
    QPointF a = s.toSurface(x1, y1), b = s.toSurface(x2, y2);
    const QSizeF size = s.size();
    const QRectF box =
        s.rect().adjusted(-size.width(), -size.height(), size.width(), size.height());
    if (!finite(a.x()) || !finite(a.y()) || !finite(b.x()) || !finite(b.y())) return;
    if (!clipSegment(a, b, box)) return;
    QPainter& p = s.painter();
    p.setPen(pen);
    p.drawLine(a, b);
}

QPen framePen() {
    QPen pen(Qt::black, 1);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

// Text with its anchor at `at` (surface units): h = 0 left, 0.5 centre, 1 right of the text;
// v likewise from top to bottom.
void drawAnchoredText(QPainter& p, const QFont& font, const QPointF& at, const QString& text,
                      double h, double v) {
    const QFontMetricsF fm(font);
    const double w = fm.horizontalAdvance(text);
    const double top = at.y() - v * fm.height();
    p.setFont(font);
    p.drawText(QPointF(at.x() - h * w, top + fm.ascent()), text);
}

struct Margins {
    double left, top, right, bottom;
};

// Lays the frame, graduations, labels, titles and notes on `s`; the world scale is set.
KelaxesLayout layOut(DrawingSurface& s, const GraphParameters& params, double xMin, double xMax,
                     double yMin, double yMax, const std::string& xTitle, const std::string& yTitle,
                     KelaxesMode mode) {
    KelaxesLayout out;
    const double W = s.size().width(), H = s.size().height();
    const double fs = (finite(params.fontPixels) && params.fontPixels > 0)
                          ? params.fontPixels
                          : std::clamp(std::min(W, H) / 40.0, 7.0, 14.0);
    const double tick =
        (finite(params.tickLength) && params.tickLength > 0) ? params.tickLength : fs * 0.6;
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setFamily(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(fs))));
    const QFontMetricsF fm(font);

    // Room for the y labels: the widest label the requested range can get.
    double yLabelWidth = fm.horizontalAdvance(QStringLiteral("0 "));
    const AxisGraduation gy0 = graduate(yMin, yMax);
    for (double v : graduationValues(gy0, yMax))
        yLabelWidth =
            std::max(yLabelWidth, fm.horizontalAdvance(QString::fromStdString(graduationLabel(v))));
    const bool noteLine = mode == KelaxesMode::FitX || mode == KelaxesMode::FitY;
    const Margins m{yLabelWidth + tick + fs * 0.8, fs * 2.2, fs * 2.5,
                    tick + fm.height() * (2.4 + (noteLine ? 1.2 : 0)) + fs * 0.4};
    const double aw = W - m.left - m.right, ah = H - m.top - m.bottom;
    if (!(aw > 4 && ah > 4)) {
        AlerteKelaxes(kKelaxesFault); // the picture is too small for any graph
        return out;
    }

    const double xr = xMax - xMin, yr = yMax - yMin;
    double kx = aw / xr, ky = ah / yr; // surface units per world unit
    double xEnd = xMax, yEnd = yMax;
    switch (mode) {
    case KelaxesMode::Equal:
        kx = ky = std::min(kx, ky);
        break;
    case KelaxesMode::FitX:
        ky = kx;
        if (yr * ky > ah) yEnd = yMin + ah / ky;
        break;
    case KelaxesMode::FitY:
        kx = ky;
        if (xr * kx > aw) xEnd = xMin + aw / kx;
        break;
    case KelaxesMode::Stretch:
        break;
    }
    out.xTruncated = xEnd < xMax;
    out.yTruncated = yEnd < yMax;
    const double fw = (xEnd - xMin) * kx, fh = (yEnd - yMin) * ky;
    const double fl = m.left + (aw - fw) / 2, ft = m.top + (ah - fh) / 2;
    out.frame = QRectF(fl, ft, fw, fh);
    out.window = GraphWindow{xMin, xEnd, yMin, yEnd};
    if (!s.setScale(xMin - fl / kx, yMin + (ft + fh) / ky, W / kx, -H / ky)) {
        AlerteKelaxes(kKelaxesFault);
        return out;
    }

    QPainter& p = s.painter();
    p.setBrush(Qt::NoBrush);
    p.setPen(framePen());
    p.drawRect(out.frame);

    // Graduations of x along the bottom edge, then of y along the left edge; ticks point in.
    const QPen pen = framePen();
    const auto axis = [&](bool isX, double lo, double hi) {
        const AxisGraduation g = graduate(lo, hi);
        if (!g.valid) {
            AlerteKelaxes(kKelaxesFault);
            return;
        }
        const double minorStep = g.step / g.minor;
        const double eps = g.step * 1e-9;
        double lastLabelEnd = -std::numeric_limits<double>::infinity(); // along the axis
        for (double v : graduationValues(g, hi)) {
            for (int j = 0; j < g.minor; ++j) {
                const double t = v + j * minorStep;
                if (t < lo - eps || t > hi + eps) continue;
                const double len = (j == 0 ? tick : tick / 2);
                const QPointF at = isX ? s.toSurface(t, yMin) : s.toSurface(xMin, t);
                const QPointF end = isX ? at - QPointF(0, len) : at + QPointF(len, 0);
                QPainter& pt = s.painter();
                pt.setPen(pen);
                pt.drawLine(at, end);
            }
            if (v < lo - eps || !graduationLabelled(v, lo, hi, g.step)) continue;
            const QString label = QString::fromStdString(graduationLabel(v));
            const QPointF at = isX ? s.toSurface(v, yMin) + QPointF(0, tick * 0.5)
                                   : s.toSurface(xMin, v) - QPointF(tick * 0.5, 0);
            // A label that would run into the previous one is left out (its tick stays): on a
            // narrow axis the values would otherwise print over each other.
            const double extent = isX ? fm.horizontalAdvance(label) : fm.height();
            const double centre = isX ? at.x() : -at.y(); // the surface's y grows downwards
            if (centre - extent / 2 < lastLabelEnd + fs * 0.3) continue;
            lastLabelEnd = centre + extent / 2;
            QPainter& pt = s.painter();
            pt.setPen(pen);
            if (isX)
                drawAnchoredText(pt, font, at, label, 0.5, 0);
            else
                drawAnchoredText(pt, font, at, label, 1, 0.5);
        }
    };
    axis(true, xMin, xEnd);
    axis(false, yMin, yEnd);

    QPainter& pt = s.painter();
    pt.setPen(pen);
    const double titleY = ft + fh + tick * 0.5 + fm.height() * 1.1;
    drawAnchoredText(pt, font, QPointF(fl + fw / 2, titleY), QString::fromStdString(xTitle), 0.5,
                     0);
    drawAnchoredText(pt, font, QPointF(fl, ft - fs * 0.4), QString::fromStdString(yTitle), 0, 1);

    // Notes on a truncated axis, one line each, under the x title.
    double noteY = titleY + fm.height() * 1.2;
    const auto note = [&](const char* head, double last, double requested) {
        const std::string text =
            head + FormatGeneral(last) + " pour " + FormatGeneral(requested) + "demandé";
        drawAnchoredText(s.painter(), font, QPointF(m.left, noteY), QString::fromStdString(text), 0,
                         0);
        noteY += fm.height() * 1.2;
    };
    if (out.xTruncated) note("Troncature de l'axe X à : ", xEnd, xMax);
    if (out.yTruncated) note("Troncature de l'axe Y à : ", yEnd, yMax);
    out.drawn = true;
    return out;
}

// Brings a degenerate or reversed range back to one a graph can show, reporting it.
bool repairRange(double& lo, double& hi) {
    if (!finite(lo) || !finite(hi) || !finite(hi - lo)) return false;
    if (lo > hi) {
        AlerteKelaxes(kKelaxesFault);
        std::swap(lo, hi);
    }
    if (lo == hi) {
        AlerteKelaxes(kKelaxesFault);
        const double half = lo == 0 ? 1.0 : std::abs(lo) * 0.1;
        lo -= half;
        hi += half;
    }
    return true;
}

} // namespace

KelaxesLayout Kelaxes(double xMin, double xMax, double yMin, double yMax, const std::string& xTitle,
                      const std::string& yTitle, double mode) {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    if (!repairRange(xMin, xMax) || !repairRange(yMin, yMax)) {
        AlerteKelaxes(kKelaxesFault);
        return {};
    }
    KelaxesMode layoutMode = KelaxesMode::Equal;
    const double rounded = std::round(mode);
    if (rounded >= 0 && rounded <= 3)
        layoutMode = static_cast<KelaxesMode>(static_cast<int>(rounded));
    else
        AlerteKelaxes(kKelaxesFault);

    const int slot = lib.currentSlot();
    // Which page orientation suits the graph: the longer side of the frame along the longer
    // side of the page. A stretched graph suits any page.
    std::string suits = (xMax - xMin) >= (yMax - yMin) ? "Paysage" : "Portrait";
    if (slot == kPrinterSlot) {
        const std::string printer = lib.printerOrientation();
        if (layoutMode == KelaxesMode::Stretch) suits = printer;
        if (suits != printer && lib.askOrientation(suits) == "Reinitialiser") {
            // The user agreed: turn the program's own page and lay the graph out on it.
            QPageLayout turned = lib.printerLayout();
            turned.setOrientation(suits == "Paysage" ? QPageLayout::Landscape
                                                     : QPageLayout::Portrait);
            lib.setPrinterLayout(turned);
        }
    }
    lib.state.orientation = suits;

    DrawingSurface& s = lib.surface(slot);
    s.clear();
    KelaxesLayout out = layOut(s, lib.params, xMin, xMax, yMin, yMax, xTitle, yTitle, layoutMode);
    out.orientation = suits;
    out.slot = slot;
    lib.state.window[static_cast<std::size_t>(slot)] = out.window;
    lib.state.last[static_cast<std::size_t>(slot)].reset();
    lib.state.drawnEnd[static_cast<std::size_t>(slot)].reset();
    lib.state.lastMark[static_cast<std::size_t>(slot)].reset();
    return out;
}

void Plot(double x, double y) {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    const int slot = lib.currentSlot();
    auto& last = lib.state.last[static_cast<std::size_t>(slot)];
    if (!finite(x) || !finite(y)) {
        AlerteKelaxes(kPlotFault);
        last.reset(); // the curve resumes at the next good point
        lib.state.drawnEnd[static_cast<std::size_t>(slot)].reset();
        return;
    }
    auto& drawnEnd = lib.state.drawnEnd[static_cast<std::size_t>(slot)];
    if (last) {
        // A step shorter than the surface can show is merged into the next one, so a curve of
        // many thousand points records only what a picture, a page or a PNG can tell apart.
        DrawingSurface& s = lib.surface(slot);
        const QPointF from = drawnEnd ? *drawnEnd : *last;
        const QPointF step = s.toSurface(x, y) - s.toSurface(from.x(), from.y());
        if (std::abs(step.x()) + std::abs(step.y()) < kMinStepUnits) {
            drawnEnd = from;
            last = QPointF(x, y);
            return;
        }
        QPen pen = lib.state.pen[static_cast<std::size_t>(slot)];
        pen.setColor(curveColour(lib.params));
        drawWorldSegment(s, from.x(), from.y(), x, y, pen);
    }
    last = QPointF(x, y);
    drawnEnd = last;
}

void KelaxesPenLift() {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    const auto slot = static_cast<std::size_t>(lib.currentSlot());
    lib.state.last[slot].reset();
    lib.state.drawnEnd[slot].reset();
}

void Texte(double x, double y, double dx, double dy, const std::string& text) {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    const int slot = lib.currentSlot();
    DrawingSurface& s = lib.surface(slot);
    const QString trimmed = QString::fromStdString(text).trimmed();
    const QPointF at = s.toSurface(x, y) + QPointF(finite(dx) ? dx : 0, finite(dy) ? dy : 0);
    if (!finite(at.x()) || !finite(at.y())) {
        AlerteKelaxes(kTexteFault);
        return;
    }
    QPainter& p = s.painter();
    p.setPen(QPen(secondColour(lib.params), 1));
    p.setBrush(Qt::NoBrush);
    if (trimmed.left(6).toLower() == QStringLiteral("vur005")) {
        const QString command = trimmed.mid(6, 1).toLower();
        if (command == QStringLiteral("d")) {
            const QString stamp =
                QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
            drawAnchoredText(p, kelaxesFont(), at, stamp, 0, 0);
        } else if (command == QStringLiteral("f")) {
            p.drawRect(s.rect().adjusted(0.5, 0.5, -0.5, -0.5));
        } else {
            AlerteKelaxes(kTexteFault); // a command the library does not know
        }
        return;
    }
    drawAnchoredText(p, kelaxesFont(), at, trimmed, 0, 0);
}

void TexteIci(const std::string& text) {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    const auto& last = lib.state.last[static_cast<std::size_t>(lib.currentSlot())];
    if (!last) {
        AlerteKelaxes(kTexteFault);
        return;
    }
    Texte(last->x(), last->y(), 0, 0, text);
}

QPen lignesPen(double style) {
    int n = finite(style) ? static_cast<int>(std::clamp(std::round(style), -1.0, 17.0)) : 1;
    if (n < 1) n = 1;
    if (n > 16) n = 11;
    QPen pen(Qt::black, 1);
    if (n <= 9) {
        pen.setWidthF(n);
        return pen;
    }
    static constexpr Qt::PenStyle kPatterns[] = {Qt::SolidLine,   Qt::DashLine,       Qt::DotLine,
                                                 Qt::DashDotLine, Qt::DashDotDotLine, Qt::NoPen,
                                                 Qt::SolidLine};
    pen.setStyle(kPatterns[n - 10]);
    return pen;
}

void Lignes(double style) {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    if (!finite(style)) AlerteKelaxes(kLignesFault);
    const QPen pen = lignesPen(style);
    const double v = std::round(lib.params.view);
    if (v >= 0 && v < kViewCount) lib.state.pen[static_cast<std::size_t>(v)] = pen;
    if (lib.params.noPrint == 0) lib.state.pen[kPrinterSlot] = pen;
}

QPointF pointePosition(int slot, double x, double y) {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    const GraphWindow& w = lib.state.window[static_cast<std::size_t>(slot)];
    const double nx = std::clamp((x - w.xMin) / (w.xMax - w.xMin), 0.0, 1.0);
    const double ny = std::clamp((y - w.yMin) / (w.yMax - w.yMin), 0.0, 1.0);
    return lib.surface(slot).toSurface(w.xMin + nx * (w.xMax - w.xMin),
                                       w.yMin + ny * (w.yMax - w.yMin));
}

void Pointe(double x, double y) {
    KelaxesLibrary& lib = KelaxesLibrary::instance();
    const int slot = lib.currentSlot();
    if (!finite(x) || !finite(y) || !lib.state.window[static_cast<std::size_t>(slot)].valid()) {
        AlerteKelaxes(kPointeFault);
        return;
    }
    const QPointF at = pointePosition(slot, x, y);
    // A mark within a fifth of its radius of the previous one adds nothing.
    auto& lastMark = lib.state.lastMark[static_cast<std::size_t>(slot)];
    if (lastMark &&
        std::abs(at.x() - lastMark->x()) + std::abs(at.y() - lastMark->y()) < kMarkRadius / 5)
        return;
    lastMark = at;
    QPainter& p = lib.surface(slot).painter();
    p.setPen(Qt::NoPen);
    p.setBrush(secondColour(lib.params));
    p.drawEllipse(at, kMarkRadius, kMarkRadius);
    p.setBrush(Qt::NoBrush);
}

} // namespace gyro
