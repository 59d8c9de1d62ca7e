// 3-vectors, state arrays, and the vector and angle routines every other subsystem uses.
#pragma once

#include <array>
#include <functional>
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
double ProdScal(const Vecteur3& a, const Vecteur3& b);
/// c = a × b. c must not be a or b.
void ProdVect(const Vecteur3& a, const Vecteur3& b, Vecteur3& c);
/// c = k a.
void MultK(const Vecteur3& a, double k, Vecteur3& c);
/// c = k a + b.
void MultKPlus(const Vecteur3& a, double k, const Vecteur3& b, Vecteur3& c);
/// c = k1 a + k2 b.
void CombLin(const Vecteur3& a, double k1, const Vecteur3& b, double k2, Vecteur3& c);
/// c = a.
void CopieVect(const Vecteur3& a, Vecteur3& c);
/// c(i) = a(i) for i = 1 .. Ldim; the rest of c is untouched.
void CopieEtat(const StateArray& a, StateArray& c);

/// |v|; 0 for a null vector, silently. Reports "normseulefaute" when the sum of squares is not
/// finite and then returns 0.
double normseule(const Vecteur3& v);
/// |v|; 0 for a null vector, logged as "_normfaute norme nulle ".
double norm(const Vecteur3& v);
/// Normalises v in place. A null (or not-a-number) vector is reported
/// ("normafaute normalise vecteur nul = nul ") and left as it is.
void norma(Vecteur3& v);

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
