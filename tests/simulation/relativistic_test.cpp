// The relativistic pusher against the closed forms of relativistic motion: energy kept in a
// magnetic field, the gyration frequency |q|B/(γm), hyperbolic motion in an electric field, the
// E × B drift at half the speed of light, and the Boris path at low speed.
#include "simulation/relativistic.h"

#include "numerics/constants.h"
#include "numerics/errorreport.h"
#include "simulation/lightspeed.h"
#include "simulation/physicsfixture.h"
#include "simulation/runrecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gyro {
namespace {

using RelativisticTest = physics_test::PhysicsTest;

constexpr double kC = kSpeedOfLight;
constexpr double kQOverM = -1.6021e-19 / 9.1091e-31; // electron [C/kg]

struct Uniform {
    Vecteur3 E, B;
    void operator()(const Vecteur3&, Vecteur3& e, Vecteur3& b) const { e = E, b = B; }
};

// The proper velocity of Lorentz factor gamma along the unit direction d.
Vecteur3 properAlong(double gamma, const Vecteur3& d) {
    Vecteur3 u;
    MultK(d, kC * std::sqrt(gamma * gamma - 1), u);
    return u;
}

// Relative error of the gyration frequency at Lorentz factor gamma with N steps per turn of
// 2 pi gamma / (|q/m| B), measured over ten turns of the velocity.
double frequencyError(double gamma, double perGyration) {
    const double b = 0.1;
    const Uniform field{{0, 0, 0}, {0, 0, b}};
    const double omega = std::fabs(kQOverM) * b / gamma; // relativistic [rad/s]
    const double h = 2 * Pi / (perGyration * omega);
    Vecteur3 R(0, 0, 0), U = properAlong(gamma, {1, 0, 0});
    double angle = 0;
    const long steps = std::lround(10 * perGyration);
    for (long i = 0; i < steps; ++i) {
        const Vecteur3 before = U;
        higueraCaryPush(h, R, U, field, kQOverM);
        angle += std::fabs(std::atan2(before(1) * U(2) - before(2) * U(1), ProdScal(before, U)));
    }
    return angle / (omega * h * static_cast<double>(steps)) - 1;
}

// B does no work: |u|, hence γ and the energy, stay to round-off over 10^4 gyrations in an
// oblique field, with a velocity along B too. The frequency is |q|B/(γm) up to the phase error
// of the implicit-midpoint rotation, second order in the angle φ = 2π/N of a step: between
// -φ²/12 at low speed and +φ²/24 in the ultra-relativistic limit.
TEST_F(RelativisticTest, GyrationKeepsEnergyAndFrequency) {
    const Uniform oblique{{0, 0, 0}, {0.03, -0.04, 0.12}}; // |B| = 0.13 T
    for (double gamma : {1.02, 3.0, 20.0}) {
        const double h = 2 * Pi * gamma / (32 * std::fabs(kQOverM) * 0.13);
        Vecteur3 R(0.01, 0, 0), U = properAlong(gamma, {0.6, 0.8, 0});
        double worst = 0;
        for (long i = 0; i < 320000; ++i) {
            higueraCaryPush(h, R, U, oblique, kQOverM);
            worst = std::max(worst, std::fabs(lorentzFactorOfProper(U) / gamma - 1));
        }
        EXPECT_LT(worst, 1e-13) << gamma;

        for (double n : {32.0, 64.0}) {
            const double phi = 2 * Pi / n;
            const double error = frequencyError(gamma, n);
            EXPECT_LE(std::fabs(error), phi * phi / 12 * 1.001) << gamma << " N=" << n;
        }
        // Second order: halving the step divides the error by four.
        EXPECT_NEAR(frequencyError(gamma, 32) / frequencyError(gamma, 64), 4, 0.1) << gamma;
    }
}

// From rest in a uniform E the momentum grows linearly, qEt, and the path is the hyperbola
// x(t) = (mc²/(qE)) (sqrt(1 + (qEt/(mc))²) - 1); the speed stays below c at every step.
TEST_F(RelativisticTest, HyperbolicMotion) {
    const double e = 1e6; // [V/m], along -x: pushes an electron to +x
    const Uniform field{{-e, 0, 0}, {0, 0, 0}};
    const double tau = kC / (std::fabs(kQOverM) * e); // mc/(qE) [s]: γ = sqrt(2) at t = tau
    const auto exact = [&](double t) { return kC * tau * (std::hypot(1, t / tau) - 1); };
    double previous = 0;
    for (double perTau : {32.0, 64.0}) {
        const double h = tau / perTau;
        Vecteur3 R(0, 0, 0), U(0, 0, 0);
        double worst = 0;
        for (long i = 1; i <= std::lround(10 * perTau); ++i) { // up to γ ≈ 10
            higueraCaryPush(h, R, U, field, kQOverM);
            const double t = static_cast<double>(i) * h;
            EXPECT_NEAR(U(1), kC * t / tau, 1e-12 * kC * t / tau);
            ASSERT_LT(ProdScal(velocityOfProper(U), velocityOfProper(U)), kC * kC);
            worst = std::max(worst, std::fabs(R(1) - exact(t)) / exact(t));
        }
        EXPECT_LT(worst, 0.4 / (perTau * perTau)) << perTau;
        if (previous > 0) {
            EXPECT_NEAR(previous / worst, 4, 0.3) << perTau;
        }
        previous = worst;
    }
}

// E ⟂ B with E = 0.5 cB: a particle moving at vE = E × B / B² feels no force and the step keeps
// it there exactly, step size regardless. From rest it gyrates in the frame moving at vE with
// γ' = γE and period 2πγE²m/(|q|B) there, and is back on the x axis at x = vE t after each lab
// period 2πγE³m/(|q|B).
TEST_F(RelativisticTest, ExBDriftAtHalfTheSpeedOfLight) {
    const double b = 0.01;
    const Uniform field{{0, 0.5 * kC * b, 0}, {0, 0, b}};
    const double vE = 0.5 * kC;
    const double gammaE = 1 / std::sqrt(0.75);
    const double period = 2 * Pi * std::pow(gammaE, 3) / (std::fabs(kQOverM) * b);

    Vecteur3 R(0, 0, 0), U(gammaE * vE, 0, 0);
    for (int i = 1; i <= 1000; ++i) {
        higueraCaryPush(period / 4, R, U, field, kQOverM);
        ASSERT_NEAR(U(1), gammaE * vE, 1e-13 * gammaE * vE) << i;
        ASSERT_NEAR(U(2), 0, 1e-13 * vE) << i;
        ASSERT_NEAR(R(1), vE * i * period / 4, 1e-12 * vE * i * period) << i;
    }

    for (double perPeriod : {64.0, 128.0}) {
        R = Vecteur3(0, 0, 0), U = Vecteur3(0, 0, 0);
        for (int turn = 1; turn <= 10; ++turn) {
            for (int i = 0; i < perPeriod; ++i)
                higueraCaryPush(period / perPeriod, R, U, field, kQOverM);
            const double x = vE * turn * period;
            EXPECT_LT(std::hypot(R(1) - x, R(2)) / x, 2 / (perPeriod * perPeriod))
                << perPeriod << " turn " << turn;
        }
    }
}

// At 1e4 m/s (γ - 1 = 5.6e-10) the relativistic path is Boris's path: each method stepping
// with its own gyration frequency, the two traces agree point by point over 100 gyrations, in
// position to 1e-8 of the distance travelled and in velocity to 1e-8 of the speed, through the
// state-array step a run uses.
TEST_F(RelativisticTest, AgreesWithBorisAtLowSpeed) {
    const Uniform field{{0, 0, 0}, {0.003, -0.004, 0.012}}; // |B| = 0.013 T
    const Vecteur3 V0(8e3, 0, 6e3);
    const double hBoris = borisStepSize(32, kQOverM, 0.013);
    const double h = hBoris * lorentzFactorOfVelocity(V0);
    StateArray boris, rel, next;
    pack({0.01, 0, 0}, V0, boris);
    rel = boris;
    ProperVelocityMemo memo;
    double worst = 0;
    for (int i = 1; i <= 3200; ++i) {
        borisStep(hBoris, boris, next, field, kQOverM);
        boris = next;
        relativisticStep(h, rel, next, field, kQOverM, &memo);
        rel = next;
        Vecteur3 dr, dv;
        MultKPlus(position(rel), -1, position(boris), dr);
        MultKPlus(velocity(rel), -1, velocity(boris), dv);
        worst = std::max(worst, std::sqrt(ProdScal(dr, dr)) / (1e4 * i * hBoris));
        worst = std::max(worst, std::sqrt(ProdScal(dv, dv)) / 1e4);
    }
    EXPECT_LT(worst, 1e-8);
    EXPECT_NE(ErrorReport::instance().stopFlag(), 1);

    // A start at the speed of light is refused, not stepped.
    pack({0, 0, 0}, {kC, 0, 0}, rel);
    relativisticStep(h, rel, next, field, kQOverM);
    EXPECT_EQ(ErrorReport::instance().stopFlag(), 1);
    EXPECT_EQ(next(1), 0);
}

} // namespace
} // namespace gyro
