// Explicit Runge-Kutta steps: classical RK4, the Cash-Karp embedded 5(4) pair with step control,
// and a twelve-stage eighth-order formula.
#pragma once

#include "vecteur3.h"

namespace gyro {

/// Method selector: 4 (classical RK4), 5 (Cash-Karp with error estimate), 8 (eighth order).
inline double OrdreRunge = 5;
/// Error limit of the step control [m]: "Error maxi Runge Kutta (m)".
inline double ErrMax = 1e-7;
/// Error estimate of the last step [m]: position part, velocity part (times h and 64), larger.
inline double errPos = 0;
inline double errVel = 0;
inline double err = 0;
/// The embedded lower-order solution of the last Cash-Karp step.
inline StateArray lowOrder;

/// Lets the window system process pending events once per attempted step (unset: nothing).
inline void (*PumpMessages)() = nullptr;

/// Derivative of a particle state: dy = f(y). Must not change y.
using RungeDerivative = void (*)(const StateArray& y, StateArray& dy);
/// Derivative of the general integrator: called with the stage number, the caller's extra value
/// passed through, the stage state and the derivative to fill.
using GeneralDerivative = void (*)(double stage, double extra, const StateArray& y, StateArray& dy);

/// One controlled step of the particle state with the method OrdreRunge. On entry h [s] is the
/// step to try; on return yNext holds the new state and h the step proposed for the next call
/// (methods 4 and 8 leave h unchanged). y is not modified.
void runge(double& h, const StateArray& y, StateArray& yNext, RungeDerivative f);

/// One step without step control: advances y by h into yNext and leaves the error estimate in
/// errPos, errVel and err (an estimate of exactly 0 becomes 0.001).
void rungeGeneral(double h, const StateArray& y, double extra, StateArray& yNext,
                  GeneralDerivative f);

} // namespace gyro
