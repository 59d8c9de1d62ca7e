// The Higuera-Cary relativistic pusher in its synchronous drift-kick-drift form.
#include "simulation/relativistic.h"

#include "numerics/errorreport.h"
#include "simulation/lightspeed.h"
#include "simulation/runrecord.h"

#include <cmath>
#include <limits>

namespace gyro {

namespace {

constexpr double kC2 = kSpeedOfLight * kSpeedOfLight; // [m^2/s^2]

} // namespace

double lorentzFactorOfVelocity(const Vecteur3& V) {
    const double beta2 = ProdScal(V, V) / kC2;
    if (!(beta2 < 1)) return std::numeric_limits<double>::quiet_NaN();
    return 1 / std::sqrt(1 - beta2);
}

Vecteur3 properVelocity(const Vecteur3& V) {
    Vecteur3 U;
    MultK(V, lorentzFactorOfVelocity(V), U);
    return U;
}

Vecteur3 velocityOfProper(const Vecteur3& U) {
    Vecteur3 V;
    MultK(U, 1 / lorentzFactorOfProper(U), V);
    return V;
}

double relativisticKineticEnergy(double speed, double mass) {
    const double beta2 = speed * speed / kC2;
    if (!(beta2 < 1)) return std::numeric_limits<double>::infinity();
    const double gamma = 1 / std::sqrt(1 - beta2);
    // gamma - 1 = beta^2 gamma^2 / (gamma + 1): no cancellation at low speed.
    return mass * speed * speed * gamma * gamma / (gamma + 1);
}

double speedOfKineticEnergy(double ek, double mass) {
    if (!(ek > 0) || !(mass > 0)) return 0;
    const double k = ek / (mass * kC2); // gamma - 1
    // u^2 / c^2 = gamma^2 - 1 = k (k + 2), v = u / gamma.
    return kSpeedOfLight * std::sqrt(k * (k + 2)) / (1 + k);
}

Vecteur3 ProperVelocityMemo::properOf(const Vecteur3& V, double& gammaOut) const {
    if (valid && v(1) == V(1) && v(2) == V(2) && v(3) == V(3)) {
        gammaOut = gamma;
        return u;
    }
    gammaOut = lorentzFactorOfVelocity(V);
    Vecteur3 U;
    MultK(V, gammaOut, U);
    return U;
}

namespace {

// The push of higueraCaryPush, leaving the field met in B and the new Lorentz factor and its
// inverse in gamma and inverseGamma (gamma holds the start's on entry, or 0 when unknown).
inline void push(double h, Vecteur3& R, Vecteur3& U, FieldRoutine field, double chargeOverMass,
                 Vecteur3& B, double& gamma, double& inverseGamma) {
    // Drift half a step at the velocity u / gamma to the midpoint, where the force acts.
    const double gammaStart = gamma >= 1 ? gamma : lorentzFactorOfProper(U);
    Vecteur3 mid;
    MultKPlus(U, h / (2 * gammaStart), R, mid);
    Vecteur3 E;
    field(mid, E, B);
    const double k = chargeOverMass * h / 2; // [C/kg s]
    higueraCaryKick(E, B, k, U, gamma, inverseGamma);
    // The second half drift.
    MultKPlus(U, h / 2 * inverseGamma, mid, R);
}

} // namespace

void higueraCaryPush(double h, Vecteur3& R, Vecteur3& U, FieldRoutine field, double chargeOverMass,
                     Vecteur3* bMid, double* gamma) {
    Vecteur3 B;
    double g = gamma ? *gamma : 0;
    double inverse = 0;
    push(h, R, U, field, chargeOverMass, B, g, inverse);
    if (bMid) *bMid = B;
    if (gamma) *gamma = g;
}

void relativisticStep(double h, const StateArray& Y, StateArray& Ynew, FieldRoutine field,
                      double chargeOverMass, ProperVelocityMemo* memo, double* bMidNorm,
                      Vecteur3* bMid) {
    Vecteur3 R = position(Y);
    const Vecteur3 V = velocity(Y);
    if (!std::isfinite(h) || !std::isfinite(chargeOverMass) || !finiteVector(R) ||
        !finiteVector(V)) {
        refuseStep("relativistefaute pas, charge/masse ou état non fini", Y, Ynew);
        return;
    }
    double gamma = 1;
    Vecteur3 U = memo ? memo->properOf(V, gamma) : ProperVelocityMemo{}.properOf(V, gamma);
    if (!finiteVector(U)) {
        refuseStep("relativistefaute vitesse égale ou supérieure à celle de la lumière", Y, Ynew);
        return;
    }
    Vecteur3 B;
    double inverseGamma = 0;
    push(h, R, U, field, chargeOverMass, B, gamma, inverseGamma);
    if (!finiteVector(B) || !finiteVector(U) || !finiteVector(R)) {
        refuseStep(kRelativisticFieldFault, Y, Ynew);
        return;
    }
    Vecteur3 vNew;
    MultK(U, inverseGamma, vNew);
    CopieEtat(Y, Ynew);
    pack(R, vNew, Ynew);
    const int n = Ldim >= 2 && Ldim <= kStateCapacity ? static_cast<int>(Ldim) : 8;
    Ynew(n) = Y(n) + h;
    if (memo) *memo = {true, vNew, U, gamma};
    if (bMidNorm) *bMidNorm = std::sqrt(ProdScal(B, B));
    if (bMid) *bMid = B;
}

} // namespace gyro
