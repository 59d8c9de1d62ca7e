// Equations of motion of the particle (non-relativistic Lorentz force) and the run's step.
#pragma once

#include "numerics/vecteur3.h"
#include "simulation/fields.h"
#include "simulation/fieldshapes.h"

#include <cmath>

namespace gyro {

class CaseModel;
struct RunControl;
struct RunRecord;

/// The right-hand side of the equations of motion for one step, the system that the integrator
/// evaluates at each of its stages: the fields and q/m are read once, then each evaluation
/// computes only the acceleration A = (q/m)(E + V × B), with the same operations as frRunge.
class LorentzForce {
public:
    /// The fields of a case (kept by reference: they must outlive the force) and the particle's
    /// charge [C] and mass [kg]; a fault sets StopCalcul, the stop flag of the computation (a
    /// run's control).
    LorentzForce(const FieldModel& field, double charge, double mass, double& StopCalcul);

    /// DY from Y (x vx y vy z vz constant t): positions advance with the velocity, velocities
    /// with A, the constant stays and the time advances at 1. A zero charge, an unusable q/m or
    /// a non-finite acceleration is reported once ("frRungefaute ...") and stops the run
    /// (StopCalcul = 1); DY then holds a finite value so that the step ends cleanly.
    void operator()(const StateArray& Y, StateArray& DY) const {
        const Vecteur3 R(Y(1), Y(3), Y(5));
        const Vecteur3 V(Y(2), Y(4), Y(6));
        Vecteur3 B, W, A;
        if (m_field.map()) [[unlikely]] {
            mapAcceleration(Y, R, V, A);
        } else {
            m_field.magnetic(R, B);
            ProdVect(V, B, W);
            CombLin(m_field.E(), m_k, W, m_k, A);
        }
        finish(Y, m_charge, m_k, A, DY, *m_stop);
    }

    /// True when the acceleration alone describes the motion: no field map (whose steps may
    /// fall outside it), a non-zero charge and a finite q/m. The Cash-Karp stepper then calls
    /// acceleration() instead of operator().
    bool direct() const { return m_direct; }

    /// A [m/s^2] = (q/m)(E + V × B) at R [m] with the velocity V [m/s] (three doubles each), with
    /// the same operations as operator(); a non-finite A is reported and zeroed as there.
    /// Only for a direct() force.
    void acceleration(const double* R, const double* V, double* A) const {
        accelerationOf<kAnyField>(R, V, A);
    }

    /// The field kinds for which the stepper has a loop of its own (fieldKind()): the uniform
    /// field, the 1/rho field (the default case, its formulas inlined into the stages) and any.
    static constexpr int kAnyField = 0;
    static constexpr int kUniformField = 1;
    static constexpr int kCurvedRadialField = 2;
    /// The kind of this force's field.
    int fieldKind() const {
        return m_uniform ? kUniformField : m_curvedRadial ? kCurvedRadialField : kAnyField;
    }
    /// acceleration() for a force whose fieldKind() is Kind (or any force when kAnyField).
    template <int Kind> void accelerationOf(const double* R, const double* V, double* A) const {
        Vecteur3 B;
        if (Kind == kUniformField || (Kind == kAnyField && m_uniform)) {
            B = m_B;
        } else if constexpr (Kind == kCurvedRadialField) {
            m_field.magneticOf<2>(Vecteur3(R[0], R[1], R[2]), B);
        } else {
            m_field.magnetic(Vecteur3(R[0], R[1], R[2]), B);
        }
        // V × B as ProdVect, then E k + W k as CombLin with E k taken once.
        const double W1 = V[1] * B(3) - V[2] * B(2);
        const double W2 = V[2] * B(1) - V[0] * B(3);
        const double W3 = V[0] * B(2) - V[1] * B(1);
        A[0] = m_Ek[0] + W1 * m_k;
        A[1] = m_Ek[1] + W2 * m_k;
        A[2] = m_Ek[2] + W3 * m_k;
        if (!std::isfinite(A[0]) || !std::isfinite(A[1]) || !std::isfinite(A[2])) [[unlikely]]
            refuse(A);
    }

    /// Whether an evaluation since the last clearOutsideMap() fell outside the field map (its
    /// acceleration was then set to zero: the step that used it is not valid).
    bool outsideMap() const { return m_outside; }
    /// The fields of the case as this system evaluates them.
    const FieldModel& field() const { return m_field; }
    void clearOutsideMap() const { m_outside = false; }

    /// Checks the acceleration A [m/s^2] (zeroed when at fault, see above, setting `stop`) and
    /// writes DY.
    static void finish(const StateArray& Y, double charge, double k, Vecteur3& A, StateArray& DY,
                       double& stop) {
        if (charge == 0 || !std::isfinite(k) || !std::isfinite(A(1)) || !std::isfinite(A(2)) ||
            !std::isfinite(A(3))) [[unlikely]]
            fault(charge, k, A, stop);
        DY(1) = Y(2);
        DY(3) = Y(4);
        DY(5) = Y(6);
        DY(2) = A(1);
        DY(4) = A(2);
        DY(6) = A(3);
        DY(7) = 0;
        DY(8) = 1;
    }

private:
    static void fault(double charge, double k, Vecteur3& A, double& stop);
    void refuse(double* A) const;
    // A on a field map, with the map's own E when it has one. At a point outside the map A is
    // zero and outsideMap() tells it: the caller must not take the step.
    void mapAcceleration(const StateArray& Y, const Vecteur3& R, const Vecteur3& V,
                         Vecteur3& A) const;

    mutable bool m_outside = false;

    const FieldModel& m_field;
    double m_charge;
    double m_k;     // q/m [C/kg]
    double* m_stop; // the computation's StopCalcul
    // For acceleration(): the field read once when it is uniform, and E (q/m).
    bool m_direct;
    bool m_uniform;
    bool m_curvedRadial; // the 1/rho shape with curved lines
    Vecteur3 m_B;        // [T]
    double m_Ek[3];      // [m/s^2]
};

/// Leaves in runRecord() what the displays show of the state Y: R, |R|, r̂, V, |V|, v̂, Y(7),
/// Y(8), E and B at R (with Champ's work values and |B|), V × B and the acceleration A. Computed
/// once per accepted step by the run driver, never at the integrator's stages.
void storeReadouts(const StateArray& Y);

/// Derivative of the particle state Y with the fields of theCase() and the species of
/// runRecord(), as LorentzForce computes it; also leaves the readouts of Y in runRecord()
/// (storeReadouts). Y is not changed. Faults as LorentzForce, stopping through the error
/// report's stopFlag().
void frRunge(const StateArray& Y, StateArray& DY);

/// One step of a run under the control c: selects Cash-Karp (c.OrdreRunge = 5) and calls the
/// controlled step with the Lorentz force of the case `model` and the species of `rec`. h [s] is
/// the step to try on entry and the proposal for the next step on return. The caller tests
/// c.StopCalcul afterwards. On a field map a step reaching outside the map is retried shorter;
/// a particle at the map's edge moving out ends the run, reported once with the time and place
/// ("frRungefaute particle left the field map at t = ... s, x y z = ... m"), Ynew = Y.
void RungeStep(RunControl& c, const CaseModel& model, const RunRecord& rec, double& h,
               const StateArray& Y, StateArray& Ynew);
/// The same with the case's fields read already (a run's FieldCache).
void RungeStep(RunControl& c, const FieldModel& field, const RunRecord& rec, double& h,
               const StateArray& Y, StateArray& Ynew);
/// The same with the case and run record of the current program state.
void RungeStep(RunControl& c, double& h, const StateArray& Y, StateArray& Ynew);

} // namespace gyro
