// The orientation preview: perspective axes and stroke letters.
#include "draw3d/viewpreview.h"

#include <QPainter>
#include <QPen>

#include <cmath>

namespace gyro {

void PreviewLine(const ViewState& view, QPainter& painter, const Vecteur3& a, const Vecteur3& b) {
    double xa = 0, ya = 0, xb = 0, yb = 0;
    if (!PerspectiveImage(view, a, xa, ya) || !PerspectiveImage(view, b, xb, yb)) return;
    painter.drawLine(QPointF(xa, ya), QPointF(xb, yb));
}

namespace {

// q + s1 e1 + s2 e2
Vecteur3 offset(const Vecteur3& q, const Vecteur3& e1, double s1, const Vecteur3& e2, double s2) {
    Vecteur3 r;
    for (int i = 1; i <= 3; ++i) r(i) = q(i) + s1 * e1(i) + s2 * e2(i);
    return r;
}

// A stroke letter centred on q in the plane of e1 (rightwards) and e2 (upwards), half-size k.
void letter(const ViewState& view, QPainter& p, char c, const Vecteur3& q, const Vecteur3& e1,
            const Vecteur3& e2) {
    constexpr double k = 2.5;
    auto at = [&](double s1, double s2) { return offset(q, e1, s1 * k, e2, s2 * k); };
    switch (c) {
    case 'X':
        PreviewLine(view, p, at(-1, -1), at(1, 1));
        PreviewLine(view, p, at(-1, 1), at(1, -1));
        break;
    case 'Y':
        PreviewLine(view, p, at(-1, 1), at(0, 0));
        PreviewLine(view, p, at(1, 1), at(0, 0));
        PreviewLine(view, p, at(0, 0), at(0, -1));
        break;
    default: // 'Z'
        PreviewLine(view, p, at(-1, 1), at(1, 1));
        PreviewLine(view, p, at(1, 1), at(-1, -1));
        PreviewLine(view, p, at(-1, -1), at(1, -1));
        break;
    }
}

} // namespace

void DrawViewPreview(ViewState& view, QPainter& painter, double ascensionDeg,
                     double declinationDeg) {
    QPen pen(QColor(200, 100, 0));
    pen.setCosmetic(true);
    painter.setPen(pen);
    view.ascensionRad = rad(ascensionDeg);
    view.declinationRad = rad(declinationDeg);
    ComputeViewTrig(view, view.ascensionRad, view.declinationRad);
    view.eyeDistance = kPreviewEyeDistance;
    view.focalLength = kPreviewFocalLength;

    const Vecteur3 origin(0, 0, 0), ex(1, 0, 0), ey(0, 1, 0), ez(0, 0, 1);
    PreviewLine(view, painter, origin, Vecteur3(30, 0, 0));
    PreviewLine(view, painter, origin, Vecteur3(0, 30, 0));
    PreviewLine(view, painter, origin, Vecteur3(0, 0, 30));

    // Letters in the XY plane are edge-on near the equator of the view: hide them there.
    double n = 0;
    if (std::isfinite(declinationDeg))
        n = std::fabs(std::fmod(std::nearbyint(declinationDeg), 180.0));
    if (n < 160 && n > 20) letter(view, painter, 'X', Vecteur3(35, 0, 0), ey, ex);
    if (n < 165 && n > 15) letter(view, painter, 'Y', Vecteur3(0, 35, 0), ex, ey);
    // Z stands upright in the vertical plane that faces the viewer, above the axis tip.
    const Vecteur3 right(-view.trig.sinA, view.trig.cosA, 0);
    letter(view, painter, 'Z', Vecteur3(0, 0, 35), right, ez);

    QPen black(Qt::black);
    black.setCosmetic(true);
    painter.setPen(black);
}

} // namespace gyro
