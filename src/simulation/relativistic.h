// The relativistic pusher (Higuera-Cary): the Lorentz motion dp/dt = q(E + v × B) with p = γmv,
// stepped on the proper velocity u = γv so that no speed can reach the speed of light.
#pragma once

#include "simulation/boris.h"
#include "simulation/lightspeed.h"

#include <cmath>

namespace gyro {

/// γ = 1 / sqrt(1 - v^2/c^2) of the velocity V [m/s]; NaN at or above the speed of light.
double lorentzFactorOfVelocity(const Vecteur3& V);
/// 1/c^2 [s^2/m^2]: the pusher multiplies by it at every step rather than divide by c^2.
inline constexpr double kInverseC2 = 1 / (kSpeedOfLight * kSpeedOfLight);

/// γ = sqrt(1 + u^2/c^2) of the proper velocity U = γv [m/s].
[[gnu::always_inline]] inline double lorentzFactorOfProper(const Vecteur3& U) {
    return std::sqrt(1 + ProdScal(U, U) * kInverseC2);
}
/// The proper velocity γV [m/s] of the velocity V [m/s] (NaN components at or above c).
Vecteur3 properVelocity(const Vecteur3& V);
/// The velocity U / γ [m/s] of the proper velocity U [m/s]: always below c.
Vecteur3 velocityOfProper(const Vecteur3& U);

/// Kinetic energy (γ - 1) m c^2 [J] of mass [kg] at speed [m/s], computed without the
/// cancellation of γ - 1 at low speed; +infinity at or above c.
double relativisticKineticEnergy(double speed, double mass);
/// The speed [m/s] of mass [kg] with kinetic energy ek [J] (the inverse of the above); 0 for
/// ek <= 0.
double speedOfKineticEnergy(double ek, double mass);

/// The velocity part of a Higuera-Cary step with the fields E [V/m] and B [T] met at the
/// midpoint and k = (q/m) h / 2 [C/kg s]: half an electric kick, the magnetic rotation at the γ
/// of the mean proper velocity, half an electric kick. U [m/s] goes from the start's proper
/// velocity to the new one; gamma and inverseGamma receive its Lorentz factor and 1/γ.
[[gnu::always_inline]] inline void higueraCaryKick(const Vecteur3& E, const Vecteur3& B, double k,
                                                   Vecteur3& U, double& gamma,
                                                   double& inverseGamma) {
    Vecteur3 uMinus;
    MultKPlus(E, k, U, uMinus); // half the electric impulse
    // The rotation solves u+ - u- = (u+ + u-) × tau / gamma_mean, with tau = (q h / 2m) B and
    // gamma_mean the Lorentz factor of the mean proper velocity (u+ + u-) / 2. Its norm follows
    // from |u-| and the part of u- along tau alone, which gives gamma_mean^2 as the positive
    // root of G^2 - (gamma-^2 - tau^2) G - (tau^2 + (u-·tau)^2 / c^2) = 0.
    Vecteur3 tau;
    MultK(B, k, tau);
    const double tau2 = ProdScal(tau, tau);
    const double uTau = ProdScal(uMinus, tau);
    const double sigma = 1 + ProdScal(uMinus, uMinus) * kInverseC2 - tau2;
    const double gammaMean2 =
        (sigma + std::sqrt(sigma * sigma + 4 * (tau2 + uTau * uTau * kInverseC2))) / 2;
    Vecteur3 t;
    MultK(tau, 1 / std::sqrt(gammaMean2), t);
    // 1 / (1 + t^2) with t^2 = tau^2 / gamma_mean^2 (as written, not as G^2 / (G^2 + tau^2):
    // that form rounds with a bias that the norm of u accumulates over many turns).
    const double shrink = 1 / (1 + tau2 / gammaMean2);
    // Mean proper velocity: (u- + (u-·t) t + u- × t) / (1 + t^2); then u+ = mean + mean × t.
    Vecteur3 cross, mean, uPlus;
    ProdVect(uMinus, t, cross);
    MultKPlus(t, ProdScal(uMinus, t), uMinus, mean);
    MultKPlus(cross, 1, mean, mean);
    MultK(mean, shrink, mean);
    ProdVect(mean, t, cross);
    MultKPlus(cross, 1, mean, uPlus);
    // The second half of the electric impulse.
    MultKPlus(E, k, uPlus, U);
    gamma = lorentzFactorOfProper(U);
    inverseGamma = 1 / gamma;
}

/// What a relativistic step reports when the field at its midpoint is not finite.
inline constexpr const char* kRelativisticFieldFault =
    "relativistefaute champ non fini en ce point";

/// One Higuera-Cary step of h [s] on the position R [m] and proper velocity U [m/s], in place:
/// half a drift at U/γ, the field at the midpoint, half an electric kick, the magnetic rotation
/// at the γ of the mean proper velocity (which makes the step exact for a particle moving at
/// the E × B drift, and volume-preserving), half an electric kick, half a drift. Returns the
/// field B at the midpoint [T] through bMid when given. gamma (when given) holds the Lorentz
/// factor of U on entry, which saves computing it, and receives the new one. No check of
/// finiteness.
void higueraCaryPush(double h, Vecteur3& R, Vecteur3& U, FieldRoutine field, double chargeOverMass,
                     Vecteur3* bMid = nullptr, double* gamma = nullptr);

/// The proper velocity a run carries from step to step: the state array holds velocities, and
/// recomputing u from v near c would lose the digits the rotation keeps.
struct ProperVelocityMemo {
    bool valid = false;
    Vecteur3 v;       ///< the velocity of the last state produced [m/s]
    Vecteur3 u;       ///< its proper velocity [m/s]
    double gamma = 1; ///< its Lorentz factor

    /// The memo's proper velocity when V is the velocity it remembers, else γV [m/s] (NaN
    /// components at or above c); gammaOut receives its Lorentz factor.
    Vecteur3 properOf(const Vecteur3& V, double& gammaOut) const;
};

/// One relativistic step of the particle state Y (x vx y vy z vz constant t) by h [s] into
/// Ynew, with the same contract as borisStep (velocities in the state, time advanced by h,
/// bMidNorm and bMid the field met at the midpoint). memo (when given) supplies u when the
/// state's velocity is the one it remembers, and receives the new one. A non-finite field,
/// state or step, or a start speed at or above c, is reported as "relativistefaute ..." and
/// stops the run (StopCalcul = 1, Ynew = Y).
void relativisticStep(double h, const StateArray& Y, StateArray& Ynew, FieldRoutine field,
                      double chargeOverMass, ProperVelocityMemo* memo = nullptr,
                      double* bMidNorm = nullptr, Vecteur3* bMid = nullptr);

} // namespace gyro
