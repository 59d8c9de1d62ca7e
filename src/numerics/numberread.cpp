// The number-reading rule: skip blanks anywhere, take the longest numeric prefix.
#include "numerics/numberread.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace gyro {

namespace {

// Decimal order of magnitude of a number text made of digits, an optional point and an optional
// exponent: the power of ten of its first non-zero digit (saturated far beyond double range).
long long decimalOrder(const std::string& number) {
    const auto epos = number.find_first_of("eE");
    const std::string mantissa = number.substr(0, epos);
    const auto point = std::min(mantissa.find('.'), mantissa.size());
    const auto first = mantissa.find_first_of("123456789");
    if (first == std::string::npos) return 0;
    long long order = first < point ? static_cast<long long>(point - first) - 1
                                    : -static_cast<long long>(first - point);
    if (epos != std::string::npos) {
        std::size_t k = epos + 1;
        const bool minus = k < number.size() && number[k] == '-';
        if (k < number.size() && (number[k] == '+' || number[k] == '-')) ++k;
        long long exponent = 0;
        for (; k < number.size(); ++k) {
            exponent = std::min(exponent * 10 + (number[k] - '0'), 1000000000LL);
        }
        order += minus ? -exponent : exponent;
    }
    return order;
}

} // namespace

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
        // from_chars leaves the value untouched on overflow and underflow: decide which it was
        // from the decimal order of magnitude of the text ("0.000...1" is tiny, "1000...e-5"
        // may be huge).
        value = decimalOrder(number) < 0 ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

bool isNumberText(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s += c;
    }
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        return i - start;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == s.size();
}

std::optional<double> readPositiveFactor(std::string_view text) {
    std::string s(text);
    std::replace(s.begin(), s.end(), ',', '.');
    if (!isNumberText(s)) return std::nullopt;
    const double v = Val(s);
    if (!std::isfinite(v) || !(v > 0)) return std::nullopt;
    return v;
}

} // namespace gyro
