// Reading typed numbers: blanks skipped anywhere, longest numeric prefix, 0 when there is none.
#include "numerics/numberread.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace gyro {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ReadCase {
    std::string text;
    double expected;
};

void expectReads(const std::vector<ReadCase>& cases) {
    for (const auto& c : cases) {
        const double v = Val(c.text);
        if (std::isinf(c.expected)) {
            EXPECT_EQ(v, c.expected) << "text: \"" << c.text << '"';
        } else {
            EXPECT_DOUBLE_EQ(v, c.expected) << "text: \"" << c.text << '"';
        }
    }
}

TEST(Val, ReadsTheWindowDefaults) {
    expectReads({
        {"5 000", 5000},
        {"Temps limite", 0},
        {"nombre de points plots", 0},
        {" .0000001     ", 1e-7},
        {"0.0425", 0.0425},
        {"0.015", 0.015},
        {".05", 0.05},
        {"10", 10},
        {"", 0},
    });
}

TEST(Val, SkipsBlanksTabsAndLineBreaksAnywhere) {
    expectReads({
        {"\t1\n2\r\n.5", 12.5},
        {"1 e 3", 1000},
        {"- 4 2", -42},
        {"  \t\n", 0},
        {"1 2 3 , 4", 123},
    });
}

TEST(Val, TakesTheLongestNumericPrefix) {
    expectReads({
        {"1e3", 1000},
        {"1E+3", 1000},
        {"2.5E-3", 0.0025},
        {"3d2", 300},
        {"-.5", -0.5},
        {"+7", 7},
        {"1.", 1},
        {"1.e2", 100},
        {"12abc", 12},
        {"1,5", 1},
        {"0x10", 0},
        {"1.2.3", 1.2},
        {"1e3e4", 1000},
    });
}

TEST(Val, IncompleteNumbersReadTheirValidPart) {
    expectReads({
        {"1e", 1},
        {"1e-", 1},
        {"1e+", 1},
        {".", 0},
        {"-", 0},
        {"+", 0},
        {"--5", 0},
        {"+-5", 0},
        {".e5", 0},
        {"e5", 0},
    });
}

TEST(Val, HugeAndTinyExponents) {
    const std::string tinyByZeros = "0." + std::string(400, '0') + "1";
    const std::string hugeByDigits = "1" + std::string(400, '0');
    expectReads({
        {"1e308", 1e308},
        {"1e400", kInf},
        {"-1e400", -kInf},
        {"1e-400", 0},
        {"1e-310", 1e-310}, // subnormal, still representable
        {"1e99999999999999999999", kInf},
        {"1e-99999999999999999999", 0},
        {"1e0000000000000000000000003", 1000},
        {tinyByZeros, 0},
        {hugeByDigits, kInf},
        {hugeByDigits + "e-5", kInf},
        {hugeByDigits + "e-395", 1e5},
        {tinyByZeros + "e405", 1e4},
    });
}

TEST(ReadPositiveFactor, TakesWholePositiveFiniteNumbersOnly) {
    // A decimal comma reads as the point; blanks are skipped as Val skips them.
    const struct {
        const char* text;
        std::optional<double> factor;
    } cases[] = {
        {"4", 4.0},  {" 2.5 ", 2.5}, {"1,5", 1.5}, {"5 000", 5000.0}, {"1e-3", 1e-3}, {"", {}},
        {"abc", {}}, {"4x", {}},     {"0", {}},    {"-2", {}},        {"1e400", {}},  {"1,5,2", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(readPositiveFactor(c.text), c.factor) << c.text;
}

TEST(Val, PointIsTheSeparatorWhateverTheLocale) {
    // A window program takes the C locale from the user's environment; reading must not follow.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.UTF-8")) {
        GTEST_SKIP() << "no comma-decimal locale installed";
    }
    EXPECT_DOUBLE_EQ(Val("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(Val("2,5"), 2);
    std::setlocale(LC_ALL, saved.c_str());
}

} // namespace
} // namespace gyro
