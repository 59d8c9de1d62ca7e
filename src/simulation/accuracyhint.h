// The accuracy hint: tells when the error limit is too coarse for the gyration it should follow.
#pragma once

#include "numerics/vecteur3.h"

#include <string>

namespace gyro {

class CaseModel;

/// Whether the error limit can resolve the gyration, and what to use instead.
struct AccuracyHint {
    bool shown = false;         ///< the error limit exceeds a tenth of the Larmor radius
    double larmorRadius = 0;    ///< m v_perp / (|q| B) [m]; 0 without gyration
    double suggestedErrMax = 0; ///< about 1e-3 of the radius, one significant digit [m]
    std::string text;           ///< the sentence to show ("" when not shown)
    std::string suggestedText;  ///< suggestedErrMax as it goes into the error-limit box
};

/// The hint for the error limit errMax [m] at velocity V [m/s] in the field B [T] for a particle
/// of charge [C] and mass [kg]. No gyration (B null, V along B, q zero) gives no hint.
AccuracyHint accuracyHint(double errMax, const Vecteur3& V, const Vecteur3& B, double charge,
                          double mass);

/// The hint at the position R [m] and velocity V [m/s] of the run: the field from Champ, charge
/// and mass of the run record. None while the Boris method is chosen (it has no error limit).
AccuracyHint accuracyHintAt(double errMax, const Vecteur3& R, const Vecteur3& V);

/// The hint for the case as typed: start position and velocity, the error limit of its box, the
/// selected species (the species refresh sets the run record's charge and mass).
AccuracyHint accuracyHintForCase(const CaseModel& model);

} // namespace gyro
