// The run record, the species refresh with its derived values, the energy edit, state packing.
#include "runrecord.h"

#include "casemodel.h"
#include "fields.h"
#include "gyration.h"
#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "numerics/numberformat.h"

#include <cmath>

namespace gyro {

RunRecord& runRecord() {
    static RunRecord record;
    return record;
}

void pack(const Vecteur3& R, const Vecteur3& V, StateArray& Y) {
    Y(1) = R(1);
    Y(3) = R(2);
    Y(5) = R(3);
    Y(2) = V(1);
    Y(4) = V(2);
    Y(6) = V(3);
}

Vecteur3 position(const StateArray& Y) {
    return {Y(1), Y(3), Y(5)};
}

Vecteur3 velocity(const StateArray& Y) {
    return {Y(2), Y(4), Y(6)};
}

double kineticEnergyEv(double speed, double mass) {
    return std::pow(speed, 2) * (mass / 2) / kElementaryCharge;
}

namespace {

Vecteur3 typedPosition(const CaseModel& model) {
    return {model.Texte3Value(0), model.Texte3Value(1), model.Texte3Value(2)};
}

Vecteur3 typedVelocity(const CaseModel& model) {
    return {model.Texte3Value(3), model.Texte3Value(4), model.Texte3Value(5)};
}

} // namespace

void SpeciesRefresh(int index) {
    CaseModel& model = theCase();
    RunRecord& rec = runRecord();
    model.tag(kEnergyBoxTag) = "busy";

    rec.Mass = kReferenceElectronMass;
    rec.Charge = kPreliminaryCharge;
    rec.species = model.species();
    if (model.Option5(0)) {
        rec.Mass = kElectronMass;
        rec.Charge = kElectronCharge;
    } else if (model.Option5(1)) {
        rec.Mass = kProtonMass;
        rec.Charge = kIonCharge;
    } else if (model.Option5(2)) {
        rec.Mass = kProtonMass * kXenonMassNumber;
        rec.Charge = kIonCharge;
    }

    if (index == 10 || index == 11) {
        rec.windowR = typedPosition(model);
        rec.windowV = typedVelocity(model);
        Champ(rec.windowR, rec.windowE, rec.windowB); // also stores |B| in rec.BNorm
        const double speed = norm(rec.windowV);
        rec.energy = kineticEnergyEv(speed, rec.Mass);
        // Cyclotron frequency and Larmor diameter of the selected species (signed omega).
        rec.cyclotronOmega = rec.BNorm * rec.Charge / rec.Mass;
        const Gyration g = gyrationOf(rec.Mass, rec.Charge, rec.windowV, rec.windowB);
        rec.cyclotronFrequency = g.frequency;
        rec.larmorDiameter = g.larmorDiameter;
        model.setText(BoxFamily::Texte3, 10, FormatSignif(g.frequency, 2));
        model.setText(BoxFamily::Texte3, 11, FormatSignif(g.larmorDiameter, 2));
        model.setText(BoxFamily::Texte3, 14, FormatSignif(rec.energy, 2));
    }

    model.tag(kEnergyBoxTag) = "";
}

void EnergyEdit(int index) {
    CaseModel& model = theCase();
    if (index != 14 || model.tag(kEnergyBoxTag) == "busy") return;
    const RunRecord& rec = runRecord();
    const double wanted = model.Texte3Value(14);
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
    // Non-relativistic kinetic energy: the speed scales as the square root of the energy.
    const double s = std::pow(wanted / current, 0.5);
    for (int i = 0; i <= 2; ++i)
        model.setText(BoxFamily::Texte3, 3 + i, FormatSignif(s * V(i + 1), 3));
}

void readDrawingOptions(RunRecord& record, const CaseModel& model) {
    record.ampE = model.Texte4Value(3);
    record.ampB = model.Texte4Value(4);
    record.ampV = model.Texte4Value(5);
    record.noPrint = model.Coche1(0) ? 1 : 0;
    record.cubicView = model.Coche1(1) ? 1 : 0;
    record.autoScale = model.Coche1(3) ? 1 : 0;
    record.drawVectors = model.Coche1(4) ? 1 : 0;
    record.liveColours = model.Coche1(6) ? 1 : 0;
    record.drawFieldLines = model.Coche1(7) ? 1 : 0;
    record.circleRadius = model.Texte3Value(6);
    record.plotPoints = model.Texte3Value(12);
}

void readColourTable(RunRecord& record, const CaseModel& model, bool absIntegerPart) {
    for (int entry = 1; entry <= 12; ++entry) {
        const double v = model.Texte4Value(entry + 5);
        record.colours[entry] = absIntegerPart ? std::fabs(std::trunc(v)) : v;
    }
}

} // namespace gyro
