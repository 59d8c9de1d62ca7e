// Reading a number typed by the user: the program's one number-reading rule.
#pragma once

#include <string_view>

namespace gyro {

/// Reads the number at the start of a typed text. Blanks, tabs and line feeds are skipped
/// wherever they stand ("5 000" reads 5000); then the longest prefix that forms a number is
/// taken (sign, digits, point, exponent "e" or "E"), the point being the decimal separator
/// whatever the locale. Text with no numeric prefix reads 0 ("Temps limite" reads 0).
double Val(std::string_view text);

} // namespace gyro
