// The picture-format facility and the fixed formats built on it.
#include "numerics/numberformat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace gyro {

namespace {

// One section of a pattern, cut into the parts that matter for writing a number.
struct Section {
    std::string prefix;    // literal text before the first digit place
    std::string suffix;    // literal text after the number (and between places)
    int intPlaces = 0;     // "#" and "0" places before the point
    int intZeros = 0;      // "0" places before the point: digits always written
    bool grouping = false; // "," among the integer places
    bool point = false;    // the pattern has a decimal point
    int fracPlaces = 0;    // places after the point
    int fracMinDigits = 0; // places up to the last "0" after the point: always written
    bool exponent = false; // "E+00" and its kin
    bool expAlwaysSign = false;
    char expLetter = 'E';
    int expMinDigits = 0;
};

// Appends one UTF-8 character starting at pattern[i] to out; returns the index after it.
std::size_t copyChar(std::string_view pattern, std::size_t i, std::string& out) {
    const unsigned char lead = static_cast<unsigned char>(pattern[i]);
    std::size_t len = 1;
    if (lead >= 0xF0)
        len = 4;
    else if (lead >= 0xE0)
        len = 3;
    else if (lead >= 0xC0)
        len = 2;
    len = std::min(len, pattern.size() - i);
    out.append(pattern.substr(i, len));
    return i + len;
}

Section parseSection(std::string_view p) {
    Section s;
    bool seenPlace = false; // a digit place or the point has been met
    bool inExponent = false;
    for (std::size_t i = 0; i < p.size();) {
        const char c = p[i];
        std::string& literalTarget = seenPlace ? s.suffix : s.prefix;
        if (c == '\\' && i + 1 < p.size()) {
            i = copyChar(p, i + 1, literalTarget);
            continue;
        }
        if (inExponent && (c == '0' || c == '#')) {
            if (c == '0') ++s.expMinDigits;
            ++i;
            continue;
        }
        if ((c == 'E' || c == 'e') && i + 1 < p.size() && (p[i + 1] == '+' || p[i + 1] == '-') &&
            seenPlace && !s.exponent) {
            s.exponent = true;
            s.expLetter = c;
            s.expAlwaysSign = p[i + 1] == '+';
            inExponent = true;
            i += 2;
            continue;
        }
        if (!inExponent && (c == '#' || c == '0')) {
            seenPlace = true;
            if (s.point) {
                ++s.fracPlaces;
                if (c == '0') s.fracMinDigits = s.fracPlaces;
            } else {
                ++s.intPlaces;
                if (c == '0') ++s.intZeros;
            }
            ++i;
            continue;
        }
        if (!inExponent && c == '.' && !s.point) {
            seenPlace = true;
            s.point = true;
            ++i;
            continue;
        }
        if (!inExponent && c == ',' && seenPlace && !s.point) {
            s.grouping = true;
            ++i;
            continue;
        }
        inExponent = false;
        i = copyChar(p, i, literalTarget);
    }
    return s;
}

std::vector<std::string_view> splitSections(std::string_view pattern) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\\') {
            ++i;
        } else if (pattern[i] == ';') {
            parts.push_back(pattern.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(pattern.substr(start));
    return parts;
}

// Writes |value| (non-negative, finite) rounded to `decimals` places; returns integer and
// fraction digits. std::to_chars ignores the C locale, which a window program sets from the
// user's environment: the point stays the decimal separator.
void fixedDigits(double value, int decimals, std::string& intDigits, std::string& fracDigits) {
    std::string text(static_cast<std::size_t>(decimals) + 320, '\0');
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::fixed, decimals);
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    const auto dot = text.find('.');
    intDigits = text.substr(0, dot);
    fracDigits = dot == std::string::npos ? std::string() : text.substr(dot + 1);
}

// value / 10^exponent without the power itself underflowing or overflowing (subnormal values
// need powers of ten beyond the double range).
double divideByPow10(double value, int exponent) {
    while (exponent > 300) {
        value /= 1e300;
        exponent -= 300;
    }
    while (exponent < -300) {
        value *= 1e300;
        exponent += 300;
    }
    return value / std::pow(10.0, exponent);
}

std::string applySection(const Section& s, double magnitude, bool writeMinus) {
    if (!std::isfinite(magnitude)) {
        return s.prefix + (writeMinus ? "-" : "") + (std::isnan(magnitude) ? "NaN" : "Inf") +
               s.suffix;
    }
    int exponent = 0;
    double mantissa = magnitude;
    std::string intDigits;
    std::string fracDigits;
    if (s.exponent) {
        const int places = std::max(s.intPlaces, 1);
        if (magnitude != 0.0) {
            exponent = static_cast<int>(std::floor(std::log10(magnitude))) - (places - 1);
            mantissa = divideByPow10(magnitude, exponent);
            fixedDigits(mantissa, s.fracPlaces, intDigits, fracDigits);
            // Rounding can carry into one more integer digit (9.99 -> 10.0): move the exponent.
            if (static_cast<int>(intDigits.size()) > places) {
                ++exponent;
                mantissa = divideByPow10(magnitude, exponent);
            }
        }
    }
    fixedDigits(mantissa, s.fracPlaces, intDigits, fracDigits);

    // Fraction: drop trailing zeros down to the digits that "0" places force.
    while (static_cast<int>(fracDigits.size()) > s.fracMinDigits && !fracDigits.empty() &&
           fracDigits.back() == '0') {
        fracDigits.pop_back();
    }
    // Integer part: a lone 0 is not significant for "#" places; "0" places pad on the left.
    if (intDigits == "0" && s.intZeros == 0) intDigits.clear();
    if (static_cast<int>(intDigits.size()) < s.intZeros) {
        intDigits =
            std::string(static_cast<std::size_t>(s.intZeros) - intDigits.size(), '0') + intDigits;
    }
    if (s.grouping && intDigits.size() > 3) {
        std::string grouped;
        const std::size_t n = intDigits.size();
        for (std::size_t k = 0; k < n; ++k) {
            if (k > 0 && (n - k) % 3 == 0) grouped.push_back(',');
            grouped.push_back(intDigits[k]);
        }
        intDigits = grouped;
    }

    std::string out = s.prefix;
    if (writeMinus) out.push_back('-');
    out += intDigits;
    if (s.point) out.push_back('.');
    out += fracDigits;
    if (s.exponent) {
        out.push_back(s.expLetter);
        if (exponent < 0)
            out.push_back('-');
        else if (s.expAlwaysSign)
            out.push_back('+');
        std::string digits = std::to_string(std::abs(exponent));
        if (static_cast<int>(digits.size()) < s.expMinDigits) {
            digits =
                std::string(static_cast<std::size_t>(s.expMinDigits) - digits.size(), '0') + digits;
        }
        out += digits;
    }
    out += s.suffix;
    return out;
}

} // namespace

std::string FormatPattern(double x, std::string_view pattern) {
    // The program formats with a handful of fixed patterns, often (a log line per rejected
    // step): each pattern is cut into its sections once per thread (runs side by side in two
    // threads format their log lines at once).
    thread_local std::map<std::string, std::vector<Section>, std::less<>> parsed;
    auto it = parsed.find(pattern);
    if (it == parsed.end()) {
        std::vector<Section> sections;
        for (std::string_view part : splitSections(pattern)) sections.push_back(parseSection(part));
        if (parsed.size() > 256) parsed.clear(); // patterns built on the fly stay few
        it = parsed.emplace(std::string(pattern), std::move(sections)).first;
    }
    const std::vector<Section>& sections = it->second;
    const bool negative = std::signbit(x) && x != 0.0;
    if (x == 0.0 && sections.size() >= 3) return applySection(sections[2], 0, false);
    if (negative && sections.size() >= 2) return applySection(sections[1], -x, false);
    return applySection(sections[0], std::fabs(x), negative);
}

std::string Format6(double x) {
    return FormatPattern(x, " ###0.###### ; -###0.###### ");
}

std::string Format9(double x) {
    return FormatPattern(x, " ###0.######### ; -###0.######### ");
}

std::string FormatDeg(double x) {
    return FormatPattern(x, " #,##0.0 \\\xC2\xB0 ");
}

std::string FormatSignif(double x, double n) {
    // Infinities and NaN have no order of magnitude (the digit pattern would never end).
    if (x == 0.0 || !std::isfinite(x)) return FormatPattern(x, " 0. ");
    // More than 30 digits is beyond any double; the cap also bounds the pattern's length.
    if (!(n <= 30)) n = 30;
    const double ax = std::fabs(x);
    double e = std::floor(std::log(ax) / std::log(10.0));
    // The ratio of logarithms misses by one at some powers of ten (ln 1000 / ln 10 is just
    // below 3): settle the decimal exponent exactly, or the exponent form would not end up on a
    // multiple of 3.
    if (std::pow(10.0, e + 1) <= ax)
        e += 1;
    else if (ax < std::pow(10.0, e))
        e -= 1;
    const double unit = std::pow(10.0, e - n);
    const double sign = x < 0 ? -1.0 : 1.0;
    double r = sign * std::floor(ax / unit + 0.5) * unit;
    if (!std::isnormal(unit) || !std::isfinite(r)) {
        // Near the ends of the double range the unit itself under- or overflows: scale in steps.
        const int k = static_cast<int>(e - n);
        r = sign * divideByPow10(std::floor(divideByPow10(ax, k) + 0.5), -k);
    }
    // Rounding can carry into one more digit (9.9996e8 becomes 1e9): the pattern follows r.
    if (std::fabs(r) >= std::pow(10.0, e + 1)) e += 1;
    const bool plain = -(n / 2 + 1) <= e && n / 2 >= e - n;
    if (!plain) e = std::fmod(std::fmod(e, 3.0) + 3.0, 3.0);
    double start = 0;
    double end = 0;
    if (e < 0) {
        start = e - n;
        end = 0;
    } else if (e - n <= 0) {
        start = e - n;
        end = e;
    } else {
        start = 0;
        end = e;
    }
    std::string p;
    for (double k = start; k <= end; k += 1) p = (k == 0 ? "0." : "#") + p;
    if (!plain) p += "E+00";
    return FormatPattern(r, " " + p + " ; -" + p + " ");
}

std::string FormatGeneral(double x) {
    if (x == 0.0) return "0";
    if (!std::isfinite(x)) return std::isnan(x) ? "NaN" : (x < 0 ? "-Inf" : "Inf");
    // 15 significant digits; to_chars keeps the point whatever the C locale.
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    std::string text(buf, res.ptr);
    const auto epos = text.find('e');
    const int exponent = std::stoi(text.substr(epos + 1));
    if (exponent >= 15 || exponent < -4) {
        std::string mantissa = text.substr(0, epos);
        while (mantissa.back() == '0') mantissa.pop_back();
        if (mantissa.back() == '.') mantissa.pop_back();
        char expText[16];
        std::snprintf(expText, sizeof expText, "E%c%02d", exponent < 0 ? '-' : '+',
                      std::abs(exponent));
        return mantissa + expText;
    }
    res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed,
                        std::max(0, 14 - exponent));
    std::string plain(buf, res.ptr);
    if (plain.find('.') != std::string::npos) {
        while (plain.back() == '0') plain.pop_back();
        if (plain.back() == '.') plain.pop_back();
    }
    return plain;
}

} // namespace gyro
