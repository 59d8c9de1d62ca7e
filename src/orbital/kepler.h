// Kepler's equation on an elliptic orbit: time since perigee from the true anomaly and back.
#pragma once

namespace gyro {

/// Requested time minus the time recomputed from the anomaly that AnomalieVraie found (time unit
/// of the period). Stays readable after the call.
inline double EcartTemps = 0;

/// Time since perigee t of the body at true anomaly v [degrees, not reduced: 540 is one
/// revolution and a half] on an orbit of period P and eccentricity e (0 <= e < 1); t is in the
/// unit of P. e outside [0, 1) reports "OUT OF RANGE" and leaves t unchanged.
void TempsPerigee(double P, double e, double v, double& t);

/// True anomaly v [degrees, not reduced: 360 per completed revolution] of the body a time t
/// after perigee (unit of P). Solves Kepler's equation by bisection on the eccentric anomaly to a
/// residual below 1e-13 degrees (1e-7 and a "Kepler a voir" question for a negative t); a
/// residual above ten times that asks "résidu d'erreurTest=". Sets EcartTemps. e outside [0, 1)
/// reports "OUT OF RANGE" and leaves v unchanged.
void AnomalieVraie(double P, double e, double t, double& v);

} // namespace gyro
