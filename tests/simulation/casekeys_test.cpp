// Named values of the case: numbers read as the user meant them, energy as a speed.
#include "simulation/casekeys.h"

#include "numerics/errorreport.h"
#include "simulation/caseslots.h"
#include "simulation/runrecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace gyro {
namespace {

TEST(CaseKeys, NumbersAreReadOrRefusedWithTheirReason) {
    using S = TypedNumber::Status;
    struct Case {
        const char* text;
        S status;
        double value = 0;
    };
    const Case cases[] = {
        {"0.01", S::Ok, 0.01},   {" 1 000 ", S::Ok, 1000},  {"+2e3", S::Ok, 2000},
        {"-5E-1", S::Ok, -0.5},  {"1e-310", S::Ok, 1e-310}, {"0", S::Ok, 0},
        {"1e-400", S::TooSmall}, {"-1e-400", S::TooSmall},  {"1e400", S::TooLarge},
        {"", S::NotANumber},     {"inf", S::NotANumber},    {"nan", S::NotANumber},
        {"0x10", S::NotANumber}, {"1,5", S::NotANumber},    {"3 m", S::NotANumber},
    };
    for (const Case& c : cases) {
        const TypedNumber n = readTypedNumber(c.text);
        EXPECT_EQ(n.status, c.status) << c.text;
        if (c.status == S::Ok) {
            EXPECT_EQ(n.value, c.value) << c.text;
        }
    }
}

TEST(CaseKeys, EnergyGivesTheNonRelativisticSpeedAlongTheSameDirection) {
    ErrorReport::instance().reset();
    CaseModel& model = theCase();
    model.resetToDefaults();
    ASSERT_EQ(applyCaseSetting(model, "species=proton"), "");
    ASSERT_EQ(applyCaseSetting(model, "vx=3"), "");
    ASSERT_EQ(applyCaseSetting(model, "vy=4"), "");
    ASSERT_EQ(applyCaseSetting(model, "vz=0"), "");
    // E = m v^2 / 2 with E = 1 keV: v = sqrt(2 E e / m) for a proton.
    const double mass = 1.67e-27, charge = 1.602e-19; // [kg], [C]
    ASSERT_EQ(applyCaseSetting(model, "energy=1000"), "");
    const double vx = model.Texte3Value(slot::kVx), vy = model.Texte3Value(slot::kVx + 1);
    const double expected = std::sqrt(2 * 1000 * charge / mass);
    EXPECT_NEAR(std::hypot(vx, vy), expected, 5e-3 * expected) << "three significant digits";
    EXPECT_NEAR(vy / vx, 4.0 / 3.0, 5e-3);

    model.resetToDefaults();
}

} // namespace
} // namespace gyro
