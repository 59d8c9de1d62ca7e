// The viewing frame: trigonometry cache, frame vectors and their check, perspective image,
// axis captions and scale caption.
#include "scene/viewstate.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"

#include <cmath>

namespace gyro {

void ComputeViewTrig(ViewState& view, double alphaRad, double deltaRad) {
    ViewTrig& t = view.trig;
    t.sinA = std::sin(alphaRad);
    t.sinD = std::sin(deltaRad);
    t.cosA = std::cos(alphaRad);
    t.cosD = std::cos(deltaRad);
    t.cosAsinD = t.cosA * t.sinD;
    t.sinDsinA = t.sinD * t.sinA;
    t.cosDcosA = t.cosD * t.cosA;
    t.cosDsinA = t.cosD * t.sinA;
}

void RepereProjectif(ViewState& view, double ascensionDeg, double declinationDeg) {
    if (!std::isfinite(ascensionDeg) || !std::isfinite(declinationDeg)) {
        AlerteCalcul("RepereProjectif ");
        return;
    }
    view.ascensionRad = rad(ascensionDeg);
    view.declinationRad = rad(declinationDeg);
    // d is the X axis and u the -Z axis carried by Rz(α) Rx(π/2) Rz(δ): the declination first
    // lifts X towards Y, the quarter turn about X stands that plane up, and the right ascension
    // turns the result about Z.
    const double quarter = Pi / 2;
    EulerI(Vecteur3(1, 0, 0), view.declinationRad, quarter, view.ascensionRad, view.d);
    EulerI(Vecteur3(0, 0, -1), view.declinationRad, quarter, view.ascensionRad, view.u);
    ProdVect(view.d, view.u, view.v);
    const double verif = norm(view.u) + norm(view.v) + norm(view.d) - 3;
    if (std::fabs(verif) > 1e-10) {
        if (DataPlotWarning) DataPlotWarning("petite imperfection calcul de normes");
        AlerteCalcul("Abs(verif) > .0000000001");
    }
}

bool PerspectiveImage(const ViewState& view, const Vecteur3& p, double& x, double& y) {
    const ViewTrig& t = view.trig;
    const double a = -p(1) * t.sinA + p(2) * t.cosA;
    const double b = -p(1) * t.cosAsinD - p(2) * t.sinDsinA + p(3) * t.cosD;
    const double w = -p(1) * t.cosDcosA - p(2) * t.cosDsinA - p(3) * t.sinD + view.eyeDistance;
    // A point at or behind the eye has no image (the divide would fail or mirror it).
    if (!(w > 0)) return false;
    const double px = view.focalLength * a / w;
    const double py = -view.focalLength * b / w;
    if (!std::isfinite(px) || !std::isfinite(py)) return false;
    x = px;
    y = py;
    return true;
}

namespace {
// |round(angle + 3600) mod 180| with ties to even; -1 for an angle that is not finite.
double axisResidue(double angleDeg) {
    if (!std::isfinite(angleDeg)) return -1;
    return std::fabs(std::fmod(std::nearbyint(angleDeg + 3600), 180.0));
}
} // namespace

void ProjAxisLabels(double ascensionDeg, double declinationDeg, std::string& horizontal,
                    std::string& vertical, double& axisAligned) {
    axisAligned = 0;
    horizontal.clear();
    vertical.clear();
    const double a = axisResidue(ascensionDeg);
    const double b = axisResidue(declinationDeg);
    const char* h = nullptr;
    const char* v = nullptr;
    if (b == 90) { // from a pole, along Z
        if (a == 90) h = " X_proj. ", v = " Y_proj. ";
        if (a == 0) h = " Y_proj. ", v = " X_proj. ";
    } else if (b == 0) { // in the XY plane
        if (a == 90) h = " X_proj. ", v = " Z_proj. ";
        if (a == 0) h = " Y_proj. ", v = " Z_proj. ";
    }
    if (h == nullptr) return;
    horizontal = h;
    vertical = v;
    axisAligned = 1;
}

std::string ScaleCaption(double s) {
    if (s > 0 && s < 1) return "ech: 1 / " + FormatPattern(1 / s, "#,##0.#");
    if (s >= 1) return "ech: " + FormatPattern(s, " #, ##0.#") + "/ 1";
    return {};
}

} // namespace gyro
