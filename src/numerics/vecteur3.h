// 3-vectors, state arrays, and the vector and angle routines every other subsystem uses.
#pragma once

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace gyro {

/// A 3-vector indexed 1..3 (x, y, z).
struct Vecteur3 {
    std::array<double, 3> c{};

    Vecteur3() = default;
    Vecteur3(double x, double y, double z) : c{x, y, z} {}
    double& operator()(int i) { return c[static_cast<std::size_t>(i - 1)]; }
    double operator()(int i) const { return c[static_cast<std::size_t>(i - 1)]; }
    bool operator==(const Vecteur3&) const = default;
};

/// Largest dimension of an integrated state.
inline constexpr int kStateCapacity = 74;

/// An integrated state: doubles indexed 1..74, of which a computation uses 1..Ldim.
/// For a particle run: 1 x, 2 vx, 3 y, 4 vy, 5 z, 6 vz, 7 a constant, 8 time t.
struct StateArray {
    std::array<double, kStateCapacity + 1> c{}; // c[0] is unused

    double& operator()(int i) { return c[static_cast<std::size_t>(i)]; }
    double operator()(int i) const { return c[static_cast<std::size_t>(i)]; }
};

/// Dimension of the state in use (a double, as every counter of the integrator); 8 for a
/// particle run. Must stay within 1..74.
inline double Ldim = 8;

/// Receives the text that vector routines put into the data-plot window's warning box
/// (nothing is done while no window listens).
inline std::function<void(const std::string&)> DataPlotWarning;

/// a·b, summed as a2 b2 + a1 b1 + a3 b3.
inline double ProdScal(const Vecteur3& a, const Vecteur3& b) {
    return a(2) * b(2) + a(1) * b(1) + a(3) * b(3);
}
/// c = a × b. c must not be a or b.
inline void ProdVect(const Vecteur3& a, const Vecteur3& b, Vecteur3& c) {
    c(1) = a(2) * b(3) - a(3) * b(2);
    c(2) = a(3) * b(1) - a(1) * b(3);
    c(3) = a(1) * b(2) - a(2) * b(1);
}
/// c = k a.
inline void MultK(const Vecteur3& a, double k, Vecteur3& c) {
    // Written out component by component (here and below) so that a vector kept in registers
    // is seen as three numbers from the start, not as an indexed array.
    c(1) = a(1) * k;
    c(2) = a(2) * k;
    c(3) = a(3) * k;
}
/// c = k a + b.
inline void MultKPlus(const Vecteur3& a, double k, const Vecteur3& b, Vecteur3& c) {
    c(1) = a(1) * k + b(1);
    c(2) = a(2) * k + b(2);
    c(3) = a(3) * k + b(3);
}
/// c = k1 a + k2 b.
inline void CombLin(const Vecteur3& a, double k1, const Vecteur3& b, double k2, Vecteur3& c) {
    c(1) = a(1) * k1 + b(1) * k2;
    c(2) = a(2) * k1 + b(2) * k2;
    c(3) = a(3) * k1 + b(3) * k2;
}
/// c = a.
inline void CopieVect(const Vecteur3& a, Vecteur3& c) {
    c = a;
}
/// c(i) = a(i) for i = 1 .. Ldim; the rest of c is untouched.
inline void CopieEtat(const StateArray& a, StateArray& c) {
    for (int i = 1; i <= kStateCapacity && i <= Ldim; ++i) c(i) = a(i);
}

namespace detail {
// The rare paths of the norms, out of line: reports, and sums outside the range where
// normalising is exact to a few units in the last place.
double normseuleFault();
double normFault(double sum);
void normaChecked(Vecteur3& v);
// Sums of squares in this range give norms and unit vectors exact to a few ulp, far inside the
// 1e-11 check of norma.
inline constexpr double kSafeSumLow = 1e-290;
inline constexpr double kSafeSumHigh = 1e290;
} // namespace detail

/// |v|; 0 for a null vector, silently. Reports "normseulefaute" when the sum of squares is not
/// finite and then returns 0.
inline double normseule(const Vecteur3& v) {
    const double sum = v(1) * v(1) + v(2) * v(2) + v(3) * v(3);
    if (sum <= std::numeric_limits<double>::max()) return std::sqrt(sum); // NaN and inf fail
    return detail::normseuleFault();
}
/// |v|; 0 for a null vector, logged as "_normfaute norme nulle ".
inline double norm(const Vecteur3& v) {
    const double sum = v(1) * v(1) + v(2) * v(2) + v(3) * v(3);
    if (sum >= detail::kSafeSumLow && sum <= detail::kSafeSumHigh) return std::sqrt(sum);
    return detail::normFault(sum);
}
/// Normalises v in place. A null (or not-a-number) vector is reported
/// ("normafaute normalise vecteur nul = nul ") and left as it is; a result whose norm is off 1
/// by more than 1e-11 is reported ("normafaute normalise anormal en normant ").
inline void norma(Vecteur3& v) {
    const double sum = v(1) * v(1) + v(2) * v(2) + v(3) * v(3);
    if (sum >= detail::kSafeSumLow && sum <= detail::kSafeSumHigh) {
        // In this range the division is exact to a few ulp: the check of the result cannot fail.
        const double n = std::sqrt(sum);
        v(1) /= n;
        v(2) /= n;
        v(3) /= n;
        return;
    }
    // The rare path works on a copy: v's own address is never taken, so that a caller's vector
    // can live in registers.
    Vecteur3 copy = v;
    detail::normaChecked(copy);
    v = copy;
}

/// Degrees to radians (d × pi / 180).
double rad(double d);
/// Radians to degrees in [0, 360).
double deg(double x);
/// Degrees to the same direction in (-180, 180]; angles outside [0, 360) are logged.
double PetitAngle(double a);
/// atan(t) in [0, 2 pi).
double Atnp(double t);
/// Polar angle of the point (x, y) in [0, 2 pi); the origin gives pi/2.
double Atn2(double x, double y);
/// Rotates (x, y) by the angle of cosine c and sine s.
void RotPlan(double c, double s, double x, double y, double& xOut, double& yOut);
/// out = Rz(a3) Rx(a2) Rz(a1) in (angles in radians); in and out may be the same vector.
/// The cosines and sines of the last angles are cached.
void EulerI(const Vecteur3& in, double a1, double a2, double a3, Vecteur3& out);
/// s upper-cased, then leading and trailing blanks removed.
std::string MajTrim(const std::string& s);

} // namespace gyro
