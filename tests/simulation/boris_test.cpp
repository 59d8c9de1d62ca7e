// The Boris pusher against the analytic gyration: kinetic energy kept to round-off, second-order
// phase error, the exact E × B drift, and refused non-finite input.
#include "simulation/boris.h"

#include "numerics/constants.h"
#include "simulation/physicsfixture.h"
#include "simulation/runrecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

constexpr double kQOverM = -1.6021e-19 / 9.1091e-31; // electron [C/kg]

// The uniform fields the field routine hands out.
Vecteur3 gE, gB;
void uniformField(const Vecteur3&, Vecteur3& E, Vecteur3& B) {
    E = gE;
    B = gB;
}
void brokenField(const Vecteur3&, Vecteur3& E, Vecteur3& B) {
    E = Vecteur3(0, 0, 0);
    B = Vecteur3(0, NAN, 0);
}

// A field routine for borisStep from a plain function.
auto fieldOf(void (*f)(const Vecteur3&, Vecteur3&, Vecteur3&)) {
    return [f](const Vecteur3& R, Vecteur3& E, Vecteur3& B) { f(R, E, B); };
}

class BorisTest : public PhysicsTest {
protected:
    // Runs `steps` Boris steps of size h from R, V; calls each(Y) after every step.
    template <class Each>
    static StateArray run(const Vecteur3& R, const Vecteur3& V, double h, long steps, Each each) {
        StateArray Y, Ynew;
        pack(R, V, Y);
        for (long i = 0; i < steps; ++i) {
            borisStep(h, Y, Ynew, fieldOf(uniformField), kQOverM);
            Y = Ynew;
            each(Y);
        }
        return Y;
    }
    static double speed2(const StateArray& Y) { return Y(2) * Y(2) + Y(4) * Y(4) + Y(6) * Y(6); }
};

// B does no work: the rotation keeps |v| exactly, whatever the step, for 1000 gyrations in an
// oblique field with a velocity along B as well.
TEST_F(BorisTest, KineticEnergyKeptToRoundOffOverThousandGyrations) {
    gE = Vecteur3(0, 0, 0);
    gB = Vecteur3(0.003, -0.004, 0.012); // |B| = 0.013 T
    const double b = 0.013;
    for (double perGyration : {16.0, 32.0, 256.0}) {
        const double h = borisStepSize(perGyration, kQOverM, b);
        const Vecteur3 V0(1e7, 2e6, -3e6);
        const double v0 = V0(1) * V0(1) + V0(2) * V0(2) + V0(3) * V0(3);
        double worst = 0;
        const StateArray Y = run(
            {0.04, 0, 0}, V0, h, static_cast<long>(1000 * perGyration),
            [&](const StateArray& y) { worst = std::max(worst, std::fabs(speed2(y) / v0 - 1)); });
        std::printf("Boris %g steps per gyration: worst relative energy change %.2e\n", perGyration,
                    worst);
        EXPECT_LT(worst, 1e-12) << perGyration;
        // Exactly 1000 periods of 2 pi / (|q/m| B) have passed.
        EXPECT_NEAR(Y(8), 1000 * 2 * Pi / (-kQOverM * b), 1e-9 * Y(8)) << perGyration;
    }
}

// Each step turns v by 2 atan(w h / 2) instead of w h: the phase lags by about (w h)^3 / 12 per
// step, hence by a term in 1/N^2 over a fixed number of gyrations.
TEST_F(BorisTest, PhaseErrorConvergesAtSecondOrder) {
    gE = Vecteur3(0, 0, 0);
    gB = Vecteur3(0, 0, 0.015);
    const double omega = kQOverM * 0.015; // signed: v turns as exp(-i omega t) in the xy plane
    const double v = 1e7;
    double previous = 0;
    for (double perGyration : {16.0, 32.0, 64.0, 128.0, 256.0}) {
        const double h = borisStepSize(perGyration, kQOverM, 0.015);
        const StateArray Y =
            run({0.04, 0, 0}, {v, 0, 0}, h, static_cast<long>(10 * perGyration), [](auto&) {});
        const double exact = -omega * Y(8);
        const double phase = std::atan2(Y(4), Y(2));
        const double error = std::fabs(std::remainder(phase - exact, 2 * Pi));
        // The leading term: 10 N ((w h)^3 / 12) with w h = 2 pi / N.
        const double predicted = 10 * perGyration * std::pow(2 * Pi / perGyration, 3) / 12;
        EXPECT_NEAR(error / predicted, 1, 0.05) << perGyration;
        if (previous > 0) {
            const double order = std::log2(previous / error);
            EXPECT_NEAR(order, 2, 0.05) << perGyration;
        }
        previous = error;
    }
}

// E ⟂ B: the Boris update is the implicit midpoint rule for the velocity, so in the frame that
// moves at E × B / B^2 it is a pure rotation, and the guiding centre r + (v - vE) × B m/(q B^2)
// moves at exactly vE, step size regardless.
TEST_F(BorisTest, GuidingCentreDriftsAtExB) {
    const double b = 0.015;
    gE = Vecteur3(1000, 0, 300); // the part along B accelerates along z
    gB = Vecteur3(0, 0, b);
    const Vecteur3 vE(0, -1000 / b, 0);
    const auto centre = [&](const StateArray& Y) {
        const double ux = Y(2) - vE(1), uy = Y(4) - vE(2);
        const double k = 1 / (kQOverM * b * b);
        return Vecteur3(Y(1) + k * uy * b, Y(3) - k * ux * b, 0);
    };
    StateArray start;
    start(1) = 0.04, start(4) = 1e6;
    const Vecteur3 c0 = centre(start);
    for (double perGyration : {8.0, 32.0}) {
        const double h = borisStepSize(perGyration, kQOverM, b);
        double worst = 0;
        run({0.04, 0, 0}, {0, 1e6, 0}, h, static_cast<long>(100 * perGyration),
            [&](const StateArray& Y) {
                const Vecteur3 c = centre(Y);
                worst = std::max(worst, std::hypot(c(1) - c0(1), c(2) - c0(2) - vE(2) * Y(8)));
                // Uniform acceleration along B, integrated exactly.
                const double z = 0.5 * kQOverM * 300 * Y(8) * Y(8);
                EXPECT_NEAR(Y(5), z, 1e-9 * std::fabs(z) + 1e-15);
            });
        const double travelled = std::fabs(vE(2)) * 100 * 2 * Pi / (-kQOverM * b);
        EXPECT_LT(worst, 1e-10 * travelled) << perGyration;
    }
}

TEST_F(BorisTest, StepSizeAndRefusedInput) {
    // 2 pi / (N |q/m| B); no gyration to cut gives 0.
    EXPECT_NEAR(borisStepSize(32, kQOverM, 0.015), 2 * Pi / (32 * -kQOverM * 0.015), 1e-25);
    for (const auto& [n, qm, b] : {std::tuple{32.0, kQOverM, 0.0},
                                   {32.0, 0.0, 1.0},
                                   {0.5, kQOverM, 1.0},
                                   {NAN, kQOverM, 1.0},
                                   {32.0, kQOverM, INFINITY}})
        EXPECT_EQ(borisStepSize(n, qm, b), 0) << n << " " << qm << " " << b;

    StateArray Y, Ynew;
    Y(1) = 1, Y(4) = 5, Y(8) = 2e-9;
    Ynew(1) = 99;
    borisStep(1e-12, Y, Ynew, fieldOf(brokenField), kQOverM);
    EXPECT_EQ(control.StopCalcul, 1);
    ASSERT_EQ(asker.titles.size(), 1u);
    EXPECT_NE(asker.titles[0].find("borisfaute champ non fini"), std::string::npos);
    for (int j = 1; j <= 8; ++j) EXPECT_EQ(Ynew(j), Y(j)) << j;
    // A second step of the stopped run does not ask again.
    borisStep(1e-12, Y, Ynew, fieldOf(brokenField), kQOverM);
    EXPECT_EQ(asker.titles.size(), 1u);
}

} // namespace
} // namespace gyro
