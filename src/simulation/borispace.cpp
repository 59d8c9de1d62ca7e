// Step bounds of the Boris pusher along a run.
#include "simulation/borispace.h"

#include "numerics/constants.h"

#include <cmath>
#include <limits>

namespace gyro {

namespace {

double normOf(const Vecteur3& v) {
    return std::sqrt(ProdScal(v, v));
}

// A short distance for the first difference, as a fraction of the case's length.
constexpr double kProbeFraction = 1e-4;

} // namespace

void BorisPace::start(const Vecteur3& R, const Vecteur3& V, double lengthScale,
                      FieldRoutine field) {
    m_started = true;
    m_lengthScale = std::isfinite(lengthScale) && lengthScale > 0 ? lengthScale : 0;
    Vecteur3 E, B;
    field(R, E, B);
    m_mid = R;
    m_B = B;
    m_gradient = 0;
    const double speed = normOf(V);
    const double probe = kProbeFraction * m_lengthScale;
    if (!(speed > 0) || !(probe > 0)) return;
    // The field a short way ahead along the velocity: where it changes, the first step is
    // already bounded by the distance over which it does.
    Vecteur3 ahead, Bahead;
    MultKPlus(V, probe / speed, R, ahead);
    field(ahead, E, Bahead);
    learn(ahead, Bahead);
    m_mid = R;
    m_B = B;
}

double BorisPace::step(double stepsPerGyration, double chargeOverMass, double speed) const {
    constexpr double none = std::numeric_limits<double>::infinity();
    const double n = stepsPerGyration;
    if (!(n >= 1) || !std::isfinite(n)) return none;
    const double qm = std::fabs(chargeOverMass);
    const double b = normOf(m_B);
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

void BorisPace::learn(const Vecteur3& mid, const Vecteur3& B) {
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
