// Kepler solver: analytic edge cases, the round trip time -> anomaly -> time, and its reports.
#include "numerics/constants.h"
#include "orbital/kepler.h"
#include "support/reportfixture.h"

#include <cmath>

namespace gyro {
namespace {

using ReportTest = test::LenientReportTest;

class Kepler : public ReportTest {};

constexpr double kPeriod = 86164.0; // [s] one sidereal day

TEST_F(Kepler, CircularOrbitMovesUniformly) {
    double t = -1;
    TempsPerigee(kPeriod, 0, 90, t);
    EXPECT_NEAR(t, kPeriod / 4, 1e-9 * kPeriod);
    // Without eccentricity the anomaly is proportional to time; 157.5 and 202.5 are hit
    // exactly by the bisection's half-steps.
    for (double v0 : {90.0, 157.5, 202.5, 45.0, 371.25}) {
        double v = -1;
        AnomalieVraie(kPeriod, 0, kPeriod * v0 / 360, v);
        EXPECT_NEAR(v, v0, 1e-10);
    }
    EXPECT_TRUE(asker.titles.empty());
}

TEST_F(Kepler, PerigeeAndApogeeAreExact) {
    struct Case {
        double v, expectedPeriods;
    };
    for (const Case c :
         {Case{540, 1.5}, Case{0, 0}, Case{720, 2}, Case{180, 0.5}, Case{-180, -0.5}}) {
        double t = -1;
        TempsPerigee(kPeriod, 0.75, c.v, t);
        EXPECT_EQ(t, c.expectedPeriods * kPeriod) << c.v;
    }
    double v = -1;
    AnomalieVraie(kPeriod, 0.75, 0, v);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(EcartTemps, 0);
    EXPECT_TRUE(asker.titles.empty());
}

// Kepler's second law gives the time from perigee to the end of the latus rectum (v = 90°) in
// closed form: M = E - e sin E with cos E = e.
TEST_F(Kepler, LatusRectumTimeMatchesClosedForm) {
    for (double e : {0.1, 0.5, 0.75, 0.9, 0.99}) {
        const double E = std::acos(e);
        const double expected = (E - e * std::sin(E)) / (2 * Pi) * kPeriod;
        double t = 0;
        TempsPerigee(kPeriod, e, 90, t);
        EXPECT_NEAR(t, expected, 1e-9 * kPeriod) << e;
        double v = 0;
        AnomalieVraie(kPeriod, e, expected, v);
        EXPECT_NEAR(v, 90, 1e-8) << e;
    }
}

TEST_F(Kepler, RoundTripOverAnomaliesAndEccentricities) {
    for (double e : {0.0, 0.01, 0.3, 0.6, 0.75, 0.9, 0.97, 0.99}) {
        for (double v0 = 0; v0 <= 1100; v0 += 7.3) {
            double t = 0;
            TempsPerigee(kPeriod, e, v0, t);
            double v = 0;
            AnomalieVraie(kPeriod, e, t, v);
            // Near perigee of a very eccentric orbit the anomaly moves fast: compare times.
            double t2 = 0;
            TempsPerigee(kPeriod, e, v, t2);
            EXPECT_NEAR(t2, t, 1e-9 * kPeriod) << "e=" << e << " v=" << v0;
            EXPECT_NEAR(v, v0, e < 0.95 ? 1e-8 : 1e-6) << "e=" << e << " v=" << v0;
            EXPECT_LT(std::fabs(EcartTemps), 1e-7);
        }
    }
    EXPECT_TRUE(asker.titles.empty());
    EXPECT_EQ(logCount("TTperig"), 0);
}

TEST_F(Kepler, NegativeTimeLowersToleranceAndAsks) {
    double t = 0;
    TempsPerigee(kPeriod, 0.5, 300, t); // one revolution later than -60°
    double v = 0;
    AnomalieVraie(kPeriod, 0.5, t - kPeriod, v);
    ASSERT_EQ(asker.titles.size(), 1u);
    EXPECT_EQ(asker.titles[0], "Kepler a voir   Warning");
    EXPECT_NEAR(v, -60, 1e-5);
}

TEST_F(Kepler, EccentricityOutOfRangeLeavesResultsAlone) {
    for (double e : {1.0, 1.5, -0.1}) {
        double t = 42;
        TempsPerigee(kPeriod, e, 90, t);
        EXPECT_EQ(t, 42);
        double v = 42;
        AnomalieVraie(kPeriod, e, 1000, v);
        EXPECT_EQ(v, 42);
    }
    EXPECT_EQ(asker.titles.size(), 6u);
    EXPECT_EQ(logCount("OUT OF RANGE"), 6);
}

TEST_F(Kepler, ZeroPeriodIsReportedNotSolved) {
    double v = 42;
    AnomalieVraie(0, 0.5, 1000, v);
    EXPECT_EQ(v, 42);
    EXPECT_EQ(logCount("AnomalieVraiefaute"), 1);
}

} // namespace
} // namespace gyro
