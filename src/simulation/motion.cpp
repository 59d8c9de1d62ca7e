// The Lorentz-force right-hand side frRunge and the run's integration step RungeStep.
#include "motion.h"

#include "fields.h"
#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "runrecord.h"

#include <cmath>

namespace gyro {

namespace {

// Reports a fault of the derivative once: the first report sets StopCalcul, and the remaining
// stages of the step (which still call frRunge) do not ask again.
void derivativeFault(const char* label) {
    if (StopCalcul != 1) AlerteCalcul(label);
    StopCalcul = 1;
}

} // namespace

void frRunge(const StateArray& Y, StateArray& DY) {
    RunRecord& rec = runRecord();
    rec.R = Vecteur3(Y(1), Y(3), Y(5));
    rec.normR = norm(rec.R);
    rec.rHat = rec.R;
    norma(rec.rHat);
    rec.V = Vecteur3(Y(2), Y(4), Y(6));
    rec.normV = norm(rec.V);
    rec.vHat = rec.V;
    norma(rec.vHat);
    // The constant and the time are the last two components (Ldim is 8 for a particle run).
    const int n = Ldim >= 2 && Ldim <= kStateCapacity ? static_cast<int>(Ldim) : 8;
    rec.Y7 = Y(n - 1);
    rec.Y8 = Y(n);

    Champ(rec.R, rec.E, rec.B);
    ProdVect(rec.V, rec.B, rec.W);
    const double k = rec.Charge / rec.Mass; // q/m [C/kg]
    CombLin(rec.E, k, rec.W, k, rec.A);

    if (rec.Charge == 0) {
        derivativeFault("frRungefaute charge nulle");
    } else if (!std::isfinite(k)) {
        derivativeFault("frRungefaute masse nulle ou charge/masse non finie");
    } else if (!std::isfinite(rec.A(1)) || !std::isfinite(rec.A(2)) || !std::isfinite(rec.A(3))) {
        // A point where the field is singular (a dipole, the axis of the 1/rho field) or a
        // parameter that divides by zero.
        derivativeFault("frRungefaute champ non fini en ce point");
        rec.A = Vecteur3(0, 0, 0);
    }
    if (!std::isfinite(k)) rec.A = Vecteur3(0, 0, 0);

    DY(1) = Y(2);
    DY(3) = Y(4);
    DY(5) = Y(6);
    DY(2) = rec.A(1);
    DY(4) = rec.A(2);
    DY(6) = rec.A(3);
    DY(7) = 0;
    DY(8) = 1;
}

void RungeStep(double& h, const StateArray& Y, StateArray& Ynew) {
    OrdreRunge = 5;
    runge(h, Y, Ynew, frRunge);
}

} // namespace gyro
