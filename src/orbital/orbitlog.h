// The log lines of the orbit-check window: trace lines of the integrator and of the check, and the
// date conversion it shows.
#pragma once

#include "numerics/tracelog.h" // TraceLigne, TraceLigne2

#include <string>

namespace gyro {

/// Appends line break + label and the four values (six decimals, three blanks between) to the
/// trace log.
void TraceLigne4(const std::string& label, double a, double b, double c, double d);
/// Replaces the trace log by label and the five values (six decimals, three blanks between).
void TraceLigne5(const std::string& label, double a, double b, double c, double d, double e);

/// Julian Day of the date year, month, day (with fraction), written to the trace log with the
/// date it names; returns the Julian Day.
double AstronomiePlan(double year, double month, double day);

} // namespace gyro
