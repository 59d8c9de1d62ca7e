// The energy invariant of a run: kinetic energy minus the work of the uniform electric field.
#pragma once

#include "numerics/vecteur3.h"

#include <algorithm>
#include <cmath>

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

    double value() const { return m_tally.kinetic - m_tally.work; } ///< W [J]
    double startValue() const { return m_start; }                   ///< W0 [J]
    double kinetic() const { return m_tally.kinetic; }              ///< Ek at the last state [J]
    /// Largest kinetic energy of the states seen since the start [J].
    double peakKinetic() const { return m_tally.peak; }
    /// (W - W0) / the largest kinetic energy reached so far: the error measured against the
    /// energy the particle actually has, which does not vanish when it starts almost at rest
    /// (a slow particle swept into an E × B drift). 0 before the start and for a particle that
    /// stays at rest.
    double relativeChange() const {
        if (m_started && m_tally.peak != 0) [[likely]]
            return (value() - m_start) / m_tally.peak;
        return unusualChange();
    }
    bool started() const { return m_started; }
    bool relativistic() const { return m_relativistic; }
    double mass() const { return m_mass; } ///< [kg]

    /// What a step moves: the last position, the work of E (a compensated sum), the kinetic
    /// energy and its peak. A loop over many steps keeps it in registers: tally(), then
    /// moveAs() at every step, then resume().
    struct Tally {
        Vecteur3 last;           ///< position of the last state [m]
        double work = 0;         ///< work of E since the start [J]
        double compensation = 0; ///< low-order part lost by the last addition [J]
        double kinetic = 0;      ///< [J]
        double peak = 0;         ///< [J]
        double speed = NAN;      ///< [m/s] of the kinetic energy, when relativistic
    };
    const Tally& tally() const { return m_tally; }
    /// Goes on from a tally that moveAs() moved (of this invariant, started).
    void resume(const Tally& tally) { m_tally = tally; }
    /// Moves `tally` to the state (R, V) with the field E as advance() moves the invariant;
    /// RelativisticEnergy must be relativistic().
    template <bool RelativisticEnergy>
    void moveAs(Tally& tally, const Vecteur3& R, const Vecteur3& V, const Vecteur3& E) const;
    /// W - W0 at a tally [J], as value() - startValue().
    double changeAt(const Tally& tally) const { return (tally.kinetic - tally.work) - m_start; }

private:
    double unusualChange() const;                   // before the start, or at rest all along
    double relativisticKinetic(double speed) const; // (γ - 1) m c^2 [J] at speed [m/s]

    bool m_started = false;
    double m_charge = 0;         // [C]
    double m_mass = 0;           // [kg]
    bool m_relativistic = false; // Ek = (γ - 1) m c^2 rather than m v^2 / 2
    Tally m_tally;
    double m_start = 0; // [J]
};

// Inline: a run moves it at every step.
template <bool RelativisticEnergy>
[[gnu::always_inline]] inline void EnergyInvariant::moveAs(Tally& tally, const Vecteur3& R,
                                                           const Vecteur3& V,
                                                           const Vecteur3& E) const {
    Vecteur3 step;
    MultKPlus(tally.last, -1, R, step);
    // Compensated (Kahan) sum: a run adds millions of small terms to a large total.
    const double term = m_charge * ProdScal(E, step) - tally.compensation;
    const double total = tally.work + term;
    tally.compensation = (total - tally.work) - term;
    tally.work = total;
    tally.last = R;
    if constexpr (RelativisticEnergy) {
        // (γ - 1) m c^2 depends on the speed alone: a magnetic field keeps it to the last bit
        // for many steps.
        const double speed = std::sqrt(ProdScal(V, V));
        if (!(speed == tally.speed)) {
            tally.kinetic = relativisticKinetic(speed);
            tally.speed = speed;
        }
    } else {
        tally.kinetic = 0.5 * m_mass * ProdScal(V, V);
    }
    tally.peak = std::max(tally.peak, tally.kinetic);
}

[[gnu::always_inline]] inline void EnergyInvariant::advance(const Vecteur3& R, const Vecteur3& V,
                                                            const Vecteur3& E) {
    if (!m_started) return;
    if (m_relativistic) {
        moveAs<true>(m_tally, R, V, E);
    } else {
        moveAs<false>(m_tally, R, V, E);
    }
}

} // namespace gyro
