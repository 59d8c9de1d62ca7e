// Run record: species constants, displayed cyclotron values, the energy edit and its guard,
// state packing and the colour table.
#include "simulation/runrecord.h"

#include "numerics/constants.h"
#include "numerics/numberformat.h"
#include "numerics/numberread.h"
#include "simulation/casemodel.h"
#include "simulation/caseslots.h"
#include "simulation/physicsfixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gyro {
namespace {

using physics_test::PhysicsTest;

class RunRecordTest : public PhysicsTest {
protected:
    void SetUp() override {
        PhysicsTest::SetUp();
        setFields(1, {0, 0, 0}, {0, 0, 0.015}); // uniform |B| = 0.015 T
    }
    static double boxValue(int i) { return theCase().Texte3Value(i); }
};

TEST_F(RunRecordTest, SpeciesRefreshSetsConstantsAndDisplays) {
    struct Case {
        int species; // -1: none selected
        double charge, mass;
    };
    const double proton = 1.67243076e-27;
    for (const Case& c : {Case{0, -1.6021e-19, 9.1091e-31}, Case{1, 1.6021e-19, proton},
                          Case{2, 1.6021e-19, proton * 131.3}, Case{-1, -1.6e-19, 9.1e-31}}) {
        SCOPED_TRACE(c.species);
        if (c.species >= 0) {
            theCase().select(BoxFamily::Option5, c.species);
        } else {
            for (int i = 0; i < 3; ++i) theCase().setState(BoxFamily::Option5, i, 0);
        }
        SpeciesRefresh(10);
        const RunRecord& rec = runRecord();
        EXPECT_EQ(rec.Charge, c.charge);
        EXPECT_DOUBLE_EQ(rec.Mass, c.mass);
        // The frequency and diameter are those of the species' own mass and charge.
        const double omega = 0.015 * std::fabs(c.charge) / c.mass; // |q| B / m [rad/s]
        EXPECT_NEAR(boxValue(10), omega / (2 * Pi), 0.005 * omega / (2 * Pi));
        EXPECT_NEAR(boxValue(11), 2 * 10 / omega, 0.005 * 2 * 10 / omega);
        // Kinetic energy of the species at 10 m/s [eV].
        const double energy = 0.5 * c.mass * 100 / 1.6021e-19;
        EXPECT_NEAR(boxValue(14), energy, 0.005 * energy);
        EXPECT_EQ(theCase().tag(kEnergyBoxTag), "");
    }
}

TEST_F(RunRecordTest, ElectronFrequencyAtFifteenMilliTesla) {
    SpeciesRefresh(11);
    EXPECT_NEAR(runRecord().cyclotronOmega, -2.6382e9, 0.0001e9); // q B / m of the electron
    EXPECT_NEAR(boxValue(10), 4.2e8, 0.01e8);
    EXPECT_EQ(theCase().Texte3(slot::kCyclotronFrequency),
              FormatSignif(std::fabs(runRecord().cyclotronFrequency), 2));
}

TEST_F(RunRecordTest, OtherIndexesOnlySetTheParticle) {
    theCase().select(BoxFamily::Option5, slot::kProton);
    SpeciesRefresh(3);
    EXPECT_EQ(runRecord().Charge, 1.6021e-19);
    EXPECT_EQ(theCase().Texte3(slot::kCyclotronFrequency), "");
    EXPECT_EQ(theCase().Texte3(slot::kEnergy), "");
}

TEST_F(RunRecordTest, ZeroFieldHasNoGyration) {
    setFields(1, {0, 0, 0}, {0, 0, 0});
    SpeciesRefresh(10);
    EXPECT_EQ(boxValue(10), 0);
    EXPECT_EQ(theCase().Texte3(slot::kLarmorDiameter), FormatSignif(runRecord().larmorDiameter, 2));
    EXPECT_TRUE(std::isinf(runRecord().larmorDiameter)); // a straight path
}

TEST_F(RunRecordTest, EnergyEditRescalesTheVelocity) {
    theCase().setText(BoxFamily::Texte3, slot::kVx, "3");
    theCase().setText(BoxFamily::Texte3, slot::kVx + 1, "-4");
    theCase().setText(BoxFamily::Texte3, slot::kVx + 2, "0");
    // 1 eV electron: v = sqrt(2 e / m).
    theCase().setText(BoxFamily::Texte3, slot::kEnergy, "1");
    EnergyEdit(14);
    const double speed = std::sqrt(2 * 1.6021e-19 / 9.1091e-31);
    EXPECT_NEAR(boxValue(3), 0.6 * speed, 0.0005 * speed);
    EXPECT_NEAR(boxValue(4), -0.8 * speed, 0.0005 * speed);
    EXPECT_EQ(boxValue(5), 0);
    // Four times the energy doubles the speed, same direction.
    const double vx = boxValue(3);
    theCase().setText(BoxFamily::Texte3, slot::kEnergy, "4");
    EnergyEdit(14);
    EXPECT_NEAR(boxValue(3) / vx, 2, 0.002);
    // Other indexes are not energy edits.
    theCase().setText(BoxFamily::Texte3, slot::kEnergy, "100");
    const std::string before = theCase().Texte3(slot::kVx);
    EnergyEdit(13);
    EXPECT_EQ(theCase().Texte3(slot::kVx), before);
}

TEST_F(RunRecordTest, EnergyEditRefusesWhatWouldLoseTheDirection) {
    struct Case {
        const char* vy;
        const char* energy;
        const char* logged;
    };
    for (const Case& c : {Case{"0", "5", "vitesse nulle"}, Case{"10", "0", "non positive"},
                          Case{"10", "", "non positive"}, Case{"10", "-3", "non positive"}}) {
        SCOPED_TRACE(std::string(c.vy) + " " + c.energy);
        ErrorReport::instance().reset();
        theCase().setText(BoxFamily::Texte3, slot::kVx + 1, c.vy);
        theCase().setText(BoxFamily::Texte3, slot::kEnergy, c.energy);
        EnergyEdit(14);
        EXPECT_EQ(theCase().Texte3(slot::kVx + 1), c.vy);
        EXPECT_EQ(logCount(c.logged), 1);
        EXPECT_TRUE(asker.titles.empty()); // logged, not asked
    }
}

TEST_F(RunRecordTest, RefreshIsNotTakenForAnEnergyEdit) {
    // The window routes every change of a Texte3 box to the energy edit.
    const int id = theCase().addListener([](BoxFamily family, int index) {
        if (family == BoxFamily::Texte3) EnergyEdit(index);
    });
    theCase().setText(BoxFamily::Texte3, slot::kEnergy, "123"); // a user's edit: acts
    const double vy = boxValue(4);
    EXPECT_GT(vy, 1000);
    SpeciesRefresh(10); // writes Texte3(14) while busy: the velocity stays
    EXPECT_EQ(boxValue(4), vy);
    EXPECT_NEAR(boxValue(14), 123, 1);
    // While the tag says busy, typing changes nothing either.
    theCase().tag(kEnergyBoxTag) = "busy";
    theCase().setText(BoxFamily::Texte3, slot::kEnergy, "1");
    EXPECT_EQ(boxValue(4), vy);
    theCase().removeListener(id);
}

TEST_F(RunRecordTest, StatePacking) {
    StateArray Y;
    Y(7) = 7;
    Y(8) = 8;
    pack({1, 2, 3}, {4, 5, 6}, Y);
    const double expected[] = {1, 4, 2, 5, 3, 6, 7, 8};
    for (int j = 1; j <= 8; ++j) EXPECT_EQ(Y(j), expected[j - 1]);
    EXPECT_EQ(position(Y), Vecteur3(1, 2, 3));
    EXPECT_EQ(velocity(Y), Vecteur3(4, 5, 6));
}

TEST_F(RunRecordTest, ColourTableAndDrawingOptions) {
    double colours[13] = {};
    readColourTable(colours, theCase(), false);
    const double expected[13] = {0, 255, 0, 0, 0, 0, 255, 0, 255, 0, 125, 0, 125};
    for (int e = 1; e <= 12; ++e) EXPECT_EQ(colours[e], expected[e]) << e;
    // The live re-read of a run: absolute integer parts.
    theCase().setText(BoxFamily::Texte4, slot::kColourTable, "-12.7");
    readColourTable(colours, theCase(), true);
    EXPECT_EQ(colours[1], 12);
    theCase().setState(BoxFamily::Coche1, slot::kCubicView, 1);
    RunRecord& rec = runRecord();
    readDrawingOptions(rec, theCase());
    EXPECT_EQ(rec.cubicView, 1);
    EXPECT_EQ(rec.noPrint, 0);
}

} // namespace
} // namespace gyro
