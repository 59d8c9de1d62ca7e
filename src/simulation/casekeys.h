// The case's values by name, as the command line sets them: "x=0.01", "Bz=0.5", "species=proton".
#pragma once

#include "simulation/casemodel.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gyro {

/// Where a named value of the case lives: a box of the case model.
struct CaseKey {
    BoxFamily family;
    int index;
};

/// The numeric keys: x y z vx vy vz Ex Ey Ez Bx By Bz P0..P11 errmax.
const std::map<std::string, CaseKey>& caseKeys();

/// A number typed as text: its value, or why it is not one.
struct TypedNumber {
    enum class Status { Ok, NotANumber, TooLarge, TooSmall };
    Status status = Status::NotANumber;
    double value = 0;
};

/// Reads a number (blanks allowed anywhere, as in the window's boxes; a leading "+" allowed).
/// A value beyond the largest double is TooLarge; a non-zero value so small that it would read
/// as 0 is TooSmall.
TypedNumber readTypedNumber(std::string_view text);

/// Applies one "KEY=VALUE" to the case: a numeric key, "species" (electron, proton, xenon),
/// "shape" (cylindrical, uniform, radial, dipole, double-dipole, map), "map" (a field map file,
/// read at once: see readFieldMap), "energy" [eV], which rescales
/// the initial velocity, or the run's integration method: "method" (cash-karp, boris,
/// relativistic) and
/// "steps-per-gyration" (from 4 up). Returns the message of a refused setting, empty on success.
std::string applyCaseSetting(CaseModel& model, const std::string& setting);
/// Applies the settings in order, except that "method=..." goes first: the method decides how an
/// energy becomes a speed, whatever the order they were given in. Stops at the first refused
/// setting and returns its message; empty on success.
std::string applyCaseSettings(CaseModel& model, const std::vector<std::string>& settings);

/// Why the case cannot be run as it stands (a null initial position or velocity, a start speed
/// at or above the speed of light), or nothing when it can.
std::optional<std::string> caseStartProblem(const CaseModel& model);

} // namespace gyro
