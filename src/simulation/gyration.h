// Gyration read-outs of a particle in a magnetic field: cyclotron frequency, Larmor diameter,
// and the caption of the energy box, each for the particle's own species.
#pragma once

#include "numerics/vecteur3.h"

#include <string>

namespace gyro {

/// Cyclotron motion of one particle at one point.
struct Gyration {
    double frequency = 0;      ///< |q| |B| / (2 pi m) [Hz]
    double larmorDiameter = 0; ///< 2 m v_perp / (|q| |B|) [m]; +infinity without gyration
};

/// The gyration of a particle of `mass` [kg] and `charge` [C] (either sign) moving at `V` [m/s]
/// in the magnetic field `B` [T]. v_perp is the part of V across B: a particle moving along B
/// has a zero diameter. Without a field (or charge) the particle does not gyrate: frequency 0,
/// diameter +infinity (its path is straight). A mass that is not positive gives the same.
Gyration gyrationOf(double mass, double charge, const Vecteur3& V, const Vecteur3& B);

/// Caption of the kinetic-energy box for the species index (0 electron, 1 proton, 2 xenon ion):
/// "Energy electron (eV)", "Energy proton (eV)", "Energy xenon ion (eV)"; "Energy (eV)" for
/// any other index (no species selected).
std::string energyCaption(int species);

} // namespace gyro
