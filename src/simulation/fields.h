// Field models: the uniform electric field and the five magnetic field shapes.
#pragma once

#include "numerics/vecteur3.h"

namespace gyro {

/// Vacuum permeability as the field formulas compute it: 4 × 3.14159265358979 × 1e-7 [T m/A].
inline constexpr double kMu0 = 4 * 3.14159265358979 * 1e-7;

/// The fields at the point R [m]: E [V/m] (uniform, Texte4(0..2)) and B [T] of the shape selected
/// in theCase() (Option4: 0 cylindrical radial, 1 uniform, 2 radial 1/rho with curved lines,
/// 3 inclined point dipole at the origin, 4 double dipole), with the parameters typed in
/// Texte6(0..14) as last read by the case model (a value typed during a run acts at the next
/// call). Stores |B| in runRecord().BNorm and the derived values and work vectors in
/// runRecord(). Null radial or position vectors are reported by norm/norma; a singular point
/// (on the z axis for shape 2, at a dipole) gives a non-finite B that the caller must refuse.
void Champ(const Vecteur3& R, Vecteur3& E, Vecteur3& B);

} // namespace gyro
