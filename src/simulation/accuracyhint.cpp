// The accuracy hint, shared by the window (beside the error-limit box) and the command line.
#include "accuracyhint.h"

#include "casemodel.h"
#include "caseslots.h"
#include "fields.h"
#include "gyration.h"
#include "integrationmethod.h"
#include "numerics/numberformat.h"
#include "runrecord.h"

#include <cmath>

namespace gyro {

namespace {

// The step control bounds the error of each step in metres: once that bound is a tenth of the
// gyration radius the computed circle no longer means anything. The suggestion puts it at a
// thousandth of the radius.
constexpr double kHintFraction = 0.1;
constexpr double kSuggestedFraction = 1e-3;

// x rounded to `digits` significant digits.
double roundSignificant(double x, int digits) {
    if (x == 0 || !std::isfinite(x)) return x;
    const double scale = std::pow(10, std::floor(std::log10(std::fabs(x))) - (digits - 1));
    return std::round(x / scale) * scale;
}

} // namespace

AccuracyHint accuracyHint(double errMax, const Vecteur3& V, const Vecteur3& B, double charge,
                          double mass) {
    AccuracyHint hint;
    const double radius = gyrationOf(mass, charge, V, B).larmorDiameter / 2;
    if (!(radius > 0) || !std::isfinite(radius)) return hint;
    hint.larmorRadius = radius;
    hint.suggestedErrMax = roundSignificant(kSuggestedFraction * radius, 1);
    hint.suggestedText = FormatGeneral(hint.suggestedErrMax);
    if (!(errMax > kHintFraction * radius)) return hint;
    hint.shown = true;
    hint.text = "Error limit " + FormatGeneral(errMax) +
                " m is more than a tenth of the Larmor radius " +
                FormatGeneral(roundSignificant(radius, 2)) +
                " m: the computed trajectory does not follow the gyration. Suggested limit: " +
                hint.suggestedText + " m.";
    return hint;
}

AccuracyHint accuracyHintAt(double errMax, const Vecteur3& R, const Vecteur3& V) {
    // The Boris step follows the gyration by construction and does not use the error limit.
    if (integrationChoice().method == IntegrationMethod::Boris) return {};
    Vecteur3 E, B;
    Champ(R, E, B);
    const RunRecord& rec = runRecord();
    return accuracyHint(errMax, V, B, rec.Charge, rec.Mass);
}

AccuracyHint accuracyHintForCase(const CaseModel& model) {
    SpeciesRefresh(0); // charge and mass of the selected species, no box written
    const Vecteur3 R(model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
                     model.Texte3Value(slot::kX + 2));
    const Vecteur3 V(model.Texte3Value(slot::kVx), model.Texte3Value(slot::kVx + 1),
                     model.Texte3Value(slot::kVx + 2));
    return accuracyHintAt(model.Texte7Value(), R, V);
}

} // namespace gyro
