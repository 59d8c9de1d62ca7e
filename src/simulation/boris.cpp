// The Boris pusher in its synchronous drift-kick-drift form.
#include "simulation/boris.h"

#include "numerics/errorreport.h"
#include "simulation/runrecord.h"

#include <cmath>

namespace gyro {

// Stops the computation through the error report's stop flag (a run's StopCalcul while the run
// driver computes).
void refuseStep(const char* label, const StateArray& Y, StateArray& Ynew) {
    double& stop = ErrorReport::instance().stopFlag();
    if (stop != 1) AlerteCalcul(label);
    stop = 1;
    CopieEtat(Y, Ynew);
}

void borisStep(double h, const StateArray& Y, StateArray& Ynew, FieldRoutine field,
               double chargeOverMass, double* bMidNorm, Vecteur3* bMid) {
    const Vecteur3 R = position(Y);
    const Vecteur3 V = velocity(Y);
    if (!std::isfinite(h) || !std::isfinite(chargeOverMass) || !finiteVector(R) ||
        !finiteVector(V)) {
        refuseStep("borisfaute pas, charge/masse ou état non fini", Y, Ynew);
        return;
    }
    // Drift half a step to the midpoint, where the force acts for the whole step.
    Vecteur3 mid;
    MultKPlus(V, h / 2, R, mid);
    Vecteur3 E, B;
    field(mid, E, B);
    if (!finiteVector(E) || !finiteVector(B)) {
        refuseStep(kBorisFieldFault, Y, Ynew);
        return;
    }
    const double k = chargeOverMass * h / 2; // [C/kg s]
    // Rotation about B by the angle 2 atan(|q/m| B h / 2) between the two halves of the electric
    // impulse, then the second half drift.
    Vecteur3 vNew, rNew;
    borisKick(V, E, k, BorisRotation(B, k), vNew);
    MultKPlus(vNew, h / 2, mid, rNew);

    CopieEtat(Y, Ynew);
    pack(rNew, vNew, Ynew);
    const int n = Ldim >= 2 && Ldim <= kStateCapacity ? static_cast<int>(Ldim) : 8;
    Ynew(n) = Y(n) + h;
    if (bMidNorm) *bMidNorm = std::sqrt(ProdScal(B, B));
    if (bMid) *bMid = B;
}

} // namespace gyro
