// The test orbit of the orbit check: its central body, its elements and its equations of motion.
#pragma once

#include "numerics/vecteur3.h"

namespace gyro {

/// Gravitational parameter of the central body of the check [m^3/s^2].
inline constexpr double kOrbitMu = 4e14;
/// Release distance of the body [m]; it is released there at half the circular speed.
inline constexpr double kOrbitRelease = 42000000;
/// Error limit of the check's step control [m].
inline constexpr double kOrbitErrMax = 0.1;
/// Number of steps of one check.
inline constexpr int kOrbitSteps = 50;

/// Orbital equations of motion in the plane (a GeneralDerivative): y(1) x, y(2) vx, y(3) y,
/// y(4) vy [m, m/s], y(Ldim) the time [s]; dy receives velocities, the point-mass gravity of
/// kOrbitMu and 1 for the time. Other components of dy are not written. A body at the centre
/// reports "DeriveeOrbitefaute" and feels no force.
void DeriveeOrbite(double stage, double extra, const StateArray& y, StateArray& dy);

/// Elements of the check's orbit, computed from kOrbitMu, kOrbitRelease and the release speed.
struct OrbitElements {
    double releaseSpeed = 0; ///< [m/s], half the circular speed at the release distance
    double a = 0;            ///< semi-major axis [m]
    double p = 0;            ///< semi-latus rectum [m]
    double e = 0;            ///< eccentricity
    double period = 0;       ///< [s]
};
OrbitElements OrbitCheckElements();

} // namespace gyro
