// The orbit's equations of motion, its elements, and the log lines of the orbit-check window.
#include "numerics/constants.h"
#include "numerics/tracelog.h"
#include "orbital/orbitlog.h"
#include "orbital/orbitmotion.h"
#include "support/reportfixture.h"

#include <cmath>

namespace gyro {
namespace {

using ReportTest = test::LenientReportTest;

class OrbitMotion : public ReportTest {};

// Newton: a = -mu r / |r|^3 wherever the body is.
TEST_F(OrbitMotion, GravityPointsToTheCentreWithInverseSquareStrength) {
    Ldim = 8;
    struct Case {
        double x, y;
    };
    for (const Case c :
         {Case{42e6, 0}, Case{0, 7e6}, Case{-3e6, 4e6}, Case{-1e7, -2e7}, Case{5e6, -1e6}}) {
        StateArray y;
        y(1) = c.x;
        y(2) = 11;
        y(3) = c.y;
        y(4) = -13;
        StateArray dy;
        dy.c.fill(7);
        DeriveeOrbite(1, 0, y, dy);
        const double r = std::hypot(c.x, c.y);
        const double scale = kOrbitMu / (r * r);
        EXPECT_NEAR(dy(2), -kOrbitMu * c.x / (r * r * r), 1e-12 * scale);
        EXPECT_NEAR(dy(4), -kOrbitMu * c.y / (r * r * r), 1e-12 * scale);
        EXPECT_EQ(dy(1), 11);
        EXPECT_EQ(dy(3), -13);
        EXPECT_EQ(dy(8), 1);
        EXPECT_EQ(dy(5), 7); // components the orbit does not use are left alone
        EXPECT_EQ(dy(7), 7);
    }
    EXPECT_EQ(logCount("faute"), 0);
}

TEST_F(OrbitMotion, BodyAtTheCentreIsReportedAndFeelsNoForce) {
    Ldim = 8;
    StateArray y;
    StateArray dy;
    DeriveeOrbite(1, 0, y, dy);
    EXPECT_EQ(dy(2), 0);
    EXPECT_EQ(dy(4), 0);
    EXPECT_EQ(logCount("DeriveeOrbitefaute"), 1);
}

// Released at half the circular speed, the body is at the apogee of an ellipse with e = 0.75:
// vis-viva gives a = 4R/7, and p = (R v)^2 / mu = R/4.
TEST(OrbitElementsTest, HalfCircularSpeedGivesEccentricityThreeQuarters) {
    const OrbitElements el = OrbitCheckElements();
    const double R = kOrbitRelease;
    EXPECT_NEAR(el.e, 0.75, 1e-12);
    EXPECT_NEAR(el.a, 4 * R / 7, 1e-6);
    EXPECT_NEAR(el.p, R / 4, 1e-6);
    EXPECT_NEAR(el.a * (1 + el.e), R, 1e-6); // apogee
    EXPECT_NEAR(el.period, 2 * Pi * std::sqrt(std::pow(4 * R / 7, 3) / kOrbitMu), 1e-6);
}

class OrbitLog : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        traceLog().clear();
        ShowTraceWindow = [this] { ++shown; };
    }
    void TearDown() override {
        ShowTraceWindow = nullptr;
        traceLog().clear();
        ReportTest::TearDown();
    }
    int shown = 0;
};

TEST_F(OrbitLog, LinesAreLabelAndNumbersSeparatedByThreeBlanks) {
    TraceLigne("cumul", 1);
    EXPECT_EQ(shown, 1);
    TraceLigne2("Si", 2, 0.2);
    EXPECT_EQ(shown, 1); // only the first kind of line brings the window up
    TraceLigne4("Initiales_cond_", 42000000, 0, -2.5, 1543.0335);
    EXPECT_EQ(traceLog().text(), "\r\ncumul   1"
                                 "\r\nSi   2   0.2"
                                 "\r\nInitiales_cond_    42000000.     0.     -2.5     1543.0335 ");
    TraceLigne5(" 12.5 ", 0.1234567, -1, 0, 100, 180);
    EXPECT_EQ(traceLog().text(),
              " 12.5     0.123457     -1.     0.     100.     180. "); // replaced, not appended
}

TEST_F(OrbitLog, DateIsShownWithItsJulianDay) {
    EXPECT_EQ(AstronomiePlan(2000, 1, 1), 2451544.5);
    EXPECT_EQ(traceLog().text(),
              "\r\nDate   2000-01-01   Jour Julien   2451544.5   JJ - 2415384.5   36160");
}

} // namespace
} // namespace gyro
