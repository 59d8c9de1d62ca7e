// Automatic lengths of the B, E and velocity arrows drawn along a trajectory.
#pragma once

#include "numerics/vecteur3.h"

#include <algorithm>

namespace gyro {

/// Arrow lengths per unit of each quantity [m per T, m per V/m, m per m/s].
struct ArrowFactors {
    double b = 0, e = 0, v = 0;
};

/// Sizes the arrows of the automatic scale from the trajectory itself, so that they never hide
/// it: the B arrow is a tenth of the trajectory's size, the E and velocity arrows a third and a
/// sixth of that at their start-of-run magnitudes (longer or shorter as the quantity changes).
/// The trajectory's size is the largest edge of the box around the points seen so far, or the
/// expected size given at the start while the trajectory is still smaller than that.
class ArrowScale {
public:
    /// A run starts at `R0` [m]; `expectedSize` [m] (for instance the Larmor diameter) stands for
    /// the trajectory's size until the trajectory grows larger. Sizes that are not positive and
    /// finite count as 0.
    void start(const Vecteur3& R0, double expectedSize);
    /// The trajectory reached `R` [m].
    void add(const Vecteur3& R);
    /// The size the arrows follow [m].
    double size() const {
        double edge = 0;
        if (m_any) {
            for (int i = 1; i <= 3; ++i) edge = std::max(edge, m_max(i) - m_min(i));
        }
        return std::max(edge, m_expected);
    }
    /// Factors for the current |B| [T] and the start-of-run |E| [V/m] and |V| [m/s] (zeros count
    /// as 1, so that a missing quantity gives a finite factor).
    ArrowFactors factors(double bNorm, double eNormStart, double vNormStart) const {
        return factorsFor(size(), bNorm, eNormStart, vNormStart);
    }
    /// The same for a trajectory of size `size` [m].
    static ArrowFactors factorsFor(double size, double bNorm, double eNormStart, double vNormStart);

    static constexpr double kBFraction = 0.1;     ///< B arrow / trajectory size
    static constexpr double kEFraction = 0.1 / 3; ///< E arrow at |E| start / size
    static constexpr double kVFraction = 0.1 / 6; ///< velocity arrow at |V| start / size

private:
    Vecteur3 m_min, m_max;
    bool m_any = false;
    double m_expected = 0;
};

} // namespace gyro
