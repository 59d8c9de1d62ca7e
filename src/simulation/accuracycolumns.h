// The optional accuracy columns of the trajectory table: energy invariant and drift read-outs.
#pragma once

#include "simulation/guidingcentre.h"

#include <string>
#include <vector>

namespace gyro {

/// One optional column; the names are the headers of the table and the words of --columns.
enum class AccuracyColumn { WRel, Mu, PitchDeg, Gcx, Gcy, Gcz };

/// "W_rel", "mu", "pitch_deg", "gcx", "gcy", "gcz".
const char* accuracyColumnName(AccuracyColumn column);

/// Reads a list of column names separated by blanks or commas (any subset, any order, each at
/// most once). On an unknown or repeated name returns false with a message naming it.
bool parseAccuracyColumns(const std::string& list, std::vector<AccuracyColumn>& columns,
                          std::string& error);

/// The value of a column for a state's read-outs and the relative change of W since the start:
/// W_rel (1), mu [J/T], pitch_deg [deg], gcx, gcy, gcz [m].
double accuracyColumnValue(AccuracyColumn column, const DriftReadout& drift, double wRelative);

/// The read-outs at the state Y of a run: the field there from Champ, charge and mass of the
/// run record.
DriftReadout driftReadoutOfState(const StateArray& Y);

} // namespace gyro
