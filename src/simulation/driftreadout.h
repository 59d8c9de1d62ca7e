// The drift read-out: the guiding-centre drift of the typed case written into its velocity.
#pragma once

#include "numerics/vecteur3.h"
#include "simulation/casemodel.h"

namespace gyro {

/// E x B drift velocity (E x B) / |B|^2 [m/s] of fields E [V/m] and B [T]. A null B divides by
/// 1 (the read-out then shows E x B itself, zero).
Vecteur3 exbDrift(const Vecteur3& E, const Vecteur3& B);

/// Drift speed |E| / |B| [m/s], computed as the read-out always has: q |E| / (omega m) with the
/// cyclotron frequency omega = q |B| / m of the reference charge and electron mass of the run
/// record. Returns false (speed untouched) when |B| is zero or a value is not finite.
bool driftSpeed(const Vecteur3& E, const Vecteur3& B, double& speed);

/// The drift read-out of the case: evaluates the field at the typed position Texte3(0..2) and
/// writes into the typed velocity Texte3(3..5) the E x B drift vector (exbVector true) or the
/// drift speed along x, 0 along y and z (exbVector false). The field is that of the program-wide
/// case; pass theCase(). Returns false and logs "_Coche1_Clickfaute division par zero", leaving
/// the velocity alone, when the speed cannot be computed.
bool DriftReadOut(CaseModel& model, bool exbVector);

} // namespace gyro
