// Guiding-centre read-outs of a particle state.
#include "simulation/guidingcentre.h"

#include "numerics/constants.h"

#include <algorithm>
#include <cmath>

namespace gyro {

DriftReadout driftReadout(const Vecteur3& R, const Vecteur3& V, const Vecteur3& E,
                          const Vecteur3& B, double charge, double mass) {
    DriftReadout d;
    const double b2 = ProdScal(B, B);
    const double b = std::sqrt(b2);
    const double v2 = ProdScal(V, V);
    if (!(b > 0)) {
        const double nan = std::nan("");
        d.mu = d.pitchDeg = d.vPerp = d.vParallel = d.larmorRadius = nan;
        d.guidingCentre = Vecteur3(nan, nan, nan);
        d.exbDrift = Vecteur3(nan, nan, nan);
        return d;
    }
    d.vParallel = ProdScal(V, B) / b;
    // v_perp from the cross product keeps its accuracy when V is nearly along B.
    Vecteur3 vxb;
    ProdVect(V, B, vxb);
    d.vPerp = std::sqrt(ProdScal(vxb, vxb)) / b;
    d.mu = mass * d.vPerp * d.vPerp / (2 * b);
    d.pitchDeg = v2 > 0 ? std::atan2(d.vPerp, d.vParallel) * 180 / Pi : std::nan("");
    d.larmorRadius = mass * d.vPerp / (std::fabs(charge) * b);
    ProdVect(E, B, d.exbDrift);
    MultK(d.exbDrift, 1 / b2, d.exbDrift);
    // The particle gyrates about a centre that drifts at vE = E × B / B^2: its velocity relative
    // to the drift, u = V - vE, turns about B, and the centre lies m (u × B) / (q B^2) away.
    Vecteur3 u, uxb;
    MultKPlus(d.exbDrift, -1, V, u);
    ProdVect(u, B, uxb);
    MultKPlus(uxb, mass / (charge * b2), R, d.guidingCentre);
    return d;
}

} // namespace gyro
