// Shared numeric constants of the program.
#pragma once

namespace gyro {

/// The program's value of pi: the 15-digit decimal literal, used by every angle and field formula
/// so that angles computed in one place compare equal with angles computed in another.
inline constexpr double Pi = 3.14159265358979;

/// Carriage return + line feed, the line break of every log and text file of the program.
inline constexpr const char* LineBreak = "\r\n";

} // namespace gyro
