// Steps' arrows: the scales at the step, then each arrow from the point.
#include "simulation/arrowrecipe.h"

#include "simulation/arrowscale.h"

#include <atomic>
#include <cmath>

namespace gyro {

std::uint64_t ArrowRecipe::nextRevision() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

void ArrowMaker::make(const ArrowRecipe& recipe, const Vecteur3& R, const Vecteur3& V,
                      const Vecteur3& B, const Vecteur3& E, double size, StepArrow out[3]) {
    // Factors of B, E and the velocity, in drawing units and in metres.
    const double* k = m_k;
    const double* kMetres = m_kMetres;
    double typedMetres[3];
    if (recipe.autoScale) {
        // Fractions of the trajectory's size, which change only with that size and with B.
        if (recipe.revision != m_revision || size != m_size || !(B == m_B)) [[unlikely]] {
            // A field that is not finite has no length: its arrow keeps the unit scale.
            const double bNorm = std::isfinite(B(1) + B(2) + B(3)) ? normseule(B) : 1.0;
            const ArrowFactors f = ArrowScale::factorsFor(size, bNorm, recipe.normE, recipe.normV);
            m_revision = recipe.revision;
            m_size = size;
            m_B = B;
            m_k[0] = f.b / recipe.toMetres;
            m_k[1] = f.e / recipe.toMetres;
            m_k[2] = f.v / recipe.toMetres;
            for (int i = 0; i < 3; ++i) m_kMetres[i] = m_k[i] * recipe.toMetres;
        }
    } else {
        for (int i = 0; i < 3; ++i) typedMetres[i] = recipe.typed[i] * recipe.toMetres;
        k = recipe.typed;
        kMetres = typedMetres;
    }
    const Vecteur3* vecs[3] = {&B, &E, &V};
    for (int i = 0; i < 3; ++i) {
        StepArrow& o = out[i];
        o.factor = k[i];
        o.red = recipe.rgb[i][0];
        o.green = recipe.rgb[i][1];
        o.blue = recipe.rgb[i][2];
        o.drawn = k[i] != 0;
        if (o.drawn) {
            Vecteur3 tip;
            MultKPlus(*vecs[i], kMetres[i], R, tip);
            o.x = tip(1), o.y = tip(2), o.z = tip(3);
        } else {
            o.x = o.y = o.z = 0;
        }
    }
}

} // namespace gyro
