// Equations of motion and the run's step against analytic motions: gyration (radius, period),
// E × B drift, energy conservation, uniform acceleration; the derivative's faults.
#include "simulation/motion.h"

#include "numerics/cashkarp.h"
#include "numerics/constants.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/physicsfixture.h"
#include "simulation/runrecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

constexpr double kQ = 1.6021e-19; // |q| of the electron [C]
constexpr double kM = 9.1091e-31; // electron mass [kg]

class MotionTest : public PhysicsTest {
protected:
    // Integrates from R, V with RungeStep until the time reaches tEnd, as a run does (first step
    // 5e-11 s, ErrMax 1e-7 m); calls `each` after every accepted step. Returns the step count.
    long integrate(const Vecteur3& R, const Vecteur3& V, double tEnd,
                   const std::function<void(const StateArray&)>& each) {
        SpeciesRefresh(0);
        StateArray Y, Ynew;
        pack(R, V, Y);
        double h = kInitialStep;
        long steps = 0;
        while (Y(8) < tEnd && steps < 5'000'000) {
            RungeStep(control, h, Y, Ynew);
            if (control.StopCalcul == 1) break;
            CopieEtat(Ynew, Y);
            ++steps;
            each(Y);
        }
        return steps;
    }
};

// The integrator's stages use LorentzForce, which computes only what the acceleration needs;
// frRunge computes every readout on the way. Trajectories rely on both giving the same bits.
TEST_F(MotionTest, StageDerivativeEqualsTheFullOneToTheBitForEveryShape) {
    setFields(1, {120, -40, 5000}, {0.004, -0.002, 0.015});
    setNumber(BoxFamily::Texte6, slot::kParam0 + 5, 1.5); // dipole moment
    setNumber(BoxFamily::Texte6, slot::kParam0 + 11, 25); // its inclination
    setNumber(BoxFamily::Texte6, slot::kParam0 + 6,
              2); // double dipole: the two moments, the ring radius
    setNumber(BoxFamily::Texte6, slot::kParam0 + 7, -1); // and their inclinations
    setNumber(BoxFamily::Texte6, slot::kParam0 + 8, 0.03);
    setNumber(BoxFamily::Texte6, slot::kParam0 + 9, 10);
    setNumber(BoxFamily::Texte6, slot::kParam0 + 10, -15);
    SpeciesRefresh(0);
    const RunRecord& rec = runRecord();
    const double states[][6] = {
        {0.0425, 0, 0, 0, 1e5, 0},
        {-0.031, 0.027, 0.004, 2e4, -3e5, 7e3},
        {0.002, -0.05, -0.011, -1e6, 4e2, 9e5},
        // The mid plane from below, and points just off it: the 1/rho field's centre of
        // curvature jumps at z = 0 (at 1e-150 its distance squares beyond 1e290).
        {-0.0372, -0.0051, -0.0, 3e4, 1e5, -2e4},
        {3e-4, 2e-4, 1e-30, 1e5, 0, 0},
        {0.041, 0.003, -1e-150, 1e5, 0, 0},
    };
    for (int shape = 0; shape <= 4; ++shape) {
        theCase().select(BoxFamily::Option4, shape);
        const FieldModel field(theCase());
        const LorentzForce force(field, rec.Charge, rec.Mass, control.StopCalcul);
        for (const auto& s : states) {
            SCOPED_TRACE(::testing::Message() << "shape " << shape << " x " << s[0]);
            StateArray Y, stage, full;
            pack({s[0], s[1], s[2]}, {s[3], s[4], s[5]}, Y);
            Y(8) = 1e-6;
            force(Y, stage);
            frRunge(Y, full);
            for (int j = 1; j <= 8; ++j) EXPECT_EQ(stage(j), full(j)) << j;
        }
    }
    EXPECT_EQ(control.StopCalcul, 0);
    EXPECT_TRUE(ErrorReport::instance().lines().empty());
}

// The run's Cash-Karp attempt steps the acceleration alone on three (position, velocity) pairs;
// it must give the bits of the eight-component attempt on whole state arrays (new state,
// embedded solution, estimate), for a fresh attempt and for a retry that reuses the first stage.
TEST_F(MotionTest, ParticleAttemptGivesTheBitsOfTheEightComponentOneForEveryShape) {
    setFields(1, {120, -40, 5000}, {0.004, -0.002, 0.015});
    setNumber(BoxFamily::Texte6, slot::kParam0 + 5, 1.5); // dipole moment
    SpeciesRefresh(0);
    const RunRecord& rec = runRecord();
    const double states[][6] = {
        {0.0425, 0, 0, 0, 1e5, 0},
        {-0.031, 0.027, 0.004, 2e4, -3e5, 7e3},
    };
    for (int shape = 0; shape <= 4; ++shape) {
        theCase().select(BoxFamily::Option4, shape);
        const FieldModel field(theCase());
        const LorentzForce force(field, rec.Charge, rec.Mass, control.StopCalcul);
        ASSERT_TRUE(force.direct());
        const auto accel = [&force](const double* R, const double* V, double* A) {
            force.acceleration(R, V, A);
        };
        for (const auto& s : states) {
            StateArray Y;
            pack({s[0], s[1], s[2]}, {s[3], s[4], s[5]}, Y);
            Y(7) = 0.25;
            Y(8) = 1e-6;
            for (const double h : {3e-10, 1e-11}) {
                SCOPED_TRACE(::testing::Message()
                             << "shape " << shape << " x " << s[0] << " h " << h);
                StateArray particle, retried, whole;
                CashKarpWork pw, rw, ww;
                const StepEstimate e = cashKarpParticle(accel, Y, h, particle, pw);
                cashKarpParticle(accel, Y, 10 * h, retried, rw);
                const StepEstimate er = cashKarpParticle(accel, Y, h, retried, rw, true);
                const StepEstimate ew = cashKarp8(force, Y, h, whole, ww);
                for (int j = 1; j <= 8; ++j) {
                    EXPECT_EQ(particle(j), whole(j)) << j;
                    EXPECT_EQ(retried(j), whole(j)) << j;
                    EXPECT_EQ(pw.lowOrder(j), ww.lowOrder(j)) << j;
                }
                for (const StepEstimate& x : {e, er}) {
                    EXPECT_EQ(x.errPos, ew.errPos);
                    EXPECT_EQ(x.errVel, ew.errVel);
                    EXPECT_GT(x.err, 0);
                }
            }
        }
    }
    EXPECT_EQ(control.StopCalcul, 0);
}

TEST_F(MotionTest, LorentzAccelerationPointsToTheCentre) {
    setFields(1, {0, 0, 0}, {0, 0, 0.015});
    SpeciesRefresh(0);
    StateArray Y, DY;
    pack({0.0425, 0, 0}, {0, 10, 0}, Y);
    Y(7) = 3;
    Y(8) = 1e-6;
    frRunge(Y, DY);
    const RunRecord& rec = runRecord();
    EXPECT_NEAR(rec.W(1), 0.15, 1e-15);
    EXPECT_NEAR(DY(2), -1.6021e-19 / 9.1091e-31 * 0.15, 1e-6 * 2.638e10);
    EXPECT_NEAR(DY(2), -2.638e10, 0.001e10);
    EXPECT_EQ(DY(4), 0);
    EXPECT_EQ(DY(6), 0);
    EXPECT_EQ(DY(1), 0);
    EXPECT_EQ(DY(3), 10);
    EXPECT_EQ(DY(5), 0);
    EXPECT_EQ(DY(7), 0);
    EXPECT_EQ(DY(8), 1);
    EXPECT_EQ(rec.Y7, 3);
    EXPECT_EQ(rec.Y8, 1e-6);
    EXPECT_EQ(Y(3), 0); // the state is not changed
}

TEST_F(MotionTest, WithoutMagneticFieldTheAccelerationIsQEOverM) {
    setFields(1, {100, -200, 5000}, {0, 0, 0});
    SpeciesRefresh(0);
    StateArray Y, DY;
    pack({0.01, 0.02, 0.03}, {1, 2, 3}, Y);
    frRunge(Y, DY);
    EXPECT_EQ(runRecord().W, Vecteur3(0, 0, 0));
    const double k = -kQ / kM;
    EXPECT_DOUBLE_EQ(DY(2), k * 100);
    EXPECT_DOUBLE_EQ(DY(4), k * -200);
    EXPECT_DOUBLE_EQ(DY(6), k * 5000);
}

TEST_F(MotionTest, ZeroChargeIsReportedOnceAndStopsTheRun) {
    setFields(1, {0, 0, 5000}, {0, 0, 0.015});
    SpeciesRefresh(0);
    runRecord().Charge = 0;
    StateArray Y, Ynew;
    pack({0.0425, 0, 0}, {0, 10, 0}, Y);
    double h = kInitialStep;
    RungeStep(control, h, Y, Ynew);
    ASSERT_EQ(asker.titles.size(), 1u);
    EXPECT_EQ(asker.titles[0], "frRungefaute charge nulle   Warning");
    EXPECT_EQ(control.StopCalcul, 1);
    for (int j = 1; j <= 8; ++j) EXPECT_TRUE(std::isfinite(Ynew(j)));
}

TEST_F(MotionTest, SingularFieldStopsTheRunWithOneMessage) {
    // A dipole evaluated at its own position.
    theCase().select(BoxFamily::Option4, slot::kDipole);
    theCase().setText(BoxFamily::Texte6, slot::kParam0 + 5, "1");
    SpeciesRefresh(0);
    StateArray Y, Ynew;
    pack({0, 0, 0}, {0, 10, 0}, Y);
    double h = kInitialStep;
    asker.fallback = "Yes";
    RungeStep(control, h, Y, Ynew);
    EXPECT_EQ(control.StopCalcul, 1);
    EXPECT_EQ(logCount("frRungefaute champ non fini"), 1);
    EXPECT_EQ(logCount("rungefaute"), 0); // the integrator does not report it a second time
}

// Electron in a uniform B: circles of radius m v_perp / (|q| B) with period 2 pi m / (|q| B),
// drifting along B at v_par. Checked over 100 turns at the default error limit 1e-7 m, about
// 20 steps a turn here: the centre is a linear invariant (kept to rounding by any Runge-Kutta
// method), the radius drifts with the energy (below), the period is kept to 1e-6.
TEST_F(MotionTest, GyrationRadiusAndPeriod) {
    const double B = 0.015;
    setFields(1, {0, 0, 0}, {0, 0, B});
    const double vPerp = 1e7, vPar = 2e6;
    const double radius = kM * vPerp / (kQ * B);
    const double period = 2 * Pi * kM / (kQ * B);
    // The electron turns counter-clockwise about +z: starting at R with velocity +y, the
    // centre lies at -x.
    const Vecteur3 R0{0.0425, 0, 0};
    const Vecteur3 centre{R0(1) - radius, 0, 0};
    double maxRadiusError = 0;
    double lastAngle = 0, unwrapped = 0, tLast = 0;
    double maxAxialError = 0;
    const long steps = integrate(R0, {0, vPerp, vPar}, 100 * period, [&](const StateArray& Y) {
        const double dx = Y(1) - centre(1), dy = Y(3) - centre(2);
        maxRadiusError = std::max(maxRadiusError, std::fabs(std::hypot(dx, dy) - radius));
        maxAxialError = std::max(maxAxialError, std::fabs(Y(5) - vPar * Y(8)));
        const double angle = std::atan2(dy, dx);
        double d = angle - lastAngle;
        if (d > Pi) d -= 2 * Pi;
        if (d < -Pi) d += 2 * Pi;
        unwrapped += d;
        lastAngle = angle;
        tLast = Y(8);
    });
    const double measuredPeriod = 2 * Pi * tLast / unwrapped;
    std::printf("gyration: %ld steps, radius error %.3g m (radius %.4g m), period rel. error "
                "%.3g, axial error %.3g m\n",
                steps, maxRadiusError, radius, measuredPeriod / period - 1, maxAxialError);
    EXPECT_GT(unwrapped, 0);                  // counter-clockwise for a negative charge
    EXPECT_LT(maxRadiusError, 5e-4 * radius); // 20 ErrMax after 100 turns
    EXPECT_NEAR(measuredPeriod / period, 1, 1e-6);
    EXPECT_LT(maxAxialError, 1e-9);
}

// E perpendicular to B: the guiding centre drifts at E × B / B^2 whatever the charge. (It is a
// linear invariant of the motion, which Runge-Kutta steps keep to rounding.)
TEST_F(MotionTest, ExBDrift) {
    const double B = 0.015, Ex = 1000;
    setFields(1, {Ex, 0, 0}, {0, 0, B});
    const double period = 2 * Pi * kM / (kQ * B);
    const Vecteur3 drift{0, -Ex / B, 0}; // (Ex, 0, 0) × (0, 0, B) / B^2
    // Guiding centre: R + m (v - v_d) × B / (q B^2).
    const auto centre = [&](const StateArray& Y) {
        const double ux = Y(2) - drift(1), uy = Y(4) - drift(2);
        const double k = kM / (-kQ * B * B);
        return Vecteur3(Y(1) + k * (uy * B), Y(3) + k * (-ux * B), Y(5));
    };
    StateArray start;
    pack({0.0425, 0, 0}, {0, 1e6, 0}, start);
    const Vecteur3 c0 = centre(start);
    double maxError = 0;
    const long n = integrate({0.0425, 0, 0}, {0, 1e6, 0}, 50 * period, [&](const StateArray& Y) {
        const Vecteur3 c = centre(Y);
        const double ex = c(1) - c0(1) - drift(1) * Y(8);
        const double ey = c(2) - c0(2) - drift(2) * Y(8);
        maxError = std::max(maxError, std::hypot(ex, ey));
    });
    const double travelled = std::fabs(drift(2)) * 50 * period;
    std::printf("E x B: %ld steps, guiding centre error %.3g m over a drift of %.3g m\n", n,
                maxError, travelled);
    EXPECT_LT(maxError, 1e-9 * travelled);
}

// E = 0: the magnetic force does no work. Cash-Karp is not conservative: at the default error
// limit with a 3.8 mm gyration radius the kinetic energy changes by less than 1e-5 per turn
// (bound: 1e-3 over 100 turns).
TEST_F(MotionTest, KineticEnergyIsConservedWithoutElectricField) {
    const double B = 0.015;
    setFields(1, {0, 0, 0}, {0.002, 0.001, B});
    const double period = 2 * Pi * kM / (kQ * B);
    const double v0 = std::hypot(1e7, 3e6);
    double maxRelative = 0;
    integrate({0.0425, 0, 0}, {0, 1e7, 3e6}, 100 * period, [&](const StateArray& Y) {
        const double v = std::sqrt(Y(2) * Y(2) + Y(4) * Y(4) + Y(6) * Y(6));
        maxRelative = std::max(maxRelative, std::fabs(v * v / (v0 * v0) - 1));
    });
    std::printf("energy: max relative change %.3g over 100 turns\n", maxRelative);
    EXPECT_LT(maxRelative, 1e-3);
}

// B = 0: uniformly accelerated motion, integrated exactly by a fifth-order method.
TEST_F(MotionTest, UniformAccelerationWithoutMagneticField) {
    const Vecteur3 E{0, 300, 5000};
    setFields(1, E, {0, 0, 0});
    const Vecteur3 R0{0.0425, 0, 0}, V0{1e4, 2e4, -3e4};
    const double a2 = -kQ / kM * E(2), a3 = -kQ / kM * E(3);
    double maxError = 0, scale = 0;
    integrate(R0, V0, 2e-8, [&](const StateArray& Y) {
        const double t = Y(8);
        const double x = R0(1) + V0(1) * t;
        const double y = R0(2) + V0(2) * t + 0.5 * a2 * t * t;
        const double z = R0(3) + V0(3) * t + 0.5 * a3 * t * t;
        maxError = std::max({maxError, std::fabs(Y(1) - x), std::fabs(Y(3) - y),
                             std::fabs(Y(5) - z), std::fabs(Y(6) - (V0(3) + a3 * t)) * 1e-9});
        scale = std::max(scale, std::fabs(z));
    });
    EXPECT_LT(maxError, 1e-12 * scale + 1e-15);
}

TEST_F(MotionTest, TimeAdvancesByTheAcceptedSteps) {
    setFields(1, {0, 0, 0}, {0, 0, 0.015});
    double sum = 0, previous = 0;
    integrate({0.0425, 0, 0}, {0, 1e6, 0}, 1e-8, [&](const StateArray& Y) {
        sum += Y(8) - previous;
        previous = Y(8);
        EXPECT_EQ(Y(7), 0);
    });
    EXPECT_NEAR(previous, sum, 1e-22);
    EXPECT_GT(previous, 1e-8);
    EXPECT_EQ(control.OrdreRunge, 5);
}

} // namespace
} // namespace gyro
