// The pace of the Boris pusher along a run: how long a step may be where the field is weak or
// changes quickly, remembered from one step to the next.
#pragma once

#include "numerics/constants.h"
#include "simulation/boris.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
    /// The speed matters only where the field changes along the path (gradient() > 0).
    double step(double stepsPerGyration, double chargeOverMass, double speed) const;
    /// Learns from a step just taken: its midpoint [m] and the field there [T].
    void learn(const Vecteur3& mid, const Vecteur3& B);

    bool started() const { return m_started; }
    double gradient() const { return m_gradient; } ///< |dB/ds| along the path [T/m]
    const Vecteur3& field() const { return m_B; }  ///< the field learned last [T]

private:
    bool m_started = false;
    double m_lengthScale = 0; // [m]
    Vecteur3 m_mid;           // midpoint of the last step [m]
    Vecteur3 m_B;             // field there [T]
    double m_gradient = 0;    // [T/m]
};

// Inline: a run calls both at every step.
[[gnu::always_inline]] inline double BorisPace::step(double stepsPerGyration, double chargeOverMass,
                                                     double speed) const {
    constexpr double none = std::numeric_limits<double>::infinity();
    const double n = stepsPerGyration;
    if (!(n >= 1) || !std::isfinite(n)) return none;
    const double qm = std::fabs(chargeOverMass);
    const double b = std::sqrt(ProdScal(m_B, m_B));
    const double g = std::isfinite(m_gradient) ? m_gradient : 0;
    const double v = std::isfinite(speed) ? speed : 0;
    double h = none;
    // Gyration: qm (b + g v h) h = 2 pi / n, the positive root of a h^2 + bq h - c = 0 written
    // so that it stays exact when a vanishes.
    const double a = qm * g * v;
    const double bq = qm * b;
    const double c = 2 * Pi / n;
    if (a > 0) {
        h = 2 * c / (bq + std::sqrt(bq * bq + 4 * a * c));
    } else if (const double steady = borisStepSize(n, chargeOverMass, b); steady > 0) {
        h = steady; // a field that does not change along the path: 2 pi / (n qm b) as it stands
    }
    // Length: v h <= L / n with L = b / g, or the case's length / n where the field changes
    // over a shorter distance than that.
    if (g > 0 && v > 0) {
        const double length = std::max(b / g, m_lengthScale / n);
        h = std::min(h, length / (n * v));
    }
    return h > 0 && std::isfinite(h) ? h : none;
}

[[gnu::always_inline]] inline void BorisPace::learn(const Vecteur3& mid, const Vecteur3& B) {
    Vecteur3 ds, dB;
    MultKPlus(m_mid, -1, mid, ds);
    MultKPlus(m_B, -1, B, dB);
    const double ds2 = ProdScal(ds, ds);
    if (ds2 > 0) {
        // The same field as at the last midpoint (a uniform field): no gradient, without the
        // square roots and the division.
        const double dB2 = ProdScal(dB, dB);
        const double g = dB2 == 0 ? 0 : std::sqrt(dB2) / std::sqrt(ds2);
        if (std::isfinite(g)) m_gradient = g;
    }
    m_mid = mid;
    m_B = B;
}

} // namespace gyro
