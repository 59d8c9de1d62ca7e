// The field models: E uniform; B uniform, cylindrical, 1/rho with curved lines, dipole, double
// dipole. The operation order follows the field formulas term by term.
#include "simulation/fields.h"

#include "numerics/constants.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fieldmap.h"
#include "simulation/runrecord.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace gyro {

namespace {

const Vecteur3 ez{0, 0, 1};

// Field of a point dipole at the origin seen from the point at distance r in the direction rHat
// (radial unit vector in the xy plane eRho): the moment [A m^2] lies in the point's meridian
// plane, inclined by the angle [deg] from ez towards the outside. B = mu0 m / (4 pi r^3) *
// (3 (r̂·m̂) r̂ - m̂). (Inlined, so that the work vectors of a step's stage stay in registers.)
[[gnu::always_inline]] inline void dipole(double moment, double inclinationDeg,
                                          const Vecteur3& rHat, const Vecteur3& eRho, double r,
                                          Vecteur3& mHat, Vecteur3& B) {
    const double i = rad(inclinationDeg);
    MultK(eRho, std::sin(i), mHat);
    mHat(3) = std::cos(i);
    const double c = ProdScal(rHat, mHat);
    MultK(rHat, 3 * c, B);
    MultKPlus(mHat, -1, B, B);
    MultK(B, kMu0 * moment / 4 / Pi / std::pow(r, 3), B);
}

// The unit radial vector eRho of the point R in the xy plane, as norma gives it for (x, y, 0),
// and the distance rho = sqrt(x^2 + y^2) [m] to the z axis. One square root serves both: the sum
// of squares x^2 + y^2 + 0^2 that norma forms is x^2 + y^2 itself, and 0 / rho is +0 wherever
// norma divides (rho then positive and finite).
[[gnu::always_inline]] inline double radialUnit(const Vecteur3& R, Vecteur3& eRho) {
    const double sum = R(1) * R(1) + R(2) * R(2);
    const double rho = std::sqrt(sum);
    if (sum >= detail::kSafeSumLow && sum <= detail::kSafeSumHigh) [[likely]] {
        eRho = Vecteur3(R(1) / rho, R(2) / rho, 0);
    } else {
        eRho = Vecteur3(R(1), R(2), 0);
        norma(eRho); // reports the null vector of a point on the axis
    }
    return rho;
}

// Work values of one evaluation that nobody reads afterwards (a step's stages). Each shape's
// evaluation touches only its own, which the compiler then keeps in registers.
struct Scratch {
    Vecteur3 Rc, rHat, eRho, C, uHat, tHat, mHat, rHatPeriph, eRhoPeriph, BCentre, BPeriph;
    double r = 0;
    double rho = 0;
    double Rm = 0;
};

} // namespace

FieldModel::FieldModel(const CaseModel& model)
    : m_shape(model.shape()), m_shaped(m_shape == 0 || m_shape == 2 || m_shape == 3 ||
                                       m_shape == 4 || m_shape == slot::kFieldMap) {
    for (int i = 1; i <= 3; ++i) {
        m_E0(i) = model.Texte4Value(i - 1);
        m_B0(i) = model.Texte6Value(i - 1);
    }
    for (int k = 0; k < 12; ++k) m_P[k] = model.Texte6Value(k + 3);
    m_k2 = (m_P[2] - m_P[3]) / std::pow(m_P[0] - m_P[1], 2);
    if (m_shape == slot::kFieldMap) m_map = model.fieldMap();
}

void FieldModel::mapField(const Vecteur3& R, Vecteur3& B) const {
    // Outside the map there is no field to give: NaN, which the equations of motion refuse.
    if (!m_map || !m_map->magnetic(R, B)) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        B = Vecteur3(nan, nan, nan);
    }
}

template <int Shape, class Work>
void FieldModel::evaluate(const Vecteur3& R, Vecteur3& B, Work& w, bool full) const {
    const double* P = m_P;
    constexpr bool dipoles = Shape == 3 || Shape == 4;
    w.Rc = R;
    w.Rm = P[4];
    // Distance and unit vectors of the point: the dipoles need all three, the radial shapes the
    // directions only, the uniform field none.
    if (full || dipoles) w.r = norm(w.Rc);
    if (full || Shape == 0 || Shape == 2 || dipoles) {
        w.rHat = w.Rc;
        norma(w.rHat);
    }
    double rho = 0;
    if (full || Shape == 2 || dipoles) rho = radialUnit(w.Rc, w.eRho);

    if constexpr (Shape == 0) { // cylindrical: radial with the constant magnitude B0x
        w.rHat(3) = 0;
        norma(w.rHat);
        MultK(w.rHat, m_B0(1), B);
    } else if constexpr (Shape == 2) { // radial field falling as 1/rho, field lines curved about C
        w.rho = rho;
        const double z = w.Rc(3);
        const double Bm = (z * z * m_k2 + P[2]) * w.Rm / w.rho;
        const double zc = z == 0 ? 1e15 : z;
        w.C = Vecteur3(0, 0, 1 / zc + 1 / 0.015);
        MultKPlus(w.eRho, w.Rm, w.C, w.C);
        MultKPlus(w.Rc, -1, w.C, w.uHat);
        norma(w.uHat);
        ProdVect(w.rHat, ez, w.tHat);
        ProdVect(w.uHat, w.tHat, B);
        MultK(B, Bm, B);
    } else if constexpr (Shape == 3) { // one dipole at the origin
        dipole(P[5], P[11], w.rHat, w.eRho, w.r, w.mHat, B);
    } else if constexpr (Shape == 4) {
        // centre dipole plus a peripheral one on the ring of radius P8, same azimuth
        dipole(P[6], P[9], w.rHat, w.eRho, w.r, w.mHat, w.BCentre);
        MultKPlus(w.eRho, -P[8], w.Rc, w.Rc);
        const double rPeriph = norm(w.Rc);
        w.rHatPeriph = w.Rc;
        norma(w.rHatPeriph);
        w.eRhoPeriph = w.Rc;
        w.eRhoPeriph(3) = 0;
        norma(w.eRhoPeriph);
        dipole(P[7], P[10], w.rHatPeriph, w.eRhoPeriph, rPeriph, w.mHat, w.BPeriph);
        MultKPlus(w.BPeriph, 1, w.BCentre, B);
    } else if constexpr (Shape == slot::kFieldMap) {
        mapField(R, B);
    } else { // uniform
        B = m_B0;
    }
}

// Calls f with the shape as a compile-time constant (std::integral_constant), the uniform field
// for any shape without formulas of its own.
template <class F> void withShape(int shape, F&& f) {
    switch (shape) {
    case 0:
        f(std::integral_constant<int, 0>{});
        break;
    case 2:
        f(std::integral_constant<int, 2>{});
        break;
    case 3:
        f(std::integral_constant<int, 3>{});
        break;
    case 4:
        f(std::integral_constant<int, 4>{});
        break;
    case slot::kFieldMap:
        f(std::integral_constant<int, slot::kFieldMap>{});
        break;
    default:
        f(std::integral_constant<int, 1>{});
        break;
    }
}

template <class Work>
void FieldModel::evaluateShape(const Vecteur3& R, Vecteur3& B, Work& w, bool full) const {
    withShape(m_shape, [&](auto shape) { evaluate<shape.value>(R, B, w, full); });
}

void FieldModel::shapedMagnetic(const Vecteur3& R, Vecteur3& B) const {
    withShape(m_shape, [&](auto shape) {
        // Work values of its own for each shape: only the ones the shape touches remain, never
        // zeroed nor stored, in registers.
        Scratch w;
        evaluate<shape.value>(R, B, w, false);
    });
}

const FieldModel& FieldCache::reread(const CaseModel& model) {
    m_model.emplace(model);
    m_stamp = model.stamp();
    return *m_model;
}

void Champ(const Vecteur3& R, Vecteur3& E, Vecteur3& B) {
    RunRecord& rec = runRecord();
    const FieldModel field(theCase());
    rec.E0 = field.E();
    rec.B0 = field.B0();
    for (int k = 0; k < 12; ++k) rec.P[k] = field.P()[k];
    rec.k2 = field.k2();
    rec.B1 = rec.P[2];
    rec.mu0 = kMu0;
    E = rec.E0;
    field.evaluateShape(R, B, rec, true);
    if (Vecteur3 Emap; field.map() && field.map()->electric(R, Emap)) MultKPlus(Emap, 1, E, E);
    // A point outside the field map (or a map shape chosen before its file) has no field: that
    // is no computing fault to ask the user about, and the read-outs show it as NaN.
    if (field.shape() == slot::kFieldMap && !std::isfinite(B(1))) {
        rec.BNorm = B(1);
        return;
    }
    rec.BNorm = normseule(B);
}

} // namespace gyro
