// Gyration read-outs of every species against the cyclotron formulas, as shown beside the inputs.
#include "simulation/gyration.h"

#include "numerics/constants.h"
#include "physicsfixture.h"
#include "simulation/casemodel.h"
#include "simulation/runrecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

constexpr double kProton = 1.67243076e-27; // [kg]
constexpr double kQ = 1.6021e-19;          // [C]
constexpr double kRelTol = 1e-12;          // same formula, other order of operations
constexpr double kShownTol = 0.01;         // the boxes show two or three digits

TEST_F(PhysicsTest, ReadoutsAreTheSpeciesOwnCyclotronValues) {
    struct Case {
        int species;
        double mass; // [kg]
        const char* caption;
    };
    // vx 1e6 m/s across a uniform Bz of 1 mT, plus 5e5 m/s along B that must not count.
    setFields(1, {0, 0, 0}, {0, 0, 0.001});
    setNumber(BoxFamily::Texte3, 3, 1e6);
    setNumber(BoxFamily::Texte3, 4, 0);
    setNumber(BoxFamily::Texte3, 5, 5e5);
    for (const Case& c :
         {Case{0, 9.1091e-31, "Energy electron (eV)"}, Case{1, kProton, "Energy proton (eV)"},
          Case{2, 131.3 * kProton, "Energy xenon ion (eV)"}}) {
        SCOPED_TRACE(c.species);
        theCase().select(BoxFamily::Option5, c.species);
        SpeciesRefresh(10);
        const double f = kQ * 0.001 / (2 * Pi * c.mass);  // |q| B / (2 pi m) [Hz]
        const double d = 2 * c.mass * 1e6 / (kQ * 0.001); // 2 m v_perp / (|q| B) [m]
        EXPECT_NEAR(runRecord().cyclotronFrequency, f, kRelTol * f);
        EXPECT_NEAR(runRecord().larmorDiameter, d, kRelTol * d);
        EXPECT_NEAR(theCase().Texte3Value(10), f, kShownTol * f);
        EXPECT_NEAR(theCase().Texte3Value(11), d, kShownTol * d);
        EXPECT_EQ(energyCaption(c.species), c.caption);
    }
    // The proton's circle is about 21 m across at 15 kHz, not the electron's 11 mm at 28 MHz.
    theCase().select(BoxFamily::Option5, 1);
    SpeciesRefresh(11);
    EXPECT_NEAR(theCase().Texte3Value(11), 20.9, 0.1);
    EXPECT_NEAR(theCase().Texte3Value(10), 15.2e3, 0.1e3);
    EXPECT_EQ(energyCaption(-1), "Energy (eV)");
}

TEST(Gyration, OnlyTheVelocityAcrossTheFieldTurns) {
    struct Case {
        Vecteur3 V, B;
        double frequency, diameter; // expected [Hz], [m]
    };
    const double m = 2e-26, q = -3 * kQ; // any mass, either sign of charge
    const double omega = 3 * kQ * 0.5 / m;
    const double inf = INFINITY;
    for (const Case& c : {
             Case{{3, 4, 0}, {0, 0, 0.5}, omega / (2 * Pi), 2 * 5 / omega},
             Case{{0, 0, 7}, {0, 0, 0.5}, omega / (2 * Pi), 0}, // along B
             // V.B / |B| = 1.4 m/s along the field
             Case{{1, 1, 1}, {0.3, 0, 0.4}, omega / (2 * Pi), 2 * std::sqrt(3 - 1.4 * 1.4) / omega},
             Case{{1, 0, 0}, {0, 0, 0}, 0, inf}, // no field: a straight path
         }) {
        const Gyration g = gyrationOf(m, q, c.V, c.B);
        EXPECT_NEAR(g.frequency, c.frequency, kRelTol * c.frequency);
        if (std::isinf(c.diameter))
            EXPECT_TRUE(std::isinf(g.larmorDiameter));
        else
            EXPECT_NEAR(g.larmorDiameter, c.diameter, 1e-12 * (c.diameter + 1e-300));
    }
    EXPECT_TRUE(std::isinf(gyrationOf(m, 0, {1, 0, 0}, {0, 0, 1}).larmorDiameter)); // neutral
}

} // namespace
} // namespace gyro
