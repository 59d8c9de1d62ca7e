// Accuracy read-outs against analytic motions: the energy invariant on the exact E ⟂ B motion,
// the drift read-outs of a hand-built state, the guiding centre of Cash-Karp runs, the magnetic
// moment over a mirror bounce in the dipole, and the accuracy hint of the default case.
#include "numerics/constants.h"
#include "simulation/accuracycolumns.h"
#include "simulation/accuracyhint.h"
#include "simulation/casekeys.h"
#include "simulation/caseslots.h"
#include "simulation/energyinvariant.h"
#include "simulation/fields.h"
#include "simulation/guidingcentre.h"
#include "simulation/integrationmethod.h"
#include "simulation/motion.h"
#include "simulation/physicsfixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

constexpr double kQe = -1.6021e-19; // electron charge [C]
constexpr double kMe = 9.1091e-31;  // electron mass [kg]

class AccuracyTest : public PhysicsTest {
protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        integrationChoice() = IntegrationChoice{};
    }
    void TearDown() override {
        integrationChoice() = IntegrationChoice{};
        PhysicsTest::TearDown();
    }
    // Steps of the run (the chosen method) from R, V until tEnd; each(Y) after every step, which
    // returns false to stop.
    template <class Each>
    void integrate(const Vecteur3& R, const Vecteur3& V, double tEnd, Each each) {
        SpeciesRefresh(0);
        StateArray Y, Ynew;
        pack(R, V, Y);
        double h = kInitialStep;
        StepPlan plan;
        plan.endTime = tEnd;
        for (long n = 0; Y(8) < tEnd && n < 2'000'000; ++n) {
            IntegrationStep(control, h, Y, Ynew, plan);
            ASSERT_EQ(control.StopCalcul, 0);
            CopieEtat(Ynew, Y);
            if (!each(Y)) return;
        }
    }
    static DriftReadout readout(const StateArray& Y) { return driftReadoutOfState(Y); }
};

// Uniform B along z and E along x: the exact motion is a circle of the velocity u about the
// drift vE = E × B / B^2, u turning as exp(-i w t) with w = qB/m. W must not move (to rounding),
// while Ek itself swings by a large fraction.
TEST_F(AccuracyTest, EnergyInvariantOfTheExactExBMotion) {
    const double b = 0.015, ex = 2e4;
    const Vecteur3 E(ex, 0, 0), R0(0.01, 0.02, 0.03);
    const double w = kQe * b / kMe;
    const std::complex<double> vE(0, -ex / b), u0(3e6, -1e6), z0(R0(1), R0(2));
    const double vz = 5e5;
    const auto state = [&](double t) {
        const std::complex<double> rot = std::exp(std::complex<double>(0, -w * t));
        const std::complex<double> v = vE + u0 * rot;
        const std::complex<double> z =
            z0 + vE * t + std::complex<double>(0, 1) * u0 / w * (rot - 1.0);
        return std::pair{Vecteur3(z.real(), z.imag(), R0(3) + vz * t),
                         Vecteur3(v.real(), v.imag(), vz)};
    };
    EnergyInvariant tracker;
    const auto [r0, v0] = state(0);
    tracker.start(r0, v0, kQe, kMe);
    const double w0 = energyInvariant(r0, v0, E, R0, kQe, kMe);
    const double period = 2 * Pi / std::fabs(w);
    double worstTracker = 0, worstClosed = 0, kineticSwing = 0;
    for (int i = 1; i <= 1000; ++i) {
        const auto [r, v] = state(i * period / 37.3);
        tracker.advance(r, v, E);
        worstTracker = std::max(worstTracker, std::fabs(tracker.relativeChange()));
        worstClosed =
            std::max(worstClosed, std::fabs(energyInvariant(r, v, E, R0, kQe, kMe) / w0 - 1));
        kineticSwing =
            std::max(kineticSwing, std::fabs(tracker.kinetic() / tracker.startValue() - 1));
    }
    EXPECT_LT(worstTracker, 1e-13);
    EXPECT_LT(worstClosed, 1e-13);
    EXPECT_GT(kineticSwing, 0.1); // the check means something: Ek alone is far from constant

    // A hand-built drifting state: an electron displaced by dr = (2, -1, 4) mm in E = (100, 50,
    // 0) V/m has E·dr = 0.15 V, so W = Ek - q E·dr = Ek + 1.6021e-19 * 0.15 J.
    const Vecteur3 dr(2e-3, -1e-3, 4e-3), V(1e5, 0, 0), E2(100, 50, 0);
    const double ek = 0.5 * kMe * 1e10;
    EXPECT_NEAR(energyInvariant(dr, V, E2, {0, 0, 0}, kQe, kMe), ek + 1.6021e-19 * 0.15, 1e-35);
    EnergyInvariant moved;
    moved.start({0, 0, 0}, V, kQe, kMe);
    moved.advance({1e-3, 0, 0}, V, E2);
    moved.advance(dr, V, E2);
    EXPECT_NEAR(moved.value(), ek + 1.6021e-19 * 0.15, 1e-35);
    EXPECT_NEAR(moved.relativeChange(), 1.6021e-19 * 0.15 / ek, 1e-12);
}

TEST_F(AccuracyTest, DriftLevelsAndUnstartedTracker) {
    const struct {
        double change;
        DriftLevel level;
    } rows[] = {{0, DriftLevel::Fine},      {-9.9e-4, DriftLevel::Fine},
                {1e-3, DriftLevel::Notice}, {-5e-3, DriftLevel::Notice},
                {1e-2, DriftLevel::Alarm},  {-0.5, DriftLevel::Alarm},
                {NAN, DriftLevel::Alarm},   {INFINITY, DriftLevel::Alarm}};
    for (const auto& row : rows) EXPECT_EQ(driftLevel(row.change), row.level) << row.change;
    EnergyInvariant idle;
    idle.advance({1, 2, 3}, {4, 5, 6}, {7, 8, 9}); // ignored before start
    EXPECT_EQ(idle.relativeChange(), 0);
    EnergyInvariant atRest;
    atRest.start({0, 0, 0}, {0, 0, 0}, kQe, kMe);
    EXPECT_EQ(atRest.relativeChange(), 0);
    // A step that gains kinetic energy the field did not give: all of the energy reached is
    // error, although the particle started at rest.
    atRest.advance({-1, 0, 0}, {1, 0, 0}, {0, 0, 0});
    EXPECT_DOUBLE_EQ(atRest.relativeChange(), 1);
}

// Hand-worked state: B = (0, 0, 2) T, V = (3, 0, 4) m/s, E = (0, 5, 0) V/m, q = -2 C, m = 1 kg.
TEST_F(AccuracyTest, DriftReadoutOfAHandBuiltState) {
    const DriftReadout d = driftReadout({1, 1, 1}, {3, 0, 4}, {0, 5, 0}, {0, 0, 2}, -2, 1);
    EXPECT_DOUBLE_EQ(d.mu, 9.0 / 4);                             // 1 * 3^2 / (2 * 2)
    EXPECT_NEAR(d.pitchDeg, std::atan2(3, 4) * 180 / Pi, 1e-12); // 36.87 deg
    EXPECT_DOUBLE_EQ(d.vParallel, 4);
    EXPECT_DOUBLE_EQ(d.larmorRadius, 0.75); // 1 * 3 / (2 * 2)
    // About the drift vE = (2.5, 0, 0): (V - vE) × B = (0, -1, 0); / (q B^2) = (0, 0.125, 0).
    EXPECT_EQ(d.guidingCentre, Vecteur3(1, 1.125, 1));
    EXPECT_EQ(d.exbDrift, Vecteur3(2.5, 0, 0)); // (0,5,0) × (0,0,2) / 4
    // A mirror point and a particle running against B.
    EXPECT_NEAR(driftReadout({}, {0, 7, 0}, {}, {0, 0, 1}, 1, 1).pitchDeg, 90, 1e-12);
    EXPECT_NEAR(driftReadout({}, {0, 0, -7}, {}, {0, 0, 1}, 1, 1).pitchDeg, 180, 1e-12);
    // No field: nothing to say.
    const DriftReadout none = driftReadout({1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 0, 0}, 1, 1);
    EXPECT_TRUE(std::isnan(none.mu) && std::isnan(none.pitchDeg) &&
                std::isnan(none.guidingCentre(1)));
}

// The guiding centre of Cash-Karp runs in a uniform field: fixed with E = 0, moving at
// E × B / B^2 with E ⟂ B (both linear in the state, which a Runge-Kutta step keeps to rounding),
// and where the gyration really is: the mean position over whole gyrations in the drift frame.
// (For the proton, 0.52 m from its centre, a centre taken about the lab velocity would sit
// m E / (q B^2) = 0.17 m off.)
TEST_F(AccuracyTest, GuidingCentreOfCashKarpRunsMovesAtTheDrift) {
    const struct {
        int species;
        double charge, mass, b, ex, v;
    } rows[] = {{0, kQe, kMe, 0.015, 0, 1e6},
                {0, kQe, kMe, 0.015, 1000, 1e6},
                {1, 1.6021e-19, 1.67243076e-27, 0.01, 1000, 5e5}};
    for (const auto& row : rows) {
        setFields(1, {row.ex, 0, 0}, {0, 0, row.b});
        theCase().select(BoxFamily::Option5, row.species);
        const Vecteur3 vE(0, -row.ex / row.b, 0);
        const double period = 2 * Pi * row.mass / (std::fabs(row.charge) * row.b);
        const double radius = row.mass * row.v / (std::fabs(row.charge) * row.b);
        StateArray Y0;
        pack({0.0425, 0, 0}, {0, row.v, 0}, Y0);
        SpeciesRefresh(0);
        const Vecteur3 c0 = readout(Y0).guidingCentre;
        double worst = 0;
        Vecteur3 sum; // integral of r - vE t over time (trapezoids)
        double tLast = 0;
        Vecteur3 last(0.0425, 0, 0);
        control.ErrMax = 1e-9 * radius;
        integrate({0.0425, 0, 0}, {0, row.v, 0}, 20 * period, [&](const StateArray& Y) {
            const DriftReadout d = readout(Y);
            EXPECT_EQ(d.exbDrift, vE);
            worst = std::max(worst, std::hypot(d.guidingCentre(1) - c0(1),
                                               d.guidingCentre(2) - c0(2) - vE(2) * Y(8)));
            Vecteur3 r = position(Y);
            r(2) -= vE(2) * Y(8);
            for (int i = 1; i <= 3; ++i) sum(i) += (r(i) + last(i)) / 2 * (Y(8) - tLast);
            last = r;
            tLast = Y(8);
            return true;
        });
        EXPECT_NEAR(tLast, 20 * period, 1e-12 * period); // the last step lands on the end
        EXPECT_LT(worst, 1e-9 * radius) << "Ex " << row.ex;
        EXPECT_LT(std::hypot(sum(1) / tLast - c0(1), sum(2) / tLast - c0(2)), 1e-3 * radius)
            << "species " << row.species << " Ex " << row.ex;
    }
}

// Proton at 45 deg pitch on the equator of a dipole, 1 T there, Larmor radius 0.2 mm against a
// 1 m field line (mu then swings with the gyration phase by a few 1e-3): mu is an adiabatic
// invariant, and the particle mirrors where B = B_eq / sin^2(45 deg) = 2 T, its pitch angle passing
// 90 deg.
TEST_F(AccuracyTest, MagneticMomentOverAMirrorBounce) {
    setFields(3, {0, 0, 0}, {0, 0, 0}); // dipole, no electric field
    theCase().select(BoxFamily::Option5, slot::kProton);
    setNumber(BoxFamily::Texte6, slot::kParam0 + 5,
              1e7); // moment [A m^2]: mu0 M / (4 pi 1 m^3) = 1 T
    control.ErrMax = 1e-9;
    const double v = 3e4;
    const Vecteur3 R0(1, 0, 0), V0(0, v / std::sqrt(2.0), v / std::sqrt(2.0));
    SpeciesRefresh(0);
    StateArray Y0;
    pack(R0, V0, Y0);
    const DriftReadout start = readout(Y0);
    ASSERT_NEAR(runRecord().BNorm, 1, 1e-12);
    ASSERT_NEAR(start.pitchDeg, 135, 1e-9); // B points to -z on the equator
    // Cash-Karp with a small error limit, and Boris with its step following the local field.
    for (const auto method : {IntegrationMethod::CashKarp, IntegrationMethod::Boris}) {
        integrationChoice().method = method;
        integrationChoice().stepsPerGyration = 64;
        double worstMu = 0, closest = 180, bAtMirror = 0, lastPitch = start.pitchDeg;
        bool mirrored = false;
        integrate(R0, V0, 1e-3, [&](const StateArray& Y) {
            const DriftReadout d = readout(Y);
            worstMu = std::max(worstMu, std::fabs(d.mu / start.mu - 1));
            if (std::fabs(d.pitchDeg - 90) < closest) {
                closest = std::fabs(d.pitchDeg - 90);
                bAtMirror = runRecord().BNorm;
            }
            lastPitch = d.pitchDeg;
            mirrored = mirrored || d.pitchDeg < 80; // on its way back
            return !(mirrored && Y(5) < 0.05);      // stop on the way back, before the equator
        });
        const char* name = method == IntegrationMethod::Boris ? "Boris" : "Cash-Karp";
        std::printf(
            "mirror, %s: worst mu change %.2e, closest pitch to 90 deg %.3f deg, B %.4f T\n", name,
            worstMu, closest, bAtMirror);
        EXPECT_TRUE(mirrored) << name;
        EXPECT_LT(lastPitch, 90) << name;
        EXPECT_LT(worstMu, 0.01) << name;
        EXPECT_LT(closest, 0.5) << name;
        EXPECT_NEAR(bAtMirror, 2, 0.02) << name;
    }
}

// The Boris run steps 2 pi / (N |q/m| B) from the start: in a uniform field 1000 gyrations take
// exactly 1000 N steps, with the kinetic energy kept to round-off.
TEST_F(AccuracyTest, BorisRunStepsFollowTheGyration) {
    const double b = 0.015;
    setFields(1, {0, 0, 0}, {0, 0, b});
    integrationChoice().method = IntegrationMethod::Boris;
    integrationChoice().stepsPerGyration = 20;
    const double period = 2 * Pi * kMe / (-kQe * b);
    const Vecteur3 V0(0, 1e7, 2e6);
    long steps = 0;
    double worst = 0;
    integrate({0.0425, 0, 0}, V0, 1000 * period * (1 - 1e-9), [&](const StateArray& Y) {
        ++steps;
        const double v2 = Y(2) * Y(2) + Y(4) * Y(4) + Y(6) * Y(6);
        worst = std::max(worst, std::fabs(v2 / ProdScal(V0, V0) - 1));
        return true;
    });
    EXPECT_EQ(steps, 20000);
    EXPECT_LT(worst, 1e-12);
}

// The command line's --set keys of the integration method, through the case-key table.
TEST_F(AccuracyTest, IntegrationAndColumnSettings) {
    const struct {
        const char* setting;
        bool accepted;
    } rows[] = {{"method=boris", true},
                {"method=cash-karp", true},
                {"method=Boris", false},
                {"method=", false},
                {"steps-per-gyration=64", true},
                {"steps-per-gyration=4", true},
                {"steps-per-gyration=3.9", false},
                {"steps-per-gyration=16x", false},
                {"steps-per-gyration=nan", false},
                {"errmax=1e-9", true}};
    for (const auto& row : rows) {
        integrationChoice() = IntegrationChoice{};
        const std::string error = applyCaseSetting(theCase(), row.setting);
        EXPECT_EQ(error.empty(), row.accepted) << row.setting << ": " << error;
        if (!row.accepted) {
            // A refused value leaves the choice alone.
            EXPECT_EQ(integrationChoice().method, IntegrationMethod::CashKarp);
            EXPECT_EQ(integrationChoice().stepsPerGyration, 32);
        }
    }
    EXPECT_EQ(applyCaseSetting(theCase(), "steps-per-gyration=128"), "");
    EXPECT_EQ(applyCaseSetting(theCase(), "method=boris"), "");
    EXPECT_EQ(integrationChoice().stepsPerGyration, 128);
    EXPECT_EQ(integrationChoice().method, IntegrationMethod::Boris);

    std::string error;
    std::vector<AccuracyColumn> columns;
    ASSERT_TRUE(parseAccuracyColumns(" gcz,W_rel  pitch_deg ", columns, error));
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_STREQ(accuracyColumnName(columns[0]), "gcz");
    EXPECT_STREQ(accuracyColumnName(columns[1]), "W_rel");
    const DriftReadout d = driftReadout({1, 1, 1}, {3, 0, 4}, {0, 5, 0}, {0, 0, 2}, -2, 1);
    EXPECT_EQ(accuracyColumnValue(columns[0], d, 0.5), 1);
    EXPECT_EQ(accuracyColumnValue(columns[1], d, 0.5), 0.5);
    EXPECT_EQ(accuracyColumnValue(columns[2], d, 0.5), d.pitchDeg);
    for (const char* bad : {"mu mu", "W_rel energy", "GCX"}) {
        error.clear();
        EXPECT_FALSE(parseAccuracyColumns(bad, columns, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(columns.size(), 3u) << bad; // left as it was
    }
}

// The hint judges the gyration about the E × B drift over the run asked. Default case: an
// electron at 10 m/s swept by 5000 V/m across about 0.02 T into a drift of 2.5e5 m/s, radius
// m vE / (|q| B) = 72 µm (not the 2.9 nm of its start speed).
TEST_F(AccuracyTest, AccuracyHintJudgesTheGyrationAboutTheDrift) {
    const double b = 0.02 * 0.04225 / 0.0425; // 1/rho field at the start [T]
    const double radius = kMe * (5000 / b) / (-kQe * b);
    AccuracyHint hint = accuracyHintForCase(theCase()); // 1e-7 m over a thousand gyrations
    EXPECT_TRUE(hint.shown && hint.coarse);
    EXPECT_NEAR(hint.larmorRadius, radius, 1e-4 * radius);
    EXPECT_NEAR(hint.gyrations, kHintGyrations, 1e-9);
    EXPECT_TRUE(hint.offerBoris) << hint.text;
    EXPECT_NE(hint.text.find("7.2E-05 m"), std::string::npos) << hint.text;
    EXPECT_NE(hint.text.find(hint.suggestedText + " m"), std::string::npos) << hint.text;
    // The suggestion aims at 1e-4 over the run; a longer run asks for a finer limit.
    EXPECT_GT(hint.suggestedErrMax / radius, 1e-7); // 2.2e-7, rounded down to one digit
    EXPECT_LT(hint.suggestedErrMax / radius, 2.3e-7);
    const AccuracyHint longer =
        accuracyHintForCase(theCase(), {1e4 / (-kQe * b / kMe / 2 / Pi), 0});
    EXPECT_LE(longer.suggestedErrMax, hint.suggestedErrMax / 5);

    theCase().setText(BoxFamily::Texte7, 0, "1e-10");
    hint = accuracyHintForCase(theCase());
    EXPECT_FALSE(hint.shown);
    EXPECT_EQ(hint.text, "");

    // A cycloid across E ⟂ B from a start along B: the radius is m E / (|q| B^2).
    const AccuracyHint cycloid =
        accuracyHint(1e-7, {0, 0, 1e3}, {1000, 0, 0}, {0, 0, 0.01}, kQe, kMe, {1e-6, 0});
    EXPECT_TRUE(cycloid.shown);
    EXPECT_NEAR(cycloid.larmorRadius, kMe * 1000 / (-kQe * 0.01 * 0.01), 1e-9);
    // No gyration: no field, no charge.
    EXPECT_FALSE(accuracyHint(1, {1, 0, 0}, {}, {0, 0, 0}, kQe, kMe).shown);
    EXPECT_FALSE(accuracyHint(1, {5, 0, 0}, {}, {0, 0, 1}, 0, kMe).shown);
    // Whatever the run, a limit above a tenth of the radius (1 m here) does not follow it.
    EXPECT_FALSE(accuracyHint(0.1, {1, 0, 0}, {}, {0, 0, 1}, 1, 1, {1e-9, 0}).shown);
    EXPECT_TRUE(accuracyHint(0.1000001, {1, 0, 0}, {}, {0, 0, 1}, 1, 1, {1e-9, 0}).shown);
}

// The suggestion holds over the run asked: circles of 1000 and 10^4 gyrations (the worst case of
// the error model) at the suggested limit keep W within 1e-4.
TEST_F(AccuracyTest, SuggestedLimitKeepsTheInvariantOverTheRun) {
    const double b = 0.015;
    setFields(1, {0, 0, 0}, {0, 0, b});
    const double frequency = -kQe * b / kMe / (2 * Pi);
    const Vecteur3 R(0.0425, 0, 0), V(0, 1e7, 0);
    for (const double gyrations : {1e3, 1e4}) {
        const double seconds = gyrations / frequency;
        const AccuracyHint hint = accuracyHint(1e-6, V, {}, {0, 0, b}, kQe, kMe, {seconds, 0});
        ASSERT_TRUE(hint.shown) << gyrations;
        control.ErrMax = hint.suggestedErrMax;
        EnergyInvariant w;
        w.start(R, V, kQe, kMe);
        integrate(R, V, seconds, [&](const StateArray& Y) {
            w.advance(position(Y), velocity(Y), {});
            return true;
        });
        EXPECT_LT(std::fabs(w.relativeChange()), 1e-4) << gyrations << " " << hint.text;
        EXPECT_GT(std::fabs(w.relativeChange()), 1e-6) << "a suggestion far finer than needed";
    }
}

// Boris loses 2 pi - 2 N atan(pi / N) per gyration: at N = 32 it completes 0.9968 turn, a radian
// behind after about 50 gyrations.
TEST_F(AccuracyTest, BorisPhaseSlipIsToldInTurnsAndGyrations) {
    EXPECT_NEAR(borisPhaseSlip(32), 2 * Pi - 64 * std::atan(Pi / 32), 1e-15);
    EXPECT_NEAR(1 - borisPhaseSlip(32) / (2 * Pi), 0.99681, 1e-5);
    const std::string text = borisPhaseText(32);
    EXPECT_NE(text.find("0.9968 turn"), std::string::npos) << text;
    EXPECT_NE(text.find("after 50 gyrations"), std::string::npos) << text;
}

} // namespace
} // namespace gyro
