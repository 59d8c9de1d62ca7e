// A scripted Asker for the orbital tests: records every question and answers from a script.
#pragma once

#include "numerics/errorreport.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace gyro::testing {

/// Answers questions from a queue (then with the fallback) and records their titles.
class ScriptedAsker : public Asker {
public:
    std::string ask(const std::string&, const std::string& title, const std::string&) override {
        titles.push_back(title);
        if (answers.empty()) return fallback;
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<std::string> answers;
    std::string fallback = "Yes";
    std::vector<std::string> titles;
};

/// Installs a fresh ScriptedAsker and a clean error report for each test.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ErrorReport::instance().reset();
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
