// The number-reading rule: skip blanks anywhere, take the longest numeric prefix.
#include "numberread.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <string>

namespace gyro {

double Val(std::string_view text) {
    // Keep only the characters that matter; blanks, tabs, carriage returns and line feeds vanish.
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);
    }
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto isDigit = [&](std::size_t k) {
        return k < n && std::isdigit(static_cast<unsigned char>(s[k]));
    };
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    while (isDigit(i)) ++i;
    std::size_t mantissaEnd = i;
    if (i < n && s[i] == '.') {
        ++i;
        while (isDigit(i)) ++i;
        mantissaEnd = i;
    }
    // A mantissa needs at least one digit ("." or "-" alone read 0).
    bool hasDigit = false;
    for (std::size_t k = mantissaStart; k < mantissaEnd; ++k) hasDigit |= s[k] != '.';
    if (!hasDigit) return 0.0;
    std::size_t end = mantissaEnd;
    if (end < n && (s[end] == 'e' || s[end] == 'E' || s[end] == 'd' || s[end] == 'D')) {
        std::size_t k = end + 1;
        if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
        if (isDigit(k)) {
            while (isDigit(k)) ++k;
            end = k;
        }
    }
    std::string number = s.substr(mantissaStart, end - mantissaStart);
    for (char& c : number) {
        if (c == 'd' || c == 'D') c = 'e';
    }
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value untouched on overflow and underflow: decide which it was.
        const auto epos = number.find_first_of("eE");
        const bool tiny = epos != std::string::npos && number.find('-', epos) != std::string::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

} // namespace gyro
