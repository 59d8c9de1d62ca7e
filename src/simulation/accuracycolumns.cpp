// The optional accuracy columns of the trajectory table.
#include "simulation/accuracycolumns.h"

#include "simulation/fields.h"
#include "simulation/integrationmethod.h"
#include "simulation/runrecord.h"

#include <algorithm>
#include <array>

namespace gyro {

namespace {

constexpr std::array<const char*, 6> kNames{"W_rel", "mu", "pitch_deg", "gcx", "gcy", "gcz"};

} // namespace

const char* accuracyColumnName(AccuracyColumn column) {
    return kNames[static_cast<std::size_t>(column)];
}

bool parseAccuracyColumns(const std::string& list, std::vector<AccuracyColumn>& columns,
                          std::string& error) {
    std::vector<AccuracyColumn> found;
    std::string word;
    const auto take = [&]() {
        if (word.empty()) return true;
        const auto it = std::find(kNames.begin(), kNames.end(), word);
        if (it == kNames.end()) {
            error = "unknown column \"" + word + "\" (known: W_rel mu pitch_deg gcx gcy gcz)";
            return false;
        }
        const auto column = static_cast<AccuracyColumn>(it - kNames.begin());
        if (std::find(found.begin(), found.end(), column) != found.end()) {
            error = "column \"" + word + "\" is listed twice";
            return false;
        }
        found.push_back(column);
        word.clear();
        return true;
    };
    for (char c : list) {
        if (c == ' ' || c == ',' || c == '\t') {
            if (!take()) return false;
        } else {
            word.push_back(c);
        }
    }
    if (!take()) return false;
    columns = std::move(found);
    return true;
}

double accuracyColumnValue(AccuracyColumn column, const DriftReadout& drift, double wRelative) {
    switch (column) {
    case AccuracyColumn::WRel:
        return wRelative;
    case AccuracyColumn::Mu:
        return drift.mu;
    case AccuracyColumn::PitchDeg:
        return drift.pitchDeg;
    case AccuracyColumn::Gcx:
        return drift.guidingCentre(1);
    case AccuracyColumn::Gcy:
        return drift.guidingCentre(2);
    case AccuracyColumn::Gcz:
        return drift.guidingCentre(3);
    }
    return 0;
}

DriftReadout driftReadoutOfState(const StateArray& Y) {
    const Vecteur3 R = position(Y);
    Vecteur3 E, B;
    Champ(R, E, B);
    const RunRecord& rec = runRecord();
    // Relativistic motion gyrates as a mass γm would, and its moment is γ² m v⊥² / (2B).
    const double gamma = motionLorentzFactor(velocity(Y));
    DriftReadout d = driftReadout(R, velocity(Y), E, B, rec.Charge, gamma * rec.Mass);
    d.mu *= gamma;
    return d;
}

} // namespace gyro
