// The magnifier and the composite view: the stored image points of the views redrawn on a
// picture and on paper.
#include "dataplot/graphprinting.h"

#include "kelaxes/drawingsurface.h"
#include "scene/kelmirav.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

// Stored points of a view, 0 for a view without a table.
int storedCount(const KelMirav& drawing, int view) {
    if (view < 0 || view >= kStoredViews) return 0;
    return int(std::clamp(drawing.pointCount(view), 0.0, double(kMaxStoredPoints)));
}

// What the redraw puts on the picture besides the trace.
struct Marks {
    bool onlyInside = false; // lines with both ends inside, lone points inside
    double circleRadius = 0; // > 0: a circle at each curve start inside the zone [surface units]
};

// Redraws the stored points of `view` with `toSurface` (world → surface units): a point where
// the pen was up, a line from the previous point where it was down.
void drawStored(QPainter& p, const QTransform& toSurface, const KelMirav& drawing, int view,
                const Zone& zone, const Marks& marks) {
    const int count = storedCount(drawing, view);
    QPointF previous;
    QPen pen = p.pen();
    for (int n = 0; n < count; ++n) {
        const StoredImagePoint& s = drawing.storedImage(view, n);
        // Each curve in the colour it was drawn in.
        if (pen.color().rgb() != QColor::fromRgb(QRgb(s.rgb)).rgb()) {
            pen.setColor(QColor::fromRgb(QRgb(s.rgb)));
            p.setPen(pen);
        }
        const QPointF here = toSurface.map(QPointF(s.x, s.y));
        const bool inside = InZone(drawing, view, zone, n) == 1;
        const bool penDown = n > 0 && s.pen == 1;
        if (penDown && (!marks.onlyInside || SegmentInZone(drawing, view, zone, n - 1) == 1))
            p.drawLine(previous, here);
        else if (!marks.onlyInside || inside)
            p.drawPoint(here);
        if (marks.circleRadius > 0 && s.pen == 0 && inside)
            p.drawEllipse(here, marks.circleRadius, marks.circleRadius);
        previous = here;
    }
}

QPen tracePen(const DrawingSurface& surface) {
    QPen pen(Qt::black);
    pen.setWidthF(std::max(surface.size().width(), surface.size().height()) / 500);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

bool askedYes(Asker& asker, const char* question) {
    return asker.ask(question, kPrintTitle, kNo) == kYes;
}

} // namespace

Zone ZoneFromCorners(double xa, double ya, double xb, double yb) {
    return {std::min(xa, xb), std::max(ya, yb), std::max(xa, xb), std::min(ya, yb)};
}

double InZone(const KelMirav& drawing, int view, const Zone& zone, int n) {
    if (n < 0 || n >= storedCount(drawing, view)) return 0;
    const StoredImagePoint& s = drawing.storedImage(view, n);
    return (zone.x1 < s.x && s.x < zone.x2 && zone.y2 < s.y && s.y < zone.y1) ? 1 : 0;
}

double SegmentInZone(const KelMirav& drawing, int view, const Zone& zone, int n) {
    return (InZone(drawing, view, zone, n) == 1 && InZone(drawing, view, zone, n + 1) == 1) ? 1 : 0;
}

bool DrawZone(const KelMirav& drawing, int view, const Zone& zone, DrawingSurface& surface,
              bool onlyInside) {
    surface.clear();
    // The zone fills the picture, y growing upwards; a flat or non-finite zone is refused.
    if (!surface.setScale(zone.x1, zone.y1, zone.x2 - zone.x1, zone.y2 - zone.y1)) return false;
    QPainter& p = surface.painter();
    p.save();
    p.setClipRect(surface.rect());
    p.setPen(tracePen(surface));
    p.setBrush(Qt::NoBrush);
    drawStored(p, surface.worldTransform(), drawing, view, zone, {onlyInside, 0});
    p.restore();
    surface.flush();
    return true;
}

PrintResult PrintLoupe(const KelMirav& drawing, int view, const Zone& zone,
                       DrawingSurface& magnifier, Asker& asker, const PicturePrinter& print) {
    PrintResult result;
    if (!DrawZone(drawing, view, zone, magnifier, false)) return result;
    result.asked = askedYes(asker, kPaperQuestion);
    if (!result.asked) return result;
    result.allLines = askedYes(asker, kAllLinesQuestion);
    // The page is drawn on its own picture: the screen keeps every line of the zone.
    DrawingSurface page(magnifier.size());
    DrawZone(drawing, view, zone, page, !result.allLines);
    result.printed = print && print(page);
    return result;
}

void DrawComposite(const KelMirav& drawing, DrawingSurface& composite) {
    composite.clear();
    composite.resetScale();
    const QSizeF quarter = composite.size() / 2;
    QPainter& p = composite.painter();
    p.save();
    const QPen pen = tracePen(composite);
    for (int view = 0; view < 4; ++view) {
        const QRectF cell(QPointF((view % 2) * quarter.width(), (view / 2) * quarter.height()),
                          quarter);
        p.setPen(QPen(Qt::gray, pen.widthF()));
        p.setBrush(Qt::NoBrush);
        p.drawRect(cell);
        const ViewWindow& w = drawing.windowOf(view);
        const double width = w[2] - w[0], height = w[1] - w[3];
        if (w[4] == 0 || !(width > 0) || !(height > 0) || !std::isfinite(width + height))
            continue; // a view never set up
        // The view's window fitted into its quarter with one scale on both axes.
        const double k = std::min(cell.width() / width, cell.height() / height) * 0.96;
        QTransform t;
        t.translate(cell.center().x(), cell.center().y());
        t.scale(k, -k);
        t.translate(-(w[0] + w[2]) / 2, -(w[1] + w[3]) / 2);
        p.setClipRect(cell);
        p.setPen(pen);
        drawStored(p, t, drawing, view, {w[0], w[1], w[2], w[3]}, {false, quarter.width() / 100});
        p.setClipping(false);
    }
    p.restore();
    composite.flush();
}

PrintResult PrintComposite(const KelMirav& drawing, DrawingSurface& composite, Asker& asker,
                           const PicturePrinter& print) {
    PrintResult result;
    result.asked = askedYes(asker, kPaperQuestion);
    DrawComposite(drawing, composite);
    if (result.asked) result.printed = print && print(composite);
    return result;
}

} // namespace gyro
