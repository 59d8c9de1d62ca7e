// Test fixture for code that reports through AlerteCalcul: a scripted asker and a clean report.
#pragma once

#include "numerics/errorreport.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace gyro::test {

/// One question as the asker received it.
struct Question {
    std::string prompt;
    std::string title;
    std::string defaultAnswer;
};

/// Answers questions from a script and records them. A question beyond the script is a test
/// failure and is answered like Cancel.
class ScriptedAsker : public Asker {
public:
    std::string ask(const std::string& prompt, const std::string& title,
                    const std::string& defaultAnswer) override {
        questions.push_back({prompt, title, defaultAnswer});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << title;
            return {};
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::string> answers;
    std::vector<Question> questions;
};

/// Starts every test as at program start: empty log, no stored answer, StopCalcul 0, the
/// scripted asker installed and the end of the program recorded instead of performed.
class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ErrorReport::instance().reset();
        StopCalcul = 0;
        OrbitalTime = 0;
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
