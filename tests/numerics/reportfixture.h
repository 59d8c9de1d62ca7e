// Test fixture for code that reports through AlerteCalcul: a scripted asker and a clean report.
#pragma once

#include "numerics/errorreport.h"
#include "support/scriptedasker.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace gyro::test {

/// Starts every test as at program start: empty log, no stored answer, StopCalcul 0, the
/// scripted asker installed and the end of the program recorded instead of performed.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ErrorReport::instance().reset();
        StopCalcul = 0;
        OrbitalTime = 0;
        asker.failOnUnexpected = true;
        ErrorReport::instance().setAsker(&asker);
        ErrorReport::instance().setEndProgram([this] { ++endProgramCalls; });
    }
    void TearDown() override {
        ErrorReport::instance().setAsker(nullptr);
        ErrorReport::instance().setEndProgram({});
        ErrorReport::instance().reset();
        StopCalcul = 0;
    }

    const std::vector<std::string>& logLines() const { return ErrorReport::instance().lines(); }

    ScriptedAsker asker;
    int endProgramCalls = 0;
};

} // namespace gyro::test
