// The formulas of the magnetic field shapes, for the field model's own file and for the steppers
// that inline one shape's evaluation into their stages.
#pragma once

#include "numerics/constants.h"
#include "numerics/vecteur3.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"

#include <cmath>

namespace gyro {

namespace fieldshapes {

// Field of a point dipole at the origin seen from the point at distance r in the direction rHat
// (radial unit vector in the xy plane eRho): the moment [A m^2] lies in the point's meridian
// plane, inclined by the angle [deg] from the z axis towards the outside. B = mu0 m / (4 pi r^3) *
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

// Whether a sum of squares lies where norma divides by its root without further checks.
inline bool exactRange(double sum) {
    return sum >= detail::kSafeSumLow && sum <= detail::kSafeSumHigh;
}

// The 1/rho field with lines curved about C (the generic formulas below, shape 2) at a point where
// all three norms it takes (|R|, rho, |C - R|) lie in norma's exact range, which is everywhere
// but on or near the z axis and at z of order 1e-145 and below. The same operations in the same
// order; only the order of independent ones changes, so that the divider starts first on the
// values the result waits longest for (1/z, then eRho, then the unit vector to C), and x and y
// share each division (two lanes, each lane a scalar's IEEE arithmetic). False, having computed
// nothing, elsewhere: the generic formulas then run, with norma's reports.
[[gnu::always_inline]] inline bool curvedRadialInRange(const Vecteur3& R, double Rm, double P2,
                                                       double k2, Vecteur3& B) {
    using Lanes = double __attribute__((vector_size(16)));
    const double x = R(1), y = R(2), z = R(3);
    const double zc = z == 0 ? 1e15 : z;
    const double Cz = 1 / zc + 1 / 0.015;
    const double xy = x * x + y * y; // rho^2, and the sum of squares of (x, y, 0)
    const double r2 = xy + z * z;    // |R|^2
    if (!exactRange(xy) || !exactRange(r2)) [[unlikely]]
        return false;
    const Lanes Rxy{x, y};
    const double rho = std::sqrt(xy);
    const Lanes eRho = Rxy / rho; // its z is 0 / rho = +0
    // C = eRho Rm + (0, 0, Cz), u = -R + C
    const Lanes Cxy = eRho * Rm + 0.0;
    const double Cz3 = 0.0 * Rm + Cz;
    const Lanes uxy = Rxy * -1.0 + Cxy;
    const double uz = z * -1.0 + Cz3;
    const double u2 = uxy[0] * uxy[0] + uxy[1] * uxy[1] + uz * uz;
    if (!exactRange(u2)) [[unlikely]]
        return false;
    const double nu = std::sqrt(u2);
    const Lanes uHatXY = uxy / nu;
    const double uHatZ = uz / nu;
    const double n = std::sqrt(r2);
    const Lanes rHatXY = Rxy / n;
    const double rHatZ = z / n;
    const double Bm = (z * z * k2 + P2) * Rm / rho;
    // t = r̂ × ez, B = (u × t) Bm, term by term as ProdVect and MultK
    const double t1 = rHatXY[1] * 1.0 - rHatZ * 0.0;
    const double t2 = rHatZ * 0.0 - rHatXY[0] * 1.0;
    const double t3 = rHatXY[0] * 0.0 - rHatXY[1] * 0.0;
    B(1) = (uHatXY[1] * t3 - uHatZ * t2) * Bm;
    B(2) = (uHatZ * t1 - uHatXY[0] * t3) * Bm;
    B(3) = (uHatXY[0] * t2 - uHatXY[1] * t1) * Bm;
    return true;
}

// Work values of one evaluation that nobody reads afterwards (a step's stages). Each shape's
// evaluation touches only its own, which the compiler then keeps in registers.
struct Scratch {
    Vecteur3 Rc, rHat, eRho, C, uHat, tHat, mHat, rHatPeriph, eRhoPeriph, BCentre, BPeriph;
    double r = 0;
    double rho = 0;
    double Rm = 0;
};

} // namespace fieldshapes

template <int Shape, class Work>
void FieldModel::evaluate(const Vecteur3& R, Vecteur3& B, Work& w, bool full) const {
    const double* P = m_P;
    constexpr bool dipoles = Shape == 3 || Shape == 4;
    if constexpr (Shape == 2) {
        if (!full && fieldshapes::curvedRadialInRange(R, P[4], P[2], m_k2, B)) return;
    }
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
    if (full || Shape == 2 || dipoles) rho = fieldshapes::radialUnit(w.Rc, w.eRho);

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
        ProdVect(w.rHat, Vecteur3(0, 0, 1), w.tHat); // r̂ × ez
        ProdVect(w.uHat, w.tHat, B);
        MultK(B, Bm, B);
    } else if constexpr (Shape == 3) { // one dipole at the origin
        fieldshapes::dipole(P[5], P[11], w.rHat, w.eRho, w.r, w.mHat, B);
    } else if constexpr (Shape == 4) {
        // centre dipole plus a peripheral one on the ring of radius P8, same azimuth
        fieldshapes::dipole(P[6], P[9], w.rHat, w.eRho, w.r, w.mHat, w.BCentre);
        MultKPlus(w.eRho, -P[8], w.Rc, w.Rc);
        const double rPeriph = norm(w.Rc);
        w.rHatPeriph = w.Rc;
        norma(w.rHatPeriph);
        w.eRhoPeriph = w.Rc;
        w.eRhoPeriph(3) = 0;
        norma(w.eRhoPeriph);
        fieldshapes::dipole(P[7], P[10], w.rHatPeriph, w.eRhoPeriph, rPeriph, w.mHat, w.BPeriph);
        MultKPlus(w.BPeriph, 1, w.BCentre, B);
    } else if constexpr (Shape == slot::kFieldMap) {
        mapField(R, B);
    } else { // uniform
        B = m_B0;
    }
}

template <int Shape> void FieldModel::magneticOf(const Vecteur3& R, Vecteur3& B) const {
    // Work values of its own: only the ones the shape touches remain, never zeroed nor stored,
    // in registers.
    fieldshapes::Scratch w;
    evaluate<Shape>(R, B, w, false);
}

} // namespace gyro
