// Gyration read-outs of every species against the cyclotron formulas, as shown beside the inputs
// (and printed by the command line's summary).
#include "simulation/gyration.h"

#include "numerics/constants.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/physicsfixture.h"
#include "simulation/runrecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

constexpr double kProton = 1.67243076e-27; // [kg]
constexpr double kQ = 1.6021e-19;          // [C]

TEST_F(PhysicsTest, ReadoutsAreTheSpeciesOwnCyclotronValues) {
    struct Case {
        int species;
        double mass; // [kg]
        const char* caption;
    };
    // vx 1e6 m/s across a uniform Bz of 1 mT, plus 5e5 m/s along B that must not count.
    setFields(1, {0, 0, 0}, {0, 0, 0.001});
    setNumber(BoxFamily::Texte3, slot::kVx, 1e6);
    setNumber(BoxFamily::Texte3, slot::kVx + 1, 0);
    setNumber(BoxFamily::Texte3, slot::kVx + 2, 5e5);
    for (const Case& c :
         {Case{0, 9.1091e-31, "Energy electron (eV)"}, Case{1, kProton, "Energy proton (eV)"},
          Case{2, 131.3 * kProton, "Energy xenon ion (eV)"}}) {
        SCOPED_TRACE(c.species);
        theCase().select(BoxFamily::Option5, c.species);
        SpeciesRefresh(10);
        const double f = kQ * 0.001 / (2 * Pi * c.mass);  // |q| B / (2 pi m) [Hz]
        const double d = 2 * c.mass * 1e6 / (kQ * 0.001); // 2 m v_perp / (|q| B) [m]
        EXPECT_NEAR(runRecord().cyclotronFrequency, f, 1e-12 * f);
        EXPECT_NEAR(runRecord().larmorDiameter, d, 1e-12 * d);
        EXPECT_NEAR(theCase().Texte3Value(slot::kCyclotronFrequency), f,
                    0.01 * f); // shown with 2 or 3 digits
        EXPECT_NEAR(theCase().Texte3Value(slot::kLarmorDiameter), d, 0.01 * d);
        EXPECT_EQ(energyCaption(c.species), c.caption);
    }
    EXPECT_EQ(energyCaption(-1), "Energy (eV)");
}

} // namespace
} // namespace gyro
