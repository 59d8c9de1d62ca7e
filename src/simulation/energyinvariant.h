// The energy invariant of a run: kinetic energy minus the work of the uniform electric field.
#pragma once

#include "numerics/vecteur3.h"

namespace gyro {

/// W = Ek - q E·(r - r0) [J]: B does no work and E is uniform and static, so W stays at its
/// start value Ek(0) along the exact motion whatever the magnetic field shape. Its drift
/// measures the integration error. charge [C], mass [kg], R, R0 [m], V [m/s], E [V/m].
double energyInvariant(const Vecteur3& R, const Vecteur3& V, const Vecteur3& E, const Vecteur3& R0,
                       double charge, double mass);

/// How far a relative change of W has gone: below 1e-3 fine, from 1e-3 a notice, from 1e-2 (or
/// not a number) an alarm. The window colours the read-out with it.
enum class DriftLevel { Fine, Notice, Alarm };
DriftLevel driftLevel(double relativeChange);

/// Follows W along a run (with `relativistic`, Ek = (γ - 1) m c^2). The work of E is summed step by
/// step with the field of each step, so that W stays meaningful when the user retypes E during a
/// run; with a constant E the sum is the closed form of energyInvariant.
class EnergyInvariant {
public:
    /// Starts at the initial state: W0 = Ek0; Ek is relativistic with `relativistic`.
    void start(const Vecteur3& R0, const Vecteur3& V0, double charge, double mass,
               bool relativistic = false);
    /// Moves to the state (R, V) reached by a step, with the electric field E of that step.
    void advance(const Vecteur3& R, const Vecteur3& V, const Vecteur3& E);

    double value() const { return m_kinetic - m_work; } ///< W [J]
    double startValue() const { return m_start; }       ///< W0 [J]
    double kinetic() const { return m_kinetic; }        ///< Ek at the last state [J]
    /// Largest kinetic energy of the states seen since the start [J].
    double peakKinetic() const { return m_peak; }
    /// (W - W0) / the largest kinetic energy reached so far: the error measured against the
    /// energy the particle actually has, which does not vanish when it starts almost at rest
    /// (a slow particle swept into an E × B drift). 0 before the start and for a particle that
    /// stays at rest.
    double relativeChange() const {
        if (m_started && m_peak != 0) [[likely]]
            return (value() - m_start) / m_peak;
        return unusualChange();
    }
    bool started() const { return m_started; }

private:
    double unusualChange() const; // before the start, or at rest all along

    bool m_started = false;
    double m_charge = 0;           // [C]
    double m_mass = 0;             // [kg]
    bool m_relativistic = false;   // Ek = (γ - 1) m c^2 rather than m v^2 / 2
    Vecteur3 m_last;               // position of the last state [m]
    double m_work = 0;             // work of E since the start [J]
    double m_workCompensation = 0; // low-order part lost by the last addition [J]
    double m_kinetic = 0;
    double m_start = 0;
    double m_peak = 0; // [J]
};

} // namespace gyro
