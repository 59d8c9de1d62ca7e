// The orbit check: the general Runge-Kutta step against the analytic Kepler orbit.
#pragma once

#include "orbital/orbitmotion.h"

#include <vector>

namespace gyro {

/// One step of the check as compared with the Kepler orbit.
struct OrbitCheckStep {
    double t = 0;       ///< time after release [s]
    double dr = 0;      ///< integrated minus Kepler radius [m]
    double dv = 0;      ///< integrated minus Kepler speed [m/s]
    double dnu = 0;     ///< integrated minus Kepler anomaly, reduced to (-180, 180] [degrees]
    double h = 0;       ///< step taken [s]
    double anomaly = 0; ///< integrated true anomaly in [0, 360) [degrees]
};

struct OrbitCheckResult {
    OrbitElements elements;
    std::vector<OrbitCheckStep> steps;
    StateArray last;      ///< last integrated state
    bool stopped = false; ///< the user answered Stop, or the integration broke down
};

/// Runs the orbit check from the initial step hInitial [s]: asks "BON", releases the body at the
/// apogee, takes up to kOrbitSteps steps with rungeGeneral (Cash-Karp, step grown or shrunk
/// against kOrbitErrMax) and after each step writes the step-control line into
/// stepControlLog() and the comparison with the Kepler orbit into traceLog(). Sets Ldim to 8,
/// its own control to Cash-Karp and the report's OrbitalTime to the body's time. Stops early when
/// the user answers Stop.
OrbitCheckResult ControleOrbite(double hInitial);

} // namespace gyro
