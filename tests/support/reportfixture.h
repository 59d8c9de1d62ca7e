// Test fixtures for code that reports through AlerteCalcul: a scripted asker and a clean report.
#pragma once

#include "numerics/errorreport.h"
#include "support/scriptedasker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gyro::test {

/// Starts every test as at program start: empty log, no stored answer, stop flag 0, the
/// scripted asker installed and the end of the program recorded instead of performed. A question
/// beyond the asker's script fails the test.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ErrorReport::instance().reset();
        ErrorReport::instance().setAsker(&asker);
        ErrorReport::instance().setEndProgram([this] { ++endProgramCalls; });
    }
    void TearDown() override {
        ErrorReport::instance().setAsker(nullptr);
        ErrorReport::instance().setEndProgram({});
        ErrorReport::instance().reset();
    }

    const std::vector<std::string>& logLines() const { return ErrorReport::instance().lines(); }
    /// Number of log lines that contain the text.
    int logCount(const std::string& text) const {
        int n = 0;
        for (const auto& line : logLines())
            if (line.find(text) != std::string::npos) ++n;
        return n;
    }

    ScriptedAsker asker = strictAsker();
    int endProgramCalls = 0;

private:
    static ScriptedAsker strictAsker() {
        ScriptedAsker a;
        a.onUnexpected = [](const std::string& title) {
            ADD_FAILURE() << "unexpected question: " << title;
        };
        return a;
    }
};

/// The same, but every question beyond the script is answered "Yes" (go on), for computations
/// whose warnings are not the subject of the test.
class LenientReportTest : public ReportTest {
protected:
    LenientReportTest() {
        asker.onUnexpected = nullptr;
        asker.fallback = "Yes";
    }
};

} // namespace gyro::test
