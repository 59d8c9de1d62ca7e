// Guiding-centre read-outs of a particle state: magnetic moment, pitch angle, guiding centre and
// E × B drift.
#pragma once

#include "numerics/vecteur3.h"

namespace gyro {

/// What the drift physics says about one state. Quantities that need a magnetic field (or a
/// velocity, for the pitch angle) are NaN where B (or V) is null.
struct DriftReadout {
    double mu = 0;           ///< magnetic moment m v_perp^2 / (2 |B|) [J/T]
    double pitchDeg = 0;     ///< angle between V and B [deg], 0..180 (90 at a mirror point)
    double vPerp = 0;        ///< speed across B [m/s]
    double vParallel = 0;    ///< velocity along B [m/s] (signed with B)
    double larmorRadius = 0; ///< m v_perp / (|q| |B|) [m]
    Vecteur3 guidingCentre;  ///< r + m ((V - vE) × B) / (q B^2) [m]
    Vecteur3 exbDrift;       ///< E × B / B^2 [m/s]
};

/// The read-outs at position R [m] with velocity V [m/s] in the fields E [V/m], B [T] for a
/// particle of charge [C] and mass [kg]. The guiding centre is the centre of the gyration
/// about the E × B drift: with E ⟂ B it moves exactly at vE.
DriftReadout driftReadout(const Vecteur3& R, const Vecteur3& V, const Vecteur3& E,
                          const Vecteur3& B, double charge, double mass);

} // namespace gyro
