// The log lines of the orbit-check window: trace lines of the integrator and of the check, and the
// date conversion it shows.
#pragma once

#include <string>

namespace gyro {

/// Appends line break + label + "   " + value (general number format) to the trace log, first
/// asking the orbit-check window to show itself.
void TraceLigne(const std::string& label, double value);
/// Appends line break + label + "   " + v1 + "   " + v2 (general number format) to the trace log.
void TraceLigne2(const std::string& label, double v1, double v2);
/// Appends line break + label and the four values (six decimals, three blanks between) to the
/// trace log.
void TraceLigne4(const std::string& label, double a, double b, double c, double d);
/// Replaces the trace log by label and the five values (six decimals, three blanks between).
void TraceLigne5(const std::string& label, double a, double b, double c, double d, double e);

/// Julian Day of the date year, month, day (with fraction), written to the trace log with the
/// date it names; returns the Julian Day.
double AstronomiePlan(double year, double month, double day);

} // namespace gyro
