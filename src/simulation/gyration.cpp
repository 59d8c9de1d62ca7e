// Cyclotron frequency and Larmor diameter from the species' own mass and charge.
#include "simulation/gyration.h"

#include "numerics/constants.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gyro {

Gyration gyrationOf(double mass, double charge, const Vecteur3& V, const Vecteur3& B) {
    Gyration g;
    const double b2 = ProdScal(B, B);
    const double b = std::sqrt(b2);
    const double q = std::fabs(charge);
    // omega_c = |q| B / m: the angular frequency of the circular part of the motion.
    const double omega = mass > 0 ? q * b / mass : 0;
    if (!(omega > 0) || !std::isfinite(omega)) {
        g.larmorDiameter = std::numeric_limits<double>::infinity();
        return g;
    }
    g.frequency = omega / (2 * Pi);
    // Only the velocity across B turns: v_perp^2 = |V|^2 - (V.B)^2 / |B|^2.
    const double along = ProdScal(V, B);
    const double vPerp2 = std::max(0.0, ProdScal(V, V) - along * along / b2);
    g.larmorDiameter = 2 * std::sqrt(vPerp2) / omega;
    return g;
}

std::string energyCaption(int species) {
    switch (species) {
    case 0:
        return "Energy electron (eV)";
    case 1:
        return "Energy proton (eV)";
    case 2:
        return "Energy xenon ion (eV)";
    default:
        return "Energy (eV)";
    }
}

} // namespace gyro
