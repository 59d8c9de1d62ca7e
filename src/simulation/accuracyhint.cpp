// The accuracy hint, shared by the window (beside the error-limit box) and the command line.
#include "simulation/accuracyhint.h"

#include "numerics/constants.h"
#include "numerics/numberformat.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/runrecord.h"

#include <algorithm>
#include <cmath>

namespace gyro {

namespace {

// The error model of the controlled Cash-Karp step on a gyration, measured on circles: the
// relative W error per gyration and the accepted steps per gyration, each a power of
// x = error limit / radius. Circles are the worst case measured: an E × B cycloid drifts about
// four times less, the gyration of the default case (1/rho field) a thousand times less.
constexpr double kChangeAtReference = 1.3e-4; // per gyration at x = 1e-3
constexpr double kChangeExponent = 0.85;
constexpr double kStepsAtReference = 11; // per gyration at x = 1e-3
constexpr double kStepsExponent = -1.0 / 6;

// A limit above a tenth of the radius does not follow the circle at all, however short the run.
constexpr double kCoarseFraction = 0.1;
// The hint speaks from the W change at which the read-out turns red: the model is pessimistic
// for most cases, and its suggestion aims a hundred times lower.
constexpr double kShownChange = 1e-2;
// The model is not used beyond these fractions.
constexpr double kLargestFraction = 1e-2;
// Boris is offered at its default number of steps per gyration.
constexpr double kBorisSteps = 32;

double normOf(const Vecteur3& v) {
    return std::sqrt(ProdScal(v, v));
}

// x rounded down to one significant digit, so that a suggestion never exceeds its aim.
double floorSignificant(double x) {
    if (x == 0 || !std::isfinite(x)) return x;
    const double scale = std::pow(10, std::floor(std::log10(std::fabs(x))));
    return std::max(1.0, std::floor(x / scale * (1 + 1e-12))) * scale;
}

double roundSignificant(double x, int digits) {
    if (x == 0 || !std::isfinite(x)) return x;
    const double scale = std::pow(10, std::floor(std::log10(std::fabs(x))) - (digits - 1));
    return std::round(x / scale) * scale;
}

// Gyrations over the span at the fraction x: a span in steps covers fewer gyrations the finer
// the limit.
double gyrationsOf(const RunSpan& span, double frequency, double x) {
    if (span.seconds > 0) return span.seconds * frequency;
    if (span.steps > 0) return span.steps / cashKarpStepsPerGyration(x);
    return kHintGyrations;
}

} // namespace

double driftFrameRadius(const Vecteur3& V, const Vecteur3& E, const Vecteur3& B, double charge,
                        double mass) {
    const double b2 = ProdScal(B, B);
    const double omega = mass > 0 ? std::fabs(charge) * std::sqrt(b2) / mass : 0;
    if (!(omega > 0) || !std::isfinite(omega)) return 0;
    // The gyration is the motion about the E × B drift: u = V - vE turns about B.
    Vecteur3 drift, u, uxb;
    ProdVect(E, B, drift);
    MultK(drift, 1 / b2, drift);
    MultKPlus(drift, -1, V, u);
    ProdVect(u, B, uxb);
    double speed = normOf(uxb) / std::sqrt(b2);
    const double scale = std::max(normOf(V), normOf(drift));
    if (!(speed > 1e-12 * scale)) speed = scale; // moving at the drift: the speed it has
    return speed / omega;
}

double cashKarpChangePerGyration(double x) {
    return kChangeAtReference * std::pow(x / 1e-3, kChangeExponent);
}

double cashKarpStepsPerGyration(double x) {
    return kStepsAtReference * std::pow(x / 1e-3, kStepsExponent);
}

double borisPhaseSlip(double stepsPerGyration) {
    const double n = stepsPerGyration;
    return 2 * Pi - 2 * n * std::atan(Pi / n);
}

std::string borisPhaseText(double stepsPerGyration) {
    const double slip = borisPhaseSlip(stepsPerGyration);
    const double turns = 1 - slip / (2 * Pi);
    return "Boris at N = " + FormatGeneral(stepsPerGyration) + " steps per gyration turns " +
           FormatGeneral(std::floor(turns * 1e4) / 1e4) +
           " turn per gyration: the phase is one radian behind after " +
           FormatGeneral(std::round(1 / slip)) + " gyrations.";
}

AccuracyHint accuracyHint(double errMax, const Vecteur3& V, const Vecteur3& E, const Vecteur3& B,
                          double charge, double mass, const RunSpan& span) {
    AccuracyHint hint;
    const double radius = driftFrameRadius(V, E, B, charge, mass);
    if (!(radius > 0) || !std::isfinite(radius) || !(errMax > 0)) return hint;
    hint.larmorRadius = radius;
    const double frequency = std::fabs(charge) * normOf(B) / mass / (2 * Pi); // [Hz]
    const double x = errMax / radius;
    hint.gyrations = gyrationsOf(span, frequency, x);
    hint.expectedChange = hint.gyrations * cashKarpChangePerGyration(x);

    // The limit whose expected change at the end is the target. Over a span in steps the number
    // of gyrations depends on the limit as well; the change is then a power of x too.
    double exponent = kChangeExponent;
    const double atUnit = gyrationsOf(span, frequency, 1) * cashKarpChangePerGyration(1);
    if (!(span.seconds > 0) && span.steps > 0) exponent -= kStepsExponent;
    const double xSuggested =
        std::min(kLargestFraction, std::pow(kHintTargetChange / atUnit, 1 / exponent));
    hint.suggestedErrMax = floorSignificant(xSuggested * radius);
    hint.suggestedText = FormatGeneral(hint.suggestedErrMax);
    hint.offerBoris = cashKarpStepsPerGyration(hint.suggestedErrMax / radius) > kBorisSteps;
    if (!(hint.expectedChange >= kShownChange) && !(x > kCoarseFraction)) return hint;

    hint.shown = true;
    hint.coarse = true;
    const double steps = cashKarpStepsPerGyration(hint.suggestedErrMax / radius);
    hint.text = "Error limit " + FormatGeneral(errMax) + " m against a gyration radius of " +
                FormatGeneral(roundSignificant(radius, 2)) + " m (about the E x B drift): over " +
                FormatGeneral(roundSignificant(hint.gyrations, 2)) +
                " gyrations W is expected to drift by " +
                FormatGeneral(roundSignificant(hint.expectedChange, 1)) +
                ". Suggested limit: " + hint.suggestedText + " m (W change about 1e-4, " +
                FormatGeneral(std::round(steps)) + " steps per gyration)" +
                (hint.offerBoris ? "; the Boris method at 32 steps per gyration takes fewer steps "
                                   "and keeps W without drift."
                                 : ".");
    return hint;
}

AccuracyHint accuracyHintAt(double errMax, const Vecteur3& R, const Vecteur3& V,
                            const RunSpan& span) {
    const IntegrationChoice& choice = integrationChoice();
    if (choice.method == IntegrationMethod::Boris) {
        // The Boris step follows the gyration by construction and has no error limit: what it
        // costs is phase.
        AccuracyHint note;
        note.shown = true;
        note.text = borisPhaseText(choice.stepsPerGyration);
        return note;
    }
    if (choice.method == IntegrationMethod::Relativistic) {
        // No error limit either: the phase slips as Boris's at low speed, half as much the other
        // way near c.
        AccuracyHint note;
        note.shown = true;
        note.text = "Relativistic at N = " + FormatGeneral(choice.stepsPerGyration) +
                    " steps per gyration: the phase is at most one radian off after " +
                    FormatGeneral(std::round(1 / borisPhaseSlip(choice.stepsPerGyration))) +
                    " gyrations.";
        return note;
    }
    Vecteur3 E, B;
    Champ(R, E, B);
    const RunRecord& rec = runRecord();
    return accuracyHint(errMax, V, E, B, rec.Charge, rec.Mass, span);
}

AccuracyHint accuracyHintForCase(const CaseModel& model, const RunSpan& span) {
    SpeciesRefresh(0); // charge and mass of the selected species, no box written
    const Vecteur3 R(model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
                     model.Texte3Value(slot::kX + 2));
    const Vecteur3 V(model.Texte3Value(slot::kVx), model.Texte3Value(slot::kVx + 1),
                     model.Texte3Value(slot::kVx + 2));
    return accuracyHintAt(model.Texte7Value(), R, V, span);
}

} // namespace gyro
