// The Boris pusher: a second-order, volume-preserving step of the Lorentz motion whose magnetic
// rotation keeps the speed exactly, so that a pure magnetic field does no work to round-off.
#pragma once

#include "numerics/constants.h"
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
/// What a Boris step reports when the field at its midpoint is not finite.
inline constexpr const char* kBorisFieldFault = "borisfaute champ non fini en ce point";

/// Default number of Boris steps per gyration.
inline constexpr double kDefaultStepsPerGyration = 32;

/// Step [s] that cuts one gyration at the field magnitude bNorm [T] into stepsPerGyration steps:
/// 2 pi / (N |q/m| B). Returns 0 when there is no gyration to resolve (B or q/m zero, or a
/// value that is not finite or a step count below 1): the caller keeps its previous step.
inline double borisStepSize(double stepsPerGyration, double chargeOverMass, double bNorm) {
    const double omega = std::fabs(chargeOverMass) * bNorm; // cyclotron frequency [rad/s]
    if (!(stepsPerGyration >= 1) || !std::isfinite(stepsPerGyration) || !(omega > 0) ||
        !std::isfinite(omega))
        return 0;
    return 2 * Pi / (stepsPerGyration * omega);
}

/// The rotation of a Boris step about B [T] with k = (q/m) h / 2 [C/kg s]: t = k B, the tangent
/// of half the angle along B, and s = 2 t / (1 + t^2). A run whose field and step stay the same
/// keeps them from one step to the next.
struct BorisRotation {
    Vecteur3 t, s;
    BorisRotation() = default;
    BorisRotation(const Vecteur3& B, double k) {
        MultK(B, k, t);
        const double t2 = ProdScal(t, t);
        MultK(t, 2 / (1 + t2), s);
    }
};

/// The kick of a Boris step: half the electric impulse E k, the rotation, the other half, from
/// the velocity V to vNew [m/s]. The magnetic rotation keeps |v| exactly up to rounding.
[[gnu::always_inline]] inline void borisKick(const Vecteur3& V, const Vecteur3& E, double k,
                                             const BorisRotation& rot, Vecteur3& vNew) {
    Vecteur3 vMinus, cross, vPrime, vPlus;
    MultKPlus(E, k, V, vMinus);
    ProdVect(vMinus, rot.t, cross);
    MultKPlus(vMinus, 1, cross, vPrime);
    ProdVect(vPrime, rot.s, cross);
    MultKPlus(vMinus, 1, cross, vPlus);
    MultKPlus(E, k, vPlus, vNew);
}

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
