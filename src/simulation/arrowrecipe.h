// The B, E and velocity arrows drawn at a run's steps, and what they are computed from.
#pragma once

#include "numerics/vecteur3.h"
#include "simulation/tracesink.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace gyro {

/// What a run draws its arrows with besides the step's own position, velocity and B and the
/// trajectory's size: the scales, the uniform E and the colours. It changes only with the case
/// (a new `revision` each time), so a receiver may keep it and compute the arrows of many steps
/// itself (ArrowMaker), later or on another thread.
struct ArrowRecipe {
    /// Unique in the process for every recipe built (0: none yet); see nextRevision().
    std::uint64_t revision = 0;
    /// Automatic scale (fractions of the trajectory's size, see ArrowScale) rather than the
    /// typed factors.
    bool autoScale = true;
    double typed[3] = {};        ///< typed factors of B, E, V [drawing units per T, V/m, m/s]
    double toMetres = 1;         ///< metres per drawing unit
    double normE = 1, normV = 1; ///< |E| and |V| at the start of the run
    Vecteur3 E;                  ///< the uniform E [V/m]
    double rgb[3][3] = {};       ///< colours of the B, E and velocity arrows (0..255)
    std::int16_t style = 2;      ///< as SetVectorScale's (non-zero: with heads)

    /// A number no recipe had before.
    static std::uint64_t nextRevision();
};

/// Computes steps' arrows as a recipe draws them. It keeps the factors of the automatic scale
/// while the recipe, the size and B stay: a gyration in a uniform field needs no square root or
/// division for them then.
class ArrowMaker {
public:
    /// The arrows of B, E and the velocity V, in that order, drawn from R [m] with the fields B and
    /// E there and the trajectory's size [m]. A factor of 0 leaves its arrow undrawn.
    void make(const ArrowRecipe& recipe, const Vecteur3& R, const Vecteur3& V, const Vecteur3& B,
              const Vecteur3& E, double size, StepArrow out[3]);
    /// Whether make() may report (through the norm of B: a finite B whose square overflows, with
    /// the automatic scale): such a step's arrows are made on the thread that reports.
    static bool mayReport(const ArrowRecipe& recipe, const Vecteur3& B) {
        const double sum = B(1) * B(1) + B(2) * B(2) + B(3) * B(3);
        return !(sum <= std::numeric_limits<double>::max()) && recipe.autoScale &&
               std::isfinite(B(1) + B(2) + B(3));
    }

private:
    std::uint64_t m_revision = 0;
    double m_size = -1;
    Vecteur3 m_B;
    double m_k[3] = {}, m_kMetres[3] = {};
};

} // namespace gyro
