// The one-line verdict of a run and the plain words of the step control's labels.
#include "simulation/runverdict.h"

#include "numerics/numberformat.h"
#include "simulation/energyinvariant.h"

#include <cmath>

namespace gyro {

std::string uncountedWorkNote(bool mapElectric) {
    return mapElectric ? "W counts only the uniform E, not the field map's own" : "";
}

std::string runVerdict(double wChange, bool complete, bool relativistic, bool uncountedWork) {
    const std::string change =
        "W changed by " + FormatGeneral(wChange) + " of the largest kinetic energy";
    if (!complete) return "incomplete: the run stopped before its end (" + change + ")";
    // The work of the map's E changes Ek without W knowing it: the change is physics, not error.
    if (uncountedWork) return "not measured: " + change + ", but " + uncountedWorkNote(true);
    switch (driftLevel(wChange)) {
    case DriftLevel::Alarm:
        return "poor: " + change + ", 1e-2 or more: the integration error dominates";
    case DriftLevel::Notice:
        return "doubtful: " + change + ", between 1e-3 and 1e-2";
    case DriftLevel::Fine:
        break;
    }
    if (relativistic)
        return "doubtful: " + change + ", but the speed passed a tenth of the speed of light";
    return "good: " + change + ", below 1e-3";
}

int wChangeLevel(double change) {
    const double a = std::fabs(change);
    if (!(a < 1e-2)) return 2;
    return a < 1e-3 ? 0 : 1;
}

std::string logLabelMeaning(const std::string& label) {
    if (label == "_RungePasRéduit")
        return "a step was too long for the error limit and was retried shorter";
    if (label == "_Runge_suite") return "the step after such retries went on";
    if (label == "_Pb de Pas") return "a retry shortened the step by the largest factor, ten";
    if (label == "Runge a tendance à boucler Pb de Pas")
        return "three retries in a row: the error limit is very tight for this step";
    return {};
}

} // namespace gyro
