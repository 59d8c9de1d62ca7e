// Vector arithmetic, norms and their reports, angle reductions and the Euler rotation.
#include "numerics/vecteur3.h"

#include "numerics/constants.h"
#include "support/reportfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace gyro {
namespace {

using test::ReportTest;

constexpr double kTol = 1e-12;
const std::string kDegree = "\xC2\xB0";

void expectNear(const Vecteur3& v, const Vecteur3& expected, double tol = kTol) {
    for (int i = 1; i <= 3; ++i) EXPECT_NEAR(v(i), expected(i), tol) << "component " << i;
}

TEST(Vecteur3, ArithmeticFollowsTheRightHandRule) {
    const Vecteur3 ex(1, 0, 0), ey(0, 1, 0), ez(0, 0, 1);
    struct Cross {
        Vecteur3 a, b, expected;
    };
    const std::vector<Cross> crosses = {
        {ex, ey, ez},
        {ey, ez, ex},
        {ez, ex, ey},
        {ey, ex, Vecteur3(0, 0, -1)},
        {Vecteur3(1, 2, 3), Vecteur3(4, 5, 6), Vecteur3(-3, 6, -3)},
    };
    for (const auto& c : crosses) {
        Vecteur3 r;
        ProdVect(c.a, c.b, r);
        EXPECT_EQ(r, c.expected);
        // a x b is perpendicular to both factors.
        EXPECT_EQ(ProdScal(r, c.a), 0);
        EXPECT_EQ(ProdScal(r, c.b), 0);
    }
    EXPECT_EQ(ProdScal(Vecteur3(1, 2, 3), Vecteur3(4, -5, 6)), 12);

    const Vecteur3 a(1, -2, 3), b(0.5, 4, -1);
    Vecteur3 r;
    MultK(a, -2, r);
    EXPECT_EQ(r, Vecteur3(-2, 4, -6));
    MultKPlus(a, 2, b, r);
    EXPECT_EQ(r, Vecteur3(2.5, 0, 5));
    CombLin(a, 3, b, 2, r);
    EXPECT_EQ(r, Vecteur3(4, 2, 7));
    CopieVect(a, r);
    EXPECT_EQ(r, a);
    // Writing into an argument is allowed for the componentwise routines.
    r = a;
    MultKPlus(r, 2, r, r);
    EXPECT_EQ(r, Vecteur3(3, -6, 9));
}

TEST(Vecteur3, CopieEtatCopiesOnlyTheStateInUse) {
    const double savedLdim = Ldim;
    StateArray src, dst;
    for (int i = 1; i <= kStateCapacity; ++i) src(i) = i;
    struct Case {
        double ldim;
        int copied;
    };
    for (const Case c : {Case{6, 6}, Case{8, 8}, Case{0, 0}, Case{-3, 0}, Case{8.5, 8},
                         Case{74, 74}, Case{1000, 74}}) {
        Ldim = c.ldim;
        for (int i = 1; i <= kStateCapacity; ++i) dst(i) = -1;
        CopieEtat(src, dst);
        for (int i = 1; i <= kStateCapacity; ++i) {
            EXPECT_EQ(dst(i), i <= c.copied ? i : -1) << "Ldim " << c.ldim << " index " << i;
        }
    }
    Ldim = savedLdim;
}

TEST_F(ReportTest, NormsOfTheNullVector) {
    const Vecteur3 zero;
    EXPECT_EQ(normseule(zero), 0);
    EXPECT_TRUE(logLines().empty());
    EXPECT_EQ(norm(zero), 0);
    EXPECT_EQ(logLines(), std::vector<std::string>{"At_Time= . _normfaute norme nulle "});
    EXPECT_TRUE(asker.questions.empty());
}

TEST_F(ReportTest, NormsOfOrdinaryVectors) {
    struct Case {
        Vecteur3 v;
        double n;
    };
    for (const auto& c :
         {Case{{3, 0, 4}, 5}, Case{{1, 2, 2}, 3}, Case{{-2, -3, -6}, 7},
          Case{{1e-100, 0, 0}, 1e-100}, Case{{1e150, 1e150, 0}, 1.4142135623730951e150}}) {
        EXPECT_DOUBLE_EQ(norm(c.v), c.n);
        EXPECT_DOUBLE_EQ(normseule(c.v), c.n);
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ReportTest, NormaNormalisesInPlace) {
    Vecteur3 v(3, 0, 4);
    norma(v);
    expectNear(v, Vecteur3(0.6, 0, 0.8), 1e-15);
    Vecteur3 w(1e-5, -2e-5, 2e-5);
    norma(w);
    expectNear(w, Vecteur3(1.0 / 3, -2.0 / 3, 2.0 / 3), 1e-15);
    EXPECT_TRUE(logLines().empty());
    EXPECT_TRUE(asker.questions.empty());
}

TEST_F(ReportTest, NormaOfTheNullVectorAsksOnceAndLeavesIt) {
    asker.answers = {"Yes, It is understood!"};
    Vecteur3 v;
    norma(v);
    EXPECT_EQ(v, Vecteur3());
    ASSERT_EQ(asker.questions.size(), 1u);
    EXPECT_EQ(asker.questions[0].title, "normafaute normalise vecteur nul = nul    Warning");
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"At_Time= . normafaute normalise vecteur nul = nul "});
}

TEST_F(ReportTest, NormOverflowIsReportedAndReadsZero) {
    asker.answers = {"y", "y", "y", "y"};
    const Vecteur3 huge(1e200, 0, 0);
    EXPECT_EQ(normseule(huge), 0);
    EXPECT_EQ(norm(huge), 0);
    Vecteur3 v = huge;
    norma(v); // the norm fails, then the vector counts as null and is left alone
    EXPECT_EQ(v, huge);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "At_Time= . normseulefaute",
                              "At_Time= . normfaute",
                              "At_Time= . normseulefaute",
                              "At_Time= . normafaute normalise vecteur nul = nul ",
                          }));
}

TEST_F(ReportTest, DegReducesIntoZeroTo360) {
    struct Case {
        double radians;
        double degrees;
    };
    const std::vector<Case> cases = {
        {0, 0},        {-Pi / 2, 270}, {2 * Pi, 0},       {Pi, 180},      {3 * Pi, 180},
        {-Pi, 180},    {Pi / 4, 45},   {7 * Pi / 2, 270}, {-7 * Pi, 180}, {1, 57.29577951308232},
        {100 * Pi, 0}, {-1e-14, 0},
    };
    for (const auto& c : cases) {
        const double d = deg(c.radians);
        EXPECT_GE(d, 0) << c.radians;
        EXPECT_LT(d, 360) << c.radians;
        // Congruent modulo 360; 0 and a hair below 360 are the same direction.
        const double diff = std::remainder(d - c.degrees, 360.0);
        EXPECT_NEAR(diff, 0, 1e-9) << c.radians << " gives " << d;
    }
    EXPECT_EQ(deg(0), 0);
    EXPECT_EQ(deg(Pi), 180);
    EXPECT_EQ(deg(-Pi / 2), 270);
    EXPECT_TRUE(logLines().empty());
    EXPECT_DOUBLE_EQ(rad(180), Pi);
    EXPECT_DOUBLE_EQ(rad(-90), -Pi / 2);
}

TEST_F(ReportTest, DegSweepStaysInRangeWithoutReports) {
    for (double x = -50; x <= 50; x += 0.0137) {
        const double d = deg(x);
        ASSERT_TRUE(d >= 0 && d < 360) << x << " gives " << d;
        EXPECT_NEAR(std::remainder(d - x / Pi * 180, 360.0), 0, 1e-9) << x;
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ReportTest, DegOfNaNIsReported) {
    asker.answers = {"y", "y"};
    EXPECT_TRUE(std::isnan(deg(std::nan(""))));
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"At_Time= . degfauteNaN", "At_Time= . degfauteNaN"}));
}

TEST_F(ReportTest, PetitAngleGivesMinus180To180) {
    struct Case {
        double in;
        double out;
        bool logged;
    };
    const std::vector<Case> cases = {
        {180, 180, false}, {190, -170, false}, {0, 0, false},    {179.5, 179.5, false},
        {359, -1, false},  {360, 0, true},     {-90, -90, true}, {-180, 180, true},
        {540, 180, true},  {-350, 10, true},   {725, 5, true},
    };
    for (const auto& c : cases) {
        ErrorReport::instance().reset();
        EXPECT_NEAR(PetitAngle(c.in), c.out, 1e-9) << c.in;
        EXPECT_EQ(logLines().size(), c.logged ? 1u : 0u) << c.in;
    }
    EXPECT_TRUE(asker.questions.empty());
    ErrorReport::instance().reset();
    PetitAngle(-90);
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"At_Time= . _PetitAngle  -90.0 " + kDegree + " "});
    ErrorReport::instance().reset();
    PetitAngle(1234.56);
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"At_Time= . _PetitAngle  1,234.6 " + kDegree + " "});
}

TEST_F(ReportTest, ArctangentsCoverTheFullCircle) {
    EXPECT_EQ(Atnp(0), 0);
    EXPECT_DOUBLE_EQ(Atnp(1), std::atan(1.0));
    EXPECT_DOUBLE_EQ(Atnp(-1), 2 * Pi - std::atan(1.0));
    struct Case {
        double x, y, angle;
    };
    const std::vector<Case> cases = {
        {0, 0, Pi / 2},       {0, -1, 3 * Pi / 2},
        {-1, 0, Pi},          {1, -1, 7 * Pi / 4},
        {-1, -1, 5 * Pi / 4}, {1, 0, 0},
        {0, 1, Pi / 2},       {-1, 1, 3 * Pi / 4},
        {1, 1, Pi / 4},       {2, 2 * std::sqrt(3.0), Pi / 3},
    };
    for (const auto& c : cases) {
        const double a = Atn2(c.x, c.y);
        EXPECT_NEAR(a, c.angle, 1e-14) << c.x << ", " << c.y;
        EXPECT_GE(a, 0);
        EXPECT_LT(a, 2 * Pi + 1e-15);
    }
    EXPECT_TRUE(logLines().empty());

    asker.answers = {"y", "y"};
    Atn2(std::nan(""), 1);
    Atnp(std::nan(""));
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"At_Time= . Atn2faute", "At_Time= . Atnpfaute"}));
}

TEST(Vecteur3, RotPlanRotatesAndAllowsAliasing) {
    double x = 0, y = 0;
    RotPlan(0, 1, 1, 0, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 1);
    RotPlan(std::cos(Pi / 6), std::sin(Pi / 6), 2, 0, x, y);
    EXPECT_NEAR(x, std::sqrt(3.0), 1e-15);
    EXPECT_NEAR(y, 1, 1e-15);
    x = 1;
    y = 0;
    RotPlan(0, -1, x, y, x, y); // in place
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, -1);
}

// The rotation Rz(a3) Rx(a2) Rz(a1) written out as a matrix product.
Vecteur3 eulerByMatrix(const Vecteur3& v, double a1, double a2, double a3) {
    auto rz = [](const Vecteur3& p, double a) {
        return Vecteur3(p(1) * std::cos(a) - p(2) * std::sin(a),
                        p(1) * std::sin(a) + p(2) * std::cos(a), p(3));
    };
    auto rx = [](const Vecteur3& p, double a) {
        return Vecteur3(p(1), p(2) * std::cos(a) - p(3) * std::sin(a),
                        p(2) * std::sin(a) + p(3) * std::cos(a));
    };
    return rz(rx(rz(v, a1), a2), a3);
}

TEST_F(ReportTest, EulerIRotatesZXZ) {
    struct Case {
        Vecteur3 in;
        double a1, a2, a3;
        Vecteur3 out;
    };
    const std::vector<Case> cases = {
        {{1, 2, 3}, 0, 0, 0, {1, 2, 3}},
        {{1, 0, 0}, Pi / 2, 0, 0, {0, 1, 0}},
        {{0, 1, 0}, 0, Pi / 2, 0, {0, 0, 1}},
        {{1, 0, 0}, 0, 0, Pi / 2, {0, 1, 0}},
        {{1, 0, 0}, Pi / 2, Pi / 2, 0, {0, 0, 1}},
        {{0, 0, 1}, 0, Pi / 2, Pi / 2, {1, 0, 0}},
        // Back to zero after other angles: the cached cosines and sines must follow.
        {{1, 2, 3}, 0, 0, 0, {1, 2, 3}},
    };
    for (const auto& c : cases) {
        Vecteur3 out(9, 9, 9);
        EulerI(c.in, c.a1, c.a2, c.a3, out);
        expectNear(out, c.out, 1e-14);
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(ReportTest, EulerICacheFollowsEveryAngleChange) {
    // Each angle changes alone, stays, or comes back: every call must equal the plain product.
    const double angles[][3] = {{0.3, 0.3, 0.3},  {0.3, 0.3, 0.3},  {0.3, 1.1, 0.3},
                                {-2.0, 1.1, 0.3}, {-2.0, 1.1, 4.0}, {0, 0, 0},
                                {0, 1.1, 0},      {0.3, 1.1, 4.0},  {0.3, 1.1, 4.0}};
    const Vecteur3 v(0.2, -1.3, 2.4);
    for (const auto& a : angles) {
        Vecteur3 out;
        EulerI(v, a[0], a[1], a[2], out);
        expectNear(out, eulerByMatrix(v, a[0], a[1], a[2]), 1e-14);
        // In and out may be the same vector.
        Vecteur3 same = v;
        EulerI(same, a[0], a[1], a[2], same);
        expectNear(same, out, 0);
        // A rotation keeps the length.
        EXPECT_NEAR(normseule(out), normseule(v), 1e-14);
    }
}

TEST_F(ReportTest, EulerIReportsBadAnglesAndLeavesTheOutput) {
    std::vector<std::string> dataPlotLines;
    DataPlotWarning = [&](const std::string& line) { dataPlotLines.push_back(line); };
    asker.answers = {"y"};
    Vecteur3 out(5, 6, 7);
    EulerI(Vecteur3(1, 0, 0), std::nan(""), 0, 0, out);
    DataPlotWarning = {};
    EXPECT_EQ(out, Vecteur3(5, 6, 7));
    EXPECT_EQ(dataPlotLines, std::vector<std::string>{" erreur en EulerR"});
    EXPECT_EQ(logLines(), std::vector<std::string>{"At_Time= . EulerIfaute"});
    // The cache is not spoiled by the bad call.
    EulerI(Vecteur3(1, 0, 0), Pi / 2, 0, 0, out);
    expectNear(out, Vecteur3(0, 1, 0), 1e-14);
}

TEST(Vecteur3, MajTrimUpperCasesAndTrimsBlanks) {
    struct Case {
        std::string in, out;
    };
    const std::vector<Case> cases = {
        {"  abc  ", "ABC"}, {"Dipôle field", "DIPÔLE FIELD"},
        {"été ", "ÉTÉ"},    {"\tx", "\tX"},
        {"   ", ""},        {"", ""},
        {"a b", "A B"},     {"x÷y", "X÷Y"},
    };
    for (const auto& c : cases) EXPECT_EQ(MajTrim(c.in), c.out) << c.in;
}

} // namespace
} // namespace gyro
