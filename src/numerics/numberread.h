// Reading a number typed by the user: the program's one number-reading rule.
#pragma once

#include <optional>
#include <string_view>

namespace gyro {

/// Reads the number at the start of a typed text. Blanks, tabs and line feeds are skipped
/// wherever they stand ("5 000" reads 5000); then the longest prefix that forms a number is
/// taken (sign, digits, point, exponent "e" or "E"), the point being the decimal separator
/// whatever the locale. Text with no numeric prefix reads 0 ("Temps limite" reads 0).
double Val(std::string_view text);

/// True when a typed text is a number as a whole: blanks anywhere are ignored (as Val ignores
/// them: "5 000" is 5000), then an optional sign, digits with an optional point (at least one
/// digit) and an optional exponent "e" or "E" with its digits. "", "abc", "1,5" and "0.001e" are
/// not numbers.
bool isNumberText(std::string_view text);

/// Reads a factor typed by the user (a zoom): the whole text must be a number (isNumberText; a
/// decimal comma is read as the point), finite and above 0; nothing otherwise.
std::optional<double> readPositiveFactor(std::string_view text);

} // namespace gyro
