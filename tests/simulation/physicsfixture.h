// Fixture of the physics tests: a fresh program state (the case at its defaults), a run control,
// a scripted error report, and helpers to set the field.
#pragma once

#include "numerics/rungekutta.h"
#include "simulation/casemodel.h"
#include "simulation/programstate.h"
#include "simulation/runrecord.h"
#include "support/reportfixture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace gyro::physics_test {

class PhysicsTest : public test::LenientReportTest {
protected:
    void SetUp() override {
        LenientReportTest::SetUp();
        control.work.trace = 0;
        Ldim = 8;
    }

    // A fresh case (at its defaults), run record and error report, current during the test.
    ScopedProgramState state;
    // The computation's control (Cash-Karp, ErrMax 1e-7 m); the report's "Stop" and the
    // faults of the steps set its StopCalcul.
    RunControl control;
    ErrorReport::StopBinding stop{ErrorReport::instance(), control.StopCalcul};

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
};

} // namespace gyro::physics_test
