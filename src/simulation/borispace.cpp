// Step bounds of the Boris pusher along a run.
#include "simulation/borispace.h"

#include "numerics/constants.h"

#include <cmath>

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

} // namespace gyro
