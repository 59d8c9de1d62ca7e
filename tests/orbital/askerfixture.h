// A scripted Asker for the orbital tests: records every question and answers from a script.
#pragma once

#include "numerics/errorreport.h"
#include "support/scriptedasker.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace gyro::testing {

using test::ScriptedAsker;

/// Installs a fresh ScriptedAsker and a clean error report for each test.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ErrorReport::instance().reset();
        asker.fallback = "Yes";
        ErrorReport::instance().setAsker(&asker);
        ErrorReport::instance().setEndProgram([this] { ++endRequests; });
        StopCalcul = 0;
    }
    void TearDown() override {
        ErrorReport::instance().setAsker(nullptr);
        ErrorReport::instance().setEndProgram({});
        StopCalcul = 0;
    }
    /// Number of log lines that contain the text.
    int logLinesWith(const std::string& text) const {
        int n = 0;
        for (const auto& line : ErrorReport::instance().lines())
            if (line.find(text) != std::string::npos) ++n;
        return n;
    }
    ScriptedAsker asker;
    int endRequests = 0;
};

} // namespace gyro::testing
