// The run record, the species refresh with its derived values, the energy edit, state packing.
#include "simulation/runrecord.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/fields.h"
#include "simulation/gyration.h"
#include "simulation/integrationmethod.h"
#include "simulation/relativistic.h"

#include <cmath>

namespace gyro {

double kineticEnergyEv(double speed, double mass) {
    if (relativisticMotion()) return relativisticKineticEnergy(speed, mass) / kElementaryCharge;
    return std::pow(speed, 2) * (mass / 2) / kElementaryCharge;
}

namespace {

Vecteur3 typedPosition(const CaseModel& model) {
    return {model.Texte3Value(slot::kX), model.Texte3Value(slot::kX + 1),
            model.Texte3Value(slot::kX + 2)};
}

Vecteur3 typedVelocity(const CaseModel& model) {
    return {model.Texte3Value(slot::kVx), model.Texte3Value(slot::kVx + 1),
            model.Texte3Value(slot::kVx + 2)};
}

} // namespace

void SpeciesRefresh(int index) {
    CaseModel& model = theCase();
    RunRecord& rec = runRecord();
    model.tag(kEnergyBoxTag) = "busy";

    rec.Mass = kReferenceElectronMass;
    rec.Charge = kPreliminaryCharge;
    rec.species = model.species();
    if (model.Option5(slot::kElectron)) {
        rec.Mass = kElectronMass;
        rec.Charge = kElectronCharge;
    } else if (model.Option5(slot::kProton)) {
        rec.Mass = kProtonMass;
        rec.Charge = kIonCharge;
    } else if (model.Option5(slot::kXenon)) {
        rec.Mass = kProtonMass * kXenonMassNumber;
        rec.Charge = kIonCharge;
    }

    if (index == slot::kCyclotronFrequency || index == slot::kLarmorDiameter) {
        rec.windowR = typedPosition(model);
        rec.windowV = typedVelocity(model);
        Champ(rec.windowR, rec.windowE, rec.windowB); // also stores |B| in rec.BNorm
        const double speed = norm(rec.windowV);
        rec.energy = kineticEnergyEv(speed, rec.Mass);
        // Cyclotron frequency and Larmor diameter of the selected species (signed omega).
        rec.cyclotronOmega = rec.BNorm * rec.Charge / rec.Mass;
        // The relativistic motion gyrates as a mass γm would: |q|B/(2πγm), 2γm v⊥/(|q|B).
        const double gamma = motionLorentzFactor(rec.windowV);
        const Gyration g = gyrationOf(gamma * rec.Mass, rec.Charge, rec.windowV, rec.windowB);
        rec.cyclotronFrequency = g.frequency;
        rec.larmorDiameter = g.larmorDiameter;
        model.setText(BoxFamily::Texte3, slot::kCyclotronFrequency, FormatSignif(g.frequency, 2));
        model.setText(BoxFamily::Texte3, slot::kLarmorDiameter, FormatSignif(g.larmorDiameter, 2));
        model.setText(BoxFamily::Texte3, slot::kEnergy, FormatSignif(rec.energy, 2));
    }

    model.tag(kEnergyBoxTag) = "";
}

void EnergyEdit(int index) {
    CaseModel& model = theCase();
    if (index != slot::kEnergy || model.tag(kEnergyBoxTag) == "busy") return;
    const RunRecord& rec = runRecord();
    const double wanted = model.Texte3Value(slot::kEnergy);
    const Vecteur3 V = typedVelocity(model);
    const double current = kineticEnergyEv(normseule(V), rec.Mass);
    if (!(current > 0) || !std::isfinite(current)) {
        // Without a direction there is nothing to rescale.
        AlerteCalcul("_Texte3_Changefaute vitesse nulle, énergie ignorée");
        return;
    }
    if (!(wanted > 0) || !std::isfinite(wanted)) {
        // A zero (or empty, or negative) energy would wipe the direction of the velocity.
        AlerteCalcul("_Texte3_Changefaute énergie non positive ignorée");
        return;
    }
    // Non-relativistic kinetic energy: the speed scales as the square root of the energy; the
    // relativistic one gives the speed below c of (γ - 1) m c^2.
    const double s = relativisticMotion()
                         ? speedOfKineticEnergy(wanted * kElementaryCharge, rec.Mass) / normseule(V)
                         : std::pow(wanted / current, 0.5);
    // Near c three digits of the speed would lose the energy (2.99e8 m/s is γ = 15 whether
    // 10 or 20 MeV was typed): the relativistic speed keeps ten.
    const int digits = relativisticMotion() ? 10 : 3;
    for (int i = 0; i <= 2; ++i)
        model.setText(BoxFamily::Texte3, slot::kVx + i, FormatSignif(s * V(i + 1), digits));
}

void readDrawingOptions(RunRecord& record, const CaseModel& model) {
    record.noPrint = model.Coche1(slot::kNoPrint) ? 1 : 0;
    record.cubicView = model.Coche1(slot::kCubicView) ? 1 : 0;
    record.plotPoints = model.Texte3Value(slot::kPlotPointCount);
}

void readColourTable(double (&colours)[13], const CaseModel& model, bool absIntegerPart) {
    for (int entry = 1; entry <= 12; ++entry) {
        const double v = model.Texte4Value(slot::kColourTable + entry - 1);
        colours[entry] = absIntegerPart ? std::fabs(std::trunc(v)) : v;
    }
}

} // namespace gyro
