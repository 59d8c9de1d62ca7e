// Equations of motion of the particle (non-relativistic Lorentz force) and the run's step.
#pragma once

#include "numerics/vecteur3.h"

namespace gyro {

/// Derivative of the particle state Y (x vx y vy z vz constant t): positions advance with the
/// velocity, velocities with A = (q/m)(E + V × B) from Champ, the constant stays (0) and the time
/// advances at 1. Y is not changed. Leaves R, V, their norms and unit vectors, Y(7), Y(8), E, B,
/// V × B and A in runRecord(). A zero charge, a mass that makes q/m unusable, or a non-finite
/// acceleration is reported ("frRungefaute ...", once per run) and stops the run
/// (StopCalcul = 1); DY then holds a finite value so that the step ends cleanly.
void frRunge(const StateArray& Y, StateArray& DY);

/// One step of the run: selects Cash-Karp (OrdreRunge = 5) and calls runge with frRunge. h [s]
/// is the step to try on entry and the proposal for the next step on return. The caller tests
/// StopCalcul afterwards.
void RungeStep(double& h, const StateArray& Y, StateArray& Ynew);

} // namespace gyro
