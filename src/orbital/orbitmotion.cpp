// Point-mass gravity in the plane, and the elements of the check's orbit.
#include "orbital/orbitmotion.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"

#include <cmath>

namespace gyro {

void DeriveeOrbite(double /*stage*/, double /*extra*/, const StateArray& y, StateArray& dy) {
    const double r = std::sqrt(y(1) * y(1) + y(3) * y(3));
    dy(1) = y(2);
    dy(3) = y(4);
    dy(static_cast<int>(Ldim)) = 1;
    if (r == 0 || !std::isfinite(r)) {
        AlerteCalcul("DeriveeOrbitefaute");
        dy(2) = 0;
        dy(4) = 0;
        return;
    }
    // Newtonian attraction of a point mass, directed towards the centre.
    const double theta = Atn2(y(1), y(3));
    const double g = -kOrbitMu / (r * r);
    dy(2) = g * std::cos(theta);
    dy(4) = g * std::sin(theta);
}

OrbitElements OrbitCheckElements() {
    OrbitElements el;
    const double mu = kOrbitMu;
    const double R = kOrbitRelease;
    el.releaseSpeed = std::sqrt(mu / R) / 2;
    const double energy = el.releaseSpeed * el.releaseSpeed / 2 - mu / R; // specific [J/kg]
    el.a = (-mu / 2) / energy;
    el.p = (R * el.releaseSpeed) * (R * el.releaseSpeed) / mu;
    el.e = std::sqrt(1 - el.p / el.a);
    el.period = 2 * Pi * std::sqrt(el.a * el.a * el.a / mu);
    return el;
}

} // namespace gyro
