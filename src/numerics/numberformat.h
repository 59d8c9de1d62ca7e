// Turning doubles into text: a picture-format facility and the program's fixed formats.
#pragma once

#include <string>
#include <string_view>

namespace gyro {

/// Formats x with a picture pattern. "#" is a digit shown only when significant, "0" a digit
/// always shown, "." the decimal point, "," thousands grouping in the integer part, "E+00" (or
/// "E-00", "e+0" ...) an exponent with at least as many digits as it has "0"s, "\" makes the next
/// character literal, ";" separates the section for positive numbers from the one for negative
/// numbers (which then writes its own "-"), and every other character, blanks included, is
/// literal. The decimal point is "." and the grouping character "," whatever the system locale:
/// log files and result boxes then read the same on every machine and read back with Val().
/// In exponent form the mantissa fills exactly the integer digit places of the pattern, so
/// "#0.#E+00" writes 12.5E+03 for 12500 and "##0.#E+00" writes 125.E+02. The last shown digit
/// is correctly rounded. Infinities and NaN are written "Inf", "-Inf" and "NaN".
std::string FormatPattern(double x, std::string_view pattern);

/// Six decimals at most: " ###0.###### ; -###0.###### ". Errors and counters in log lines.
std::string Format6(double x);
/// Nine decimals at most: " ###0.######### ; -###0.######### ". Step sizes and residuals.
std::string Format9(double x);
/// An angle in degrees with one decimal and a degree sign: " #,##0.0 \° ".
std::string FormatDeg(double x);
/// x rounded to n + 1 significant digits, plain for moderate magnitudes and with an exponent
/// that is a multiple of 3 otherwise. FormatSignif(0, n) is " 0. ".
std::string FormatSignif(double x, double n);
/// The general number format: up to 15 significant digits, no trailing zeros, an exponent
/// ("1.5E-05", "2.5E+15") for very small or very large magnitudes.
std::string FormatGeneral(double x);

} // namespace gyro
