// Fixture of the physics tests: the case at its defaults, a fresh run record and integrator,
// a scripted error report, and helpers to set the field.
#pragma once

#include "numerics/errorreport.h"
#include "numerics/rungekutta.h"
#include "simulation/casemodel.h"
#include "simulation/runrecord.h"
#include "support/scriptedasker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace gyro::physics_test {

using test::ScriptedAsker;

class PhysicsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ErrorReport::instance().reset();
        asker.fallback = "Yes";
        ErrorReport::instance().setAsker(&asker);
        StopCalcul = 0;
        theCase().resetToDefaults();
        theCase().tag(kEnergyBoxTag).clear();
        runRecord() = RunRecord{};
        rungeWork() = RungeWork{};
        rungeWork().trace = 0;
        Ldim = 8;
        OrdreRunge = 5;
        ErrMax = 1e-7;
    }
    void TearDown() override {
        ErrorReport::instance().setAsker(nullptr);
        ErrorReport::instance().reset();
        StopCalcul = 0;
        theCase().resetToDefaults();
        runRecord() = RunRecord{};
    }

    /// Selects the field shape (Option4) and types E [V/m] and B0 [T].
    static void setFields(int shape, Vecteur3 E, Vecteur3 B0) {
        theCase().select(BoxFamily::Option4, shape);
        for (int i = 0; i < 3; ++i) {
            setNumber(BoxFamily::Texte4, i, E(i + 1));
            setNumber(BoxFamily::Texte6, i, B0(i + 1));
        }
    }
    /// Types a number with all its digits (shortest exact text).
    static void setNumber(BoxFamily family, int index, double value) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", value);
        theCase().setText(family, index, buf);
    }
    int logCount(const std::string& text) const {
        int n = 0;
        for (const auto& line : ErrorReport::instance().lines())
            if (line.find(text) != std::string::npos) ++n;
        return n;
    }

    ScriptedAsker asker;
};

} // namespace gyro::physics_test
