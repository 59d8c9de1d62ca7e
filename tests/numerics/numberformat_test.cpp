// Picture formats, the fixed log formats and the significant-digit format of the result boxes.
#include "numerics/numberformat.h"
#include "numerics/numberread.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace gyro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const std::string kDegree = "\xC2\xB0";

struct FormatCase {
    double x;
    std::string expected;
};

TEST(NumberFormat, Format6ShowsSixDecimalsAtMost) {
    const std::vector<FormatCase> cases = {
        {-2.5, " -2.5 "},
        {0.1234567, " 0.123457 "},
        {2.5, " 2.5 "},
        {0, " 0. "},
        {12345.6789, " 12345.6789 "},
        {1234567.25, " 1234567.25 "},
        {-0.000001, " -0.000001 "},
        {1e-7, " 0. "},
        {0.9999996, " 1. "},
        {42, " 42. "},
    };
    for (const auto& c : cases) EXPECT_EQ(Format6(c.x), c.expected) << c.x;
}

TEST(NumberFormat, Format9ShowsNineDecimalsAtMost) {
    const std::vector<FormatCase> cases = {
        {1.25e-7, " 0.000000125 "},
        {-3.141592653589, " -3.141592654 "},
        {5e-11, " 0. "},
        {0.5, " 0.5 "},
        {-1e6, " -1000000. "},
    };
    for (const auto& c : cases) EXPECT_EQ(Format9(c.x), c.expected) << c.x;
}

TEST(NumberFormat, FormatDegGroupsThousandsAndEndsWithTheDegreeSign) {
    const std::vector<FormatCase> cases = {
        {1234.56, " 1,234.6 " + kDegree + " "},
        {0, " 0.0 " + kDegree + " "},
        {-90, " -90.0 " + kDegree + " "},
        {360, " 360.0 " + kDegree + " "},
        {359.96, " 360.0 " + kDegree + " "},
        {999.96, " 1,000.0 " + kDegree + " "},
        {1234567.89, " 1,234,567.9 " + kDegree + " "},
        {-1234.56, " -1,234.6 " + kDegree + " "},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDeg(c.x), c.expected) << c.x;
}

TEST(NumberFormat, FormatSignifPlainForm) {
    struct Case {
        double x;
        double n;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {123.456, 3, " 123.5 "}, {0.015, 2, " 0.015 "},  {0.5, 3, " 0.5 "},
        {-7, 2, " -7. "},        {2.71828, 2, " 2.72 "}, {99.96, 2, " 100. "},
        {1000, 3, " 1000. "},    {12500, 3, " 12500. "}, {999.96, 2, " 1000. "},
        {0.0425, 3, " 0.0425 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSignif(c.x, c.n), c.expected) << c.x << " n=" << c.n;
    }
}

TEST(NumberFormat, FormatSignifOfZeroIsZeroPoint) {
    for (double n : {0.0, 1.0, 2.0, 3.0, 10.0}) EXPECT_EQ(FormatSignif(0, n), " 0. ") << n;
    EXPECT_EQ(FormatSignif(-0.0, 3), " 0. ");
}

TEST(NumberFormat, FormatSignifExponentFormUsesMultiplesOfThree) {
    struct Case {
        double x;
        double n;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {-0.00123, 3, " -1.23E-03 "},
        {1.25e7, 3, " 12.5E+06 "},
        {1e6, 2, " 1.E+06 "},      // ln 1e6 / ln 10 falls just below 6
        {9.9996e8, 2, " 1.E+09 "}, // rounding carries into the next power of ten
        {1.23456e-5, 3, " 12.35E-06 "},
        {6.02214e23, 3, " 602.2E+21 "},
        // Cyclotron frequency and angular frequency of an electron in 0.015 T.
        {4.20299e8, 2, " 420.E+06 "},
        {-2.6408e9, 2, " -2.64E+09 "},
        {1.6021e-19, 3, " 160.2E-21 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSignif(c.x, c.n), c.expected) << c.x << " n=" << c.n;
    }
}

TEST(NumberFormat, FormatSignifReadsBackWithinItsPrecision) {
    // Whatever form is chosen, the text reads back to x within half a unit of the n+1-th digit.
    for (double x : {3.3e-12, -4.4e-7, 0.07, 1.5, -88.8, 2.5e4, 7.7e9, -1.2e15, 9.99e100, 1e-300,
                     5e-320, 1.7e308}) {
        for (double n : {1.0, 2.0, 3.0, 6.0}) {
            const std::string text = FormatSignif(x, n);
            const double back = Val(text);
            EXPECT_NEAR(back, x, std::fabs(x) * std::pow(10.0, -n) * 0.51 + 1e-323)
                << x << " n=" << n << " -> \"" << text << '"';
        }
    }
}

TEST(NumberFormat, FormatSignifOfInfinityAndNaNEnds) {
    EXPECT_EQ(FormatSignif(kInf, 2), " Inf ");
    EXPECT_EQ(FormatSignif(-kInf, 2), " -Inf ");
    EXPECT_EQ(FormatSignif(std::nan(""), 3), " NaN ");
    // An absurd precision is capped instead of building an endless pattern.
    EXPECT_EQ(FormatSignif(1.5, 1e300), FormatSignif(1.5, 30));
}

TEST(NumberFormat, PatternRules) {
    struct Case {
        double x;
        std::string pattern;
        std::string expected;
    };
    const std::vector<Case> cases = {
        // The time stamp of the log lines: "#" places show no lone zero.
        {0, " #.### ", " . "},
        {1.5, " #.### ", " 1.5 "},
        {0.25, " #.### ", " .25 "},
        {2.0004, " #.### ", " 2. "},
        {-1.25, " #.### ", " -1.25 "},
        // "0" places always show their digit.
        {3.5, "000.00", "003.50"},
        {0.05, "0.0", "0.1"},
        // Third section for zero; escaped characters are literal.
        {0, "0.0;-0.0;zero", "zero"},
        {-2, "0.0;(0.0);zero", "(2.0)"},
        {5, "\\#0", "#5"},
        // Exponent: the mantissa fills the integer places, a rounding carry moves the exponent.
        {12500, "#0.#E+00", "12.5E+03"},
        {12500, "##0.#E+00", "125.E+02"},
        {9.96, "0.#E+00", "1.E+01"},
        {0.000123, "0.00E-00", "1.23E-04"},
        {123, "0.00E-00", "1.23E02"},
        {5e-324, "0.##E+00", "4.94E-324"},
        {1.7976931348623157e308, "0.###E+00", "1.798E+308"},
        {kInf, " 0.0 ", " Inf "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatPattern(c.x, c.pattern), c.expected) << c.x << " with " << c.pattern;
    }
}

TEST(NumberFormat, LongPatternsKeepEveryDigit) {
    const std::string pattern = "0." + std::string(60, '0');
    const std::string text = FormatPattern(1e300, pattern);
    EXPECT_EQ(text.size(), 301u + 1u + 60u);
    EXPECT_EQ(text.substr(text.size() - 61), "." + std::string(60, '0'));
}

TEST(NumberFormat, PointAndGroupingWhateverTheLocale) {
    // A window program takes the C locale from the user's environment; log files must not.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no comma-decimal locale installed";
    }
    const std::string f6 = Format6(-2.5);
    const std::string deg = FormatDeg(1234.56);
    const std::string general = FormatGeneral(1.5e-5);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(f6, " -2.5 ");
    EXPECT_EQ(deg, " 1,234.6 " + kDegree + " ");
    EXPECT_EQ(general, "1.5E-05");
}

TEST(NumberFormat, GeneralFormat) {
    const std::vector<FormatCase> cases = {
        {0, "0"},
        {1.5, "1.5"},
        {-2, "-2"},
        {0.1, "0.1"},
        {1.5e-5, "1.5E-05"},
        {2.5e15, "2.5E+15"},
        {123456789012345, "123456789012345"},
        {1.0 / 3.0, "0.333333333333333"},
        {kInf, "Inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.x), c.expected) << c.x;
}

} // namespace
} // namespace gyro
