// The Boris pusher: a second-order, volume-preserving step of the Lorentz motion whose magnetic
// rotation keeps the speed exactly, so that a pure magnetic field does no work to round-off.
#pragma once

#include "numerics/functionref.h"
#include "numerics/vecteur3.h"

#include <cmath>

namespace gyro {

/// The fields at a point: E [V/m] and B [T] at R [m] (the shape of Champ; a run passes the
/// case's FieldModel).
using FieldRoutine = FunctionRef<void(const Vecteur3& R, Vecteur3& E, Vecteur3& B)>;

/// True when all three components of v are finite.
inline bool finiteVector(const Vecteur3& v) {
    return std::isfinite(v(1)) && std::isfinite(v(2)) && std::isfinite(v(3));
}
/// Stops a run at a step that cannot be taken: reports `label` (once per run), sets
/// StopCalcul = 1 and leaves Ynew = Y.
void refuseStep(const char* label, const StateArray& Y, StateArray& Ynew);

/// Default number of Boris steps per gyration.
inline constexpr double kDefaultStepsPerGyration = 32;

/// Step [s] that cuts one gyration at the field magnitude bNorm [T] into stepsPerGyration steps:
/// 2 pi / (N |q/m| B). Returns 0 when there is no gyration to resolve (B or q/m zero, or a
/// value that is not finite or a step count below 1): the caller keeps its previous step.
double borisStepSize(double stepsPerGyration, double chargeOverMass, double bNorm);

/// One Boris step of the particle state Y (x vx y vy z vz constant t) by h [s] into Ynew:
/// half a drift, the field at the midpoint, half an electric kick, the exact-norm magnetic
/// rotation, half an electric kick, half a drift. Positions and velocities stay synchronous,
/// the constant is copied and the time advances by h. One field evaluation per step.
/// bMidNorm (when given) receives |B| at the midpoint [T], for the next step's size, and bMid
/// (when given) the field vector there.
/// A non-finite field, state or step is reported as "borisfaute ..." and stops the run
/// (StopCalcul = 1, Ynew = Y).
void borisStep(double h, const StateArray& Y, StateArray& Ynew, FieldRoutine field,
               double chargeOverMass, double* bMidNorm = nullptr, Vecteur3* bMid = nullptr);

} // namespace gyro
