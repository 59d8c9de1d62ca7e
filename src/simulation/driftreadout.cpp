// The drift read-out: E x B drift vector or drift speed at the typed position.
#include "simulation/driftreadout.h"

#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/runrecord.h"

#include <cmath>

namespace gyro {

Vecteur3 exbDrift(const Vecteur3& E, const Vecteur3& B) {
    // Guiding-centre drift in crossed fields: Vd = (E x B) / |B|^2, whatever the charge.
    Vecteur3 exb;
    ProdVect(E, B, exb);
    double b2 = ProdScal(B, B);
    if (b2 == 0) b2 = 1;
    return {exb(1) / b2, exb(2) / b2, exb(3) / b2};
}

bool driftSpeed(const Vecteur3& E, const Vecteur3& B, double& speed) {
    const double q = std::fabs(kPreliminaryCharge);
    const double e = normseule(E);
    const double omega = q * normseule(B) / kReferenceElectronMass;
    if (omega == 0 || !std::isfinite(omega) || !std::isfinite(e)) return false;
    // The force qE balanced by the magnetic force q Vd B: Vd = qE / (omega m) = |E| / |B|.
    speed = q * e / omega / kReferenceElectronMass;
    return true;
}

bool DriftReadOut(CaseModel& model, bool exbVector) {
    const Vecteur3 R(model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
                     model.Texte3Value(slot::kX + 2));
    Vecteur3 E, B;
    Champ(R, E, B);
    if (exbVector) {
        const Vecteur3 drift = exbDrift(E, B);
        for (int i = 0; i < 3; ++i) {
            model.setText(BoxFamily::Texte3, slot::kVx + i, FormatGeneral(drift(i + 1)));
        }
        return true;
    }
    double speed = 0;
    if (!driftSpeed(E, B, speed)) {
        AlerteCalcul("_Coche1_Clickfaute division par zero");
        return false;
    }
    model.setText(BoxFamily::Texte3, slot::kVx, FormatGeneral(speed));
    model.setText(BoxFamily::Texte3, slot::kVx + 1, "0");
    model.setText(BoxFamily::Texte3, slot::kVx + 2, "0");
    return true;
}

} // namespace gyro
