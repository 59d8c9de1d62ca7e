// The Lorentz-force right-hand side, the readouts of a state and the run's integration step.
#include "simulation/motion.h"

#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "simulation/casemodel.h"
#include "simulation/fieldmap.h"
#include "simulation/runrecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace gyro {

LorentzForce::LorentzForce(const FieldModel& field, double charge, double mass, double& StopCalcul)
    : m_field(field), m_charge(charge), m_k(charge / mass), m_stop(&StopCalcul),
      m_direct(!field.map() && charge != 0 && std::isfinite(m_k)), m_uniform(field.uniform()),
      m_curvedRadial(field.shape() == 2),
      m_B(field.B0()), m_Ek{field.E()(1) * m_k, field.E()(2) * m_k, field.E()(3) * m_k} {}

void LorentzForce::refuse(double* A) const {
    Vecteur3 a(A[0], A[1], A[2]);
    fault(m_charge, m_k, a, *m_stop);
    A[0] = a(1);
    A[1] = a(2);
    A[2] = a(3);
}

void LorentzForce::fault(double charge, double k, Vecteur3& A, double& stop) {
    // (q/m)(E + V × B) is then no acceleration at all: the step ends on a zero one.
    // Reported once: the first report sets StopCalcul, and the remaining stages of the step
    // (which still evaluate the derivative) do not ask again.
    const char* label = nullptr;
    if (charge == 0) {
        label = "frRungefaute charge nulle";
    } else if (!std::isfinite(k)) {
        label = "frRungefaute masse nulle ou charge/masse non finie";
    } else {
        // A point where the field is singular (a dipole, the axis of the 1/rho field) or a
        // parameter that divides by zero.
        label = "frRungefaute champ non fini en ce point";
    }
    if (stop != 1) AlerteCalcul(label);
    stop = 1;
    A = Vecteur3(0, 0, 0);
}

void LorentzForce::mapAcceleration(const StateArray&, const Vecteur3& R, const Vecteur3& V,
                                   Vecteur3& A) const {
    const FieldMap& map = *m_field.map();
    Vecteur3 B, E, W;
    if (!map.magnetic(R, B)) {
        m_outside = true;
        A = Vecteur3(0, 0, 0);
        return;
    }
    ProdVect(V, B, W);
    E = m_field.E();
    if (Vecteur3 Emap; map.electric(R, Emap)) MultKPlus(Emap, 1, E, E);
    CombLin(E, m_k, W, m_k, A);
}

void storeReadouts(const StateArray& Y) {
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
}

void frRunge(const StateArray& Y, StateArray& DY) {
    storeReadouts(Y);
    RunRecord& rec = runRecord();
    LorentzForce::finish(Y, rec.Charge, rec.Charge / rec.Mass, rec.A, DY,
                         ErrorReport::instance().stopFlag());
}

void RungeStep(RunControl& c, const FieldModel& field, const RunRecord& rec, double& h,
               const StateArray& Y, StateArray& Ynew) {
    c.OrdreRunge = 5;
    const LorentzForce force(field, rec.Charge, rec.Mass, c.StopCalcul);
    const double tried = h;
    rungeControlled(c, h, Y, Ynew, force);
    if (!force.outsideMap()) [[likely]]
        return;
    // A stage of the step fell outside the field map. Retry from Y with shorter steps: a step
    // that stays inside is taken as usual. When even a step that moves the particle by a
    // millionth of the map's spacing leaves the map, the particle stands at its edge moving out,
    // and the run ends there. (A bound relative to the step tried would let a particle creep
    // towards the edge in ever shorter steps without ever reaching it.)
    const FieldMap& map = *force.field().map();
    const double speed = std::sqrt(Y(2) * Y(2) + Y(4) * Y(4) + Y(6) * Y(6));
    const double reach = 1e-6 * std::min(map.spacing[0], map.spacing[1]);
    for (double hTry = tried / 4; hTry * speed > reach && c.StopCalcul != 1; hTry /= 4) {
        force.clearOutsideMap();
        double hStep = hTry;
        rungeControlled(c, hStep, Y, Ynew, force);
        if (!force.outsideMap()) {
            h = hStep;
            return;
        }
    }
    if (c.StopCalcul != 1) {
        char where[160];
        std::snprintf(where, sizeof where, "at t = %.9g s, x y z = %.9g %.9g %.9g m", Y(8), Y(1),
                      Y(3), Y(5));
        AlerteCalcul(std::string("frRungefaute particle left the field map ") + where);
    }
    c.StopCalcul = 1;
    CopieEtat(Y, Ynew);
}

void RungeStep(RunControl& c, const CaseModel& model, const RunRecord& rec, double& h,
               const StateArray& Y, StateArray& Ynew) {
    RungeStep(c, FieldModel(model), rec, h, Y, Ynew);
}

void RungeStep(RunControl& c, double& h, const StateArray& Y, StateArray& Ynew) {
    RungeStep(c, theCase(), runRecord(), h, Y, Ynew);
}

} // namespace gyro
