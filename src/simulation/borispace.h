// The pace of the Boris pusher along a run: how long a step may be where the field is weak or
// changes quickly, remembered from one step to the next.
#pragma once

#include "simulation/boris.h"

namespace gyro {

/// The Boris step of one run. A fixed number N of steps per gyration at the local field alone
/// would let a particle that leaves the field (or starts at a null) take steps of any length;
/// the pace bounds each step by two rules:
/// - gyration: N steps per turn at the strongest field the step can meet, |B| + |dB/ds| Δs;
/// - length: the particle moves at most L / N, where L = |B| / |dB/ds| is the distance over
///   which the field changes by its own size, or the case's length scale / N where that is
///   longer (at a null L itself vanishes).
/// |dB/ds| is the change of the field vector per metre along the path, measured between the
/// midpoints of the last two steps (at the start, by a short difference along the velocity).
class BorisPace {
public:
    /// Starts a run at R [m] moving at V [m/s]; lengthScale [m] is the case's own length (the
    /// start distance from the origin).
    void start(const Vecteur3& R, const Vecteur3& V, double lengthScale, FieldRoutine field);
    /// The step [s] for the next step at speed [m/s], N steps per gyration and charge/mass
    /// [C/kg]; +infinity when nothing bounds it (no field, no motion).
    double step(double stepsPerGyration, double chargeOverMass, double speed) const;
    /// Learns from a step just taken: its midpoint [m] and the field there [T].
    void learn(const Vecteur3& mid, const Vecteur3& B);

    bool started() const { return m_started; }
    double gradient() const { return m_gradient; } ///< |dB/ds| along the path [T/m]

private:
    bool m_started = false;
    double m_lengthScale = 0; // [m]
    Vecteur3 m_mid;           // midpoint of the last step [m]
    Vecteur3 m_B;             // field there [T]
    double m_gradient = 0;    // [T/m]
};

} // namespace gyro
