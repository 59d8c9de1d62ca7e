// The accuracy hint: tells when the error limit is too coarse for the gyration over the run asked,
// what limit keeps the energy invariant within 1e-4, and the phase slip of the Boris method.
#pragma once

#include "numerics/vecteur3.h"

#include <string>

namespace gyro {

class CaseModel;

/// The length of the run the hint judges: a simulated time, or a number of accepted steps, or
/// (neither given) kHintGyrations gyrations.
struct RunSpan {
    double seconds = 0; ///< simulated time [s]; 0 when not known
    double steps = 0;   ///< accepted steps (a run counted in steps); 0 when not known
};

/// Gyrations judged when the run's length is not known (the window without a maximum time).
inline constexpr double kHintGyrations = 1000;
/// The W change a suggested limit aims at, at the end of the run.
inline constexpr double kHintTargetChange = 1e-4;

/// Whether the error limit can follow the gyration over the run, and what to use instead.
struct AccuracyHint {
    bool shown = false;         ///< there is something to tell (text is not empty)
    bool coarse = false;        ///< the error limit is too coarse: the suggestion is worth taking
    double larmorRadius = 0;    ///< radius of the gyration about the E × B drift [m]; 0 without
    double gyrations = 0;       ///< gyrations the run covers
    double expectedChange = 0;  ///< W change expected at the end with the current limit
    double suggestedErrMax = 0; ///< limit expected to keep the W change within 1e-4 [m]
    bool offerBoris = false;    ///< Boris at 32 steps per gyration takes fewer steps than that
    std::string text;           ///< the sentence to show ("" when not shown)
    std::string suggestedText;  ///< suggestedErrMax as it goes into the error-limit box ("" for
                                ///< a note that proposes no limit)
};

/// The radius [m] of the gyration about the E × B drift: m |(V - vE)⊥| / (|q| B), with
/// vE = E × B / B^2; where V moves exactly at the drift, from the speed itself. 0 without
/// gyration (no field or charge).
double driftFrameRadius(const Vecteur3& V, const Vecteur3& E, const Vecteur3& B, double charge,
                        double mass);

/// The expected relative W change per gyration of the Cash-Karp step at an error limit that is
/// the fraction x of the gyration radius: 1.3e-4 (x / 1e-3)^0.85 (measured; it adds up
/// linearly over the gyrations).
double cashKarpChangePerGyration(double x);
/// Accepted Cash-Karp steps per gyration at that fraction: 11 (x / 1e-3)^(-1/6) (measured).
double cashKarpStepsPerGyration(double x);

/// The phase the Boris step loses per gyration at N steps per gyration [rad]:
/// 2 pi - 2 N atan(pi / N) (each step turns the velocity by 2 atan(pi / N) instead of 2 pi / N).
double borisPhaseSlip(double stepsPerGyration);
/// "Boris at N = 32 steps per gyration turns 0.9968 turn per gyration: the phase is one radian
/// behind after 51 gyrations."
std::string borisPhaseText(double stepsPerGyration);

/// The hint for the error limit errMax [m] at velocity V [m/s] in the fields E [V/m], B [T] for
/// a particle of charge [C] and mass [kg], over the run `span`. Shown when the W change expected
/// at the end reaches 1e-2, or the limit exceeds a tenth of the radius; the suggestion aims at a
/// W change of 1e-4. No gyration gives no hint.
AccuracyHint accuracyHint(double errMax, const Vecteur3& V, const Vecteur3& E, const Vecteur3& B,
                          double charge, double mass, const RunSpan& span = {});

/// The hint at the position R [m] and velocity V [m/s] of the run: the fields from Champ,
/// charge and mass of the run record. While the Boris method is chosen (it has no error limit)
/// a note of its phase slip instead.
AccuracyHint accuracyHintAt(double errMax, const Vecteur3& R, const Vecteur3& V,
                            const RunSpan& span = {});

/// The hint for the case as typed: start position and velocity, the error limit of its box, the
/// selected species (the species refresh sets the run record's charge and mass).
AccuracyHint accuracyHintForCase(const CaseModel& model, const RunSpan& span = {});

} // namespace gyro
