// The orbit check with the real Cash-Karp step: the body must stay on its Kepler ellipse.
#include "numerics/constants.h"
#include "numerics/tracelog.h"
#include "orbital/orbitcheck.h"
#include "support/reportfixture.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace gyro {
namespace {

using ReportTest = test::LenientReportTest;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

class OrbitCheck : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        traceLog().clear();
        stepControlLog().clear();
    }
    void TearDown() override {
        traceLog().clear();
        stepControlLog().clear();
        ReportTest::TearDown();
    }
};

// Each accepted step adds at most about ErrMax to the position error, and ErrMax / (64 h) to
// the velocity error (the velocity part of the estimate is scaled by h and 64); the errors then
// add up over the steps. Energy and angular momentum of the Kepler problem are conserved.
TEST_F(OrbitCheck, BodyStaysOnTheKeplerEllipse) {
    const OrbitCheckResult result = ControleOrbite(100);
    ASSERT_EQ(asker.titles.size(), 1u);
    EXPECT_EQ(asker.titles[0], "BON   Warning");
    EXPECT_FALSE(result.stopped);
    ASSERT_EQ(result.steps.size(), static_cast<std::size_t>(kOrbitSteps));
    EXPECT_NEAR(result.elements.e, 0.75, 1e-12);

    double positionBound = 0;
    double velocityBound = 0;
    double previousT = 0;
    for (const OrbitCheckStep& s : result.steps) {
        positionBound += kOrbitErrMax;
        velocityBound += kOrbitErrMax / (64 * s.h);
        EXPECT_GT(s.h, 0);
        EXPECT_NEAR(s.t, previousT + s.h, 1e-9 * s.t);
        previousT = s.t;
        EXPECT_LE(std::fabs(s.dr), positionBound) << "t=" << s.t;
        EXPECT_LE(std::fabs(s.dv), velocityBound) << "t=" << s.t;
        // Along the orbit: the anomaly error times the radius is a distance.
        EXPECT_LE(std::fabs(s.dnu) * Pi / 180 * kOrbitRelease, positionBound);
    }
    // The body has moved a good way along the orbit, from the apogee towards the perigee.
    EXPECT_GT(result.steps.back().anomaly, 220);

    // Energy and angular momentum, with the errors the position and speed bounds allow.
    const StateArray& y = result.last;
    const double r = std::hypot(y(1), y(3));
    const double v = std::hypot(y(2), y(4));
    const double energy = v * v / 2 - kOrbitMu / r;
    EXPECT_NEAR(energy, -kOrbitMu / (2 * result.elements.a),
                v * velocityBound + kOrbitMu / (r * r) * positionBound);
    const double momentum = y(1) * y(4) - y(3) * y(2);
    EXPECT_NEAR(momentum, kOrbitRelease * result.elements.releaseSpeed,
                r * velocityBound + v * positionBound);
    EXPECT_EQ(y(8), result.steps.back().t);
    EXPECT_EQ(ErrorReport::instance().OrbitalTime, y(8));
    EXPECT_EQ(logCount("faute"), 0);
}

TEST_F(OrbitCheck, LogsOneStepControlLineAStepAndTheLatestComparison) {
    const OrbitCheckResult result = ControleOrbite(100);
    const auto control = linesOf(stepControlLog().text());
    ASSERT_EQ(control.size(), static_cast<std::size_t>(kOrbitSteps));
    EXPECT_EQ(control[0].rfind("PLUSpasOld 100 pas 500 err,dR,dV ", 0), 0u) << control[0];
    for (const auto& line : control) EXPECT_NE(line.find("pasOld"), std::string::npos) << line;

    // The comparison line of the last step replaces the previous ones; the final state follows.
    const auto trace = linesOf(traceLog().text());
    ASSERT_EQ(trace.size(), 2u);
    std::istringstream last(trace[0]);
    double t = 0, dr = 0, dv = 0, dnu = 0, h = 0, anomaly = 0;
    last >> t >> dr >> dv >> dnu >> h >> anomaly;
    EXPECT_NEAR(t, result.steps.back().t, 1e-6);
    EXPECT_NEAR(h, result.steps.back().h, 1e-6);
    EXPECT_NEAR(anomaly, result.steps.back().anomaly, 1e-6);
    EXPECT_EQ(trace[1].rfind("Finales_cond_   ", 0), 0u) << trace[1];
}

TEST_F(OrbitCheck, ZeroStepKeepsTheBodyStill) {
    const OrbitCheckResult result = ControleOrbite(0);
    ASSERT_EQ(result.steps.size(), static_cast<std::size_t>(kOrbitSteps));
    EXPECT_EQ(result.last(1), kOrbitRelease);
    EXPECT_EQ(result.last(3), 0);
    EXPECT_EQ(result.last(2), 0);
    EXPECT_EQ(result.last(4), result.elements.releaseSpeed);
    for (const OrbitCheckStep& s : result.steps) {
        EXPECT_EQ(s.t, 0);
        EXPECT_EQ(s.h, 0);
        EXPECT_NEAR(s.anomaly, 180, 1e-9);
        EXPECT_NEAR(s.dr, 0, 1e-6);
    }
    for (const auto& line : linesOf(stepControlLog().text()))
        EXPECT_EQ(line, "PLUSpasOld 0 pas 0 err,dR,dV 0.00100  0.00000  0.00000 ");
}

// A first step of 20000 s misses the error limit by far: it is cut to a tenth (the user is
// told), taken again and the check goes on with it.
TEST_F(OrbitCheck, TooLargeAStepIsCutAndTakenAgain) {
    const OrbitCheckResult result = ControleOrbite(20000);
    ASSERT_GE(asker.titles.size(), 2u);
    EXPECT_EQ(asker.titles[1], "Pb de Pas   Warning");
    const auto control = linesOf(stepControlLog().text());
    ASSERT_FALSE(control.empty());
    EXPECT_EQ(control[0].rfind("MoinspasOld 20000 pas 2000 err,dR,dV", 0), 0u) << control[0];
    ASSERT_EQ(result.steps.size(), static_cast<std::size_t>(kOrbitSteps));
    EXPECT_EQ(result.steps[0].h, 2000);
    EXPECT_EQ(result.steps[0].t, 2000);
    for (const OrbitCheckStep& s : result.steps) EXPECT_LT(std::fabs(s.dr), 5) << s.t;
}

// Stop answered to the step question: the step already taken again is kept and shown, and the
// check ends there.
TEST_F(OrbitCheck, StopDuringTheStepsEndsTheCheck) {
    asker.answers = {"Yes", "Stop"};
    const OrbitCheckResult result = ControleOrbite(20000);
    EXPECT_TRUE(result.stopped);
    ASSERT_EQ(result.steps.size(), 1u);
    EXPECT_EQ(result.last(8), 2000);
    EXPECT_EQ(ErrorReport::instance().stopFlag(), 0);
    EXPECT_EQ(traceLog().text().find("Finales_cond_") != std::string::npos, true);
}

TEST_F(OrbitCheck, StopAtTheFirstQuestionRunsNothing) {
    asker.answers = {"Stop"};
    const OrbitCheckResult result = ControleOrbite(100);
    EXPECT_TRUE(result.stopped);
    EXPECT_TRUE(result.steps.empty());
    EXPECT_TRUE(stepControlLog().text().empty());
    EXPECT_EQ(ErrorReport::instance().stopFlag(), 0);
}

} // namespace
} // namespace gyro
