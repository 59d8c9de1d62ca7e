// Automatic arrow lengths: fractions of the trajectory's own size.
#include "simulation/arrowscale.h"

#include <algorithm>
#include <cmath>

namespace gyro {

void ArrowScale::start(const Vecteur3& R0, double expectedSize) {
    m_any = false;
    m_expected = std::isfinite(expectedSize) && expectedSize > 0 ? expectedSize : 0;
    add(R0);
}

void ArrowScale::add(const Vecteur3& R) {
    if (!std::isfinite(R(1)) || !std::isfinite(R(2)) || !std::isfinite(R(3))) return;
    if (!m_any) {
        m_min = m_max = R;
        m_any = true;
        return;
    }
    for (int i = 1; i <= 3; ++i) {
        m_min(i) = std::min(m_min(i), R(i));
        m_max(i) = std::max(m_max(i), R(i));
    }
}

ArrowFactors ArrowScale::factorsFor(double s, double bNorm, double eNormStart, double vNormStart) {
    auto unit = [](double n) { return n != 0 && std::isfinite(n) ? std::fabs(n) : 1.0; };
    return {kBFraction * s / unit(bNorm), kEFraction * s / unit(eNormStart),
            kVFraction * s / unit(vNormStart)};
}

} // namespace gyro
